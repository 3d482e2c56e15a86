// The high-score table: its padding, its reader's limits, where a new score
// goes, and that the file on the disk is never left half written.

#include "BoardHarness.h"

#include "game/TopScores.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Testing::BoardHarness;

using Table = std::vector<std::pair<int, std::string>>;

Table Current()
{
    Table table;
    for (const TopScoreEntry& entry : gTopScores)
        table.emplace_back(entry.score, entry.name);
    return table;
}

Table ReadText(const std::string& text)
{
    std::istringstream in(text);
    ReadTopScores(in);
    return Current();
}

Table Anonymous(std::initializer_list<int> scores)
{
    Table table;
    for (const int score : scores)
        table.emplace_back(score, "Anonymous");
    return table;
}

TEST(TopScoresReader, AnEmptyTableIsTenAnonymousEntriesHalvingFromTenThousand)
{
    EXPECT_EQ(ReadText(""), Anonymous({5000, 2500, 1250, 625, 312, 156, 78, 39, 19, 9}));
}

TEST(TopScoresReader, AShortTableIsPaddedFromHalfItsLastScore)
{
    Table expected = {{1000, "Ann"}};
    const Table padding = Anonymous({250, 125, 62, 31, 15, 7, 3, 1, 0});
    expected.insert(expected.end(), padding.begin(), padding.end());
    EXPECT_EQ(ReadText("1000 Ann\n"), expected);
    // Halving rounds toward zero on negative scores too.
    const Table negative = ReadText("-7 x\n");
    EXPECT_EQ(negative[1], std::make_pair(-1, std::string("Anonymous")));
    EXPECT_EQ(negative[2], std::make_pair(0, std::string("Anonymous")));
}

struct NameCase {
    const char* text;
    Table expected;
};

class TopScoresName : public ::testing::TestWithParam<NameCase> {};

TEST_P(TopScoresName, IsTheRestOfTheLineAfterItsLeadingBlanks)
{
    const Table table = ReadText(GetParam().text);
    ASSERT_GE(table.size(), GetParam().expected.size());
    EXPECT_EQ(Table(table.begin(), table.begin() + static_cast<long>(GetParam().expected.size())),
        GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, TopScoresName,
    ::testing::Values(NameCase{"12  Mary Ann  Lee \n", {{12, "Mary Ann  Lee "}}},
        NameCase{"12\t\tx\n", {{12, "x"}}},
        NameCase{"5 \n7 b\n", {{5, ""}, {7, "b"}}},
        NameCase{"5\n7 b\n", {{5, ""}, {7, "b"}}},
        NameCase{"9 Bo\r\n8 Al\r\n", {{9, "Bo"}, {8, "Al"}}},
        NameCase{"9 Bo\r\r\n", {{9, "Bo\r"}}},
        NameCase{"9 B\ro\n", {{9, "B\ro"}}},
        NameCase{"9 Bo\r", {{9, "Bo\r"}}},
        NameCase{"9 Bo", {{9, "Bo"}}},
        NameCase{"  -3 neg\n", {{-3, "neg"}}}));

TEST(TopScoresReader, ALineWithoutANumberEndsTheReading)
{
    const Table table = ReadText("30 a\nxx b\n20 c\n");
    EXPECT_EQ(table[0], std::make_pair(30, std::string("a")));
    EXPECT_EQ(table[1], std::make_pair(7, std::string("Anonymous")));
    EXPECT_EQ(table.size(), 10u);
    EXPECT_EQ(ReadText("99999999999 big\n"), ReadText(""));
}

TEST(TopScoresReader, KeepsAtMostAHundredEntriesAndTwoHundredFiftySixCharactersOfAName)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += std::to_string(1000 - i) + " " + std::string(300, 'n') + "\n";
    const Table table = ReadText(text);
    ASSERT_EQ(table.size(), 100u);
    EXPECT_EQ(table[99].first, 901);
    EXPECT_EQ(table[0].second, std::string(256, 'n'));
    EXPECT_EQ(table[1].first, 999);
}

TEST(TopScoresReader, AnyCutOfAFileKeepsTheWholeEntriesBeforeIt)
{
    const std::string text = "300 Ada\n200 Bob\n100 Cy\n";
    for (size_t length = 0; length <= text.size(); ++length) {
        const Table table = ReadText(text.substr(0, length));
        EXPECT_EQ(table.size(), 10u) << length;
        if (length >= 8) {
            EXPECT_EQ(table[0], std::make_pair(300, std::string("Ada"))) << length;
        }
    }
}

class TopScoresFile : public ::testing::Test {
protected:
    // The new row is the program's one global: no test leaves it set for the next.
    void SetUp() override { gNewTopScoreIndex = -1; }
    void TearDown() override { gNewTopScoreIndex = -1; }

