#include "framework/app/DemoStream.h"

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

namespace Vorn {

namespace {

constexpr int32_t kPosition = 0;
constexpr int32_t kActive = 1;
constexpr int32_t kMinimized = 2;
constexpr int32_t kKeyDown = 3;
constexpr int32_t kKeyUp = 4;
constexpr int32_t kCharacter = 5;
constexpr int32_t kClose = 6;
constexpr int32_t kMouseEnter = 7;
constexpr int32_t kMouseLeave = 8;
constexpr int32_t kLoadingDone = 9;
constexpr int32_t kRegistryRead = 11;
constexpr int32_t kRegistryWrite = 12;
constexpr int32_t kWebResult = 17;
constexpr int32_t kKeptBuffer = 18;
constexpr int32_t kWheel = 21;
constexpr int32_t kDisplayMode = 23;
constexpr int32_t kFiller = 31;

constexpr int32_t kMouseMoveKind = 0;
constexpr int32_t kMouseButtonKind = 1;

constexpr int32_t kLargestDelta = 15;
// A 4-bit delta, the flag and a 5-bit number. A mouse header is 6 bits, but
// its fields take 4 or 12 more, so no complete command is shorter.
constexpr int32_t kShortestCommandBits = 10;
// A web request ending with this result has no content to keep.
constexpr int32_t kResultWithoutContent = 2;

// Bits least significant first into a small block that is passed on
// whenever it fills: the crash catcher's writer, which may not allocate.
class BitSink {
public:
    explicit BitSink(ByteSink& sink)
        : mSink(sink)
    {
    }

    void Bits(uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (((value >> i) & 1u) != 0)
                mBytes[mUsed] = static_cast<uint8_t>(mBytes[mUsed] | 1u << mBit);
            if (++mBit == 8)
                NextByte();
        }
    }

    // Passes on the bytes begun, the last padded with zero bits.
    bool Finish()
    {
        if (mBit > 0)
            NextByte();
        if (mUsed > 0)
            mOk = mSink.Put(mBytes, mUsed) && mOk;
        return mOk;
    }

private:
    void NextByte()
    {
        mBit = 0;
        if (++mUsed < sizeof(mBytes))
            return;
        mOk = mSink.Put(mBytes, mUsed) && mOk;
        mUsed = 0;
        for (uint8_t& byte : mBytes)
            byte = 0;
    }

    ByteSink& mSink;
    uint8_t mBytes[256] = {};
    size_t mUsed = 0;
    int mBit = 0;
    bool mOk = true;
};

} // namespace

DemoStream::WriteLock::WriteLock(DemoStream& stream)
    : mStream(stream)
{
    while (mStream.mWriting.exchange(true, std::memory_order_acquire))
        std::this_thread::yield();
}

DemoStream::WriteLock::~WriteLock()
{
    mStream.mWriting.store(false, std::memory_order_release);
}

DemoStream::DemoStream(DemoMode mode)
    : mMode(mode)
{
}

DemoStream::DemoStream(const DemoStream& other)
    : mBuffer(other.mBuffer), mMode(other.mMode.load()), mClosedByUser(other.mClosedByUser),
      mLastCommandUpdate(other.mLastCommandUpdate), mHeaderPending(other.mHeaderPending), mMouse(other.mMouse),
      mNumber(other.mNumber)
{
}

DemoStream& DemoStream::operator=(const DemoStream& other)
{
    mBuffer = other.mBuffer;
    mMode = other.mMode.load();
    mClosedByUser = other.mClosedByUser;
    mLastCommandUpdate = other.mLastCommandUpdate;
    mHeaderPending = other.mHeaderPending;
    mMouse = other.mMouse;
    mNumber = other.mNumber;
    return *this;
}

