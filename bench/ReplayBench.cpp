// Jumping far into a demo fast-forwards the whole application: the main loop
// replays each update's commands and runs the update without drawing. With a
// game that does nothing, what remains is the loop's and the replay's own
// cost, which every jump pays on top of the game.

#include "framework/app/VornAppBase.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>

namespace {

using Vorn::DemoCommand;
using Vorn::DemoMode;
using Vorn::DemoStream;

constexpr int kCommands = 100000;

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

// Mostly pointer moves, as a recorded game is, with clicks, keys and wheel
// turns among them, a few commands per update and now and then a pause.
LongGame RecordLongGame()
{
    std::mt19937 rng(5);
    DemoStream recorder(DemoMode::Recording);
    int32_t update = 0;
    for (int i = 0; i < kCommands; ++i) {
        const uint32_t r = rng();
        update += r % 64 == 0 ? 40 : static_cast<int32_t>(r % 3);
        const auto small = static_cast<int32_t>(r >> 8 & 31) - 15;
        switch (r >> 16 & 7) {
        case 0: recorder.RecordCommand(update, DemoCommand::MouseButton((r & 1) != 0, 1)); break;
        case 1: recorder.RecordCommand(update, DemoCommand::KeyDown(static_cast<int32_t>(r >> 24))); break;
        case 2: recorder.RecordCommand(update, DemoCommand::Position(small * 100, small * 37)); break;
        case 3: recorder.RecordCommand(update, DemoCommand::Wheel(small / 8)); break;
        default: recorder.RecordCommand(update, DemoCommand::MouseMove(small, -small)); break;
        }
    }
    return {recorder.GetBuffer(), update};
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
        commands += kCommands;
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
