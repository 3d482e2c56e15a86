#include "framework/app/StringUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace {

using namespace Vorn;

TEST(StringToInt, ParsesOrFailsLeavingZero)
{
    const struct { const char* text; bool ok; int value; } cases[] = {
        {"123", true, 123}, {"-42", true, -42}, {"0X1f", true, 31}, {"-x1F", true, -31}, {"-0x10", false, 0},
        {"12a", false, 0}, {"0xfg", false, 0}, {"1x5", false, 0}, {"", false, 0}, {"+5", false, 0},
        {" 5", false, 0}, {"-", true, 0}, {"0x", true, 0}, {"-2147483648", true, INT32_MIN},
        {"2147483648", true, INT32_MIN}, {"4294967295", true, -1}, {"4294967296", true, 0}};
    for (const auto& c : cases) {
        int value = 12345;
        EXPECT_EQ(StringToInt(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

// Digits after the point add digit x scale, the scale starting at 0.1 and
// divided by 10 at each digit: "0.3" is 3 x 0.1, one step above the double
// nearest to 0.3, and the file values the game reads rely on that.
TEST(StringToDouble, SumsTheDigitsAsScaledOrFailsLeavingZero)
{
    const struct { const char* text; bool ok; double value; } cases[] = {
        {"3.25", true, 3.25}, {"-0.5", true, -0.5}, {"1.", true, 1.0}, {".5", true, 0.5}, {"250", true, 250.0},
        {"0.3", true, 0x1.3333333333334p-2}, {"1.15", true, 0x1.2666666666667p+0},
        {"0.123456789", true, 0x1.f9add3739636p-4}, {"-12.345", true, -0x1.8b0a3d70a3d71p+3},
        {"1.2.3", false, 0.0}, {"1e3", false, 0.0}, {"1.5e3", false, 0.0}, {"", false, 0.0}, {" 1", false, 0.0},
        {"1 ", false, 0.0}, {"+1", false, 0.0}, {"1-", false, 0.0}, {"--1", false, 0.0}, {"0x1", false, 0.0}};
    for (const auto& c : cases) {
        double value = 99.0;
        EXPECT_EQ(StringToDouble(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    double minus = 1.0;
    EXPECT_TRUE(StringToDouble("-", minus));
    EXPECT_TRUE(minus == 0.0 && std::signbit(minus));
}

TEST(GroupThousands, PutsACommaBetweenGroupsOfThreeFromTheRight)
{
    const std::pair<int, const char*> cases[] = {{0, "0"}, {7, "7"}, {42, "42"}, {999, "999"}, {1000, "1,000"},
        {10000, "10,000"}, {100000, "100,000"}, {1234567, "1,234,567"}, {2147483647, "2,147,483,647"}, {-5, ""},
        {INT32_MIN, ""}};
    for (const auto& [number, text] : cases)
        EXPECT_EQ(GroupThousands(number), text) << number;
}

TEST(DecodeXMLEntities, ReplacesTheKnownNamesAndALoneAmpersandForAnyOther)
{
    const std::pair<const char*, const char*> cases[] = {{"a &lt; b &amp;&amp; c", "a < b && c"},
        {"&gt;&quot;&apos;", ">\"'"}, {"x&nbsp;y", "x y"}, {"&cr;", "\n"}, {"&foo;x", "&x"}, {"AT&T", "AT&T"},
        {"&LT;", "&"}, {"&;", "&"}, {"&&lt;", "&"}, {"&lt", "&lt"}, {"&#65;", "&"}, {"a;b&amp;", "a;b&"}};
    for (const auto& [text, decoded] : cases) {
        EXPECT_EQ(DecodeXMLEntities(text), decoded) << text;
        EXPECT_EQ(DecodeXMLEntitiesW(StringToWString(text)), StringToWString(decoded)) << text;
    }
    // A wide character whose low byte spells a name is not that name.
    EXPECT_EQ(DecodeXMLEntitiesW(u"&\u016Ct;"), u"&");
}

TEST(Trim, DropsLeadingAndTrailingWhiteSpaceOnly)
{
    const std::pair<std::string, std::string> cases[] = {{" \t\n\v\f\rabc \r\n", "abc"}, {"a b", "a b"},
        {" \t ", ""}, {"", ""}, {"x", "x"}, {" x", "x"}, {"x ", "x"}, {"\xA0x\x85", "\xA0x\x85"},
        {std::string("\0x", 2), std::string("\0x", 2)}};
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(Trim(text), trimmed) << '"' << text << '"';
}

TEST(StringCase, ChangesOnlyAsciiLetters)
{
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<unsigned char>(StringToUpper(one)[0]), b >= 'a' && b <= 'z' ? b - 32 : b) << b;
        EXPECT_EQ(static_cast<unsigned char>(StringToLower(one)[0]), b >= 'A' && b <= 'Z' ? b + 32 : b) << b;
    }
}

TEST(WideStrings, EveryByteRoundTripsCp1252CharactersConvertAndOthersEmptyTheResult)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u16string wide = StringToWString(all);
    EXPECT_EQ(wide[0xE9], u'\u00E9');
    EXPECT_EQ(WStringToString(wide), all);
    EXPECT_EQ(WStringToString(u"\u20AC5 \u201A\u0192 \u2122\u0178\u017E \u2018\u2019\u2013"),
              "\x80" "5 \x82\x83 \x99\x9F\x9E \x91\x92\x96");
    EXPECT_EQ(WStringToString(u"abc\u0100"), "");
}

TEST(StrFindNoCase, FindsTheFirstMatchIgnoringAsciiCase)
{
    const struct { const char* text; const char* pattern; int found; } cases[] = {
        {"Hello WORLD", "World", 6}, {"abab", "BA", 1}, {"abc", "", 0}, {"", "x", -1}, {"ab", "bc", -1},
        {"x\xC9", "\xE9", -1}, {nullptr, "x", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(StrFindNoCase(c.text, c.pattern), c.found) << (c.text ? c.text : "null") << " / " << c.pattern;
}

// Around the 160-byte first buffer and far beyond: both %s and the number
// must reach every formatting attempt intact.
TEST(FormatString, KeepsEveryCharacterAndArgumentAtAnyLength)
{
    for (size_t length : {3, 159, 160, 161, 2000000}) {
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
