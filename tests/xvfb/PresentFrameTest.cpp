#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace {

struct FramePoint {
    int x;
    int y;
    uint32_t rgb32;
    uint32_t rgb16;
};

// Opaque fills reach 254 per channel at 32 bits and the top of each field at
// 5-6-5; red at alpha 128 over blue halves both; the present step widens
// 5-6-5 by repeating each field's top bits. The sprite's transparent half
// leaves the white under it.
constexpr FramePoint kPoints[] = {
    {10, 10, 0x000000, 0x000000},   // background
    {100, 100, 0xFE0000, 0xFF0000}, // red fill
    {310, 60, 0x0000FE, 0x0000FF},  // blue fill
    {400, 125, 0x7F007F, 0x7B007B}, // translucent red over blue
    {560, 60, 0xFEFEFE, 0xFFFFFF},  // white fill
    {605, 90, 0xFEFEFE, 0xFFFFFF},  // sprite, transparent half
    {625, 100, 0x00FF00, 0x00FF00}, // sprite, opaque half
};

// Runs present_frame with the arguments in a real window on a screen of
// `width` x `height` and takes its screenshot, as large as the window shows
// it; false (with a test failure) when it did not end cleanly.
bool ShowFrame(const std::string& arguments, Testing::Screenshot& shot, int width = 800, int height = 600)
{
    Testing::TempDir dir;
    const std::string script = std::string("\"") + PRESENT_FRAME + "\" " + arguments +
                               " >frame.log 2>&1 & P=$!\n"
                               "X=\"" XPROBE "\"\n"
                               "\"$X\" wait 'Zarquel frame' 20 &&\n"
                               "  for i in $(seq 200); do grep -q 'Frame presented' frame.log && break; sleep 0.05; done &&\n"
                               "  \"$X\" shot 'Zarquel frame' shot.ppm\n"
                               "\"$X\" close 'Zarquel frame' || kill $P\n"
                               "wait $P; echo $? >code\n";
    const std::string screen = width == 800 ? "1024x768x24" : std::to_string(width) + "x" + std::to_string(height) + "x24";
    EXPECT_TRUE(Testing::RunUnderXvfb(dir, script, 60, screen));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "frame.log");
    shot = Testing::ReadScreenshot(dir / "shot.ppm");
    EXPECT_EQ(shot.width, width);
    EXPECT_EQ(shot.height, height);
    return !testing::Test::HasFailure();
}

class PresentFrame : public testing::TestWithParam<int> {};

// A frame drawn through the drawing context reaches a real window on an X
// server pixel for pixel, and the window's close button ends the program.
TEST_P(PresentFrame, ShowsTheDrawnFrameInARealWindowAndEndsOnClose)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    const int bits = GetParam();
    Testing::Screenshot shot;
    ASSERT_TRUE(ShowFrame(std::to_string(bits), shot));
    for (const FramePoint& point : kPoints)
        EXPECT_EQ(shot.At(point.x, point.y), bits == 32 ? point.rgb32 : point.rgb16)
            << "at " << point.x << ", " << point.y;
}

INSTANTIATE_TEST_SUITE_P(Depths, PresentFrame, testing::Values(32, 16),
    [](const auto& info) { return std::to_string(info.param) + "Bits"; });

// The quarters of the turned sprites: where each colour lands.
constexpr FramePoint kTurned[] = {
    {108, 308, 0x00FF00, 0}, {124, 308, 0xFFFFFF, 0}, {108, 324, 0xFF0000, 0}, {124, 324, 0x0000FF, 0},
    {216, 316, 0xFF0000, 0}, {248, 316, 0x00FF00, 0}, {216, 348, 0x0000FF, 0}, {248, 348, 0xFFFFFF, 0},
    {334, 316, 0xFFFFFF, 0}, {366, 316, 0x0000FF, 0}, {334, 348, 0x00FF00, 0}, {366, 348, 0xFF0000, 0},
    {100, 400, 0x000000, 0}, {300, 400, 0x000000, 0}};

class TurnedFrame : public testing::TestWithParam<int> {};

// Sprites turned, stretched and drawn through a matrix with the drawing
// context reach a real window each quarter where the turn puts it (within
// the filters' rounding and the depth's precision).
TEST_P(TurnedFrame, ShowsEveryQuarterWhereTheTransformPutsIt)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::Screenshot shot;
    ASSERT_TRUE(ShowFrame(std::to_string(GetParam()) + " turned", shot));
    for (const FramePoint& point : kTurned) {
        const uint32_t got = shot.At(point.x, point.y);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((point.rgb32 >> shift) & 0xFF), 8)
                << "at " << point.x << ", " << point.y << ": " << std::hex << got;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TurnedFrame, testing::Values(32, 16),
    [](const auto& info) { return std::to_string(info.param) + "Bits"; });

class FullScreenFrame : public testing::TestWithParam<int> {};

// A full-screen mode of 800 x 600 fills the height of a 1920 x 1080 desktop,
// 1.8 times, centred between black bars, scaled by area: every 9 x 9 square
// of the one-pixel checkerboard, wherever it lies, covers 5 x 5 of its
// pixels and averages mid-grey (a pixel under each centre would show columns
// one and two pixels wide, squares up to 14 steps off). A fill keeps its
// colour inside.
TEST_P(FullScreenFrame, ScalesTheModeByAreaOntoTheDesktop)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    const int bits = GetParam();
    Testing::Screenshot shot;
    ASSERT_TRUE(ShowFrame(std::to_string(bits) + " full", shot, 1920, 1080));
    for (const auto& [x, y] : {std::pair{10, 10}, {239, 540}, {1680, 540}, {1910, 1070}})
        EXPECT_EQ(shot.At(x, y), 0u) << "bar at " << x << ", " << y;
    EXPECT_EQ(shot.At(240 + 180, 180), bits == 32 ? 0xFE0000u : 0xFF0000u);
    // The board: 300 x 250 frame pixels from (450, 300), on the screen from
    // (240 + 810, 540).
    const int left = 240 + 810, top = 540, width = 540, height = 450;
    double worst = 0;
    for (int y = top; y + 9 <= top + height; ++y)
        for (int x = left; x + 9 <= left + width; ++x) {
            int sum = 0;
            for (int j = 0; j < 9; ++j)
                for (int i = 0; i < 9; ++i)
                    sum += static_cast<int>(shot.At(x + i, y + j) >> 8 & 0xFF);
            worst = std::max(worst, std::abs(sum / 81.0 - 127.5));
        }
    EXPECT_LT(worst, 6.0);
}

INSTANTIATE_TEST_SUITE_P(Depths, FullScreenFrame, testing::Values(32, 16),
    [](const auto& info) { return std::to_string(info.param) + "Bits"; });

} // namespace
