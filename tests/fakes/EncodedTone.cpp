#include "fakes/EncodedTone.h"

#include "fakes/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace Testing {

std::vector<uint8_t> EncodeTone(const std::string& kind, int channels, int rate, long frames, double hertz,
                                double amplitude)
{
    TempDir dir;
    const std::string path = dir / ("tone." + kind);
    const std::string command = std::string(SOUND_ENCODE) + " " + kind + " '" + path + "' " + std::to_string(channels)
                                + " " + std::to_string(rate) + " " + std::to_string(frames) + " "
                                + std::to_string(hertz) + " " + std::to_string(amplitude);
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace Testing
