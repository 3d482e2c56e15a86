// Jumping far into a demo fast-forwards the whole application: the main loop
// replays each update's commands and runs the update without drawing. With a
// game that does nothing, what remains is the loop's and the replay's own
// cost, which every jump pays on top of the game.

#include "framework/app/VornAppBase.h"

#include "RecordedGame.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

using Vorn::DemoMode;

constexpr int kReplayCommands = 100000;

// Time moves only when the loop sleeps, which fast-forward never does.
class StillClock final : public Platform::Clock {
public:
    uint32_t Milliseconds() override { return mNow; }
    void Sleep(uint32_t ms) override { mNow += ms; }

private:
    uint32_t mNow = 1000;
};

class EmptyGame : public Vorn::VornAppBase {
public:
    explicit EmptyGame(Platform::Clock& clock) : VornAppBase(Platform::Services{&clock}) { mVSyncUpdates = false; }
};

struct LongGame {
    Vorn::Buffer stream;
    int32_t lastUpdate = 0;
};

LongGame RecordLongGame()
{
    LongGame game;
    game.stream = Bench::RecordGame(5, kReplayCommands, game.lastUpdate).GetBuffer();
    return game;
}

void BM_FastForwardEmptyGame(benchmark::State& state)
{
    const LongGame recorded = RecordLongGame();
    int64_t updates = 0;
    int64_t commands = 0;
    for (auto _ : state) {
        state.PauseTiming();
        StillClock clock;
        auto game = std::make_unique<EmptyGame>(clock);
        game->SetDemoMode(DemoMode::Playing);
        game->mDemoStream.GetBuffer() = recorded.stream;
        game->mFastForwardToUpdateNum = recorded.lastUpdate;
        state.ResumeTiming();

        while (game->mUpdateCount < recorded.lastUpdate)
            game->StepLoopState(nullptr);

        state.PauseTiming();
        updates += game->mUpdateCount;
        commands += kReplayCommands;
        game.reset();
        state.ResumeTiming();
    }
    state.counters["updates"] = benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
    // Seconds per command, shown with its SI prefix (54n is 54 ns).
    state.counters["per_command"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FastForwardEmptyGame)->Unit(benchmark::kMillisecond);

} // namespace
