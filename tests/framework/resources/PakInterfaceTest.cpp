#include "framework/resources/PakInterface.h"

#include "fakes/TempDir.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;
using Tools::PakFile;
namespace fs = std::filesystem;

std::string ReadAll(PakInterfaceBase& pak, const std::string& name, const char* mode = "rb")
{
    PakFileHandle* handle = pak.FOpen(name.c_str(), mode);
    if (!handle)
        return "<missing>";
    std::string out;
    char chunk[7];
    for (size_t n; (n = pak.FRead(chunk, 1, sizeof chunk, handle)) > 0;)
        out.append(chunk, n);
    pak.FClose(handle);
    return out;
}

// Each test runs in a fresh working folder, the one archived names are
// relative to.
class PakInterfaceTest : public ::testing::Test {
protected:
    PakInterfaceTest() : previous(fs::current_path()) { fs::current_path(dir.Path()); }
    ~PakInterfaceTest() override { fs::current_path(previous); }

    bool Add(const std::string& archive, const std::vector<PakFile>& files)
    {
        return Tools::WritePak(archive, files) && pak.AddArchive(archive);
    }

    Testing::TempDir dir;
    fs::path previous;
    PakInterface pak;
};

TEST_F(PakInterfaceTest, EveryArchiveByteIsStoredXoredWithTheKey)
{
    ASSERT_TRUE(Add("main.pak", {{"a/b.txt", "hi", 0x0102030405060708}}));
    const std::string plain("\xC0\x4A\xC0\xBA" "\0\0\0\0" "\0\x07" "a\\b.txt" "\x02\0\0\0"
                            "\x08\x07\x06\x05\x04\x03\x02\x01" "\x80" "hi", 32);
    std::ifstream in("main.pak", std::ios::binary);
    std::string stored(std::istreambuf_iterator<char>(in), {});
    for (char& c : stored)
        c = static_cast<char>(c ^ 0x6B);
    EXPECT_EQ(stored, plain);
    EXPECT_EQ(ReadAll(pak, "A\\B.TXT"), "hi");
    // The archive's own entry reads it whole, descrambled like any other.
    EXPECT_EQ(ReadAll(pak, "Main.pak"), plain);
}

TEST_F(PakInterfaceTest, AnEndMarkFirstMakesAnArchiveWithNoFiles)
{
    ASSERT_TRUE(Add("empty.pak", {}));
    EXPECT_EQ(ReadAll(pak, "EMPTY.PAK").size(), 9u);
}

struct NameCase {
    const char* name;
    const char* normalized;
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << ::testing::PrintToString(std::string(c.name));
}

class NormalizePakNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NormalizePakNameTest, GivesTheLookupForm)
{
    std::string normalized;
    ASSERT_TRUE(PakInterface::NormalizePakName(GetParam().name, normalized));
    EXPECT_EQ(normalized, GetParam().normalized);
}

INSTANTIATE_TEST_SUITE_P(Names, NormalizePakNameTest, ::testing::Values(
    NameCase{"Images/Ball.PNG", "IMAGES\\BALL.PNG"},
    NameCase{"IMAGES//BALL.PNG", "IMAGES\\BALL.PNG"},
    NameCase{"a\\b\\..\\d.png", "A\\D.PNG"},
    NameCase{"a\\..\\d.png", "D.PNG"},
    NameCase{"a/b/c/..//../d", "A\\D"},
    NameCase{"a\\b\\..", "A\\"},
    NameCase{"a\\..b", "A\\..B"},
    NameCase{"a\\...\\b", "A\\...\\B"},
    NameCase{"..\\a", "..\\A"},
    NameCase{".\\a\\.", ".\\A\\."},
    NameCase{"\\\\a\\..\\b", "\\B"},
    NameCase{"c:\\Game\\x.png", "C:\\GAME\\X.PNG"},
    NameCase{"\xE9t\xE9.txt", "\xE9T\xE9.TXT"}));

TEST_F(PakInterfaceTest, LookupsIgnoreCaseSeparatorsAndTheWorkingFolder)
{
    ASSERT_TRUE(Add("main.pak", {{"images\\ball.png", "BALL"}}));
    const std::string here = fs::current_path().string();
    for (const std::string& name : {std::string("Images/Ball.PNG"), std::string("IMAGES//BALL.PNG"),
                                    std::string("images\\x\\..\\ball.png"), here + "/images/ball.png"})
        EXPECT_EQ(ReadAll(pak, name), "BALL") << name;
    EXPECT_EQ(ReadAll(pak, here + "x/images/ball.png"), "<missing>");
    EXPECT_EQ(ReadAll(pak, "ball.png"), "<missing>");
}

