#pragma once
// Opening the files the program reads from its data, save and settings
// folders. Each is opened without waiting and refused unless it is a regular
// file: a pipe put in a file's place would hold the program until something
// wrote to it, and a device or a folder has no contents to read. Names are as
// the system spells them (no resolving here).

#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace Platform {

// As std::fopen with the same mode ("r", "w" or "a", with '+' and 'b'), but
// null when the file is not a regular one.
std::FILE* OpenRegularFile(const std::string& path, const char* mode);

// The whole regular file; false when it is missing, not a regular file,
// larger than `maxBytes`, or yields fewer bytes than its size.
bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& contents);

// The regular file read as a std::ifstream reads it; failed from the start
// (every read fails) when it is missing or not a regular file.
class RegularFileStream : public std::istream {
public:
    explicit RegularFileStream(const std::string& path);
    ~RegularFileStream() override;
    RegularFileStream(const RegularFileStream&) = delete;
    RegularFileStream& operator=(const RegularFileStream&) = delete;

    // Lets go of the file before the stream ends.
    void Close();

private:
    std::unique_ptr<std::streambuf> mBuffer;
};

} // namespace Platform
