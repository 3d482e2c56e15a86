#include "framework/app/Buffer.h"

#include <algorithm>
#include <functional>

namespace Vorn {

void Buffer::Rewind()
{
    mReadPos = 0;
}

void Buffer::Clear()
{
    mBytes.clear();
    mBitLength = 0;
    mReadPos = 0;
    mWritePos = 0;
}

bool Buffer::MakeRoomFor(int64_t bits)
{
    // Writes append at the end of the data. SetData leaves the write position
    // where it was, and writing there would OR bits into the copied bytes or
    // index past the end of the vector.
    mWritePos = mBitLength;
    return mWritePos + bits <= kMaxBits;
}

void Buffer::AppendByte(uint8_t value)
{
    const int shift = mWritePos % 8;
    if (shift == 0) {
        mBytes.push_back(value);
    } else {
        mBytes.back() |= static_cast<uint8_t>(value << shift);
        mBytes.push_back(static_cast<uint8_t>(value >> (8 - shift)));
    }
    mWritePos += 8;
    mBitLength = std::max(mBitLength, mWritePos);
}

void Buffer::AppendBits(uint32_t value, int count)
{
    while (count > 0) {
        const int shift = mWritePos % 8;
        if (shift == 0)
            mBytes.push_back(0);
        const int take = std::min(count, 8 - shift);
        mBytes.back() |= static_cast<uint8_t>((value & ((1u << take) - 1u)) << shift);
        value >>= take;
        count -= take;
        mWritePos += take;
    }
    mBitLength = std::max(mBitLength, mWritePos);
}

bool Buffer::Holds(const uint8_t* pointer) const
{
    const std::less<const uint8_t*> before;
    const uint8_t* first = mBytes.data();
    return !mBytes.empty() && !before(pointer, first) && before(pointer, first + mBytes.size());
}

void Buffer::WriteByte(uint8_t value)
{
    if (MakeRoomFor(8))
        AppendByte(value);
}

void Buffer::WriteBits(int32_t value, int32_t count)
{
    const int n = std::clamp(count, 0, 32);
    if (MakeRoomFor(n))
        AppendBits(static_cast<uint32_t>(value), n);
}

void Buffer::WriteBoolean(bool value)
{
    WriteByte(value ? 1 : 0);
}

void Buffer::WriteInt16(int16_t value)
{
    if (!MakeRoomFor(16))
        return;
    const auto bits = static_cast<uint16_t>(value);
    AppendByte(static_cast<uint8_t>(bits));
    AppendByte(static_cast<uint8_t>(bits >> 8));
}

void Buffer::WriteInt32(int32_t value)
{
    if (!MakeRoomFor(32))
        return;
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        AppendByte(static_cast<uint8_t>(bits >> shift));
}

void Buffer::WriteString(std::string_view text)
{
    // A longer length would read back negative and the text as empty, with its
    // bytes left in the stream: a replay would then read another text than the
    // recording saw.
    const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), kMaxStringLength));
    if (!MakeRoomFor(16 + 8 * int64_t{length}))
        return;
    AppendByte(static_cast<uint8_t>(length));
    AppendByte(static_cast<uint8_t>(length >> 8));
    for (int32_t i = 0; i < length; ++i)
        AppendByte(static_cast<uint8_t>(text[i]));
}

void Buffer::WriteBytes(const uint8_t* bytes, int32_t count)
{
    if (bytes == nullptr || count <= 0 || !MakeRoomFor(8 * int64_t{count}))
        return;
    if (Holds(bytes)) {
        // Growing the vector would free the run while it is being copied.
        const std::vector<uint8_t> copy(bytes, bytes + count);
        WriteBytes(copy.data(), count);
        return;
    }
    if (mWritePos % 8 == 0) {
        // A whole file can arrive here; aligned bytes need no shifting.
        mBytes.insert(mBytes.end(), bytes, bytes + count);
        mWritePos += 8 * count;
        mBitLength = mWritePos;
        return;
    }
    for (int32_t i = 0; i < count; ++i)
        AppendByte(bytes[i]);
}

