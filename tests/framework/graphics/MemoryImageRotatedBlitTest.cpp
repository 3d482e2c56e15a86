#include "framework/graphics/MemoryImage.h"

#include "ArgbReference.h"
#include "RotatedReference.h"
#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Rect;
using RotatedReference::Sample;
using Pixels = std::vector<uint32_t>;

uint32_t Ch(uint32_t p, int shift)
{
    return (p >> shift) & 0xFF;
}

// The weighed taps of a rotated blit laid onto the memory pixel d, written
// out from the rules one channel at a time. Normal mode: the source terms
// alone where the coverage reaches 251, else the destination premultiplied
// by its own alpha, the source added and the sum divided by the new alpha.
// Additive mode: each channel saturated, the alpha kept.
uint32_t Laid(uint32_t d, const Sample& s, const Color& color, int mode)
{
    if (s.coverage == 0)
        return d;
    const bool white = color.IsWhite();
    const uint32_t c[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
        static_cast<uint32_t>(color.mBlue)};
    if (mode != 0) {
        uint32_t out = d & 0xFF000000;
        for (int i = 0; i < 3; ++i) {
            const uint32_t k = c[i] * static_cast<uint32_t>(color.mAlpha) / 255;
            const uint32_t added = white ? s.sum[i] / 256 : i == 0 ? s.sum[0] / 256 * k / 256 : s.sum[i] * k / 65536;
            out |= std::min(Ch(d, 16 - 8 * i) + added, 255u) << (16 - 8 * i);
        }
        return out;
    }
    uint32_t t[3];
    for (int i = 0; i < 3; ++i)
        t[i] = white ? s.sum[i] / 256 : i == 0 ? s.sum[0] * (c[0] + 1) / 65536 : s.sum[i] / 256 * (c[i] + 1) / 256;
    if (s.coverage >= 251)
        return 0xFF000000 | t[0] << 16 | t[1] << 8 | t[2];
    const uint32_t dA = d >> 24;
    const uint32_t inv = 256 - s.coverage;
    const uint32_t alpha = 256 - (256 - dA) * inv / 256;
    uint32_t out = (alpha - 1) << 24;
    for (int i = 0; i < 3; ++i)
        out |= (Ch(d, 16 - 8 * i) * dA / 256 * inv + 256 * t[i]) / alpha << (16 - 8 * i);
    return out;
}

// The taps and their weights of one pixel, given as (pixel, 16-bit weight).
struct Tap {
    uint32_t p;
    uint32_t w;
};

uint32_t Expected(uint32_t d, const std::vector<Tap>& taps, const Color& color, int mode)
{
    Sample s;
    for (const Tap& tap : taps) {
        uint32_t weight = tap.w * (tap.p >> 24) >> 16;
        if (mode == 0 && !color.IsWhite())
            weight = weight * static_cast<uint32_t>(color.mAlpha) >> 8;
        for (int c = 0; c < 3; ++c)
            s.sum[c] += Ch(tap.p, 16 - 8 * c) * weight;
        s.coverage += weight;
    }
    return Laid(d, s, color, mode);
}

// Alpha 0xFC weighs 251 at fraction zero: the least coverage drawn opaque.
const Pixels kSource = {0xFF102030, 0xFFF0E0D0, 0x80FF8040, 0xFF405060, 0x00FFFFFF, 0xFF808080, 0xC0204080,
    0xFCFFFFFF, 0x40FFFFFF, 0xFF000000, 0xFF7F7F7F, 0xFF123456, 0xFFABCDEF, 0x10101010, 0xFF00FF00};
constexpr int kW = 5;
constexpr int kH = 3;

const Color kColors[] = {Color::White, Color(200, 100, 50, 180), Color(128, 128, 128)};

