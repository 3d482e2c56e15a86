// A session on the title screen recorded into a demo and replayed: the replay
// shows the same frames at the same updates.

#include "TestGameApp.h"
#include "fakes/TempDir.h"
#include "game/Board.h"
#include "game/TitleScreen.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Platform::MessageRecord;

intptr_t At(int x, int y)
{
    return static_cast<intptr_t>(static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

struct Input {
    int32_t update;
    uint32_t message;
    int x;
    int y;
};

// PLAY, the help and back, EASY into the board and back by its menu
// button, OPTIONS and its OK,
// then EXIT.
const std::vector<Input> kSession = {
    {3, Platform::WM_MOUSEMOVE, 400, 240}, {6, Platform::WM_LBUTTONDOWN, 400, 240},
    {8, Platform::WM_LBUTTONUP, 400, 240}, {12, Platform::WM_MOUSEMOVE, 402, 238},
    {13, Platform::WM_LBUTTONDOWN, 402, 238}, {14, Platform::WM_LBUTTONUP, 402, 238},
    {20, Platform::WM_LBUTTONDOWN, 100, 100}, {21, Platform::WM_LBUTTONUP, 100, 100},
    {26, Platform::WM_MOUSEMOVE, 400, 290}, {27, Platform::WM_LBUTTONDOWN, 400, 290},
    {28, Platform::WM_LBUTTONUP, 400, 290}, {33, Platform::WM_MOUSEMOVE, 743, 28},
    {34, Platform::WM_LBUTTONDOWN, 743, 28}, {35, Platform::WM_LBUTTONUP, 743, 28}, {40, Platform::WM_MOUSEMOVE, 400, 340},
    {41, Platform::WM_LBUTTONDOWN, 400, 340}, {42, Platform::WM_LBUTTONUP, 400, 340},
    {48, Platform::WM_MOUSEMOVE, 460, 430}, {49, Platform::WM_LBUTTONDOWN, 460, 430},
    {50, Platform::WM_LBUTTONUP, 460, 430}, {55, Platform::WM_MOUSEMOVE, 400, 440},
    {56, Platform::WM_LBUTTONDOWN, 400, 440}, {57, Platform::WM_LBUTTONUP, 400, 440},
};

// Each presented frame as the update it came after and a hash of its pixels.
using Frames = std::vector<std::pair<int32_t, uint64_t>>;

struct Course {
    Frames frames;
    int32_t updates = 0;
    // The screens seen, in order: title, board.
    std::vector<std::string> screens;
};

Course Session(const std::string& demo, bool recording)
{
    // The board's menu button saves the game: each run in a data folder of
    // its own, or the replay would find the recording's save.
    const Testing::TempDir data;
    const char* const previous = std::getenv("XDG_DATA_HOME");
    const std::string kept = previous ? previous : "";
    setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    Course run;
    Testing::TestGameApp app({recording ? "-record" : "-play", "-demofile=" + demo});
    app.Init();
    app.LoadLikeTheLoadingThread();
    app.mRunning = true;
    app.mWindow->onPresent = [&](const Testing::FakeWindow::Presented& frame) {
        uint64_t hash = 14695981039346656037u;
        for (const uint32_t pixel : frame.pixels)
            hash = (hash ^ pixel) * 1099511628211u;
        run.frames.emplace_back(app.mUpdateCount, hash);
    };
    size_t next = 0;
    bool inGame = false;
    for (int i = 0; i < 100000 && !app.mShutdown; ++i) {
        const bool pumps = app.mLoopState == app.kStatePumpMessages || app.mLoopState == app.kStateFinished;
        for (; recording && pumps && next < kSession.size() && kSession[next].update == app.mUpdateCount; ++next) {
            app.mWindow->Inject(MessageRecord{kSession[next].message, 0, At(kSession[next].x, kSession[next].y)});
            app.mWindow->PumpMessages();
        }
        const uint32_t before = app.mScriptedClock.Milliseconds();
        const int32_t updates = app.mUpdateCount;
        app.StepLoopState(nullptr);
        if (app.mScriptedClock.Milliseconds() == before && app.mUpdateCount == updates)
            app.mScriptedClock.Advance(1);
        if ((app.mBoard != nullptr) != inGame) {
            inGame = !inGame;
            run.screens.push_back(inGame ? "board" : "title");
        }
    }
    run.updates = app.mUpdateCount;
    if (previous)
        setenv("XDG_DATA_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    return run;
}

TEST(TitleDemo, AReplayShowsTheRecordedFramesAtTheSameUpdates)
{
    Testing::TempDir dir;
    const std::string demo = dir / "title.dmo";
    const Course recorded = Session(demo, true);
    ASSERT_EQ(recorded.screens, (std::vector<std::string>{"board", "title"}));
    ASSERT_GE(recorded.updates, 57);
    ASSERT_LT(recorded.updates, 60);
    std::set<uint64_t> distinct;
    for (const auto& frame : recorded.frames)
        distinct.insert(frame.second);
    ASSERT_GT(distinct.size(), 20u);

    const Course replayed = Session(demo, false);
    EXPECT_EQ(replayed.screens, recorded.screens);
    EXPECT_EQ(replayed.updates, recorded.updates);
    EXPECT_EQ(replayed.frames, recorded.frames);
}

} // namespace
