#include "fakes/ScriptedApp.h"
#include "fakes/TempDir.h"
#include "framework/app/ModVal.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace Tuned {
int Speed();
double Gravity();
const char* Greeting();
int First();
int Second();
int ProbeInt();
double ProbeDouble();
const char* ProbeText();
int Lift();
extern const char kLookalikeUnregistered[];
extern const char kLookalikeRegistered[];
} // namespace Tuned

namespace TunedLibrary {
int Bounce();
} // namespace TunedLibrary

namespace {

using Testing::ScriptedClock;

const std::string kScratch = MODVAL_SCRATCH_SOURCE;
const std::string kLibraryScratch = MODVAL_LIBRARY_SCRATCH_SOURCE;

// The compiled lines of the scratch file, as ModValTunedConstants.cpp has
// them after its #line directive.
const std::vector<std::string> kCompiled = {
    "namespace Tuned {",
    "int Speed() { return M(17); }",
    "double Gravity() { return M1(9.5); }",
    "const char* Greeting() { return M(\"hi\"); }",
    "int First() { return M(1); } int Second() { return M(2); }",
    "int ProbeInt() { return M(0); } double ProbeDouble() { return M(0.0); } const char* ProbeText() { return "
    "M(\"\"); }",
    "template <typename T> T Lifted() { return M(4); } int Lift() { return Lifted<int>(); }",
    "} // namespace Tuned",
};

class BoxApp : public Testing::ScriptedApp {
public:
    explicit BoxApp(ScriptedClock& clock) : ScriptedApp(clock) {}
    int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override
    {
        mBoxes.push_back({text, caption, flags});
        return 0;
    }
    struct Box {
        std::string text;
        std::string caption;
        uint32_t flags;
    };
    std::vector<Box> mBoxes;
};

// Writes a scratch file with its modification time `seconds` after the
// previous write, so that each write counts as a change whatever the clock's
// resolution.
void WriteScratchFile(const std::string& path, const std::vector<std::string>& lines, const std::string& ending)
{
    static auto stamp = std::filesystem::file_time_type::clock::now() + std::chrono::hours(1);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            out << line << ending;
    }
    stamp += std::chrono::seconds(2);
    std::filesystem::last_write_time(path, stamp);
}

void WriteScratch(const std::vector<std::string>& lines, const std::string& ending = "\n")
{
    WriteScratchFile(kScratch, lines, ending);
}

// The bytes as they are now in memory, not as the compiler last saw them.
std::string BytesAt(const void* address, size_t size)
{
    const volatile char* bytes = static_cast<const volatile char*>(address);
    std::string copy;
    for (size_t i = 0; i < size; ++i)
        copy += bytes[i];
    return copy;
}

std::vector<std::string> WithLine(size_t index, const std::string& line)
{
    std::vector<std::string> lines = kCompiled;
    lines[index] = line;
    return lines;
}

std::string ProbeLine(const std::string& literal)
{
    return "int ProbeInt() { return M(" + literal + "; } double ProbeDouble() { return M(" + literal +
           "; } const char* ProbeText() { return M(" + literal + "; }";
}

TEST(ModValSplitText, SplitsPathOrderAndLineFromTheEnd)
{
    // Text; splits; path, order, line.
    const std::tuple<std::string, bool, std::string, int, int> cases[] = {
        {"src/a.cpp12,340", true, "src/a.cpp", 12, 340},
        {"/x/y/file.cpp0,1", true, "/x/y/file.cpp", 0, 1},
        {"a7,8", false, "", 0, 0},
        {"ab7,8", true, "ab", 7, 8},
        {"a.cpp12340", false, "", 0, 0},
        {"a.cpp12,", false, "", 0, 0},
        {"a.cpp,340", false, "", 0, 0},
        {"12,340", false, "", 0, 0},
        {"x12,340", false, "", 0, 0},
        {"a.cpp", false, "", 0, 0},
        {"a.cpp1,2,3", true, "a.cpp1,", 2, 3},
        {"a.cpp99999999999,1", false, "", 0, 0},
        {"", false, "", 0, 0},
    };
    for (const auto& [text, splits, path, order, line] : cases) {
        SCOPED_TRACE(text);
        std::string gotPath = "unchanged";
        int gotOrder = -1;
        int gotLine = -1;
        EXPECT_EQ(Vorn::ModValSplitText(text, gotPath, gotOrder, gotLine), splits);
        if (splits) {
            EXPECT_EQ(gotPath, path);
            EXPECT_EQ(gotOrder, order);
            EXPECT_EQ(gotLine, line);
        }
    }
}

