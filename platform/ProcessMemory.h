#pragma once
// The process's own memory as the system maps it: the mapped regions with
// their protection and file, bounded reads that cannot fault, and patches of
// read-only pages.

#include <cstddef>
#include <cstdint>
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

// Writes the bytes over memory that may be read-only: each page touched gets
// write access added to what it had, and then exactly its former protection
// back. False, with nothing written, when a page is not mapped or its
// protection cannot be changed.
bool PatchMemory(void* address, const void* bytes, size_t size);

} // namespace Platform
