#include "framework/crash/MapFile.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using CrashCatcher::GetMapFileLine;
using CrashCatcher::ParseHex;

TEST(MapFile, HexDigitsOfEitherCaseAndNothingElse)
{
    struct Row {
        const char* text;
        bool parses;
        uint32_t value;
    };
    const Row rows[] = {
        {"", true, 0},         {"0", true, 0},        {"9", true, 9},          {"a", true, 10},
        {"F", true, 15},       {"ff", true, 255},     {"1A2b", true, 0x1A2B},  {"00000120", true, 0x120},
        {"FFFFFFFF", true, 0xFFFFFFFF}, {"10000000", true, 0x10000000}, {"g", false, 0}, {"G1", false, 0},
        {" 1", false, 0},      {"12:", false, 0},     {"/", false, 0},         {"@", false, 0},
        {"`", false, 0},       {"-1", false, 0},
    };
    for (const Row& row : rows) {
        uint32_t value = 77;
        EXPECT_EQ(ParseHex(row.text, value), row.parses) << row.text;
        EXPECT_EQ(value, row.value) << row.text;
    }
}

std::string Symbol(unsigned section, unsigned offset, const std::string& name)
{
    char head[32];
    std::snprintf(head, sizeof(head), " %04X:%08X       ", section, offset);
    return head + name + "       00401000 f   Board.obj\n";
}

std::string LineEntries(const int (&lines)[4], unsigned section, const unsigned (&offsets)[4])
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof(entry), "%6d %04X:%08X", lines[i], section, offsets[i]);
        text += entry;
    }
    return text + "\n";
}

class MapFileRewrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string map = " Zarquel\n\n Timestamp is 4a3b2c1d\n\n  Address         Publics by Value\n\n";
        map += Symbol(1, 0x100, "?Update@Board@@QAEXXZ");
        map += Symbol(1, 0x200, "_Z4Drawv");
        map += Symbol(1, 0x300, "_0001:00000100_");
        map += Symbol(2, 0x400, "_gScore");
        // Not symbols: ':' elsewhere, no blank at 20, no blank after the name.
        map += " 0001:00000150      X_NoBlankAt20 here\n";
        map += " 0001:00000160       _NoEnd\n";
        map += "  0001:0000170       _Shifted here\n";
        // Eighty characters before any source: not line numbers.
        map += LineEntries({7, 8, 9, 10}, 1, {0x50, 0x60, 0x70, 0x80});
        map += "\nLine numbers for .\\Release\\Board.obj(C:\\src\\Board.cpp) segment .text\n\n";
        map += LineEntries({42, 43, 44, 45}, 1, {0x110, 0x130, 0x210, 0x220});
        map += "    46 0001:zz000230    47 0001:00000240    48 0001:00000250    49 0001:00000260\n";
        dir.WriteFile("zarquel.map", map);
    }

    std::string Rewrite(std::string report) const
    {
        GetMapFileLine(report, dir.Path());
        return report;
    }

    Testing::TempDir dir;
};

TEST_F(MapFileRewrite, AnAddressInsideASymbolTakesItsNameDistanceAndLine)
{
    EXPECT_EQ(Rewrite("at 0001:00000120 x"), "at ?Update@Board@@QAEXXZ+0x20\r\n    C:\\src\\Board.cpp line 42 +0x10 x");
}

TEST_F(MapFileRewrite, AnAddressAtASymbolHasNoDistanceAndANameAsWritten)
{
    EXPECT_EQ(Rewrite("0001:00000200"), "Draw()\r\n    C:\\src\\Board.cpp line 43 +0xD0");
    EXPECT_EQ(Rewrite("0001:00000210"), "Draw()+0x10\r\n    C:\\src\\Board.cpp line 44 +0x0");
}

TEST_F(MapFileRewrite, NothingBeforeTheFirstSymbolOfTheSectionOrInAnotherSection)
{
    EXPECT_EQ(Rewrite("0001:000000FF"), "0001:000000FF");
    EXPECT_EQ(Rewrite("0002:00000010"), "0002:00000010");
    EXPECT_EQ(Rewrite("0003:00000010"), "0003:00000010");
    EXPECT_EQ(Rewrite("0000:00000000"), "0000:00000000");
}

TEST_F(MapFileRewrite, ASymbolWithoutLinesInItsSectionGetsTheNameOnly)
{
    EXPECT_EQ(Rewrite("0002:00000404"), "_gScore+0x4");
}

TEST_F(MapFileRewrite, TextThatIsNoAddressStays)
{
    const std::string registers = "CS:0033 FS:002B GS:0000\r\nRIP:00000000004005A3\r\nTime Loaded: 00:00:05";
    EXPECT_EQ(Rewrite(registers), registers);
    // One hex digit short at the end of the text.
    EXPECT_EQ(Rewrite("x 0001:0000012"), "x 0001:0000012");
    EXPECT_EQ(Rewrite("0001 00000120"), "0001 00000120");
}

TEST_F(MapFileRewrite, UnreadableSymbolLinesAndEntriesAreLeftOut)
{
    // 0x150 and 0x160 fall to the symbol at 0x100; the bad entry at 0x230 to
    // the line at 0x220.
    EXPECT_EQ(Rewrite("0001:00000160"), "?Update@Board@@QAEXXZ+0x60\r\n    C:\\src\\Board.cpp line 43 +0x30");
    EXPECT_EQ(Rewrite("0001:00000235"), "Draw()+0x35\r\n    C:\\src\\Board.cpp line 45 +0x15");
    EXPECT_EQ(Rewrite("0001:00000245"), "Draw()+0x45\r\n    C:\\src\\Board.cpp line 47 +0x5");
}

TEST_F(MapFileRewrite, TheInsertedTextIsNotSearchedAgain)
{
    EXPECT_EQ(Rewrite("0001:00000300 0001:00000200"),
              "_0001:00000100_\r\n    C:\\src\\Board.cpp line 49 +0xA0 Draw()\r\n    C:\\src\\Board.cpp line 43 +0xD0");
}

TEST(MapFile, WithoutAMapFileTheReportStays)
{
    const Testing::TempDir dir;
    dir.WriteFile("zarquel.txt", Symbol(1, 0, "_main"));
    std::string report = "0001:00000010";
    GetMapFileLine(report, dir.Path());
    EXPECT_EQ(report, "0001:00000010");
}

TEST(MapFile, TheFirstMapFileByNameIsReadWhateverTheCaseOfItsExtension)
{
    const Testing::TempDir dir;
    dir.WriteFile("b.map", Symbol(1, 0, "_second"));
    dir.WriteFile("a.MAP", Symbol(1, 0, "_first"));
    std::string report = "0001:00000010";
    GetMapFileLine(report, dir.Path());
    EXPECT_EQ(report, "_first+0x10");
}

TEST(MapFile, WindowsLineEndsAreRead)
{
    const Testing::TempDir dir;
    std::string map = Symbol(1, 0x10, "_main");
    map.insert(map.size() - 1, "\r");
    map += "Line numbers for main.obj(main.cpp) segment .text\r\n";
    std::string entries = LineEntries({5, 6, 7, 8}, 1, {0x10, 0x20, 0x30, 0x40});
    entries.insert(entries.size() - 1, "\r");
    dir.WriteFile("game.map", map + entries);
    std::string report = "0001:00000024";
    GetMapFileLine(report, dir.Path());
    EXPECT_EQ(report, "_main+0x14\r\n    main.cpp line 6 +0x4");
}

} // namespace
