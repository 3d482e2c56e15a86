#pragma once
// The formulas of software drawing on a surface, in the surface's own pixel
// format, written from their definitions one channel or one spread word at
// a time: the tests compare the drawing against these on tables of pixels.
// A 16-bit result is kept to its low 16 bits; products wrap in 32 bits.

#include "framework/graphics/ArgbReference.h"
#include "framework/graphics/Color.h"
#include "platform/PixelFormat.h"

#include <algorithm>
#include <cstdint>

namespace SurfaceReference {

struct Format {
    explicit Format(const Platform::PixelFormat& f)
        : bits(f.bitsPerPixel), m{f.redMask, f.greenMask, f.blueMask},
          k(f.greenMask == 0x07E0 ? 0x07E0F81Fu : f.greenMask == 0x03E0 ? 0x03E07C1Fu : 0),
          standard(f.IsStandardOrder())
    {
    }
    int Shift(int c) const { return __builtin_ctz(m[c]); }
    int Width(int c) const { return __builtin_popcount(m[c]); }
    uint32_t Store(uint32_t v) const { return bits == 16 ? v & 0xFFFF : v; }
    int bits;
    uint32_t m[3];
    uint32_t k;
    bool standard;
};

inline uint32_t Spread(uint32_t v, uint32_t k) { return ((v << 16) | v) & k; }
inline uint32_t Fold(uint32_t v) { return ((v >> 16) | v) & 0xFFFF; }

template <typename PerChannel>
uint32_t Sum(const Format& f, PerChannel per)
{
    return per(f.m[0], 0) + per(f.m[1], 1) + per(f.m[2], 2);
}

// The colour's products c' = c * A / 255.
struct Tint {
    explicit Tint(const Vorn::Color& color)
        : white(color.IsWhite()), a(static_cast<uint32_t>(color.mAlpha)),
          c{static_cast<uint32_t>(color.mRed) * a / 255, static_cast<uint32_t>(color.mGreen) * a / 255,
              static_cast<uint32_t>(color.mBlue) * a / 255}
    {
    }
    bool Grey() const { return c[0] == c[1] && c[1] == c[2]; }
    bool white;
    uint32_t a;
    uint32_t c[3];
};

// The run path: native word s over surface pixel d.
inline uint32_t Run(const Format& f, uint32_t d, uint32_t s, const Tint& t)
{
    const uint32_t sa = s >> 24;
    if (sa == 0)
        return d;
    const bool opaque = sa == 255 && (t.white || t.a == 255);
    const uint32_t a = t.white ? sa : sa * t.a / 255;
    uint32_t v = 0;
    if (f.bits == 16 && t.white && f.k)
        v = opaque ? s : Fold(((Spread(d, f.k) * ((256 - a) >> 3)) >> 5) & f.k) + s;
    else if (f.bits == 16 && t.white)
        v = opaque ? s : Sum(f, [&](uint32_t m, int) { return (((d & m) * (256 - a)) >> 8) & m; }) + s;
    else if (f.bits == 16 && f.k && t.Grey()) {
        const uint32_t k = t.c[0] >> 3;
        const uint32_t scaled = Spread(s & 0xFFFF, f.k) * k;
        v = Fold(((opaque ? scaled : scaled + Spread(d, f.k) * ((256 - a) >> 3)) >> 5) & f.k);
    } else if (f.bits == 32 && t.white) {
        v = opaque ? s
                   : ((((d & 0xFF00FF) * (256 - a)) >> 8) & 0xFF00FF) + ((((d & 0xFF00) * (256 - a)) >> 8) & 0xFF00) + s;
    } else if (f.bits == 32 && t.Grey()) {
        const uint32_t k = t.c[0];
        const uint32_t keep = opaque ? 0 : 256 - a;
        v = ((((d & 0xFF00FF) * keep + (s & 0xFF00FF) * k) >> 8) & 0xFF00FF) +
            ((((d & 0xFF00) * keep + (s & 0xFF00) * k) >> 8) & 0xFF00);
    } else {
        const uint32_t keep = opaque ? 0 : 256 - a;
        v = Sum(f, [&](uint32_t m, int i) { return (((d & m) * keep + (s & m) * t.c[i]) >> 8) & m; });
    }
    return f.Store(v);
}

// A volatile source, blended from its ARGB word c.
inline uint32_t Volatile(const Format& f, uint32_t d, uint32_t c)
{
    const uint32_t a = c >> 24;
    if (f.bits == 16 && f.standard && f.k) {
        const uint32_t s = f.k == 0x07E0F81F ? ((c & 0xFC00) << 11) + ((c >> 3) & 0x1F) + ((c >> 8) & 0xF800)
                                             : ((c >> 3) & 0x1F) + ((c >> 9) & 0x7C00) + ((c & 0xF800) << 10);
        const uint32_t dd = Spread(d, f.k);
        return Fold(((((s - dd) * (c >> 27)) >> 5) + dd) & f.k);
    }
    if (f.bits == 32 && f.standard)
        return (((((c & 0xFF00FF) - (d & 0xFF00FF)) * a >> 8) + (d & 0xFF00FF)) & 0xFF00FF) |
               (((((c & 0xFF00) - (d & 0xFF00)) * a >> 8) + (d & 0xFF00)) & 0xFF00);
    return f.Store(Sum(f, [&](uint32_t m, int i) {
        const uint32_t k = Reference::Channel(c, i);
        const uint32_t added = f.bits == 16 ? (k * a * m) >> 8 : ((k * a) >> 8) * m;
        return (((d & m) * (256 - a) + added + (m >> 1)) >> 8) & m;
    }));
}

// The saturating table of a channel n bits wide.
inline uint32_t Saturated(uint32_t index, int n) { return std::min(index, (1u << n) - 1); }

// The additive run path: words without colour bits add nothing.
inline uint32_t Additive(const Format& f, uint32_t d, uint32_t s, const Tint& t)
{
    if ((s & 0xFFFFFF) == 0)
        return d;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t m = f.m[c];
        const int sh = f.Shift(c);
        const uint32_t index =
            t.white ? ((d & m) + (s & m)) >> sh : ((((s & m) >> sh) * t.c[c]) >> 8) + ((d & m) >> sh);
        out |= Saturated(index, f.Width(c)) << sh;
    }
    return f.Store(out);
}

