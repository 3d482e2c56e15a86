// Every presented frame is converted once: at 800 x 600 and 100 frames a
// second the conversion must stay a small part of the 10 ms a frame has, near
// the cost of a plain copy. In full screen it is scaled instead: onto a
// 1920 x 1080 desktop the frame fills 1440 x 1080 (1.8 times, black bars
// beside it), within 2 ms.

#include "platform/Frame.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

void ConvertFrame(benchmark::State& state, Platform::PixelFormat format)
{
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * format.BytesPerPixel());
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 37);
    std::vector<uint32_t> out(size_t(kWidth) * kHeight);
    const Platform::Frame frame{pixels.data(), kWidth * format.BytesPerPixel(), kWidth, kHeight, format};
    for (auto _ : state) {
        Platform::ConvertToXrgb8888(frame, out.data(), kWidth * 4);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// What the conversion is measured against: the same bytes copied.
void CopyFrame(benchmark::State& state)
{
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0x00123456);
    std::vector<uint32_t> out(pixels.size());
    for (auto _ : state) {
        std::memcpy(out.data(), pixels.data(), pixels.size() * 4);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void ScaleFrameOntoDesktop(benchmark::State& state, Platform::PixelFormat format)
{
    constexpr int kDesktopWidth = 1920;
    constexpr int kDesktopHeight = 1080;
    constexpr int kShownWidth = kWidth * kDesktopHeight / kHeight;
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * format.BytesPerPixel());
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 37);
    std::vector<uint32_t> desktop(size_t(kDesktopWidth) * kDesktopHeight);
    const Platform::Frame frame{pixels.data(), kWidth * format.BytesPerPixel(), kWidth, kHeight, format};
    uint32_t* corner = desktop.data() + (kDesktopWidth - kShownWidth) / 2;
    for (auto _ : state) {
        Platform::ScaleToXrgb8888(frame, corner, kDesktopWidth * 4, kShownWidth, kDesktopHeight);
        benchmark::DoNotOptimize(desktop.data());
    }
    state.SetItemsProcessed(state.iterations() * kShownWidth * kDesktopHeight);
}

BENCHMARK_CAPTURE(ConvertFrame, X8R8G8B8, Platform::kFormatX8R8G8B8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ConvertFrame, R5G6B5, Platform::kFormatR5G6B5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ConvertFrame, X1R5G5B5, Platform::kFormatX1R5G5B5)->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScaleFrameOntoDesktop, X8R8G8B8, Platform::kFormatX8R8G8B8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScaleFrameOntoDesktop, R5G6B5, Platform::kFormatR5G6B5)->Unit(benchmark::kMicrosecond);

} // namespace
