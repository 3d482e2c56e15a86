#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Platform;
using Testing::ScriptedClock;
using Testing::WindowedApp;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using C = Vorn::DemoCommand;

// A mouse message's lParam: x and y as signed 16-bit halves.
intptr_t At(int x, int y)
{
    return static_cast<intptr_t>(static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

uintptr_t Wheel(int amount)
{
    return static_cast<uintptr_t>(static_cast<uint16_t>(amount)) << 16;
}

// A main window with the pointer inside and the timer running.
class Input : public ::testing::Test {
protected:
    Input() : app(clock)
    {
        app.CreateMainWindow();
        app.mMouseIn = true;
        app.mRunning = true;
        app.mCalls.clear();
        app.mHooks.clear();
    }

    void Dispatch(const std::vector<MessageRecord>& messages)
    {
        for (const MessageRecord& message : messages)
            app.Send(message);
        app.DispatchAll();
    }

    ScriptedClock clock;
    WindowedApp app;
};

// What reaches the widgets and what is written into the demo, while
// recording (or while a demo plays).
struct Delivery {
    const char* name;
    std::vector<MessageRecord> messages;
    std::vector<std::string> calls;
    std::vector<C> commands;
    const char* hook = nullptr;
    bool forceFullScreen = false;
    bool fullScreenFailed = false;
    bool windowTwiceTheBuffer = false;
    bool pointerOutside = false;
    bool playing = false;
};

class InputDelivery : public Input, public ::testing::WithParamInterface<Delivery> {};

TEST_P(InputDelivery, ReachesTheWidgetsAndTheDemo)
{
    const Delivery& d = GetParam();
    app.SetDemoMode(d.playing ? Vorn::DemoMode::Playing : Vorn::DemoMode::Recording);
    app.mForceFullScreen = d.forceFullScreen;
    app.mFullScreenFailed = d.fullScreenFailed;
    app.mMouseIn = !d.pointerOutside;
    if (d.windowTwiceTheBuffer)
        app.mWidgetManager->Resize(Vorn::Rect(0, 0, 800, 600), Vorn::Rect(0, 0, 1600, 1200));
    Dispatch(d.messages);
    EXPECT_EQ(app.mCalls, d.calls);
    EXPECT_EQ(app.Recorded(), d.commands);
    if (d.hook) {
        EXPECT_THAT(app.mHooks, Contains(d.hook));
    }
    EXPECT_EQ(app.mDemoStream.IsClosedByUser(), d.messages.back().message == WM_CLOSE);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, InputDelivery,
    ::testing::Values(
        Delivery{"typing",
                 {{WM_KEYDOWN, 'A', 0}, {WM_CHAR, 0xE9, 0}, {WM_KEYUP, 'A', 0}},
                 {"0 key down 65", "0 char 233", "0 key up 65"},
                 {C::KeyDown('A'), C::Character(0xE9), C::KeyUp('A')}},
        Delivery{"move of 31", {{WM_MOUSEMOVE, 0, At(31, -31)}}, {"0 move 31 -31"}, {C::MouseMove(31, -31)}},
        Delivery{"move of 32", {{WM_MOUSEMOVE, 0, At(0, 32)}}, {"0 move 0 32"}, {C::Position(0, 32)}},
        Delivery{"right and middle buttons",
                 {{WM_RBUTTONDBLCLK, 0, At(3, 4)}, {WM_MBUTTONDOWN, 0, At(3, 4)}, {WM_MBUTTONUP, 0, At(3, 4)}},
                 {"0 move 3 4", "0 down 3 4 -2", "0 down 3 4 3", "0 up 3 4 3"},
                 {C::MouseMove(3, 4), C::MouseButton(true, -2), C::MouseButton(true, 3), C::MouseButton(false, 3)}},
        Delivery{"mapped into the buffer", {{WM_LBUTTONDOWN, 0, At(200, 100)}, {WM_MOUSEMOVE, 0, At(-3, 1)}},
                 {"0 move 100 50", "0 down 100 50 1", "0 move -1 0"},
                 {C::Position(100, 50), C::MouseButton(true, 1), C::Position(-1, 0)},
                 nullptr, false, false, true},
        // Held to what a demo's 12 signed bits keep, live as in the replay.
        Delivery{"far outside", {{WM_MOUSEMOVE, 0, At(2300, -2049)}, {WM_MOUSEMOVE, 0, At(2047, -2048)},
                                 {WM_MOUSEMOVE, 0, At(2030, -2030)}},
                 {"0 move 2047 -2048", "0 move 2030 -2030"},
                 {C::Position(2047, -2048), C::MouseMove(-17, 18)}},
        Delivery{"back inside before the timer looks", {{WM_MOUSEMOVE, 0, At(5, 5)}}, {"0 move 5 5"},
                 {C::MouseMove(5, 5), C::MouseEnter()}, "ApplyCursor", false, false, false, true},
        Delivery{"Alt+Enter", {{WM_SYSKEYDOWN, VK_RETURN, 0}}, {}, {}, "full screen"},
        Delivery{"Alt+Enter in forced full screen", {{WM_SYSKEYDOWN, VK_RETURN, 0}}, {"0 key down 13"},
                 {C::KeyDown(13)}, nullptr, true},
        Delivery{"Alt+Enter once full screen failed", {{WM_SYSKEYDOWN, VK_RETURN, 0}}, {"0 key down 13"},
                 {C::KeyDown(13)}, nullptr, false, true},
        Delivery{"minimising and restoring", {{WM_SIZE, SIZE_MINIMIZED, 0}, {WM_SIZE, SIZE_RESTORED, 0}},
                 {"0 focus lost", "0 dirty", "0 focus"}, {C::Minimized(true), C::Minimized(false)}},
        Delivery{"closing", {{WM_CLOSE, 0, 0}}, {}, {C::Close()}},
        Delivery{"a demo playing", {{WM_LBUTTONDOWN, 0, At(10, 10)}, {WM_KEYDOWN, 'A', 0}, {WM_CLOSE, 0, 0}}, {}, {},
                 nullptr, false, false, false, false, true}));

// A focused widget that writes down the keys reaching it.
class KeyLog : public Vorn::Widget {
public:
    void KeyDown(int key) override { keys.push_back(key); }
    std::vector<int> keys;
};

// The real manager keeps the held keys the application reads: Ctrl+Alt+D
// switches the developer's keys, whose keys then never reach the widgets
// nor the demo.
TEST_F(Input, CtrlAltDSwitchesTheDeveloperKeysThroughTheManagersHeldKeys)
{
    app.mWidgetManager = std::make_unique<Vorn::WidgetManager>(&app);
    KeyLog widget;
    app.mWidgetManager->AddWidget(&widget);
    app.mWidgetManager->SetFocus(&widget);
    app.SetDemoMode(Vorn::DemoMode::Recording);
    app.mDebugKeyTaken = true;
    Dispatch({{WM_KEYDOWN, 'D', 0}, {WM_KEYDOWN, VK_CONTROL, 0}, {WM_KEYDOWN, VK_MENU, 0}, {WM_KEYDOWN, 'D', 0},
        {WM_KEYDOWN, VK_F1, 0}});
    EXPECT_TRUE(app.mDebugKeysEnabled);
    EXPECT_THAT(widget.keys, ElementsAre('D', VK_CONTROL, VK_MENU));
    EXPECT_THAT(app.mHooks, Contains("HandleDebugKey 112"));
    EXPECT_EQ(app.Recorded(), (std::vector<C>{C::KeyDown('D'), C::KeyDown(VK_CONTROL), C::KeyDown(VK_MENU)}));

    // Keys the developer's handler leaves alone go on to the widgets.
    app.mDebugKeyTaken = false;
    Dispatch({{WM_KEYUP, VK_MENU, 0}, {WM_KEYDOWN, 'D', 0}});
    EXPECT_TRUE(app.mDebugKeysEnabled);
    Dispatch({{WM_KEYDOWN, VK_MENU, 0}, {WM_KEYDOWN, 'D', 0}});
    EXPECT_FALSE(app.mDebugKeysEnabled);
    EXPECT_THAT(widget.keys, ElementsAre('D', VK_CONTROL, VK_MENU, 'D', VK_MENU, 'D'));
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(Input, AClickInFullScreenLandsWhereTheScreenIsShownOnTheDesktop)
{
    app.mIsPhysWindowed = false;
    app.mDDInterface->mDisplayWidth = 800;
    app.mDDInterface->mDisplayHeight = 600;
    app.mDDInterface->mScreenRectInWindow = Vorn::Rect(160, 0, 1600, 1200);
    Dispatch({{WM_LBUTTONDOWN, 0, At(960, 601)}});
    EXPECT_THAT(app.mCalls, ElementsAre("0 move 400 300", "0 down 400 300 1"));
}

// A replay ignores live input, but the player is still at the machine: a
// held program must wake up on it.
TEST_F(Input, InputDuringAReplayEndsTheScreenSaverHold)
{
    app.SetDemoMode(Vorn::DemoMode::Playing);
    app.mIsWindowed = true;
    app.mWindow->screenSaver = ScreenSaverSettings{true, 60};
    app.CheckScreenSaverIdle(clock.Milliseconds());
    clock.Advance(58001);
    app.CheckScreenSaverIdle(clock.Milliseconds());
    ASSERT_TRUE(app.mUpdatesHeld);
    Dispatch({{WM_MOUSEMOVE, 0, At(5, 5)}});
    app.CheckScreenSaverIdle(clock.Milliseconds());
    EXPECT_FALSE(app.mUpdatesHeld);
    EXPECT_THAT(app.mCalls, ElementsAre("0 dirty"));
}

// The player's input, by update, as the desktop delivers it.
struct Scripted {
    int32_t update;
    MessageRecord message;
};

const std::vector<Scripted> kScript = {
    {0, {WM_MOUSEMOVE, 0, At(100, 100)}},    {1, {WM_LBUTTONDOWN, 0, At(140, 100)}},
    {1, {WM_MOUSEMOVE, 0, At(150, 110)}},    {2, {WM_MOUSEMOVE, 0, At(152, 111)}},
    {2, {WM_MOUSEMOVE, 0, At(152, 111)}},    {2, {WM_LBUTTONUP, 0, At(152, 111)}},
    {3, {WM_KEYDOWN, VK_CONTROL, 0}},        {3, {WM_KEYDOWN, VK_MENU, 0}},
    {3, {WM_KEYDOWN, 'D', 0}},               {3, {WM_KEYUP, 'D', 0}},
    {4, {WM_KEYDOWN, VK_F1, 0}},             {4, {WM_KEYDOWN, 'D', 0}},
    {4, {WM_SYSKEYDOWN, VK_RETURN, 0}},      {4, {WM_KEYUP, VK_MENU, 0}},
    {4, {WM_KEYUP, VK_CONTROL, 0}},          {5, {WM_KEYDOWN, 'A', 0}},
    {5, {WM_CHAR, 'a', 0}},                  {5, {WM_KEYUP, 'A', 0}},
    {7, {WM_MOUSEWHEEL, Wheel(-120), 0}},    {7, {WM_RBUTTONDBLCLK, 0, At(-20, 700)}},
    {8, {WM_RBUTTONUP, 0, At(-24, 702)}},    {9, {WM_ACTIVATEAPP, 0, 0}},
    {12, {WM_ACTIVATEAPP, 1, 0}},            {12, {WM_SIZE, SIZE_MINIMIZED, 0}},
    {30, {WM_SIZE, SIZE_RESTORED, 0}},       {31, {WM_TIMER, WindowedApp::kMainTimerId, 0}},
    {33, {WM_MBUTTONDOWN, 0, At(400, 300)}}, {34, {WM_CLOSE, 0, 0}},
};

// Steps the main loop until it shuts down; the script's messages for an
// update reach the window where the loop pumps, before that update.
void RunScripted(WindowedApp& app, ScriptedClock& clock, bool deliverScript)
{
    size_t next = 0;
    for (int i = 0; i < 100000 && !app.mShutdown; ++i) {
        const bool pumps = app.mLoopState == WindowedApp::kStatePumpMessages ||
                           app.mLoopState == WindowedApp::kStateFinished;
        for (; deliverScript && pumps && next < kScript.size() && kScript[next].update == app.mUpdateCount; ++next) {
            // The pointer has left the window when the timer looks.
            if (kScript[next].message.message == WM_TIMER)
                app.mWindow->MovePointer({-1, -1}, false);
            app.Send(kScript[next].message);
        }
        const uint32_t before = clock.Milliseconds();
        const int32_t updates = app.mUpdateCount;
        app.StepLoopState(nullptr);
        if (clock.Milliseconds() == before && app.mUpdateCount == updates)
            clock.Advance(1);
    }
}

TEST(InputReplay, TheWidgetsMeetTheRecordedInputAtTheSameUpdates)
{
    ScriptedClock recordingClock(100000);
    WindowedApp recorder(recordingClock);
    recorder.SetDemoMode(Vorn::DemoMode::Recording);
    recorder.CreateMainWindow();
    recorder.mWidgetManager->Resize(Vorn::Rect(0, 0, 800, 600), Vorn::Rect(0, 0, 1600, 1200));
    recorder.mDebugKeyTaken = true;
    recorder.mRunning = true;
    RunScripted(recorder, recordingClock, true);
    ASSERT_EQ(recorder.mUpdateCount, 34);
    ASSERT_THAT(recorder.mCalls, Contains("1 down 70 50 1"));
    ASSERT_THAT(recorder.mCalls, Contains("31 exit"));
    recorder.SaveDemoFile();

    ScriptedClock playingClock(555555);
    WindowedApp player(playingClock);
    player.mDemoFileName = recorder.mDemoFileName;
    player.SetDemoMode(Vorn::DemoMode::Playing);
    std::string error;
    ASSERT_TRUE(player.LoadDemoFile(error)) << error;
    player.CreateMainWindow();
    player.mRunning = true;
    RunScripted(player, playingClock, false);
    EXPECT_EQ(player.mUpdateCount, 34);
    EXPECT_EQ(player.mCalls, recorder.mCalls);
}

} // namespace
