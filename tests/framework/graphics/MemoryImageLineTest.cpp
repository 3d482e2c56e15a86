#include "framework/graphics/MemoryImage.h"

#include "ArgbReference.h"
#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

using Testing::PixelsOf;
using Vorn::Color;
using Vorn::MemoryImage;
using Pixels = std::vector<uint32_t>;

constexpr uint32_t kBlack = 0xFF000000;
constexpr double kLineNaN = std::numeric_limits<double>::quiet_NaN();

// The pixels of a black 12 x 6 image that a line changed, as "x,y".
std::vector<std::string> Touched(MemoryImage& image)
{
    std::vector<std::string> touched;
    const std::vector<uint32_t> pixels = PixelsOf(image);
    for (size_t i = 0; i < pixels.size(); ++i)
        if (pixels[i] != kBlack)
            touched.push_back(std::to_string(i % 12) + "," + std::to_string(i / 12));
    return touched;
}

std::unique_ptr<MemoryImage> Black() { return Testing::MakeImage(12, std::vector<uint32_t>(72, kBlack)); }

TEST(MemoryImageLine, SlantedLineRunsFromItsStartPixelToItsEndColumn)
{
    auto image = Black();
    image->DrawLine(0.5, 0.5, 10.5, 3.5, Color::White, 0);
    const std::vector<std::string> touched = Touched(*image);
    EXPECT_EQ(touched.size() == 11 ? touched.front() + " " + touched.back() : "", "0,0 10,3");
    EXPECT_EQ(image->GetBits()[0], 0xFFFEFEFEu);
    auto additive = Testing::MakeImage(3, {0xFF808080, 0x00C0C0C0, 0, 0, 0, 0, 0, 0, 0});
    additive->DrawLine(0, 0, 1, 1, Color(128, 64, 255, 255), 1);
    additive->DrawLine(0, 2, 2, 2, Color(10, 20, 30, 128), 1);
    EXPECT_EQ(additive->GetBits()[0], 0xFFFFC0FFu) << "additive saturates";
    EXPECT_EQ(additive->GetBits()[6], 0x8009131Du) << "a straight line fills normally over transparent black";
}

int Trunc(double v) { return static_cast<int>(v); }

// The pixels a stepped line writes, in order: the start pixel, then one per
// major step while the decision value allows, ending early where a minor
// step would leave the end points' bounding box.
std::vector<std::pair<int, int>> SteppedPixels(double x1, double y1, double x2, double y2)
{
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    double sMaj = xMajor ? x1 : y1, sMin = xMajor ? y1 : x1, eMaj = xMajor ? x2 : y2, eMin = xMajor ? y2 : x2;
    if (eMaj < sMaj)
        std::swap(sMaj, eMaj), std::swap(sMin, eMin);
    const double dMaj = std::fabs(eMaj - sMaj), dMin = std::fabs(eMin - sMin);
    const int step = eMin < sMin ? -1 : 1;
    const auto at = [xMajor](int major, int minor) {
        return xMajor ? std::pair{major, minor} : std::pair{minor, major};
    };
    int minor = Trunc(sMin);
    std::vector<std::pair<int, int>> pixels{at(Trunc(sMaj), minor)};
    const int incrE = Trunc(2 * dMin), incrNE = Trunc(2 * (dMin - dMaj));
    int d = Trunc((sMin - minor) * incrE + Trunc(2 * dMin - dMaj));
    for (int m = Trunc(sMaj) + 1; m <= eMaj; ++m) {
        if (d > 0) {
            minor += step;
            const auto [px, py] = at(m, minor);
            if (px < std::min(x1, x2) || px > std::max(x1, x2) || py < std::min(y1, y2) || py > std::max(y1, y2))
                break;
            d += incrNE;
        } else {
            d += incrE;
        }
        pixels.push_back(at(m, minor));
    }
    return pixels;
}

