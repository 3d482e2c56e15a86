#include "platform/RegularFile.h"

#include "fakes/PipeWatch.h"
#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Platform::OpenRegularFile;
using Platform::ReadRegularFile;
using Platform::RegularFileStream;

size_t OpenDescriptors()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(fds), end(fds)));
}

// A pipe with nobody at its other end, a folder and a device: none is a file
// to read, and none may hold its reader.
struct IrregularKind {
    const char* name;
    bool (*make)(const Testing::TempDir& dir, std::string& path);
};

class IrregularFile : public ::testing::TestWithParam<IrregularKind> {};

TEST_P(IrregularFile, IsRefusedAtOnceByEveryOpener)
{
    const Testing::TempDir dir;
    std::string path;
    ASSERT_TRUE(GetParam().make(dir, path));
    const Testing::PipeWatch watch(path);
    for (const char* mode : {"r", "rb", "r+", "a", "w"}) {
        std::FILE* file = OpenRegularFile(path, mode);
        EXPECT_EQ(file, nullptr) << mode;
        if (file)
            std::fclose(file);
    }
    std::vector<uint8_t> contents;
    EXPECT_FALSE(ReadRegularFile(path, 1 << 20, contents));
    RegularFileStream stream(path);
    EXPECT_FALSE(stream);
    std::string word;
    EXPECT_FALSE(stream >> word);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IrregularFile,
    ::testing::Values(
        IrregularKind{"Pipe",
            [](const Testing::TempDir& dir, std::string& path) { return Testing::MakePipe(path = dir / "pipe"); }},
        IrregularKind{"Folder",
            [](const Testing::TempDir& dir, std::string& path) {
                return std::filesystem::create_directory(path = dir / "sub");
            }},
        IrregularKind{"Device",
            [](const Testing::TempDir&, std::string& path) { return std::filesystem::exists(path = "/dev/null"); }}),
    [](const ::testing::TestParamInfo<IrregularKind>& info) { return std::string(info.param.name); });

TEST(RegularFile, AMissingFileIsRefusedByTheReadersAndCreatedByWriting)
{
    const Testing::TempDir dir;
    std::vector<uint8_t> contents;
    EXPECT_FALSE(ReadRegularFile(dir / "missing", 1 << 20, contents));
    EXPECT_FALSE(RegularFileStream(dir / "missing"));
    EXPECT_EQ(OpenRegularFile(dir / "missing", "rb"), nullptr);
    EXPECT_EQ(OpenRegularFile(dir / "missing", "r+"), nullptr);
    std::FILE* file = OpenRegularFile(dir / "made", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("new", file);
    std::fclose(file);
    EXPECT_EQ(Testing::ReadTextFile(dir / "made"), "new");
    // Made as fopen makes it: readable and writable by all that the mask allows.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(dir / "made").permissions()), 0666 & ~mask);
    EXPECT_EQ(OpenRegularFile(dir / "made", "q"), nullptr);
}

struct ModeCase {
    const char* mode;
    // What the first getc gives (EOF for a file that cannot be read), then
    // "XY" is written and the file holds `after`.
    int first;
    const char* after;
};

class RegularFileModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RegularFileModes, OpenAsFopenDoes)
{
    const ModeCase& c = GetParam();
    const Testing::TempDir dir;
    dir.WriteFile("file", "abc");
    std::FILE* file = OpenRegularFile(dir / "file", c.mode);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fgetc(file), c.first);
    std::clearerr(file);
    std::fseek(file, 0, SEEK_CUR);
    std::fputs("XY", file);
    std::fclose(file);
    EXPECT_EQ(Testing::ReadTextFile(dir / "file"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Modes, RegularFileModes,
    ::testing::Values(ModeCase{"r", 'a', "abc"}, ModeCase{"rb", 'a', "abc"}, ModeCase{"rt", 'a', "abc"},
        ModeCase{"r+", 'a', "aXY"}, ModeCase{"rb+", 'a', "aXY"}, ModeCase{"w", EOF, "XY"},
        ModeCase{"w+", EOF, "XY"}, ModeCase{"a", EOF, "abcXY"}, ModeCase{"a+", 'a', "abcXY"}),
    [](const ::testing::TestParamInfo<ModeCase>& info) {
        std::string name;
        for (const char* c = info.param.mode; *c; ++c)
            name += *c == '+' ? std::string("Plus") : std::string(1, *c);
        return name;
    });

TEST(RegularFile, HandsOverADescriptorThatBlocksAndClosesOnExec)
{
    const Testing::TempDir dir;
    dir.WriteFile("file", "abc");
    std::FILE* file = OpenRegularFile(dir / "file", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(fcntl(fileno(file), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(fileno(file), F_GETFD) & FD_CLOEXEC, 0);
    std::fclose(file);
}

TEST(RegularFile, ReadsTheWholeFileUpToItsLimit)
{
    const Testing::TempDir dir;
    const std::string bytes("a\0\xFF\r\nz", 6);
    dir.WriteFile("file", bytes);
    std::vector<uint8_t> contents;
    ASSERT_TRUE(ReadRegularFile(dir / "file", 6, contents));
    EXPECT_EQ(std::string(contents.begin(), contents.end()), bytes);
    EXPECT_FALSE(ReadRegularFile(dir / "file", 5, contents));
    dir.WriteFile("empty", "");
    contents.assign(3, 1);
    EXPECT_TRUE(ReadRegularFile(dir / "empty", 0, contents));
    EXPECT_TRUE(contents.empty());
}

TEST(RegularFileStream, ReadsSeeksAndTellsAsAFileStreamAndLetsGoOnClose)
{
    const Testing::TempDir dir;
    dir.WriteFile("file", "12 words\nnext line\n");
    const size_t before = OpenDescriptors();
    RegularFileStream stream(dir / "file");
    ASSERT_TRUE(stream);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    int number = 0;
    std::string line;
    EXPECT_TRUE(stream >> number);
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(std::getline(stream, line));
    EXPECT_EQ(line, " words");
    stream.seekg(0, std::ios::end);
    EXPECT_EQ(stream.tellg(), 19);
    stream.seekg(3, std::ios::beg);
    EXPECT_TRUE(std::getline(stream, line));
    EXPECT_EQ(line, "words");
    stream.Close();
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_FALSE(std::getline(stream, line));
}

} // namespace
