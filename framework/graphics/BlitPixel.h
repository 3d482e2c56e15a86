#pragma once
// What one source pixel does to one destination pixel in the blits of a
// memory image, for every colour and draw mode: the per-pixel forms of the
// plain blit, which the nearest-pixel stretch shares. Each is a function
// object (destination, source) -> new destination. Not for use outside
// framework/graphics.

#include "framework/graphics/Blend.h"

#include <algorithm>
#include <cstdint>

namespace Vorn::BlitPixel {

using Blend::Channel;
using Blend::kGreen;
using Blend::kRedBlue;

// White colour: the over blend of the source alpha, alpha 0 leaves the pixel.
struct NormalWhite {
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        const uint32_t a = s >> 24;
        if (a == 0)
            return d;
        const uint32_t outA = Blend::OverAlpha(d >> 24, a);
        return Blend::Mix(d, s, 255 * a / outA, outA << 24);
    }
};

// The colour's alpha times the source's, then the over blend's alpha and
// weight; false when the pixel stays.
inline bool Cover(uint32_t d, uint32_t s, uint32_t colorAlpha, uint32_t& outA, uint32_t& w)
{
    const uint32_t a = (s >> 24) * colorAlpha / 255;
    if (a == 0)
        return false;
    outA = Blend::OverAlpha(d >> 24, a);
    w = 255 * a / outA;
    return true;
}

// A grey colour (red = green = blue = k).
struct NormalGrey {
    uint32_t colorAlpha;
    uint32_t k;
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        uint32_t outA = 0;
        uint32_t w = 0;
        if (!Cover(d, s, colorAlpha, outA, w))
            return d;
        const uint32_t rb = (((((s & kRedBlue) * k) >> 8) & kRedBlue) * w >> 8) + ((d & kRedBlue) * (256 - w) >> 8);
        const uint32_t g = ((s & kGreen) * w * k >> 16) + ((d & kGreen) * (256 - w) >> 8);
        return (rb & kRedBlue) | (g & kGreen) | (outA << 24);
    }
};

struct NormalTinted {
    uint32_t colorAlpha;
    uint32_t r;
    uint32_t g;
    uint32_t b;
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        uint32_t outA = 0;
        uint32_t w = 0;
        if (!Cover(d, s, colorAlpha, outA, w))
            return d;
        const uint32_t keep = 256 - w;
        const uint32_t red = ((((s & 0xFF0000u) * w >> 8) * r) >> 8) + ((d & 0xFF0000u) * keep >> 8);
        const uint32_t green = ((s & kGreen) * w * g >> 16) + ((d & kGreen) * keep >> 8);
        const uint32_t blue = ((s & 0xFFu) * w * b >> 16) + ((d & 0xFFu) * keep >> 8);
        return (red & 0xFF0000u) | (green & kGreen) | (blue & 0xFFu) | (outA << 24);
    }
};

// Additive forms keep the destination's alpha. Without partial alpha in the
// source its alpha is not looked at.
struct AddWhite {
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        return Blend::AddChannels(d, Channel(s, 16), Channel(s, 8), Channel(s, 0));
    }
};

struct AddWhiteByAlpha {
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        const uint32_t a = s >> 24;
        return Blend::AddChannels(d, Channel(s, 16) * a / 256, Channel(s, 8) * a / 256, Channel(s, 0) * a / 256);
    }
};

struct AddTinted {
    Blend::AdditiveColor k;
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        return Blend::AddChannels(d, Channel(s, 16) * k.r / 256, Channel(s, 8) * k.g / 256, Channel(s, 0) * k.b / 256);
    }
};

struct AddTintedByAlpha {
    Blend::AdditiveColor k;
    uint32_t operator()(uint32_t d, uint32_t s) const
    {
        const uint32_t a = s >> 24;
        return Blend::AddChannels(d, Channel(s, 16) * k.r * a / 65536, Channel(s, 8) * k.g * a / 65536,
            Channel(s, 0) * k.b / 256 * a / 256);
    }
};

inline uint32_t Clamped(int channel)
{
    return static_cast<uint32_t>(std::clamp(channel, 0, 255));
}

// Calls use(pixel) with the per-pixel form of a blit in this colour and mode
// (any mode but normal adds).
template <typename Use>
void WithPixel(const Color& color, int mode, bool sourceHasAlpha, Use use)
{
    const bool white = color.IsWhite();
    if (mode == 0) {
        const uint32_t r = Clamped(color.mRed);
        const uint32_t g = Clamped(color.mGreen);
        const uint32_t b = Clamped(color.mBlue);
        const uint32_t a = Clamped(color.mAlpha);
        if (white)
            use(NormalWhite{});
        else if (r == g && g == b)
            use(NormalGrey{a, r});
        else
            use(NormalTinted{a, r, g, b});
    } else if (white) {
        sourceHasAlpha ? use(AddWhiteByAlpha{}) : use(AddWhite{});
    } else {
        const Blend::AdditiveColor k(color);
        sourceHasAlpha ? use(AddTintedByAlpha{k}) : use(AddTinted{k});
    }
}

} // namespace Vorn::BlitPixel
