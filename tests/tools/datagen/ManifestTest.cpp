// The manifest of the generated data, read and loaded group by group through
// the framework's resource manager as the game does, and every picture's
// size held against the places the screens draw it.

#include "GameData.h"
#include "fakes/PoolingApp.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Res = Vorn::ResourceManager;

// Sounds load as the game's sound manager loads them: the manifest's name
// with ".wav" appended, through the file layer.
class WavSounds : public Testing::FileSounds {
public:
    bool LoadSound(unsigned int id, const std::string& name) override
    {
        const std::string data = Testing::GameArchive::Read(name + ".wav");
        if (data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0)
            return false;
        mLoaded[static_cast<int>(id)] = name;
        return true;
    }
};

struct ExpectedId {
    const char* group;
    Res::ResType kind;
    std::string id;
    int rows = 1;
    int cols = 1;
};

// Every id the game fetches after each group has loaded, with the cel
// layout the screens rely on.
std::vector<ExpectedId> GameIds()
{
    std::vector<ExpectedId> ids = {
        {"Init", Res::kFont, "FONT_SCORE"},
        {"Init", Res::kImage, "IMAGE_LOGO"},
        {"TitleScreen", Res::kImage, "IMAGE_BTN_CANCEL", 2},
        {"TitleScreen", Res::kImage, "IMAGE_BTN_OK", 2},
        {"TitleScreen", Res::kImage, "IMAGE_CHECKBOX"},
        {"TitleScreen", Res::kImage, "IMAGE_DIALOG_OPTIONS"},
        {"TitleScreen", Res::kImage, "IMAGE_HELP_SCREEN"},
        {"TitleScreen", Res::kImage, "IMAGE_MENU_LOGO"},
        {"TitleScreen", Res::kImage, "IMAGE_PAUSE"},
        {"TitleScreen", Res::kImage, "IMAGE_SCORES_BKG"},
        {"TitleScreen", Res::kImage, "IMAGE_SLIDER_THUMB"},
        {"TitleScreen", Res::kImage, "IMAGE_SLIDER_TRACK"},
        {"Game", Res::kImage, "IMAGE_BONUS", 1, 5},
        {"Game", Res::kImage, "IMAGE_GAME_OVER"},
        {"Game", Res::kImage, "IMAGE_MENU", 2},
        {"Game", Res::kImage, "IMAGE_NEXT_LEVEL"},
        {"Game", Res::kImage, "IMAGE_SYMBOLS", 4, 4},
        {"Game", Res::kImage, "IMAGE_TOKEN_SHADOW"},
        {"Game", Res::kImage, "IMAGE_VORTEX_BOTTOM"},
        {"Game", Res::kImage, "IMAGE_VORTEX_TOP"},
    };
    for (const char* menu : {"BEGINNER", "EASY", "EXIT", "HARD", "LOGO2", "NEW_GAME", "NO", "NORMAL", "OPTIONS", "PLAY",
             "RESUME", "SCORES", "YES"})
        ids.push_back({"TitleScreen", Res::kImage, std::string("IMAGE_MENU_") + menu, 2});
    for (const char* sound : {"BONUS", "BTN", "CLICK", "DELETE1", "DELETE2", "DELETE3", "ERROR", "EXPLODE", "GAME_END",
             "SCORE", "WARNING"})
        ids.push_back({"TitleScreen", Res::kSound, std::string("SOUND_") + sound});
    for (int i = 1; i <= 10; ++i)
        ids.push_back({"TitleScreen", Res::kSound, "SOUND_FLIP" + std::to_string(i)});
    for (int t = 1; t <= 4; ++t) {
        for (int v = 1; v <= 4; ++v)
            ids.push_back({"Game", Res::kImage, "IMAGE_BKG_" + std::to_string(t) + "_" + std::to_string(v)});
        ids.push_back({"Game", Res::kImage, "IMAGE_TRACK_" + std::to_string(t)});
    }
    for (int i = 1; i <= 6; ++i)
        ids.push_back({"Game", Res::kImage, "IMAGE_TOKEN_" + std::to_string(i)});
    return ids;
}

class GameManifest : public ::testing::Test {
protected:
    GameManifest()
    {
        mApp.mSoundManager = std::make_unique<WavSounds>();
    }

