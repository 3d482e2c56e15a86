#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

const Pixels kRow = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};

struct StretchScreen {
    explicit StretchScreen(const Platform::PixelFormat& format = Platform::kFormatX8R8G8B8, int w = 8, int h = 2)
        : app(format, w, h), image(app.Display().GetScreenImage())
    {
        SurfacePixels(*image->mSurface, Pixels(static_cast<size_t>(w * h), 0));
    }
    Pixels Row(int y) const
    {
        const Pixels all = SurfacePixels(*image->mSurface);
        const size_t w = static_cast<size_t>(image->mWidth);
        return Pixels(all.begin() + static_cast<ptrdiff_t>(w * static_cast<size_t>(y)),
            all.begin() + static_cast<ptrdiff_t>(w * static_cast<size_t>(y + 1)));
    }
    SurfaceDisplayApp app;
    Vorn::DDImage* image;
};

// Nearest pixel in 16.16 steps: a 2x enlargement repeats each pixel from
// the source rectangle's corner; at 32 bits the white form leaves the
// source alpha on top.
TEST(DDImageStretchBlit, NearestDoublingOnTheSurface)
{
    StretchScreen screen;
    auto source = Testing::MakeImage(4, kRow);
    screen.image->StretchBlt(source.get(), Rect(0, 0, 8, 2), Rect(0, 0, 4, 1), Rect(0, 0, 8, 2), Color::White, 0,
        true);
    const Pixels doubled = {kRow[0], kRow[0], kRow[1], kRow[1], kRow[2], kRow[2], kRow[3], kRow[3]};
    EXPECT_EQ(screen.Row(0), doubled);
    EXPECT_EQ(screen.Row(1), doubled);
    EXPECT_EQ(screen.image->mLockCount, 0);
}

// Mirrored, clipped on the right: what the clip cuts off the destination's
// right comes off the source's left; column 0 shows the last source column.
TEST(DDImageStretchBlit, MirroredTakesTheClippedPartFromTheLeft)
{
    StretchScreen screen;
    auto source = Testing::MakeImage(4, kRow);
    screen.image->StretchBltMirrored(source.get(), Rect(0, 0, 8, 1), Rect(0, 0, 4, 1), Rect(0, 0, 4, 1), Color::White,
        0, false);
    EXPECT_EQ(screen.Row(0), (Pixels{kRow[3], kRow[3], kRow[2], kRow[2], 0, 0, 0, 0}));
}

// A surface source, white and normal: the surface's own stretching copy,
// which samples at pixel centres; a source part under one pixel is still
// drawn.
TEST(DDImageStretchBlit, SurfaceSourcesTakeTheStretchingCopy)
{
    StretchScreen screen;
    auto source = screen.app.MakeImage(4, kRow);
    ASSERT_NE(source->GetSurface(), nullptr);
    screen.image->StretchBlt(source.get(), Rect(0, 0, 8, 1), Rect(0, 0, 4, 1), Rect(0, 0, 8, 1), Color::White, 0, true);
    const Pixels plain = {0x102030, 0x102030, 0x405060, 0x405060, 0x708090, 0x708090, 0xA0B0C0, 0xA0B0C0};
    EXPECT_EQ(screen.Row(0), plain);
    screen.image->StretchBlt(source.get(), Rect(0, 1, 400, 1), Rect(0, 0, 4, 1), Rect(5, 1, 2, 1), Color::White, 0,
        true);
    EXPECT_EQ(screen.Row(1), (Pixels{0, 0, 0, 0, 0, 0x102030, 0x102030, 0}));
}

// The surface copy takes the source part in whole pixels held to the source
// rectangle: its last column can be the whole of it.
TEST(DDImageStretchBlit, StretchingCopyTakesTheLastColumn)
{
    StretchScreen screen;
    auto source = screen.app.MakeImage(4, kRow);
    ASSERT_NE(source->GetSurface(), nullptr);
    screen.image->StretchBlt(source.get(), Rect(0, 0, 3, 1), Rect(3, 0, 1, 1), Rect(0, 0, 8, 2), Color::White, 0, true);
    EXPECT_EQ(screen.Row(0), (Pixels{0xA0B0C0, 0xA0B0C0, 0xA0B0C0, 0, 0, 0, 0, 0}));
}

