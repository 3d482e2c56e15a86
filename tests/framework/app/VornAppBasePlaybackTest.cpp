#include "fakes/PinnedFonts.h"
#include "fakes/SurfaceDisplayApp.h"
#include "fakes/WindowedApp.h"
#include "framework/app/PlaybackDialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Platform::MessageRecord;
using Testing::ScriptedClock;
using Testing::WindowedApp;

// A demo of 20000 updates of 10 ms, playing at update 100.
class Playing : public ::testing::Test {
protected:
    Playing()
    {
        app.SetDemoMode(Vorn::DemoMode::Playing);
        app.CreateMainWindow();
        app.mDemoLength = 20000;
        app.mUpdateCount = 100;
        app.mRegKey = "Tavoren\\Test";
    }
    void Type(const std::string& keys)
    {
        for (const char key : keys)
            app.Send({Platform::WM_CHAR, static_cast<uint8_t>(key), 0});
    }

    ScriptedClock clock;
    WindowedApp app{clock};
};

TEST_F(Playing, SSwitchesMusicAndEffectsOffAndBackSeparately)
{
    // Music and effects before; after one S; after a second S.
    const std::tuple<double, double, double, double, double, double> cases[] = {
        {0.5, 0.7, 0.0, 0.0, 0.5, 0.7},
        // Music already off: it comes back from its saved copy, 0.0 at first.
        {0.0, 0.7, 0.0, 0.0, 0.0, 0.7},
    };
    for (const auto& [music, sfx, music1, sfx1, music2, sfx2] : cases) {
        SCOPED_TRACE(music);
        app.mSavedMusicVolume = app.mSavedSfxVolume = 0.0;
        app.mMusicVolume = music;
        app.mSfxVolume = sfx;
        Type("S");
        EXPECT_EQ(app.mMusicVolume, music1);
        EXPECT_EQ(app.mSfxVolume, sfx1);
        Type("s");
        EXPECT_EQ(app.mMusicVolume, music2);
        EXPECT_EQ(app.mSfxVolume, sfx2);
    }
}

TEST_F(Playing, NStepsAtMostToTheDemosEnd)
{
    app.mUpdateCount = 20000;
    Type("N");
    EXPECT_EQ(app.mFastForwardToUpdateNum, 20000);
    EXPECT_TRUE(app.mFastForwardOneStep);
    app.mUpdateCount = 19999;
    Type("n");
    EXPECT_EQ(app.mFastForwardToUpdateNum, 20000);
}

TEST(PlaybackDialogs, CannotBeShownWithoutADisplay)
{
    ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    app.mDemoLength = 20000;
    app.mDemoMarkerList = {{"a", 500}};
    EXPECT_EQ(app.DemoJumpDialog(), -1);
    EXPECT_EQ(app.DemoMarkerListDialog(), -1);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
}

TEST(ParseDemoJumpTime, AddsFieldsAsSixtiethsOfTheNext)
{
    const std::tuple<std::string, int64_t> cases[] = {
        {"90", 90}, {"1:30", 90}, {"0:1:30", 90}, {"", 0}, {"abc", 0}, {"1::30", 90}, {"2x:3", 123},
        {":5", 5}, {"5:", 5}, {"1:2:3:4", 223384}, {"007", 7}, {" 5", 0},
        {"99999999999999999999999", int64_t{1} << 40}, {"1099511627776:59", int64_t{1} << 40},
    };
    for (const auto& [text, seconds] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Vorn::VornAppBase::ParseDemoJumpTime(text), seconds);
    }
}

TEST_F(Playing, JumpTargetsLieOneSecondBeforeTheTimeBeforeTheEnd)
{
    // Seconds; target; whether the jump is made (never backwards).
    const std::tuple<int64_t, int64_t, bool> cases[] = {
        {0, 19900, true}, {90, 10900, true}, {198, 100, false}, {197, 200, true},
        {int64_t{1} << 40, 20000 - ((int64_t{1} << 40) + 1) * 100, false},
    };
    for (const auto& [seconds, target, jumps] : cases) {
        SCOPED_TRACE(seconds);
        app.mFastForwardToUpdateNum = 0;
        EXPECT_EQ(app.DemoJumpTarget(seconds), target);
        EXPECT_EQ(app.JumpToUpdate(target), jumps);
        EXPECT_EQ(app.mFastForwardToUpdateNum, jumps ? target : 0);
    }
    // A target past the end stops at the end.
    EXPECT_TRUE(app.JumpToUpdate(int64_t{1} << 40));
    EXPECT_EQ(app.mFastForwardToUpdateNum, 20000);
}

