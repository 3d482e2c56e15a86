// The game just after a player lost with the score given as the argument:
// once loading has ended the board enters its score into the high-score
// table and the high-score screen opens over the title, as at the end of a
// real game. Everything else is the real program, run in the game's folder.

#include "game/Board.h"
#include "game/GameApp.h"
#include "game/PhysicsWorld.h"
#include "game/TitleScreen.h"
#include "game/TopScores.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class LostGame : public GameApp {
public:
    explicit LostGame(int score) : mScore(score) {}

    void OnLoadingFinished() override
    {
        GameApp::OnLoadingFinished();
        if (LoadingFailed())
            return;
        Board board(this, kDifficultyEasy);
        board.mDisplayedScore = mScore;
        AddTopScore(board);
        mTitleScreen->ButtonDepress(TitleScreen::kButtonScores);
    }

    int mScore;
};

} // namespace

int main(int argc, char** argv)
{
    // As in the game: the physics library lives longer than every board.
    const PhysicsWorld physics;
    const auto app = std::make_unique<LostGame>(argc > 1 ? std::atoi(argv[1]) : 0);
    // Started in the game's folder, not beside the game.
    app->mWorkingFolder = std::filesystem::current_path().string();
    app->Init();
    app->Start();
    return 0;
}
