#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "DisplayFixture.h"
#include "SurfaceReference.h"
#include "framework/graphics/RotatedReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Platform::PixelFormat;
using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

const Pixels kRotatedSource = {0xFF102030, 0xFFF0E0D0, 0x80FF8040, 0xFF405060, 0x00FFFFFF, 0xFF808080, 0xC0204080,
    0xFFFFFFFF, 0x40FFFFFF, 0xFF000000, 0xFF7F7F7F, 0xFF123456, 0xFFABCDEF, 0x10101010, 0xFF00FF00};
constexpr int kW = 5;
constexpr int kH = 3;

struct Case {
    std::string name;
    PixelFormat format;
};

class RotatedLoops : public testing::TestWithParam<Case> {};

// Every loop (format x mode x colour x source form) at an integral position,
// where each written pixel takes the one tap weighed 65534, and at a
// half-pixel position, where two taps share it (32766 and 32768).
TEST_P(RotatedLoops, WriteTheirFormulaValues)
{
    const PixelFormat& format = GetParam().format;
    SurfaceDisplayApp app(format, 10, 6);
    ASSERT_TRUE(app.initialised);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    const SurfaceReference::Format reference(format);
    const uint32_t colorBits = format.redMask | format.greenMask | format.blueMask;
    Pixels under;
    for (uint32_t i = 0; i < 60; ++i)
        under.push_back((0x5A3C96u * (i + 7)) & colorBits);
    for (bool palette : {false, true})
        for (int mode : {0, 1})
            for (const Color& color : {Color::White, Color(200, 100, 50, 180), Color(255, 255, 255, 254)})
                for (bool half : {false, true}) {
                    auto source = Testing::MakeImage(kW, kRotatedSource);
                    ASSERT_TRUE(!palette || source->ReduceToPalette());
                    SurfacePixels(*screen->mSurface, under);
                    screen->BltAtFloat(source.get(), half ? 2.5f : 2.0f, 1.0f, Rect(0, 0, kW, kH), Rect(0, 0, 10, 6),
                        color, mode);
                    Pixels expected = under;
                    for (int i = 0; i < kH - 1; ++i)
                        for (int j = 1; j < (half ? kW : kW - 1); ++j) {
                            const uint32_t a = kRotatedSource[static_cast<size_t>(i * kW + j - (half ? 1 : 0))];
                            const uint32_t b = kRotatedSource[static_cast<size_t>(i * kW + j)];
                            const struct { uint32_t p, w; } taps[2] = {{a, half ? 32766u : 65534u}, {b, half ? 32768u : 0u}};
                            uint32_t s[3] = {};
                            uint32_t w = 0;
                            for (const auto& tap : taps) {
                                uint32_t weight = tap.w * (tap.p >> 24) >> 16;
                                if (mode == 0 && !color.IsWhite())
                                    weight = weight * static_cast<uint32_t>(color.mAlpha) >> 8;
                                for (int c = 0; c < 3; ++c)
                                    s[c] += ((tap.p >> (16 - 8 * c)) & 0xFF) * weight;
                                w += weight;
                            }
                            uint32_t& d = expected[static_cast<size_t>((1 + i) * 10 + 2 + j)];
                            d = SurfaceReference::Rotated(reference, d, s, w, color, mode);
                        }
                    EXPECT_EQ(SurfacePixels(*screen->mSurface), expected)
                        << palette << " mode " << mode << " colour " << color.mAlpha << " half " << half;
                    EXPECT_EQ(screen->mLockCount, 0);
                }
}

// Seeded random blits onto the whole surface in every loop: angles,
// positions, centres, source rectangles and clips at random, each kind of
// blend from both source forms. Every pixel the walk keeps carries its
// loop's formula value, every other pixel is left as it was.
TEST_P(RotatedLoops, WholeSurfacesMatchTheRulesAtRandom)
{
    constexpr int kImageWidth = 24;
    constexpr int kImageHeight = 20;
    constexpr int kDestWidth = 48;
    constexpr int kDestHeight = 40;
    const PixelFormat& format = GetParam().format;
    SurfaceDisplayApp app(format, kDestWidth, kDestHeight);
    ASSERT_TRUE(app.initialised);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    const SurfaceReference::Format reference(format);
    const uint32_t colorBits = format.redMask | format.greenMask | format.blueMask;
    const Pixels colours = Reference::SamplePixels(48, 5);
    Pixels image(kImageWidth * kImageHeight);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = colours[(i * 7 + i / 5) % colours.size()];
    const struct {
        int mode;
        bool white;
    } kinds[] = {{0, true}, {0, false}, {1, true}, {2, false}};
    size_t drawn = 0;
    for (bool palette : {false, true}) {
        auto source = Testing::MakeImage(kImageWidth, image);
        ASSERT_TRUE(!palette || source->ReduceToPalette());
        for (const auto& kind : kinds) {
            RotatedReference::RandomBlits random(static_cast<uint32_t>(kind.mode * 2 + kind.white), kImageWidth,
                kImageHeight, kDestWidth, kDestHeight);
            for (uint32_t n = 0; n < 60; ++n) {
                const RotatedReference::Blit blit = random.Next();
                const Color color = kind.white ? Color::White : random.NextColor();
                Pixels under = Reference::SamplePixels(kDestWidth * kDestHeight, n);
                for (uint32_t& p : under)
                    p &= colorBits;
                SurfacePixels(*screen->mSurface, under);
                screen->BltRotated(source.get(), blit.x, blit.y, blit.source, blit.clip, color, kind.mode,
                    blit.angle, blit.centerX, blit.centerY);
                Pixels expected = under;
                const uint32_t colorAlpha = kind.mode == 0 && !kind.white ? static_cast<uint32_t>(color.mAlpha) : 256;
                const auto samples = RotatedReference::Samples(blit, {image.data(), kImageWidth}, colorAlpha,
                    kDestWidth, kDestHeight);
                for (const RotatedReference::Sample& s : samples) {
                    uint32_t& d = expected[static_cast<size_t>(s.y * kDestWidth + s.x)];
                    d = SurfaceReference::Rotated(reference, d, s.sum, s.coverage, color, kind.mode);
                }
                drawn += samples.size();
                ASSERT_TRUE(RotatedReference::SameDestination(SurfacePixels(*screen->mSurface), expected, kDestWidth))
                    << (palette ? "palette " : "") << n << ": " << RotatedReference::Describe(blit, color, kind.mode);
                ASSERT_EQ(screen->mLockCount, 0);
            }
        }
    }
    EXPECT_GT(drawn, 5000u);
}

