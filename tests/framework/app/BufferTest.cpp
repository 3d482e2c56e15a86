#include "framework/app/Buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Vorn::Buffer;
using Bytes = std::vector<uint8_t>;

Bytes HeldBytes(const Buffer& b)
{
    return b.GetBytes() == nullptr ? Bytes{} : Bytes(b.GetBytes(), b.GetBytes() + b.GetByteLength());
}

// Bits between the read position and the data length, seen only through reads.
int32_t BitsLeft(Buffer copy)
{
    int32_t left = 0;
    for (; !copy.AtEnd() && left <= 8 * copy.GetByteLength(); ++left)
        copy.ReadBits(1, false);
    return left;
}

Buffer Holding(const Bytes& bytes)
{
    Buffer b;
    b.SetData(bytes.data(), static_cast<int32_t>(bytes.size()));
    return b;
}

struct BufferLayoutCase {
    const char* name;
    std::function<void(Buffer&)> write;
    Bytes bytes;
    int32_t bits;
};

class WrittenLayout : public ::testing::TestWithParam<BufferLayoutCase> {};

TEST_P(WrittenLayout, StoresExactlyTheseBytesAndBits)
{
    Buffer b;
    GetParam().write(b);
    EXPECT_EQ(HeldBytes(b), GetParam().bytes);
    EXPECT_EQ(BitsLeft(b), GetParam().bits);
}

const uint8_t kAbcd[] = {0xAB, 0xCD};

