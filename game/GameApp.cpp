#include "game/GameApp.h"

#include "framework/app/PathUtils.h"
#include "framework/resources/ResourceManager.h"
#include "framework/sound/MusicInterface.h"
#include "framework/widgets/WidgetManager.h"
#include "game/Board.h"
#include "game/GameResources.h"
#include "game/TitleScreen.h"

GameApp* gGameApp = nullptr;

namespace {

// The music comes in from silence over five seconds of updates.
constexpr double kMusicFadeInSpeed = 0.002;

} // namespace

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

GameApp::~GameApp()
{
    // The loading thread fills the resource globals from the resources freed
    // below: it finishes first.
    Shutdown();
    WaitForLoadingThread();
    if (mBoard)
        mWidgetManager->RemoveWidget(mBoard.get());
    mBoard.reset();
    if (mTitleScreen)
        mWidgetManager->RemoveWidget(mTitleScreen.get());
    mTitleScreen.reset();
    mResourceManager->FreeGroup("");
    gGameApp = nullptr;
}

void GameApp::Init()
{
    VornAppBase::Init();
    if (mShutdown)
        return;
    ReadResourceManifest();
    Vorn::ResourceManager& resources = *mResourceManager;
    if (!resources.LoadGroup("Init") || !FetchInitResources(resources) || !resources.LoadGroup("TitleScreen") ||
        !FetchTitleScreenResources(resources)) {
        SetLoadingFailed();
        ReportResourceFailure(true);
    }
    ShowTitleScreen();
    mNumLoadingThreadTasks = resources.CountGroupResources("Game");
}

void GameApp::RunLoadingThread()
{
    Vorn::ResourceManager& resources = *mResourceManager;
    resources.BeginGroupLoad("Game");
    while (resources.LoadNextOfGroup()) {
        ++mCompletedLoadingThreadTasks;
        if (IsLoadingCancelled())
            return;
        mTitleRedrawRequested = true;
    }
    if (resources.HadFailure() || !FetchGameResources(resources)) {
        ReportResourceFailure(false);
        SetLoadingFailed();
    }
}

void GameApp::OnLoadingFinished()
{
    if (LoadingFailed())
        return;
    // Without the music file the game goes on in silence.
    mMusicInterface->LoadMusic(kMusicSongId, kMusicFileName);
    mMusicInterface->FadeIn(kMusicSongId, 0, kMusicFadeInSpeed, false);
    mTitleScreen->ShowMainButtons();
    mTitleScreen->MarkDirty();
}

void GameApp::ShowTitleScreen()
{
    mTitleScreen = std::make_unique<TitleScreen>(this);
    mTitleScreen->Resize(0, 0, mWidth, mHeight);
    mWidgetManager->AddWidget(mTitleScreen.get());
}

void GameApp::StartGame(int difficulty)
{
    // Already queued for deletion by the title screen itself.
    static_cast<void>(mTitleScreen.release());
    mBoard = std::make_unique<Board>(this, difficulty);
    mBoard->Resize(0, 0, mWidth, mHeight);
    mWidgetManager->AddWidget(mBoard.get());
    mWidgetManager->SetFocus(mBoard.get());
}

void GameApp::ReturnToTitle(bool lost)
{
    // Already queued for deletion by the board itself.
    static_cast<void>(mBoard.release());
    ShowTitleScreen();
    mTitleScreen->ShowMainButtons();
    mTitleScreen->MarkDirty();
    if (lost)
        mTitleScreen->ButtonDepress(TitleScreen::kButtonScores);
}
