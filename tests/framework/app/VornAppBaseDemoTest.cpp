#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "fakes/WindowedApp.h"
#include "framework/app/DemoFile.h"
#include "framework/app/RandomGenerator.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::DemoMode;
using C = Vorn::DemoCommand;
using Testing::WindowedApp;

// The program's own course, which a replay must follow exactly.
struct Course {
    std::vector<std::string> calls;
    std::vector<std::string> results;
    std::vector<std::string> draws;
    int32_t handOverUpdate = -1;
};

// The player's input by update; a Position is where the pointer is. The
// input layer's own replay is tested with the window.
const std::vector<std::pair<int32_t, C>> kInput = {
    {0, C::Position(100, 100)}, {2, C::Position(110, 95)}, {2, C::MouseButton(true, 1)}, {3, C::Position(-40, -3)},
    {5, C::KeyDown(65)}, {5, C::Character('a')}, {16, C::Position(2000, 1500)}, {58, C::Close()},
};

class ReplayedGame : public ScriptedApp {
public:
    ReplayedGame(ScriptedClock& clock, Course& course, std::vector<const char*> argv) : ScriptedApp(clock), mCourse(course)
    {
        mWidgetManager = std::make_unique<Testing::RecordingWidgetManager>(this, course.calls);
        mProductVersion = "1.0";
        mRegKey = "Tavoren\\Zarquel";
        argv.insert(argv.begin(), "zarquel");
        SetCommandLine(static_cast<int>(argv.size()), argv.data());
        mOnUpdate = [this] { PlayOneUpdate(); };
    }

    bool OnChangeDirectory(const std::string&) override { return true; }
    void OnLoadingFinished() override { mCourse.handOverUpdate = mUpdateCount; }

    // While recording, input arrives where the loop pumps messages.
    bool StepLoopState(bool* updated) override
    {
        const bool pumps = mLoopState == kStatePumpMessages || mLoopState == kStateFinished;
        for (; pumps && mRecording && !mLeaveStep && mNext < kInput.size() && kInput[mNext].first == mUpdateCount; ++mNext)
            Deliver(kInput[mNext].second);
        return ScriptedApp::StepLoopState(updated);
    }

    void RunUntilShutdown()
    {
        for (int i = 0; i < 100000 && !mShutdown; ++i) {
            const uint32_t before = mTestClock.Milliseconds();
            const int32_t updates = mUpdateCount;
            StepLoopState(nullptr);
            if (mTestClock.Milliseconds() == before && mUpdateCount == updates)
                mTestClock.Advance(1);
        }
    }

