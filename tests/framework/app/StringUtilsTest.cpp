#include "framework/app/StringUtils.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace Vorn;

TEST(StringToInt, ParsesOrFailsLeavingZero)
{
    const struct { const char* text; bool ok; int value; } cases[] = {
        {"123", true, 123}, {"-42", true, -42}, {"0x1F", true, 31}, {"0X1f", true, 31}, {"-x1F", true, -31},
        {"-0x10", false, 0}, {"12a", false, 0}, {"", false, 0}, {"-", true, 0}, {"0x", true, 0},
        {"+5", false, 0}, {" 5", false, 0}, {"5 ", false, 0}, {"1x5", false, 0}, {"0xfg", false, 0},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", true, -2147483647 - 1}, {"4294967295", true, -1}, {"4294967296", true, 0},
        {"0xFFFFFFFF", true, -1}};
    for (const auto& c : cases) {
        int value = 12345;
        EXPECT_EQ(StringToInt(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(StringToDouble, ParsesOrFailsLeavingZero)
{
    const struct { const char* text; bool ok; double value; } cases[] = {
        {"3.25", true, 3.25}, {"-0.5", true, -0.5}, {"1.", true, 1.0}, {".5", true, 0.5},
        {"42", true, 42.0}, {"1.2.3", false, 0.0}, {"1e3", false, 0.0}, {"", false, 0.0},
        {"1. ", false, 0.0}, {"+1", false, 0.0}};
    for (const auto& c : cases) {
        double value = 99.0;
        EXPECT_EQ(StringToDouble(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    double minus = 1.0;
    EXPECT_TRUE(StringToDouble("-", minus));
    EXPECT_TRUE(minus == 0.0 && std::signbit(minus));
}

TEST(GroupThousands, PutsCommasBetweenGroupsOfThree)
{
    EXPECT_EQ(GroupThousands(0), "0");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(1000), "1,000");
    EXPECT_EQ(GroupThousands(1234567), "1,234,567");
    EXPECT_EQ(GroupThousands(2147483647), "2,147,483,647");
    EXPECT_EQ(GroupThousands(-5), "");
}

TEST(Trim, RemovesExactlyTheSixWhiteSpaceCharacters)
{
    EXPECT_EQ(Trim(" \t\n\v\f\rword one\r\f\v\n\t "), "word one");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(StringCase, ChangesOnlyAsciiLetters)
{
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<unsigned char>(StringToUpper(one)[0]), b >= 'a' && b <= 'z' ? b - 32 : b) << b;
        EXPECT_EQ(static_cast<unsigned char>(StringToLower(one)[0]), b >= 'A' && b <= 'Z' ? b + 32 : b) << b;
    }
}

TEST(WideStrings, EveryByteRoundTripsAndCp1252CharactersConvert)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u16string wide = StringToWString(all);
    EXPECT_EQ(wide[0xE9], u'\u00E9');
    EXPECT_EQ(WStringToString(wide), all);
    EXPECT_EQ(WStringToString(u"\u20AC5 \u201A\u0192 \u2122\u0178\u017E \u2018\u2019\u2013"),
              "\x80" "5 \x82\x83 \x99\x9F\x9E \x91\x92\x96");
}

TEST(WideStrings, UnconvertibleCharacterEmptiesTheResult)
{
    EXPECT_EQ(WStringToString(u"abc\u0100"), "");
    EXPECT_EQ(WStringToString(u"\u4E2Dabc"), "");
}

TEST(DecodeXMLEntities, NarrowAndWideReplaceTheSameEntities)
{
    const struct { const char* text; const char* decoded; } cases[] = {
        {"a &lt; b &amp;&amp; c", "a < b && c"}, {"&gt;&quot;&apos;", ">\"'"}, {"&cr;", "\n"},
        {"&nbsp;", " "}, {"&foo;x", "&x"}, {"AT&T", "AT&T"}, {"&LT;", "&"}, {"end&", "end&"},
        {"&#65;", "&"}, {"AT&T then;x", "AT&x"}};
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeXMLEntities(c.text), c.decoded) << '"' << c.text << '"';
        const std::u16string wide = DecodeXMLEntitiesW(StringToWString(c.text));
        EXPECT_EQ(wide, StringToWString(c.decoded)) << '"' << c.text << '"';
    }
    EXPECT_EQ(DecodeXMLEntitiesW(u"\u4E2D&amp;\u20AC"), u"\u4E2D&\u20AC");
}

TEST(StrFindNoCase, FindsTheFirstMatchIgnoringAsciiCase)
{
    EXPECT_EQ(StrFindNoCase("Hello WORLD", "World"), 6);
    EXPECT_EQ(StrFindNoCase("", "x"), -1);
    EXPECT_EQ(StrFindNoCase("abc", ""), 0);
    EXPECT_EQ(StrFindNoCase("abab", "BA"), 1);
    EXPECT_EQ(StrFindNoCase("ab", "bc"), -1);
    EXPECT_EQ(StrFindNoCase("x\xC9", "\xE9"), -1);
    EXPECT_EQ(StrFindNoCase(nullptr, "x"), -1);
}

// Lengths around the 160-byte first buffer, and far beyond; the two %s and the
// number must reach every formatting attempt intact.
TEST(FormatString, KeepsEveryCharacterAndArgumentAtAnyLength)
{
    for (size_t length : {3, 158, 159, 160, 161, 320, 321, 1310720, 1310721, 2000000}) {
        const std::string head((length - 3) / 2, 'h');
        const std::string tail(length - 3 - head.size(), 't');
        EXPECT_EQ(FormatString("%s%03d%s", head.c_str(), 7, tail.c_str()), head + "007" + tail) << length;
    }
    EXPECT_EQ(FormatString("%d-%05.1f-%c-%x", 42, 3.14159, 'Z', 255), "42-003.1-Z-ff");
}

TEST(FormatString, EncodingErrorGivesEmptyString)
{
    // The tests run in the "C" locale, where U+20AC has no representation.
    EXPECT_EQ(FormatString("abc%ls", L"\u20AC"), "");
}

} // namespace