// The worked examples of the stepping: (0,0)-(4,2) along x, and a line
// whose step down at x = 3 would leave its bounding box.
TEST(MemoryImageLine, StepsThroughTheWorkedExamples)
{
    using Path = std::vector<std::pair<int, int>>;
    EXPECT_EQ(SteppedPixels(0, 0, 4, 2), (Path{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(SteppedPixels(0, 2.5, 4, 1.8), (Path{{0, 2}, {1, 2}, {2, 2}}));
    for (const auto& [line, path] : {std::pair{std::array{0.0, 0.0, 4.0, 2.0}, Path{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
             std::pair{std::array{0.0, 2.5, 4.0, 1.8}, Path{{0, 2}, {1, 2}, {2, 2}}},
             std::pair{std::array{4.0, 2.0, 0.0, 0.0}, Path{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
             std::pair{std::array{1.0, 1.0, 4.0, 4.0}, Path{{1, 1}, {2, 2}, {3, 3}, {4, 4}}}}) {
        auto image = Black();
        image->DrawLine(line[0], line[1], line[2], line[3], Color::White, 0);
        std::vector<std::string> expected;
        for (const auto& [x, y] : path)
            expected.push_back(std::to_string(x) + "," + std::to_string(y));
        std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
            const auto split = [](const std::string& t) {
                const size_t comma = t.find(',');
                return std::pair{std::stoi(t.substr(comma + 1)), std::stoi(t.substr(0, comma))};
            };
            return split(a) < split(b);
        });
        EXPECT_EQ(Touched(*image), expected) << line[0] << "," << line[1] << "-" << line[2] << "," << line[3];
    }
}

// Lines in every direction, steep and shallow, with fractional ends, in
// both modes and several colours: exactly the stepped pixels change, each
// to its formula.
TEST(MemoryImageLine, EveryWrittenPixelGetsItsFormula)
{
    constexpr int kWidth = 12, kHeight = 6;
    const std::array<double, 4> lines[] = {{0.5, 0.5, 10.5, 3.5}, {10.5, 3.5, 0.5, 0.5}, {0.2, 5.7, 11.9, 0.1},
        {3.7, 0.2, 5.9, 5.8}, {8.9, 5.1, 6.2, 0.3}, {1, 4, 9, 1}, {0, 0, 5, 5}, {5, 5, 0, 0}, {11.5, 0.5, 0.5, 5.5},
        {2.25, 1.75, 9.5, 2.5}, {6.6, 0.4, 5.1, 5.9}, {0.9, 0.9, 11.1, 1.1}};
    // Blue 127 and alpha 254 are where the roundings of the colour terms
    // part from their neighbours, as are channel times alpha one short of
    // half a step (127 x 1, 255 x 129); a full channel of no alpha adds
    // nothing.
    const Color colours[] = {Color::White, Color(255, 128, 0), Color(1, 128, 129, 200), Color(200, 100, 50, 1),
        Color(77, 0, 255, 128), Color(10, 20, 127), Color(255, 254, 253, 254), Color(255, 255, 255, 0),
        Color(127, 127, 127, 1), Color(255, 255, 255, 129)};
    const Pixels dest = Reference::SamplePixels(kWidth * kHeight, 41);
    for (const auto& l : lines)
        for (const Color& color : colours)
            for (const int mode : {0, 1}) {
                auto image = Testing::MakeImage(kWidth, dest);
                image->DrawLine(l[0], l[1], l[2], l[3], color, mode);
                Pixels expected = dest;
                for (const auto& [x, y] : SteppedPixels(l[0], l[1], l[2], l[3])) {
                    uint32_t& d = expected[static_cast<size_t>(y * kWidth + x)];
                    d = Reference::LinePixel(d, color, mode);
                }
                ASSERT_EQ(PixelsOf(*image), expected)
                    << l[0] << "," << l[1] << "-" << l[2] << "," << l[3] << " #" << std::hex << color.ToInt() << " m"
                    << mode;
            }
}

// Straight lines are rectangle fills in either mode, from the truncated
// ends: (10.7, 2) to (3.2, 2) fills columns 3 to 10.
TEST(MemoryImageLine, StraightLinesFillTheirTruncatedSpanInEitherMode)
{
    const Color color(10, 20, 30, 128);
    for (const int mode : {0, 1}) {
        auto image = Black();
        image->DrawLine(10.7, 2.0, 3.2, 2.0, color, mode);
        image->DrawLine(1.9, 5.5, 1.9, 0.6, color, mode);
        image->DrawSmoothLine(11.0, 1.0, 0.0, 1.0, Color::White, mode);
        Pixels expected(72, kBlack);
        for (int x = 3; x <= 10; ++x)
            expected[static_cast<size_t>(24 + x)] = Reference::Over(kBlack, color.ToInt(), 128);
        for (int y = 0; y <= 5; ++y)
            expected[static_cast<size_t>(y * 12 + 1)] = Reference::Over(kBlack, color.ToInt(), 128);
        for (int x = 0; x <= 11; ++x)
            expected[static_cast<size_t>(12 + x)] = 0xFFFFFFFF;
        EXPECT_EQ(PixelsOf(*image), expected) << mode;
    }
}

TEST(MemoryImageLine, NonFiniteHugeOrOtherModeLinesDrawNothing)
{
    const struct { double x1, y1, x2, y2; int lineMode, smoothMode; } lines[] = {{kLineNaN, 0, 5, 5, 0, 0},
        {0, 0, 5, kLineNaN, 0, 0}, {1e300, 0, 5, 5, 0, 0}, {0, 0, 5, 3, 2, 1}, {0, 0, 5, 3, 2, 2}};
    for (const auto& l : lines) {
        auto image = Black();
        image->DrawLine(l.x1, l.y1, l.x2, l.y2, Color::White, l.lineMode);
        image->DrawSmoothLine(l.x1, l.y1, l.x2, l.y2, Color::White, l.smoothMode);
        EXPECT_TRUE(Touched(*image).empty()) << l.x1 << "," << l.y1 << "-" << l.x2 << "," << l.y2;
    }
}

// The anti-aliased line in the manner of Wu, over a destination: it runs
// downward by its float ends and steps across in the direction of their
// difference; a 16.16 error from the start's fractional parts; one pixel per
// major step, kept within the integer ends, shared with its neighbour across
// the line wherever that lies in the image; the weights scaled by the
// colour's alpha.
Pixels WuLine(Pixels pixels, int width, double x1, double y1, double x2, double y2, const Color& color)
{
    const int height = static_cast<int>(pixels.size()) / width;
    const auto a = static_cast<uint32_t>(color.mAlpha);
    const auto blend = [&](int x, int y, uint32_t v) {
        const uint32_t weight = a < 255 ? v * (a + 1) / 256 : v;
        if (weight > 0 && x >= 0 && y >= 0 && x < width && y < height) {
            uint32_t& d = pixels[static_cast<size_t>(y * width + x)];
            d = Reference::Over(d, color.ToInt(), weight);
        }
    };
    if (y1 > y2)
        std::swap(x1, x2), std::swap(y1, y2);
    const int xs = Trunc(x1), ys = Trunc(y1), xe = Trunc(x2), ye = Trunc(y2);
    const int dir = x2 < x1 ? -1 : 1;
    const int dx = (xe - xs) * dir;
    const int dy = ye - ys;
    const double fdx = (x2 - x1) * dir;
    const double fdy = y2 - y1;
    int64_t e = static_cast<int64_t>(std::fabs(x1 - xs) * std::fabs(y1 - ys) * 65536);
    const auto v = [&e] { return static_cast<uint32_t>(255 - ((e >> 8) & 0xFF)); };
    blend(xs, ys, v());
    int x = xs, y = ys;
    if (dx < dy) {
        for (int i = 0; i < dy - 1; ++i) {
            e += Trunc(65536 * fdx / fdy);
            if (e > 0xFFFF)
                e &= 0xFFFF, x = x == xe ? x : x + dir;
            ++y;
            blend(x, y, v());
            blend(x + dir, y, 255 - v());
        }
    } else {
        for (int i = 0; i < dx - 1; ++i) {
            e += Trunc(65536 * fdy / fdx);
            if (e > 0xFFFF)
                e &= 0xFFFF, y = y == ye ? y : y + 1;
            x += dir;
            blend(x, y, v());
            blend(x, y + 1, 255 - v());
        }
    }
    blend(xe, ye, v());
    return pixels;
}

TEST(MemoryImageSmoothLine, EveryPixelTakesItsShareOfTheColour)
{
    constexpr int kWidth = 12;
    const std::array<double, 4> lines[] = {{0.5, 0.5, 10.5, 3.5}, {10.5, 3.5, 0.5, 0.5}, {0.2, 5.7, 11.9, 0.1},
        {3.7, 0.2, 5.9, 5.8}, {8.9, 5.1, 6.2, 0.3}, {1, 4, 9, 1}, {0, 0, 5, 5}, {11.5, 0.5, 0.5, 5.5},
        {2.25, 1.75, 9.5, 2.5}, {6.6, 0.4, 5.1, 5.9}, {0.9, 0.9, 11.1, 1.1}, {3.3, 2.6, 3.9, 5.2},
        {10.75, 0.25, 11.5, 4.5}, {0.5, 4.5, 11.5, 5.5}, {0, 0, 6, 2}, {1, 1, 7, 3},
        // Leaving the last column to the left: its neighbour lies inside.
        {11.5, 0.5, 10.2, 5.5},
        // Ends whose float and integer differences disagree: one column
        // stepping left, one row running upward.
        {5.9, 0.5, 5.1, 5.5}, {1.5, 2.7, 9.5, 2.2},
        // Fractional parts multiplying to just under one half: 127 in the
        // error's top byte.
        {2.5, 1.99999, 9.5, 4.5}};
    const Color colours[] = {Color::White, Color(255, 128, 0), Color(1, 128, 129, 200), Color(200, 100, 50, 1),
        Color(77, 0, 255, 254)};
    const Pixels dest = Reference::SamplePixels(kWidth * 6, 43);
    for (const auto& l : lines)
        for (const Color& color : colours) {
            auto image = Testing::MakeImage(kWidth, dest);
            image->DrawSmoothLine(l[0], l[1], l[2], l[3], color, 0);
            ASSERT_EQ(PixelsOf(*image), WuLine(dest, kWidth, l[0], l[1], l[2], l[3], color))
                << l[0] << "," << l[1] << "-" << l[2] << "," << l[3] << " #" << std::hex << color.ToInt();
        }
}

// A line of slope 1/3 takes the error to exactly 0xFFFF, which does not yet
// step down a row.
TEST(MemoryImageSmoothLine, WorkedEdgesOfTheError)
{
    auto image = Testing::MakeImage(12, std::vector<uint32_t>(72, kBlack));
    image->DrawSmoothLine(0, 0, 6, 2, Color::White, 0);
    // At x = 3 the error is 0xFFFF: the line pixel weighs 0 and stays, the
    // one below takes it all.
    EXPECT_EQ(Touched(*image), (std::vector<std::string>{"0,0", "1,0", "2,0", "1,1", "2,1", "3,1", "4,1", "5,1",
                                   "4,2", "5,2", "6,2"}));
    EXPECT_EQ(image->GetBits()[3], kBlack);
    EXPECT_EQ(image->GetBits()[12 + 3], 0xFFFEFEFEu);
}

// The step is taken only when the loop runs: between adjacent rows or
// columns its quotient overflows.
TEST(MemoryImageSmoothLine, EndsInAdjacentRowsDrawOnlyTheEndPixelsAndNothingIsWrittenOutside)
{
    auto image = Black();
    image->DrawSmoothLine(0.1, 2.9999999999, 0.9, 3.0, Color::White, 0);
    image->DrawSmoothLine(5.0, 1.0, 5.0000001, 1.5, Color::White, 0);
    EXPECT_EQ(Touched(*image), (std::vector<std::string>{"5,1", "0,2", "0,3"}));
    image->DrawSmoothLine(-20.5, -3.5, 40.5, 30.5, Color(255, 255, 255, 100), 0);
    image->DrawLine(-20.5, -3.5, 40.5, 30.5, Color::White, 0);
    // Through the first column below the last row.
    image->DrawLine(0.5, 4.5, 0.9, 9.5, Color::White, 0);
    image->DrawSmoothLine(0.5, 4.5, 0.9, 9.5, Color::White, 0);
    EXPECT_EQ(image->GetBits()[72], Vorn::kMemoryImageGuardWord);
}

} // namespace
