#pragma once
// The vector rows of the rasteriser: four pixels at a time in SSE2
// registers, bit for bit the rules of the generic kernel, for textures of
// every layout the blitters and the 3D device hand it (ARGB words straight
// or premultiplied, palettes, 16-bit texels, palette entries) under one
// colour per triangle. A pixel's four channels lie in the 16-bit lanes of a
// register, two pixels to a register; every product stays within 16
// unsigned bits (a channel of at most 255 times a weight of at most 256).
// Part of TriangleRasterizer.h, which includes it where its kernels need
// it.

#if defined(__SSE2__)
#include "framework/graphics/TextureFetch.h"

#include <emmintrin.h>

#include <cstring>
#include <type_traits>
#include <utility>

namespace Vorn::SWTri::Sse2 {

// Where a texture's texels lie: texel (x, y) is element y * stride + x,
// which Element reads as one 32-bit lane; Widen turns four such lanes into
// ARGB words.
struct WordSource {
    static constexpr bool kPairs = true;
    const uint32_t* words;
    int stride;
    uint32_t Element(size_t i) const { return words[i]; }
    static __m128i Widen(__m128i lanes) { return lanes; }
    // Elements i and i + 1 in the low 64 bits, and the two a row below.
    __m128i Pair(size_t i) const { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(words + i)); }
    __m128i PairBelow(size_t i) const
    {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(words + stride + i));
    }
};

struct IndexSource {
    static constexpr bool kPairs = false;
    const uint32_t* table;
    const uint8_t* indices;
    int stride;
    uint32_t Element(size_t i) const { return table[indices[i]]; }
    static __m128i Widen(__m128i lanes) { return lanes; }
};

// 16-bit texels, widened by bit replication as TextureFetch.h does.
template <bool Rgb565>
struct Packed16Source {
    static constexpr bool kPairs = false;
    const uint8_t* bits;
    int stride;
    uint32_t Element(size_t i) const
    {
        uint16_t t;
        std::memcpy(&t, bits + 2 * i, sizeof t);
        return t;
    }
    static __m128i Widen(__m128i t)
    {
        if constexpr (Rgb565) {
            const __m128i r = _mm_srli_epi32(t, 11);
            const __m128i g = _mm_and_si128(_mm_srli_epi32(t, 5), _mm_set1_epi32(0x3F));
            const __m128i b = _mm_and_si128(t, _mm_set1_epi32(0x1F));
            const __m128i red = _mm_or_si128(_mm_slli_epi32(r, 3), _mm_srli_epi32(r, 2));
            const __m128i green = _mm_or_si128(_mm_slli_epi32(g, 2), _mm_srli_epi32(g, 4));
            const __m128i blue = _mm_or_si128(_mm_slli_epi32(b, 3), _mm_srli_epi32(b, 2));
            return _mm_or_si128(_mm_or_si128(_mm_set1_epi32(static_cast<int>(0xFF000000u)), _mm_slli_epi32(red, 16)),
                _mm_or_si128(_mm_slli_epi32(green, 8), blue));
        } else {
            // One nibble to the low half of each byte, then copied into the
            // high half: n * 17.
            const __m128i spread = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(t, _mm_set1_epi32(0xF)), _mm_slli_epi32(_mm_and_si128(t, _mm_set1_epi32(0xF0)), 4)),
                _mm_or_si128(_mm_slli_epi32(_mm_and_si128(t, _mm_set1_epi32(0xF00)), 8),
                    _mm_slli_epi32(_mm_and_si128(t, _mm_set1_epi32(0xF000)), 12)));
            return _mm_or_si128(spread, _mm_slli_epi32(spread, 4));
        }
    }
};

// The source of a fetch the vector rows read, or none (void).
template <typename Fetch>
auto SourceOf(const Fetch& fetch)
{
    if constexpr (std::is_base_of_v<ArgbFetch, Fetch>)
        return WordSource{fetch.bits, fetch.width};
    else if constexpr (std::is_base_of_v<PaletteFetch, Fetch>)
        return IndexSource{fetch.table, fetch.indices, fetch.width};
    else if constexpr (std::is_base_of_v<Rgb565Fetch, Fetch>)
        return Packed16Source<true>{fetch.bits, fetch.pitch / 2};
    else if constexpr (std::is_base_of_v<Argb4444Fetch, Fetch>)
        return Packed16Source<false>{fetch.bits, fetch.pitch / 2};
}

