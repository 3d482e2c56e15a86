// The board: stage set-up, the per-update work (track feed, spawning,
// purging, the score counting up), the end of a stage, drawing, keys, mouse
// releases and the menu button.

#include "game/Board.h"
#include "game/TopScores.h"

#include "BoardHarness.h"
#include "ReferenceRand.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameResources.h"
#include "game/TutorialScreen.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

using Testing::BoardHarness;

using Testing::ReferenceRand;

// The pending symbols of a fresh stage: pairs drawn, then shuffled front to
// back, each place swapped with one at or before it.
std::deque<int> ExpectedPending(ReferenceRand& rand, int balls, int symbols)
{
    std::deque<int> pending;
    for (int i = 0; i < balls / 2; ++i) {
        const int symbol = rand.Next() % symbols;
        pending.push_back(symbol);
        pending.push_back(symbol);
    }
    for (size_t i = 1; i < pending.size(); ++i)
        std::swap(pending[i], pending[static_cast<size_t>(rand.Next()) % (i + 1)]);
    return pending;
}

class BoardFixture : public ::testing::Test {
protected:
    static constexpr uint32_t kSeed = 4242;

    BoardHarness mHarness{kSeed};
};

TEST_F(BoardFixture, AFreshStageQueuesShuffledPairsAndAnnouncesItself)
{
    ReferenceRand rand(kSeed);
    const auto board = mHarness.MakeBoard(2);
    EXPECT_EQ(board->mPendingSymbols, ExpectedPending(rand, 100, 4));
    EXPECT_EQ(Platform::Rand(), rand.Next());
    EXPECT_TRUE(board->mPlaying);
    EXPECT_EQ(board->mStage, 0);
    EXPECT_TRUE(board->mBalls.empty());
    EXPECT_EQ(board->mTrackSpeed, 1.0f);
    EXPECT_EQ(mHarness.mApp.mPlayed, std::vector<int>{SOUND_SCORE});
    ASSERT_NE(board->mExplosion, nullptr);
    EXPECT_FALSE(board->mExplosion->mEmitters.empty());
    for (const auto& emitter : board->mExplosion->mEmitters)
        EXPECT_FALSE(emitter->mEnabled);
}

TEST_F(BoardFixture, TheNextStageKeepsTheScoreAndStartsEverythingElseAfresh)
{
    const auto board = mHarness.MakeBoard(3);
    board->mDisplayedScore = 120;
    board->mScoreToAdd = -7;
    board->mPopupPoints = 30;
    board->mCombo = 4;
    board->mMisses = 2;
    board->mStopTimer = 9;
    board->mRevealCounter = 3;
    board->mTravel = 20.0f;
    board->mLost = true;
    board->mPaused = true;
    BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    ReferenceRand rand(kSeed);
    Platform::SRand(kSeed);
    board->CompleteLevel();
    EXPECT_EQ(board->mStage, 1);
    EXPECT_EQ(board->mPendingSymbols, ExpectedPending(rand, 110, 4));
    EXPECT_TRUE(board->mBalls.empty());
    EXPECT_EQ(board->mDisplayedScore, 120);
    EXPECT_EQ(board->mScoreToAdd, -7);
    EXPECT_EQ(board->mPopupPoints, 30);
    EXPECT_EQ(board->mCombo + board->mMisses + board->mStopTimer + board->mRevealCounter, 0);
    EXPECT_EQ(board->mTravel, 0.0f);
    EXPECT_FALSE(board->mLost || board->mPaused || board->mSpawnRequested);
    EXPECT_EQ(board->mLevel->mStage, 1);
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 5);
}

TEST_F(BoardFixture, TheFirstUpdateSpawnsABallAtTheSpawnPointWithTheGamesDraws)
{
    const auto board = mHarness.MakeBoard(1);
    ReferenceRand rand(kSeed);
    ExpectedPending(rand, 100, 4);
    const int front = board->mPendingSymbols.front();
    BoardHarness::Run(*board, 1);
    ASSERT_EQ(board->mBalls.size(), 1u);
    const Ball& ball = *board->mBalls[0];
    const float x = board->mLevel->mSpawnX + static_cast<float>(rand.Next() % 10);
    const float y = board->mLevel->mSpawnY + static_cast<float>(rand.Next() % 10);
    EXPECT_EQ(ball.mSize, static_cast<float>((rand.Next() % 10) / 20.0 + 0.5));
    rand.Next();
    rand.Next();
    EXPECT_EQ(ball.mTranslucent, rand.Next() % 4 == 0);
    EXPECT_EQ(Platform::Rand(), rand.Next());
    EXPECT_NEAR(ball.mX, x, 0.01);
    EXPECT_NEAR(ball.mY, y, 0.01);
    EXPECT_EQ(ball.mSymbol, front);
    EXPECT_EQ(ball.mSymbolSet, 0);
    EXPECT_EQ(board->mPendingSymbols.size(), 99u);
}

