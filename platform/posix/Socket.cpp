#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Platform {

TcpSocket::~TcpSocket()
{
    Close();
}

bool TcpSocket::Open()
{
    Close();
    mFd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    return mFd >= 0;
}

void TcpSocket::Close()
{
    if (mFd >= 0)
        close(mFd);
    mFd = -1;
}

bool TcpSocket::Resolve(const std::string& host, uint32_t& address)
{
    if (host.empty())
        return false;
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = ntohl(dotted.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

ConnectStart TcpSocket::StartConnect(uint32_t address, uint16_t port)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    if (connect(mFd, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0)
        return ConnectStart::Connected;
    return errno == EINPROGRESS || errno == EINTR ? ConnectStart::InProgress : ConnectStart::Failed;
}

bool TcpSocket::Connected() const
{
    int error = 0;
    socklen_t length = sizeof(error);
    return getsockopt(mFd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

SocketWait TcpSocket::Wait(bool read, bool write, int timeoutMs) const
{
    pollfd entry{mFd, static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0)), 0};
    const int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? SocketWait::TimedOut : SocketWait::Failed;
    if (ready == 0)
        return SocketWait::TimedOut;
    // A peer that closed leaves its last bytes and the end to read.
    if ((entry.revents & entry.events) != 0 || (read && (entry.revents & POLLHUP) != 0))
        return SocketWait::Ready;
    return SocketWait::Failed;
}

long TcpSocket::Send(const char* data, size_t size)
{
    const ssize_t sent = send(mFd, data, size, MSG_NOSIGNAL);
    if (sent >= 0)
        return sent;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

long TcpSocket::Receive(char* data, size_t size)
{
    const ssize_t got = recv(mFd, data, size, 0);
    if (got >= 0)
        return got;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kNothingYet : -1;
}

} // namespace Platform
