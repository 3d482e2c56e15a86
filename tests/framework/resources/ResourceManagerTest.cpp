#include "framework/resources/ResourceManager.h"

#include "fakes/FakeWindow.h"
#include "fakes/FontFolder.h"
#include "fakes/PoolingApp.h"
#include "fakes/TempDir.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/FontData.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"
#include "framework/resources/ResourceManagerException.h"
#include "platform/DebugOutput.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;
using Res = ResourceManager;

using Testing::Tga;

// With a tag list far past the 1023 characters a fixed buffer would hold.
std::string Manifest()
{
    std::string tags = "a,b c";
    for (int i = 0; i < 400; ++i)
        tags += ",\ttag" + std::to_string(i) + "\r\n";
    return R"(<?xml version="1.0"?>
<ResourceManifest>
<Resources id="Game">
<SetDefaults path="gfx" idprefix="IMAGE_"/>
<Image id="A" path="a.tga" alphaimage="a_alpha.tga"/>
<Image id="CELS" path="cels.tga" alphagrid="grid.tga" rows="2" cols="2" anim="loop"/>
<Image path="!program"/>
<SetDefaults path="sfx/" idprefix="SOUND_"/>
<Sound id="S" path="s.wav" volume="0.5" pan="-20"/>
<SetDefaults path="fonts" idprefix="FONT_"/>
<Font id="SYS" path="!sys:Tahoma" size="12" shadow="1"/>
<Font id="F" path="f.txt" tags=")" + tags + R"("/>
<Font id="REF" path="!ref:FONT_F"/>
</Resources>
</ResourceManifest>
)";
}

// The game's files by name, complete.
std::vector<Tools::PakFile> GameFiles()
{
    return {
        {"properties/resources.xml", Manifest()},
        {"gfx/a.tga", Tga(2, 1, {0xFFFF0000, 0xFF00FF00})},
        {"gfx/a_alpha.tga", Tga(2, 1, {0xFF000040, 0xFF0000C0})},
        {"gfx/cels.tga", Tga(4, 2, std::vector<uint32_t>(8, 0xFF102030))},
        {"gfx/grid.tga", Tga(2, 1, {0xFF00000A, 0xFF0000C8})},
        {"sfx/s.wav", "RIFF"},
        {"fonts/f.txt", "Define Name 'x';\nCreateLayer Main;\nLayerSetImage Main 'f.tga';\n"},
        {"fonts/f.tga", Tga(1, 1, {0xFFFFFFFF})},
    };
}

// A game folder as the working folder, with its own file layer.
class Game : public ::testing::Test {
protected:
    Game() : mFolder(std::filesystem::current_path()), mLayer(std::exchange(gPakInterface, &mPak))
    {
        std::filesystem::current_path(mDir.Path());
    }
    ~Game() override
    {
        std::filesystem::current_path(mFolder);
        gPakInterface = mLayer;
    }

    void Write(const std::vector<Tools::PakFile>& files, bool inArchive = false)
    {
        if (inArchive) {
            ASSERT_TRUE(Tools::WritePak("main.pak", files));
            ASSERT_TRUE(mPak.AddArchive("main.pak"));
            return;
        }
        for (const Tools::PakFile& file : files)
            mDir.WriteFile(file.name, file.data);
    }
    void Open(const std::vector<Tools::PakFile>& files, bool inArchive = false)
    {
        Write(files, inArchive);
        ASSERT_TRUE(mManager.ReadManifestFile("properties\\resources.xml")) << mManager.GetErrorText();
    }
    // The alpha bytes of the image's first four pixels.
    uint32_t Alphas(const std::string& id)
    {
        const MemoryImage* image = static_cast<Res::ImageRes&>(*mManager.mImageMap.at(id)).mImage.GetImage();
        uint32_t alphas = 0;
        for (size_t i = 0; i < image->PixelCount() && i < 4; ++i)
            alphas = alphas << 8 | image->PixelAt(i) >> 24;
        return alphas;
    }

    Testing::TempDir mDir;
    PakInterface mPak;
    std::filesystem::path mFolder;
    PakInterface* mLayer;
    Testing::PoolingApp mApp;
    ResourceManager mManager{&mApp};
};

// From an archive or not, all at once or step by step.
class GroupLoad : public Game, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(GroupLoad, LoadsEveryRecordOnce)
{
    const auto [inArchive, stepByStep] = GetParam();
    Open(GameFiles(), inArchive);
    EXPECT_EQ(mManager.CountGroupResources("Game"), 6);
    int steps = 0;
    for (mManager.BeginGroupLoad("Game"); stepByStep && mManager.LoadNextOfGroup();)
        ++steps;
    EXPECT_EQ(steps, stepByStep ? 6 : 0);
    ASSERT_TRUE(stepByStep ? !mManager.HadFailure() : mManager.LoadGroup("Game")) << mManager.GetErrorText();