// At angle 0 and an integral position every written pixel takes one tap
// weighed 65534 (fraction forced odd): column 0 and the last row of the
// source are skipped, so (W - 2) x (H - 1) pixels are written.
TEST(MemoryImageRotatedBlit, IntegralPositionWritesOneTapPerPixel)
{
    auto source = MakeImage(kW, kSource);
    for (int mode : {0, 1})
        for (const Color& color : kColors) {
            const Pixels under(10 * 6, 0xC0405060);
            auto dest = MakeImage(10, under);
            dest->BltAtFloat(source.get(), 2.0f, 1.0f, Rect(0, 0, kW, kH), Rect(0, 0, 10, 6), color, mode);
            Pixels expected = under;
            for (int i = 0; i < kH - 1; ++i)
                for (int j = 1; j < kW - 1; ++j)
                    expected[static_cast<size_t>((1 + i) * 10 + 2 + j)] =
                        Expected(0xC0405060, {{kSource[static_cast<size_t>(i * kW + j)], 65534}}, color, mode);
            EXPECT_EQ(PixelsOf(*dest), expected) << mode << " " << color.mRed;
        }
}

// Half a pixel right: columns 1 .. W - 1, each mixing two horizontal
// neighbours with the weights 32766 and 32768.
TEST(MemoryImageRotatedBlit, HalfPixelPositionMixesTwoNeighbours)
{
    auto source = MakeImage(kW, kSource);
    auto palette = MakeImage(kW, kSource);
    ASSERT_TRUE(palette->ReduceToPalette());
    for (int mode : {0, 1})
        for (const Color& color : kColors) {
            const Pixels under(10 * 6, 0xFF204060);
            auto dest = MakeImage(10, under);
            auto fromPalette = MakeImage(10, under);
            dest->BltAtFloat(source.get(), 2.5f, 1.0f, Rect(0, 0, kW, kH), Rect(0, 0, 10, 6), color, mode);
            fromPalette->BltAtFloat(palette.get(), 2.5f, 1.0f, Rect(0, 0, kW, kH), Rect(0, 0, 10, 6), color, mode);
            Pixels expected = under;
            for (int i = 0; i < kH - 1; ++i)
                for (int j = 1; j < kW; ++j)
                    expected[static_cast<size_t>((1 + i) * 10 + 2 + j)] = Expected(0xFF204060,
                        {{kSource[static_cast<size_t>(i * kW + j - 1)], 32766}, {kSource[static_cast<size_t>(i * kW + j)], 32768}},
                        color, mode);
            EXPECT_EQ(PixelsOf(*dest), expected) << mode << " " << color.mRed;
            EXPECT_EQ(PixelsOf(*fromPalette), expected) << "palette " << mode << " " << color.mRed;
        }
}

TEST(MemoryImageRotatedBlit, NarrowSourcesWriteNothing)
{
    const Pixels under(8 * 8, 0xFF000000);
    for (const Rect& rect : {Rect(0, 0, 2, 3), Rect(0, 0, 1, 3), Rect(0, 0, 5, 1)}) {
        auto source = MakeImage(kW, kSource);
        auto dest = MakeImage(8, under);
        dest->BltAtFloat(source.get(), 1.0f, 1.0f, rect, Rect(0, 0, 8, 8), Color::White, 0);
        EXPECT_EQ(PixelsOf(*dest), under);
        EXPECT_TRUE(source->mDrawn);
    }
}

// A source rectangle inside a green border, turned at every quarter and a
// few angles between, over black: no green may show (no tap outside the
// rectangle), and nothing outside the clip changes.
TEST(MemoryImageRotatedBlit, NeverReadsOutsideTheSourceNorWritesOutsideTheClip)
{
    Pixels framed(12 * 12, 0xFF00FF00);
    for (int y = 2; y < 10; ++y)
        for (int x = 2; x < 10; ++x)
            framed[static_cast<size_t>(y * 12 + x)] = (x + y) % 3 ? 0xFFFF0000 : 0x80FF0000;
    auto source = MakeImage(12, framed);
    const double pi = std::numbers::pi;
    const Rect clip(3, 4, 20, 18);
    for (double angle : {0.0, pi / 2, pi, -pi / 2, 2 * pi, 0.3, 2.5, -1.1})
        for (float position : {0.0f, 0.5f, 0.25f, 7.75f})
            for (int mode : {0, 1}) {
                auto dest = MakeImage(30, Pixels(30 * 30, 0xFF000000));
                dest->BltRotated(source.get(), 10.0f + position, 9.0f - position, Rect(2, 2, 8, 8), clip, Color::White,
                    mode, angle, 4.0f, 3.5f);
                const Pixels out = PixelsOf(*dest);
                int drawn = 0;
                for (int y = 0; y < 30; ++y)
                    for (int x = 0; x < 30; ++x) {
                        const uint32_t p = out[static_cast<size_t>(y * 30 + x)];
                        const bool inClip = x >= 3 && x < 23 && y >= 4 && y < 22;
                        EXPECT_EQ(p & 0xFF00, 0u) << angle << " " << x << "," << y;
                        EXPECT_TRUE(inClip || p == 0xFF000000) << angle << " " << x << "," << y;
                        drawn += p != 0xFF000000;
                    }
                EXPECT_GT(drawn, 5) << angle;
            }
}