template <typename Target>
inline constexpr bool kWordTarget = false;
template <bool RedLow>
inline constexpr bool kWordTarget<Target888<RedLow>> = true;
template <typename Target>
inline constexpr bool kFieldTarget = false;
template <int GreenBits>
inline constexpr bool kFieldTarget<Target16<GreenBits>> = true;

// Whether rows of this kind go four pixels at a time.
template <typename Target, typename Fetch, Shading Shade>
inline constexpr bool kRows = Shade == Shading::Constant && (kWordTarget<Target> || kFieldTarget<Target>) &&
                              !std::is_void_v<decltype(SourceOf(std::declval<Fetch>()))>;

// Four 32-bit lanes of a register, one pixel each.
inline __m128i Select(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// channel * (alpha + 1) >> 8 in the colour lanes, the alpha lanes times 256
// >> 8: two pixels of lanes b, g, r, a.
inline __m128i Premultiply(__m128i x)
{
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
    const __m128i rgb = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i multiplier = _mm_or_si128(_mm_and_si128(_mm_add_epi16(alpha, _mm_set1_epi16(1)), rgb),
        _mm_setr_epi16(0, 0, 0, 256, 0, 0, 0, 256));
    return _mm_srli_epi16(_mm_mullo_epi16(x, multiplier), 8);
}

// (p * (256 - f) + q * f) >> 8 per lane, as p + ((q - p) * f >> 8): the
// 256 p inside the sum is a whole multiple of 256. One signed high
// multiply of 2 (q - p) (within +-510) by f * 128 (`weights`, within
// 32640) gives the shifted product exactly.
inline __m128i Mix(__m128i p, __m128i q, __m128i weights)
{
    return _mm_add_epi16(p, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(q, p), 1), weights));
}

// ARGB words with red and blue trading places.
inline __m128i SwapRedBlue(__m128i words)
{
    const __m128i low = _mm_set1_epi32(0xFF);
    return _mm_or_si128(_mm_and_si128(words, _mm_set1_epi32(static_cast<int>(0xFF00FF00u))),
        _mm_or_si128(_mm_and_si128(_mm_srli_epi32(words, 16), low), _mm_slli_epi32(_mm_and_si128(words, low), 16)));
}

// Rows of one kind: a texture read through `Source`, sampled, tinted by one
// colour and composed onto 32-bit pixels, four to a step.
template <typename Target, typename Fetch, Sampling Mode, Compose How>
class Rows {
public:
    using Source = decltype(SourceOf(std::declval<Fetch>()));
    using Pixel = typename Target::Pixel;
    static constexpr bool kRedLow = std::is_same_v<Target, Target888<true>>;
    static constexpr bool kWords = kWordTarget<Target>;
    // A sample of nothing laid over or added leaves the pixel as it is, but
    // on 5-5-5 the generic kernel clears its unused top bit all the same.
    static constexpr bool kSkips = How != Compose::Store && !std::is_same_v<Target, Target16<5>>;
    static constexpr bool kPremultiplied = Fetch::kPremultiplied;

    Rows(const Fetch& fetch, const Tint& tint)
        : mFetch(fetch), mSource(SourceOf(fetch)), mScalarTint(tint),
          mTint(_mm_setr_epi16(static_cast<short>(tint.b), static_cast<short>(tint.g), static_cast<short>(tint.r),
              static_cast<short>(tint.a), static_cast<short>(tint.b), static_cast<short>(tint.g),
              static_cast<short>(tint.r), static_cast<short>(tint.a))),
          mTinted(tint.a != 256 || tint.r != 256 || tint.g != 256 || tint.b != 256),
          mLimits(_mm_setr_epi16(Last(fetch.width), Last(fetch.width), Last(fetch.width), Last(fetch.width),
              Last(fetch.height), Last(fetch.height), Last(fetch.height), Last(fetch.height))),
          mPairLimits(_mm_sub_epi16(mLimits, _mm_set1_epi16(1))),
          mLimitPairs(_mm_set1_epi32(Last(fetch.height) << 16 | Last(fetch.width))),
          mStridePairs(_mm_set1_epi32(mSource.stride << 16 | 1))
    {
    }

