#include "platform/CrashProcess.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

using Platform::SignalSafe::CreateFile;
using Platform::SignalSafe::CreateNewFile;

enum class Planted { Nothing, OlderFile, Link, Fifo, FifoWithReader };

// The handler writes only where it means to, and never waits on a name
// someone planted.
struct PlantedNameCase {
    const char* what;
    int (*create)(const char* path);
    Planted planted;
    // The file made under the name, else nothing written and the name as
    // planted.
    bool made;
};

void PrintTo(const PlantedNameCase& c, std::ostream* os)
{
    *os << c.what;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlantedName : public ::testing::TestWithParam<PlantedNameCase> {};

TEST_P(PlantedName, IsWrittenOnlyAsARegularFileOfItsOwn)
{
    const PlantedNameCase& c = GetParam();
    const Testing::TempDir dir;
    const std::string name = dir / "crash.txt";
    dir.WriteFile("target.txt", "kept");
    int reader = -1;
    if (c.planted == Planted::OlderFile)
        dir.WriteFile("crash.txt", "an older and longer report");
    if (c.planted == Planted::Link)
        fs::create_symlink(dir / "target.txt", name);
    if (c.planted == Planted::Fifo || c.planted == Planted::FifoWithReader) {
        ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    }
    if (c.planted == Planted::FifoWithReader)
        reader = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

    const int fd = c.create(name.c_str());
    if (fd >= 0) {
        EXPECT_TRUE(Platform::SignalSafe::WriteAll(fd, "report", 6));
        Platform::SignalSafe::Close(fd);
    }
    EXPECT_EQ(FileText(dir / "target.txt"), "kept");
    if (reader >= 0) {
        char got[8];
        EXPECT_EQ(read(reader, got, sizeof(got)), 0);
        close(reader);
    }
    if (c.made) {
        ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(name)));
        EXPECT_EQ(FileText(name), "report");
        // Made anew, it is the owner's to write and everyone's to read.
        const mode_t mask = umask(0);
        umask(mask);
        if (c.planted != Planted::OlderFile || c.create == CreateNewFile) {
            EXPECT_EQ(fs::status(name).permissions(), fs::perms(0644 & ~mask));
        }
    } else {
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(fs::symlink_status(name).type(),
                  c.planted == Planted::Link ? fs::file_type::symlink : fs::file_type::fifo);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PlantedName,
    ::testing::Values(PlantedNameCase{"ReplacedNothing", CreateFile, Planted::Nothing, true},
                      PlantedNameCase{"ReplacedOlderFile", CreateFile, Planted::OlderFile, true},
                      PlantedNameCase{"ReplacedLink", CreateFile, Planted::Link, false},
                      PlantedNameCase{"ReplacedFifo", CreateFile, Planted::Fifo, false},
                      PlantedNameCase{"ReplacedFifoWithReader", CreateFile, Planted::FifoWithReader, false},
                      PlantedNameCase{"NewOverOlderFile", CreateNewFile, Planted::OlderFile, true},
                      PlantedNameCase{"NewOverLink", CreateNewFile, Planted::Link, true},
                      PlantedNameCase{"NewOverFifoWithReader", CreateNewFile, Planted::FifoWithReader, true}),
    [](const ::testing::TestParamInfo<PlantedNameCase>& info) { return std::string(info.param.what); });

} // namespace
