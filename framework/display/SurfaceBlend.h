#pragma once
// Per-pixel formulas of the software drawing on a locked surface, in the
// surface's own pixel format, and the loops that walk a blit over it. The
// 5-6-5 and 5-5-5 forms spread a pixel so that green lies in the upper half
// and red and blue in the lower, with empty bits between: one multiply scales
// all three. Every result is exact to the bit; the 16-bit ones are stored as
// their low 16 bits. Only the DDImage files include this.

#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Blend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn::SurfaceBlend {

using Blend::kGreen;
using Blend::kRedBlue;

inline constexpr uint32_t kGreen565 = 0x07E0;
inline constexpr uint32_t kGreen555 = 0x03E0;
inline constexpr uint32_t kSpread565 = 0x07E0F81F;
inline constexpr uint32_t kSpread555 = 0x03E07C1F;

inline uint32_t Spread(uint32_t pixel, uint32_t spreadMask)
{
    return (pixel | (pixel << 16)) & spreadMask;
}

inline uint32_t Fold(uint32_t value)
{
    return (value | (value >> 16)) & 0xFFFFu;
}

// The spread mask of a 16-bit format told apart by its green mask, 0 when it
// is neither 5-6-5 nor 5-5-5.
inline uint32_t SpreadMaskOf(uint32_t greenMask)
{
    return greenMask == kGreen565 ? kSpread565 : greenMask == kGreen555 ? kSpread555 : 0;
}

template <typename Pixel>
Pixel* PixelAt(const DDImage::LockedDesc& desc, int x, int y)
{
    return reinterpret_cast<Pixel*>(desc.mBits + static_cast<ptrdiff_t>(y) * desc.mPitch) + x;
}

// Calls `draw` with a null pointer of the surface's pixel type; false for a
// bit count other than 16 or 32.
template <typename Draw>
bool WithPixelType(int bitsPerPixel, Draw draw)
{
    if (bitsPerPixel == 16)
        draw(static_cast<uint16_t*>(nullptr));
    else if (bitsPerPixel == 32)
        draw(static_cast<uint32_t*>(nullptr));
    else
        return false;
    return true;
}

struct Masks {
    uint32_t m[3];
};

inline Masks MasksOf(const Platform::PixelFormat& format)
{
    return {{format.redMask, format.greenMask, format.blueMask}};
}

// Σ over the channels of per(M_c, c): the terms lie in disjoint bits.
template <typename PerChannel>
uint32_t SumChannels(const Masks& masks, PerChannel per)
{
    return per(masks.m[0], 0) + per(masks.m[1], 1) + per(masks.m[2], 2);
}

// The run formulas: the value of an opaque pixel and of a partly transparent
// one (a is the pixel's alpha, colour alpha applied), from the premultiplied
// source word s over the destination pixel d.
struct Packed16White {
    uint32_t spread;
    uint32_t Opaque(uint32_t s, uint32_t) const { return s; }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return Fold(((Spread(d, spread) * ((256 - a) >> 3)) >> 5) & spread) + s;
    }
};

struct PerChannelWhite {
    Masks masks;
    uint32_t Opaque(uint32_t s, uint32_t) const { return s; }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return SumChannels(masks, [&](uint32_t m, int) { return (((d & m) * (256 - a)) >> 8) & m; }) + s;
    }
};

struct Packed16Grey {
    uint32_t spread;
    uint32_t k;
    uint32_t Opaque(uint32_t s, uint32_t) const { return Fold(((Spread(s & 0xFFFF, spread) * k) >> 5) & spread); }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return Fold(((Spread(s & 0xFFFF, spread) * k + Spread(d, spread) * ((256 - a) >> 3)) >> 5) & spread);
    }
};

struct PerChannelColor {
    Masks masks;
    uint32_t c[3];
    uint32_t Opaque(uint32_t s, uint32_t) const
    {
        return SumChannels(masks, [&](uint32_t m, int i) { return (((s & m) * c[i]) >> 8) & m; });
    }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return SumChannels(masks,
            [&](uint32_t m, int i) { return (((d & m) * (256 - a) + (s & m) * c[i]) >> 8) & m; });
    }
};

