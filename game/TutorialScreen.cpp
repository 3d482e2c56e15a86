#include "game/TutorialScreen.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"

TutorialScreen::TutorialScreen() : mApp(gGameApp) {}

void TutorialScreen::CreateReturnButton() {}

void TutorialScreen::OnAttached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnAttached(manager);
    mPreviousFocus = manager->mFocusWidget;
    manager->SetFocus(this);
}

void TutorialScreen::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_BKG_1_1, 0, 0);
    g->DrawImage(IMAGE_TRACK_1, 0, 0);
    g->DrawImage(IMAGE_HELP_SCREEN, 0, 0);
}

void TutorialScreen::KeyUp(int)
{
    Close();
}

void TutorialScreen::MouseUpButton(int, int, int, int)
{
    Close();
}

void TutorialScreen::Close()
{
    Vorn::WidgetManager* manager = mWidgetManager;
    manager->RemoveWidget(this);
    mApp->QueueWidgetDeletion(this);
    mApp->PlaySoundById(SOUND_BTN);
    manager->SetFocus(mPreviousFocus);
}
