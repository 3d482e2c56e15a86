#pragma once
// The play field: one widget over the whole window that owns one running
// game. It sets a stage up (physics, track, the symbols still to come), runs
// each update (physics, track feed, spawning, ball animations, the score
// counting up), draws the stage with its score, takes the player's keys and
// mouse releases, and ends a stage when it is cleared or lost.
//
// Balls are not driven along the track: each new one is placed among the
// others, and the physics pushes the chain through the closed wall toward
// the vortex. The track speed only decides how often a ball is added.
//
// The true score is the displayed score plus the score still to add; the
// displayed one moves a point per update toward it. For every symbol the
// pending count plus the live balls not being removed stays even, so every
// stage can be cleared.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"
#include "game/AutosaveRecord.h"
#include "game/Ball.h"
#include "game/FXSprite.h"
#include "game/Level.h"
#include "game/Renderer.h"

#include <deque>
#include <memory>

class GameApp;

class Board : public Vorn::Widget, public Vorn::ButtonListener {
public:
    static constexpr int kMenuButtonId = 1;
    // Key codes.
    static constexpr int kKeyF1 = 112;
    static constexpr int kKeyPause = 19;
    static constexpr int kKeyEscape = 27;

    // The track's feed: a ball is added each time it has fed kSpawnDistance;
    // it runs at most kTopSpeed (backwards while a reverse runs), tripled by
    // the speed-up, and the autosave alone sees kOpeningSpeed while the first
    // balls roll in.
    static constexpr float kSpawnDistance = 48.0f;
    static constexpr float kTopSpeed = 1.0f;
    static constexpr float kSpeedUpFactor = 3.0f;
    static constexpr float kOpeningSpeed = 10.0f;

    // Difficulty 1 easy, 2 normal, 3 hard, or 8 to continue the autosaved
    // game (without one, 8 plays a fresh stage with 8 in every formula).
    Board(GameApp* app, int difficulty);
    ~Board() override;

    // Sets up the stage numbered by mStage; the autosave, when there is a
    // valid one and `loadAutosave` allows it, replaces it.
    void NewGame(bool loadAutosave = true);
    void ClearGame();
    void CompleteLevel();
    // A stage never loads an autosave that could not be deleted: the player
    // would be thrown back to the saved stage at every stage.
    void NextLevel();
    bool IsGameOver() const;
    bool IsLevelCleared() const;
    void SpawnBall();
    void UpdateTrack();
    void PurgeRemovedBalls();
    void DrawHud(Vorn::Graphics* g);
    // Leaves the widget tree with the menu button, both queued for deletion,
    // and brings the title back.
    void ReturnToMenu();

    // The rules of play.
    // What a left release does: turn a ball, match or miss.
    void ClickBall();
    void PlayFlipSound();
    void PlayMatchSound();
    // Reverse, stop or reveal runs.
    bool IsSpecialActive() const;
    // After every match, a chance growing with the combo.
    void MaybeMakeSpecial();
    void ApplySpecial(const Ball& ball);

    // The saved game: what the file holds of the running game, written
    // silently on failure (false); an invalid file is treated as none and
    // deleted.
    AutosaveRecord MakeAutosaveRecord() const;
    bool WriteAutosave() const;
    bool LoadAutosave();
    // True when no autosave is left on the disk.
    static bool DeleteAutosave();

    void OnAttached(Vorn::WidgetManager* manager) override;
    void OnDetached(Vorn::WidgetManager* manager) override;
    void Update() override;
    void Draw(Vorn::Graphics* g) override;
    void KeyUp(int keyCode) override;
    void MouseMove(int x, int y) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void ButtonDepress(int id) override;

    // Not owned.
    GameApp* mApp;
    std::unique_ptr<Renderer> mRenderer;
    std::unique_ptr<Vorn::ButtonWidget> mMenuButton;
    // Spawn order, the newest at the back.
    std::deque<std::unique_ptr<Ball>> mBalls;
    // In the order they will spawn.
    std::deque<int> mPendingSymbols;
    int mPointerX = 0;
    int mPointerY = 0;
    std::unique_ptr<Level> mLevel;
    int mStage = 0;
    bool mPlaying = false;
    bool mSpawnRequested = false;
    bool mLost = false;
    // Only kept by the autosave.
    int mReserved = 0;
    float mTrackSpeed = 0.0f;
    int mDifficulty;
    int mDisplayedScore = 0;
    int mScoreToAdd = 0;
    int mCombo = 0;
    int mMisses = 0;
    int mPopupFrames = 0;
    int mPopupX = 0;
    int mPopupY = 0;
    int mPopupPoints = 0;
    int mStopTimer = 0;
    int mReverseTimer = 0;
    int mRevealTimer = 0;
    int mRevealCounter = 0;
    int mSpeedUpTimer = 0;
    float mTravel = 0.0f;
    std::unique_ptr<FXSprite> mExplosion;
    bool mPaused = false;
    // The stage's collision space, made by its set-up and destroyed by its
    // tear-down; null between the two.
    dSpaceID mSpace = nullptr;

private:
    // Adds to the score still to add, held within int.
    void AddPoints(int points);
    void PlaySound(int id);
};
