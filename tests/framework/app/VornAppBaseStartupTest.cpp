#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/app/DemoFile.h"
#include "framework/app/RandomGenerator.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
