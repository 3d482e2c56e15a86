// The loading thread, which runs the game's resource loading once while the
// main thread shows and animates the title screen, and the cursor thread,
// which keeps the software cursor moving between frames.

#include "framework/app/VornAppBase.h"

#include "framework/app/DebugPrint.h"
#include "framework/display/DDInterface.h"
#include "platform/Thread.h"

#include <algorithm>
#include <system_error>

namespace Vorn {

namespace {

constexpr uint32_t kCursorPollMs = 10;
// A cursor move waits for the next frame unless that frame is this much
// overdue beyond one refresh period.
constexpr int32_t kCursorFrameSlackMs = 5;

} // namespace

void VornAppBase::StartLoadingThread()
{
    if (mLoadingThreadStarted)
        return;
    mLoadingThreadRunning = true;
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityAboveNormal);
    mLoadingThreadStarted = true;
    try {
        mLoadingThread = mStartThread([this] { LoadingThreadEntry(); });
    } catch (const std::system_error& error) {
        // Nothing would ever set the finished flag: every wait for it would
        // hang, and the main loop would keep sleeping for a loader that
        // never runs.
        mLoadingThreadStarted = false;
        mLoadingThreadRunning = false;
        Platform::SetCurrentThreadPriority(Platform::kThreadPriorityNormal);
        DebugPrint("Loading thread not started: %s\r\n", error.what());
    }
}

void VornAppBase::LoadingThreadEntry()
{
    RunLoadingThread();
    DebugPrint("Resource Loading Time: %d\r\n", static_cast<int32_t>(Now() - mLoadTime));
    mLoadingThreadFinished = true;
}

void VornAppBase::RunLoadingThread() {}

void VornAppBase::OnLoadingFinished() {}

void VornAppBase::WaitForLoadingThread()
{
    if (!mLoadingThreadStarted)
        return;
    while (!mLoadingThreadFinished)
        mClock->Sleep(20);
    if (mLoadingThread.joinable())
        mLoadingThread.join();
}

double VornAppBase::GetLoadingProgress()
{
    if (mLoadingHandedOver)
        return 1.0;
    const int32_t total = mNumLoadingThreadTasks;
    if (!mLoadingThreadStarted || total <= 0)
        return 0.0;
    return std::min(static_cast<double>(mCompletedLoadingThreadTasks) / total, 1.0);
}

// With no display there is no cursor to move, and no thread is started.
void VornAppBase::StartCursorThread()
{
    if (mCursorThreadRunning || !mDDInterface)
        return;
    // One that ended after an earlier shut-down is collected first.
    if (mCursorThread.joinable())
        mCursorThread.join();
    mCursorThreadRunning = true;
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityAboveNormal);
    try {
        mCursorThread = mStartThread([this] { RunCursorThread(); });
    } catch (const std::system_error& error) {
        // Shutdown waits for the running flag to clear.
        mCursorThreadRunning = false;
        Platform::SetCurrentThreadPriority(Platform::kThreadPriorityNormal);
        DebugPrint("Cursor thread not started: %s\r\n", error.what());
    }
}

void VornAppBase::RunCursorThread()
{
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityAboveNormal);
    DDInterface& display = *mDDInterface;
    int32_t lastX = 0;
    int32_t lastY = 0;
    while (!mShutdown) {
        int32_t x = lastX;
        int32_t y = lastY;
        bool live = false;
        if (mPlaying) {
            x = mLastDemoMouseX;
            y = mLastDemoMouseY;
        } else if (Platform::Window* window = mThreadWindow.load()) {
            const Platform::Point position = window->CursorPosition();
            x = position.x;
            y = position.y;
            live = true;
        }
        int32_t period;
        {
            // The display writes these on the main thread under its lock.
            const AutoCrit lock(display.mCritSect);
            // Into the screen's pixels as mouse messages are, with the
            // mapping of the frame shown last.
            if (live && !display.mIsWindowed)
                display.WindowToScreen(x, y);
            if (mDrawCount != 0) {
                lastX = display.mCursorX;
                lastY = display.mCursorY;
            }
            period = display.mMillisecondsPerFrame;
        }
        if (x != lastX || y != lastY) {
            if (static_cast<int32_t>(Now() - mNextDrawTick.load()) > period + kCursorFrameSlackMs) {
                display.SetCursorPos(x, y);
                lastX = x;
                lastY = y;
            } else {
                display.mNextCursorX = x;
                display.mNextCursorY = y;
            }
        }
        mClock->Sleep(kCursorPollMs);
    }
    mCursorThreadRunning = false;
}

void VornAppBase::StopCursorThread()
{
    while (mCursorThreadRunning)
        mClock->Sleep(kCursorPollMs);
    if (mCursorThread.joinable())
        mCursorThread.join();
}

} // namespace Vorn
