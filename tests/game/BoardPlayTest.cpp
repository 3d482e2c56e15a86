// Whole stages played by a scripted player that clicks pairs by symbol, a
// careless player that clicks anywhere, and a full channel left to roll.

#include "BoardHarness.h"

#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Testing::BoardHarness;

// For every symbol, what is still to be cleared: the pending ones and the
// live balls not on their way out. Odd means a ball that can never be
// paired.
std::string UnpairedSymbols(const Board& board)
{
    std::array<int, 16> counts{};
    for (const int symbol : board.mPendingSymbols)
        ++counts.at(static_cast<size_t>(symbol));
    for (const auto& ball : board.mBalls) {
        if (!ball->mBeingRemoved)
            ++counts.at(static_cast<size_t>(ball->mSymbol));
    }
    std::string odd;
    for (size_t symbol = 0; symbol < counts.size(); ++symbol) {
        if (counts[symbol] % 2 != 0)
            odd += std::to_string(symbol) + " ";
    }
    return odd;
}

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

// Later stages have more symbols and balls and a faster feed floor; each
// is still cleared, bombs and their parity included.
class LaterStage : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(LaterStage, IsClearedWithEverySymbolKeptPaired)
{
    const auto [stage, difficulty] = GetParam();
    BoardHarness harness(static_cast<uint32_t>(stage * 10 + difficulty));
    auto board = harness.MakeBoard(difficulty);
    board->mStage = stage;
    board->ClearGame();
    board->NewGame(false);
    // The channel holds no more than it was made for: the player clears
    // faster than the feed, as a good player would.
    const int end = board->mUpdateCnt + 60000;
    while (board->mUpdateCnt < end && !board->IsLevelCleared() && !board->mLost) {
        if (!BoardHarness::ClearOnePair(*board))
            BoardHarness::Run(*board, 1);
        ASSERT_EQ(UnpairedSymbols(*board), "") << "update " << board->mUpdateCnt;
    }
    EXPECT_TRUE(board->IsLevelCleared()) << "lost " << board->mLost << " live " << board->mBalls.size()
                                         << " pending " << board->mPendingSymbols.size();
}

INSTANTIATE_TEST_SUITE_P(StagesAndDifficulties, LaterStage,
    ::testing::Values(std::make_pair(1, 1), std::make_pair(4, 2), std::make_pair(9, 3), std::make_pair(12, 1)));

TEST(CarelessPlayer, ClicksAnywhereAndNoSymbolIsEverLeftUnpaired)
{
    BoardHarness harness(9);
    auto board = harness.MakeBoard(1);
    // The player's own dice, apart from the game's.
    uint32_t dice = 12345;
    auto roll = [&dice](int below) {
        dice = dice * 1103515245u + 12345u;
        return static_cast<int>((dice >> 8) % static_cast<uint32_t>(below));
    };
    for (int step = 0; step < 3000 && !board->mLost && !board->IsLevelCleared(); ++step) {
        if (roll(3) == 0 && !board->mBalls.empty()) {
            // Often on a ball, shrinking ones included.
            const Ball& ball = *board->mBalls[static_cast<size_t>(roll(static_cast<int>(board->mBalls.size())))];
            BoardHarness::Click(*board, static_cast<int>(ball.mX), static_cast<int>(ball.mY), roll(4) == 0 ? 2 : 0);
        } else if (roll(2) == 0) {
            BoardHarness::Click(*board, roll(800), roll(600));
        } else if (!BoardHarness::ClearOnePair(*board)) {
            BoardHarness::Run(*board, 1);
        }
        ASSERT_EQ(UnpairedSymbols(*board), "") << "step " << step;
    }
}

// Whether (x, y) lies inside the closed polygon.
bool Inside(const std::vector<std::pair<int, int>>& polygon, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const double xi = polygon[i].first, yi = polygon[i].second;
        const double xj = polygon[j].first, yj = polygon[j].second;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

double DistanceToWall(const std::vector<std::pair<int, int>>& polygon, double x, double y)
{
    double nearest = INFINITY;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const double ax = polygon[j].first, ay = polygon[j].second;
        const double dx = polygon[i].first - ax, dy = polygon[i].second - ay;
        const double length = dx * dx + dy * dy;
        const double t = length == 0.0 ? 0.0 : std::clamp(((x - ax) * dx + (y - ay) * dy) / length, 0.0, 1.0);
        nearest = std::min(nearest, std::hypot(x - ax - t * dx, y - ay - t * dy));
    }
    return nearest;
}

TEST(FullChannel, SixtyBallsRollTenThousandUpdatesWithoutNaNOrLeavingTheChannel)
{
    BoardHarness harness(3);
    auto board = harness.MakeBoard(3);
    // No end: the chain piles up against the vortex instead of losing.
    board->mLevel->mEndX = -100000.0f;
    board->mLevel->mEndY = -100000.0f;
    while (board->mBalls.size() < 60)
        BoardHarness::Run(*board, 1);
    board->mPendingSymbols.clear();
    const auto& polygon = board->mLevel->mPoints;
    ASSERT_GE(polygon.size(), 3u);
    // How far a ball's centre may sink past the wall under the push of the
    // chain before the contact throws it back.
    constexpr double kSoftness = 4.0;
    double deepest = 0.0;
    for (int update = 0; update < 10000; ++update) {
        board->Update();
        for (const auto& ball : board->mBalls) {
            ASSERT_TRUE(std::isfinite(ball->mX) && std::isfinite(ball->mY)) << update;
            if (!Inside(polygon, ball->mX, ball->mY))
                deepest = std::max(deepest, DistanceToWall(polygon, ball->mX, ball->mY));
        }
    }
    EXPECT_EQ(board->mBalls.size(), 60u);
    EXPECT_LE(deepest, kSoftness);
}

} // namespace
