#include "framework/app/FileUtils.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace Vorn;
using Testing::TempDir;
namespace fs = std::filesystem;

TEST(FileExists, FindsFilesAndFoldersByTheFrameworksNames)
{
    TempDir dir;
    dir.WriteFile("Save/TopScores", "x");
    EXPECT_TRUE(FileExists(dir.Path() + "\\save\\topscores"));
    EXPECT_TRUE(FileExists(dir / "SAVE"));
    EXPECT_FALSE(FileExists(dir / "Save/autosave"));
}

TEST(GetFileDate, GivesWholeSecondsSince1970OrZero)
{
    using namespace std::chrono;
    TempDir dir;
    dir.WriteFile("f.txt", "x");
    const auto when = sys_seconds(seconds(1000000000)) + milliseconds(999);
    fs::last_write_time(dir / "f.txt", file_clock::from_sys(when));
    EXPECT_EQ(GetFileDate(dir / "F.TXT"), 1000000000);
    EXPECT_EQ(GetFileDate(dir / "missing"), 0);
}

TEST(MakeDirectories, CreatesEveryFolderReusingOnesOfAnotherCase)
{
    TempDir dir;
    dir.WriteFile("Save/file", "x");
    MakeDirectories(dir.Path() + "\\save\\a/b\\c");
    MakeDirectories(dir / "d/e/");
    MakeDirectories(dir / "Save/file/sub");
    EXPECT_TRUE(fs::is_directory(dir / "Save/a/b/c"));
    EXPECT_FALSE(fs::exists(dir / "save"));
    EXPECT_TRUE(fs::is_directory(dir / "d/e"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Save/file"));
}

TEST(DeleteDirectoryTree, DeletesANestedTree)
{
    TempDir dir;
    dir.WriteFile("Tree/a.txt", "x");
    dir.WriteFile("Tree/Sub/Deeper/c.txt", "x");
    fs::create_directory(dir / "Tree/Empty");
    EXPECT_TRUE(DeleteDirectoryTree(dir.Path() + "\\tree\\"));
    EXPECT_FALSE(fs::exists(dir / "Tree"));
}

TEST(DeleteDirectoryTree, RefusesMissingFoldersFilesAndOneCharacterPaths)
{
    TempDir dir;
    dir.WriteFile("x/keep", "x");
    EXPECT_FALSE(DeleteDirectoryTree(dir / "missing"));
    EXPECT_FALSE(DeleteDirectoryTree(dir / "x/keep"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_FALSE(DeleteDirectoryTree("x"));
    fs::current_path(previous);
    EXPECT_TRUE(fs::exists(dir / "x/keep"));
}

TEST(DeleteDirectoryTree, RemovesLinksWithoutFollowingThem)
{
    TempDir dir;
    dir.WriteFile("Outside/precious.txt", "x");
    dir.WriteFile("Tree/a.txt", "x");
    fs::create_directory_symlink(dir / "Outside", dir / "Tree/LinkToFolder");
    fs::create_symlink(dir / "Outside/precious.txt", dir / "Tree/LinkToFile");
    fs::create_directory_symlink(dir / "Outside", dir / "TopLink");
    EXPECT_TRUE(DeleteDirectoryTree(dir / "Tree"));
    EXPECT_FALSE(fs::exists(dir / "Tree"));
    EXPECT_TRUE(DeleteDirectoryTree(dir / "TopLink/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "TopLink")));
    EXPECT_TRUE(fs::exists(dir / "Outside/precious.txt"));
}

} // namespace
