// libFuzzer target: any bytes, read as an autosave file, are refused as a
// whole or give a record the game could have written: written again, it
// reads back to the same text.

#include "game/AutosaveRecord.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    AutosaveRecord record;
    if (!record.Read(in))
        return 0;
    std::ostringstream once;
    record.Write(once);
    std::istringstream again(once.str());
    AutosaveRecord reread;
    if (!reread.Read(again))
        __builtin_trap();
    std::ostringstream twice;
    reread.Write(twice);
    if (twice.str() != once.str())
        __builtin_trap();
    return 0;
}
