// A busy game frame on the exact 2D blitters and on the 3D road over the
// software device, side by side: an opaque 800 x 600 floor, 60 rolling
// balls (40 x 40, translucent rims, rotated at float positions) and 150
// additive particles (16 x 16), then the presentation. The 3D road is the
// default only where it is the faster.

#include "BenchDisplay.h"

#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<Vorn::MemoryImage> MakeImage(Vorn::VornAppBase& app, int width, int height,
    uint32_t (*pixel)(int, int, int, int))
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(pixel(x, y, width, height));
    auto image = std::make_unique<Vorn::MemoryImage>(&app);
    image->SetBits(pixels.data(), width, height, true);
    return image;
}

uint32_t Floor(int x, int y, int, int)
{
    return 0xFF000000u | static_cast<uint32_t>((x / 8 + y / 8) % 2 ? 0x203040 : 0x304050);
}

uint32_t BallTexel(int x, int y, int w, int)
{
    const double r = w / 2.0;
    const double d = std::hypot(x + 0.5 - r, y + 0.5 - r);
    const double alpha = std::clamp((r - d) * 64.0, 0.0, 255.0);
    return static_cast<uint32_t>(alpha) << 24 | 0x00C06020u | static_cast<uint32_t>(x * 4);
}

uint32_t Particle(int x, int y, int w, int)
{
    const double d = std::hypot(x + 0.5 - w / 2.0, y + 0.5 - w / 2.0);
    const auto glow = static_cast<uint32_t>(std::clamp(255.0 - d * 32.0, 0.0, 255.0));
    return glow << 24 | glow << 16 | (glow / 2) << 8 | glow / 4;
}

void GameFrame(benchmark::State& state, bool threeD)
{
    Bench::BenchDisplay bench(32);
    bench.display->mIs3D = threeD;
    if (!bench.ready || bench.display->Init(bench.window.get(), false) != Vorn::DDInterface::RESULT_OK) {
        state.SkipWithError("no display");
        return;
    }
    auto floor = MakeImage(bench.app, 800, 600, Floor);
    auto ball = MakeImage(bench.app, 40, 40, BallTexel);
    auto particle = MakeImage(bench.app, 16, 16, Particle);
    Vorn::Graphics g(bench.display->GetScreenImage());
    int frame = 0;
    for (auto _ : state) {
        g.SetDrawMode(Vorn::kDrawModeNormal);
        g.DrawImage(floor.get(), 0, 0);
        for (int i = 0; i < 60; ++i) {
            const float x = 40.0f + static_cast<float>((i * 97 + frame) % 700) + 0.25f;
            const float y = 30.0f + static_cast<float>((i * 53) % 520) + 0.5f;
            g.DrawImageRotatedAtFloat(ball.get(), x, y, 20.0f, 20.0f, nullptr, 0.1 * (i + frame));
        }
        g.SetDrawMode(Vorn::kDrawModeAdditive);
        for (int i = 0; i < 150; ++i)
            g.DrawImageAtFloat(particle.get(), static_cast<float>((i * 131 + frame * 3) % 780) + 0.5f,
                static_cast<float>((i * 71) % 580) + 0.75f, Vorn::Rect(0, 0, 16, 16));
        bench.display->Redraw(nullptr);
        ++frame;
    }
    state.SetItemsProcessed(state.iterations());
    floor.reset();
    ball.reset();
    particle.reset();
}

BENCHMARK_CAPTURE(GameFrame, Road2D, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GameFrame, Road3D, true)->Unit(benchmark::kMillisecond);

} // namespace
