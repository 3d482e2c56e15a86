#include "game/GameApp.h"

GameApp::GameApp()
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
}
