#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Testing::ScriptedClock;
using Testing::WindowedApp;

int Count(const std::vector<std::string>& log, const std::string& entry)
{
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

struct DrawCase {
    const char* name;
    bool force;
    int32_t sinceLastDraw;
    int32_t nextAllowedIn;
    bool held;
    bool presented;
};

void PrintTo(const DrawCase& c, std::ostream* os)
{
    *os << c.name;
}

class DrawDirtyTest : public ::testing::TestWithParam<DrawCase> {};

TEST_P(DrawDirtyTest, PresentsWhatIsDueAndNothingElse)
{
    const DrawCase& c = GetParam();
    ScriptedClock clock;
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mForceRedraw = c.force;
    app.mLastDrawTick = clock.Milliseconds() - static_cast<uint32_t>(c.sinceLastDraw);
    app.mNextDrawTick = clock.Milliseconds() + static_cast<uint32_t>(c.nextAllowedIn);
    app.mUpdatesHeld = c.held;
    app.mUpdateSinceDraw = true;
    app.mHooks.clear();

    EXPECT_EQ(app.VornAppBase::DrawDirty(), c.presented);
    EXPECT_EQ(Count(app.mHooks, "Redraw"), c.presented ? 1 : 0);
    EXPECT_EQ(app.mDrawCount, c.presented ? 1 : 0);
    EXPECT_EQ(app.mNothingDrawn, !c.presented);
    EXPECT_FALSE(app.mUpdateSinceDraw);
    EXPECT_FALSE(app.mForceRedraw && c.presented);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, DrawDirtyTest,
    ::testing::Values(DrawCase{"NothingDirty", false, 999, 0, false, false},
                      DrawCase{"OncePerSecond", false, 1000, 0, false, true},
                      DrawCase{"Forced", true, 0, 0, false, true},
                      DrawCase{"BeforeTheNextAllowedTime", true, 0, 1, false, false},
                      DrawCase{"Held", true, 5000, 0, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawDirty, WhileLoadingSpacesFramesByTheDrawTimePlusAGap)
{
    for (const bool loading : {false, true}) {
        SCOPED_TRACE(loading);
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

struct RepairCase {
    const char* name;
    bool minimized;
    bool active;
    bool fitsDesktop;
    bool fullScreenFailed;
    int32_t result;
    std::vector<std::string> hooks;
    bool forced;
};

void PrintTo(const RepairCase& c, std::ostream* os)
{
    *os << c.name;
}

class RepairTest : public ::testing::TestWithParam<RepairCase> {};

TEST_P(RepairTest, AFailedPresentationReinitialisesOrSwitchesTheDisplay)
{
    const RepairCase& c = GetParam();
    ScriptedClock clock;
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mDDInterface->CleanUp();
    app.mMinimized = c.minimized;
    app.mActive = c.active;
    app.mFullScreenFailed = c.fullScreenFailed;
    if (!c.fitsDesktop)
        app.mWindow->workArea = {0, 0, 640, 480};
    app.mDisplayResults = {c.result};
    app.mHooks.clear();
    app.mCalls.clear();

    app.VornAppBase::Redraw(nullptr);
    EXPECT_TRUE(app.mRedrawFailed);
    EXPECT_EQ(app.mHooks, c.hooks);
    EXPECT_EQ(app.mForceFullScreen, c.forced);
    EXPECT_EQ(Count(app.mCalls, "0 dirty"), c.hooks == std::vector<std::string>{"InitDisplay"} && c.result == 0);
    EXPECT_EQ(app.mShutdown, c.fullScreenFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, RepairTest,
    ::testing::Values(RepairCase{"Reinitialised", false, true, true, false, 0, {"InitDisplay"}, false},
                      RepairCase{"Minimized", true, true, true, false, 0, {}, false},
                      RepairCase{"InactiveInAWindowOnceASecond", false, false, true, false, 0, {"InitDisplay"}, false},
                      RepairCase{"StillFailing", false, true, true, false, 1, {"InitDisplay"}, false},
                      RepairCase{"ColourDepth", false, true, true, false, 6, {"InitDisplay", "full screen"}, true},
                      RepairCase{"TooBigForTheDesktop", false, true, false, false, 0, {"full screen"}, true},
                      RepairCase{"TooBigAndNoFullScreen", false, true, false, true, 0, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
