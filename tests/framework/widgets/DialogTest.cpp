#include "framework/widgets/Dialog.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using Testing::RecordingImage;
using Testing::ScriptedApp;
using Testing::ScriptedClock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::Dialog;
using Vorn::Rect;

class DialogLog : public Vorn::DialogListener {
public:
    void DialogButtonPress(int dialog, int button) override
    {
        mCalls.push_back("press " + std::to_string(dialog) + " " + std::to_string(button));
    }
    void DialogButtonDepress(int dialog, int button) override
    {
        mCalls.push_back("depress " + std::to_string(dialog) + " " + std::to_string(button));
    }
    std::vector<std::string> mCalls;
};

// An application whose own button events are written down and may act.
class DialogApp : public ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ButtonDepress(int id) override
    {
        mButtons.push_back(id);
        if (mOnButton)
            mOnButton(id);
    }
    void ApplyCursor() override { mCursors.push_back(mCursorNum); }
    std::vector<int> mButtons;
    std::vector<int> mCursors;
    std::function<void(int)> mOnButton;
};

// A dialog that tells when it is deleted.
class WatchedDialog : public Dialog {
public:
    WatchedDialog(int id, int mode, bool& deleted) : Dialog(nullptr, id, true, "H", "", "", mode), mDeleted(deleted) {}
    ~WatchedDialog() override { mDeleted = true; }

private:
    bool& mDeleted;
};

void UseFixedFonts(Dialog& dialog)
{
    FixedFont font;
    dialog.SetHeaderFont(&font);
    dialog.SetLinesFont(&font);
}

struct ModeCase {
    int mode;
    std::vector<std::string> buttons;
};

class DialogModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(DialogModes, GiveTheirButtonsTheIdsAndLabelsOfTheMode)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 7, false, "H", "L", "Go on", GetParam().mode);
    std::vector<std::string> buttons;
    for (const Vorn::DialogButton* button : {dialog.mYesButton.get(), dialog.mNoButton.get()}) {
        if (button)
            buttons.push_back(std::to_string(button->mId) + " " + button->mLabel);
    }
    EXPECT_EQ(buttons, GetParam().buttons);
}

INSTANTIATE_TEST_SUITE_P(Modes, DialogModes,
    ::testing::Values(ModeCase{1, {"1000 YES", "1001 NO"}}, ModeCase{2, {"1000 OK", "1001 CANCEL"}},
        ModeCase{3, {"1000 Go on"}}, ModeCase{0, {}}, ModeCase{4, {}}, ModeCase{-1, {}}));

// Released over CANCEL: the result and the listener hear 1001; presses are
// passed on, other ids are not.
TEST(DialogButtons, TheReleasedButtonBecomesTheResultAndReachesTheListener)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    DialogLog log;
    Dialog dialog(nullptr, 7, false, "H", "L", "F", 2);
    dialog.mDialogListener = &log;
    dialog.Resize(100, 100, 400, 200);
    app.mWidgetManager->Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    app.mWidgetManager->AddWidget(&dialog);
    const Rect cancel = dialog.mNoButton->GetRect();
    app.mWidgetManager->MouseMove(cancel.mX + 5, cancel.mY + 5);
    app.mWidgetManager->MouseDown(cancel.mX + 5, cancel.mY + 5, 1);
    app.mWidgetManager->MouseUp(cancel.mX + 5, cancel.mY + 5, 1);
    EXPECT_EQ(dialog.mResult, 1001);
    dialog.ButtonDepress(5);
    dialog.ButtonPress(999);
    EXPECT_EQ(dialog.mResult, 1001);
    EXPECT_THAT(log.mCalls, ElementsAre("press 7 1001", "depress 7 1001"));
    app.mWidgetManager->RemoveWidget(&dialog);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(dialog.mNoButton.get()));
}

struct HeightCase {
    const char* name;
    const char* header;
    const char* lines;
    const char* footer;
    int mode;
    int width;
    int extraSpacing;
    int height;
};

class DialogHeight : public ::testing::TestWithParam<HeightCase> {};

