#include "framework/crash/HTTPTransfer.h"

#include "fakes/LoopbackServer.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>

namespace {

using Testing::LoopbackServer;
using Vorn::HTTPTransfer;

const std::string kRequest = "GET /x HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

// Polls as the progress window does, within a bound.
int WaitForResult(HTTPTransfer& transfer)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int result = transfer.GetResultCode();
    while (result == HTTPTransfer::kRunning && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        result = transfer.GetResultCode();
    }
    return result;
}

struct ServedCase {
    const char* name;
    std::vector<LoopbackServer::Piece> reply;
    bool serverCloses;
    int result;
    std::string content;
};

void PrintTo(const ServedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ServedTransfer : public ::testing::TestWithParam<ServedCase> {};

TEST_P(ServedTransfer, SendsTheRequestWholeAndEndsAsTheServerAnswers)
{
    const ServedCase& c = GetParam();
    LoopbackServer server(c.reply, c.serverCloses);
    HTTPTransfer transfer;
    transfer.SendRequest(server.Url(), kRequest);
    EXPECT_EQ(WaitForResult(transfer), c.result);
    EXPECT_EQ(transfer.GetContent(), c.content);
    EXPECT_EQ(server.Request(), kRequest);
}

const std::string kChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n3\r\n!!!\r\n0\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Replies, ServedTransfer,
    ::testing::Values(
        ServedCase{"ChunkedOneBytePerRead", Testing::ByteByByte(kChunked), false, HTTPTransfer::kFinished,
                   "hello!!!"},
        ServedCase{"ContentLengthWithTheConnectionLeftOpen",
                   {{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"}}, false, HTTPTransfer::kFinished, "hello"},
        ServedCase{"BodyToTheClose", {{"HTTP/1.1 200 OK\r\n\r\nuntil"}, {" closed", 20}}, true,
                   HTTPTransfer::kFinished, "until closed"},
        ServedCase{"NotFound", {{"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"}}, false,
                   HTTPTransfer::kNotFound, ""},
        ServedCase{"ServerError", {{"HTTP/1.1 500 Internal Server Error\r\n\r\n"}}, false, HTTPTransfer::kBadStatus,
                   ""},
        ServedCase{"ClosedBeforeTheLengthIsMet", {{"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort"}}, true,
                   HTTPTransfer::kSocketFailed, "short"},
        ServedCase{"ClosedWithoutAnAnswer", {}, true, HTTPTransfer::kBadStatus, ""}),
    [](const ::testing::TestParamInfo<ServedCase>& info) { return std::string(info.param.name); });

TEST(HTTPTransfer, ARefusedConnectionEndsWithConnectFailed)
{
    HTTPTransfer transfer;
    transfer.SendRequest("127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()), kRequest);
    EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kConnectFailed);
}

TEST(HTTPTransfer, APortOutsideTheRangeIsRefusedAndNoHostIsNotFound)
{
    HTTPTransfer transfer;
    transfer.SendRequest("http://127.0.0.1:65536/", kRequest);
    EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kConnectFailed);
    EXPECT_EQ(transfer.GetPort(), 65536);
    transfer.SendRequest("127.0.0.1:0", kRequest);
    EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kConnectFailed);
    transfer.SendRequest("http://:80/", kRequest);
    EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kHostNotFound);
}

TEST(HTTPTransfer, AbortDuringTheReceiveEndsAbortedPromptly)
{
    LoopbackServer server({}, false);
    HTTPTransfer transfer;
    transfer.SendRequest(server.Url(), kRequest);
    // The request arrives; no answer ever comes.
    ASSERT_TRUE(server.WaitForRequest());
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kRunning);
    const auto asked = std::chrono::steady_clock::now();
    transfer.Abort();
    EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kAborted);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
    EXPECT_EQ(server.Request(), kRequest);
}

TEST(HTTPTransfer, TheAddressSplitsIntoHostAndPort)
{
    struct Row {
        const char* url;
        const char* host;
        int port;
    };
    const Row rows[] = {
        {"reports.example", "reports.example", 80},
        {"reports.example:8080", "reports.example", 8080},
        {"http://reports.example:8080/path/x", "reports.example", 8080},
        {"http://reports.example/path:9", "reports.example", 80},
        {"//host", "host", 80},
        {"host:", "host", 0},
        {"host:abc", "host", 0},
    };
    // While a demo plays nothing is looked up or connected.
    Testing::ScriptedClock clock;
    Testing::ScriptedApp player(clock);
    player.SetDemoMode(Vorn::DemoMode::Playing);
    for (const Row& row : rows) {
        HTTPTransfer transfer;
        transfer.SendRequest(row.url, std::string());
        EXPECT_EQ(transfer.GetHost(), row.host) << row.url;
        EXPECT_EQ(transfer.GetPort(), row.port) << row.url;
        EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kRunning) << row.url;
    }
    player.SetDemoMode(Vorn::DemoMode::Off);
}

