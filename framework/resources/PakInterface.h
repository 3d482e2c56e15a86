#pragma once
// The file layer every data file of the framework is read through. A file is
// served from an archive mapped into memory when an added archive holds it,
// and from the disk otherwise, so the game runs unchanged from loose files or
// from its archive. Only reading looks in the archives: any other mode goes
// straight to the disk.
//
// An archive is one file, every byte of it XOR-ed with kPakKey; numbers are
// little-endian:
//   u32 magic kPakMagic, u32 version (only kPakVersion is read)
//   directory records, each a u8 of flags; with kPakEndOfDirectory set the
//     record is that one byte and the directory ends there, else it goes on
//     with a u8 name length n, n bytes of name (relative to the working folder,
//     backslash separators), the u32 data size and the u64 file time (Windows
//     file time: 100 ns units since 1601-01-01 UTC)
//   the files' data, back to back in record order
// Running out of file where a flags byte is due also ends the directory.
//
// Entries are keyed by their stored name upper-cased and found by the
// requested name normalised (NormalizePakName). When a name is in several
// archives, or twice in one, the one added last is served.
//
// Not locked: archives are added at start-up before any reader runs; after
// that the directory is only read, and each handle is used by one thread at a
// time.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vorn {

inline constexpr uint8_t kPakKey = 0x6B;
inline constexpr uint32_t kPakMagic = 0xBAC04AC0;
inline constexpr uint32_t kPakVersion = 0;
inline constexpr uint8_t kPakEndOfDirectory = 0x80;
// Longer names are never looked for in an archive; they go to the disk.
inline constexpr size_t kPakMaxName = 259;
inline constexpr uint32_t kPakAttributeDirectory = 0x10;

// Owned by the caller from FOpen to FClose, like a FILE.
struct PakFileHandle;
// Owned by the caller from FindFirstFile to FindClose.
struct PakFindHandle;
struct PakEntry;
struct PakArchive;

struct PakFindData {
    // The name without its folder.
    std::string fileName;
    // kPakAttributeDirectory for a folder on the disk, else 0.
    uint32_t attributes = 0;
    uint64_t fileSize = 0;
    // Windows file time: 100 ns units since 1601-01-01 UTC.
    uint64_t lastWriteTime = 0;
};

// The operations every module reads files through. Handles from the disk
// behave exactly as the standard stdio functions of the same names.
class PakInterfaceBase {
public:
    virtual ~PakInterfaceBase() = default;

    // Null when the file can be found neither in an archive nor on the disk,
    // where only a regular file opens.
    virtual PakFileHandle* FOpen(const char* name, const char* mode) = 0;
    // The result of closing a disk file; 0 for an archive file.
    virtual int FClose(PakFileHandle* handle) = 0;
    // Archive files: origins 0 (start), 1 (current), 2 (end); the position is
    // kept within 0..size and the result is always 0. Another origin leaves
    // the position alone.
    virtual int FSeek(PakFileHandle* handle, long offset, int origin) = 0;
    virtual long FTell(PakFileHandle* handle) = 0;
    // Whole items read; a partly read last item is copied but not counted.
    virtual size_t FRead(void* buffer, size_t size, size_t count, PakFileHandle* handle) = 0;
    // 0..255, or -1 at the end. Text-mode handles ("r", "rt") skip carriage
    // returns.
    virtual int FGetC(PakFileHandle* handle) = 0;
    // Archive files step back one byte (not before the start) and return `c`:
    // the byte at that position comes back, whatever `c` is.
    virtual int UnGetC(int c, PakFileHandle* handle) = 0;
    // Up to count - 1 bytes, through the first line feed (kept), then a 0.
    // Null, with the buffer untouched, at the end or for a count below 1.
    virtual char* FGetS(char* buffer, int count, PakFileHandle* handle) = 0;
    // Archive files: 1 once the position has reached the size.
    virtual int FEof(PakFileHandle* handle) = 0;

    // Archive entries matching the pattern first, then the disk's files.
    // Null when neither has any.
    virtual PakFindHandle* FindFirstFile(const char* pattern, PakFindData* data) = 0;
    virtual bool FindNextFile(PakFindHandle* handle, PakFindData* data) = 0;
    virtual bool FindClose(PakFindHandle* handle) = 0;
};

class PakInterface final : public PakInterfaceBase {
public:
    PakInterface();
    ~PakInterface() override;
    PakInterface(const PakInterface&) = delete;
    PakInterface& operator=(const PakInterface&) = delete;

    // Maps the archive and adds its entries, plus one entry under the
    // archive's own name (as given) covering the whole file. False, with
    // nothing of it used, when it is missing, cannot be mapped, is not an
    // archive of a known version, or its directory is cut short or places data
    // outside the file.
    bool AddArchive(const std::string& fileName);

    // The form names are looked up in: ASCII letters upper-cased; '/' and '\\'
    // become one '\\' however many there are; a ".." component after a
    // separator removes the folder before it; a name below the working folder
    // becomes relative to it. False for a name longer than kPakMaxName, which
    // no archive holds.
    static bool NormalizePakName(const char* name, std::string& normalized);

    PakFileHandle* FOpen(const char* name, const char* mode) override;
    int FClose(PakFileHandle* handle) override;
    int FSeek(PakFileHandle* handle, long offset, int origin) override;
    long FTell(PakFileHandle* handle) override;
    size_t FRead(void* buffer, size_t size, size_t count, PakFileHandle* handle) override;
    int FGetC(PakFileHandle* handle) override;
    int UnGetC(int c, PakFileHandle* handle) override;
    char* FGetS(char* buffer, int count, PakFileHandle* handle) override;
    int FEof(PakFileHandle* handle) override;

    // Archive entries match a pattern holding a '*': the text before it must
    // begin the name, and the text after it end the name unless it is ".*"
    // or nothing; a folder's "*" thus takes everything below it. On the disk
    // '*' and '?' match within the pattern's folder.
    PakFindHandle* FindFirstFile(const char* pattern, PakFindData* data) override;
    bool FindNextFile(PakFindHandle* handle, PakFindData* data) override;
    bool FindClose(PakFindHandle* handle) override;

    // The file name (as added) of the archive that serves `name`; empty when
    // no archive holds it.
    std::string ArchiveServing(const char* name) const;

private:
    bool MatchNextEntry(PakFindHandle& handle, PakFindData& data) const;

    std::vector<std::unique_ptr<PakArchive>> mArchives;
    std::map<std::string, const PakEntry*> mDirectory;
};

// The process's file layer, made before main() runs and kept to the end, so
// every module shares its archives. The application adds its archive at
// start-up.
extern PakInterface* gPakInterface;

// The file layer, or null while there is none (the free functions below then
// read the disk through stdio).
PakInterfaceBase* GetPakInterface();

// The last-write time (Windows file time) of the disk file `name`, or, for a
// file only in an archive, of that archive's file; 0 when neither exists.
uint64_t PakGetFileTime(const char* name);

// Parsers open text in mode "r"; images and sounds read binary.
PakFileHandle* PakFOpen(const char* name, const char* mode = "rb");
int PakFClose(PakFileHandle* handle);
int PakFSeek(PakFileHandle* handle, long offset, int origin);
long PakFTell(PakFileHandle* handle);
size_t PakFRead(void* buffer, size_t size, size_t count, PakFileHandle* handle);
int PakFGetC(PakFileHandle* handle);
int PakUnGetC(int c, PakFileHandle* handle);
char* PakFGetS(char* buffer, int count, PakFileHandle* handle);
int PakFEof(PakFileHandle* handle);

} // namespace Vorn