TEST(ModValSlotsIn, TakesEachSlotFromItsOwnMarkerAndPassesOverTheRest)
{
    using namespace std::string_literals;
    struct Expected {
        size_t offset;
        std::string path;
        int order;
        int line;
    };
    // Bytes; the slots in them, by offset.
    const std::tuple<std::string, std::vector<Expected>> cases[] = {
        {"\1\0\0\0\0VORNMODVALa.cpp1,2\0"s, {{0, "a.cpp", 1, 2}}},
        {"\1\0\0\0\0VORNMODVALa.cpp1,2\0\1\0\0\0\0VORNMODVALb.cpp3,4\0"s, {{0, "a.cpp", 1, 2}, {24, "b.cpp", 3, 4}}},
        // Zeros that align the next slot, and a registered slot whose number
        // holds marker letters.
        {"\1\0\0\0\0VORNMODVALa.cpp1,2\0\0\0\0\0VORNVORNMODVALb.cpp3,4\0"s, {{0, "a.cpp", 1, 2}, {27, "b.cpp", 3, 4}}},
        // The marker again inside a path.
        {"\1\0\0\0\0VORNMODVALx/VORNMODVALy.cpp5,6\0"s, {{0, "x/VORNMODVALy.cpp", 5, 6}}},
        // A marker too near the start, or too near the previous text, to
        // have a slot's five bytes before it.
        {"\0\0\0\0VORNMODVALa.cpp1,2\0"s, {}},
        {"\0\0\0\0VORNMODVALa.cpp1,2\0\1\0\0\0\0VORNMODVALb.cpp3,4\0"s, {{23, "b.cpp", 3, 4}}},
        {"\1\0\0\0\0VORNMODVALa.cpp1,2\0\1\0\0\0VORNMODVALb.cpp3,4\0"s, {{0, "a.cpp", 1, 2}}},
        // A text that does not split is passed over; one that runs past the
        // end is not taken.
        {"\1\0\0\0\0VORNMODVALnone\0\1\0\0\0\0VORNMODVALb.cpp3,4\0"s, {{20, "b.cpp", 3, 4}}},
        {"\1\0\0\0\0VORNMODVALa.cpp1,2\0\1\0\0\0\0VORNMODVALb.cpp3,4"s, {{0, "a.cpp", 1, 2}}},
        {"\1\0\0\0\0VORNMODVA"s, {}},
        {""s, {}},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        std::vector<uint8_t> section(bytes.begin(), bytes.end());
        uint8_t* begin = section.data();
        const std::vector<Vorn::ModValSlotFound> found = Vorn::ModValSlotsIn(begin, begin + section.size());
        ASSERT_EQ(found.size(), expected.size());
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].mSlot, begin + expected[i].offset);
            EXPECT_EQ(found[i].mPath, expected[i].path);
            EXPECT_EQ(found[i].mOrder, expected[i].order);
            EXPECT_EQ(found[i].mLine, expected[i].line);
        }
    }
    // A program without a marked constant has no section: both bounds null.
    EXPECT_TRUE(Vorn::ModValSlotsIn(nullptr, nullptr).empty());
    // Bounds the wrong way round hold nothing.
    const std::string slot = "\1\0\0\0\0VORNMODVALa.cpp1,2\0"s;
    std::vector<uint8_t> bytes(slot.begin(), slot.end());
    EXPECT_TRUE(Vorn::ModValSlotsIn(bytes.data() + bytes.size(), bytes.data()).empty());
}

// One process, one file table: the reparses below run in this order.
// One file table per process, and one scratch file for every process of the
// binary: the reparse steps run in one test, one after another.
struct Session {
    ScriptedClock clock;
    BoxApp app{clock};

    bool Run()
    {
        app.mBoxes.clear();
        return Vorn::ModValReparse();
    }
    std::string OnlyBox(const std::string& caption, uint32_t flags)
    {
        EXPECT_EQ(app.mBoxes.size(), 1u);
        if (app.mBoxes.empty())
            return "";
        EXPECT_EQ(app.mBoxes[0].caption, caption);
        EXPECT_EQ(app.mBoxes[0].flags, flags);
        return app.mBoxes[0].text;
    }
};

