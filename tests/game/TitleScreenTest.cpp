#include "game/TitleScreen.h"

#include "ScreenFixture.h"
#include "TestGameApp.h"
#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "fakes/TempDir.h"
#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"
#include "game/Board.h"
#include "game/FlickeringButtonWidget.h"
#include "game/GameResources.h"
#include "game/OptionsDialog.h"
#include "game/TopScoresScreen.h"
#include "game/TutorialScreen.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using ::testing::ElementsAre;

// A two-cel picture, normal above and hovered below.
std::unique_ptr<RecordingImage> TwoCels(int width, int height, const std::string& name)
{
    auto image = std::make_unique<RecordingImage>(width, height, name);
    image->mNumRows = 2;
    return image;
}

// The title's pictures, each of its own size, so that a button shows which
// picture it took and where that puts it; the application is not started.
class Title : public ::testing::Test {
protected:
    Title()
    {
        Vorn::SetAppDataFolder(mData.Path() + "/");
        Set(IMAGE_MENU_PLAY, 281, 93, "play");
        Set(IMAGE_MENU_SCORES, 280, 92, "scores");
        Set(IMAGE_MENU_OPTIONS, 279, 91, "options");
        Set(IMAGE_MENU_EXIT, 300, 100, "exit");
        Set(IMAGE_MENU_LOGO2, 300, 224, "logo2");
        Set(IMAGE_MENU_BEGINNER, 200, 90, "beginner");
        Set(IMAGE_MENU_EASY, 201, 94, "easy");
        Set(IMAGE_MENU_NORMAL, 202, 96, "normal");
        Set(IMAGE_MENU_HARD, 203, 98, "hard");
        Set(IMAGE_MENU_RESUME, 250, 80, "resume");
        Set(IMAGE_MENU_NEW_GAME, 251, 82, "new game");
        Set(IMAGE_BTN_OK, 84, 80, "ok");
        Set(IMAGE_BTN_CANCEL, 120, 80, "cancel");
        IMAGE_MENU_LOGO = Picture(300, 112, "glow");
        IMAGE_LOGO = Picture(800, 600, "title");
        IMAGE_DIALOG_OPTIONS = Picture(560, 460, "dialog");
        IMAGE_SCORES_BKG = Picture(800, 600, "scores background");
        IMAGE_HELP_SCREEN = Picture(800, 600, "help");
        IMAGE_BKG_1_1 = Picture(800, 600, "floor");
        IMAGE_TRACK_1 = Picture(800, 600, "track");
        Set(IMAGE_MENU_YES, 180, 90, "yes");
        Set(IMAGE_MENU_NO, 160, 70, "no");
        IMAGE_SLIDER_TRACK = Picture(202, 20, "slider track");
        IMAGE_SLIDER_THUMB = Picture(24, 30, "thumb");
        IMAGE_CHECKBOX = Picture(70, 36, "checkbox");
        FONT_SCORE = &mFont;
        Set(IMAGE_MENU, 104, 56, "menu");
        SOUND_BTN = 7;
        app.ShowTitleScreen();
        title = app.mTitleScreen.get();
    }
    ~Title() override
    {
        app.DeleteQueuedWidgets();
        FONT_SCORE = nullptr;
        Vorn::SetAppDataFolder("");
    }

    void Set(Vorn::Image*& global, int width, int height, const std::string& name)
    {
        mPictures.push_back(TwoCels(width, height, name));
        global = mPictures.back().get();
    }
    Vorn::Image* Picture(int width, int height, const std::string& name)
    {
        mPictures.push_back(std::make_unique<RecordingImage>(width, height, name));
        return mPictures.back().get();
    }

