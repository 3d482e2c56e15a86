#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class ButtonApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ButtonPress(int id) override { mLog.push_back("press " + std::to_string(id)); }
    void ButtonDepress(int id) override { mLog.push_back("depress " + std::to_string(id)); }
    void ModalOpen() override { mLog.push_back("modal open"); }
    void ModalClose() override { mLog.push_back("modal close"); }
};

struct ButtonCase {
    int dialogId;
    int buttonId;
    std::vector<std::string> calls;
};

void PrintTo(const ButtonCase& c, std::ostream* os)
{
    *os << "dialog " << c.dialogId << " button " << c.buttonId;
}

class DialogButtonTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(DialogButtonTest, BecomesTheApplicationsOwnButtonEvent)
{
    ScriptedClock clock;
    ButtonApp app(clock);
    app.DialogButtonPress(GetParam().dialogId, GetParam().buttonId);
    app.DialogButtonDepress(GetParam().dialogId, GetParam().buttonId);
    EXPECT_EQ(app.mLog, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogButtonTest,
                         ::testing::Values(ButtonCase{5, 1000, {"press 2005", "depress 2005"}},
                                           ButtonCase{5, 1001, {"press 3005", "depress 3005"}},
                                           ButtonCase{5, 999, {}}, ButtonCase{5, 1002, {}},
                                           // Wraps like 32-bit arithmetic instead of overflowing.
                                           ButtonCase{INT_MAX, 1000, {"press -2147481649", "depress -2147481649"}}));

TEST(Dialogs, OpeningUnderATakenIdClosesTheOlderDialog)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* first = app.OpenDialog(4, false, "H", "L", "F", 2);
    Vorn::Dialog* second = app.OpenDialog(4, false, "H", "L", "F", 2);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(app.GetDialog(4), second);
    EXPECT_EQ(app.mDialogList, std::list<Vorn::Dialog*>{second});
    EXPECT_TRUE(app.mWidgetManager->HasWidget(second));
    EXPECT_FALSE(app.mWidgetManager->HasWidget(first));
    ASSERT_EQ(app.mDeferredDeleteQueue.size(), 1u);
    EXPECT_EQ(app.mDeferredDeleteQueue.front().second, first);
    EXPECT_EQ(first->mResult, 0);
}

TEST(Dialogs, AddingTheOpenDialogAgainKeepsItOpen)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* dialog = app.OpenDialog(4, false, "H", "L", "F", 2);
    app.AddDialogObject(dialog);
    EXPECT_EQ(app.GetDialog(4), dialog);
    EXPECT_EQ(app.mDialogList.size(), 1u);
    EXPECT_TRUE(app.mDeferredDeleteQueue.empty());
}

TEST(Dialogs, RemovingWithoutDeletingHandsTheDialogBack)
{
    ScriptedClock clock;
    ButtonApp app(clock);
    Vorn::Dialog* dialog = app.OpenDialog(9, true, "H", "L", "F", 1);
    EXPECT_TRUE(app.RemoveDialog(9, true, false));
    EXPECT_FALSE(app.RemoveDialog(9, true, false));
    EXPECT_EQ(app.GetDialog(9), nullptr);
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(dialog));
    EXPECT_TRUE(app.mDeferredDeleteQueue.empty());
    EXPECT_EQ(app.mLog, (std::vector<std::string>{"modal open", "modal close"}));
    delete dialog;
}

TEST(Dialogs, AChosenResultIsKept)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* dialog = app.OpenDialog(2, false, "H", "L", "F", 3);
    dialog->mResult = 1000;
    app.CloseDialogObject(dialog);
    EXPECT_EQ(dialog->mResult, 1000);
    app.DeleteQueuedWidgets();
}

TEST(ErrorReports, AFatalErrorGoesToStandardError)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    ::testing::internal::CaptureStderr();
    app.ShowFatalErrorW(u"Demo file not found: x.dmo");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "FATAL ERROR: Demo file not found: x.dmo\n");
}

} // namespace
