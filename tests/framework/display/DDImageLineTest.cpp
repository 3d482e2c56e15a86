#include "framework/display/DDImage.h"

#include "fakes/DisplayApp.h"
#include "fakes/SurfaceDisplayApp.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace {

using Testing::SurfaceDisplayApp;
using Testing::SurfacePixels;
using Vorn::Color;
using Pixels = std::vector<uint32_t>;
using Points = std::set<std::pair<int, int>>;

struct Screen {
    explicit Screen(const Platform::PixelFormat& format = Platform::kFormatX8R8G8B8, int w = 12, int h = 6)
        : app(format, w, h), image(app.Display().GetScreenImage()), width(w)
    {
        SurfacePixels(*image->mSurface, Pixels(static_cast<size_t>(w * h), 0));
    }
    Points Drawn() const
    {
        Points points;
        const Pixels all = SurfacePixels(*image->mSurface);
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i] != 0)
                points.insert({static_cast<int>(i) % width, static_cast<int>(i) / width});
        return points;
    }
    uint32_t At(int x, int y) const { return SurfacePixels(*image->mSurface)[static_cast<size_t>(y * width + x)]; }
    SurfaceDisplayApp app;
    Vorn::DDImage* image;
    int width;
};

TEST(DDImageLine, StepsThroughThePixelsOfTheRules)
{
    const struct { const char* what; double x0, y0, x1, y1; Points expected; } cases[] = {
        {"horizontal is a fill", 10.7, 5.0, 3.2, 5.0, {{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5}, {10, 5}}},
        {"vertical is a fill", 2.0, 1.0, 2.0, 4.9, {{2, 1}, {2, 2}, {2, 3}, {2, 4}}},
        {"along x", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {"ends where a step leaves the bounding box", 0, 2.5, 4, 1.8, {{0, 2}, {1, 2}, {2, 2}}},
        {"45 degrees runs along y", 1, 1, 4, 4, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"horizontal fills one row", 2.0, 1.0, 4.0, 1.0, {{2, 1}, {3, 1}, {4, 1}}},
        {"a fractional start decides the first steps", 0, 0.5, 4, 3.5, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}}}};
    for (const auto& c : cases)
        for (int mode : {0, 1}) {
            Screen screen;
            screen.image->DrawLine(c.x0, c.y0, c.x1, c.y1, Color::White, mode);
            EXPECT_EQ(screen.Drawn(), c.expected) << c.what << " mode " << mode;
            EXPECT_EQ(screen.image->mLockCount, 0);
        }
}

// Lines round otherwise than fills: opaque white is 30, 62, 30 at 5-6-5
// where a fill writes all ones.
TEST(DDImageLine, PlainLinePixelValues)
{
    Screen narrow(Platform::kFormatR5G6B5);
    narrow.image->DrawLine(0, 0, 4, 2, Color::White, 0);
    EXPECT_EQ(narrow.At(2, 1), 30u << 11 | 62u << 5 | 30u);
    narrow.image->DrawLine(0, 4, 5, 4, Color::White, 0);
    EXPECT_EQ(narrow.At(2, 4), 0xFFFFu);

    Screen wide;
    SurfacePixels(*wide.image->mSurface, Pixels(72, 0x00408020));
    wide.image->DrawLine(0, 0, 4, 2, Color(201, 101, 51, 128), 0);
    // S = (((c * a + 128) >> 8) * M + (M >> 1)) >> 8, kept ((d * 128) + (M >> 1))
    // >> 8: in channel units floor((x + 127.5) / 256) above the lowest byte,
    // floor((x + 127) / 256) in it.
    const auto term = [](uint32_t c, uint32_t d, bool low) {
        const uint32_t half = low ? 254 : 255;
        return ((c * 128 + 128) / 256 * 510 + half) / 512 + (d * 256 + half) / 512;
    };
    EXPECT_EQ(wide.At(1, 0), term(201, 0x40, false) << 16 | term(101, 0x80, false) << 8 | term(51, 0x20, true));
    wide.image->DrawLine(0, 3, 4, 5, Color(255, 255, 255, 0), 1);
    EXPECT_EQ(wide.At(2, 4), 0x00408020u);
    wide.image->DrawLine(0, 3, 4, 5, Color(0, 200, 255, 255), 1);
    EXPECT_EQ(wide.At(2, 4), 0x0040FFFFu);
}

// Without surface drawing the plain lines draw nothing.
TEST(DDImageLine, NoSurfaceDrawingDrawsNoPlainLine)
{
    Screen screen;
    screen.image->mNoLock = true;
    screen.image->DrawLine(0, 0, 4, 2, Color::White, 0);
    screen.image->DrawLine(0, 0, 4, 2, Color::White, 1);
    screen.image->mNoLock = false;
    EXPECT_TRUE(screen.Drawn().empty());
}

