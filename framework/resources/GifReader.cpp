#include "framework/resources/ImageDecoders.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace ImageLib {

namespace {

constexpr int kTableSize = 4096;
constexpr int kMaxCodeBits = 12;
// Above 11 the clear and end codes would not fit the 4096-entry tables; 0
// leaves no room for a single colour.
constexpr uint8_t kMinCodeSizeLow = 1;
constexpr uint8_t kMinCodeSizeHigh = 11;

constexpr uint8_t kColourTableFlag = 0x80;
constexpr uint8_t kInterlacedFlag = 0x40;
constexpr uint8_t kExtension = '!';
constexpr uint8_t kImageStart = ',';
constexpr uint8_t kTrailer = ';';
constexpr uint8_t kGraphicControl = 0xF9;
constexpr uint8_t kHasTransparency = 0x01;
constexpr size_t kGraphicControlSize = 4;

// Entries a table does not fill stay 0, so an index beyond the file's colour
// table, or any index when there is none, gives transparent black.
using Palette = std::array<uint32_t, 256>;

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : mData(data) {}

    // Null when fewer than `count` bytes remain.
    const uint8_t* Take(size_t count)
    {
        if (mData.size() - mPosition < count)
            return nullptr;
        const uint8_t* p = mData.data() + mPosition;
        mPosition += count;
        return p;
    }

    bool Byte(uint8_t& out)
    {
        const uint8_t* p = Take(1);
        if (p)
            out = *p;
        return p != nullptr;
    }

private:
    std::span<const uint8_t> mData;
    size_t mPosition = 0;
};

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool ReadColourTable(ByteReader& in, uint8_t flags, Palette& palette)
{
    const size_t count = size_t{2} << (flags & 7);
    const uint8_t* rgb = in.Take(count * 3);
    if (!rgb)
        return false;
    for (size_t i = 0; i < count; ++i, rgb += 3)
        palette[i] = 0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    return true;
}

// Reads an extension's sub-blocks up to the empty one; only a graphic-control
// block is acted on. False when the data ends inside the chain.
bool ReadExtension(ByteReader& in, int& transparent)
{
    uint8_t label = 0;
    if (!in.Byte(label))
        return false;
    for (bool first = true;; first = false) {
        uint8_t count = 0;
        if (!in.Byte(count))
            return false;
        if (count == 0)
            return true;
        const uint8_t* block = in.Take(count);
        if (!block)
            return false;
        // A short block holds no transparent index; its bytes must not be read.
        if (label == kGraphicControl && first && count >= kGraphicControlSize && (block[0] & kHasTransparency))
            transparent = block[3];
    }
}

// LZW codes, least significant bit first, from the image's data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(ByteReader& in) : mIn(in) {}

    // -1 once the data ends (the empty sub-block or the end of the file).
    int Next(int width)
    {
        while (mCount < width) {
            if (mBlockLeft == 0) {
                uint8_t count = 0;
                if (mEnded || !mIn.Byte(count) || count == 0) {
                    mEnded = true;
                    return -1;
                }
                mBlockLeft = count;
            }
            uint8_t byte = 0;
            if (!mIn.Byte(byte)) {
                mEnded = true;
                return -1;
            }
            --mBlockLeft;
            mBits |= uint32_t{byte} << mCount;
            mCount += 8;
        }
        const int code = static_cast<int>(mBits & ((1u << width) - 1u));
        mBits >>= width;
        mCount -= width;
        return code;
    }

private:
    ByteReader& mIn;
    uint32_t mBits = 0;
    int mCount = 0;
    int mBlockLeft = 0;
    bool mEnded = false;
};

// Places decoded indices row by row, or in the four passes of an interlaced
// image: rows 0, 8, 16, ...; 4, 12, ...; 2, 6, ...; 1, 3, 5, ...
class RowWriter {
public:
    RowWriter(Image& image, bool interlaced, const Palette& palette, int transparent)
        : mBits(image.GetBits()), mWidth(image.GetWidth()), mHeight(image.GetHeight()),
          mLastPass(interlaced ? 3 : 0), mStep(interlaced ? kSteps[0] : 1), mPalette(palette),
          mTransparent(transparent)
    {
    }

