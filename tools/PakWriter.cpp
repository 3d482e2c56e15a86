#include "tools/PakWriter.h"

#include "framework/resources/PakInterface.h"

#include <algorithm>
#include <fstream>

namespace Tools {

namespace {

void PutScrambled(std::string& out, uint8_t byte)
{
    out += static_cast<char>(byte ^ Vorn::kPakKey);
}

void PutNumber(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        PutScrambled(out, static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::optional<std::string> BuildPak(const std::vector<PakFile>& files)
{
    std::string archive;
    PutNumber(archive, Vorn::kPakMagic, 4);
    PutNumber(archive, Vorn::kPakVersion, 4);
    for (const PakFile& file : files) {
        if (file.name.size() > UINT8_MAX || file.data.size() > UINT32_MAX)
            return std::nullopt;
        std::string name = file.name;
        std::replace(name.begin(), name.end(), '/', '\\');
        PutScrambled(archive, 0);
        PutScrambled(archive, static_cast<uint8_t>(name.size()));
        for (const char c : name)
            PutScrambled(archive, static_cast<uint8_t>(c));
        PutNumber(archive, file.data.size(), 4);
        PutNumber(archive, file.fileTime, 8);
    }
    PutScrambled(archive, Vorn::kPakEndOfDirectory);
    for (const PakFile& file : files) {
        for (const char c : file.data)
            PutScrambled(archive, static_cast<uint8_t>(c));
    }
    return archive;
}

bool WritePak(const std::string& path, const std::vector<PakFile>& files)
{
    const std::optional<std::string> archive = BuildPak(files);
    if (!archive)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(archive->data(), static_cast<std::streamsize>(archive->size()));
    out.close();
    return !out.fail();
}

} // namespace Tools