#if defined(__SSE2__)
// Four 32-bit pixels at a time: a pixel's bytes in the 16-bit lanes of a
// register, two pixels to a register, lowest byte in the lowest lane.
namespace Wide {

inline __m128i LowPair(__m128i words)
{
    return _mm_unpacklo_epi8(words, _mm_setzero_si128());
}

inline __m128i HighPair(__m128i words)
{
    return _mm_unpackhi_epi8(words, _mm_setzero_si128());
}

// Each 32-bit lane's value (at most 16 bits) in the four 16-bit lanes of its
// pixel: of the low two pixels, of the high two.
inline __m128i PerChannelLow(__m128i perPixel)
{
    const __m128i both = _mm_or_si128(perPixel, _mm_slli_epi32(perPixel, 16));
    return _mm_unpacklo_epi32(both, both);
}

inline __m128i PerChannelHigh(__m128i perPixel)
{
    const __m128i both = _mm_or_si128(perPixel, _mm_slli_epi32(perPixel, 16));
    return _mm_unpackhi_epi32(both, both);
}

// The three low bytes of each pixel in 16-bit lanes; the top byte's lane is
// cleared, as the scalar forms' masks clear it.
inline __m128i ColourLanes()
{
    return _mm_set1_epi64x(0x000000FF00FF00FF);
}

// (word >> 24) * colorAlpha / 255 in each lane: the product is at most
// 65025, where (x + 1 + (x >> 8)) >> 8 is x / 255.
inline __m128i Cover(__m128i words, uint32_t colorAlpha)
{
    const __m128i alpha = _mm_srli_epi32(words, 24);
    if (colorAlpha == 255)
        return alpha;
    const __m128i x = _mm_mullo_epi16(alpha, _mm_set1_epi32(static_cast<int>(colorAlpha)));
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(x, _mm_set1_epi32(1)), _mm_srli_epi32(x, 8)), 8);
}

} // namespace Wide
#endif

struct Pair32White {
    uint32_t Opaque(uint32_t s, uint32_t) const { return s; }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return ((((d & kRedBlue) * (256 - a)) >> 8) & kRedBlue) + ((((d & kGreen) * (256 - a)) >> 8) & kGreen) + s;
    }
#if defined(__SSE2__)
    // d * (256 - a) stays within 16 bits; the source is added as a whole
    // word, carries and top byte as in the scalar sum.
    __m128i Partial(__m128i s, __m128i d, __m128i a) const
    {
        const __m128i keep = _mm_sub_epi32(_mm_set1_epi32(256), a);
        const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(Wide::LowPair(d), Wide::PerChannelLow(keep)), 8);
        const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(Wide::HighPair(d), Wide::PerChannelHigh(keep)), 8);
        const __m128i kept = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0x00FFFFFF));
        return _mm_add_epi32(kept, s);
    }
#endif
};

struct Pair32Grey {
    uint32_t k;
    uint32_t Opaque(uint32_t s, uint32_t) const
    {
        return ((((s & kRedBlue) * k) >> 8) & kRedBlue) + ((((s & kGreen) * k) >> 8) & kGreen);
    }
    uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const
    {
        return ((((d & kRedBlue) * (256 - a) + (s & kRedBlue) * k) >> 8) & kRedBlue) +
               ((((d & kGreen) * (256 - a) + (s & kGreen) * k) >> 8) & kGreen);
    }
#if defined(__SSE2__)
    // A channel's sum d * (256 - a) + s * k reaches 17 bits: each product
    // fits 16, their sum is taken halved (the average rounded down). In the
    // scalar word the lowest channel's 17th bit carries into the third
    // channel's sum; it is carried here too, so that words whose channels
    // exceed their alpha give the same bytes.
    __m128i Partial(__m128i s, __m128i d, __m128i a) const
    {
        const __m128i keep = _mm_sub_epi32(_mm_set1_epi32(256), a);
        const __m128i scale = _mm_set1_epi16(static_cast<short>(k));
        const auto half = [&](__m128i under, __m128i source, __m128i weights) {
            const __m128i p = _mm_mullo_epi16(under, weights);
            const __m128i q = _mm_mullo_epi16(source, scale);
            const __m128i odd = _mm_and_si128(_mm_xor_si128(p, q), _mm_set1_epi16(1));
            const __m128i h = _mm_sub_epi16(_mm_avg_epu16(p, q), odd);
            const __m128i carry = _mm_slli_epi64(_mm_srli_epi16(h, 15), 32);
            const __m128i sum = _mm_add_epi16(h, _mm_and_si128(odd, carry));
            return _mm_and_si128(_mm_srli_epi16(sum, 7), Wide::ColourLanes());
        };
        return _mm_packus_epi16(half(Wide::LowPair(d), Wide::LowPair(s), Wide::PerChannelLow(keep)),
            half(Wide::HighPair(d), Wide::HighPair(s), Wide::PerChannelHigh(keep)));
    }
#endif
};

