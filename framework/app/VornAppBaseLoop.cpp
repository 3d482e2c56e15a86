// The main loop: fixed-time updates of the frame time divided by the update
// multiplier (or one per display refresh with fractional in-between updates),
// a bounded catch-up after stalls, at most one redraw per step, the rest of
// the frame slept, and fast-forward during demo playback.

#include "framework/app/VornAppBase.h"

#include "framework/app/DebugPrint.h"
#include "framework/display/DDInterface.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

namespace {

// At most this much backlog is caught up: 20 quick updates at 10 ms.
constexpr double kMaxBacklogMs = 200.0;
// A second's worth of updates done this fast means the display is not
// holding presentation to its refresh.
constexpr int32_t kFastGroupMs = 800;
constexpr int32_t kStrikesToBreakVSync = 3;
constexpr int32_t kFastForwardDrawMs = 1000;
constexpr int64_t kMaxLoadingSleepMs = 250;
// A slowed-down replay may ask for a sleep of many seconds: the loop sleeps
// in steps of at most this much, pumping messages between them, and the time
// accumulator carries the pacing across them.
constexpr double kMaxStepSleepMs = 100.0;

int32_t FastForwardElapsed(uint32_t now, uint32_t then)
{
    return Platform::TicksBetween(then, now);
}

uint32_t ToSleepMilliseconds(double ms)
{
    return static_cast<uint32_t>(std::min(ms, static_cast<double>(INT32_MAX)));
}

} // namespace

int32_t VornAppBase::FrameTime() const
{
    return std::max(mFrameTime, 1);
}

void VornAppBase::Start()
{
    if (mShutdown)
        return;
    StartCursorThread();
    if (mAutoStartLoadingThread)
        StartLoadingThread();
    if (mMainWindow)
        mMainWindow->Show(true);

    const uint32_t start = Now();
    mRunning = true;
    mLastUserInputTick = start;
    RunMainLoop();
    DeleteQueuedWidgets();
    mRunning = false;

    WaitForLoadingThread();

    DebugPrint("Seconds       = %g\r\n", static_cast<uint32_t>(Now() - start) / 1000.0);
    DebugPrint("Sleep Count   = %d\r\n", mSleepCount);
    DebugPrint("Update Count  = %d\r\n", mUpdateCount.load());
    DebugPrint("Draw Count    = %d\r\n", mDrawCount.load());
    DebugPrint("Draw Time     = %d\r\n", mDrawTime);
    DebugPrint("Screen Blt    = %d\r\n", mScreenBltTime);
    // In 64 bits: the draw count times 1000 leaves int32 after a few hours.
    const int64_t drawMs = static_cast<int64_t>(mDrawTime) + mScreenBltTime;
    if (drawMs > 0)
        DebugPrint("Avg FPS       = %lld\r\n", static_cast<long long>(mDrawCount.load() * int64_t{1000} / drawMs));

    PreTerminate();
    SaveSettings();
}

void VornAppBase::RunMainLoop()
{
    while (!mShutdown) {
        mLeaveStep = false;
        StepUntilUpdate();
    }
}

bool VornAppBase::StepUntilUpdate()
{
    for (;;) {
        bool updated = false;
        if (!StepLoopState(&updated))
            return false;
        if (updated)
            return true;
    }
}

bool VornAppBase::StepLoopState(bool* updated)
{
    if (updated)
        *updated = false;
    if (mLeaveStep)
        return false;
    if (mLoopState == kStateFinished)
        mLoopState = kStatePumpMessages;
    ++mLoopDepth;

    if (mLoopState == kStatePumpMessages) {
        if (mMainWindow)
            mMainWindow->PumpMessages();
        // The cursor thread only draws the cursor into the screen's memory.
        if (mDDInterface)
            mDDInterface->PresentCursor();
        ReplayDemoCommands();
        mLoopState = DispatchQueuedMessages() ? kStatePumpMessages : kStateUpdate;
    } else if (mStepMode == kStepNormal) {
        const int32_t before = mUpdateCount;
        Process(true);
        if (updated)
            *updated = mUpdateCount != before;
    } else if (mStepMode == kStepRunOne) {
        mStepMode = kStepStepped;
        RunUpdateTick();
        RunFractionUpdate(1.0f);
        DrawDirty();
    } else if (mStepMode == kStepStepped) {
        mClock->Sleep(static_cast<uint32_t>(FrameTime()));
        mLoopState = kStateFinished;
    }

    --mLoopDepth;
    return true;
}

void VornAppBase::AccumulateFractionTime()
{
    const uint32_t now = Now();
    if (mLastTime != 0)
        mTimeAcc = std::min(mTimeAcc + static_cast<uint32_t>(now - mLastTime), kMaxBacklogMs);
    mLastTime = now;
}

void VornAppBase::ResetFractionTime()
{
    mTimeAcc = 0.0;
    mLastTime = Now();
}

