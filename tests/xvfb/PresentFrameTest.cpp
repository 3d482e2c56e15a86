#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <string>

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

// Runs present_frame with the arguments in a real window and takes its
// screenshot; false (with a test failure) when it did not end cleanly.
bool ShowFrame(const std::string& arguments, Testing::Screenshot& shot)
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
    EXPECT_TRUE(Testing::RunUnderXvfb(dir, script, 60));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "frame.log");
    shot = Testing::ReadScreenshot(dir / "shot.ppm");
    EXPECT_EQ(shot.width, 800);
    EXPECT_EQ(shot.height, 600);
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

} // namespace