// The source's premultiplied words, per pixel or through palette indices.
struct NativeWords {
    const uint32_t* words;
    const uint8_t* indices;
    uint32_t operator()(size_t i) const { return indices ? words[indices[i]] : words[i]; }
#if defined(__SSE2__)
    // Words i to i + 3.
    __m128i Four(size_t i) const
    {
        if (!indices)
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i));
        return _mm_setr_epi32(static_cast<int>(words[indices[i]]), static_cast<int>(words[indices[i + 1]]),
            static_cast<int>(words[indices[i + 2]]), static_cast<int>(words[indices[i + 3]]));
    }
#endif
};

// The colour's products r', g', b' and whether it is grey.
struct Tint {
    explicit Tint(const Color& color) : alpha(static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255)))
    {
        const int components[3] = {color.mRed, color.mGreen, color.mBlue};
        for (int i = 0; i < 3; ++i)
            c[i] = static_cast<uint32_t>(std::clamp(components[i], 0, 255)) * alpha / 255;
    }
    bool IsGrey() const { return c[0] == c[1] && c[1] == c[2]; }
    uint32_t alpha;
    uint32_t c[3];
};

inline NativeWords NativeOf(MemoryImage& source, const NativeDisplay& display)
{
    const uint32_t* words = source.GetPremultipliedData(display);
    const bool palette = source.mColorTable && source.mColorIndices;
    return NativeWords{words, palette ? source.mColorIndices.get() : nullptr};
}

// Where a blit reads and writes, already held to both images. The mirrored
// walk writes source column i to destination column x + width - 1 - i.
struct BlitArea {
    int sourceX = 0;
    int sourceY = 0;
    int width = 0;
    int height = 0;
    int sourceWidth = 0;
    int x = 0;
    int y = 0;

    size_t SourceIndex(int row) const
    {
        return static_cast<size_t>(sourceY + row) * static_cast<size_t>(sourceWidth) +
               static_cast<size_t>(sourceX);
    }
};

template <typename Pixel, bool Mirrored, typename Visit>
void WalkArea(const DDImage::LockedDesc& dest, const BlitArea& area, Visit visit)
{
    for (int row = 0; row < area.height; ++row) {
        Pixel* first = PixelAt<Pixel>(dest, area.x, area.y + row);
        visit(Mirrored ? first + area.width - 1 : first, area.SourceIndex(row));
    }
}

template <bool Mirrored, typename Pixel>
Pixel* Step(Pixel* p, int n)
{
    return Mirrored ? p - n : p + n;
}

// A run of r pixels that take the partial value, each from its own alpha;
// four at a time where the formula has a vector form (the same bytes).
template <bool Mirrored, typename Pixel, typename Formula>
void PartialRun(Pixel* d, const NativeWords& native, size_t s, int r, uint32_t colorAlpha, const Formula& formula)
{
    int i = 0;
#if defined(__SSE2__)
    if constexpr (sizeof(Pixel) == 4 && requires(__m128i v) { formula.Partial(v, v, v); }) {
        for (; i + 4 <= r; i += 4) {
            __m128i words = native.Four(s + static_cast<size_t>(i));
            // Mirrored, the four land right to left below d - i.
            if constexpr (Mirrored)
                words = _mm_shuffle_epi32(words, _MM_SHUFFLE(0, 1, 2, 3));
            auto* at = reinterpret_cast<__m128i*>(Mirrored ? d - i - 3 : d + i);
            _mm_storeu_si128(at, formula.Partial(words, _mm_loadu_si128(at), Wide::Cover(words, colorAlpha)));
        }
    }
#endif
    for (; i < r; ++i) {
        const uint32_t word = native(s + static_cast<size_t>(i));
        Pixel& out = *Step<Mirrored>(d, i);
        out = static_cast<Pixel>(formula.Partial(word, out, (word >> 24) * colorAlpha / 255));
    }
}

