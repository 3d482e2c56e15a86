#pragma once
// The process's own memory as the system maps it: the mapped regions with
// their protection and file, bounded reads that cannot fault, and patches of
// read-only pages.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform {

struct MemoryRegion {
    uintptr_t mStart = 0;
    // One past the last byte.
    uintptr_t mEnd = 0;
    bool mReadable = false;
    bool mWritable = false;
    bool mExecutable = false;
    // Shared with other mappings of the same file or memory: a write there
    // reaches them too.
    bool mShared = false;
    // The mapped file; empty for anonymous memory.
    std::string mPath;
};

// In address order; empty when the system does not tell.
std::vector<MemoryRegion> MemoryRegions();

// The running program's file, as an absolute path; empty when unknown.
std::string ProgramFilePath();

// Copies `size` bytes at `address` into `out`; false, with nothing promised
// of `out`, when any of them is not readable.
bool ReadMemory(uintptr_t address, void* out, size_t size);

// Where PatchMemory learns the mappings: asked afresh just before each page
// is opened. Tests pass their own to act between two pages.
using MemoryRegionQuery = std::function<std::vector<MemoryRegion>()>;

// Writes the bytes over private memory that may be read-only: each page
// touched gets write access added to the protection it has when it is
// opened, and then exactly that protection back. False, with nothing
// written, when the range runs past the top of memory, or a page is not
// mapped, not readable, shared, or its protection cannot be changed.
bool PatchMemory(void* address, const void* bytes, size_t size, const MemoryRegionQuery& regions = MemoryRegions);

} // namespace Platform