    std::string File() const { return Testing::ReadFile(mHarness.mDataDir / "Save/topscores"); }

    // A game whose shown score is `score` and has `toAdd` still counting.
    void Enter(int score, int toAdd = 0)
    {
        const auto board = mHarness.MakeBoard(1);
        board->mDisplayedScore = score;
        board->mScoreToAdd = toAdd;
        AddTopScore(*board);
    }

    BoardHarness mHarness;
};

TEST_F(TopScoresFile, SavesTheFirstTenAsScoreBlankName)
{
    std::istringstream in("9 a\n8 b c\n");
    ReadTopScores(in);
    gTopScores.push_front({10, ""});
    ASSERT_TRUE(SaveTopScores());
    EXPECT_EQ(File(), "10 \n9 a\n8 b c\n2 Anonymous\n1 Anonymous\n0 Anonymous\n0 Anonymous\n0 Anonymous\n"
                      "0 Anonymous\n0 Anonymous\n");
    LoadTopScores();
    EXPECT_EQ(gTopScores[0].name, "");
    EXPECT_EQ(gTopScores[2].name, "b c");
    EXPECT_EQ(gTopScores.size(), 10u);
}

TEST_F(TopScoresFile, ANewBestScoreTakesTheTopAndPushesTheTenthOut)
{
    Enter(6000);
    EXPECT_EQ(gNewTopScoreIndex, 0);
    EXPECT_EQ(gTopScores.size(), 11u);
    EXPECT_EQ(File(), "6000 \n5000 Anonymous\n2500 Anonymous\n1250 Anonymous\n625 Anonymous\n312 Anonymous\n"
                      "156 Anonymous\n78 Anonymous\n39 Anonymous\n19 Anonymous\n");
}

TEST_F(TopScoresFile, AnEqualScoreGoesBelowAndTheShownScoreIsTheOneEntered)
{
    Enter(625, 400);
    EXPECT_EQ(gNewTopScoreIndex, 4);
    EXPECT_EQ(gTopScores[3].score, 625);
    EXPECT_EQ(gTopScores[3].name, "Anonymous");
    EXPECT_EQ(gTopScores[4].score, 625);
    EXPECT_EQ(gTopScores[4].name, "");
}

TEST_F(TopScoresFile, AScoreNotAboveTheTenthIsNotEnteredButTheTableIsSaved)
{
    Enter(9);
    EXPECT_EQ(gNewTopScoreIndex, -1);
    EXPECT_EQ(File(), "5000 Anonymous\n2500 Anonymous\n1250 Anonymous\n625 Anonymous\n312 Anonymous\n"
                      "156 Anonymous\n78 Anonymous\n39 Anonymous\n19 Anonymous\n9 Anonymous\n");
    Enter(10);
    EXPECT_EQ(gNewTopScoreIndex, 9);
}

TEST_F(TopScoresFile, ANegativeScoreGoesOnlyAboveLowerOnes)
{
    mHarness.mDataDir.WriteFile("Save/topscores", "5 a\n-1 b\n-9 c\n");
    Enter(-4);
    EXPECT_EQ(gNewTopScoreIndex, 2);
    EXPECT_EQ(gTopScores[2].score, -4);
    EXPECT_EQ(gTopScores[3].score, -9);
}

TEST_F(TopScoresFile, AFailedSaveLeavesNoEntryForTheNameToOverwrite)
{
    // A plain file where the save folder belongs: nothing can be written.
    mHarness.mDataDir.WriteFile("Save", "in the way");
    gNewTopScoreIndex = 3;
    Enter(6000);
    EXPECT_EQ(gNewTopScoreIndex, -1);
    EXPECT_EQ(gTopScores[0].score, 6000);
    EXPECT_FALSE(SaveTopScores());
}

TEST_F(TopScoresFile, AKilledSaveLeavesTheOldOrTheNewTableWhole)
{
    LoadTopScores();
    ASSERT_TRUE(SaveTopScores());
    const std::string oldText = File();
    gTopScores[0].name = std::string(200, 'z');
    for (int i = 0; i < 20; ++i)
        gTopScores.push_front({100000 - i, std::string(100, static_cast<char>('a' + i))});
    std::ostringstream newText;
    for (size_t i = 0; i < 10; ++i)
        newText << gTopScores[i].score << ' ' << gTopScores[i].name << '\n';
    const pid_t parent = getpid();
    for (const int delay : {0, 50, 200, 1000, 3000}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saving until killed, but never outliving a test that was cut
            // short.
            for (int save = 0; save < 5000 && getppid() == parent; ++save)
                SaveTopScores();
            _exit(0);
        }
        usleep(static_cast<useconds_t>(delay));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string text = File();
        EXPECT_TRUE(text == oldText || text == newText.str()) << delay;
    }
}

} // namespace
