#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The game's test crash on a desktop: the report comes up in its window,
// the window's close button ends it, and the program ends by its fault with
// the report on disk.
TEST(CrashWindow, TheCrashOptionShowsTheReportUntilItIsClosed)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = std::string("ASAN_OPTIONS=handle_segv=0:detect_leaks=0 \"") + ZARQUEL +
                               "\" -crash 2>crash.log & P=$!\n"
                               "X=\"" XPROBE "\"\n"
                               "\"$X\" wait 'Fatal Error!' 30 && sleep 1 && \"$X\" shot 'Fatal Error!' shot.ppm\n"
                               "\"$X\" close 'Fatal Error!' || kill $P\n"
                               "wait $P; echo $? >code\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 90));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "139\n") << Testing::ReadTextFile(dir / "crash.log");
    const std::string report = Testing::ReadTextFile(dir / "crash.txt");
    EXPECT_THAT(report, StartsWith("Exception: Access Violation (code 0xc0000005) at address "));
    EXPECT_THAT(report, HasSubstr("\r\nProduct: Zarquel\r\n"));

    const Testing::Screenshot shot = Testing::ReadScreenshot(dir / "shot.ppm");
    ASSERT_EQ(shot.width, 400);
    ASSERT_EQ(shot.height, 300);
    EXPECT_EQ(shot.At(2, 2), 0xF0F0F0u);
    // The report's border, its scroll bar's up arrow, and the wide button's
    // frame with its face.
    EXPECT_EQ(shot.At(8, 150), 0x000000u);
    EXPECT_EQ(shot.At(391, 150), 0x000000u);
    EXPECT_EQ(shot.At(383, 100), 0x000000u);
    EXPECT_EQ(shot.At(8, 280), 0x000000u);
    EXPECT_EQ(shot.At(391, 280), 0x000000u);
    EXPECT_EQ(shot.At(20, 280), 0xF0F0F0u);
}

} // namespace
