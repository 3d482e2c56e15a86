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
        const __m128i down = Weights(fv, fv);
        const __m128i stay = _mm_sub_epi16(_mm_set1_epi16(256), down);
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(upper, stay), _mm_mullo_epi16(lower, down)), 8);
    }

    // The columns of two pixels mixed across by their fu: both samples.
    static __m128i Across(__m128i first, __m128i second, uint32_t fuFirst, uint32_t fuSecond)
    {
        const __m128i right = Weights(fuFirst, fuSecond);
        const __m128i left = _mm_sub_epi16(_mm_set1_epi16(256), right);
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi64(first, second), left),
                                  _mm_mullo_epi16(_mm_unpackhi_epi64(first, second), right)),
            8);
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
            const __m128i d = _mm_unpacklo_epi8(Load<Count>(out), _mm_setzero_si128());
            const __m128i keep =
                _mm_sub_epi16(_mm_set1_epi16(256), _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF));
            result = _mm_packus_epi16(_mm_add_epi16(s, _mm_srli_epi16(_mm_mullo_epi16(d, keep), 8)), s);
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

// One span: `count` pixels from `out`, the texture stepped by (du, dv).
// Where every tap lies inside the texture (an unbroken run, the texture
// being convex) pixels go in pairs without holding taps to the edges; the
// rest one by one. Pixels whose texels are all transparent are left as they
// are: over and add change nothing for them.
template <bool RedLow, bool Premultiplied, Sampling Mode, Compose How>
void Span(uint32_t* out, int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, const ArgbFetch& fetch,
    const Pixel4& pixel)
{
    const int w = fetch.width;
    const int h = fetch.height;
    const auto stride = static_cast<size_t>(w);
    const auto at = [&](int i) {
        return Position<Mode>(u + du * static_cast<uint32_t>(i), v + dv * static_cast<uint32_t>(i));
    };
    const auto texel = [&](int x, int y) {
        return fetch.bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
    };
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
    int first = 0;
    while (first < count && !at(first).Inside(w, h))
        held(first++);
    int end = count;
    while (end > first && !at(end - 1).Inside(w, h))
        held(--end);
    int i = first;
    for (; i + 1 < end; i += 2) {
        const Position<Mode> a = at(i);
        const Position<Mode> b = at(i + 1);
        if constexpr (Mode == Sampling::Point) {
            const uint32_t ta = texel(a.x, a.y);
            const uint32_t tb = texel(b.x, b.y);
            if (How != Compose::Store && (ta | tb) < 0x01000000)
                continue;
            pixel.Compose<RedLow, How, 2>(out + i, Pixel4::Texels<Premultiplied>(ta, tb), (ta & tb) >= 0xFF000000);
        } else {
            // Each row of a pixel's four taps is one 64-bit load.
            const uint32_t* pa = fetch.bits + static_cast<size_t>(a.y) * stride + static_cast<size_t>(a.x);
            const uint32_t* pb = fetch.bits + static_cast<size_t>(b.y) * stride + static_cast<size_t>(b.x);
            const __m128i aTop = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pa));
            const __m128i aBottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pa + stride));
            const __m128i bTop = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pb));
            const __m128i bBottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pb + stride));
            constexpr uint64_t kAlphas = 0xFF000000FF000000u;
            const auto any = static_cast<uint64_t>(_mm_cvtsi128_si64(
                _mm_or_si128(_mm_or_si128(aTop, aBottom), _mm_or_si128(bTop, bBottom))));
            if (How != Compose::Store && (any & kAlphas) == 0)
                continue;
            const auto all = static_cast<uint64_t>(_mm_cvtsi128_si64(
                _mm_and_si128(_mm_and_si128(aTop, aBottom), _mm_and_si128(bTop, bBottom))));
            pixel.Compose<RedLow, How, 2>(out + i,
                Pixel4::Across(Pixel4::Columns<Premultiplied>(aTop, aBottom, a.fv),
                    Pixel4::Columns<Premultiplied>(bTop, bBottom, b.fv), a.fu, b.fu),
                (all & kAlphas) == kAlphas);
        }
    }
    if (i < end)
        held(i);
}

} // namespace Vorn::SWTri::Sse2

#endif