// A pixel of the rotated blit's loops: the weighed taps (channel sums s of
// red, green and blue, coverage w) over the surface pixel d. Any mode but 0
// adds; a colour other than white takes the colorized mask loop; white takes
// the packed loops of 5-6-5, 5-5-5 and 32 bits in the standard order, and
// the mask loop on any other layout.
inline uint32_t Rotated(const Format& f, uint32_t d, const uint32_t s[3], uint32_t w, const Vorn::Color& color, int mode)
{
    const uint32_t inv = 256 - w;
    const auto kept = [&](int c) { return (((d & f.m[c]) * inv) >> 8) & f.m[c]; };
    uint32_t out = 0;
    if (mode != 0) {
        const Tint t(color);
        const uint32_t terms[3] = {((s[0] >> (16 - f.Width(0))) * t.c[0]) >> 8, (s[1] * t.c[1]) >> (24 - f.Width(1)),
            (s[2] * t.c[2]) >> (24 - f.Width(2))};
        for (int c = 0; c < 3; ++c)
            out |= Saturated(terms[c] + ((d & f.m[c]) >> f.Shift(c)), f.Width(c)) << f.Shift(c);
        return f.Store(out);
    }
    if (!color.IsWhite()) {
        const uint32_t terms[3] = {(s[0] * static_cast<uint32_t>(color.mRed + 1)) >> (24 - f.Width(0)),
            (s[1] * static_cast<uint32_t>(color.mGreen + 1)) >> (24 - f.Width(1)),
            ((s[2] >> 8) * static_cast<uint32_t>(color.mBlue + 1)) >> (16 - f.Width(2))};
        for (int c = 0; c < 3; ++c)
            out |= (terms[c] << f.Shift(c)) + kept(c);
        return f.Store(out);
    }
    if (f.standard && f.bits == 16 && f.k == 0x07E0F81F)
        return Fold((((Spread(d, f.k) * (inv >> 3)) >> 5) & f.k) + ((s[1] >> 10) << 21) + ((s[0] >> 11) << 11) +
                    (s[2] >> 11));
    if (f.standard && f.bits == 16 && f.k == 0x03E07C1F)
        return Fold((((Spread(d, f.k) * (inv >> 3)) >> 5) & f.k) + ((s[1] >> 11) << 21) + ((s[0] >> 11) << 10) +
                    (s[2] >> 11));
    if (f.standard && f.bits == 32) {
        for (int c = 0; c < 3; ++c) {
            const int at = 16 - 8 * c;
            out |= ((s[c] >> 8) + ((((d >> at) & 0xFF) * inv) >> 8)) << at;
        }
        return out;
    }
    for (int c = 0; c < 3; ++c)
        out |= ((s[c] >> (16 - f.Width(c))) << f.Shift(c)) + kept(c);
    return f.Store(out);
}

// Rectangle fills on the surface.
inline uint32_t FillNormal(const Format& f, uint32_t d, const Vorn::Color& color)
{
    const uint32_t a = static_cast<uint32_t>(color.mAlpha);
    const uint32_t c[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
        static_cast<uint32_t>(color.mBlue)};
    const bool wide = f.bits == 32;
    if (a == 255)
        return Sum(f, [&](uint32_t m, int i) { return ((wide ? c[i] : c[i] + 1) * m >> 8) & m; });
    const uint32_t round = wide ? 127 : 128;
    const uint32_t s = Sum(f, [&](uint32_t m, int i) { return ((((c[i] * a + round) >> 8) + 1) * m >> 8) & m; });
    return f.Store(s + Sum(f, [&](uint32_t m, int) { return (((d & m) * (256 - a) + (wide ? 0 : m)) >> 8) & m; }));
}

inline uint32_t FillAdditive(const Format& f, uint32_t d, const Vorn::Color& color)
{
    const int c[3] = {color.mRed, color.mGreen, color.mBlue};
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        const uint32_t added = static_cast<uint32_t>(c[i] * color.mAlpha / 255) >> (8 - f.Width(i));
        out |= Saturated(((d & f.m[i]) >> f.Shift(i)) + added, f.Width(i)) << f.Shift(i);
    }
    return f.Store(out);
}

// The coverage-weighted fill: the colour in the surface's format, weighed
// by ((coverage + 1) * A) >> 8.
inline uint32_t Coverage(const Format& f, uint32_t d, const Vorn::Color& color, uint32_t coverage)
{
    const uint32_t c[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
        static_cast<uint32_t>(color.mBlue)};
    const uint32_t p = Sum(f, [&](uint32_t m, int i) { return (c[i] * m >> 8) & m; });
    const uint32_t a = ((coverage + 1) * static_cast<uint32_t>(color.mAlpha)) >> 8;
    return f.Store(Sum(f, [&](uint32_t m, int) { return (((d & m) * (256 - a) + (p & m) * a) >> 8) & m; }));
}

} // namespace SurfaceReference
