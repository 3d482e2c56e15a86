#include "game/GameResources.h"

#include "TestGameApp.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace {

using Global = std::variant<Vorn::Image**, int*, Vorn::Font**>;

struct Named {
    std::string id;
    Global global;
};

// Every id the game names, by group, with the global it lands in.
std::map<std::string, std::vector<Named>> GameIds()
{
    std::map<std::string, std::vector<Named>> ids;
    ids["Init"] = {{"FONT_SCORE", &FONT_SCORE}, {"IMAGE_LOGO", &IMAGE_LOGO}};
    ids["TitleScreen"] = {{"IMAGE_BTN_CANCEL", &IMAGE_BTN_CANCEL}, {"IMAGE_BTN_OK", &IMAGE_BTN_OK},
        {"IMAGE_CHECKBOX", &IMAGE_CHECKBOX}, {"IMAGE_DIALOG_OPTIONS", &IMAGE_DIALOG_OPTIONS},
        {"IMAGE_HELP_SCREEN", &IMAGE_HELP_SCREEN}, {"IMAGE_MENU_BEGINNER", &IMAGE_MENU_BEGINNER},
        {"IMAGE_MENU_EASY", &IMAGE_MENU_EASY}, {"IMAGE_MENU_EXIT", &IMAGE_MENU_EXIT},
        {"IMAGE_MENU_HARD", &IMAGE_MENU_HARD}, {"IMAGE_MENU_LOGO", &IMAGE_MENU_LOGO},
        {"IMAGE_MENU_LOGO2", &IMAGE_MENU_LOGO2}, {"IMAGE_MENU_NEW_GAME", &IMAGE_MENU_NEW_GAME},
        {"IMAGE_MENU_NO", &IMAGE_MENU_NO}, {"IMAGE_MENU_NORMAL", &IMAGE_MENU_NORMAL},
        {"IMAGE_MENU_OPTIONS", &IMAGE_MENU_OPTIONS}, {"IMAGE_MENU_PLAY", &IMAGE_MENU_PLAY},
        {"IMAGE_MENU_RESUME", &IMAGE_MENU_RESUME}, {"IMAGE_MENU_SCORES", &IMAGE_MENU_SCORES},
        {"IMAGE_MENU_YES", &IMAGE_MENU_YES}, {"IMAGE_PAUSE", &IMAGE_PAUSE}, {"IMAGE_SCORES_BKG", &IMAGE_SCORES_BKG},
        {"IMAGE_SLIDER_THUMB", &IMAGE_SLIDER_THUMB}, {"IMAGE_SLIDER_TRACK", &IMAGE_SLIDER_TRACK},
        {"SOUND_BONUS", &SOUND_BONUS}, {"SOUND_BTN", &SOUND_BTN}, {"SOUND_CLICK", &SOUND_CLICK},
        {"SOUND_DELETE1", &SOUND_DELETE1}, {"SOUND_DELETE2", &SOUND_DELETE2}, {"SOUND_DELETE3", &SOUND_DELETE3},
        {"SOUND_ERROR", &SOUND_ERROR}, {"SOUND_EXPLODE", &SOUND_EXPLODE}, {"SOUND_FLIP1", &SOUND_FLIP1},
        {"SOUND_FLIP2", &SOUND_FLIP2}, {"SOUND_FLIP3", &SOUND_FLIP3}, {"SOUND_FLIP4", &SOUND_FLIP4},
        {"SOUND_FLIP5", &SOUND_FLIP5}, {"SOUND_FLIP6", &SOUND_FLIP6}, {"SOUND_FLIP7", &SOUND_FLIP7},
        {"SOUND_FLIP8", &SOUND_FLIP8}, {"SOUND_FLIP9", &SOUND_FLIP9}, {"SOUND_FLIP10", &SOUND_FLIP10},
        {"SOUND_GAME_END", &SOUND_GAME_END}, {"SOUND_SCORE", &SOUND_SCORE}, {"SOUND_WARNING", &SOUND_WARNING}};
    ids["Game"] = {{"IMAGE_BKG_1_1", &IMAGE_BKG_1_1}, {"IMAGE_BKG_1_2", &IMAGE_BKG_1_2},
        {"IMAGE_BKG_1_3", &IMAGE_BKG_1_3}, {"IMAGE_BKG_1_4", &IMAGE_BKG_1_4}, {"IMAGE_BKG_2_1", &IMAGE_BKG_2_1},
        {"IMAGE_BKG_2_2", &IMAGE_BKG_2_2}, {"IMAGE_BKG_2_3", &IMAGE_BKG_2_3}, {"IMAGE_BKG_2_4", &IMAGE_BKG_2_4},
        {"IMAGE_BKG_3_1", &IMAGE_BKG_3_1}, {"IMAGE_BKG_3_2", &IMAGE_BKG_3_2}, {"IMAGE_BKG_3_3", &IMAGE_BKG_3_3},
        {"IMAGE_BKG_3_4", &IMAGE_BKG_3_4}, {"IMAGE_BKG_4_1", &IMAGE_BKG_4_1}, {"IMAGE_BKG_4_2", &IMAGE_BKG_4_2},
        {"IMAGE_BKG_4_3", &IMAGE_BKG_4_3}, {"IMAGE_BKG_4_4", &IMAGE_BKG_4_4}, {"IMAGE_BONUS", &IMAGE_BONUS},
        {"IMAGE_GAME_OVER", &IMAGE_GAME_OVER}, {"IMAGE_MENU", &IMAGE_MENU}, {"IMAGE_NEXT_LEVEL", &IMAGE_NEXT_LEVEL},
        {"IMAGE_SYMBOLS", &IMAGE_SYMBOLS}, {"IMAGE_TOKEN_1", &IMAGE_TOKEN_1}, {"IMAGE_TOKEN_2", &IMAGE_TOKEN_2},
        {"IMAGE_TOKEN_3", &IMAGE_TOKEN_3}, {"IMAGE_TOKEN_4", &IMAGE_TOKEN_4}, {"IMAGE_TOKEN_5", &IMAGE_TOKEN_5},
        {"IMAGE_TOKEN_6", &IMAGE_TOKEN_6}, {"IMAGE_TOKEN_SHADOW", &IMAGE_TOKEN_SHADOW},
        {"IMAGE_TRACK_1", &IMAGE_TRACK_1}, {"IMAGE_TRACK_2", &IMAGE_TRACK_2}, {"IMAGE_TRACK_3", &IMAGE_TRACK_3},
        {"IMAGE_TRACK_4", &IMAGE_TRACK_4}, {"IMAGE_VORTEX_BOTTOM", &IMAGE_VORTEX_BOTTOM},
        {"IMAGE_VORTEX_TOP", &IMAGE_VORTEX_TOP}};
    return ids;
}

