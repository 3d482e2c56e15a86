// Small services to the game and the framework: sound effects by id,
// volumes and muting, the music interface, cursors and the clipboard.

#include "framework/app/VornAppBase.h"

#include "framework/app/Buffer.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundInstance.h"
#include "framework/sound/SoundManager.h"
#include "platform/Clipboard.h"

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

// Each kind of unmute undoes only a mute of its own kind: "Muted" saves the
// mute count less the automatic ones, so a user's unmute taking back a
// focus-loss mute (or the reverse) would save the wrong state.
void VornAppBase::Unmute(bool autoMute)
{
    if (autoMute ? mAutoMuteCount > 0 : mMuteCount > mAutoMuteCount) {
        --mMuteCount;
        if (autoMute)
            --mAutoMuteCount;
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void VornAppBase::SetCursor(int cursorNumber)
{
    mCursorNum = cursorNumber;
    ApplyCursor();
}

void VornAppBase::SetCustomCursors(bool customCursors)
{
    mCustomCursorsEnabled = customCursors;
    ApplyCursor();
}

void VornAppBase::CopyToClipboard(const std::string& text)
{
    if (mPlaying)
        return;
    Platform::SetClipboardText(text);
}

std::string VornAppBase::GetClipboard()
{
    std::string text;
    if (!mPlaying)
        text = Platform::GetClipboardText();
    // Cut here rather than only by the demo: a run that is not recording
    // must see what its recording would have seen.
    if (text.size() > static_cast<size_t>(Buffer::kMaxStringLength))
        text.resize(static_cast<size_t>(Buffer::kMaxStringLength));
    RecordOrReplayString(text);
    return text;
}

std::unique_ptr<MusicInterface> VornAppBase::CreateMusicInterface(Platform::Window* window)
{
    if (mNoSound)
        return std::make_unique<MusicInterface>();
    if (mWantFMod)
        return std::make_unique<FModMusicInterface>();
    return std::make_unique<BassMusicInterface>(window);
}

} // namespace Vorn
