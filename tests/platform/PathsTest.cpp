#include "platform/Paths.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using Testing::TempDir;

struct ResolveCase {
    const char* asked;
    const char* expected; // relative to the temporary folder
};

void PrintTo(const ResolveCase& c, std::ostream* os)
{
    *os << '"' << c.asked << '"';
}

class ResolveFileNameTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveFileNameTest, FindsTheFileOnDisk)
{
    TempDir dir;
    dir.WriteFile("Images/Ball.PNG", "x");
    dir.WriteFile("properties/resources.xml", "x");
    dir.WriteFile("Save/topscores", "x");
    const ResolveCase& c = GetParam();
    EXPECT_EQ(Platform::ResolveFileName(dir.Path() + "/" + c.asked), dir.Path() + "/" + c.expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ResolveFileNameTest, ::testing::Values(
    ResolveCase{"Images/Ball.PNG", "Images/Ball.PNG"},
    ResolveCase{"Images\\Ball.PNG", "Images/Ball.PNG"},
    ResolveCase{"images\\ball.png", "Images/Ball.PNG"},
    ResolveCase{"IMAGES/BALL.png", "Images/Ball.PNG"},
    ResolveCase{"Properties\\Resources.XML", "properties/resources.xml"},
    ResolveCase{"images//ball.png", "Images/Ball.PNG"},
    ResolveCase{"save\\", "Save/"},
    // Nothing matches: the rest keeps its spelling, so a new file keeps its name.
    ResolveCase{"save\\NewFile", "Save/NewFile"},
    ResolveCase{"Missing\\Dir\\f.txt", "Missing/Dir/f.txt"},
    ResolveCase{"images\\..\\save\\TOPSCORES", "Images/../Save/topscores"}));

TEST(ResolveFileName, RelativeNamesResolveAgainstTheWorkingFolder)
{
    TempDir dir;
    dir.WriteFile("Data/Music.ogg", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(Platform::ResolveFileName("data\\music.OGG"), "Data/Music.ogg");
    EXPECT_EQ(Platform::ResolveFileName(""), "");
    std::filesystem::current_path(previous);
}

TEST(ResolveFileName, CacheNoticesAFileThatWentAway)
{
    TempDir dir;
    dir.WriteFile("A/b.txt", "x");
    EXPECT_EQ(Platform::ResolveFileName(dir / "a/B.TXT"), dir / "A/b.txt");
    std::filesystem::remove_all(dir / "A");
    dir.WriteFile("a/B.txt", "x");
    EXPECT_EQ(Platform::ResolveFileName(dir / "A/b.TXT"), dir / "a/B.txt");
}

TEST(ResolveFileName, SeveralCaseVariantsPickOneStably)
{
    TempDir dir;
    dir.WriteFile("File.txt", "x");
    dir.WriteFile("FILE.txt", "x");
    EXPECT_EQ(Platform::ResolveFileName(dir / "file.TXT"), dir / "FILE.txt");
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : mName(name)
    {
        if (const char* v = std::getenv(name))
            mOld = v, mHad = true;
    }
    ~EnvGuard()
    {
        if (mHad)
            setenv(mName, mOld.c_str(), 1);
        else
            unsetenv(mName);
    }

private:
    const char* mName;
    std::string mOld;
    bool mHad = false;
};

TEST(UserFolders, FollowXdgVariablesAndFallBackToHome)
{
    EnvGuard data("XDG_DATA_HOME"), config("XDG_CONFIG_HOME"), runtime("XDG_RUNTIME_DIR"), home("HOME");
    setenv("HOME", "/home/player", 1);
    setenv("XDG_DATA_HOME", "/x/data/", 1);
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ(Platform::UserDataFolder(), "/x/data");
    EXPECT_EQ(Platform::UserConfigFolder(), "/home/player/.config");
    EXPECT_EQ(Platform::RuntimeFolder(), "/run/user/1000");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(Platform::UserDataFolder(), "/home/player/.local/share");
    EXPECT_FALSE(Platform::RuntimeFolder().empty());
}

} // namespace