TEST(HTTPTransfer, EveryStartAndResetTakesANewIdAndResetGoesBackToIdle)
{
    HTTPTransfer transfer;
    const int32_t first = transfer.mTransferId;
    transfer.Reset();
    EXPECT_GT(transfer.mTransferId, first);
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kIdle);
    const int32_t reset = transfer.mTransferId;
    transfer.SendRequest("127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()), kRequest);
    EXPECT_GE(transfer.mTransferId, reset + 2);
    WaitForResult(transfer);
    transfer.Reset();
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kIdle);
    EXPECT_EQ(transfer.GetContent(), "");
}

std::string Bytes(const Vorn::Buffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.GetBytes()), static_cast<size_t>(buffer.GetByteLength()));
}

// Nothing listens there: a transfer that tried to connect would fail.
std::string Unreachable()
{
    return "127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort());
}

TEST(HTTPTransfer, EachChangeOfTheResultIsRecordedAndReplaysWithoutAConnection)
{
    Testing::ScriptedClock clock;
    int32_t id = 0;
    Vorn::Buffer recorded;
    {
        Testing::ScriptedApp recorder(clock);
        recorder.SetDemoMode(Vorn::DemoMode::Recording);
        LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nstored", 300}}, false);
        HTTPTransfer transfer;
        transfer.SendRequest(server.Url(), kRequest);
        id = transfer.mTransferId;
        recorder.mUpdateCount = 2;
        EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kRunning);
        recorder.mUpdateCount = 7;
        EXPECT_EQ(WaitForResult(transfer), HTTPTransfer::kFinished);
        recorded = recorder.mDemoStream.GetBuffer();
        recorder.SetDemoMode(Vorn::DemoMode::Off);
    }
    Vorn::DemoStream expected(Vorn::DemoMode::Recording);
    expected.RecordWebResult(2, id, HTTPTransfer::kRunning, "");
    expected.RecordWebResult(7, id, HTTPTransfer::kFinished, "stored");
    EXPECT_EQ(Bytes(recorded), Bytes(expected.GetBuffer()));

    Testing::ScriptedApp player(clock);
    player.SetDemoMode(Vorn::DemoMode::Playing);
    player.mDemoStream.GetBuffer() = recorded;
    player.mDemoStream.GetBuffer().Rewind();
    HTTPTransfer transfer;
    transfer.SendRequest(Unreachable(), kRequest);
    transfer.mTransferId = id;
    for (const int32_t update : {0, 2, 3, 6}) {
        player.mUpdateCount = update;
        EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kRunning) << update;
    }
    player.mUpdateCount = 7;
    EXPECT_EQ(transfer.GetResultCode(), HTTPTransfer::kFinished);
    EXPECT_EQ(transfer.GetContent(), "stored");
    player.SetDemoMode(Vorn::DemoMode::Off);
}

TEST(HTTPTransfer, AReplayedResultOfAnotherTransferIsLeftForIt)
{
    Testing::ScriptedClock clock;
    Testing::ScriptedApp player(clock);
    player.SetDemoMode(Vorn::DemoMode::Playing);
    HTTPTransfer mine;
    HTTPTransfer other;
    mine.SendRequest(Unreachable(), kRequest);
    other.SendRequest(Unreachable(), kRequest);
    Vorn::DemoStream stream(Vorn::DemoMode::Recording);
    stream.RecordWebResult(2, other.mTransferId, HTTPTransfer::kNotFound, "theirs");
    stream.RecordWebResult(2, mine.mTransferId, HTTPTransfer::kFinished, "mine");
    player.mDemoStream.GetBuffer() = stream.GetBuffer();
    player.mDemoStream.GetBuffer().Rewind();

    player.mUpdateCount = 2;
    EXPECT_EQ(mine.GetResultCode(), HTTPTransfer::kRunning);
    EXPECT_EQ(other.GetResultCode(), HTTPTransfer::kNotFound);
    EXPECT_EQ(other.GetContent(), "theirs");
    EXPECT_EQ(mine.GetResultCode(), HTTPTransfer::kFinished);
    EXPECT_EQ(mine.GetContent(), "mine");
    player.SetDemoMode(Vorn::DemoMode::Off);
}

} // namespace
