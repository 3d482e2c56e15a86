#include "framework/app/DemoFile.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace Vorn {

namespace {

constexpr uint32_t kMagic = 0x42BEEF78;
constexpr uint32_t kWrittenVersion = 2;
constexpr uint32_t kFirstVersionWithMarkers = 2;
constexpr size_t kMaxVersionLength = UINT16_MAX;

const char* const kInvalid = "Invalid demo file.";

// Little-endian numbers through a sink, stopping at its first refusal.
class HeadWriter {
public:
    explicit HeadWriter(ByteSink& sink)
        : mSink(sink)
    {
    }

    bool Ok() const { return mOk; }

    void Bytes(const void* data, size_t size)
    {
        if (mOk && size > 0)
            mOk = mSink.Put(data, size);
    }

    void Number(uint32_t value, int bytes)
    {
        uint8_t out[4];
        for (int i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(value >> (8 * i));
        Bytes(out, static_cast<size_t>(bytes));
    }

private:
    ByteSink& mSink;
    bool mOk = true;
};

class StringSink : public ByteSink {
public:
    bool Put(const void* data, size_t size) override
    {
        mText.append(static_cast<const char*>(data), size);
        return true;
    }

    std::string mText;
};

size_t StoredNameLength(const std::string& name)
{
    return std::min<size_t>(name.size(), Buffer::kMaxStringLength);
}

// Reads a file front to back and never past its end, so that no length read
// from it can ask for more than it holds.
class FileReader {
public:
    explicit FileReader(std::istream& in)
        : mIn(in)
    {
        mIn.seekg(0, std::ios::end);
        mLeft = std::max<int64_t>(static_cast<int64_t>(mIn.tellg()), 0);
        mIn.seekg(0, std::ios::beg);
    }

    int64_t Left() const { return mLeft; }

    bool Read(void* destination, int64_t count)
    {
        if (count < 0 || count > mLeft)
            return false;
        mIn.read(static_cast<char*>(destination), count);
        if (!mIn)
            return false;
        mLeft -= count;
        return true;
    }

    std::optional<uint32_t> ReadUint32()
    {
        uint8_t bytes[4];
        if (!Read(bytes, 4))
            return std::nullopt;
        return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    }

    std::optional<std::string> ReadString(int64_t length)
    {
        if (length < 0 || length > mLeft)
            return std::nullopt;
        std::string text(static_cast<size_t>(length), '\0');
        if (!Read(text.data(), length))
            return std::nullopt;
        return text;
    }

private:
    std::istream& mIn;
    int64_t mLeft = 0;
};

// Every marker must lie whole inside the block: a count or a name length that
// claims more is a corrupt file, not zeros to read.
std::optional<std::vector<DemoMarker>> ParseMarkers(Buffer& block)
{
    const int32_t count = block.ReadInt32();
    std::vector<DemoMarker> markers;
    for (int32_t i = 0; i < count && !block.AtEnd(); ++i) {
        // As ReadString: a length of 0 or less is the empty name.
        const int16_t nameLength = std::max<int16_t>(block.ReadInt16(), 0);
        if (nameLength > block.BitsLeft() / 8)
            return std::nullopt;
        DemoMarker marker;
        marker.name.resize(static_cast<size_t>(nameLength));
        block.ReadBytes(reinterpret_cast<uint8_t*>(marker.name.data()), nameLength);
        if (block.BitsLeft() < 32)
            return std::nullopt;
        marker.update = block.ReadInt32();
        markers.push_back(std::move(marker));
    }
    if (std::cmp_less(markers.size(), count))
        return std::nullopt;
    return markers;
}

} // namespace

bool WriteDemoFileHead(ByteSink& sink, std::string_view versionString, uint32_t seed,
                       const std::vector<DemoMarker>& markers, int32_t totalUpdates)
{
    const std::string_view version = versionString.substr(0, kMaxVersionLength);
    HeadWriter head(sink);
    head.Number(kMagic, 4);
    head.Number(kWrittenVersion, 4);
    head.Number(seed, 4);
    head.Number(static_cast<uint32_t>(version.size()), 2);
    head.Bytes(version.data(), version.size());

    // The marker block is a Buffer's image: its count, then each name as
    // WriteString stores it and the update.
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(markers.size(), INT32_MAX));
    uint64_t blockSize = 4;
    for (uint32_t i = 0; i < count; ++i)
        blockSize += 2 + StoredNameLength(markers[i].name) + 4;
    head.Number(static_cast<uint32_t>(blockSize), 4);
    head.Number(count, 4);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t length = StoredNameLength(markers[i].name);
        head.Number(static_cast<uint32_t>(length), 2);
        head.Bytes(markers[i].name.data(), length);
        head.Number(static_cast<uint32_t>(markers[i].update), 4);
    }
    head.Number(static_cast<uint32_t>(totalUpdates), 4);
    return head.Ok();
}

