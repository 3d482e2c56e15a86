#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using Testing::ScriptedClock;
using Testing::WindowedApp;
using R = Vorn::DDInterface::Result;

TEST(ChangeScreenMode, AForcedFullScreenRefusesAWindowAndShowsWithoutTakingTheFocusFromABrowser)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.mRealScreenModes = true;
    app.CreateMainWindow();
    app.mForceFullScreen = true;
    app.mIsOpeningURL = true;
    app.ChangeScreenModeKeep3D(true);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_THAT(app.mWindow->Calls(), ::testing::Contains("Create 800x600 FullScreen"));
    EXPECT_EQ(app.mWindow->Calls().back(), "Show");
}

TEST(ChangeScreenMode, TheCurrentModeOnlyChanges3DAndA3DFailureComesBackIn2D)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mDisplayResults = {R::RESULT_UNKNOWN, R::RESULT_OK};
    app.ChangeScreenMode(true, true, false);
    EXPECT_FALSE(app.mDDInterface->mIs3D);
    EXPECT_TRUE(app.mTestedHardwareAcceleration);
    EXPECT_EQ(std::count(app.mHooks.begin(), app.mHooks.end(), "InitDisplay"), 3);
    EXPECT_EQ(std::count(app.mWindow->Calls().begin(), app.mWindow->Calls().end(), "Destroy"), 0);
}

TEST(ReinitDisplayFor3D, A2DDisplayThatFailsEndsTheProgram)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mDisplayResults = {R::RESULT_SURFACE_FAIL};
    EXPECT_EXIT(app.ReinitDisplayFor3D(false, true), ::testing::ExitedWithCode(1),
                "fatal Failed to initialize DirectDraw: RESULT_SURFACE_FAIL");
}

} // namespace
