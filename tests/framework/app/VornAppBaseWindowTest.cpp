#include "framework/app/VornAppBase.h"

#include "fakes/FixedFont.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Platform;
using Testing::ScriptedClock;
using Testing::WindowedApp;
using ::testing::Contains;
using ::testing::ElementsAre;
using C = Vorn::DemoCommand;
using R = Vorn::DDInterface::Result;
using Platform::SystemCursorShape;

// After a colour-depth failure full screen is forced; a refused full screen
// comes back windowed; a 3D failure comes back in 2D, and keeps its timer.
TEST(CreateMainWindow, ADisplayFailureSwitchesModeOr3DAndKeepsTheTimer)
{
    const std::tuple<bool, bool, int32_t, const char*, bool> cases[] = {
        {true, false, R::RESULT_INVALID_COLORDEPTH, "full screen", false},
        {false, false, R::RESULT_EXCLUSIVE_FAIL, "windowed", true}, {true, true, R::RESULT_UNKNOWN, nullptr, true},
        {true, true, R::RESULT_SURFACE_FAIL, nullptr, true}};
    for (const auto& [windowed, is3D, result, switchedTo, timer] : cases) {
        SCOPED_TRACE(result);
        ScriptedClock clock;
        WindowedApp app(clock);
        app.mIsWindowed = windowed;
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        app.mDDInterface->mIs3D = is3D;
        app.mDisplayResults = {result, R::RESULT_OK};
        app.CreateMainWindow();
        if (switchedTo) {
            EXPECT_THAT(app.mHooks, Contains(switchedTo));
        } else {
            EXPECT_FALSE(app.mDDInterface->mIs3D);
        }
        EXPECT_EQ(app.mForceFullScreen, result == R::RESULT_INVALID_COLORDEPTH);
        EXPECT_EQ(app.mFullScreenFailed, !windowed);
        EXPECT_EQ(app.mWindow->Timers().size(), timer ? 1u : 0u);
    }
}

TEST(CreateMainWindow, AFatalDisplayFailureEndsTheProgramWithItsText)
{
    const std::tuple<int32_t, bool, const char*, const char*> cases[] = {
        {6, true, "", "fatal Please set your desktop color depth to 16 bit\\."},
        {0, false, "no desktop", "fatal Failed to initialize DirectDraw: RESULT_FAIL no desktop"}};
    for (const auto& [result, fullScreenFailed, createError, text] : cases) {
        ScriptedClock clock;
        WindowedApp app(clock);
        app.mFullScreenFailed = fullScreenFailed;
        app.mCreateError = createError;
        app.mDisplayResults = {result};
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        EXPECT_EXIT(app.CreateMainWindow(), ::testing::ExitedWithCode(1), text);
    }
}

// The window procedure: what each message leaves in the queue, and which
// hooks it calls on the way.
struct Procedure {
    const char* name;
    std::vector<MessageRecord> messages;
    std::vector<uint32_t> queued;
    std::vector<std::string> hooks;
    bool playing = false;
    bool messageBox = false;
};

class WindowProcedure : public ::testing::TestWithParam<Procedure> {};

TEST_P(WindowProcedure, HandlesAtOnceOrQueues)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    if (GetParam().playing)
        app.SetDemoMode(Vorn::DemoMode::Playing);
    app.CreateMainWindow();
    app.mInitialized = true;
    app.mRunning = true;
    app.mMessageBoxPopup = GetParam().messageBox;
    app.mPreviewedKey = 'P';
    app.mNotifyMessage = RegisterMessage("ZarquelNotify");
    app.mHooks.clear();
    for (const MessageRecord& message : GetParam().messages)
        app.Send(message);
    // What the procedure posted arrives with the next pump.
    app.mWindow->PumpMessages();
    std::vector<uint32_t> queued;
    for (const auto& record : app.mDeferredMessages)
        queued.push_back(record.message.message);
    EXPECT_EQ(queued, GetParam().queued);
    EXPECT_EQ(app.mHooks, GetParam().hooks);
}

const uint32_t kNotify = RegisterMessage("ZarquelNotify");