    // The ids of the buttons that show, in id order.
    std::vector<int> Shown() const
    {
        std::vector<int> ids;
        for (Vorn::Widget* widget : app.mWidgetManager->mWidgets) {
            const auto* button = dynamic_cast<FlickeringButtonWidget*>(widget);
            if (button && button->mVisible)
                ids.push_back(button->mId);
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    FlickeringButtonWidget& Button(int id) const
    {
        for (Vorn::Widget* widget : app.mWidgetManager->mWidgets) {
            auto* button = dynamic_cast<FlickeringButtonWidget*>(widget);
            if (button && button->mId == id)
                return *button;
        }
        throw std::runtime_error("no button " + std::to_string(id));
    }
    // The topmost screen of the kind: its controls lie over it.
    template <class Screen>
    Screen* Topmost() const
    {
        const auto& widgets = app.mWidgetManager->mWidgets;
        for (auto widget = widgets.rbegin(); widget != widgets.rend(); ++widget) {
            if (auto* screen = dynamic_cast<Screen*>(*widget))
                return screen;
        }
        return nullptr;
    }
    void WriteAutosave() const { mData.WriteFile("Save/autosave", "saved game"); }
    bool AutosaveExists() const { return Vorn::FileExists(mData / "Save/autosave"); }

    Testing::TempDir mData;
    std::vector<std::unique_ptr<RecordingImage>> mPictures;
    Testing::FixedFont mFont;
    Testing::ScreenApp app;
    TitleScreen* title = nullptr;
};

constexpr int kPlay = TitleScreen::kButtonPlay;
constexpr int kScores = TitleScreen::kButtonScores;
constexpr int kOptions = TitleScreen::kButtonOptions;
constexpr int kExit = TitleScreen::kButtonExit;
constexpr int kLogo = TitleScreen::kButtonLogo;
constexpr int kBeginner = TitleScreen::kButtonBeginner;
constexpr int kEasy = TitleScreen::kButtonEasy;
constexpr int kNormal = TitleScreen::kButtonNormal;
constexpr int kHard = TitleScreen::kButtonHard;
constexpr int kResume = TitleScreen::kButtonResume;
constexpr int kNewGame = TitleScreen::kButtonNewGame;

struct Placed {
    int id;
    const char* picture;
    Vorn::Rect rect;
};

// Centred on x 400 and on the row's y, half the picture's height: x = 400 -
// w / 2, y = centre - (h / 2) / 2, in whole pixels toward zero.
TEST_F(Title, EachButtonTakesItsPictureCentredOnItsRow)
{
    const Placed placed[] = {
        {kPlay, "play", {260, 217, 281, 46}},
        {kScores, "scores", {260, 267, 280, 46}},
        {kOptions, "options", {261, 318, 279, 45}},
        {kExit, "exit", {250, 415, 300, 50}},
        {kLogo, "logo2", {250, 472, 300, 112}},
        {kBeginner, "beginner", {300, 218, 200, 45}},
        {kEasy, "easy", {300, 267, 201, 47}},
        {kNormal, "normal", {299, 316, 202, 48}},
        {kHard, "hard", {299, 366, 203, 49}},
        {kResume, "resume", {275, 270, 250, 40}},
        {kNewGame, "new game", {275, 320, 251, 41}},
    };
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.picture);
        const FlickeringButtonWidget& button = Button(p.id);
        EXPECT_EQ(button.GetRect(), p.rect);
        EXPECT_EQ(button.mButtonImage->mFilePath, p.picture);
        EXPECT_EQ(button.mOverImage, button.mButtonImage);
        EXPECT_EQ(button.mNormalRect, Vorn::Rect(0, 0, p.rect.mWidth, p.rect.mHeight));
        EXPECT_EQ(button.mOverRect, Vorn::Rect(0, p.rect.mHeight, p.rect.mWidth, p.rect.mHeight));
        EXPECT_TRUE(button.mDoFinger);
        EXPECT_EQ(button.mButtonListener, title);
    }
}

TEST_F(Title, BeforeLoadingEndsOnlyThePictureShowsAndNothingGlows)
{
    EXPECT_THAT(Shown(), ElementsAre());
    EXPECT_EQ(app.mWidgetManager->mWidgets.size(), 12u);
    title->Update();
    EXPECT_FALSE(Button(kLogo).mFlickerOn);

    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    title->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt title 0,0 src=0,0,800,600 #ffffffff m0"));
}

// The loading thread may not touch the widget tree: it asks, and the title's
// next update marks the screen dirty, once.
TEST_F(Title, BeforeLoadingEndsTheScreenRedrawsOnlyWhenTheLoadingThreadAsks)
{
    title->mDirty = false;
    title->Update();
    EXPECT_FALSE(title->mDirty);
    app.mTitleRedrawRequested = true;
    title->Update();
    EXPECT_TRUE(title->mDirty);
    EXPECT_FALSE(app.mTitleRedrawRequested);
    title->mDirty = false;
    title->Update();
    EXPECT_FALSE(title->mDirty);
}

