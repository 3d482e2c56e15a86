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

class PresentFrame : public testing::TestWithParam<int> {};

// A frame drawn through the drawing context reaches a real window on an X
// server pixel for pixel, and the window's close button ends the program.
TEST_P(PresentFrame, ShowsTheDrawnFrameInARealWindowAndEndsOnClose)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    const int bits = GetParam();
    Testing::TempDir dir;
    const std::string script = std::string("\"") + PRESENT_FRAME + "\" " + std::to_string(bits) +
                               " >frame.log 2>&1 & P=$!\n"
                               "X=\"" XPROBE "\"\n"
                               "\"$X\" wait 'Zarquel frame' 20 &&\n"
                               "  for i in $(seq 200); do grep -q 'Frame presented' frame.log && break; sleep 0.05; done &&\n"
                               "  \"$X\" shot 'Zarquel frame' shot.ppm\n"
                               "\"$X\" close 'Zarquel frame' || kill $P\n"
                               "wait $P; echo $? >code\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 60));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "frame.log");
    const Testing::Screenshot shot = Testing::ReadScreenshot(dir / "shot.ppm");
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    for (const FramePoint& point : kPoints)
        EXPECT_EQ(shot.At(point.x, point.y), bits == 32 ? point.rgb32 : point.rgb16)
            << "at " << point.x << ", " << point.y;
}

INSTANTIATE_TEST_SUITE_P(Depths, PresentFrame, testing::Values(32, 16),
    [](const auto& info) { return std::to_string(info.param) + "Bits"; });

} // namespace
