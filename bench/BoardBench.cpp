// The board's update: one with 200 balls rolling in the channel (the budget
// is 10 ms at 100 updates a second), and a whole first stage played by the
// scripted player, whose updates per second over the game's 100 tell how
// much faster than real time a stage replays.

#include "BoardHarness.h"

#include <benchmark/benchmark.h>

namespace {

using Testing::BoardHarness;

void BM_BoardUpdateWith200Balls(benchmark::State& state)
{
    BoardHarness harness(5);
    auto board = harness.MakeBoard(1);
    board->mStage = 20;
    board->ClearGame();
    board->NewGame(false);
    // No end: the chain piles up instead of losing the stage.
    board->mLevel->mEndX = -100000.0f;
    board->mLevel->mEndY = -100000.0f;
    while (board->mBalls.size() < 200)
        board->Update();
    board->mPendingSymbols.clear();
    for (auto _ : state)
        board->Update();
    state.counters["balls"] = static_cast<double>(board->mBalls.size());
}
BENCHMARK(BM_BoardUpdateWith200Balls)->Unit(benchmark::kMicrosecond);

void BM_WholeStagePlayed(benchmark::State& state)
{
    int64_t updates = 0;
    for (auto _ : state) {
        BoardHarness harness(1);
        auto board = harness.MakeBoard(2);
        if (!BoardHarness::PlayStage(*board, 20000))
            state.SkipWithError("the stage was not cleared");
        updates += board->mUpdateCnt;
    }
    // Game time over wall time: updates per second / 100.
    state.counters["times_real_time"] =
        benchmark::Counter(static_cast<double>(updates) / 100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeStagePlayed)->Unit(benchmark::kMillisecond);

} // namespace
