#include "framework/crash/HTTPTransfer.h"

#include "framework/app/VornAppBase.h"
#include "framework/crash/HTTPResponseParser.h"
#include "platform/Thread.h"

#include <chrono>
#include <cstdlib>
#include <system_error>

namespace Vorn {

namespace {

std::atomic<int32_t> gNextTransferId{1};

constexpr int kDefaultPort = 80;
constexpr int kHighestPort = 65535;
constexpr size_t kReceiveBytes = 256;
constexpr auto kFinishPoll = std::chrono::milliseconds(20);

} // namespace

HTTPTransfer::HTTPTransfer()
    : mTransferId(gNextTransferId++)
{
}

HTTPTransfer::~HTTPTransfer()
{
    Abort();
    if (mThread.joinable())
        mThread.join();
}

void HTTPTransfer::SendRequest(const std::string& url, const std::string& request)
{
    // The old thread, which sends from the request, has ended once the
    // reset in ParseUrl returns.
    ParseUrl(url);
    mRequest = request;
    StartThread();
}

void HTTPTransfer::ParseUrl(const std::string& url)
{
    Reset();
    mTransferId = gNextTransferId++;
    mUrl = url;
    mAbort = false;
    mExit = false;
    mResult = kRunning;
    SetContent(std::string());
    mPort = kDefaultPort;

    const size_t slashes = mUrl.find("//");
    const size_t start = slashes == std::string::npos ? 0 : slashes + 2;
    const size_t path = mUrl.find('/', start);
    mHost = mUrl.substr(start, path == std::string::npos ? std::string::npos : path - start);
    const size_t colon = mHost.find(':');
    if (colon != std::string::npos) {
        mPort = std::atoi(mHost.c_str() + colon + 1);
        mHost.erase(colon);
    }
}

void HTTPTransfer::StartThread()
{
    mBusy = true;
    if (gApplication != nullptr && gApplication->mPlaying)
        return;
    if (mThread.joinable())
        mThread.join();
    mThreadRunning = true;
    try {
        mThread = Platform::StartThread([this] { Run(); });
    } catch (const std::system_error&) {
        // Reported as the socket that could not be had, not as a transfer
        // that runs for ever.
        mResult = kSocketFailed;
        mThreadRunning = false;
        mBusy = false;
    }
}

void HTTPTransfer::Abort()
{
    mExit = true;
    mAbort = true;
}

void HTTPTransfer::Reset()
{
    if (mThreadRunning) {
        Abort();
        WaitFinish();
    }
    mTransferId = gNextTransferId++;
    mResult = kIdle;
    mLastResult = kIdle;
    SetContent(std::string());
    mUrl.clear();
    mRequest.clear();
    mAbort = false;
    mExit = false;
}

void HTTPTransfer::WaitFinish()
{
    while (mBusy && mThreadRunning) {
        UpdateStatus();
        std::this_thread::sleep_for(kFinishPoll);
    }
    if (mThread.joinable())
        mThread.join();
}

int HTTPTransfer::GetResultCode()
{
    UpdateStatus();
    return mResult;
}

std::string HTTPTransfer::GetContent()
{
    const std::lock_guard lock(mContentMutex);
    return mContent;
}

void HTTPTransfer::SetContent(const std::string& content)
{
    const std::lock_guard lock(mContentMutex);
    mContent = content;
}

void HTTPTransfer::UpdateStatus()
{
    VornAppBase* app = gApplication;
    if (app == nullptr)
        return;
    if (app->mPlaying) {
        int32_t result = 0;
        std::string content;
        if (app->mDemoStream.ReplayWebResult(app->mUpdateCount, mTransferId, result, content)) {
            mResult = result;
            SetContent(content);
            mLastResult = result;
        }
    } else if (app->mRecording) {
        const int result = mResult;
        if (result != mLastResult) {
            app->mDemoStream.RecordWebResult(app->mUpdateCount, mTransferId, result, GetContent());
            mLastResult = result;
        }
    }
}

void HTTPTransfer::SetResult(int result)
{
    mResult = result;
    mAbort = true;
}

void HTTPTransfer::Run()
{
    Platform::TcpSocket socket;
    if (!socket.Open())
        SetResult(kSocketFailed);
    else if (!mAbort)
        Exchange(socket);
    socket.Close();
    if (mExit)
        mResult = kAborted;
    else if (mResult == kRunning)
        mResult = kFinished;
    mThreadRunning = false;
    mBusy = false;
}

void HTTPTransfer::Exchange(Platform::TcpSocket& socket)
{
    if (Connect(socket) && Send(socket))
        Receive(socket);
}

bool HTTPTransfer::Connect(Platform::TcpSocket& socket)
{
    uint32_t address = 0;
    if (!Platform::TcpSocket::Resolve(mHost, address)) {
        SetResult(kHostNotFound);
        return false;
    }
    if (mPort < 1 || mPort > kHighestPort) {
        SetResult(kConnectFailed);
        return false;
    }
    switch (socket.StartConnect(address, static_cast<uint16_t>(mPort))) {
    case Platform::ConnectStart::Connected:
        return true;
    case Platform::ConnectStart::Failed:
        SetResult(kConnectFailed);
        return false;
    case Platform::ConnectStart::InProgress:
        break;
    }
    if (!WaitForSocket(socket, false, true)) {
        SetResult(kConnectFailed);
        return false;
    }
    if (mAbort)
        return false;
    // Writable is also how a refused connection shows.
    if (!socket.Connected()) {
        SetResult(kConnectFailed);
        return false;
    }
    return true;
}

bool HTTPTransfer::Send(Platform::TcpSocket& socket)
{
    while (!mRequest.empty() && !mAbort) {
        if (!WaitForSocket(socket, false, true))
            return false;
        if (mAbort)
            return false;
        const long sent = socket.Send(mRequest.data(), mRequest.size());
        if (sent < 0) {
            SetResult(kSendFailed);
            return false;
        }
        mRequest.erase(0, static_cast<size_t>(sent));
    }
    return !mAbort;
}

void HTTPTransfer::Receive(Platform::TcpSocket& socket)
{
    HTTPResponseParser parser;
    char bytes[kReceiveBytes];
    while (!mAbort) {
        if (!WaitForSocket(socket, true, false) || mAbort)
            return;
        const long got = socket.Receive(bytes, sizeof(bytes));
        if (got == Platform::TcpSocket::kNothingYet)
            continue;
        if (got < 0) {
            SetResult(kSocketFailed);
            return;
        }
        if (got == 0) {
            const int result = parser.Closed();
            if (result != kFinished)
                SetResult(result);
            return;
        }
        parser.Append(bytes, static_cast<size_t>(got));
        std::string fresh;
        const std::optional<int> settled = parser.Parse(fresh);
        if (!fresh.empty()) {
            const std::lock_guard lock(mContentMutex);
            mContent += fresh;
        }
        if (settled) {
            if (*settled != kFinished)
                SetResult(*settled);
            return;
        }
    }
}

bool HTTPTransfer::WaitForSocket(Platform::TcpSocket& socket, bool read, bool write)
{
    while (!mAbort) {
        switch (socket.Wait(read, write, kPollMs)) {
        case Platform::SocketWait::Ready:
            return true;
        case Platform::SocketWait::Failed:
            SetResult(kSocketFailed);
            return false;
        case Platform::SocketWait::TimedOut:
            break;
        }
    }
    return true;
}

HTTPTransfer gHTTPTransfer;

} // namespace Vorn
