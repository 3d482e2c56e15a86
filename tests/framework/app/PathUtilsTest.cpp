#include "framework/app/PathUtils.h"

#include <gtest/gtest.h>

namespace {

using namespace Vorn;

TEST(PathParts, SplitAtTheLastSeparatorOfEitherKind)
{
    const struct { const char* path; const char* dir; const char* name; const char* slashed; } cases[] = {
        {"a/b\\c", "a/b", "c", "a/b\\c\\"}, {"file", "", "file", "file\\"}, {"a.b/c", "a.b", "c", "a.b/c\\"},
        {"dir\\.hidden", "dir", "", "dir\\.hidden\\"}, {"x\\a.tar.gz", "x", "a.tar", "x\\a.tar.gz\\"},
        {"dir/", "dir", "", "dir/"}, {"", "", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetFileDir(c.path), c.dir) << '"' << c.path << '"';
        EXPECT_EQ(GetFileNameNoExtension(c.path), c.name) << '"' << c.path << '"';
        EXPECT_EQ(AddTrailingSlash(c.path), c.slashed) << '"' << c.path << '"';
    }
    EXPECT_EQ(RemoveTrailingSlash("dir\\\\"), "dir\\");
    EXPECT_EQ(RemoveTrailingSlash("dir"), "dir");
    EXPECT_EQ(RemoveTrailingSlash(""), "");
}

TEST(ResolvePath, ResolvesOnlyTheLeadingComponents)
{
    const struct { const char* relative; const char* directory; const char* expected; } cases[] = {
        {"a/b", "c\\", "c\\a\\b"}, {"a.png", "E:\\x", "E:\\x\\a.png"}, {"D:\\b", "dir/", "D:\\b"},
        {"../img/a.png", "data/fonts", "data/img/a.png"}, {"../../a", "x/", "../a"}, {"../a", "../", "../../a"},
        {"/abs/f", "dir/", "/abs/f"}, {"a/../b", "d/", "d/a/../b"}, {"./a", "d", "d/a"},
        {"a\\b/../c", "", "a\\b\\..\\c"},
        // A "." in the folder is no folder to step out of.
        {"../x", ".", "../x"}, {"../x", "a/./b/.", "a/x"},
        // The root is its own parent.
        {"../../x", "/a/", "/x"}, {"..\\x", "E:\\", "E:\\x"}};
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePath(c.relative, c.directory), c.expected)
            << '"' << c.relative << "\" in \"" << c.directory << '"';
}

} // namespace
