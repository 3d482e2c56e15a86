#include "game/GameApp.h"

#include "framework/app/PathUtils.h"

GameApp* gGameApp = nullptr;

std::string AutosavePath()
{
    return Vorn::GetAppDataFolder() + kSaveFolderName + kAutosaveFileName;
}

GameApp::GameApp(Platform::Services services) : VornAppBase(services)
{
    mProductName = "Zarquel";
    mTitle = mProductName;
    mProductVersion = "1.0";
    mRegKey = "Tavoren\\Zarquel";
    mWidth = 800;
    mHeight = 600;
    mAutoEnable3D = true;
    mWidenToDesktopAspect = true;
    mVSyncUpdates = false;
    gGameApp = this;
}

void GameApp::ReturnToTitle(bool) {}