// A positive angle turns counter-clockwise on screen: a row turned by a
// quarter about its left end rises from there.
TEST(MemoryImageRotatedBlit, PositiveAnglesTurnCounterClockwise)
{
    auto source = MakeImage(8, Pixels(8 * 3, 0xFFFFFFFF));
    auto dest = MakeImage(20, Pixels(20 * 20, 0xFF000000));
    dest->BltRotated(source.get(), 10.0f, 10.0f, Rect(0, 0, 8, 3), Rect(0, 0, 20, 20), Color::White, 0,
        std::numbers::pi / 2, 0.0f, 1.5f);
    const Pixels out = PixelsOf(*dest);
    int above = 0;
    int below = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if (out[static_cast<size_t>(y * 20 + x)] != 0xFF000000)
                (y < 11 ? above : below)++;
    EXPECT_GT(above, 10);
    EXPECT_EQ(below, 0);
}

// Quarter turns about the corner at an integral position: a turn by pi / 2
// maps source (u, v) to (10 + v, 10 - u), by -pi / 2 to (10 - v, 10 + u).
// Of the three columns across only one passes the clipping margins; the
// rows run over u = 1 .. 6 and u = 0 .. 6 (the start of u = 0 is exactly 0,
// drawn; the row of u = 0 for +pi / 2 lies on the bounds' bottom edge, not
// drawn). Each written pixel is one opaque tap weighed 254.
TEST(MemoryImageRotatedBlit, QuarterTurnsAboutTheCorner)
{
    const struct { double angle; int column; int firstRow; int lastRow; } cases[] = {
        {std::numbers::pi / 2, 11, 4, 9}, {-std::numbers::pi / 2, 9, 10, 16}};
    for (const auto& c : cases) {
        auto source = MakeImage(8, Pixels(8 * 3, 0xFFFFFFFF));
        auto dest = MakeImage(20, Pixels(20 * 20, 0xFF000000));
        dest->BltRotated(source.get(), 10.0f, 10.0f, Rect(0, 0, 8, 3), Rect(0, 0, 20, 20), Color::White, 0, c.angle,
            0.0f, 0.0f);
        Pixels expected(20 * 20, 0xFF000000);
        for (int y = c.firstRow; y <= c.lastRow; ++y)
            expected[static_cast<size_t>(y * 20 + c.column)] = 0xFFFDFDFD;
        EXPECT_EQ(PixelsOf(*dest), expected) << c.angle;
    }
}

// Bounds that miss the clip, a clip or source reaching outside its image,
// and values that are not finite draw nothing and touch no memory outside.
TEST(MemoryImageRotatedBlit, DrawsNothingWhereNothingLands)
{
    auto source = MakeImage(kW, kSource);
    const Pixels under(6 * 6, 0xFF000000);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct { float x; Rect source; Rect clip; double angle; } cases[] = {{20.0f, Rect(0, 0, 5, 3), Rect(0, 0, 6, 6), 0.0},
        {1.0f, Rect(3, 0, 5, 3), Rect(0, 0, 6, 6), 0.0}, {nan, Rect(0, 0, 5, 3), Rect(0, 0, 6, 6), 0.0},
        {1.0f, Rect(0, 0, 5, 3), Rect(0, 0, 6, 6), std::numeric_limits<double>::infinity()},
        {1.0f, Rect(0, 0, 5, 3), Rect(2, 2, 0, 4), 0.0}};
    for (const auto& c : cases) {
        auto dest = MakeImage(6, under);
        dest->BltRotated(source.get(), c.x, 1.0f, c.source, c.clip, Color::White, 0, c.angle, 0, 0);
        EXPECT_EQ(PixelsOf(*dest), under);
    }
    auto dest = MakeImage(6, under);
    dest->BltRotated(source.get(), -100.0f, -3.0f, Rect(0, 0, 5, 3), Rect(-50, -50, 500, 500), Color::White, 0, 0.2,
        0, 0);
    EXPECT_EQ(PixelsOf(*dest), under);
}

