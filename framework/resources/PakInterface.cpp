#include "framework/resources/PakInterface.h"

#include "framework/app/StringUtils.h"
#include "platform/MappedFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace fs = std::filesystem;

namespace Vorn {

struct PakEntry {
    std::string name; // as stored, case kept
    uint64_t fileTime = 0;
    uint64_t start = 0; // of the data, from the start of the archive
    uint64_t size = 0;
    const PakArchive* archive = nullptr;
};

struct PakArchive {
    Platform::MappedFile view;
    // Never resized once the archive is added: the directory and open handles
    // point into it.
    std::vector<PakEntry> entries;
};

struct PakFileHandle {
    const PakEntry* entry = nullptr; // null for a disk file
    uint64_t position = 0;
    std::FILE* file = nullptr; // null for an archive file
    bool text = false;
};

struct PakFindHandle {
    std::string pattern; // normalised; as given when too long for an archive
    bool searchArchive = false;
    bool listedEntry = false;
    std::string lastKey;
    bool onDisk = false;
    std::vector<PakFindData> diskFiles;
    size_t nextDiskFile = 0;
};

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameModeNoCase(const char* mode, const char* expected)
{
    for (; *mode && *expected; ++mode, ++expected) {
        if (AsciiUpper(*mode) != AsciiUpper(*expected))
            return false;
    }
    return *mode == *expected;
}

bool IsReadMode(const char* mode)
{
    return SameModeNoCase(mode, "r") || SameModeNoCase(mode, "rb") || SameModeNoCase(mode, "rt");
}

bool IsTextMode(const char* mode)
{
    return SameModeNoCase(mode, "r") || SameModeNoCase(mode, "rt");
}

// Archives store names relative to the working folder; an absolute name
// below it must find the same entry. (Drive names, the other absolute form
// the data may carry, never lie below a folder of this system.)
size_t WorkingFolderPrefixLength(const char* name)
{
    if (!IsSeparator(name[0]))
        return 0;
    std::error_code ec;
    const std::string folder = fs::current_path(ec).string();
    if (ec || folder.empty())
        return 0;
    for (size_t i = 0; i < folder.size(); ++i) {
        const bool same = IsSeparator(name[i]) ? IsSeparator(folder[i]) : AsciiUpper(name[i]) == AsciiUpper(folder[i]);
        if (!same)
            return 0;
    }
    if (IsSeparator(folder.back()))
        return folder.size();
    return IsSeparator(name[folder.size()]) ? folder.size() + 1 : 0;
}

// Only a whole component: "..b" is a name like any other.
bool IsParentComponent(const char* text)
{
    return text[0] == '.' && text[1] == '.' && (text[2] == '\0' || IsSeparator(text[2]));
}

// Back to the separator before the last folder written; a leading separator
// stays, there being nothing above it.
void DropLastFolder(std::string& normalized)
{
    if (normalized.size() > 1 && normalized.back() == '\\')
        normalized.pop_back();
    const size_t separator = normalized.rfind('\\');
    normalized.erase(separator == std::string::npos ? 0 : separator + 1);
}

uint64_t ReadNumber(const uint8_t* data, uint64_t offset, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(data[offset + i] ^ kPakKey);
    return value;
}

// Bounded: no entry may lead a read past the mapping. A directory cut short
// ends where the file does; an entry whose data lies outside the file is
// dropped, not the archive: the intact files in it stay readable. Starts
// add up, so an oversized size pushes every later entry out too.
bool ReadDirectory(const uint8_t* data, uint64_t size, std::vector<PakEntry>& records)
{
    if (size < 8 || ReadNumber(data, 0, 4) != kPakMagic || ReadNumber(data, 4, 4) != kPakVersion)
        return false;
    uint64_t offset = 8;
    uint64_t dataSize = 0;
    std::vector<PakEntry> read;
    while (offset < size) {
        const auto flags = static_cast<uint8_t>(data[offset++] ^ kPakKey);
        if (flags & kPakEndOfDirectory)
            break;
        if (offset >= size)
            break;
        const auto nameLength = static_cast<uint8_t>(data[offset++] ^ kPakKey);
        if (size - offset < nameLength + uint64_t{12}) {
            offset = size;
            break;
        }
        PakEntry record;
        for (int i = 0; i < nameLength; ++i)
            record.name += static_cast<char>(data[offset + i] ^ kPakKey);
        // Names were C strings: a stray 0 ends one.
        record.name.resize(std::strlen(record.name.c_str()));
        offset += nameLength;
        record.start = dataSize;
        record.size = ReadNumber(data, offset, 4);
        record.fileTime = ReadNumber(data, offset + 4, 8);
        offset += 12;
        dataSize += record.size;
        read.push_back(std::move(record));
    }
    const uint64_t dataArea = size - offset;
    for (PakEntry& record : read) {
        if (record.start + record.size > dataArea)
            continue;
        record.start += offset;
        records.push_back(std::move(record));
    }
    return true;
}

const uint8_t* EntryBytes(const PakEntry& entry)
{
    return entry.archive->view.Data() + entry.start;
}

// Eight bytes a word: loaders pull whole pictures and sounds through here.
void Descramble(uint8_t* out, const uint8_t* in, uint64_t count)
{
    constexpr uint64_t kKeyWord = 0x0101010101010101u * kPakKey;
    uint64_t i = 0;
    for (; count - i >= 8; i += 8) {
        uint64_t word;
        std::memcpy(&word, in + i, 8);
        word ^= kKeyWord;
        std::memcpy(out + i, &word, 8);
    }
    for (; i < count; ++i)
        out[i] = in[i] ^ kPakKey;
}

PakFileHandle* OpenOnDisk(const char* name, const char* mode)
{
    // Only regular files: callers take the handle for a file they can read,
    // and a pipe in a data file's place must not hold them.
    std::FILE* file = Platform::OpenRegularFile(Platform::ResolveFileName(name), mode);
    if (!file)
        return nullptr;
    return new PakFileHandle{nullptr, 0, file, IsTextMode(mode)};
}

int CloseOnDisk(PakFileHandle* handle)
{
    const int result = std::fclose(handle->file);
    delete handle;
    return result;
}

uint64_t ToFileTime(fs::file_time_type time)
{
    using namespace std::chrono;
    using FileTimeUnits = duration<int64_t, std::ratio<1, 10000000>>;
    constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;
    const int64_t units = duration_cast<FileTimeUnits>(file_clock::to_sys(time).time_since_epoch()).count();
    return units < -kUnixEpochAsFileTime ? 0 : static_cast<uint64_t>(units + kUnixEpochAsFileTime);
}

bool WildcardMatch(std::string_view name, std::string_view pattern)
{
    size_t n = 0;
    size_t p = 0;
    size_t star = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The files of the pattern's folder whose names match its last part without
// regard to case; as on the system the data was made for, "name.*" also
// takes a name with no extension. Sorted, so a listing does not depend on the
// file system's order.
std::vector<PakFindData> ListDisk(const std::string& pattern)
{
    const std::string path = Platform::ResolveFileName(pattern);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string_view namePattern = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    const bool anyExtension = namePattern.ends_with(".*");

    std::vector<PakFindData> found;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!WildcardMatch(name, namePattern)
            && !(anyExtension && WildcardMatch(name, namePattern.substr(0, namePattern.size() - 2))))
            continue;
        std::error_code entryError;
        PakFindData data;
        data.fileName = std::move(name);
        if (it->is_directory(entryError))
            data.attributes = kPakAttributeDirectory;
        else if (const uintmax_t size = it->file_size(entryError); !entryError)
            data.fileSize = size;
        if (const auto written = it->last_write_time(entryError); !entryError)
            data.lastWriteTime = ToFileTime(written);
        found.push_back(std::move(data));
    }
    std::sort(found.begin(), found.end(),
              [](const PakFindData& a, const PakFindData& b) { return a.fileName < b.fileName; });
    return found;
}

