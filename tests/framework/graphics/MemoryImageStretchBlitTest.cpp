#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"
#include "framework/graphics/StretchBlit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Rect;
using Vorn::StretchArea;
using Pixels = std::vector<uint32_t>;

TEST(StretchArea, TakesTheSourcePartTheVisibleDestinationShows)
{
    StretchArea area;
    ASSERT_TRUE(area.Clip(Rect(0, 0, 200, 100), Rect(0, 0, 100, 50), Rect(50, 0, 150, 100), false));
    EXPECT_EQ(area.clipped, Rect(50, 0, 150, 100));
    EXPECT_EQ(area.x, 25.0);
    EXPECT_EQ(area.y, 0.0);
    EXPECT_EQ(area.width, 75.0);
    EXPECT_EQ(area.height, 50.0);
    // Mirrored: what the clip cuts off the right comes off the source's left.
    ASSERT_TRUE(area.Clip(Rect(0, 0, 200, 100), Rect(0, 0, 100, 50), Rect(0, 0, 100, 100), true));
    EXPECT_EQ(area.x, 50.0);
    EXPECT_EQ(area.width, 50.0);
    const std::vector<int> columns = area.NearestColumns(StretchArea::Stepping::Fixed);
    EXPECT_EQ(columns.front(), 50);
    EXPECT_EQ(columns.back(), 99);
    // The source rectangle's corner moves the part with it.
    ASSERT_TRUE(area.Clip(Rect(0, 0, 200, 100), Rect(10, 5, 100, 50), Rect(50, 20, 150, 100), false));
    EXPECT_EQ(area.x, 35.0);
    EXPECT_EQ(area.y, 15.0);
    EXPECT_EQ(area.height, 40.0);
}

TEST(StretchArea, RefusesWhatHasNoArea)
{
    StretchArea area;
    EXPECT_FALSE(area.Clip(Rect(0, 0, 10, 10), Rect(0, 0, 5, 5), Rect(20, 0, 5, 5), false));
    EXPECT_FALSE(area.Clip(Rect(0, 0, 0, 10), Rect(0, 0, 5, 5), Rect(0, 0, 50, 50), false));
    EXPECT_FALSE(area.Clip(Rect(0, 0, -4, 10), Rect(0, 0, 5, 5), Rect(-10, 0, 50, 50), false));
    EXPECT_FALSE(area.Clip(Rect(0, 0, 10, 10), Rect(0, 0, 0, 5), Rect(0, 0, 50, 50), false));
    EXPECT_FALSE(area.Clip(Rect(0, 0, 10, 10), Rect(0, 0, 32768, 5), Rect(0, 0, 50, 50), false));
}

// Nearest pixel, twice the size: every source pixel twice in each
// direction from the top-left, each laid as the per-pixel blit lays it
// (opaque white over black: floor(255 * 255 / 256) = 254).
TEST(MemoryImageStretchBlit, FastDoublingRepeatsEveryPixel)
{
    auto source = MakeImage(2, {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF});
    auto dest = MakeImage(5, Pixels(25, 0xFF000000));
    dest->StretchBlt(source.get(), Rect(0, 0, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 5, 5), Color::White, 0, true);
    const uint32_t w = 0xFFFEFEFE;
    const uint32_t k = 0xFF000000;
    EXPECT_EQ(PixelsOf(*dest),
        (Pixels{w, w, k, k, k, w, w, k, k, k, k, k, w, w, k, k, k, w, w, k, k, k, k, k, k}));
}

// At the same size the fast stretch is the per-pixel blit, in every colour
// and mode: a colorized or additive stretch is never drawn plain.
TEST(MemoryImageStretchBlit, FastStretchLaysPixelsAsTheBlitDoes)
{
    const Pixels texels = {0xFF102030, 0x80FF8040, 0x00FFFFFF, 0xFFF0E0D0, 0x40123456, 0xC0ABCDEF};
    const Pixels under = {0xFF808080, 0x40102030, 0x00000000, 0xFFFFFFFF, 0x80FF0000, 0xC0000000};
    for (int mode : {0, 1})
        for (const Color& color : {Color::White, Color(90, 90, 90), Color(255, 128, 0, 200)}) {
            auto source = MakeImage(3, texels);
            auto stretched = MakeImage(3, under);
            auto blitted = MakeImage(3, under);
            blitted->ForceAlphaFlags(false, true);
            stretched->StretchBlt(source.get(), Rect(0, 0, 3, 2), Rect(0, 0, 3, 2), Rect(0, 0, 3, 2), color, mode, true);
            blitted->Blt(source.get(), 0, 0, Rect(0, 0, 3, 2), color, mode);
            EXPECT_EQ(PixelsOf(*stretched), PixelsOf(*blitted)) << mode << " " << color.mRed;
        }
}

