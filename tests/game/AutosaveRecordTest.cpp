// The autosave file's text: the exact format written, every field read back,
// and every kind of file the game never writes refused as a whole.

#include "game/AutosaveRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

AutosaveRecord SampleRecord()
{
    AutosaveRecord record;
    record.displayedScore = 1234;
    record.scoreToAdd = -5;
    record.stage = 2;
    record.difficulty = 3;
    record.spawnRequested = true;
    record.lost = false;
    record.reserved = 7;
    record.trackSpeed = 0.3f;
    record.combo = 4;
    record.misses = 2;
    record.stopTimer = 10;
    record.reverseTimer = 20;
    record.revealTimer = 30;
    record.revealCounter = 6;
    record.speedUpTimer = 40;
    record.travel = 12.5f;
    record.pending = {1, 0, 3};
    AutosaveRecord::SavedBall ball;
    ball.size = 0.55f;
    ball.x = 123.456789f;
    ball.y = 300.25f;
    ball.velocityX = 0.0f;
    ball.velocityY = 0.0f;
    ball.symbol = 3;
    ball.symbolSet = 1;
    ball.hovered = true;
    ball.open = false;
    ball.specialKind = 4;
    ball.beingRemoved = false;
    ball.reserved1 = false;
    ball.reserved2 = true;
    ball.flipCounter = 96;
    ball.removalCounter = 0;
    ball.specialLifetime = 999;
    ball.heldShown = true;
    ball.translucent = false;
    record.balls = {ball};
    return record;
}

// Written by hand from the table of the file's order.
const std::string kSampleText = "1234 -5\n2\n3\n1\n0\n7\n0.3\n1234\n-5\n4\n2\n10\n20\n30\n6\n40\n12.5\n3\n1 0 3 \n1\n"
                                "0.55 123.457 300.25 0 0 3 1 1 0 4 0 0 1 96 0 999 1 0 \n";

std::string Text(const AutosaveRecord& record)
{
    std::ostringstream out;
    record.Write(out);
    return out.str();
}

bool Read(const std::string& text, AutosaveRecord& record)
{
    std::istringstream in(text);
    return record.Read(in);
}

TEST(AutosaveRecord, WritesEveryValueInItsOrderWithItsSeparator)
{
    EXPECT_EQ(Text(SampleRecord()), kSampleText);
}

TEST(AutosaveRecord, WritesAnEmptyPendingListAsAnEmptyLine)
{
    AutosaveRecord record = SampleRecord();
    record.pending.clear();
    record.balls.clear();
    const std::string text = Text(record);
    EXPECT_EQ(text.substr(text.size() - 10), "12.5\n0\n\n0\n");
}

TEST(AutosaveRecord, ReadsBackEveryField)
{
    AutosaveRecord record;
    ASSERT_TRUE(Read(kSampleText, record));
    const AutosaveRecord sample = SampleRecord();
    EXPECT_EQ(record.displayedScore, 1234);
    EXPECT_EQ(record.scoreToAdd, -5);
    EXPECT_EQ(record.stage, 2);
    EXPECT_EQ(record.difficulty, 3);
    EXPECT_TRUE(record.spawnRequested);
    EXPECT_FALSE(record.lost);
    EXPECT_EQ(record.reserved, 7);
    EXPECT_EQ(record.trackSpeed, 0.3f);
    EXPECT_EQ(record.combo, 4);
    EXPECT_EQ(record.misses, 2);
    EXPECT_EQ(record.stopTimer, 10);
    EXPECT_EQ(record.reverseTimer, 20);
    EXPECT_EQ(record.revealTimer, 30);
    EXPECT_EQ(record.revealCounter, 6);
    EXPECT_EQ(record.speedUpTimer, 40);
    EXPECT_EQ(record.travel, 12.5f);
    EXPECT_EQ(record.pending, sample.pending);
    ASSERT_EQ(record.balls.size(), 1u);
    const AutosaveRecord::SavedBall& ball = record.balls[0];
    EXPECT_EQ(ball.size, 0.55f);
    EXPECT_EQ(ball.x, 123.457f);
    EXPECT_EQ(ball.y, 300.25f);
    EXPECT_EQ(ball.velocityX, 0.0f);
    EXPECT_EQ(ball.velocityY, 0.0f);
    EXPECT_EQ(ball.symbol, 3);
    EXPECT_EQ(ball.symbolSet, 1);
    EXPECT_TRUE(ball.hovered);
    EXPECT_FALSE(ball.open);
    EXPECT_EQ(ball.specialKind, 4);
    EXPECT_FALSE(ball.beingRemoved);
    EXPECT_FALSE(ball.reserved1);
    EXPECT_TRUE(ball.reserved2);
    EXPECT_EQ(ball.flipCounter, 96);
    EXPECT_EQ(ball.removalCounter, 0);
    EXPECT_EQ(ball.specialLifetime, 999);
    EXPECT_TRUE(ball.heldShown);
    EXPECT_FALSE(ball.translucent);
    EXPECT_EQ(Text(record), kSampleText);
}

