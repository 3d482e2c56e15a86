#include "framework/graphics/PaletteBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Table = std::array<uint32_t, Vorn::kPaletteSize>;
constexpr uint8_t kUntouched = 0xAA;

struct Palettized { bool ok = false; std::vector<uint8_t> indices; Table table; };

Palettized Palettize(const std::vector<uint32_t>& pixels, int width, int height)
{
    Palettized out{false, std::vector<uint8_t>(pixels.size(), kUntouched), {}};
    out.table.fill(0x12345678u);
    out.ok = Vorn::BuildPalette(pixels.data(), out.indices.data(), width, height, out.table.data());
    return out;
}

// The table holding `used` then kUnusedPaletteEntry in every other place.
Table Expected(const std::vector<uint32_t>& used)
{
    Table table;
    table.fill(Vorn::kUnusedPaletteEntry);
    std::copy(used.begin(), used.end(), table.begin());
    return table;
}

TEST(PaletteBuilder, TwoHundredFiftySixColoursFitAndThe257thFailsWhereItAppears)
{
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 256; ++i)
        pixels.push_back(i * 0x9E3779B1u);
    const std::vector<uint32_t> colours = pixels;
    pixels.insert(pixels.end(), colours.rbegin(), colours.rend());
    const Palettized full = Palettize(pixels, 64, 8);
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(full.indices[i], i < 256 ? i : 511 - i);
    EXPECT_TRUE(full.ok && full.table == Expected(colours));

    pixels.resize(256);
    pixels.insert(pixels.end(), {colours[7], 0x12345u, colours[3]});
    const Palettized over = Palettize(pixels, 7, 37);
    EXPECT_EQ(std::vector(over.indices.begin() + 256, over.indices.end()), (std::vector<uint8_t>{7, 0xAA, 0xAA}));
    EXPECT_FALSE(over.ok);
    // 65536 x 65536 wraps to 0 in 32 bits: the real count meets the 257th colour.
    EXPECT_FALSE(Palettize(pixels, 65536, 65536).ok);
}

TEST(PaletteBuilder, NoPixelsWhenASideIsZeroOrNegativeAndAlphaAloneMakesAColour)
{
    for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -3}}) {
        const Palettized out = Palettize({0x11111111u}, width, height);
        EXPECT_TRUE(out.ok && out.indices[0] == kUntouched && out.table == Expected({})) << width << "x" << height;
    }
    const Palettized out = Palettize({0xFF112233u, 0x00112233u, 0xFF112233u}, 3, 1);
    EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(out.table, Expected({0xFF112233u, 0x00112233u}));
}

} // namespace
