#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/MessageBox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using ::testing::MatchesRegex;

// The process works in a fresh folder, where the error log lands.
class ScratchWorkingFolder {
public:
    ScratchWorkingFolder() { std::filesystem::current_path(mFolder.Path()); }
    ~ScratchWorkingFolder() { std::filesystem::current_path(mOld); }
    ScratchWorkingFolder(const ScratchWorkingFolder&) = delete;
    ScratchWorkingFolder& operator=(const ScratchWorkingFolder&) = delete;

    std::string ErrorLog() const
    {
        std::ifstream in(mFolder / "ScrError.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path mOld = std::filesystem::current_path();
    Testing::TempDir mFolder;
};

class WebApp : public ScriptedApp {
public:
    explicit WebApp(ScriptedClock& clock) : ScriptedApp(clock)
    {
        mStartProgram = [this](const std::string& program, const std::vector<std::string>& arguments) {
            mStarted.push_back(program + " " + arguments.at(0) + " (" + std::to_string(arguments.size()) + ")");
            return mStartSucceeds;
        };
    }
    void OnWebPageFailed(const std::string& url) override
    {
        mFailed.push_back(url);
        ScriptedApp::OnWebPageFailed(url);
    }
    std::vector<std::string> mStarted;
    std::vector<std::string> mFailed;
    bool mStartSucceeds = true;
};

TEST(ErrorReports, AFatalErrorIsShownHeadlessOnStandardErrorUntilShutdownBegins)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    ::testing::internal::CaptureStderr();
    app.ShowFatalErrorW(u"Demo file not found: x.dmo");
    app.SetString("FATAL_ERROR", u"Fehler");
    app.ShowFatalError("Caf\xE9");
    app.mShutdown = true;
    app.ShowFatalError("late");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "FATAL ERROR: Demo file not found: x.dmo\nFehler: Caf\u00E9\n");
}

TEST(MessageBoxes, AHeadlessBoxAnswersItsFirstButtonAndReleasesHeldInputEvenWithoutWidgets)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mWidgetManager->mKeyDown[17] = 1;
    app.mCtrlDown = true;
    app.mTimeAcc = 50.0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(app.ShowMessageBox("Keep it?", "Question", Platform::MB_YESNO), Platform::IDYES);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Question: Keep it?\n");
    EXPECT_EQ(app.mWidgetManager->mKeyDown[17], 0);
    EXPECT_FALSE(app.mCtrlDown);
    EXPECT_EQ(app.mTimeAcc, 0.0);
    app.mWidgetManager.reset();
    EXPECT_EQ(app.ShowMessageBox("Bye", "Exit", Platform::MB_OK), Platform::IDOK);
}

TEST(MessageBoxes, InScreenSaverModeTextsAreLoggedInsteadAndAnsweredOk)
{
    const ScratchWorkingFolder folder;
    ScriptedClock clock(4321);
    ScriptedApp app(clock);
    app.mIsScreenSaver = true;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(app.ShowMessageBoxW(u"Keep it?", u"Question", Platform::MB_YESNO), Platform::IDOK);
    app.ShowFatalError("Gone");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_THAT(folder.ErrorLog(), MatchesRegex("Keep it\\? [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 4321\n"
                                                "Gone [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 4321\n"));
}

// Each run of `body` is a process of its own, which starts the log afresh.
void InNewProcess(void (*body)(ScriptedApp& app))
{
    EXPECT_EXIT(
        {
            ScriptedClock clock;
            ScriptedApp app(clock);
            body(app);
            std::fflush(nullptr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ErrorLogDeathTest, AFirstWriteThatCouldNotOpenTheLogLeavesTheNextToStartAfresh)
{
    const ScratchWorkingFolder folder;
    InNewProcess([](ScriptedApp& app) {
        std::filesystem::create_directory("ScrError.txt");
        app.AppendToErrorLog("lost");
        std::filesystem::remove("ScrError.txt");
        std::ofstream("ScrError.txt") << "an older process's line\n";
        app.AppendToErrorLog("kept");
    });
    EXPECT_THAT(folder.ErrorLog(), MatchesRegex("kept [0-9:]{8} 100000\n"));
}

TEST(WebPages, TheUrlReachesTheOpenerAsOneArgumentAndOnceWhilePending)
{
    ScriptedClock clock(777);
    WebApp app(clock);
    const std::string url = "http://example.invalid/a b?x=1&y=$(id);'\"";
    EXPECT_TRUE(app.OpenWebPage(url, false));
    EXPECT_TRUE(app.OpenWebPage(url, true));
    EXPECT_EQ(app.mStarted, std::vector<std::string>{"xdg-open " + url + " (1)"});
    EXPECT_TRUE(app.OpenWebPage("http://b.invalid/", false));
    EXPECT_EQ(app.mStarted.size(), 2u);
}

TEST(WebPages, ARefusedStartOrAMissingOpenerCallsTheFailureHookAtOnce)
{
    for (const bool missingProgram : {false, true}) {
        ScriptedClock clock;
        WebApp app(clock);
        app.mStartSucceeds = false;
        if (missingProgram) {
            app.mStartProgram = [](const std::string&, const std::vector<std::string>& arguments) {
                return Platform::StartProgram("zarquel-no-such-opener", arguments);
            };
        }
        EXPECT_FALSE(app.OpenWebPage("http://a.invalid/", false));
        EXPECT_EQ(app.mFailed, std::vector<std::string>{"http://a.invalid/"});
        EXPECT_FALSE(app.mIsOpeningURL);
    }
}

} // namespace
