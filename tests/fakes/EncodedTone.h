#pragma once
// Compressed test files made by the test encoder program (tests/encode): a
// tone on the left channel, twice its frequency on the right.

#include <cstdint>
#include <string>
#include <vector>

namespace Testing {

// kind "ogg" or "mp3". Empty when the encoder failed.
std::vector<uint8_t> EncodeTone(const std::string& kind, int channels, int rate, long frames, double hertz,
                                double amplitude = 0.5);

} // namespace Testing