void ATunedConstantChangesTheRunningProgramsValue(Session& s)
{
    // First uses: the constants register with their compiled values.
    EXPECT_EQ(Tuned::Speed(), 17);
    EXPECT_EQ(Tuned::Gravity(), 9.5);
    EXPECT_STREQ(Tuned::Greeting(), "hi");
    EXPECT_EQ(Tuned::First(), 1);
    EXPECT_EQ(Tuned::Second(), 2);
    EXPECT_EQ(Tuned::ProbeInt(), 0);
    EXPECT_EQ(Tuned::ProbeDouble(), 0.0);
    EXPECT_STREQ(Tuned::ProbeText(), "");

    WriteScratch(WithLine(1, "int Speed() { return M(42); }"));
    EXPECT_TRUE(s.Run());
    EXPECT_TRUE(s.app.mBoxes.empty());
    EXPECT_EQ(Tuned::Speed(), 42);
    EXPECT_EQ(Tuned::Gravity(), 9.5);
    EXPECT_STREQ(Tuned::Greeting(), "hi");

    // Unchanged since: the values are read again and the warning lists the
    // file.
    EXPECT_FALSE(s.Run());
    EXPECT_EQ(s.OnlyBox("MODVAL WARNING!", Platform::MB_ICONWARNING),
              "WARNING: No file changes detected.  Files parsed: \r\n  " + kScratch);
    EXPECT_EQ(Tuned::Speed(), 42);

    // An integer literal gives a floating constant 0.0: each kind takes only
    // the value of its own parse.
    WriteScratch(WithLine(2, "double Gravity() { return M1(3); }"));
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Gravity(), 0.0);
}

void TwoConstantsOnOneLineTakeTheirEntriesInOrder(Session& s)
{
    WriteScratch(WithLine(4, "int First() { return M(10); } int Second() { return M(20); }"));
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::First(), 10);
    EXPECT_EQ(Tuned::Second(), 20);
}

void LiteralsParseAsStringIntegerOrFloat(Session& s)
{
    // Literal after the '('; integer, floating and string stored.
    const std::tuple<std::string, int32_t, double, std::string> cases[] = {
        {"5)", 5, 0.0, ""},
        {"-12)", -12, 0.0, ""},
        {"0x1F)", 31, 0.0, ""},
        {"0X1f)", 31, 0.0, ""},
        {"-x1F)", -31, 0.0, ""},
        {"0xFFFFFFFF)", -1, 0.0, ""},
        {"2147483647)", 2147483647, 0.0, ""},
        {"-2147483648)", -2147483647 - 1, 0.0, ""},
        {"2147483648)", 0, 2147483648.0, ""},
        {"99999999999)", 0, 99999999999.0, ""},
        {"2.5f)", 0, 2.5, ""},
        {"2.5)", 0, 2.5, ""},
        {"-0.125)", 0, -0.125, ""},
        {".5)", 0, 0.5, ""},
        {"3.)", 0, 3.0, ""},
        {"\"a\\tb\")", 0, 0.0, "a\tb"},
        {"\"q\\\"\\\\\\n\")", 0, 0.0, "q\"\\\n"},
        {"\"x\"   junk", 0, 0.0, "x"},
        {"\"\")", 0, 0.0, ""},
    };
    for (const auto& [literal, integer, floating, text] : cases) {
        SCOPED_TRACE(literal);
        WriteScratch(WithLine(5, ProbeLine(literal)));
        EXPECT_TRUE(s.Run());
        EXPECT_EQ(Tuned::ProbeInt(), integer);
        EXPECT_EQ(Tuned::ProbeDouble(), floating);
        EXPECT_EQ(std::string(Tuned::ProbeText()), text);
    }
}

void UnparsableLiteralsStopTheReparseWithAnError(Session& s)
{
    for (const std::string literal :
         {"-0x10)", "5 )", " 5)", "abc)", "_x)", "x1F)", "5", "1e5)", "2.5ff)", "\"a\\qb\")", "-)", ")"}) {
        SCOPED_TRACE(literal);
        WriteScratch(WithLine(5, "int ProbeInt() { return M(" + literal + "; }"));
        EXPECT_FALSE(s.Run());
        EXPECT_EQ(s.OnlyBox("MODVAL ERROR", Platform::MB_ICONERROR),
                  "ERROR in " + kScratch + " on line 6.  Parsing Error.");
    }
}

