#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/HugeMatrices.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Matrix3x3;
using Vorn::Rect;
using Vorn::TriangleVertex;
using Pixels = std::vector<uint32_t>;

Pixels Sprite(bool translucent)
{
    Pixels pixels;
    for (uint32_t i = 0; i < 24; ++i) {
        const uint32_t alpha = translucent ? (i * 37 % 256) : 255;
        pixels.push_back(alpha << 24 | (i * 0x0A1B2Cu & 0xFFFFFF));
    }
    return pixels;
}

int MaxChannelDifference(const Pixels& a, const Pixels& b)
{
    int most = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            most = std::max(most, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)));
    return most;
}

// The matrix acts about the source's centre, which the position places:
// the identity draws texel for pixel where the plain blit puts the corner.
TEST(MemoryImageTransformBlit, IdentityQuadEqualsThePlainBlit)
{
    for (bool translucent : {false, true})
        for (bool forcedOpaque : {false, true})
            for (bool linear : {false, true}) {
                auto source = MakeImage(6, Sprite(translucent));
                auto byMatrix = MakeImage(16, Pixels(16 * 12, 0xFF336699));
                auto plain = MakeImage(16, Pixels(16 * 12, 0xFF336699));
                if (forcedOpaque)
                    byMatrix->ForceAlphaFlags(false, false);
                plain->ForceAlphaFlags(false, !forcedOpaque);
                byMatrix->BltByMatrix(source.get(), 10.0f, 8.0f, Matrix3x3(), Rect(0, 0, 16, 12), Color::White, 0,
                    Rect(0, 0, 6, 4), linear);
                plain->Blt(source.get(), 7, 6, Rect(0, 0, 6, 4), Color::White, 0);
                EXPECT_LE(MaxChannelDifference(PixelsOf(*byMatrix), PixelsOf(*plain)), 1)
                    << translucent << forcedOpaque << linear;
                EXPECT_TRUE(source->mDrawn);
            }
}

// Opaque point-sampled texels onto an opaque image are exact.
TEST(MemoryImageTransformBlit, OpaqueIdentityIsExact)
{
    auto source = MakeImage(6, Sprite(false));
    auto dest = MakeImage(8, Pixels(8 * 6, 0xFF000000));
    dest->ForceAlphaFlags(false, false);
    dest->BltByMatrix(source.get(), 4.0f, 3.0f, Matrix3x3(), Rect(0, 0, 8, 6), Color::White, 0, Rect(0, 0, 6, 4), false);
    const Pixels out = PixelsOf(*dest);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(out[static_cast<size_t>((y + 1) * 8 + x + 1)], Sprite(false)[static_cast<size_t>(y * 6 + x)]);
}

// The draw mode reaches the rasteriser: an additive matrix blit adds.
TEST(MemoryImageTransformBlit, AdditiveMatrixBlitAdds)
{
    auto source = MakeImage(2, Pixels(4, 0xFF404040));
    auto dest = MakeImage(4, Pixels(16, 0xFFD0D0D0));
    Matrix3x3 turn;
    turn.RotateRad(static_cast<float>(std::numbers::pi / 2));
    dest->BltByMatrix(source.get(), 2.0f, 2.0f, turn, Rect(0, 0, 4, 4), Color::White, 1, Rect(0, 0, 2, 2), false);
    const Pixels out = PixelsOf(*dest);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xFFFFFFFFu), 4);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xFFD0D0D0u), 12);
}

