#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::Color;
using Vorn::Rect;

struct FillCase {
    uint32_t dest;
    Color color;
    uint32_t expected;
};

class MemoryImageFill : public testing::TestWithParam<FillCase> {};

TEST_P(MemoryImageFill, BlendsTheColourOverThePixel)
{
    auto image = MakeImage(1, {GetParam().dest});
    image->FillRect(Rect(0, 0, 1, 1), GetParam().color, Vorn::kDrawModeAdditive);
    EXPECT_EQ(PixelsOf(*image)[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pixels, MemoryImageFill,
    testing::Values(FillCase{0xFF000000, Color(255, 255, 255, 128), 0xFF7F7F7F},
        FillCase{0x00000000, Color(255, 255, 255, 128), 0x80FEFEFE},
        FillCase{0xFF123456, Color(1, 2, 3, 255), 0xFF010203},
        FillCase{0x00000000, Color(0, 0, 0, 0), 0x00000000}, FillCase{0x80FF0000, Color(9, 9, 9, 0), 0x80FF0000},
        FillCase{0x01FFFFFF, Color(255, 0, 0, 0), 0x01FFFFFF}, FillCase{0xFF7F7F7F, Color(3, 200, 7, 0), 0xFF7F7F7F}));

TEST(MemoryImageFill, RectanglesAreHeldToTheImage)
{
    auto image = MakeImage(3, std::vector<uint32_t>(6, 0));
    image->FillRect(Rect(-5, 1, 7, 100), Color(1, 1, 1), 0);
    image->ClearRect(Rect(1, -4, 90, 6));
    EXPECT_EQ(PixelsOf(*image), (std::vector<uint32_t>{0, 0, 0, 0xFF010101, 0, 0}));
    EXPECT_EQ(image->GetBits()[6], Vorn::kMemoryImageGuardWord);
}

TEST(MemoryImageCoverage, ZeroCoverageLeavesThePixelAndTheNextKeepsItsColumn)
{
    auto image = MakeImage(3, {0xFF000000, 0xFF000000, 0xFF000000});
    const uint8_t coverage[] = {0, 255, 255};
    const Vorn::Span span{0, 0, 2};
    image->FillSpansWithCoverage(&span, 1, Color(255, 0, 0), 0, coverage, 0, 0, 3, 1);
    EXPECT_EQ(PixelsOf(*image), (std::vector<uint32_t>{0xFF000000, 0xFFFE0000, 0xFF000000}));
}

TEST(MemoryImageCoverage, PixelsOutsideTheMapAreLeft)
{
    auto image = MakeImage(4, std::vector<uint32_t>(8, 0xFF000000));
    const uint8_t coverage[] = {255, 255};
    const Vorn::Span spans[] = {{0, 0, 4}, {1, 0, 4}};
    image->FillSpansWithCoverage(spans, 2, Color(255, 0, 0), 0, coverage, 1, 0, 2, 1);
    std::vector<uint32_t> expected(8, 0xFF000000);
    expected[1] = expected[2] = 0xFFFE0000;
    EXPECT_EQ(PixelsOf(*image), expected);
}

} // namespace