TEST_F(PakInterfaceTest, NamesOverTheLimitAreLookedForOnlyOnDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"ball.png", "archive"}}));
    dir.WriteFile("ball.png", "disk");
    // Both normalise to BALL.PNG; the folders exist so the disk finds the file.
    for (const size_t length : {kPakMaxName, kPakMaxName + 1}) {
        const std::string folder(length - 12, 'x');
        fs::create_directory(folder);
        EXPECT_EQ(ReadAll(pak, folder + "\\..\\ball.png"), length <= kPakMaxName ? "archive" : "disk");
    }
}

TEST_F(PakInterfaceTest, TheLastAddedOfSeveralEntriesWithOneNameIsServed)
{
    ASSERT_TRUE(Add("one.pak", {{"a.txt", "one"}, {"b.txt", "b"}}));
    ASSERT_TRUE(Add("two.pak", {{"A.TXT", "two"}, {"c.txt", "first"}, {"C.txt", "second"}, {"d.txt", "d"}}));
    EXPECT_EQ(ReadAll(pak, "a.txt"), "two");
    EXPECT_EQ(ReadAll(pak, "b.txt"), "b");
    // Both records keep their place in the data: the later one follows the earlier.
    EXPECT_EQ(ReadAll(pak, "c.txt"), "second");
    EXPECT_EQ(ReadAll(pak, "d.txt"), "d");
}

TEST_F(PakInterfaceTest, FilesThatAreNotArchivesAreRefused)
{
    std::string version1 = *Tools::BuildPak({{"a.txt", "x"}});
    version1[4] = static_cast<char>(1 ^ kPakKey);
    for (const std::string& contents : {std::string(), std::string("PK\3\4 not ours"), version1}) {
        dir.WriteFile("bad.pak", contents);
        EXPECT_FALSE(pak.AddArchive("bad.pak")) << contents.size();
    }
    EXPECT_FALSE(pak.AddArchive("missing.pak"));
    EXPECT_EQ(ReadAll(pak, "bad.pak"), version1);
    EXPECT_EQ(ReadAll(pak, "a.txt"), "<missing>");
}

TEST_F(PakInterfaceTest, AnArchiveCutShortAnywhereIsRefusedWhole)
{
    const std::string archive = *Tools::BuildPak({{"a.txt", "alpha"}, {"b.txt", "beta"}});
    for (size_t length = 0; length < archive.size(); ++length) {
        dir.WriteFile("cut.pak", archive.substr(0, length));
        // The header alone is an archive with no files.
        EXPECT_EQ(pak.AddArchive("cut.pak"), length == 8) << length;
        EXPECT_EQ(ReadAll(pak, "a.txt"), "<missing>") << length;
    }
}

TEST_F(PakInterfaceTest, CorruptDirectoriesNeverLeadReadsOutsideTheFile)
{
    const std::string archive = *Tools::BuildPak({{"pakt1", "alpha"}, {"pakt2", ""}, {"pakt3", "gamma-ray"}});
    for (size_t at = 8; at < archive.size() - 14; ++at) {
        for (const int flip : {0x01, 0x80, 0xFF}) {
            std::string corrupt = archive;
            corrupt[at] = static_cast<char>(corrupt[at] ^ flip);
            dir.WriteFile("c.pak", corrupt);
            PakInterface fresh;
            uint64_t total = 0;
            PakFindData found;
            PakFindHandle* search = fresh.AddArchive("c.pak") ? fresh.FindFirstFile("PAKT*", &found) : nullptr;
            for (bool more = search != nullptr; more; more = fresh.FindNextFile(search, &found)) {
                EXPECT_EQ(ReadAll(fresh, found.fileName).size(), found.fileSize) << at << ' ' << flip;
                total += found.fileSize;
            }
            fresh.FindClose(search);
            EXPECT_LE(total, corrupt.size() - 9) << at << ' ' << flip;
        }
    }
}

struct Step {
    char op; // r read(a, b), g getc, u unget the last byte read, s seek(a, b), t tell, e eof
    long a = 0;
    long b = 0;
};

std::string Apply(PakInterfaceBase& pak, PakFileHandle* handle, const Step& step, int& last)
{
    switch (step.op) {
    case 'r': {
        std::string buffer(static_cast<size_t>(step.a * step.b), '?');
        const size_t items = pak.FRead(buffer.data(), step.a, step.b, handle);
        return std::to_string(items) + ":" + buffer.substr(0, items * step.a);
    }
    case 'g':
        return std::to_string(last = pak.FGetC(handle));
    case 'u':
        return std::to_string(pak.UnGetC(last, handle));
    case 's':
        return std::to_string(pak.FSeek(handle, step.a, static_cast<int>(step.b)));
    case 't':
        return std::to_string(pak.FTell(handle));
    default:
        return std::to_string(pak.FEof(handle));
    }
}

