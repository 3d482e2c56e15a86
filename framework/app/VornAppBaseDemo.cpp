// The demo stream as the main loop meets it: replaying the commands due at
// the current update, the commands the loop writes itself, the values kept
// identical between a run and its replay, and the demo file.

#include "framework/app/VornAppBase.h"

#include "framework/widgets/WidgetManager.h"
#include "platform/CrashProcess.h"

#include <utility>

namespace Vorn {

namespace {

// A replayed refresh rate paces the updates: one the display could not have
// reported (a damaged file) would stall or race them.
constexpr int32_t kLowestReplayedRefreshRate = 60;
constexpr int32_t kHighestReplayedRefreshRate = 100;

// A command being written is finished in far less; a writer that does not
// let go within this is stuck, or is the thread that failed.
constexpr std::chrono::milliseconds kCrashWriterWait(200);
constexpr size_t kLongestCrashPath = 4096;
constexpr char kCrashTemporarySuffix[] = ".crash";

// Writes to a file descriptor: usable in a signal handler.
class FileSink : public ByteSink {
public:
    explicit FileSink(int fd)
        : mFd(fd)
    {
    }
    bool Put(const void* data, size_t size) override { return Platform::SignalSafe::WriteAll(mFd, data, size); }

private:
    int mFd;
};

// The demo file's name as a path on the disk, without allocating: the
// separators turned round. False when it is empty or too long.
bool CrashPath(const std::string& name, const char* suffix, char (&path)[kLongestCrashPath])
{
    size_t length = 0;
    for (const char c : name) {
        if (length + 1 >= kLongestCrashPath)
            return false;
        path[length++] = c == '\\' ? '/' : c;
    }
    for (const char* s = suffix; *s != '\0'; ++s) {
        if (length + 1 >= kLongestCrashPath)
            return false;
        path[length++] = *s;
    }
    path[length] = '\0';
    return !name.empty();
}

} // namespace

void VornAppBase::SetDemoMode(DemoMode mode)
{
    mRecording = mode == DemoMode::Recording;
    mPlaying = mode == DemoMode::Playing;
    mDemoStream.SetMode(mode);
}

void VornAppBase::ReplayDemoCommands()
{
    if (!mPlaying)
        return;
    while (!mShutdown) {
        const std::optional<DemoCommand> command = mDemoStream.ReplayNextCommand(mUpdateCount);
        if (!command)
            return;
        ActOnReplayedCommand(*command);
    }
}

void VornAppBase::ActOnReplayedCommand(const DemoCommand& command)
{
    WidgetManager& widgets = *mWidgetManager;
    switch (command.type) {
    case DemoCommandType::MouseMove:
        mLastDemoMouseX += command.x;
        mLastDemoMouseY += command.y;
        widgets.MouseMove(mLastDemoMouseX, mLastDemoMouseY);
        break;
    case DemoCommandType::MouseButton:
        if (command.flag)
            widgets.MouseDown(mLastDemoMouseX, mLastDemoMouseY, command.code);
        else
            widgets.MouseUp(mLastDemoMouseX, mLastDemoMouseY, command.code);
        break;
    case DemoCommandType::Position:
        mLastDemoMouseX = command.x;
        mLastDemoMouseY = command.y;
        widgets.MouseMove(command.x, command.y);
        break;
    case DemoCommandType::Active:
        mActive = command.flag;
        UpdateFocusState();
        if (mActive && !mIsPhysWindowed)
            widgets.MarkAllDirty();
        if (mIsOpeningURL && !mActive)
            OnWebPageOpened(mOpeningURL);
        break;
    case DemoCommandType::Minimized:
        if (!mShutdown && command.flag != mMinimized) {
            mMinimized = command.flag;
            if (mMinimized) {
                Mute(true);
            } else {
                Unmute(true);
                widgets.MarkAllDirty();
            }
        }
        UpdateFocusState();
        break;
    case DemoCommandType::KeyDown:
        widgets.KeyDown(command.code);
        break;
    case DemoCommandType::KeyUp:
        widgets.KeyUp(command.code);
        break;
    case DemoCommandType::Character:
        widgets.KeyChar(static_cast<char>(command.code));
        break;
    case DemoCommandType::Close:
        Shutdown();
        break;
    case DemoCommandType::MouseEnter:
        mMouseIn = true;
        ApplyCursor();
        break;
    case DemoCommandType::MouseLeave:
        widgets.MouseExit();
        mMouseIn = false;
        ApplyCursor();
        break;
    case DemoCommandType::LoadingDone:
        mDemoLoadingDoneReplayed = true;
        break;
    case DemoCommandType::Wheel:
        widgets.MouseWheel(command.code);
        break;
    case DemoCommandType::DisplayMode:
        TakeReplayedDisplayMode(command.flag, command.code);
        break;
    }
}

void VornAppBase::TakeReplayedDisplayMode(bool windowed, int32_t refreshRate)
{
    mIsWindowed = windowed;
    const bool plausible = refreshRate >= kLowestReplayedRefreshRate && refreshRate <= kHighestReplayedRefreshRate;
    mRefreshRate = plausible ? refreshRate : kLowestReplayedRefreshRate;
}

void VornAppBase::WriteCommandHeader()
{
    mDemoStream.WriteCommandHeader(mUpdateCount);
}

bool VornAppBase::ReadCommandHeader()
{
    return mDemoStream.ReadCommandHeader(mUpdateCount);
}

void VornAppBase::RecordLoadingDone()
{
    mDemoStream.RecordCommand(mUpdateCount, DemoCommand::LoadingDone());
}

void VornAppBase::RecordOrReplayBuffer(Buffer& buffer)
{
    mDemoStream.RecordOrReplayBuffer(mUpdateCount, buffer);
}

void VornAppBase::RecordOrReplayString(std::string& text)
{
    mDemoStream.RecordOrReplayString(mUpdateCount, text);
}

void VornAppBase::RecordOrReplayBool(bool& value)
{
    mDemoStream.RecordOrReplayBool(mUpdateCount, value);
}

void VornAppBase::SaveDemoFile()
{
    if (!mRecording)
        return;
    const DemoFileInfo info{mRandSeed, mDemoMarkerList, mUpdateCount};
    Vorn::SaveDemoFile(mDemoFileName, mProductVersion, info, mDemoStream.GetBuffer());
}

bool VornAppBase::KeepDemoAfterCrash()
{
    const bool recording = mRecording;
    mDemoStream.StopWritersForCrash(kCrashWriterWait);
    mRecording = false;
    mPlaying = false;
    if (!recording)
        return false;
    // Written beside the demo and put in its place whole, as every demo is.
    // Only a demo written whole is reported kept: the report would otherwise
    // attach an older file of that name.
    char path[kLongestCrashPath];
    char temporary[kLongestCrashPath];
    if (!CrashPath(mDemoFileName, "", path) || !CrashPath(mDemoFileName, kCrashTemporarySuffix, temporary))
        return false;
    const int fd = Platform::SignalSafe::CreateNewFile(temporary);
    if (fd < 0)
        return false;
    FileSink sink(fd);
    const int32_t update = mUpdateCount;
    const bool written = WriteDemoFileHead(sink, mProductVersion, mRandSeed, mDemoMarkerList, update) &&
                         mDemoStream.WriteClosedStream(update, sink);
    Platform::SignalSafe::Close(fd);
    if (written && Platform::SignalSafe::Rename(temporary, path))
        return true;
    Platform::SignalSafe::Remove(temporary);
    return false;
}

bool VornAppBase::LoadDemoFile(std::string& error)
{
    DemoFileInfo info;
    if (!Vorn::LoadDemoFile(mDemoFileName, mProductVersion, info, mDemoStream.GetBuffer(), error))
        return false;
    mRandSeed = info.seed;
    SeedRandomGenerators(mRandSeed);
    mDemoMarkerList = std::move(info.markers);
    mDemoLength = info.totalUpdates;
    return true;
}

} // namespace Vorn