INSTANTIATE_TEST_SUITE_P(Writes, WrittenLayout, ::testing::Values(
    BufferLayoutCase{"LowBitsOfEachValueLsbFirst", [](Buffer& b) { b.WriteBits(0xFD, 3); b.WriteBits(1, 1); }, {0x0D}, 4},
    BufferLayoutCase{"Int16AfterOneBit", [](Buffer& b) { b.WriteBits(1, 1); b.WriteInt16(0x1234); }, {0x69, 0x24, 0}, 17},
    BufferLayoutCase{"BooleanTakesAWholeByte", [](Buffer& b) { b.WriteBits(1, 1); b.WriteBoolean(true); }, {0x03, 0}, 9},
    BufferLayoutCase{"StringIsLengthThenBytes", [](Buffer& b) { b.WriteString("abc"); }, {3, 0, 'a', 'b', 'c'}, 40},
    BufferLayoutCase{"Int32LowByteFirst", [](Buffer& b) { b.WriteInt32(0x12345678); }, {0x78, 0x56, 0x34, 0x12}, 32},
    BufferLayoutCase{"BytesAfterFourBits",
               [](Buffer& b) { b.WriteBits(1, 4); b.WriteBytes(kAbcd, 2); }, {0xB1, 0xDA, 0x0C}, 20},
    BufferLayoutCase{"CountAbove32Writes32", [](Buffer& b) { b.WriteBits(-2, 40); }, {0xFE, 0xFF, 0xFF, 0xFF}, 32},
    BufferLayoutCase{"CountBelow1WritesNothing", [](Buffer& b) { b.WriteBits(5, 0); b.WriteBits(5, INT32_MIN); }, {}, 0},
    BufferLayoutCase{"NullOrNegativeRunWritesNothing",
               [](Buffer& b) { b.WriteBytes(nullptr, 3); b.WriteBytes(kAbcd, -2); }, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    Bytes held;
    int32_t skipBits;
    std::function<int64_t(Buffer&)> read;
    int64_t expected;
    int32_t bitsLeftAfter;
};

class ReadFromHeldBytes : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFromHeldBytes, GivesThisValueAndStopsHere)
{
    const ReadCase& c = GetParam();
    Buffer b = Holding(c.held);
    b.ReadBits(c.skipBits, false);
    EXPECT_EQ(c.read(b), c.expected);
    EXPECT_EQ(BitsLeft(b), c.bitsLeftAfter);
}

INSTANTIATE_TEST_SUITE_P(Reads, ReadFromHeldBytes, ::testing::Values(
    ReadCase{"EmptyReadsZeroAndStays", {}, 0, [](Buffer& b) { return b.ReadByte() + b.ReadBits(5, true); }, 0, 0},
    ReadCase{"SignedSixBits", {0x3D}, 0, [](Buffer& b) { return b.ReadBits(6, true); }, -3, 2},
    ReadCase{"CountAbove32Reads32", {0x78, 0x56, 0x34, 0x12, 9}, 0,
             [](Buffer& b) { return b.ReadBits(33, true); }, 0x12345678, 8},
    ReadCase{"NegativeCountReadsNothing", {0xFF}, 0, [](Buffer& b) { return b.ReadBits(-3, true); }, 0, 8},
    ReadCase{"CutFieldExtendsFromLastBitRead", {0x80}, 0, [](Buffer& b) { return b.ReadBits(12, true); }, -3968, 0},
    ReadCase{"BooleanIsAnyNonZeroByte", {0x02}, 0, [](Buffer& b) { return b.ReadBoolean(); }, 1, 0},
    // The byte starting at bit 9 is not held: 0, and bits 9 to 11 are still there.
    ReadCase{"ByteStartingInLastByteIsZeroAndStays", {0xFF, 0x0A}, 9,
             [](Buffer& b) { return b.ReadByte() << 8 | b.ReadBits(3, false); }, 5, 4},
    ReadCase{"UnalignedByteAcrossTwoBytes", {0x34, 0x12}, 4, [](Buffer& b) { return b.ReadByte(); }, 0x23, 4},
    ReadCase{"Int16MissingItsHighByte", {0x34, 0x12}, 4, [](Buffer& b) { return b.ReadInt16(); }, 0x23, 4},
    ReadCase{"StringCutShortKeepsItsLength", {5, 0, 'a', 'b'}, 0,
             [](Buffer& b) { return b.ReadString() == std::string("ab\0\0\0", 5); }, 1, 0},
    ReadCase{"NegativeStringLengthReadsNoMore", {0, 0x80, 'a'}, 0,
             [](Buffer& b) { return b.ReadString().size(); }, 0, 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Buffer, SetDataOfNothingEmptiesAndOfTooMuchChangesNothing)
{
    // The oversized runs are refused untouched: the pointer covers one byte.
    const uint8_t one[] = {7};
    const std::pair<const uint8_t*, int32_t> runs[] = {{one, 0}, {one, -1}, {nullptr, 3},
                                                       {one, Buffer::kMaxSetDataBytes + 1}, {one, INT32_MAX}};
    for (const auto& [bytes, count] : runs) {
        Buffer b = Holding({1, 2});
        b.SetData(bytes, count);
        EXPECT_EQ(HeldBytes(b), count > Buffer::kMaxSetDataBytes ? (Bytes{1, 2}) : Bytes{}) << count;
        EXPECT_EQ(b.GetBytes() == nullptr, count <= Buffer::kMaxSetDataBytes) << count;
    }
}

// Writes append after the data SetData put in, whatever was written before:
// never ORed into the copied bytes.
TEST(Buffer, WritesAfterSetDataAppendAfterTheData)
{
    Buffer b;
    b.WriteBits(0x1F, 5);
    const uint8_t data[] = {0xA0, 0x0B};
    b.SetData(data, 2);
    b.WriteBits(5, 3);
    b.WriteByte(0xFF);
    EXPECT_EQ(HeldBytes(b), (Bytes{0xA0, 0x0B, 0xFD, 0x07}));
    EXPECT_EQ(BitsLeft(b), 27);
    b.Clear();
    b.SetData(data, 1);
    b.WriteInt16(0x1234);
    b.WriteBoolean(true);
    b.WriteString("x");
    b.WriteInt32(-2);
    EXPECT_EQ(HeldBytes(b), (Bytes{0xA0, 0x34, 0x12, 1, 1, 0, 'x', 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(b.ReadByte(), 0xA0);
    EXPECT_EQ(b.ReadInt16(), 0x1234);
}

TEST(Buffer, SetDataAndWriteBytesAcceptTheBuffersOwnBytesAtAnyAlignment)
{
    Buffer b = Holding({1, 2, 3});
    b.SetData(b.GetBytes() + 1, 2);
    Buffer reference = Holding({2, 3});
    for (int i = 0; i < 6; ++i) {
        b.WriteBits(i, i);
        reference.WriteBits(i, i);
        const Bytes copy = HeldBytes(reference);
        b.WriteBytes(b.GetBytes(), b.GetByteLength());
        reference.WriteBytes(copy.data(), static_cast<int32_t>(copy.size()));
    }
    EXPECT_EQ(HeldBytes(b), HeldBytes(reference));
}

TEST(Buffer, ReadBytesGivesZerosPastTheEndAndNothingForNoCount)
{
    Buffer b = Holding({0x10, 0x32, 0x54});
    uint8_t got[4] = {9, 9, 9, 9};
    b.ReadBytes(got, -1);
    b.ReadBytes(nullptr, 2);
    b.ReadBytes(got, 4);
    EXPECT_EQ(Bytes(got, got + 4), (Bytes{0x10, 0x32, 0x54, 0}));
    b.Rewind();
    b.ReadBits(4, false);
    b.ReadBytes(got, 3);
    EXPECT_EQ(Bytes(got, got + 4), (Bytes{0x21, 0x43, 0, 0}));
    EXPECT_EQ(BitsLeft(b), 4);
}

TEST(Buffer, LongStringReadsBackAsItsFirst32767BytesAndTheStreamStaysInStep)
{
    for (size_t length : {32767, 32768, 65536}) {
        const std::string text(length, 'x');
        Buffer b;
        b.WriteBits(1, 3);
        b.WriteString(text);
        b.WriteInt16(-1234);
        b.ReadBits(3, false);
        EXPECT_EQ(b.ReadString(), text.substr(0, Buffer::kMaxStringLength)) << length;
        EXPECT_EQ(b.ReadInt16(), -1234) << length;
        EXPECT_TRUE(b.AtEnd()) << length;
    }
}

// Both phases in one test so that two quarter-gigabyte stores never coexist
// when tests run in parallel.
TEST(Buffer, DataNeverOutgrowsASigned32BitBitCount)
{
    constexpr int32_t kMostBytes = Buffer::kMaxSetDataBytes;
    static_assert(kMostBytes == (1 << 28) - 1);
    {
        // Never written to, so its pages cost no memory.
        const auto source = std::make_unique_for_overwrite<uint8_t[]>(kMostBytes);
        Buffer b;
        b.SetData(source.get(), kMostBytes);
        b.WriteByte(1);
        EXPECT_EQ(b.GetByteLength(), kMostBytes);
    }
    constexpr int32_t kChunk = 1 << 20;
    Bytes chunk(kChunk, 0xA5);
    Buffer b;
    for (int i = 0; i < 256; ++i)
        b.WriteBytes(chunk.data(), i < 255 ? kChunk : kChunk - 2);
    // 2^31 - 16 bits are held: no write of 16 bits or more fits, nor any
    // part of one.
    b.WriteInt16(-1);
    b.WriteInt32(-1);
    b.WriteString("");
    b.WriteString("abc");
    b.WriteBytes(chunk.data(), 2);
    EXPECT_EQ(b.GetByteLength(), kMostBytes - 1);
    // A whole byte still fits; another does not in the 7 bits left, which
    // 7 bits then fill exactly; then nothing more.
    b.WriteByte(0xAB);
    b.WriteByte(0xCD);
    b.WriteBits(0x55, 7);
    b.WriteBits(1, 1);
    b.WriteBoolean(true);
    ASSERT_EQ(b.GetByteLength(), 1 << 28);
    EXPECT_EQ(b.GetBytes()[kMostBytes - 1], 0xAB);
    EXPECT_EQ(b.GetBytes()[kMostBytes], 0x55);

    for (int i = 0; i < 256; ++i)
        b.ReadBytes(chunk.data(), i < 255 ? kChunk : kChunk - 2);
    EXPECT_EQ(chunk[kChunk - 3], 0xA5);
    // Reads up to the largest count, 7 bits from 7 bits before it.
    EXPECT_EQ(b.ReadByte(), 0xAB);
    EXPECT_EQ(b.ReadBits(7, false), 0x55);
    EXPECT_TRUE(b.AtEnd());
    EXPECT_EQ(b.BitsLeft(), 0);
    // A byte from 8 bits before the largest count: the top bit of 0xAB,
    // then the 7 bits.
    b.SetReadPosition(Buffer::kMaxBits - 8);
    EXPECT_EQ(b.ReadByte(), 0xAB);
    // A whole byte would take the read position past the largest count.
    b.SetReadPosition(Buffer::kMaxBits - 7);
    EXPECT_EQ(b.ReadByte(), 0);
    EXPECT_EQ(b.ReadBits(8, false), 0x55);
}

// A 32-bit read has nothing to extend: its top bit is the value's.
TEST(Buffer, AThirtyTwoBitReadIsItsOwnSign)
{
    Buffer b = Holding({0x01, 0x00, 0x00, 0x80});
    EXPECT_EQ(b.ReadBits(32, true), INT32_MIN + 1);
}

TEST(Buffer, BitsLeftCountsFromTheReadPositionToTheEndOfTheData)
{
    Buffer b;
    EXPECT_EQ(b.BitsLeft(), 0);
    b.WriteBits(0x1FF, 11);
    EXPECT_EQ(b.BitsLeft(), 11);
    b.ReadBits(4, false);
    EXPECT_EQ(b.BitsLeft(), 7);
    b.ReadBits(9, false);
    EXPECT_EQ(b.BitsLeft(), 0);
}

// A byte run read from a whole-byte position stops at the data's end even
// where the store's memory goes on (here left over from before a Clear).
TEST(Buffer, AlignedByteRunsStopAtTheEndOfTheData)
{
    Buffer b;
    const Bytes old(16, 0xEE);
    b.WriteBytes(old.data(), 16);
    b.Clear();
    const Bytes data{1, 2, 3, 4};
    b.WriteBytes(data.data(), 4);
    b.ReadBits(16, false);
    uint8_t got[3] = {9, 9, 9};
    b.ReadBytes(got, 3);
    EXPECT_EQ(Bytes(got, got + 3), (Bytes{3, 4, 0}));
}

} // namespace