void MarksInsideStringsCommentsAndAfterLettersAreNotTaken(Session& s)
{
    // A line 2 and the value its one taken mark gives Speed. "/*/" is a whole
    // comment.
    const std::tuple<std::string, int> lines[] = {
        {"int Speed() { return \"M(1)\", M(7); }", 7},
        {"int Speed() { /* M(1) */ return M(7); }", 7},
        {"int Speed() { return SUM(1), M(7); } // M(2)", 7},
        {"int Speed() { return \"\\\"M(1)\", M(7); }", 7},
        {"int Speed() { /*/ return M(3); } M(7) */", 3},
        {"int Speed() { return _M(7); }", 7},
        {"int Speed() { return 2M(7); }", 7},
        {"int Speed() { return M9(7); }", 7},
    };
    int value = 100;
    for (const auto& [line, taken] : lines) {
        SCOPED_TRACE(line);
        WriteScratch(WithLine(1, line));
        EXPECT_TRUE(s.Run());
        EXPECT_EQ(Tuned::Speed(), taken);
        // Another value between, so that each line proves itself.
        WriteScratch(WithLine(1, "int Speed() { return M(" + std::to_string(++value) + "); }"));
        EXPECT_TRUE(s.Run());
        EXPECT_EQ(Tuned::Speed(), value);
    }
}

// The compiler leaves a template's slot out of the slots' section: it takes
// part once the constant has been used.
void AConstantInATemplateIsTunedOnceUsed(Session& s)
{
    EXPECT_EQ(Tuned::Lift(), 4);
    WriteScratch(WithLine(6, "template <typename T> T Lifted() { return M(-9); } int Lift() { return Lifted<int>(); }"));
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Lift(), -9);
}

void DataThatOnlyHoldsTheMarkerIsNoSlot(Session& s)
{
    // Lines 9 and 10 have marks that the lookalikes name; neither is taken,
    // nor written, nor is its number read.
    std::vector<std::string> lines = kCompiled;
    lines.push_back("int Lookalike() { return M(5); }");
    WriteScratch(lines);
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(BytesAt(Tuned::kLookalikeUnregistered, 5), std::string("\1abcd", 5));
    lines.push_back("int Lookalike() { return M(6); }");
    WriteScratch(lines);
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(BytesAt(Tuned::kLookalikeRegistered, 5), std::string("\0\xff\xff\xff\x7f", 5));
    EXPECT_EQ(Tuned::Speed(), 17);
}

void AConstantOfALinkedLibraryIsTunedToo(Session& s)
{
    const std::vector<std::string> lines = {"namespace TunedLibrary {", "int Bounce() { return M(23); }",
                                            "} // namespace TunedLibrary"};
    EXPECT_EQ(TunedLibrary::Bounce(), 23);
    WriteScratchFile(kLibraryScratch, {lines[0], "int Bounce() { return M(-31); }", lines[2]}, "\n");
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(TunedLibrary::Bounce(), -31);
    EXPECT_TRUE(s.app.mBoxes.empty());
}

void AMarkFirstOnItsLineOrAfterALetterIsPassedOver(Session& s)
{
    WriteScratch(WithLine(1, "int Speed() { return M(55); }"));
    EXPECT_TRUE(s.Run());
    // M first on the line and aM( are no marks; the line's entry then waits
    // for a mark that never comes.
    WriteScratch(WithLine(1, "M(66) aM(77)"));
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Speed(), 55);
}

void LinesEndingInCarriageReturnsAndContinuedCommentsCountAsLines(Session& s)
{
    WriteScratch(WithLine(1, "int Speed() { return M(8); }"), "\r\n");
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Speed(), 8);

    // A comment continued onto line 2 hides its mark.
    std::vector<std::string> lines = WithLine(0, "namespace Tuned { // continued \\");
    lines[1] = "int Speed() { return M(9); }";
    WriteScratch(lines);
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Speed(), 8);

    // A string continued onto line 2 hides it too.
    lines[0] = "namespace Tuned { const char* s = \"open \\";
    lines[1] = "int Speed() { return M(10); }\";";
    WriteScratch(lines);
    EXPECT_TRUE(s.Run());
    EXPECT_EQ(Tuned::Speed(), 8);
}

