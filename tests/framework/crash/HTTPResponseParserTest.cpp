#include "framework/crash/HTTPResponseParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

using Vorn::HTTPResponseParser;

struct ResponseCase {
    const char* name;
    std::string response;
    // The result as the transfer would end: settled while reading, else at
    // the close.
    int result;
    std::string content;
    // Settled before the close: what follows is never read.
    bool settlesEarly;
};

void PrintTo(const ResponseCase& c, std::ostream* os)
{
    *os << c.name;
}

struct Outcome {
    int result = -1;
    std::string content;
    bool settledEarly = false;
};

Outcome Feed(const std::string& response, size_t piece)
{
    HTTPResponseParser parser;
    Outcome outcome;
    for (size_t at = 0; at < response.size(); at += piece) {
        parser.Append(response.data() + at, std::min(piece, response.size() - at));
        if (const std::optional<int> settled = parser.Parse(outcome.content)) {
            outcome.result = *settled;
            outcome.settledEarly = true;
            return outcome;
        }
    }
    outcome.result = parser.Closed();
    return outcome;
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";

class HTTPResponse : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(HTTPResponse, EndsAsItsHeadersSayWhateverTheReadsItArrivesIn)
{
    const ResponseCase& c = GetParam();
    for (const size_t piece : {size_t{1}, size_t{2}, size_t{7}, size_t{256}, c.response.size() + 1}) {
        const Outcome outcome = Feed(c.response, piece);
        EXPECT_EQ(outcome.result, c.result) << "reads of " << piece;
        EXPECT_EQ(outcome.content, c.content) << "reads of " << piece;
        EXPECT_EQ(outcome.settledEarly, c.settlesEarly) << "reads of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Responses, HTTPResponse,
    ::testing::Values(
        ResponseCase{"OneChunkThenTheLast", kOk + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 0,
                     "hello", true},
        ResponseCase{"ChunksWithExtensionsAndCaseAndBlanks",
                     kOk + "Transfer-Encoding: chunked\r\n\r\na;x=1\r\n0123456789\r\n 1B \r\n" + std::string(27, 'z') +
                         "\r\n0\r\n\r\n",
                     0, "0123456789" + std::string(27, 'z'), true},
        ResponseCase{"ChunkSizesAtTheEndsOfBothLetterRanges",
                     kOk + "Transfer-Encoding: chunked\r\n\r\nf\r\n" + std::string(15, 'f') + "\r\nA\r\n" +
                         std::string(10, 'A') + "\r\nF\r\n" + std::string(15, 'F') + "\r\n0\r\n\r\n",
                     0, std::string(15, 'f') + std::string(10, 'A') + std::string(15, 'F'), true},
        ResponseCase{"AnyEncodingButIdentityIsChunked", kOk + "Transfer-Encoding: gzip, chunked\r\n\r\n2\r\nok\r\n0\r\n",
                     0, "ok", true},
        ResponseCase{"IdentityWithALengthReadsExactlyThatMuch",
                     kOk + "Transfer-Encoding: identity\r\nContent-Length: 3\r\n\r\nabcdef", 0, "abc", true},
        ResponseCase{"NoLengthReadsToTheClose", kOk + "Server: test\r\n\r\nall of it", 0, "all of it", false},
        ResponseCase{"ALengthOfOneEndsAfterOneByte", kOk + "Content-Length: 1\r\n\r\nab", 0, "a", true},
        ResponseCase{"ALengthOfZeroIsNone", kOk + "Content-Length: 0\r\n\r\nmore", 0, "more", false},
        ResponseCase{"ANegativeLengthIsNone", kOk + "Content-Length: -15\r\n\r\nmore", 0, "more", false},
        ResponseCase{"AnUnreadableLengthIsNone", kOk + "Content-Length: 1x\r\n\r\nmore", 0, "more", false},
        ResponseCase{"NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", 3, "", true},
        ResponseCase{"AnotherStatus", "HTTP/1.0 500 Internal Server Error\r\n\r\noops", 4, "", true},
        ResponseCase{"AShortStatusLine", "HTTP/1.1 20\r\n\r\nx", 4, "", true},
        ResponseCase{"TheShortestStatusLine", "HTTP/1.1 200\r\n\r\nx", 0, "x", false},
        ResponseCase{"NoStatusLine", "Content-Length: 2\r\n\r\nhi", 4, "", true},
        ResponseCase{"ClosedInTheHeadersWithoutAStatus", "Server: x\r\n", 4, "", false},
        ResponseCase{"ClosedInTheHeadersAfterTheStatus", kOk + "Server: x\r\n", 6, "", false},
        ResponseCase{"ClosedBeforeTheLengthIsMet", kOk + "Content-Length: 10\r\n\r\nshort", 6, "short", false},
        ResponseCase{"ClosedBeforeTheLastChunk", kOk + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", 6, "abc",
                     false},
        ResponseCase{"ClosedInsideAChunk", kOk + "Transfer-Encoding: chunked\r\n\r\n9\r\nabc", 6, "abc", false},
        ResponseCase{"AChunkSizeThatIsNoNumber", kOk + "Transfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n", 6, "",
                     true},
        ResponseCase{"AnEmptyChunkSize", kOk + "Transfer-Encoding: chunked\r\n\r\n\r\nabc\r\n", 6, "", true},
        ResponseCase{"AChunkSizeTooLarge", kOk + "Transfer-Encoding: chunked\r\n\r\n80000000\r\nabc\r\n", 6, "",
                     true},
        ResponseCase{"TheLargestChunkSize", kOk + "Transfer-Encoding: chunked\r\n\r\n7FFFFFFF\r\nabc", 6, "abc",
                     false}),
    [](const ::testing::TestParamInfo<ResponseCase>& info) { return std::string(info.param.name); });

TEST(HTTPResponseParser, AChunksLineEndIsPassedOverOnlyWhenBothBytesHaveCome)
{
    HTTPResponseParser parser;
    std::string content;
    const std::string head = kOk + "Transfer-Encoding: chunked\r\n\r\n2\r\nab\r";
    parser.Append(head.data(), head.size());
    EXPECT_EQ(parser.Parse(content), std::nullopt);
    const std::string rest = "\n1\r\nc\r\n0\r\n";
    parser.Append(rest.data(), rest.size());
    EXPECT_EQ(parser.Parse(content), 0);
    EXPECT_EQ(content, "abc");
}

TEST(HTTPResponseParser, KeepsAtMostWhatADemoKeepsAndReadsThroughTheRest)
{
    HTTPResponseParser parser;
    std::string content;
    const std::string head = kOk + "Content-Length: 40000\r\n\r\n";
    parser.Append(head.data(), head.size());
    const std::string body(40000, 'b');
    for (size_t at = 0; at < body.size(); at += 1000) {
        parser.Append(body.data() + at, 1000);
        const std::optional<int> settled = parser.Parse(content);
        EXPECT_EQ(settled.has_value(), at + 1000 == body.size());
    }
    EXPECT_EQ(content.size(), HTTPResponseParser::kMaxContent);
    EXPECT_EQ(HTTPResponseParser::kMaxContent, 32767u);
}

TEST(HTTPResponseParser, WhatWasReadIsDroppedWithoutLosingWhatWasNot)
{
    // A chunk far longer than a line, its line end split across reads: the
    // bytes read are dropped before the next read is added, the "\r" kept.
    HTTPResponseParser parser;
    std::string content;
    const std::string head = kOk + "Transfer-Encoding: chunked\r\n\r\n11170\r\n" + std::string(70000, 'c') + "\r";
    parser.Append(head.data(), head.size());
    EXPECT_EQ(parser.Parse(content), std::nullopt);
    const std::string rest = "\n3\r\nend\r\n0\r\n\r\n";
    parser.Append(rest.data(), rest.size());
    EXPECT_EQ(parser.Parse(content), 0);
    EXPECT_EQ(content, std::string(HTTPResponseParser::kMaxContent, 'c'));
}

TEST(HTTPResponseParser, AHeaderLineWithoutEndIsRefusedOnceItIsTooLong)
{
    HTTPResponseParser parser;
    std::string content;
    const std::string line(HTTPResponseParser::kLongestLine, 'h');
    parser.Append(line.data(), line.size());
    EXPECT_EQ(parser.Parse(content), std::nullopt);
    parser.Append("h", 1);
    EXPECT_EQ(parser.Parse(content), HTTPResponseParser::kBadStatus);

    HTTPResponseParser chunked;
    const std::string head = kOk + "Transfer-Encoding: chunked\r\n\r\n" + std::string(HTTPResponseParser::kLongestLine + 1, '0');
    chunked.Append(head.data(), head.size());
    EXPECT_EQ(chunked.Parse(content), HTTPResponseParser::kBroken);
}

} // namespace
