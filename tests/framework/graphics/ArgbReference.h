#pragma once
// The blend formulas of memory images, one channel at a time, written from
// their definitions rather than from the pair arithmetic of the blitters:
// the tests compare the blitters against these on tables of pixels. Channel
// i is 0 red, 1 green, 2 blue; `floor` is integer division.

#include "framework/graphics/Color.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace Reference {

inline uint32_t Alpha(uint32_t p) { return p >> 24; }
inline uint32_t Channel(uint32_t p, int i) { return (p >> (16 - 8 * i)) & 0xFF; }
inline uint32_t Pack(uint32_t a, const uint32_t c[3]) { return a << 24 | c[0] << 16 | c[1] << 8 | c[2]; }
inline uint32_t Saturate(uint32_t v) { return std::min(v, 255u); }

// The alpha of weight a over destination alpha dA, and the colour's share.
inline uint32_t OutAlpha(uint32_t dA, uint32_t a) { return (255 - dA) * a / 255 + dA; }
inline uint32_t Share(uint32_t a, uint32_t outA) { return 255 * a / outA; }

// Colour c with weight a over d: every channel floor((d(256-w) + cw) / 256).
inline uint32_t Over(uint32_t d, uint32_t c, uint32_t a)
{
    const uint32_t outA = OutAlpha(Alpha(d), a);
    if (outA == 0)
        return d;
    const uint32_t w = Share(a, outA);
    uint32_t out[3];
    for (int i = 0; i < 3; ++i)
        out[i] = (Channel(d, i) * (256 - w) + Channel(c, i) * w) / 256;
    return Pack(outA, out);
}

// The blit's mix with weight w: red and green floor((d(256-w) + sw) / 256),
// blue the sum of the two floors.
inline uint32_t Mix(uint32_t d, uint32_t s, uint32_t w, uint32_t alpha)
{
    uint32_t out[3];
    for (int i = 0; i < 2; ++i)
        out[i] = (Channel(d, i) * (256 - w) + Channel(s, i) * w) / 256;
    out[2] = Channel(d, 2) * (256 - w) / 256 + Channel(s, 2) * w / 256;
    return Pack(alpha, out);
}

// Normal blits, by variant.
inline uint32_t BltOntoOpaque(uint32_t d, uint32_t s)
{
    const uint32_t a = Alpha(s);
    return a == 255 ? s : a == 0 ? d : Mix(d, s, a, 255);
}

inline uint32_t BltWhite(uint32_t d, uint32_t s)
{
    const uint32_t a = Alpha(s);
    if (a == 0)
        return d;
    const uint32_t outA = OutAlpha(Alpha(d), a);
    return Mix(d, s, Share(a, outA), outA);
}

inline uint32_t BltGrey(uint32_t d, uint32_t s, uint32_t k, uint32_t colorAlpha)
{
    const uint32_t a = Alpha(s) * colorAlpha / 255;
    if (a == 0)
        return d;
    const uint32_t outA = OutAlpha(Alpha(d), a);
    const uint32_t w = Share(a, outA);
    uint32_t out[3];
    out[0] = (Channel(s, 0) * k / 256 * w + Channel(d, 0) * (256 - w)) / 256;
    out[1] = (Channel(s, 1) * w * k / 256 + Channel(d, 1) * (256 - w)) / 256;
    out[2] = Channel(s, 2) * k / 256 * w / 256 + Channel(d, 2) * (256 - w) / 256;
    return Pack(outA, out);
}

inline uint32_t BltColour(uint32_t d, uint32_t s, const Vorn::Color& color)
{
    const uint32_t a = Alpha(s) * static_cast<uint32_t>(color.mAlpha) / 255;
    if (a == 0)
        return d;
    const uint32_t outA = OutAlpha(Alpha(d), a);
    const uint32_t w = Share(a, outA);
    const uint32_t c[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
        static_cast<uint32_t>(color.mBlue)};
    uint32_t out[3];
    out[0] = (Channel(s, 0) * w * c[0] / 256 + Channel(d, 0) * (256 - w)) / 256;
    out[1] = (Channel(s, 1) * w * c[1] / 256 + Channel(d, 1) * (256 - w)) / 256;
    out[2] = (Channel(s, 2) * w * c[2] / 65536 + Channel(d, 2) * (256 - w) / 256) & 0xFF;
    return Pack(outA, out);
}

inline uint32_t BltNormal(uint32_t d, uint32_t s, const Vorn::Color& color, bool destOpaque)
{
    if (color.IsWhite())
        return destOpaque ? BltOntoOpaque(d, s) : BltWhite(d, s);
    if (color.mRed == color.mGreen && color.mGreen == color.mBlue)
        return BltGrey(d, s, static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mAlpha));
    return BltColour(d, s, color);
}

