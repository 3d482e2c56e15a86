// The presentation's load: every frame copies the whole 800 × 600 drawing
// surface onto the back buffer or the primary, or stretches it onto a wider
// desktop; the cursor moves 64 × 64 areas between small surfaces.

#include "platform/Surface.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<Platform::Surface> MakeSurface(int32_t width, int32_t height, const Platform::PixelFormat& format)
{
    std::unique_ptr<Platform::Surface> surface;
    Platform::Surface::Create({width, height, format, 0}, surface);
    return surface;
}

void BM_FrameCopy(benchmark::State& state)
{
    const auto format = state.range(0) == 32 ? Platform::kFormatX8R8G8B8 : Platform::kFormatR5G6B5;
    const auto source = MakeSurface(800, 600, format);
    const auto dest = MakeSurface(800, 600, format);
    for (auto _ : state)
        benchmark::DoNotOptimize(dest->Blt(nullptr, source.get(), nullptr, Platform::kBltWait));
    state.SetBytesProcessed(state.iterations() * 800 * 600 * format.BytesPerPixel());
}
BENCHMARK(BM_FrameCopy)->Arg(16)->Arg(32);

void BM_FrameStretchToDesktop(benchmark::State& state)
{
    const auto source = MakeSurface(800, 600, Platform::kFormatX8R8G8B8);
    const auto dest = MakeSurface(1920, 1200, Platform::kFormatX8R8G8B8);
    const Platform::SurfaceRect letterbox{160, 0, 1760, 1200};
    for (auto _ : state)
        benchmark::DoNotOptimize(dest->Blt(&letterbox, source.get(), nullptr, Platform::kBltWait));
    state.SetItemsProcessed(state.iterations() * 1600 * 1200);
}
BENCHMARK(BM_FrameStretchToDesktop);

void BM_KeyedCursorArea(benchmark::State& state)
{
    const auto source = MakeSurface(64, 64, Platform::kFormatR5G6B5);
    const auto dest = MakeSurface(800, 600, Platform::kFormatR5G6B5);
    source->SetColorKey(0, 0);
    const Platform::SurfaceRect area{368, 268, 432, 332};
    for (auto _ : state)
        benchmark::DoNotOptimize(dest->Blt(&area, source.get(), nullptr, Platform::kBltKeySrc));
    state.SetItemsProcessed(state.iterations() * 64 * 64);
}
BENCHMARK(BM_KeyedCursorArea);

} // namespace
