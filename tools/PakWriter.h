#pragma once
// Writes archives in the form the file layer reads
// (framework/resources/PakInterface.h): the header, one directory record per
// file with its name, size and time, the end mark, then the files' data in
// the same order, every byte scrambled with the layer's key.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Tools {

struct PakFile {
    // Relative to the folder the game runs in; '/' is stored as '\\', the
    // separator the layer looks names up by.
    std::string name;
    std::string data;
    // Windows file time: 100 ns units since 1601-01-01 UTC.
    uint64_t fileTime = 0;
};

// The archive's bytes; nothing when a name is longer than 255 bytes or a
// file holds 4 GiB or more, which the format cannot record.
std::optional<std::string> BuildPak(const std::vector<PakFile>& files);

// BuildPak written to `path` (as the system spells it). False when the
// archive cannot be built or the file cannot be written whole.
bool WritePak(const std::string& path, const std::vector<PakFile>& files);

} // namespace Tools
