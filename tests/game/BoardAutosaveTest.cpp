// A game left through the menu button and resumed: every value the board
// keeps comes back, a file the game did not write is treated as none and
// deleted, and a stage never loads a file it could not delete.

#include "game/Board.h"

#include "BoardHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Testing::BoardHarness;

// What the file keeps of a ball.
struct Saved {
    float x, y, vx, vy, size;
    std::vector<int> flags;

    static Saved Of(const Ball& ball)
    {
        return {ball.mX, ball.mY, ball.GetVelocityX(), ball.GetVelocityY(), ball.mSize,
            {ball.mSymbol, ball.mSymbolSet, ball.mOpen, ball.mHovered, ball.mSpecialKind, ball.mSpecialLifetime,
                ball.mBeingRemoved, ball.mRemovalCounter, ball.mFlipCounter, ball.mHeldShown, ball.mTranslucent,
                ball.mReserved1, ball.mReserved2}};
    }
};

class BoardAutosave : public ::testing::Test {
protected:
    std::string SavePath() const { return mHarness.mDataDir / "Save/autosave"; }

    BoardHarness mHarness{77};
};

TEST_F(BoardAutosave, AResumedGameHasEveryValueOfTheLeftOne)
{
    auto left = mHarness.MakeBoard(2);
    BoardHarness::Run(*left, 300);
    ASSERT_TRUE(BoardHarness::ClearOnePair(*left));
    BoardHarness::Run(*left, 7);
    left->mStage = 3;
    left->mDisplayedScore = -12;
    left->mScoreToAdd = 31;
    left->mCombo = 5;
    left->mMisses = 4;
    left->mStopTimer = 11;
    left->mReverseTimer = 12;
    left->mRevealTimer = 13;
    left->mRevealCounter = 9;
    left->mSpeedUpTimer = 14;
    left->mReserved = -3;
    left->mSpawnRequested = true;
    left->mBalls.front()->mHeldShown = true;
    left->mBalls.front()->mTranslucent = true;
    left->mBalls.back()->SetSpecial(Ball::kSpecialBomb);
    ASSERT_GE(left->mBalls.size(), 3u);
    ASSERT_TRUE(left->WriteAutosave());
    // One stage's physics at a time: the left board goes before the resumed
    // one is made, as in the game.
    const int symbolCount = left->mLevel->mSymbolCount;
    const float trackSpeed = left->mTrackSpeed;
    const float travel = left->mTravel;
    const std::deque<int> pending = left->mPendingSymbols;
    std::vector<Saved> balls;
    for (const auto& ball : left->mBalls)
        balls.push_back(Saved::Of(*ball));
    left.reset();

    const auto resumed = mHarness.MakeBoard(8);
    EXPECT_EQ(resumed->mStage, 3);
    EXPECT_EQ(resumed->mDifficulty, 2);
    EXPECT_EQ(resumed->mLevel->mStage, 3);
    EXPECT_EQ(resumed->mLevel->mSymbolCount, symbolCount);
    EXPECT_EQ(resumed->mLevel->mBallCount, (3 * 5 + 50) * 2);
    EXPECT_EQ(resumed->mDisplayedScore, -12);
    EXPECT_EQ(resumed->mScoreToAdd, 31);
    EXPECT_EQ(resumed->mCombo, 5);
    EXPECT_EQ(resumed->mMisses, 4);
    EXPECT_EQ(resumed->mStopTimer, 11);
    EXPECT_EQ(resumed->mReverseTimer, 12);
    EXPECT_EQ(resumed->mRevealTimer, 13);
    EXPECT_EQ(resumed->mRevealCounter, 9);
    EXPECT_EQ(resumed->mSpeedUpTimer, 14);
    EXPECT_EQ(resumed->mReserved, -3);
    EXPECT_TRUE(resumed->mSpawnRequested);
    EXPECT_FALSE(resumed->mLost);
    EXPECT_FLOAT_EQ(resumed->mTrackSpeed, trackSpeed);
    EXPECT_NEAR(resumed->mTravel, travel, 1e-4);
    EXPECT_EQ(resumed->mPendingSymbols, pending);
    ASSERT_EQ(resumed->mBalls.size(), balls.size());
    for (size_t i = 0; i < balls.size(); ++i) {
        const Saved& was = balls[i];
        const Saved is = Saved::Of(*resumed->mBalls[i]);
        // Six significant digits in the file.
        EXPECT_NEAR(is.x, was.x, 0.01) << i;
        EXPECT_NEAR(is.y, was.y, 0.01) << i;
        EXPECT_NEAR(is.vx, was.vx, 1e-4 + std::fabs(was.vx) * 1e-5) << i;
        EXPECT_NEAR(is.vy, was.vy, 1e-4 + std::fabs(was.vy) * 1e-5) << i;
        EXPECT_EQ(is.size, was.size) << i;
        EXPECT_EQ(is.flags, was.flags) << i;
    }
    EXPECT_EQ(resumed->mBalls.back()->mSpecialKind, Ball::kSpecialBomb);
    EXPECT_TRUE(resumed->mBalls.front()->mHeldShown);
    // The resumed game writes the file it was read from.
    const std::string first = Testing::ReadFile(SavePath());
    ASSERT_TRUE(resumed->WriteAutosave());
    EXPECT_EQ(Testing::ReadFile(SavePath()), first);
}

