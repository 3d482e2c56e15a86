#pragma once
// Music through the default music library: songs by id, each a stream of an
// Ogg Vorbis, WAV or MP3 file opened from the disk, with fades stepped once
// per fixed update. Tracker modules (any other extension) are not loadable.

#include "framework/sound/MusicInterface.h"

#include <cstdint>
#include <map>
#include <memory>

namespace Platform {
class AudioMixer;
class MusicEngine;
class Window;
} // namespace Platform

namespace Vorn {

struct BassSong {
    uint32_t mStream = 0;
    double mVolume = 0.0;
    // Added by each Update; 0 = no fade.
    double mVolumeStep = 0.0;
    double mMaxVolume = 1.0;
    bool mStopWhenDone = false;
};

class BassMusicInterface : public MusicInterface {
public:
    // Plays into the process's audio output (the window is not needed).
    explicit BassMusicInterface(Platform::Window* window);
    // Plays into `output`; with none, nothing loads.
    explicit BassMusicInterface(std::shared_ptr<Platform::AudioMixer> output);
    ~BassMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    // offset: a byte position (rounded down to a frame); -1 goes on from where
    // the song stood.
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void UnloadMusic(int songId) override;
    void UnloadAllMusic() override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    // Starts no fade on a silent song, but sets its stop flag.
    void FadeOut(int songId, bool stopAtEnd, double speed) override;
    void FadeOutAll(bool stopAtEnd, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    void SetSongMaxVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void Update() override;

    std::map<int, BassSong> mSongs;
    std::unique_ptr<Platform::MusicEngine> mEngine;

private:
    BassSong* Find(int songId);
    void SetChannelVolume(const BassSong& song);
    // Loop flag, play (from the start unless offset is -1), then the offset.
    void StartStream(const BassSong& song, int offset, bool noLoop);
};

} // namespace Vorn