INSTANTIATE_TEST_SUITE_P(Formats, RotatedLoops,
    testing::Values(Case{"X8R8G8B8", Platform::kFormatX8R8G8B8}, Case{"X8B8G8R8", Platform::kFormatX8B8G8R8},
        Case{"R5G6B5", Platform::kFormatR5G6B5}, Case{"X1R5G5B5", Platform::kFormatX1R5G5B5},
        Case{"B5G6R5", Platform::kFormatB5G6R5}),
    Testing::CaseName<Case>);

// An opaque white source at fraction zero: 253 per channel over black at 32
// bits (254 of 256, inv 2); the 16-bit fast loop replaces the pixel outright.
TEST(DDImageRotatedBlit, OpaqueTapsWeighTwoFiftyFour)
{
    SurfaceDisplayApp wide(Platform::kFormatX8R8G8B8, 6, 4);
    Vorn::DDImage* screen = wide.Display().GetScreenImage();
    SurfacePixels(*screen->mSurface, Pixels(24, 0));
    auto source = Testing::MakeImage(3, Pixels(6, 0xFFFFFFFF));
    screen->BltAtFloat(source.get(), 1.0f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color::White, 0);
    EXPECT_EQ(SurfacePixels(*screen->mSurface)[1 * 6 + 2], 0x00FDFDFDu);
    SurfaceDisplayApp narrow(Platform::kFormatR5G6B5, 6, 4);
    Vorn::DDImage* screen16 = narrow.Display().GetScreenImage();
    SurfacePixels(*screen16->mSurface, Pixels(24, 0x1234));
    screen16->BltAtFloat(source.get(), 1.0f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color::White, 0);
    EXPECT_EQ(SurfacePixels(*screen16->mSurface)[1 * 6 + 2], 0xFFFFu);
}

// A clip reaching past the surface (a caller bypassing the drawing context)
// is held to it: the top row and left column are drawn, nothing beyond.
TEST(DDImageRotatedBlit, ClipReachingPastTheSurfaceIsHeldToIt)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, 4, 3);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    SurfacePixels(*screen->mSurface, Pixels(12, 0));
    auto source = Testing::MakeImage(4, Pixels(12, 0xFFFFFFFF));
    screen->BltAtFloat(source.get(), -1.0f, 0.0f, Rect(0, 0, 4, 3), Rect(-50, -50, 500, 500), Color::White, 0);
    const uint32_t w = 0x00FDFDFD;
    EXPECT_EQ(SurfacePixels(*screen->mSurface), (Pixels{w, w, 0, 0, w, w, 0, 0, 0, 0, 0, 0}));
}

// A colour of alpha 0 leaves the surface as it was; draw mode 2 adds.
TEST(DDImageRotatedBlit, TransparentColourLeavesAndModeTwoAdds)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, 6, 4);
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    const Pixels under(24, 0x00404040);
    auto source = Testing::MakeImage(3, Pixels(6, 0xFF808080));
    SurfacePixels(*screen->mSurface, under);
    screen->BltAtFloat(source.get(), 1.5f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color(255, 255, 255, 0), 0);
    EXPECT_EQ(SurfacePixels(*screen->mSurface), under);
    screen->BltAtFloat(source.get(), 1.0f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color::White, 2);
    // 128 * 254 >> 8 = 127, scaled by white's 255 / 256 to 126, added
    // through the tables.
    EXPECT_EQ(SurfacePixels(*screen->mSurface)[1 * 6 + 2], 0x00BEBEBEu);
}

// Without surface drawing nothing is drawn; a destination with partial
// alpha takes the memory image's rotated blit on its bits.
TEST(DDImageRotatedBlit, RoadsFollowTheDestination)
{
    SurfaceDisplayApp app(Platform::kFormatX8R8G8B8, 6, 4);
    auto source = Testing::MakeImage(3, Pixels(6, 0xFFFFFFFF));
    Vorn::DDImage* screen = app.Display().GetScreenImage();
    SurfacePixels(*screen->mSurface, Pixels(24, 0));
    screen->mNoLock = true;
    screen->BltAtFloat(source.get(), 1.0f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color::White, 0);
    EXPECT_EQ(SurfacePixels(*screen->mSurface), Pixels(24, 0));
    EXPECT_TRUE(source->mDrawn);
    auto translucent = app.MakeImage(6, Pixels(24, 0x80000000));
    translucent->BltAtFloat(source.get(), 1.0f, 1.0f, Rect(0, 0, 3, 2), Rect(0, 0, 6, 4), Color::White, 0);
    EXPECT_EQ(translucent->mSurface, nullptr);
    EXPECT_EQ(Testing::PixelsOf(*translucent)[1 * 6 + 2], 0xFFFDFDFDu);
}

} // namespace