INSTANTIATE_TEST_SUITE_P(
    Messages, WindowProcedure,
    ::testing::Values(
        Procedure{"state and input",
                  {{WM_MOVE, 0, 0}, {WM_SIZE, 1, 0}, {WM_ACTIVATEAPP, 1, 0}, {WM_CHAR, 'a', 0},
                   {WM_MOUSEMOVE, 0, 0}, {WM_MBUTTONUP, 0, 0}, {WM_MOUSEWHEEL, 0, 0}},
                  {WM_MOVE, WM_SIZE, WM_ACTIVATEAPP, WM_CHAR, WM_MOUSEMOVE, WM_MBUTTONUP, WM_MOUSEWHEEL},
                  {}},
        Procedure{"handled at once",
                  {{WM_PAINT, 0, 0}, {WM_SETCURSOR, 0, 0}, {WM_SYSCHAR, 'x', 0}, {WM_MBUTTONDBLCLK, 0, 0},
                   {WM_MOUSELEAVE, 0, 0}},
                  {},
                  {"Redraw", "ApplyCursor", "UsesAltKey 120"}},
        Procedure{"timers and display changes coalesce",
                  {{WM_TIMER, 100, 0}, {WM_TIMER, 100, 0}, {WM_DISPLAYCHANGE, 0, 0}, {WM_KEYUP, 'A', 0},
                   {WM_TIMER, 100, 0}, {WM_SYSCOLORCHANGE, 0, 0}},
                  {WM_TIMER, WM_DISPLAYCHANGE, WM_KEYUP, WM_TIMER},
                  {}},
        Procedure{"nothing after a close",
                  {{WM_CLOSE, 0, 0}, {WM_KEYUP, 'A', 0}, {WM_CLOSE, 0, 0}},
                  {WM_CLOSE},
                  {"CloseRequest", "CloseRequest"}},
        Procedure{"Alt+Enter", {{WM_SYSKEYDOWN, VK_RETURN, 0}}, {WM_SYSKEYDOWN}, {"PreviewKeyDown 13"}},
        Procedure{"Alt+F4 also closes",
                  {{WM_SYSKEYDOWN, VK_F4, 0}},
                  {WM_SYSKEYDOWN, WM_CLOSE},
                  {"PreviewKeyDown 115", "CloseRequest"}},
        Procedure{"the preview swallows with Ctrl and Alt held",
                  {{WM_KEYDOWN, VK_CONTROL, 0}, {WM_SYSKEYDOWN, VK_MENU, 0}, {WM_SYSKEYDOWN, 'P', 0}},
                  {WM_KEYDOWN, WM_SYSKEYDOWN},
                  {"PreviewKeyDown 17 ctrl", "PreviewKeyDown 18 ctrl alt", "PreviewKeyDown 80 ctrl alt"}},
        Procedure{"message box up", {{WM_KEYDOWN, 'A', 0}, {WM_CLOSE, 0, 0}}, {}, {}, false, true},
        Procedure{"playback keys", {{WM_KEYDOWN, VK_F1, 0}, {WM_CHAR, '+', 0}}, {WM_KEYDOWN, WM_CHAR},
                  {"PreviewKeyDown 112", "HandleDebugKey 112"}, true},
        Procedure{"a second copy knocks", {{kNotify, 0, 0}}, {}, {}}));

TEST(ApplyCursor, ShowsTheCursorOfItsNumber)
{
    struct Case {
        int number;
        bool inside;
        bool shown;
        int hand; // 1 pointing, 2 open, else the system's cursor of the shape
        SystemCursorShape shape;
    };
    using enum SystemCursorShape;
    const Case cases[] = {{0, true, true, 0, Arrow}, {1, true, true, 1, {}},     {2, true, true, 2, {}},
                          {3, true, true, 0, IBeam}, {10, true, true, 0, Wait},  {11, true, false, 0, {}},
                          {12, true, false, 0, {}},  {13, true, true, 0, Arrow}, {-1, true, true, 0, Arrow},
                          {11, false, true, 0, Arrow}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        Testing::ScriptedClock clock;
        Testing::WindowedApp app(clock);
        app.Init();
        app.mMouseIn = c.inside;
        app.mCursorNum = c.number;
        app.VornAppBase::ApplyCursor();
        EXPECT_EQ(app.mWindow->CursorShown(), c.shown);
        const Platform::Cursor* current = app.mWindow->CurrentCursor();
        if (c.hand != 0) {
            EXPECT_EQ(current, c.hand == 1 ? app.mHandCursor.get() : app.mDraggingCursor.get());
        } else if (c.shown) {
            EXPECT_EQ(dynamic_cast<const Testing::FakeCursor&>(*current).shape, c.shape);
        }
    }
}

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

