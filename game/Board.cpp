#include "game/Board.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "platform/Paths.h"

#include <filesystem>
#include <system_error>

Board::Board(GameApp* app, int difficulty) : mApp(app), mDifficulty(difficulty) {}

void Board::DeleteAutosave()
{
    std::error_code ec;
    std::filesystem::remove(Platform::ResolveFileName(AutosavePath()), ec);
}

void Board::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_BKG_1_1, 0, 0);
    g->DrawImage(IMAGE_TRACK_1, 0, 0);
}

void Board::KeyUp(int)
{
    ReturnToMenu();
}

void Board::MouseUpButton(int, int, int, int)
{
    ReturnToMenu();
}

void Board::ReturnToMenu()
{
    mWidgetManager->RemoveWidget(this);
    mApp->QueueWidgetDeletion(this);
    mApp->ReturnToTitle(false);
}
