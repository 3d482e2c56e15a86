// Start-up: what Init prepares for the main loop, in its fixed order, and
// the hooks around it.

#include "framework/app/VornAppBase.h"

#include "framework/app/RandomGenerator.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "platform/Paths.h"
#include "platform/Random.h"

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
    MarkRunInProgress();
    if (mIsScreenSaver)
        mSingleInstanceMode = false;

    // A folder that cannot be entered leaves the current one, as before.
    if (!OnChangeDirectory(mWorkingFolder)) {
        std::error_code ec;
        std::filesystem::current_path(Platform::ResolveFileName(mWorkingFolder), ec);
    }

    if (mPlaying) {
        std::string error;
        if (!LoadDemoFile(error)) {
            SetDemoMode(DemoMode::Off);
            ShowFatalError(error);
            ExitProgram(0);
        }
    } else {
        mRandSeed = Now();
        SeedRandomGenerators(mRandSeed);
    }

    // The window creation takes its own commands first; the display state
    // it recorded follows.
    if (mPlaying) {
        bool windowed = mIsWindowed;
        int32_t refreshRate = mRefreshRate;
        if (mDemoStream.ReplayDisplayMode(mUpdateCount, windowed, refreshRate))
            TakeReplayedDisplayMode(windowed, refreshRate);
    }

    if (!mSoundManager)
        mSoundManager = std::make_unique<DSoundManager>(mNoSound ? nullptr : mMainWindow, mWantFMod);
    SetSfxVolume(mSfxVolume);
    mMusicInterface = CreateMusicInterface(mInvisibleWindow);
    SetMusicVolume(mMusicVolume);

    PostInit();
    mInitialized = true;
}

void VornAppBase::SeedRandomGenerators(uint32_t seed)
{
    SeedRandom(seed);
    Platform::SRand(seed);
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

} // namespace Vorn
