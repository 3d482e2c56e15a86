#include "platform/CrashProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Platform {

namespace {

int64_t MonotonicMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

// Polls one descriptor for `events` until the deadline; false on timeout,
// hang-up without the event, or failure.
bool WaitUntil(int fd, short events, int64_t deadline)
{
    for (;;) {
        const int64_t left = deadline - MonotonicMilliseconds();
        if (left <= 0)
            return false;
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (entry.revents & events) != 0;
    }
}

// In the forked child, before the program runs: nothing here may allocate
// or lock.
[[noreturn]] void BecomeReporter(int channel, const char* program, const char* const* argv)
{
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction standard{};
        standard.sa_handler = SIG_DFL;
        sigaction(signal, &standard, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (channel == kReporterChannelFd)
        fcntl(channel, F_SETFD, 0);
    else if (dup2(channel, kReporterChannelFd) < 0)
        _exit(127);
    close_range(kReporterChannelFd + 1, ~0U, 0);
    execve(program, const_cast<char* const*>(argv), environ);
    _exit(127);
}

} // namespace

namespace SignalSafe {

int CreateFile(const char* path)
{
    // Not through a link planted at the name, nor waiting for a reader of a
    // FIFO: the handler would write where it was led, or never end.
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    struct stat status{};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

int CreateNewFile(const char* path)
{
    // Whatever was planted at the name goes, and one planted again before
    // the file is made fails it.
    unlink(path);
    return open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

bool WriteAll(int fd, const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void Close(int fd)
{
    if (fd >= 0)
        close(fd);
}

bool Rename(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}

void Remove(const char* path)
{
    unlink(path);
}

Reporter StartReporter(const char* program, const char* const* argv)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return {};
    // Unlike fork(), runs no handlers registered for forking, which take the
    // allocator's locks.
    const pid_t pid = _Fork();
    if (pid == 0)
        BecomeReporter(ends[1], program, argv);
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return {};
    }
    return {pid, ends[0]};
}

bool Send(int channel, const void* data, size_t size, int timeoutMs)
{
    const int64_t deadline = MonotonicMilliseconds() + timeoutMs;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(channel, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) || !WaitUntil(channel, POLLOUT, deadline))
            return false;
    }
    return true;
}

void WaitFor(int pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace SignalSafe

namespace ReporterChannel {

long Receive(int fd, void* data, size_t size, int timeoutMs)
{
    if (!WaitUntil(fd, POLLIN | POLLHUP, MonotonicMilliseconds() + timeoutMs))
        return -1;
    for (;;) {
        const ssize_t got = read(fd, data, size);
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}

int ParentProcess()
{
    return getppid();
}

void Kill(int pid)
{
    if (pid > 1)
        kill(pid, SIGKILL);
}

} // namespace ReporterChannel

} // namespace Platform