TEST_F(BoardFixture, OneBallInTwiceTheDifficultyPlusTwoIsTranslucent)
{
    for (const int difficulty : {1, 2, 3}) {
        int translucent = 0;
        for (uint32_t seed = 1; seed <= 24; ++seed) {
            Platform::SRand(seed);
            const auto board = mHarness.MakeBoard(difficulty);
            ReferenceRand rand(seed);
            ExpectedPending(rand, 100, 4);
            BoardHarness::Run(*board, 1);
            ASSERT_EQ(board->mBalls.size(), 1u);
            // Place, size and the ball's own pictures come first.
            for (int draw = 0; draw < 5; ++draw)
                rand.Next();
            const bool expected = rand.Next() % (2 * difficulty + 2) == 0;
            EXPECT_EQ(board->mBalls[0]->mTranslucent, expected) << difficulty << " " << seed;
            translucent += expected;
        }
        EXPECT_GT(translucent, 0) << difficulty;
    }
}

TEST_F(BoardFixture, HalfTheSpawnsGoInsideTheChain)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.resize(20);
    BoardHarness::AddBall(*board, 500.0f, 150.0f, 0);
    int inside = 0;
    for (int i = 0; i < 40; ++i) {
        board->SpawnBall();
        const Ball& spawned = *board->mBalls.back();
        if (spawned.mX == 500.0f && spawned.mY == 150.0f)
            ++inside;
        board->mBalls.pop_back();
        board->mPendingSymbols.push_back(0);
    }
    EXPECT_GT(inside, 10);
    EXPECT_LT(inside, 30);
    board->mPendingSymbols.clear();
    board->mSpawnRequested = true;
    board->SpawnBall();
    EXPECT_FALSE(board->mSpawnRequested);
    EXPECT_EQ(board->mBalls.size(), 1u);
}

TEST_F(BoardFixture, WithOneBallOutABallIsAddedEveryFortyNineUpdates)
{
    const auto board = mHarness.MakeBoard(1);
    // Something removed: the speed is the live one, not the opening's.
    board->mPendingSymbols.pop_back();
    BoardHarness::Run(*board, 1);
    ASSERT_EQ(board->mBalls.size(), 1u);
    board->mBalls[0]->mGrowCounter = 0;
    for (int i = 0; i < 48; ++i) {
        board->UpdateTrack();
        ASSERT_FALSE(board->mSpawnRequested) << i;
        EXPECT_EQ(board->mTrackSpeed, 1.0f);
    }
    board->UpdateTrack();
    EXPECT_TRUE(board->mSpawnRequested);
    EXPECT_EQ(board->mTravel, 0.0f);
}

TEST_F(BoardFixture, WhileNothingIsRemovedTheFirstBallsSaveTheOpeningSpeed)
{
    const auto board = mHarness.MakeBoard(1);
    BoardHarness::Run(*board, 1);
    board->UpdateTrack();
    EXPECT_EQ(board->mTrackSpeed, 10.0f);
    EXPECT_EQ(board->mTravel, 1.0f);
}

struct Feed {
    int difficulty;
    int balls;
    float speed;
};

class TrackFeed : public BoardFixture, public ::testing::WithParamInterface<Feed> {};

TEST_P(TrackFeed, TheSpeedFallsWithTheBallsOutDownToTheDifficultysFloor)
{
    const Feed feed = GetParam();
    const auto board = mHarness.MakeBoard(feed.difficulty);
    board->mPendingSymbols.clear();
    for (int i = 0; i < feed.balls; ++i)
        board->mBalls.push_back(std::make_unique<Ball>(board->mRenderer.get(), 100.0f, 100.0f, 0.5f));
    board->UpdateTrack();
    EXPECT_EQ(board->mTrackSpeed, feed.speed);
    EXPECT_EQ(board->mTravel, feed.speed);
    EXPECT_FALSE(board->mLost);
}