    // The game: random draws every update, settings and a kept value now and
    // then. Only the recording machine knows a high score and refuses a write.
    void PlayOneUpdate()
    {
        mCourse.draws.push_back(std::to_string(Platform::Rand()) + " " + std::to_string(Vorn::TheRandomGenerator().Next()));
        const std::string at = std::to_string(mUpdateCount) + ": ";
        int32_t value = 0;
        bool flag = false;
        std::string text = mRecording ? "pasted text" : "";
        if (mUpdateCount == 4) {
            const bool found = ReadRegistryInteger("HighScore", value);
            mCourse.results.push_back(at + std::to_string(found) + " " + std::to_string(value));
        } else if (mUpdateCount == 6) {
            mCourse.results.push_back(at + std::to_string(WriteRegistryInteger("HighScore", 900)));
        } else if (mUpdateCount == 7) {
            mSettingsStore.SetWritesFail(mRecording);
            mCourse.results.push_back(at + std::to_string(WriteRegistryString("Player", "Ann")));
            mSettingsStore.SetWritesFail(false);
        } else if (mUpdateCount == 9) {
            const bool found = ReadRegistryBoolean("Test3D\\Passed", flag);
            mCourse.results.push_back(at + std::to_string(found) + " " + std::to_string(flag));
        } else if (mUpdateCount == 11) {
            RecordOrReplayString(text);
            mCourse.results.push_back(at + text);
        } else if (mUpdateCount == 15 && mRecording) {
            mLoadingThreadFinished = true;
        }
    }

private:
    // As the input layer does: recorded at the update of delivery, moves of
    // 32 pixels or more as a position.
    void Deliver(const C& c)
    {
        using T = Vorn::DemoCommandType;
        Vorn::WidgetManager& w = *mWidgetManager;
        if (c.type == T::Position) {
            const int dx = c.x - mLastDemoMouseX;
            const int dy = c.y - mLastDemoMouseY;
            mDemoStream.RecordCommand(mUpdateCount, std::abs(dx) < 32 && std::abs(dy) < 32 ? C::MouseMove(dx, dy) : c);
            mLastDemoMouseX = c.x;
            mLastDemoMouseY = c.y;
            w.MouseMove(c.x, c.y);
            return;
        }
        mDemoStream.RecordCommand(mUpdateCount, c);
        if (c.type == T::MouseButton)
            w.MouseDown(mLastDemoMouseX, mLastDemoMouseY, c.code);
        else if (c.type == T::KeyDown)
            w.KeyDown(c.code);
        else if (c.type == T::Character)
            w.KeyChar(static_cast<char>(c.code));
        else if (c.type == T::Close)
            Shutdown();
    }

    Course& mCourse;
    size_t mNext = 0;
};

TEST(DemoRoundTrip, ThePlaybackMeetsTheRecordedRunAtEveryUpdate)
{
    Testing::TempDir dir;
    const std::string demo = "-demofile=" + (dir / "run.dmo");

    Course recorded;
    {
        // The recording is saved when the recording application ends.
        ScriptedClock clock(100000);
        ReplayedGame game(clock, recorded, {"-record", demo.c_str()});
        const uint8_t highScore[4] = {0x39, 0x30, 0, 0};
        game.mSettingsStore.SetValue("SOFTWARE\\Tavoren\\Zarquel", "HighScore", Platform::kSettingDword, highScore, 4);
        game.mSettingsStore.SetValue("SOFTWARE\\Tavoren\\Zarquel\\Test3D", "Passed", Platform::kSettingDword, highScore,
            4);
        game.Init();
        game.RunUntilShutdown();
        ASSERT_EQ(game.mUpdateCount, 58);
    }
    ASSERT_EQ(recorded.results, (std::vector<std::string>{"4: 1 12345", "6: 1", "7: 0", "9: 1 1", "11: pasted text"}));
    ASSERT_EQ(recorded.handOverUpdate, 15);

    Course played;
    ScriptedClock playingClock(777777);
    ReplayedGame player(playingClock, played, {"-play", demo.c_str()});
    // This machine's loading thread is quicker than the recorded one was.
    player.mLoadingThreadFinished = true;
    player.Init();
    player.RunUntilShutdown();
    EXPECT_EQ(player.mUpdateCount, 58);
    EXPECT_EQ(played.calls, recorded.calls);
    EXPECT_EQ(played.results, recorded.results);
    EXPECT_EQ(played.draws, recorded.draws);
    EXPECT_FALSE(player.mSettingsStore.KeyExists("SOFTWARE"));
}

