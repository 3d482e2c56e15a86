#pragma once
// Music through the default music library: songs by id, each a stream of an
// Ogg Vorbis, WAV or MP3 file opened from the disk, or a tracker module (any
// other extension) read whole through the file layer, so that one in the
// archive loads too; fades are stepped once per fixed update.

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
    uint32_t mModule = 0;
    uint32_t mStream = 0;
    double mVolume = 0.0;
    // Added by each Update; 0 = no fade.
    double mVolumeStep = 0.0;
    double mMaxVolume = 1.0;
    bool mStopWhenDone = false;

    uint32_t Channel() const { return mModule != 0 ? mModule : mStream; }
};

class BassMusicInterface : public MusicInterface {
public:
    // Plays into the process's audio output (the window is not needed).
    explicit BassMusicInterface(Platform::Window* window);
    // Plays into `output`; with none, nothing loads.
    explicit BassMusicInterface(std::shared_ptr<Platform::AudioMixer> output);
    ~BassMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    // offset: on a stream a byte position (rounded down to a frame), -1 going
    // on from where it stood; on a module the order to start at (its low 16
    // bits), an order the song does not have going on from where it stood.
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
    // Modules and streams alike.
    void SetVolume(double volume) override;
    // Modules only: value × 100, held to 0..100; 0.5 plays the song as
    // rendered, 1.0 twice as loud.
    void SetSongAmplification(int songId, double value) override;
    void Update() override;

    std::map<int, BassSong> mSongs;
    std::unique_ptr<Platform::MusicEngine> mEngine;

private:
    BassSong* Find(int songId);
    void SetChannelVolume(const BassSong& song);
    // 0 when the file cannot be read or is no module.
    uint32_t LoadModule(const std::string& fileName);
    void Free(const BassSong& song);
    // Loop flag, play (from the start unless offset is -1), then the offset.
    void StartStream(const BassSong& song, int offset, bool noLoop);
    // Stopped, set to the order (offset's low 16 bits), loop flag, played on.
    void StartModuleAtOrder(const BassSong& song, int offset, bool noLoop);
};

} // namespace Vorn
