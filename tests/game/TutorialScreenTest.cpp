#include "game/TutorialScreen.h"

#include "ScreenFixture.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/HyperlinkWidget.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;

class Help : public Testing::ScreenFixture {
protected:
    // As the title's BEGINNER button, or the board's F1, opens it.
    TutorialScreen* Open()
    {
        auto* help = new TutorialScreen();
        help->CreateReturnButton();
        help->Resize(0, 0, 800, 600);
        app.mWidgetManager->AddWidget(help);
        return help;
    }
    bool Attached(const Vorn::Widget* widget) const
    {
        return widget && app.mWidgetManager->HasWidget(const_cast<Vorn::Widget*>(widget));
    }
};

// Over the first track's floor and track; the focus is its while it shows,
// and its return link lies hidden under it like the high-score screen's.
TEST_F(Help, DrawsOverTheFirstTrackAndTakesTheFocus)
{
    Vorn::Widget below;
    below.Resize(0, 0, 800, 600);
    below.mWantsFocus = true;
    app.mWidgetManager->AddWidget(&below);
    app.mWidgetManager->SetFocus(&below);
    TutorialScreen* help = Open();
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, help);
    EXPECT_EQ(help->mPreviousFocus, &below);
    const Vorn::HyperlinkWidget& link = *help->mReturnButton;
    EXPECT_TRUE(Attached(&link));
    EXPECT_EQ(link.GetRect(), Vorn::Rect(343, 546, 114, 18));
    EXPECT_FALSE(link.mVisible);
    EXPECT_FALSE(link.mDisabled);
    EXPECT_EQ(link.mLabel, "RETURN TO MAIN MENU");
    EXPECT_EQ(link.mButtonListener, help);

    Testing::RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    help->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt floor 0,0 src=0,0,800,600 #ffffffff m0",
                                   "Blt track 1 0,0 src=0,0,800,600 #ffffffff m0",
                                   "Blt help 0,0 src=0,0,800,600 #ffffffff m0"));
    app.mCustomCursorsEnabled = true;
    help->mDirty = false;
    help->Update();
    EXPECT_FALSE(app.mCustomCursorsEnabled);
    EXPECT_TRUE(help->mDirty);

    help->ButtonDepress(1);
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, &below);
    app.DeleteQueuedWidgets();
    app.mWidgetManager->RemoveWidget(&below);
}

enum class Release { Left, Right, Middle, Key, KeyHeldBeforeOpening };

class HelpCloses : public Help, public ::testing::WithParamInterface<Release> {};

// Any button or key let go closes it once: it leaves the tree with its link,
// clicks, and hands the focus back (here to nobody).
TEST_P(HelpCloses, OnAnyReleaseAndGivesTheFocusBack)
{
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    if (GetParam() == Release::KeyHeldBeforeOpening)
        manager.KeyDown(65);
    TutorialScreen* help = Open();
    Vorn::Widget* link = help->mReturnButton.get();
    switch (GetParam()) {
    case Release::Left:
        manager.MouseDown(10, 10, 1);
        manager.MouseUp(10, 10, 1);
        break;
    case Release::Right:
        manager.MouseDown(10, 10, -1);
        manager.MouseUp(10, 10, -1);
        break;
    case Release::Middle:
        manager.MouseDown(10, 10, 3);
        manager.MouseUp(10, 10, 3);
        break;
    case Release::Key:
        manager.KeyDown(32);
        manager.KeyUp(32);
        break;
    case Release::KeyHeldBeforeOpening:
        manager.KeyUp(65);
        break;
    }
    EXPECT_FALSE(Attached(help));
    EXPECT_FALSE(Attached(link));
    EXPECT_EQ(help->mReturnButton, nullptr);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundButton));
    // A second report in the same pass finds it closed.
    help->ButtonDepress(0);
    help->KeyUp(32);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundButton));
    app.DeleteQueuedWidgets();
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpCloses,
    ::testing::Values(Release::Left, Release::Right, Release::Middle, Release::Key, Release::KeyHeldBeforeOpening));

} // namespace
