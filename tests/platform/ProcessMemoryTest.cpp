#include "fakes/TempDir.h"
#include "platform/ProcessMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>

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
    EXPECT_FALSE(constants->mShared);
}

TEST(MemoryRegions, TellSharedMappingsFromPrivateOnes)
{
    // Flags; shared.
    const std::tuple<int, bool> cases[] = {{MAP_SHARED, true}, {MAP_PRIVATE, false}};
    for (const auto& [flags, shared] : cases) {
        SCOPED_TRACE(shared);
        void* at = mmap(nullptr, 4096, PROT_READ, flags | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(at, MAP_FAILED);
        const std::vector<Platform::MemoryRegion> regions = Platform::MemoryRegions();
        const Platform::MemoryRegion* region = RegionOf(regions, at);
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(region->mShared, shared);
        munmap(at, 4096);
    }
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

size_t PageBytes()
{
    return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The page's protection as the system reports it ("r--", "rw-", ...), read
// afresh; "unmapped" when no mapping holds it.
std::string ProtectionAt(const void* address)
{
    const std::vector<Platform::MemoryRegion> regions = Platform::MemoryRegions();
    const Platform::MemoryRegion* region = RegionOf(regions, address);
    if (!region)
        return "unmapped";
    return std::string(region->mReadable ? "r" : "-") + (region->mWritable ? "w" : "-") +
           (region->mExecutable ? "x" : "-");
}

// Pages of its own, unmapped at the end of the test: anonymous, or a mapping
// of a file of 0x11 bytes that the test can read back from the disk.
class PatchTarget {
public:
    PatchTarget(size_t pages, int protection, int flags, bool fileBacked) : mSize(pages * PageBytes())
    {
        int file = -1;
        if (fileBacked) {
            mDir.WriteFile("pages", std::string(mSize, '\x11'));
            file = open((mDir / "pages").c_str(), O_RDWR | O_CLOEXEC);
        } else {
            flags |= MAP_ANONYMOUS;
        }
        void* at = mmap(nullptr, mSize, protection, flags, file, 0);
        if (file >= 0)
            close(file);
        mBytes = at == MAP_FAILED ? nullptr : static_cast<uint8_t*>(at);
    }
    ~PatchTarget()
    {
        if (mBytes)
            munmap(mBytes, mSize);
    }
    PatchTarget(const PatchTarget&) = delete;
    PatchTarget& operator=(const PatchTarget&) = delete;

    uint8_t* Bytes() const { return mBytes; }
    uint8_t* Page(size_t index) const { return mBytes + index * PageBytes(); }
    std::string FileContents() const
    {
        std::ifstream in(mDir / "pages", std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // A copy of the bytes, the pages made readable for it.
    std::string Contents() const
    {
        mprotect(mBytes, mSize, PROT_READ);
        return std::string(reinterpret_cast<const char*>(mBytes), mSize);
    }

private:
    Testing::TempDir mDir;
    size_t mSize;
    uint8_t* mBytes = nullptr;
};

const uint8_t kPatch[] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5};

TEST(PatchMemory, WritesPrivatePagesAndGivesEachItsProtectionBack)
{
    // Name, protection, file-backed, protection after.
    const std::tuple<const char*, int, bool, const char*> cases[] = {
        {"read-only", PROT_READ, false, "r--"},
        {"read-write", PROT_READ | PROT_WRITE, false, "rw-"},
        {"code", PROT_READ | PROT_EXEC, false, "r-x"},
        {"private copy of a file", PROT_READ, true, "r--"},
    };
    for (const auto& [name, protection, fileBacked, after] : cases) {
        SCOPED_TRACE(name);
        PatchTarget target(1, protection, MAP_PRIVATE, fileBacked);
        ASSERT_NE(target.Bytes(), nullptr);
        const std::string before = target.Contents();
        mprotect(target.Bytes(), PageBytes(), protection);
        EXPECT_TRUE(Platform::PatchMemory(target.Bytes() + 7, kPatch, sizeof(kPatch)));
        EXPECT_EQ(ProtectionAt(target.Bytes()), after);
        std::string expected = before;
        expected.replace(7, sizeof(kPatch), reinterpret_cast<const char*>(kPatch), sizeof(kPatch));
        EXPECT_EQ(target.Contents(), expected);
        if (fileBacked) {
            EXPECT_EQ(target.FileContents(), before);
        }
    }
}

TEST(PatchMemory, RefusesUnreadableAndSharedPagesAndLeavesThemAsTheyWere)
{
    // Name, protection, flags, file-backed, protection after.
    const std::tuple<const char*, int, int, bool, const char*> cases[] = {
        {"no access", PROT_NONE, MAP_PRIVATE, false, "---"},
        {"write-only", PROT_WRITE, MAP_PRIVATE, false, "-w-"},
        {"shared read-only file", PROT_READ, MAP_SHARED, true, "r--"},
        {"shared writable file", PROT_READ | PROT_WRITE, MAP_SHARED, true, "rw-"},
        {"shared anonymous", PROT_READ | PROT_WRITE, MAP_SHARED, false, "rw-"},
    };
    for (const auto& [name, protection, flags, fileBacked, after] : cases) {
        SCOPED_TRACE(name);
        PatchTarget target(1, protection, flags, fileBacked);
        ASSERT_NE(target.Bytes(), nullptr);
        const std::string fileBefore = fileBacked ? target.FileContents() : "";
        EXPECT_FALSE(Platform::PatchMemory(target.Bytes() + 7, kPatch, sizeof(kPatch)));
        EXPECT_EQ(ProtectionAt(target.Bytes()), after);
        const std::string contents = target.Contents();
        EXPECT_EQ(contents.substr(7, sizeof(kPatch)), std::string(sizeof(kPatch), fileBacked ? '\x11' : '\0'));
        if (fileBacked) {
            EXPECT_EQ(target.FileContents(), fileBefore);
        }
    }
}

TEST(PatchMemory, RefusesARangePastTheTopOfMemoryBeforeLookingAtAPage)
{
    const uintptr_t top = std::numeric_limits<uintptr_t>::max();
    uint8_t buffer[8] = {};
    const auto at = reinterpret_cast<uintptr_t>(buffer);
    // Start, size, whether the pages are looked at (a range up to the top
    // byte does not wrap; its pages are refused as unmapped).
    const std::tuple<uintptr_t, size_t, bool> cases[] = {
        {top, 1, true},
        {top - 3, 4, true},
        {top - 10, 4, true},
        {top - 3, 5, false},
        {top - 2, 8, false},
        {top, 2, false},
        {at, std::numeric_limits<size_t>::max(), false},
        {at, top - at + 2, false},
        {at, top - at + 1, true},
    };
    for (const auto& [start, size, looked] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << start << " + " << size);
        int queries = 0;
        const auto query = [&queries] {
            ++queries;
            return Platform::MemoryRegions();
        };
        EXPECT_FALSE(Platform::PatchMemory(reinterpret_cast<void*>(start), kPatch, size, query));
        EXPECT_EQ(queries > 0, looked);
        EXPECT_FALSE(Platform::PatchMemory(reinterpret_cast<void*>(start), kPatch, size));
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), sizeof(buffer)), std::string(sizeof(buffer), '\0'));
}

TEST(PatchMemory, OpensExactlyThePagesTheBytesTouch)
{
    // Three pages: read-only, no access, read-only. Offset from the first
    // page, size, patched.
    const size_t page = PageBytes();
    const std::tuple<size_t, size_t, bool> cases[] = {
        {page - sizeof(kPatch), sizeof(kPatch), true},
        {2 * page, sizeof(kPatch), true},
        {page - sizeof(kPatch) + 1, sizeof(kPatch), false},
        {2 * page - 1, sizeof(kPatch), false},
        {0, 1, true},
    };
    for (const auto& [offset, size, patched] : cases) {
        SCOPED_TRACE(testing::Message() << offset << " + " << size);
        PatchTarget target(3, PROT_READ, MAP_PRIVATE, false);
        ASSERT_NE(target.Bytes(), nullptr);
        ASSERT_EQ(mprotect(target.Page(1), page, PROT_NONE), 0);
        EXPECT_EQ(Platform::PatchMemory(target.Bytes() + offset, kPatch, size), patched);
        EXPECT_EQ(ProtectionAt(target.Page(0)), "r--");
        EXPECT_EQ(ProtectionAt(target.Page(1)), "---");
        EXPECT_EQ(ProtectionAt(target.Page(2)), "r--");
        const std::string expected = patched ? std::string(reinterpret_cast<const char*>(kPatch), size)
                                             : std::string(size, '\0');
        EXPECT_EQ(target.Contents().substr(offset, size), expected);
    }
}

TEST(PatchMemory, APatchAcrossPagesRestoresEachPageToItsOwnProtection)
{
    PatchTarget target(2, PROT_READ, MAP_PRIVATE, false);
    ASSERT_NE(target.Bytes(), nullptr);
    ASSERT_EQ(mprotect(target.Page(1), PageBytes(), PROT_READ | PROT_EXEC), 0);
    // One byte on the second page.
    uint8_t* at = target.Page(1) - (sizeof(kPatch) - 1);
    EXPECT_TRUE(Platform::PatchMemory(at, kPatch, sizeof(kPatch)));
    EXPECT_EQ(ProtectionAt(target.Page(0)), "r--");
    EXPECT_EQ(ProtectionAt(target.Page(1)), "r-x");
    EXPECT_EQ(std::memcmp(at, kPatch, sizeof(kPatch)), 0);
}

TEST(PatchMemory, APatchReachingAnUnmappedPageWritesNothing)
{
    PatchTarget target(2, PROT_READ, MAP_PRIVATE, false);
    ASSERT_NE(target.Bytes(), nullptr);
    ASSERT_EQ(munmap(target.Page(1), PageBytes()), 0);
    uint8_t* at = target.Page(1) - 2;
    EXPECT_FALSE(Platform::PatchMemory(at, kPatch, sizeof(kPatch)));
    EXPECT_EQ(ProtectionAt(target.Page(0)), "r--");
    EXPECT_EQ(at[0], 0);
    EXPECT_EQ(at[1], 0);
}

// Another thread's change to a page before the patch opens it: what the
// query reports just before the second page is opened.
TEST(PatchMemory, AChangeMadeBeforeAPageIsOpenedIsWhatItGetsBack)
{
    // Name, the second page's new protection, patched, the second page's
    // protection after.
    const std::tuple<const char*, int, bool, const char*> cases[] = {
        {"made writable", PROT_READ | PROT_WRITE, true, "rw-"},
        {"made executable", PROT_READ | PROT_EXEC, true, "r-x"},
        {"made unreadable", PROT_NONE, false, "---"},
    };
    for (const auto& [name, changed, patched, after] : cases) {
        SCOPED_TRACE(name);
        PatchTarget target(2, PROT_READ, MAP_PRIVATE, false);
        ASSERT_NE(target.Bytes(), nullptr);
        int queries = 0;
        const auto query = [&, changed = changed] {
            if (++queries == 2)
                mprotect(target.Page(1), PageBytes(), changed);
            return Platform::MemoryRegions();
        };
        uint8_t* at = target.Page(1) - 2;
        EXPECT_EQ(Platform::PatchMemory(at, kPatch, sizeof(kPatch), query), patched);
        EXPECT_EQ(queries, 2);
        EXPECT_EQ(ProtectionAt(target.Page(0)), "r--");
        EXPECT_EQ(ProtectionAt(target.Page(1)), after);
        const std::string contents = target.Contents();
        const std::string expected = patched ? std::string(reinterpret_cast<const char*>(kPatch), sizeof(kPatch))
                                             : std::string(sizeof(kPatch), '\0');
        EXPECT_EQ(contents.substr(PageBytes() - 2, sizeof(kPatch)), expected);
    }
}

TEST(PatchMemory, FailsWhenTheMappingsCannotBeRead)
{
    uint8_t buffer[4] = {};
    const auto nothingMapped = [] { return std::vector<Platform::MemoryRegion>(); };
    EXPECT_FALSE(Platform::PatchMemory(buffer, kPatch, sizeof(buffer), nothingMapped));
    EXPECT_EQ(buffer[0], 0);
}

} // namespace
