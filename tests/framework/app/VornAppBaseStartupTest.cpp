#include "framework/app/VornAppBase.h"

#include "fakes/CurrentPathGuard.h"
#include "fakes/FatalExit.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "fakes/WindowedApp.h"
#include "fakes/XvfbRun.h"
#include "framework/app/DemoFile.h"
#include "framework/app/PathUtils.h"
#include "framework/app/RandomGenerator.h"
#include "framework/app/StringUtils.h"
#include "framework/resources/ResourceManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "platform/Random.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <tuple>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Testing::TempDir;
using Pairs = std::vector<std::pair<std::string, std::string>>;

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

TEST(Init, PreparesInOrderAndEntersTheWorkingFolder)
{
    Testing::CurrentPathGuard guard;
    Testing::TempDir dir;
    ScriptedClock clock;
    StartupApp app(clock);
    const std::string changeDir = "-changedir=" + dir.Path();
    const char* argv[] = {"zarquel", "-screensaver", changeDir.c_str()};
    app.SetCommandLine(3, argv);
    // Made whether or not this machine has an audio device; without sound it
    // opens none.
    app.mNoSound = true;

    app.Init();

    EXPECT_EQ(app.mLog,
              (std::vector<std::string>{"InitHook", "LoadSettings", "-screensaver", "-changedir", "PostInit with sound"}));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.Path()));
    EXPECT_FALSE(app.mSoundManager->IsInitialized());
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

class StartDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(StartDeathTest, ADemoThatCannotBeLoadedEndsTheProgramWithItsText)
{
    const std::string missing = (std::filesystem::temp_directory_path() / "zarquel-no-such-folder/missing.dmo").string();
    const std::string demo = "-demofile=" + missing;
    ScriptedClock clock;
    SeededApp app(clock, {"-play", demo.c_str()});
    EXPECT_FATAL_EXIT(app.Init(), 1, "FATAL ERROR: Demo file not found: .*missing.dmo");
}

class WindowedStartupApp : public Testing::WindowedApp {
public:
    using WindowedApp::WindowedApp;
    void InitHook() override { mHooks.push_back("InitHook"); }
    void PreCreateWindow() override { mHooks.push_back("PreCreateWindow"); }
    void PostInit() override { mHooks.push_back("PostInit"); }
    bool OnChangeDirectory(const std::string&) override { return true; }
};

TEST(Init, OpensTheWindowInAModeThatFitsAndKeepsTheDemoUnderTheDataFolder)
{
    // Work area; demo file name; windowed; the name is put under the folder.
    const std::tuple<Platform::Rect, std::string, bool, bool> cases[] = {
        {{0, 0, 1024, 740}, "vornapp.dmo", true, true}, {{0, 0, 800, 740}, "/tmp/run.dmo", false, false},
        {{0, 0, 1024, 600}, "C:run.dmo", false, false}, {{0, 0, 0, 0}, "\\\\pc\\run.dmo", true, false}};
    for (const auto& [workArea, demo, windowed, prefixed] : cases) {
        SCOPED_TRACE(demo);
        ScriptedClock clock;
        WindowedStartupApp app(clock);
        app.mWorkArea = workArea;
        app.mDemoFileName = demo;
        app.Init();
        EXPECT_EQ(app.mHooks, (std::vector<std::string>{"InitHook", "PreCreateWindow", "InitDisplay", "PostInit"}));
        EXPECT_EQ(app.mIsWindowed, windowed);
        EXPECT_EQ(app.mForceFullScreen, !windowed);
        EXPECT_EQ(app.mDemoFileName, prefixed ? Vorn::GetAppDataFolder() + demo : demo);
        EXPECT_EQ(Vorn::GetAppDataFolder().front(), '/');
    }
}

