#pragma once
// The game's application object: its identity and settings over the
// framework's defaults, its start-up (the title screen over the groups
// "Init" and "TitleScreen"), the loading thread's work (the group "Game"),
// the hand-over after loading (music, main menu) and the switch between the
// title screen and a running board.

#include "framework/app/VornAppBase.h"

#include <atomic>
#include <memory>
#include <string>

class Board;
class TitleScreen;

// The save folder under the application-data folder, and the autosave in it.
inline constexpr const char* kSaveFolderName = "Save\\";
inline constexpr const char* kAutosaveFileName = "autosave";

// The autosave file in the application-data folder.
std::string AutosavePath();

// The music played from the end of loading on.
inline constexpr int kMusicSongId = 1;
inline constexpr const char* kMusicFileName = "Music/Music.ogg";

class GameApp : public Vorn::VornAppBase {
public:
    // Difficulties a board is started with; resuming continues the autosave.
    static constexpr int kDifficultyEasy = 1;
    static constexpr int kDifficultyNormal = 2;
    static constexpr int kDifficultyHard = 3;
    static constexpr int kDifficultyResume = 8;

    explicit GameApp(Platform::Services services = Platform::SystemServices());
    ~GameApp() override;

    void OnLoadingFinished() override;
    void RunLoadingThread() override;
    // Ends the program when the groups of the title screen cannot be loaded.
    void Init() override;

    void ShowTitleScreen();
    // The title screen has already left the widget tree and is queued for
    // deletion.
    void StartGame(int difficulty);
    // The board has already left the widget tree and is queued for deletion.
    // After a lost game the high-score screen opens over the title.
    virtual void ReturnToTitle(bool lost);

    // Null on the title screen.
    std::unique_ptr<Board> mBoard;
    // Null while a game runs.
    std::unique_ptr<TitleScreen> mTitleScreen;
    // The loading thread asks for the title screen to be redrawn; the title
    // screen's update takes the request on the main thread, which alone may
    // touch the widget tree.
    std::atomic<bool> mTitleRedrawRequested{false};
};

// The one game application while it exists.
extern GameApp* gGameApp;
