#include "framework/graphics/MemoryImage.h"

#include "ArgbReference.h"
#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <climits>

#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::MemoryImage;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

Pixels BlitOnto(const Pixels& dest, MemoryImage& source, const Color& color, int mode)
{
    auto image = MakeImage(static_cast<int>(dest.size()), dest);
    image->Blt(&source, 0, 0, Rect(0, 0, source.GetWidth(), 1), color, mode);
    return PixelsOf(*image);
}

TEST(MemoryImageBlit, GivesThePixels)
{
    const struct { const char* what; Pixels dest, source; Color color; int mode; Pixels expected; } cases[] = {
        {"opaque onto opaque copies", {0xFF000000, 0xFFFFFFFF, 0xFF808080}, {0xFF123456, 0xFF000000, 0x00FFFFFF},
            Color::White, 0, {0xFF123456, 0xFF000000, 0xFF808080}},
        {"half over white: blue sums two floors, nothing carries", {0xFFFFFFFF, 0xFF000000}, {0x80FFFFFF, 0x80FFFFFF},
            Color::White, 0, {0xFFFFFFFE, 0xFF7F7F7F}},
        {"half over transparent", {0, 0xFF000000}, {0x80FFFFFF, 0x80FFFFFF}, Color::White, 0, {0x80FEFEFE, 0xFF7F7F7F}},
        {"additive saturates", {0xFFC0C0C0}, {0xFF808080}, Color::White, 1, {0xFFFFFFFF}},
        {"additive keeps the destination's alpha", {0x40000000, 0x40000000}, {0x80FFFFFF, 0xFF000000}, Color::White, 1,
            {0x407F7F7F, 0x40000000}},
        {"additive without has-alpha adds transparent pixels too", {0xFF000000, 0xFF000000}, {0x00102030, 0xFF000000},
            Color::White, 1, {0xFF102030, 0xFF000000}},
        {"other modes draw nothing", {0xFF000000}, {0xFFFFFFFF}, Color::White, 2, {0xFF000000}}};
    for (const auto& c : cases) {
        auto source = MakeImage(static_cast<int>(c.source.size()), c.source);
        EXPECT_EQ(BlitOnto(c.dest, *source, c.color, c.mode), c.expected) << c.what;
    }
}

// Hand-worked rows of the colorized variants: grey k = 128 halves the
// source with its own floors (red and blue 126, green 127), and a colour
// scales each channel by its component.
TEST(MemoryImageBlit, ColorizedVariantsGiveTheirOwnFloors)
{
    const struct { Pixels dest, source; Color color; Pixels expected; } cases[] = {
        {{0xFF000000}, {0xFFFFFFFF}, Color(128, 128, 128), {0xFF7E7F7E}},
        {{0xFF000000}, {0xFFFFFFFF}, Color(255, 0, 255), {0xFFFD00FD}},
        {{0xFFFFFFFF}, {0xFF000000}, Color(255, 255, 255, 254), {0xFF010101}}};
    for (const auto& c : cases) {
        auto source = MakeImage(1, c.source);
        EXPECT_EQ(BlitOnto(c.dest, *source, c.color, 0), c.expected) << std::hex << c.color.ToInt();
    }
}

// Additive colorized red and green floor s * k * sA / 65536: with s = 200,
// k = 203 and alpha 205 that is 126 (the product lies just below 127 x 65536
// though above 127 x 65535); blue floors twice, also to 126.
TEST(MemoryImageBlit, AdditiveColorizedChannelsFloorTheWholeProduct)
{
    auto source = MakeImage(1, {0xCDC8C8C8});
    EXPECT_EQ(BlitOnto({0xFF000000}, *source, Color(203, 203, 203), 1), (Pixels{0xFF7E7E7E}));
}