// A window fits when the client area of a maximised window, the work area
// less the frame, holds it.
TEST(Init, AWindowFitsWhenTheWorkAreaLessTheFrameHoldsIt)
{
    for (const int workHeight : {643, 642}) {
        SCOPED_TRACE(workHeight);
        ScriptedClock clock;
        WindowedStartupApp app(clock);
        app.mWorkArea = {0, 0, 1024, workHeight};
        app.mWindowFrame = {2, 40, 2, 2};
        app.Init();
        EXPECT_EQ(app.mIsWindowed, workHeight == 643);
    }
}

// The main thread's number as the system shows it, not a hash of it.
TEST(Init, TheCrashTextNamesTheMainThreadBySystemNumber)
{
    ScriptedClock clock;
    WindowedStartupApp app(clock);
    app.Init();
    const std::string text = app.GetCrashInfo();
    EXPECT_NE(text.find("\r\nPrimary ThreadId: " + Vorn::FormatString("%X", Platform::CurrentThreadId()) + "\r\n"),
              std::string::npos)
        << text;
}

// A manifest that cannot be read is shown and ends the program; one that can
// is read into the resource manager.
TEST(Init, TheResourceManifestIsReadOrItsFailureEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Testing::TempDir dir;
    const Testing::CurrentPathGuard here;
    std::filesystem::current_path(dir.Path());
    ScriptedClock clock;
    WindowedStartupApp app(clock);
    EXPECT_FATAL_EXIT(app.ReadResourceManifest(), 1, "fatal Resource file not found: properties.resources\\.xml");
    dir.WriteFile("properties/resources.xml",
                  "<ResourceManifest><Resources id=\"Init\"><Sound id=\"S\" path=\"s.wav\"/></Resources>"
                  "</ResourceManifest>");
    app.ReadResourceManifest();
    EXPECT_EQ(app.mResourceManager->CountGroupResources("Init"), 1);
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
    // In this process: a forked child would inherit the first copy's threads'
    // locks, and could hang on one.
    EXPECT_FATAL_EXIT_IN_PROCESS(second.Init(), 0);
    const auto& calls = first.mWindow->Calls();
    for (int i = 0; i < 500 && std::count(calls.begin(), calls.end(), "BringToFront") == 0; ++i) {
        first.mWindow->PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "BringToFront"), 1);
}

// The real program under a virtual X server opens its window showing its
// title, loads, runs, and when its window is closed as by the close button
// writes its settings and exits 0; a second copy started meanwhile hands over
// to it and exits 0 without a window.
TEST(Program, RunsUnderAnXServerShowsItsWindowAndEndsCleanlyOnClose)
{
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string program = (self.parent_path().parent_path() / "game" / "zarquel").string();
    if (!Testing::HasXvfb() || !std::filesystem::exists(program))
        GTEST_SKIP() << "needs xvfb-run and the built program";
    Testing::TempDir dir;
    const std::string script = "P=\"" + program + "\"\nX=\"" XPROBE "\"\n"
                               "\"$P\" >1.log 2>&1 & Z=$!\n"
                               "\"$X\" wait Zarquel 30 &&\n"
                               "  for i in $(seq 300); do grep -q 'Resource Loading Time' 1.log && break; sleep 0.1; done &&\n"
                               "  sleep 0.3 && \"$X\" shot Zarquel shot.ppm\n"
                               "\"$P\" >2.log 2>&1; echo $? >2.code\n"
                               "\"$X\" close Zarquel; echo $? >close.code\n"
                               "[ \"$(cat close.code)\" = 0 ] || kill $Z\n"
                               "wait $Z; echo $? >1.code\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 90));
    const auto read = [&](const std::string& name) { return Testing::ReadTextFile(dir / name); };
    EXPECT_EQ(read("close.code") + read("1.code") + read("2.code"), "0\n0\n0\n") << read("1.log") << read("2.log");
    EXPECT_NE(read("1.log").find("Window is             800 x  600"), std::string::npos);
    EXPECT_NE(read("1.log").find("Update Count  = "), std::string::npos);
    EXPECT_EQ(read("1.log").find("Update Count  = 0\r"), std::string::npos);
    EXPECT_EQ(read("2.log").find("Window is"), std::string::npos);

    const Testing::Screenshot shot = Testing::ReadScreenshot(dir / "shot.ppm");
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    // The title picture fills the window: hardly a black pixel.
    EXPECT_LT(std::count(shot.rgb.begin(), shot.rgb.end(), 0), 800 * 600 * 3 / 100);

    const std::filesystem::recursive_directory_iterator config(dir / "config");
    EXPECT_TRUE(std::any_of(begin(config), end(config), [](const auto& entry) { return entry.is_regular_file(); }));
}

