// Fast-forwarding a demo replays its stream as fast as the updates run: the
// cost per replayed command is the overhead a jump pays on top of the game.

#include "framework/app/DemoStream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

using Vorn::DemoCommand;
using Vorn::DemoMode;
using Vorn::DemoStream;

constexpr int kCommands = 100000;

// Mostly pointer moves, as a recorded game is, with clicks, keys and wheel
// turns among them, a few commands per update and now and then a long pause.
DemoStream RecordGame(int32_t& lastUpdate)
{
    std::mt19937 rng(3);
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
    lastUpdate = update;
    return recorder;
}

void BM_ReplayLongStream(benchmark::State& state)
{
    int32_t lastUpdate = 0;
    const DemoStream recorder = RecordGame(lastUpdate);
    int64_t replayed = 0;
    for (auto _ : state) {
        DemoStream player(DemoMode::Playing);
        player.GetBuffer() = recorder.GetBuffer();
        for (int32_t update = 0; update <= lastUpdate; ++update) {
            while (std::optional<DemoCommand> command = player.ReplayNextCommand(update)) {
                benchmark::DoNotOptimize(*command);
                ++replayed;
            }
        }
    }
    // Seconds per command, shown with its SI prefix (54n is 54 ns).
    state.counters["per_command"] =
        benchmark::Counter(static_cast<double>(replayed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(replayed);
}
BENCHMARK(BM_ReplayLongStream)->Unit(benchmark::kMillisecond);

} // namespace
