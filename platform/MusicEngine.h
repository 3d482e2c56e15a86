#pragma once
// The music library the framework's default music interface drives: streams
// of Ogg Vorbis, WAV and MP3 files, opened from the disk by name and decoded
// while they play, and tracker modules handed over in memory and rendered
// while they play, all into the process's audio output. Streams and modules
// share one set of channel handles; handles are nonzero, 0 means refused.
// Used from one thread.
//
// Gains are linear:
// - a stream plays at volume × global stream volume / 10000 (both 0..100;
//   100 and 100 play the samples as decoded);
// - a module plays at volume × global music volume × amplification / 500000
//   (each 0..100): amplification 50, the default, plays the song as the
//   module library renders it, 100 twice as loud, 25 half as loud.

#include "platform/AudioMixer.h"

#include <cstddef>
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
inline constexpr int kConfigMusicVolume = 6;
inline constexpr int kMusicAttribAmplify = 0;
inline constexpr int kDefaultAmplify = 50;
// Set in a module's position: an order in the low 16 bits (the bits above
// the flag are not read).
inline constexpr uint64_t kPositionOrder = 0x80000000;
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
    // False for a module's handle.
    bool StreamFree(uint32_t stream);
    // A module in memory, any format the module decoder reads; the bytes are
    // not needed afterwards. `flags` may hold kChannelLoop.
    uint32_t MusicLoad(const uint8_t* data, size_t size, uint32_t flags);
    // False for a stream's handle.
    bool MusicFree(uint32_t music);
    // kMusicAttribAmplify, held to 0..100. False for a stream or another
    // attribute.
    bool MusicSetAttribute(uint32_t music, int attribute, int value);

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
    // A byte position in the decoded 16-bit frames, rounded down to a frame;
    // on a module, with kPositionOrder, the start of an order (false, and
    // the position kept, for an order the song does not have).
    bool ChannelSetPosition(uint32_t channel, uint64_t position);
    // kChannelLoop: a stream starts over at its end, a module loops where its
    // order list says.
    bool ChannelSetFlags(uint32_t channel, uint32_t flags);

private:
    struct Channel {
        std::unique_ptr<StreamVoice> voice;
        bool module = false;
        int volume = 100;
        int amplify = kDefaultAmplify;
    };
    uint32_t Add(std::unique_ptr<StreamVoice> voice, bool module);
    Channel* Find(uint32_t channel);
    void ApplyGain(Channel& channel);

    std::shared_ptr<AudioMixer> mOutput;
    std::map<uint32_t, Channel> mChannels;
    uint32_t mNextHandle = 1;
    int mStreamVolume = 100;
    int mMusicVolume = 100;
};

} // namespace Platform