    void ReadAndLoad()
    {
        ASSERT_TRUE(mArchive.Added());
        ASSERT_TRUE(mManager.ReadManifestFile("properties\\resources.xml")) << mManager.GetErrorText();
        for (const char* group : {"Init", "TitleScreen", "Game"})
            ASSERT_TRUE(mManager.LoadGroup(group)) << group << ": " << mManager.GetErrorText();
    }
    const Vorn::MemoryImage& Image(const std::string& id)
    {
        mHeld.push_back(mManager.GetImageOrThrow(id));
        return *mHeld.back().GetImage();
    }
    int CelHeight(const std::string& id) { return Image(id).mHeight / Image(id).mNumRows; }
    // The picture's own pixels, decoded apart from the manager (which may
    // have reduced them to a palette).
    static std::unique_ptr<ImageLib::Image> Decoded(const std::string& id)
    {
        const std::map<std::string, std::string> paths = {{"IMAGE_HELP_SCREEN", "images/help_screen.png"},
            {"IMAGE_PAUSE", "images/pause.png"}, {"IMAGE_NEXT_LEVEL", "images/next_level.png"},
            {"IMAGE_GAME_OVER", "images/game_over.png"}};
        return ImageLib::LoadImageFile(paths.at(id), false);
    }

    Testing::GameArchive mArchive;
    Testing::PoolingApp mApp;
    Res mManager{&mApp};
    std::vector<Vorn::ImageRef> mHeld;
};

TEST_F(GameManifest, EveryGroupLoadsWholeWithEveryIdTheGameFetches)
{
    ReadAndLoad();
    std::map<std::string, int> perGroup;
    for (const ExpectedId& e : GameIds()) {
        SCOPED_TRACE(e.id);
        ++perGroup[e.group];
        const Res::ResMap& map = e.kind == Res::kImage ? mManager.mImageMap
                                 : e.kind == Res::kSound ? mManager.mSoundMap
                                                         : mManager.mFontMap;
        ASSERT_TRUE(map.contains(e.id));
        const Res::BaseRes& record = *map.at(e.id);
        EXPECT_EQ(record.mResGroup, e.group);
        if (e.kind == Res::kImage) {
            const auto& image = static_cast<const Res::ImageRes&>(record);
            EXPECT_EQ(image.mRows, e.rows);
            EXPECT_EQ(image.mCols, e.cols);
            EXPECT_NE(mManager.GetImageOrThrow(e.id).GetImage(), nullptr);
        } else if (e.kind == Res::kSound) {
            EXPECT_GE(mManager.GetSoundOrThrow(e.id), 0);
        } else {
            EXPECT_NE(mManager.GetFontOrThrow(e.id), nullptr);
        }
    }
    // Nothing beyond what the game fetches.
    for (const auto& [group, count] : perGroup)
        EXPECT_EQ(mManager.CountGroupResources(group), count) << group;
    // A font names its descriptor; its picture comes through the descriptor.
    EXPECT_FALSE(mManager.mFontMap.at("FONT_SCORE")->mXMLAttributes.contains("image"));
}

TEST_F(GameManifest, WholeWindowPicturesAre800By600AndTheFloorsOpaque)
{
    ReadAndLoad();
    std::vector<std::string> full = {"IMAGE_LOGO", "IMAGE_HELP_SCREEN", "IMAGE_PAUSE", "IMAGE_SCORES_BKG"};
    for (int t = 1; t <= 4; ++t) {
        full.push_back("IMAGE_TRACK_" + std::to_string(t));
        for (int v = 1; v <= 4; ++v) {
            const std::string id = "IMAGE_BKG_" + std::to_string(t) + "_" + std::to_string(v);
            full.push_back(id);
            EXPECT_FALSE(Image(id).mHasTrans || Image(id).mHasAlpha) << id;
        }
    }
    for (const std::string& id : full) {
        EXPECT_EQ(Image(id).mWidth, 800) << id;
        EXPECT_EQ(Image(id).mHeight, 600) << id;
    }
    // Laid over the game: partly see-through.
    for (const char* id : {"IMAGE_HELP_SCREEN", "IMAGE_PAUSE", "IMAGE_NEXT_LEVEL", "IMAGE_GAME_OVER"}) {
        const auto pixels = Decoded(id);
        ASSERT_TRUE(pixels) << id;
        bool seeThrough = false;
        for (int i = 0; i < pixels->GetWidth() * pixels->GetHeight() && !seeThrough; ++i)
            seeThrough = (pixels->GetBits()[i] >> 24) < 255;
        EXPECT_TRUE(seeThrough) << id;
    }
}