TEST(AutosaveRecord, TheSecondPairOfScoresWins)
{
    std::string text = kSampleText;
    text.replace(0, 7, "99 -77");
    AutosaveRecord record;
    ASSERT_TRUE(Read(text, record));
    EXPECT_EQ(record.displayedScore, 1234);
    EXPECT_EQ(record.scoreToAdd, -5);
}

TEST(AutosaveRecord, ReadsWhateverWhiteSpaceSeparatesTheValues)
{
    std::string text;
    for (char c : kSampleText)
        text += c == '\n' ? std::string("\r\n\t") : c == ' ' ? std::string("\n ") : std::string(1, c);
    AutosaveRecord record;
    EXPECT_TRUE(Read(text, record));
    EXPECT_EQ(Text(record), kSampleText);
}

// The values of the sample one per token, to change one at a time.
std::vector<std::string> Tokens()
{
    std::istringstream in(kSampleText);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;)
        tokens.push_back(token);
    return tokens;
}

// Token positions in the sample.
enum Token : size_t {
    kScore = 0, kToAdd = 1, kStage = 2, kDifficulty = 3, kSpawn = 4, kLost = 5, kReserved = 6, kSpeed = 7,
    kScore2 = 8, kToAdd2 = 9, kCombo = 10, kMisses = 11, kStop = 12, kReverse = 13, kReveal = 14,
    kRevealCounter = 15, kSpeedUp = 16, kTravel = 17, kPendingCount = 18, kPending = 19, kBallCount = 22,
    kSize = 23, kX = 24, kY = 25, kVelocityX = 26, kVelocityY = 27, kSymbol = 28, kSymbolSet = 29, kHovered = 30,
    kOpen = 31, kKind = 32, kRemoved = 33, kReserved1 = 34, kReserved2 = 35, kFlip = 36, kRemoval = 37,
    kLifetime = 38, kHeld = 39, kTranslucent = 40
};

struct Change {
    std::vector<std::pair<size_t, std::string>> values;
    bool valid;
};

class AutosaveValue : public ::testing::TestWithParam<Change> {};

TEST_P(AutosaveValue, IsTakenOnlyWithinWhatTheGameWrites)
{
    std::vector<std::string> tokens = Tokens();
    ASSERT_EQ(tokens.size(), 41u);
    for (const auto& [index, value] : GetParam().values)
        tokens[index] = value;
    std::string text;
    for (const std::string& token : tokens)
        text += token + " ";
    AutosaveRecord record;
    EXPECT_EQ(Read(text, record), GetParam().valid) << text;
}

Change One(size_t index, const std::string& value, bool valid)
{
    return {{{index, value}}, valid};
}

// The removal counter of a ball being removed.
Change Removing(const std::string& value, bool valid)
{
    return {{{kRemoved, "1"}, {kRemoval, value}}, valid};
}

