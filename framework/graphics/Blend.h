#pragma once
// Per-pixel blends on straight-alpha 0xAARRGGBB words, shared by the software
// blitters of this folder. Red and blue travel as one pair (word AND
// 0xFF00FF) and green alone (word AND 0xFF00), so one multiply serves two
// channels; every product stays within 32 bits and no channel carries into
// the next. Not for use outside framework/graphics.

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace Vorn::Blend {

inline constexpr uint32_t kRedBlue = 0xFF00FFu;
inline constexpr uint32_t kGreen = 0xFF00u;
inline constexpr uint32_t kAlpha = 0xFF000000u;

// Entry i is min(i, 255): the sum of two channel values saturates in one
// lookup.
inline constexpr std::array<uint8_t, 512> kSaturate = [] {
    std::array<uint8_t, 512> table{};
    for (int i = 0; i < 512; ++i)
        table[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 255 ? i : 255);
    return table;
}();

inline uint32_t Channel(uint32_t argb, int shift)
{
    return (argb >> shift) & 0xFFu;
}

// d weighted 256 - w plus s weighted w, over 256, as pairs: red and green
// come out as floor((d * (256 - w) + s * w) / 256), blue as the sum of the
// two floors.
inline uint32_t Mix(uint32_t d, uint32_t s, uint32_t w, uint32_t alphaBits)
{
    const uint32_t rb = (((d & kRedBlue) * (256 - w)) >> 8) + (((s & kRedBlue) * w) >> 8);
    const uint32_t g = (((d & kGreen) * (256 - w)) >> 8) + (((s & kGreen) * w) >> 8);
    return (rb & kRedBlue) | (g & kGreen) | alphaBits;
}

// The alpha of colour weight a laid over destination alpha dA.
inline uint32_t OverAlpha(uint32_t dA, uint32_t a)
{
    return (255 - dA) * a / 255 + dA;
}

// Colour c with weight a (0..255) over pixel d: the new alpha, and the
// colour's share of it as the mixing weight (at most 255). Nothing changes
// where the result would be fully transparent.
inline uint32_t Over(uint32_t d, uint32_t c, uint32_t a)
{
    const uint32_t outA = OverAlpha(d >> 24, a);
    if (outA == 0)
        return d;
    const uint32_t w = 255 * a / outA;
    const uint32_t rb = ((d & kRedBlue) * (256 - w) + (c & kRedBlue) * w) >> 8;
    const uint32_t g = ((d & kGreen) * (256 - w) + (c & kGreen) * w) >> 8;
    return (rb & kRedBlue) | (g & kGreen) | (outA << 24);
}

// Channel sums into the saturating table, the destination's alpha kept.
inline uint32_t AddChannels(uint32_t d, uint32_t r, uint32_t g, uint32_t b)
{
    return (d & kAlpha) | (uint32_t{kSaturate[Channel(d, 16) + r]} << 16) |
           (uint32_t{kSaturate[Channel(d, 8) + g]} << 8) | kSaturate[Channel(d, 0) + b];
}

// The colour's channels scaled by its alpha: what an additive draw adds.
// Components are held to 0..255, so that no sum indexes past kSaturate.
struct AdditiveColor {
    explicit AdditiveColor(const Color& color)
        : r(Scaled(color.mRed, color.mAlpha)), g(Scaled(color.mGreen, color.mAlpha)),
          b(Scaled(color.mBlue, color.mAlpha))
    {
    }
    static uint32_t Scaled(int channel, int alpha)
    {
        return static_cast<uint32_t>(std::clamp(channel, 0, 255) * std::clamp(alpha, 0, 255) / 255);
    }
    uint32_t r;
    uint32_t g;
    uint32_t b;
};

// Holds a rectangle to [0, width) x [0, height); false when nothing is left.
inline bool ClipToBounds(Rect& rect, int width, int height)
{
    rect = rect.Intersection(Rect(0, 0, width, height));
    return rect.mWidth > 0 && rect.mHeight > 0;
}

} // namespace Vorn::Blend
