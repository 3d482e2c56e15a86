#include "framework/app/VornAppBase.h"

#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        bool presented;
    };
    const Case cases[] = {{"nothing dirty", false, 999, 0, false, false}, {"once a second", false, 1000, 0, false, true},
                          {"forced", true, 0, 0, false, true},         {"too early", true, 0, 1, false, false},
                          {"held", true, 5000, 0, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        WindowedApp app(clock);
        app.CreateMainWindow();
        app.mForceRedraw = c.force;
        app.mLastDrawTick = clock.Milliseconds() - c.sinceLastDraw;
        app.mNextDrawTick = clock.Milliseconds() + c.nextAllowedIn;
        app.mUpdatesHeld = c.held;
        app.mHooks.clear();
        EXPECT_EQ(app.VornAppBase::DrawDirty(), c.presented);
        EXPECT_EQ(app.mHooks, c.presented ? std::vector<std::string>{"Redraw"} : std::vector<std::string>{});
        EXPECT_EQ(app.mNothingDrawn, !c.presented);
        EXPECT_FALSE(app.mUpdateSinceDraw);
    }
}

TEST(DrawDirty, WhileLoadingSpacesFramesByTheDrawTimePlusAGap)
{
    for (const bool loading : {false, true}) {
        ScriptedClock clock;
        WindowedApp app(clock);
        app.CreateMainWindow();
        app.mLoadingThreadStarted = loading;
        app.mForceRedraw = true;
        app.mNextDrawTick = clock.Milliseconds();
        ASSERT_TRUE(app.VornAppBase::DrawDirty());
        EXPECT_EQ(app.mNextDrawTick, clock.Milliseconds() + (loading ? 15 + 35 : 0));
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
    const Case cases[] = {{"reinitialised", false, true, false, 0, {"InitDisplay"}},
                          {"minimized", true, true, false, 0, {}},
                          {"still failing", false, true, false, 1, {"InitDisplay"}},
                          {"colour depth", false, true, false, 6, {"InitDisplay", "full screen"}},
                          {"too big", false, false, false, 0, {"full screen"}},
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
        app.mCalls.clear();
        app.VornAppBase::Redraw(nullptr);
        EXPECT_TRUE(app.mRedrawFailed);
        EXPECT_EQ(app.mHooks, c.hooks);
        EXPECT_EQ(app.mForceFullScreen, c.hooks.size() > 0 && c.hooks.back() == "full screen");
        // Reinitialised: the widgets are marked dirty for the new screen.
        EXPECT_EQ(app.mCalls.size(), c.result == 0 && c.hooks.size() == 1 && c.fits ? 1u : 0u);
        EXPECT_EQ(app.mShutdown, c.fullScreenFailed);
    }
}

} // namespace