INSTANTIATE_TEST_SUITE_P(Bounds, AutosaveValue,
    ::testing::Values(One(kDifficulty, "0", false), One(kDifficulty, "1", true), One(kDifficulty, "2", true),
        One(kDifficulty, "4", false), One(kDifficulty, "7", false), One(kDifficulty, "8", true),
        One(kDifficulty, "9", false), One(kDifficulty, "-1", false), One(kStage, "-1", false),
        One(kStage, "0", true), One(kStage, "1000000", true), One(kStage, "1000001", false),
        One(kCombo, "-1", false), One(kCombo, "1000000", true), One(kCombo, "1000001", false),
        One(kPending, "-1", false), One(kPending + 1, "15", true), One(kPending + 2, "16", false),
        One(kSymbol, "15", true), One(kSymbol, "16", false), One(kSymbol, "-1", false),
        One(kSymbolSet, "15", true), One(kSymbolSet, "16", false), One(kSymbolSet, "-3", false),
        One(kKind, "0", true), One(kKind, "5", false), One(kKind, "-1", false), One(kSize, "0.5", true),
        One(kSize, "0.95", true), One(kSize, "0.49", false), One(kSize, "0.951", false), One(kSize, "0", false),
        One(kSize, "-0.7", false), One(kX, "nan", false), One(kX, "inf", false), One(kY, "1e39", false),
        One(kY, "-1e39", false), One(kX, "1e-40", true), One(kVelocityX, "3e38", false),
        One(kVelocityY, "nan", false), One(kTravel, "-inf", false), One(kSpeed, "nan", false),
        One(kSpeed, "-0.5", true), Removing("100", true), Removing("95", true), Removing("0", true),
        Removing("96", false), Removing("101", false), Removing("-5", false),
        Removing("105", false), One(kFlip, "100", true), One(kFlip, "0", true), One(kFlip, "4", true),
        One(kFlip, "95", false), One(kFlip, "104", false), One(kFlip, "-4", false),
        // A special without lifetime would never end.
        Change{{{kKind, "0"}, {kLifetime, "0"}}, true}, One(kLifetime, "0", false), One(kLifetime, "1000", true),
        One(kLifetime, "1001", false), One(kLifetime, "-1", false),
        One(kStop, "300", true), One(kStop, "301", false), One(kStop, "-1", false),
        One(kReverse, "400", true), One(kReverse, "401", false), One(kReveal, "500", true), One(kReveal, "501", false),
        One(kRevealCounter, "10", true), One(kRevealCounter, "11", false), One(kRevealCounter, "-1", false),
        One(kSpeedUp, "200", true), One(kSpeedUp, "201", false), One(kMisses, "10", true),
        One(kMisses, "11", false), One(kMisses, "-1", false), One(kMisses, "0", true), One(kCombo, "0", true),
        One(kStop, "0", true), One(kReverse, "0", true), One(kReveal, "0", true), One(kRevealCounter, "0", true),
        One(kSpeedUp, "0", true), One(kLifetime, "1", true), One(kSymbol, "0", true), One(kKind, "4", true),
        One(kReserved, "-2147483648", true),
        One(kSpawn, "2", false), One(kLost, "-1", false), One(kHovered, "true", false), One(kTranslucent, "1", true),
        One(kScore, "x", false), One(kToAdd, "2147483648", false), One(kReserved, "7.5", false),
        One(kPendingCount, "-1", false), One(kPendingCount, "4", false), One(kBallCount, "2", false),
        One(kBallCount, "0", true),
        // Track speed: backwards at the top speed, tripled forwards, or the
        // opening's 10.
        One(kSpeed, "-1", true), One(kSpeed, "-1.00001", false), One(kSpeed, "3", true),
        One(kSpeed, "3.00001", false), One(kSpeed, "0", true), One(kSpeed, "10", true),
        One(kSpeed, "9.99999", false), One(kSpeed, "10.0001", false), One(kSpeed, "3e38", false),
        // Travel: from a long run of reverses up to the spawn distance.
        Change{{{kReverse, "0"}, {kTravel, "-1400"}}, true}, One(kTravel, "-1400.01", false), One(kTravel, "48", true),
        One(kTravel, "48.0001", false), One(kTravel, "0", true), One(kTravel, "-3e38", false),
        // Positions: the window and a ball's radius around it.
        One(kX, "-48", true), One(kX, "-48.0001", false), One(kX, "848", true), One(kX, "848.001", false),
        One(kY, "-48", true), One(kY, "-48.0001", false), One(kY, "648", true), One(kY, "648.001", false),
        One(kX, "3e38", false), One(kY, "-3e38", false),
        // Every ball starts at rest.
        One(kVelocityX, "0", true), One(kVelocityY, "0", true), One(kVelocityX, "1e-45", false),
        One(kVelocityY, "-1e-45", false), One(kVelocityX, "-0.5", false), One(kVelocityY, "3e38", false),
        // A removal counts down only on a ball being removed.
        Change{{{kRemoved, "1"}, {kRemoval, "100"}}, true}, Change{{{kRemoved, "1"}, {kRemoval, "5"}}, true},
        Change{{{kRemoved, "1"}, {kRemoval, "0"}}, true}, Change{{{kRemoved, "0"}, {kRemoval, "5"}}, false},
        Change{{{kRemoved, "0"}, {kRemoval, "100"}}, false},
        Change{{{kScore2, "2000000000"}, {kToAdd2, "0"}}, true},
        Change{{{kScore2, "2000000001"}, {kToAdd2, "0"}}, false},
        Change{{{kScore2, "-2000000000"}, {kToAdd2, "0"}}, true},
        Change{{{kScore2, "0"}, {kToAdd2, "-2000000001"}}, false},
        Change{{{kScore2, "1500000000"}, {kToAdd2, "600000000"}}, false},
        Change{{{kScore2, "-1500000000"}, {kToAdd2, "-500000000"}}, true},
        Change{{{kScore, "2000000001"}, {kScore2, "5"}}, false},
        Change{{{kScore, "1999999999"}, {kToAdd, "1"}}, true},
        Change{{{kScore, "1999999999"}, {kToAdd, "2"}}, false}));

