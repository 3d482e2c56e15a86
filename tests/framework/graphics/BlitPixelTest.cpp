#include "framework/graphics/BlitPixel.h"

#include "fakes/DisplayApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

constexpr uint32_t kRB = 0xFF00FF;
constexpr uint32_t kG = 0xFF00;

// The paired mix of the plain blit, as its rules write it.
uint32_t Mix(uint32_t d, uint32_t s, uint32_t w, uint32_t alphaBits)
{
    const uint32_t rb = ((d & kRB) * (256 - w) >> 8) + ((s & kRB) * w >> 8);
    const uint32_t g = ((d & kG) * (256 - w) >> 8) + ((s & kG) * w >> 8);
    return (rb & kRB) | (g & kG) | alphaBits;
}

// Run-length path: opaque copies, alpha 0 skips, the rest mixes by its own
// alpha and becomes opaque.
uint32_t OntoOpaque(uint32_t d, uint32_t s)
{
    const uint32_t a = s >> 24;
    return a == 255 ? s : a == 0 ? d : Mix(d, s, a, 0xFF000000);
}

// Per-pixel path: the over blend's alpha and weight, by division.
uint32_t Over(uint32_t d, uint32_t s)
{
    const uint32_t a = s >> 24;
    if (a == 0)
        return d;
    const uint32_t dA = d >> 24;
    const uint32_t outA = (255 - dA) * a / 255 + dA;
    return Mix(d, s, 255 * a / outA, outA << 24);
}

Pixels Random(std::mt19937& random, size_t count, bool alphaRuns)
{
    std::uniform_int_distribution<uint32_t> word;
    Pixels pixels;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = word(random);
        // Runs of each alpha class, as sprites have them.
        if (alphaRuns) {
            const uint32_t kind = static_cast<uint32_t>(i / 5 % 3);
            p = (p & 0xFFFFFF) | (kind == 0 ? 0u : kind == 1 ? 0xFF000000u : (p | 0x01000000) & 0xFE000000);
        }
        pixels.push_back(p);
    }
    return pixels;
}

// Wide rows in every run class, over opaque destinations (run-length) and
// over destinations of every alpha (per pixel): each pixel as its rules say,
// whichever width of loop draws it.
TEST(BlitPixel, WideRowsFollowThePerPixelRules)
{
    std::mt19937 random(7);
    for (int width : {1, 3, 4, 5, 8, 37, 64}) {
        const Pixels source = Random(random, static_cast<size_t>(width * 3), true);
        const Pixels opaque = [&] {
            Pixels p = Random(random, source.size(), false);
            for (uint32_t& v : p)
                v |= 0xFF000000;
            return p;
        }();
        const Pixels anyAlpha = Random(random, source.size(), false);
        auto from = MakeImage(width, source);
        auto palette = MakeImage(width, source);
        const bool paletted = palette->ReduceToPalette();
        for (bool runLength : {true, false}) {
            const Pixels& under = runLength ? opaque : anyAlpha;
            Pixels expected = under;
            for (size_t i = 0; i < under.size(); ++i)
                expected[i] = runLength ? OntoOpaque(under[i], source[i]) : Over(under[i], source[i]);
            auto dest = MakeImage(width, under);
            if (!runLength)
                dest->ForceAlphaFlags(false, true);
            dest->Blt(from.get(), 0, 0, Rect(0, 0, width, 3), Color::White, 0);
            EXPECT_EQ(PixelsOf(*dest), expected) << width << " " << runLength;
            if (paletted) {
                auto fromPalette = MakeImage(width, under);
                if (!runLength)
                    fromPalette->ForceAlphaFlags(false, true);
                fromPalette->Blt(palette.get(), 0, 0, Rect(0, 0, width, 3), Color::White, 0);
                EXPECT_EQ(PixelsOf(*fromPalette), expected) << "palette " << width;
            }
        }
    }
}

// Every (source alpha, destination alpha) pair of the over blend's table.
TEST(BlitPixel, OverTableMatchesTheDivisions)
{
    Pixels source;
    Pixels under;
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t dA = 0; dA < 256; ++dA) {
            source.push_back(a << 24 | 0xC08040);
            under.push_back(dA << 24 | 0x2070F0);
        }
    auto from = MakeImage(256, source);
    auto dest = MakeImage(256, under);
    dest->ForceAlphaFlags(true, true);
    dest->Blt(from.get(), 0, 0, Rect(0, 0, 256, 256), Color::White, 0);
    const Pixels out = PixelsOf(*dest);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], Over(under[i], source[i])) << "a " << (i >> 8) << " dA " << (i & 0xFF);
}

