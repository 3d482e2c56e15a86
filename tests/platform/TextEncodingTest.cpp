#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

using Platform::Utf8ToWindows1252;
using Platform::Windows1252ToUtf8;

TEST(TextEncoding, EveryWindows1252ByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(TextEncoding, HighBytesBecomeTheirCharacters)
{
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(Windows1252ToUtf8("Caf\xE9"), "Caf\u00E9");
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\u0178");
    // Undefined in 1252: the control character of the same number.
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");
}

struct Utf8Case {
    const char* name;
    std::string utf8;
    std::string expected;
};

void PrintTo(const Utf8Case& c, std::ostream* os)
{
    *os << c.name;
}

class Utf8ToWindows1252Cases : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToWindows1252Cases, KeepsWhat1252CanSayAndDropsTheRest)
{
    EXPECT_EQ(Utf8ToWindows1252(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, Utf8ToWindows1252Cases,
    testing::Values(Utf8Case{"Latin1AndEuro", "\u00E9t\u00E9 \u20AC5 \u2013 \u0178", "\xE9t\xE9 \x80" "5 \x96 \x9F"},
                    Utf8Case{"NoByteForHan", "a\u4E2Db", "ab"},
                    Utf8Case{"NoByteForEmoji", "x\U0001F600y", "xy"},
                    Utf8Case{"OverlongSlashDropped", "a\xC0\xAF" "b", "ab"},
                    Utf8Case{"SurrogateDropped", "a\xED\xA0\x80" "b", "ab"},
                    Utf8Case{"BeyondUnicodeDropped", "a\xF4\x90\x80\x80" "b", "ab"},
                    Utf8Case{"StrayContinuationDropped", "\x80" "a\xBF", "a"},
                    Utf8Case{"CutShortAtTheEnd", "ab\xE2\x82", "ab"},
                    Utf8Case{"CutShortSequenceResumesAtTheNextCharacter", "\xE2\x82" "A\xC3", "A"},
                    Utf8Case{"NulKept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

} // namespace
