#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

TEST(MemoryImageFill, BlendsTheColourOverThePixelAndAlphaZeroChangesNothing)
{
    const struct { uint32_t dest; Color color; uint32_t expected; } cases[] = {
        {0xFF000000, Color(255, 255, 255, 128), 0xFF7F7F7F}, {0x00000000, Color(255, 255, 255, 128), 0x80FEFEFE},
        {0xFF123456, Color(1, 2, 3, 255), 0xFF010203}, {0x80FF0000, Color(9, 9, 9, 0), 0x80FF0000},
        {0x01FFFFFF, Color(255, 0, 0, 0), 0x01FFFFFF}, {0xFF7F7F7F, Color(3, 200, 7, 0), 0xFF7F7F7F}};
    for (const auto& c : cases) {
        auto image = MakeImage(1, {c.dest});
        image->FillRect(Rect(0, 0, 1, 1), c.color, Vorn::kDrawModeAdditive);
        EXPECT_EQ(PixelsOf(*image)[0], c.expected) << std::hex << c.dest << " " << c.color.ToInt();
    }
}

TEST(MemoryImageFill, RectanglesAreHeldToTheImage)
{
    auto image = MakeImage(3, Pixels(6, 0));
    image->FillRect(Rect(-5, 1, 7, 100), Color(1, 1, 1), 0), image->ClearRect(Rect(1, -4, 90, 6));
    EXPECT_EQ(PixelsOf(*image), (Pixels{0, 0, 0, 0xFF010101, 0, 0}));
    EXPECT_EQ(image->GetBits()[6], Vorn::kMemoryImageGuardWord);
}

// Zero coverage leaves its pixel, the next keeps its column, and pixels
// outside the map are left.
TEST(MemoryImageCoverage, BlendsOnlyWhereTheMapCovers)
{
    auto image = MakeImage(4, Pixels(8, 0xFF000000));
    const uint8_t coverage[] = {0, 255, 255};
    const Vorn::Span spans[] = {{0, 0, 4}, {1, 0, 4}};
    image->FillSpansWithCoverage(spans, 2, Color(255, 0, 0), 0, coverage, 0, 0, 3, 1);
    EXPECT_EQ(PixelsOf(*image), (Pixels{0xFF000000, 0xFFFE0000, 0xFFFE0000, 0xFF000000, 0xFF000000, 0xFF000000,
                                    0xFF000000, 0xFF000000}));
}

// Spans and maps at the ends of the int range neither overflow nor reach
// a pixel: a wrapped sum would have put the first one on the image.
TEST(MemoryImageCoverage, SpansAndMapsAtTheEndsOfTheIntRangeDrawNothing)
{
    auto image = MakeImage(4, Pixels(8, 0xFF000000));
    const uint8_t coverage[] = {255, 255, 255, 255};
    const Vorn::Span far[] = {{0, INT_MAX - 1, 4}, {1, 0, INT_MAX}};
    image->FillSpansWithCoverage(far, 1, Color(255, 0, 0), 0, coverage, INT_MIN, 0, 4, 1);
    image->FillSpansWithCoverage(far + 1, 1, Color(255, 0, 0), 0, coverage, 0, INT_MIN + 1, 4, 1);
    EXPECT_EQ(PixelsOf(*image), Pixels(8, 0xFF000000));
    image->FillSpansWithCoverage(far + 1, 1, Color(255, 0, 0), 0, coverage, 2, 1, INT_MAX, 1);
    EXPECT_EQ(PixelsOf(*image)[6], 0xFFFE0000u);
}

} // namespace
