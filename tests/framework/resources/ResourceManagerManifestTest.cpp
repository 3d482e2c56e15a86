#include "framework/resources/ResourceManager.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Vorn;
using Res = ResourceManager;

std::string Body(const std::string& resources)
{
    return "<?xml version=\"1.0\"?>\n<ResourceManifest>\n<Resources id=\"G\">\n" + resources +
           "\n</Resources>\n</ResourceManifest>\n";
}

TEST(ResourceManagerManifest, ReadsOrFailsWithThisText)
{
    // The error is empty for success, else followed by " on Line <line> in File '<path>'".
    const struct {
        std::string text, error;
        int line = 4;
    } cases[] = {
        {Body("<Image path=\"a.png\"/>\n<Sound path=\"s.wav\"/>"), ""},
        {"<ResourceManifest><Resources id=\"G\"><Image path=\"a\"/>", ""},
        {"\n<Manifest>\n<Resources id=\"G\"/>", "Expecting ResourceManifest tag", 2},
        {"", "Expecting ResourceManifest tag", 1},
        {"<ResourceManifest>\n</Other>", "End 'Other' Doesn't Match Start 'ResourceManifest'", 2},
        {"<ResourceManifest>\n\n<Images id=\"G\"/>", "Invalid Section 'Images'", 3},
        {"<ResourceManifest><Resources/>", "No id specified.", 1},
        {"<ResourceManifest>hello<Resources id=\"G\"/>", "Element Not Expected 'hello'", 1},
        {Body("x"), "Element Not Expected 'x'", 5}, {Body("<Picture path=\"a\"/>"), "Invalid Section 'Picture'"},
        {Body("<Image path=\"a\"><Sound path=\"b\"/></Image>"), "Unexpected element found."},
        {Body("<Sound id=\"S\"/>"), "No path specified."}, {Body("<Sound path=\"\"/>"), "No path specified."},
        {Body("<Image path=\"a\"/>\n<Image path=\"x/a.png\"/>"), "Resource already defined.", 5},
        {Body("<Image path=\"a\"/><Sound path=\"a\"/><Font path=\"a\"/>"), ""},
        {Body("<Image path=\"a\" anim=\"LOOP\"/>"), ""},
        {Body("<Image path=\"a\" anim=\"spin\"/>"), "Invalid animation type."},
        {Body("<Font path=\"!sys:Arial\"/>"), "SysFont needs point size"},
        {Body("<Font path=\"!sys:Arial\" size=\"0\"/>"), "SysFont needs point size"},
        {Body("<Image path=\"a\" rows=\"0\"/>"), "Invalid rows or cols."},
        {Body("<Image path=\"a\" cols=\"-2\"/>"), "Invalid rows or cols."},
        {Body("<Image path=\"a\" rows=\"x\"/>"), "Invalid rows or cols."},
        {Body("<Image path=\"a\" cols=\"99999999999\" anim=\"pingpong\"/>"), "Invalid rows or cols."}};
    Testing::TempDir dir;
    for (const auto& c : cases) {
        dir.WriteFile("resources.xml", c.text);
        ResourceManager manager(nullptr);
        const bool ok = manager.ReadManifestFile(dir / "resources.xml");
        EXPECT_EQ(ok, c.error.empty()) << c.text;
        EXPECT_EQ(manager.HadFailure(), !ok);
        EXPECT_EQ(manager.GetErrorText(), c.error.empty() ? "" : c.error + " on Line " + std::to_string(c.line) +
                                                                     " in File '" + dir / "resources.xml" + "'");
        EXPECT_EQ(manager.mXMLParser, nullptr);
    }
}

TEST(ResourceManagerManifest, MissingFileHasNoLineOrFile)
{
    ResourceManager manager(nullptr);
    EXPECT_FALSE(manager.ReadManifestFile("no/such/resources.xml"));
    EXPECT_EQ(manager.GetErrorText(), "Resource file not found: no/such/resources.xml");
}

// The manifest's records after reading `text`.
struct Read {
    explicit Read(const std::string& text)
    {
        dir.WriteFile("r.xml", text);
        EXPECT_TRUE(manager.ReadManifestFile(dir / "r.xml")) << manager.GetErrorText();
    }
    Res::ImageRes& Image(const std::string& id) { return static_cast<Res::ImageRes&>(*manager.mImageMap.at(id)); }

    Testing::TempDir dir;
    ResourceManager manager{nullptr};
};

TEST(ResourceManagerManifest, DefaultsPrefixPathsAndIdsAcrossGroupsAndFiles)
{
    Read read("<ResourceManifest><Resources id=\"A\"><Image path=\"!program\"/>"
              "<SetDefaults path=\"gfx\\\" idprefix=\"IMAGE_\"/><Image path=\"images/x.png\" alphaimage=\"x_.png\"/>"
              "</Resources><Resources id=\"B\"><Sound id=\"S\" path=\"s.ogg\"/></Resources>"
              "<Resources id=\"A\"><Font path=\"!sys:Tahoma\" size=\"12\" bold=\"no\"/></Resources>"
              "</ResourceManifest>");
    read.dir.WriteFile("two.xml", "<ResourceManifest><Resources id=\"C\"><SetDefaults path=\"\"/>"
                                  "<Image path=\"y.png\"/></Resources></ResourceManifest>");
    ASSERT_TRUE(read.manager.ReadManifestFile(read.dir / "two.xml"));
    EXPECT_TRUE(read.Image("!program").mFromProgram);
    EXPECT_EQ(read.Image("IMAGE_x").mPath + " " + read.Image("IMAGE_x").mAlphaImage, "gfx/images/x.png gfx/x_.png");
    EXPECT_EQ(read.manager.mSoundMap.at("IMAGE_S")->mPath, "gfx/s.ogg");
    auto& font = static_cast<Res::FontRes&>(*read.manager.mFontMap.at("IMAGE_!sys:Tahoma"));
    EXPECT_TRUE(font.mSysFont && font.mBold);
    EXPECT_EQ(font.mPath, "Tahoma");
    EXPECT_EQ(read.Image("IMAGE_y").mPath, "/y.png");
    // One list per group id, in the manifest's order, across its elements.
    const Res::ResList& a = read.manager.mResGroupMap.at("A");
    EXPECT_EQ(std::vector<Res::BaseRes*>(a.begin(), a.end()),
              (std::vector<Res::BaseRes*>{&read.Image("!program"), &read.Image("IMAGE_x"), &font}));
}