// Once loading has ended the main menu shows and the logo glows: it alone
// is redrawn on every update, opaque over its piece of the title picture,
// and the title under it stays as it is.
TEST_F(Title, OnceLoadingEndedTheMainMenuShowsAndOnlyTheGlowingLogoRedraws)
{
    title->ShowMainButtons();
    EXPECT_THAT(Shown(), ElementsAre(kPlay, kScores, kExit, kLogo, kOptions));
    for (int i = 0; i < 3; ++i) {
        for (Vorn::Widget* widget : app.mWidgetManager->mWidgets)
            widget->mDirty = false;
        app.mWidgetManager->UpdateTree();
        EXPECT_FALSE(title->mDirty);
        EXPECT_TRUE(Button(kLogo).mFlickerOn);
        EXPECT_TRUE(Button(kLogo).mDirty);
        EXPECT_FALSE(Button(kLogo).mHasAlpha);
        EXPECT_FALSE(Button(kPlay).mDirty);
    }
}

struct Step {
    const char* what;
    std::vector<int> clicks;
    bool autosave;
    std::vector<int> shown;
    bool autosaveAfter;
};

class TitleMenu : public Title, public ::testing::WithParamInterface<Step> {};

// Every click plays the button sound first, whatever the button.
TEST_P(TitleMenu, LeadsToTheButtonsOfTheChoice)
{
    const Step& step = GetParam();
    if (step.autosave)
        WriteAutosave();
    title->ShowMainButtons();
    for (const int id : step.clicks)
        title->ButtonDepress(id);
    EXPECT_EQ(Shown(), step.shown);
    EXPECT_EQ(AutosaveExists(), step.autosaveAfter);
    EXPECT_EQ(app.mPlayed, std::vector<int>(step.clicks.size(), 7));
}

INSTANTIATE_TEST_SUITE_P(Choices, TitleMenu,
    ::testing::Values(Step{"play without a saved game", {kPlay}, false, {kBeginner, kEasy, kNormal, kHard, kLogo}, false},
        Step{"play with a saved game", {kPlay}, true, {kLogo, kResume, kNewGame}, true},
        Step{"a new game over the saved one", {kPlay, kNewGame}, true, {kBeginner, kEasy, kNormal, kHard, kLogo},
            false},
        Step{"an unknown id", {99}, true, {kPlay, kScores, kExit, kLogo, kOptions}, true}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

class TitleStartsAGame : public Title, public ::testing::WithParamInterface<int> {};

// The title leaves the tree and waits for deletion; the board takes the
// window and the keyboard with the button's id as its difficulty.
TEST_P(TitleStartsAGame, WithTheButtonsIdAsDifficulty)
{
    title->ShowMainButtons();
    title->ButtonDepress(GetParam());
    EXPECT_EQ(app.mTitleScreen, nullptr);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(title));
    EXPECT_THAT(Shown(), ElementsAre());
    ASSERT_NE(app.mBoard, nullptr);
    EXPECT_EQ(app.mBoard->mDifficulty, GetParam());
    EXPECT_EQ(app.mBoard->GetRect(), Vorn::Rect(0, 0, 800, 600));
    EXPECT_TRUE(app.mWidgetManager->HasWidget(app.mBoard.get()));
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, app.mBoard.get());
    // The button's sound, then the stage's start.
    EXPECT_THAT(app.mPlayed, ElementsAre(7, SOUND_SCORE));
}

INSTANTIATE_TEST_SUITE_P(Difficulties, TitleStartsAGame, ::testing::Values(kEasy, kNormal, kHard, kResume));

TEST_F(Title, ExitEndsTheProgram)
{
    title->ButtonDepress(kExit);
    EXPECT_TRUE(app.IsLoadingCancelled());
}

TEST_F(Title, TheLogoOpensTheMakersPageExceptInAReplay)
{
    std::vector<std::string> opened;
    app.mStartProgram = [&](const std::string&, const std::vector<std::string>& arguments) {
        opened.insert(opened.end(), arguments.begin(), arguments.end());
        return true;
    };
    title->ButtonDepress(kLogo);
    EXPECT_THAT(opened, ElementsAre(kArticleUrl));
    app.mPlaying = true;
    title->ButtonDepress(kLogo);
    EXPECT_THAT(opened, ElementsAre(kArticleUrl));
    EXPECT_THAT(app.mPlayed, ElementsAre(7, 7));
}

