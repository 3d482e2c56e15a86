#include "platform/CrashProcess.h"

#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

using Platform::SignalSafe::CreateFile;
using Platform::SignalSafe::CreateNewFile;

enum class Planted { Nothing, OlderFile, Link, Fifo, FifoWithReader };

// The handler writes only a regular file of its own: through no link planted
// at the name, into no FIFO, and without waiting on one.
struct PlantedNameCase {
    const char* what;
    int (*create)(const char* path);
    Planted planted;
    // What the name holds afterwards: the file written, else what was planted.
    fs::file_type after;
};

class PlantedName : public ::testing::TestWithParam<PlantedNameCase> {};

TEST_P(PlantedName, IsWrittenOnlyAsARegularFileOfItsOwn)
{
    const PlantedNameCase& c = GetParam();
    const Testing::TempDir dir;
    const std::string name = dir / "crash.txt";
    dir.WriteFile("target.txt", "kept");
    if (c.planted == Planted::OlderFile)
        dir.WriteFile("crash.txt", "an older and longer report");
    if (c.planted == Planted::Link)
        fs::create_symlink(dir / "target.txt", name);
    if (c.planted >= Planted::Fifo) {
        ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
    }
    const int reader = c.planted == Planted::FifoWithReader ? open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    const int fd = c.create(name.c_str());
    if (fd >= 0) {
        EXPECT_TRUE(Platform::SignalSafe::WriteAll(fd, "report", 6));
        Platform::SignalSafe::Close(fd);
    }
    if (reader >= 0)
        close(reader);
    EXPECT_EQ(Testing::ReadTextFile(dir / "target.txt"), "kept");
    ASSERT_EQ(fs::symlink_status(name).type(), c.after);
    if (c.after != fs::file_type::regular) {
        EXPECT_EQ(fd, -1);
        return;
    }
    EXPECT_EQ(Testing::ReadTextFile(name), "report");
    // Made anew, it is the owner's to write and everyone's to read.
    const mode_t mask = umask(0);
    umask(mask);
    if (c.planted != Planted::OlderFile) {
        EXPECT_EQ(fs::status(name).permissions(), fs::perms(0644 & ~mask));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PlantedName,
    ::testing::Values(PlantedNameCase{"Nothing", CreateFile, Planted::Nothing, fs::file_type::regular},
                      PlantedNameCase{"OlderFile", CreateFile, Planted::OlderFile, fs::file_type::regular},
                      PlantedNameCase{"Link", CreateFile, Planted::Link, fs::file_type::symlink},
                      PlantedNameCase{"Fifo", CreateFile, Planted::Fifo, fs::file_type::fifo},
                      PlantedNameCase{"FifoWithReader", CreateFile, Planted::FifoWithReader, fs::file_type::fifo},
                      PlantedNameCase{"NewOverLink", CreateNewFile, Planted::Link, fs::file_type::regular},
                      PlantedNameCase{"NewOverFifo", CreateNewFile, Planted::FifoWithReader, fs::file_type::regular}),
    [](const ::testing::TestParamInfo<PlantedNameCase>& info) { return std::string(info.param.what); });

} // namespace