// With fonts 14 high (2 of ascent padding) and baselines 16 apart: the
// insets 48, the header 12, then 10, the wrapped lines (12 for one, 16 more
// for each further), 8 and the footer's 16, 8 and 8 with the button's 24.
TEST_P(DialogHeight, AddsUpTheBlocksPresent)
{
    const HeightCase& c = GetParam();
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 1, false, c.header, c.lines, c.footer, c.mode);
    UseFixedFonts(dialog);
    dialog.mLineSpacingOffset = c.extraSpacing;
    EXPECT_EQ(dialog.GetPreferredHeight(c.width), c.height);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogHeight,
    ::testing::Values(HeightCase{"HeaderOnly", "Title", "", "", 0, 400, 0, 60},
        HeightCase{"HeaderOnlyNarrow", "Title", "", "", 0, 60, 0, 60},
        HeightCase{"Nothing", "", "", "", 0, 400, 0, 48},
        HeightCase{"LinesOnly", "", "abc", "", 0, 400, 0, 60},
        HeightCase{"HeaderAndLines", "T", "abc", "", 0, 400, 0, 82},
        // 54 pixels of text in 100 - 48 - 4 = 48: two lines.
        HeightCase{"WrappedLines", "T", "aaaa bbbb", "", 0, 100, 0, 98},
        HeightCase{"WrappedLinesSpaced", "T", "aaaa bbbb", "", 0, 100, 4, 102},
        HeightCase{"FooterWithoutButtons", "T", "", "F", 0, 400, 0, 84},
        HeightCase{"FooterAndTwoButtons", "T", "", "F", 2, 400, 0, 124},
        HeightCase{"FooterIsTheButton", "T", "", "F", 3, 400, 0, 100},
        HeightCase{"OnlyAButton", "", "", "F", 3, 400, 0, 80}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialogHeightInsets, BackgroundInsetsAddToTheHeightAndNarrowTheLines)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 1, false, "", "aaaa bbbb", "", 0);
    UseFixedFonts(dialog);
    dialog.mBackgroundInsets = Vorn::Margins(1, 2, 3, 4);
    // 58 pixels leave 54 for the lines: one line.
    EXPECT_EQ(dialog.GetPreferredHeight(110), 48 + 6 + 12);
    EXPECT_EQ(dialog.GetPreferredHeight(109), 48 + 6 + 28);
}

TEST(DialogHeightFonts, MissingFontsBecomeTheSystemFontsOfSizes14And12)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 1, false, "H", "L", "", 0);
    dialog.GetPreferredHeight(200);
    const auto* header = dynamic_cast<Vorn::SysFont*>(dialog.mHeaderFont.get());
    const auto* lines = dynamic_cast<Vorn::SysFont*>(dialog.mLinesFont.get());
    ASSERT_TRUE(header && lines);
    EXPECT_EQ(header->mFace, "Arial Unicode MS");
    EXPECT_EQ(header->mPointSize, 14);
    EXPECT_EQ(lines->mPointSize, 12);
}

// Buttons are top-level widgets: placed in the manager's coordinates.
TEST(DialogLayout, TwoButtonsShareTheWidthAndOneTakesItAll)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog pair(nullptr, 1, false, "", "", "", 1);
    pair.Resize(50, 60, 400, 200);
    EXPECT_EQ(pair.mYesButton->GetRect(), Rect(74, 212, 172, 24));
    EXPECT_EQ(pair.mNoButton->GetRect(), Rect(254, 212, 172, 24));
    pair.mButtonSidePadding = 10;
    pair.mBackgroundInsets = Vorn::Margins(1, 2, 3, 4);
    pair.mButtonHeight = 30;
    pair.Resize(50, 60, 401, 200);
    EXPECT_EQ(pair.mYesButton->GetRect(), Rect(85, 202, 160, 30));
    EXPECT_EQ(pair.mNoButton->GetRect(), Rect(253, 202, 160, 30));

    Dialog single(nullptr, 1, false, "", "", "OK", 3);
    single.Resize(50, 60, 400, 200);
    EXPECT_EQ(single.mYesButton->GetRect(), Rect(74, 212, 352, 24));
}

