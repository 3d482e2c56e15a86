#include "framework/graphics/Blend.h"

#include "ArgbReference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

using Reference::SamplePixels;
using Vorn::Color;
using Vorn::Rect;

// Weights where the floors of the two products fall differently.
const uint32_t kWeights[] = {1, 2, 3, 64, 127, 128, 129, 200, 254, 255};

TEST(Blend, SaturatingTableHoldsMinOfIndexAnd255)
{
    for (size_t i = 0; i < Vorn::Blend::kSaturate.size(); ++i)
        ASSERT_EQ(Vorn::Blend::kSaturate[i], std::min<size_t>(i, 255)) << i;
    EXPECT_EQ(Vorn::Blend::kSaturate.size(), 512u);
}

TEST(Blend, OverGivesEveryChannelItsOwnFloorAndTheAlphaOfTheWeight)
{
    // Hand-worked: white at 128 over opaque black gives w = 128 and 127;
    // over transparent black outA = 128, w = 255 and 254.
    EXPECT_EQ(Vorn::Blend::Over(0xFF000000, 0xFFFFFFFF, 128), 0xFF7F7F7Fu);
    EXPECT_EQ(Vorn::Blend::Over(0x00000000, 0xFFFFFFFF, 128), 0x80FEFEFEu);
    // outA = floor(191 * 100 / 255) + 64 = 138, w = floor(25500 / 138) = 184.
    EXPECT_EQ(Vorn::Blend::Over(0x40102030, 0x00F0E0D0, 100), 0x8AB1AAA3u);
    EXPECT_EQ(Vorn::Blend::Over(0x00ABCDEF, 0x00FFFFFF, 0), 0x00ABCDEFu);
    const std::vector<uint32_t> dest = SamplePixels(800, 1), colours = SamplePixels(800, 2);
    for (size_t i = 0; i < dest.size(); ++i)
        for (uint32_t a : kWeights)
            ASSERT_EQ(Vorn::Blend::Over(dest[i], colours[i], a), Reference::Over(dest[i], colours[i], a))
                << std::hex << dest[i] << " " << colours[i] << " " << std::dec << a;
}

TEST(Blend, MixFloorsRedAndGreenOnceAndBlueTwice)
{
    // Blue: floor(255 * 128 / 256) + floor(1 * 128 / 256) = 127; red:
    // floor((255 * 128 + 1 * 128) / 256) = 128.
    EXPECT_EQ(Vorn::Blend::Mix(0x00FF00FF, 0x00010001, 128, 0xFF000000), 0xFF80007Fu);
    const std::vector<uint32_t> dest = SamplePixels(800, 3), source = SamplePixels(800, 4);
    for (size_t i = 0; i < dest.size(); ++i)
        for (uint32_t w : kWeights)
            ASSERT_EQ(Vorn::Blend::Mix(dest[i], source[i], w, 0x5A000000), Reference::Mix(dest[i], source[i], w, 0x5A))
                << std::hex << dest[i] << " " << source[i] << " " << std::dec << w;
}

TEST(Blend, OverAlphaLaysTheWeightOverTheDestinationsAlpha)
{
    for (uint32_t dA = 0; dA < 256; ++dA)
        for (uint32_t a = 0; a < 256; ++a)
            ASSERT_EQ(Vorn::Blend::OverAlpha(dA, a), Reference::OutAlpha(dA, a)) << dA << " " << a;
}

TEST(Blend, AddedChannelsSaturateAndKeepTheDestinationsAlpha)
{
    EXPECT_EQ(Vorn::Blend::AddChannels(0x80C0C0C0, 128, 0, 63), 0x80FFC0FFu);
    EXPECT_EQ(Vorn::Blend::AddChannels(0x01010203, 254, 253, 252), 0x01FFFFFFu);
    EXPECT_EQ(Vorn::Blend::AddChannels(0xFE102030, 0, 1, 2), 0xFE102132u);
    EXPECT_EQ(Vorn::Blend::AddChannels(0x00FFFFFF, 255, 255, 255), 0x00FFFFFFu);
}

TEST(Blend, AdditiveColourScalesEachChannelByTheAlphaHeldToItsRange)
{
    const struct { Color color; uint32_t r, g, b; } cases[] = {{Color(255, 128, 1, 255), 255, 128, 1},
        {Color(255, 128, 2, 128), 128, 64, 1}, {Color(10, 20, 30, 0), 0, 0, 0}, {Color(300, -4, 255, 255), 255, 0, 255},
        {Color(255, 255, 255, 999), 255, 255, 255}, {Color(100, 200, 254, 254), 99, 199, 253},
        {Color(255, 255, 255, 0), 0, 0, 0}, {Color(255, 255, 255, -9), 0, 0, 0}};
    for (const auto& c : cases) {
        const Vorn::Blend::AdditiveColor added(c.color);
        EXPECT_TRUE(added.r == c.r && added.g == c.g && added.b == c.b) << std::hex << c.color.ToInt();
    }
}

TEST(Blend, ClipToBoundsKeepsThePartInsideAndSaysWhetherAnyIsLeft)
{
    const struct { Rect in; bool left; Rect out; } cases[] = {{Rect(-2, -3, 5, 6), true, Rect(0, 0, 3, 3)},
        {Rect(5, 1, 10, 1), true, Rect(5, 1, 3, 1)}, {Rect(8, 0, 1, 1), false, Rect(0, 0, 0, 0)},
        {Rect(0, 4, 8, 1), false, Rect(0, 0, 0, 0)}, {Rect(7, 3, 1, 1), true, Rect(7, 3, 1, 1)},
        {Rect(0, 0, 0, 4), false, Rect(0, 0, 0, 0)}, {Rect(2, 2, 3, -1), false, Rect(0, 0, 0, 0)}};
    for (const auto& c : cases) {
        Rect rect = c.in;
        EXPECT_EQ(Vorn::Blend::ClipToBounds(rect, 8, 4), c.left) << c.in.mX << "," << c.in.mY;
        if (c.left) {
            EXPECT_EQ(rect, c.out) << c.in.mX << "," << c.in.mY;
        }
    }
}

} // namespace