TEST_F(PakInterfaceTest, ArchiveFilesReadLikeTheSameFileOnDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"pak.bin", "0123456789abcdef"}}));
    dir.WriteFile("disk.bin", "0123456789abcdef");
    const std::vector<Step> script = {{'r', 4, 1}, {'g'}, {'u'}, {'g'}, {'s', 3, 1}, {'t'}, {'s', -3, 2},
                                      {'t'}, {'r', 4, 3}, {'e'}, {'s', 0, 0}, {'e'}, {'g'}, {'r', 2, 3},
                                      {'s', 0, 2}, {'t'}, {'g'}, {'e'}};
    PakFileHandle* archived = pak.FOpen("PAK.BIN", "rb");
    PakFileHandle* onDisk = pak.FOpen("DISK.BIN", "rb");
    ASSERT_TRUE(archived && onDisk);
    int lastArchived = 0;
    int lastOnDisk = 0;
    for (size_t i = 0; i < script.size(); ++i)
        EXPECT_EQ(Apply(pak, archived, script[i], lastArchived), Apply(pak, onDisk, script[i], lastOnDisk)) << i;
    EXPECT_EQ(pak.FClose(archived), 0);
    EXPECT_EQ(pak.FClose(onDisk), 0);
}

TEST_F(PakInterfaceTest, ArchiveSeeksClampToTheEntryAndEofNeedsNoReadAttempt)
{
    ASSERT_TRUE(Add("main.pak", {{"f", "0123456789abcdef"}}));
    PakFileHandle* handle = pak.FOpen("f", "rb");
    ASSERT_NE(handle, nullptr);
    const std::vector<std::pair<Step, std::string>> script = {
        {{'s', 0, 2}, "0"}, {{'t'}, "16"}, {{'e'}, "1"}, {{'s', -5, 0}, "0"}, {{'t'}, "0"}, {{'e'}, "0"},
        {{'s', 99, 0}, "0"}, {{'t'}, "16"}, {{'s', LONG_MIN, 1}, "0"}, {{'t'}, "0"}, {{'u'}, "90"},
        {{'t'}, "0"}, {{'s', 7, 9}, "0"}, {{'t'}, "0"}, {{'s', 6, 0}, "0"}, {{'r', 4, 3}, "2:6789abcd"},
        {{'t'}, "16"}, {{'g'}, "-1"}, {{'s', LONG_MAX, 1}, "0"}, {{'t'}, "16"}, {{'s', -4, 1}, "0"},
        {{'r', 0, 9}, "0:"}, {{'g'}, "99"}, {{'u'}, "99"}, {{'g'}, "99"}, {{'s', 10, 0}, "0"}};
    int last = 'Z';
    for (size_t i = 0; i < script.size(); ++i)
        EXPECT_EQ(Apply(pak, handle, script[i].first, last), script[i].second) << i;
    // A count whose byte total would overflow reads what is left.
    char buffer[8];
    EXPECT_EQ(pak.FRead(buffer, 2, SIZE_MAX, handle), 3u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    pak.FClose(handle);
}

TEST_F(PakInterfaceTest, OnlyTextModeSkipsCarriageReturns)
{
    ASSERT_TRUE(Add("main.pak", {{"crlf", "A\r\nB"}}));
    for (const char* mode : {"r", "rt", "RT", "rb"}) {
        PakFileHandle* handle = pak.FOpen("crlf", mode);
        ASSERT_NE(handle, nullptr);
        std::vector<int> got;
        for (int c; (c = pak.FGetC(handle)) != EOF;)
            got.push_back(c);
        pak.FClose(handle);
        EXPECT_EQ(got, (mode[1] == 'b' ? std::vector<int>{'A', 13, 10, 'B'} : std::vector<int>{'A', 10, 'B'})) << mode;
        EXPECT_EQ(ReadAll(pak, "crlf", mode), "A\r\nB") << mode;
    }
}

TEST_F(PakInterfaceTest, GetsStopsAfterALineFeedOrAtTheCountAndLeavesTheBufferAtTheEnd)
{
    ASSERT_TRUE(Add("main.pak", {{"lines", "one\r\ntwo\r\nlast"}}));
    PakFileHandle* text = pak.FOpen("lines", "r");
    PakFileHandle* binary = pak.FOpen("lines", "rb");
    char buffer[16] = "untouched";
    EXPECT_EQ(pak.FGetS(buffer, 0, text), nullptr);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_STREQ(pak.FGetS(buffer, 1, text), "");
    EXPECT_STREQ(pak.FGetS(buffer, 16, text), "one\n");
    EXPECT_STREQ(pak.FGetS(buffer, 16, binary), "one\r\n");
    EXPECT_STREQ(pak.FGetS(buffer, 3, text), "tw");
    EXPECT_STREQ(pak.FGetS(buffer, 16, text), "o\n");
    EXPECT_STREQ(pak.FGetS(buffer, 16, text), "last");
    EXPECT_EQ(pak.FGetS(buffer, 16, text), nullptr);
    EXPECT_STREQ(buffer, "last");
    pak.FClose(text);
    pak.FClose(binary);
}

TEST_F(PakInterfaceTest, OtherModesAndUnknownNamesGoToTheDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"save\\autosave", "archived"}}));
    dir.WriteFile("Loose/File.TXT", "loose");
    EXPECT_EQ(ReadAll(pak, "loose\\file.txt"), "loose");
    EXPECT_EQ(ReadAll(pak, "loose"), "<missing>");
    EXPECT_EQ(ReadAll(pak, "nothing.txt"), "<missing>");
    fs::create_directory("save");
    PakFileHandle* written = pak.FOpen("save\\autosave", "wb");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(pak.FClose(written), 0);
    EXPECT_TRUE(fs::exists("save/autosave"));
    EXPECT_EQ(ReadAll(pak, "save\\autosave"), "archived");
}

