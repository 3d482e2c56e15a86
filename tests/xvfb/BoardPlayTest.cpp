// The real program under a virtual X server, played: real clicks on the
// rolling balls of a first stage turn them over and cost or score points,
// the menu button saves the game, and the demo recorded meanwhile, replayed
// in a fresh data folder, ends in the very same save.

#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"
#include "game/AutosaveRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

TEST(BoardPlay, ClicksTurnBallsAndARecordedStretchReplaysToTheSameSave)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    const std::string folder = std::filesystem::path(ZARQUEL).parent_path().string();
    Testing::TempDir dir;
    std::filesystem::create_directories(dir / "recorded");
    std::filesystem::create_directories(dir / "replayed");
    // The title's PLAY button is up when its blue shows at (280, 240), the
    // pointer away from it; the
    // board is up when its menu button's blue shows at (700, 14), and gone
    // when the title's background is back there: the script waits on these,
    // not on a guess at how long a loaded machine takes. Then a sweep
    // along the top of the first track, where the chain rolls in first, in
    // two rows: the balls lie some way apart and keep moving, so a few fixed
    // points can all fall between them.
    const std::string script =
        "cd \"" + folder + "\"\nX=\"" XPROBE "\"\nT=Zarquel\nO=\"" + dir.Path() + "\"\n"
        "menu() { for i in $(seq 300); do\n"
        "  [ \"$(\"$X\" pixel $T 700 14)\" $1 3c8dcc ] && return 0; sleep 0.1; done; return 1; }\n"
        "play() { for i in $(seq 300); do\n"
        "  [ \"$(\"$X\" pixel $T 280 240)\" = 3a8dcc ] && return 0; sleep 0.1; done; return 1; }\n"
        "XDG_DATA_HOME=\"$O/recorded\" ./zarquel -record -demofile=\"$O/stretch.dmo\" >\"$O/run.log\" 2>&1 & Z=$!\n"
        "\"$X\" wait $T 30 &&\n"
        "  for i in $(seq 300); do grep -q 'Resource Loading Time' \"$O/run.log\" && break; sleep 0.1; done &&\n"
        "  \"$X\" move $T 20 20 && play && \"$X\" click $T 400 240 && sleep 1.5 &&\n"
        "  \"$X\" click $T 400 290 && menu = && sleep 3 &&\n"
        "  for x in $(seq 100 25 700); do\n"
        "    y=$((x % 50 == 0 ? 135 : 160)); \"$X\" move $T $x $y && sleep 0.1 && \"$X\" click $T $x $y && sleep 0.25\n"
        "  done &&\n"
        "  sleep 1 && \"$X\" click $T 743 14 && menu != && sleep 1 && \"$X\" click $T 400 440\n"
        "for i in $(seq 100); do kill -0 $Z 2>/dev/null || break; sleep 0.1; done\n"
        "kill $Z 2>/dev/null; wait $Z; echo $? >\"$O/code\"\n"
        "XDG_DATA_HOME=\"$O/replayed\" timeout 100 ./zarquel -play -demofile=\"$O/stretch.dmo\" >\"$O/replay.log\" 2>&1\n"
        "echo $? >\"$O/replay-code\"\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 180));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "run.log");
    EXPECT_EQ(Testing::ReadTextFile(dir / "replay-code"), "0\n") << Testing::ReadTextFile(dir / "replay.log");

    const std::string recorded = Testing::ReadTextFile(dir / "recorded/Zarquel/Save/autosave");
    std::istringstream in(recorded);
    AutosaveRecord record;
    ASSERT_TRUE(record.Read(in)) << recorded << "\nhigh scores:\n"
                                 << Testing::ReadTextFile(dir / "recorded/Zarquel/Save/topscores") << "\nlog:\n"
                                 << Testing::ReadTextFile(dir / "run.log");
    EXPECT_EQ(record.stage, 0);
    EXPECT_EQ(record.difficulty, 1);
    EXPECT_FALSE(record.balls.empty());
    // A click on a ball turns it; with one open, the next click anywhere is
    // a match (points, and the combo counts it) or a miss (points off, and
    // the misses count it; past their limit, a speed-up). Points can cancel
    // out: five misses and then a match leave a score of nothing.
    const bool turned = record.displayedScore + record.scoreToAdd != 0 || record.misses != 0 ||
                        record.combo != 0 || record.speedUpTimer != 0 ||
                        std::any_of(record.balls.begin(), record.balls.end(),
                            [](const AutosaveRecord::SavedBall& ball) { return ball.open; });
    EXPECT_TRUE(turned) << recorded;
    EXPECT_EQ(Testing::ReadTextFile(dir / "replayed/Zarquel/Save/autosave"), recorded);
}

} // namespace
