// The integer-position blit of a memory image in normal and additive mode,
// with optional colorizing, from ARGB or palette sources.

#include "framework/graphics/Blend.h"
#include "framework/graphics/BlitPixel.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn {

namespace {

using Blend::kAlpha;

struct ArgbSource {
    const uint32_t* bits;
    uint32_t operator[](size_t i) const { return bits[i]; }
    // Runs are short (sprite rows): inline, not a library call per run.
    void Copy(uint32_t* to, size_t from, int count) const
    {
        const uint32_t* start = bits + from;
        int k = 0;
#if defined(__SSE2__)
        const auto copy4 = [&](int at) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + at)));
        };
        for (; k + 7 < count; k += 8) {
            copy4(k);
            copy4(k + 4);
        }
        for (; k + 3 < count; k += 4)
            copy4(k);
#endif
        for (; k < count; ++k)
            to[k] = start[k];
    }
};

struct PaletteSource {
    const uint32_t* table;
    const uint8_t* indices;
    uint32_t operator[](size_t i) const { return table[indices[i]]; }
    void Copy(uint32_t* to, size_t from, int count) const
    {
        for (int k = 0; k < count; ++k)
            to[k] = table[indices[from + static_cast<size_t>(k)]];
    }
};

// The over blend's new alpha and mixing weight for every source alpha a and
// destination alpha dA, entry a << 8 | dA: w | outA << 8. Alpha 0 keeps the
// pixel (weight 0, its own alpha). A division per pixel becomes a lookup.
const std::array<uint16_t, 65536>& OverTable()
{
    static const std::array<uint16_t, 65536> table = [] {
        std::array<uint16_t, 65536> entries{};
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t dA = 0; dA < 256; ++dA) {
                const uint32_t outA = a == 0 ? dA : Blend::OverAlpha(dA, a);
                const uint32_t w = a == 0 ? 0 : 255 * a / outA;
                entries[a << 8 | dA] = static_cast<uint16_t>(w | outA << 8);
            }
        return entries;
    }();
    return table;
}

#if defined(__SSE2__)
// Weights w0 in lanes 0-3 and w1 in lanes 4-7.
[[gnu::always_inline]] inline __m128i Weights(uint32_t w0, uint32_t w1)
{
    const __m128i pair = _mm_cvtsi32_si128(static_cast<int>(w0 | w1 << 16));
    const __m128i quarter = _mm_unpacklo_epi16(pair, pair);
    return _mm_unpacklo_epi32(quarter, quarter);
}

// Blend::Mix of two pixels in 16-bit lanes b, g, r, a: red and green
// floor((d (256 - w) + s w) / 256), blue the sum of the two floors, exactly
// as the paired form computes them. Every product fits 16 unsigned bits.
[[gnu::always_inline]] inline __m128i MixLanes(__m128i d, __m128i s, __m128i w)
{
    const __m128i kept = _mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(256), w));
    const __m128i laid = _mm_mullo_epi16(s, w);
    const __m128i floorOfSum = _mm_srli_epi16(_mm_add_epi16(kept, laid), 8);
    const __m128i sumOfFloors = _mm_add_epi16(_mm_srli_epi16(kept, 8), _mm_srli_epi16(laid, 8));
    const __m128i blue = _mm_setr_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    return _mm_or_si128(_mm_and_si128(blue, sumOfFloors), _mm_andnot_si128(blue, floorOfSum));
}

// Four pixels mixed each by its own source alpha, made opaque.
[[gnu::always_inline]] inline void MixFourByOwnAlpha(uint32_t* d, const uint32_t* s)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i dd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i ss = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i sLow = _mm_unpacklo_epi8(ss, zero);
    const __m128i sHigh = _mm_unpackhi_epi8(ss, zero);
    const auto alphaOf = [](__m128i x) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF); };
    const __m128i low = MixLanes(_mm_unpacklo_epi8(dd, zero), sLow, alphaOf(sLow));
    const __m128i high = MixLanes(_mm_unpackhi_epi8(dd, zero), sHigh, alphaOf(sHigh));
    const __m128i colours = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0xFFFFFF));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(colours, _mm_set1_epi32(static_cast<int>(kAlpha))));
}

