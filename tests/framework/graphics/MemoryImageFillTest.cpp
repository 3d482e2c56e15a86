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

// Colour alphas where the weight's floors fall differently, over pixels of
// every alpha class: each pixel of the rectangle gets the over blend, the
// pixels around it stay.
TEST(MemoryImageFill, EveryPixelOfTheRectangleGetsTheOverBlend)
{
    constexpr int kWidth = 40;
    const Pixels dest = Reference::SamplePixels(kWidth * 12, 21);
    const Rect rect(3, 2, 31, 9);
    const Pixels colours = Reference::SamplePixels(20, 22);
    for (const uint32_t alpha : {0u, 1u, 2u, 77u, 127u, 128u, 129u, 200u, 254u, 255u})
        for (const uint32_t packed : colours) {
            const Color color(static_cast<int>(packed >> 16 & 0xFF), static_cast<int>(packed >> 8 & 0xFF),
                static_cast<int>(packed & 0xFF), static_cast<int>(alpha));
            auto image = MakeImage(kWidth, dest);
            image->FillRect(rect, color, 0);
            Pixels expected = dest;
            for (int y = rect.mY; y < rect.mY + rect.mHeight; ++y)
                for (int x = rect.mX; x < rect.mX + rect.mWidth; ++x) {
                    uint32_t& d = expected[static_cast<size_t>(y * kWidth + x)];
                    d = alpha == 255 ? color.ToInt() : Reference::Over(d, color.ToInt(), alpha);
                }
            ASSERT_EQ(PixelsOf(*image), expected) << std::hex << color.ToInt();
        }
}

TEST(MemoryImageFill, RectanglesAreHeldToTheImage)
{
    auto image = MakeImage(3, Pixels(6, 0));
    image->FillRect(Rect(-5, 1, 7, 100), Color(1, 1, 1), 0), image->ClearRect(Rect(1, -4, 90, 6));
    EXPECT_EQ(PixelsOf(*image), (Pixels{0, 0, 0, 0xFF010101, 0, 0}));
    EXPECT_EQ(image->GetBits()[6], Vorn::kMemoryImageGuardWord);
}

// Each coverage byte gives the weight floor(alpha * (byte + 1) / 256); the
// byte of pixel (x, y) lies (y - map y) rows and (x - map x) columns into the
// map. Spans on several rows, a map placed off the image's corner.
TEST(MemoryImageCoverage, EveryPixelTakesItsOwnBytesWeight)
{
    constexpr int kWidth = 24, kHeight = 6;
    const int mapX = 2, mapY = 1, mapWidth = 20, mapHeight = 4;
    std::vector<uint8_t> coverage(static_cast<size_t>(mapWidth * mapHeight));
    for (size_t i = 0; i < coverage.size(); ++i)
        coverage[i] = static_cast<uint8_t>(i * 67 % 256 == 1 ? 0 : i * 67 % 256);
    coverage[5] = 255, coverage[6] = 0, coverage[7] = 1;
    const Vorn::Span spans[] = {{1, 2, 20}, {2, 5, 9}, {4, 3, 16}, {3, 21, 1}};
    const Pixels dest = Reference::SamplePixels(kWidth * kHeight, 31);
    for (const uint32_t alpha : {255u, 254u, 128u, 1u, 0u}) {
        const Color color(0x5A, 0xC3, 0x0F, static_cast<int>(alpha));
        auto image = MakeImage(kWidth, dest);
        image->FillSpansWithCoverage(spans, 4, color, 1, coverage.data(), mapX, mapY, mapWidth, mapHeight);
        Pixels expected = dest;
        for (const Vorn::Span& span : spans)
            for (int x = span.mX; x < span.mX + span.mWidth; ++x) {
                const uint32_t cov = coverage[static_cast<size_t>((span.mY - mapY) * mapWidth + x - mapX)];
                const uint32_t weight = alpha * (cov + 1) / 256;
                uint32_t& d = expected[static_cast<size_t>(span.mY * kWidth + x)];
                if (weight > 0)
                    d = Reference::Over(d, color.ToInt(), weight);
            }
        ASSERT_EQ(PixelsOf(*image), expected) << alpha;
    }
}

// Spans and maps that do not fit: no coverage, a map of no width, spans on
// rows outside the image or the map, spans past the count. Nothing outside
// is written; an alpha outside 0..255 counts as the nearest end.
TEST(MemoryImageCoverage, WritesNothingOutsideTheImageTheMapOrTheCount)
{
    const Pixels dest(12, 0xFF000000);
    const std::vector<uint8_t> map(12, 255);
    const Vorn::Span spans[] = {{1, 0, 4}, {2, 1, 2}, {-1, 0, 4}, {3, 0, 4}};
    Pixels row1 = dest, first = dest;
    for (size_t i = 4; i < 8; ++i)
        row1[i] = 0xFFFE0000;
    first[4] = 0xFFFE0000;
    const struct { const uint8_t* coverage; int mapWidth, mapHeight, count; int alpha; Pixels expected; } cases[] = {
        {nullptr, 4, 3, 4, 255, dest}, {map.data(), 0, 3, 4, 255, dest}, {map.data(), -4, 3, 4, 255, dest},
        {map.data(), 4, 3, 4, 0, dest}, {map.data(), 4, 3, 4, -20, dest}, {map.data(), 4, 3, 1, 255, row1},
        {map.data(), 1, 3, 4, 255, first}, {map.data(), 4, 1, 4, 300, row1}};
    for (const auto& c : cases) {
        auto image = MakeImage(4, dest);
        image->FillSpansWithCoverage(spans, c.count, Color(255, 0, 0, c.alpha), 0, c.coverage, 0, 1, c.mapWidth,
            c.mapHeight);
        EXPECT_EQ(PixelsOf(*image), c.expected) << c.mapWidth << " " << c.count << " " << c.alpha;
        EXPECT_EQ(image->GetBits()[12], Vorn::kMemoryImageGuardWord);
    }
}

// A fill's alpha outside 0..255 counts as the nearest end: below it leaves
// the pixels, above it blends with the weight 255.
TEST(MemoryImageFill, AnAlphaOutsideItsRangeCountsAsTheNearestEnd)
{
    for (const auto& [alpha, expected] : {std::pair{-1, 0x80102030u}, {256, Reference::Over(0x80102030, 0xFFC0B0A0, 255)},
             {1000, Reference::Over(0x80102030, 0xFFC0B0A0, 255)}}) {
        auto image = MakeImage(1, {0x80102030});
        image->FillRect(Rect(0, 0, 1, 1), Color(0xC0, 0xB0, 0xA0, alpha), 0);
        EXPECT_EQ(PixelsOf(*image)[0], expected) << alpha;
    }
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
