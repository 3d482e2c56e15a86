#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

using Testing::PixelsOf;
using Vorn::Color;
using Vorn::MemoryImage;

constexpr uint32_t kBlack = 0xFF000000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

TEST(MemoryImageLine, NonFiniteHugeOrOtherModeLinesDrawNothing)
{
    const struct { double x1, y1, x2, y2; int lineMode, smoothMode; } lines[] = {{kNaN, 0, 5, 5, 0, 0},
        {0, 0, 5, kNaN, 0, 0}, {1e300, 0, 5, 5, 0, 0}, {0, 0, 5, 3, 2, 1}, {0, 0, 5, 3, 2, 2}};
    for (const auto& l : lines) {
        auto image = Black();
        image->DrawLine(l.x1, l.y1, l.x2, l.y2, Color::White, l.lineMode);
        image->DrawSmoothLine(l.x1, l.y1, l.x2, l.y2, Color::White, l.smoothMode);
        EXPECT_TRUE(Touched(*image).empty()) << l.x1 << "," << l.y1 << "-" << l.x2 << "," << l.y2;
    }
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
    EXPECT_EQ(image->GetBits()[72], Vorn::kMemoryImageGuardWord);
}

} // namespace
