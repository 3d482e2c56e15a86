#include "platform/FileSettingsStore.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Platform::FileSettingsStore;
using Platform::kSettingBinary;
using Platform::kSettingDword;
using Platform::kSettingString;
using Testing::TempDir;
using Bytes = std::vector<uint8_t>;

const std::string kKey = "SOFTWARE\\Tavoren\\Zarquel";
const std::string kValues = "Tavoren/Zarquel/values.txt";

const std::string kGolden = "vorn-settings 1\n\"MusicVolume\" 4 4 85\n\"Player\" 1 5 \"Ann\\x0a!\"\n"
                            "\"Window\" 3 3 00ff10\n\"Odd \\\"name\\\" \\\\ \\xe9\" 4 2 0100\n\"Empty\" 1 0\nend\n";

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool Set(FileSettingsStore& store, const std::string& name, uint32_t type, const std::string& bytes,
         const std::string& key = kKey)
{
    return store.SetValue(key, name, type, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool SetDword(FileSettingsStore& store, const std::string& name, uint8_t number, const std::string& key = kKey)
{
    return Set(store, name, kSettingDword, std::string{static_cast<char>(number), 0, 0, 0}, key);
}

bool Has(FileSettingsStore& store, const std::string& name, const std::string& key = kKey)
{
    uint32_t type = 0;
    Bytes data;
    return store.QueryValue(key, name, type, data);
}

std::set<std::string> Entries(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(FileSettingsStore, EachKeyIsAFolderWithOneReadableValuesFile)
{
    TempDir dir;
    fs::create_directories(dir / "tavoren");
    FileSettingsStore store(dir.Path() + "/");
    ASSERT_TRUE(SetDword(store, "MusicVolume", 85));
    ASSERT_TRUE(Set(store, "Player", kSettingString, "Ann\n!"));
    ASSERT_TRUE(Set(store, "Window", kSettingBinary, std::string("\x00\xff\x10", 3)));
    ASSERT_TRUE(Set(store, "Odd \"name\" \\ \xe9", kSettingDword, std::string("\x01\x00", 2)));
    ASSERT_TRUE(Set(store, "Empty", kSettingString, ""));
    ASSERT_TRUE(SetDword(store, "MUSICVOLUME", 85, "software\\TAVOREN\\zarquel"));
    ASSERT_TRUE(SetDword(store, "RuntimeError", 1, kKey + "\\Test3D"));
    ASSERT_TRUE(SetDword(store, "AtTheRoot", 3, "software"));
    EXPECT_EQ(ReadText(dir / "tavoren/Zarquel/values.txt"), kGolden);
    EXPECT_EQ(ReadText(dir / "tavoren/Zarquel/Test3D/values.txt"), "vorn-settings 1\n\"RuntimeError\" 4 4 1\nend\n");
    EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"tavoren", "values.txt"}));
    // No temporary file is left behind, and other users cannot read the settings.
    EXPECT_EQ(Entries(dir / "tavoren/Zarquel"), (std::set<std::string>{"Test3D", "values.txt"}));
    EXPECT_EQ(fs::status(dir / "values.txt").permissions() & fs::perms::others_all, fs::perms::none);
}

uint32_t DwordOf(FileSettingsStore& store, const std::string& name)
{
    uint32_t type = 0;
    Bytes data;
    if (!store.QueryValue(kKey, name, type, data) || type != kSettingDword || data.size() != 4)
        return 0xDEADBEEF;
    return uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24;
}

