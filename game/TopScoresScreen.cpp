#include "game/TopScoresScreen.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"

TopScoresScreen::TopScoresScreen() : mApp(gGameApp) {}

void TopScoresScreen::CreateWidgets() {}

void TopScoresScreen::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_SCORES_BKG, 0, 0);
}

void TopScoresScreen::MouseUpButton(int, int, int, int)
{
    mWidgetManager->RemoveWidget(this);
    mApp->QueueWidgetDeletion(this);
    mApp->PlaySoundById(SOUND_BTN);
}
