#include "framework/app/VornAppBase.h"

#include "fakes/FixedFont.h"
#include "fakes/ScriptedClock.h"
#include "fakes/SurfaceDisplayApp.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Testing::ScriptedClock;
using Vorn::VornAppBase;

// Draws what the test says it drew, taking the time the test says.
class ScriptedDrawing : public Vorn::WidgetManager {
public:
    using WidgetManager::WidgetManager;
    bool DrawToScreen() override
    {
        ++mDraws;
        if (mOnDraw)
            mOnDraw();
        return mDrawn;
    }
    bool mDrawn = false;
    int mDraws = 0;
    std::function<void()> mOnDraw;
};

// The application's own draw step, with a presentation that takes the time
// the test says and only writes itself down.
class RedrawApp : public Testing::WindowedApp {
public:
    explicit RedrawApp(ScriptedClock& clock) : WindowedApp(clock)
    {
        auto manager = std::make_unique<ScriptedDrawing>(this);
        mDrawing = manager.get();
        mWidgetManager = std::move(manager);
        CreateMainWindow();
        mLastDrawTick = clock.Milliseconds();
        mNextDrawTick = clock.Milliseconds();
        mLastIdleCheckTick = clock.Milliseconds();
        mHooks.clear();
    }
    bool DrawDirty() override { return VornAppBase::DrawDirty(); }
    void Redraw(const Vorn::Rect*) override
    {
        mHooks.push_back("Redraw");
        mTestClock.Advance(mPresentMs);
    }

    ScriptedDrawing* mDrawing = nullptr;
    uint32_t mPresentMs = 0;
};

// A frame is presented when something was drawn, a second has passed since
// the last one, or a redraw is forced; never before the next allowed time.
TEST(DrawDirty, PresentsWhatWasDrawnAnIdleFrameEachSecondAndForcedFrames)
{
    const struct { bool drawn; uint32_t sinceLast; bool forced; int32_t untilAllowed; bool presented; } cases[] = {
        {true, 0, false, 0, true}, {false, 999, false, 0, false}, {false, 1000, false, 0, true},
        {false, 10, true, 0, true}, {true, 0, false, 1, false}, {true, 5000, true, 1, false}, {true, 0, false, -1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.drawn << " " << c.sinceLast << " " << c.forced << " " << c.untilAllowed);
        ScriptedClock clock;
        RedrawApp app(clock);
        clock.Advance(c.sinceLast);
        app.mNextDrawTick = clock.Milliseconds() + static_cast<uint32_t>(c.untilAllowed);
        app.mDrawing->mDrawn = c.drawn;
        app.mForceRedraw = c.forced;
        app.mUpdateSinceDraw = true;
        app.mNothingDrawn = !c.presented;
        EXPECT_EQ(app.DrawDirty(), c.presented);
        EXPECT_EQ(app.mDrawing->mDraws, 1);
        EXPECT_EQ(app.mHooks, c.presented ? std::vector<std::string>{"Redraw"} : std::vector<std::string>{});
        EXPECT_EQ(app.mDrawCount, c.presented ? 1 : 0);
        EXPECT_EQ(app.mNothingDrawn, !c.presented);
        EXPECT_FALSE(app.mUpdateSinceDraw);
        EXPECT_EQ(app.mForceRedraw, c.forced && !c.presented);
        EXPECT_FALSE(app.mIsDrawing);
    }
}

// What a presented frame adds up: the drawing time to the draw time, the
// presentation's to the screen-blit time, the time since the last
// accumulation to the backlog; the last draw time is the presentation's
// start.
TEST(DrawDirty, CountsTheDrawingAndPresentationTimesAndFeedsTheBacklog)
{
    ScriptedClock clock;
    RedrawApp app(clock);
    app.mDrawing->mDrawn = true;
    app.mDrawing->mOnDraw = [&] { clock.Advance(7); };
    app.mPresentMs = 3;
    app.mDrawTime = 100;
    app.mLastTime = clock.Milliseconds() - 4;
    app.mTimeAcc = 1.0;
    const uint32_t start = clock.Milliseconds();
    ASSERT_TRUE(app.DrawDirty());
    EXPECT_EQ(app.mDrawTime, 107);
    EXPECT_EQ(app.mScreenBltTime, 3);
    EXPECT_EQ(app.mLastDrawTick, start + 7);
    EXPECT_EQ(app.mTimeAcc, 1.0 + 4 + 10);
    EXPECT_EQ(app.mNextDrawTick, start + 10);
}

// While the loading thread runs, the next frame waits the time of this draw
// step (at least 15 ms) plus 35 ms after the last allowed time, unless that
// lies in the past already.
TEST(DrawDirty, WhileLoadingFramesAreSpacedByTheDrawingTimeAnd35Milliseconds)
{
    const struct { bool loading; uint32_t drawMs, presentMs; int32_t allowedBefore; int32_t next; } cases[] = {
        {true, 5, 0, 0, 50}, {true, 20, 10, 0, 65}, {true, 5, 0, -30, 20}, {true, 5, 0, -46, 5},
        {true, 40, 0, -200, 40}, {false, 5, 2, 0, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.loading << " " << c.drawMs << " " << c.allowedBefore);
        ScriptedClock clock;
        RedrawApp app(clock);
        app.mLoadingThreadStarted = c.loading;
        app.mDrawing->mDrawn = true;
        app.mDrawing->mOnDraw = [&] { clock.Advance(c.drawMs); };
        app.mPresentMs = c.presentMs;
        const uint32_t start = clock.Milliseconds();
        app.mNextDrawTick = start + static_cast<uint32_t>(c.allowedBefore);
        const bool presented = app.DrawDirty();
        // No loading thread runs for the application to wait for.
        app.mLoadingThreadStarted = false;
        ASSERT_TRUE(presented);
        EXPECT_EQ(static_cast<int32_t>(app.mNextDrawTick - start), c.next);
    }
}