    EXPECT_EQ(Alphas("IMAGE_A"), 0x40C0u);
    EXPECT_EQ(Alphas("IMAGE_CELS"), 0x0AC80AC8u);
    const MemoryImage* cels = mManager.GetImageOrThrow("IMAGE_CELS").GetImage();
    EXPECT_EQ(cels->PixelAt(7) >> 24, 0xC8u);
    ASSERT_NE(cels->mAnimation, nullptr);
    EXPECT_EQ(cels->mAnimation->mType, CelAnimation::kLoop);
    const int sound = mManager.GetSoundOrThrow("SOUND_S");
    EXPECT_EQ(mApp.mSounds->mLoaded.at(sound), "sfx/s.wav");
    EXPECT_EQ(mApp.mSounds->mBaseVolume.at(sound), 0.5);
    EXPECT_EQ(mApp.mSounds->mBasePan.at(sound), -20);
    auto* sys = dynamic_cast<SysFont*>(mManager.GetFontOrThrow("FONT_SYS"));
    EXPECT_TRUE(sys && sys->mDrawShadow);
    auto* font = dynamic_cast<ImageFont*>(mManager.GetFontOrThrow("FONT_F"));
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->mTags.size(), 403u);
    EXPECT_EQ(font->mTags[0] + font->mTags[1] + font->mTags[2] + font->mTags.back(), "ABCTAG399");
    EXPECT_NE(dynamic_cast<ImageFont*>(mManager.GetFontOrThrow("FONT_REF")), font);

    mManager.FreeGroup("Game");
    EXPECT_TRUE(mApp.mSounds->mLoaded.empty());
    EXPECT_EQ(mManager.GetFontRef("FONT_F"), nullptr);
    EXPECT_THROW(mManager.GetImageOrThrow("IMAGE_A"), ResourceManagerException);
    EXPECT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
}