// Hand edits the writer would not make, but that lose nothing: every value
// reads, and the next write keeps no copy of the old file.
TEST(FileSettingsStore, HandEditedLineEndsMissingEndAndNegativeNumbersReadWhole)
{
    const std::string crlf = "vorn-settings 1\r\n\"MusicVolume\" 4 4 85\r\n\"Player\" 1 5 \"Ann\\x0a!\"\r\n"
                             "\"Window\" 3 3 00ff10\r\n\"Empty\" 1 0\r\nend\r\n";
    const std::string noEnd = kGolden.substr(0, kGolden.size() - 4);
    for (const std::string& text : {crlf, crlf.substr(0, crlf.size() - 2), kGolden.substr(0, kGolden.size() - 1),
                                    noEnd, noEnd.substr(0, noEnd.size() - 1)}) {
        SCOPED_TRACE(text);
        TempDir dir;
        dir.WriteFile(kValues, text);
        FileSettingsStore store(dir.Path());
        EXPECT_EQ(DwordOf(store, "MusicVolume"), 85u);
        uint32_t type = 0;
        Bytes data;
        ASSERT_TRUE(store.QueryValue(kKey, "Player", type, data));
        EXPECT_EQ(data, (Bytes{'A', 'n', 'n', '\n', '!'}));
        ASSERT_TRUE(store.QueryValue(kKey, "Window", type, data));
        EXPECT_EQ(data, (Bytes{0x00, 0xFF, 0x10}));
        EXPECT_TRUE(Has(store, "Empty"));
        ASSERT_TRUE(SetDword(store, "B", 2));
        EXPECT_FALSE(fs::exists(dir / (kValues + ".bad")));
    }
    TempDir dir;
    dir.WriteFile(kValues, "vorn-settings 1\n\"X\" 4 4 -1\n\"Y\" 4 4 -2147483648\n\"Z\" 4 4 4294967295\nend\n");
    FileSettingsStore store(dir.Path());
    EXPECT_EQ(DwordOf(store, "X"), 0xFFFFFFFFu);
    EXPECT_EQ(DwordOf(store, "Y"), 0x80000000u);
    EXPECT_EQ(DwordOf(store, "Z"), 0xFFFFFFFFu);
    // The writer keeps writing the unsigned form.
    ASSERT_TRUE(SetDword(store, "B", 2));
    EXPECT_EQ(ReadText(dir / kValues),
              "vorn-settings 1\n\"X\" 4 4 4294967295\n\"Y\" 4 4 2147483648\n\"Z\" 4 4 4294967295\n\"B\" 4 4 2\nend\n");
}

// Each damaged line sits between two sound values "A" and "C": both are
// kept, and the damaged file is kept aside, untouched, by the next write.
TEST(FileSettingsStore, DamagedFileKeepsEveryReadableValueAndIsKeptAsideBeforeTheFirstWrite)
{
    std::vector<std::string> texts = {"\"A\" 4 4 1\n\"C\" 4 4 3\nend\n",
                                      "vorn-settings 2\n\"A\" 4 4 1\n\"C\" 4 4 3\nend\n",
                                      "vorn-settings 1\n\"A\" 4 4 1\nend\n\"C\" 4 4 3\nend\n",
                                      "vorn-settings 1\n\"A\" 4 4 1\n\"C\" 4 4 3\n\"a\" 4 4 9\nend\n"};
    for (const char* line : {"garbage", "\"B 4 4 1", "\"B\\q\" 4 4 1", "\"B\\x4\" 4 4 1", "\"B\tC\" 4 4 1",
                             "\"B\" 3 99999999999999999999999999 00", "\"B\" 3 1048577 00", "\"B\" 3 1 0000",
                             "\"B\" 3 3 0000", "\"B\" 3 1 0g", "\"B\" 4 4 4294967296", "\"B\" 4 4 -2147483649",
                             "\"B\" 4 4 -0", "\"B\" 4 4 --1", "\"B\" 4 4 -", "\"B\" 4294967296 0",
                             "\"B\" 1 3 \"ab\"", "\"B\" 1 2 ab", "\"B\" 3 0 00", "\"B\" 3 1", "\"B\"  3 0", "",
                             "\"B\" 4 4 1\r\r"})
        texts.push_back(std::string("vorn-settings 1\n\"A\" 4 4 1\n") + line + "\n\"C\" 4 4 3\nend\n");
    // Over the size limit: what lies within it still reads.
    texts.push_back("vorn-settings 1\n\"A\" 4 4 1\n\"C\" 4 4 3\n\"B\" 3 600000 " + std::string(1200000, '0') +
                    "\nend\n");
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 60));
        TempDir dir;
        dir.WriteFile(kValues, text);
        FileSettingsStore store(dir.Path());
        EXPECT_EQ(DwordOf(store, "A"), 1u);
        EXPECT_EQ(DwordOf(store, "C"), 3u);
        EXPECT_FALSE(Has(store, "B"));
        EXPECT_FALSE(fs::exists(dir / (kValues + ".bad")));
        ASSERT_TRUE(SetDword(store, "D", 4));
        EXPECT_EQ(ReadText(dir / kValues), "vorn-settings 1\n\"A\" 4 4 1\n\"C\" 4 4 3\n\"D\" 4 4 4\nend\n");
        EXPECT_EQ(ReadText(dir / (kValues + ".bad")), text);
        // Once rewritten, the file is whole: a later damage replaces the old copy.
        ASSERT_TRUE(store.DeleteValue(kKey, "D"));
        EXPECT_EQ(ReadText(dir / (kValues + ".bad")), text);
    }
}