void Buffer::SetData(const uint8_t* bytes, int32_t count)
{
    if (bytes == nullptr || count < 0)
        count = 0;
    if (count > kMaxSetDataBytes)
        return;
    // Built aside first: the run may be this buffer's own bytes.
    mBytes = std::vector<uint8_t>(bytes, bytes + count);
    mBitLength = count * 8;
}

uint8_t Buffer::ReadByte()
{
    const int64_t p = mReadPos;
    // An unaligned read that starts inside the last byte yields 0 and stays
    // put although that byte may hold unread bits: a replay must read a cut
    // stream exactly as it always has.
    if ((p + 7) / 8 >= static_cast<int64_t>(mBytes.size()) || p + 8 > kMaxBits)
        return 0;
    const size_t index = static_cast<size_t>(p / 8);
    const int shift = static_cast<int>(p % 8);
    uint32_t value = mBytes[index];
    if (shift != 0)
        value = (value >> shift) | (uint32_t{mBytes[index + 1]} << (8 - shift));
    mReadPos += 8;
    return static_cast<uint8_t>(value);
}

int32_t Buffer::ReadBits(int32_t count, bool signExtend)
{
    const int n = std::clamp(count, 0, 32);
    // The position may not pass kMaxBits even where the last byte goes on.
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(mBytes.size()) * 8, kMaxBits);
    uint32_t result = 0;
    uint32_t lastBit = 0;
    int done = 0;
    while (done < n && mReadPos < end) {
        const int shift = mReadPos % 8;
        const int take = static_cast<int>(std::min<int64_t>({n - done, 8 - shift, end - mReadPos}));
        const uint32_t bits = (uint32_t{mBytes[static_cast<size_t>(mReadPos / 8)]} >> shift) & ((1u << take) - 1u);
        result |= bits << done;
        lastBit = bits >> (take - 1);
        done += take;
        mReadPos += take;
    }
    if (signExtend && lastBit != 0 && n < 32)
        result |= ~0u << n;
    return static_cast<int32_t>(result);
}

bool Buffer::ReadBoolean()
{
    return ReadByte() != 0;
}

int16_t Buffer::ReadInt16()
{
    const uint32_t low = ReadByte();
    const uint32_t high = ReadByte();
    return static_cast<int16_t>(low | (high << 8));
}

int32_t Buffer::ReadInt32()
{
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8)
        value |= uint32_t{ReadByte()} << shift;
    return static_cast<int32_t>(value);
}

std::string Buffer::ReadString()
{
    const int16_t length = ReadInt16();
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length), '\0');
    for (char& c : text)
        c = static_cast<char>(ReadByte());
    return text;
}

void Buffer::ReadBytes(uint8_t* destination, int32_t count)
{
    if (destination == nullptr || count <= 0)
        return;
    int32_t done = 0;
    if (mReadPos % 8 == 0) {
        // Whole bytes straight from the store, as many as ReadByte would give.
        const int64_t held = static_cast<int64_t>(mBytes.size()) - mReadPos / 8;
        const int64_t readable = std::min<int64_t>(held, (kMaxBits - int64_t{mReadPos}) / 8);
        done = static_cast<int32_t>(std::clamp<int64_t>(readable, 0, count));
        if (done > 0) {
            std::copy_n(mBytes.data() + mReadPos / 8, done, destination);
            mReadPos += 8 * done;
        }
    }
    for (; done < count; ++done)
        destination[done] = ReadByte();
}

const uint8_t* Buffer::GetBytes() const
{
    return mBytes.empty() ? nullptr : mBytes.data();
}

int32_t Buffer::GetByteLength() const
{
    // Widened: at kMaxBits the sum would overflow.
    return static_cast<int32_t>((int64_t{mBitLength} + 7) / 8);
}

bool Buffer::AtEnd() const
{
    return mReadPos >= mBitLength;
}

int32_t Buffer::BitsLeft() const
{
    return std::max(mBitLength - mReadPos, 0);
}

int32_t Buffer::GetReadPosition() const
{
    return mReadPos;
}

void Buffer::SetReadPosition(int32_t bits)
{
    mReadPos = std::clamp(bits, 0, mBitLength);
}

} // namespace Vorn
