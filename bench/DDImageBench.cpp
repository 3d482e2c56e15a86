// The software drawing onto the screen image in the display's own format: a
// 64 x 64 sprite blitted normal and additive at 16 and 32 bits (pixels per
// second), and a full 800 x 600 frame presented (time per frame) on the
// headless driver's 1024 x 768 desktop, scaled into it.

#include "BenchDisplay.h"
#include "framework/display/DDImage.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using Bench::BenchDisplay;
using Vorn::Color;
using Vorn::Rect;

void BM_SpriteOnSurface(benchmark::State& state)
{
    BenchDisplay bench(static_cast<int>(state.range(0)));
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    const int mode = static_cast<int>(state.range(1));
    Vorn::DDImage& screen = *bench.display->GetScreenImage();
    const auto sprite = bench.Sprite(64);
    int x = 0;
    for (auto _ : state) {
        screen.Blt(sprite.get(), x, 200, Rect(0, 0, 64, 64), Color::White, mode);
        x = (x + 67) % (800 - 64);
    }
    state.SetItemsProcessed(state.iterations() * 64 * 64);
}
BENCHMARK(BM_SpriteOnSurface)->ArgNames({"bits", "additive"})->ArgsProduct({{16, 32}, {0, 1}});

void BM_FramePresent(benchmark::State& state)
{
    BenchDisplay bench(static_cast<int>(state.range(0)));
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    Vorn::DDImage& screen = *bench.display->GetScreenImage();
    auto background = std::make_unique<Vorn::MemoryImage>(nullptr);
    const std::vector<uint32_t> pixels(800 * 600, 0xFF204060);
    background->SetBits(pixels.data(), 800, 600, true);
    // Only the presentation is timed: drawing the frame is the blitters'.
    for (auto _ : state) {
        state.PauseTiming();
        screen.Blt(background.get(), 0, 0, Rect(0, 0, 800, 600), Color::White, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(bench.display->Redraw(nullptr));
    }
}
BENCHMARK(BM_FramePresent)->ArgName("bits")->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

} // namespace