TEST_F(Playing, TheMarkerListShowsTheMarkersAheadWithTheirTimeBeforeTheEnd)
{
    app.mDemoMarkerList = {{"start", 50}, {"now", 100}, {"mid", 5000}, {"late", 19000}, {"first hour", 2000},
                           {"past the end", 25000}};
    app.mDemoLength = 400000;
    const std::vector<std::tuple<std::string, int32_t>> expected = {{"mid (01:05:50)", 5000},
        {"late (01:03:30)", 19000}, {"first hour (01:06:20)", 2000}, {"past the end (01:02:30)", 25000}};
    const auto items = app.DemoMarkerListItems();
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].mText, std::get<0>(expected[i]));
        EXPECT_EQ(items[i].mUpdate, std::get<1>(expected[i]));
    }
    app.mDemoLength = 20000;
    app.mDemoMarkerList = {{"beyond", 25000}};
    EXPECT_EQ(app.DemoMarkerListItems()[0].mText, "beyond (00:00:00)");
    app.mFrameTime = 1000;
    app.mDemoMarkerList = {{"at the end", 20000}, {"one before", 19999}};
    EXPECT_EQ(app.DemoMarkerListItems()[0].mText, "at the end (00:00:00)");
    EXPECT_EQ(app.DemoMarkerListItems()[1].mText, "one before (00:00:01)");
}

TEST_F(Playing, TheJumpTimeIsKeptStraightInTheStoreNotInTheDemo)
{
    EXPECT_EQ(app.ReadDemoJumpTime(), "");
    app.StoreDemoJumpTime("1:30");
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(app.mSettingsStore.QueryValue("SOFTWARE\\Tavoren\\Test", "DemoJumpTime", type, data));
    EXPECT_EQ(type, Platform::kSettingString);
    EXPECT_EQ(data, (std::vector<uint8_t>{'1', ':', '3', '0', 0}));
    EXPECT_EQ(app.ReadDemoJumpTime(), "1:30");
    // A value stored without its terminating zero keeps its last character.
    const uint8_t bare[] = {'4', '5'};
    app.mSettingsStore.SetValue("SOFTWARE\\Tavoren\\Test", "DemoJumpTime", Platform::kSettingString, bare, 2);
    EXPECT_EQ(app.ReadDemoJumpTime(), "45");
}

// The dialogs on a real display, the main window's messages going to the
// application's window procedure.
class DialogOnDisplay : public ::testing::Test {
protected:
    DialogOnDisplay()
    {
        Testing::PinSystemFonts();
        window.Create({"", 400, 300, Platform::WindowStyle::Framed, {}});
        window.SetProcedure(
            [this](Platform::Window& w, const MessageRecord& message) { display.app.WindowProc(w, message); });
        display.app.mMainWindow = &window;
        display.app.mDemoLength = 20000;
        display.app.mUpdateCount = 100;
        display.app.mRegKey = "Tavoren\\Test";
    }
    ~DialogOnDisplay() override { display.app.mMainWindow = nullptr; }
    void Queue(const std::vector<MessageRecord>& messages) { window.later.assign(messages.begin(), messages.end()); }
    static MessageRecord Char(char c) { return {Platform::WM_CHAR, static_cast<uint8_t>(c), 0}; }

    Testing::SurfaceDisplayApp display{Platform::kFormatX8R8G8B8, 400, 300};
    Testing::FakeWindow window;
};

TEST_F(DialogOnDisplay, TheKeysJAndLOpenTheDialogsWhileADemoPlays)
{
    display.app.SetDemoMode(Vorn::DemoMode::Playing);
    display.app.mDemoMarkerList = {{"b", 3000}};
    Queue({Char('5'), Char('\r')});
    window.Inject(Char('j'));
    window.PumpMessages();
    EXPECT_EQ(display.app.mFastForwardToUpdateNum, 20000 - 600);
    Queue({{Platform::WM_KEYDOWN, Platform::VK_DOWN, 0}, Char('\r')});
    window.Inject(Char('L'));
    window.PumpMessages();
    EXPECT_EQ(display.app.mFastForwardToUpdateNum, 3000);
    display.app.SetDemoMode(Vorn::DemoMode::Off);
}

TEST_F(DialogOnDisplay, TheJumpDialogReplacesTheStoredTimeAndJumps)
{
    display.app.StoreDemoJumpTime("5");
    Queue({Char('1'), Char(':'), Char('3'), Char('x'), {Platform::WM_CHAR, 8, 0}, Char('0'), Char('\r')});
    EXPECT_EQ(display.app.DemoJumpDialog(), Vorn::PlaybackDialog::kResultOk);
    EXPECT_EQ(display.app.ReadDemoJumpTime(), "1:30");
    EXPECT_EQ(display.app.mFastForwardToUpdateNum, 10900);
    EXPECT_EQ(display.app.mPlaybackDialog, nullptr);
}