TEST(DialogColours, TheButtonTextColoursGoToTheButtons)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 1, false, "", "", "", 2);
    EXPECT_THAT(dialog.mColors,
        ElementsAre(Vorn::Color(255, 255, 255), Vorn::Color(255, 255, 0), Vorn::Color(255, 255, 255),
            Vorn::Color(0, 0, 0), Vorn::Color(0, 0, 0), Vorn::Color(80, 80, 80), Vorn::Color(255, 255, 255)));
    EXPECT_EQ(dialog.mYesButton->GetColor(0), Vorn::Color(0, 0, 0));
    dialog.SetColor(Dialog::kColorButtonText, Vorn::Color(1, 2, 3));
    dialog.SetColor(Dialog::kColorButtonTextHilite, Vorn::Color(4, 5, 6));
    dialog.SetColor(Dialog::kColorHeader, Vorn::Color(7, 8, 9));
    for (const Vorn::DialogButton* button : {dialog.mYesButton.get(), dialog.mNoButton.get()}) {
        EXPECT_EQ(button->GetColor(0), Vorn::Color(1, 2, 3));
        EXPECT_EQ(button->GetColor(1), Vorn::Color(4, 5, 6));
        EXPECT_EQ(button->GetColor(2), Vorn::Color(0, 0, 0));
    }
}

// Added, the dialog brings its buttons along in front of it; moved in the
// manager's list they follow it to stay in front.
TEST(DialogTree, ButtonsJoinTheManagerWithTheDialogAndStayInFrontOfIt)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    Vorn::Widget other;
    manager.AddWidget(&other);
    Dialog dialog(nullptr, 1, false, "", "", "", 1);
    manager.AddWidget(&dialog);
    Vorn::Widget* yes = dialog.mYesButton.get();
    Vorn::Widget* no = dialog.mNoButton.get();
    EXPECT_THAT(manager.mWidgets, ElementsAre(&other, &dialog, yes, no));
    manager.BringToBack(&dialog);
    EXPECT_THAT(manager.mWidgets, ElementsAre(&dialog, no, yes, &other));
    manager.RemoveWidget(&dialog);
    EXPECT_THAT(manager.mWidgets, ElementsAre(&other));
    manager.RemoveWidget(&other);
}

// The dialog 200 x 100 at (100, 100) in an 800 x 600 manager, held 50, 20
// into it.
class DialogDrag : public ::testing::Test {
protected:
    DialogDrag()
    {
        app.mWidgetManager->Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        dialog.Resize(100, 100, 200, 100);
        app.mWidgetManager->AddWidget(&dialog);
    }
    ~DialogDrag() override { app.mWidgetManager->RemoveWidget(&dialog); }

    ScriptedClock clock;
    DialogApp app{clock};
    Dialog dialog{nullptr, 1, false, "", "", "", 0};
};

TEST_F(DialogDrag, StopsEightPixelsBeyondEachEdgeOfTheScreen)
{
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    manager.MouseDown(150, 120, 1);
    EXPECT_TRUE(dialog.mDragging);
    manager.MouseMove(140, 125);
    EXPECT_EQ(dialog.GetRect(), Rect(90, 105, 200, 100));
    manager.MouseMove(0, 0);
    EXPECT_EQ(dialog.GetRect(), Rect(-8, -8, 200, 100));
    manager.MouseMove(2000, 2000);
    EXPECT_EQ(dialog.GetRect(), Rect(608, 508, 200, 100));
    // Held at its edge-limited point, it moves with the pointer again.
    EXPECT_EQ(dialog.mDragMouseX, 191);
    EXPECT_EQ(dialog.mDragMouseY, 91);
    manager.MouseUp(2000, 2000, 1);
    EXPECT_FALSE(dialog.mDragging);
    EXPECT_THAT(app.mCursors, ElementsAre(2, 0));
}

TEST_F(DialogDrag, ADoubleClickStartsNoDragAndATinyDialogIsHeldAtItsLowerLimit)
{
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    manager.MouseDown(150, 120, 2);
    manager.MouseMove(160, 130);
    manager.MouseUp(160, 130, 1);
    EXPECT_EQ(dialog.GetRect(), Rect(100, 100, 200, 100));
    EXPECT_THAT(app.mCursors, IsEmpty());

    dialog.Resize(100, 100, 10, 6);
    manager.MouseDown(105, 103, 1);
    manager.MouseMove(106, 103);
    EXPECT_EQ(dialog.mDragMouseX, 8);
    EXPECT_EQ(dialog.mDragMouseY, 8);
    EXPECT_EQ(dialog.GetRect(), Rect(101, 100, 10, 6));
    manager.MouseUp(106, 103, 1);
}