// A demo of 20000 updates of 10 ms, playing at update 100; the keys typed
// reach the window as characters.
TEST(Playback, HotKeysSteerTheReplay)
{
    // Keys; multiplier; fast-forward target; paused; maximum speed; one step.
    const std::tuple<const char*, double, int32_t, bool, bool, bool> cases[] = {{"+", 1.5, 0, false, false, false},
        {"---", 1 / 3.375, 0, false, false, false}, {"++=", 1.0, 0, false, false, false},
        {"0", 1.0, 20000, false, false, false}, {"4", 1.0, 8000, false, false, false},
        {"9", 1.0, 19500, false, false, false}, {"p", 1.0, 0, true, false, false}, {"PP", 1.0, 0, false, false, false},
        {"m", 1.0, 0, false, true, false}, {"N", 1.0, 101, false, false, true}, {"x1", 1.0, 0, false, false, false}};
    ScriptedClock clock;
    WindowedApp app(clock);
    app.SetDemoMode(Vorn::DemoMode::Playing);
    app.CreateMainWindow();
    app.mDemoLength = 20000;
    app.mUpdateCount = 100;
    for (const auto& [keys, multiplier, target, paused, maximumSpeed, oneStep] : cases) {
        SCOPED_TRACE(keys);
        app.mUpdateMultiplier = 1.0;
        app.mFastForwardToUpdateNum = 0;
        app.mPaused = app.mHoldFastForward = app.mFastForwardOneStep = false;
        for (const char key : std::string(keys))
            app.Send({Platform::WM_CHAR, static_cast<uint8_t>(key), 0});
        EXPECT_DOUBLE_EQ(app.mUpdateMultiplier, multiplier);
        EXPECT_EQ(app.mFastForwardToUpdateNum, target);
        EXPECT_EQ(app.mPaused, paused);
        EXPECT_EQ(app.mHoldFastForward, maximumSpeed);
        EXPECT_EQ(app.mFastForwardOneStep, oneStep);
    }
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the catcher does after a fault: the demo ends at the crash's update
// and is the file the ordinary writer makes of the same stream and a filler.
TEST(CrashDemo, ARecordingIsClosedAndKeptAsTheOrdinaryWriterWouldKeepIt)
{
    ScriptedClock clock;
    const Testing::TempDir dir;
    ScriptedApp app(clock);
    app.mProductVersion = "2.5";
    app.mRandSeed = 0xCAFE;
    app.mDemoMarkerList = {{"start", 0}, {std::string(40000, 'm'), 9}};
    app.mDemoFileName = dir.Path() + "\\crashed.dmo";
    // A link planted at the name the demo is first written under is replaced,
    // not written through.
    dir.WriteFile("target.dmo", "kept");
    std::filesystem::create_symlink(dir / "target.dmo", dir / "crashed.dmo.crash");
    app.SetDemoMode(DemoMode::Recording);
    app.mUpdateCount = 4;
    app.mDemoStream.RecordCommand(app.mUpdateCount, C::KeyDown(0x20));
    app.mUpdateCount = 77;

    Vorn::DemoStream expected = app.mDemoStream;
    expected.RecordFiller(77);
    ASSERT_TRUE(Vorn::SaveDemoFile(dir / "expected.dmo", "2.5", {0xCAFE, app.mDemoMarkerList, 77},
                                   expected.GetBuffer()));

    EXPECT_TRUE(app.KeepDemoAfterCrash());
    EXPECT_FALSE(app.mRecording);
    EXPECT_FALSE(app.mPlaying);
    EXPECT_EQ(app.mDemoStream.GetMode(), DemoMode::Off);
    EXPECT_EQ(FileBytes(dir / "crashed.dmo"), FileBytes(dir / "expected.dmo"));
    EXPECT_FALSE(std::filesystem::exists(dir / "crashed.dmo.crash"));
    EXPECT_EQ(FileBytes(dir / "target.dmo"), "kept");
    // Nothing more is recorded, and the destructor writes nothing over it.
    app.mDemoStream.RecordCommand(80, C::Close());
    app.SaveDemoFile();
    EXPECT_EQ(FileBytes(dir / "crashed.dmo"), FileBytes(dir / "expected.dmo"));
}

TEST(CrashDemo, APlayingDemoOnlyStopsAndAnUnwritableOneLeavesNothing)
{
    ScriptedClock clock;
    const Testing::TempDir dir;
    ScriptedApp player(clock);
    player.mDemoFileName = dir / "played.dmo";
    player.SetDemoMode(DemoMode::Playing);
    EXPECT_FALSE(player.KeepDemoAfterCrash());
    EXPECT_FALSE(player.mPlaying);
    EXPECT_EQ(player.mDemoStream.GetMode(), DemoMode::Off);
    EXPECT_FALSE(std::filesystem::exists(dir / "played.dmo"));

    ScriptedApp recorder(clock);
    recorder.mDemoFileName = dir / "missing/folder/demo.dmo";
    recorder.SetDemoMode(DemoMode::Recording);
    EXPECT_FALSE(recorder.KeepDemoAfterCrash());
    EXPECT_FALSE(recorder.mRecording);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    ScriptedApp unnamed(clock);
    unnamed.mDemoFileName.clear();
    unnamed.SetDemoMode(DemoMode::Recording);
    EXPECT_FALSE(unnamed.KeepDemoAfterCrash());
}

// Where the demo cannot be written whole or put in its place, an older file
// of its name stays as it was, nothing written is left behind, and the demo
// is not reported kept.
struct UnkeptDemoCase {
    const char* what;
    void (*prepare)(const Testing::TempDir& dir);
    // The folder afterwards, as FolderListing tells it.
    const char* after;
};

// Each entry by name, sorted: "name=bytes" for a file, "name/" for a folder,
// "name->target" for a link.
std::string FolderListing(const std::string& folder)
{
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            entries.push_back(name + "->" + std::filesystem::read_symlink(entry.path()).string());
        else if (entry.is_directory())
            entries.push_back(name + "/");
        else
            entries.push_back(name + "=" + FileBytes(entry.path()));
    }
    std::sort(entries.begin(), entries.end());
    std::string listing;
    for (const std::string& entry : entries)
        listing += entry + ";";
    return listing;
}

