#include "framework/resources/DescParser.h"

#include "fakes/TempDir.h"
#include "framework/app/StringUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;

// Records each command as "(word, values)@line"; "Define name value" defines
// as font descriptors do and records the definition; "Fail" fails.
class ScriptParser : public DescParser {
public:
    using DescParser::mCmdSep;
    using DescParser::mCurrentLine;
    using DescParser::mCurrentLineNum;
    using DescParser::mError;
    using DescParser::ReadDescriptorText;

    bool ExecuteCommand(ListDataElement& params) override
    {
        const auto& values = params.mElementVector;
        const std::string word = StringToUpper(ElementToString(values[0].get()));
        if (word == "FAIL")
            return Error("boom");
        if (word == "DEFINE" && values.size() == 3) {
            std::unique_ptr<DataElement> value;
            if (values[2]->mIsList) {
                auto list = std::make_unique<ListDataElement>();
                if (!CopyValueList(static_cast<const ListDataElement&>(*values[2]), *list))
                    return false;
                value = std::move(list);
            } else {
                const DataElement* named = LookUpDefinition(ElementToString(values[2].get()));
                value = (named ? named : values[2].get())->Duplicate();
            }
            log += ElementToString(value.get()) + "@" + std::to_string(mCurrentLineNum);
            mDefineMap[StringToUpper(ElementToString(values[1].get()))] = std::move(value);
            return true;
        }
        log += ElementToString(&params) + "@" + std::to_string(mCurrentLineNum);
        return true;
    }

    std::string log;
};

std::string Nest(size_t depth)
{
    return std::string(depth, '(') + std::string(depth, ')');
}

struct ScriptCase {
    int separation;
    std::string text;
    // The commands run, then " !" and the error text when reading failed.
    std::string result;
};

TEST(DescParser, ScriptsRunTheseCommands)
{
    // Separation 1: a semicolon ends a command; 2: an unindented line does.
    const ScriptCase cases[] = {
        {1, "A 1 2; B (3, 4)", "(A, 1, 2)@1(B, (3, 4))@1"}, {2, "A 1\n\t 2\r\nB 5", "(A, 1, 2)@1(B, 5)@3"},
        {2, "A ;", "(A, ;)@1"}, {1, "  # x; y\nA # x", "(A, #, x)@2"}, {1, "A 'x;y' \"p;q\";", "(A, 'x;y', \"p;q\")@1"},
        {1, "\n\n  A 1\n2\n3;\nB", "(A, 1, 2, 3)@3(B)@6"}, {1, "A 1,, 2 ,\t3", "(A, 1, 2, 3)@1"}, {1, ";; ;\n;", ""},
        {1, "A 'a\\'b' \"\\\\\" x\\y", "(A, 'a\\'b', \"\\\\\", xy)@1"}, {1, "A; Fail; B", "(A)@1 !boom"},
        {1, "A (1", " !Unterminated List"}, {1, "A 1)", " !Unexpected List End"},
        {1, "A b(1)", " !Unexpected List Start"}, {1, "A ('x)", " !Unterminated Single Quotes"},
        {1, "A \"x", " !Unterminated Double Quotes"}, {1, "(A) 1", " !Missing Command"},
        {1, "Define x (1 nope)", " !Unable to Dereference \"nope\""},
        {1, "Define L (1, 2); define m (l, 'q', \"\")", "(1, 2)@1((1, 2), q, )@1"},
        {1, "A " + Nest(63), "(A, " + Nest(63) + ")@1"}, {1, "A " + Nest(64), " !List Nesting Too Deep"}};
    for (const ScriptCase& c : cases) {
        ScriptParser parser;
        parser.mCmdSep = c.separation;
        const bool ok = parser.ReadDescriptorText(c.text);
        EXPECT_EQ(parser.log + (ok ? "" : " !" + parser.mError), c.result) << c.text;
        EXPECT_EQ(parser.mCurrentLineNum, 0);
        EXPECT_EQ(parser.mCurrentLine, "");
    }
}

TEST(DescParser, ReadsAFileDroppingCarriageReturns)
{
    Testing::TempDir dir;
    dir.WriteFile("font.txt", "A 1;\r\nB 'x\r\ny'");
    ScriptParser parser;
    EXPECT_TRUE(parser.ReadDescriptorFile(dir / "font.txt"));
    EXPECT_EQ(parser.log, "(A, 1)@1(B, 'x\ny')@2");
    parser.mError = "old";
    EXPECT_FALSE(parser.ReadDescriptorFile(dir / "missing.txt"));
    EXPECT_EQ(parser.mError, "");
}

