#include "platform/FileSettingsStore.h"
#include "platform/SettingsStore.h"

#include "fakes/MemorySettingsStore.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Platform::kSettingBinary;
using Platform::kSettingDword;
using Platform::kSettingString;
using Bytes = std::vector<uint8_t>;

const std::string kKey = "SOFTWARE\\Tavoren\\Zarquel";

// Other tests stand the fake in for the file store, so both keep the same
// promises: every case here runs on each.
class SettingsStoreTest : public ::testing::TestWithParam<std::string> {
protected:
    bool SetDword(const std::string& key, const std::string& name, uint8_t number)
    {
        const uint8_t bytes[4] = {number, 0, 0, 0};
        return mStore->SetValue(key, name, kSettingDword, bytes, sizeof bytes);
    }

    bool Has(const std::string& key, const std::string& name)
    {
        uint32_t type = 0;
        Bytes data;
        return mStore->QueryValue(key, name, type, data);
    }

    Testing::TempDir mDir;
    std::unique_ptr<Platform::SettingsStore> mStore = GetParam() == "File"
        ? std::unique_ptr<Platform::SettingsStore>(std::make_unique<Platform::FileSettingsStore>(mDir / "settings"))
        : std::make_unique<Testing::MemorySettingsStore>();
};

TEST_P(SettingsStoreTest, TypedValuesReadBackExactly)
{
    Bytes everyByte(256);
    for (size_t i = 0; i < everyByte.size(); ++i)
        everyByte[i] = static_cast<uint8_t>(i);
    const struct { std::string name; uint32_t type; Bytes data; } samples[] = {
        {"Largest", kSettingDword, {0xFF, 0xFF, 0xFF, 0xFF}}, {"ShortDword", kSettingDword, {1, 2, 3}},
        {"EveryByteAsString", kSettingString, everyByte}, {"EveryByte", kSettingBinary, everyByte},
        {"EmptyString", kSettingString, {}}, {"", kSettingDword, {7, 0, 0, 0}}, {"a = b", 7, {1, 2}},
        {std::string("line\nbreak\0zero \xe9\xff\"\\", 20), kSettingBinary, {0}}};
    for (const auto& s : samples)
        ASSERT_TRUE(mStore->SetValue(kKey, s.name, s.type, s.data.data(), s.data.size())) << s.name;
    for (const auto& s : samples) {
        uint32_t type = 0;
        Bytes data;
        ASSERT_TRUE(mStore->QueryValue(kKey, s.name, type, data)) << s.name;
        EXPECT_EQ(type, s.type) << s.name;
        EXPECT_EQ(data, s.data) << s.name;
    }
}

TEST_P(SettingsStoreTest, KeysAndNamesIgnoreAsciiCaseOnly)
{
    ASSERT_TRUE(SetDword(kKey, "MusicVolume", 85));
    ASSERT_TRUE(SetDword("software\\TAVOREN\\zarquel", "MUSICVOLUME", 50));
    ASSERT_TRUE(SetDword(kKey, "\xc9t\xe9", 1));
    uint32_t type = 0;
    Bytes data;
    ASSERT_TRUE(mStore->QueryValue("Software\\tavoren\\ZARQUEL", "musicvolume", type, data));
    EXPECT_EQ(data, (Bytes{50, 0, 0, 0}));
    EXPECT_TRUE(Has(kKey, "\xc9T\xe9"));
    EXPECT_FALSE(Has(kKey, "\xe9t\xe9"));
}

TEST_P(SettingsStoreTest, SubKeysLiveApartFromTheirParentsWhichTheyCreate)
{
    EXPECT_FALSE(mStore->KeyExists(kKey));
    ASSERT_TRUE(SetDword(kKey + "\\Test3D", "RuntimeError", 1));
    EXPECT_TRUE(mStore->KeyExists(kKey));
    EXPECT_FALSE(Has(kKey, "RuntimeError"));
    EXPECT_TRUE(Has(kKey + "\\\\test3d\\", "RuntimeError"));
    EXPECT_FALSE(mStore->KeyExists(kKey + "\\Other"));
    ASSERT_TRUE(mStore->CreateKey(kKey + "\\A\\B"));
    EXPECT_TRUE(mStore->KeyExists(kKey + "\\a\\b"));
}

TEST_P(SettingsStoreTest, DeleteRemovesOneValueOnce)
{
    ASSERT_TRUE(SetDword(kKey, "InProgress", 1));
    ASSERT_TRUE(SetDword(kKey, "Muted", 0));
    EXPECT_TRUE(mStore->DeleteValue(kKey, "INPROGRESS"));
    EXPECT_FALSE(Has(kKey, "InProgress"));
    EXPECT_TRUE(Has(kKey, "Muted"));
    EXPECT_FALSE(mStore->DeleteValue(kKey, "InProgress"));
    EXPECT_FALSE(mStore->DeleteValue(kKey + "\\Missing", "Muted"));
}

TEST_P(SettingsStoreTest, RefusedCallsLeaveEverythingAlone)
{
    EXPECT_FALSE(mStore->SetValue(kKey, "Bad", kSettingBinary, nullptr, 4));
    EXPECT_FALSE(Has(kKey, "Bad"));
    EXPECT_TRUE(mStore->SetValue(kKey, "Empty", kSettingBinary, nullptr, 0));
    uint32_t type = 99;
    Bytes data = {9, 9};
    EXPECT_FALSE(mStore->QueryValue(kKey, "Missing", type, data));
    EXPECT_FALSE(mStore->QueryValue(kKey + "\\Missing", "Empty", type, data));
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(data, (Bytes{9, 9}));
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsStoreTest, ::testing::Values("File", "Memory"),
                         [](const auto& info) { return info.param; });

} // namespace