INSTANTIATE_TEST_SUITE_P(Table, TrackFeed,
    ::testing::Values(Feed{1, 1, 1.0f}, Feed{1, 10, 1.0f}, Feed{1, 20, 0.5f}, Feed{1, 25, 0.4f}, Feed{1, 33, 10.0f / 33},
        Feed{1, 34, 0.3f}, Feed{1, 40, 0.3f}, Feed{2, 40, 0.4f}, Feed{3, 40, 0.5f}, Feed{8, 40, 0.5f},
        Feed{8, 21, 0.5f}, Feed{8, 15, 10.0f / 15}, Feed{2, 60, 0.4f}));

TEST_F(BoardFixture, ReverseNegatesStopHaltsAndTheSpeedUpTriplesOnlyAForwardSpeed)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    for (int i = 0; i < 20; ++i)
        board->mBalls.push_back(std::make_unique<Ball>(board->mRenderer.get(), 100.0f, 100.0f, 0.5f));
    board->mSpeedUpTimer = 2;
    board->UpdateTrack();
    EXPECT_EQ(board->mTrackSpeed, 1.5f);
    EXPECT_EQ(board->mSpeedUpTimer, 1);
    board->mReverseTimer = 2;
    board->UpdateTrack();
    EXPECT_EQ(board->mTrackSpeed, -0.5f);
    EXPECT_EQ(board->mSpeedUpTimer, 0);
    EXPECT_EQ(board->mReverseTimer, 1);
    board->mStopTimer = 5;
    board->UpdateTrack();
    EXPECT_EQ(board->mTrackSpeed, 0.0f);
    EXPECT_EQ(board->mReverseTimer, 0);
    EXPECT_EQ(board->mStopTimer, 4);
    EXPECT_EQ(board->mTravel, 1.5f - 0.5f);
    board->mRevealTimer = 3;
    board->UpdateTrack();
    EXPECT_EQ(board->mRevealTimer, 2);
    EXPECT_EQ(board->mStopTimer, 3);
}

TEST_F(BoardFixture, NoBallIsAddedWhileTheTrackRunsBackwardsOrStands)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.pop_back();
    BoardHarness::Run(*board, 1);
    board->mReverseTimer = 100;
    BoardHarness::Run(*board, 100);
    EXPECT_EQ(board->mBalls.size(), 1u);
    EXPECT_EQ(board->mTravel, -100.0f);
    board->mStopTimer = 200;
    BoardHarness::Run(*board, 200);
    EXPECT_EQ(board->mBalls.size(), 1u);
}

TEST_F(BoardFixture, TheRevealShowsOneBallEveryTenUpdatesFromTheNewestThenHidesThemTheSameWay)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    std::vector<Ball*> balls;
    for (int i = 0; i < 3; ++i)
        balls.push_back(&BoardHarness::AddBall(*board, 250.0f + 100.0f * i, 150.0f, i));
    mHarness.mApp.mPlayed.clear();
    board->mRevealTimer = 25;
    board->mRevealCounter = 0;
    std::vector<std::vector<bool>> shown;
    for (int update = 0; update < 60; ++update) {
        board->UpdateTrack();
        shown.push_back({balls[0]->mHeldShown, balls[1]->mHeldShown, balls[2]->mHeldShown});
    }
    using Row = std::vector<bool>;
    EXPECT_EQ(shown[0], (Row{false, false, true}));
    EXPECT_EQ(shown[9], (Row{false, false, true}));
    EXPECT_EQ(shown[10], (Row{false, true, true}));
    EXPECT_EQ(shown[20], (Row{true, true, true}));
    // The timer has run out at the fourth step: hiding starts from the newest.
    EXPECT_EQ(shown[30], (Row{true, true, false}));
    EXPECT_EQ(shown[40], (Row{true, false, false}));
    EXPECT_EQ(shown[50], (Row{false, false, false}));
    EXPECT_EQ(mHarness.mApp.mPlayed.size(), 6u);
    for (int sound : mHarness.mApp.mPlayed) {
        EXPECT_GE(sound, SOUND_FLIP1);
        EXPECT_LE(sound, SOUND_FLIP10);
    }
}

