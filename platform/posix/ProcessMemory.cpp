#include "platform/ProcessMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
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
    if (!(in >> range >> perms >> offset >> device >> inode) || perms.size() < 3)
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

bool PatchMemory(void* address, const void* bytes, size_t size)
{
    if (size == 0)
        return true;
    const auto pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(address);
    const uintptr_t firstPage = start / pageSize * pageSize;
    const uintptr_t endPage = (start + size + pageSize - 1) / pageSize * pageSize;
    // The protection of every page touched, as the system reports it: the
    // protection call tells nothing of what it replaces.
    struct Page {
        uintptr_t mAddress;
        int mProtection;
    };
    std::vector<Page> pages;
    const std::vector<MemoryRegion> regions = MemoryRegions();
    for (uintptr_t page = firstPage; page < endPage; page += pageSize) {
        const MemoryRegion* found = nullptr;
        for (const MemoryRegion& region : regions) {
            if (page >= region.mStart && page < region.mEnd) {
                found = &region;
                break;
            }
        }
        if (!found)
            return false;
        pages.push_back({page, ProtectionOf(*found)});
    }
    size_t opened = 0;
    for (; opened < pages.size(); ++opened) {
        const Page& page = pages[opened];
        if (mprotect(reinterpret_cast<void*>(page.mAddress), pageSize, page.mProtection | PROT_WRITE) != 0)
            break;
    }
    const bool writable = opened == pages.size();
    if (writable)
        std::memcpy(address, bytes, size);
    for (size_t i = 0; i < opened; ++i)
        mprotect(reinterpret_cast<void*>(pages[i].mAddress), pageSize, pages[i].mProtection);
    return writable;
}

} // namespace Platform
