#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/HugeMatrices.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Matrix3x3;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

const Pixels kSprite = {0xFF102030, 0xFFF0E0D0, 0xFF808080, 0xFFFF8040};

// The opaque texel in the surface's format, as the rasteriser stores it:
// 32 bits keep the alpha lane on top, 16 bits take each channel's top bits.
uint32_t Stored(uint32_t t, const Platform::PixelFormat& f)
{
    const uint32_t c[3] = {(t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF};
    const uint32_t m[3] = {f.redMask, f.greenMask, f.blueMask};
    uint32_t out = f.bitsPerPixel == 32 ? 0xFF000000 : 0;
    for (int i = 0; i < 3; ++i)
        out |= (c[i] >> (8 - Platform::PixelFormat::Bits(m[i]))) << Platform::PixelFormat::Shift(m[i]);
    return out;
}

TEST(DDImageTransformBlit, IdentityDrawsTexelForPixelInEveryFormat)
{
    for (const Platform::PixelFormat& format : {Platform::kFormatX8R8G8B8, Platform::kFormatX8B8G8R8,
             Platform::kFormatR5G6B5, Platform::kFormatX1R5G5B5}) {
        SurfaceDisplayApp app(format, 4, 3);
        Vorn::DDImage* screen = app.Display().GetScreenImage();
        SurfacePixels(*screen->mSurface, Pixels(12, 0));
        auto sprite = Testing::MakeImage(2, kSprite);
        screen->BltByMatrix(sprite.get(), 2.0f, 2.0f, Matrix3x3(), Rect(0, 0, 4, 3), Color::White, 0, Rect(0, 0, 2, 2),
            false);
        Pixels expected(12, 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                expected[static_cast<size_t>((y + 1) * 4 + x + 1)] = Stored(kSprite[static_cast<size_t>(y * 2 + x)], format);
        EXPECT_EQ(SurfacePixels(*screen->mSurface), expected) << format.redMask;
        EXPECT_EQ(screen->mLockCount, 0);
        EXPECT_TRUE(sprite->mDrawn);
    }
}

// A 16-bit layout of no known format takes no triangles.
TEST(DDImageTransformBlit, UnknownLayoutsDrawNothing)
{
    SurfaceDisplayApp app(Platform::kFormatB5G6R5, 4, 3);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    SurfacePixels(*screen->mSurface, Pixels(12, 0));
    auto sprite = Testing::MakeImage(2, kSprite);
    screen->BltByMatrix(sprite.get(), 2.0f, 2.0f, Matrix3x3(), Rect(0, 0, 4, 3), Color::White, 0, Rect(0, 0, 2, 2), false);
    EXPECT_EQ(SurfacePixels(*screen->mSurface), Pixels(12, 0));
}

// Sprites reach the screen through the drawing context's transforms; an
// additive particle adds.
TEST(DDImageTransformBlit, TransformsThroughTheDrawingContext)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, 6, 6);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    SurfacePixels(*screen->mSurface, Pixels(36, 0x00202020));
    auto particle = Testing::MakeImage(2, Pixels(4, 0xFF404040));
    Vorn::Graphics g(screen);
    Vorn::Transform t;
    t.RotateRad(0.0f);
    t.Scale(2.0f, 2.0f);
    g.SetDrawMode(1);
    g.DrawImageTransform(particle.get(), t, 3.0f, 3.0f);
    const Pixels out = SurfacePixels(*screen->mSurface);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0x00606060u), 16);
    EXPECT_EQ(out[0], 0x00202020u);
}

// Without a surface (partial alpha) the triangles are drawn on the bits.
TEST(DDImageTransformBlit, ImagesWithoutSurfaceDrawOnTheirBits)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, 4, 4);
    auto dest = app.MakeImage(2, Pixels(4, 0x80000000));
    auto sprite = Testing::MakeImage(2, kSprite);
    dest->BltByMatrix(sprite.get(), 1.0f, 1.0f, Matrix3x3(), Rect(0, 0, 2, 2), Color::White, 0, Rect(0, 0, 2, 2), false);
    EXPECT_EQ(Testing::PixelsOf(*dest), kSprite);
    const Vorn::TriangleVertex tri[1][3] = {{{-0.5f, -0.5f, 0, 0, 0}, {1.5f, -0.5f, 1, 0, 0}, {-0.5f, 1.5f, 0, 1, 0}}};
    auto other = app.MakeImage(2, Pixels(4, 0x80000000));
    other->DrawTexturedTriangles(sprite.get(), tri, 1, Rect(0, 0, 2, 2), Color::White, 0, 0, 0, false);
    EXPECT_EQ(Testing::PixelsOf(*other)[0], kSprite[0]);
    EXPECT_EQ(Testing::PixelsOf(*other)[3], 0x80000000u);
}

// Corners at the ends of the float range reach the surface's pixels
// through the same clipping: nothing lands outside the clip, in any format.
TEST(DDImageTransformBlit, HugeMatricesDrawNothingOutsideTheClip)
{
    for (const Platform::PixelFormat& format : {Platform::kFormatX8R8G8B8, Platform::kFormatR5G6B5}) {
        SurfaceDisplayApp app(format, 16, 12);
        Vorn::DDImage* screen = app.Display().GetScreenImage();
        auto sprite = Testing::MakeImage(2, kSprite);
        for (const Testing::HugeMatrix& m : Testing::HugeMatrices()) {
            SurfacePixels(*screen->mSurface, Pixels(16 * 12, 0));
            Vorn::Graphics g(screen);
            g.ClipRect(4, 3, 8, 6);
            g.SetSmoothBlend(true);
            g.DrawImageByMatrix(sprite.get(), m.matrix, Rect(0, 0, 2, 2), 8.0f, 6.0f);
            const Pixels out = SurfacePixels(*screen->mSurface);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool clipped = x >= 4 && x < 12 && y >= 3 && y < 9;
                    EXPECT_TRUE(clipped || out[static_cast<size_t>(y * 16 + x)] == 0)
                        << m.name << " at " << x << "," << y;
                }
            EXPECT_EQ(screen->mLockCount, 0);
        }
    }
}

} // namespace