// Waiting for the vertical blank in a window: the rest of the refresh
// period since the last frame is slept before presenting.
TEST(DrawDirty, InAWindowWaitingForTheBlankSleepsTheRestOfTheRefreshPeriod)
{
    const struct { bool wait, windowed, soft; uint32_t sinceLast; std::vector<uint32_t> sleeps; } cases[] = {
        {true, true, true, 10, {6}}, {true, true, true, 1, {15}}, {true, true, true, 16, {}}, {true, true, false, 10, {}},
        {true, false, true, 10, {}}, {false, true, true, 10, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.wait << c.windowed << c.soft << " " << c.sinceLast);
        ScriptedClock clock;
        RedrawApp app(clock);
        app.mDDInterface->mMillisecondsPerFrame = 16;
        app.mWaitForVSync = c.wait;
        app.mIsPhysWindowed = c.windowed;
        app.mSoftVSyncWait = c.soft;
        app.mDrawing->mDrawn = true;
        clock.Advance(c.sinceLast);
        app.mNextDrawTick = clock.Milliseconds();
        ASSERT_TRUE(app.DrawDirty());
        EXPECT_EQ(clock.Sleeps(), c.sleeps);
    }
}

// Held for the screen saver nothing is drawn and nothing presented, but the
// idle check still runs once a second and lets go at the player's return.
TEST(DrawDirty, HeldItDrawsNothingButStillLooksForThePlayerOncePerSecond)
{
    ScriptedClock clock;
    RedrawApp app(clock);
    app.mIsWindowed = true;
    app.mWindow->screenSaver = Platform::ScreenSaverSettings{true, 60};
    app.mUpdatesHeld = true;
    app.mUpdateSinceDraw = true;
    app.mDrawing->mDrawn = true;
    app.mLastUserInputTick = clock.Milliseconds() - 90000;
    clock.Advance(1000);
    EXPECT_FALSE(app.DrawDirty());
    EXPECT_TRUE(app.mUpdatesHeld && app.mNothingDrawn && !app.mUpdateSinceDraw);
    EXPECT_EQ(app.mDrawing->mDraws, 0);
    EXPECT_TRUE(app.mHooks.empty());
    app.mLastUserInputTick = clock.Milliseconds();
    EXPECT_FALSE(app.DrawDirty());
    EXPECT_TRUE(app.mUpdatesHeld);
    clock.Advance(1);
    EXPECT_TRUE(app.DrawDirty());
    EXPECT_FALSE(app.mUpdatesHeld);
    EXPECT_EQ(app.mLastIdleCheckTick, clock.Milliseconds());
}

// After a failed presentation the draw step only presents again.
TEST(DrawDirty, AfterAFailedPresentationItOnlyPresentsAgain)
{
    ScriptedClock clock;
    RedrawApp app(clock);
    app.mRedrawFailed = true;
    app.mDrawing->mDrawn = true;
    app.mUpdateSinceDraw = true;
    EXPECT_FALSE(app.DrawDirty());
    EXPECT_EQ(app.mHooks, std::vector<std::string>{"Redraw"});
    EXPECT_TRUE(app.mNothingDrawn && !app.mUpdateSinceDraw && app.mDrawing->mDraws == 0 && app.mDrawCount == 0);
}

// The overlays sit 10 pixels in from the screen's right and bottom edges,
// the demo time above the frame rate with 15 pixels between their edges:
// on an 800 x 600 screen with a 14-pixel font (images 50 x 18) at (740, 572)
// and (740, 549).
TEST(DrawDirty, OverlaysSitInTheBottomRightCorner)
{
    for (const bool playing : {false, true})
        for (const int32_t mode : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << playing << mode);
            ScriptedClock clock;
            RedrawApp app(clock);
            app.mOverlayFont = std::make_unique<Testing::FixedFont>();
            app.mShowFPS = true;
            app.mShowFPSMode = mode;
            app.mPlaying = playing;
            app.mDemoLength = 1000;
            app.mDrawing->mDrawn = true;
            Platform::Surface& screen = *app.mDDInterface->mDrawSurface;
            const std::vector<uint32_t> white(800 * 600, 0xFFFFFF);
            Testing::SurfacePixels(screen, white);
            ASSERT_TRUE(app.DrawDirty());
            const std::vector<uint32_t> shown = Testing::SurfacePixels(screen);
            std::vector<uint32_t> expected = white;
            const auto overlay = [&](int left, int top) {
                for (int y = top; y < top + 18; ++y)
                    for (int x = left; x < left + 50; ++x)
                        expected[static_cast<size_t>(y * 800 + x)] = 0xFF000000;
            };
            overlay(740, 572);
            if (playing)
                overlay(740, 549);
            for (size_t i = 0; i < shown.size(); ++i)
                ASSERT_EQ(shown[i] & 0xFFFFFF, expected[i] & 0xFFFFFF) << i % 800 << "," << i / 800;
        }
}

} // namespace
