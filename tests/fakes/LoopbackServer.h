#pragma once
// An HTTP server of one connection on the loopback address, for the tests
// of the transfer and the report upload: it takes one request whole, answers
// with the pieces it was given (each written on its own after its pause, so
// that the client reads them apart), then closes, or waits for the client
// to. Every wait is bounded: a test that goes wrong ends, it does not hang.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

class LoopbackServer {
public:
    struct Piece {
        std::string bytes;
        int pauseMs = 0;
    };

    static constexpr int kWaitMs = 10000;

    explicit LoopbackServer(std::vector<Piece> reply, bool closeAfterReply = true);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return mPort; }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(mPort) + "/"; }
    // Waits until the connection is over: the request as it arrived, empty
    // when none came.
    std::string Request();
    // Waits until a whole request has arrived (or the wait runs out); the
    // connection goes on.
    bool WaitForRequest() const;

    // A port on which nothing listens.
    static int ClosedPort();

private:
    void Serve();

    std::vector<Piece> mReply;
    bool mCloseAfterReply;
    int mListenFd = -1;
    int mPort = 0;
    std::string mRequest;
    std::atomic<bool> mRequestArrived{false};
    std::thread mThread;
};

// Each byte a piece of its own, a millisecond apart.
std::vector<LoopbackServer::Piece> ByteByByte(const std::string& text);

} // namespace Testing
