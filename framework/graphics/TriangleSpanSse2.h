#pragma once
// The spans every ball and particle of the game is drawn with: ARGB
// textures onto 32-bit targets without destination alpha, one colour for the
// whole triangle. The same rules as the generic kernel, bit for bit, with
// the four channels of a pixel (and two texels at once) in the 16-bit lanes
// of one SSE2 register. Every product stays within 16 unsigned bits: a
// channel (at most 255) times a weight (at most 256). Part of
// TriangleRasterizer.h, which includes it where its kernels need it.

#if defined(__SSE2__)
#include <emmintrin.h>

namespace Vorn::SWTri::Sse2 {

// The 32-bit sample positions of a span cannot overflow while its texture
// coordinates stay within 2^14 texels of the origin at both ends.
inline bool InRange(uint32_t at, uint32_t step, int count)
{
    constexpr int64_t kLimit = int64_t{1} << 30;
    const int64_t first = static_cast<int32_t>(at);
    const int64_t last = first + int64_t{static_cast<int32_t>(step)} * (count - 1);
    return first > -kLimit && first < kLimit && last > -kLimit && last < kLimit;
}

// Pixels in the 16-bit lanes b, g, r, a of an SSE2 register, two at a
// time (lanes 0-3 and 4-7).
class Pixel4 {
public:
    explicit Pixel4(const Tint& tint)
        : mTint(_mm_setr_epi16(static_cast<short>(tint.b), static_cast<short>(tint.g), static_cast<short>(tint.r),
              static_cast<short>(tint.a), static_cast<short>(tint.b), static_cast<short>(tint.g),
              static_cast<short>(tint.r), static_cast<short>(tint.a))),
          mTinted(tint.a != 256 || tint.r != 256 || tint.g != 256 || tint.b != 256)
    {
    }

    static __m128i Unpack(uint32_t first, uint32_t second)
    {
        return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(first)),
                                     _mm_cvtsi32_si128(static_cast<int>(second))),
            _mm_setzero_si128());
    }

    // channel * (alpha + 1) >> 8, the alpha lanes times 256 >> 8.
    static __m128i Premultiply(__m128i x)
    {
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
        const __m128i rgb = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
        const __m128i multiplier = _mm_or_si128(_mm_and_si128(_mm_add_epi16(alpha, _mm_set1_epi16(1)), rgb),
            _mm_setr_epi16(0, 0, 0, 256, 0, 0, 0, 256));
        return _mm_srli_epi16(_mm_mullo_epi16(x, multiplier), 8);
    }

    template <bool Premultiplied>
    static __m128i Texels(uint32_t first, uint32_t second)
    {
        const __m128i x = Unpack(first, second);
        return Premultiplied ? x : Premultiply(x);
    }

    // (p * (256 - f) + q * f) >> 8 per lane, as p + ((q - p) * f >> 8): the
    // 256 p inside the sum is a whole multiple of 256. One signed high
    // multiply of 2 (q - p) (within +-510) by f * 128 (`weights`, within
    // 32640) gives the shifted product exactly.
    static __m128i Mix(__m128i p, __m128i q, __m128i weights)
    {
        return _mm_add_epi16(p, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(q, p), 1), weights));
    }

    // Lanes 0-3 hold `low`, lanes 4-7 `high`.
    static __m128i Weights(uint32_t low, uint32_t high)
    {
        const __m128i pair = _mm_cvtsi32_si128(static_cast<int>(low | high << 16));
        const __m128i doubled = _mm_unpacklo_epi16(pair, pair);
        return _mm_unpacklo_epi32(doubled, doubled);
    }

    // The left and right columns of a bilinear sample, mixed down by fv:
    // no branch on the texels' alphas, which the rims of sprites would
    // mispredict pixel after pixel.
    template <bool Premultiplied>
    static __m128i Columns(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, uint32_t fv)
    {
        return Columns<Premultiplied>(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(t00)),
                                          _mm_cvtsi32_si128(static_cast<int>(t01))),
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(t10)), _mm_cvtsi32_si128(static_cast<int>(t11))), fv);
    }

    // The same from the two taps of each row as packed bytes.
    template <bool Premultiplied>
    static __m128i Columns(__m128i top, __m128i bottom, uint32_t fv)
    {
        const __m128i zero = _mm_setzero_si128();
        __m128i upper = _mm_unpacklo_epi8(top, zero);
        __m128i lower = _mm_unpacklo_epi8(bottom, zero);
        if constexpr (!Premultiplied) {
            upper = Premultiply(upper);
            lower = Premultiply(lower);
        }
        return Mix(upper, lower, Weights(fv << 7, fv << 7));
    }

    // The columns of two pixels mixed across by their fu: both samples.
    static __m128i Across(__m128i first, __m128i second, uint32_t fuFirst, uint32_t fuSecond)
    {
        return Mix(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second),
            Weights(fuFirst << 7, fuSecond << 7));
    }

    // Tints the samples of `Count` pixels and lays them onto out[0 ..]. An
    // untinted opaque sample over anything is itself: the destination is
    // not read (on a large frame that read is the slowest step).
    template <bool RedLow, Compose How, int Count>
    void Compose(uint32_t* out, __m128i s, bool opaque = false) const
    {
        if (How == Compose::Over && opaque && !mTinted) {
            Compose<RedLow, Compose::Store, Count>(out, s);
            return;
        }
        if (mTinted)
            s = _mm_srli_epi16(_mm_mullo_epi16(s, mTint), 8);
        if constexpr (RedLow)
            s = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
        __m128i result;
        if constexpr (How == Compose::Add) {
            const __m128i colour = _mm_and_si128(_mm_packus_epi16(s, s), _mm_set1_epi32(0xFFFFFF));
            result = _mm_adds_epu8(Load<Count>(out), colour);
        } else if constexpr (How == Compose::Over) {
            // d * 256 in each lane, so that the high half of its product
            // with 256 - s_a is d * (256 - s_a) >> 8.
            const __m128i d = _mm_unpacklo_epi8(_mm_setzero_si128(), Load<Count>(out));
            const __m128i keep =
                _mm_sub_epi16(_mm_set1_epi16(256), _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF));
            result = _mm_packus_epi16(_mm_add_epi16(s, _mm_mulhi_epu16(d, keep)), s);
        } else {
            result = _mm_packus_epi16(s, s);
        }
        if constexpr (Count == 2)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), result);
        else
            *out = static_cast<uint32_t>(_mm_cvtsi128_si32(result));
    }

