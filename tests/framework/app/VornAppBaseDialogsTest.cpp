#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <tuple>
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

// Wants a quarter of its width in height.
class TrackedDialog : public Vorn::Dialog {
public:
    TrackedDialog() : Dialog(nullptr, 1, false, "", "", "", 0) {}
    int GetPreferredHeight(int width) override { return width / 4; }
};

TEST(Dialogs, AButtonBecomesTheApplicationsOwnButtonEvent)
{
    // The id wraps like 32-bit arithmetic instead of overflowing.
    const std::tuple<int, int, const char*> cases[] = {
        {5, 1000, "2005"}, {7, 1001, "3007"}, {5, 999, nullptr}, {5, 1002, nullptr}, {INT_MAX, 1000, "-2147481649"}};
    for (const auto& [dialogId, buttonId, id] : cases) {
        ScriptedClock clock;
        LoggingApp app(clock);
        app.DialogButtonPress(dialogId, buttonId);
        app.DialogButtonDepress(dialogId, buttonId);
        const std::vector<std::string> calls = id ? std::vector<std::string>{std::string("press ") + id,
                                                                             std::string("depress ") + id}
                                                  : std::vector<std::string>{};
        EXPECT_EQ(app.mLog, calls) << dialogId << " " << buttonId;
    }
}

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

TEST(Dialogs, AnUnsizedDialogTakesHalfTheWidthAtAFifthOfTheHeight)
{
    const std::tuple<int, int, int, Vorn::Rect> cases[] = {
        {800, 600, 0, {200, 120, 400, 100}}, {801, 9, 0, {200, 1, 400, 100}}, {800, 600, 70, {5, 6, 70, 80}}};
    for (const auto& [windowWidth, windowHeight, dialogWidth, expected] : cases) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mWidth = windowWidth;
        app.mHeight = windowHeight;
        auto* dialog = new TrackedDialog;
        dialog->Resize(5, 6, dialogWidth, 80);
        app.AddDialog(1, dialog);
        EXPECT_EQ(Vorn::Rect(dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight), expected) << windowWidth;
    }
}

} // namespace
