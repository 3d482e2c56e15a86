// Text as the game draws it: 40 characters onto an 800 x 600 frame, by a
// bitmap font (one layer, cut by a width list) and by a system font whose
// glyphs are already drawn. Beside them, the 40 glyph blits alone: what the
// bitmap font costs on top of its pixels.

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Vorn::Color;
using Vorn::MemoryImage;
using Vorn::Rect;

const std::string kText = "The quick brown fox jumps over a lazy do";
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 20;
constexpr int kFirst = 33;
constexpr int kLast = 126;

// Characters 33..126 side by side, each an anti-aliased blob.
std::unique_ptr<MemoryImage> GlyphStrip()
{
    const int width = (kLast - kFirst + 1) * kGlyphWidth;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * kGlyphHeight));
    for (int y = 0; y < kGlyphHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t alpha = (x % kGlyphWidth == 0 || y < 4) ? 0 : (x * 37 + y * 11) % 2 ? 255 : 128;
            pixels[static_cast<size_t>(y * width + x)] = alpha << 24 | 0xFFFFFF;
        }
    }
    auto image = std::make_unique<MemoryImage>(nullptr);
    image->SetBits(pixels.data(), width, kGlyphHeight, true);
    return image;
}

std::string WidthList()
{
    const std::string path = (std::filesystem::temp_directory_path() / "zarquel-bench-widths.txt").string();
    std::ofstream list(path);
    list << kGlyphWidth << ' ' << kGlyphHeight - 4 << '\n';
    for (int c = kFirst; c <= kLast; ++c)
        list << static_cast<char>(c) << ' ' << kGlyphWidth << '\n';
    return path;
}

std::unique_ptr<MemoryImage> Frame()
{
    auto frame = std::make_unique<MemoryImage>(nullptr);
    const std::vector<uint32_t> pixels(800 * 600, 0xFF204060);
    frame->SetBits(pixels.data(), 800, 600, true);
    return frame;
}

void BM_ImageFontDrawString40(benchmark::State& state)
{
    const auto strip = GlyphStrip();
    Vorn::ImageFont font(strip.get(), WidthList());
    const auto frame = Frame();
    Vorn::Graphics g(frame.get());
    g.SetColor(Color(255, 220, 120));
    g.SetFont(&font);
    for (auto _ : state)
        g.DrawString(kText, 40, 300);
    benchmark::DoNotOptimize(frame->mBits.get());
}
BENCHMARK(BM_ImageFontDrawString40)->Unit(benchmark::kMicrosecond);

void BM_GlyphBlitsOnly40(benchmark::State& state)
{
    const auto strip = GlyphStrip();
    const auto frame = Frame();
    const Color color(255, 220, 120);
    for (auto _ : state) {
        int x = 40;
        // A blank advances without pixels, as in the font.
        for (const char c : kText) {
            if (c >= kFirst)
                frame->Blt(strip.get(), x, 284, Rect((c - kFirst) * kGlyphWidth, 0, kGlyphWidth, kGlyphHeight), color, 0);
            x += kGlyphWidth;
        }
    }
    benchmark::DoNotOptimize(frame->mBits.get());
}
BENCHMARK(BM_GlyphBlitsOnly40)->Unit(benchmark::kMicrosecond);

void BM_SysFontDrawWarm40(benchmark::State& state)
{
    Vorn::SysFont font("Tahoma", 12, false, false, false);
    const auto frame = Frame();
    Vorn::Graphics g(frame.get());
    g.SetColor(Color(255, 220, 120));
    g.SetFont(&font);
    g.DrawString(kText, 40, 300);
    for (auto _ : state)
        g.DrawString(kText, 40, 300);
    benchmark::DoNotOptimize(frame->mBits.get());
}
BENCHMARK(BM_SysFontDrawWarm40)->Unit(benchmark::kMicrosecond);

} // namespace