// Without a picture: a white frame, the grey panel and a half-black shadow
// along the right and bottom; the header centred at its baseline, the lines
// below it, centred in the 148 pixels from x 26, the footer 24 lower.
TEST(DialogDraw, PaintsThePanelAndTheThreeTextsAtTheirPlaces)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    Dialog dialog(nullptr, 1, false, "Hi", "abc", "End", 2);
    UseFixedFonts(dialog);
    dialog.Resize(0, 0, 200, 150);
    RecordingImage screen(400, 400);
    Vorn::Graphics g(&screen);
    dialog.Draw(&g);
    EXPECT_THAT(screen.mCalls,
        ElementsAre("DrawRect 12,12,175,125 #ffffffff m0", "FillRect 13,13,174,124 #ff505050 m0",
            "FillRect 188,24,12,114 #80000000 m0", "FillRect 24,138,176,12 #80000000 m0"));
    const auto& header = static_cast<FixedFont*>(dialog.mHeaderFont.get())->mRuns;
    const auto& lines = static_cast<FixedFont*>(dialog.mLinesFont.get())->mRuns;
    EXPECT_THAT(header, ElementsAre("Hi@94,32 #ffffffff", "End@91,82 #ffffffff"));
    EXPECT_THAT(lines, ElementsAre("abc@91,54 #ffffff00"));
}

// Without lines the footer follows the header; a mode-3 footer is the
// button's label and not drawn.
TEST(DialogDraw, LeavesOutTheTextsThatAreNotThere)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    for (const int mode : {2, 3}) {
        Dialog dialog(nullptr, 1, false, "Hi", "", "End", mode);
        UseFixedFonts(dialog);
        dialog.Resize(0, 0, 200, 150);
        Vorn::Graphics g;
        dialog.Draw(&g);
        const auto& header = static_cast<FixedFont*>(dialog.mHeaderFont.get())->mRuns;
        if (mode == 2)
            EXPECT_THAT(header, ElementsAre("Hi@94,32 #ffffffff", "End@91,70 #ffffffff"));
        else
            EXPECT_THAT(header, ElementsAre("Hi@94,32 #ffffffff"));
    }
}

TEST(DialogDraw, APanelPictureIsDrawnAsABoxInsideTheBackgroundInsets)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    RecordingImage panel(30, 30, "panel");
    Dialog dialog(&panel, 1, false, "", "", "", 0);
    UseFixedFonts(dialog);
    dialog.mBackgroundInsets = Vorn::Margins(1, 2, 3, 4);
    dialog.Resize(0, 0, 100, 80);
    RecordingImage screen(200, 200);
    Vorn::Graphics g(&screen);
    dialog.Draw(&g);
    RecordingImage reference(200, 200);
    Vorn::Graphics expected(&reference);
    expected.DrawImageAsBox(Rect(1, 2, 96, 74), &panel);
    ASSERT_FALSE(reference.mCalls.empty());
    EXPECT_EQ(screen.mCalls, reference.mCalls);
}

// The waits. Each drives the application's loop; what happens in it comes
// from the update hook at update 3.
class DialogWait : public ::testing::Test {
protected:
    DialogWait()
    {
        app.mWidgetManager->Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        app.mOnUpdate = [this] {
            if (app.mUpdateCount == 3 && mAtUpdate3)
                mAtUpdate3();
        };
    }

    void Click(Vorn::Widget* button)
    {
        const Rect r = button->GetRect();
        app.mWidgetManager->MouseMove(r.mX + 2, r.mY + 2);
        app.mWidgetManager->MouseDown(r.mX + 2, r.mY + 2, 1);
        app.mWidgetManager->MouseUp(r.mX + 2, r.mY + 2, 1);
    }

    ScriptedClock clock;
    DialogApp app{clock};
    std::function<void()> mAtUpdate3;
};

// Closed from the application's own listener while the wait runs: the
// dialog is deleted inside the loop step, the wait still answers the
// released button and closes nothing more.
TEST_F(DialogWait, AButtonThatClosesItsDialogFromTheListenerEndsTheWaitWithItsId)
{
    bool deleted = false;
    auto* dialog = new WatchedDialog(5, 2, deleted);
    app.AddDialog(5, dialog);
    app.mOnButton = [this](int id) { app.CloseDialog(id - 2000); };
    mAtUpdate3 = [&] { Click(dialog->mYesButton.get()); };
    EXPECT_EQ(dialog->WaitForResult(true), 1000);
    EXPECT_TRUE(deleted);
    EXPECT_THAT(app.mButtons, ElementsAre(2005));
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_EQ(app.mUpdateCount, 3);
}

