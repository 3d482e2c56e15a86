// One image decoder, chosen when the target is built (IMAGE_DECODER), on
// arbitrary bytes: it may not read or write outside its input or its image,
// hang, or leak. Each reader has a target of its own, so that every one gets
// the whole fuzzing time.

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
    ImageLib::IMAGE_DECODER(std::span<const uint8_t>(data, size));
    return 0;
}
