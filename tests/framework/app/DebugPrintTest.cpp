#include "framework/app/DebugPrint.h"

#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DebugPrint, FormattedTextOfAnyLengthReachesTheOutputWhole)
{
    std::vector<std::string> lines;
    const Platform::DebugSink previous =
        Platform::SetDebugSink([&lines](std::string_view text) { lines.emplace_back(text); });
    const std::string surface(500, 's');
    Vorn::DebugPrint("Mode %dx%d at %d bits\n", 800, 600, 32);
    Vorn::DebugPrint("[%s|%d]", surface.c_str(), 16);
    Platform::SetDebugSink(previous);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Mode 800x600 at 32 bits\n");
    EXPECT_EQ(lines[1], "[" + surface + "|16]");
}

} // namespace
