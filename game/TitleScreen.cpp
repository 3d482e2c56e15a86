#include "game/TitleScreen.h"

#include "framework/app/FileUtils.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/WidgetManager.h"
#include "game/Board.h"
#include "game/FlickeringButtonWidget.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "game/OptionsDialog.h"
#include "game/TopScoresScreen.h"
#include "game/TutorialScreen.h"

namespace {

// The menu column's centre.
constexpr int kMenuCentreX = 400;
constexpr int kOptionsDialogTop = 15;

} // namespace

TitleScreen::TitleScreen(GameApp* app) : mApp(app) {}

TitleScreen::~TitleScreen() = default;

void TitleScreen::OnAttached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnAttached(manager);
    mPlayButton = MakeButton(manager, IMAGE_MENU_PLAY, kButtonPlay, 240);
    mScoresButton = MakeButton(manager, IMAGE_MENU_SCORES, kButtonScores, 290);
    mExitButton = MakeButton(manager, IMAGE_MENU_EXIT, kButtonExit, 440);
    mBeginnerButton = MakeButton(manager, IMAGE_MENU_BEGINNER, kButtonBeginner, 240);
    mEasyButton = MakeButton(manager, IMAGE_MENU_EASY, kButtonEasy, 290);
    mNormalButton = MakeButton(manager, IMAGE_MENU_NORMAL, kButtonNormal, 340);
    mHardButton = MakeButton(manager, IMAGE_MENU_HARD, kButtonHard, 390);
    mLogoButton = MakeButton(manager, IMAGE_MENU_LOGO2, kButtonLogo, 528);
    mResumeButton = MakeButton(manager, IMAGE_MENU_RESUME, kButtonResume, 290);
    mNewGameButton = MakeButton(manager, IMAGE_MENU_NEW_GAME, kButtonNewGame, 340);
    mOptionsButton = MakeButton(manager, IMAGE_MENU_OPTIONS, kButtonOptions, 340);
}

void TitleScreen::OnDetached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnDetached(manager);
    for (FlickeringButtonWidget* button : {mPlayButton.get(), mScoresButton.get(), mExitButton.get(),
             mBeginnerButton.get(), mEasyButton.get(), mNormalButton.get(), mHardButton.get(), mLogoButton.get(),
             mResumeButton.get(), mNewGameButton.get(), mOptionsButton.get()})
        manager->RemoveWidget(button);
}

std::unique_ptr<FlickeringButtonWidget> TitleScreen::MakeButton(Vorn::WidgetContainer* parent, Vorn::Image* image,
                                                                int id, int centreY)
{
    auto button = std::make_unique<FlickeringButtonWidget>(id, this);
    button->mButtonImage = image;
    button->mOverImage = image;
    button->mDoFinger = true;
    button->mNormalRect = image->GetCelRect(0);
    button->mOverRect = image->GetCelRect(1);
    const int width = image->GetWidth();
    const int height = image->GetHeight();
    button->Resize(kMenuCentreX - width / 2, centreY - height / 2 / 2, width, height / 2);
    parent->AddWidget(button.get());
    button->SetVisible(false);
    return button;
}

void TitleScreen::ShowMainButtons()
{
    mLoadingFinished = true;
    for (FlickeringButtonWidget* button :
         {mPlayButton.get(), mScoresButton.get(), mExitButton.get(), mOptionsButton.get(), mLogoButton.get()})
        button->SetVisible(true);
}

void TitleScreen::ShowDifficultyChoice()
{
    Board::DeleteAutosave();
    for (FlickeringButtonWidget* button :
         {mPlayButton.get(), mScoresButton.get(), mExitButton.get(), mOptionsButton.get()})
        button->SetVisible(false);
    for (FlickeringButtonWidget* button :
         {mBeginnerButton.get(), mEasyButton.get(), mNormalButton.get(), mHardButton.get()})
        button->SetVisible(true);
    mResumeButton->SetVisible(false);
    mNewGameButton->SetVisible(false);
}

void TitleScreen::Update()
{
    Widget::Update();
    mLogoButton->mFlickerOn = mLoadingFinished;
    if (mApp->mTitleRedrawRequested.exchange(false))
        MarkDirty();
}

void TitleScreen::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_LOGO, 0, 0);
}

void TitleScreen::ButtonDepress(int id)
{
    mApp->PlaySoundById(SOUND_BTN);
    switch (id) {
    case kButtonPlay:
        if (Vorn::FileExists(AutosavePath())) {
            for (FlickeringButtonWidget* button :
                 {mPlayButton.get(), mScoresButton.get(), mExitButton.get(), mOptionsButton.get()})
                button->SetVisible(false);
            mResumeButton->SetVisible(true);
            mNewGameButton->SetVisible(true);
        } else {
            ShowDifficultyChoice();
        }
        break;
    case kButtonNewGame:
        ShowDifficultyChoice();
        break;
    case kButtonBeginner: {
        // The help and high-score screens delete themselves when they close.
        auto* help = new TutorialScreen();
        help->CreateReturnButton();
        help->Resize(0, 0, mWidth, mHeight);
        mParent->AddWidget(help);
        break;
    }
    case kButtonEasy:
    case kButtonNormal:
    case kButtonHard:
    case kButtonResume:
        mWidgetManager->RemoveWidget(this);
        mApp->QueueWidgetDeletion(this);
        mApp->StartGame(id);
        break;
    case kButtonScores: {
        auto* scores = new TopScoresScreen();
        scores->CreateWidgets();
        scores->Resize(0, 0, mWidth, mHeight);
        mParent->AddWidget(scores);
        break;
    }
    case kButtonExit:
        mApp->Shutdown();
        break;
    case kButtonOptions: {
        // The application owns its dialogs.
        auto* options = new Vorn::OptionsDialog();
        const int width = IMAGE_DIALOG_OPTIONS->GetWidth();
        options->Resize(mWidth / 2 - width / 2, kOptionsDialogTop, width, IMAGE_DIALOG_OPTIONS->GetHeight());
        mApp->AddDialog(kOptionsDialogId, options);
        break;
    }
    case kButtonLogo:
        // A replay shows what the player saw; it does not open pages again.
        if (!mApp->mPlaying)
            mApp->OpenWebPage(kArticleUrl, false);
        break;
    default:
        break;
    }
}