TEST_F(BoardFixture, AStageIsLostWhenABallComesStrictlyWithinFiftyOfTheEnd)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    Ball& near = BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    Ball& other = BoardHarness::AddBall(*board, 500.0f, 150.0f, 1);
    near.mX = board->mLevel->mEndX + 30.0f;
    near.mY = board->mLevel->mEndY + 40.0f;
    board->UpdateTrack();
    EXPECT_FALSE(board->mLost);
    near.mY = board->mLevel->mEndY + 39.99f;
    board->UpdateTrack();
    EXPECT_TRUE(board->mLost);
    EXPECT_TRUE(near.mBeingRemoved);
    EXPECT_TRUE(other.mBeingRemoved);
    // Lost once: the balls shrink away without starting over.
    BoardHarness::Run(*board, 5);
    EXPECT_EQ(other.mRemovalCounter, 75);
    EXPECT_FALSE(board->IsGameOver());
    BoardHarness::Run(*board, 20);
    EXPECT_TRUE(board->mBalls.empty());
    EXPECT_TRUE(board->IsGameOver());
    EXPECT_FALSE(board->IsLevelCleared());
}

TEST_F(BoardFixture, ALoneBallAtTheEndLosesTheStage)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    Ball& lone = BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    lone.mX = board->mLevel->mEndX + 49.0f;
    lone.mY = board->mLevel->mEndY;
    board->UpdateTrack();
    EXPECT_TRUE(board->mLost);
    EXPECT_TRUE(lone.mBeingRemoved);
}

TEST_F(BoardFixture, FinishedRemovalsLeaveTheOthersInOrder)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    std::vector<Ball*> balls;
    for (int i = 0; i < 5; ++i)
        balls.push_back(&BoardHarness::AddBall(*board, 250.0f + 80.0f * i, 150.0f, i % 4));
    balls[1]->mBeingRemoved = true;
    balls[3]->mBeingRemoved = true;
    balls[4]->mRemovalCounter = 0;
    balls[2]->mRemovalCounter = 5;
    balls[2]->mBeingRemoved = true;
    board->PurgeRemovedBalls();
    ASSERT_EQ(board->mBalls.size(), 3u);
    EXPECT_EQ(board->mBalls[0].get(), balls[0]);
    EXPECT_EQ(board->mBalls[1].get(), balls[2]);
    EXPECT_EQ(board->mBalls[2].get(), balls[4]);
}

TEST_F(BoardFixture, TheShownScoreMovesOnePointPerUpdateTowardTheTrueOne)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    board->mScoreToAdd = 3;
    BoardHarness::Run(*board, 2);
    EXPECT_EQ(board->mDisplayedScore, 2);
    EXPECT_EQ(board->mScoreToAdd, 1);
    BoardHarness::Run(*board, 2);
    EXPECT_EQ(board->mDisplayedScore, 3);
    EXPECT_EQ(board->mScoreToAdd, 0);
    board->mScoreToAdd = -4;
    BoardHarness::Run(*board, 3);
    EXPECT_EQ(board->mDisplayedScore, 0);
    EXPECT_EQ(board->mScoreToAdd, -1);
    // Once there, it stays.
    BoardHarness::Run(*board, 6);
    EXPECT_EQ(board->mDisplayedScore, -1);
    EXPECT_EQ(board->mScoreToAdd, 0);
}

TEST_F(BoardFixture, NothingMovesWithoutTheFocusOrWhilePausedButTheBoardIsRedrawn)
{
    const auto board = mHarness.MakeBoard(1);
    board->mHasFocus = false;
    board->mDirty = false;
    BoardHarness::Run(*board, 3);
    EXPECT_TRUE(board->mBalls.empty());
    EXPECT_TRUE(board->mDirty);
    board->mHasFocus = true;
    board->KeyUp(Board::kKeyEscape);
    EXPECT_TRUE(board->mPaused);
    BoardHarness::Run(*board, 3);
    EXPECT_TRUE(board->mBalls.empty());
    board->mPaused = false;
    board->KeyUp(Board::kKeyPause);
    EXPECT_TRUE(board->mPaused);
    board->mPaused = false;
    board->KeyUp('P');
    board->KeyUp(Board::kKeyF1 + 1);
    EXPECT_FALSE(board->mPaused);
    BoardHarness::Run(*board, 1);
    EXPECT_EQ(board->mBalls.size(), 1u);
}

