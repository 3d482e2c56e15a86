#include "framework/display/DDImage.h"

#include "SurfaceReference.h"
#include "fakes/SurfaceDisplayApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Platform::PixelFormat;
using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

// The display's formats, the blue-first orders, and a 16-bit layout that is
// neither 5-6-5 nor 5-5-5.
const PixelFormat kFillFormats[] = {Platform::kFormatX8R8G8B8, Platform::kFormatR5G6B5, Platform::kFormatX1R5G5B5,
    Platform::kFormatX8B8G8R8, Platform::kFormatB5G6R5, PixelFormat{16, 0x0F00, 0x00F0, 0x000F}};

constexpr int kWidth = 20, kHeight = 6;

// A destination on the surface road, its surface holding pixels of every
// channel value and (at 32 bits) any top byte.
struct FillSurface {
    explicit FillSurface(const PixelFormat& format) : app(format, kWidth, kHeight), f(format)
    {
        under = Reference::SamplePixels(kWidth * kHeight, 71);
        for (uint32_t& p : under)
            p = f.Store(p);
    }
    std::unique_ptr<Vorn::DDImage> Fresh()
    {
        auto image = app.MakeImage(kWidth, Pixels(kWidth * kHeight, 0xFF000000));
        EXPECT_NE(image->GetSurface(), nullptr);
        SurfacePixels(*image->mSurface, under);
        return image;
    }
    SurfaceDisplayApp app;
    SurfaceReference::Format f;
    Pixels under;
};

// 43 x 3 + 127 and 15 x 128 + 128 land on whole multiples of 256, where the
// roundings of the translucent fills part from their neighbours.
const Color kColours[] = {Color(255, 255, 255), Color(0, 0, 0), Color(255, 0, 128), Color(1, 128, 254),
    Color(255, 255, 255, 254), Color(200, 100, 50, 128), Color(255, 128, 0, 1), Color(3, 250, 127, 0),
    Color(127, 129, 255, 77), Color(255, 255, 255, 128), Color(43, 129, 1, 3), Color(15, 15, 15, 128)};

// Both modes in every format: each pixel of the rectangle gets the fill's
// formula, the others stay; the memory forms go.
TEST(SurfaceFill, EveryPixelOfTheRectangleGetsTheFormula)
{
    const Rect rect(2, 1, 15, 4);
    for (const PixelFormat& format : kFillFormats) {
        FillSurface surface(format);
        for (const Color& color : kColours)
            for (const int mode : {0, 1, 2}) {
                auto image = surface.Fresh();
                image->FillRect(rect, color, mode);
                Pixels expected = surface.under;
                for (int y = rect.mY; y < rect.mY + rect.mHeight; ++y)
                    for (int x = rect.mX; x < rect.mX + rect.mWidth; ++x) {
                        uint32_t& d = expected[static_cast<size_t>(y * kWidth + x)];
                        if (mode == 0)
                            d = SurfaceReference::FillNormal(surface.f, d, color);
                        else if (mode == 1)
                            d = SurfaceReference::FillAdditive(surface.f, d, color);
                    }
                ASSERT_EQ(SurfacePixels(*image->mSurface), expected)
                    << format.bitsPerPixel << "/" << std::hex << format.redMask << " #" << color.ToInt() << std::dec
                    << " mode " << mode;
                EXPECT_TRUE(image->mBits == nullptr && image->mLockCount == 0);
            }
    }
}

// Worked values: an opaque white fill is all 16 bits at 5-6-5 and 254 per
// channel at 32 bits; half red over blue at 5-6-5 writes red 15 and keeps
// blue 15.
TEST(SurfaceFill, WorkedValues)
{
    const SurfaceReference::Format f565(Platform::kFormatR5G6B5), f32(Platform::kFormatX8R8G8B8);
    EXPECT_EQ(SurfaceReference::FillNormal(f565, 0, Color::White), 0xFFFFu);
    EXPECT_EQ(SurfaceReference::FillNormal(f32, 0, Color::White), 0xFEFEFEu);
    EXPECT_EQ(SurfaceReference::FillNormal(f565, 0x001F, Color(255, 0, 0, 128)), 0x780Fu);
}

