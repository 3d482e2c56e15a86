// Every presented frame is converted once: at 800 x 600 and 100 frames a
// second the conversion must stay a small part of the 10 ms a frame has.

#include "platform/Frame.h"

#include <benchmark/benchmark.h>

#include <cstdint>
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

BENCHMARK_CAPTURE(ConvertFrame, X8R8G8B8, Platform::kFormatX8R8G8B8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ConvertFrame, R5G6B5, Platform::kFormatR5G6B5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ConvertFrame, X1R5G5B5, Platform::kFormatX1R5G5B5)->Unit(benchmark::kMicrosecond);

} // namespace
