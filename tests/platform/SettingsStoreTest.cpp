#include "platform/FileSettingsStore.h"
#include "platform/SettingsStore.h"

#include "fakes/MemorySettingsStore.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using Platform::kSettingBinary;
using Platform::kSettingDword;
using Platform::kSettingString;
using Platform::SettingsStore;

const std::string kKey = "SOFTWARE\\Tavoren\\Zarquel";

// Other tests stand the fake in for the file store, so both keep the same
// promises: every case here runs on each.
struct StoreKind {
    const char* name;
    std::function<std::unique_ptr<SettingsStore>(const std::string& folder)> make;
};

void PrintTo(const StoreKind& kind, std::ostream* os)
{
    *os << kind.name;
}

class SettingsStoreTest : public ::testing::TestWithParam<StoreKind> {
protected:
    bool SetDword(const std::string& key, const std::string& name, uint32_t number)
    {
        const uint8_t bytes[4] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                  static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
        return mStore->SetValue(key, name, kSettingDword, bytes, sizeof bytes);
    }

    bool Has(const std::string& key, const std::string& name)
    {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        return mStore->QueryValue(key, name, type, data);
    }

    Testing::TempDir mDir;
    std::unique_ptr<SettingsStore> mStore = GetParam().make(mDir / "settings");
};

struct Sample {
    std::string name;
    uint32_t type;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

TEST_P(SettingsStoreTest, TypedValuesReadBackExactly)
{
    std::vector<uint8_t> everyByte(256);
    for (size_t i = 0; i < everyByte.size(); ++i)
        everyByte[i] = static_cast<uint8_t>(i);
    const std::vector<Sample> samples = {
        {"MusicVolume", kSettingDword, {85, 0, 0, 0}},
        {"Largest", kSettingDword, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"ShortDword", kSettingDword, {1, 2, 3}},
        {"Player", kSettingString, Bytes("Ann \"the\" \\best\\\r\n")},
        {"EveryByteAsString", kSettingString, everyByte},
        {"EveryByte", kSettingBinary, everyByte},
        {"EmptyString", kSettingString, {}},
        {"EmptyBinary", kSettingBinary, {}},
        {"", kSettingDword, {7, 0, 0, 0}},
        {"a = b", 7, Bytes("an unknown type")},
        {std::string("line\nbreak\0zero \xe9\xff\"\\", 20), kSettingBinary, {0}},
    };
    for (const Sample& s : samples)
        ASSERT_TRUE(mStore->SetValue(kKey, s.name, s.type, s.data.data(), s.data.size())) << s.name;
    for (const Sample& s : samples) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
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
    std::vector<uint8_t> data;
    ASSERT_TRUE(mStore->QueryValue("Software\\tavoren\\ZARQUEL", "musicvolume", type, data));
    EXPECT_EQ(type, kSettingDword);
    EXPECT_EQ(data, (std::vector<uint8_t>{50, 0, 0, 0}));
    EXPECT_TRUE(Has(kKey, "\xc9T\xe9"));
    EXPECT_FALSE(Has(kKey, "\xe9t\xe9"));
}

TEST_P(SettingsStoreTest, ValueNameWithSubKeyLivesApartFromItsParent)
{
    EXPECT_FALSE(mStore->KeyExists(kKey));
    ASSERT_TRUE(SetDword(kKey + "\\Test3D", "RuntimeError", 1));
    EXPECT_TRUE(mStore->KeyExists(kKey));
    EXPECT_TRUE(mStore->KeyExists(kKey + "\\test3d"));
    EXPECT_FALSE(Has(kKey, "RuntimeError"));
    EXPECT_TRUE(Has(kKey + "\\\\Test3D\\", "RuntimeError"));
    EXPECT_FALSE(mStore->KeyExists(kKey + "\\Other"));
    ASSERT_TRUE(mStore->CreateKey(kKey + "\\A\\B"));
    EXPECT_TRUE(mStore->KeyExists(kKey + "\\a"));
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
    std::vector<uint8_t> data = {9, 9};
    EXPECT_FALSE(mStore->QueryValue(kKey, "Missing", type, data));
    EXPECT_FALSE(mStore->QueryValue(kKey + "\\Missing", "Empty", type, data));
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(data, (std::vector<uint8_t>{9, 9}));
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsStoreTest,
    ::testing::Values(
        StoreKind{"File", [](const std::string& folder) -> std::unique_ptr<SettingsStore> {
            return std::make_unique<Platform::FileSettingsStore>(folder);
        }},
        StoreKind{"Memory", [](const std::string&) -> std::unique_ptr<SettingsStore> {
            return std::make_unique<Testing::MemorySettingsStore>();
        }}),
    [](const ::testing::TestParamInfo<StoreKind>& info) { return std::string(info.param.name); });

TEST(MemorySettingsStore, FailingWritesChangeNothingAndReadsGoOn)
{
    Testing::MemorySettingsStore store;
    const uint8_t one[4] = {1, 0, 0, 0};
    ASSERT_TRUE(store.SetValue(kKey, "Muted", kSettingDword, one, 4));
    store.SetWritesFail(true);
    EXPECT_FALSE(store.SetValue(kKey, "Other", kSettingDword, one, 4));
    EXPECT_FALSE(store.CreateKey(kKey + "\\New"));
    EXPECT_FALSE(store.DeleteValue(kKey, "Muted"));
    EXPECT_FALSE(store.KeyExists(kKey + "\\New"));
    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_FALSE(store.QueryValue(kKey, "Other", type, data));
    EXPECT_TRUE(store.QueryValue(kKey, "Muted", type, data));
    store.SetWritesFail(false);
    EXPECT_TRUE(store.DeleteValue(kKey, "Muted"));
}

} // namespace
