#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;

class LoggingApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ButtonPress(int id) override { mLog.push_back("press " + std::to_string(id)); }
    void ButtonDepress(int id) override { mLog.push_back("depress " + std::to_string(id)); }
    void ModalOpen() override { mLog.push_back("modal open"); }
    void ModalClose() override { mLog.push_back("modal close"); }
    Vorn::Dialog* MakeDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                             const std::string& footer, int32_t mode) override
    {
        return mCannotMake ? nullptr : ScriptedApp::MakeDialog(id, modal, header, lines, footer, mode);
    }
    bool mCannotMake = false;
};

// Wants a quarter of its width in height and tells when it is deleted.
class TrackedDialog : public Vorn::Dialog {
public:
    explicit TrackedDialog(bool* deleted = nullptr) : Dialog(nullptr, 1, false, "", "", "", 0), mDeleted(deleted) {}
    ~TrackedDialog() override
    {
        if (mDeleted)
            *mDeleted = true;
    }
    int GetPreferredHeight(int width) override { return width / 4; }
    bool* mDeleted;
};

struct ButtonCase {
    int dialogId;
    int buttonId;
    std::vector<std::string> calls;
};

class DialogButtonTest : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(DialogButtonTest, BecomesTheApplicationsOwnButtonEvent)
{
    ScriptedClock clock;
    LoggingApp app(clock);
    app.DialogButtonPress(GetParam().dialogId, GetParam().buttonId);
    app.DialogButtonDepress(GetParam().dialogId, GetParam().buttonId);
    EXPECT_EQ(app.mLog, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogButtonTest,
                         ::testing::Values(ButtonCase{5, 1000, {"press 2005", "depress 2005"}},
                                           ButtonCase{7, 1001, {"press 3007", "depress 3007"}},
                                           ButtonCase{5, 999, {}}, ButtonCase{5, 1002, {}},
                                           // Wraps like 32-bit arithmetic instead of overflowing.
                                           ButtonCase{INT_MAX, 1000, {"press -2147481649", "depress -2147481649"}}));

TEST(Dialogs, OpeningUnderATakenIdClosesTheOlderDialogWithResultZero)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::Dialog* first = app.OpenDialog(4, false, "H", "L", "F", 2);
    EXPECT_EQ(first->mResult, 0x7FFFFFFF);
    Vorn::Dialog* second = app.OpenDialog(4, false, "H", "L", "F", 2);
    EXPECT_EQ(first->mResult, 0);
    EXPECT_EQ(app.mDialogList, std::list<Vorn::Dialog*>{second});
    EXPECT_EQ(app.mWidgetManager->mWidgets, std::list<Vorn::Widget*>{second});
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

TEST(Dialogs, RemovingWithoutDeletingHandsAModalDialogBack)
{
    ScriptedClock clock;
    LoggingApp app(clock);
    Vorn::Dialog* dialog = app.OpenDialog(9, true, "H", "L", "F", 1);
    EXPECT_TRUE(app.RemoveDialog(9, true, false));
    EXPECT_FALSE(app.RemoveDialog(9, true, false));
    EXPECT_FALSE(app.mWidgetManager->HasWidget(dialog));
    EXPECT_TRUE(app.mDeferredDeleteQueue.empty());
    EXPECT_EQ(app.mLog, (std::vector<std::string>{"modal open", "modal close"}));
    delete dialog;
}

TEST(Dialogs, AClosedDialogIsDeletedOnlyOnceTheLoopIsBackAtItsDepth)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    bool deleted = false;
    app.AddDialog(1, new TrackedDialog(&deleted));
    app.mLoopDepth = 1;
    app.CloseDialog(1);
    app.mLoopDepth = 2;
    app.DeleteQueuedWidgets();
    EXPECT_FALSE(deleted);
    app.mLoopDepth = 1;
    app.DeleteQueuedWidgets();
    EXPECT_TRUE(deleted);
}

struct LayoutCase {
    int windowWidth, windowHeight, dialogWidth;
    Vorn::Rect expected;
};

class DialogLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DialogLayoutTest, AnUnsizedDialogTakesHalfTheWidthAtAFifthOfTheHeight)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.mWidth = GetParam().windowWidth;
    app.mHeight = GetParam().windowHeight;
    auto* dialog = new TrackedDialog;
    dialog->Resize(5, 6, GetParam().dialogWidth, 80);
    app.AddDialog(1, dialog);
    EXPECT_EQ(Vorn::Rect(dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogLayoutTest,
                         ::testing::Values(LayoutCase{800, 600, 0, {200, 120, 400, 100}},
                                           LayoutCase{801, 9, 0, {200, 1, 400, 100}},
                                           LayoutCase{800, 600, 70, {5, 6, 70, 80}}));

} // namespace
