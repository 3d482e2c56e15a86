#include "framework/app/VornAppBase.h"

#include "fakes/WindowedApp.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Testing::ScriptedClock;
using Testing::WindowedApp;

TEST(DrawDirty, PresentsWhatIsDueAndNothingElse)
{
    struct Case {
        const char* name;
        bool force;
        uint32_t sinceLastDraw;
        uint32_t nextAllowedIn;
        bool held;
        bool loading;
        bool presented;
        // After a presentation while loading, frames keep 15 + 35 ms apart.
        uint32_t nextAllowedAfter;
    };
    const Case cases[] = {
        {"nothing dirty", false, 999, 0, false, false, false, 0}, {"once a second", false, 1000, 0, false, false, true, 0},
        {"forced", true, 0, 0, false, false, true, 0},            {"too early", true, 0, 1, false, false, false, 1},
        {"held", true, 5000, 0, true, false, false, 0},           {"loading", true, 0, 0, false, true, true, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        WindowedApp app(clock);
        app.CreateMainWindow();
        app.mForceRedraw = c.force;
        app.mLastDrawTick = clock.Milliseconds() - c.sinceLastDraw;
        app.mNextDrawTick = clock.Milliseconds() + c.nextAllowedIn;
        app.mUpdatesHeld = c.held;
        // The screen-saver check has just run.
        app.mLastIdleCheckTick = clock.Milliseconds();
        app.mLoadingThreadStarted = c.loading;
        app.mHooks.clear();
        EXPECT_EQ(app.VornAppBase::DrawDirty(), c.presented);
        EXPECT_EQ(app.mHooks, c.presented ? std::vector<std::string>{"Redraw"} : std::vector<std::string>{});
        EXPECT_EQ(app.mNextDrawTick, clock.Milliseconds() + c.nextAllowedAfter);
        // No thread ever ran to be waited for.
        app.mLoadingThreadStarted = false;
    }
}

TEST(Redraw, AFailedPresentationReinitialisesOrSwitchesTheDisplay)
{
    struct Case {
        const char* name;
        bool minimized;
        bool fits;
        bool fullScreenFailed;
        int32_t result;
        std::vector<std::string> hooks;
    };
    const Case cases[] = {
        {"reinitialised", false, true, false, 0, {"InitDisplay"}}, {"minimized", true, true, false, 0, {}},
        {"still failing", false, true, false, 1, {"InitDisplay"}}, {"too big", false, false, false, 0, {"full screen"}},
        {"colour depth", false, true, false, 6, {"InitDisplay", "full screen"}},
        {"too big, no full screen", false, false, true, 0, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        WindowedApp app(clock);
        app.CreateMainWindow();
        app.mDDInterface->CleanUp();
        app.mMinimized = c.minimized;
        app.mFullScreenFailed = c.fullScreenFailed;
        if (!c.fits)
            app.mWindow->workArea = {0, 0, 640, 480};
        app.mDisplayResults = {c.result};
        app.mHooks.clear();
        app.VornAppBase::Redraw(nullptr);
        EXPECT_TRUE(app.mRedrawFailed);
        EXPECT_EQ(app.mHooks, c.hooks);
        EXPECT_EQ(app.mForceFullScreen, c.hooks.size() > 0 && c.hooks.back() == "full screen");
        EXPECT_EQ(app.mShutdown, c.fullScreenFailed);
    }
}

TEST(ScreenSaverIdle, HoldsOnceIdleBeyondTheSaversTimeoutAndLetsGoOnInput)
{
    struct Case {
        const char* name;
        std::optional<Platform::ScreenSaverSettings> saver;
        bool windowed;
        int32_t idleMs;
        bool heldBefore;
        bool heldAfter;
        bool markedDirty;
    };
    const Case cases[] = {
        // A 1-second timeout still gives a limit of 1000 ms.
        {"1 s: at the limit", Platform::ScreenSaverSettings{true, 1}, true, 1000, false, false, false},
        {"1 s: past the limit", Platform::ScreenSaverSettings{true, 1}, true, 1001, false, true, false},
        {"60 s: limit of 58 s", Platform::ScreenSaverSettings{true, 60}, true, 58001, false, true, false},
        {"input again", Platform::ScreenSaverSettings{true, 60}, true, 100, true, false, true},
        {"still idle", Platform::ScreenSaverSettings{true, 60}, true, 90000, true, true, false},
        {"no saver", Platform::ScreenSaverSettings{false, 0}, true, 90000, true, false, false},
        {"not told", std::nullopt, true, 90000, true, false, false},
        {"huge timeout", Platform::ScreenSaverSettings{true, 2000000000}, true, 90000, false, false, false},
        {"full screen", Platform::ScreenSaverSettings{true, 1}, false, 90000, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        WindowedApp app(clock);
        app.CreateMainWindow();
        app.mWindow->screenSaver = c.saver;
        app.mIsWindowed = c.windowed;
        app.mUpdatesHeld = c.heldBefore;
        app.mLastUserInputTick = clock.Milliseconds() - static_cast<uint32_t>(c.idleMs);
        app.mCalls.clear();
        app.CheckScreenSaverIdle(clock.Milliseconds());
        EXPECT_EQ(app.mUpdatesHeld, c.heldAfter);
        EXPECT_EQ(app.mCalls, c.markedDirty ? std::vector<std::string>{"0 dirty"} : std::vector<std::string>{});
    }
}

TEST(ScreenSaverIdle, InputBeforeTheFirstTimerCountsAsInputNow)
{
    ScriptedClock clock(500000);
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mIsWindowed = true;
    app.mWindow->screenSaver = Platform::ScreenSaverSettings{true, 60};
    app.Send({Platform::WM_MOUSEMOVE, 0, 0x00050005});
    app.DispatchAll();
    clock.Advance(30000);
    app.CheckScreenSaverIdle(clock.Milliseconds());
    EXPECT_FALSE(app.mUpdatesHeld);
    clock.Advance(28001);
    app.CheckScreenSaverIdle(clock.Milliseconds());
    EXPECT_TRUE(app.mUpdatesHeld);
}

} // namespace
