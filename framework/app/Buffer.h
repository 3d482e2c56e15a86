#pragma once
// A growable byte store written and read bit by bit. Callers write a sequence
// of values and read the same sequence back in the same order with the same
// widths; the buffer knows nothing of what the bits mean.
//
// Bit p lies at bit p % 8 (0 = least significant) of byte p / 8. Values are
// packed least significant bit first, multi-byte values low byte first, and
// every write works at any bit alignment. Reading past the end yields zeros;
// AtEnd tells a reader the data is exhausted.
//
// Not locked: one thread uses a buffer at a time.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Vorn {

class Buffer {
public:
    // Bit counts and positions are signed 32-bit, so the data holds at most
    // this many bits; a write that would go further is refused whole.
    static constexpr int32_t kMaxBits = INT32_MAX;
    // The largest run SetData accepts: its bit length must fit kMaxBits.
    static constexpr int32_t kMaxSetDataBytes = kMaxBits / 8;
    // A string's length is read back as a signed 16-bit number.
    static constexpr int32_t kMaxStringLength = INT16_MAX;

    Buffer() = default;
    virtual ~Buffer() = default;
    // Copied, never moved: a moved-from vector would leave the bit counts
    // pointing past bytes that are no longer held.
    Buffer(const Buffer&) = default;
    Buffer& operator=(const Buffer&) = default;

    // Read position to 0; the data and the write position stay.
    void Rewind();
    // Drops all bytes; length and both positions to 0.
    void Clear();

    void WriteByte(uint8_t value);
    // The low `count` bits of `value`; a count of 0 or less writes nothing,
    // above 32 writes 32.
    void WriteBits(int32_t value, int32_t count);
    // A whole byte, 1 or 0.
    void WriteBoolean(bool value);
    void WriteInt16(int16_t value);
    void WriteInt32(int32_t value);
    // A 16-bit length, then the bytes, no terminator. Only the first
    // kMaxStringLength bytes of a longer string are written, with that length,
    // so that ReadString gives back exactly what was written.
    void WriteString(std::string_view text);
    // A null pointer or a count of 0 or less writes nothing.
    void WriteBytes(const uint8_t* bytes, int32_t count);
    // Replaces the bytes by a copy of the run, the length by count * 8 bits;
    // the positions stay (callers Clear first). A null pointer or a count of 0
    // or less leaves the buffer empty; a run above kMaxSetDataBytes changes
    // nothing.
    void SetData(const uint8_t* bytes, int32_t count);

    // 0 when the bytes the read needs are not held; the position then stays.
    uint8_t ReadByte();
    // Up to `count` bits (clamped to 0..32), stopping at the end of the bytes.
    // With `signExtend`, bits from `count` up copy the last bit actually read.
    int32_t ReadBits(int32_t count, bool signExtend);
    // One byte; true when it is not 0.
    bool ReadBoolean();
    int16_t ReadInt16();
    int32_t ReadInt32();
    // A length of 0 or less gives the empty string and reads nothing more.
    std::string ReadString();
    // Fills `destination` with `count` bytes as ReadByte gives them; a null
    // pointer or a count of 0 or less reads nothing.
    void ReadBytes(uint8_t* destination, int32_t count);

    // Null when no bytes are held.
    const uint8_t* GetBytes() const;
    // Bytes covering the data: (data length in bits + 7) / 8.
    int32_t GetByteLength() const;
    int32_t GetBitLength() const { return mBitLength; }
    // True once the read position reaches the data length, even when the last
    // byte still holds unread zero bits.
    bool AtEnd() const;
    // Bits from the read position to the data length; 0 once AtEnd.
    int32_t BitsLeft() const;

    // A reader that looks ahead and finds nothing for it puts the position
    // back. Set clamps to 0..data length.
    int32_t GetReadPosition() const;
    void SetReadPosition(int32_t bits);

private:
    // Readies a write of `bits` more bits; false refuses it.
    bool MakeRoomFor(int64_t bits);
    void AppendByte(uint8_t value);
    void AppendBits(uint32_t value, int count);
    bool Holds(const uint8_t* pointer) const;

    std::vector<uint8_t> mBytes;
    int32_t mBitLength = 0;
    int32_t mReadPos = 0;
    int32_t mWritePos = 0;
};

} // namespace Vorn