struct SearchCase {
    const char* pattern;
    const char* listing;
};

void PrintTo(const SearchCase& c, std::ostream* os)
{
    *os << '"' << c.pattern << '"';
}

class PakSearchTest : public PakInterfaceTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(PakSearchTest, ListsArchiveEntriesFirstThenTheDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"fx\\a.fx", "12", 7}, {"fx\\sub\\b.fx", "3"}, {"fx.txt", ""}, {"images\\c.png", ""}}));
    dir.WriteFile("FX/disk.fx", "4567");
    fs::create_directory("FX/Sub");
    std::string listing;
    PakFindData data;
    PakFindHandle* search = pak.FindFirstFile(GetParam().pattern, &data);
    for (bool more = search != nullptr; more; more = pak.FindNextFile(search, &data)) {
        listing += data.fileName + (data.attributes == kPakAttributeDirectory ? "/" : "") + ":" +
                   std::to_string(data.fileSize) + (data.lastWriteTime == 7 ? "@7 " : " ");
    }
    EXPECT_TRUE(pak.FindClose(search));
    EXPECT_EQ(listing, GetParam().listing);
}

INSTANTIATE_TEST_SUITE_P(Patterns, PakSearchTest, ::testing::Values(
    SearchCase{"FX\\*.*", "a.fx:2@7 b.fx:1 Sub/:0 disk.fx:4 "},
    SearchCase{"fx/*.FX", "a.fx:2@7 b.fx:1 disk.fx:4 "},
    SearchCase{"fx*", "fx.txt:0 a.fx:2@7 b.fx:1 FX/:0 "},
    SearchCase{"fx\\s*", "b.fx:1 Sub/:0 "},
    SearchCase{"fx\\?.fx", ""},
    SearchCase{"fx\\a.fx", ""},
    SearchCase{"*.png", "c.png:0 "}));

struct Restore {
    PakInterface* layer;
    ~Restore() { gPakInterface = layer; }
};

TEST_F(PakInterfaceTest, FreeFunctionsUseTheProcessLayerOrStdioWithoutOne)
{
    ASSERT_TRUE(Tools::WritePak("free.pak", {{"pakfree\\note.txt", "a\r\nb"}}));
    ASSERT_TRUE(gPakInterface->AddArchive("free.pak"));
    dir.WriteFile("pakfree/note.txt", "disk\r\n");
    char buffer[8];
    for (PakInterface* layer : {gPakInterface, static_cast<PakInterface*>(nullptr)}) {
        const Restore restore{std::exchange(gPakInterface, layer)};
        EXPECT_EQ(GetPakInterface(), layer);
        PakFileHandle* handle = PakFOpen("PakFree/Note.txt", "r");
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(PakFGetC(handle), layer ? 'a' : 'd');
        EXPECT_EQ(PakUnGetC('x', handle), 'x');
        EXPECT_EQ(PakFSeek(handle, 1, SEEK_SET), 0);
        EXPECT_EQ(PakFTell(handle), 1);
        EXPECT_STREQ(PakFGetS(buffer, 8, handle), layer ? "\n" : "isk\r\n");
        EXPECT_EQ(PakFRead(buffer, 1, 8, handle), layer ? 1u : 0u);
        EXPECT_EQ(PakFEof(handle), 1);
        EXPECT_EQ(PakFClose(handle), 0);
    }
}

} // namespace
