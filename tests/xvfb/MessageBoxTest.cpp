#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A termination request while a message box waits for the player closes the
// box and reaches the program as a close request, as it would without one;
// a box shown before any window (a fatal error at start-up) closes too.
class MessageBox : public testing::TestWithParam<const char*> {};

TEST_P(MessageBox, ATerminationRequestClosesTheBoxAndEndsTheProgram)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = std::string("\"") + BOX_UNTIL_TERM + "\" " + GetParam() + " >box.log 2>&1 & P=$!\n"
                               "X=\"" XPROBE "\"\n"
                               "\"$X\" wait 'Zarquel question' 40 && kill -TERM $P\n"
                               "for i in $(seq 200); do kill -0 $P 2>/dev/null || break; sleep 0.1; done\n"
                               "if kill -0 $P 2>/dev/null; then pkill -9 -P $P; kill -9 $P; echo stuck >code; "
                               "else wait $P; echo $? >code; fi\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 100));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "box.log");
    EXPECT_EQ(Testing::ReadTextFile(dir / "box.log"), "Box closed\n");
}

INSTANTIATE_TEST_SUITE_P(OverAWindowAndAlone, MessageBox, testing::Values("", "alone"));

// The game started with an option it does not know shows the fatal-error
// box; once the box is closed the program ends, and the shell that started
// it learns that it failed.
TEST(FatalErrorBox, AnUnknownOptionShowsTheBoxAndTheProgramEndsAsFailed)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = std::string("\"") + ZARQUEL + "\" -nosuchoption >game.log 2>&1 & P=$!\n"
                               "X=\"" XPROBE "\"\n"
                               "\"$X\" wait 'FATAL ERROR' 40 && echo shown >box && kill -TERM $P\n"
                               "for i in $(seq 200); do kill -0 $P 2>/dev/null || break; sleep 0.1; done\n"
                               "if kill -0 $P 2>/dev/null; then kill -9 $P; echo stuck >code; "
                               "else wait $P; echo $? >code; fi\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 100));
    EXPECT_EQ(Testing::ReadTextFile(dir / "box"), "shown\n");
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "1\n") << Testing::ReadTextFile(dir / "game.log");
}

} // namespace
