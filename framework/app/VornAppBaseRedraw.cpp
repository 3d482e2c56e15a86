// The draw step of the main loop: the dirty widgets drawn onto the screen
// image, presentation paced around the loading thread, and the repair of a
// display whose presentation failed.

#include "framework/app/VornAppBase.h"

#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>

namespace Vorn {

namespace {

// With nothing dirty a frame is still presented this often.
constexpr int32_t kIdleFrameMs = 1000;
// While loading, frames are spaced by the time the last one took (at least
// the first) plus the second, so that the loading thread gets time.
constexpr int32_t kLoadingMinDrawMs = 15;
constexpr int32_t kLoadingFrameGapMs = 35;
constexpr int32_t kInactiveRepairMs = 1000;

// Readings of the wrapping millisecond clock are compared by the sign of
// their difference.
int32_t Elapsed(uint32_t now, uint32_t then)
{
    return static_cast<int32_t>(now - then);
}

} // namespace

bool VornAppBase::DrawDirty()
{
    if (mRedrawFailed) {
        Redraw(nullptr);
        mUpdateSinceDraw = false;
        mNothingDrawn = true;
        return false;
    }
    const uint32_t now = Now();
    if (mUpdatesHeld) {
        mUpdateSinceDraw = false;
        mNothingDrawn = true;
        return false;
    }

    mIsDrawing = true;
    const bool drawn = mWidgetManager->DrawToScreen();
    mIsDrawing = false;
    const uint32_t drawEnd = Now();

    const bool due = drawn || Elapsed(now, mLastDrawTick) >= kIdleFrameMs || mForceRedraw;
    if (!due || Elapsed(now, mNextDrawTick.load()) < 0) {
        mUpdateSinceDraw = false;
        mNothingDrawn = true;
        return false;
    }
    ++mDrawCount;
    mNothingDrawn = false;
    mDrawTime += Elapsed(drawEnd, now);

    if (mWaitForVSync && mIsPhysWindowed && mSoftVSyncWait && mDDInterface) {
        const int32_t sinceLast = Elapsed(Now(), mLastDrawTick);
        if (sinceLast >= 0 && sinceLast < mDDInterface->mMillisecondsPerFrame)
            mClock->Sleep(static_cast<uint32_t>(mDDInterface->mMillisecondsPerFrame - sinceLast));
    }
    mLastDrawTick = Now();
    Redraw(nullptr);
    AccumulateFractionTime();
    const uint32_t presented = Now();
    mScreenBltTime = Elapsed(presented, mLastDrawTick);

    uint32_t next = presented;
    if (mLoadingThreadStarted && !mLoadingThreadFinished) {
        const uint32_t spaced =
            mNextDrawTick.load() + static_cast<uint32_t>(std::max(Elapsed(presented, now), kLoadingMinDrawMs) +
                                                         kLoadingFrameGapMs);
        if (Elapsed(spaced, presented) > 0)
            next = spaced;
    }
    mNextDrawTick = next;
    mUpdateSinceDraw = false;
    mForceRedraw = false;
    return true;
}

void VornAppBase::Redraw(const Rect* clip)
{
    if (mIsDrawing || mShutdown || mUpdatesHeld || !mDDInterface)
        return;
    if (mDDInterface->Redraw(clip)) {
        mRedrawFailed = false;
        ++mPresentCount;
        return;
    }
    mRedrawFailed = true;
    RepairDisplay();
}

void VornAppBase::RepairDisplay()
{
    if (!mMainWindow || mMainWindow->IsMinimized() || mMinimized)
        return;
    const uint32_t now = Now();
    if (!mActive && !(mIsPhysWindowed && Elapsed(now, mLastRepairTick) > kInactiveRepairMs))
        return;
    mLastRepairTick = now;

    if (mIsWindowed && !FitsDesktop()) {
        if (mFullScreenFailed) {
            ShowFatalError(GetString("PLEASE_SET_COLOR_DEPTH", "Please set your desktop color depth to 16 bit."));
            Shutdown();
        } else {
            mForceFullScreen = true;
            ChangeScreenModeKeep3D(false);
        }
        return;
    }
    switch (InitDisplay()) {
    case DDInterface::RESULT_OK:
        AdoptDisplay(true);
        break;
    case DDInterface::RESULT_INVALID_COLORDEPTH:
        if (mIsWindowed && mActive) {
            mForceFullScreen = true;
            ChangeScreenModeKeep3D(false);
        }
        break;
    case DDInterface::RESULT_UNKNOWN:
        ReinitDisplayFor3D(false, true);
        break;
    default:
        // Tried again at the next failed presentation.
        break;
    }
}

} // namespace Vorn