TEST_F(DialogWait, ARemovedDialogEndsTheWaitWithNoResultWhileTheApplicationReadsZero)
{
    bool deleted = false;
    auto* dialog = new WatchedDialog(5, 1, deleted);
    app.AddDialog(5, dialog);
    int seen = -1;
    mAtUpdate3 = [&] {
        app.CloseDialog(5);
        seen = dialog->mResult;
    };
    EXPECT_EQ(dialog->WaitForResult(true), Dialog::kNoResult);
    EXPECT_EQ(seen, 0);
    EXPECT_TRUE(deleted);
}

// The answer is kept; with autoKill the dialog goes once the wait ends, but
// only while it is still the one open under its id.
TEST_F(DialogWait, AutoKillClosesOnlyTheDialogStillOpenUnderItsId)
{
    bool deleted = false;
    auto* dialog = new WatchedDialog(5, 2, deleted);
    app.AddDialog(5, dialog);
    mAtUpdate3 = [&] { Click(dialog->mNoButton.get()); };
    EXPECT_EQ(dialog->WaitForResult(false), 1001);
    EXPECT_EQ(app.GetDialog(5), dialog);
    EXPECT_EQ(dialog->WaitForResult(true), 1001);
    EXPECT_EQ(app.GetDialog(5), nullptr);
    app.DeleteQueuedWidgets();
    EXPECT_TRUE(deleted);

    bool replacedDeleted = false;
    auto* replaced = new WatchedDialog(6, 2, replacedDeleted);
    app.AddDialog(6, replaced);
    Dialog* successor = nullptr;
    mAtUpdate3 = [&] {
        // Taken off the tree but not deleted, as its owner may do.
        app.RemoveDialog(6, true, false);
        successor = app.OpenDialog(6, false, "Next", "", "", 0);
    };
    app.mUpdateCount = 0;
    EXPECT_EQ(replaced->WaitForResult(true), Dialog::kNoResult);
    EXPECT_EQ(app.GetDialog(6), successor);
    EXPECT_FALSE(replacedDeleted);
    delete replaced;
}

TEST_F(DialogWait, AnApplicationShuttingDownEndsTheWait)
{
    auto* dialog = new Dialog(nullptr, 5, true, "", "", "", 2);
    app.AddDialog(5, dialog);
    mAtUpdate3 = [&] { app.Shutdown(); };
    EXPECT_EQ(dialog->WaitForResult(false), Dialog::kNoResult);
    EXPECT_EQ(app.GetDialog(5), dialog);
}

// Clicked through the manager outside any wait: the application closes the
// dialog from inside the button's own release; the deferred deletion takes
// dialog and buttons once the release is over.
TEST(DialogClose, ADialogClosedFromItsOwnButtonsListenerIsDeletedAfterTheRelease)
{
    ScriptedClock clock;
    DialogApp app(clock);
    app.mWidgetManager->Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    app.mOnButton = [&](int id) { app.CloseDialog(id - 3000); };
    bool deleted = false;
    auto* dialog = new WatchedDialog(8, 1, deleted);
    app.AddDialog(8, dialog);
    const Rect no = dialog->mNoButton->GetRect();
    app.mWidgetManager->MouseMove(no.mX + 3, no.mY + 3);
    app.mWidgetManager->MouseDown(no.mX + 3, no.mY + 3, 1);
    app.mWidgetManager->MouseUp(no.mX + 3, no.mY + 3, 1);
    app.mWidgetManager->MouseMove(no.mX + 4, no.mY + 3);
    EXPECT_THAT(app.mButtons, ElementsAre(3008));
    EXPECT_FALSE(deleted);
    EXPECT_THAT(app.mWidgetManager->mWidgets, IsEmpty());
    app.DeleteQueuedWidgets();
    EXPECT_TRUE(deleted);
}

// A dialog not yet in a manager takes a press without a cursor to set.
TEST(DialogCursor, APressBeforeTheDialogIsShownSetsNoCursor)
{
    Dialog dialog(nullptr, 1, false, "H", "L", "", 0);
    dialog.MouseDownButton(5, 5, 1, 1);
    SUCCEED();
}

} // namespace