// Four pixels mixed by their weights, the alpha bytes then replaced.
[[gnu::always_inline]] inline void MixFour(uint32_t* d, const uint32_t* s, uint32_t w0, uint32_t w1, uint32_t w2,
    uint32_t w3, __m128i alphas)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i dd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i ss = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i low = MixLanes(_mm_unpacklo_epi8(dd, zero), _mm_unpacklo_epi8(ss, zero), Weights(w0, w1));
    const __m128i high = MixLanes(_mm_unpackhi_epi8(dd, zero), _mm_unpackhi_epi8(ss, zero), Weights(w2, w3));
    const __m128i colours = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0xFFFFFF));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(colours, alphas));
}
#endif

// Pixels of partial alpha mixed by their own alpha, made opaque (the
// run-length path's partial runs).
void MixByOwnAlpha(uint32_t* d, const uint32_t* s, int count)
{
    int k = 0;
#if defined(__SSE2__)
    for (; k + 3 < count; k += 4) {
        MixFourByOwnAlpha(d + k, s + k);
    }
#endif
    for (; k < count; ++k)
        d[k] = Blend::Mix(d[k], s[k], s[k] >> 24, kAlpha);
}

// The white over blend of a row, the weights from the table.
void OverRow(uint32_t* d, const uint32_t* s, int count)
{
    const std::array<uint16_t, 65536>& table = OverTable();
    int k = 0;
#if defined(__SSE2__)
    for (; k + 3 < count; k += 4) {
        if ((s[k] | s[k + 1] | s[k + 2] | s[k + 3]) < 0x01000000)
            continue;
        // Over opaque pixels the new alpha is 255 and the weight the
        // source's alpha.
        if ((d[k] & d[k + 1] & d[k + 2] & d[k + 3]) >= 0xFF000000) {
            MixFourByOwnAlpha(d + k, s + k);
            continue;
        }
        const uint32_t e0 = table[(s[k] >> 24) << 8 | d[k] >> 24];
        const uint32_t e1 = table[(s[k + 1] >> 24) << 8 | d[k + 1] >> 24];
        const uint32_t e2 = table[(s[k + 2] >> 24) << 8 | d[k + 2] >> 24];
        const uint32_t e3 = table[(s[k + 3] >> 24) << 8 | d[k + 3] >> 24];
        const auto top = [](uint32_t e) { return static_cast<int>((e >> 8) << 24); };
        MixFour(d + k, s + k, e0 & 0xFF, e1 & 0xFF, e2 & 0xFF, e3 & 0xFF,
            _mm_setr_epi32(top(e0), top(e1), top(e2), top(e3)));
    }
#endif
    for (; k < count; ++k) {
        const uint32_t e = table[(s[k] >> 24) << 8 | d[k] >> 24];
        d[k] = Blend::Mix(d[k], s[k], e & 0xFF, (e >> 8) << 24);
    }
}

// Where a blit reads and writes, held to both images: a source rectangle
// reaching past its image, or a placement past the destination, must not
// touch memory outside either.
struct BlitArea {
    Rect source;
    int x = 0;
    int y = 0;
    int sourceWidth = 0;
    int destWidth = 0;

    size_t SourceIndex(int row) const
    {
        return static_cast<size_t>(source.mY + row) * static_cast<size_t>(sourceWidth) +
               static_cast<size_t>(source.mX);
    }
    size_t DestIndex(int row) const
    {
        return static_cast<size_t>(y + row) * static_cast<size_t>(destWidth) + static_cast<size_t>(x);
    }
};

