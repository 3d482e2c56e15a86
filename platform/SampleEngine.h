#pragma once
// The sample library behind the alternative music interface, which the sound
// manager also decodes MP3 effects through: whole files decoded into samples
// (16-bit, any of the decoders' formats), played on numbered channels of the
// process's audio output; and tracker songs, read whole from the disk and
// rendered while they play into the same output.
//
// One engine per process, shared by whoever holds it; it takes calls from
// any thread (the loading thread decodes while the main thread plays). Sample
// handles are nonzero; 0 means refused. A channel's volume 0..100 is linear,
// applied as the nearest hundredth of a decibel; a song's master volume
// 0..100 is a linear gain of volume / 100.

#include "platform/AudioMixer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Platform {

// Sample mode bits.
inline constexpr uint32_t kSampleLoopNormal = 0x02;
inline constexpr uint32_t kSample8Bits = 0x08;
inline constexpr uint32_t kSampleMono = 0x20;
// Channel loop modes.
inline constexpr int kLoopOff = 1;
inline constexpr int kLoopNormal = 2;
// What a sample may take once decoded: more would not fit the 32-bit sizes
// the callers compute with.
inline constexpr uint64_t kMaxSampleBytes = 256u << 20;

class SampleEngine {
public:
    // The process's engine, made for the first holder.
    static std::shared_ptr<SampleEngine> Acquire();

    SampleEngine() = default;
    ~SampleEngine();
    SampleEngine(const SampleEngine&) = delete;
    SampleEngine& operator=(const SampleEngine&) = delete;

    // Until Init and after Close nothing loads and nothing plays.
    void Init(std::shared_ptr<AudioMixer> output);
    // Frees every sample and channel.
    void Close();

    // A disk file decoded whole; refused, without decoding further, once it
    // comes to more than `maxBytes`. The index and mode are not used.
    uint32_t SampleLoad(int index, const std::string& fileName, uint32_t mode, uint64_t maxBytes = kMaxSampleBytes);
    // `length` silent frames of the format the mode bits tell, at `frequency`.
    uint32_t SampleAlloc(int index, uint32_t length, uint32_t mode, uint32_t frequency);
    void SampleFree(uint32_t sample);
    // The sample memory from byte `offset`, `firstLength` bytes of it (at most
    // `length`); the second part is always empty. False for an unknown sample
    // or an offset at or past the end.
    bool SampleLock(uint32_t sample, uint32_t offset, uint32_t length, void** first, void** second,
                    uint32_t* firstLength, uint32_t* secondLength);
    bool SampleUnlock(uint32_t sample);
    // Frames `start` up to `end` loop.
    bool SampleSetLoopPoints(uint32_t sample, uint32_t start, uint32_t end);
    // In frames; 0 for an unknown sample.
    uint32_t SampleGetLength(uint32_t sample);
    bool SampleGetDefaults(uint32_t sample, int* frequency);
    uint32_t SampleGetMode(uint32_t sample);

    // Plays the sample from its start on that channel (0 and up), replacing
    // what the channel played. The channel, or -1.
    int PlaySound(int channel, uint32_t sample);
    bool StopSound(int channel);
    // Held to 0..100.
    bool SetVolume(int channel, int volume);
    bool SetPaused(int channel, bool paused);
    bool SetLoopMode(int channel, int mode);
    // Playing or paused.
    bool IsPlaying(int channel);

    // A tracker song read whole from the disk, stopped, playing its order
    // list once when started. A handle, or 0.
    uint32_t MusicLoadSong(const std::string& fileName);
    bool MusicFreeSong(uint32_t song);
    // From its first order.
    bool MusicPlaySong(uint32_t song);
    bool MusicStopSong(uint32_t song);
    // kLoopNormal loops the song where its order list says; anything else
    // plays it once.
    bool MusicSetLooping(uint32_t song, int mode);
    // Goes on from the start of that order; false, and the song kept where
    // it was, for an order it does not have.
    bool MusicSetOrder(uint32_t song, int order);
    bool MusicSetPaused(uint32_t song, bool paused);
    // Held to 0..100.
    bool MusicSetMasterVolume(uint32_t song, int volume);
    // Playing or paused.
    bool MusicIsPlaying(uint32_t song);

private:
    struct Sample {
        std::unique_ptr<SoundBuffer> buffer;
        uint32_t mode = 0;
    };
    struct Channel {
        std::unique_ptr<SoundBuffer> voice;
        bool looping = false;
        bool paused = false;
    };
    // The disk file whole, read without holding the lock; false too before
    // Init and after Close.
    bool ReadFileWhileOpen(const std::string& fileName, std::vector<uint8_t>& file);
    uint32_t Add(std::unique_ptr<SoundBuffer> buffer, uint32_t mode);
    Sample* FindSample(uint32_t sample);
    Channel* FindChannel(int channel);
    StreamVoice* FindSong(uint32_t song);

    std::mutex mLock;
    std::shared_ptr<AudioMixer> mOutput;
    std::map<uint32_t, Sample> mSamples;
    std::map<int, Channel> mChannels;
    std::map<uint32_t, std::unique_ptr<StreamVoice>> mSongs;
    uint32_t mNextHandle = 1;
};

} // namespace Platform
