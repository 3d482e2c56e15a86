#include "game/TutorialScreen.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/HyperlinkWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "game/TopScoresScreen.h"

TutorialScreen::TutorialScreen() : mApp(gGameApp) {}

TutorialScreen::~TutorialScreen() = default;

void TutorialScreen::CreateReturnButton()
{
    mReturnButton = TopScoresScreen::MakeReturnButton(this);
}

void TutorialScreen::OnAttached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnAttached(manager);
    TopScoresScreen::PlaceReturnButton(mReturnButton.get(), manager, mWidth / 2, mHeight);
    mReturnButton->SetDisabled(false);
    mPreviousFocus = manager->mFocusWidget;
    manager->SetFocus(this);
}

void TutorialScreen::OnDetached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnDetached(manager);
    if (mReturnButton)
        manager->RemoveWidget(mReturnButton.get());
}

void TutorialScreen::Update()
{
    Widget::Update();
    mApp->SetCustomCursors(false);
    MarkDirty();
}

void TutorialScreen::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_BKG_1_1, 0, 0);
    g->DrawImage(IMAGE_TRACK_1, 0, 0);
    g->DrawImage(IMAGE_HELP_SCREEN, 0, 0);
}

void TutorialScreen::KeyUp(int)
{
    ButtonDepress(0);
}

void TutorialScreen::MouseUpButton(int, int, int, int)
{
    ButtonDepress(0);
}

void TutorialScreen::ButtonDepress(int)
{
    // A second release in the same pass finds the screen already closed.
    Vorn::WidgetManager* manager = mWidgetManager;
    if (!manager)
        return;
    manager->RemoveWidget(this);
    mApp->QueueWidgetDeletion(mReturnButton.release());
    mApp->QueueWidgetDeletion(this);
    mApp->PlaySoundById(SOUND_BTN);
    manager->SetFocus(mPreviousFocus);
}
