// Every image decoder on the same arbitrary bytes: none may read or write
// outside its input or its image, hang, or leak.

#include "framework/resources/ImageDecoders.h"
#include "platform/DebugOutput.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The JPEG library's warnings about damaged data would flood the log.
    Platform::SetDebugSink([](std::string_view) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    for (const auto decode : {ImageLib::DecodeTGA, ImageLib::DecodeGIF, ImageLib::DecodePNG, ImageLib::DecodeJPEG,
                              ImageLib::DecodeJPEG2000})
        decode(bytes);
    return 0;
}
