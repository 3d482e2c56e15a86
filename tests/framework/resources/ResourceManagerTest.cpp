#include "framework/resources/ResourceManager.h"

#include "fakes/PoolingApp.h"
#include "fakes/TempDir.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManagerException.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;
using Res = ResourceManager;

// A PNG of the given pixels, row by row.
std::string Png(int width, int height, const std::vector<uint32_t>& pixels)
{
    const auto image = ImageLib::Image::Create(width, height);
    std::copy(pixels.begin(), pixels.end(), image->GetBits());
    const Testing::TempDir dir;
    const std::string path = dir / "image.png";
    EXPECT_TRUE(ImageLib::WritePNGImage(path, *image));
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

const std::string kManifest = R"(<?xml version="1.0"?>
<ResourceManifest>
<Resources id="Game">
<SetDefaults path="gfx" idprefix="IMAGE_"/>
<Image id="A" path="a.png" alphaimage="a_alpha.png"/>
<Image id="CELS" path="cels.png" alphagrid="grid.png" rows="2" cols="2" anim="loop"/>
<Image path="!program"/>
<SetDefaults path="sfx/" idprefix="SOUND_"/>
<Sound id="S" path="s.wav" volume="0.5" pan="-20"/>
<SetDefaults path="fonts" idprefix="FONT_"/>
<Font id="SYS" path="!sys:Tahoma" size="12" shadow="1"/>
<Font id="F" path="f.txt" tags="a,b c"/>
<Font id="REF" path="!ref:FONT_F"/>
</Resources>
</ResourceManifest>
)";

// The game's files by name, complete.
std::vector<Tools::PakFile> GameFiles()
{
    return {
        {"properties/resources.xml", kManifest},
        {"gfx/a.png", Png(2, 1, {0xFFFF0000, 0xFF00FF00})},
        {"gfx/a_alpha.png", Png(2, 1, {0xFF000040, 0xFF0000C0})},
        {"gfx/cels.png", Png(4, 2, std::vector<uint32_t>(8, 0xFF102030))},
        {"gfx/grid.png", Png(2, 1, {0xFF00000A, 0xFF0000C8})},
        {"sfx/s.wav", "RIFF"},
        {"fonts/f.txt", "Define Name 'x';\nLayerSetImage Main 'font.png';\n"},
    };
}

// A game folder as the working folder, with its own file layer.
class GameFolder {
public:
    GameFolder() : mFolder(std::filesystem::current_path()), mLayer(std::exchange(gPakInterface, &mPak))
    {
        std::filesystem::current_path(mDir.Path());
    }
    ~GameFolder()
    {
        std::filesystem::current_path(mFolder);
        gPakInterface = mLayer;
    }

    void Write(const std::vector<Tools::PakFile>& files, bool inArchive)
    {
        if (inArchive) {
            ASSERT_TRUE(Tools::WritePak("main.pak", files));
            ASSERT_TRUE(mPak.AddArchive("main.pak"));
            return;
        }
        for (const Tools::PakFile& file : files)
            mDir.WriteFile(file.name, file.data);
    }

    Testing::TempDir mDir;
    PakInterface mPak;
    std::filesystem::path mFolder;
    PakInterface* mLayer;
};

uint32_t Alphas(const Res::ImageRes& res)
{
    const MemoryImage* image = res.mImage.GetImage();
    uint32_t alphas = 0;
    for (size_t i = 0; i < image->PixelCount() && i < 4; ++i)
        alphas = alphas << 8 | image->PixelAt(i) >> 24;
    return alphas;
}

