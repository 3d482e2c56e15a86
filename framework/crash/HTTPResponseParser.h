#pragma once
// An HTTP response read as it arrives: the status line and the headers,
// then the body, in chunks, of a Content-Length, or up to the close of the
// connection. What the transfer's result codes need of it, no more: the
// status decides, other headers are passed over, trailers are not read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace Vorn {

class HTTPResponseParser {
public:
    // Results, as the transfer reports them.
    static constexpr int kFinished = 0;
    static constexpr int kNotFound = 3;
    static constexpr int kBadStatus = 4;
    static constexpr int kBroken = 6;

    // The body kept: a demo stores no more of it, and a replay must see what
    // the recorded run saw. The rest is read and dropped.
    static constexpr size_t kMaxContent = 32767;
    // Longer header lines or chunk-size lines are no HTTP this program
    // talks to: the response is refused rather than held in memory.
    static constexpr size_t kLongestLine = 65536;

    void Append(const char* data, size_t size);
    // Reads what has arrived, appending body bytes to `content`. The result
    // once the response is settled: kFinished for a whole body, kNotFound
    // and kBadStatus from the status line (or kBadStatus when the headers
    // end without one), kBroken for a chunk size that does not parse.
    // Nothing while more must arrive.
    std::optional<int> Parse(std::string& content);
    // The server closed the connection: the result.
    int Closed() const;

private:
    enum class State { Headers, ChunkSize, ChunkData, ChunkEnd, Length, UntilClose };

    std::optional<int> ParseHeaderLine(const std::string& line);
    std::optional<int> EndHeaders();
    // A line ended by CRLF from the read position, which moves past it.
    std::optional<std::string> TakeLine();
    size_t Available() const { return mBuffer.size() - mAt; }
    void TakeBody(size_t count, std::string& content);
    // Takes what has arrived of the remaining count; true once all of it is.
    bool TakeCounted(std::string& content);

    std::string mBuffer;
    size_t mAt = 0;
    State mState = State::Headers;
    bool mStatusSeen = false;
    bool mChunked = false;
    // Remaining bytes of the current chunk or of the Content-Length; a
    // length of 0 or below means the body runs to the close.
    int64_t mRemaining = 0;
    size_t mKept = 0;
};

} // namespace Vorn
