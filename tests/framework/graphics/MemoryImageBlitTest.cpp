#include "framework/graphics/MemoryImage.h"

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

TEST(MemoryImageBlit, FreshDestinationTakesTheBlendNotTheRunLengthCopy)
{
    auto source = MakeImage(1, {0x80FFFFFF});
    MemoryImage dest(nullptr);
    dest.Create(1, 1);
    dest.Blt(source.get(), 0, 0, Rect(0, 0, 1, 1), Color::White, 0);
    EXPECT_EQ(PixelsOf(dest)[0], 0x80FEFEFEu);
}

const Color kColours[] = {Color::White, Color(200, 200, 200), Color(100, 100, 100, 77), Color(10, 200, 90, 128)};

Pixels Sample()
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
                auto argb = MakeImage(300, Sample());
                auto palette = MakeImage(300, Sample());
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