bool VornAppBase::Process(bool allowSleep)
{
    ShowPendingErrors();
    if (mShutdownRequested)
        Shutdown();

    const bool playing = mPlaying;
    const bool paced = !playing && mVSyncUpdates && !mNothingDrawn && !mVSyncBroken &&
                       (!mIsPhysWindowed || (mWaitForVSync && !mSoftVSyncWait));

    // An unknown refresh rate (0 or below) cannot pace anything: the frame
    // time does, one whole update per step.
    const int32_t frameTime = FrameTime();
    const bool refreshPaced = mVSyncUpdates && mRefreshRate > 0;
    const float fraction =
        refreshPaced ? static_cast<float>(1000.0 / (static_cast<double>(frameTime) * mRefreshRate)) : 1.0f;

    if (playing && RunFastForward(fraction))
        return true;

    // Stopped time (also a multiplier that is not a number), and a hold for
    // the screen saver, still end the step and yield the processor, so the
    // loop goes on pumping messages without spinning. While held the draw
    // step still looks for the player's return.
    const bool stopped = mPaused || !(mUpdateMultiplier > 0.0);
    if (stopped || mUpdatesHeld) {
        if (stopped)
            DeleteQueuedWidgets();
        else
            DrawDirty();
        mLoopState = kStateFinished;
        if (!allowSleep)
            return false;
        ++mSleepCount;
        mClock->Sleep(static_cast<uint32_t>(frameTime));
        return true;
    }

    const double step = (refreshPaced ? 1000.0 / mRefreshRate : frameTime) / mUpdateMultiplier;
    const uint32_t now = Now();
    uint32_t slept = 0;
    if (!paced)
        AccumulateFractionTime();

    bool drawOrSleep = false;
    if (mLoopState == kStateUpdate)
        drawOrSleep = !ProcessPendingUpdate(step, paced, now);
    else if (mLoopState == kStateFractionUpdate)
        ProcessFractionUpdates(step, fraction, paced);
    else
        drawOrSleep = true;

    if (drawOrSleep) {
        mLoopState = kStateFinished;
        mCatchUpCount = 0;
        if (mUpdateSinceDraw) {
            DrawDirty();
        } else {
            const double sleep = std::min(std::trunc(step - mTimeAcc), kMaxStepSleepMs);
            if (sleep > 0.0) {
                if (!allowSleep)
                    return false;
                ++mSleepCount;
                slept = ToSleepMilliseconds(sleep);
                mClock->Sleep(slept);
            }
        }
    }

    // While loading, the loading thread gets about twice the main thread's
    // working time.
    if (mLoadingThreadRunning) {
        const int64_t worked = static_cast<int64_t>(static_cast<uint32_t>(Now() - now)) - slept;
        const int64_t extra = std::min(2 * worked - slept, kMaxLoadingSleepMs);
        if (extra >= 0) {
            if (!allowSleep)
                return false;
            mClock->Sleep(static_cast<uint32_t>(extra));
        }
    }

    DeleteQueuedWidgets();
    return true;
}

bool VornAppBase::RunFastForward(float fraction)
{
    while (mUpdateCount < mFastForwardToUpdateNum || mHoldFastForward) {
        if (!mMutedForFastForward && !mFastForwardOneStep) {
            mMutedForFastForward = true;
            Mute(true);
        }
        if (!mFastForwardStarted) {
            mFastForwardStarted = true;
            mFastForwardStartTick = Now();
        }

        ResetFractionTime();
        const int32_t before = mUpdateCount;
        if (RunUpdateTick()) {
            mFractionalUpdateAcc += fraction - 1.0;
            DeleteQueuedWidgets();
            RunExtraUpdates(false);
            RunFractionUpdate(fraction);
            DeleteQueuedWidgets();
        }

        // Each return ends the step, so that the next one pumps messages and
        // replays the command the refused update waits for.
        if (mUpdateCount == before) {
            mLoopState = kStateFinished;
            return true;
        }
        if (FastForwardElapsed(Now(), mFastForwardStartTick) >= kFastForwardDrawMs || mFastForwardOneStep) {
            mFastForwardOneStep = false;
            mFastForwardStartTick = Now();
            DrawDirty();
            mLoopState = kStateFinished;
            return true;
        }
    }

    if (mMutedForFastForward) {
        mMutedForFastForward = false;
        if (mSoundManager)
            mSoundManager->StopAllSounds();
        Unmute(true);
    }
    return false;
}

