#include "framework/crash/CrashHandoff.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace CrashCatcher {

namespace {

constexpr uint64_t kStartMark = 0x5A435231;      // the first part begins
constexpr uint64_t kFirstPartMark = 0x5A435232;  // and ends
constexpr uint64_t kSecondPartMark = 0x5A435233; // the application's answers end
// Bounds a damaged length: no text of a report comes near it.
constexpr uint64_t kLongestText = 1 << 20;
constexpr uint64_t kMostFields = 1024;

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : mBytes(bytes)
    {
    }

    bool Failed() const { return mShort || mBad; }
    // The bytes ended before what was read: more may come.
    bool Short() const { return mShort && !mBad; }
    bool AtEnd() const { return mAt == mBytes.size(); }
    // A count out of its bounds.
    void Refuse() { mBad = true; }

    uint64_t Number(int bytes)
    {
        if (Failed() || mBytes.size() - mAt < static_cast<size_t>(bytes)) {
            mShort = true;
            return 0;
        }
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint64_t{static_cast<unsigned char>(mBytes[mAt++])} << (8 * i);
        return value;
    }

    bool Flag() { return Number(1) != 0; }

    std::string Text()
    {
        const uint64_t length = Number(4);
        if (length > kLongestText)
            mBad = true;
        if (Failed() || length > mBytes.size() - mAt) {
            mShort = true;
            return std::string();
        }
        std::string text(mBytes.substr(mAt, static_cast<size_t>(length)));
        mAt += static_cast<size_t>(length);
        return text;
    }

private:
    std::string_view mBytes;
    size_t mAt = 0;
    bool mShort = false;
    bool mBad = false;
};

void WriteRegisters(HandoffWriter& writer, const Platform::CrashRegisters& r)
{
    writer.Number(r.known ? 1 : 0, 1);
    for (const uint64_t value : r.general)
        writer.Number(value, 8);
    writer.Number(r.rip, 8);
    writer.Number(r.rsp, 8);
    writer.Number(r.rbp, 8);
    writer.Number(r.flags, 8);
    writer.Number(r.cs, 2);
    writer.Number(r.fs, 2);
    writer.Number(r.gs, 2);
}

Platform::CrashRegisters ReadRegisters(Reader& reader)
{
    Platform::CrashRegisters r;
    r.known = reader.Flag();
    for (uint64_t& value : r.general)
        value = reader.Number(8);
    r.rip = reader.Number(8);
    r.rsp = reader.Number(8);
    r.rbp = reader.Number(8);
    r.flags = reader.Number(8);
    r.cs = static_cast<uint16_t>(reader.Number(2));
    r.fs = static_cast<uint16_t>(reader.Number(2));
    r.gs = static_cast<uint16_t>(reader.Number(2));
    return r;
}

// The first part into `h`; false when it is not all there or not valid.
bool ReadFirstPart(Reader& reader, CrashHandoff& h)
{
    h.exceptionCode = static_cast<uint32_t>(reader.Number(4));
    h.address = reader.Number(8);
    h.threadId = reader.Number(8);
    h.module = reader.Text();
    h.moduleOffset = reader.Number(8);
    h.registers = ReadRegisters(reader);
    h.byFramePointers = reader.Flag();
    h.walkCutShort = reader.Flag();
    h.walkError = static_cast<int>(static_cast<uint32_t>(reader.Number(4)));
    const uint64_t count = reader.Number(4);
    if (count > Platform::kMaxStackFrames)
        reader.Refuse();
    if (reader.Failed())
        return false;
    h.frames.clear();
    for (uint64_t i = 0; i < count && !reader.Failed(); ++i) {
        CrashHandoff::Frame frame;
        frame.frame = reader.Number(8);
        frame.pc = reader.Number(8);
        frame.module = reader.Text();
        frame.moduleOffset = reader.Number(8);
        frame.symbol = reader.Text();
        frame.displacement = reader.Number(8);
        for (uint64_t& word : frame.params)
            word = reader.Number(8);
        h.frames.push_back(std::move(frame));
    }
    h.systemInfo = reader.Text();
    h.hasApplication = reader.Flag();
    h.productName = reader.Text();
    h.productVersion = reader.Text();
    h.copyToClipboard = reader.Flag();
    h.demoKept = reader.Flag();
    h.demoFileName = reader.Text();
    h.uploadAddress = reader.Text();
    const uint64_t mark = reader.Number(4);
    if (!reader.Failed() && mark != kFirstPartMark)
        reader.Refuse();
    return !reader.Failed();
}

bool ReadApplicationPart(Reader& reader, CrashHandoff& h)
{
    h.crashInfo = reader.Text();
    h.attachmentName = reader.Text();
    const uint64_t count = reader.Number(4);
    if (count > kMostFields)
        reader.Refuse();
    if (reader.Failed())
        return false;
    h.uploadFields.clear();
    for (uint64_t i = 0; i < count && !reader.Failed(); ++i) {
        std::string name = reader.Text();
        h.uploadFields[std::move(name)] = reader.Text();
    }
    return reader.Number(4) == kSecondPartMark && !reader.Failed();
}

} // namespace