// Records the pairs instead of applying them.
class PairRecorder : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ApplyCommandLineOption(const std::string& name, const std::string& value) override
    {
        mPairs.emplace_back(name, value);
    }
    Pairs mPairs;
};

struct SplitCase {
    const char* text;
    Pairs pairs;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, HandsEachPairOver)
{
    ScriptedClock clock;
    PairRecorder app(clock);
    app.SplitCommandLine(GetParam().text);
    EXPECT_EQ(app.mPairs, GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"  -demofile=a.dmo   -record  ", {{"-demofile", "a.dmo"}, {"-record", ""}}},
        SplitCase{"\"-demofile=my demo.dmo\"", {{"-demofile", "my demo.dmo"}}},
        SplitCase{"-demofile=\"my demo.dmo\" -play", {{"-demofile", "my demo.dmo"}, {"-play", ""}}},
        // A closing quote ends the pair even without a blank after it.
        SplitCase{"\"a b\"c", {{"a b", ""}, {"c", ""}}},
        // Only the first '=' ends the name.
        SplitCase{"-changedir=C:\\Games\\x=y", {{"-changedir", "C:\\Games\\x=y"}}},
        SplitCase{"-a=b=c -d==", {{"-a", "b=c"}, {"-d", "="}}}, SplitCase{"-recnum=", {{"-recnum", ""}}},
        // An empty name is never applied; its value runs on into what follows.
        SplitCase{"=x -play", {}}, SplitCase{"   ", {}}, SplitCase{"\"\"", {}}));

class AppDataFolderGuard {
public:
    explicit AppDataFolderGuard(const std::string& folder) { Vorn::SetAppDataFolder(folder); }
    ~AppDataFolderGuard() { Vorn::SetAppDataFolder(""); }
};

TEST(DemoFileOption, PutsTheDataFolderInFrontOfRelativeNamesOnly)
{
    const std::pair<const char*, const char*> cases[] = {{"my demo.dmo", "/data/zarquel/my demo.dmo"},
        {"d", "/data/zarquel/d"}, {"C:demo.dmo", "C:demo.dmo"}, {"C:\\demos\\a.dmo", "C:\\demos\\a.dmo"},
        {"ab\\c.dmo", "ab\\c.dmo"}, {"/home/player/a.dmo", "/home/player/a.dmo"}};
    AppDataFolderGuard folder("/data/zarquel/");
    for (const auto& [value, expected] : cases) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.ApplyCommandLineOption("-demofile", value);
        EXPECT_EQ(app.mDemoFileName, expected);
    }
    Vorn::SetAppDataFolder("");
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.ApplyCommandLineOption("-demofile", "demo.dmo");
    EXPECT_EQ(app.mDemoFileName, "demo.dmo");
}

struct NumberedCase {
    std::vector<const char*> files;
    const char* option;
    const char* value;
    const char* chosen;
    std::vector<const char*> remaining;
};

class NumberedDemoTest : public ::testing::TestWithParam<NumberedCase> {};

