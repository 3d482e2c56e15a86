#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "fakes/WindowedApp.h"
#include "framework/app/DemoFile.h"
#include "framework/app/PathUtils.h"
#include "framework/app/RandomGenerator.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class StartupApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void InitHook() override { mLog.push_back("InitHook"); }
    void LoadSettings() override { mLog.push_back("LoadSettings"); }
    void ApplyCommandLineOption(const std::string& name, const std::string& value) override
    {
        mLog.push_back(name);
        ScriptedApp::ApplyCommandLineOption(name, value);
    }
    void PostInit() override { mLog.push_back(mSoundManager && mMusicInterface ? "PostInit with sound" : "PostInit"); }
};

class CurrentPathGuard {
public:
    CurrentPathGuard() : mPath(std::filesystem::current_path()) {}
    ~CurrentPathGuard() { std::filesystem::current_path(mPath); }

private:
    std::filesystem::path mPath;
};

TEST(Init, PreparesInOrderAndEntersTheWorkingFolder)
{
    CurrentPathGuard guard;
    Testing::TempDir dir;
    ScriptedClock clock;
    StartupApp app(clock);
    const std::string changeDir = "-changedir=" + dir.Path();
    const char* argv[] = {"zarquel", "-screensaver", changeDir.c_str()};
    app.SetCommandLine(3, argv);

    app.Init();

    EXPECT_EQ(app.mLog,
              (std::vector<std::string>{"InitHook", "LoadSettings", "-screensaver", "-changedir", "PostInit with sound"}));
    EXPECT_EQ(app.mMainThreadId, std::this_thread::get_id());
    EXPECT_TRUE(app.mCommandLineFetched);
    EXPECT_FALSE(app.mSingleInstanceMode);
    EXPECT_TRUE(app.mInitialized);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.Path()));
    EXPECT_FALSE(app.mSoundManager->IsInitialized());
}

TEST(Init, ACommandLineAlreadyFetchedIsNotReadAgain)
{
    CurrentPathGuard guard;
    ScriptedClock clock;
    StartupApp app(clock);
    const char* argv[] = {"zarquel", "-screensaver"};
    app.SetCommandLine(2, argv);
    app.FetchCommandLine();
    app.mLog.clear();
    app.Init();
    EXPECT_EQ(std::count(app.mLog.begin(), app.mLog.end(), "-screensaver"), 0);
}

TEST(Init, DoesNothingMoreOnceShutdownBegan)
{
    ScriptedClock clock;
    StartupApp app(clock);
    app.Shutdown();
    app.Init();
    EXPECT_TRUE(app.mLog.empty());
    EXPECT_FALSE(app.mInitialized);
    EXPECT_EQ(app.mSoundManager, nullptr);
}

// Starts from the arguments after the program's name, in the test's folder.
class SeededApp : public ScriptedApp {
public:
    SeededApp(ScriptedClock& clock, std::vector<const char*> argv) : ScriptedApp(clock)
    {
        argv.insert(argv.begin(), "zarquel");
        SetCommandLine(static_cast<int>(argv.size()), argv.data());
    }
    bool OnChangeDirectory(const std::string&) override { return true; }
};

// The stream holds `first` and a key press, both at update 0.
std::string WriteDemo(const Testing::TempDir& dir, const Vorn::DemoCommand& first)
{
    Vorn::DemoStream stream(Vorn::DemoMode::Recording);
    stream.RecordCommand(0, first);
    stream.RecordCommand(0, Vorn::DemoCommand::KeyDown(65));
    EXPECT_TRUE(Vorn::SaveDemoFile(dir / "run.dmo", "", Vorn::DemoFileInfo{0xC0FFEE, {{"start", 3}}, 15},
                                   stream.GetBuffer()));
    return "-demofile=" + (dir / "run.dmo");
}