// The run path: runs of alpha 0 are skipped whole, runs of opaque pixels
// take the opaque value, the rest the partial value from their own alpha.
// Opaque needs the colour's alpha A to be 255 as well.
template <typename Pixel, bool Mirrored, typename Formula>
void RunBlit(const DDImage::LockedDesc& dest, const BlitArea& area, const NativeWords& native, const uint8_t* runs,
    uint32_t colorAlpha, const Formula& formula)
{
    WalkArea<Pixel, Mirrored>(dest, area, [&](Pixel* d, size_t s) {
        for (int remaining = area.width; remaining > 0;) {
            const int r = std::min<int>(runs[s], remaining);
            const uint32_t a = native(s) >> 24;
            if (a == 255 && colorAlpha == 255) {
                for (int i = 0; i < r; ++i)
                    *Step<Mirrored>(d, i) = static_cast<Pixel>(formula.Opaque(native(s + static_cast<size_t>(i)),
                        *Step<Mirrored>(d, i)));
            } else if (a != 0) {
                PartialRun<Mirrored>(d, native, s, r, colorAlpha, formula);
            }
            d = Step<Mirrored>(d, r);
            s += static_cast<size_t>(r);
            remaining -= r;
        }
    });
}

// Saturating tables of the display, one per channel, with the channel shifts.
struct AddTables {
    const std::vector<int32_t>* table[3];
    int shift[3];
    uint32_t Saturated(int c, uint32_t index) const { return static_cast<uint32_t>((*table[c])[index]) << shift[c]; }
};

// The tables are sized for the display's channel widths: a surface of
// another layout would index past them, and gets none (null tables).
inline AddTables TablesFor(const DDInterface& d, const Platform::PixelFormat& format)
{
    if (format.redMask != static_cast<uint32_t>(d.mRedMask) ||
        format.greenMask != static_cast<uint32_t>(d.mGreenMask) ||
        format.blueMask != static_cast<uint32_t>(d.mBlueMask) || d.mRedAddTable.empty())
        return AddTables{};
    return AddTables{{&d.mRedAddTable, &d.mGreenAddTable, &d.mBlueAddTable},
        {d.mRedShift, d.mGreenShift, d.mBlueShift}};
}

// The premultiplied source word added to the pixel d through the tables: as
// it is under a white colour, scaled by (r', g', b') under any other.
inline uint32_t AddPixel(uint32_t word, uint32_t d, const Masks& masks, const AddTables& tables, const uint32_t* scale)
{
    uint32_t sum = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t m = masks.m[c];
        const int sh = tables.shift[c];
        const uint32_t index = scale ? ((((word & m) >> sh) * scale[c]) >> 8) + ((d & m) >> sh) : ((d & m) + (word & m)) >> sh;
        sum |= tables.Saturated(c, index);
    }
    return sum;
}

// Runs of words without colour bits add nothing and are skipped whole. A
// colour of white adds the source; any other scales it by (r', g', b').
template <typename Pixel, bool Mirrored>
void AdditiveBlit(const DDImage::LockedDesc& dest, const BlitArea& area, const NativeWords& native,
    const uint8_t* runs, const Masks& masks, const AddTables& tables, const uint32_t* scale)
{
    WalkArea<Pixel, Mirrored>(dest, area, [&](Pixel* d, size_t s) {
        for (int remaining = area.width; remaining > 0;) {
            const int r = std::min<int>(runs[s], remaining);
            if ((native(s) & 0xFFFFFFu) != 0) {
                for (int i = 0; i < r; ++i) {
                    Pixel& out = *Step<Mirrored>(d, i);
                    out = static_cast<Pixel>(AddPixel(native(s + static_cast<size_t>(i)), out, masks, tables, scale));
                }
            }
            d = Step<Mirrored>(d, r);
            s += static_cast<size_t>(r);
            remaining -= r;
        }
    });
}

} // namespace Vorn::SurfaceBlend
