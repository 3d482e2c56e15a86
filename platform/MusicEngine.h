#pragma once
// The music library the framework's default music interface drives: streams
// of Ogg Vorbis, WAV and MP3 files, opened from the disk by name and decoded
// while they play into the process's audio output. Tracker modules are not
// loadable here. Handles are nonzero; 0 means refused. Used from one thread.
//
// A stream plays at volume × global stream volume / 10000 as linear gain
// (both 0..100; 100 and 100 play the samples as decoded).

#include "platform/AudioMixer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Platform {

inline constexpr int kChannelStopped = 0;
inline constexpr int kChannelPlaying = 1;
inline constexpr int kChannelPaused = 3;
inline constexpr uint32_t kChannelLoop = 4;
inline constexpr int kConfigStreamVolume = 5;
// Attribute values that leave the setting as it is.
inline constexpr int kKeepFrequency = -1;
inline constexpr int kKeepVolume = -1;
inline constexpr int kKeepPan = -101;

class MusicEngine {
public:
    // Null output: nothing loads.
    explicit MusicEngine(std::shared_ptr<AudioMixer> output);
    ~MusicEngine();
    MusicEngine(const MusicEngine&) = delete;
    MusicEngine& operator=(const MusicEngine&) = delete;

    uint32_t StreamCreateFile(const std::string& fileName);
    bool StreamFree(uint32_t stream);

    // Volumes held to 0..100; other options are accepted and change nothing.
    void SetConfig(int option, int value);

    bool ChannelPlay(uint32_t channel, bool restart);
    // Keeps the position: a later play without restart goes on from there.
    bool ChannelStop(uint32_t channel);
    bool ChannelPause(uint32_t channel);
    // kChannelStopped (also for an unknown channel), kChannelPlaying or
    // kChannelPaused.
    int ChannelIsActive(uint32_t channel);
    // Volume 0..100 (held there) or kKeepVolume; frequency and pan stay as
    // decoded.
    bool ChannelSetAttributes(uint32_t channel, int frequency, int volume, int pan);
    // A byte position in the decoded 16-bit frames, rounded down to a frame.
    bool ChannelSetPosition(uint32_t channel, uint64_t bytePosition);
    // kChannelLoop: the stream starts over at its end.
    bool ChannelSetFlags(uint32_t channel, uint32_t flags);

private:
    struct Stream {
        std::unique_ptr<StreamVoice> voice;
        int volume = 100;
    };
    Stream* Find(uint32_t channel);
    void ApplyGain(Stream& stream);

    std::shared_ptr<AudioMixer> mOutput;
    std::map<uint32_t, Stream> mStreams;
    uint32_t mNextHandle = 1;
    int mStreamVolume = 100;
};

} // namespace Platform