struct LoadCase {
    const char* name;
    bool inArchive;
    bool stepByStep;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class GroupLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(GroupLoad, LoadsEveryRecordOnce)
{
    GameFolder folder;
    folder.Write(GameFiles(), GetParam().inArchive);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties\\resources.xml")) << manager.GetErrorText();
    EXPECT_EQ(manager.CountGroupResources("Game"), 6);
    EXPECT_EQ(manager.CountGroupResources(""), 7);

    if (GetParam().stepByStep) {
        manager.BeginGroupLoad("Game");
        int steps = 0;
        while (manager.LoadNextOfGroup())
            ++steps;
        EXPECT_EQ(steps, 6);
        EXPECT_FALSE(manager.HadFailure()) << manager.GetErrorText();
        EXPECT_TRUE(manager.mLoadedGroups.empty());
        manager.BeginGroupLoad("Game");
        EXPECT_FALSE(manager.LoadNextOfGroup());
    } else {
        ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
        EXPECT_TRUE(manager.mLoadedGroups.contains("Game"));
        EXPECT_TRUE(manager.LoadGroup("Game"));
    }

    EXPECT_EQ(Alphas(static_cast<Res::ImageRes&>(*manager.mImageMap.at("IMAGE_A"))), 0x40C0u);
    auto& cels = static_cast<Res::ImageRes&>(*manager.mImageMap.at("IMAGE_CELS"));
    EXPECT_EQ(Alphas(cels), 0x0AC80AC8u);
    EXPECT_EQ(cels.mImage.GetImage()->PixelAt(7) >> 24, 0xC8u);
    EXPECT_EQ(cels.mImage.GetImage()->mNumCols, 2);
    ASSERT_NE(cels.mImage.GetImage()->mAnimation, nullptr);
    EXPECT_EQ(cels.mImage.GetImage()->mAnimation->mType, CelAnimation::kLoop);
    EXPECT_EQ(manager.GetImageOrThrow("IMAGE_A").GetImage(), manager.GetImageOrThrow("IMAGE_A").GetImage());

    const int sound = manager.GetSoundOrThrow("SOUND_S");
    EXPECT_EQ(app.mSounds->mLoaded.at(sound), "sfx/s.wav");
    EXPECT_EQ(app.mSounds->mBaseVolume.at(sound), 0.5);
    EXPECT_EQ(app.mSounds->mBasePan.at(sound), -20);

    auto* sys = dynamic_cast<SysFont*>(manager.GetFontOrThrow("FONT_SYS"));
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->GetHeight(), 16);
    EXPECT_TRUE(sys->mDrawShadow);
    auto* font = dynamic_cast<ImageFont*>(manager.GetFontOrThrow("FONT_F"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mTags, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_NE(dynamic_cast<ImageFont*>(manager.GetFontOrThrow("FONT_REF")), font);

    manager.FreeGroup("Game");
    EXPECT_TRUE(app.mSounds->mLoaded.empty());
    EXPECT_EQ(manager.GetFontRef("FONT_F"), nullptr);
    EXPECT_THROW(manager.GetImageOrThrow("IMAGE_A"), ResourceManagerException);
    EXPECT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
}

INSTANTIATE_TEST_SUITE_P(Sources, GroupLoad, ::testing::Values(
    LoadCase{"DiskAtOnce", false, false},
    LoadCase{"DiskStepByStep", false, true},
    LoadCase{"ArchiveAtOnce", true, false},
    LoadCase{"ArchiveStepByStep", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    // The file left out, or replaced when `data` is given.
    std::string file;
    std::string data;
    std::string error;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class LoadFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LoadFailure, StopsTheGroupWithThisText)
{
    GameFolder folder;
    std::vector<Tools::PakFile> files = GameFiles();
    std::erase_if(files, [](const Tools::PakFile& f) { return f.name == GetParam().file; });
    if (!GetParam().data.empty())
        files.push_back({GetParam().file, GetParam().data});
    folder.Write(files, false);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
    EXPECT_FALSE(manager.LoadGroup("Game"));
    EXPECT_EQ(manager.GetErrorText(), GetParam().error);
    EXPECT_FALSE(manager.LoadNextOfGroup());
    EXPECT_TRUE(manager.mLoadedGroups.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, LoadFailure, ::testing::Values(
    FailureCase{"MissingImage", "gfx/a.png", "", "Failed to load image: gfx/a.png"},
    FailureCase{"MissingAlphaImage", "gfx/a_alpha.png", "", "Failed to load image: gfx/a_alpha.png"},
    FailureCase{"AlphaOfAnotherSize", "gfx/a_alpha.png", Png(1, 1, {0}), "AlphaImage size mismatch between gfx/a.png and gfx/a_alpha.png"},
    FailureCase{"GridOfAnotherSize", "gfx/grid.png", Png(4, 2, std::vector<uint32_t>(8)), "GridAlphaImage size mismatch between gfx/cels.png and gfx/grid.png"},
    FailureCase{"MissingSound", "sfx/s.wav", "", "Failed to load sound: sfx/s.wav"},
    FailureCase{"MissingDescriptor", "fonts/f.txt", "", "Failed to load font: fonts/f.txt"},
    FailureCase{"MalformedDescriptor", "fonts/f.txt", "A (1, 2;", "Failed to load font: fonts/f.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResourceManager, RetryAfterAFailedAlphaLoadGetsTheAlpha)
{
    GameFolder folder;
    std::vector<Tools::PakFile> files = GameFiles();
    const Tools::PakFile alpha = files[2];
    files.erase(files.begin() + 2);
    folder.Write(files, false);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
    EXPECT_FALSE(manager.LoadGroup("Game"));
    EXPECT_TRUE(app.mSharedImageMap.empty());

    folder.Write({alpha}, false);
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    EXPECT_EQ(Alphas(static_cast<Res::ImageRes&>(*manager.mImageMap.at("IMAGE_A"))), 0x40C0u);
}

TEST(ResourceManager, LookupsThrowTheFirstFailureAndExcuseProgramResourcesOnlyWhenAllowed)
{
    GameFolder folder;
    folder.Write(GameFiles(), false);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
    try {
        manager.GetSoundOrThrow("IMAGE_A");
        FAIL();
    } catch (const ResourceManagerException& e) {
        EXPECT_EQ(e.mWhat, "Sound resource not found: IMAGE_A");
    }
    try {
        manager.GetFontOrThrow("FONT_F");
        FAIL();
    } catch (const ResourceManagerException& e) {
        EXPECT_EQ(e.mWhat, "Sound resource not found: IMAGE_A");
    }
    EXPECT_THROW(manager.GetImageOrThrow("IMAGE_!program"), ResourceManagerException);
    manager.mAllowMissingProgramResources = true;
    EXPECT_EQ(manager.GetImageOrThrow("IMAGE_!program").GetImage(), nullptr);
}

TEST(ResourceManager, TagListsOfAnyLengthReachTheFont)
{
    GameFolder folder;
    std::string tags;
    for (int i = 0; i < 400; ++i)
        tags += "\ttag" + std::to_string(i) + ",\r\n";
    std::vector<Tools::PakFile> files = GameFiles();
    files[0].data = "<ResourceManifest><Resources id=\"G\"><Font id=\"F\" path=\"fonts/f.txt\" tags=\"" + tags +
                    "\"/></Resources></ResourceManifest>";
    folder.Write(files, false);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
    ASSERT_TRUE(manager.LoadGroup("G")) << manager.GetErrorText();
    const auto* font = dynamic_cast<ImageFont*>(manager.GetFontOrThrow("F"));
    ASSERT_EQ(font->mTags.size(), 400u);
    EXPECT_EQ(font->mTags.back(), "TAG399");
}

TEST(ResourceManager, StepsWithoutAGroupOrOfAnUnknownGroupEndAtOnce)
{
    ResourceManager manager(nullptr);
    EXPECT_FALSE(manager.LoadNextOfGroup());
    manager.BeginGroupLoad("Nowhere");
    EXPECT_FALSE(manager.LoadNextOfGroup());
    EXPECT_FALSE(manager.HadFailure());
}

// The manifest reader keeps its own group list: reading between two steps
// must not move the load position to another list.
TEST(ResourceManager, AManifestReadBetweenStepsLeavesTheLoadPositionAlone)
{
    GameFolder folder;
    std::vector<Tools::PakFile> files = GameFiles();
    files.push_back({"more.xml", "<ResourceManifest><Resources id=\"Other\"><Sound path=\"sfx/s.wav\"/>"
                                 "</Resources></ResourceManifest>"});
    folder.Write(files, false);
    Testing::PoolingApp app;
    ResourceManager manager(&app);
    ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
    manager.BeginGroupLoad("Game");
    ASSERT_TRUE(manager.LoadNextOfGroup());
    ASSERT_TRUE(manager.ReadManifestFile("more.xml"));
    int steps = 1;
    while (manager.LoadNextOfGroup())
        ++steps;
    EXPECT_EQ(steps, 6);
    EXPECT_EQ(manager.GetSoundOrThrow("SOUND_S"), 0);
}

} // namespace