// Under a window manager that frames the window (2 pixels a side, a 40-pixel
// title bar), the outer window's place is stored and the window is made
// there: it comes back where it was, at every start and every Alt+Enter
// round trip.
TEST(CreateMainWindow, AFramedWindowComesBackWhereItWas)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.mRealScreenModes = true;
    app.mWindowFrame = {2, 40, 2, 2};
    app.mWorkArea = {0, 0, 1280, 1000};
    app.mPreferredX = 100;
    app.mPreferredY = 100;
    app.CreateMainWindow();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(app.mWindow->position, (Platform::Point{102, 140}));
        app.Send({WM_MOVE, 0, 0});
        app.DispatchAll();
        EXPECT_EQ(app.mPreferredX * 1000 + app.mPreferredY, 100100);
        app.ChangeScreenModeKeep3D(false);
        app.ChangeScreenModeKeep3D(true);
    }
    // Held 4 pixels inside the work area by the outer window's edge.
    app.mPreferredX = 5000;
    app.mPreferredY = 5000;
    app.CreateMainWindow();
    EXPECT_EQ(app.mWindow->position, (Platform::Point{1280 - 4 - 804 + 2, 1000 - 4 - 642 + 40}));
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
        {"no saver", Platform::ScreenSaverSettings{false, 0}, true, 90000, true, false, false},
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

// The desktop's saver runs where the program holds for it: in a window once
// loading was handed over; before that, and in full screen, it does not.
TEST(ScreenSaverIdle, TheDesktopsSaverMayRunInAWindowAfterTheLoadingHandOver)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.mRealScreenModes = true;
    app.CreateMainWindow();
    EXPECT_FALSE(app.mWindow->screenSaverAllowed);
    app.mLoadingThreadStarted = true;
    app.mLoadingThreadFinished = true;
    ASSERT_TRUE(app.RunUpdateTick());
    EXPECT_TRUE(app.mWindow->screenSaverAllowed);
    app.ChangeScreenModeKeep3D(false);
    EXPECT_FALSE(app.mWindow->screenSaverAllowed);
    app.ChangeScreenModeKeep3D(true);
    EXPECT_TRUE(app.mWindow->screenSaverAllowed);
}

TEST(ScreenSaverIdle, InputBeforeTheFirstTimerCountsAsInputNow)
{
    ScriptedClock clock(500000);
    WindowedApp app(clock);
    app.CreateMainWindow();
    app.mIsWindowed = true;
    app.mWindow->screenSaver = ScreenSaverSettings{true, 60};
    app.Send({WM_MOUSEMOVE, 0, 0x00050005});
    app.DispatchAll();
    clock.Advance(58000);
    app.CheckScreenSaverIdle(clock.Milliseconds());
    EXPECT_FALSE(app.mUpdatesHeld);
    clock.Advance(1);
    app.CheckScreenSaverIdle(clock.Milliseconds());
    EXPECT_TRUE(app.mUpdatesHeld);
}

TEST(Overlays, ShowTheFrameRateAndTheDemoTimeLeft)
{
    ScriptedClock clock;
    WindowedApp app(clock);
    app.CreateMainWindow();
    auto owned = std::make_unique<Testing::FixedFont>();
    Testing::FixedFont& font = *owned;
    app.mOverlayFont = std::move(owned);
    // 60 frames, the last exactly 1000 ms after the first.
    for (int frame = 1; frame <= 60; ++frame) {
        clock.Advance(frame == 1 ? 0 : frame == 60 ? 1000 - 58 * 16 : 16);
        app.DrawFpsOverlay();
    }
    EXPECT_EQ(font.mRuns.back(), "FPS: 60@2,10 #ffffffff");
    // 10 ms updates: 25 h 1 min 1 s is 9006100 updates; past the end, 0.
    app.mDemoLength = 9006100;
    app.DrawDemoTimeOverlay();
    EXPECT_EQ(font.mRuns.back(), "25:01:01@2,10 #ffffffff");
    app.mUpdateCount = app.mDemoLength + 5;
    clock.Advance(1000);
    app.DrawDemoTimeOverlay();
    EXPECT_EQ(font.mRuns.back(), "00:00:00@2,10 #ffffffff");
    // A stopped replay keeps what it showed.
    const size_t shown = font.mRuns.size();
    app.mUpdateMultiplier = 0.0;
    clock.Advance(100000);
    app.DrawDemoTimeOverlay();
    EXPECT_EQ(font.mRuns.size(), shown);
}

} // namespace