bool DemoStream::StopWritersForCrash(std::chrono::milliseconds wait)
{
    // Off first: every writer that takes the lock from now on writes
    // nothing, so the lock is free once the command under way is whole.
    mMode = DemoMode::Off;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool locked = !mWriting.exchange(true, std::memory_order_acquire);
    while (!locked && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        locked = !mWriting.exchange(true, std::memory_order_acquire);
    }
    if (locked)
        mWriting.store(false, std::memory_order_release);
    return locked;
}

bool DemoStream::WriteClosedStream(int32_t updateCount, ByteSink& sink) const
{
    const uint8_t* bytes = mBuffer.GetBytes();
    const int32_t bits = mBuffer.GetBitLength();
    const int32_t wholeBytes = bits / 8;
    bool ok = wholeBytes == 0 || sink.Put(bytes, static_cast<size_t>(wholeBytes));

    BitSink tail(sink);
    if (bits % 8 != 0)
        tail.Bits(bytes[wholeBytes], bits % 8);
    int64_t delta = std::max<int64_t>(int64_t{updateCount} - mLastCommandUpdate, 0);
    for (;;) {
        const int64_t step = std::min<int64_t>(delta, kLargestDelta);
        tail.Bits(static_cast<uint32_t>(step), 4);
        tail.Bits(0, 1);
        tail.Bits(kFiller, 5);
        delta -= step;
        if (delta == 0)
            break;
    }
    return tail.Finish() && ok;
}

bool DemoStream::Ended() const
{
    return mHeaderPending && mBuffer.BitsLeft() < kShortestCommandBits;
}

void DemoStream::WriteCommandHeader(int32_t updateCount)
{
    // The stream cannot go back in time: a command stamped before the last
    // one takes the last one's update instead of a delta read as 15 or less.
    int64_t delta = std::max<int64_t>(int64_t{updateCount} - mLastCommandUpdate, 0);
    while (delta > kLargestDelta) {
        mBuffer.WriteBits(kLargestDelta, 4);
        mBuffer.WriteBits(0, 1);
        mBuffer.WriteBits(kFiller, 5);
        mLastCommandUpdate += kLargestDelta;
        delta -= kLargestDelta;
    }
    mBuffer.WriteBits(static_cast<int32_t>(delta), 4);
    mLastCommandUpdate += static_cast<int32_t>(delta);
}

bool DemoStream::ReadCommandHeader(int32_t updateCount)
{
    ReadHeaderIfPending();
    return updateCount == mLastCommandUpdate;
}

void DemoStream::ReadHeaderIfPending()
{
    if (!mHeaderPending)
        return;
    const int32_t delta = mBuffer.ReadBits(4, false);
    // Saturated: a long corrupt run of fillers must not overflow the count.
    mLastCommandUpdate = static_cast<int32_t>(std::min<int64_t>(int64_t{mLastCommandUpdate} + delta, INT32_MAX));
    mMouse = mBuffer.ReadBits(1, false) != 0;
    mNumber = mBuffer.ReadBits(mMouse ? 1 : 5, false);
    mHeaderPending = false;
}

void DemoStream::WriteNumberHeader(int32_t updateCount, int32_t number)
{
    WriteCommandHeader(updateCount);
    mBuffer.WriteBits(0, 1);
    mBuffer.WriteBits(number, 5);
}