TEST(Init, SeedsBothGeneratorsWithTheTickCountOrTheDemosSeed)
{
    Testing::TempDir dir;
    const std::string demo = WriteDemo(dir, Vorn::DemoCommand::Close());
    // Recording last: it saves its own demo over the file.
    const std::pair<const char*, uint32_t> modes[] = {{"-play", 0xC0FFEE}, {"", 123456}, {"-record", 123456}};
    for (const auto& [mode, seed] : modes) {
        SCOPED_TRACE(mode);
        ScriptedClock clock(123456);
        SeededApp app(clock, {mode, demo.c_str()});
        app.Init();
        EXPECT_EQ(app.mRandSeed, seed);
        const int runtime = Platform::Rand();
        EXPECT_EQ(Vorn::TheRandomGenerator().Next(), Vorn::RandomGenerator(seed).Next());
        Platform::SRand(seed);
        EXPECT_EQ(runtime, Platform::Rand());
        EXPECT_EQ(app.mDemoLength, app.mPlaying ? 15 : 0);
    }
}

TEST(Init, TakesTheRecordedDisplayStateWhenThePlaybackStartsWithIt)
{
    using C = Vorn::DemoCommand;
    const std::tuple<C, bool, int32_t> cases[] = {
        {C::DisplayMode(false, 75), false, 75}, {C::DisplayMode(true, 0), true, 60},
        {C::DisplayMode(true, 144), true, 60}, {C::KeyUp(66), true, Testing::FakeWindow().refreshRate}};
    for (const auto& [first, windowed, refreshRate] : cases) {
        SCOPED_TRACE(refreshRate);
        Testing::TempDir dir;
        ScriptedClock clock;
        SeededApp app(clock, {"-play", WriteDemo(dir, first).c_str()});
        app.Init();
        EXPECT_EQ(app.mIsWindowed, windowed);
        EXPECT_EQ(app.mRefreshRate, refreshRate);
        if (first.type != Vorn::DemoCommandType::DisplayMode) {
            EXPECT_EQ(app.mDemoStream.ReplayNextCommand(0), first);
        }
        EXPECT_EQ(app.mDemoStream.ReplayNextCommand(0), C::KeyDown(65));
    }
}

class DemoStartDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DemoStartDeathTest, ADemoThatCannotBeLoadedEndsTheProgramWithItsText)
{
    const std::string missing = (std::filesystem::temp_directory_path() / "zarquel-no-such-folder/missing.dmo").string();
    const std::string demo = "-demofile=" + missing;
    ScriptedClock clock;
    SeededApp app(clock, {"-play", demo.c_str()});
    EXPECT_EXIT(app.Init(), ::testing::ExitedWithCode(0), "FATAL ERROR: Demo file not found: .*missing.dmo");
}

class SecondInstanceDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(SecondInstanceDeathTest, ExitsInSingleInstanceModeAndRunsOnOtherwise)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_EXIT(app.NotifyRunningInstanceAndExit(), ::testing::ExitedWithCode(0), "");
    app.mSingleInstanceMode = false;
    app.NotifyRunningInstanceAndExit();
    SUCCEED();
}

} // namespace

namespace {

class WindowedStartupApp : public Testing::WindowedApp {
public:
    using WindowedApp::WindowedApp;
    void InitHook() override { mHooks.push_back("InitHook"); }
    void PreCreateWindow() override { mHooks.push_back("PreCreateWindow"); }
    void PostInit() override { mHooks.push_back("PostInit"); }
    bool OnChangeDirectory(const std::string&) override { return true; }
};

TEST(Init, OpensTheWindowWithItsDisplayAfterTheCursorsAndBeforeTheSound)
{
    ScriptedClock clock;
    WindowedStartupApp app(clock);
    app.Init();
    EXPECT_EQ(app.mHooks, (std::vector<std::string>{"InitHook", "PreCreateWindow", "InitDisplay", "PostInit"}));
    ASSERT_NE(app.mMainWindow, nullptr);
    EXPECT_EQ(app.mWindow->Calls().front(), "Create 800x600 Framed");
    ASSERT_NE(app.mInvisibleWindow, nullptr);
    const auto* hand = dynamic_cast<const Testing::FakeCursor*>(app.mHandCursor.get());
    const auto* open = dynamic_cast<const Testing::FakeCursor*>(app.mDraggingCursor.get());
    ASSERT_TRUE(hand && open);
    EXPECT_EQ(hand->hotSpot, (Platform::Point{11, 4}));
    EXPECT_EQ(open->hotSpot, (Platform::Point{15, 10}));
    EXPECT_NE(app.mNotifyMessage, 0u);
    EXPECT_TRUE(app.mSoundManager && app.mMusicInterface);
    EXPECT_TRUE(app.mInitialized);
}

TEST(Init, StartsInFullScreenWhenTheWindowWouldNotFitTheDesktop)
{
    const std::pair<Platform::Rect, bool> cases[] = {
        {{0, 0, 1024, 740}, true}, {{0, 0, 800, 740}, false}, {{0, 0, 1024, 600}, false}, {{0, 0, 0, 0}, true}};
    for (const auto& [workArea, windowed] : cases) {
        SCOPED_TRACE(workArea.width);
        ScriptedClock clock;
        WindowedStartupApp app(clock);
        app.mWorkArea = workArea;
        app.Init();
        EXPECT_EQ(app.mIsWindowed, windowed);
        EXPECT_EQ(app.mForceFullScreen, !windowed);
    }
}

TEST(Init, PutsTheApplicationDataFolderBeforeARelativeDemoName)
{
    const std::pair<std::string, bool> cases[] = {
        {"vornapp.dmo", true}, {"/tmp/zarquel-run.dmo", false}, {"C:demo.dmo", false}, {"\\\\server\\demo.dmo", false}};
    for (const auto& [name, prefixed] : cases) {
        SCOPED_TRACE(name);
        ScriptedClock clock;
        WindowedStartupApp app(clock);
        app.mDemoFileName = name;
        app.Init();
        const std::string folder = Vorn::GetAppDataFolder();
        EXPECT_EQ(folder.front(), '/');
        EXPECT_EQ(folder.back(), '/');
        EXPECT_EQ(app.mDemoFileName, prefixed ? folder + name : name);
    }
}

class SingleInstanceDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
};

