#include "platform/Process.h"

#include "platform/Clock.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using Platform::StartProgram;

// The started program runs on its own time: poll for at most ten seconds.
template <typename Condition>
bool Eventually(Condition done)
{
    for (int i = 0; i < 2000 && !done(); ++i)
        Platform::SleepMilliseconds(5);
    return done();
}

std::string FileContents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Process, ArgumentsArriveExactlyAsGivenFailuresAreReportedAndChildrenReaped)
{
    for (const char* program : {"", "zarquel-no-such-program", "/"})
        EXPECT_FALSE(StartProgram(program, {"x"})) << program;
    const Testing::TempDir folder;
    const std::string out = folder / "args";
    const std::string tricky = "a b;$(echo no)'\"*";
    // One argument a line, renamed into place once complete.
    ASSERT_TRUE(StartProgram("sh", {"-c", "printf '%s\\n' \"$@\" > \"$0.part\" && mv \"$0.part\" \"$0\"", out,
                                    tricky, "", "end"}));
    ASSERT_TRUE(Eventually([&] { return !FileContents(out).empty(); }));
    EXPECT_EQ(FileContents(out), tricky + "\n\nend\n");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(StartProgram("true", {}));
    // Lists the children not yet reaped, zombies included.
    const std::string children = "/proc/self/task/" + std::to_string(getpid()) + "/children";
    EXPECT_TRUE(Eventually([&] { return FileContents(children).empty(); }));
}

} // namespace