TEST(AutosaveRecord, APendingCountBeyondTheStagesBallsIsRefusedBeforeAnythingIsReserved)
{
    for (const std::string count : {"101", "2000000000", "18446744073709551615", "99999999999999999999999"}) {
        std::string text = "0 0\n0\n1\n0\n0\n0\n1\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n" + count + "\n";
        AutosaveRecord record;
        EXPECT_FALSE(Read(text, record)) << count;
    }
}

TEST(AutosaveRecord, PendingAndLiveBallsTogetherStayWithinTheStagesBalls)
{
    AutosaveRecord record = SampleRecord();
    record.stage = 0;
    record.pending.assign(99, 2);
    AutosaveRecord read;
    EXPECT_TRUE(Read(Text(record), read));
    record.balls.push_back(record.balls[0]);
    EXPECT_FALSE(Read(Text(record), read));
    record.pending.pop_back();
    EXPECT_TRUE(Read(Text(record), read));
    EXPECT_EQ(read.balls.size(), 2u);
}

TEST(AutosaveRecord, AFileCutAnywhereBeforeItsLastValueIsRefused)
{
    const std::string text = Text(SampleRecord());
    const size_t lastValueEnd = text.size() - 2;
    for (size_t length = 0; length < text.size(); ++length) {
        AutosaveRecord record;
        EXPECT_EQ(Read(text.substr(0, length), record), length >= lastValueEnd) << length;
    }
}

// Every bound of the reader, checked apart from it.
bool WithinWhatTheGameWrites(const AutosaveRecord& r)
{
    auto within = [](long long v, long long least, long long most) { return v >= least && v <= most; };
    bool ok = within(r.displayedScore, -2000000000, 2000000000) && within(r.scoreToAdd, -2000000000, 2000000000) &&
              within(static_cast<long long>(r.displayedScore) + r.scoreToAdd, -2000000000, 2000000000) &&
              within(r.stage, 0, 1000000) &&
              (r.difficulty == 1 || r.difficulty == 2 || r.difficulty == 3 || r.difficulty == 8) &&
              within(r.combo, 0, 1000000) && within(r.misses, 0, 10) && within(r.stopTimer, 0, 300) &&
              within(r.reverseTimer, 0, 400) && within(r.revealTimer, 0, 500) && within(r.revealCounter, 0, 10) &&
              within(r.speedUpTimer, 0, 200) &&
              ((r.trackSpeed >= -1.0f && r.trackSpeed <= 3.0f) || r.trackSpeed == 10.0f) && r.travel >= -1400.0f &&
              r.travel <= 48.0f &&
              r.pending.size() + r.balls.size() <= static_cast<size_t>((r.stage * 5 + 50) * 2);
    for (int symbol : r.pending)
        ok = ok && within(symbol, 0, 15);
    for (const auto& b : r.balls) {
        ok = ok && b.size >= 0.5f && b.size <= 0.95f && b.x >= -48.0f && b.x <= 848.0f && b.y >= -48.0f &&
             b.y <= 648.0f && b.velocityX == 0.0f && b.velocityY == 0.0f && (b.beingRemoved || b.removalCounter == 0) &&
             within(b.symbol, 0, 15) && within(b.symbolSet, 0, 15) &&
             within(b.specialKind, 0, 4) && within(b.flipCounter, 0, 100) && (100 - b.flipCounter) % 4 == 0 &&
             within(b.removalCounter, 0, 100) && (100 - b.removalCounter) % 5 == 0 &&
             within(b.specialLifetime, 0, 1000);
    }
    return ok;
}

TEST(AutosaveRecord, ACorruptByteAnywhereIsRefusedOrGivesValuesTheGameCouldHaveWritten)
{
    const std::string text = Text(SampleRecord());
    int accepted = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        for (const char byte : {'0', '9', '-', ' ', 'x', '.', 'e', '\0', '\xff'}) {
            std::string corrupt = text;
            corrupt[at] = byte;
            AutosaveRecord record;
            if (!Read(corrupt, record))
                continue;
            ++accepted;
            EXPECT_TRUE(WithinWhatTheGameWrites(record)) << at << " " << static_cast<int>(byte);
            AutosaveRecord again;
            EXPECT_TRUE(Read(Text(record), again));
            EXPECT_EQ(Text(again), Text(record));
        }
    }
    EXPECT_GT(accepted, 0);
}

} // namespace
