#include "framework/app/VornAppBase.h"

#include "fakes/FatalExit.h"
#include "fakes/Jpeg2000File.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "fakes/WindowedApp.h"
#include "framework/crash/CrashCatcher.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::VornAppBase;

class ShutdownMusic : public Vorn::MusicInterface {
public:
    explicit ShutdownMusic(std::vector<std::string>& log) : mLog(log) {}
    void StopAllMusic() override { mLog.push_back("stop music"); }
    void SetVolume(double volume) override { mLog.push_back("music volume " + std::to_string(volume)); }

private:
    std::vector<std::string>& mLog;
};

class ShutdownApp : public ScriptedApp {
public:
    explicit ShutdownApp(ScriptedClock& clock) : ScriptedApp(clock)
    {
        mMusicInterface = std::make_unique<ShutdownMusic>(mLog);
    }
    // The base's own shut-down would otherwise log into a log already gone.
    ~ShutdownApp() override { mMusicInterface.reset(); }
    void OnShutdown() override { mLog.push_back("OnShutdown"); }
    void SaveSettings() override { mLog.push_back("SaveSettings"); }
};

TEST(Shutdown, EndsTheLoopOnceAndOnlyOnce)
{
    ScriptedClock clock;
    ShutdownApp app(clock);
    app.mSaveSettingsAtShutdown = true;
    app.Shutdown();
    app.Shutdown();
    EXPECT_EQ(app.mLog, (std::vector<std::string>{"OnShutdown", "stop music", "SaveSettings"}));

    EXPECT_FALSE(app.StepLoopState(nullptr));
    EXPECT_FALSE(app.StepUntilUpdate());
}

// The application brings the JPEG 2000 codec with it and lets it go when it
// shuts down.
TEST(Shutdown, JpegTwoThousandImagesReadFromConstructionToShutdown)
{
    Testing::TempDir dir;
    const std::vector<uint8_t> file = Testing::EncodeJpeg2000(OPJ_CODEC_J2K, {{1, 2, 3, 4, 5, 6}});
    dir.WriteFile("grey.j2k", std::string(file.begin(), file.end()));
    const std::string path = dir / "grey.j2k";
    ImageLib::FreeJPEG2000Codec();
    ScriptedClock clock;
    ShutdownApp app(clock);
    const auto image = ImageLib::LoadImageFile(path, false);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetBits()[5], 0xFF060606u);
    app.Shutdown();
    EXPECT_EQ(ImageLib::LoadImageFile(path, false), nullptr);
}

// The loading thread's report of failed resources is shown by the main
// loop, which then shuts the program down; the game learns that loading
// failed.
TEST(Shutdown, ResourcesThatFailOnTheLoadingThreadAreShownByTheMainLoopWhichEnds)
{
    struct ReportingApp : ScriptedApp {
        using ScriptedApp::ScriptedApp;
        void ShowFatalError(const std::string& text) override
        {
            mShown.push_back(text + (std::this_thread::get_id() == mMainThreadId ? " on main" : " elsewhere"));
        }
        std::vector<std::string> mShown;
    };
    ScriptedClock clock;
    ReportingApp app(clock);
    app.mMainThreadId = std::this_thread::get_id();
    ASSERT_FALSE(app.mResourceManager->ReadManifestFile("no/such/resources.xml"));
    std::thread([&app] {
        app.ReportResourceFailure(false);
        app.SetLoadingFailed();
    }).join();
    EXPECT_TRUE(app.mShown.empty());
    EXPECT_TRUE(app.LoadingFailed());
    app.mLoopState = VornAppBase::kStateUpdate;
    app.Process(true);
    EXPECT_EQ(app.mShown, std::vector<std::string>{"Resource file not found: no/such/resources.xml on main"});
    EXPECT_TRUE(app.mShutdown);
}

TEST(Shutdown, FromAnotherThreadOnlyAsksTheMainLoop)
{
    ScriptedClock clock;
    ShutdownApp app(clock);
    app.mMainThreadId = std::this_thread::get_id();
    std::thread([&] { app.Shutdown(); }).join();
    EXPECT_FALSE(app.mShutdown);
    EXPECT_TRUE(app.mShutdownRequested);
    EXPECT_TRUE(app.mLog.empty());

    app.mLoopState = Vorn::VornAppBase::kStateUpdate;
    app.Process(true);
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mLog.front(), "OnShutdown");
}

class FailingLoadApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    ~FailingLoadApp() override { WaitForLoadingThread(); }
    void RunLoadingThread() override { RequestShutdown(); }
};

TEST(Shutdown, LoadingThatFailsEndsARunningProgram)
{
    ScriptedClock clock;
    FailingLoadApp app(clock);
    app.Start();
    EXPECT_TRUE(app.mShutdown);
    EXPECT_TRUE(app.mLoadingThreadFinished);
}

// Forked without re-running the test, so that the child writes the file the
// parent made room for.
class ExitProgramDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
};

TEST_F(ExitProgramDeathTest, EndsWithTheCodeAfterFlushingOpenStreams)
{
    Testing::TempDir dir;
    const std::string path = dir / "out.txt";
    EXPECT_FATAL_EXIT(
        {
            std::FILE* file = std::fopen(path.c_str(), "w");
            std::fputs("written before the exit", file);
            Vorn::ExitProgram(3);
        },
        3, "");
    std::ifstream in(path);
    std::stringstream contents;
    contents << in.rdbuf();
    EXPECT_EQ(contents.str(), "written before the exit");
}