TEST_F(GameManifest, TitleButtonsFitTheirRowsAndTheBadgeClearsExit)
{
    ReadAndLoad();
    // Menu buttons are centred 50 pixels apart; EXIT's lower edge (440 + 25)
    // is where the badge at 528 may begin.
    for (const char* id : {"IMAGE_MENU_PLAY", "IMAGE_MENU_SCORES", "IMAGE_MENU_OPTIONS", "IMAGE_MENU_EXIT",
             "IMAGE_MENU_BEGINNER", "IMAGE_MENU_EASY", "IMAGE_MENU_NORMAL", "IMAGE_MENU_HARD", "IMAGE_MENU_RESUME",
             "IMAGE_MENU_NEW_GAME", "IMAGE_MENU_YES", "IMAGE_MENU_NO"}) {
        EXPECT_LE(CelHeight(id), 50) << id;
        EXPECT_EQ(Image(id).mHeight % 2, 0) << id;
        EXPECT_LE(Image(id).mWidth, 800) << id;
    }
    EXPECT_LE(CelHeight("IMAGE_MENU_LOGO2"), 126);
    EXPECT_LE(528 + CelHeight("IMAGE_MENU_LOGO2") / 2, 600);
    EXPECT_EQ(Image("IMAGE_MENU_LOGO").mWidth, Image("IMAGE_MENU_LOGO2").mWidth);
    EXPECT_EQ(Image("IMAGE_MENU_LOGO").mHeight, CelHeight("IMAGE_MENU_LOGO2"));
    // The board's menu button is sized to its whole picture at
    // (743 - w / 2, 28 - h / 2): it must stay inside the window.
    EXPECT_LE(743 + Image("IMAGE_MENU").mWidth / 2, 800);
    EXPECT_LE(Image("IMAGE_MENU").mHeight / 2, 28);
}

TEST_F(GameManifest, OptionsDialogControlsFallInsideItsPanel)
{
    ReadAndLoad();
    const int w = Image("IMAGE_DIALOG_OPTIONS").mWidth;
    const int h = Image("IMAGE_DIALOG_OPTIONS").mHeight;
    EXPECT_LE(15 + h, 600);
    EXPECT_LE(w, 800);
    // OK at x + 306, Cancel at x + 396, both at y + 395.
    EXPECT_LE(306 + Image("IMAGE_BTN_OK").mWidth, 396);
    EXPECT_LE(396 + Image("IMAGE_BTN_CANCEL").mWidth, w);
    EXPECT_LE(395 + CelHeight("IMAGE_BTN_OK"), h);
    EXPECT_LE(395 + CelHeight("IMAGE_BTN_CANCEL"), h);
    // Sliders from x + 360, width = track - 2, at y + 216 and y + 285.
    const int track = Image("IMAGE_SLIDER_TRACK").mWidth;
    EXPECT_EQ(track % 3, 0);
    EXPECT_LE(track, w - 358);
    EXPECT_LE(216 + Image("IMAGE_SLIDER_THUMB").mHeight, 285);
    EXPECT_LE(Image("IMAGE_SLIDER_TRACK").mHeight, Image("IMAGE_SLIDER_THUMB").mHeight);
    // The check box at (314, 338) shows one half of its picture.
    EXPECT_EQ(Image("IMAGE_CHECKBOX").mWidth % 2, 0);
    EXPECT_LE(314 + Image("IMAGE_CHECKBOX").mWidth / 2, w);
    EXPECT_LE(338 + Image("IMAGE_CHECKBOX").mHeight, 395);
}

TEST_F(GameManifest, BallPicturesShareOneCentreAndScale)
{
    ReadAndLoad();
    const int token = Image("IMAGE_TOKEN_1").mWidth;
    EXPECT_GE(token, 90);
    EXPECT_LE(token, 100);
    for (int i = 1; i <= 6; ++i) {
        const std::string id = "IMAGE_TOKEN_" + std::to_string(i);
        EXPECT_EQ(Image(id).mWidth, token) << id;
        EXPECT_EQ(Image(id).mHeight, token) << id;
    }
    EXPECT_EQ(Image("IMAGE_TOKEN_SHADOW").mWidth, Image("IMAGE_TOKEN_SHADOW").mHeight);
    // Symbol and special cels lie over the token: no larger than it.
    EXPECT_GE(Image("IMAGE_SYMBOLS").mNumRows * Image("IMAGE_SYMBOLS").mNumCols, 16);
    EXPECT_LE(Image("IMAGE_SYMBOLS").mWidth / Image("IMAGE_SYMBOLS").mNumCols, token);
    EXPECT_LE(CelHeight("IMAGE_SYMBOLS"), token);
    EXPECT_EQ(Image("IMAGE_BONUS").mNumRows * Image("IMAGE_BONUS").mNumCols, 5);
    EXPECT_LE(Image("IMAGE_BONUS").mWidth / 5, token);
    for (const char* id : {"IMAGE_VORTEX_BOTTOM", "IMAGE_VORTEX_TOP"})
        EXPECT_EQ(Image(id).mWidth, Image(id).mHeight) << id;
    // The stage banners are centred with their top at y 200.
    for (const char* id : {"IMAGE_NEXT_LEVEL", "IMAGE_GAME_OVER"}) {
        EXPECT_LE(Image(id).mHeight, 400) << id;
        EXPECT_LE(Image(id).mWidth, 800) << id;
    }
}

} // namespace
