#include "framework/app/FileUtils.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace Vorn;
namespace fs = std::filesystem;

TEST(FileUtils, FindsFilesAndDatesThemInWholeSecondsByTheFrameworksNames)
{
    using namespace std::chrono;
    Testing::TempDir dir;
    dir.WriteFile("Save/TopScores", "x");
    EXPECT_TRUE(FileExists(dir.Path() + "\\save\\topscores"));
    EXPECT_FALSE(FileExists(dir / "Save/autosave"));
    fs::last_write_time(dir / "Save/TopScores", file_clock::from_sys(sys_seconds(seconds(1000000000)) + 999ms));
    EXPECT_EQ(GetFileDate(dir / "SAVE/TOPSCORES"), 1000000000);
    EXPECT_EQ(GetFileDate(dir / "missing"), 0);
}

TEST(MakeDirectories, CreatesEveryFolderReusingOnesOfAnotherCase)
{
    Testing::TempDir dir;
    dir.WriteFile("Save/file", "x");
    MakeDirectories(dir.Path() + "\\save\\a/b\\c");
    MakeDirectories(dir / "Save/file/sub");
    EXPECT_TRUE(fs::is_directory(dir / "Save/a/b/c"));
    EXPECT_FALSE(fs::exists(dir / "save"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Save/file"));
}

TEST(DeleteDirectoryTree, DeletesTheTreeAndItsLinksWithoutFollowingThem)
{
    Testing::TempDir dir;
    dir.WriteFile("Outside/precious.txt", "x");
    dir.WriteFile("Tree/Sub/Deeper/c.txt", "x");
    fs::create_directory(dir / "Tree/Empty");
    fs::create_directory_symlink(dir / "Outside", dir / "Tree/LinkToFolder");
    fs::create_symlink(dir / "Outside/precious.txt", dir / "Tree/LinkToFile");
    fs::create_directory_symlink(dir / "Outside", dir / "TopLink");
    EXPECT_TRUE(DeleteDirectoryTree(dir.Path() + "\\tree\\"));
    EXPECT_FALSE(fs::exists(dir / "Tree"));
    EXPECT_TRUE(DeleteDirectoryTree(dir / "TopLink/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "TopLink")));
    EXPECT_TRUE(fs::exists(dir / "Outside/precious.txt"));
}

TEST(DeleteDirectoryTree, RefusesMissingFoldersFilesAndOneCharacterPaths)
{
    Testing::TempDir dir;
    dir.WriteFile("x/keep", "x");
    EXPECT_FALSE(DeleteDirectoryTree(dir / "missing"));
    EXPECT_FALSE(DeleteDirectoryTree(dir / "x/keep"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_FALSE(DeleteDirectoryTree("x"));
    fs::current_path(previous);
    EXPECT_TRUE(fs::exists(dir / "x/keep"));
}

} // namespace