INSTANTIATE_TEST_SUITE_P(Sources, GroupLoad, ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST_F(Game, AMissingOrBadFileStopsTheGroupWithThisText)
{
    // The file left out, or replaced when `data` is given.
    const struct {
        std::string file, data, error;
    } cases[] = {
        {"gfx/a.tga", "", "Failed to load image: gfx/a.tga"},
        {"gfx/a_alpha.tga", "", "Failed to load image: gfx/a_alpha.tga"},
        {"gfx/a_alpha.tga", Tga(1, 1, {0}), "AlphaImage size mismatch between gfx/a.tga and gfx/a_alpha.tga"},
        {"gfx/grid.tga", Tga(4, 2, std::vector<uint32_t>(8)),
         "GridAlphaImage size mismatch between gfx/cels.tga and gfx/grid.tga"},
        {"sfx/s.wav", "", "Failed to load sound: sfx/s.wav"}, {"fonts/f.txt", "", "Failed to load font: fonts/f.txt"},
        {"fonts/f.txt", "A (1, 2;", "Failed to load font: fonts/f.txt"}};
    for (const auto& c : cases) {
        Write(GameFiles());
        std::filesystem::remove(c.file);
        if (!c.data.empty())
            Write({{c.file, c.data}});
        Testing::PoolingApp app;
        ResourceManager manager(&app);
        ASSERT_TRUE(manager.ReadManifestFile("properties/resources.xml"));
        EXPECT_FALSE(manager.LoadGroup("Game"));
        EXPECT_EQ(manager.GetErrorText(), c.error);
        EXPECT_FALSE(manager.LoadNextOfGroup());
        EXPECT_TRUE(manager.mLoadedGroups.empty());
    }
}

// A width-list font draws from a display image of the application's; its
// width list lies on the disk beside the program.
TEST_F(Game, AWidthListFontTakesItsImageFromTheApplication)
{
    const std::string manifest = "<ResourceManifest><Resources id=\"G\"><Font id=\"W\" path=\"w.txt\" "
                                 "image=\"w.tga\"/></Resources></ResourceManifest>";
    Write({{"m.xml", manifest}, {"w.txt", "2 2 A 3 B 3"}});
    ASSERT_TRUE(mManager.ReadManifestFile("m.xml"));
    EXPECT_FALSE(mManager.LoadGroup("G"));
    EXPECT_EQ(mManager.GetErrorText(), "Failed to load image: w.tga");

    Write({{"w.tga", Tga(6, 1, std::vector<uint32_t>(6, 0xFF00FF00))}});
    ASSERT_TRUE(mManager.LoadGroup("G")) << mManager.GetErrorText();
    const auto& res = static_cast<Res::FontRes&>(*mManager.mFontMap.at("W"));
    ASSERT_NE(dynamic_cast<DDImage*>(res.mImage.get()), nullptr);
    auto* font = dynamic_cast<ImageFont*>(mManager.GetFontOrThrow("W"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mFontData->mFontLayerList.front().mImage.GetImage(), res.mImage.get());
    EXPECT_EQ(font->StringWidth("AbB"), 9);
}

TEST_F(Game, RetryAfterAFailedAlphaLoadGetsTheAlpha)
{
    std::vector<Tools::PakFile> files = GameFiles();
    const Tools::PakFile alpha = files[2];
    files.erase(files.begin() + 2);
    Open(files);
    EXPECT_FALSE(mManager.LoadGroup("Game"));
    EXPECT_TRUE(mApp.mSharedImageMap.empty());
    Write({alpha});
    ASSERT_TRUE(mManager.LoadGroup("Game")) << mManager.GetErrorText();
    EXPECT_EQ(Alphas("IMAGE_A"), 0x40C0u);
}

TEST_F(Game, LookupsThrowTheFirstFailureAndExcuseProgramResourcesOnlyWhenAllowed)
{
    Open(GameFiles());
    EXPECT_THROW(mManager.GetSoundOrThrow("IMAGE_A"), ResourceManagerException);
    try {
        mManager.GetFontOrThrow("FONT_F");
        ADD_FAILURE();
    } catch (const ResourceManagerException& e) {
        EXPECT_EQ(e.mWhat, "Sound resource not found: IMAGE_A");
    }
    EXPECT_THROW(mManager.GetImageOrThrow("IMAGE_!program"), ResourceManagerException);
    mManager.mAllowMissingProgramResources = true;
    EXPECT_EQ(mManager.GetImageOrThrow("IMAGE_!program").GetImage(), nullptr);
}

// The manifest reader keeps its own group list: reading between two steps
// must not move the load position to another list.
TEST_F(Game, AManifestReadBetweenStepsLeavesTheLoadPositionAlone)
{
    std::vector<Tools::PakFile> files = GameFiles();
    files.push_back({"more.xml", "<ResourceManifest><Resources id=\"Other\"><Sound path=\"sfx/s.wav\"/>"
                                 "</Resources></ResourceManifest>"});
    Open(files);
    mManager.BeginGroupLoad("Game");
    EXPECT_TRUE(mManager.LoadNextOfGroup());
    ASSERT_TRUE(mManager.ReadManifestFile("more.xml"));
    int steps = 1;
    while (mManager.LoadNextOfGroup())
        ++steps;
    EXPECT_EQ(steps, 6);
}

// A surface is wanted for an image without partial alpha, which then gives
// up its bits for it. A shared image that already has a surface is not
// palettized at once but at the display's next rebuild.
TEST_F(Game, SurfaceAndPaletteFlagsFollowTheManifest)
{
    Testing::FakeWindow window;
    ASSERT_TRUE(window.Create({"", mApp.mWidth, mApp.mHeight, Platform::WindowStyle::Framed, {}}));
    const Platform::DebugSink sink = Platform::SetDebugSink([](std::string_view) {});
    ASSERT_EQ(mApp.mDDInterface->Init(&window, true), DDInterface::RESULT_OK);
    Platform::SetDebugSink(sink);
    Open({{"properties/resources.xml",
           R"(<ResourceManifest><Resources id="One"><Image id="S" path="s.tga" ddsurface="1" nopal="1"/>)"
           R"(<Image id="T" path="t.tga" ddsurface="1" nopal="1"/></Resources><Resources id="Two">)"
           R"(<Image id="P" path="s.tga"/><Image id="Q" path="t.tga"/></Resources></ResourceManifest>)"},
          {"s.tga", Tga(2, 1, {0xFFFF0000, 0x00000000})}, {"t.tga", Tga(2, 1, {0x80FF0000, 0xFF00FF00})}});
    ASSERT_TRUE(mManager.LoadGroup("One")) << mManager.GetErrorText();
    auto* s = dynamic_cast<DDImage*>(mManager.GetImageOrThrow("S").GetImage());
    auto* t = dynamic_cast<DDImage*>(mManager.GetImageOrThrow("T").GetImage());
    ASSERT_TRUE(s && t);
    EXPECT_TRUE(s->mWantDDSurface && s->mPurgeBits && s->mSurface && !s->mBits);
    EXPECT_FALSE(t->mWantDDSurface || t->mPurgeBits || t->mSurface);
    ASSERT_TRUE(mManager.LoadGroup("Two")) << mManager.GetErrorText();
    EXPECT_TRUE(s->mWantPal && s->mSurface && !s->mColorTable);
    EXPECT_NE(t->mColorTable, nullptr);
}

} // namespace