class UnkeptDemo : public ::testing::TestWithParam<UnkeptDemoCase> {};

TEST_P(UnkeptDemo, IsNotReportedKeptAndLeavesNothingWrittenBehind)
{
    ScriptedClock clock;
    const Testing::TempDir dir;
    ScriptedApp recorder(clock);
    recorder.mDemoFileName = dir / "older.dmo";
    recorder.SetDemoMode(DemoMode::Recording);
    recorder.mUpdateCount = 12;
    // What a row limits the file size to lasts for the keeping only.
    rlimit fileSize{};
    getrlimit(RLIMIT_FSIZE, &fileSize);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    GetParam().prepare(dir);
    EXPECT_FALSE(recorder.KeepDemoAfterCrash());
    setrlimit(RLIMIT_FSIZE, &fileSize);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(recorder.mRecording);
    EXPECT_EQ(FolderListing(dir.Path()), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, UnkeptDemo,
    ::testing::Values(
        // Every write fails: the disk is full.
        UnkeptDemoCase{"full",
                       [](const Testing::TempDir& dir) {
                           dir.WriteFile("older.dmo", "an older demo");
                           rlimit none{};
                           getrlimit(RLIMIT_FSIZE, &none);
                           none.rlim_cur = 0;
                           setrlimit(RLIMIT_FSIZE, &none);
                       },
                       "older.dmo=an older demo;"},
        // Written whole, but nothing is renamed over a folder that holds files.
        UnkeptDemoCase{"renamed", [](const Testing::TempDir& dir) { dir.WriteFile("older.dmo/kept.txt", "x"); },
                       "older.dmo/;older.dmo/kept.txt=x;"},
        // The file beside it cannot be made.
        UnkeptDemoCase{"unmade",
                       [](const Testing::TempDir& dir) {
                           dir.WriteFile("older.dmo", "an older demo");
                           dir.WriteFile("older.dmo.crash/kept.txt", "x");
                       },
                       "older.dmo.crash/;older.dmo.crash/kept.txt=x;older.dmo=an older demo;"}),
    [](const ::testing::TestParamInfo<UnkeptDemoCase>& info) { return std::string(info.param.what); });

} // namespace
