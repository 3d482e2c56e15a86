#include "framework/app/DemoFile.h"

#include "framework/app/DemoStream.h"

#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Vorn;
using Testing::TempDir;
using Bytes = std::vector<uint8_t>;

const char* const kInvalid = "Invalid demo file.";

// Seed 0x01020304, version "1.0", one marker "ab" at update 5, 7 updates, and
// a stream of one key down of 0x41 at update 2: delta 0100, flag 0, number
// 11000, key 10000010, least significant bits first.
const Bytes kImage = {
    0x78, 0xEF, 0xBE, 0x42, 0x02, 0x00, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01,
    0x03, 0x00, '1', '.', '0',
    0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 'a', 'b', 0x05, 0x00, 0x00, 0x00,
    0x07, 0x00, 0x00, 0x00,
    0x62, 0x04, 0x01,
};
constexpr size_t kImageHeaderSize = 37;

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const TempDir& dir, const std::string& name, const Bytes& bytes)
{
    dir.WriteFile(name, std::string(bytes.begin(), bytes.end()));
}

Bytes BytesOf(const Buffer& b)
{
    return b.GetBytes() == nullptr ? Bytes{} : Bytes(b.GetBytes(), b.GetBytes() + b.GetByteLength());
}

struct Loaded {
    bool ok = false;
    DemoFileInfo info;
    Buffer stream;
    std::string error;
};

Loaded Load(const std::string& path, const std::string& version = "1.0")
{
    Loaded l;
    l.ok = LoadDemoFile(path, version, l.info, l.stream, l.error);
    return l;
}

TEST(DemoFile, SavesAndLoadsTheExactByteImage)
{
    TempDir dir;
    DemoStream recorder(DemoMode::Recording);
    recorder.RecordCommand(2, DemoCommand::KeyDown(0x41));
    ASSERT_TRUE(SaveDemoFile(dir.Path() + "\\Run.dmo", "1.0", {0x01020304, {{"ab", 5}}, 7}, recorder.GetBuffer()));
    EXPECT_EQ(ReadAll(dir / "Run.dmo"), kImage);
    Loaded l = Load(dir / "RUN.DMO");
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.info.seed, 0x01020304u);
    EXPECT_EQ(l.info.markers, (std::vector<DemoMarker>{{"ab", 5}}));
    EXPECT_EQ(l.info.totalUpdates, 7);
    DemoStream player(DemoMode::Playing);
    player.GetBuffer() = l.stream;
    EXPECT_EQ(player.ReplayNextCommand(0), std::nullopt);
    EXPECT_EQ(player.ReplayNextCommand(2), DemoCommand::KeyDown(0x41));
}

