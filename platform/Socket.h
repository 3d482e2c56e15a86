#pragma once
// A TCP connection to a server, used without blocking: every wait is a poll
// with a timeout, so that its user can look at a stop request between waits.
// IPv4, as the addresses the program is given are.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

enum class SocketWait { Ready, TimedOut, Failed };
enum class ConnectStart { Connected, InProgress, Failed };

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A fresh non-blocking socket in place of any open one; false when none
    // can be made.
    bool Open();
    bool IsOpen() const { return mFd >= 0; }
    void Close();

    // A dotted address as it is, or a host name looked up (this may take a
    // while and cannot be interrupted); false when it gives no address.
    static bool Resolve(const std::string& host, uint32_t& address);

    // `address` as Resolve gives it.
    ConnectStart StartConnect(uint32_t address, uint16_t port);
    // Once an unfinished connect has become writable: whether it succeeded.
    bool Connected() const;

    // At most `timeoutMs` for the socket to be readable (data, or the peer's
    // close to read) or writable, as asked. Failed when the socket reports
    // an error.
    SocketWait Wait(bool read, bool write, int timeoutMs) const;

    // Bytes sent, 0 when the socket cannot take any now, -1 on failure (also
    // when the peer has gone: no signal is raised).
    long Send(const char* data, size_t size);
    // Bytes received, 0 when the peer has closed, -1 on failure,
    // kNothingYet when nothing has arrived.
    static constexpr long kNothingYet = -2;
    long Receive(char* data, size_t size);

private:
    // No socket is -1, never 0: that is standard input.
    int mFd = -1;
};

} // namespace Platform
