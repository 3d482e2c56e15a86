#pragma once
// Building WAV files in memory: numbers little-endian, the head every WAV
// file the sound code writes begins with.

#include <cstdint>
#include <vector>

namespace Platform {
struct PcmFormat;
}

namespace Vorn {

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes);
void PutTag(std::vector<uint8_t>& out, const char* tag);
// "RIFF", riffSize, "WAVE" and a 16-byte PCM "fmt " chunk whose bytes per
// second and block alignment follow from the format.
void PutWavHead(std::vector<uint8_t>& out, uint32_t riffSize, const Platform::PcmFormat& format);

} // namespace Vorn
