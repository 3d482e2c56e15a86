// Shut-down, fatal exit and what the crash catcher asks of the application.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/resources/ResourceManager.h"
#include "framework/resources/ImageLib.h"
#include "framework/sound/MusicInterface.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

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
    StopCursorThread();
    if (mMusicInterface)
        mMusicInterface->StopAllMusic();
    // Full screen here is a window over the desktop: the desktop's own mode
    // was never changed and needs no restoring.
    if (mMainWindow)
        mMainWindow->Hide();
    if (mSaveSettingsAtShutdown)
        SaveSettings();
    ImageLib::FreeJPEG2000Codec();
}

void VornAppBase::RequestShutdown()
{
    mShutdownRequested = true;
}

void VornAppBase::SetLoadingFailed()
{
    mLoadingFailed = true;
    RequestShutdown();
}

void VornAppBase::ReadResourceManifest()
{
    if (!mResourceManager->ReadManifestFile("properties\\resources.xml"))
        ReportResourceFailure(true);
}

void VornAppBase::ReportResourceFailure(bool exit)
{
    const std::string text = mResourceManager->GetErrorText();
    if (!exit && mMainThreadId != std::thread::id() && std::this_thread::get_id() != mMainThreadId) {
        PostFatalError(text);
        return;
    }
    ShowFatalError(text);
    if (exit)
        ExitProgram(kFailedExitCode);
}

void VornAppBase::ShowPendingErrors()
{
    std::vector<std::string> pending;
    {
        const std::lock_guard lock(mPendingErrorsMutex);
        pending.swap(mPendingErrors);
    }
    for (const std::string& text : pending)
        ShowFatalError(text);
}

void VornAppBase::OnShutdown() {}
void VornAppBase::PreTerminate() {}

void VornAppBase::HideForCrash()
{
    SetMusicVolume(0.0);
    mCrashed = true;
    // The window answers only the thread that pumps it; a failure on another
    // thread leaves it as it is.
    if (std::this_thread::get_id() != mMainThreadId)
        return;
    if (mMainWindow)
        mMainWindow->Hide();
    ApplyCursor();
}

std::string VornAppBase::GetCrashInfo()
{
    const uint32_t seconds = (Now() - mLoadTime) / 1000;
    return "Product: " + mProductName + "\r\n" + "Version: " + mProductVersion + "\r\n" + "Time Loaded: " +
           FormatString("%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60) +
           "\r\nFullscreen: " + (mIsWindowed ? "No" : "Yes") + "\r\nPrimary ThreadId: " +
           FormatString("%X", mMainThreadSystemId) + "\r\n";
}

std::string VornAppBase::GetCrashAttachmentName()
{
    return std::string();
}

std::map<std::string, std::string> VornAppBase::GetCrashUploadFields()
{
    return {};
}

namespace {

std::atomic<ExitProgramHook> gExitProgramHook{nullptr};

} // namespace

ExitProgramHook SetExitProgramHook(ExitProgramHook hook)
{
    return gExitProgramHook.exchange(hook);
}

void ExitProgram(int code)
{
    if (const ExitProgramHook hook = gExitProgramHook.load())
        hook(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace Vorn