// A file of exactly the size limit is written, read whole and rewritten
// without a copy kept aside.
TEST(FileSettingsStore, AFileOfExactlyTheLimitIsWhole)
{
    TempDir dir;
    FileSettingsStore store(dir.Path());
    // 16 + 3 + 1 + 1 + 1 + 6 + 1 + 2 x 524271 + 1 + 4 bytes: the limit.
    ASSERT_TRUE(Set(store, "B", kSettingBinary, std::string(524271, 'x')));
    ASSERT_EQ(fs::file_size(dir / kValues), FileSettingsStore::kMaxFileBytes);
    EXPECT_TRUE(Has(store, "B"));
    EXPECT_TRUE(store.DeleteValue(kKey, "B"));
    EXPECT_FALSE(fs::exists(dir / (kValues + ".bad")));
}

// A file cut short anywhere keeps the values of its complete lines (a
// number cut between its digits cannot be told from a shorter one).
TEST(FileSettingsStore, CutShortFileKeepsTheValuesOfItsCompleteLines)
{
    const std::vector<std::pair<std::string, size_t>> lineEnds = {
        {"Player", kGolden.find("\n\"Window\"")}, {"Window", kGolden.find("\n\"Odd")},
        {"Empty", kGolden.find("\nend")}};
    const size_t musicEnd = kGolden.find("\n\"Player\"");
    TempDir dir;
    for (size_t length = 0; length < kGolden.size(); ++length) {
        SCOPED_TRACE(length);
        dir.WriteFile(kValues, kGolden.substr(0, length));
        FileSettingsStore store(dir.Path());
        for (const auto& [name, end] : lineEnds)
            EXPECT_EQ(Has(store, name), length >= end) << name;
        if (length >= musicEnd) {
            EXPECT_EQ(DwordOf(store, "MusicVolume"), 85u);
        }
    }
}

TEST(FileSettingsStore, OverfillingValueStrangeValuesFileOrKeyThatIsNoFolderIsRefusedAndNothingIsLost)
{
    TempDir dir;
    FileSettingsStore store(dir.Path());
    ASSERT_TRUE(SetDword(store, "A", 1));
    EXPECT_TRUE(Set(store, "Fits", kSettingBinary, std::string(FileSettingsStore::kMaxFileBytes / 2 - 100, 'x')));
    EXPECT_FALSE(Set(store, "TooBig", kSettingBinary, std::string(FileSettingsStore::kMaxFileBytes / 2, 'x')));
    EXPECT_TRUE(Has(store, "A") && Has(store, "Fits"));
    EXPECT_FALSE(Has(store, "TooBig"));
    // A values file that is not a regular file reads as empty without blocking.
    fs::create_directories(dir / "Folder/values.txt");
    fs::create_directories(dir / "Other");
    ASSERT_EQ(mkfifo((dir / "Other/values.txt").c_str(), 0600), 0);
    EXPECT_FALSE(Has(store, "A", "Folder"));
    EXPECT_FALSE(SetDword(store, "A", 1, "Folder"));
    EXPECT_FALSE(Has(store, "A", "Other"));
    ASSERT_TRUE(SetDword(store, "A", 1, "Other"));
    EXPECT_TRUE(Has(store, "A", "Other"));
    // A key that cannot be a folder fails and touches nothing.
    dir.WriteFile("plain", "x");
    FileSettingsStore underAFile(dir / "plain/settings");
    EXPECT_FALSE(underAFile.CreateKey(kKey));
    EXPECT_FALSE(SetDword(underAFile, "A", 1));
    const auto before = Entries(dir.Path());
    for (const std::string& key : {std::string("SOFTWARE\\..\\Escaped"), std::string("SOFTWARE\\."),
                                   std::string("SOFTWARE\\a/b"), std::string("SOFTWARE\\Values.TXT"),
                                   std::string("SOFTWARE\\values.txt.1a2b3c"), std::string("A\\\0B", 4)}) {
        EXPECT_FALSE(store.CreateKey(key)) << key;
        EXPECT_FALSE(SetDword(store, "A", 1, key)) << key;
    }
    EXPECT_EQ(Entries(dir.Path()), before);
}