private:
    template <int Count>
    static __m128i Load(const uint32_t* out)
    {
        if constexpr (Count == 2)
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(out));
        else
            return _mm_cvtsi32_si128(static_cast<int>(*out));
    }

    __m128i mTint;
    bool mTinted;
};

// A span's sample positions: the texel a sample reads first (the one under
// it, or the upper left of the bilinear four) and its fractions.
template <Sampling Mode>
struct Position {
    int x;
    int y;
    uint32_t fu;
    uint32_t fv;
    Position(uint32_t u, uint32_t v)
    {
        if constexpr (Mode == Sampling::Point) {
            x = static_cast<int32_t>(u) >> 16;
            y = static_cast<int32_t>(v) >> 16;
            fu = fv = 0;
        } else {
            const int32_t su = (static_cast<int32_t>(u) - 0x7F80) >> 8;
            const int32_t sv = (static_cast<int32_t>(v) - 0x7F80) >> 8;
            x = su >> 8;
            y = sv >> 8;
            fu = static_cast<uint32_t>(su & 0xFF);
            fv = static_cast<uint32_t>(sv & 0xFF);
        }
    }
    // Every texel it reads lies inside the texture.
    bool Inside(int width, int height) const
    {
        constexpr int reach = Mode == Sampling::Point ? 1 : 2;
        return x >= 0 && y >= 0 && x <= width - reach && y <= height - reach;
    }
};

// Four positions of a span at once, as Position finds them: the offset of
// each first texel (x + y * width, one multiply-add of 16-bit pairs: every
// position here lies inside the texture, below 2^15) and the fractions.
template <Sampling Mode>
struct Positions4 {
    alignas(16) int32_t offset[4];
    alignas(16) uint32_t fu[4];
    alignas(16) uint32_t fv[4];
    Positions4(__m128i u, __m128i v, __m128i widthPairs)
    {
        __m128i x;
        __m128i y;
        if constexpr (Mode == Sampling::Point) {
            x = _mm_srai_epi32(u, 16);
            y = _mm_srai_epi32(v, 16);
            _mm_store_si128(reinterpret_cast<__m128i*>(fu), _mm_setzero_si128());
            _mm_store_si128(reinterpret_cast<__m128i*>(fv), _mm_setzero_si128());
        } else {
            const __m128i half = _mm_set1_epi32(0x7F80);
            const __m128i su = _mm_srai_epi32(_mm_sub_epi32(u, half), 8);
            const __m128i sv = _mm_srai_epi32(_mm_sub_epi32(v, half), 8);
            const __m128i fraction = _mm_set1_epi32(0xFF);
            _mm_store_si128(reinterpret_cast<__m128i*>(fu), _mm_and_si128(su, fraction));
            _mm_store_si128(reinterpret_cast<__m128i*>(fv), _mm_and_si128(sv, fraction));
            x = _mm_srai_epi32(su, 8);
            y = _mm_srai_epi32(sv, 8);
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(offset),
            _mm_madd_epi16(_mm_or_si128(x, _mm_slli_epi32(y, 16)), widthPairs));
    }
};