TEST(DescParser, UnquotingDropsTheQuotesAndKeepsEscapedOnes)
{
    const char* cases[][2] = {{"abc", "abc"}, {"'it''s'", "it's"}, {"'it\\'s'", "it's"}, {"''", ""}, {"\"x\"", "x"},
        {"'a\"b'", "a\"b"}, {"'''a'", "'a"}, {"'a\\\\b'", "a\\b"}, {"a'b'", "a'b'"}, {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(DescParser::Unquote(c[0]), c[1]) << c[0];
}

TEST(DescParser, ConversionsResolveNamesAndCheckKinds)
{
    ScriptParser parser;
    ASSERT_TRUE(parser.ReadDescriptorText("Define L (1, -2, 3); Define N (1 (2)); Define S 'x'; Define T S"));
    ListDataElement command;
    ASSERT_TRUE(parser.SplitToList("(2.5) (0.5 1) (u) T L N", command, false, nullptr));
    const auto at = [&](size_t i) { return command.mElementVector[i].get(); };
    std::vector<int> ints;
    EXPECT_TRUE(parser.ValueToIntVector(at(4), ints));
    EXPECT_EQ(ints, (std::vector<int>{1, -2, 3}));
    EXPECT_FALSE(parser.ValueToIntVector(at(0), ints));
    std::vector<double> doubles;
    EXPECT_TRUE(parser.ValueToDoubleVector(at(1), doubles));
    EXPECT_EQ(doubles, (std::vector<double>{0.5, 1.0}));
    EXPECT_FALSE(parser.ValueToDoubleVector(at(2), doubles));
    EXPECT_EQ(parser.mError, "Unable to Dereference \"u\"");
    std::vector<std::string> strings{"stale"};
    EXPECT_FALSE(parser.ValueToStringVector(at(5), strings));
    EXPECT_TRUE(strings.empty());
    std::string text;
    EXPECT_TRUE(parser.ValueToString(at(3), text));
    EXPECT_EQ(text, "x");
    EXPECT_FALSE(parser.ValueToString(at(4), text));
}

// List self-assignment and assignment from a child must not free what is being copied.
TEST(DescParser, ListsCopyIntoThemselvesAndFromTheirChildren)
{
    ScriptParser parser;
    ListDataElement list;
    ASSERT_TRUE(parser.SplitToList("1 (2 (3)) '4'", list, false, nullptr));
    ASSERT_TRUE(parser.CopyValueList(list, list));
    EXPECT_EQ(DescParser::ElementToString(&list), "(1, (2, (3)), 4)");
    const ListDataElement& self = list;
    list = self;
    list = static_cast<const ListDataElement&>(*list.mElementVector[1]);
    EXPECT_EQ(DescParser::ElementToString(&list), "(2, (3))");
}

// Definitions are copies: a name defined in terms of itself grows by one
// level, or doubles, at each repetition until a bound stops it.
TEST(DescParser, SelfDefinitionsStopAtTheBounds)
{
    for (const auto& [body, error] : {std::pair{"(X)", "List Nesting Too Deep"}, {"(X X)", "List Too Large"}}) {
        ScriptParser parser;
        std::string script = "Define X 1;";
        for (int i = 0; i < 100; ++i)
            script += "Define X " + std::string(body) + ";";
        EXPECT_FALSE(parser.ReadDescriptorText(script));
        EXPECT_EQ(parser.mError, error);
    }
}

TEST(DescParser, CutOrDamagedScriptsEndCleanly)
{
    const std::string script = "Define L (1, 'a;b', \"c\\\"d\");\n# note\nA L (2 (3)), 4\n  B \\x";
    for (size_t at = 0; at < script.size(); ++at) {
        for (const char damage : {'(', ')', '\'', '"', '\\', ';', '\n', '\0'}) {
            std::string damaged = script;
            damaged[at] = damage;
            for (const std::string& text : {script.substr(0, at), damaged}) {
                ScriptParser parser;
                parser.mCmdSep = 3;
                EXPECT_TRUE(parser.ReadDescriptorText(text) || !parser.mError.empty()) << text;
            }
        }
    }
}

} // namespace
