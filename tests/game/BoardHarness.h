#pragma once
// The board without a window: a game application on scripted time with its
// sounds written down, real physics, the game's generator seeded, the track
// and effect files the build made, and a save folder of its own. Pictures
// are not loaded unless a test asks for them (WithPictures): the rules do
// not need them. A scripted player clicks balls as a person would, by
// pointing at them.

#include "GameDataFolder.h"
#include "fakes/CurrentPathGuard.h"
#include "fakes/FixedFont.h"
#include "fakes/MemorySettingsStore.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "game/Board.h"
#include "game/GameApp.h"
#include "framework/resources/PakInterface.h"
#include "game/PhysicsWorld.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

// A whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// A loose file of the game's data.
std::string ReadGameFile(const std::string& name);

// Each sound global gets a number of its own, so that a test can tell which
// one played: SOUND_FLIP1..10 are 101..110, SOUND_DELETE1..3 201..203,
// SOUND_BONUS 301, SOUND_EXPLODE 302, SOUND_SCORE 303.
void NumberSounds();

class BoardApp : public GameApp {
public:
    explicit BoardApp(Platform::Services services) : GameApp(services) {}

    void PlaySoundById(int id) override { mPlayed.push_back(id); }
    // The title is not loaded here: the board's leave is written down.
    void ReturnToTitle(bool lost) override { mReturns.push_back(lost); }

    std::vector<int> mPlayed;
    std::vector<bool> mReturns;
};

struct BoardSurroundings {
    CurrentPathGuard mPathGuard;
    TempDir mDataDir;
    ScriptedClock mClock;
    MemorySettingsStore mSettings;
};

class BoardHarness : public BoardSurroundings {
public:
    explicit BoardHarness(uint32_t seed = 1);
    ~BoardHarness();

    // A board as the title makes it, updating as if it had the focus.
    std::unique_ptr<Board> MakeBoard(int difficulty);
    // Loads the game's pictures and font into the resource globals for the
    // rest of the harness's life. Given a window, the display is first
    // initialised in it (windowed, on the 3D road when asked), as the game
    // does before it loads anything: the pictures then take the forms they
    // take in play. False when the display cannot be initialised.
    bool WithPictures(Platform::Window* window = nullptr, bool threeD = false);
    // Stand-ins instead, that write down how they are drawn: each picture a
    // RecordingImage named after its id (cels as in the game's data), the
    // score font a FixedFont.
    void WithRecordingPictures();
    // A grown ball of the symbol at rest at (x, y), appended to the live
    // balls.
    static Ball& AddBall(Board& board, float x, float y, int symbol, float size = 0.5f);

    static void Run(Board& board, int updates);
    // Points at (x, y), lets one update take the pointer in, and releases
    // the button there.
    static void Click(Board& board, int x, int y, int button = 0);
    // The ball a release at (x, y) would turn after the next update: the
    // oldest hovered one not being removed.
    static const Ball* BallAt(const Board& board, int x, int y);
    // Where to point to turn this ball, if there is such a place.
    static bool ClickPoint(const Board& board, const Ball& ball, int& x, int& y);
    // One pair of one symbol cleared by two clicks, when one can be found;
    // false otherwise (nothing was clicked).
    static bool ClearOnePair(Board& board);
    // Plays the stage until it is cleared or lost or the updates run out;
    // true when cleared.
    static bool PlayStage(Board& board, int maxUpdates);

    BoardApp mApp{Platform::Services{&mClock, &mSettings}};
    PhysicsWorld mPhysics;

    FixedFont* mScoreFont = nullptr;

private:
    void ForgetPictures();

    std::unique_ptr<Vorn::PakInterface> mArchive;
    Vorn::PakInterface* mPreviousArchive = nullptr;
    std::vector<std::unique_ptr<Vorn::Image>> mStandIns;
    std::unique_ptr<FixedFont> mOwnFont;
    bool mPicturesSet = false;
};

} // namespace Testing
