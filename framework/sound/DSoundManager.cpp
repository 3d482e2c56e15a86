#include "framework/sound/DSoundManager.h"

namespace Vorn {

DSoundManager::DSoundManager(Platform::Window*, bool useFMod) : mUseFMod(useFMod) {}

bool DSoundManager::IsInitialized()
{
    return false;
}

int DSoundManager::LoadSoundByName(const std::string&)
{
    return -1;
}

bool DSoundManager::LoadSound(unsigned int, const std::string&)
{
    return false;
}

void DSoundManager::ReleaseSound(unsigned int) {}

void DSoundManager::SetVolume(double volume)
{
    mMasterVolume = volume;
}

bool DSoundManager::SetBaseVolume(unsigned int, double)
{
    return false;
}

bool DSoundManager::SetBasePan(unsigned int, int)
{
    return false;
}

SoundInstance* DSoundManager::GetSoundInstance(unsigned int)
{
    return nullptr;
}

void DSoundManager::ReleaseSounds() {}
void DSoundManager::ReleaseInstances() {}

double DSoundManager::GetMixerVolume()
{
    return mMixerVolume;
}

void DSoundManager::SetMixerVolume(double volume)
{
    mMixerVolume = volume;
}

void DSoundManager::SetCooperativeWindow(Platform::Window*, bool) {}
void DSoundManager::StopAllSounds() {}

int DSoundManager::GetFreeSoundId()
{
    return -1;
}

int DSoundManager::GetNumSounds()
{
    return 0;
}

} // namespace Vorn
