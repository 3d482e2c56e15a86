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

// The names the directory holds, read leniently: the reader decides which of
// them it takes. Only names that look themselves up are kept, so no open
// falls through to a file on the disk.
std::vector<std::string> ArchivedNames(const uint8_t* data, size_t size)
{
    std::vector<std::string> names;
    size_t at = 8;
    while (at + 2 <= size && !((data[at] ^ Vorn::kPakKey) & Vorn::kPakEndOfDirectory)) {
        const size_t length = data[at + 1] ^ Vorn::kPakKey;
        if (size - at - 2 < length)
            break;
        std::string name;
        for (size_t i = 0; i < length && data[at + 2 + i] != Vorn::kPakKey; ++i)
            name += static_cast<char>(data[at + 2 + i] ^ Vorn::kPakKey);
        std::string normalized;
        std::string key = name;
        for (char& c : key)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (Vorn::PakInterface::NormalizePakName(name.c_str(), normalized) && normalized == key)
            names.push_back(name);
        at += 2 + length + 12;
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