// A death test's child, started afresh or forked, ends through the fatal
// exit, which runs no destructor: the temporary folders it made go all the
// same, and a forked child leaves those of its parent alone. The child's
// folders are made below one the test watches.
class FatalExitDeathTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        mStyle = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, GetParam());
        if (const char* folder = std::getenv("TMPDIR"))
            mTemp = folder;
    }
    void TearDown() override
    {
        GTEST_FLAG_SET(death_test_style, mStyle);
        if (mTemp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", mTemp.c_str(), 1);
    }

private:
    std::string mStyle;
    std::string mTemp;
};

TEST_P(FatalExitDeathTest, LeavesNoTemporaryFolderOfTheChildBehind)
{
    Testing::TempDir watched;
    watched.WriteFile("parent.txt", "kept");
    setenv("TMPDIR", watched.Path().c_str(), 1);
    EXPECT_FATAL_EXIT(
        {
            Testing::TempDir child;
            child.WriteFile("a/b.txt", "made by the child");
            Vorn::ExitProgram(0);
        },
        0, "");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(watched.Path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"parent.txt"});
}

INSTANTIATE_TEST_SUITE_P(AfreshAndForked, FatalExitDeathTest, ::testing::Values("threadsafe", "fast"));

// The test binaries' main installs the hook: a test that reaches a fatal
// path fails, where the exit would have ended its process as a pass.
TEST(ExitProgram, UnderTestAFatalExitFailsTheTestThatTookIt)
{
    EXPECT_NONFATAL_FAILURE(
        {
            try {
                Vorn::ExitProgram(0);
            } catch (const Testing::FatalExit& exit) {
                EXPECT_EQ(exit.code, 0);
            }
        },
        "fatal exit with code 0");
}


TEST(Shutdown, ClosingTheWindowEndsTheRunWithTheSettingsWrittenAndTheThreadsEnded)
{
    ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.mRegKey = "Test\\Zarquel";
    app.Init();
    int32_t inProgress = 0;
    ASSERT_TRUE(app.ReadRegistryInteger("InProgress", inProgress));
    EXPECT_EQ(inProgress, 1);

    app.mWindow->Inject({Platform::WM_CLOSE, 0, 0});
    app.Start();
    EXPECT_TRUE(app.mShutdown && app.mLoadingThreadFinished);
    EXPECT_FALSE(app.mCursorThreadRunning || app.mWindow->Visible());
    ASSERT_TRUE(app.ReadRegistryInteger("InProgress", inProgress));
    EXPECT_EQ(inProgress, 0);
}

// Notes what still held when the application destroyed its widget manager.
class WitnessManager : public Vorn::WidgetManager {
public:
    struct Seen {
        bool crashPointerSet = true;
        bool appPointerSet = false;
        bool loadingFinished = false;
    };

    WitnessManager(VornAppBase* app, Seen* seen) : WidgetManager(app), mSeen(seen) {}
    ~WitnessManager() override
    {
        mSeen->crashPointerSet = Vorn::gCrashHandlerApp != nullptr;
        mSeen->appPointerSet = Vorn::gApplication != nullptr;
        mSeen->loadingFinished = mApp->mLoadingThreadFinished;
    }

private:
    Seen* mSeen;
};

TEST(AppObject, CrashPointerIsClearedBeforeTeardownAndTheAppPointerAfter)
{
    WitnessManager::Seen seen;
    {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mWidgetManager = std::make_unique<WitnessManager>(&app, &seen);
    }
    EXPECT_FALSE(seen.crashPointerSet);
    EXPECT_TRUE(seen.appPointerSet);
    EXPECT_EQ(Vorn::gApplication, nullptr);
}

TEST(AppObject, DestructionWaitsForTheLoadingThreadBeforeFreeingWhatItUses)
{
    WitnessManager::Seen seen;
    auto app = std::make_unique<VornAppBase>();
    app->mWidgetManager = std::make_unique<WitnessManager>(app.get(), &seen);
    app->mLoadingThreadStarted = true;
    std::thread loading([flag = &app->mLoadingThreadFinished] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        *flag = true;
    });
    app.reset();
    loading.join();
    EXPECT_TRUE(seen.loadingFinished);
}

TEST(AppObject, WithoutInitOpenDialogsAndQueuedWidgetsAreDeletedWithTheApplication)
{
    ScriptedClock clock;
    auto app = std::make_unique<ScriptedApp>(clock);
    app->SetDemoMode(Vorn::DemoMode::Playing);
    app->mSaveSettingsAtShutdown = true;
    app->OpenDialog(1, false, "Header", "Lines", "Footer", 2);
    app->OpenDialog(2, true, "Header", "Lines", "Footer", 1);
    app->QueueWidgetDeletion(new Vorn::Widget);
    EXPECT_EQ(app->GetDialogCount(), 2);
    // Leak-checked under the sanitizers.
    app.reset();
    EXPECT_EQ(Vorn::gApplication, nullptr);
}

} // namespace