// Smooth enlarging: the ends of both areas lie on each other and the
// pixels between interpolate (weights out of 257, then 256): a black to
// white row of two becomes 0, 85, 171, 255, laid with the over blend onto
// transparent pixels (c * 255 / 256).
TEST(MemoryImageStretchBlit, SmoothEnlargingInterpolates)
{
    auto source = MakeImage(2, {0xFF000000, 0xFFFFFFFF});
    auto dest = MakeImage(4, Pixels(4, 0));
    dest->StretchBlt(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0, false);
    EXPECT_EQ(PixelsOf(*dest), (Pixels{0xFF000000, 0xFF545454, 0xFFAAAAAA, 0xFFFEFEFE}));
}

// One pixel onto one: the single tap weighs the whole (257, then 256):
// 128 * 257 * 256 >> 16 = 128, laid with the over blend onto transparent.
TEST(MemoryImageStretchBlit, SmoothSinglePixel)
{
    auto source = MakeImage(1, {0xFF808080});
    auto dest = MakeImage(1, Pixels(1, 0));
    dest->StretchBlt(source.get(), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1), Color::White, 0, false);
    EXPECT_EQ(PixelsOf(*dest), (Pixels{0xFF7F7F7F}));
}

// Smooth shrinking averages the area: black and white into one pixel give
// 128 * 255 (weights 257 / 2) * 256 >> 16 = 127; over opaque black the
// over blend then gives 127 * 255 / 256 = 126.
TEST(MemoryImageStretchBlit, SmoothShrinkingAverages)
{
    auto source = MakeImage(2, {0xFF000000, 0xFFFFFFFF});
    auto dest = MakeImage(1, Pixels(1, 0xFF000000));
    dest->StretchBlt(source.get(), Rect(0, 0, 1, 1), Rect(0, 0, 2, 1), Rect(0, 0, 1, 1), Color::White, 0, false);
    EXPECT_EQ(PixelsOf(*dest), (Pixels{0xFF7E7E7E}));
    // Translucent pixels keep their colour: no darkening by straight alpha.
    auto glyph = MakeImage(2, {0x80FFFFFF, 0x80FFFFFF});
    auto onto = MakeImage(1, Pixels(1, 0));
    onto->StretchBlt(glyph.get(), Rect(0, 0, 1, 1), Rect(0, 0, 2, 1), Rect(0, 0, 1, 1), Color::White, 0, false);
    EXPECT_EQ(PixelsOf(*onto), (Pixels{0x80FEFEFE}));
}

// Tiny and huge scales, fast and smooth, inside a green frame around the
// source rectangle: no green shows, nothing outside the clip changes, and
// a source area under one pixel still draws.
TEST(MemoryImageStretchBlit, StaysInsideTheSourceAndTheClip)
{
    Pixels framed(8 * 8, 0xFF00FF00);
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            framed[static_cast<size_t>(y * 8 + x)] = 0xFFFF0000 | static_cast<uint32_t>(x * 40 + y);
    const Rect dests[] = {Rect(3, 4, 1, 1), Rect(1, 2, 3, 2), Rect(-5000, -3000, 10000, 7000), Rect(2, 3, 400, 1),
        Rect(-20, 5, 47, 9)};
    for (bool fast : {true, false})
        for (const Rect& to : dests) {
            auto source = MakeImage(8, framed);
            auto dest = MakeImage(16, Pixels(16 * 12, 0xFF000000));
            dest->StretchBlt(source.get(), to, Rect(2, 2, 4, 4), Rect(1, 2, 12, 8), Color::White, 0, fast);
            const Pixels out = PixelsOf(*dest);
            int drawn = 0;
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) {
                    const uint32_t p = out[static_cast<size_t>(y * 16 + x)];
                    const bool inClip = x >= 1 && x < 13 && y >= 2 && y < 10;
                    EXPECT_EQ(p & 0xFF00, 0u) << fast << " " << x << "," << y;
                    EXPECT_TRUE(inClip || p == 0xFF000000) << fast << " " << x << "," << y;
                    drawn += p != 0xFF000000;
                }
            EXPECT_GT(drawn, 0) << fast << " " << to.mX;
        }
}

} // namespace
