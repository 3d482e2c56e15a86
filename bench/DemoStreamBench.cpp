// Fast-forwarding a demo replays its stream as fast as the updates run: the
// cost per replayed command is the overhead a jump pays on top of the game.

#include "framework/app/DemoStream.h"

#include "RecordedGame.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using Vorn::DemoCommand;
using Vorn::DemoMode;
using Vorn::DemoStream;

constexpr int kStreamCommands = 100000;

void BM_ReplayLongStream(benchmark::State& state)
{
    int32_t lastUpdate = 0;
    const DemoStream recorder = Bench::RecordGame(3, kStreamCommands, lastUpdate);
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
