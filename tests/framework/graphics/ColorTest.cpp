#include "framework/graphics/Color.h"

#include <gtest/gtest.h>

namespace {

using Vorn::Color;

// Other static initialisers read these, so they must be compile-time constants.
static_assert(Color::White == Color(255, 255, 255, 255) && Color::Black == Color(0, 0, 0, 255));

TEST(Color, PackedWordSplitsAlphaZeroReadsOpaqueAndOutOfRangeComponentsSpill)
{
    EXPECT_TRUE(Color(0x12345678u) == Color(0x34, 0x56, 0x78, 0x12));
    EXPECT_EQ(Color(0x12345678u).ToInt(), 0x12345678u);
    EXPECT_EQ(Color(0x00FF0000u).ToInt(), 0xFFFF0000u);
    const int entry[3] = {10, 20, 30};
    EXPECT_EQ(Color(entry).ToInt(), 0xFF0A141Eu);
    EXPECT_EQ(Color(0, 256, 0, 0).ToInt(), 0x00010000u);
    EXPECT_EQ(Color(0, 0, -1, 255).ToInt(), 0xFFFFFFFFu);
    EXPECT_EQ(Color(0, 0, 0, 0x1FF).ToInt(), 0xFF000000u);
    EXPECT_TRUE(Color(0xFFFFFFu).IsWhite());
    for (const Color& c : {Color(254, 255, 255), Color(255, 254, 255), Color(255, 255, 254), Color(255, 255, 255, 254)})
        EXPECT_FALSE(c.IsWhite()) << c.mRed << ' ' << c.mGreen << ' ' << c.mBlue << ' ' << c.mAlpha;
}

} // namespace
