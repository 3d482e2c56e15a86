#include "framework/graphics/PaletteBuilder.h"

#include <gtest/gtest.h>

#include <utility>
#include <array>
#include <map>
#include <random>
#include <vector>

namespace {

using Vorn::BuildPalette;
using Vorn::kUnusedPaletteEntry;

constexpr uint8_t kUntouchedIndex = 0xAA;
constexpr uint32_t kUntouchedEntry = 0x12345678u;

struct Palettized {
    bool ok = false;
    std::vector<uint8_t> indices;
    std::array<uint32_t, Vorn::kPaletteSize> table;
};

Palettized Palettize(const std::vector<uint32_t>& pixels, int width, int height)
{
    Palettized out;
    out.indices.assign(pixels.size(), kUntouchedIndex);
    out.table.fill(kUntouchedEntry);
    out.ok = BuildPalette(pixels.data(), out.indices.data(), width, height, out.table.data());
    return out;
}

// Distinct for every i: multiplying by an odd number permutes 32-bit words.
uint32_t DistinctColor(uint32_t i)
{
    return i * 0x9E3779B1u;
}

void ExpectUnusedEntriesOpaqueBlackFrom(const Palettized& out, int count)
{
    for (int i = count; i < Vorn::kPaletteSize; ++i)
        ASSERT_EQ(out.table[i], kUnusedPaletteEntry) << "entry " << i;
}

TEST(PaletteBuilder, SinglePixelBecomesEntryZero)
{
    const Palettized out = Palettize({0x80402010u}, 1, 1);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.table[0], 0x80402010u);
    EXPECT_EQ(out.indices[0], 0);
    ExpectUnusedEntriesOpaqueBlackFrom(out, 1);
}

TEST(PaletteBuilder, SecondColourAtTheLastPixelGetsIndexOneOnlyThere)
{
    std::vector<uint32_t> pixels(6, 0xFF00FF00u);
    pixels.back() = 0xFF0000FFu;
    const Palettized out = Palettize(pixels, 3, 2);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(out.table[1], 0xFF0000FFu);
    ExpectUnusedEntriesOpaqueBlackFrom(out, 2);
}

TEST(PaletteBuilder, ColoursDifferingOnlyInAlphaAreDistinct)
{
    const Palettized out = Palettize({0x00112233u, 0xFF112233u, 0x00112233u}, 3, 1);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.table[0], 0x00112233u);
    EXPECT_EQ(out.table[1], 0xFF112233u);
    EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 1, 0}));
}

TEST(PaletteBuilder, TableFollowsFirstAppearanceNotValue)
{
    const Palettized out = Palettize({0xFFFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0u, 0x80000000u}, 2, 3);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.table[0], 0xFFFFFFFFu);
    EXPECT_EQ(out.table[1], 0x80000000u);
    EXPECT_EQ(out.table[2], 0x7FFFFFFFu);
    EXPECT_EQ(out.table[3], 0u);
    EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 1, 0, 2, 3, 1}));
    ExpectUnusedEntriesOpaqueBlackFrom(out, 4);
}

TEST(PaletteBuilder, ExactlyTwoHundredFiftySixColoursFit)
{
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i)
        pixels.push_back(DistinctColor(i));
    pixels.insert(pixels.end(), pixels.rbegin(), pixels.rend());
    const Palettized out = Palettize(pixels, 64, 8);
    ASSERT_TRUE(out.ok);
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(out.indices[i], i < 256 ? i : 511 - i);
    for (uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(out.table[i], DistinctColor(i));
}

TEST(PaletteBuilder, TwoHundredFiftySeventhColourFailsWhereItAppears)
{
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i)
        pixels.push_back(DistinctColor(i));
    pixels.push_back(DistinctColor(7));
    pixels.push_back(DistinctColor(256));
    pixels.push_back(DistinctColor(3));
    pixels.push_back(DistinctColor(1));
    const Palettized out = Palettize(pixels, 20, 13);
    ASSERT_FALSE(out.ok);
    EXPECT_EQ(out.indices[256], 7);
    EXPECT_EQ(out.indices[257], kUntouchedIndex);
    EXPECT_EQ(out.indices[258], kUntouchedIndex);
    for (uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(out.table[i], DistinctColor(i));
}

TEST(PaletteBuilder, NoPixelsWhenASideIsZeroOrNegative)
{
    for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -3}, {0, 0}, {-4, -4}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const Palettized out = Palettize({0x11111111u}, width, height);
        EXPECT_TRUE(out.ok);
        EXPECT_EQ(out.indices[0], kUntouchedIndex);
        ExpectUnusedEntriesOpaqueBlackFrom(out, 0);
    }
}

TEST(PaletteBuilder, PixelCountDoesNotWrapForHugeSides)
{
    // 65536 x 65536 wraps to 0 in 32 bits; the real count reaches the 257th
    // colour long before the end of this short buffer.
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 257; ++i)
        pixels.push_back(DistinctColor(i));
    EXPECT_FALSE(Palettize(pixels, 65536, 65536).ok);
}

class PaletteRoundTrip : public testing::TestWithParam<int> {};

TEST_P(PaletteRoundTrip, EveryPixelReadsBackThroughTheTable)
{
    std::mt19937 random(static_cast<uint32_t>(GetParam()));
    const int colourCount = 1 + static_cast<int>(random() % 256u);
    std::vector<uint32_t> colours;
    for (int i = 0; i < colourCount; ++i)
        colours.push_back(static_cast<uint32_t>(random()));
    const int width = 1 + static_cast<int>(random() % 64u);
    const int height = 1 + static_cast<int>(random() % 64u);
    std::vector<uint32_t> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.push_back(colours[random() % colours.size()]);

    const Palettized out = Palettize(pixels, width, height);
    ASSERT_TRUE(out.ok);
    std::map<uint32_t, int> firstSeen;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        ASSERT_EQ(out.table[out.indices[i]], pixels[i]) << "pixel " << i;
        firstSeen.try_emplace(pixels[i], static_cast<int>(firstSeen.size()));
    }
    for (const auto& [argb, index] : firstSeen)
        ASSERT_EQ(out.table[index], argb);
    ExpectUnusedEntriesOpaqueBlackFrom(out, static_cast<int>(firstSeen.size()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, PaletteRoundTrip, testing::Range(1, 41));

} // namespace