void SyntaxErrorsReportTheLineReached(Session& s)
{
    // Lines; message.
    struct Case {
        std::vector<std::string> lines;
        std::string message;
    };
    const Case cases[] = {
        {{"namespace Tuned {", "/* open", "still"}, "ERROR in " + kScratch + " on line 3: Error parsing c comment"},
        {{"namespace Tuned {", "x // open \\"}, "ERROR in " + kScratch + " on line 2: Error parsing c++ comment"},
        {{"namespace Tuned {", "\"open"}, "ERROR in " + kScratch + " on line 2: Error parsing quotes"},
        {{"\"open \\", "more \\"}, "ERROR in " + kScratch + " on line 2: Error parsing quotes"},
    };
    for (const auto& [lines, message] : cases) {
        SCOPED_TRACE(message);
        WriteScratch(lines);
        EXPECT_FALSE(s.Run());
        EXPECT_EQ(s.OnlyBox("MODVAL ERROR", Platform::MB_ICONERROR), message);
    }
}

void AMissingSourceFileStopsTheReparse(Session& s)
{
    std::filesystem::remove(kScratch);
    EXPECT_FALSE(s.Run());
    EXPECT_EQ(s.OnlyBox("MODVAL ERROR!", Platform::MB_ICONERROR),
              "ERROR: Unable to open " + kScratch + " for reparsing.");
    WriteScratch(kCompiled);
}

void AltRClearsTheHeldKeysWhenNothingChanged(Session& s)
{
    WriteScratch(kCompiled);
    EXPECT_TRUE(s.Run());
    auto& held = s.app.mWidgetManager->mKeyDown;
    held['Q'] = 1;
    held[Platform::VK_MENU] = 1;
    EXPECT_FALSE(s.app.HandleDebugKey('R'));
    EXPECT_EQ(held['Q'], 0);
    EXPECT_EQ(held[Platform::VK_MENU], 0);
    ASSERT_EQ(s.app.mBoxes.size(), 1u);
    EXPECT_EQ(s.app.mBoxes[0].caption, "MODVAL WARNING!");

    // A change: the keys stay held.
    WriteScratch(kCompiled);
    s.app.mBoxes.clear();
    held['Q'] = 1;
    held[Platform::VK_MENU] = 1;
    EXPECT_FALSE(s.app.HandleDebugKey('R'));
    EXPECT_EQ(held['Q'], 1);
    EXPECT_TRUE(s.app.mBoxes.empty());
}