TEST_P(NumberedDemoTest, ChoosesRotatesAndPlaysInTheDataFolder)
{
    TempDir dir;
    for (const char* file : GetParam().files)
        dir.WriteFile(file, "demo");
    AppDataFolderGuard folder(dir.Path() + "/");
    ScriptedClock clock;
    ScriptedApp app(clock);

    app.ApplyCommandLineOption(GetParam().option, GetParam().value);

    EXPECT_EQ(app.mDemoFileName, dir.Path() + "/" + GetParam().chosen);
    const bool recording = std::string(GetParam().option) == "-recnum";
    EXPECT_EQ(app.mRecording, recording);
    EXPECT_EQ(app.mPlaying, !recording);
    std::set<std::string> remaining;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        remaining.insert(entry.path().filename().string());
    EXPECT_EQ(remaining, std::set<std::string>(GetParam().remaining.begin(), GetParam().remaining.end()));
}

INSTANTIATE_TEST_SUITE_P(Folders, NumberedDemoTest, ::testing::Values(
    NumberedCase{{}, "-recnum", "5", "vornapp1.dmo", {}}, NumberedCase{{}, "-playnum", "1", "vornapp0.dmo", {}},
    // Three or more with a keep of 3: the oldest goes.
    NumberedCase{{"vornapp1.dmo", "vornapp2.dmo", "vornapp3.dmo"}, "-recnum", "3abc", "vornapp4.dmo",
                 {"vornapp2.dmo", "vornapp3.dmo"}},
    // No value keeps 5.
    NumberedCase{{"vornapp1.dmo", "vornapp2.dmo", "vornapp3.dmo", "vornapp4.dmo", "vornapp5.dmo"}, "-recnum", "",
                 "vornapp6.dmo", {"vornapp2.dmo", "vornapp3.dmo", "vornapp4.dmo", "vornapp5.dmo"}},
    NumberedCase{{"vornapp1.dmo", "vornapp2.dmo"}, "-recnum", "99999999999", "vornapp3.dmo",
                 {"vornapp1.dmo", "vornapp2.dmo"}},
    NumberedCase{{"vornapp3.dmo"}, "-playnum", "-2147483648", "vornapp3.dmo", {"vornapp3.dmo"}},
    NumberedCase{{"vornapp3.dmo"}, "-playnum", "99999999999", "vornapp-2147483643.dmo", {"vornapp3.dmo"}},
    // Only base name, digits as written, ".dmo" and nothing else count.
    NumberedCase{{"vornapp3x.dmo", "vornapp007.dmo", "vornapp-4.dmo", "VORNAPP5.DMO", "vornapp6.dmo.bak",
                  "vornapp99999999999.dmo", "vornapp.dmo"}, "-recnum", "1", "vornapp1.dmo",
                 {"vornapp3x.dmo", "vornapp007.dmo", "vornapp-4.dmo", "VORNAPP5.DMO", "vornapp6.dmo.bak",
                  "vornapp99999999999.dmo", "vornapp.dmo"}},
    NumberedCase{{"vornapp2147483647.dmo"}, "-recnum", "5", "vornapp2147483647.dmo", {"vornapp2147483647.dmo"}}));

class CommandLineDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CommandLineDeathTest, AnUnknownOrMiscasedOptionEndsTheProgramAsFailed)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_FATAL_EXIT(app.SplitCommandLine("-play foo -record"), 1,
                "FATAL ERROR: Invalid command line parameter: foo");
    EXPECT_FATAL_EXIT(app.ApplyCommandLineOption("-PLAY", ""), 1,
                "Invalid command line parameter: -PLAY");
    app.SetString("INVALID_COMMANDLINE_PARAM", u"Unknown option: ");
    EXPECT_FATAL_EXIT(app.ApplyCommandLineOption("-fast", "1"), 1, "Unknown option: -fast");
    // The crash catcher's report lands in a folder of the test's own.
    const Testing::TempDir dir;
    EXPECT_DEATH(
        {
            std::filesystem::current_path(dir.Path());
            app.ApplyCommandLineOption("-crash", "");
        },
        "");
}

} // namespace
