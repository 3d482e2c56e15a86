#include "fakes/LoopbackServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Testing {

namespace {

int Listen(int& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool Readable(int fd, int ms)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, ms) > 0;
}

// The head, then as many body bytes as its Content-Length says.
bool RequestComplete(const std::string& request)
{
    const size_t end = request.find("\r\n\r\n");
    if (end == std::string::npos)
        return false;
    const size_t length = request.find("Content-Length: ");
    const size_t body = length == std::string::npos || length > end ? 0 : std::strtoul(request.c_str() + length + 16, nullptr, 10);
    return request.size() >= end + 4 + body;
}

} // namespace

LoopbackServer::LoopbackServer(std::vector<Piece> reply, bool closeAfterReply)
    : mReply(std::move(reply)), mCloseAfterReply(closeAfterReply)
{
    mListenFd = Listen(mPort);
    mThread = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer()
{
    if (mThread.joinable())
        mThread.join();
    if (mListenFd >= 0)
        close(mListenFd);
}

std::string LoopbackServer::Request()
{
    if (mThread.joinable())
        mThread.join();
    return mRequest;
}

void LoopbackServer::Serve()
{
    if (mListenFd < 0 || !Readable(mListenFd, kWaitMs))
        return;
    const int fd = accept(mListenFd, nullptr, nullptr);
    if (fd < 0)
        return;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    char bytes[4096];
    while (!RequestComplete(mRequest) && std::chrono::steady_clock::now() < deadline && Readable(fd, kWaitMs)) {
        const ssize_t got = recv(fd, bytes, sizeof(bytes), 0);
        if (got <= 0)
            break;
        mRequest.append(bytes, static_cast<size_t>(got));
    }
    mRequestArrived = RequestComplete(mRequest);
    for (const Piece& piece : mReply) {
        std::this_thread::sleep_for(std::chrono::milliseconds(piece.pauseMs));
        send(fd, piece.bytes.data(), piece.bytes.size(), MSG_NOSIGNAL);
    }
    // Until the client has closed its end, within the wait.
    while (!mCloseAfterReply && Readable(fd, kWaitMs) && recv(fd, bytes, sizeof(bytes), 0) > 0) {
    }
    close(fd);
}

bool LoopbackServer::WaitForRequest() const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!mRequestArrived && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return mRequestArrived;
}

int LoopbackServer::ClosedPort()
{
    int port = 0;
    const int fd = Listen(port);
    if (fd >= 0)
        close(fd);
    return port;
}

std::vector<LoopbackServer::Piece> ByteByByte(const std::string& text)
{
    std::vector<LoopbackServer::Piece> pieces;
    for (const char c : text)
        pieces.push_back({std::string(1, c), 1});
    return pieces;
}

} // namespace Testing
