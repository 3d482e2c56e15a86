// Any bytes offered as an archive's directory and data, behind a valid
// header (random bytes would almost never get past it): AddArchive refuses
// them, or every entry it took reads back whole without a byte from outside
// the file.

#include "framework/resources/PakInterface.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& ArchivePath()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("pak-fuzz-" + std::to_string(getpid()) + ".pak")).string();
    return path;
}

// The names of the entries a reader must keep: those whose record is whole
// and whose data lies inside the data area behind the directory (a directory
// cut short leaves no data area). Only names that look themselves up are
// kept, so no open falls through to a file on the disk.
std::vector<std::string> ArchivedNames(const uint8_t* data, size_t size)
{
    struct Entry {
        std::string name;
        uint64_t start;
        uint64_t size;
    };
    std::vector<Entry> entries;
    size_t at = 8;
    uint64_t dataSize = 0;
    bool ended = false;
    while (at < size) {
        if ((data[at] ^ Vorn::kPakKey) & Vorn::kPakEndOfDirectory) {
            ++at;
            ended = true;
            break;
        }
        if (at + 2 > size)
            break;
        const size_t length = data[at + 1] ^ Vorn::kPakKey;
        if (size - at - 2 < length + 12)
            break;
        std::string name;
        for (size_t i = 0; i < length && data[at + 2 + i] != Vorn::kPakKey; ++i)
            name += static_cast<char>(data[at + 2 + i] ^ Vorn::kPakKey);
        uint64_t entrySize = 0;
        for (int i = 3; i >= 0; --i)
            entrySize = (entrySize << 8) | static_cast<uint8_t>(data[at + 2 + length + i] ^ Vorn::kPakKey);
        entries.push_back({name, dataSize, entrySize});
        dataSize += entrySize;
        at += 2 + length + 12;
    }
    const uint64_t dataArea = ended ? size - at : 0;
    std::vector<std::string> names;
    for (const Entry& entry : entries) {
        if (entry.start + entry.size > dataArea)
            continue;
        std::string normalized;
        std::string key = entry.name;
        for (char& c : key)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (Vorn::PakInterface::NormalizePakName(entry.name.c_str(), normalized) && normalized == key)
            names.push_back(entry.name);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* body, size_t bodySize)
{
    std::vector<uint8_t> archive;
    for (const uint32_t number : {Vorn::kPakMagic, Vorn::kPakVersion}) {
        for (int shift = 0; shift < 32; shift += 8)
            archive.push_back(static_cast<uint8_t>((number >> shift) ^ Vorn::kPakKey));
    }
    archive.insert(archive.end(), body, body + bodySize);
    const uint8_t* data = archive.data();
    const size_t size = archive.size();

    std::FILE* file = std::fopen(ArchivePath().c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;

    Vorn::PakInterface pak;
    if (!pak.AddArchive(ArchivePath()))
        return 0;
    for (const std::string& name : ArchivedNames(data, size)) {
        Vorn::PakFileHandle* handle = pak.FOpen(name.c_str(), "rb");
        if (!handle)
            std::abort();
        pak.FSeek(handle, 0, SEEK_END);
        const long length = pak.FTell(handle);
        if (length < 0 || static_cast<uint64_t>(length) > size)
            std::abort();
        pak.FSeek(handle, 0, SEEK_SET);
        std::vector<uint8_t> contents(static_cast<size_t>(length));
        if (pak.FRead(contents.data(), 1, contents.size(), handle) != contents.size() || pak.FGetC(handle) != EOF)
            std::abort();
        pak.FClose(handle);
    }
    return 0;
}
