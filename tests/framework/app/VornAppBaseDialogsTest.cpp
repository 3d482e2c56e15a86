#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/widgets/Dialog.h"
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

class LoggingApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ModalOpen() override { mLog.push_back("modal open"); }
    Vorn::Dialog* MakeDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                             const std::string& footer, int32_t mode) override
    {
        return mCannotMake ? nullptr : ScriptedApp::MakeDialog(id, modal, header, lines, footer, mode);
    }
    bool mCannotMake = false;
};

TEST(Dialogs, OpeningUnderATakenIdClosesTheOlderDialogWithResultZero)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* first = app.OpenDialog(4, false, "H", "L", "F", 2);
    EXPECT_EQ(first->mResult, 0x7FFFFFFF);
    Vorn::Dialog* second = app.OpenDialog(4, false, "H", "L", "F", 2);
    EXPECT_EQ(first->mResult, 0);
    EXPECT_EQ(app.mDialogList, std::list<Vorn::Dialog*>{second});
    ASSERT_EQ(app.mDeferredDeleteQueue.size(), 1u);
    EXPECT_EQ(app.mDeferredDeleteQueue.front().second, first);
}

TEST(Dialogs, AddingAnOpenDialogAgainUnderAnyIdChangesNothingAndAChosenResultIsKept)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* dialog = app.OpenDialog(4, false, "H", "L", "F", 2);
    app.AddDialog(4, dialog);
    app.AddDialog(5, dialog);
    EXPECT_EQ(app.mDialogMap, (std::map<int32_t, Vorn::Dialog*>{{4, dialog}}));
    EXPECT_TRUE(app.mDeferredDeleteQueue.empty());
    dialog->mResult = 1001;
    app.CloseDialogObject(dialog);
    EXPECT_EQ(dialog->mResult, 1001);
}

TEST(Dialogs, ADialogThatCouldNotBeMadeAddsNothing)
{
    ScriptedClock clock;
    LoggingApp app(clock);
    app.mCannotMake = true;
    EXPECT_EQ(app.OpenDialog(3, true, "H", "L", "F", 1), nullptr);
    app.AddDialogObject(nullptr);
    EXPECT_FALSE(app.CloseDialogObject(nullptr));
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_TRUE(app.mLog.empty());
}

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