// The scratch sources are one pair of files for every process, and this
// test alone and the whole binary's run may come at once: each holds them
// while it writes and reparses them.
class ScratchLock {
public:
    // On a fresh build no process has written the scratch folder yet: made
    // here, or the lock file cannot be opened and both runs go unlocked.
    ScratchLock() : mFd(OpenLockFile())
    {
        if (mFd >= 0)
            flock(mFd, LOCK_EX);
    }
    bool Held() const { return mFd >= 0; }
    ScratchLock(const ScratchLock&) = delete;
    ScratchLock& operator=(const ScratchLock&) = delete;
    ~ScratchLock()
    {
        if (mFd >= 0)
            close(mFd);
    }

private:
    static int OpenLockFile()
    {
        std::filesystem::create_directories(std::filesystem::path(kScratch).parent_path());
        return open((kScratch + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    }

    int mFd;
};

TEST(LiveTuning, ReparsesEditedConstantsIntoTheRunningProgram)
{
    const ScratchLock lock;
    ASSERT_TRUE(lock.Held());
    Session s;
    // Before any marked constant is used no file takes part.
    EXPECT_FALSE(s.Run());
    EXPECT_EQ(s.OnlyBox("MODVAL WARNING!", Platform::MB_ICONWARNING),
              "WARNING: No file changes detected.  Files parsed: \r\n  none");
    {
        SCOPED_TRACE("ATunedConstantChangesTheRunningProgramsValue");
        ATunedConstantChangesTheRunningProgramsValue(s);
    }
    {
        SCOPED_TRACE("TwoConstantsOnOneLineTakeTheirEntriesInOrder");
        TwoConstantsOnOneLineTakeTheirEntriesInOrder(s);
    }
    {
        SCOPED_TRACE("AConstantInATemplateIsTunedOnceUsed");
        AConstantInATemplateIsTunedOnceUsed(s);
    }
    {
        SCOPED_TRACE("DataThatOnlyHoldsTheMarkerIsNoSlot");
        DataThatOnlyHoldsTheMarkerIsNoSlot(s);
    }
    {
        SCOPED_TRACE("LiteralsParseAsStringIntegerOrFloat");
        LiteralsParseAsStringIntegerOrFloat(s);
    }
    {
        SCOPED_TRACE("UnparsableLiteralsStopTheReparseWithAnError");
        UnparsableLiteralsStopTheReparseWithAnError(s);
    }
    {
        SCOPED_TRACE("MarksInsideStringsCommentsAndAfterLettersAreNotTaken");
        MarksInsideStringsCommentsAndAfterLettersAreNotTaken(s);
    }
    {
        SCOPED_TRACE("AMarkFirstOnItsLineOrAfterALetterIsPassedOver");
        AMarkFirstOnItsLineOrAfterALetterIsPassedOver(s);
    }
    {
        SCOPED_TRACE("LinesEndingInCarriageReturnsAndContinuedCommentsCountAsLines");
        LinesEndingInCarriageReturnsAndContinuedCommentsCountAsLines(s);
    }
    {
        SCOPED_TRACE("SyntaxErrorsReportTheLineReached");
        SyntaxErrorsReportTheLineReached(s);
    }
    {
        SCOPED_TRACE("AMissingSourceFileStopsTheReparse");
        AMissingSourceFileStopsTheReparse(s);
    }
    {
        SCOPED_TRACE("AltRClearsTheHeldKeysWhenNothingChanged");
        AltRClearsTheHeldKeysWhenNothingChanged(s);
    }
    {
        SCOPED_TRACE("AConstantOfALinkedLibraryIsTunedToo");
        AConstantOfALinkedLibraryIsTunedToo(s);
    }
}

// Slots of the tests' own, whose texts name no file: they take no part in
// reparses.
constexpr char kStraySlot[] = "\1\0\0\0\0VORNMODVALstray";
constexpr char kOwnerSlot[] = "\1\0\0\0\0VORNMODVALowner";

uint32_t NumberIn(const char* slot)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(slot);
    return uint32_t{bytes[1]} | uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]} << 16 | uint32_t{bytes[4]} << 24;
}

void PutNumber(char* slot, uint32_t number)
{
    for (int i = 0; i < 4; ++i)
        slot[1 + i] = static_cast<char>(number >> (8 * i));
}

TEST(ModValOf, ASlotHoldingANumberNotItsOwnGetsARecordOfItsOwn)
{
    static char owner[sizeof(kOwnerSlot)];
    std::copy(std::begin(kOwnerSlot), std::end(kOwnerSlot), owner);
    Vorn::ModVal* ownerRecord = Vorn::ModValOf(reinterpret_cast<uint8_t*>(owner));
    ASSERT_EQ(owner[0], 0);
    EXPECT_EQ(std::string(owner + 5, 10), "VORNMODVAL");
    EXPECT_EQ(Vorn::ModValOf(reinterpret_cast<uint8_t*>(owner)), ownerRecord);
    const uint32_t ownerNumber = NumberIn(owner);
    uint32_t lastNumber = ownerNumber;

    // Name; the number the slot holds, from the owner's and the last one
    // given out.
    const std::tuple<const char*, std::function<uint32_t()>> cases[] = {
        {"another slot's", [&] { return ownerNumber; }},
        {"one past the last record", [&] { return lastNumber + 1; }},
        {"all ones", [] { return 0xFFFFFFFFu; }},
        {"the largest positive", [] { return 0x7FFFFFFFu; }},
        {"another slot's with a third byte", [&] { return ownerNumber | 0x10000u; }},
        {"another slot's with a high byte", [&] { return ownerNumber | 0x1000000u; }},
    };
    static char slots[std::size(cases)][sizeof(kStraySlot)];
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [name, number] = cases[i];
        SCOPED_TRACE(name);
        char* slot = slots[i];
        std::copy(std::begin(kStraySlot), std::end(kStraySlot), slot);
        slot[0] = 0;
        const uint32_t held = number();
        PutNumber(slot, held);
        Vorn::ModVal* record = Vorn::ModValOf(reinterpret_cast<uint8_t*>(slot));
        EXPECT_NE(record, ownerRecord);
        EXPECT_FALSE(record->mChanged);
        // Registered now: the next number, the same record each time.
        EXPECT_EQ(slot[0], 0);
        EXPECT_EQ(NumberIn(slot), lastNumber + 1);
        EXPECT_EQ(std::string(slot + 5, 10), "VORNMODVAL");
        EXPECT_EQ(Vorn::ModValOf(reinterpret_cast<uint8_t*>(slot)), record);
        lastNumber = NumberIn(slot);
    }
    EXPECT_EQ(Vorn::ModValOf(reinterpret_cast<uint8_t*>(owner)), ownerRecord);

    // Its own number with a higher byte set is not its own.
    for (const uint32_t highBits : {0x10000u, 0x1000000u}) {
        SCOPED_TRACE(highBits);
        Vorn::ModVal* before = Vorn::ModValOf(reinterpret_cast<uint8_t*>(owner));
        PutNumber(owner, NumberIn(owner) | highBits);
        EXPECT_NE(Vorn::ModValOf(reinterpret_cast<uint8_t*>(owner)), before);
        EXPECT_LT(NumberIn(owner), highBits);
    }
}