void Clear(const Global& global)
{
    if (Vorn::Image** const* image = std::get_if<Vorn::Image**>(&global))
        **image = nullptr;
    else if (int* const* sound = std::get_if<int*>(&global))
        **sound = -1;
    else
        *std::get<Vorn::Font**>(global) = nullptr;
}

// The generated data, loaded as the game loads it, fills every global with
// the resource of its own id, and each group holds exactly what the game
// names of it.
TEST(GameResources, TheGeneratedDataFillsEveryGlobalWithItsOwnResource)
{
    const auto ids = GameIds();
    for (const auto& [group, named] : ids)
        for (const Named& n : named)
            Clear(n.global);
    Testing::TestGameApp app;
    app.Init();
    app.LoadLikeTheLoadingThread();
    ASSERT_FALSE(app.LoadingFailed());

    Vorn::ResourceManager& resources = *app.mResourceManager;
    std::set<int> sounds;
    for (const auto& [group, named] : ids) {
        SCOPED_TRACE(group);
        EXPECT_EQ(resources.CountGroupResources(group), static_cast<int>(named.size()));
        for (const Named& n : named) {
            SCOPED_TRACE(n.id);
            if (Vorn::Image** const* image = std::get_if<Vorn::Image**>(&n.global)) {
                ASSERT_NE(**image, nullptr);
                EXPECT_EQ(**image, resources.GetImageOrThrow(n.id).GetImage());
            } else if (int* const* sound = std::get_if<int*>(&n.global)) {
                EXPECT_EQ(**sound, resources.GetSoundOrThrow(n.id));
                EXPECT_GE(**sound, 0);
                sounds.insert(**sound);
            } else {
                Vorn::Font* font = *std::get<Vorn::Font**>(n.global);
                ASSERT_NE(font, nullptr);
                EXPECT_EQ(font, resources.GetFontOrThrow(n.id));
            }
        }
    }
    EXPECT_EQ(sounds.size(), 21u);
}

// The first id missing ends the fetch; the globals before it hold their
// resources, those after it what they held, and the manager's text names
// the id.
TEST(GameResources, AFetchStopsAtTheFirstMissingIdKeepingWhatCameBefore)
{
    Testing::TestGameApp app;
    app.Init();
    Vorn::ResourceManager& resources = *app.mResourceManager;
    static_cast<Vorn::ResourceManager::SoundRes&>(*resources.mSoundMap.at("SOUND_CLICK")).mSoundId = -1;
    SOUND_BTN = -1;
    SOUND_DELETE1 = 1234;
    EXPECT_FALSE(FetchTitleScreenResources(resources));
    EXPECT_EQ(SOUND_BTN, resources.GetSoundOrThrow("SOUND_BTN"));
    EXPECT_EQ(SOUND_DELETE1, 1234);
    EXPECT_EQ(resources.GetErrorText(), "Sound resource not found: SOUND_CLICK");
}

} // namespace
