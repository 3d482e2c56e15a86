#include "platform/MappedFile.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

using Platform::MappedFile;

std::string Text(const MappedFile& file)
{
    return {reinterpret_cast<const char*>(file.Data()), static_cast<size_t>(file.Size())};
}

TEST(MappedFile, ViewsTheWholeFileLeavesNothingMappedWhenOpenFailsAndMovesTheView)
{
    Testing::TempDir dir;
    dir.WriteFile("Sub/data.bin", std::string("ab\0cd", 5));
    dir.WriteFile("empty", "");
    MappedFile file;
    ASSERT_TRUE(file.Open(dir / "Sub/data.bin"));
    EXPECT_EQ(Text(file), std::string("ab\0cd", 5));
    EXPECT_FALSE(file.Open(dir / "missing"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_FALSE(file.Open(dir / "Sub"));
    EXPECT_EQ(file.Data(), nullptr);
    EXPECT_TRUE(file.Open(dir / "empty"));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Data(), nullptr);
    EXPECT_EQ(file.Size(), 0u);
    // Moving hands the view over.
    dir.WriteFile("a", "first");
    MappedFile a, b;
    ASSERT_TRUE(a.Open(dir / "a") && b.Open(dir / "Sub/data.bin"));
    b = std::move(a);
    MappedFile c(std::move(b));
    EXPECT_FALSE(a.IsOpen() || b.IsOpen());
    EXPECT_EQ(a.Size() + b.Size(), 0u);
    EXPECT_EQ(Text(c), "first");
    // The smallest file that has a view.
    dir.WriteFile("one", "z");
    ASSERT_TRUE(file.Open(dir / "one"));
    EXPECT_EQ(Text(file), "z");
    // A size beyond 4 GiB is kept whole.
    dir.WriteFile("big", "");
    const uint64_t size = (uint64_t{5} << 30) + 3;
    std::filesystem::resize_file(dir / "big", size);
    ASSERT_TRUE(file.Open(dir / "big"));
    EXPECT_EQ(file.Size(), size);
    EXPECT_EQ(file.Data()[size - 1], 0);
}

// A pipe put where the archive belongs has no writer: opening it must not
// wait for one.
TEST(MappedFile, APipeInTheFilesPlaceIsRefusedWithoutWaitingForAWriter)
{
    Testing::TempDir dir;
    const std::string pipe = dir / "main.pak";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    MappedFile file;
    std::future<bool> opened = std::async(std::launch::async, [&file, &pipe] { return file.Open(pipe); });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "opening the pipe waited for a writer";
        // A writer lets the stuck open return, so the test can end.
        const int writer = open(pipe.c_str(), O_WRONLY);
        opened.wait();
        close(writer);
    }
    EXPECT_FALSE(opened.get());
    EXPECT_FALSE(file.IsOpen());
}

} // namespace
