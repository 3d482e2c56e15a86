#include "fakes/SoundFiles.h"

#include "platform/AudioMixer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Testing {

std::string Little16(uint32_t value)
{
    return {static_cast<char>(value), static_cast<char>(value >> 8)};
}

std::string Little32(uint32_t value)
{
    return Little16(value) + Little16(value >> 16);
}

std::string Big32(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Pcm16(const std::vector<int16_t>& samples)
{
    std::string bytes;
    for (const int16_t sample : samples)
        bytes += Little16(static_cast<uint16_t>(sample));
    return bytes;
}

std::string Chunk(const std::string& id, const std::string& body)
{
    return id + Little32(static_cast<uint32_t>(body.size())) + body;
}

std::string FormatChunk(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t formatTag)
{
    const uint32_t alignment = channels * bits / 8u;
    return Chunk("fmt ", Little16(formatTag) + Little16(channels) + Little32(rate) + Little32(alignment * rate)
                             + Little16(alignment) + Little16(bits));
}

std::string Riff(const std::string& chunks)
{
    return "RIFF" + Little32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

std::string Wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data, const std::string& extra)
{
    return Riff(FormatChunk(channels, rate, bits) + extra + Chunk("data", data));
}

double ToneFrequency(const std::vector<int16_t>& samples, size_t stride, size_t offset, double rate)
{
    // A crossing counts only after the wave has gone well below zero (a
    // quarter of its peak), so that coding noise around zero does not count
    // twice.
    int peak = 0;
    for (size_t i = offset; i < samples.size(); i += stride)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    const int armBelow = -peak / 4;
    double first = 0.0, last = 0.0;
    size_t crossings = 0;
    bool armed = false;
    for (size_t i = offset + stride; i < samples.size(); i += stride) {
        armed = armed || samples[i - stride] < armBelow;
        if (!armed || samples[i - stride] >= 0 || samples[i] < 0)
            continue;
        // Where between the two samples the line crosses zero.
        const double at = (i - stride) / static_cast<double>(stride)
                          + -samples[i - stride] / static_cast<double>(samples[i] - samples[i - stride]);
        if (crossings == 0)
            first = at;
        last = at;
        ++crossings;
        armed = false;
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * rate / (last - first);
}

double ToneLevel(const std::vector<int16_t>& samples, size_t stride, size_t offset)
{
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = offset; i < samples.size(); i += stride, ++count)
        sum += static_cast<double>(samples[i]) * samples[i];
    return count ? std::sqrt(sum / count) : 0.0;
}

std::vector<int16_t> MixFrames(Platform::AudioMixer& mixer, size_t frames)
{
    std::vector<int16_t> out(2 * frames, 0x5555);
    mixer.Mix(out.data(), frames);
    return out;
}

std::vector<int16_t> MixLeft(Platform::AudioMixer& mixer, size_t frames)
{
    const std::vector<int16_t> out = MixFrames(mixer, frames);
    std::vector<int16_t> left;
    for (size_t i = 0; i < out.size(); i += 2)
        left.push_back(out[i]);
    return left;
}

PullingDevice::PullingDevice(Platform::AudioMixer& mixer)
    : mThread([this, &mixer] {
          std::vector<int16_t> out(2 * 256);
          while (!mDone.load()) {
              mixer.Mix(out.data(), 256);
              int peak = 0;
              for (const int16_t sample : out)
                  peak = std::max(peak, std::abs(static_cast<int>(sample)));
              mLastPeak = peak;
              mPeak = std::max(mPeak.load(), peak);
              ++mPulls;
          }
      })
{
}

void PullingDevice::WaitForPulls(uint64_t count) const
{
    const uint64_t until = mPulls.load() + count;
    while (mPulls.load() < until)
        std::this_thread::yield();
}

PullingDevice::~PullingDevice()
{
    mDone = true;
    mThread.join();
}

} // namespace Testing