TEST_F(BoardFixture, AReleaseWhilePausedOnlyUnpauses)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    Ball& ball = BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    board->MouseMove(300, 150);
    BoardHarness::Run(*board, 1);
    mHarness.mApp.mPlayed.clear();
    board->KeyUp(Board::kKeyEscape);
    board->MouseUpButton(300, 150, 0, 1);
    EXPECT_FALSE(board->mPaused);
    EXPECT_FALSE(ball.mOpen);
    EXPECT_TRUE(mHarness.mApp.mPlayed.empty());
    board->MouseUpButton(300, 150, 0, 1);
    EXPECT_TRUE(ball.mOpen);
    EXPECT_EQ(board->mPointerX * 1000 + board->mPointerY, 300150);
}

TEST_F(BoardFixture, ARightReleaseOnlyEndsAStage)
{
    const auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    Ball& ball = BoardHarness::AddBall(*board, 300.0f, 150.0f, 0);
    BoardHarness::Click(*board, 300, 150, 1);
    EXPECT_FALSE(ball.mOpen);
    board->mBalls.clear();
    EXPECT_TRUE(board->IsLevelCleared());
    board->MouseUpButton(10, 10, 1, 1);
    EXPECT_EQ(board->mStage, 1);
    EXPECT_FALSE(board->IsLevelCleared());
}

// A board the player left is deleted only after the next one has been set
// up (the title's PLAY, or CONTINUE with the file the left one wrote, can
// come in the same batch of input as the menu button's release): neither
// board may take the other's physics with it.
struct Successor {
    const char* name;
    // 8 resumes what the left board saved.
    int difficulty;
    bool saved;
};

class BoardAfterBoard : public BoardFixture, public ::testing::WithParamInterface<Successor> {};

TEST_P(BoardAfterBoard, TheOldBoardGoingLeavesTheNewOnesPhysicsWhole)
{
    auto left = mHarness.MakeBoard(2);
    BoardHarness::Run(*left, 400);
    ASSERT_GE(left->mBalls.size(), 5u);
    const dSpaceID leftSpace = gPhysicsSpace;
    if (GetParam().saved) {
        ASSERT_TRUE(left->WriteAutosave());
    }

    auto next = mHarness.MakeBoard(GetParam().difficulty);
    // The new stage has a space of its own; the old one keeps its shapes.
    EXPECT_NE(gPhysicsSpace, leftSpace);
    EXPECT_EQ(dSpaceGetNumGeoms(leftSpace), static_cast<int>(5 + left->mBalls.size()));
    const int nextShapes = static_cast<int>(5 + next->mBalls.size());
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), nextShapes);
    EXPECT_EQ(next->mBalls.size(), GetParam().saved ? left->mBalls.size() : 0u);
    left.reset();
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), nextShapes);

    BoardHarness::Run(*next, 400);
    ASSERT_FALSE(next->mBalls.empty());
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), static_cast<int>(5 + next->mBalls.size()));
    for (const auto& ball : next->mBalls) {
        EXPECT_TRUE(std::isfinite(ball->mX) && std::isfinite(ball->mY));
        EXPECT_EQ(dGeomGetSpace(ball->mGeom), gPhysicsSpace);
    }
    // The stage after it, and the board's own end, tear down only its own.
    next->CompleteLevel();
    BoardHarness::Run(*next, 50);
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), static_cast<int>(5 + next->mBalls.size()));
    next.reset();
    EXPECT_EQ(gPhysicsSpace, nullptr);
}

INSTANTIATE_TEST_SUITE_P(NewOrContinued, BoardAfterBoard,
    ::testing::Values(Successor{"Easy", 1, false}, Successor{"Hard", 3, false}, Successor{"Continued", 8, true}),
    [](const ::testing::TestParamInfo<Successor>& info) { return std::string(info.param.name); });

class AttachedBoard : public BoardFixture {
protected:
    AttachedBoard()
    {
        mHarness.WithRecordingPictures();
        mBoard = mHarness.MakeBoard(1).release();
        mManager().AddWidget(mBoard);
        mManager().SetFocus(mBoard);
    }
    ~AttachedBoard() override
    {
        mHarness.mApp.DeleteQueuedWidgets();
        if (mManager().HasWidget(mBoard)) {
            mManager().RemoveWidget(mBoard);
            delete mBoard;
        }
        // A lost stage's score enters the table and marks its row, a
        // global that would hold for the next test.
        gNewTopScoreIndex = -1;
    }