TEST(FileSettingsStore, WritersOnTwoThreadsKeepEveryValue)
{
    TempDir dir;
    FileSettingsStore store(dir.Path());
    auto writer = [&store](const std::string& prefix) {
        for (uint8_t i = 0; i < 40; ++i)
            SetDword(store, prefix + std::to_string(i), i);
    };
    std::thread first(writer, "First"), second(writer, "Second");
    first.join();
    second.join();
    FileSettingsStore reopened(dir.Path());
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(Has(reopened, "First" + std::to_string(i)) && Has(reopened, "Second" + std::to_string(i))) << i;
}

TEST(FileSettingsStore, TypedValuesReadBackExactlyAndRefusedCallsChangeNothing)
{
    TempDir dir;
    FileSettingsStore store(dir.Path());
    Bytes everyByte(256);
    std::iota(everyByte.begin(), everyByte.end(), 0);
    const struct { std::string name; uint32_t type; Bytes data; } samples[] = {
        {"Largest", kSettingDword, {0xFF, 0xFF, 0xFF, 0xFF}}, {"ShortDword", kSettingDword, {1, 2, 3}},
        {"EveryByteAsString", kSettingString, everyByte}, {"EveryByte", kSettingBinary, everyByte},
        {"EmptyString", kSettingString, {}}, {"", kSettingDword, {7, 0, 0, 0}}, {"a = b", 7, {1, 2}},
        {std::string("line\nbreak\0zero \xe9\xff\"\\", 20), kSettingBinary, {0}}};
    for (const auto& s : samples)
        ASSERT_TRUE(store.SetValue(kKey, s.name, s.type, s.data.data(), s.data.size())) << s.name;
    uint32_t type = 0;
    Bytes data;
    for (const auto& s : samples) {
        ASSERT_TRUE(store.QueryValue(kKey, s.name, type, data)) << s.name;
        EXPECT_EQ(type, s.type) << s.name;
        EXPECT_EQ(data, s.data) << s.name;
    }
    EXPECT_FALSE(store.SetValue(kKey, "Bad", kSettingBinary, nullptr, 4));
    EXPECT_FALSE(Has(store, "Bad"));
    EXPECT_TRUE(store.SetValue(kKey, "Empty", kSettingBinary, nullptr, 0));
    type = 99;
    data = {9, 9};
    EXPECT_FALSE(store.QueryValue(kKey, "Missing", type, data));
    EXPECT_FALSE(store.QueryValue(kKey + "\\Missing", "Empty", type, data));
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(data, (Bytes{9, 9}));
}

TEST(FileSettingsStore, KeysAndNamesIgnoreAsciiCaseOnlyAndDeleteRemovesOneValueOnce)
{
    TempDir dir;
    FileSettingsStore store(dir.Path());
    ASSERT_TRUE(SetDword(store, "MusicVolume", 85));
    ASSERT_TRUE(SetDword(store, "MUSICVOLUME", 50, "software\\TAVOREN\\zarquel"));
    ASSERT_TRUE(SetDword(store, "\xc9t\xe9", 1));
    uint32_t type = 0;
    Bytes data;
    ASSERT_TRUE(store.QueryValue("Software\\tavoren\\ZARQUEL", "musicvolume", type, data));
    EXPECT_EQ(data, (Bytes{50, 0, 0, 0}));
    EXPECT_TRUE(Has(store, "\xc9T\xe9"));
    EXPECT_FALSE(Has(store, "\xe9t\xe9"));
    EXPECT_TRUE(store.DeleteValue(kKey, "MUSICvolume"));
    EXPECT_FALSE(Has(store, "MusicVolume"));
    EXPECT_TRUE(Has(store, "\xc9t\xe9"));
    EXPECT_FALSE(store.DeleteValue(kKey, "MusicVolume"));
    EXPECT_FALSE(store.DeleteValue(kKey + "\\Missing", "\xc9t\xe9"));
    // Sub-keys live apart from their parents, which they create.
    ASSERT_TRUE(SetDword(store, "RuntimeError", 1, kKey + "\\Test3D"));
    EXPECT_FALSE(Has(store, "RuntimeError"));
    EXPECT_TRUE(Has(store, "RuntimeError", kKey + "\\\\test3d\\"));
    EXPECT_FALSE(store.KeyExists(kKey + "\\Other"));
    ASSERT_TRUE(store.CreateKey(kKey + "\\A\\B"));
    EXPECT_TRUE(store.KeyExists(kKey + "\\a") && store.KeyExists(kKey + "\\a\\b"));
}

} // namespace