TEST_F(DialogOnDisplay, CancelAndCloseLeaveTheTargetAndTheStore)
{
    // Messages; result.
    struct Case {
        std::vector<MessageRecord> messages;
        int result;
    };
    const Case cases[] = {
        {{Char('9'), Char('\x1b')}, Vorn::PlaybackDialog::kResultCancel},
        {{Char('9'), {Platform::WM_CLOSE, 0, 0}}, Vorn::PlaybackDialog::kResultClosed},
    };
    for (const auto& [messages, result] : cases) {
        SCOPED_TRACE(result);
        display.app.StoreDemoJumpTime("5");
        Queue(messages);
        EXPECT_EQ(display.app.DemoJumpDialog(), result);
        EXPECT_EQ(display.app.ReadDemoJumpTime(), "5");
        EXPECT_EQ(display.app.mFastForwardToUpdateNum, 0);
        EXPECT_FALSE(display.app.mShutdownRequested);
    }
}

TEST_F(DialogOnDisplay, TheMarkerListJumpsToTheChosenMarker)
{
    display.app.mDemoMarkerList = {{"a", 50}, {"b", 3000}, {"c", 9000}, {"d", 12000}};
    Queue({{Platform::WM_KEYDOWN, Platform::VK_DOWN, 0}, {Platform::WM_KEYDOWN, Platform::VK_DOWN, 0}, Char('\r')});
    EXPECT_EQ(display.app.DemoMarkerListDialog(), Vorn::PlaybackDialog::kResultOk);
    EXPECT_EQ(display.app.mFastForwardToUpdateNum, 9000);
}

TEST(MarkerListDialog, KeysMoveTheSelectionWithinTheListAndAPassedMarkerKeepsItOpen)
{
    std::vector<int32_t> asked;
    bool agree = false;
    Vorn::MarkerListDialog dialog({{"a", 10}, {"b", 20}, {"c", 30}}, [&](int32_t update) {
        asked.push_back(update);
        return agree;
    });
    const auto key = [&](int code) { dialog.HandleMessage({Platform::WM_KEYDOWN, static_cast<uintptr_t>(code), 0}); };
    const auto enter = [&] { dialog.HandleMessage({Platform::WM_CHAR, '\r', 0}); };
    enter();
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(dialog.Selection(), -1);
    key(Platform::VK_UP);
    EXPECT_EQ(dialog.Selection(), 0);
    key(Platform::VK_NEXT);
    EXPECT_EQ(dialog.Selection(), 2);
    key(Platform::VK_DOWN);
    EXPECT_EQ(dialog.Selection(), 2);
    key(Platform::VK_PRIOR);
    EXPECT_EQ(dialog.Selection(), 0);
    key(Platform::VK_DOWN);
    enter();
    EXPECT_EQ(asked, std::vector<int32_t>{20});
    EXPECT_FALSE(dialog.Done());
    agree = true;
    enter();
    EXPECT_TRUE(dialog.Done());
    EXPECT_EQ(dialog.Result(), Vorn::PlaybackDialog::kResultOk);
}

TEST(JumpDialog, TypingReplacesTheSelectedTextAndKeepsAtMost500Characters)
{
    std::string stored = "none";
    Vorn::JumpDialog dialog("12:00", [&](const std::string& text) { stored = text; });
    EXPECT_EQ(dialog.Text(), "12:00");
    dialog.HandleMessage({Platform::WM_CHAR, '7', 0});
    EXPECT_EQ(dialog.Text(), "7");
    dialog.HandleMessage({Platform::WM_CHAR, 8, 0});
    dialog.HandleMessage({Platform::WM_CHAR, 8, 0});
    EXPECT_EQ(dialog.Text(), "");
    for (int i = 0; i < 600; ++i)
        dialog.HandleMessage({Platform::WM_CHAR, '1', 0});
    dialog.HandleMessage({Platform::WM_CHAR, 0x01, 0});
    EXPECT_EQ(dialog.Text(), std::string(500, '1'));
    EXPECT_FALSE(dialog.Done());
    dialog.HandleMessage({Platform::WM_CHAR, '\r', 0});
    EXPECT_EQ(stored, std::string(500, '1'));
    EXPECT_TRUE(dialog.Done());

    Vorn::JumpDialog longText(std::string(700, '2'), [](const std::string&) {});
    EXPECT_EQ(longText.Text().size(), 500u);
}

} // namespace
