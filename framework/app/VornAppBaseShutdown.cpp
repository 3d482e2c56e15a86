// Shut-down, fatal exit and what the crash catcher asks of the application.

#include "framework/app/VornAppBase.h"

#include "framework/sound/MusicInterface.h"

#include <cstdio>
#include <cstdlib>

namespace Vorn {

void VornAppBase::Shutdown()
{
    if (mMainThreadId != std::thread::id() && std::this_thread::get_id() != mMainThreadId) {
        RequestShutdown();
        return;
    }
    if (mShutdown)
        return;
    mLeaveStep = true;
    mShutdown = true;
    OnShutdown();

    if (mPlaying) {
        SetMusicVolume(mSavedMusicVolume);
        SetSfxVolume(mSavedSfxVolume);
    }
    while (mCursorThreadRunning)
        mClock->Sleep(10);
    if (mMusicInterface)
        mMusicInterface->StopAllMusic();
    if (mSaveSettingsAtShutdown)
        SaveSettings();
}

void VornAppBase::RequestShutdown()
{
    mShutdownRequested = true;
}

void VornAppBase::OnShutdown() {}
void VornAppBase::PreTerminate() {}

void VornAppBase::HideForCrash()
{
    SetMusicVolume(0.0);
    mCrashed = true;
    ApplyCursor();
}

std::string VornAppBase::GetCrashInfo()
{
    return std::string();
}

std::string VornAppBase::GetCrashAttachmentName()
{
    return std::string();
}

void ExitProgram(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace Vorn
