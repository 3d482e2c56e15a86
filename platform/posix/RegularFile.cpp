#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

// The flags fopen opens with for `mode`; -1 for a mode it refuses.
int FopenFlags(const char* mode)
{
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r':
        return update ? O_RDWR : O_RDONLY;
    case 'w':
        return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
        return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
        return -1;
    }
}

// The descriptor of the regular file, back in blocking mode, with its status
// in `info`; -1 when it cannot be opened or is not a regular file.
int OpenRegularDescriptor(const std::string& path, int flags, struct stat& info)
{
    // Non-blocking, so that a pipe with no writer (or no reader) answers at
    // once; a regular file opens the same either way.
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return -1;
    const int status = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || status < 0
        || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::FILE* OpenRegularFile(const std::string& path, const char* mode)
{
    const int flags = FopenFlags(mode);
    if (flags < 0)
        return nullptr;
    struct stat info {};
    const int fd = OpenRegularDescriptor(path, flags, info);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file)
        ::close(fd);
    return file;
}

bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& contents)
{
    struct stat info {};
    const int fd = OpenRegularDescriptor(path, O_RDONLY, info);
    if (fd < 0)
        return false;
    const auto size = static_cast<uint64_t>(info.st_size);
    bool ok = size <= maxBytes;
    if (ok)
        contents.resize(static_cast<size_t>(size));
    size_t got = 0;
    while (ok && got < contents.size()) {
        const ssize_t read = ::read(fd, contents.data() + got, contents.size() - got);
        if (read > 0)
            got += static_cast<size_t>(read);
        else
            ok = read < 0 && errno == EINTR;
    }
    ::close(fd);
    return ok;
}

RegularFileStream::RegularFileStream(const std::string& path) : std::istream(nullptr)
{
    // Without a buffer the stream stays bad: every read fails, as from an
    // std::ifstream whose file would not open.
    struct stat info {};
    const int fd = OpenRegularDescriptor(path, O_RDONLY, info);
    if (fd < 0)
        return;
    // The buffer owns the descriptor and closes it.
    mBuffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd, std::ios::in);
    rdbuf(mBuffer.get());
}

RegularFileStream::~RegularFileStream() = default;

void RegularFileStream::Close()
{
    rdbuf(nullptr);
    mBuffer.reset();
}

} // namespace Platform