TEST(ModValOf, NumbersPastOneByteAreWrittenAndReadLittleEndian)
{
    constexpr size_t kCount = 300;
    static char slots[kCount][sizeof(kStraySlot)];
    std::vector<Vorn::ModVal*> records;
    for (char* slot : slots) {
        std::copy(std::begin(kStraySlot), std::end(kStraySlot), slot);
        records.push_back(Vorn::ModValOf(reinterpret_cast<uint8_t*>(slot)));
    }
    const uint32_t first = NumberIn(slots[0]);
    int wrong = 0;
    for (size_t i = 0; i < kCount; ++i) {
        wrong += NumberIn(slots[i]) != first + i;
        wrong += Vorn::ModValOf(reinterpret_cast<uint8_t*>(slots[i])) != records[i];
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(NumberIn(slots[kCount - 1]), 256u);
}

// Slots in pages that cannot be written (a shared mapping of a file opened
// for reading), as every slot is when the system's memory map cannot be read.
TEST(ModValOf, ASlotThatCannotBeWrittenRegistersOnceAndIsReportedOnce)
{
    using namespace std::string_literals;
    const std::string first = "\1\0\0\0\0VORNMODVALunwritable first"s;
    const std::string second = "\1\0\0\0\0VORNMODVALunwritable second"s;
    Testing::TempDir dir;
    dir.WriteFile("slots", first + std::string(1, '\0') + second + std::string(1, '\0'));
    const int file = open((dir / "slots").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    void* mapped = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, file, 0);
    close(file);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* firstSlot = static_cast<uint8_t*>(mapped);
    uint8_t* secondSlot = firstSlot + first.size() + 1;

    std::string reported;
    const Platform::DebugSink previous = Platform::SetDebugSink([&](std::string_view text) { reported += text; });
    Vorn::ModVal* firstRecord = Vorn::ModValOf(firstSlot);
    Vorn::ModVal* secondRecord = Vorn::ModValOf(secondSlot);
    int others = 0;
    for (int i = 0; i < 1000; ++i) {
        others += Vorn::ModValOf(firstSlot) != firstRecord;
        others += Vorn::ModValOf(secondSlot) != secondRecord;
    }
    Platform::SetDebugSink(previous);
    EXPECT_NE(firstRecord, secondRecord);
    EXPECT_EQ(others, 0);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1) << reported;
    EXPECT_NE(reported.find("unwritable first"), std::string::npos) << reported;
    EXPECT_EQ(firstSlot[0], 1);

    // Tuning still reaches such a constant through its record.
    EXPECT_EQ(Vorn::ModValValue(firstSlot, 5), 5);
    firstRecord->mInt = 8;
    firstRecord->mChanged = true;
    EXPECT_EQ(Vorn::ModValValue(firstSlot, 5), 8);
    EXPECT_EQ(Vorn::ModValValue(secondSlot, 5), 5);
    munmap(mapped, 4096);
}

} // namespace