TEST_F(SingleInstanceDeathTest, ASecondCopyBringsTheFirstToTheFrontAndExits)
{
    ScriptedClock clock;
    WindowedStartupApp first(clock);
    first.Init();
    WindowedStartupApp second(clock);
    second.mInstanceFolder = first.mInstanceFolder;
    EXPECT_EXIT(second.Init(), ::testing::ExitedWithCode(0), "");

    const auto broughtToFront = [&] {
        const auto& calls = first.mWindow->Calls();
        return std::find(calls.begin(), calls.end(), "BringToFront") != calls.end();
    };
    for (int i = 0; i < 500 && !broughtToFront(); ++i) {
        first.mWindow->PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(broughtToFront());

    // A screen saver runs beside the copy already running.
    WindowedStartupApp saver(clock);
    saver.mInstanceFolder = first.mInstanceFolder;
    const char* argv[] = {"zarquel", "-screensaver"};
    saver.SetCommandLine(2, argv);
    saver.Init();
    EXPECT_TRUE(saver.mInitialized);
}

// The real program under a virtual X server: it opens its window, runs its
// loop, and on the polite request to end writes its settings and exits 0.
// A second copy started meanwhile hands over to the first and exits 0.
TEST(Program, RunsUnderAnXServerAndEndsCleanlyOnTerminate)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    const std::filesystem::path program =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "game" / "zarquel";
    if (!std::filesystem::exists(program))
        GTEST_SKIP() << "the program is not built";
    Testing::TempDir dir;
    const std::string p = program.string();
    const std::string script =
        "cd '" + dir.Path() + "' && env -u SDL_VIDEODRIVER XDG_CONFIG_HOME=$PWD XDG_DATA_HOME=$PWD " +
        "XDG_RUNTIME_DIR=$PWD xvfb-run -a -s '-screen 0 1024x768x24' sh -c '\"" + p + "\" >first.log 2>&1 & P=$!; " +
        "for i in $(seq 300); do grep -q \"Draw buffer\" first.log && break; sleep 0.1; done; sleep 0.5; " +
        "\"" + p + "\" >second.log 2>&1; echo $? >second.code; kill -TERM $P; wait $P; echo $? >first.code'";
    ASSERT_EQ(std::system(script.c_str()), 0);
    const auto read = [&](const std::string& name) {
        std::ifstream in(dir / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read("first.code"), "0\n") << read("first.log");
    EXPECT_EQ(read("second.code"), "0\n") << read("second.log");
    EXPECT_NE(read("first.log").find("Window is             800 x  600"), std::string::npos) << read("first.log");
    EXPECT_NE(read("first.log").find("Update Count  = "), std::string::npos);
    EXPECT_EQ(read("second.log").find("Window is"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "Tavoren"));
}

} // namespace