bool StartDiskListing(PakFindHandle& handle, PakFindData& data)
{
    handle.diskFiles = ListDisk(handle.pattern);
    if (handle.diskFiles.empty())
        return false;
    handle.onDisk = true;
    handle.nextDiskFile = 1;
    data = handle.diskFiles.front();
    return true;
}

// Never deleted: readers may hold handles into its archives until the process
// ends.
PakInterface* InitPakInterfaceGlobal()
{
    return new PakInterface;
}

} // namespace

PakInterface* gPakInterface = InitPakInterfaceGlobal();

PakInterfaceBase* GetPakInterface()
{
    return gPakInterface;
}

PakInterface::PakInterface() = default;

PakInterface::~PakInterface() = default;

bool PakInterface::AddArchive(const std::string& fileName)
{
    auto archive = std::make_unique<PakArchive>();
    if (!archive->view.Open(Platform::ResolveFileName(fileName)))
        return false;
    std::vector<PakEntry> records;
    if (!ReadDirectory(archive->view.Data(), archive->view.Size(), records))
        return false;

    // The archive's own entry lets its raw bytes be read through the layer.
    archive->entries.reserve(records.size() + 1);
    archive->entries.push_back({fileName, 0, 0, archive->view.Size(), archive.get()});
    for (PakEntry& record : records) {
        record.archive = archive.get();
        archive->entries.push_back(std::move(record));
    }
    for (const PakEntry& entry : archive->entries)
        mDirectory[StringToUpper(entry.name)] = &entry;
    mArchives.push_back(std::move(archive));
    return true;
}