TEST(MemoryImageTransformBlit, TexturedTrianglesTakeTheOffsetAndVertexColours)
{
    auto source = MakeImage(1, Pixels(1, 0xFFFFFFFF));
    auto dest = MakeImage(6, Pixels(36, 0xFF000000));
    const TriangleVertex triangles[2][3] = {{{-0.5f, -0.5f, 0, 0, 0xFF00FF00}, {2.5f, -0.5f, 1, 0, 0xFF00FF00},
                                                {-0.5f, 2.5f, 0, 1, 0xFF00FF00}},
        {{2.5f, -0.5f, 1, 0, 0}, {2.5f, 2.5f, 1, 1, 0}, {-0.5f, 2.5f, 0, 1, 0}}};
    dest->DrawTexturedTriangles(source.get(), triangles, 2, Rect(0, 0, 6, 6), Color(0, 0, 255), 0, 2.0f, 1.0f, false);
    const Pixels out = PixelsOf(*dest);
    // The first triangle green (its own colours), the second the draw
    // colour, blue; both moved by (2, 1).
    EXPECT_EQ(out[1 * 6 + 2], 0xFF00FF00u);
    EXPECT_EQ(out[3 * 6 + 4], 0xFF0000FFu);
    EXPECT_EQ(out[0], 0xFF000000u);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xFF000000u), 36 - 9);
}

TEST(MemoryImageTransformBlit, DrawsNothingFromWhatIsNoSource)
{
    auto source = MakeImage(2, Pixels(4, 0xFFFFFFFF));
    const Pixels under(16, 0xFF000000);
    auto dest = MakeImage(4, under);
    Vorn::Image notMemory;
    dest->BltByMatrix(&notMemory, 2.0f, 2.0f, Matrix3x3(), Rect(0, 0, 4, 4), Color::White, 0, Rect(0, 0, 1, 1), false);
    EXPECT_TRUE(notMemory.mDrawn);
    dest->BltByMatrix(source.get(), 2.0f, 2.0f, Matrix3x3(), Rect(0, 0, 4, 4), Color::White, 0, Rect(1, 1, 2, 2), false);
    dest->BltByMatrix(source.get(), 2.0f, 2.0f, Matrix3x3(), Rect(0, 0, 4, 4), Color::White, 0, Rect(0, 0, 0, 2), false);
    dest->DrawTexturedTriangles(source.get(), nullptr, 1, Rect(0, 0, 4, 4), Color::White, 0, 0, 0, false);
    EXPECT_EQ(PixelsOf(*dest), under);
}

// Every sprite and particle reaches the image through a transform.
TEST(MemoryImageTransformBlit, GraphicsTransformsDrawOntoMemoryImages)
{
    auto ball = MakeImage(6, Sprite(false));
    auto dest = MakeImage(16, Pixels(16 * 12, 0xFF000000));
    Vorn::Graphics g(dest.get());
    Vorn::Transform t;
    t.Scale(1.0f, 1.0f);
    t.RotateRad(0.0f);
    ASSERT_TRUE(t.mComplex);
    g.DrawImageTransform(ball.get(), t, 8.0f, 6.0f);
    const Pixels out = PixelsOf(*dest);
    EXPECT_EQ(out[static_cast<size_t>(4 * 16 + 5)], Sprite(false)[0]);
    EXPECT_EQ(out[static_cast<size_t>(7 * 16 + 10)], Sprite(false)[23]);
}

// Matrices holding +-3e38 put the corners at the ends of the float range:
// nothing is drawn outside the clip.
TEST(MemoryImageTransformBlit, HugeMatricesDrawNothingOutsideTheClip)
{
    auto sprite = MakeImage(2, {0xFF102030, 0xFFF0E0D0, 0x80808080, 0xFFFF8040});
    for (const Testing::HugeMatrix& m : Testing::HugeMatrices())
        for (bool linear : {false, true}) {
            auto dest = MakeImage(16, Pixels(16 * 12, 0xFF000000));
            Vorn::Graphics g(dest.get());
            g.ClipRect(4, 3, 8, 6);
            g.SetSmoothBlend(linear);
            g.DrawImageByMatrix(sprite.get(), m.matrix, Rect(0, 0, 2, 2), 8.0f, 6.0f);
            const Pixels out = PixelsOf(*dest);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool changed = out[static_cast<size_t>(y * 16 + x)] != 0xFF000000;
                    const bool clipped = x >= 4 && x < 12 && y >= 3 && y < 9;
                    EXPECT_FALSE(changed && !clipped) << m.name << " linear=" << linear << " at " << x << "," << y;
                }
        }
}

} // namespace