void DemoStream::RecordCommand(int32_t updateCount, const DemoCommand& command)
{
    const WriteLock lock(*this);
    if (!Recording())
        return;
    Buffer& b = mBuffer;
    const auto writeMouseHeader = [&](int32_t kind) {
        WriteCommandHeader(updateCount);
        b.WriteBits(1, 1);
        b.WriteBits(kind, 1);
    };
    switch (command.type) {
    case DemoCommandType::MouseMove:
        writeMouseHeader(kMouseMoveKind);
        b.WriteBits(command.x, 6);
        b.WriteBits(command.y, 6);
        break;
    case DemoCommandType::MouseButton:
        writeMouseHeader(kMouseButtonKind);
        b.WriteBits(command.flag ? 1 : 0, 1);
        b.WriteBits(command.code, 3);
        break;
    case DemoCommandType::Position:
        WriteNumberHeader(updateCount, kPosition);
        b.WriteBits(command.x, 12);
        b.WriteBits(command.y, 12);
        break;
    case DemoCommandType::Active:
        WriteNumberHeader(updateCount, kActive);
        b.WriteBits(command.flag ? 1 : 0, 1);
        break;
    case DemoCommandType::Minimized:
        WriteNumberHeader(updateCount, kMinimized);
        b.WriteBoolean(command.flag);
        break;
    case DemoCommandType::KeyDown:
        WriteNumberHeader(updateCount, kKeyDown);
        b.WriteBits(command.code, 8);
        break;
    case DemoCommandType::KeyUp:
        WriteNumberHeader(updateCount, kKeyUp);
        b.WriteBits(command.code, 8);
        break;
    case DemoCommandType::Character:
        WriteNumberHeader(updateCount, kCharacter);
        b.WriteBits(0, 1);
        b.WriteBits(command.code, 8);
        break;
    case DemoCommandType::Close:
        WriteNumberHeader(updateCount, kClose);
        break;
    case DemoCommandType::MouseEnter:
        WriteNumberHeader(updateCount, kMouseEnter);
        break;
    case DemoCommandType::MouseLeave:
        WriteNumberHeader(updateCount, kMouseLeave);
        break;
    case DemoCommandType::LoadingDone:
        WriteNumberHeader(updateCount, kLoadingDone);
        break;
    case DemoCommandType::Wheel:
        WriteNumberHeader(updateCount, kWheel);
        b.WriteBits(command.code, 8);
        break;
    case DemoCommandType::DisplayMode:
        WriteNumberHeader(updateCount, kDisplayMode);
        b.WriteBoolean(command.flag);
        b.WriteByte(static_cast<uint8_t>(command.code));
        break;
    }
}

void DemoStream::RecordFiller(int32_t updateCount)
{
    const WriteLock lock(*this);
    if (Recording())
        WriteNumberHeader(updateCount, kFiller);
}

void DemoStream::RecordRegistryRead(int32_t updateCount, bool found, uint32_t type, const uint8_t* data, int32_t length)
{
    const WriteLock lock(*this);
    if (!Recording())
        return;
    WriteNumberHeader(updateCount, kRegistryRead);
    mBuffer.WriteBits(found ? 1 : 0, 1);
    if (!found)
        return;
    const int32_t count = data == nullptr ? 0 : std::max(length, 0);
    mBuffer.WriteInt32(static_cast<int32_t>(type));
    mBuffer.WriteInt32(count);
    mBuffer.WriteBytes(data, count);
}

void DemoStream::RecordRegistryWrite(int32_t updateCount, bool success)
{
    const WriteLock lock(*this);
    if (!Recording())
        return;
    WriteNumberHeader(updateCount, kRegistryWrite);
    mBuffer.WriteBits(success ? 1 : 0, 1);
}

void DemoStream::RecordWebResult(int32_t updateCount, int32_t transferId, int32_t result, const std::string& content)
{
    const WriteLock lock(*this);
    if (!Recording())
        return;
    WriteNumberHeader(updateCount, kWebResult);
    mBuffer.WriteInt32(transferId);
    mBuffer.WriteByte(static_cast<uint8_t>(result));
    mBuffer.WriteString(result == kResultWithoutContent ? std::string() : content);
}

std::optional<DemoCommand> DemoStream::ReplayNextCommand(int32_t updateCount)
{
    while (Reading()) {
        if (mHeaderPending && (updateCount != mLastCommandUpdate || Ended()))
            return std::nullopt;
        if (!ReadCommandHeader(updateCount))
            return std::nullopt;
        mHeaderPending = true;
        if (std::optional<DemoCommand> command = ReadCommandFields())
            return command;
    }
    return std::nullopt;
}

