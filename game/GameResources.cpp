#include "game/GameResources.h"

#include "framework/graphics/ImageRef.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ResourceManager.h"
#include "framework/resources/ResourceManagerException.h"

#include <initializer_list>
#include <variant>

Vorn::Font* FONT_SCORE = nullptr;
Vorn::Image* IMAGE_LOGO = nullptr;

Vorn::Image* IMAGE_BTN_CANCEL = nullptr;
Vorn::Image* IMAGE_BTN_OK = nullptr;
Vorn::Image* IMAGE_CHECKBOX = nullptr;
Vorn::Image* IMAGE_DIALOG_OPTIONS = nullptr;
Vorn::Image* IMAGE_HELP_SCREEN = nullptr;
Vorn::Image* IMAGE_MENU_BEGINNER = nullptr;
Vorn::Image* IMAGE_MENU_EASY = nullptr;
Vorn::Image* IMAGE_MENU_EXIT = nullptr;
Vorn::Image* IMAGE_MENU_HARD = nullptr;
Vorn::Image* IMAGE_MENU_LOGO = nullptr;
Vorn::Image* IMAGE_MENU_LOGO2 = nullptr;
Vorn::Image* IMAGE_MENU_NEW_GAME = nullptr;
Vorn::Image* IMAGE_MENU_NO = nullptr;
Vorn::Image* IMAGE_MENU_NORMAL = nullptr;
Vorn::Image* IMAGE_MENU_OPTIONS = nullptr;
Vorn::Image* IMAGE_MENU_PLAY = nullptr;
Vorn::Image* IMAGE_MENU_RESUME = nullptr;
Vorn::Image* IMAGE_MENU_SCORES = nullptr;
Vorn::Image* IMAGE_MENU_YES = nullptr;
Vorn::Image* IMAGE_PAUSE = nullptr;
Vorn::Image* IMAGE_SCORES_BKG = nullptr;
Vorn::Image* IMAGE_SLIDER_THUMB = nullptr;
Vorn::Image* IMAGE_SLIDER_TRACK = nullptr;
int SOUND_BONUS = -1;
int SOUND_BTN = -1;
int SOUND_CLICK = -1;
int SOUND_DELETE1 = -1;
int SOUND_DELETE2 = -1;
int SOUND_DELETE3 = -1;
int SOUND_ERROR = -1;
int SOUND_EXPLODE = -1;
int SOUND_FLIP1 = -1;
int SOUND_FLIP2 = -1;
int SOUND_FLIP3 = -1;
int SOUND_FLIP4 = -1;
int SOUND_FLIP5 = -1;
int SOUND_FLIP6 = -1;
int SOUND_FLIP7 = -1;
int SOUND_FLIP8 = -1;
int SOUND_FLIP9 = -1;
int SOUND_FLIP10 = -1;
int SOUND_GAME_END = -1;
int SOUND_SCORE = -1;
int SOUND_WARNING = -1;

Vorn::Image* IMAGE_BKG_1_1 = nullptr;
Vorn::Image* IMAGE_BKG_1_2 = nullptr;
Vorn::Image* IMAGE_BKG_1_3 = nullptr;
Vorn::Image* IMAGE_BKG_1_4 = nullptr;
Vorn::Image* IMAGE_BKG_2_1 = nullptr;
Vorn::Image* IMAGE_BKG_2_2 = nullptr;
Vorn::Image* IMAGE_BKG_2_3 = nullptr;
Vorn::Image* IMAGE_BKG_2_4 = nullptr;
Vorn::Image* IMAGE_BKG_3_1 = nullptr;
Vorn::Image* IMAGE_BKG_3_2 = nullptr;
Vorn::Image* IMAGE_BKG_3_3 = nullptr;
Vorn::Image* IMAGE_BKG_3_4 = nullptr;
Vorn::Image* IMAGE_BKG_4_1 = nullptr;
Vorn::Image* IMAGE_BKG_4_2 = nullptr;
Vorn::Image* IMAGE_BKG_4_3 = nullptr;
Vorn::Image* IMAGE_BKG_4_4 = nullptr;
Vorn::Image* IMAGE_BONUS = nullptr;
Vorn::Image* IMAGE_GAME_OVER = nullptr;
Vorn::Image* IMAGE_MENU = nullptr;
Vorn::Image* IMAGE_NEXT_LEVEL = nullptr;
Vorn::Image* IMAGE_SYMBOLS = nullptr;
Vorn::Image* IMAGE_TOKEN_1 = nullptr;
Vorn::Image* IMAGE_TOKEN_2 = nullptr;
Vorn::Image* IMAGE_TOKEN_3 = nullptr;
Vorn::Image* IMAGE_TOKEN_4 = nullptr;
Vorn::Image* IMAGE_TOKEN_5 = nullptr;
Vorn::Image* IMAGE_TOKEN_6 = nullptr;
Vorn::Image* IMAGE_TOKEN_SHADOW = nullptr;
Vorn::Image* IMAGE_TRACK_1 = nullptr;
Vorn::Image* IMAGE_TRACK_2 = nullptr;
Vorn::Image* IMAGE_TRACK_3 = nullptr;
Vorn::Image* IMAGE_TRACK_4 = nullptr;
Vorn::Image* IMAGE_VORTEX_BOTTOM = nullptr;
Vorn::Image* IMAGE_VORTEX_TOP = nullptr;