// A source of few enough colours to take the palette form: every alpha
// class, boundary channels and pseudo-random ones, scattered from a seed.
Pixels ScatteredColours(int width, int height, uint32_t seed)
{
    const Pixels colours = Reference::SamplePixels(48, seed);
    std::mt19937 random(seed);
    Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (uint32_t& p : pixels)
        p = colours[random() % colours.size()];
    return pixels;
}

struct RandomCase {
    std::string name;
    int mode;
    bool white;
    bool palette;
    uint32_t seed;
};

void PrintTo(const RandomCase& c, std::ostream* out)
{
    *out << c.name;
}

class RotatedBlitAtRandom : public testing::TestWithParam<RandomCase> {};

// Whole destinations against the rules at seeded random angles, positions,
// centres, source rectangles and clips: every pixel the walk keeps carries
// its formula value, every other pixel is left as it was.
TEST_P(RotatedBlitAtRandom, WholeDestinationsMatchTheRules)
{
    const RandomCase& c = GetParam();
    constexpr int kImageWidth = 24;
    constexpr int kImageHeight = 20;
    constexpr int kDestWidth = 48;
    constexpr int kDestHeight = 40;
    const Pixels image = ScatteredColours(kImageWidth, kImageHeight, c.seed);
    auto source = MakeImage(kImageWidth, image);
    ASSERT_TRUE(!c.palette || source->ReduceToPalette());
    RotatedReference::RandomBlits random(c.seed, kImageWidth, kImageHeight, kDestWidth, kDestHeight);
    size_t drawn = 0;
    for (uint32_t n = 0; n < 300; ++n) {
        const RotatedReference::Blit blit = random.Next();
        const Color color = c.white ? Color::White : random.NextColor();
        const Pixels under = Reference::SamplePixels(kDestWidth * kDestHeight, c.seed + n);
        auto dest = MakeImage(kDestWidth, under);
        dest->BltRotated(source.get(), blit.x, blit.y, blit.source, blit.clip, color, c.mode, blit.angle,
            blit.centerX, blit.centerY);
        Pixels expected = under;
        const uint32_t colorAlpha = c.mode == 0 && !c.white ? static_cast<uint32_t>(color.mAlpha) : 256;
        const auto samples =
            RotatedReference::Samples(blit, {image.data(), kImageWidth}, colorAlpha, kDestWidth, kDestHeight);
        for (const Sample& s : samples) {
            uint32_t& d = expected[static_cast<size_t>(s.y * kDestWidth + s.x)];
            d = Laid(d, s, color, c.mode);
        }
        drawn += samples.size();
        ASSERT_TRUE(RotatedReference::SameDestination(PixelsOf(*dest), expected, kDestWidth))
            << n << ": " << RotatedReference::Describe(blit, color, c.mode);
    }
    EXPECT_GT(drawn, 5000u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RotatedBlitAtRandom,
    testing::Values(RandomCase{"NormalWhite", 0, true, false, 11}, RandomCase{"NormalColoured", 0, false, false, 12},
        RandomCase{"AdditiveWhite", 1, true, false, 13}, RandomCase{"AdditiveColoured", 2, false, false, 14},
        RandomCase{"NormalWhitePalette", 0, true, true, 15}, RandomCase{"NormalColouredPalette", 0, false, true, 16},
        RandomCase{"AdditiveWhitePalette", 1, true, true, 17},
        RandomCase{"AdditiveColouredPalette", 1, false, true, 18}),
    [](const testing::TestParamInfo<RandomCase>& info) { return info.param.name; });

} // namespace