HandoffWriter::HandoffWriter(Vorn::ByteSink& sink)
    : mSink(sink)
{
}

void HandoffWriter::Flush()
{
    if (mOk && mUsed > 0)
        mOk = mSink.Put(mBuffer, mUsed);
    mUsed = 0;
}

void HandoffWriter::Number(uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        if (mUsed == sizeof(mBuffer))
            Flush();
        mBuffer[mUsed++] = static_cast<char>(value >> (8 * i));
    }
}

void HandoffWriter::Text(std::string_view text)
{
    const size_t length = text.size() < kLongestText ? text.size() : kLongestText;
    Number(length, 4);
    for (size_t i = 0; i < length; ++i) {
        if (mUsed == sizeof(mBuffer))
            Flush();
        mBuffer[mUsed++] = text[i];
    }
}

void WriteFirstPart(HandoffWriter& writer, const HandoffFirstPart& part)
{
    const CrashFacts& f = part.facts;
    writer.Number(kStartMark, 4);
    writer.Number(f.exceptionCode, 4);
    writer.Number(f.address, 8);
    writer.Number(f.threadId, 8);
    writer.Text(f.module);
    writer.Number(f.moduleOffset, 8);
    WriteRegisters(writer, f.registers);
    writer.Number(f.byFramePointers ? 1 : 0, 1);
    writer.Number(f.walkCutShort ? 1 : 0, 1);
    writer.Number(static_cast<uint32_t>(f.walkError), 4);
    writer.Number(f.frames.size(), 4);
    for (const CrashFrame& frame : f.frames) {
        writer.Number(frame.frame, 8);
        writer.Number(frame.pc, 8);
        writer.Text(frame.module);
        writer.Number(frame.moduleOffset, 8);
        writer.Text(frame.symbol);
        writer.Number(frame.displacement, 8);
        for (const uint64_t word : frame.params)
            writer.Number(word, 8);
    }
    writer.Text(f.systemInfo);
    writer.Number(part.hasApplication ? 1 : 0, 1);
    writer.Text(part.productName);
    writer.Text(part.productVersion);
    writer.Number(part.copyToClipboard ? 1 : 0, 1);
    writer.Number(part.demoKept ? 1 : 0, 1);
    writer.Text(part.demoFileName);
    writer.Text(part.uploadAddress);
    writer.Number(kFirstPartMark, 4);
    writer.Flush();
}

void WriteApplicationPart(HandoffWriter& writer, std::string_view crashInfo, std::string_view attachmentName,
                          const std::map<std::string, std::string>& uploadFields)
{
    writer.Text(crashInfo);
    writer.Text(attachmentName);
    const uint64_t count = uploadFields.size() < kMostFields ? uploadFields.size() : kMostFields;
    writer.Number(count, 4);
    uint64_t written = 0;
    for (const auto& [name, value] : uploadFields) {
        if (written++ == count)
            break;
        writer.Text(name);
        writer.Text(value);
    }
    writer.Number(kSecondPartMark, 4);
    writer.Flush();
}

std::vector<CrashFrame> CrashHandoff::FrameViews(bool withSourceLines) const
{
    std::vector<CrashFrame> views;
    views.reserve(frames.size());
    for (const Frame& f : frames) {
        CrashFrame& view = views.emplace_back();
        view.frame = f.frame;
        view.pc = f.pc;
        view.module = f.module;
        view.moduleOffset = f.moduleOffset;
        view.symbol = f.symbol;
        view.displacement = f.displacement;
        std::copy(std::begin(f.params), std::end(f.params), std::begin(view.params));
        if (withSourceLines) {
            view.sourceFile = f.sourceFile;
            view.sourceLine = f.sourceLine;
            view.sourceDisplacement = f.sourceDisplacement;
        }
    }
    return views;
}

CrashFacts CrashHandoff::Facts(const std::vector<CrashFrame>& frameViews) const
{
    CrashFacts facts;
    facts.exceptionCode = exceptionCode;
    facts.address = address;
    facts.threadId = threadId;
    facts.module = module;
    facts.moduleOffset = moduleOffset;
    facts.registers = registers;
    facts.frames = frameViews;
    facts.byFramePointers = byFramePointers;
    facts.walkCutShort = walkCutShort;
    facts.walkError = walkError;
    facts.systemInfo = systemInfo;
    return facts;
}

HandoffState ParseHandoff(std::string_view bytes, CrashHandoff& handoff)
{
    Reader reader(bytes);
    const uint64_t start = reader.Number(4);
    if (reader.Failed())
        return HandoffState::Incomplete;
    if (start != kStartMark)
        return HandoffState::Invalid;
    CrashHandoff parsed;
    if (!ReadFirstPart(reader, parsed))
        return reader.Short() ? HandoffState::Incomplete : HandoffState::Invalid;
    handoff = parsed;
    if (reader.AtEnd() || !ReadApplicationPart(reader, parsed))
        return HandoffState::FirstPart;
    parsed.applicationAnswered = true;
    handoff = std::move(parsed);
    return HandoffState::Whole;
}

} // namespace CrashCatcher