// What an additive draw of the colour adds per channel.
inline uint32_t Added(const Vorn::Color& color, int i)
{
    const int c[3] = {color.mRed, color.mGreen, color.mBlue};
    return static_cast<uint32_t>(c[i] * color.mAlpha / 255);
}

inline uint32_t BltAdditive(uint32_t d, uint32_t s, const Vorn::Color& color, bool sourceHasAlpha)
{
    const uint32_t sA = Alpha(s);
    uint32_t out[3];
    for (int i = 0; i < 3; ++i) {
        const uint32_t sx = Channel(s, i);
        uint32_t add = sx;
        if (color.IsWhite())
            add = sourceHasAlpha ? sx * sA / 256 : sx;
        else if (!sourceHasAlpha)
            add = sx * Added(color, i) / 256;
        else if (i < 2)
            add = sx * Added(color, i) * sA / 65536;
        else
            add = sx * Added(color, i) / 256 * sA / 256;
        out[i] = Saturate(Channel(d, i) + add);
    }
    return Pack(Alpha(d), out);
}

// A pixel of a plain (stepped) line: floor((x * 255 + 127.5) / 256) rounds
// the colour terms, blue with + 127.
inline uint32_t HalfUp(uint32_t x) { return (2 * x * 255 + 255) / 512; }
inline uint32_t BlueUp(uint32_t x) { return (x * 255 + 127) / 256; }

inline uint32_t LinePixel(uint32_t d, const Vorn::Color& color, int mode)
{
    const uint32_t a = static_cast<uint32_t>(color.mAlpha);
    const uint32_t c[3] = {static_cast<uint32_t>(color.mRed), static_cast<uint32_t>(color.mGreen),
        static_cast<uint32_t>(color.mBlue)};
    uint32_t out[3];
    for (int i = 0; i < 3; ++i) {
        if (mode == 1) {
            out[i] = Saturate(Channel(d, i) + Added(color, i));
        } else if (a == 255) {
            out[i] = i == 2 ? BlueUp(c[i]) : HalfUp(c[i]);
        } else {
            const uint32_t scaled = (c[i] * a + 128) / 256;
            const uint32_t kept = Channel(d, i) * (256 - a);
            out[i] = i == 2 ? (kept + 127) / 256 + BlueUp(scaled) : (2 * kept + 255) / 512 + HalfUp(scaled);
        }
    }
    return Pack(255, out);
}

// The premultiplied word of a pixel in a display format of these masks:
// each channel floor(c * (alpha + 1) / 256), cut to its top bits and moved
// to its place; the alpha byte on top.
inline uint32_t Premultiplied(uint32_t argb, const uint32_t masks[3])
{
    uint32_t word = argb & 0xFF000000;
    for (int i = 0; i < 3; ++i) {
        const uint32_t c = Channel(argb, i) * (Alpha(argb) + 1) / 256;
        word |= (c >> (8 - __builtin_popcount(masks[i]))) << __builtin_ctz(masks[i]);
    }
    return word;
}

// Back from the premultiplied word: each channel ((w & m) * 256 / (alpha +
// 1)) & m, moved down and widened to 8 bits with its low bits empty.
inline uint32_t Unpremultiplied(uint32_t word, const uint32_t masks[3])
{
    uint32_t argb = word & 0xFF000000;
    for (int i = 0; i < 3; ++i) {
        const uint32_t v = ((word & masks[i]) * 256 / ((word >> 24) + 1)) & masks[i];
        argb |= (v >> __builtin_ctz(masks[i])) << (8 - __builtin_popcount(masks[i])) << (16 - 8 * i);
    }
    return argb;
}

// Pixels for the tables: every alpha class and the boundary channel values,
// mixed with pseudo-random ones from a fixed seed.
inline std::vector<uint32_t> SamplePixels(size_t count, uint32_t seed, bool anyAlpha = true)
{
    static const uint32_t kEdges[] = {0, 1, 2, 127, 128, 129, 254, 255};
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = random();
        if (i % 3 == 0)
            p = kEdges[random() % 8] << 16 | kEdges[random() % 8] << 8 | kEdges[random() % 8] | (p & 0xFF000000u);
        if (i % 4 == 1)
            p = (p & 0xFFFFFF) | kEdges[random() % 8] << 24;
        if (!anyAlpha)
            p |= 0xFF000000u;
        pixels.push_back(p);
    }
    return pixels;
}

} // namespace Reference
