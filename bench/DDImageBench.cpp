// The software drawing onto the screen image in the display's own format: a
// 64 x 64 sprite blitted normal and additive at 16 and 32 bits (pixels per
// second), and a full 800 x 600 frame presented (time per frame) on the
// headless driver's 1024 x 768 desktop, scaled into it.

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "platform/DebugOutput.h"
#include "platform/Window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Vorn::Color;
using Vorn::Rect;

// A full-screen display at the depth asked for, in a window of the headless
// video driver.
struct BenchDisplay {
    explicit BenchDisplay(int depth) : mSink(Platform::SetDebugSink([](std::string_view) {}))
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        app.mWidth = 800;
        app.mHeight = 600;
        app.mColorDepth = depth;
        window = Platform::MakeSystemWindow();
        window->Create({"", 800, 600, Platform::WindowStyle::FullScreen, {}});
        display = std::make_unique<Vorn::DDInterface>(&app);
        app.mDDInterface = nullptr;
        ready = display->Init(window.get(), false) == Vorn::DDInterface::RESULT_OK;
    }
    ~BenchDisplay()
    {
        display.reset();
        Platform::SetDebugSink(mSink);
    }
    BenchDisplay(const BenchDisplay&) = delete;

    // Opaque middle, a translucent rim and transparent corners: every run
    // class occurs.
    std::unique_ptr<Vorn::MemoryImage> Sprite(int side) const
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const int edge = std::min(std::min(x, side - 1 - x), std::min(y, side - 1 - y));
                const uint32_t alpha = edge < 2 ? 0 : edge < 6 ? 40u * static_cast<uint32_t>(edge) : 255;
                pixels.push_back(alpha << 24 | static_cast<uint32_t>(x * 3 + y * 5) * 0x010203u % 0xFFFFFFu);
            }
        auto image = std::make_unique<Vorn::MemoryImage>(nullptr);
        image->SetBits(pixels.data(), side, side, true);
        return image;
    }

    Platform::DebugSink mSink;
    Vorn::VornAppBase app;
    std::unique_ptr<Platform::Window> window;
    std::unique_ptr<Vorn::DDInterface> display;
    bool ready = false;
};

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