// The help screen lies over the difficulty choice with the keyboard; a
// click closes it and the same buttons are there again.
TEST_F(Title, BeginnerOpensTheHelpOverTheChoiceUntilAClick)
{
    title->ShowMainButtons();
    title->ButtonDepress(kPlay);
    app.mWidgetManager->SetFocus(title);
    title->ButtonDepress(kBeginner);
    auto* help = Topmost<TutorialScreen>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->GetRect(), Vorn::Rect(0, 0, 800, 600));
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, help);
    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    help->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt floor 0,0 src=0,0,800,600 #ffffffff m0",
                                   "Blt track 0,0 src=0,0,800,600 #ffffffff m0",
                                   "Blt help 0,0 src=0,0,800,600 #ffffffff m0"));

    app.mWidgetManager->MouseDown(10, 10, -1);
    app.mWidgetManager->MouseUp(10, 10, -1);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(help));
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, title);
    EXPECT_THAT(Shown(), ElementsAre(kBeginner, kEasy, kNormal, kHard, kLogo));
    EXPECT_THAT(app.mPlayed, ElementsAre(7, 7, 7));
}

TEST_F(Title, ScoresOpensTheHighScoresOverTheTitleUntilAClick)
{
    title->ShowMainButtons();
    title->ButtonDepress(kScores);
    auto* scores = Topmost<TopScoresScreen>();
    ASSERT_NE(scores, nullptr);
    EXPECT_EQ(scores->GetRect(), Vorn::Rect(0, 0, 800, 600));
    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    scores->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt scores background 0,0 src=0,0,800,600 #ffffffff m0"));

    app.mWidgetManager->MouseDown(400, 300, 1);
    app.mWidgetManager->MouseUp(400, 300, 1);
    EXPECT_FALSE(app.mWidgetManager->HasWidget(scores));
    EXPECT_THAT(Shown(), ElementsAre(kPlay, kScores, kExit, kLogo, kOptions));
}

// Centred across the title, 15 pixels from its top, the picture's size,
// modal; OK at (306, 395) and Cancel at (396, 395) in it, each one cel high.
TEST_F(Title, OptionsOpensTheModalDialogCentredBelowTheTop)
{
    title->ShowMainButtons();
    title->ButtonDepress(kOptions);
    auto* dialog = dynamic_cast<Vorn::OptionsDialog*>(app.GetDialog(TitleScreen::kOptionsDialogId));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetRect(), Vorn::Rect(120, 15, 560, 460));
    EXPECT_TRUE(dialog->IsModal());
    EXPECT_EQ(dialog->mId, 6);
    // No buttons of the message dialog's own.
    EXPECT_EQ(dialog->mButtonMode, 0);
    EXPECT_EQ(app.mWidgetManager->mBaseModalWidget, dialog);
    EXPECT_EQ(dialog->mOkButton->GetRect(), Vorn::Rect(426, 410, 84, 40));
    EXPECT_EQ(dialog->mCancelButton->GetRect(), Vorn::Rect(516, 410, 120, 40));
    for (const Vorn::ButtonWidget* button : {dialog->mOkButton.get(), dialog->mCancelButton.get()}) {
        EXPECT_EQ(button->mNormalRect, Vorn::Rect(0, 0, button->mWidth, 40));
        EXPECT_EQ(button->mOverRect, Vorn::Rect(0, 40, button->mWidth, 40));
        EXPECT_EQ(button->mOverImage, button->mButtonImage);
        EXPECT_TRUE(button->mDoFinger);
    }
    EXPECT_EQ(dialog->mOkButton->mButtonImage->mFilePath, "ok");
    EXPECT_EQ(dialog->mCancelButton->mButtonImage->mFilePath, "cancel");
    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    dialog->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt dialog 0,0 src=0,0,560,460 #ffffffff m0"));

    for (const int button : {Vorn::OptionsDialog::kButtonOk, Vorn::OptionsDialog::kButtonCancel}) {
        SCOPED_TRACE(button);
        dialog->ButtonDepress(button);
        EXPECT_EQ(app.GetDialog(TitleScreen::kOptionsDialogId), nullptr);
        EXPECT_FALSE(app.mWidgetManager->HasWidget(dialog->mOkButton.get()));
        app.DeleteQueuedWidgets();
        if (button == Vorn::OptionsDialog::kButtonOk) {
            title->ButtonDepress(kOptions);
            dialog = dynamic_cast<Vorn::OptionsDialog*>(app.GetDialog(TitleScreen::kOptionsDialogId));
            ASSERT_NE(dialog, nullptr);
        }
    }
    EXPECT_THAT(app.mPlayed, ElementsAre(7, 7, 7, 7));
    // OK asked for the mode of the untouched box: a window.
    EXPECT_THAT(app.mScreenModes, ElementsAre(true));
}

