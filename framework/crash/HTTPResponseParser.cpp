#include "framework/crash/HTTPResponseParser.h"

#include <algorithm>
#include <string_view>

namespace Vorn {

namespace {

constexpr std::string_view kStatusPrefix = "HTTP/1.";
// "HTTP/1.1 200": the status is the three characters from 9.
constexpr size_t kShortestStatusLine = 12;
constexpr size_t kStatusAt = 9;
constexpr std::string_view kTransferEncoding = "Transfer-Encoding: ";
constexpr std::string_view kContentLength = "Content-Length: ";
// Past this a chunk or a length is no reply to a crash report.
constexpr int64_t kLargestCount = INT32_MAX;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A decimal with an optional sign; nothing when it is none. Held to
// kLargestCount either way.
std::optional<int64_t> ParseDecimal(std::string_view text)
{
    text = Trim(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min<int64_t>(value * 10 + (c - '0'), kLargestCount);
    }
    return negative ? -value : value;
}

// Hex digits up to a chunk extension (";name=value"); nothing when there are
// none, another character comes first, or the size is past kLargestCount.
std::optional<int64_t> ParseChunkSize(std::string_view text)
{
    text = Trim(text.substr(0, text.find(';')));
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
        if (value > kLargestCount)
            return std::nullopt;
    }
    return value;
}

} // namespace

void HTTPResponseParser::Append(const char* data, size_t size)
{
    // What was read is dropped before the buffer grows.
    if (mAt > 0 && mAt == mBuffer.size()) {
        mBuffer.clear();
        mAt = 0;
    } else if (mAt >= kLongestLine) {
        mBuffer.erase(0, mAt);
        mAt = 0;
    }
    mBuffer.append(data, size);
}

std::optional<std::string> HTTPResponseParser::TakeLine()
{
    const size_t end = mBuffer.find("\r\n", mAt);
    if (end == std::string::npos)
        return std::nullopt;
    std::string line = mBuffer.substr(mAt, end - mAt);
    mAt = end + 2;
    return line;
}

void HTTPResponseParser::TakeBody(size_t count, std::string& content)
{
    const size_t kept = std::min(count, kMaxContent - mKept);
    content.append(mBuffer, mAt, kept);
    mKept += kept;
    mAt += count;
}

bool HTTPResponseParser::TakeCounted(std::string& content)
{
    const auto count = static_cast<size_t>(std::min<int64_t>(mRemaining, static_cast<int64_t>(Available())));
    TakeBody(count, content);
    mRemaining -= static_cast<int64_t>(count);
    return mRemaining == 0;
}

std::optional<int> HTTPResponseParser::ParseHeaderLine(const std::string& line)
{
    if (StartsWith(line, kStatusPrefix)) {
        mStatusSeen = true;
        if (line.size() < kShortestStatusLine)
            return kBadStatus;
        const std::string_view status = std::string_view(line).substr(kStatusAt, 3);
        if (status == "404")
            return kNotFound;
        if (status != "200")
            return kBadStatus;
    } else if (StartsWith(line, kTransferEncoding)) {
        if (line.substr(kTransferEncoding.size()) != "identity")
            mChunked = true;
    } else if (StartsWith(line, kContentLength)) {
        mRemaining = ParseDecimal(std::string_view(line).substr(kContentLength.size())).value_or(0);
    } else if (line.empty()) {
        return EndHeaders();
    }
    return std::nullopt;
}

std::optional<int> HTTPResponseParser::EndHeaders()
{
    if (!mStatusSeen)
        return kBadStatus;
    if (mChunked)
        mState = State::ChunkSize;
    else
        mState = mRemaining > 0 ? State::Length : State::UntilClose;
    return std::nullopt;
}

std::optional<int> HTTPResponseParser::Parse(std::string& content)
{
    for (;;) {
        switch (mState) {
        case State::Headers: {
            const std::optional<std::string> line = TakeLine();
            if (!line)
                return Available() > kLongestLine ? std::optional<int>(kBadStatus) : std::nullopt;
            if (const std::optional<int> result = ParseHeaderLine(*line))
                return result;
            break;
        }
        case State::ChunkSize: {
            const std::optional<std::string> line = TakeLine();
            if (!line)
                return Available() > kLongestLine ? std::optional<int>(kBroken) : std::nullopt;
            const std::optional<int64_t> size = ParseChunkSize(*line);
            if (!size)
                return kBroken;
            if (*size == 0)
                return kFinished;
            mRemaining = *size;
            mState = State::ChunkData;
            break;
        }
        case State::ChunkData:
            if (Available() == 0)
                return std::nullopt;
            if (TakeCounted(content))
                mState = State::ChunkEnd;
            break;
        case State::ChunkEnd:
            // Passed over only whole: the two bytes may come in separate reads.
            if (Available() < 2)
                return std::nullopt;
            mAt += 2;
            mState = State::ChunkSize;
            break;
        case State::Length:
            if (Available() == 0)
                return std::nullopt;
            if (TakeCounted(content))
                return kFinished;
            break;
        case State::UntilClose:
            TakeBody(Available(), content);
            return std::nullopt;
        }
    }
}

int HTTPResponseParser::Closed() const
{
    switch (mState) {
    case State::Headers:
        return mStatusSeen ? kBroken : kBadStatus;
    case State::UntilClose:
        return kFinished;
    default:
        return kBroken;
    }
}

} // namespace Vorn
