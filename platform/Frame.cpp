#include "platform/Frame.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <vector>

namespace Platform {

namespace {

// One channel of a source pixel: where it lies and what each of its values
// becomes in 8 bits.
class Channel {
public:
    // The span from the lowest to the highest set bit, so that a mask with
    // gaps cannot yield a value past the table.
    explicit Channel(uint32_t mask)
        : mMask(mask), mShift(PixelFormat::Shift(mask)), mBits(mask ? 32 - std::countl_zero(mask) - mShift : 0)
    {
        if (mBits > 8 || mBits == 0)
            return;
        for (uint32_t value = 0; value < (1u << mBits); ++value)
            mWiden[value] = Widen(value, mBits);
    }

    uint32_t Of(uint32_t pixel) const
    {
        const uint32_t value = (pixel & mMask) >> mShift;
        if (mBits > 8)
            return value >> (mBits - 8);
        return mWiden[value];
    }

private:
    static uint32_t Widen(uint32_t value, int bits)
    {
        uint32_t widened = 0;
        int filled = 0;
        while (filled < 8) {
            widened = widened << bits | value;
            filled += bits;
        }
        return widened >> (filled - 8);
    }

    uint32_t mMask;
    int mShift;
    int mBits;
    std::array<uint32_t, 256> mWiden{};
};

void ConvertRows(const Frame& frame, uint32_t* destination, int destinationPitch)
{
    const Channel red(frame.format.redMask);
    const Channel green(frame.format.greenMask);
    const Channel blue(frame.format.blueMask);
    const auto* sourceRow = static_cast<const uint8_t*>(frame.pixels);
    auto* destinationRow = reinterpret_cast<uint8_t*>(destination);
    for (int y = 0; y < frame.height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(destinationRow);
        for (int x = 0; x < frame.width; ++x) {
            uint32_t pixel;
            // Rows of a surface need not be aligned for a word.
            std::memcpy(&pixel, sourceRow + size_t(x) * 4, 4);
            out[x] = 0xFF000000u | red.Of(pixel) << 16 | green.Of(pixel) << 8 | blue.Of(pixel);
        }
        sourceRow += frame.pitch;
        destinationRow += destinationPitch;
    }
}

// Every 16-bit pixel's word, for the format last converted on this thread:
// one lookup a pixel instead of three channels.
const std::vector<uint32_t>& SixteenBitWords(const PixelFormat& format)
{
    thread_local PixelFormat cached;
    thread_local std::vector<uint32_t> words;
    if (words.empty() || !(cached == format)) {
        const Channel red(format.redMask);
        const Channel green(format.greenMask);
        const Channel blue(format.blueMask);
        words.resize(65536);
        for (uint32_t pixel = 0; pixel < 65536; ++pixel)
            words[pixel] = 0xFF000000u | red.Of(pixel) << 16 | green.Of(pixel) << 8 | blue.Of(pixel);
        cached = format;
    }
    return words;
}

void ConvertSixteenBitRows(const Frame& frame, uint32_t* destination, int destinationPitch)
{
    const uint32_t* words = SixteenBitWords(frame.format).data();
    const auto* sourceRow = static_cast<const uint8_t*>(frame.pixels);
    auto* destinationRow = reinterpret_cast<uint8_t*>(destination);
    for (int y = 0; y < frame.height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(destinationRow);
        for (int x = 0; x < frame.width; ++x) {
            uint16_t pixel;
            std::memcpy(&pixel, sourceRow + size_t(x) * 2, 2);
            out[x] = words[pixel];
        }
        sourceRow += frame.pitch;
        destinationRow += destinationPitch;
    }
}

void CopyX8R8G8B8(const Frame& frame, uint32_t* destination, int destinationPitch)
{
    const auto* sourceRow = static_cast<const uint8_t*>(frame.pixels);
    auto* destinationRow = reinterpret_cast<uint8_t*>(destination);
    for (int y = 0; y < frame.height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(destinationRow);
        std::memcpy(out, sourceRow, size_t(frame.width) * 4);
        // The unused byte holds whatever the blitters left there.
        for (int x = 0; x < frame.width; ++x)
            out[x] |= 0xFF000000u;
        sourceRow += frame.pitch;
        destinationRow += destinationPitch;
    }
}

} // namespace

bool IsReadable(const Frame& frame)
{
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.width > kMaxFrameSide ||
        frame.height > kMaxFrameSide)
        return false;
    if (frame.format.bitsPerPixel != 16 && frame.format.bitsPerPixel != 32)
        return false;
    return int64_t{frame.pitch} >= int64_t{frame.width} * frame.format.BytesPerPixel();
}

bool ConvertToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch)
{
    if (!IsReadable(frame) || !destination || destinationPitch % 4 != 0 ||
        int64_t{destinationPitch} < int64_t{frame.width} * 4)
        return false;
    if (frame.format == kFormatX8R8G8B8)
        CopyX8R8G8B8(frame, destination, destinationPitch);
    else if (frame.format.bitsPerPixel == 16)
        ConvertSixteenBitRows(frame, destination, destinationPitch);
    else
        ConvertRows(frame, destination, destinationPitch);
    return true;
}

bool ScaleToXrgb8888(const Frame& frame, uint32_t* destination, int destinationPitch, int width, int height)
{
    if (!IsReadable(frame) || !destination || width < 1 || height < 1 || width > kMaxFrameSide ||
        height > kMaxFrameSide || destinationPitch % 4 != 0 || int64_t{destinationPitch} < int64_t{width} * 4)
        return false;
    // Each output pixel takes the source pixel under its centre.
    std::vector<int> column(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        column[static_cast<size_t>(x)] = static_cast<int>((2 * int64_t{x} + 1) * frame.width / (2 * int64_t{width}));
    std::vector<uint32_t> row(static_cast<size_t>(frame.width));
    const auto* source = static_cast<const uint8_t*>(frame.pixels);
    auto* out = reinterpret_cast<uint8_t*>(destination);
    int converted = -1;
    const uint32_t* previous = nullptr;
    for (int y = 0; y < height; ++y, out += destinationPitch) {
        auto* line = reinterpret_cast<uint32_t*>(out);
        const int sourceY = static_cast<int>((2 * int64_t{y} + 1) * frame.height / (2 * int64_t{height}));
        if (sourceY == converted) {
            std::memcpy(line, previous, size_t(width) * 4);
            continue;
        }
        const Frame one{source + static_cast<ptrdiff_t>(sourceY) * frame.pitch, frame.pitch, frame.width, 1,
                        frame.format};
        ConvertToXrgb8888(one, row.data(), frame.width * 4);
        for (int x = 0; x < width; ++x)
            line[x] = row[static_cast<size_t>(column[static_cast<size_t>(x)])];
        converted = sourceY;
        previous = line;
    }
    return true;
}

} // namespace Platform
