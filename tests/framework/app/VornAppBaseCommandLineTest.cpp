#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/app/PathUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Testing::TempDir;
using Pairs = std::vector<std::pair<std::string, std::string>>;

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

TEST_F(CommandLineDeathTest, AnUnknownOrMiscasedOptionEndsTheProgramWithCodeZero)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_EXIT(app.SplitCommandLine("-play foo -record"), ::testing::ExitedWithCode(0),
                "FATAL ERROR: Invalid command line parameter: foo");
    EXPECT_EXIT(app.ApplyCommandLineOption("-PLAY", ""), ::testing::ExitedWithCode(0),
                "Invalid command line parameter: -PLAY");
    app.SetString("INVALID_COMMANDLINE_PARAM", u"Unknown option: ");
    EXPECT_EXIT(app.ApplyCommandLineOption("-fast", "1"), ::testing::ExitedWithCode(0), "Unknown option: -fast");
    EXPECT_DEATH(app.ApplyCommandLineOption("-crash", ""), "");
}

} // namespace