bool PakInterface::NormalizePakName(const char* name, std::string& normalized)
{
    const char* rest = name + WorkingFolderPrefixLength(name);
    const size_t length = std::strlen(rest);
    if (length > kPakMaxName)
        return false;
    normalized.clear();
    size_t i = 0;
    while (i < length) {
        if (IsSeparator(rest[i])) {
            if (normalized.empty() || normalized.back() != '\\')
                normalized += '\\';
            ++i;
        } else if (i > 0 && IsSeparator(rest[i - 1]) && IsParentComponent(rest + i)) {
            DropLastFolder(normalized);
            i += 2;
            while (i < length && IsSeparator(rest[i]))
                ++i;
        } else {
            normalized += AsciiUpper(rest[i]);
            ++i;
        }
    }
    return true;
}

PakFileHandle* PakInterface::FOpen(const char* name, const char* mode)
{
    if (!name || !mode)
        return nullptr;
    std::string key;
    if (IsReadMode(mode) && NormalizePakName(name, key)) {
        const auto found = mDirectory.find(key);
        if (found != mDirectory.end())
            return new PakFileHandle{found->second, 0, nullptr, IsTextMode(mode)};
    }
    return OpenOnDisk(name, mode);
}

int PakInterface::FClose(PakFileHandle* handle)
{
    if (!handle->entry)
        return CloseOnDisk(handle);
    delete handle;
    return 0;
}

int PakInterface::FSeek(PakFileHandle* handle, long offset, int origin)
{
    if (!handle->entry)
        return std::fseek(handle->file, offset, origin);
    const auto size = static_cast<int64_t>(handle->entry->size);
    int64_t base = 0;
    switch (origin) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = static_cast<int64_t>(handle->position);
        break;
    case SEEK_END:
        base = size;
        break;
    default:
        return 0;
    }
    // Compared before adding: no offset can overflow the sum.
    if (offset >= size - base)
        handle->position = static_cast<uint64_t>(size);
    else if (offset <= -base)
        handle->position = 0;
    else
        handle->position = static_cast<uint64_t>(base + offset);
    return 0;
}

long PakInterface::FTell(PakFileHandle* handle)
{
    if (!handle->entry)
        return std::ftell(handle->file);
    return static_cast<long>(handle->position);
}

size_t PakInterface::FRead(void* buffer, size_t size, size_t count, PakFileHandle* handle)
{
    if (!handle->entry)
        return std::fread(buffer, size, count, handle->file);
    if (size == 0)
        return 0;
    const uint64_t left = handle->entry->size - handle->position;
    // size × count may not fit in 64 bits; whatever is left does.
    const uint64_t bytes = count > left / size ? left : uint64_t{size} * count;
    Descramble(static_cast<uint8_t*>(buffer), EntryBytes(*handle->entry) + handle->position, bytes);
    handle->position += bytes;
    return static_cast<size_t>(bytes / size);
}

int PakInterface::FGetC(PakFileHandle* handle)
{
    if (!handle->entry) {
        // Loose files read in text mode as archived ones do: without carriage
        // returns, so data behaves the same packed or on disk.
        int c = std::fgetc(handle->file);
        while (c == '\r' && handle->text)
            c = std::fgetc(handle->file);
        return c;
    }
    const uint8_t* bytes = EntryBytes(*handle->entry);
    while (handle->position < handle->entry->size) {
        const int c = bytes[handle->position++] ^ kPakKey;
        if (c != '\r' || !handle->text)
            return c;
    }
    return EOF;
}

int PakInterface::UnGetC(int c, PakFileHandle* handle)
{
    if (!handle->entry)
        return std::ungetc(c, handle->file);
    if (handle->position > 0)
        --handle->position;
    return c;
}

char* PakInterface::FGetS(char* buffer, int count, PakFileHandle* handle)
{
    if (!handle->entry) {
        if (!handle->text || count < 1)
            return count < 1 ? nullptr : std::fgets(buffer, count, handle->file);
        int stored = 0;
        while (stored < count - 1) {
            const int c = FGetC(handle);
            if (c == EOF)
                break;
            buffer[stored++] = static_cast<char>(c);
            if (c == '\n')
                break;
        }
        if (stored == 0 && count > 1)
            return nullptr;
        buffer[stored] = '\0';
        return buffer;
    }
    // A count below 1 leaves no room even for the terminating 0.
    if (count < 1 || handle->position >= handle->entry->size)
        return nullptr;
    const uint8_t* bytes = EntryBytes(*handle->entry);
    int stored = 0;
    while (stored < count - 1 && handle->position < handle->entry->size) {
        const auto c = static_cast<char>(bytes[handle->position++] ^ kPakKey);
        if (c == '\r' && handle->text)
            continue;
        buffer[stored++] = c;
        if (c == '\n')
            break;
    }
    if (stored == 0 && count > 1)
        return nullptr;
    buffer[stored] = '\0';
    return buffer;
}

