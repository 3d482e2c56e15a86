// libFuzzer target: any bytes, read as a high-score table, give between ten
// and a hundred entries with names of at most 256 characters.

#include "game/TopScores.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ReadTopScores(in);
    if (gTopScores.size() < kTopScoreCount || gTopScores.size() > kMaxTopScoreLines)
        __builtin_trap();
    for (const TopScoreEntry& entry : gTopScores) {
        if (entry.name.size() > kMaxTopScoreName || entry.name.find('\n') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
