// A game left through the menu button and resumed: every value the board
// keeps comes back, a file the game did not write is treated as none and
// deleted, and a stage never loads a file it could not delete.

#include "game/Board.h"

#include "BoardHarness.h"
#include "game/AutosaveRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <cstdio>
#include <filesystem>
#include <sstream>
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

std::string SavePathOf(const BoardHarness& harness)
{
    return harness.mDataDir / "Save/autosave";
}


class BoardAutosave : public ::testing::Test {
protected:
    std::string SavePath() const { return SavePathOf(mHarness); }

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

struct NeverWritten {
    const char* name;
    void (*change)(AutosaveRecord&);
};

class RefusedFile : public BoardAutosave, public ::testing::WithParamInterface<NeverWritten> {};

// A travel of -3e38 alone would stop every spawn until no ball is left.
TEST_P(RefusedFile, IsDeletedAndTheFreshStagePlays)
{
    auto left = mHarness.MakeBoard(2);
    BoardHarness::Run(*left, 300);
    left->mStage = 3;
    AutosaveRecord record = left->MakeAutosaveRecord();
    left.reset();
    ASSERT_GE(record.balls.size(), 2u);
    GetParam().change(record);
    std::ostringstream text;
    record.Write(text);
    mHarness.mDataDir.WriteFile("Save/autosave", text.str());

    const auto board = mHarness.MakeBoard(1);
    EXPECT_FALSE(std::filesystem::exists(SavePath()));
    EXPECT_EQ(board->mStage, 0);
    EXPECT_EQ(board->mDifficulty, 1);
    EXPECT_EQ(board->mTravel, 0.0f);
    EXPECT_TRUE(board->mBalls.empty());
    EXPECT_EQ(board->mPendingSymbols.size(), 100u);
    BoardHarness::Run(*board, 1);
    EXPECT_EQ(board->mBalls.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(ValuesTheGameNeverWrites, RefusedFile,
    ::testing::Values(NeverWritten{"TravelFarBack", [](AutosaveRecord& r) { r.travel = -3e38f; }},
        NeverWritten{"TravelPastASpawn", [](AutosaveRecord& r) { r.travel = 49.0f; }},
        NeverWritten{"TrackSpeedHuge", [](AutosaveRecord& r) { r.trackSpeed = 3e38f; }},
        NeverWritten{"TrackSpeedFiveTimes", [](AutosaveRecord& r) { r.trackSpeed = 5.0f; }},
        NeverWritten{"BallFarRight", [](AutosaveRecord& r) { r.balls[1].x = 3e38f; }},
        NeverWritten{"BallAboveTheWindow", [](AutosaveRecord& r) { r.balls[0].y = -100.0f; }},
        NeverWritten{"BallThrown", [](AutosaveRecord& r) { r.balls[1].velocityX = 3e38f; }},
        NeverWritten{"BallDrifting", [](AutosaveRecord& r) { r.balls[0].velocityY = -2.0f; }},
        NeverWritten{"RemovalCountdownOnAStayingBall",
            [](AutosaveRecord& r) {
                r.balls[1].beingRemoved = false;
                r.balls[1].removalCounter = 50;
            }}),
    [](const ::testing::TestParamInfo<NeverWritten>& info) { return std::string(info.param.name); });

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

// Reverse balls come only from a saved game. Matched one after another,
// each just before the last one's reverse runs out, they take the travel
// back by almost a reverse's length each, and the game writes a file the
// reader takes; by then their specials have run out, so no further reverse
// can follow.
TEST_F(BoardAutosave, ReversesInARowTakeTheTravelFarBackAndTheFileIsStillRead)
{
    auto board = mHarness.MakeBoard(1);
    board->mPendingSymbols.clear();
    std::vector<Ball*> balls;
    for (int symbol = 0; symbol < 4; ++symbol) {
        for (int twice = 0; twice < 2; ++twice) {
            Ball& ball = BoardHarness::AddBall(*board, 130.0f + 80.0f * static_cast<float>(balls.size()), 150.0f, symbol);
            if (symbol < 3)
                ball.SetSpecial(Ball::kSpecialReverse);
            balls.push_back(&ball);
        }
    }
    for (int pair = 0; pair < 3; ++pair) {
        for (const int which : {0, 1}) {
            int x = 0;
            int y = 0;
            ASSERT_TRUE(BoardHarness::ClickPoint(*board, *balls[static_cast<size_t>(2 * pair + which)], x, y));
            BoardHarness::Click(*board, x, y);
        }
        ASSERT_EQ(board->mReverseTimer, 400) << pair;
        BoardHarness::Run(*board, 390);
    }
    BoardHarness::Run(*board, 10);
    EXPECT_EQ(board->mReverseTimer, 0);
    EXPECT_LT(board->mTravel, -1150.0f);
    EXPECT_EQ(balls[6]->mSpecialKind, Ball::kSpecialNone);
    EXPECT_EQ(board->mBalls.size(), 2u);
    const float travel = board->mTravel;
    ASSERT_TRUE(board->WriteAutosave());
    board.reset();
    const auto resumed = mHarness.MakeBoard(8);
    EXPECT_TRUE(std::filesystem::exists(SavePath()));
    EXPECT_NEAR(resumed->mTravel, travel, 0.01);
    EXPECT_EQ(resumed->mBalls.size(), 2u);
}

// A saved game at the least travel the reader takes for the reverse still
// ahead: a running one, or pairs of reverse balls of the given lifetimes
// (and a plain pair), each matched on the given update.
struct Edge {
    const char* name;
    int reverseTimer;
    std::vector<int> pairLifetimes;
    std::vector<int> matchedOn;
    float leastTravel;
    float deepestTravel;
};

class EdgeOfTheReader : public BoardAutosave, public ::testing::WithParamInterface<Edge> {};

bool ReadsBack(const AutosaveRecord& record)
{
    std::stringstream text;
    record.Write(text);
    AutosaveRecord read;
    return read.Read(text);
}

TEST_P(EdgeOfTheReader, IsResumedAndEveryFileItsLongestReverseWritesIsReadBack)
{
    const Edge& edge = GetParam();
    auto left = mHarness.MakeBoard(1);
    left->mPendingSymbols.clear();
    const size_t count = 2 * edge.pairLifetimes.size() + 2;
    for (size_t at = 0; at < count; ++at) {
        Ball& ball =
            BoardHarness::AddBall(*left, 130.0f + 80.0f * static_cast<float>(at), 150.0f, static_cast<int>(at / 2));
        if (at + 2 < count) {
            ball.SetSpecial(Ball::kSpecialReverse);
            ball.mSpecialLifetime = edge.pairLifetimes[at / 2];
        }
    }
    AutosaveRecord record = left->MakeAutosaveRecord();
    left.reset();
    record.reverseTimer = edge.reverseTimer;
    record.travel = edge.leastTravel - 0.01f;
    EXPECT_FALSE(ReadsBack(record));
    record.travel = edge.leastTravel;
    std::ostringstream text;
    record.Write(text);
    mHarness.mDataDir.WriteFile("Save/autosave", text.str());

    const auto board = mHarness.MakeBoard(8);
    ASSERT_EQ(board->mBalls.size(), count);
    std::vector<Ball*> balls;
    for (const auto& ball : board->mBalls)
        balls.push_back(ball.get());
    float deepest = edge.leastTravel;
    for (int update = 0; update < 1420; ++update) {
        for (size_t pair = 0; pair < edge.matchedOn.size(); ++pair) {
            // Released with no update between, as on the special's last one.
            for (size_t at = 2 * pair; edge.matchedOn[pair] == update && at < 2 * pair + 2; ++at) {
                int x = 0;
                int y = 0;
                ASSERT_TRUE(BoardHarness::ClickPoint(*board, *balls[at], x, y));
                board->MouseMove(x, y);
                for (const auto& each : board->mBalls)
                    each->UpdateHover(x, y);
                board->MouseUpButton(x, y, 0, 1);
            }
        }
        BoardHarness::Run(*board, 1);
        deepest = std::min(deepest, board->mTravel);
        ASSERT_TRUE(ReadsBack(board->MakeAutosaveRecord())) << "after " << update + 1 << " updates";
    }
    EXPECT_EQ(deepest, edge.deepestTravel);
}

INSTANTIATE_TEST_SUITE_P(Reverses, EdgeOfTheReader,
    ::testing::Values(Edge{"NoReverse", 0, {}, {}, -1400.0f, -1400.0f},
        Edge{"ReverseRunning", 400, {}, {}, -1000.0f, -1400.0f},
        Edge{"PairMatchedOnItsLastUpdate", 0, {1000}, {999}, 0.0f, -381.0f},
        Edge{"PairMatchedAtOnceOnItsLastUpdate", 0, {1}, {0}, -999.0f, -1399.0f},
        // Each pair matched just before the last one's reverse runs out.
        Edge{"ReversesInARowToTheLastUpdate", 400, {1000, 1000, 1000}, {399, 798, 999}, 0.0f, -1399.0f}),
    [](const ::testing::TestParamInfo<Edge>& info) { return std::string(info.param.name); });

// How near the files of a long run came to the reader's bounds.
struct Reached {
    float leastTravel = 0.0f;
    float mostTravel = 0.0f;
    float leastSpeed = 0.0f;
    // Apart from the opening's 10.
    float mostSpeed = 0.0f;
    bool opening = false;
    bool lost = false;
    bool removing = false;
    int resumed = 0;

    void Take(const AutosaveRecord& record)
    {
        leastTravel = std::min(leastTravel, record.travel);
        mostTravel = std::max(mostTravel, record.travel);
        leastSpeed = std::min(leastSpeed, record.trackSpeed);
        if (record.trackSpeed == 10.0f)
            opening = true;
        else
            mostSpeed = std::max(mostSpeed, record.trackSpeed);
        lost = lost || record.lost;
        for (const AutosaveRecord::SavedBall& ball : record.balls)
            removing = removing || ball.beingRemoved;
    }
};

class PlayedFiles : public ::testing::TestWithParam<int> {};

// A long run of a player who plays well, then carelessly, then hardly at
// all and loses, with now and then a reverse ball as a resumed game brings
// one, leaving through the menu and resuming as it goes: every file the game
// writes is read back, and the resumed game writes the same file again.
TEST_P(PlayedFiles, EveryFileTheGameWritesInALongRunIsReadBack)
{
    const int difficulty = GetParam();
    BoardHarness harness(static_cast<uint32_t>(50 + difficulty));
    auto board = harness.MakeBoard(difficulty);
    // The player's own dice, apart from the game's.
    uint32_t dice = static_cast<uint32_t>(difficulty) * 2654435761u;
    auto roll = [&dice](int below) {
        dice = dice * 1103515245u + 12345u;
        return static_cast<int>((dice >> 8) % static_cast<uint32_t>(below));
    };
    Reached reached;
    for (int step = 0; step < 24000; ++step) {
        if (!harness.mApp.mReturns.empty()) {
            // The game was over and the release that ended it left for the
            // title: the board is queued for deletion.
            harness.mApp.mReturns.clear();
            static_cast<void>(board.release());
            harness.mApp.DeleteQueuedWidgets();
            board = harness.MakeBoard(difficulty);
        }
        // Careful, careless, then idle long enough for the chain to reach
        // the vortex.
        const int moment = step % 12000;
        const int style = moment < 2000 ? 0 : moment < 3500 ? 1 : 2;
        const int chance = roll(100);
        if (chance < (style == 0 ? 60 : style == 1 ? 5 : 0)) {
            if (!BoardHarness::ClearOnePair(*board))
                BoardHarness::Run(*board, 1);
        } else if (chance < (style == 0 ? 63 : style == 1 ? 45 : 0)) {
            // Often on a ball, so that misses run on.
            if (roll(2) == 0 && !board->mBalls.empty()) {
                const Ball& ball = *board->mBalls[static_cast<size_t>(roll(static_cast<int>(board->mBalls.size())))];
                BoardHarness::Click(*board, static_cast<int>(ball.mX), static_cast<int>(ball.mY));
            } else {
                BoardHarness::Click(*board, roll(800), roll(600));
            }
        } else {
            BoardHarness::Run(*board, 1);
        }
        // No longer a special than a saved game at this travel may hold.
        const int lifetime = std::min(Ball::kSpecialLifetime, static_cast<int>(std::floor(board->mTravel)) + 1000);
        if (moment % 120 == 100 && style == 0 && !board->mBalls.empty() && lifetime > 0) {
            Ball& ball = *board->mBalls[static_cast<size_t>(roll(static_cast<int>(board->mBalls.size())))];
            ball.SetSpecial(Ball::kSpecialReverse);
            ball.mSpecialLifetime = lifetime;
        }

        if (step % 5 == 0) {
            const AutosaveRecord record = board->MakeAutosaveRecord();
            std::ostringstream text;
            record.Write(text);
            std::istringstream in(text.str());
            AutosaveRecord read;
            ASSERT_TRUE(read.Read(in)) << "step " << step << "\n" << text.str();
            reached.Take(record);
        }
        if (step % 2000 == 1999) {
            ASSERT_TRUE(board->WriteAutosave());
            const std::string file = Testing::ReadFile(SavePathOf(harness));
            board.reset();
            board = harness.MakeBoard(8);
            // Refused, the file would be gone and a fresh stage of 8 played.
            ASSERT_TRUE(std::filesystem::exists(SavePathOf(harness))) << "step " << step << "\n" << file;
            EXPECT_EQ(board->mDifficulty, difficulty);
            ASSERT_TRUE(board->WriteAutosave());
            EXPECT_EQ(Testing::ReadFile(SavePathOf(harness)), file);
            ASSERT_TRUE(Board::DeleteAutosave());
            ++reached.resumed;
        }
    }
    std::printf("difficulty %d: travel %g..%g, speed %g..%g, lost %d, removing %d, resumed %d\n", difficulty,
        reached.leastTravel, reached.mostTravel, reached.leastSpeed, reached.mostSpeed, reached.lost,
        reached.removing, reached.resumed);
    // The run came near every bound the rules give.
    EXPECT_LT(reached.leastTravel, -300.0f);
    EXPECT_GT(reached.mostTravel, 47.0f);
    EXPECT_EQ(reached.leastSpeed, -1.0f);
    EXPECT_EQ(reached.mostSpeed, 3.0f);
    EXPECT_TRUE(reached.opening);
    EXPECT_TRUE(reached.lost);
    EXPECT_TRUE(reached.removing);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, PlayedFiles, ::testing::Values(1, 2, 3, 8));

} // namespace
