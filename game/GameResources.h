#pragma once
// The game's resource globals: one image pointer, sound id or font per id of
// the resource manifest, filled group by group once a group has loaded. They
// stay valid while the resource manager keeps the resources; before their
// group is fetched images and fonts are null and sounds -1.

namespace Vorn {
class Font;
class Image;
class ResourceManager;
} // namespace Vorn

// Group "Init".
extern Vorn::Font* FONT_SCORE;
extern Vorn::Image* IMAGE_LOGO;

// Group "TitleScreen".
extern Vorn::Image* IMAGE_BTN_CANCEL;
extern Vorn::Image* IMAGE_BTN_OK;
extern Vorn::Image* IMAGE_CHECKBOX;
extern Vorn::Image* IMAGE_DIALOG_OPTIONS;
extern Vorn::Image* IMAGE_HELP_SCREEN;
extern Vorn::Image* IMAGE_MENU_BEGINNER;
extern Vorn::Image* IMAGE_MENU_EASY;
extern Vorn::Image* IMAGE_MENU_EXIT;
extern Vorn::Image* IMAGE_MENU_HARD;
extern Vorn::Image* IMAGE_MENU_LOGO;
extern Vorn::Image* IMAGE_MENU_LOGO2;
extern Vorn::Image* IMAGE_MENU_NEW_GAME;
extern Vorn::Image* IMAGE_MENU_NO;
extern Vorn::Image* IMAGE_MENU_NORMAL;
extern Vorn::Image* IMAGE_MENU_OPTIONS;
extern Vorn::Image* IMAGE_MENU_PLAY;
extern Vorn::Image* IMAGE_MENU_RESUME;
extern Vorn::Image* IMAGE_MENU_SCORES;
extern Vorn::Image* IMAGE_MENU_YES;
extern Vorn::Image* IMAGE_PAUSE;
extern Vorn::Image* IMAGE_SCORES_BKG;
extern Vorn::Image* IMAGE_SLIDER_THUMB;
extern Vorn::Image* IMAGE_SLIDER_TRACK;
extern int SOUND_BONUS;
extern int SOUND_BTN;
extern int SOUND_CLICK;
extern int SOUND_DELETE1;
extern int SOUND_DELETE2;
extern int SOUND_DELETE3;
extern int SOUND_ERROR;
extern int SOUND_EXPLODE;
extern int SOUND_FLIP1;
extern int SOUND_FLIP2;
extern int SOUND_FLIP3;
extern int SOUND_FLIP4;
extern int SOUND_FLIP5;
extern int SOUND_FLIP6;
extern int SOUND_FLIP7;
extern int SOUND_FLIP8;
extern int SOUND_FLIP9;
extern int SOUND_FLIP10;
extern int SOUND_GAME_END;
extern int SOUND_SCORE;
extern int SOUND_WARNING;

// Group "Game". The floors are IMAGE_BKG_<track>_<variant>.
extern Vorn::Image* IMAGE_BKG_1_1;
extern Vorn::Image* IMAGE_BKG_1_2;
extern Vorn::Image* IMAGE_BKG_1_3;
extern Vorn::Image* IMAGE_BKG_1_4;
extern Vorn::Image* IMAGE_BKG_2_1;
extern Vorn::Image* IMAGE_BKG_2_2;
extern Vorn::Image* IMAGE_BKG_2_3;
extern Vorn::Image* IMAGE_BKG_2_4;
extern Vorn::Image* IMAGE_BKG_3_1;
extern Vorn::Image* IMAGE_BKG_3_2;
extern Vorn::Image* IMAGE_BKG_3_3;
extern Vorn::Image* IMAGE_BKG_3_4;
extern Vorn::Image* IMAGE_BKG_4_1;
extern Vorn::Image* IMAGE_BKG_4_2;
extern Vorn::Image* IMAGE_BKG_4_3;
extern Vorn::Image* IMAGE_BKG_4_4;
extern Vorn::Image* IMAGE_BONUS;
extern Vorn::Image* IMAGE_GAME_OVER;
extern Vorn::Image* IMAGE_MENU;
extern Vorn::Image* IMAGE_NEXT_LEVEL;
extern Vorn::Image* IMAGE_SYMBOLS;
extern Vorn::Image* IMAGE_TOKEN_1;
extern Vorn::Image* IMAGE_TOKEN_2;
extern Vorn::Image* IMAGE_TOKEN_3;
extern Vorn::Image* IMAGE_TOKEN_4;
extern Vorn::Image* IMAGE_TOKEN_5;
extern Vorn::Image* IMAGE_TOKEN_6;
extern Vorn::Image* IMAGE_TOKEN_SHADOW;
extern Vorn::Image* IMAGE_TRACK_1;
extern Vorn::Image* IMAGE_TRACK_2;
extern Vorn::Image* IMAGE_TRACK_3;
extern Vorn::Image* IMAGE_TRACK_4;
extern Vorn::Image* IMAGE_VORTEX_BOTTOM;
extern Vorn::Image* IMAGE_VORTEX_TOP;

// Each looks the group's ids up in a fixed order and stores them. The first
// missing id ends the fetch with false (the manager's error text names it);
// what was fetched before it stays.
bool FetchInitResources(Vorn::ResourceManager& resources);
bool FetchTitleScreenResources(Vorn::ResourceManager& resources);
bool FetchGameResources(Vorn::ResourceManager& resources);
