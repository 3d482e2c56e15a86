#pragma once
// Every file the system replaces (settings, demos, saves, caches) is written
// whole or not at all: a crash or a full disk mid-write keeps the old file.

#include <cstddef>
#include <string>

namespace Platform {

// Writes `size` bytes to a temporary file beside `path`, syncs it, renames it
// over `path` and syncs the folder. False, with `path` untouched and no
// temporary left behind, when any step before the rename fails. The folder
// must exist.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);

inline bool WriteFileAtomically(const std::string& path, const std::string& text)
{
    return WriteFileAtomically(path, text.data(), text.size());
}

} // namespace Platform
