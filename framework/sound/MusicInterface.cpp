#include "framework/sound/MusicInterface.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

bool MusicInterface::LoadMusic(int, const std::string&)
{
    return false;
}

void MusicInterface::PlayMusic(int, int, bool) {}
void MusicInterface::StopMusic(int) {}
void MusicInterface::PauseMusic(int) {}
void MusicInterface::ResumeMusic(int) {}
void MusicInterface::StopAllMusic() {}
void MusicInterface::UnloadMusic(int) {}
void MusicInterface::UnloadAllMusic() {}
void MusicInterface::PauseAllMusic() {}
void MusicInterface::ResumeAllMusic() {}
void MusicInterface::FadeIn(int, int, double, bool) {}
void MusicInterface::FadeOut(int, bool, double) {}
void MusicInterface::FadeOutAll(bool, double) {}
void MusicInterface::SetSongVolume(int, double) {}
void MusicInterface::SetSongMaxVolume(int, double) {}

bool MusicInterface::IsPlaying(int)
{
    return false;
}

void MusicInterface::SetVolume(double) {}
void MusicInterface::SetSongAmplification(int, double) {}
void MusicInterface::Update() {}

int MusicInterface::VolumePercent(double volume)
{
    if (std::isnan(volume))
        return 0;
    return static_cast<int>(std::clamp(volume * 100, 0.0, 100.0));
}

bool MusicInterface::StepFade(double& volume, double& step, double maxVolume)
{
    volume += step;
    if (volume > maxVolume) {
        volume = maxVolume;
        step = 0.0;
    } else if (volume < 0.0) {
        volume = 0.0;
        step = 0.0;
        return true;
    }
    return false;
}

} // namespace Vorn
