#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/MessageBox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

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

// A box answers its first button and releases held input, even without widgets.
TEST(ErrorReports, HeadlessFatalErrorsAndBoxesGoToStandardErrorUntilShutdownBegins)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    ::testing::internal::CaptureStderr();
    app.ShowFatalErrorW(u"Demo file not found: x.dmo");
    app.SetString("FATAL_ERROR", u"Fehler");
    app.ShowFatalError("Caf\xE9");
    app.mWidgetManager->mKeyDown[17] = 1;
    app.mCtrlDown = true;
    app.mTimeAcc = 50.0;
    EXPECT_EQ(app.ShowMessageBox("Keep it?", "Question", Platform::MB_YESNO), Platform::IDYES);
    app.mShutdown = true;
    app.ShowFatalError("late");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "FATAL ERROR: Demo file not found: x.dmo\nFehler: Caf\u00E9\nQuestion: Keep it?\n");
    EXPECT_EQ(app.mWidgetManager->mKeyDown[17], 0);
    EXPECT_FALSE(app.mCtrlDown);
    EXPECT_EQ(app.mTimeAcc, 0.0);
    app.mWidgetManager.reset();
    EXPECT_EQ(app.ShowMessageBox("Bye", "Exit", Platform::MB_OK), Platform::IDOK);
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
