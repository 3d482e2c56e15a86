// Start-up: what Init prepares for the main loop, in its fixed order, and
// the hooks around it.

#include "framework/app/VornAppBase.h"

#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "platform/Paths.h"

#include <filesystem>
#include <system_error>

namespace Vorn {

void VornAppBase::Init()
{
    mMainThreadId = std::this_thread::get_id();
    if (mShutdown)
        return;

    InitHook();
    LoadSettings();
    if (!mCommandLineFetched)
        FetchCommandLine();
    if (mIsScreenSaver)
        mSingleInstanceMode = false;

    // A folder that cannot be entered leaves the current one, as before.
    if (!OnChangeDirectory(mWorkingFolder)) {
        std::error_code ec;
        std::filesystem::current_path(Platform::ResolveFileName(mWorkingFolder), ec);
    }

    if (!mSoundManager)
        mSoundManager = std::make_unique<DSoundManager>(mNoSound ? nullptr : mMainWindow, mWantFMod);
    SetSfxVolume(mSfxVolume);
    mMusicInterface = CreateMusicInterface(mInvisibleWindow);
    SetMusicVolume(mMusicVolume);

    PostInit();
    mInitialized = true;
}

void VornAppBase::InitHook() {}
void VornAppBase::PostInit() {}
void VornAppBase::PreCreateWindow() {}

bool VornAppBase::OnChangeDirectory(const std::string&)
{
    return false;
}

void VornAppBase::NotifyRunningInstanceAndExit()
{
    if (!mSingleInstanceMode)
        return;
    ExitProgram(0);
}

void VornAppBase::LoadSettings() {}
void VornAppBase::SaveSettings() {}

} // namespace Vorn