    Vorn::WidgetManager& mManager() { return *mHarness.mApp.mWidgetManager; }
    Vorn::ButtonWidget* MenuButton()
    {
        for (Vorn::Widget* widget : mManager().mWidgets) {
            if (auto* button = dynamic_cast<Vorn::ButtonWidget*>(widget))
                return button;
        }
        return nullptr;
    }

    Board* mBoard;
};

TEST_F(AttachedBoard, BringsItsMenuButtonIntoTheCornerAndTakesItAway)
{
    Vorn::ButtonWidget* button = MenuButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button, mBoard->mMenuButton.get());
    EXPECT_EQ(button->mId, Board::kMenuButtonId);
    EXPECT_EQ(button->mButtonListener, static_cast<Vorn::ButtonListener*>(mBoard));
    EXPECT_EQ(button->mButtonImage, IMAGE_MENU);
    EXPECT_EQ(button->mOverImage, IMAGE_MENU);
    EXPECT_EQ(button->mNormalRect, (Vorn::Rect{0, 28, 104, 28}));
    EXPECT_EQ(button->mOverRect, (Vorn::Rect{0, 0, 104, 28}));
    EXPECT_TRUE(button->mDoFinger);
    EXPECT_TRUE(button->mVisible);
    EXPECT_EQ(button->GetRect(), (Vorn::Rect{691, 0, 104, 56}));
    EXPECT_TRUE(mBoard->mHasFocus);
    mManager().RemoveWidget(mBoard);
    EXPECT_EQ(MenuButton(), nullptr);
    mManager().AddWidget(mBoard);
}

TEST_F(AttachedBoard, TheMenuButtonSavesTheGameAndLeavesForTheTitle)
{
    BoardHarness::Run(*mBoard, 3);
    mBoard->ButtonDepress(2);
    EXPECT_TRUE(mManager().HasWidget(mBoard));
    mBoard->ButtonDepress(Board::kMenuButtonId);
    EXPECT_FALSE(mManager().HasWidget(mBoard));
    EXPECT_EQ(MenuButton(), nullptr);
    EXPECT_EQ(mBoard->mMenuButton, nullptr);
    EXPECT_TRUE(std::filesystem::exists(mHarness.mDataDir / "Save/autosave"));
    EXPECT_EQ(mHarness.mApp.mReturns, std::vector<bool>{false});
}

TEST_F(AttachedBoard, AReleaseAfterTheLastBallOfALostStageEntersTheScoreAndLeaves)
{
    mBoard->mPendingSymbols.clear();
    mBoard->mLost = true;
    mBoard->mDisplayedScore = 7777;
    mBoard->mScoreToAdd = 50;
    mBoard->WriteAutosave();
    mBoard->MouseUpButton(400, 300, 1, 1);
    EXPECT_FALSE(mManager().HasWidget(mBoard));
    EXPECT_FALSE(std::filesystem::exists(mHarness.mDataDir / "Save/autosave"));
    const std::string table = Testing::ReadFile(mHarness.mDataDir / "Save/topscores");
    EXPECT_EQ(table.rfind("7777 \n5000 Anonymous\n", 0), 0u) << table;
    EXPECT_EQ(mHarness.mApp.mReturns, std::vector<bool>{true});
}

TEST_F(AttachedBoard, F1LaysTheHelpOverTheBoardWhichStandsStillUntilItCloses)
{
    BoardHarness::Run(*mBoard, 75);
    mBoard->KeyUp(Board::kKeyF1);
    // Its return link lies on top of it.
    TutorialScreen* help = nullptr;
    for (Vorn::Widget* widget : mManager().mWidgets)
        help = help ? help : dynamic_cast<TutorialScreen*>(widget);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->GetRect(), (Vorn::Rect{0, 0, 800, 600}));
    EXPECT_EQ(mManager().mFocusWidget, help);
    EXPECT_FALSE(mBoard->mHasFocus);
    const float travel = mBoard->mTravel;
    const size_t balls = mBoard->mBalls.size();
    BoardHarness::Run(*mBoard, 60);
    EXPECT_EQ(mBoard->mTravel, travel);
    EXPECT_EQ(mBoard->mBalls.size(), balls);
    help->MouseUpButton(0, 0, 0, 1);
    mHarness.mApp.DeleteQueuedWidgets();
    EXPECT_EQ(mManager().mFocusWidget, mBoard);
    BoardHarness::Run(*mBoard, 60);
    EXPECT_GT(mBoard->mBalls.size(), balls);
}

