// Start-up: what Init prepares for the main loop, in its fixed order, and
// the hooks around it.

#include "framework/app/VornAppBase.h"

#include "framework/app/DebugPrint.h"
#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "framework/app/RandomGenerator.h"
#include "framework/resources/PakInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "platform/SingleInstance.h"
#include "platform/Thread.h"

#include <filesystem>
#include <system_error>

namespace Vorn {

namespace {

// Names that already say where they are: "C:..." and "\\\\..." as the demo
// names of the original platform were written, and absolute paths here.
bool IsAbsoluteName(const std::string& name)
{
    if (!name.empty() && (name[0] == '/' || name[0] == '\\'))
        return true;
    return name.size() >= 2 && (name[1] == ':' || (name.size() >= 3 && name[2] == '\\'));
}

} // namespace

void VornAppBase::Init()
{
    mMainThreadId = std::this_thread::get_id();
    mMainThreadSystemId = Platform::CurrentThreadId();
    if (mShutdown)
        return;

    InitHook();
    LoadSettings();
    MakeAppDataFolder();
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
    // Without the archive the same files are read from the disk.
    if (gPakInterface)
        gPakInterface->AddArchive("main.pak");

    ClaimSingleInstance();

    // The runtime's generator, which the game draws from, takes the seed a
    // replay can repeat: the one written into a recording, or read from the
    // demo played.
    if (mPlaying) {
        std::string error;
        if (!LoadDemoFile(error)) {
            SetDemoMode(DemoMode::Off);
            ShowFatalError(error);
            ExitProgram(kFailedExitCode);
        }
    } else {
        mRandSeed = Now();
        SeedRandomGenerators(mRandSeed);
    }

    if (mMakeWindow) {
        mInvisibleWindowObject = mMakeWindow();
        Platform::WindowDescription description;
        description.title = mTitle;
        description.style = Platform::WindowStyle::Hidden;
        if (mInvisibleWindowObject->Create(description)) {
            mInvisibleWindow = mInvisibleWindowObject.get();
            mInvisibleWindow->SetProcedure([this](Platform::Window& window, const Platform::MessageRecord& message) {
                WindowProc(window, message);
            });
        }
    }
    MakeMainWindowObject();
    MakeHandCursors();
    PreCreateWindow();

    const Rect playfield(0, 0, mWidth, mHeight);
    mWidgetManager->Resize(playfield, playfield);
    if (mIsWindowed && !mDisplayModeChanged && !FitsDesktop()) {
        mIsWindowed = false;
        mForceFullScreen = true;
    }
    // The desktop's own mode is never changed here: full screen shows the
    // playfield scaled into the desktop. A run that needs the desktop at its
    // size gets it only when the desktop already is that size.
    if (mDisplayModeChanged && mMainWindowObject) {
        const Platform::Size desktop = mMainWindowObject->DesktopSize();
        if (desktop.width != mWidth || desktop.height != mHeight) {
            mDisplayModeChanged = false;
            mIsWindowed = false;
        }
    }
    CreateMainWindow();

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

    if (mIsScreenSaver)
        SetCursor(kCursorNone);
    PostInit();
    mInitialized = true;
}

void VornAppBase::MakeMainWindowObject()
{
    if (mMainWindowObject || !mMakeWindow)
        return;
    mMainWindowObject = mMakeWindow();
    mThreadWindow = mMainWindowObject.get();
}

void VornAppBase::MakeAppDataFolder()
{
    std::string folder = Platform::UserDataFolder();
    // A user without a home has no data folder: the demo name stays as it is.
    if (folder.empty())
        return;
    // An empty vendor adds no empty folder level.
    if (!mVendorFolder.empty())
        folder += "/" + mVendorFolder;
    folder += "/" + mProductName;
    MakeDirectories(folder);
    SetAppDataFolder(folder + "/");
    if (!IsAbsoluteName(mDemoFileName))
        mDemoFileName = GetAppDataFolder() + mDemoFileName;
}

void VornAppBase::ClaimSingleInstance()
{
    mNotifyMessage = Platform::RegisterMessage(mProductName + "Notify");
    const std::string folder = mInstanceFolder.empty() ? Platform::RuntimeFolder() : mInstanceFolder;
    mInstanceLock = std::make_unique<Platform::SingleInstance>(mProductName, folder);
    switch (mInstanceLock->Acquire()) {
    case Platform::SingleInstance::Claim::First:
        // The knock arrives on the lock's own thread; the main window's pump
        // hands it to the window procedure.
        if (!mInstanceLock->Listen([this] {
                if (Platform::Window* window = mThreadWindow.load())
                    window->PostMessage({mNotifyMessage, 0, 0});
            }))
            DebugPrint("Single instance: %s\r\n", mInstanceLock->Error().c_str());
        break;
    case Platform::SingleInstance::Claim::AlreadyRunning:
        NotifyRunningInstanceAndExit();
        break;
    case Platform::SingleInstance::Claim::Failed:
        DebugPrint("Single instance not guarded: %s\r\n", mInstanceLock->Error().c_str());
        break;
    }
}

bool VornAppBase::FitsDesktop() const
{
    if (!mMainWindowObject)
        return true;
    // A desktop that does not tell its work area is taken to hold the window.
    const Platform::Rect work = mMainWindowObject->WorkArea();
    if (work.width <= 0 || work.height <= 0)
        return true;
    // The client area a maximised window would have: the work area less the
    // frame, as far as the desktop has told it.
    const Platform::FrameMargins frame = mMainWindowObject->Decorations();
    return int64_t{mWidth} + frame.left + frame.right < work.width &&
           int64_t{mHeight} + frame.top + frame.bottom < work.height;
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
    if (mNotifyMessage != 0 && mInstanceLock && !mInstanceLock->NotifyRunning())
        DebugPrint("Single instance: %s\r\n", mInstanceLock->Error().c_str());
    ExitProgram(0);
}

} // namespace Vorn
