#include "platform/Paths.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

using Platform::ResolveFileName;
using Testing::TempDir;

TEST(ResolveFileName, FindsFilesWhateverTheCaseOrKeepsTheUnmatchedRestAndNoticesChanges)
{
    TempDir dir;
    dir.WriteFile("Images/Ball.PNG", "x");
    dir.WriteFile("Save/topscores", "x");
    const struct { const char* asked; const char* expected; } cases[] = {
        {"Images/Ball.PNG", "Images/Ball.PNG"}, {"images\\ball.png", "Images/Ball.PNG"},
        {"images//ball.png", "Images/Ball.PNG"}, {"save\\", "Save/"},
        // Nothing matches: the rest keeps its spelling, so a new file keeps its name.
        {"save\\NewFile", "Save/NewFile"}, {"Missing\\Dir\\f.txt", "Missing/Dir/f.txt"},
        {"images\\..\\save\\TOPSCORES", "Images/../Save/topscores"}};
    for (const auto& c : cases)
        EXPECT_EQ(ResolveFileName(dir.Path() + "/" + c.asked), dir / c.expected) << '"' << c.asked << '"';
    // The cache notices a file that went away, and case variants pick one stably.
    dir.WriteFile("A/b.txt", "x");
    EXPECT_EQ(ResolveFileName(dir / "a/B.TXT"), dir / "A/b.txt");
    std::filesystem::remove_all(dir / "A");
    dir.WriteFile("a/B.txt", "x");
    dir.WriteFile("a/b.TXT", "x");
    EXPECT_EQ(ResolveFileName(dir / "A/b.txt"), dir / "a/B.txt");
    // Relative names resolve against the working folder.
    dir.WriteFile("Data/Music.ogg", "x");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(ResolveFileName("data\\music.OGG"), "Data/Music.ogg");
    EXPECT_EQ(ResolveFileName(""), "");
    std::filesystem::current_path(previous);
}

TEST(UserFolders, FollowXdgVariablesAndFallBackToHome)
{
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"})
        saved.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
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
    // Without HOME the password database tells the home, never a shared folder.
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    const passwd* user = getpwuid(getuid());
    ASSERT_TRUE(user && user->pw_dir);
    EXPECT_EQ(Platform::UserDataFolder(), std::string(user->pw_dir) + "/.local/share");
    EXPECT_EQ(Platform::UserConfigFolder(), std::string(user->pw_dir) + "/.config");
    for (const auto& [name, value] : saved)
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
}

} // namespace
