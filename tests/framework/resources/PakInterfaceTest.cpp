#include "framework/resources/PakInterface.h"

#include "fakes/TempDir.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;
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

    bool Add(const std::string& archive, const std::vector<Tools::PakFile>& files)
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
    ASSERT_TRUE(Add("empty.pak", {}));
    EXPECT_EQ(ReadAll(pak, "EMPTY.PAK").size(), 9u);
}

TEST(NormalizePakName, GivesTheLookupForm)
{
    const char* cases[][2] = {{"Images/Ball.PNG", "IMAGES\\BALL.PNG"}, {"IMAGES//BALL.PNG", "IMAGES\\BALL.PNG"},
        {"a\\b\\..\\d.png", "A\\D.PNG"}, {"a\\..\\d.png", "D.PNG"}, {"a/b/c/..//../d", "A\\D"}, {"a\\b\\..", "A\\"},
        {"a\\..b", "A\\..B"}, {"a\\...\\b", "A\\...\\B"}, {"..\\a", "..\\A"}, {".\\a\\.", ".\\A\\."},
        {"\\\\a\\..\\b", "\\B"}, {"c:\\Game\\x.png", "C:\\GAME\\X.PNG"}, {"\xE9t\xE9.txt", "\xE9T\xE9.TXT"}};
    for (const auto& [name, normalized] : cases) {
        std::string out;
        EXPECT_TRUE(PakInterface::NormalizePakName(name, out)) << name;
        EXPECT_EQ(out, normalized) << name;
    }
}

TEST_F(PakInterfaceTest, LookupsServeTheLastAddedEntryByNormalisedName)
{
    ASSERT_TRUE(Add("one.pak", {{"a.txt", "one"}, {"b.txt", "b"}, {"images\\ball.png", "BALL"},
                                {"ball.png", "archive"}}));
    ASSERT_TRUE(Add("two.pak", {{"A.TXT", "two"}, {"c.txt", "first"}, {"C.txt", "second"}}));
    dir.WriteFile("ball.png", "disk");
    const std::string here = fs::current_path().string();
    // Both records of one archive keep their place in the data: the later one follows the earlier.
    for (const auto& [name, data] : std::vector<std::pair<std::string, std::string>>{{"a.txt", "two"}, {"b.txt", "b"},
             {"c.txt", "second"}, {"Images/Ball.PNG", "BALL"}, {here + "/images/ball.png", "BALL"},
             {here + "x/images/ball.png", "<missing>"}})
        EXPECT_EQ(ReadAll(pak, name), data) << name;
    // Both normalise to BALL.PNG; the folders exist so the disk finds the file.
    for (const size_t length : {kPakMaxName, kPakMaxName + 1}) {
        const std::string folder(length - 12, 'x');
        fs::create_directory(folder);
        EXPECT_EQ(ReadAll(pak, folder + "\\..\\ball.png"), length <= kPakMaxName ? "archive" : "disk");
    }
}

// Only a file that is no archive of ours is refused; one cut short keeps the
// files whose data is whole.
TEST_F(PakInterfaceTest, FilesThatAreNotArchivesAreRefusedAndCutArchivesKeepTheirWholeFiles)
{
    std::string version1 = *Tools::BuildPak({{"a.txt", "x"}});
    version1[4] = static_cast<char>(1 ^ kPakKey);
    for (const std::string& contents : {std::string("PK\3\4 not ours"), version1}) {
        dir.WriteFile("bad.pak", contents);
        EXPECT_FALSE(pak.AddArchive("bad.pak")) << contents.size();
    }
    EXPECT_FALSE(pak.AddArchive("missing.pak"));
    EXPECT_EQ(ReadAll(pak, "bad.pak"), version1);
    const std::string archive = *Tools::BuildPak({{"a.txt", "alpha"}, {"b.txt", "beta"}});
    const size_t dataStart = archive.size() - 9;
    for (size_t length = 0; length < archive.size(); ++length) {
        dir.WriteFile("cut.pak", archive.substr(0, length));
        PakInterface fresh;
        // The header alone is an archive with no files.
        EXPECT_EQ(fresh.AddArchive("cut.pak"), length >= 8) << length;
        EXPECT_EQ(ReadAll(fresh, "a.txt"), length >= dataStart + 5 ? "alpha" : "<missing>") << length;
        EXPECT_EQ(ReadAll(fresh, "b.txt"), "<missing>") << length;
    }
}

