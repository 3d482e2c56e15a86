#include "platform/AtomicFile.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t EntriesIn(const std::string& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNoTemporary)
{
    Testing::TempDir dir;
    dir.WriteFile("save", "an old and longer text");
    const std::string bytes("new\0bytes", 9);
    ASSERT_TRUE(Platform::WriteFileAtomically(dir / "save", bytes));
    EXPECT_EQ(Contents(dir / "save"), bytes);
    ASSERT_TRUE(Platform::WriteFileAtomically(dir / "fresh", "", 0));
    EXPECT_EQ(Contents(dir / "fresh"), "");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileWhole)
{
    Testing::TempDir dir;
    dir.WriteFile("save", "kept");
    // A missing folder makes the temporary file impossible.
    EXPECT_FALSE(Platform::WriteFileAtomically(dir / "missing/save", "x"));
    // A folder in the target's place makes the rename fail after the write.
    std::filesystem::create_directory(dir / "folder");
    dir.WriteFile("folder/inside", "");
    EXPECT_FALSE(Platform::WriteFileAtomically(dir / "folder", "x"));
    EXPECT_EQ(Contents(dir / "save"), "kept");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

} // namespace