bool VornAppBase::ProcessPendingUpdate(double step, bool paced, uint32_t now)
{
    // At a multiplier of 0.1 or below the limit would refuse even the step's
    // first update, and a slowed replay would stand still: one always runs.
    ++mCatchUpCount;
    if (mLoadingHandedOver && mCatchUpCount >= std::max(std::ceil(mUpdateMultiplier * 10.0), 2.0))
        return false;

    if (!paced) {
        if (mTimeAcc < step)
            return false;
    } else if (mUpdateSinceDraw && mTimeAcc < std::trunc(step * 0.75)) {
        return false;
    }

    if (!mPlaying && mUpdateMultiplier == 1.0)
        CheckUpdateSpeed(now);

    const bool ran = RunUpdateTick();
    if (ran)
        mLoopState = kStateFractionUpdate;
    mUpdateSinceDraw = true;
    // Before the hand-over no catch-up draw ends the step: a refused update
    // would leave the loop here, backlog full, never pumping messages.
    return ran || mLoadingHandedOver;
}

void VornAppBase::CheckUpdateSpeed(uint32_t now)
{
    const int64_t frameTime = FrameTime();
    const int64_t updatesPerSecond = (frameTime + 999) / frameTime;
    if (++mVSyncCheckUpdates < updatesPerSecond)
        return;
    // Unsigned: the first group counts from tick 0, which a signed
    // difference takes for the future once the clock passed 2^31 ms.
    if (now - mVSyncCheckTick <= static_cast<uint32_t>(kFastGroupMs)) {
        if (++mVSyncStrikes >= kStrikesToBreakVSync)
            mVSyncBroken = true;
    } else {
        mVSyncStrikes = 0;
    }
    mVSyncCheckTick = now;
    mVSyncCheckUpdates = 0;
}

void VornAppBase::ProcessFractionUpdates(double step, float fraction, bool paced)
{
    mLoopState = kStateFinished;
    mFractionalUpdateAcc += fraction - 1.0;
    DeleteQueuedWidgets();
    RunExtraUpdates(true);
    RunFractionUpdate(fraction);
    DeleteQueuedWidgets();

    mTimeAcc -= step;
    if (paced) {
        mTimeAcc -= 0.2;
        if (mTimeAcc < 0.0)
            mTimeAcc = 0.0;
    }
}

void VornAppBase::RunExtraUpdates(bool countCatchUp)
{
    while (mFractionalUpdateAcc >= 1.0) {
        ReplayDemoCommands();
        if (countCatchUp)
            ++mCatchUpCount;
        if (!RunUpdateTick())
            break;
        DeleteQueuedWidgets();
        mFractionalUpdateAcc -= 1.0;
    }
}

bool VornAppBase::RunUpdateTick()
{
    if (mUpdatesHeld)
        return false;

    if (!mPlaying) {
        if (mLoadingThreadFinished && !mLoadingHandedOver) {
            HandOverLoading();
            if (mRecording)
                RecordLoadingDone();
        }
    } else {
        if (mLoadingThreadFinished && !mLoadingHandedOver && mDemoLoadingDoneReplayed)
            HandOverLoading();
        // The real loading thread lags behind the recording or runs ahead.
        if (mLoadingHandedOver != mDemoLoadingDoneReplayed)
            return false;
        // The command recorded for this update must be replayed first.
        if (mUpdateCount == mDemoStream.GetLastCommandUpdate())
            return false;
    }

    RunOneUpdate();
    return true;
}

void VornAppBase::HandOverLoading()
{
    Platform::SetCurrentThreadPriority(Platform::kThreadPriorityNormal);
    mLoadingHandedOver = true;
    mLoadingThreadRunning = false;
    AllowScreenSaverWhenIdle();
    OnLoadingFinished();
}

void VornAppBase::RunOneUpdate()
{
    ++mUpdateCount;
    if (!mMinimized && mWidgetManager->UpdateTree())
        ++mDirtyUpdateCount;
    if (mMusicInterface)
        mMusicInterface->Update();
    FreeUnusedSharedImages();
}

void VornAppBase::RunFractionUpdate(float fraction)
{
    if (mVSyncUpdates && !mMinimized)
        mWidgetManager->UpdateTreeFraction(fraction);
}

void VornAppBase::QueueWidgetDeletion(Widget* widget)
{
    // Queued twice it would be deleted twice.
    if (!widget)
        return;
    for (const auto& entry : mDeferredDeleteQueue) {
        if (entry.second == widget)
            return;
    }
    mDeferredDeleteQueue.emplace_back(mLoopDepth, widget);
}

void VornAppBase::DeleteQueuedWidgets()
{
    // Taken out of the queue first: a widget's destructor may queue others,
    // which then wait for the next pass.
    std::list<std::pair<int32_t, Widget*>> due;
    for (auto it = mDeferredDeleteQueue.begin(); it != mDeferredDeleteQueue.end();) {
        const auto next = std::next(it);
        if (it->first >= mLoopDepth)
            due.splice(due.end(), mDeferredDeleteQueue, it);
        it = next;
    }
    for (const auto& [depth, widget] : due)
        delete widget;
}

} // namespace Vorn
