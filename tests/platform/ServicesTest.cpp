#include "platform/Services.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(SystemServices, KeepsTheSettingsOfTheUserInTheConfigFolder)
{
    Testing::TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    Platform::SettingsStore* settings = Platform::SystemServices().settings;
    const uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_TRUE(settings && settings->SetValue("SOFTWARE\\Tavoren\\Zarquel", "InProgress", 4, one, 4));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Tavoren/Zarquel/values.txt"));
    old ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

} // namespace
