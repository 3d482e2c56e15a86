#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string_view>

namespace {

using Testing::ScriptedClock;
using Vorn::DemoMode;

const std::string kKey = "SOFTWARE\\Tavoren\\Zarquel";

class RegistryApp : public Testing::ScriptedApp {
public:
    explicit RegistryApp(ScriptedClock& clock) : ScriptedApp(clock) { mRegKey = "Tavoren\\Zarquel"; }
    bool OnChangeDirectory(const std::string&) override { return true; }
};

void Store(Testing::MemorySettingsStore& store, const std::string& name, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    store.SetValue(kKey, name, Platform::kSettingDword, bytes, 4);
}

std::optional<int32_t> Stored(Testing::MemorySettingsStore& store, const std::string& name,
                              const std::string& key = kKey)
{
    uint32_t type = 0;
    std::vector<uint8_t> d;
    if (!store.QueryValue(key, name, type, d) || type != Platform::kSettingDword || d.size() != 4)
        return std::nullopt;
    return static_cast<int32_t>(d[0] | d[1] << 8 | d[2] << 16 | uint32_t{d[3]} << 24);
}

struct SavedCase {
    const char* name;
    std::function<void(RegistryApp&)> set;
    const char* value;
    int32_t stored;
};

TEST(SaveSettings, StoresVolumesInWholeHundredthsAndOnlyTheUsersMute)
{
    const SavedCase cases[] = {
        {"0.855 truncated", [](RegistryApp& a) { a.mMusicVolume = 0.855; }, "MusicVolume", 85},
        {"above 1 clamped", [](RegistryApp& a) { a.mSfxVolume = 1.7; }, "SfxVolume", 100},
        {"not a number", [](RegistryApp& a) { a.mMusicVolume = std::nan(""); }, "MusicVolume", 0},
        {"automatic mutes only", [](RegistryApp& a) { a.mMuteCount = a.mAutoMuteCount = 2; }, "Muted", 0},
        {"one mute of the user", [](RegistryApp& a) { a.mMuteCount = 3; a.mAutoMuteCount = 2; }, "Muted", 1},
        {"clean end", [](RegistryApp&) {}, "InProgress", 0},
    };
    for (const SavedCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        RegistryApp app(clock);
        c.set(app);
        app.SaveSettings();
        EXPECT_EQ(Stored(app.mSettingsStore, c.value), c.stored);
    }
}

struct LoadedCase {
    const char* name;
    const char* value;
    int32_t stored;
    std::function<void(const RegistryApp&)> check;
};

TEST(LoadSettings, TakesTheStoredValuesWithinTheirRanges)
{
    const LoadedCase cases[] = {
        {"85 hundredths", "MusicVolume", 85, [](const RegistryApp& a) { EXPECT_EQ(a.mMusicVolume, 0.85); }},
        {"volume above 1", "SfxVolume", 250, [](const RegistryApp& a) { EXPECT_EQ(a.mSfxVolume, 1.0); }},
        {"negative volume", "MusicVolume", -20, [](const RegistryApp& a) { EXPECT_EQ(a.mMusicVolume, 0.0); }},
        {"negative mute count", "Muted", -3, [](const RegistryApp& a) { EXPECT_EQ(a.mMuteCount, 0); }},
        {"unclean last run", "InProgress", 1, [](const RegistryApp& a) { EXPECT_FALSE(a.mLastRunEndedCleanly); }},
    };
    for (const LoadedCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedClock clock;
        RegistryApp app(clock);
        Store(app.mSettingsStore, c.value, c.stored);
        app.LoadSettings();
        c.check(app);
        const bool marker = std::string(c.value) == "InProgress";
        EXPECT_EQ(Stored(app.mSettingsStore, "InProgress"), marker ? std::optional(c.stored) : std::nullopt);
    }
}

TEST(Registry, AWriteTheStoreRefusesIsRecordedAndReportedAsFailed)
{
    ScriptedClock clock;
    RegistryApp app(clock);
    app.SetDemoMode(DemoMode::Recording);
    app.mUpdateCount = 3;
    app.mSettingsStore.SetWritesFail(true);
    EXPECT_FALSE(app.WriteRegistryInteger("HighScore", 900));
    Vorn::Buffer stream = app.mDemoStream.GetBuffer();
    EXPECT_EQ(stream.ReadBits(11, false), 3 | 12 << 5);
    EXPECT_TRUE(stream.AtEnd());
}

TEST(Registry, TheRunMarkerGoesStraightToTheStoreUnlessPlayingOrAScreenSaver)
{
    Testing::TempDir dir;
    Vorn::DemoStream stream(DemoMode::Recording);
    stream.RecordFiller(0);
    ASSERT_TRUE(Vorn::SaveDemoFile(dir / "run.dmo", "", {}, stream.GetBuffer()));
    // Recording last: it saves its own demo over the file.
    const std::pair<const char*, bool> modes[] = {{"-play", false}, {"-screensaver", false}, {"", true}, {"-record", true}};
    for (const auto& [mode, marked] : modes) {
        SCOPED_TRACE(mode);
        ScriptedClock clock;
        RegistryApp app(clock);
        const std::string demo = "-demofile=" + (dir / "run.dmo");
        const char* argv[] = {"zarquel", demo.c_str(), mode};
        app.SetCommandLine(3, argv);
        app.Init();
        EXPECT_EQ(Stored(app.mSettingsStore, "InProgress"), marked ? std::optional(1) : std::nullopt);
        const Vorn::Buffer& buffer = app.mDemoStream.GetBuffer();
        const std::string_view recorded(reinterpret_cast<const char*>(buffer.GetBytes()),
                                        static_cast<size_t>(buffer.GetByteLength()));
        EXPECT_EQ(recorded.find("InProgress"), std::string_view::npos);
    }
}

TEST(ReadBufferFromFile, HoldsTheWholeFileOrStaysAsItWas)
{
    Testing::TempDir dir;
    dir.WriteFile("empty", "");
    dir.WriteFile("binary", std::string("x\0\r\n\xff", 5));
    const std::pair<const char*, std::string> files[] = {
        {"missing", std::string("\x03\x00old", 5)}, {"empty", ""}, {"binary", std::string("x\0\r\n\xff", 5)}};
    for (const auto& [name, expected] : files) {
        SCOPED_TRACE(name);
        Vorn::Buffer buffer;
        buffer.WriteString("old");
        EXPECT_EQ(Vorn::ReadBufferFromFile(dir / name, buffer), std::string(name) != "missing");
        const auto* bytes = reinterpret_cast<const char*>(buffer.GetBytes());
        EXPECT_EQ(std::string(bytes ? bytes : "", static_cast<size_t>(buffer.GetByteLength())), expected);
    }
}

} // namespace