// The additive forms, written out from their rules, over a pixel whose
// channels differ: each channel its own factor and rounding.
TEST(BlitPixel, AdditiveFormsFollowTheirRules)
{
    const uint32_t d = 0x80406080;
    const uint32_t s = 0xC0A05030;
    const auto ch = [](uint32_t p, int shift) { return (p >> shift) & 0xFF; };
    const auto add = [&](uint32_t r, uint32_t g, uint32_t b) {
        return (d & 0xFF000000) | std::min(ch(d, 16) + r, 255u) << 16 | std::min(ch(d, 8) + g, 255u) << 8 |
               std::min(ch(d, 0) + b, 255u);
    };
    const uint32_t a = s >> 24;
    for (const Color& color : {Color::White, Color(200, 150, 100, 180), Color(77, 77, 77)})
        for (bool hasAlpha : {false, true}) {
            uint32_t expected = 0;
            if (color.IsWhite()) {
                expected = hasAlpha ? add(ch(s, 16) * a / 256, ch(s, 8) * a / 256, ch(s, 0) * a / 256)
                                    : add(ch(s, 16), ch(s, 8), ch(s, 0));
            } else {
                const auto k = [&](int c) { return static_cast<uint32_t>(c * color.mAlpha / 255); };
                expected = hasAlpha ? add(ch(s, 16) * k(color.mRed) * a / 65536, ch(s, 8) * k(color.mGreen) * a / 65536,
                                          ch(s, 0) * k(color.mBlue) / 256 * a / 256)
                                    : add(ch(s, 16) * k(color.mRed) / 256, ch(s, 8) * k(color.mGreen) / 256,
                                          ch(s, 0) * k(color.mBlue) / 256);
            }
            uint32_t got = 0;
            Vorn::BlitPixel::WithPixel(color, 1, hasAlpha, [&](const auto& pixel) { got = pixel(d, s); });
            EXPECT_EQ(got, expected) << color.mRed << " " << hasAlpha;
        }
}

TEST(BlitPixel, EveryColourAndModeHasItsForm)
{
    const uint32_t d = 0x80406080;
    const uint32_t s = 0xC0FF8000;
    uint32_t got = 0;
    const auto take = [&](const auto& pixel) { got = pixel(d, s); };
    Vorn::BlitPixel::WithPixel(Color::White, 0, true, take);
    EXPECT_EQ(got, Over(d, s));
    Vorn::BlitPixel::WithPixel(Color::White, 1, false, take);
    EXPECT_EQ(got, 0x80FFE080u);
    Vorn::BlitPixel::WithPixel(Color::White, 1, true, take);
    // 255 * 192 / 256 = 191 added to 0x40; 128 * 192 / 256 = 96 to 0x60.
    EXPECT_EQ(got, 0x80FFC080u);
    Vorn::BlitPixel::WithPixel(Color(128, 128, 128), 1, false, take);
    // k = 128: 255 * 128 / 256 = 127, 128 * 128 / 256 = 64.
    EXPECT_EQ(got, 0x80BFA080u);
    Vorn::BlitPixel::WithPixel(Color(255, 0, 255, 255), 1, true, take);
    // Red 255 * 255 * 192 / 65536 = 190; blue (0 * 255 / 256) * 192 / 256 = 0.
    EXPECT_EQ(got, 0x80FE6080u);
    // Grey k = 100: a = 192, outA = 127 * 192 / 255 + 128 = 223, w = 255 *
    // 192 / 223 = 219; red ((255 * 100 >> 8) * 219 >> 8) + (64 * 37 >> 8) =
    // 84 + 9, green 128 * 219 * 100 >> 16 ... = 56, blue 0 + 128 * 37 >> 8 = 18.
    Vorn::BlitPixel::WithPixel(Color(100, 100, 100), 0, true, take);
    EXPECT_EQ(got, 0xDF5D3812u);
    // Not grey, the red pair not cut to 8 bits first: red (0xFF0000 * 219 >>
    // 8) * 100 >> 8 plus 0x400000 * 37 >> 8 is 0x5E7574 (94), green 0x8000 *
    // 219 * 101 >> 16 plus 0x6000 * 37 >> 8 is 0x3913 (57), blue 18.
    Vorn::BlitPixel::WithPixel(Color(100, 101, 100), 0, true, take);
    EXPECT_EQ(got, 0xDF5E3912u);
}

} // namespace
