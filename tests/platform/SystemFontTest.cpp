#include "platform/SystemFont.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using Platform::SystemFont;

const std::string kFolder = "/usr/share/fonts/truetype/dejavu/";

// A desktop with a serif face and a sans-serif one, the serif found first,
// where "sans-serif" means DejaVu Sans.
bool PinSerifAndSans()
{
    if (!std::filesystem::exists(kFolder + "DejaVuSerif.ttf") || !std::filesystem::exists(kFolder + "DejaVuSans.ttf"))
        return false;
    FcConfig* config = FcConfigCreate();
    for (const char* file : {"DejaVuSerif.ttf", "DejaVuSans.ttf"})
        FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>((kFolder + file).c_str()));
    const char* aliases = R"(<?xml version="1.0"?><fontconfig>
        <alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
        <alias><family>serif</family><prefer><family>DejaVu Serif</family></prefer></alias></fontconfig>)";
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(aliases), FcTrue);
    const bool current = FcConfigSetCurrent(config) == FcTrue;
    FcConfigDestroy(config);
    return current;
}

class SystemFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PinSerifAndSans())
            GTEST_SKIP() << "needs fonts-dejavu-core";
    }
    static std::vector<uint8_t> Letter(const std::string& face)
    {
        const std::unique_ptr<SystemFont> font = SystemFont::Open(face, 16, false, false);
        return font ? font->Glyph('R').coverage : std::vector<uint8_t>();
    }
};

TEST_F(SystemFontTest, TheOtherDesktopsFacesAreTheSansSerifFace)
{
    const std::vector<uint8_t> sans = Letter("DejaVu Sans");
    ASSERT_FALSE(sans.empty());
    ASSERT_NE(Letter("DejaVu Serif"), sans);
    for (const char* face : {"Tahoma", "Arial", "Arial Unicode MS", "TAHOMA"})
        EXPECT_EQ(Letter(face), sans) << face;
}

TEST_F(SystemFontTest, SizesBelowOneHaveNoFontAndLargeOnesAreHeld)
{
    EXPECT_EQ(SystemFont::Open("Tahoma", 0, false, false), nullptr);
    const auto held = SystemFont::Open("Tahoma", 100000, false, false);
    const auto largest = SystemFont::Open("Tahoma", SystemFont::kMaxPixelSize, false, false);
    ASSERT_TRUE(held && largest);
    EXPECT_EQ(held->Ascent(), largest->Ascent());
    EXPECT_EQ(held->Glyph('W').advance, largest->Glyph('W').advance);
}

// DejaVu Sans: ascender 1901, descender -483, underline middle -85 and
// thickness 90 of 2048 units; at 16 pixels the metrics are rounded outward.
TEST_F(SystemFontTest, MetricsOfTheFaceAtItsSize)
{
    const auto font = SystemFont::Open("Tahoma", 16, false, false);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Ascent(), 15);
    EXPECT_EQ(font->Descent(), 4);
    EXPECT_EQ(font->UnderlineTop(), 0);
    EXPECT_EQ(font->UnderlineThickness(), 1);
    const Platform::GlyphImage& space = font->Glyph(' ');
    EXPECT_EQ(space.width * space.height, 0);
    EXPECT_EQ(space.advance, 5);
}

} // namespace
