#include "tools/datagen/Makers.h"

#include <algorithm>
#include <cctype>

namespace DataGen {

namespace {

// Ids are upper case, file names lower case.
std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Image(const std::string& id, const std::string& file, const std::string& extra = "")
{
    return "    <Image id=\"" + id + "\" path=\"" + file + "\"" + (extra.empty() ? "" : " " + extra) + "/>\n";
}

std::string Sound(const std::string& id, const std::string& file)
{
    // The sound manager tries the name with each of its extensions.
    return "    <Sound id=\"" + id + "\" path=\"" + file + "\"/>\n";
}

} // namespace

std::string Manifest()
{
    const std::string twoCels = "rows=\"2\"";
    std::string text = "<?xml version=\"1.0\"?>\n<ResourceManifest>\n";

    text += "  <Resources id=\"Init\">\n"
            "    <SetDefaults path=\"fonts\" idprefix=\"FONT_\"/>\n"
            "    <Font id=\"SCORE\" path=\"score.txt\"/>\n"
            "    <SetDefaults path=\"images\" idprefix=\"IMAGE_\"/>\n" +
            Image("LOGO", "logo.jpg") + "  </Resources>\n";

    text += "  <Resources id=\"TitleScreen\">\n"
            "    <SetDefaults path=\"images\" idprefix=\"IMAGE_\"/>\n";
    text += Image("BTN_CANCEL", "btn_cancel.png", twoCels);
    text += Image("BTN_OK", "btn_ok.png", twoCels);
    text += Image("CHECKBOX", "checkbox.png");
    text += Image("DIALOG_OPTIONS", "dialog_options.png");
    text += Image("HELP_SCREEN", "help_screen.png");
    for (const char* name : {"BEGINNER", "EASY", "EXIT", "HARD"})
        text += Image(std::string("MENU_") + name, "menu_" + Lower(name) + ".png", twoCels);
    text += Image("MENU_LOGO", "menu_logo.png");
    text += Image("MENU_LOGO2", "menu_logo2.png", twoCels);
    for (const char* name : {"NEW_GAME", "NO", "NORMAL", "OPTIONS", "PLAY", "RESUME", "SCORES", "YES"})
        text += Image(std::string("MENU_") + name, "menu_" + Lower(name) + ".png", twoCels);
    text += Image("PAUSE", "pause.png");
    text += Image("SCORES_BKG", "scores_bkg.jpg");
    text += Image("SLIDER_THUMB", "slider_thumb.png");
    text += Image("SLIDER_TRACK", "slider_track.png");
    text += "    <SetDefaults path=\"sounds\" idprefix=\"SOUND_\"/>\n";
    for (const char* name : {"BONUS", "BTN", "CLICK", "DELETE1", "DELETE2", "DELETE3", "ERROR", "EXPLODE"})
        text += Sound(name, Lower(name));
    for (int i = 1; i <= 10; ++i)
        text += Sound("FLIP" + std::to_string(i), "flip" + std::to_string(i));
    for (const char* name : {"GAME_END", "SCORE", "WARNING"})
        text += Sound(name, Lower(name));
    text += "  </Resources>\n";

    text += "  <Resources id=\"Game\">\n"
            "    <SetDefaults path=\"images\" idprefix=\"IMAGE_\"/>\n";
    for (int track = 1; track <= 4; ++track) {
        for (int variant = 1; variant <= 4; ++variant) {
            const std::string suffix = std::to_string(track) + "_" + std::to_string(variant);
            text += Image("BKG_" + suffix, "bkg_" + suffix + ".jpg");
        }
    }
    text += Image("BONUS", "bonus.png", "rows=\"1\" cols=\"5\"");
    text += Image("GAME_OVER", "game_over.png");
    text += Image("MENU", "menu.png", twoCels);
    text += Image("NEXT_LEVEL", "next_level.png");
    text += Image("SYMBOLS", "symbols.png", "rows=\"4\" cols=\"4\"");
    for (int i = 1; i <= 6; ++i)
        text += Image("TOKEN_" + std::to_string(i), "token_" + std::to_string(i) + ".png");
    text += Image("TOKEN_SHADOW", "token_shadow.png");
    for (int i = 1; i <= 4; ++i)
        text += Image("TRACK_" + std::to_string(i), "track_" + std::to_string(i) + ".png");
    text += Image("VORTEX_BOTTOM", "vortex_bottom.png");
    text += Image("VORTEX_TOP", "vortex_top.png");
    text += "  </Resources>\n</ResourceManifest>\n";
    return text;
}

} // namespace DataGen