// A size past the end drops that entry and, starts adding up, every later
// one; the entries before it stay.
TEST_F(PakInterfaceTest, ARecordWhoseDataLiesPastTheEndDropsOnlyItselfAndWhatFollows)
{
    std::string archive = *Tools::BuildPak({{"resources.xml", "<x/>"}, {"big", "12"}, {"after", "3"}});
    const size_t bigSize = archive.find(std::string(1, static_cast<char>('g' ^ kPakKey))) + 1;
    // Its top size byte: 2 + 2^24 bytes.
    archive[bigSize + 3] = static_cast<char>(0x01 ^ kPakKey);
    dir.WriteFile("main.pak", archive);
    ASSERT_TRUE(pak.AddArchive("main.pak"));
    EXPECT_EQ(ReadAll(pak, "resources.xml"), "<x/>");
    EXPECT_EQ(ReadAll(pak, "big"), "<missing>");
    EXPECT_EQ(ReadAll(pak, "after"), "<missing>");
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

// Ops: r read(a, b), g getc, u unget the last byte read, s seek(a, b), t tell, e eof.
struct Step {
    char op;
    long a = 0, b = 0;
};

std::string Apply(PakInterfaceBase& pak, PakFileHandle* handle, const Step& s, int& last)
{
    if (s.op == 'r') {
        std::string buffer(static_cast<size_t>(s.a * s.b), '?');
        const size_t items = pak.FRead(buffer.data(), s.a, s.b, handle);
        return std::to_string(items) + ":" + buffer.substr(0, items * s.a);
    }
    return std::to_string(s.op == 'g'   ? last = pak.FGetC(handle)
                          : s.op == 'u' ? pak.UnGetC(last, handle)
                          : s.op == 's' ? pak.FSeek(handle, s.a, static_cast<int>(s.b))
                          : s.op == 't' ? pak.FTell(handle)
                                        : pak.FEof(handle));
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

TEST_F(PakInterfaceTest, OnlyTextModeDropsCarriageReturnsAndGetsStopsAtTheCount)
{
    ASSERT_TRUE(Add("main.pak", {{"arc.txt", "A\r\r\nB\r\n"}}));
    dir.WriteFile("loose.txt", "A\r\r\nB\r\n");
    for (const auto& [name, mode] : {std::pair{"ARC.TXT", "r"}, {"ARC.TXT", "RT"}, {"ARC.TXT", "rb"},
                                     {"LOOSE.TXT", "rt"}, {"LOOSE.TXT", "rb"}}) {
        SCOPED_TRACE(std::string(name) + " " + mode);
        PakFileHandle* handle = pak.FOpen(name, mode);
        ASSERT_NE(handle, nullptr);
        char buffer[16];
        const bool text = mode[1] != 'b';
        EXPECT_EQ(pak.FGetC(handle), 'A');
        EXPECT_STREQ(pak.FGetS(buffer, 16, handle), text ? "\n" : "\r\r\n");
        EXPECT_STREQ(pak.FGetS(buffer, 16, handle), text ? "B\n" : "B\r\n");
        EXPECT_EQ(pak.FGetS(buffer, 16, handle), nullptr);
        pak.FClose(handle);
    }
    EXPECT_EQ(ReadAll(pak, "arc.txt", "r"), "A\r\r\nB\r\n");
    // Gets stops at the count and leaves the buffer alone at the end.
    PakFileHandle* text = pak.FOpen("arc.txt", "r");
    char buffer[16] = "untouched";
    EXPECT_EQ(pak.FGetS(buffer, 0, text), nullptr);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_STREQ(pak.FGetS(buffer, 1, text), "");
    EXPECT_STREQ(pak.FGetS(buffer, 2, text), "A");
    EXPECT_STREQ(pak.FGetS(buffer, 16, text), "\n");
    EXPECT_STREQ(pak.FGetS(buffer, 16, text), "B\n");
    EXPECT_EQ(pak.FGetS(buffer, 16, text), nullptr);
    EXPECT_STREQ(buffer, "B\n");
    pak.FClose(text);
}

TEST_F(PakInterfaceTest, SearchesListArchiveEntriesFirstThenTheDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"fx\\a.fx", "12", 7}, {"fx\\sub\\b.fx", "3"}, {"fx.txt", ""},
                                 {"images\\c.png", ""}}));
    dir.WriteFile("FX/disk.fx", "4567");
    fs::create_directory("FX/Sub");
    const char* cases[][2] = {{"FX\\*.*", "a.fx:2@7 b.fx:1 Sub/:0 disk.fx:4 "},
        {"fx/*.FX", "a.fx:2@7 b.fx:1 disk.fx:4 "}, {"fx*", "fx.txt:0 a.fx:2@7 b.fx:1 FX/:0 "},
        {"fx\\s*", "b.fx:1 Sub/:0 "}, {"fx\\?.fx", ""}, {"fx\\a.fx", ""}, {"*.png", "c.png:0 "}};
    for (const auto& [pattern, expected] : cases) {
        std::string listing;
        PakFindData data;
        PakFindHandle* search = pak.FindFirstFile(pattern, &data);
        for (bool more = search != nullptr; more; more = pak.FindNextFile(search, &data)) {
            listing += data.fileName + (data.attributes == kPakAttributeDirectory ? "/" : "") + ":" +
                       std::to_string(data.fileSize) + (data.lastWriteTime == 7 ? "@7 " : " ");
        }
        EXPECT_TRUE(pak.FindClose(search));
        EXPECT_EQ(listing, expected) << pattern;
    }
}

TEST_F(PakInterfaceTest, WritesAndTheFreeFunctionsWithoutAProcessLayerUseTheDisk)
{
    ASSERT_TRUE(Add("main.pak", {{"save\\autosave", "archived"}}));
    fs::create_directory("save");
    EXPECT_EQ(pak.FClose(pak.FOpen("save\\autosave", "wb")), 0);
    EXPECT_TRUE(fs::exists("save/autosave"));
    EXPECT_EQ(ReadAll(pak, "save\\autosave"), "archived");
    dir.WriteFile("pakfree/note.txt", "disk");
    PakInterface* const process = std::exchange(gPakInterface, nullptr);
    char buffer[8];
    PakFileHandle* handle = PakFOpen("PakFree/Note.txt", "rb");
    const size_t read = handle ? PakFRead(buffer, 1, sizeof buffer, handle) : 0;
    const bool closed = handle && PakFEof(handle) && PakFClose(handle) == 0;
    gPakInterface = process;
    EXPECT_EQ(std::string(buffer, read), "disk");
    EXPECT_TRUE(closed);
}

} // namespace
