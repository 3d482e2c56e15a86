#include "framework/resources/XMLParser.h"

#include "fakes/TempDir.h"
#include "framework/resources/PakInterface.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Vorn::XMLItem;
using Vorn::XMLParser;

// "<a k=v>", "</a>", "[text]", "<?target|body>".
std::string Describe(const XMLItem& item)
{
    switch (item.mType) {
    case XMLItem::kStartTag: {
        std::string text = "<" + item.mValue;
        for (const auto& [name, value] : item.mAttributes)
            text += " " + name + "=" + value;
        return text + ">";
    }
    case XMLItem::kEndTag:
        return "</" + item.mValue + ">";
    case XMLItem::kText:
        return "[" + item.mValue + "]";
    case XMLItem::kInstruction:
        return "<?" + item.mValue + "|" + item.mBody + ">";
    default:
        return "?";
    }
}

struct Outcome {
    std::string items;
    // "text@line", or empty without a failure.
    std::string failure;
};

Outcome Parse(const std::string& bytes)
{
    XMLParser parser;
    parser.OpenBuffer(bytes);
    Outcome outcome;
    XMLItem item;
    for (int i = 0; i < 1000 && parser.ReadNextItem(item); ++i)
        outcome.items += Describe(item);
    if (parser.HasFailed())
        outcome.failure = parser.GetErrorText() + "@" + std::to_string(parser.GetLineNumber());
    return outcome;
}

struct DocCase {
    const char* name;
    std::string bytes;
    std::string items;
    std::string failure;
};

void PrintTo(const DocCase& c, std::ostream* os) { *os << c.name; }

class XMLDocument : public ::testing::TestWithParam<DocCase> {};

TEST_P(XMLDocument, GivesTheseItemsThenEndsOrFails)
{
    const Outcome outcome = Parse(GetParam().bytes);
    EXPECT_EQ(outcome.items, GetParam().items);
    EXPECT_EQ(outcome.failure, GetParam().failure);
}

const std::string kBom8 = "\xEF\xBB\xBF";

std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Items, XMLDocument, ::testing::Values(
    DocCase{"WhiteSpaceOnlyIsNoItem", " \r\n\t ", "", ""},
    DocCase{"TextRunsOfBlanksBecomeOne", "<a>  a   b  </a>", "<a>[a b]</a>", ""},
    DocCase{"QuotedTextKeepsBlanksAndQuotes", "<a>  \"a   b\"  </a>", "<a>[\"a   b\"]</a>", ""},
    DocCase{"SlashAfterName", "<a/>", "<a></a>", ""},
    DocCase{"SlashAfterQuotedValue", "<a b=\"1\"/>", "<a b=1></a>", ""},
    DocCase{"SlashAfterBlank", "<a b=\"1\" />", "<a b=1></a>", ""},
    DocCase{"SlashAfterValuelessAttribute", "<a nopal/>", "<a nopal=></a>", ""},
    DocCase{"QuotedSlashStaysInTheValue", "<a p=\"x/\"></a>", "<a p=x/></a>", ""},
    DocCase{"EqualsInsideQuotesStays", "<a q=\"x=1\"/>", "<a q=x=1></a>", ""},
    DocCase{"AttributeForms", "<a b = 1 c d=\"x y\" b=2>", "<a b=2 c= d=x y>", ""},
    DocCase{"AttributeDecodedOnce", "<a v=\"&amp;lt;\" w=\"&lt;&amp;\"/>", "<a v=&lt; w=<&></a>", ""},
    DocCase{"TextDecoded", "<a>1 &lt; 2</a>", "<a>[1 < 2]</a>", ""},
    DocCase{"CommentDropped", "<a><!-- x -- > y -->b</a>", "<a>[b]</a>", ""},
    DocCase{"CommentWithoutBlankIsATag", "<!--x-->", "<!--x-->", ""},
    DocCase{"Instruction", "<?xml version=\"1.0\"?><r/>", "<?xml| version=\"1.0\"><r></r>", ""},
    DocCase{"UnclosedElementsAtEndAreNoFailure", "<a><b>", "<a><b>", ""},
    DocCase{"Utf8MarkGivesTheSameItems", kBom8 + "<a b=\"\xE2\x82\xAC\">\xC3\xA9</a>", "<a b=\x80>[\xE9]</a>", ""},
    DocCase{"WithoutMarkBytesAreCharacters", "<a>\xC0\x80</a>", "<a>[\xC0\x80]</a>", ""},
    DocCase{"Utf16LittleEndian", Utf16(u"<a b=\"\u20AC\">\u00E9</a>", false), "<a b=\x80>[\xE9]</a>", ""},
    DocCase{"Utf16BigEndian", Utf16(u"<a b=\"\u20AC\">\u00E9</a>", true), "<a b=\x80>[\xE9]</a>", ""},
    DocCase{"Utf16OddLastByteEndsTheInput", Utf16(u"<a/>", false) + "x", "<a></a>", ""},
    DocCase{"UnmatchedEnd", "<a>\n</b>", "<a>", "End 'b' Doesn't Match Start 'a'@2"},
    DocCase{"EndWithoutStart", "</a>", "", "Unexpected End@1"},
    DocCase{"LessThanInTag", "<a\n\n<", "", "Unexpected '<'@3"},
    DocCase{"GreaterThanInText", "x>", "", "Unexpected '>'@1"},
    DocCase{"ControlCharacter", "<a>\x01", "<a>", "Illegal Character@1"},
    DocCase{"EndInsideTag", "<a b=\"c", "", "Unexpected End of File@1"},
    DocCase{"IllegalInsideItemReportsTheEnd", kBom8 + "<a\xC0\x80>", "", "Unexpected End of File@1"}),
    [](const auto& info) { return std::string(info.param.name); });