bool SaveDemoFile(const std::string& path, const std::string& versionString, const DemoFileInfo& info,
                  const Buffer& stream)
{
    StringSink head;
    WriteDemoFileHead(head, versionString, info.seed, info.markers, info.totalUpdates);
    std::string bytes = std::move(head.mText);
    if (stream.GetBytes() != nullptr)
        bytes.append(reinterpret_cast<const char*>(stream.GetBytes()), static_cast<size_t>(stream.GetByteLength()));
    // Whole or not at all: a crash or a full disk keeps the demo there was.
    return Platform::WriteFileAtomically(Platform::ResolveFileName(path), bytes);
}

bool LoadDemoFile(const std::string& path, const std::string& expectedVersionString, DemoFileInfo& info,
                  Buffer& stream, std::string& error)
{
    Platform::RegularFileStream in(Platform::ResolveFileName(path));
    if (!in) {
        error = "Demo file not found: " + path;
        return false;
    }
    FileReader file(in);
    const auto invalid = [&error] {
        error = kInvalid;
        return false;
    };

    const std::optional<uint32_t> magic = file.ReadUint32();
    if (magic != kMagic)
        return invalid();
    const std::optional<uint32_t> version = file.ReadUint32();
    const std::optional<uint32_t> seed = file.ReadUint32();
    uint8_t lengthBytes[2];
    if (!version || !seed || !file.Read(lengthBytes, 2))
        return invalid();
    // Read whole: the writer stores any length its 16-bit field can hold.
    const std::optional<std::string> stored = file.ReadString(lengthBytes[0] | lengthBytes[1] << 8);
    if (!stored)
        return invalid();
    if (*stored != expectedVersionString.substr(0, kMaxVersionLength)) {
        error = "This demo file appears to be for '" + *stored + "'";
        return false;
    }

    DemoFileInfo loaded;
    loaded.seed = *seed;
    if (*version >= kFirstVersionWithMarkers) {
        const std::optional<uint32_t> blockSize = file.ReadUint32();
        // Compared unsigned: a size negative as a signed number is refused
        // with those larger than the file.
        if (!blockSize || *blockSize >= file.Left())
            return invalid();
        const std::optional<std::string> blockBytes = file.ReadString(*blockSize);
        if (!blockBytes)
            return invalid();
        Buffer block;
        block.SetData(reinterpret_cast<const uint8_t*>(blockBytes->data()), static_cast<int32_t>(blockBytes->size()));
        std::optional<std::vector<DemoMarker>> markers = ParseMarkers(block);
        if (!markers)
            return invalid();
        loaded.markers = std::move(*markers);
    }
    const std::optional<uint32_t> totalUpdates = file.ReadUint32();
    if (!totalUpdates || file.Left() <= 0 || file.Left() > Buffer::kMaxSetDataBytes)
        return invalid();
    loaded.totalUpdates = static_cast<int32_t>(*totalUpdates);
    const std::optional<std::string> streamBytes = file.ReadString(file.Left());
    if (!streamBytes)
        return invalid();

    stream.Clear();
    stream.SetData(reinterpret_cast<const uint8_t*>(streamBytes->data()), static_cast<int32_t>(streamBytes->size()));
    info = std::move(loaded);
    return true;
}

} // namespace Vorn
