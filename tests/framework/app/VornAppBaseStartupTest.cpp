#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
    const char* argv[] = {"zarquel", "-play"};
    app.SetCommandLine(2, argv);
    app.FetchCommandLine();
    app.mLog.clear();
    app.Init();
    EXPECT_EQ(std::count(app.mLog.begin(), app.mLog.end(), "-play"), 0);
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
