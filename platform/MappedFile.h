#pragma once
// A whole file mapped read-only into memory. The view stays valid for the
// object's life: the archive reader hands out pointers into it and copies
// from it without ever loading the file.

#include <cstdint>
#include <string>

namespace Platform {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the regular file at `path` (a name as the system spells it; no
    // resolving here) in place of whatever was mapped before. False, with
    // nothing mapped, when it is missing, not a regular file or cannot be
    // mapped. An empty file succeeds with a null view of size 0.
    bool Open(const std::string& path);
    void Close();

    bool IsOpen() const { return mOpen; }
    const uint8_t* Data() const { return mData; }
    uint64_t Size() const { return mSize; }

private:
    const uint8_t* mData = nullptr;
    uint64_t mSize = 0;
    bool mOpen = false;
};

} // namespace Platform