// Flags, rows x cols, alpha colour, animation "type/frames/delay/total".
std::string Describe(const Res::ImageRes& r)
{
    char color[16];
    std::snprintf(color, sizeof color, "%06X", r.mAlphaColor);
    const CelAnimation& a = r.mAnimation;
    return std::string(r.mPalletize ? "P" : "") + (r.mA4R4G4B4 ? "4" : "") + (r.mA8R8G8B8 ? "8" : "") +
           (r.mDDSurface ? "D" : "") + (r.mPurgeBits ? "N" : "") + (r.mMinimizeSubdivisions ? "M" : "") + " " +
           std::to_string(r.mRows) + "x" + std::to_string(r.mCols) + " " + color + " " + std::to_string(a.mType) +
           "/" + std::to_string(a.mNumFrames) + "/" + std::to_string(a.mFrameDelay) + "/" +
           std::to_string(a.mTotalAnimTime);
}

TEST(ResourceManagerManifest, ImageAttributesGiveThisRecord)
{
    const char* cases[][2] = {
        {"", "P 1x1 FFFFFF 0/1/1/0"},
        // Presence counts, not the value.
        {"nopal=\"false\" a4r4g4b4 a8r8g8b8=\"0\" ddsurface minsubdivide", "48DM 1x1 FFFFFF 0/1/1/0"},
        {"nobits2d nobits3d=\"x\"", "PN 1x1 FFFFFF 0/1/1/0"}, {"alphacolor=\"ff8000\"", "P 1x1 FF8000 0/1/1/0"},
        {"alphacolor=\"0x12345678\"", "P 1x1 345678 0/1/1/0"}, {"alphacolor=\"zz\"", "P 1x1 FFFFFF 0/1/1/0"},
        {"rows=\" 3x\" cols=\"+2\"", "P 3x2 FFFFFF 0/1/1/0"},
        {"rows=\"2\" cols=\"5\" anim=\"once\" framedelay=\"3\"", "P 2x5 FFFFFF 1/5/3/15"},
        {"cols=\"4\" anim=\"PingPong\"", "P 1x4 FFFFFF 2/6/1/6"},
        {"cols=\"3\" anim=\"loop\" framedelay=\"2\" begindelay=\"10\" enddelay=\"5\"", "P 1x3 FFFFFF 3/3/2/17"},
        {"cols=\"3\" anim=\"loop\" perframedelay=\"3, 4,5\"", "P 1x3 FFFFFF 3/3/1/12"},
        {"cols=\"3\" anim=\"loop\" framemap=\"0,2,,1,0\"", "P 1x3 FFFFFF 3/5/1/5"}};
    for (const auto& [attributes, expected] : cases) {
        Read read(Body("<Image id=\"I\" path=\"a\" " + std::string(attributes) + "/>"));
        EXPECT_EQ(Describe(read.Image("I")), expected);
    }
}

TEST(ResourceManagerManifest, SoundNumbersLeaveDefaultsWhenNotNumbers)
{
    Read read(Body("<Sound id=\"A\" path=\"a\" volume=\"0.0\" pan=\"-300\"/>"
                   "<Sound id=\"B\" path=\"b\" volume=\"loud\" pan=\"left\"/>"));
    const auto& a = static_cast<Res::SoundRes&>(*read.manager.mSoundMap.at("A"));
    const auto& b = static_cast<Res::SoundRes&>(*read.manager.mSoundMap.at("B"));
    EXPECT_EQ(std::tuple(a.mVolume, a.mPan, b.mVolume, b.mPan, b.mSoundId), std::tuple(0.0, -300, -1.0, 0, -1));
}

TEST(ResourceManagerManifest, RedefinitionWhenAllowedUpdatesTheFirstRecord)
{
    Testing::TempDir dir;
    dir.WriteFile("r.xml", Body("<Image id=\"A\" path=\"a\"/><Image id=\"A\" path=\"b\" rows=\"2\"/>"));
    ResourceManager manager(nullptr);
    manager.mAllowAlreadyDefinedResources = true;
    ASSERT_TRUE(manager.ReadManifestFile(dir / "r.xml")) << manager.GetErrorText();
    const auto& a = static_cast<Res::ImageRes&>(*manager.mImageMap.at("A"));
    EXPECT_EQ(a.mPath + " " + std::to_string(a.mRows), "b 2");
    EXPECT_EQ(manager.mResGroupMap.at("G").size(), 1u);
}

} // namespace
