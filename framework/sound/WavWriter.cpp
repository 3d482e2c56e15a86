#include "framework/sound/WavWriter.h"

#include "platform/AudioMixer.h"

namespace Vorn {

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

void PutWavHead(std::vector<uint8_t>& out, uint32_t riffSize, const Platform::PcmFormat& format)
{
    const uint32_t alignment = format.BlockAlign();
    PutTag(out, "RIFF");
    PutLittle(out, riffSize, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLittle(out, 16, 4);
    PutLittle(out, 1, 2);
    PutLittle(out, format.channels, 2);
    PutLittle(out, format.sampleRate, 4);
    PutLittle(out, alignment * format.sampleRate, 4);
    PutLittle(out, alignment, 2);
    PutLittle(out, format.bitsPerSample, 2);
}

} // namespace Vorn
