// libFuzzer target: any bytes, read as a document from memory, must end in
// items and a clean end or failure.

#include "framework/resources/XMLParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Vorn::XMLParser parser;
    parser.OpenBuffer(std::string(reinterpret_cast<const char*>(data), size));
    Vorn::XMLItem item;
    while (parser.ReadNextItem(item)) {
    }
    return 0;
}