// A 45-degree line: weight 255 on it, 0 for the neighbour below, which is
// left as it was; with alpha 128 the weight becomes 255 * 129 >> 8 = 128.
TEST(DDImageLine, SmoothLineWeights)
{
    Screen wide;
    SurfacePixels(*wide.image->mSurface, Pixels(72, 0x00408020));
    wide.image->DrawSmoothLine(1, 1, 4, 4, Color::White, 0);
    // (64 * 1 + 254 * 255) >> 8 = 253, (128 + 254 * 255) >> 8 = 253, (32 + ...) = 253.
    EXPECT_EQ(wide.At(2, 2), 0x00FDFDFDu);
    EXPECT_EQ(wide.At(2, 3), 0x00408020u);
    // A slope of one half: the error alternates, the neighbour below the
    // line takes 128 where the line takes 127.
    Screen slope;
    slope.image->DrawSmoothLine(1, 1, 7, 4, Color::White, 0);
    EXPECT_EQ(slope.At(2, 1), 0x007E7E7Eu);
    EXPECT_EQ(slope.At(2, 2), 0x007F7F7Fu);
    EXPECT_EQ(slope.At(2, 3), 0u);
    EXPECT_EQ(slope.At(3, 2), 0x00FDFDFDu);
    Screen half;
    half.image->DrawSmoothLine(1, 1, 4, 4, Color(255, 255, 255, 128), 0);
    EXPECT_EQ(half.At(2, 2), 0x007F7F7Fu);
    // 5-6-5: Q = 30, 62, 30; (31 * Q) >> 5 = 29, 60, 29; the neighbour's
    // weight (256 - 0) >> 3 = 32 keeps it whole.
    Screen narrow(Platform::kFormatR5G6B5);
    SurfacePixels(*narrow.image->mSurface, Pixels(72, 0x8410));
    narrow.image->DrawSmoothLine(1, 1, 4, 4, Color::White, 0);
    EXPECT_EQ(narrow.At(2, 3), 0x8410u);
    SurfacePixels(*narrow.image->mSurface, Pixels(72, 0));
    narrow.image->DrawSmoothLine(1, 1, 4, 4, Color::White, 0);
    EXPECT_EQ(narrow.At(2, 2), 29u << 11 | 60u << 5 | 29u);
}

TEST(DDImageLine, SmoothLines)
{
    Screen screen;
    screen.image->DrawSmoothLine(1, 1, 4, 4, Color::White, 0);
    // On the line the weight is 255: (0 * 1 + 254 * 255) >> 8 = 253.
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(screen.At(i, i), 0x00FDFDFDu) << i;
    Screen additive;
    additive.image->DrawSmoothLine(1, 1, 4, 3, Color::White, 1);
    EXPECT_TRUE(additive.Drawn().empty());
    // Both integer ends in one pixel: that pixel is blended twice.
    Screen single;
    single.image->DrawSmoothLine(2.2, 2.5, 2.7, 2.9, Color::White, 0);
    EXPECT_EQ(single.Drawn(), (Points{{2, 2}}));
}

// Integer ends on the last row with the float ends apart: the line stays on
// its row (nothing below the image, no wrong row), and a line on the last
// row blends nothing below it.
TEST(DDImageLine, SmoothLineStaysOnItsRowsAndInsideTheImage)
{
    for (const auto& [y0, y1] : {std::pair{5.9, 5.1}, std::pair{5.1, 5.9}, std::pair{5.0, 5.5}}) {
        Screen screen;
        screen.image->DrawSmoothLine(0.5, y0, 9.5, y1, Color::White, 0);
        for (const auto& [x, y] : screen.Drawn())
            EXPECT_EQ(y, 5) << x << " from " << y0;
        EXPECT_FALSE(screen.Drawn().empty());
    }
    Screen steep;
    steep.image->DrawSmoothLine(10.9, 0.2, 10.1, 5.8, Color::White, 0);
    for (const auto& [x, y] : steep.Drawn())
        EXPECT_TRUE(x == 10 || x == 9 || x == 11) << x << "," << y;
}

// Colour-keyed and translucent images draw their lines on their bits.
TEST(DDImageLine, ImagesWithTransparencyDrawOnTheirBits)
{
    Screen screen;
    auto image = screen.app.MakeImage(4, Pixels(16, 0x00000000));
    image->DrawLine(0, 0, 3, 2, Color::White, 0);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(Testing::PixelsOf(*image)[0], 0xFFFEFEFEu);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    screen.image->DrawLine(nan, 0, 3, 2, Color::White, 0);
    screen.image->DrawSmoothLine(0, 1e30, 3, 2, Color::White, 0);
    EXPECT_TRUE(screen.Drawn().empty());
}

} // namespace