// A board left by the player brings a new title with the main menu; after a
// lost game the high scores open over it.
TEST_F(Title, AfterAGameTheMainMenuShowsAndALostGameOpensTheScores)
{
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost);
        app.mTitleScreen->ShowMainButtons();
        app.mTitleScreen->ButtonDepress(kEasy);
        app.DeleteQueuedWidgets();
        Board* board = app.mBoard.get();
        app.mWidgetManager->RemoveWidget(board);
        app.QueueWidgetDeletion(board);
        app.ReturnToTitle(lost);
        app.DeleteQueuedWidgets();
        EXPECT_EQ(app.mBoard, nullptr);
        ASSERT_NE(app.mTitleScreen, nullptr);
        EXPECT_TRUE(app.mTitleScreen->mDirty);
        EXPECT_THAT(Shown(), ElementsAre(kPlay, kScores, kExit, kLogo, kOptions));
        auto* scores = Topmost<TopScoresScreen>();
        EXPECT_EQ(scores != nullptr, lost);
        if (scores) {
            scores->MouseUpButton(0, 0, 0, 1);
            app.DeleteQueuedWidgets();
        }
    }
}

// The board's menu button, clicked through the widget tree, saves the game
// and brings the main menu back.
TEST_F(Title, TheBoardsMenuButtonReturnsToTheTitle)
{
    app.mTitleScreen->ShowMainButtons();
    app.mTitleScreen->ButtonDepress(kHard);
    app.DeleteQueuedWidgets();
    ASSERT_NE(app.mBoard, nullptr);
    app.mWidgetManager->MouseMove(743, 28);
    app.mWidgetManager->MouseDown(743, 28, 1);
    app.mWidgetManager->MouseUp(743, 28, 1);
    EXPECT_EQ(app.mBoard, nullptr);
    ASSERT_NE(app.mTitleScreen, nullptr);
    EXPECT_THAT(Shown(), ElementsAre(kPlay, kScores, kExit, kLogo, kOptions));
    EXPECT_TRUE(AutosaveExists());
    app.DeleteQueuedWidgets();
}

// The glow: white at alpha (sin(phase) + 1) x 255 x 0.5, truncated, over the
// button's own picture, both over the piece of the title picture under the
// button; the phase moves 0.1 each update and 0.01 each draw while it glows.
// Without the glow the button is a plain see-through button.
TEST(FlickeringButton, GlowsOverItsPictureAtThePhasesAlpha)
{
    RecordingImage glow(30, 10, "glow");
    RecordingImage picture(30, 20, "button");
    RecordingImage titlePicture(800, 600, "title");
    picture.mNumRows = 2;
    IMAGE_MENU_LOGO = &glow;
    IMAGE_LOGO = &titlePicture;
    FlickeringButtonWidget button(7, nullptr);
    button.mButtonImage = &picture;
    button.mNormalRect = picture.GetCelRect(0);
    button.Resize(40, 50, 30, 10);

    const struct {
        double phase;
        const char* alpha;
    } cases[] = {{0.0, "7f"}, {M_PI / 2, "ff"}, {-M_PI / 2, "00"}, {1.0, "ea"}, {4.0, "1f"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        RecordingImage screen(800, 600);
        Vorn::Graphics g(&screen);
        button.mFlickerOn = true;
        button.mFlickerPhase = c.phase;
        button.Draw(&g);
        EXPECT_THAT(screen.mCalls, ElementsAre("Blt title 0,0 src=40,50,30,10 #ffffffff m0",
                                       "Blt button 0,0 src=0,0,30,10 #ffffffff m0",
                                       std::string("Blt glow 0,0 src=0,0,30,10 #") + c.alpha + "ffffff m0"));
        EXPECT_DOUBLE_EQ(button.mFlickerPhase, c.phase + 0.01);
        EXPECT_FALSE(g.GetColorize());
    }

    button.mFlickerOn = false;
    button.mFlickerPhase = 2.0;
    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    button.Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt button 0,0 src=0,0,30,10 #ffffffff m0"));
    EXPECT_EQ(button.mFlickerPhase, 2.0);

    button.mDirty = false;
    button.Update();
    EXPECT_DOUBLE_EQ(button.mFlickerPhase, 2.1);
    EXPECT_FALSE(button.mDirty);
    EXPECT_TRUE(button.mHasAlpha);
    button.mFlickerOn = true;
    button.Update();
    EXPECT_DOUBLE_EQ(button.mFlickerPhase, 2.2);
    EXPECT_TRUE(button.mDirty);
    EXPECT_FALSE(button.mHasAlpha);
}

} // namespace
