#include "platform/MappedFile.h"

#include <cstddef>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Platform {

MappedFile::~MappedFile()
{
    Close();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : mData(std::exchange(other.mData, nullptr)),
      mSize(std::exchange(other.mSize, 0)),
      mOpen(std::exchange(other.mOpen, false))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        Close();
        mData = std::exchange(other.mData, nullptr);
        mSize = std::exchange(other.mSize, 0);
        mOpen = std::exchange(other.mOpen, false);
    }
    return *this;
}

bool MappedFile::Open(const std::string& path)
{
    Close();
    // Non-blocking: a pipe in the file's place must not hold the program
    // until something writes to it. A regular file reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    // Only regular files: a folder or a device has no size worth mapping.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(fd);
        return false;
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    // A file larger than the address space cannot be viewed whole.
    if (static_cast<size_t>(size) != size) {
        ::close(fd);
        return false;
    }
    void* view = nullptr;
    if (size > 0) {
        view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (view == MAP_FAILED) {
            ::close(fd);
            return false;
        }
    }
    // The mapping keeps the file alive on its own.
    ::close(fd);
    mData = static_cast<const uint8_t*>(view);
    mSize = size;
    mOpen = true;
    return true;
}

void MappedFile::Close()
{
    if (mData)
        ::munmap(const_cast<uint8_t*>(mData), mSize);
    mData = nullptr;
    mSize = 0;
    mOpen = false;
}

} // namespace Platform