// One span: `count` pixels from `out`, the texture stepped by (du, dv).
// Where every tap lies inside the texture (an unbroken run, the texture
// being convex) pixels go four at a time without holding taps to the
// edges; the rest one by one. Pixels whose texels are all transparent are
// left as they are: over and add change nothing for them.
template <bool RedLow, bool Premultiplied, Sampling Mode, Compose How>
void Span(uint32_t* out, int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, const ArgbFetch& fetch,
    const Pixel4& tint)
{
    const Pixel4 pixel = tint;
    const uint32_t* const bits = fetch.bits;
    const int w = fetch.width;
    const int h = fetch.height;
    const auto stride = static_cast<size_t>(w);
    const auto at = [=](int i) {
        return Position<Mode>(u + du * static_cast<uint32_t>(i), v + dv * static_cast<uint32_t>(i));
    };
    const auto texel = [=](int x, int y) { return bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)]; };
    const auto held = [&](int i) {
        const Position<Mode> p = at(i);
        if constexpr (Mode == Sampling::Point) {
            const uint32_t t = texel(std::clamp(p.x, 0, w - 1), std::clamp(p.y, 0, h - 1));
            if (How == Compose::Store || t >= 0x01000000)
                pixel.Compose<RedLow, How, 1>(out + i, Pixel4::Texels<Premultiplied>(t, 0));
        } else {
            const int x0 = std::clamp(p.x, 0, w - 1);
            const int x1 = std::clamp(p.x + 1, 0, w - 1);
            const int y0 = std::clamp(p.y, 0, h - 1);
            const int y1 = std::clamp(p.y + 1, 0, h - 1);
            const uint32_t t00 = texel(x0, y0);
            const uint32_t t01 = texel(x1, y0);
            const uint32_t t10 = texel(x0, y1);
            const uint32_t t11 = texel(x1, y1);
            if (How == Compose::Store || (t00 | t01 | t10 | t11) >= 0x01000000)
                pixel.Compose<RedLow, How, 1>(out + i,
                    Pixel4::Across(Pixel4::Columns<Premultiplied>(t00, t01, t10, t11, p.fv), _mm_setzero_si128(), p.fu, 0));
        }
    };
    // Two neighbouring pixels from the offsets and fractions of their taps.
    const auto pair = [&](int i, size_t a, size_t b, uint32_t fuA, uint32_t fvA, uint32_t fuB, uint32_t fvB)
                          __attribute__((always_inline)) {
        if constexpr (Mode == Sampling::Point) {
            const uint32_t ta = bits[a];
            const uint32_t tb = bits[b];
            if (How != Compose::Store && (ta | tb) < 0x01000000)
                return;
            pixel.Compose<RedLow, How, 2>(out + i, Pixel4::Texels<Premultiplied>(ta, tb), (ta & tb) >= 0xFF000000);
        } else {
            // Each row of a pixel's four taps is one 64-bit load.
            const __m128i aTop = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bits + a));
            const __m128i aBottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bits + a + stride));
            const __m128i bTop = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bits + b));
            const __m128i bBottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bits + b + stride));
            constexpr uint64_t kAlphas = 0xFF000000FF000000u;
            const auto any = static_cast<uint64_t>(_mm_cvtsi128_si64(
                _mm_or_si128(_mm_or_si128(aTop, aBottom), _mm_or_si128(bTop, bBottom))));
            if (How != Compose::Store && (any & kAlphas) == 0)
                return;
            // Blended whether opaque or not (an opaque sample blends to
            // itself): which pixels of a rim are opaque follows no pattern a
            // branch could learn.
            pixel.Compose<RedLow, How, 2>(out + i,
                Pixel4::Across(Pixel4::Columns<Premultiplied>(aTop, aBottom, fvA),
                    Pixel4::Columns<Premultiplied>(bTop, bBottom, fvB), fuA, fuB));
        }
    };
    int first = 0;
    while (first < count && !at(first).Inside(w, h))
        held(first++);
    int end = count;
    while (end > first && !at(end - 1).Inside(w, h))
        held(--end);
    int i = first;
    if (end - first >= 4) {
        const auto lanes = [](uint32_t start, uint32_t step) {
            return _mm_setr_epi32(static_cast<int>(start), static_cast<int>(start + step),
                static_cast<int>(start + 2 * step), static_cast<int>(start + 3 * step));
        };
        const auto from = static_cast<uint32_t>(first);
        __m128i us = lanes(u + du * from, du);
        __m128i vs = lanes(v + dv * from, dv);
        const __m128i stepU = _mm_set1_epi32(static_cast<int>(du * 4));
        const __m128i stepV = _mm_set1_epi32(static_cast<int>(dv * 4));
        const __m128i widthPairs = _mm_set1_epi32(w << 16 | 1);
        for (; i + 3 < end; i += 4) {
            const Positions4<Mode> p(us, vs, widthPairs);
            us = _mm_add_epi32(us, stepU);
            vs = _mm_add_epi32(vs, stepV);
            const auto offset = [&](int k) { return static_cast<size_t>(p.offset[k]); };
            pair(i, offset(0), offset(1), p.fu[0], p.fv[0], p.fu[1], p.fv[1]);
            pair(i + 2, offset(2), offset(3), p.fu[2], p.fv[2], p.fu[3], p.fv[3]);
        }
    }
    for (; i + 1 < end; i += 2) {
        const Position<Mode> a = at(i);
        const Position<Mode> b = at(i + 1);
        const auto offset = [&](const Position<Mode>& p) {
            return static_cast<size_t>(p.y) * stride + static_cast<size_t>(p.x);
        };
        pair(i, offset(a), offset(b), a.fu, a.fv, b.fu, b.fv);
    }
    if (i < end)
        held(i);
}

} // namespace Vorn::SWTri::Sse2

#endif