class IllegalUtf8 : public ::testing::TestWithParam<const char*> {};

TEST_P(IllegalUtf8, FailsWithIllegalCharacter)
{
    EXPECT_EQ(Parse(kBom8 + "<a/>" + GetParam()).failure, "Illegal Character@1");
}

// Overlong forms, surrogates, FFFE/FFFF, forms above FFFF, stray and cut bytes.
INSTANTIATE_TEST_SUITE_P(Sequences, IllegalUtf8, ::testing::Values(
    "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBF\xBE", "\xEF\xBF\xBF",
    "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xF8\x88\x80\x80\x80", "\x80", "\xFE", "\xE2\x82", "\xC3 "));

TEST(XMLParser, Utf16SurrogatesFailAloneOrPaired)
{
    for (const std::u16string tail : {u"\xD800", u"\xDBFF" u"a", u"\xDC00", u"\xDFFF", u"\xD83D\xDE00"}) {
        EXPECT_EQ(Parse(Utf16(u"<a/>" + tail, false)).failure, "Illegal Character@1");
        EXPECT_EQ(Parse(Utf16(u"<a/>" + tail, true)).failure, "Illegal Character@1");
    }
}

TEST(XMLParser, TracksLinesFromOneAndKeepsTheFileNameEmptyForText)
{
    XMLParser parser;
    EXPECT_EQ(parser.GetLineNumber(), 0);
    XMLItem item;
    EXPECT_FALSE(parser.ReadNextItem(item));
    EXPECT_FALSE(parser.HasFailed());
    parser.OpenBuffer("<a>\n\n<b/>");
    EXPECT_EQ(parser.GetLineNumber(), 1);
    EXPECT_TRUE(parser.ReadNextItem(item));
    EXPECT_TRUE(parser.ReadNextItem(item));
    EXPECT_EQ(parser.GetLineNumber(), 3);
    EXPECT_EQ(parser.GetFileName(), "");
}

// The working folder and the process's file layer, for one test.
struct Surroundings {
    std::filesystem::path folder;
    Vorn::PakInterface* layer;
    ~Surroundings()
    {
        std::filesystem::current_path(folder);
        Vorn::gPakInterface = layer;
    }
};

// Text-mode files lose their carriage returns in an archive and keep them on
// the disk; neither may change what is read, in 8 or 16 bits.
TEST(XMLParser, ReadsFilesFromTheDiskAndFromArchivesAlike)
{
    Testing::TempDir dir;
    Vorn::PakInterface pak;
    const Surroundings restore{std::filesystem::current_path(), std::exchange(Vorn::gPakInterface, &pak)};
    std::filesystem::current_path(dir.Path());
    const std::string eight = "<a>\r\n<b/>x</a>";
    const std::string wide = Utf16(u"<a>\r\n<b/>x</a>", false);
    dir.WriteFile("disk8.xml", eight);
    dir.WriteFile("disk16.xml", wide);
    ASSERT_TRUE(Tools::WritePak("main.pak", {{"arc/eight.xml", eight}, {"arc/wide.xml", wide}}));
    ASSERT_TRUE(pak.AddArchive("main.pak"));
    for (const char* name : {"disk8.xml", "disk16.xml", "Arc/Eight.xml", "arc\\wide.xml"}) {
        XMLParser parser;
        ASSERT_TRUE(parser.OpenFile(name)) << name;
        EXPECT_EQ(parser.GetFileName(), name);
        std::string items;
        XMLItem item;
        while (parser.ReadNextItem(item))
            items += Describe(item);
        EXPECT_EQ(items, "<a><b></b>[x]</a>") << name;
        EXPECT_EQ(parser.GetLineNumber(), 2) << name;
        EXPECT_FALSE(parser.HasFailed()) << name;
    }
    XMLParser missing;
    EXPECT_FALSE(missing.OpenFile("nope.xml"));
    EXPECT_EQ(missing.GetErrorText(), "Unable to open file nope.xml");
    EXPECT_EQ(missing.GetLineNumber(), 0);
}

// Every cut and every damaged byte of a small document ends in one of the
// parser's own failures or a clean end, never a crash or a hang.
TEST(XMLParser, CutOrDamagedDocumentsEndCleanly)
{
    const std::set<std::string> texts = {"", "Illegal Character", "Unexpected End of File", "Unexpected '<'",
        "Unexpected '>'", "Unexpected End"};
    const auto endsCleanly = [&](const std::string& bytes) {
        const std::string failure = Parse(bytes).failure;
        return texts.count(failure.substr(0, failure.find('@'))) > 0 || failure.starts_with("End '");
    };
    const std::string doc = "<?xml v=\"1\"?><r a=\"&amp;\" b=c/><!-- c --><s>t \"u\"</s></r>";
    for (const std::string& bytes : {doc, kBom8 + doc, Utf16(u"<r a=\"1\"><s/>t</r>", false)}) {
        for (size_t at = 0; at < bytes.size(); ++at) {
            EXPECT_TRUE(endsCleanly(bytes.substr(0, at))) << at;
            for (const char damage : {'\0', '<', '>', '"', '/', '\xFF', '\xC3'}) {
                std::string damaged = bytes;
                damaged[at] = damage;
                EXPECT_TRUE(endsCleanly(damaged)) << at << " " << int(damage);
            }
        }
    }
}

} // namespace