TEST_F(AttachedBoard, DrawsTheFloorThenTheSpritesByLayerThenTheScore)
{
    mBoard->mPendingSymbols.clear();
    BoardHarness::AddBall(*mBoard, 300.0f, 150.0f, 0);
    mBoard->mDisplayedScore = 1234;
    mBoard->mPopupFrames = 2;
    mBoard->mPopupPoints = 40;
    mBoard->mPopupX = 310;
    mBoard->mPopupY = 160;
    Testing::RecordingImage screen(800, 600, "screen");
    Vorn::Graphics g(&screen);
    mBoard->Draw(&g);
    ASSERT_EQ(screen.mCalls.size(), 7u);
    EXPECT_EQ(screen.mCalls[0].rfind("Blt IMAGE_BKG_1_1 0,0", 0), 0u) << screen.mCalls[0];
    std::vector<std::string> pictures;
    for (const std::string& call : screen.mCalls)
        pictures.push_back(call.substr(call.find(' ') + 1, call.find(' ', call.find(' ') + 1) - call.find(' ') - 1));
    // Shadow, body, closed face, then the track over them and the vortex.
    const std::vector<std::string> layered(pictures.begin() + 1, pictures.begin() + 7);
    EXPECT_EQ(layered[0], "IMAGE_TOKEN_SHADOW");
    EXPECT_EQ(layered[1].rfind("IMAGE_TOKEN_", 0), 0u);
    EXPECT_EQ(layered[2], "IMAGE_BONUS");
    EXPECT_EQ(layered[3], "IMAGE_TRACK_1");
    EXPECT_EQ(layered[4], "IMAGE_VORTEX_BOTTOM");
    EXPECT_EQ(layered[5], "IMAGE_VORTEX_TOP");
    EXPECT_EQ(mHarness.mScoreFont->mRuns,
        (std::vector<std::string>{"1234@408,64 #ffffffff", "+40@310,160 #ffffffff"}));
    EXPECT_EQ(mBoard->mPopupFrames, 1);
    EXPECT_EQ(mBoard->mPopupY, 159);
    EXPECT_EQ(std::count(pictures.begin(), pictures.end(), "IMAGE_NEXT_LEVEL"), 0);
    EXPECT_EQ(std::count(pictures.begin(), pictures.end(), "IMAGE_PAUSE"), 0);
}

TEST_F(AttachedBoard, ShowsTheEndOfAStageAndThePauseCentredAtTheirPlaces)
{
    mBoard->mPendingSymbols.clear();
    Testing::RecordingImage cleared(800, 600, "screen");
    Vorn::Graphics g(&cleared);
    mBoard->Draw(&g);
    EXPECT_EQ(cleared.mCalls.back().rfind("Blt IMAGE_NEXT_LEVEL 140,200 ", 0), 0u) << cleared.mCalls.back();
    mBoard->mLost = true;
    mBoard->mPaused = true;
    Testing::RecordingImage over(800, 600, "screen");
    Vorn::Graphics g2(&over);
    mBoard->Draw(&g2);
    ASSERT_GE(over.mCalls.size(), 2u);
    EXPECT_EQ(over.mCalls[over.mCalls.size() - 2].rfind("Blt IMAGE_GAME_OVER 140,200 ", 0), 0u);
    EXPECT_EQ(over.mCalls.back().rfind("Blt IMAGE_PAUSE 0,0 ", 0), 0u);
    mBoard->mPaused = false;
    mBoard->mLost = false;
    mBoard->mHasFocus = false;
    mBoard->mPendingSymbols.push_back(0);
    Testing::RecordingImage unfocused(800, 600, "screen");
    Vorn::Graphics g3(&unfocused);
    mBoard->Draw(&g3);
    EXPECT_EQ(unfocused.mCalls.back().rfind("Blt IMAGE_PAUSE 0,0 ", 0), 0u);
    mBoard->mPlaying = false;
    Testing::RecordingImage idle(800, 600, "screen");
    Vorn::Graphics g4(&idle);
    mBoard->Draw(&g4);
    EXPECT_TRUE(idle.mCalls.empty());
}

} // namespace