bool ClipBlit(BlitArea& area, const MemoryImage& source, const MemoryImage& dest)
{
    const Rect wanted = area.source;
    if (!Blend::ClipToBounds(area.source, source.mWidth, source.mHeight))
        return false;
    // Summed in 64 bits and held to an int: a place beyond that lies outside
    // the destination either way, and the sum must not overflow.
    const auto place = [](int at, int clipped, int asked) {
        return static_cast<int>(std::clamp<int64_t>(int64_t{at} + clipped - asked, INT_MIN, INT_MAX));
    };
    Rect placed(place(area.x, area.source.mX, wanted.mX), place(area.y, area.source.mY, wanted.mY),
        area.source.mWidth, area.source.mHeight);
    const Rect kept = placed;
    if (!Blend::ClipToBounds(placed, dest.mWidth, dest.mHeight))
        return false;
    area.source = Rect(area.source.mX + (placed.mX - kept.mX), area.source.mY + (placed.mY - kept.mY),
        placed.mWidth, placed.mHeight);
    area.x = placed.mX;
    area.y = placed.mY;
    area.sourceWidth = source.mWidth;
    area.destWidth = dest.mWidth;
    return true;
}

template <typename Source, typename PixelBlend>
void BlendArea(uint32_t* dest, const BlitArea& area, const Source& source, PixelBlend blend)
{
    for (int row = 0; row < area.source.mHeight; ++row) {
        uint32_t* d = dest + area.DestIndex(row);
        const size_t s = area.SourceIndex(row);
        for (int col = 0; col < area.source.mWidth; ++col)
            d[col] = blend(d[col], source[s + static_cast<size_t>(col)]);
    }
}

// Opaque destination, white colour: whole runs of the source are copied or
// skipped with one decision.
template <typename Source>
void RunLengthArea(uint32_t* dest, const BlitArea& area, const Source& source, const uint8_t* runs)
{
    const int width = area.source.mWidth;
    for (int row = 0; row < area.source.mHeight; ++row) {
        uint32_t* d = dest + area.DestIndex(row);
        const size_t rowStart = area.SourceIndex(row);
        for (int col = 0; col < width;) {
            const size_t s = rowStart + static_cast<size_t>(col);
            const int n = std::min<int>(runs[s], width - col);
            const uint32_t alpha = source[s] >> 24;
            if (alpha == 255) {
                source.Copy(d + col, s, n);
            } else if (alpha != 0) {
                if constexpr (std::is_same_v<Source, ArgbSource>) {
                    MixByOwnAlpha(d + col, source.bits + s, n);
                } else {
                    for (int k = 0; k < n; ++k) {
                        const uint32_t p = source[s + static_cast<size_t>(k)];
                        d[col + k] = Blend::Mix(d[col + k], p, p >> 24, kAlpha);
                    }
                }
            }
            col += n;
        }
    }
}

template <typename Source>
void BltFrom(MemoryImage& dest, MemoryImage& sourceImage, const BlitArea& area, const Source& source,
    const Color& color, int mode)
{
    uint32_t* bits = dest.mBits.get();
    if (mode == kDrawModeNormal && color.IsWhite() && !dest.mHasTrans && !dest.mHasAlpha) {
        RunLengthArea(bits, area, source, sourceImage.GetRunLengthAlpha());
        return;
    }
    if constexpr (std::is_same_v<Source, ArgbSource>) {
        if (mode == kDrawModeNormal && color.IsWhite()) {
            for (int row = 0; row < area.source.mHeight; ++row)
                OverRow(bits + area.DestIndex(row), source.bits + area.SourceIndex(row), area.source.mWidth);
            return;
        }
    }
    BlitPixel::WithPixel(color, mode, sourceImage.mHasAlpha,
        [&](const auto& pixel) { BlendArea(bits, area, source, pixel); });
}

} // namespace

void MemoryImage::Blt(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* sourceImage = dynamic_cast<MemoryImage*>(source);
    if (!sourceImage || (mode != kDrawModeNormal && mode != kDrawModeAdditive))
        return;
    GetBits();
    BlitArea area{sourceRect, x, y};
    if (ClipBlit(area, *sourceImage, *this)) {
        if (sourceImage->mColorTable && sourceImage->mColorIndices)
            BltFrom(*this, *sourceImage, area,
                PaletteSource{sourceImage->mColorTable.get(), sourceImage->mColorIndices.get()}, color, mode);
        else
            BltFrom(*this, *sourceImage, area, ArgbSource{sourceImage->GetBits()}, color, mode);
    }
    MarkBitsChanged();
}

} // namespace Vorn
