// The capability test on the software device: its verdict, the cache in the
// settings, the card lists and the driver's date, memory limits, the read
// back of 16- and 32-bit surfaces, and what the display makes of a verdict.

#include "AppDisplayFixture.h"

#include "fakes/CurrentPathGuard.h"
#include "fakes/TempDir.h"
#include "framework/display/D3DTester.h"
#include "framework/display/DDImage.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace Vorn;

const char* const kKey = "SOFTWARE\\Tavoren\\Zarquel\\Test3D";
const std::string kUnsupported = "Unsupported video card: Vorn software 3D device (triangle rasteriser)";

std::vector<uint8_t> Text(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// A file dated the first of July of `year`.
void Touch(const std::string& path, int year)
{
    std::ofstream(path) << "driver";
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = 6;
    when.tm_mday = 1;
    const auto seconds = std::chrono::system_clock::from_time_t(timegm(&when));
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(seconds));
}

class CapabilityTest : public Testing::AppDisplayFixture {
protected:

    std::vector<uint8_t> Stored(const char* name)
    {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        EXPECT_TRUE(app.mSettings->QueryValue(kKey, name, type, data)) << name;
        return data;
    }

    void Store(const char* name, uint32_t type, const std::vector<uint8_t>& data)
    {
        ASSERT_TRUE(app.mSettings->SetValue(kKey, name, type, data.data(), data.size()));
    }

    // Runs a tester in a folder of its own (no card lists unless written).
    void Run(D3DTester& tester, int bits = 32)
    {
        const Testing::CurrentPathGuard back;
        std::filesystem::current_path(folder.Path());
        tester.mSystemDirectory = folder.Path() + "/";
        tester.TestD3D(1024, 768, bits);
    }

    Testing::TempDir folder;
};

