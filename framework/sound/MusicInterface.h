#pragma once
// Music by song id. This base is also the silent interface the application
// uses when music is off: every operation does nothing, every query answers
// false. Volumes are 0..1; a fade's speed is the volume change per Update,
// which the application calls once per fixed update.

#include <string>

namespace Vorn {

class MusicInterface {
public:
    MusicInterface() = default;
    virtual ~MusicInterface() = default;
    MusicInterface(const MusicInterface&) = delete;
    MusicInterface& operator=(const MusicInterface&) = delete;

    virtual bool LoadMusic(int songId, const std::string& fileName);
    virtual void PlayMusic(int songId, int offset, bool noLoop);
    virtual void StopMusic(int songId);
    virtual void PauseMusic(int songId);
    virtual void ResumeMusic(int songId);
    virtual void StopAllMusic();
    virtual void UnloadMusic(int songId);
    virtual void UnloadAllMusic();
    virtual void PauseAllMusic();
    virtual void ResumeAllMusic();
    virtual void FadeIn(int songId, int offset, double speed, bool noLoop);
    virtual void FadeOut(int songId, bool stopAtEnd, double speed);
    virtual void FadeOutAll(bool stopAtEnd, double speed);
    virtual void SetSongVolume(int songId, double volume);
    virtual void SetSongMaxVolume(int songId, double volume);
    virtual bool IsPlaying(int songId);
    virtual void SetVolume(double volume);
    virtual void SetSongAmplification(int songId, double value);
    virtual void Update();

protected:
    // A volume as the music libraries take it: trunc(v × 100) held to
    // 0..100; not a number gives 0.
    static int VolumePercent(double volume);
    // One update of a fade: the step is added, and a volume past the maximum
    // or below 0 is held there and ends the fade. True when it ended at 0.
    static bool StepFade(double& volume, double& step, double maxVolume);
};

} // namespace Vorn