int PakInterface::FEof(PakFileHandle* handle)
{
    if (!handle->entry)
        return std::feof(handle->file);
    return handle->position >= handle->entry->size ? 1 : 0;
}

bool PakInterface::MatchNextEntry(PakFindHandle& handle, PakFindData& data) const
{
    const size_t star = handle.pattern.find('*');
    if (!handle.searchArchive || star == std::string::npos)
        return false;
    const std::string_view pattern(handle.pattern);
    const std::string_view head = pattern.substr(0, star);
    const std::string_view tail = pattern.substr(star + 1);
    const bool anyEnd = tail.empty() || tail == ".*";

    // Keys beginning with the head are adjacent in key order.
    auto it = handle.listedEntry ? mDirectory.upper_bound(handle.lastKey) : mDirectory.lower_bound(std::string(head));
    for (; it != mDirectory.end() && std::string_view(it->first).starts_with(head); ++it) {
        const std::string& key = it->first;
        if (!anyEnd && (key.size() < head.size() + tail.size() || !std::string_view(key).ends_with(tail)))
            continue;
        const PakEntry& entry = *it->second;
        const size_t separator = entry.name.rfind('\\');
        data.fileName = separator == std::string::npos ? entry.name : entry.name.substr(separator + 1);
        data.attributes = 0;
        data.fileSize = entry.size;
        data.lastWriteTime = entry.fileTime;
        handle.lastKey = key;
        handle.listedEntry = true;
        return true;
    }
    return false;
}

PakFindHandle* PakInterface::FindFirstFile(const char* pattern, PakFindData* data)
{
    if (!pattern || !data)
        return nullptr;
    auto handle = std::make_unique<PakFindHandle>();
    handle->searchArchive = NormalizePakName(pattern, handle->pattern);
    if (!handle->searchArchive)
        handle->pattern = pattern;
    if (MatchNextEntry(*handle, *data) || StartDiskListing(*handle, *data))
        return handle.release();
    return nullptr;
}

bool PakInterface::FindNextFile(PakFindHandle* handle, PakFindData* data)
{
    if (!handle->onDisk)
        return MatchNextEntry(*handle, *data) || StartDiskListing(*handle, *data);
    if (handle->nextDiskFile >= handle->diskFiles.size())
        return false;
    *data = handle->diskFiles[handle->nextDiskFile++];
    return true;
}

bool PakInterface::FindClose(PakFindHandle* handle)
{
    delete handle;
    return true;
}

std::string PakInterface::ArchiveServing(const char* name) const
{
    std::string key;
    if (!name || !NormalizePakName(name, key))
        return {};
    const auto found = mDirectory.find(key);
    return found == mDirectory.end() ? std::string() : found->second->archive->entries.front().name;
}

uint64_t PakGetFileTime(const char* name)
{
    std::error_code ec;
    std::string file = Platform::ResolveFileName(name);
    if (!fs::is_regular_file(file, ec) && gPakInterface)
        file = Platform::ResolveFileName(gPakInterface->ArchiveServing(name));
    if (file.empty() || !fs::is_regular_file(file, ec))
        return 0;
    const fs::file_time_type written = fs::last_write_time(file, ec);
    return ec ? 0 : ToFileTime(written);
}

PakFileHandle* PakFOpen(const char* name, const char* mode)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FOpen(name, mode);
    if (!name || !mode)
        return nullptr;
    return OpenOnDisk(name, mode);
}

int PakFClose(PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FClose(handle);
    return CloseOnDisk(handle);
}

int PakFSeek(PakFileHandle* handle, long offset, int origin)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FSeek(handle, offset, origin);
    return std::fseek(handle->file, offset, origin);
}

long PakFTell(PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FTell(handle);
    return std::ftell(handle->file);
}

size_t PakFRead(void* buffer, size_t size, size_t count, PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FRead(buffer, size, count, handle);
    return std::fread(buffer, size, count, handle->file);
}

int PakFGetC(PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FGetC(handle);
    return std::fgetc(handle->file);
}

int PakUnGetC(int c, PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->UnGetC(c, handle);
    return std::ungetc(c, handle->file);
}

char* PakFGetS(char* buffer, int count, PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FGetS(buffer, count, handle);
    return std::fgets(buffer, count, handle->file);
}

int PakFEof(PakFileHandle* handle)
{
    if (PakInterfaceBase* pak = GetPakInterface())
        return pak->FEof(handle);
    return std::feof(handle->file);
}

} // namespace Vorn
