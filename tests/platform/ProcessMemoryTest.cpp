#include "platform/ProcessMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

const uint8_t kReadOnly[] = {1, 2, 3, 4, 5, 6, 7, 8};

const Platform::MemoryRegion* RegionOf(const std::vector<Platform::MemoryRegion>& regions, const void* address)
{
    const auto at = reinterpret_cast<uintptr_t>(address);
    for (const Platform::MemoryRegion& region : regions)
        if (at >= region.mStart && at < region.mEnd)
            return &region;
    return nullptr;
}

TEST(MemoryRegions, ListTheProgramsCodeAndConstantsAsMappingsOfItsFile)
{
    const std::vector<Platform::MemoryRegion> regions = Platform::MemoryRegions();
    ASSERT_FALSE(regions.empty());
    for (size_t i = 1; i < regions.size(); ++i)
        EXPECT_LE(regions[i - 1].mEnd, regions[i].mStart);
    const std::string program = Platform::ProgramFilePath();
    ASSERT_FALSE(program.empty());

    const Platform::MemoryRegion* code = RegionOf(regions, reinterpret_cast<const void*>(&RegionOf));
    ASSERT_NE(code, nullptr);
    EXPECT_TRUE(code->mExecutable);
    EXPECT_TRUE(code->mReadable);
    EXPECT_FALSE(code->mWritable);
    EXPECT_EQ(code->mPath, program);

    const Platform::MemoryRegion* constants = RegionOf(regions, kReadOnly);
    ASSERT_NE(constants, nullptr);
    EXPECT_EQ(constants->mPath, program);
}

TEST(ReadMemory, CopiesReadableBytesAndFailsOnUnmappedOnes)
{
    uint8_t copy[sizeof(kReadOnly)] = {};
    EXPECT_TRUE(Platform::ReadMemory(reinterpret_cast<uintptr_t>(kReadOnly), copy, sizeof(copy)));
    EXPECT_EQ(std::memcmp(copy, kReadOnly, sizeof(copy)), 0);
    EXPECT_FALSE(Platform::ReadMemory(0, copy, sizeof(copy)));
    EXPECT_FALSE(Platform::ReadMemory(16, copy, 1));
}

TEST(PatchMemory, WritesReadOnlyBytesAndRestoresTheProtection)
{
    const std::vector<Platform::MemoryRegion> before = Platform::MemoryRegions();
    const Platform::MemoryRegion* region = RegionOf(before, kReadOnly + 2);
    ASSERT_NE(region, nullptr);
    const bool writable = region->mWritable;
    const bool executable = region->mExecutable;

    const uint8_t patch[] = {0xAA, 0xBB, 0xCC};
    ASSERT_TRUE(Platform::PatchMemory(const_cast<uint8_t*>(kReadOnly + 2), patch, sizeof(patch)));
    const volatile uint8_t* bytes = kReadOnly;
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 0xAA);
    EXPECT_EQ(bytes[4], 0xCC);
    EXPECT_EQ(bytes[5], 6);

    const std::vector<Platform::MemoryRegion> after = Platform::MemoryRegions();
    const Platform::MemoryRegion* restored = RegionOf(after, kReadOnly + 2);
    ASSERT_NE(restored, nullptr);
    EXPECT_TRUE(restored->mReadable);
    EXPECT_EQ(restored->mWritable, writable);
    EXPECT_EQ(restored->mExecutable, executable);

    EXPECT_FALSE(Platform::PatchMemory(reinterpret_cast<void*>(uintptr_t{16}), patch, 1));
}

} // namespace