namespace {

struct Fetch {
    const char* id;
    std::variant<Vorn::Image**, int*, Vorn::Font**> global;
};

// The image pointers stay valid after the reference goes: the manager keeps
// one of its own for as long as the resource is loaded.
bool FetchAll(Vorn::ResourceManager& resources, std::initializer_list<Fetch> table)
{
    try {
        for (const Fetch& fetch : table) {
            if (Vorn::Image** const* image = std::get_if<Vorn::Image**>(&fetch.global))
                **image = resources.GetImageOrThrow(fetch.id).GetImage();
            else if (int* const* sound = std::get_if<int*>(&fetch.global))
                **sound = resources.GetSoundOrThrow(fetch.id);
            else
                *std::get<Vorn::Font**>(fetch.global) = resources.GetFontOrThrow(fetch.id);
        }
    } catch (const Vorn::ResourceManagerException&) {
        return false;
    }
    return true;
}

} // namespace

bool FetchInitResources(Vorn::ResourceManager& resources)
{
    return FetchAll(resources, {{"FONT_SCORE", &FONT_SCORE}, {"IMAGE_LOGO", &IMAGE_LOGO}});
}

bool FetchTitleScreenResources(Vorn::ResourceManager& resources)
{
    return FetchAll(resources, {
        {"IMAGE_BTN_CANCEL", &IMAGE_BTN_CANCEL},
        {"IMAGE_BTN_OK", &IMAGE_BTN_OK},
        {"IMAGE_CHECKBOX", &IMAGE_CHECKBOX},
        {"IMAGE_DIALOG_OPTIONS", &IMAGE_DIALOG_OPTIONS},
        {"IMAGE_HELP_SCREEN", &IMAGE_HELP_SCREEN},
        {"IMAGE_MENU_BEGINNER", &IMAGE_MENU_BEGINNER},
        {"IMAGE_MENU_EASY", &IMAGE_MENU_EASY},
        {"IMAGE_MENU_EXIT", &IMAGE_MENU_EXIT},
        {"IMAGE_MENU_HARD", &IMAGE_MENU_HARD},
        {"IMAGE_MENU_LOGO", &IMAGE_MENU_LOGO},
        {"IMAGE_MENU_LOGO2", &IMAGE_MENU_LOGO2},
        {"IMAGE_MENU_NEW_GAME", &IMAGE_MENU_NEW_GAME},
        {"IMAGE_MENU_NO", &IMAGE_MENU_NO},
        {"IMAGE_MENU_NORMAL", &IMAGE_MENU_NORMAL},
        {"IMAGE_MENU_OPTIONS", &IMAGE_MENU_OPTIONS},
        {"IMAGE_MENU_PLAY", &IMAGE_MENU_PLAY},
        {"IMAGE_MENU_RESUME", &IMAGE_MENU_RESUME},
        {"IMAGE_MENU_SCORES", &IMAGE_MENU_SCORES},
        {"IMAGE_MENU_YES", &IMAGE_MENU_YES},
        {"IMAGE_PAUSE", &IMAGE_PAUSE},
        {"IMAGE_SCORES_BKG", &IMAGE_SCORES_BKG},
        {"IMAGE_SLIDER_THUMB", &IMAGE_SLIDER_THUMB},
        {"IMAGE_SLIDER_TRACK", &IMAGE_SLIDER_TRACK},
        {"SOUND_BONUS", &SOUND_BONUS},
        {"SOUND_BTN", &SOUND_BTN},
        {"SOUND_CLICK", &SOUND_CLICK},
        {"SOUND_DELETE1", &SOUND_DELETE1},
        {"SOUND_DELETE2", &SOUND_DELETE2},
        {"SOUND_DELETE3", &SOUND_DELETE3},
        {"SOUND_ERROR", &SOUND_ERROR},
        {"SOUND_EXPLODE", &SOUND_EXPLODE},
        {"SOUND_FLIP1", &SOUND_FLIP1},
        {"SOUND_FLIP2", &SOUND_FLIP2},
        {"SOUND_FLIP3", &SOUND_FLIP3},
        {"SOUND_FLIP4", &SOUND_FLIP4},
        {"SOUND_FLIP5", &SOUND_FLIP5},
        {"SOUND_FLIP6", &SOUND_FLIP6},
        {"SOUND_FLIP7", &SOUND_FLIP7},
        {"SOUND_FLIP8", &SOUND_FLIP8},
        {"SOUND_FLIP9", &SOUND_FLIP9},
        {"SOUND_FLIP10", &SOUND_FLIP10},
        {"SOUND_GAME_END", &SOUND_GAME_END},
        {"SOUND_SCORE", &SOUND_SCORE},
        {"SOUND_WARNING", &SOUND_WARNING},
    });
}