// The run-length path trusts the destination's flags: where they say opaque,
// transparent runs leave the pixels as they are, every other run writes
// alpha 255; a run of alpha 1 still blends: over 128, red and green stay
// floor((128 * 255 + 255) / 256) = 128 while blue's two floors give 127.
TEST(MemoryImageBlit, OnADestinationFlaggedOpaqueRunsWriteOpaquePixels)
{
    auto source = MakeImage(5, {0x00FFFFFF, 0x00FFFFFF, 0x01FFFFFF, 0x80FFFFFF, 0xFF123456});
    auto dest = MakeImage(5, Pixels(5, 0x40808080));
    dest->ForceAlphaFlags(false, false);
    dest->Blt(source.get(), 0, 0, Rect(0, 0, 5, 1), Color::White, 0);
    EXPECT_EQ(PixelsOf(*dest), (Pixels{0x40808080, 0x40808080, 0xFF80807F, 0xFFBFBFBF, 0xFF123456}));
    auto grey = MakeImage(3, Pixels(3, 0xFF808080));
    grey->Blt(source.get(), 0, 0, Rect(2, 0, 3, 1), Color::White, 0);
    EXPECT_EQ(PixelsOf(*grey), (Pixels{0xFF80807F, 0xFFBFBFBF, 0xFF123456}));
}

// Colour components outside 0..255 count as the nearest end: (300, 300,
// 300) is the grey 255, not white.
TEST(MemoryImageBlit, ColourComponentsOutsideTheirRangeCountAsTheNearestEnd)
{
    auto source = MakeImage(2, {0xFFFFFFFF, 0x80FFFFFF});
    const Pixels dest{0xFF000000, 0xFF000000};
    const Pixels over = BlitOnto(dest, *source, Color(300, 300, 300, 300), 0);
    EXPECT_EQ(over, (Pixels{Reference::BltGrey(dest[0], 0xFFFFFFFF, 255, 255),
                        Reference::BltGrey(dest[1], 0x80FFFFFF, 255, 255)}));
    EXPECT_EQ(BlitOnto(dest, *source, Color(-5, 300, 300, 255), 0), BlitOnto(dest, *source, Color(0, 255, 255), 0));
}

const Color kTints[] = {Color::White, Color(255, 255, 255, 254), Color(200, 200, 200), Color(128, 128, 128, 77),
    Color(0, 0, 0, 255), Color(10, 200, 90, 128), Color(255, 0, 255), Color(1, 2, 3, 254), Color(255, 254, 255, 1)};

// Every variant, both modes, on a source rectangle cut out of the middle of
// a larger source (so runs reach past its edges) placed inside a larger
// destination: each pixel of the area is the formula's, all others stay.
TEST(MemoryImageBlit, EveryPixelOfTheAreaGetsItsVariantsFormula)
{
    constexpr int kSourceWidth = 24, kDestWidth = 30;
    const Rect from(3, 1, 19, 3);
    const int x = 5, y = 2;
    for (const bool opaqueDest : {true, false})
        for (const bool sourceHasAlpha : {true, false}) {
            Pixels sourcePixels = Reference::SamplePixels(kSourceWidth * 5, 7);
            for (uint32_t& p : sourcePixels)
                if (!sourceHasAlpha)
                    p = (p >> 24) < 128 ? p & 0xFFFFFF : p | 0xFF000000;
            // Long runs of one class, cut by the rectangle's edges.
            for (int i = 30; i < 60; ++i)
                sourcePixels[static_cast<size_t>(i)] = 0xFF000000 | sourcePixels[static_cast<size_t>(i)];
            for (int i = 70; i < 90; ++i)
                sourcePixels[static_cast<size_t>(i)] &= 0xFFFFFF;
            const Pixels destPixels = Reference::SamplePixels(kDestWidth * 7, 8, !opaqueDest);
            for (const Color& color : kTints)
                for (const int mode : {0, 1}) {
                    auto source = MakeImage(kSourceWidth, sourcePixels);
                    auto dest = MakeImage(kDestWidth, destPixels);
                    dest->Blt(source.get(), x, y, from, color, mode);
                    Pixels expected = destPixels;
                    for (int row = 0; row < from.mHeight; ++row)
                        for (int col = 0; col < from.mWidth; ++col) {
                            uint32_t& d = expected[static_cast<size_t>((y + row) * kDestWidth + x + col)];
                            const uint32_t s =
                                sourcePixels[static_cast<size_t>((from.mY + row) * kSourceWidth + from.mX + col)];
                            d = mode == 0 ? Reference::BltNormal(d, s, color, opaqueDest)
                                          : Reference::BltAdditive(d, s, color, sourceHasAlpha);
                        }
                    ASSERT_EQ(PixelsOf(*dest), expected) << std::hex << color.ToInt() << " mode " << mode
                                                         << (opaqueDest ? " opaque" : " alpha") << " destination, "
                                                         << (sourceHasAlpha ? "alpha" : "keyed") << " source";
                    EXPECT_TRUE(source->mDrawn);
                }
        }
}

