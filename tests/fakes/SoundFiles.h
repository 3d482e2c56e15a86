#pragma once
// Sound files written by hand for the readers' tests, and a measure of what
// came out of them.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace Platform {
class AudioMixer;
}

namespace Testing {

std::string Little16(uint32_t value);
std::string Little32(uint32_t value);
std::string Big32(uint32_t value);
// 16-bit little-endian samples.
std::string Pcm16(const std::vector<int16_t>& samples);
// A RIFF chunk: id, u32 size, body, and no pad byte.
std::string Chunk(const std::string& id, const std::string& body);
// The 16-byte PCM "fmt " chunk (format tag 1 unless given).
std::string FormatChunk(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t formatTag = 1);
// "RIFF", the size of what follows, "WAVE" and the chunks.
std::string Riff(const std::string& chunks);
// A plain WAV file: "fmt ", then `extra` chunks, then "data".
std::string Wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data,
                const std::string& extra = "");

// The frequency of a tone from its upward zero crossings, reading every
// `stride`-th sample from `offset` on.
double ToneFrequency(const std::vector<int16_t>& samples, size_t stride, size_t offset, double rate);
// The root-mean-square level of those samples.
double ToneLevel(const std::vector<int16_t>& samples, size_t stride, size_t offset);

// `frames` stereo frames of the mixer's output, interleaved.
std::vector<int16_t> MixFrames(Platform::AudioMixer& mixer, size_t frames);
// The left samples of the same.
std::vector<int16_t> MixLeft(Platform::AudioMixer& mixer, size_t frames);

// Pulls the mixer from a thread of its own, as the audio device does, 256
// frames at a time, until it is destroyed; it keeps the loudest sample it
// has mixed.
class PullingDevice {
public:
    explicit PullingDevice(Platform::AudioMixer& mixer);
    ~PullingDevice();
    PullingDevice(const PullingDevice&) = delete;
    PullingDevice& operator=(const PullingDevice&) = delete;

    // Returns once `count` more pulls have ended; the first may have begun
    // before the call.
    void WaitForPulls(uint64_t count) const;
    // The largest magnitude of any sample mixed so far, and of the last pull.
    int Peak() const { return mPeak.load(); }
    int LastPeak() const { return mLastPeak.load(); }

private:
    std::atomic<bool> mDone{false};
    std::atomic<uint64_t> mPulls{0};
    std::atomic<int> mPeak{0};
    std::atomic<int> mLastPeak{0};
    std::thread mThread;
};

} // namespace Testing
