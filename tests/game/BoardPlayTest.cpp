// Whole stages played by a scripted player that clicks pairs by symbol.

#include "BoardHarness.h"

#include <gtest/gtest.h>

namespace {

using Testing::BoardHarness;

class StageByDifficulty : public ::testing::TestWithParam<int> {};

TEST_P(StageByDifficulty, AScriptedPlayerClearsTheFirstStage)
{
    BoardHarness harness;
    auto board = harness.MakeBoard(GetParam());
    ASSERT_TRUE(BoardHarness::PlayStage(*board, 20000)) << "updates " << board->mUpdateCnt << " live "
                                                        << board->mBalls.size() << " pending "
                                                        << board->mPendingSymbols.size();
    std::printf("difficulty %d: %d updates, score %d\n", GetParam(), board->mUpdateCnt,
        board->mDisplayedScore + board->mScoreToAdd);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, StageByDifficulty, ::testing::Values(1, 2, 3, 8));

} // namespace