// A source that is no memory image draws nothing on either road; a source
// pixel of alpha 1 still weighs the destination down.
TEST(DDImageStretchBlit, SourcesThatDrawAndThatDoNot)
{
    StretchScreen screen;
    Vorn::Image nothing;
    auto translucent = screen.app.MakeImage(4, Pixels(4, 0x80000000));
    translucent->StretchBlt(&nothing, Rect(0, 0, 4, 1), Rect(0, 0, 1, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
    screen.image->StretchBlt(&nothing, Rect(0, 0, 4, 1), Rect(0, 0, 1, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
    EXPECT_TRUE(nothing.mDrawn);
    EXPECT_EQ(Testing::PixelsOf(*translucent), Pixels(4, 0x80000000));
    SurfacePixels(*screen.image->mSurface, Pixels(16, 0x00FFFFFF));
    auto faint = Testing::MakeImage(1, {0x01000000});
    screen.image->StretchBlt(faint.get(), Rect(0, 0, 2, 1), Rect(0, 0, 1, 1), Rect(0, 0, 8, 2), Color::White, 0, true);
    // (255 * 255) >> 8 = 254 plus the native word: colour 0 (times 2 >> 8),
    // the source alpha on top.
    EXPECT_EQ(screen.Row(0)[0], 0x01FEFEFEu);
    EXPECT_EQ(screen.Row(0)[2], 0xFFFFFFu);
}

// Additive and colorized stretches are drawn as such, never through the
// plain copy: additive skips words without colour and saturates.
TEST(DDImageStretchBlit, AdditiveAndColorizedStretchesKeepTheirFormulas)
{
    StretchScreen screen;
    auto source = screen.app.MakeImage(2, {0xFF808080, 0x00000000});
    SurfacePixels(*screen.image->mSurface, Pixels(16, 0x00A0A0A0));
    screen.image->StretchBlt(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 1, true);
    EXPECT_EQ(screen.Row(0), (Pixels{0xFFFFFF, 0xFFFFFF, 0xA0A0A0, 0xA0A0A0, 0xA0A0A0, 0xA0A0A0, 0xA0A0A0, 0xA0A0A0}));
    // Grey 128 colour: c' = 128; (0xA0 * (256 - 255) + 0x80 * 128) >> 8 = 64.
    screen.image->StretchBlt(source.get(), Rect(0, 1, 2, 1), Rect(0, 0, 2, 1), Rect(0, 1, 2, 1), Color(128, 128, 128), 0,
        true);
    EXPECT_EQ(screen.Row(1)[0], 0x404040u);
    EXPECT_EQ(screen.Row(1)[1], 0xA0A0A0u);
}

// The smooth stretch resamples into a temporary image that the plain blit
// lays on: black to white over four pixels is 0, 85, 171, 255.
TEST(DDImageStretchBlit, SmoothStretchGoesThroughTheBlit)
{
    StretchScreen screen;
    auto source = Testing::MakeImage(2, {0xFF000000, 0xFFFFFFFF});
    screen.image->StretchBlt(source.get(), Rect(2, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 8, 2), Color::White, 0, false);
    EXPECT_EQ(screen.Row(0), (Pixels{0, 0, 0xFF000000, 0xFF555555, 0xFFABABAB, 0xFFFFFFFF, 0, 0}));
    screen.image->StretchBlt(source.get(), Rect(2, 1, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 0, 0), Color::White, 0, false);
    EXPECT_EQ(screen.Row(1), Pixels(8, 0));
}

// A destination with partial alpha has no surface: the fast stretch draws on
// its bits, which are kept.
TEST(DDImageStretchBlit, DestinationWithAlphaStretchesOnItsBits)
{
    StretchScreen screen;
    auto source = Testing::MakeImage(2, {0xFFFFFFFF, 0xFF000000});
    for (bool mirrored : {false, true}) {
        auto dest = screen.app.MakeImage(4, Pixels(4, 0x80000000));
        mirrored ? dest->StretchBltMirrored(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1),
                       Color::White, 0, true)
                 : dest->StretchBlt(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0,
                       true);
        ASSERT_NE(dest->mBits, nullptr);
        EXPECT_EQ(dest->mSurface, nullptr);
        const Pixels out = Testing::PixelsOf(*dest);
        EXPECT_EQ(out[mirrored ? 3 : 0], 0xFFFEFEFEu);
        EXPECT_EQ(out[mirrored ? 0 : 3], 0xFF000000u);
    }
}

TEST(DDImageStretchBlit, SixteenBitsUseTheMasks)
{
    StretchScreen screen(Platform::kFormatR5G6B5, 4, 1);
    auto source = Testing::MakeImage(1, {0x80FFFFFF});
    SurfacePixels(*screen.image->mSurface, Pixels(4, 0xFFFF));
    screen.image->StretchBlt(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 1, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
    // Native word: 255 * 129 >> 8 = 128 -> red 16, green 32, blue 16; the
    // kept part (field * 128 >> 8) 15, 31, 15 -> 31, 63, 31.
    EXPECT_EQ(screen.Row(0), Pixels(4, 0xFFFF));
    SurfacePixels(*screen.image->mSurface, Pixels(4, 0));
    screen.image->StretchBlt(source.get(), Rect(0, 0, 4, 1), Rect(0, 0, 1, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
    EXPECT_EQ(screen.Row(0), Pixels(4, 16 << 11 | 32 << 5 | 16));
}

} // namespace
