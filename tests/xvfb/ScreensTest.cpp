// The screens over the title in the real program under a virtual X server,
// driven by real clicks and keys: the options dialog, whose settings last
// to the next start, and the high-score screen after a lost game, where the
// player types a name into the new row.

#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string GameFolder()
{
    return std::filesystem::path(ZARQUEL).parent_path().string();
}

// The script's common start: the command run in the game's folder, its
// window up and loading ended.
std::string Start(const Testing::TempDir& dir, const std::string& command, const std::string& log)
{
    return "cd \"" + GameFolder() + "\"\nX=\"" XPROBE "\"\nT=Zarquel\nO=\"" + dir.Path() + "\"\n"
           // The options dialog is up when its blue shows at (200, 100), over
           // the title's dark logo field there; scripts wait on that colour
           // rather than on a guess at how long a loaded machine takes.
           "options() { for i in $(seq 300); do\n"
           "  [ \"$(\"$X\" pixel $T 200 100)\" $1 27366e ] && return 0; sleep 0.1; done; return 1; }\n"
           // The main menu shows a moment after loading ends: a click before
           // it would be lost. Its OPTIONS button is blue at (280, 340) when
           // the pointer is away from it.
           "menu() { for i in $(seq 300); do\n"
           "  [ \"$(\"$X\" pixel $T 280 340)\" = 3a8dcc ] && return 0; sleep 0.1; done; return 1; }\n" +
           command +
           " >\"$O/" + log + "\" 2>&1 & Z=$!\n"
           "\"$X\" wait $T 30 &&\n"
           "  for i in $(seq 300); do grep -q 'Resource Loading Time' \"$O/" + log + "\" && break; sleep 0.1; done &&\n";
}

// EXIT, then the program's end, its exit code written to `code`.
std::string Finish(const std::string& code)
{
    return "  \"$X\" click $T 400 440\n"
           "for i in $(seq 100); do kill -0 $Z 2>/dev/null || break; sleep 0.1; done\n"
           "kill $Z 2>/dev/null; wait $Z; echo $? >\"$O/" + code + "\"\n";
}

// The stored value of a setting, as the settings file writes a number.
std::string StoredSetting(const Testing::TempDir& dir, const std::string& name)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "config")) {
        if (entry.path().filename() != "values.txt")
            continue;
        std::ifstream in(entry.path());
        std::string line;
        const std::string start = "\"" + name + "\" 4 4 ";
        while (std::getline(in, line)) {
            if (line.rfind(start, 0) == 0)
                return line.substr(start.size());
        }
    }
    return "";
}

// The generated options dialog is 560 x 460, so at (120, 15); its music
// slider from x 480 is 166 long at y 231, its box at (434, 353), OK at
// (426, 410) and Cancel at (516, 410). A click half way along the music
// track sets the music to half; OK keeps it and the program's end stores
// it. At the next start Cancel puts back the level the dialog opened with:
// the stored half, not the default.
TEST(Screens, OptionsLastToTheNextStart)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string first = Start(dir, "./zarquel", "first.log") +
                              "  \"$X\" move $T 20 20 && menu && \"$X\" click $T 400 340 &&\n"
                              "  \"$X\" move $T 20 20 && options = && sleep 0.5 &&\n"
                              "  \"$X\" shot $T \"$O/options.ppm\" &&\n"
                              "  \"$X\" click $T 563 245 && sleep 1 && \"$X\" shot $T \"$O/moved.ppm\" &&\n"
                              "  \"$X\" click $T 460 430 && options != && sleep 0.5 &&\n" +
                              Finish("first.code");
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, first, 120));
    EXPECT_EQ(Testing::ReadTextFile(dir / "first.code"), "0\n") << Testing::ReadTextFile(dir / "first.log");
    EXPECT_EQ(StoredSetting(dir, "MusicVolume"), "50");
    EXPECT_EQ(StoredSetting(dir, "ScreenMode"), "0");

    const std::string second = Start(dir, "./zarquel", "second.log") +
                               "  \"$X\" move $T 20 20 && menu && \"$X\" click $T 400 340 &&\n"
                              "  \"$X\" move $T 20 20 && options = && sleep 0.5 &&\n"
                               "  \"$X\" shot $T \"$O/again.ppm\" &&\n"
                               "  \"$X\" click $T 570 430 && options != && sleep 0.5 &&\n" +
                               Finish("second.code");
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, second, 120));
    EXPECT_EQ(Testing::ReadTextFile(dir / "second.code"), "0\n") << Testing::ReadTextFile(dir / "second.log");
    EXPECT_EQ(StoredSetting(dir, "MusicVolume"), "50");
}

// A lost game's 750 enters the empty table below 1250, as its fourth row.
// YES (a 200-wide button on y 290) opens the name field there; the keys
// typed are "Zed", a refused '_', "-9" and Enter. A click leaves the screen
// and EXIT ends the program; the table file holds the name.
TEST(Screens, ANewHighScoreTakesTheTypedName)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    Testing::TempDir dir;
    const std::string script = Start(dir, "\"" LOST_GAME "\" 750", "run.log") +
                               "  \"$X\" move $T 20 20 && sleep 1.5 && \"$X\" shot $T \"$O/question.ppm\" &&\n"
                               "  \"$X\" click $T 400 290 && sleep 1 &&\n"
                               "  for k in shift+z e d shift+minus minus 9; do \"$X\" key $T $k || exit 1; done &&\n"
                               "  sleep 0.3 && \"$X\" shot $T \"$O/typed.ppm\" &&\n"
                               "  \"$X\" key $T enter && sleep 1 && \"$X\" shot $T \"$O/table.ppm\" &&\n"
                               "  \"$X\" click $T 20 20 && sleep 1 && \"$X\" shot $T \"$O/title.ppm\" &&\n" +
                               Finish("code");
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 120));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "run.log");
    EXPECT_EQ(Testing::ReadTextFile(dir / "data/Zarquel/Save/topscores"),
        "5000 Anonymous\n2500 Anonymous\n1250 Anonymous\n750 Zed-9\n625 Anonymous\n312 Anonymous\n"
        "156 Anonymous\n78 Anonymous\n39 Anonymous\n19 Anonymous\n")
        << Testing::ReadTextFile(dir / "run.log");
}

} // namespace
