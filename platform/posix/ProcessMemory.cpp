#include "platform/ProcessMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace Platform {

namespace {

// One line of /proc/self/maps: "start-end perms offset dev inode [path]".
bool ParseMapsLine(const std::string& line, MemoryRegion& region)
{
    std::istringstream in(line);
    std::string range;
    std::string perms;
    std::string offset;
    std::string device;
    std::string inode;
    if (!(in >> range >> perms >> offset >> device >> inode) || perms.size() < 4)
        return false;
    const size_t dash = range.find('-');
    if (dash == std::string::npos)
        return false;
    try {
        region.mStart = static_cast<uintptr_t>(std::stoull(range.substr(0, dash), nullptr, 16));
        region.mEnd = static_cast<uintptr_t>(std::stoull(range.substr(dash + 1), nullptr, 16));
    } catch (const std::exception&) {
        return false;
    }
    region.mReadable = perms[0] == 'r';
    region.mWritable = perms[1] == 'w';
    region.mExecutable = perms[2] == 'x';
    region.mShared = perms[3] == 's';
    std::getline(in >> std::ws, region.mPath);
    return region.mStart < region.mEnd;
}

int ProtectionOf(const MemoryRegion& region)
{
    return (region.mReadable ? PROT_READ : 0) | (region.mWritable ? PROT_WRITE : 0) |
           (region.mExecutable ? PROT_EXEC : 0);
}

} // namespace

std::vector<MemoryRegion> MemoryRegions()
{
    std::vector<MemoryRegion> regions;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        MemoryRegion region;
        if (ParseMapsLine(line, region))
            regions.push_back(std::move(region));
    }
    return regions;
}

std::string ProgramFilePath()
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

bool ReadMemory(uintptr_t address, void* out, size_t size)
{
    // Through the process's memory file, so that an unmapped or unreadable
    // byte fails the read instead of faulting.
    const int file = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    auto* bytes = static_cast<char*>(out);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(file, bytes + done, size - done, static_cast<off_t>(address + done));
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    close(file);
    return done == size;
}

bool PatchMemory(void* address, const void* bytes, size_t size, const MemoryRegionQuery& regions)
{
    if (size == 0)
        return true;
    const auto pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(address);
    if (size - 1 > std::numeric_limits<uintptr_t>::max() - start)
        return false;
    const uintptr_t last = start + (size - 1);
    const uintptr_t firstPage = start - start % pageSize;
    const size_t pageCount = (last - last % pageSize - firstPage) / pageSize + 1;
    struct OpenedPage {
        uintptr_t mAddress;
        int mProtection;
    };
    std::vector<OpenedPage> opened;
    const auto restore = [&] {
        for (auto page = opened.rbegin(); page != opened.rend(); ++page)
            mprotect(reinterpret_cast<void*>(page->mAddress), pageSize, page->mProtection);
    };
    for (size_t index = 0; index < pageCount; ++index) {
        const uintptr_t page = firstPage + index * pageSize;
        // The protection call tells nothing of what it replaces: the page's
        // own is read just before it is opened, so that a change another
        // thread made meanwhile is what comes back.
        const std::vector<MemoryRegion> now = regions();
        const auto found = std::find_if(now.begin(), now.end(), [page](const MemoryRegion& region) {
            return page >= region.mStart && page < region.mEnd;
        });
        // A page nobody may read holds nothing to patch, and a shared one
        // would carry the patch into its file or another process.
        if (found == now.end() || !found->mReadable || found->mShared) {
            restore();
            return false;
        }
        const int protection = ProtectionOf(*found);
        if (mprotect(reinterpret_cast<void*>(page), pageSize, protection | PROT_WRITE) != 0) {
            restore();
            return false;
        }
        opened.push_back({page, protection});
    }
    std::memcpy(address, bytes, size);
    restore();
    return true;
}

} // namespace Platform
