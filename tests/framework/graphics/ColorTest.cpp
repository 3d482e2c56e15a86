#include "framework/graphics/Color.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

namespace Vorn {

void PrintTo(const Color& color, std::ostream* os)
{
    *os << '(' << color.mRed << ", " << color.mGreen << ", " << color.mBlue << ", " << color.mAlpha << ')';
}

} // namespace Vorn

namespace {

using Vorn::Color;

// Other static initialisers read these, so they must be compile-time constants.
static_assert(Color::White == Color(255, 255, 255, 255));
static_assert(Color::Black == Color(0, 0, 0, 255));
static_assert(Color::White.IsWhite());

struct PackedCase {
    uint32_t argb;
    Color expected;
};

void PrintTo(const PackedCase& c, std::ostream* os)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", c.argb);
    *os << text;
}

class ColorFromPacked : public testing::TestWithParam<PackedCase> {};

TEST_P(ColorFromPacked, SplitsTheBytesAndMakesAlphaZeroOpaque)
{
    EXPECT_EQ(Color(GetParam().argb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Words, ColorFromPacked,
                         testing::Values(PackedCase{0x00FF0000u, {255, 0, 0, 255}},
                                         PackedCase{0x80FF0000u, {255, 0, 0, 128}},
                                         PackedCase{0x12345678u, {0x34, 0x56, 0x78, 0x12}},
                                         PackedCase{0x00000000u, {0, 0, 0, 255}},
                                         PackedCase{0x01000000u, {0, 0, 0, 1}},
                                         PackedCase{0xFFFFFFFFu, {255, 255, 255, 255}}));

TEST(Color, DefaultThreeComponentAndTableColoursAreOpaque)
{
    EXPECT_EQ(Color(), Color::Black);
    EXPECT_EQ(Color().ToInt(), 0xFF000000u);
    const int entry[3] = {10, 20, 30};
    EXPECT_EQ(Color(entry), Color(10, 20, 30, 255));
    EXPECT_EQ(Color(10, 20, 30), Color(10, 20, 30, 255));
}

TEST(Color, ToIntPacksEveryOpaqueOrTranslucentWordBack)
{
    for (uint32_t argb : {0xFF000000u, 0x80FF0000u, 0x12345678u, 0xFFFFFFFFu, 0x01ABCDEFu})
        EXPECT_EQ(Color(argb).ToInt(), argb);
    EXPECT_EQ(Color(1, 2, 3, 0).ToInt(), 0x00010203u);
}

TEST(Color, ToIntLetsOutOfRangeComponentsSpillIntoTheirNeighbours)
{
    EXPECT_EQ(Color(0, 256, 0, 0).ToInt(), 0x00010000u);
    EXPECT_EQ(Color(0, 0, -1, 255).ToInt(), 0xFFFFFFFFu);
    EXPECT_EQ(Color(0, 0, 0, 0x1FF).ToInt(), 0xFF000000u);
}

TEST(Color, OnlyAllFourFieldsOfWhiteAreWhite)
{
    EXPECT_TRUE(Color(0xFFFFFFu).IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 254).IsWhite());
    EXPECT_FALSE(Color(254, 255, 255, 255).IsWhite());
    EXPECT_FALSE(Color(255, 254, 255, 255).IsWhite());
    EXPECT_FALSE(Color(255, 255, 254, 255).IsWhite());
    EXPECT_FALSE(Color(255, 255, 255, 256).IsWhite());
}

TEST(Color, AnyDifferingFieldMakesColoursUnequal)
{
    const Color base(1, 2, 3, 4);
    EXPECT_FALSE(base != Color(1, 2, 3, 4));
    EXPECT_TRUE(base != Color(9, 2, 3, 4));
    EXPECT_TRUE(base != Color(1, 9, 3, 4));
    EXPECT_TRUE(base != Color(1, 2, 9, 4));
    EXPECT_TRUE(base != Color(1, 2, 3, 9));
    EXPECT_EQ(base.GetRed(), 1);
}

} // namespace