TEST_F(CapabilityTest, TheSoftwareDevicePassesWithADoubtAboutTheCard)
{
    D3DTester tester(&app);
    EXPECT_EQ(tester.mDeviceGuid, (std::array<uint8_t, 16>{}));
    tester.SetVidMemory(6, 14);
    Run(tester);
    EXPECT_EQ(tester.mFailureReason, "");
    EXPECT_EQ(tester.mWarning, kUnsupported);
    EXPECT_TRUE(tester.mFresh);
    EXPECT_EQ(tester.mDriverYear, 0);
    EXPECT_EQ(Stored("Version"), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(Stored("MinVidMemory"), (std::vector<uint8_t>{6, 0, 0, 0}));
    EXPECT_EQ(Stored("RecVidMemory"), (std::vector<uint8_t>{14, 0, 0, 0}));
    EXPECT_EQ(Stored("DisplayGUID").size(), 16u);
    EXPECT_EQ(Stored("FailureReason"), Text(""));
    EXPECT_EQ(Stored("Warning"), Text(kUnsupported));
}

TEST_F(CapabilityTest, APassIsReadFromTheCacheOnTheNextStart)
{
    D3DTester first(&app);
    first.SetVidMemory(6, 14);
    Run(first);
    // What the cache says is what the next start believes.
    Store("Warning", Platform::kSettingString, Text("cached doubt"));
    D3DTester second(&app);
    second.SetVidMemory(6, 14);
    Run(second);
    EXPECT_FALSE(second.mFresh);
    EXPECT_EQ(second.mWarning, "cached doubt");
    EXPECT_EQ(second.mFailureReason, "");
    EXPECT_EQ(second.mTestSurface, nullptr);
}

TEST_F(CapabilityTest, StoredTextEndsAtItsFirstZero)
{
    D3DTester first(&app);
    first.SetVidMemory(6, 14);
    Run(first);
    Store("Warning", Platform::kSettingString, {'a', 'b', 0, 'c', 0});
    D3DTester second(&app);
    second.SetVidMemory(6, 14);
    Run(second);
    EXPECT_EQ(second.mWarning, "ab");
}

struct CacheCase {
    const char* name;
    const char* value;
    uint32_t type;
    std::vector<uint8_t> data;
};

class CacheInvalidation : public CapabilityTest, public testing::WithParamInterface<CacheCase> {};

TEST_P(CacheInvalidation, AnyDifferenceTestsAgain)
{
    D3DTester first(&app);
    first.SetVidMemory(6, 14);
    Run(first);
    Store("Warning", Platform::kSettingString, Text("cached doubt"));
    Store(GetParam().value, GetParam().type, GetParam().data);
    D3DTester second(&app);
    second.SetVidMemory(6, 14);
    Run(second);
    EXPECT_TRUE(second.mFresh);
    EXPECT_EQ(second.mWarning, kUnsupported);
    EXPECT_EQ(Stored("Warning"), Text(kUnsupported));
}

INSTANTIATE_TEST_SUITE_P(Values, CacheInvalidation,
    testing::Values(CacheCase{"Version", "Version", Platform::kSettingDword, {1, 0, 0, 0}},
        CacheCase{"MinMemory", "MinVidMemory", Platform::kSettingDword, {7, 0, 0, 0}},
        CacheCase{"RecMemory", "RecVidMemory", Platform::kSettingDword, {14, 0, 0, 1}},
        CacheCase{"Device", "DisplayGUID", Platform::kSettingBinary, std::vector<uint8_t>(16, 0)},
        CacheCase{"ShortGuid", "DisplayGUID", Platform::kSettingBinary, std::vector<uint8_t>(15, 0)}),
    [](const testing::TestParamInfo<CacheCase>& info) { return std::string(info.param.name); });

TEST_F(CapabilityTest, ACachedFailureIsTestedAgain)
{
    D3DTester first(&app);
    first.SetVidMemory(6, 14);
    Run(first);
    Store("FailureReason", Platform::kSettingString, Text("Alpha blend Not Supported"));
    D3DTester second(&app);
    second.SetVidMemory(6, 14);
    Run(second);
    EXPECT_EQ(second.mFailureReason, "");
    EXPECT_FALSE(second.mFresh);
    EXPECT_EQ(Stored("FailureReason"), Text(""));
}

TEST_F(CapabilityTest, TooLittleMemoryFailsAndIsWritten)
{
    // 64 MB of textures and 1024 x 768 x 4 bytes of screen: 67 MB.
    D3DTester low(&app);
    low.SetVidMemory(68, 70);
    Run(low);
    EXPECT_EQ(low.mFailureReason, "Not enough video memory.");
    EXPECT_TRUE(low.mFresh);
    EXPECT_EQ(Stored("FailureReason"), Text("Not enough video memory."));
    D3DTester enough(&app);
    enough.SetVidMemory(67, 70);
    Run(enough);
    EXPECT_EQ(enough.mFailureReason, "");
    D3DTester huge(&app);
    huge.mVideoMemory = uint64_t{5000} << 20;
    huge.SetVidMemory(4999, 5000);
    Run(huge);
    EXPECT_EQ(huge.mFailureReason, "");
}

struct CardCase {
    const char* name;
    int driverYear;
    const char* blocked;
    const char* allowed;
    bool supported;
};

class CardLists : public CapabilityTest, public testing::WithParamInterface<CardCase> {};

TEST_P(CardLists, DecideWhetherTheCardIsSupported)
{
    const CardCase& c = GetParam();
    if (c.driverYear)
        Touch(folder / "vorn-soft3d", c.driverYear);
    if (c.blocked)
        std::ofstream(folder / "vhwb.dat") << c.blocked;
    if (c.allowed)
        std::ofstream(folder / "vhw.dat") << c.allowed;
    D3DTester tester(&app);
    tester.mUseRegistry = false;
    Run(tester);
    EXPECT_EQ(tester.mDriverYear, c.driverYear);
    EXPECT_EQ(tester.mWarning, c.supported ? "" : kUnsupported);
    EXPECT_EQ(tester.mFailureReason, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, CardLists,
    testing::Values(CardCase{"Dated2002", 2002, nullptr, nullptr, true},
        CardCase{"Dated2001", 2001, nullptr, nullptr, false},
        CardCase{"Blocked", 2005, "\n  SOFTWARE 3d  \r\n", nullptr, false},
        CardCase{"BlockedOtherCard", 2005, "voodoo\n", nullptr, true},
        CardCase{"AllowedOnly", 0, nullptr, "other card\n\nrasteriser)\n", true},
        CardCase{"NotOnTheAllowedList", 2005, nullptr, "other card\n", false}),
    [](const testing::TestParamInfo<CardCase>& info) { return std::string(info.param.name); });

// The read back of a 16-bit surface shifts its channels up without filling
// the low bits: white reads 0xF8FCF8, never the white the clipping test
// compares with, so every 16-bit surface doubts its clipping.
TEST_F(CapabilityTest, SixteenBitSurfacesPassTheBlendTests)
{
    D3DTester tester(&app);
    tester.mUseRegistry = false;
    std::ofstream(folder / "vhw.dat") << "vorn software";
    Run(tester, 16);
    EXPECT_EQ(tester.mFailureReason, "");
    EXPECT_EQ(tester.mWarning, "Clip problem detected.");
    // The clipping test's read back: black on even columns, white on odd.
    EXPECT_EQ(tester.mReadBack.mPixels[0], 0xFF000000u);
    EXPECT_EQ(tester.mReadBack.mPixels[1], 0xFFF8FCF8u);
    EXPECT_EQ(tester.mReadBack.mPixels[61], 0xFFF8FCF8u);
}

TEST(D3DTesterMath, DistancesAndChannels)
{
    EXPECT_EQ(D3DTester::ColorDistance(0x102030, 0), 3584);
    EXPECT_EQ(D3DTester::ColorDistance(0xFF000000, 0x00000000), 0);
    EXPECT_EQ(D3DTester::ColorDistance(0x7F007F, 0x80007F), 1);
    EXPECT_EQ(D3DTester::ColorDistance(0x000000, 0x101010), 768);
    EXPECT_EQ(D3DTester::HighestBit(0), -1);
    EXPECT_EQ(D3DTester::HighestBit(1), 0);
    EXPECT_EQ(D3DTester::HighestBit(0xF800), 15);
    EXPECT_EQ(D3DTester::HighestBit(0x80000000), 31);
    EXPECT_EQ(D3DTester::ChannelAt(0xFFFF, 0xF800, 23), 0xF80000u);
    EXPECT_EQ(D3DTester::ChannelAt(0xFFFF, 0x07E0, 15), 0xFC00u);
    EXPECT_EQ(D3DTester::ChannelAt(0xFFFF, 0x001F, 7), 0xF8u);
    EXPECT_EQ(D3DTester::ChannelAt(0x12345678, 0x00FF0000, 23), 0x340000u);
    EXPECT_EQ(D3DTester::ChannelAt(0x12345678, 0x000000FF, 7), 0x78u);
    EXPECT_EQ(D3DTester::ChannelAt(0x12345678, 0, 7), 0u);
}

TEST_F(CapabilityTest, ThirtyTwoBitSurfacesPassEveryTest)
{
    D3DTester tester(&app);
    tester.mUseRegistry = false;
    std::ofstream(folder / "vhw.dat") << "vorn software";
    Run(tester, 32);
    EXPECT_EQ(tester.mFailureReason, "");
    EXPECT_EQ(tester.mWarning, "");
    EXPECT_EQ(tester.mReadBack.mPixels[1], 0xFFFFFFFFu);
}

TEST_F(CapabilityTest, UniformAreaAndStripes)
{
    D3DTester tester(&app);
    tester.mReadBack = D3DTestImage(100, 100);
    tester.mReadBack.Fill(0xFF7F007F);
    bool uniform = false;
    EXPECT_EQ(tester.CheckUniformArea(0x7F007F, uniform), 0);
    EXPECT_TRUE(uniform);
    tester.mReadBack.mPixels[9 * 100 + 9] = 0xFF8F007F;
    EXPECT_EQ(tester.CheckUniformArea(0x7F007F, uniform), 0);
    EXPECT_FALSE(uniform);
    tester.mReadBack.mPixels[5] = 0xFF9F007F;
    EXPECT_EQ(tester.CheckUniformArea(0x7F007F, uniform), 1);
    // Outside the 10 x 10 nothing counts.
    tester.mReadBack.mPixels[10] = 0xFFFFFFFF;
    tester.mReadBack.mPixels[10 * 100] = 0xFFFFFFFF;
    EXPECT_EQ(tester.CheckUniformArea(0x7F007F, uniform), 1);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            tester.mReadBack.mPixels[static_cast<size_t>(y * 100 + x)] = x % 2 ? 0xFFFFFFFF : 0xFF000000;
    EXPECT_EQ(tester.CountStripeErrors(), 0);
    tester.mReadBack.mPixels[61 * 100 + 61] = 0;
    tester.mReadBack.mPixels[62 * 100 + 3] = 0;
    tester.mReadBack.mPixels[3 * 100 + 62] = 0;
    EXPECT_EQ(tester.CountStripeErrors(), 1);
}

TEST_F(CapabilityTest, DetectionSwitchesThreeDOnOnlyWithoutDoubt)
{
    const Testing::CurrentPathGuard back;
    std::filesystem::current_path(folder.Path());
    app.mAutoEnable3D = true;
    ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
    ASSERT_NE(display.mD3DTester, nullptr);
    EXPECT_FALSE(display.mIs3D);
    EXPECT_TRUE(display.mD3DTester->mFresh);
    EXPECT_TRUE(app.Is3DSupported());
    EXPECT_FALSE(app.Is3DRecommended());
}

TEST_F(CapabilityTest, ARecommendingVerdictStartsTheThreeDRoad)
{
    const Testing::CurrentPathGuard back;
    std::filesystem::current_path(folder.Path());
    std::ofstream(folder / "vhw.dat") << "Vorn software 3D device\n";
    app.mAutoEnable3D = true;
    ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
    EXPECT_TRUE(display.mIs3D);
    EXPECT_TRUE(app.Is3DRecommended());
    EXPECT_TRUE(display.GetScreenImage()->UsesDirect3D());
    // The test runs once per display.
    EXPECT_FALSE(display.RunD3DTest());
}

TEST_F(CapabilityTest, WithoutARequestNothingIsTested)
{
    ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
    EXPECT_EQ(display.mD3DTester, nullptr);
    EXPECT_FALSE(app.Is3DSupported());
    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_FALSE(app.mSettings->QueryValue(kKey, "Version", type, data));
}

} // namespace