    // False once every row is full.
    bool Put(uint8_t index)
    {
        if (mFull)
            return false;
        mBits[size_t(mY) * size_t(mWidth) + size_t(mX)] = index == mTransparent ? 0u : mPalette[index];
        if (++mX == mWidth) {
            mX = 0;
            NextRow();
        }
        return !mFull;
    }

private:
    static constexpr int kStarts[4] = {0, 4, 2, 1};
    static constexpr int kSteps[4] = {8, 8, 4, 2};

    void NextRow()
    {
        mY += mStep;
        while (mY >= mHeight) {
            if (mPass == mLastPass) {
                mFull = true;
                return;
            }
            ++mPass;
            mY = kStarts[mPass];
            mStep = kSteps[mPass];
        }
    }

    uint32_t* mBits;
    int mWidth;
    int mHeight;
    int mLastPass;
    int mStep;
    const Palette& mPalette;
    int mTransparent;
    int mPass = 0;
    int mX = 0;
    int mY = 0;
    bool mFull = false;
};

void DecodeLzw(CodeReader& codes, int minCodeSize, RowWriter& out)
{
    std::array<uint16_t, kTableSize> prefix{};
    std::array<uint8_t, kTableSize> suffix{};
    // The longest string is one byte per table entry, plus the repeated first
    // byte of a code that refers to the entry it creates.
    std::array<uint8_t, kTableSize + 1> stack{};
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i)
        suffix[size_t(i)] = static_cast<uint8_t>(i);

    int width = minCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    uint8_t first = 0;
    for (;;) {
        const int code = codes.Next(width);
        if (code < 0 || code == end || code > next)
            return;
        if (code == clear) {
            width = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            first = suffix[size_t(code)];
            if (!out.Put(first))
                return;
            previous = code;
            continue;
        }
        // A full table takes no further entry: the data is treated as ended.
        if (next >= kTableSize)
            return;

        size_t depth = 0;
        int c = code;
        if (code == next) {
            stack[depth++] = first;
            c = previous;
        }
        while (c >= clear && depth < kTableSize) {
            stack[depth++] = suffix[size_t(c)];
            c = prefix[size_t(c)];
        }
        // Entries left from before a clear can chain into a loop.
        if (c >= clear)
            return;
        first = suffix[size_t(c)];
        stack[depth++] = first;
        while (depth > 0) {
            if (!out.Put(stack[--depth]))
                return;
        }

        prefix[size_t(next)] = static_cast<uint16_t>(previous);
        suffix[size_t(next)] = first;
        ++next;
        previous = code;
        if (next == (1 << width) && width < kMaxCodeBits)
            ++width;
    }
}

} // namespace

std::unique_ptr<Image> DecodeGIF(std::span<const uint8_t> data)
{
    ByteReader in(data);
    const uint8_t* signature = in.Take(6);
    if (!signature || (std::memcmp(signature, "GIF87", 5) != 0 && std::memcmp(signature, "GIF89", 5) != 0))
        return nullptr;
    const uint8_t* screen = in.Take(7);
    if (!screen)
        return nullptr;
    Palette global{};
    if ((screen[4] & kColourTableFlag) && !ReadColourTable(in, screen[4], global))
        return nullptr;

    int transparent = -1;
    for (;;) {
        uint8_t introducer = 0;
        if (!in.Byte(introducer) || introducer == kTrailer)
            return nullptr;
        if (introducer == kImageStart)
            break;
        if (introducer == kExtension && !ReadExtension(in, transparent))
            return nullptr;
    }

    const uint8_t* descriptor = in.Take(9);
    if (!descriptor)
        return nullptr;
    const uint16_t width = U16(descriptor + 4);
    const uint16_t height = U16(descriptor + 6);
    const uint8_t flags = descriptor[8];
    Palette local{};
    if ((flags & kColourTableFlag) && !ReadColourTable(in, flags, local))
        return nullptr;

    uint8_t minCodeSize = 0;
    if (!in.Byte(minCodeSize) || minCodeSize < kMinCodeSizeLow || minCodeSize > kMinCodeSizeHigh)
        return nullptr;
    std::unique_ptr<Image> image = Image::Create(width, height);
    if (!image)
        return nullptr;

    RowWriter rows(*image, (flags & kInterlacedFlag) != 0, (flags & kColourTableFlag) ? local : global, transparent);
    CodeReader codes(in);
    DecodeLzw(codes, minCodeSize, rows);
    return image;
}

} // namespace ImageLib
