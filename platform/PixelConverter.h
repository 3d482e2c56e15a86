#pragma once
// One pixel format to and from opaque 0xFFRRGGBB words, the form every frame
// takes on its way to the window. A channel narrower than 8 bits widens by
// repeating its bits, so that full intensity stays full (5-bit 31 becomes
// 255); a wider one keeps its top 8 bits. The way back rounds each 8-bit
// channel to the nearest value of the format's channel, which undoes the
// widening exactly.
//
// Word and Pixel define the results; the row forms give the same results,
// eight 16-bit or four 32-bit pixels at a time where SSE2 is there.

#include "platform/PixelFormat.h"

#include <array>
#include <cstdint>

namespace Platform {

class PixelConverter {
public:
    explicit PixelConverter(const PixelFormat& format);

    const PixelFormat& Format() const { return mFormat; }

    uint32_t Word(uint32_t pixel) const;
    // `count` pixels of the format, at any alignment, into words.
    void Words(const uint8_t* pixels, uint32_t* words, int count) const;
    // The same, the pixels also copied as they are into `copy` in the same
    // pass: a row read once for the window and for the screen that keeps
    // it. `copy` may lie at any alignment but not over the other two.
    void WordsCopying(const uint8_t* pixels, uint32_t* words, uint8_t* copy, int count) const;

    // The channels of a word as a pixel of the format; bits outside the
    // three masks are 0.
    uint32_t Pixel(uint32_t word) const;
    // `count` words into pixels of the format, at any alignment.
    void Pixels(const uint32_t* words, uint8_t* pixels, int count) const;

private:
    // Where a channel lies and how its value becomes 8 bits: the span from
    // the lowest to the highest set bit of the mask (so a mask with gaps
    // still yields at most 8 bits) shifted down to at most 8 bits, times a
    // multiplier that repeats those bits side by side, shifted down again.
    struct Channel {
        explicit Channel(uint32_t mask);
        uint32_t Widen(uint32_t pixel) const { return ((pixel & mask) >> shift) * repeat >> drop; }

        uint32_t mask;
        int shift;
        uint32_t repeat;
        int drop;
        // The 8-bit value placed back in the channel's bits.
        std::array<uint32_t, 256> narrowed{};
    };

    void WordsFrom16(const uint8_t* pixels, uint32_t* words, int count) const;
    void WordsFrom32(const uint8_t* pixels, uint32_t* words, int count) const;

    PixelFormat mFormat;
    Channel mRed;
    Channel mGreen;
    Channel mBlue;
};

} // namespace Platform