TEST(MemoryImageBlit, FreshDestinationTakesTheBlendNotTheRunLengthCopy)
{
    auto source = MakeImage(1, {0x80FFFFFF});
    MemoryImage dest(nullptr);
    dest.Create(1, 1);
    dest.Blt(source.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    EXPECT_EQ(PixelsOf(dest)[0], 0x80FEFEFEu);
}

const Color kColours[] = {Color::White, Color(200, 200, 200), Color(100, 100, 100, 77), Color(10, 200, 90, 128)};

Pixels SourceSample()
{
    Pixels pixels;
    for (uint32_t i = 0; i < 300; ++i)
        pixels.push_back((i % 3 == 0 ? 0xFF000000u : i % 3 == 1 ? 0x00000000u : 0x7F000000u) | (i % 7) * 0x243F6Au);
    return pixels;
}

TEST(MemoryImageBlit, PaletteSourceDrawsAsTheSameImageInArgb)
{
    for (const Pixels& dest : {Pixels(300, 0xFF336699), Pixels(300, 0x80336699)})
        for (const Color& color : kColours)
            for (int mode : {0, 1}) {
                auto argb = MakeImage(300, SourceSample());
                auto palette = MakeImage(300, SourceSample());
                ASSERT_TRUE(palette->ReduceToPalette());
                EXPECT_EQ(BlitOnto(dest, *palette, color, mode), BlitOnto(dest, *argb, color, mode))
                    << color.ToInt() << " mode " << mode;
            }
}

// A transparent has-alpha source changes nothing; a colour without a channel
// leaves that channel empty: nothing carries.
TEST(MemoryImageBlit, TransparentSourceChangesNothingAndNoChannelCarries)
{
    const Pixels dest{0xFF123456, 0x80FEDCBA, 0x00000000, 0x01FFFFFF};
    auto source = MakeImage(4, {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x80FFFFFF});
    source->GetBits()[3] = 0x00FFFFFF;
    for (const Color& color : kColours)
        for (int mode : {0, 1})
            EXPECT_EQ(BlitOnto(dest, *source, color, mode), dest) << color.ToInt() << " mode " << mode;
    auto white = MakeImage(2, {0xFFFFFFFF, 0x80FFFFFF});
    for (const Pixels& under : {Pixels{0xFF000000, 0xFF000000}, Pixels{0, 0}})
        for (const auto& [color, empty] : {std::pair{Color(255, 0, 255), 0xFF00u}, {Color(0, 255, 0), 0xFF00FFu}})
            for (uint32_t pixel : BlitOnto(under, *white, color, 0))
                EXPECT_EQ(pixel & empty, 0u);
}

TEST(MemoryImageBlit, RectanglesAreHeldToBothImages)
{
    auto source = MakeImage(3, {1, 2, 3, 4, 5, 6});
    source->ForceAlphaFlags(false, false);
    auto dest = MakeImage(3, Pixels(6, 0xFF000000));
    dest->Blt(source.get(), -1, 0, Rect(1, 1, 5, 7), Color::White, 1);
    dest->Blt(source.get(), 1, 0, Rect(-1, -1, 9, 9), Color::White, 1);
    EXPECT_EQ(PixelsOf(*dest), (Pixels{0xFF000006, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000001}));
}

// A source rectangle clipped far from where it was asked for, at a place
// near the end of the int range, lands outside without overflowing.
TEST(MemoryImageBlit, PlacesAtTheEndsOfTheIntRangeDrawNothing)
{
    auto source = MakeImage(3, {1, 2, 3, 4, 5, 6});
    source->ForceAlphaFlags(false, false);
    auto dest = MakeImage(3, Pixels(6, 0xFF000000));
    dest->Blt(source.get(), INT_MAX, 0, Rect(-5, 0, 8, 2), Color::White, 1);
    dest->Blt(source.get(), INT_MIN, INT_MIN, Rect(1, 1, 2, 1), Color::White, 1);
    dest->Blt(source.get(), 0, INT_MIN + 1, Rect(0, -INT_MAX, 3, INT_MAX), Color::White, 1);
    EXPECT_EQ(PixelsOf(*dest), Pixels(6, 0xFF000000));
}

} // namespace