// Written beside the old demo and renamed over it: the old file is never
// cut short, so another name for it keeps its bytes and no other file is
// left behind.
TEST(DemoFile, ANewDemoReplacesTheOldOneWhole)
{
    TempDir dir;
    const Bytes old = {1, 2, 3};
    WriteAll(dir, "run.dmo", old);
    std::filesystem::create_hard_link(dir / "run.dmo", dir / "kept.dmo");
    DemoStream recorder(DemoMode::Recording);
    recorder.RecordCommand(2, DemoCommand::KeyDown(0x41));
    ASSERT_TRUE(SaveDemoFile(dir / "run.dmo", "1.0", {0x01020304, {{"ab", 5}}, 7}, recorder.GetBuffer()));
    EXPECT_EQ(ReadAll(dir / "run.dmo"), kImage);
    EXPECT_EQ(ReadAll(dir / "kept.dmo"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(DemoFile, VersionOneFilesHaveNoMarkerBlock)
{
    TempDir dir;
    WriteAll(dir, "v1.dmo", {0x78, 0xEF, 0xBE, 0x42, 1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0xAA});
    Loaded l = Load(dir / "v1.dmo", "");
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.info.seed, 9u);
    EXPECT_TRUE(l.info.markers.empty());
    EXPECT_EQ(l.info.totalUpdates, 3);
    EXPECT_EQ(BytesOf(l.stream), Bytes{0xAA});
}

TEST(DemoFile, EmptyAndLongVersionStringsRoundTrip)
{
    TempDir dir;
    Buffer stream;
    stream.WriteByte(1);
    for (const std::string& version : {std::string(), std::string(300, 'v'), std::string(70000, 'w')}) {
        ASSERT_TRUE(SaveDemoFile(dir / "v.dmo", version, {}, stream));
        Loaded l = Load(dir / "v.dmo", version);
        EXPECT_TRUE(l.ok) << l.error;
        EXPECT_EQ(BytesOf(l.stream), Bytes{1});
    }
    EXPECT_EQ(ReadAll(dir / "v.dmo").size(), 12 + 2 + 65535 + 8 + 4 + 1u);
}

TEST(DemoFile, ReportsAMissingFileAnotherVersionAndAFileThatCannotBeCreated)
{
    TempDir dir;
    EXPECT_EQ(Load(dir / "none.dmo").error, "Demo file not found: " + (dir / "none.dmo"));
    WriteAll(dir, "run.dmo", kImage);
    EXPECT_EQ(Load(dir / "run.dmo", "1.1").error, "This demo file appears to be for '1.0'");
    EXPECT_FALSE(SaveDemoFile(dir / "missing/folder/run.dmo", "1.0", {}, Buffer()));
}

// The image with four bytes at `offset` replaced.
Bytes Patched(size_t offset, std::initializer_list<uint8_t> bytes)
{
    Bytes image = kImage;
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<ptrdiff_t>(offset));
    return image;
}

TEST(DemoFile, CorruptSizesAndCountsAreRefusedAsInvalid)
{
    const Bytes cases[] = {
        Patched(0, {0x79}),
        Patched(12, {0xFF, 0xFF}),              // version text longer than the file
        Patched(17, {19, 0, 0, 0}),             // marker block as long as the rest
        Patched(17, {0xF0, 0xFF, 0xFF, 0x7F}),  // huge marker block
        Patched(17, {0xF0, 0xFF, 0xFF, 0xFF}),  // negative marker block
        Patched(21, {0xFF, 0xFF, 0xFF, 0x7F}),  // more markers than the block holds
        Patched(25, {0xFF, 0x7F}),              // marker name past the block
        Patched(25, {0x05, 0x00}),              // marker update past the block
    };
    TempDir dir;
    for (const Bytes& image : cases) {
        WriteAll(dir, "bad.dmo", image);
        Loaded l;
        l.info.seed = 42;
        l.ok = LoadDemoFile(dir / "bad.dmo", "1.0", l.info, l.stream, l.error);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.error, kInvalid);
        EXPECT_EQ(l.info.seed, 42u);
        EXPECT_EQ(l.stream.GetBytes(), nullptr);
    }
}

// Replays everything a loaded stream holds, producers included, as the
// program would; it must come to the end.
void ReplayToTheEnd(const Buffer& stream)
{
    DemoStream player(DemoMode::Playing);
    player.GetBuffer() = stream;
    int32_t update = 0;
    for (; !player.Ended() && update < 1000000; ++update) {
        uint8_t value[4];
        uint32_t type = 0;
        int32_t length = 4, result = 0;
        std::string content;
        Buffer kept;
        player.ReplayRegistryRead(type, value, length);
        player.ReplayWebResult(update, 0, result, content);
        player.RecordOrReplayBuffer(update, kept);
        player.ReplayRegistryWrite();
        while (player.ReplayNextCommand(update)) {
        }
    }
    EXPECT_TRUE(player.Ended()) << update;
}

TEST(DemoFile, EveryTruncationLoadsItsStreamOrIsInvalid)
{
    TempDir dir;
    for (size_t size = 0; size < kImage.size(); ++size) {
        WriteAll(dir, "cut.dmo", Bytes(kImage.begin(), kImage.begin() + static_cast<ptrdiff_t>(size)));
        Loaded l = Load(dir / "cut.dmo");
        EXPECT_EQ(l.ok, size > kImageHeaderSize) << size;
        if (!l.ok) {
            EXPECT_EQ(l.error, kInvalid) << size;
            continue;
        }
        EXPECT_EQ(BytesOf(l.stream), Bytes(kImage.begin() + kImageHeaderSize, kImage.begin() + static_cast<ptrdiff_t>(size)));
        ReplayToTheEnd(l.stream);
    }
}

} // namespace
