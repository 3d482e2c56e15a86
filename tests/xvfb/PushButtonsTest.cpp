#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A fill's components as the 32-bit screen keeps them: c * 255 / 256,
// truncated (opaque white reaches 254).
constexpr uint32_t Shown(uint32_t r, uint32_t g, uint32_t b)
{
    return (r * 255 >> 8) << 16 | (g * 255 >> 8) << 8 | (b * 255 >> 8);
}

constexpr uint32_t kBackground = Shown(0, 0, 128);
constexpr uint32_t kFace = Shown(212, 212, 212);
constexpr uint32_t kHovered = Shown(255, 255, 0);
constexpr uint32_t kLampOff = Shown(255, 0, 0);
constexpr uint32_t kLampOn = Shown(0, 255, 0);
constexpr uint32_t kLight = Shown(255, 255, 255);
constexpr uint32_t kDark = Shown(0, 0, 0);
constexpr uint32_t kShadow = Shown(132, 132, 132);

struct Look {
    const char* shot;
    uint32_t face1;
    uint32_t face2;
    uint32_t lamp1;
    uint32_t lamp2;
    // Button 2's top-left corner and the pixel inside it: light and face
    // when raised, dark and shadow when pressed.
    uint32_t corner2;
    uint32_t inside2;
};

// The script around `steps`: push_buttons started and its first frame
// shown, then the steps, then its window closed; its exit code in "code",
// its reports in run.log.
std::string ButtonsScript(const std::string& steps)
{
    return std::string("P=\"") + PUSH_BUTTONS + "\"\nX=\"" XPROBE "\"\nT='Zarquel buttons'\n"
           "\"$P\" >run.log 2>err.log & Z=$!\n"
           "\"$X\" wait \"$T\" 30 &&\n"
           "  for i in $(seq 300); do grep -q 'Frame drawn' run.log && break; sleep 0.1; done &&\n" +
           steps +
           "\"$X\" close \"$T\" || kill $Z\n"
           "wait $Z; echo $? >code\n";
}

// Real pointer and key events reach the push buttons through the X server,
// the window, the application's message queue and the widget manager: a
// hover shows, a click is reported and lights the lamp, a press dragged off
// before its release is no click, and Ctrl+Alt+D opens the developer keys.
TEST(PushButtons, ReactToRealClicksInAnXWindow)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = ButtonsScript("  sleep 0.3 && \"$X\" shot \"$T\" idle.ppm &&\n"
                                             "  \"$X\" move \"$T\" 150 130 && sleep 0.5 && \"$X\" shot \"$T\" hovered.ppm &&\n"
                                             "  \"$X\" click \"$T\" 150 130 && sleep 0.5 && \"$X\" shot \"$T\" clicked.ppm &&\n"
                                             "  \"$X\" press \"$T\" 450 130 && sleep 0.5 && \"$X\" shot \"$T\" pressed.ppm &&\n"
                                             "  \"$X\" move \"$T\" 700 500 && \"$X\" release \"$T\" 700 500 && sleep 0.5 &&\n"
                                             "  \"$X\" shot \"$T\" dragged.ppm &&\n"
                                             "  \"$X\" key \"$T\" ctrl+alt+d && \"$X\" key \"$T\" F1 && sleep 0.5\n");
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 90));
    const auto read = [&](const std::string& name) { return Testing::ReadTextFile(dir / name); };
    EXPECT_EQ(read("code"), "0\n") << read("err.log");
    EXPECT_EQ(read("run.log"), "Frame drawn\nenter 1\npress 1\ndepress 1\nleave 1\nenter 2\npress 2\nleave 2\n"
                               "debug key 68\ndebug key 112\n");

    const Look looks[] = {
        {"idle.ppm", kFace, kFace, kLampOff, kLampOff, kLight, kFace},
        {"hovered.ppm", kHovered, kFace, kLampOff, kLampOff, kLight, kFace},
        {"clicked.ppm", kHovered, kFace, kLampOn, kLampOff, kLight, kFace},
        {"pressed.ppm", kFace, kHovered, kLampOn, kLampOff, kDark, kShadow},
        {"dragged.ppm", kFace, kFace, kLampOn, kLampOff, kLight, kFace},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.shot);
        const Testing::Screenshot shot = Testing::ReadScreenshot(dir / look.shot);
        ASSERT_EQ(shot.width, 800);
        ASSERT_EQ(shot.height, 600);
        EXPECT_EQ(shot.At(10, 10), kBackground);
        EXPECT_EQ(shot.At(150, 130), look.face1);
        EXPECT_EQ(shot.At(450, 130), look.face2);
        EXPECT_EQ(shot.At(150, 330), look.lamp1);
        EXPECT_EQ(shot.At(450, 330), look.lamp2);
        EXPECT_EQ(shot.At(400, 100), look.corner2);
        EXPECT_EQ(shot.At(401, 101), look.inside2);
    }
}

// Turning back from another program, the player's first click on the
// window both brings it the focus and presses the button under it: the
// click counts, as it does on a window that had the focus all along.
TEST(PushButtons, TheClickThatBringsBackTheFocusIsAClick)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = ButtonsScript("  \"$X\" move \"$T\" 150 130 && sleep 0.5 && \"$X\" blur \"$T\" && sleep 0.5 &&\n"
                                             "  \"$X\" click \"$T\" 150 130 && sleep 0.5 && \"$X\" shot \"$T\" clicked.ppm\n");
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 90));
    const auto read = [&](const std::string& name) { return Testing::ReadTextFile(dir / name); };
    EXPECT_EQ(read("code"), "0\n") << read("err.log");
    EXPECT_EQ(read("run.log"), "Frame drawn\nenter 1\npress 1\ndepress 1\nleave 1\n");
    const Testing::Screenshot shot = Testing::ReadScreenshot(dir / "clicked.ppm");
    ASSERT_EQ(shot.width, 800);
    EXPECT_EQ(shot.At(150, 330), kLampOn);
}

} // namespace