bool FetchGameResources(Vorn::ResourceManager& resources)
{
    return FetchAll(resources, {
        {"IMAGE_BKG_1_1", &IMAGE_BKG_1_1},
        {"IMAGE_BKG_1_2", &IMAGE_BKG_1_2},
        {"IMAGE_BKG_1_3", &IMAGE_BKG_1_3},
        {"IMAGE_BKG_1_4", &IMAGE_BKG_1_4},
        {"IMAGE_BKG_2_1", &IMAGE_BKG_2_1},
        {"IMAGE_BKG_2_2", &IMAGE_BKG_2_2},
        {"IMAGE_BKG_2_3", &IMAGE_BKG_2_3},
        {"IMAGE_BKG_2_4", &IMAGE_BKG_2_4},
        {"IMAGE_BKG_3_1", &IMAGE_BKG_3_1},
        {"IMAGE_BKG_3_2", &IMAGE_BKG_3_2},
        {"IMAGE_BKG_3_3", &IMAGE_BKG_3_3},
        {"IMAGE_BKG_3_4", &IMAGE_BKG_3_4},
        {"IMAGE_BKG_4_1", &IMAGE_BKG_4_1},
        {"IMAGE_BKG_4_2", &IMAGE_BKG_4_2},
        {"IMAGE_BKG_4_3", &IMAGE_BKG_4_3},
        {"IMAGE_BKG_4_4", &IMAGE_BKG_4_4},
        {"IMAGE_BONUS", &IMAGE_BONUS},
        {"IMAGE_GAME_OVER", &IMAGE_GAME_OVER},
        {"IMAGE_MENU", &IMAGE_MENU},
        {"IMAGE_NEXT_LEVEL", &IMAGE_NEXT_LEVEL},
        {"IMAGE_SYMBOLS", &IMAGE_SYMBOLS},
        {"IMAGE_TOKEN_1", &IMAGE_TOKEN_1},
        {"IMAGE_TOKEN_2", &IMAGE_TOKEN_2},
        {"IMAGE_TOKEN_3", &IMAGE_TOKEN_3},
        {"IMAGE_TOKEN_4", &IMAGE_TOKEN_4},
        {"IMAGE_TOKEN_5", &IMAGE_TOKEN_5},
        {"IMAGE_TOKEN_6", &IMAGE_TOKEN_6},
        {"IMAGE_TOKEN_SHADOW", &IMAGE_TOKEN_SHADOW},
        {"IMAGE_TRACK_1", &IMAGE_TRACK_1},
        {"IMAGE_TRACK_2", &IMAGE_TRACK_2},
        {"IMAGE_TRACK_3", &IMAGE_TRACK_3},
        {"IMAGE_TRACK_4", &IMAGE_TRACK_4},
        {"IMAGE_VORTEX_BOTTOM", &IMAGE_VORTEX_BOTTOM},
        {"IMAGE_VORTEX_TOP", &IMAGE_VORTEX_TOP},
    });
}
