#include "platform/SingleInstance.h"

#include "platform/DebugOutput.h"
#include "platform/Thread.h"

#include <cerrno>
#include <exception>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform {

namespace {

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// The address of `path`, or false when it does not fit: a longer name would
// be cut short and reach another socket.
bool SocketAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    path.copy(address.sun_path, path.size());
    return true;
}

bool ValidProduct(const std::string& product)
{
    return !product.empty() && product != "." && product != ".." && product.find('/') == std::string::npos &&
           product.find('\0') == std::string::npos;
}

} // namespace

SingleInstance::SingleInstance(std::string product, std::string folder)
    : mProduct(std::move(product)), mFolder(std::move(folder))
{
}

SingleInstance::~SingleInstance()
{
    if (mListener.joinable()) {
        const char wake = 1;
        while (write(mWakeFds[1], &wake, 1) < 0 && errno == EINTR) {
        }
        mListener.join();
    }
    CloseFd(mWakeFds[0]);
    CloseFd(mWakeFds[1]);
    if (mListenFd >= 0) {
        CloseFd(mListenFd);
        unlink(SocketPath().c_str());
    }
    // The lock file stays: removing it could split a later pair of starters
    // between the old file and a new one.
    CloseFd(mLockFd);
}

bool SingleInstance::Fail(const std::string& what, int error)
{
    mError = what;
    if (error != 0)
        mError += ": " + std::generic_category().message(error);
    return false;
}

SingleInstance::Claim SingleInstance::Acquire()
{
    if (mLockFd >= 0)
        return Claim::First;
    if (!ValidProduct(mProduct)) {
        Fail("Product name cannot name a file: \"" + mProduct + "\"", 0);
        return Claim::Failed;
    }
    const std::string path = LockPath();
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        Fail("Cannot open " + path, errno);
        return Claim::Failed;
    }
    int result;
    while ((result = flock(fd, LOCK_EX | LOCK_NB)) < 0 && errno == EINTR) {
    }
    if (result == 0) {
        mLockFd = fd;
        return Claim::First;
    }
    const int error = errno;
    CloseFd(fd);
    if (error == EWOULDBLOCK)
        return Claim::AlreadyRunning;
    Fail("Cannot lock " + path, error);
    return Claim::Failed;
}

bool SingleInstance::Listen(std::function<void()> onNotify)
{
    if (mLockFd < 0)
        return Fail("Listen: the lock is not held", 0);
    if (mListener.joinable())
        return Fail("Listen: already listening", 0);
    const std::string path = SocketPath();
    sockaddr_un address;
    if (!SocketAddress(path, address))
        return Fail("Socket path too long: " + path, 0);

    mListenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (mListenFd < 0)
        return Fail("Cannot make a socket", errno);
    // Whoever left a socket file here is gone: we hold the lock.
    unlink(path.c_str());
    if (bind(mListenFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) < 0) {
        const int error = errno;
        CloseFd(mListenFd);
        return Fail("Cannot bind " + path, error);
    }
    if (listen(mListenFd, 8) < 0 || pipe2(mWakeFds, O_CLOEXEC) < 0) {
        const int error = errno;
        CloseFd(mListenFd);
        unlink(path.c_str());
        return Fail("Cannot listen on " + path, error);
    }
    mOnNotify = std::move(onNotify);
    mListener = StartThread([this] { Serve(); });
    return true;
}

void SingleInstance::Serve()
{
    for (;;) {
        pollfd fds[2] = {{mListenFd, POLLIN, 0}, {mWakeFds[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            WriteDebugOutput("SingleInstance: poll failed, no longer listening\n");
            return;
        }
        if (fds[1].revents != 0)
            return;
        int connection;
        while ((connection = accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
            // The knock is the whole message.
            close(connection);
            if (!mOnNotify)
                continue;
            try {
                mOnNotify();
            } catch (const std::exception& e) {
                WriteDebugOutput(std::string("SingleInstance: notify handler failed: ") + e.what() + "\n");
            }
        }
        const int error = errno;
        if (error != EAGAIN && error != EWOULDBLOCK && error != EINTR && error != ECONNABORTED) {
            // Polling on would spin: the socket stays readable.
            WriteDebugOutput("SingleInstance: accept failed, no longer listening: " +
                             std::generic_category().message(error) + "\n");
            return;
        }
    }
}

bool SingleInstance::NotifyRunning()
{
    const std::string path = SocketPath();
    sockaddr_un address;
    if (!SocketAddress(path, address))
        return Fail("Socket path too long: " + path, 0);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Fail("Cannot make a socket", errno);
    // Non-blocking: a first copy that has stopped answering must not hang
    // this one.
    int result;
    while ((result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address))) < 0 &&
           errno == EINTR) {
    }
    const int error = errno;
    CloseFd(fd);
    if (result < 0)
        return Fail("No answer from the running copy at " + path, error);
    return true;
}

} // namespace Platform