    // Columns [x, end) of a row of `width` pixels: those left of `split`
    // walk `left`, the others `right`. Four pixels go at a time from x on,
    // the last four reaching past `end` written back as they were beyond
    // it; only where four would reach past the row's end do pixels go one
    // by one.
    void Draw(Pixel* row, int width, int x, int split, int end, const Walk& left, const Walk& right) const
    {
        int g = x;
        if (g + 4 <= width) {
            Cursor l(left, g);
            if (split >= end) {
                for (; g + 4 <= end; g += 4, l.Next())
                    Group<false>(row + g, l.u, l.v, kAll);
                if (g < end && g + 4 <= width) {
                    Group<true>(row + g, l.u, l.v, Within(end - g));
                    g = end;
                }
            } else {
                // The groups left of the turn, the one across it, and those
                // right of it, each walking only what it needs.
                for (; g + 4 <= split; g += 4, l.Next())
                    Group<false>(row + g, l.u, l.v, kAll);
                Cursor r(right, g);
                if (g < split && g + 4 <= end) {
                    const __m128i onLeft = Within(split - g);
                    Group<false>(row + g, Select(onLeft, l.u, r.u), Select(onLeft, l.v, r.v), kAll);
                    g += 4;
                    r.Next();
                }
                for (; g + 4 <= end; g += 4, r.Next())
                    Group<false>(row + g, r.u, r.v, kAll);
                if (g < end && g + 4 <= width) {
                    const __m128i onLeft = Within(split - g);
                    Group<true>(row + g, Select(onLeft, l.u, r.u), Select(onLeft, l.v, r.v), Within(end - g));
                    g = end;
                }
            }
        }
        for (int i = g; i < end; ++i) {
            const Walk& w = i < split ? left : right;
            const auto at = static_cast<uint32_t>(i);
            const Lanes s = mScalarTint(
                Sample<Mode>(mFetch, static_cast<int32_t>(w.u + at * w.du), static_cast<int32_t>(w.v + at * w.dv)));
            row[i] = Target::template Compose<How>(row[i], s);
        }
    }

private:
    static constexpr __m128i kAll = {-1, -1};

    // The lanes before the n-th (all from n = 4 on, none at 0 or below).
    static __m128i Within(int n) { return _mm_cmpgt_epi32(_mm_set1_epi32(n), _mm_setr_epi32(0, 1, 2, 3)); }

    // Texture positions of four neighbouring columns along a walk.
    struct Cursor {
        Cursor(const Walk& w, int g)
            : u(_mm_add_epi32(_mm_set1_epi32(static_cast<int>(w.u + static_cast<uint32_t>(g) * w.du)), w.lanesU)),
              v(_mm_add_epi32(_mm_set1_epi32(static_cast<int>(w.v + static_cast<uint32_t>(g) * w.dv)), w.lanesV)),
              stepU(w.fourU), stepV(w.fourV)
        {
        }
        void Next()
        {
            u = _mm_add_epi32(u, stepU);
            v = _mm_add_epi32(v, stepV);
        }
        __m128i u;
        __m128i v;
        __m128i stepU;
        __m128i stepV;
    };

    static short Last(int size) { return static_cast<short>(size - 1); }

    // Elements x + y * stride of four (x, y) pairs held as 16-bit x0..x3,
    // y0..y3: one multiply-add of 16-bit pairs, every coordinate being
    // held within the texture (below 2^15).
    __m128i Offsets(__m128i xy) const
    {
        return _mm_madd_epi16(_mm_unpacklo_epi16(xy, _mm_unpackhi_epi64(xy, xy)), mStridePairs);
    }

    __m128i Held(__m128i xy) const { return _mm_min_epi16(_mm_max_epi16(xy, _mm_setzero_si128()), mLimits); }