TEST_F(BoardAutosave, AFileTheGameDidNotWriteIsDeletedAndTheFreshStagePlays)
{
    auto left = mHarness.MakeBoard(1);
    BoardHarness::Run(*left, 200);
    left->mStage = 2;
    ASSERT_TRUE(left->WriteAutosave());
    left.reset();
    const std::string text = Testing::ReadFile(SavePath());
    // The last value of the last ball cut off, then a negative ball size.
    for (const std::string& bad : {text.substr(0, text.size() - 3), [&text] {
             std::string negative = text;
             const size_t lastBall = negative.rfind('\n', negative.size() - 2) + 1;
             negative.insert(lastBall, "-");
             return negative;
         }()}) {
        mHarness.mDataDir.WriteFile("Save/autosave", bad);
        const auto board = mHarness.MakeBoard(3);
        EXPECT_FALSE(std::filesystem::exists(SavePath()));
        EXPECT_EQ(board->mStage, 0);
        EXPECT_EQ(board->mDifficulty, 3);
        EXPECT_TRUE(board->mBalls.empty());
        EXPECT_EQ(board->mPendingSymbols.size(), 100u);
        EXPECT_EQ(board->mDisplayedScore, 0);
    }
}

TEST_F(BoardAutosave, ResumingWithoutAFilePlaysStageZeroWithEightInEveryFormula)
{
    const auto board = mHarness.MakeBoard(8);
    EXPECT_EQ(board->mStage, 0);
    EXPECT_EQ(board->mDifficulty, 8);
    EXPECT_EQ(board->mLevel->mSymbolCount, 8);
    BoardHarness::Run(*board, 1);
    EXPECT_FLOAT_EQ(board->mTrackSpeed, 10.0f);
}

TEST_F(BoardAutosave, ANewStageDeletesTheFileAndNeverLoadsOneItCouldNotDelete)
{
    auto board = mHarness.MakeBoard(1);
    board->mStage = 4;
    ASSERT_TRUE(board->WriteAutosave());
    board->mStage = 0;
    board->CompleteLevel();
    EXPECT_EQ(board->mStage, 1);
    EXPECT_FALSE(std::filesystem::exists(SavePath()));

    // A file that cannot be deleted stays unread, or every stage would go
    // back to stage 4.
    board->mStage = 4;
    ASSERT_TRUE(board->WriteAutosave());
    board->mStage = 1;
    board->ClearGame();
    board->NewGame(false);
    EXPECT_EQ(board->mStage, 1);
    EXPECT_TRUE(std::filesystem::exists(SavePath()));
    std::filesystem::remove(SavePath());
    std::filesystem::create_directories(SavePath() + "/inside");
    EXPECT_FALSE(Board::DeleteAutosave());
    board->CompleteLevel();
    EXPECT_EQ(board->mStage, 2);
    EXPECT_EQ(board->mPendingSymbols.size(), static_cast<size_t>((2 * 5 + 50) * 2));
}

TEST_F(BoardAutosave, LeavingALostStageSavesItLostAndItResumesLost)
{
    auto board = mHarness.MakeBoard(1);
    BoardHarness::Run(*board, 120);
    ASSERT_FALSE(board->mBalls.empty());
    board->mLost = true;
    for (const auto& ball : board->mBalls)
        ball->StartRemoval();
    ASSERT_TRUE(board->WriteAutosave());
    board.reset();
    const auto resumed = mHarness.MakeBoard(8);
    EXPECT_TRUE(resumed->mLost);
    BoardHarness::Run(*resumed, 200);
    EXPECT_TRUE(resumed->IsGameOver());
}

} // namespace
