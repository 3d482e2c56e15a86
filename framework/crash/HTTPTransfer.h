#pragma once
// Sends one prepared HTTP request over a plain TCP connection on a thread of
// its own and collects the response body, while the caller polls a small
// result code. There is one object in the process. Each change of the
// result is written into the demo being recorded and, while a demo plays,
// taken from it instead of from the network: no thread and no socket are
// started then at all.
//
// Threads: the caller's thread starts, polls, aborts and resets; the
// transfer thread writes the result, the content and the flags, all atomic
// or (the content) under a mutex that no wait or receive holds.

#include "platform/Socket.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace Vorn {

class HTTPTransfer {
public:
    static constexpr int kFinished = 0;
    static constexpr int kIdle = 1;
    static constexpr int kRunning = 2;
    // The server answered 404.
    static constexpr int kNotFound = 3;
    // The server answered another status than 200 and 404, or none.
    static constexpr int kBadStatus = 4;
    static constexpr int kAborted = 5;
    // No socket, a failed wait, a failed receive, or a response that broke
    // off: its connection closed before the body it announced was whole.
    static constexpr int kSocketFailed = 6;
    static constexpr int kHostNotFound = 7;
    static constexpr int kConnectFailed = 8;
    static constexpr int kSendFailed = 9;

    // How often a wait looks at the abort flag.
    static constexpr int kPollMs = 100;

    HTTPTransfer();
    // Aborts a running transfer and waits for its thread.
    virtual ~HTTPTransfer();
    HTTPTransfer(const HTTPTransfer&) = delete;
    HTTPTransfer& operator=(const HTTPTransfer&) = delete;

    // Starts the request (head and body, whole) to the server of `url`
    // ("http://host:port/path", "host:port" or "host"; port 80 unless
    // given), in place of any transfer before.
    void SendRequest(const std::string& url, const std::string& request);
    // Asks the thread to stop; it ends with kAborted within kPollMs.
    void Abort();
    // Back to kIdle, stopping a running transfer first.
    void Reset();
    // Until the transfer's thread has ended.
    void WaitFinish();
    // The result, after taking or giving the demo its change.
    int GetResultCode();
    // The response body so far, at most HTTPResponseParser::kMaxContent
    // bytes.
    std::string GetContent();

    // What the transfer was asked, split from the URL.
    const std::string& GetHost() const { return mHost; }
    int GetPort() const { return mPort; }

    // Identifies this transfer in the demo stream; from a process-wide count
    // that every start and reset takes the next of.
    int32_t mTransferId;

private:
    void ParseUrl(const std::string& url);
    void StartThread();
    // The result into the demo (recording) or out of it (playing).
    void UpdateStatus();
    void SetResult(int result);
    void SetContent(const std::string& content);
    void Run();
    void Exchange(Platform::TcpSocket& socket);
    bool Connect(Platform::TcpSocket& socket);
    bool Send(Platform::TcpSocket& socket);
    void Receive(Platform::TcpSocket& socket);
    // True when the socket is ready as asked or the transfer is to stop;
    // false, with kSocketFailed, when the socket failed.
    bool WaitForSocket(Platform::TcpSocket& socket, bool read, bool write);

    std::string mRequest;
    std::string mUrl;
    std::string mHost;
    int mPort = 80;
    std::mutex mContentMutex;
    std::string mContent;
    std::atomic<bool> mBusy{false};
    std::atomic<bool> mThreadRunning{false};
    std::atomic<bool> mAbort{false};
    std::atomic<bool> mExit{false};
    std::atomic<int> mResult{kIdle};
    // The caller's thread only.
    int mLastResult = kIdle;
    std::thread mThread;
};

extern HTTPTransfer gHTTPTransfer;

} // namespace Vorn
