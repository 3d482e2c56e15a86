// Small services to the game and the framework: sound effects by id,
// volumes and muting, the music interface, and images.

#include "framework/app/VornAppBase.h"

#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundInstance.h"
#include "framework/sound/SoundManager.h"

namespace Vorn {

void VornAppBase::PlaySoundByIdWithPan(int id, int pan)
{
    if (!mSoundManager)
        return;
    SoundInstance* sound = mSoundManager->GetSoundInstance(static_cast<unsigned int>(id));
    if (!sound)
        return;
    sound->SetPan(pan);
    sound->Play(false, true);
}

void VornAppBase::PlaySoundById(int id)
{
    if (!mSoundManager)
        return;
    SoundInstance* sound = mSoundManager->GetSoundInstance(static_cast<unsigned int>(id));
    if (sound)
        sound->Play(false, true);
}

double VornAppBase::GetMasterVolume()
{
    return mSoundManager ? mSoundManager->GetMixerVolume() : 0.0;
}

double VornAppBase::GetMusicVolume()
{
    return mMusicVolume;
}

double VornAppBase::GetSfxVolume()
{
    return mSfxVolume;
}

bool VornAppBase::IsMuted()
{
    return mMuteCount > 0;
}

void VornAppBase::SetMasterVolume(double volume)
{
    mSfxVolume = volume;
    if (mSoundManager)
        mSoundManager->SetMixerVolume(volume);
}

// Volumes are stored even while muted and given back on unmute.
void VornAppBase::SetMusicVolume(double volume)
{
    mMusicVolume = volume;
    if (mMusicInterface)
        mMusicInterface->SetVolume(mMuteCount > 0 ? 0.0 : volume);
}

void VornAppBase::SetSfxVolume(double volume)
{
    mSfxVolume = volume;
    if (mSoundManager)
        mSoundManager->SetVolume(mMuteCount > 0 ? 0.0 : volume);
}

void VornAppBase::Mute(bool autoMute)
{
    ++mMuteCount;
    if (autoMute)
        ++mAutoMuteCount;
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void VornAppBase::Unmute(bool autoMute)
{
    if (mMuteCount > 0) {
        --mMuteCount;
        if (autoMute)
            --mAutoMuteCount;
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void VornAppBase::SetCustomCursors(bool customCursors)
{
    mCustomCursorsEnabled = customCursors;
    ApplyCursor();
}

// No music engine is linked in: music plays through the silent interface.
std::unique_ptr<MusicInterface> VornAppBase::CreateMusicInterface(Platform::Window*)
{
    return std::make_unique<MusicInterface>();
}

DDImage* VornAppBase::GetImage(const std::string&)
{
    return nullptr;
}

void VornAppBase::FindOrCreatePooledImage(ImageRef&, const std::string&, const std::string&, bool* isNew)
{
    if (isNew)
        *isNew = false;
}

} // namespace Vorn
