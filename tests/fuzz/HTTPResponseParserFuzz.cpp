// libFuzzer target: any bytes, arriving in reads of sizes the input's first
// byte picks, must end in a result or a wait for more, with the body kept
// bounded, never a crash or a runaway allocation.

#include "framework/crash/HTTPResponseParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = data[0] % 64 + 1;
    Vorn::HTTPResponseParser parser;
    std::string content;
    for (size_t at = 1; at < size; at += piece) {
        const size_t count = at + piece <= size ? piece : size - at;
        parser.Append(reinterpret_cast<const char*>(data + at), count);
        if (parser.Parse(content))
            break;
    }
    parser.Closed();
    if (content.size() > Vorn::HTTPResponseParser::kMaxContent)
        std::abort();
    return 0;
}