std::optional<DemoCommand> DemoStream::ReadCommandFields()
{
    Buffer& b = mBuffer;
    if (mMouse) {
        if (mNumber == kMouseMoveKind) {
            const int32_t dx = b.ReadBits(6, true);
            return DemoCommand::MouseMove(dx, b.ReadBits(6, true));
        }
        const bool down = b.ReadBits(1, false) != 0;
        return DemoCommand::MouseButton(down, b.ReadBits(3, true));
    }
    switch (mNumber) {
    case kPosition: {
        // Signed: a drag past the window's left or top edge replays there,
        // not four thousand pixels away. The stored bits are the same.
        const int32_t x = b.ReadBits(12, true);
        return DemoCommand::Position(x, b.ReadBits(12, true));
    }
    case kActive:
        return DemoCommand::Active(b.ReadBits(1, false) != 0);
    case kMinimized:
        return DemoCommand::Minimized(b.ReadBoolean());
    case kKeyDown:
        return DemoCommand::KeyDown(b.ReadBits(8, false));
    case kKeyUp:
        return DemoCommand::KeyUp(b.ReadBits(8, false));
    case kCharacter: {
        const bool wide = b.ReadBits(1, false) != 0;
        return DemoCommand::Character(b.ReadBits(wide ? 16 : 8, false) & 0xFF);
    }
    case kClose:
        return DemoCommand::Close();
    case kMouseEnter:
        return DemoCommand::MouseEnter();
    case kMouseLeave:
        return DemoCommand::MouseLeave();
    case kLoadingDone:
        return DemoCommand::LoadingDone();
    case kWheel:
        return DemoCommand::Wheel(b.ReadBits(8, true));
    case kDisplayMode: {
        const bool windowed = b.ReadBoolean();
        return DemoCommand::DisplayMode(windowed, b.ReadByte());
    }
    case kRegistryRead:
        if (b.ReadBits(1, false) != 0) {
            b.ReadInt32();
            SkipBytes(static_cast<uint32_t>(b.ReadInt32()));
        }
        return std::nullopt;
    case kRegistryWrite:
        b.ReadBits(1, false);
        return std::nullopt;
    case kWebResult:
        b.ReadInt32();
        b.ReadByte();
        SkipBytes(std::max<int16_t>(b.ReadInt16(), 0));
        return std::nullopt;
    case kKeptBuffer:
        SkipBytes(static_cast<uint32_t>(b.ReadInt32()));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

DemoStream::ReadState DemoStream::SaveReadState() const
{
    return {mBuffer.GetReadPosition(), mLastCommandUpdate, mHeaderPending, mMouse, mNumber};
}

void DemoStream::RestoreReadState(const ReadState& state)
{
    mBuffer.SetReadPosition(state.position);
    mLastCommandUpdate = state.lastCommandUpdate;
    mHeaderPending = state.headerPending;
    mMouse = state.mouse;
    mNumber = state.number;
}

bool DemoStream::TakeHeaderOf(int32_t number)
{
    if (Ended())
        return false;
    ReadHeaderIfPending();
    if (mMouse || mNumber != number)
        return false;
    mHeaderPending = true;
    return true;
}

int32_t DemoStream::BytesLeft() const
{
    return mBuffer.BitsLeft() / 8;
}

void DemoStream::SkipBytes(int64_t count)
{
    // Bounded by the data: a corrupt length ends the stream, nothing more.
    const int64_t target = mBuffer.GetReadPosition() + 8 * count;
    mBuffer.SetReadPosition(static_cast<int32_t>(std::min<int64_t>(target, INT32_MAX)));
}

bool DemoStream::ReplayRegistryRead(uint32_t& type, uint8_t* data, int32_t& length)
{
    if (!Reading())
        return false;
    const ReadState before = SaveReadState();
    if (!TakeHeaderOf(kRegistryRead)) {
        RestoreReadState(before);
        return false;
    }
    if (mBuffer.ReadBits(1, false) == 0)
        return false;
    const auto storedType = static_cast<uint32_t>(mBuffer.ReadInt32());
    const int64_t storedLength = static_cast<uint32_t>(mBuffer.ReadInt32());
    if (storedLength > BytesLeft()) {
        RestoreReadState(before);
        return false;
    }
    const int32_t capacity = data == nullptr ? 0 : std::max(length, 0);
    const auto copied = static_cast<int32_t>(std::min<int64_t>(storedLength, capacity));
    mBuffer.ReadBytes(data, copied);
    SkipBytes(storedLength - copied);
    type = storedType;
    length = static_cast<int32_t>(storedLength);
    return true;
}

bool DemoStream::ReplayRegistryWrite()
{
    if (!Reading())
        return false;
    const ReadState before = SaveReadState();
    if (!TakeHeaderOf(kRegistryWrite)) {
        RestoreReadState(before);
        return false;
    }
    return mBuffer.ReadBits(1, false) != 0;
}

bool DemoStream::ReplayWebResult(int32_t updateCount, int32_t transferId, int32_t& result, std::string& content)
{
    if (!Reading())
        return false;
    const ReadState before = SaveReadState();
    if (!TakeHeaderOf(kWebResult) || mLastCommandUpdate != updateCount || mBuffer.ReadInt32() != transferId) {
        RestoreReadState(before);
        return false;
    }
    const int32_t storedResult = mBuffer.ReadByte();
    const int16_t textLength = mBuffer.ReadInt16();
    if (textLength > BytesLeft()) {
        RestoreReadState(before);
        return false;
    }
    std::string text(static_cast<size_t>(std::max<int16_t>(textLength, 0)), '\0');
    mBuffer.ReadBytes(reinterpret_cast<uint8_t*>(text.data()), textLength);
    result = storedResult;
    content = std::move(text);
    return true;
}

bool DemoStream::ReplayDisplayMode(int32_t updateCount, bool& windowed, int32_t& refreshRate)
{
    if (!Reading())
        return false;
    const ReadState before = SaveReadState();
    if (!TakeHeaderOf(kDisplayMode) || mLastCommandUpdate != updateCount) {
        RestoreReadState(before);
        return false;
    }
    windowed = mBuffer.ReadBoolean();
    refreshRate = mBuffer.ReadByte();
    return true;
}

void DemoStream::RecordOrReplayBuffer(int32_t updateCount, Buffer& buffer)
{
    if (Recording()) {
        const WriteLock lock(*this);
        if (!Recording())
            return;
        WriteNumberHeader(updateCount, kKeptBuffer);
        const int32_t count = buffer.GetByteLength();
        mBuffer.WriteInt32(count);
        mBuffer.WriteBytes(buffer.GetBytes(), count);
        return;
    }
    if (!Reading())
        return;
    const ReadState before = SaveReadState();
    if (!TakeHeaderOf(kKeptBuffer)) {
        RestoreReadState(before);
        return;
    }
    const int64_t count = static_cast<uint32_t>(mBuffer.ReadInt32());
    if (count > BytesLeft()) {
        RestoreReadState(before);
        return;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    mBuffer.ReadBytes(bytes.data(), static_cast<int32_t>(count));
    buffer.Clear();
    buffer.WriteBytes(bytes.data(), static_cast<int32_t>(count));
}

void DemoStream::RecordOrReplayString(int32_t updateCount, std::string& text)
{
    if (mMode == DemoMode::Off)
        return;
    Buffer kept;
    kept.WriteString(text);
    RecordOrReplayBuffer(updateCount, kept);
    text = kept.ReadString();
}

void DemoStream::RecordOrReplayBool(int32_t updateCount, bool& value)
{
    if (mMode == DemoMode::Off)
        return;
    Buffer kept;
    kept.WriteBoolean(value);
    RecordOrReplayBuffer(updateCount, kept);
    value = kept.ReadBoolean();
}

} // namespace Vorn
