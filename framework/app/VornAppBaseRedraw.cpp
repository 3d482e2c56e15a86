// The draw step of the main loop: the dirty widgets drawn onto the screen
// image with the developer overlays, presentation paced around the loading
// thread, and the repair of a display whose presentation failed.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cstdint>

namespace Vorn {

namespace {

// With nothing dirty a frame is still presented this often.
constexpr int32_t kIdleFrameMs = 1000;
// While loading, frames are spaced by the time the last one took (at least
// the first) plus the second, so that the loading thread gets time.
constexpr int32_t kLoadingMinDrawMs = 15;
constexpr int32_t kLoadingFrameGapMs = 35;
constexpr int32_t kInactiveRepairMs = 1000;
constexpr int32_t kFrameRatePeriodMs = 1000;
constexpr int32_t kIdleCheckMs = 1000;
constexpr int32_t kScreenSaverQueryMs = 10000;
constexpr int kOverlayWidth = 50;
constexpr int kOverlayMargin = 10;

int32_t Elapsed(uint32_t now, uint32_t then)
{
    return Platform::TicksBetween(then, now);
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
    if (mShowFPS && mDDInterface) {
        if (mShowFPSMode == 0)
            DrawFpsOverlay();
        else if (mShowFPSMode == 1)
            DrawMouseOverlay(mWidgetManager->mLastMouseX, mWidgetManager->mLastMouseY);
        if (mPlaying)
            DrawDemoTimeOverlay();
    }
    const uint32_t now = Now();
    if (Elapsed(now, mLastIdleCheckTick) > kIdleCheckMs) {
        mLastIdleCheckTick = now;
        CheckScreenSaverIdle(now);
    }
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

    if (mShowFPS && mOverlayImage) {
        Graphics g(mDDInterface->GetScreenImage());
        const int overlayHeight = mOverlayImage->mHeight;
        g.DrawImage(mOverlayImage.get(), mWidth - kOverlayWidth - kOverlayMargin,
            mHeight - overlayHeight - kOverlayMargin);
        if (mPlaying && mDemoTimeImage)
            g.DrawImage(mDemoTimeImage.get(), mWidth - kOverlayWidth - kOverlayMargin,
                mHeight - overlayHeight - mDemoTimeImage->mHeight - 15);
    }

    if (mWaitForVSync && mIsPhysWindowed && mSoftVSyncWait && mDDInterface) {
        const int32_t sinceLast = Elapsed(Now(), mLastDrawTick);
        if (sinceLast >= 0 && sinceLast < mDDInterface->mMillisecondsPerFrame)
            mClock->Sleep(static_cast<uint32_t>(mDDInterface->mMillisecondsPerFrame - sinceLast));
    }
    mLastDrawTick = Now();
    // Only what the widgets drew changed on the screen image since the last
    // frame shown (frames drawn while pacing held them back included),
    // unless the overlays were laid on it or a whole frame is due.
    const bool part = drawn && !mForceRedraw && !(mShowFPS && mOverlayImage);
    Redraw(part ? &mWidgetManager->mDrawnArea : nullptr);
    mWidgetManager->mDrawnArea = Rect();
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

DDImage* VornAppBase::OverlayImage(std::unique_ptr<DDImage>& image)
{
    if (!mOverlayFont)
        mOverlayFont = std::make_unique<SysFont>("Tahoma", 8, false, false, false);
    if (!image) {
        image = std::make_unique<DDImage>(mDDInterface.get());
        // Drawn in its bits: marking them changed after each redraw drops the
        // surface unread, and with it anything drawn there.
        image->mDrawToBits = true;
        image->Create(kOverlayWidth, mOverlayFont->GetHeight() + 4);
    }
    return image.get();
}

void VornAppBase::WriteOverlay(DDImage* image, const std::string& text)
{
    Graphics g(image);
    g.SetColor(Color(0, 0, 0));
    g.FillRect(0, 0, image->mWidth, image->mHeight);
    g.SetColor(Color(255, 255, 255));
    g.SetFont(mOverlayFont.get());
    g.DrawString(text, 2, mOverlayFont->GetAscent());
    image->MarkBitsChanged();
}

void VornAppBase::DrawFpsOverlay()
{
    DDImage* image = OverlayImage(mOverlayImage);
    ++mOverlayFrames;
    const uint32_t now = Now();
    if (!mOverlayTimerRunning) {
        mOverlayTimerRunning = true;
        mOverlayTimerStart = now;
    }
    const int32_t elapsed = Elapsed(now, mOverlayTimerStart);
    if (elapsed >= kFrameRatePeriodMs || mForceFrameRate) {
        if (!mForceFrameRate)
            mOverlayFrameRate = static_cast<int32_t>(int64_t{mOverlayFrames} * 1000 / elapsed);
        mForceFrameRate = false;
        mOverlayTimerStart = now;
        mOverlayFrames = 0;
    }
    WriteOverlay(image, FormatString("FPS: %d", mOverlayFrameRate));
}

void VornAppBase::DrawMouseOverlay(int x, int y)
{
    WriteOverlay(OverlayImage(mOverlayImage), FormatString("%d,%d", x, y));
}

void VornAppBase::DrawDemoTimeOverlay()
{
    const uint32_t now = Now();
    // A stopped replay (multiplier 0) keeps the time it showed last.
    if (mDemoTimeDrawn &&
        (mUpdateMultiplier <= 0.0 || Elapsed(now, mDemoTimeDrawnTick) < 1000.0 / mUpdateMultiplier))
        return;
    mDemoTimeDrawn = true;
    mDemoTimeDrawnTick = now;
    // Past the recorded end the time left is 0, not negative.
    const int64_t updatesLeft = std::max<int64_t>(int64_t{mDemoLength} - mUpdateCount, 0);
    const int64_t seconds = int64_t{FrameTime()} * updatesLeft / 1000;
    WriteOverlay(OverlayImage(mDemoTimeImage),
        FormatString("%02d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)));
}

void VornAppBase::CheckScreenSaverIdle(uint32_t now)
{
    if (mIsScreenSaver || !mIsWindowed)
        return;
    if (!mScreenSaverQueried || Elapsed(now, mScreenSaverQueryTick) >= kScreenSaverQueryMs) {
        mScreenSaverQueried = true;
        mScreenSaverQueryTick = now;
        const std::optional<Platform::ScreenSaverSettings> settings =
            mMainWindow ? mMainWindow->ScreenSaver() : std::nullopt;
        mScreenSaverActive = settings && settings->active;
        if (mScreenSaverActive)
            mIdleLimitMs = static_cast<int32_t>(
                std::min<int64_t>(int64_t{std::max(settings->timeoutSeconds - 2, 1)} * 1000, INT32_MAX));
        else
            mUpdatesHeld = false;
    }
    if (!mScreenSaverActive)
        return;
    // The desktop says neither when it last saw input nor whether its saver
    // runs: the input the window last received stands for both.
    if (mInputSeen)
        mLastUserInputTick = Elapsed(now, mLastInputSeenTick) < 0 ? now : mLastInputSeenTick;
    const int32_t idle = Elapsed(now, mLastUserInputTick);
    if (!mUpdatesHeld) {
        mUpdatesHeld = idle > mIdleLimitMs;
    } else if (idle < mIdleLimitMs) {
        mUpdatesHeld = false;
        mWidgetManager->MarkAllDirty();
    }
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