// Each byte weighs the colour by ((byte + 1) * alpha) >> 8; the byte of
// pixel (x, y) lies (y - map y) rows and (x - map x) columns into the map.
TEST(SurfaceCoverage, EveryPixelTakesItsOwnBytesWeight)
{
    const int mapX = 1, mapY = 1, mapWidth = 18, mapHeight = 4;
    std::vector<uint8_t> coverage(static_cast<size_t>(mapWidth * mapHeight));
    for (size_t i = 0; i < coverage.size(); ++i)
        coverage[i] = static_cast<uint8_t>(i * 67 % 256);
    coverage[3] = 255, coverage[4] = 0, coverage[5] = 254;
    const Vorn::Span spans[] = {{1, 1, 18}, {2, 4, 9}, {4, 3, 14}, {3, 18, 1}};
    for (const PixelFormat& format : kFillFormats) {
        FillSurface surface(format);
        for (const Color& color : {Color(255, 128, 0), Color(0x5A, 0xC3, 0x0F, 200), Color(255, 255, 255, 1)}) {
            auto image = surface.Fresh();
            image->FillSpansWithCoverage(spans, 4, color, 1, coverage.data(), mapX, mapY, mapWidth, mapHeight);
            Pixels expected = surface.under;
            for (const Vorn::Span& span : spans)
                for (int x = span.mX; x < span.mX + span.mWidth; ++x) {
                    uint32_t& d = expected[static_cast<size_t>(span.mY * kWidth + x)];
                    d = SurfaceReference::Coverage(surface.f, d, color,
                        coverage[static_cast<size_t>((span.mY - mapY) * mapWidth + x - mapX)]);
                }
            ASSERT_EQ(SurfacePixels(*image->mSurface), expected)
                << format.bitsPerPixel << "/" << std::hex << format.redMask << " #" << color.ToInt();
        }
    }
}

// Without surface drawing nothing is filled, in either mode or by coverage.
TEST(SurfaceFill, NoSurfaceDrawingFillsNothing)
{
    FillSurface surface(Platform::kFormatX8R8G8B8);
    auto image = surface.Fresh();
    image->mNoLock = true;
    const std::vector<uint8_t> coverage(kWidth * kHeight, 255);
    const Vorn::Span span{1, 0, kWidth};
    for (const int mode : {0, 1}) {
        image->FillRect(Rect(0, 0, kWidth, kHeight), Color(255, 0, 0), mode);
        image->FillSpansWithCoverage(&span, 1, Color(255, 0, 0), mode, coverage.data(), 0, 0, kWidth, kHeight);
    }
    image->mNoLock = false;
    EXPECT_EQ(SurfacePixels(*image->mSurface), surface.under);
    EXPECT_EQ(image->mLockCount, 0);
}

// Spans past the count, on the row below the map (the bytes there belong to
// someone else) or below the image (here on a surface taller than the
// image) are not filled.
TEST(SurfaceCoverage, FillsNoSpanPastTheCountTheMapOrTheImage)
{
    FillSurface surface(Platform::kFormatX8R8G8B8);
    auto image = surface.Fresh();
    image->mHeight = kHeight - 1;
    const std::vector<uint8_t> bytes(kWidth * kHeight, 255);
    const Vorn::Span spans[] = {{1, 0, 4}, {3, 0, 4}, {kHeight - 1, 0, 4}, {2, 0, 4}};
    image->FillSpansWithCoverage(spans, 3, Color(0, 0, 0), 0, bytes.data(), 0, 1, kWidth, 2);
    Pixels expected = surface.under;
    for (int x = 0; x < 4; ++x) {
        uint32_t& d = expected[static_cast<size_t>(kWidth + x)];
        d = SurfaceReference::Coverage(surface.f, d, Color(0, 0, 0), 255);
    }
    EXPECT_EQ(SurfacePixels(*image->mSurface), expected);
}

// A rectangle or span reaching outside the surface writes only the part
// inside it; a map that does not cover a pixel leaves it.
TEST(SurfaceFill, RectanglesAndSpansAreHeldToTheSurface)
{
    FillSurface surface(Platform::kFormatR5G6B5);
    auto image = surface.Fresh();
    image->FillRect(Rect(-3, -2, 5, 4), Color::White, 0);
    image->FillRect(Rect(18, 5, 10, 10), Color::White, 1);
    const std::vector<uint8_t> coverage(8, 255);
    const Vorn::Span spans[] = {{-1, 0, 4}, {6, 0, 4}, {3, -2, 4}, {3, 18, 5}, {2, 5, 4}};
    image->FillSpansWithCoverage(spans, 5, Color(0, 0, 0), 0, coverage.data(), 0, 2, 4, 2);
    Pixels expected = surface.under;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            expected[static_cast<size_t>(y * kWidth + x)] = 0xFFFF;
    for (int x = 18; x < 20; ++x)
        expected[static_cast<size_t>(5 * kWidth + x)] =
            SurfaceReference::FillAdditive(surface.f, surface.under[static_cast<size_t>(5 * kWidth + x)], Color::White);
    for (int x = 0; x < 2; ++x) {
        uint32_t& d = expected[static_cast<size_t>(3 * kWidth + x)];
        d = SurfaceReference::Coverage(surface.f, d, Color(0, 0, 0), 255);
    }
    EXPECT_EQ(SurfacePixels(*image->mSurface), expected);
}

} // namespace
