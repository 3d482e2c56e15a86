#include "framework/resources/XMLParser.h"

#include "fakes/TempDir.h"
#include "framework/resources/PakInterface.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>

namespace {

using Vorn::XMLItem;
using Vorn::XMLParser;

// "<a k=v>", "</a>", "[text]", "<?target|body>".
std::string Describe(const XMLItem& item)
{
    std::string attributes;
    for (const auto& [name, value] : item.mAttributes)
        attributes += " " + name + "=" + value;
    switch (item.mType) {
    case XMLItem::kStartTag:
        return "<" + item.mValue + attributes + ">";
    case XMLItem::kEndTag:
        return "</" + item.mValue + ">";
    case XMLItem::kText:
        return "[" + item.mValue + "]";
    default:
        return "<?" + item.mValue + "|" + item.mBody + ">";
    }
}

struct Outcome {
    std::string items, failure; // failure: "text@line", or empty
};

// `bytes` names a file when `fromFile` is set.
Outcome Parse(const std::string& bytes, bool fromFile = false)
{
    XMLParser parser;
    if (fromFile)
        parser.OpenFile(bytes);
    else
        parser.OpenBuffer(bytes);
    Outcome outcome;
    XMLItem item;
    for (int i = 0; i < 1000 && parser.ReadNextItem(item); ++i)
        outcome.items += Describe(item);
    if (parser.HasFailed())
        outcome.failure = parser.GetErrorText() + "@" + std::to_string(parser.GetLineNumber());
    return outcome;
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

TEST(XMLParser, DocumentsGiveTheseItemsThenEndOrFail)
{
    const struct {
        std::string bytes, items, failure = "";
    } cases[] = {
        {" \r\n\t ", ""}, {"<a>  a   b  </a>", "<a>[a b]</a>"}, {"<a>  \"a   b\"  </a>", "<a>[\"a   b\"]</a>"},
        {"<a/>", "<a></a>"}, {"<a b=\"1\"/>", "<a b=1></a>"}, {"<a b=\"1\" />", "<a b=1></a>"},
        {"<a nopal/>", "<a nopal=></a>"}, {"<a p=\"x/\"></a>", "<a p=x/></a>"}, {"<a q=\"x=1\"/>", "<a q=x=1></a>"},
        {"<a b = 1 c d=\"x y\" b=2>", "<a b=2 c= d=x y>"},
        {"<a v=\"&amp;lt;\" w=\"&lt;&amp;\"/>", "<a v=&lt; w=<&></a>"}, {"<a>1 &lt; 2</a>", "<a>[1 < 2]</a>"},
        {"<a><!-- x -- > y -->b</a>", "<a>[b]</a>"}, {"<!--x-->", "<!--x-->"},
        {"<?xml version=\"1.0\"?><r/>", "<?xml| version=\"1.0\"><r></r>"}, {"<a><b>", "<a><b>"},
        {kBom8 + "<a b=\"\xE2\x82\xAC\">\xC3\xA9</a>", "<a b=\x80>[\xE9]</a>"},
        {"<a>\xC0\x80</a>", "<a>[\xC0\x80]</a>"}, {Utf16(u"<a b=\"\u20AC\">\u00E9</a>", false), "<a b=\x80>[\xE9]</a>"},
        {Utf16(u"<a b=\"\u20AC\">\u00E9</a>", true), "<a b=\x80>[\xE9]</a>"},
        {Utf16(u"<a/>", false) + "x", "<a></a>"}, // an odd last byte of UTF-16 ends the input
        {"<a>\n</b>", "<a>", "End 'b' Doesn't Match Start 'a'@2"},
        {"</a>", "", "Unexpected End@1"}, {"<a\n\n<", "", "Unexpected '<'@3"}, {"x>", "", "Unexpected '>'@1"},
        {"<a>\x01", "<a>", "Illegal Character@1"}, {"<a b=\"c", "", "Unexpected End of File@1"},
        // An illegal character inside an item reports the end of the file.
        {kBom8 + "<a\xC0\x80>", "", "Unexpected End of File@1"}};
    for (const auto& c : cases) {
        const Outcome outcome = Parse(c.bytes);
        EXPECT_EQ(outcome.items, c.items) << c.bytes;
        EXPECT_EQ(outcome.failure, c.failure) << c.bytes;
    }
}


// Overlong forms, surrogates, FFFE/FFFF, forms above 10FFFF, five-byte
// forms, stray and cut bytes; in UTF-16 lone halves and cut pairs.
TEST(XMLParser, IllegalCharactersFail)
{
    for (const char* tail : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBF\xBE",
                             "\xEF\xBF\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF",
                             "\xF8\x88\x80\x80\x80", "\x80", "\xFE", "\xE2\x82", "\xF0\x9F\x98", "\xC3 "})
        EXPECT_EQ(Parse(kBom8 + "<a/>" + tail).failure, "Illegal Character@1") << tail;
    for (const std::u16string tail : {u"\xD800", u"\xDBFF" u"a", u"\xDC00", u"\xDFFF", u"\xDE00\xD83D"}) {
        for (const bool bigEndian : {false, true})
            EXPECT_EQ(Parse(Utf16(u"<a/>" + tail, bigEndian)).failure, "Illegal Character@1");
    }
}

// A character above FFFF, as four UTF-8 bytes or a UTF-16 pair, is one
// character: the stand-in FFFD, which 8-bit text cannot show either.
TEST(XMLParser, CharactersAboveFFFFAreOneStandInCharacter)
{
    const Outcome eight = Parse(kBom8 + "<a>x\xF0\x9F\x98\x80y\xF4\x8F\xBF\xBFz</a>");
    const Outcome sixteen = Parse(Utf16(u"<a>x\xD83D\xDE00y\xDBFF\xDFFFz</a>", true));
    const Outcome plain = Parse(Utf16(u"<a>x\xFFFDy\xFFFDz</a>", false));
    EXPECT_EQ(eight.failure + sixteen.failure + plain.failure, "");
    EXPECT_EQ(eight.items, plain.items);
    EXPECT_EQ(sixteen.items, plain.items);
    EXPECT_EQ(plain.items.substr(0, 5), "<a>[x");
}

// Text-mode files lose their carriage returns in an archive and keep them on
// the disk; neither may change what is read, in 8 or 16 bits.
TEST(XMLParser, ReadsFilesFromTheDiskAndFromArchivesAlike)
{
    Testing::TempDir dir;
    Vorn::PakInterface pak;
    Vorn::PakInterface* const layer = std::exchange(Vorn::gPakInterface, &pak);
    const std::filesystem::path folder = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const std::string eight = "<a>\r\n<b/>x</a>", wide = Utf16(u"<a>\r\n<b/>x</a>", false);
    dir.WriteFile("disk8.xml", eight);
    dir.WriteFile("disk16.xml", wide);
    EXPECT_TRUE(Tools::WritePak("main.pak", {{"arc/eight.xml", eight}, {"arc/wide.xml", wide}}));
    EXPECT_TRUE(pak.AddArchive("main.pak"));
    for (const char* name : {"disk8.xml", "disk16.xml", "Arc/Eight.xml", "arc\\wide.xml"})
        EXPECT_EQ(Parse(name, true).items + Parse(name, true).failure, "<a><b></b>[x]</a>") << name;
    EXPECT_EQ(Parse("nope.xml", true).failure, "Unable to open file nope.xml@0");
    std::filesystem::current_path(folder);
    Vorn::gPakInterface = layer;
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