    // The texels under 16.16 positions: their whole parts are their high
    // halves, which side by side in a lane (x low, y high) are held and
    // weighed as signed 16-bit pairs without being packed first.
    __m128i PointOffsets(__m128i u, __m128i v) const
    {
        const __m128i xy =
            _mm_or_si128(_mm_srli_epi32(u, 16), _mm_and_si128(v, _mm_set1_epi32(static_cast<int>(0xFFFF0000u))));
        return _mm_madd_epi16(_mm_min_epi16(_mm_max_epi16(xy, _mm_setzero_si128()), mLimitPairs), mStridePairs);
    }

    // The four lanes of offsets that are never negative, two to a move.
    struct Split {
        explicit Split(__m128i offsets)
        {
            const auto low = static_cast<uint64_t>(_mm_cvtsi128_si64(offsets));
            const auto high = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(offsets, offsets)));
            at[0] = static_cast<uint32_t>(low);
            at[1] = static_cast<size_t>(low >> 32);
            at[2] = static_cast<uint32_t>(high);
            at[3] = static_cast<size_t>(high >> 32);
        }
        size_t at[4];
    };

    __m128i Gather(__m128i offsets) const
    {
        const Split split(offsets);
        const auto element = [&](int k) { return static_cast<int>(mSource.Element(split.at[k])); };
        return Source::Widen(_mm_setr_epi32(element(0), element(1), element(2), element(3)));
    }

    // Lanes that sample to nothing: transparent straight texels, or
    // premultiplied words of nothing at all.
    static __m128i Empty(__m128i words)
    {
        if constexpr (kPremultiplied)
            return _mm_cmpeq_epi32(words, _mm_setzero_si128());
        else
            return _mm_cmpeq_epi32(_mm_srli_epi32(words, 24), _mm_setzero_si128());
    }

    static __m128i Opaque(__m128i words)
    {
        return _mm_cmpeq_epi32(_mm_srli_epi32(words, 24), _mm_set1_epi32(0xFF));
    }

    template <bool Masked>
    void Group(Pixel* out, __m128i u, __m128i v, __m128i mask) const
    {
        if constexpr (Mode == Sampling::Point)
            PointGroup<Masked>(out, u, v, mask);
        else
            BilinearGroup<Masked>(out, u, v, mask);
    }

    template <bool Masked>
    void PointGroup(Pixel* out, __m128i u, __m128i v, __m128i mask) const
    {
        const __m128i texels = Gather(PointOffsets(u, v));
        if constexpr (kSkips) {
            if (Masked ? _mm_movemask_epi8(_mm_andnot_si128(Empty(texels), mask)) == 0
                       : _mm_movemask_epi8(Empty(texels)) == 0xFFFF)
                return;
        }
        const bool whole = !Masked || _mm_movemask_epi8(mask) == 0xFFFF;
        // An untinted sample that needs no premultiplying is the texel
        // itself; over anything an opaque one replaces the pixel.
        if (kWords && !mTinted && whole &&
            (How == Compose::Store || (How == Compose::Over && _mm_movemask_epi8(Opaque(texels)) == 0xFFFF)) &&
            (kPremultiplied || _mm_movemask_epi8(Opaque(texels)) == 0xFFFF)) {
            Store(out, texels);
            return;
        }
        const __m128i zero = _mm_setzero_si128();
        __m128i low = _mm_unpacklo_epi8(texels, zero);
        __m128i high = _mm_unpackhi_epi8(texels, zero);
        if constexpr (!kPremultiplied) {
            low = Premultiply(low);
            high = Premultiply(high);
        }
        Compose4(out, low, high, mask, whole);
    }

    template <bool Masked>
    void BilinearGroup(Pixel* out, __m128i u, __m128i v, __m128i mask) const
    {
        // (u - 0x7F80) >> 8 without leaving 32 bits: positions to the nearest
        // 1/256 texel, half a texel back.
        const __m128i one = _mm_set1_epi32(1);
        const __m128i half = _mm_set1_epi32(0x80);
        const __m128i su =
            _mm_sub_epi32(_mm_add_epi32(_mm_srai_epi32(u, 8), _mm_and_si128(_mm_srli_epi32(u, 7), one)), half);
        const __m128i sv =
            _mm_sub_epi32(_mm_add_epi32(_mm_srai_epi32(v, 8), _mm_and_si128(_mm_srli_epi32(v, 7), one)), half);
        const __m128i ix = _mm_srai_epi32(su, 8);
        const __m128i iy = _mm_srai_epi32(sv, 8);
        const __m128i fraction = _mm_set1_epi32(0xFF);
        const __m128i weights = _mm_packs_epi32(_mm_slli_epi32(_mm_and_si128(su, fraction), 7),
            _mm_slli_epi32(_mm_and_si128(sv, fraction), 7));
        const __m128i xy = _mm_packs_epi32(ix, iy);
        __m128i top01;
        __m128i top23;
        __m128i bottom01;
        __m128i bottom23;
        bool pairs = false;
        if constexpr (Source::kPairs) {
            // Every tap of every lane inside: each row of a pixel's four taps
            // is one 64-bit load.
            const int inside = _mm_movemask_epi8(
                _mm_and_si128(_mm_cmpgt_epi16(xy, _mm_set1_epi16(-1)), _mm_cmpgt_epi16(mLimits, xy)));
            const int needed = Masked ? _mm_movemask_epi8(_mm_packs_epi32(mask, mask)) : 0xFFFF;
            pairs = (inside & needed) == needed;
            if (pairs) {
                // Lanes outside the columns are held where their pairs lie
                // inside too.
                const Split split(Offsets(_mm_min_epi16(_mm_max_epi16(xy, _mm_setzero_si128()), mPairLimits)));
                const auto pair = [&](int k) { return mSource.Pair(split.at[k]); };
                const auto below = [&](int k) { return mSource.PairBelow(split.at[k]); };
                top01 = _mm_unpacklo_epi64(pair(0), pair(1));
                top23 = _mm_unpacklo_epi64(pair(2), pair(3));
                bottom01 = _mm_unpacklo_epi64(below(0), below(1));
                bottom23 = _mm_unpacklo_epi64(below(2), below(3));
            }
        }
        if (!pairs) {
            const __m128i near = Held(xy);
            const __m128i far = Held(_mm_packs_epi32(_mm_add_epi32(ix, one), _mm_add_epi32(iy, one)));
            // x from the first, y from the second.
            const auto cross = [](__m128i xs, __m128i ys) { return _mm_unpacklo_epi64(xs, _mm_unpackhi_epi64(ys, ys)); };
            const __m128i t00 = Gather(Offsets(near));
            const __m128i t01 = Gather(Offsets(cross(far, near)));
            const __m128i t10 = Gather(Offsets(cross(near, far)));
            const __m128i t11 = Gather(Offsets(far));
            top01 = _mm_unpacklo_epi32(t00, t01);
            top23 = _mm_unpackhi_epi32(t00, t01);
            bottom01 = _mm_unpacklo_epi32(t10, t11);
            bottom23 = _mm_unpackhi_epi32(t10, t11);
        }
        const __m128i any = _mm_or_si128(_mm_or_si128(top01, top23), _mm_or_si128(bottom01, bottom23));
        const __m128i all = _mm_and_si128(_mm_and_si128(top01, top23), _mm_and_si128(bottom01, bottom23));
        if constexpr (kSkips) {
            if (_mm_movemask_epi8(Empty(any)) == 0xFFFF)
                return;
        }
        const bool opaque = _mm_movemask_epi8(Opaque(all)) == 0xFFFF;
        const __m128i zero = _mm_setzero_si128();
        __m128i taps[8] = {_mm_unpacklo_epi8(top01, zero), _mm_unpacklo_epi8(bottom01, zero),
            _mm_unpackhi_epi8(top01, zero), _mm_unpackhi_epi8(bottom01, zero), _mm_unpacklo_epi8(top23, zero),
            _mm_unpacklo_epi8(bottom23, zero), _mm_unpackhi_epi8(top23, zero), _mm_unpackhi_epi8(bottom23, zero)};
        if (!kPremultiplied && !opaque) {
            for (__m128i& tap : taps)
                tap = Premultiply(tap);
        }
        // Weights as 16-bit f * 128: lanes fu0 fu0 fu1 fu1 ... and fv0 fv0 ...
        const __m128i wu = _mm_unpacklo_epi16(weights, weights);
        const __m128i wv = _mm_unpackhi_epi16(weights, weights);
        const __m128i column0 = Mix(taps[0], taps[1], _mm_shuffle_epi32(wv, 0x00));
        const __m128i column1 = Mix(taps[2], taps[3], _mm_shuffle_epi32(wv, 0x55));
        const __m128i column2 = Mix(taps[4], taps[5], _mm_shuffle_epi32(wv, 0xAA));
        const __m128i column3 = Mix(taps[6], taps[7], _mm_shuffle_epi32(wv, 0xFF));
        const __m128i low = Mix(_mm_unpacklo_epi64(column0, column1), _mm_unpackhi_epi64(column0, column1),
            _mm_shuffle_epi32(wu, 0x50));
        const __m128i high = Mix(_mm_unpacklo_epi64(column2, column3), _mm_unpackhi_epi64(column2, column3),
            _mm_shuffle_epi32(wu, 0xFA));
        const bool whole = !Masked || _mm_movemask_epi8(mask) == 0xFFFF;
        if (kWords && How == Compose::Over && opaque && !mTinted && whole) {
            Store(out, _mm_packus_epi16(low, high));
            return;
        }
        Compose4(out, low, high, mask, whole);
    }

    // Four words written as they stand, red and blue swapped for a target
    // with red low.
    static void Store(Pixel* out, __m128i words)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), kRedLow ? SwapRedBlue(words) : words);
    }

    // Samples of four pixels (two to a register, lanes b, g, r, a) tinted
    // and laid onto out[0 .. 3] where the mask is set.
    void Compose4(Pixel* out, __m128i low, __m128i high, __m128i mask, bool whole) const
    {
        if (mTinted) {
            low = _mm_srli_epi16(_mm_mullo_epi16(low, mTint), 8);
            high = _mm_srli_epi16(_mm_mullo_epi16(high, mTint), 8);
        }
        if constexpr (!kWords) {
            ComposeFields(out, low, high, mask, whole);
            return;
        }
        if constexpr (kRedLow) {
            low = _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
            high = _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
        }
        if (How == Compose::Store && whole) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
            return;
        }
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        __m128i result;
        if constexpr (How == Compose::Add) {
            const __m128i colour = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0xFFFFFF));
            result = _mm_adds_epu8(d, colour);
        } else if constexpr (How == Compose::Over) {
            // d * 256 in each lane, so that the high half of its product
            // with 256 - s_a is d * (256 - s_a) >> 8.
            const __m128i zero = _mm_setzero_si128();
            const __m128i full = _mm_set1_epi16(256);
            const __m128i keepLow =
                _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, 0xFF), 0xFF));
            const __m128i keepHigh =
                _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, 0xFF), 0xFF));
            result = _mm_packus_epi16(_mm_add_epi16(low, _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, d), keepLow)),
                _mm_add_epi16(high, _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, d), keepHigh)));
        } else {
            result = _mm_packus_epi16(low, high);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), whole ? result : Select(mask, result, d));
    }

    // The same onto four 16-bit pixels of fields blue, green, red from the
    // low bits up: each sample channel cut to its field's top bits, the
    // field of the pixel weighted as the 8-bit channels are, and the sums
    // shifted back into place as the generic kernel does (bits past 16
    // drop).
    void ComposeFields(Pixel* out, __m128i low, __m128i high, __m128i mask, bool whole) const
    {
        constexpr int kGreen = Target::kRedShift - 5;
        constexpr short kTop[2] = {31, static_cast<short>((1 << kGreen) - 1)};
        // c >> (8 - bits) as the high half of c * 2^(8 + bits).
        const __m128i cut = _mm_setr_epi16(1 << 13, static_cast<short>(1 << (8 + kGreen)), 1 << 13, 0, 1 << 13,
            static_cast<short>(1 << (8 + kGreen)), 1 << 13, 0);
        const __m128i ownLow = _mm_mulhi_epu16(low, cut);
        const __m128i ownHigh = _mm_mulhi_epu16(high, cut);
        const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(out));
        __m128i resultLow = ownLow;
        __m128i resultHigh = ownHigh;
        if constexpr (How != Compose::Store) {
            // Each pixel in four lanes, each field moved to the lane's top
            // and taken down to its width.
            const __m128i doubled = _mm_unpacklo_epi16(d, d);
            const __m128i toTop = _mm_setr_epi16(1 << 11, static_cast<short>(1 << (11 - kGreen)),
                static_cast<short>(1 << (16 - Target::kRedShift - 5)), 0, 1 << 11,
                static_cast<short>(1 << (11 - kGreen)), static_cast<short>(1 << (16 - Target::kRedShift - 5)), 0);
            const __m128i down = _mm_setr_epi16(1 << 5, static_cast<short>(1 << kGreen), 1 << 5, 0, 1 << 5,
                static_cast<short>(1 << kGreen), 1 << 5, 0);
            const auto fields = [&](__m128i pixels) {
                return _mm_mulhi_epu16(_mm_mullo_epi16(pixels, toTop), down);
            };
            const __m128i dLow = fields(_mm_unpacklo_epi32(doubled, doubled));
            const __m128i dHigh = fields(_mm_unpackhi_epi32(doubled, doubled));
            if constexpr (How == Compose::Over) {
                const __m128i full = _mm_set1_epi16(256);
                const auto over = [&](__m128i own, __m128i s, __m128i field) {
                    const __m128i keep = _mm_sub_epi16(full, _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF));
                    return _mm_add_epi16(own, _mm_srli_epi16(_mm_mullo_epi16(field, keep), 8));
                };
                resultLow = over(ownLow, low, dLow);
                resultHigh = over(ownHigh, high, dHigh);
            } else {
                const __m128i top = _mm_setr_epi16(kTop[0], kTop[1], kTop[0], 0, kTop[0], kTop[1], kTop[0], 0);
                resultLow = _mm_min_epi16(_mm_add_epi16(ownLow, dLow), top);
                resultHigh = _mm_min_epi16(_mm_add_epi16(ownHigh, dHigh), top);
            }
        }
        // Back into place, the three fields of a pixel ORed together.
        const __m128i place = _mm_setr_epi16(1, 1 << 5, static_cast<short>(1 << Target::kRedShift), 0, 1, 1 << 5,
            static_cast<short>(1 << Target::kRedShift), 0);
        const auto join = [&](__m128i fields) {
            const __m128i placed = _mm_mullo_epi16(fields, place);
            return _mm_or_si128(placed, _mm_or_si128(_mm_srli_epi64(placed, 16), _mm_srli_epi64(placed, 32)));
        };
        const __m128i low2 = join(resultLow);
        const __m128i high2 = join(resultHigh);
        // Lanes 0 and 4 of each: pixels 0, 1 and 2, 3.
        const __m128i pixels = _mm_unpacklo_epi16(_mm_unpacklo_epi16(low2, high2), _mm_unpackhi_epi16(low2, high2));
        const __m128i result = whole ? pixels : Select(_mm_packs_epi32(mask, mask), pixels, d);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), result);
    }

    const Fetch& mFetch;
    const Source mSource;
    const Tint mScalarTint;
    const __m128i mTint;
    const bool mTinted;
    const __m128i mLimits;
    const __m128i mPairLimits;
    // The last column low and the last row high in each lane.
    const __m128i mLimitPairs;
    const __m128i mStridePairs;
};

// In place of rows of a kind that goes pixel by pixel.
struct NoRows {
    template <typename Fetch>
    NoRows(const Fetch&, const Tint&)
    {
    }
};

template <typename Target, typename Fetch, Sampling Mode, Compose How, Shading Shade>
using RowsFor = std::conditional_t<kRows<Target, Fetch, Shade>, Rows<Target, Fetch, Mode, How>, NoRows>;

} // namespace Vorn::SWTri::Sse2

#endif
