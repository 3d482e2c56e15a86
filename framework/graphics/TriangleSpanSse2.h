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

class Pixel4 {
public:
    explicit Pixel4(const Tint& tint)
        : mTint(_mm_setr_epi16(static_cast<short>(tint.b), static_cast<short>(tint.g), static_cast<short>(tint.r),
              static_cast<short>(tint.a), 0, 0, 0, 0)),
          mTinted(tint.a != 256 || tint.r != 256 || tint.g != 256 || tint.b != 256)
    {
    }

    // Two texels as lanes b, g, r, a, b, g, r, a.
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

    // The bilinear sample of four texels. No branch on their alphas: the
    // rims of sprites would mispredict it pixel after pixel.
    template <bool Premultiplied>
    static __m128i Bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, uint32_t fu, uint32_t fv)
    {
        const __m128i top = Texels<Premultiplied>(t00, t01);
        const __m128i bottom = Texels<Premultiplied>(t10, t11);
        const __m128i down = _mm_set1_epi16(static_cast<short>(fv));
        const __m128i stay = _mm_sub_epi16(_mm_set1_epi16(256), down);
        const __m128i columns =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(top, stay), _mm_mullo_epi16(bottom, down)), 8);
        const __m128i across = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(256 - fu)),
            _mm_set1_epi16(static_cast<short>(fu)));
        const __m128i weighed = _mm_mullo_epi16(columns, across);
        return _mm_srli_epi16(_mm_add_epi16(weighed, _mm_srli_si128(weighed, 8)), 8);
    }

    template <bool RedLow, Compose How>
    void Compose(uint32_t& out, __m128i s) const
    {
        if (mTinted)
            s = _mm_srli_epi16(_mm_mullo_epi16(s, mTint), 8);
        if constexpr (RedLow)
            s = _mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 0, 1, 2));
        if constexpr (How == Compose::Add) {
            const uint32_t colour = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(s, s))) & 0xFFFFFFu;
            out = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(out)),
                _mm_cvtsi32_si128(static_cast<int>(colour)))));
            return;
        }
        if constexpr (How == Compose::Over) {
            const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(out)), _mm_setzero_si128());
            const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), _mm_shufflelo_epi16(s, 0xFF));
            s = _mm_add_epi16(s, _mm_srli_epi16(_mm_mullo_epi16(d, keep), 8));
        }
        out = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(s, s)));
    }

private:
    __m128i mTint;
    bool mTinted;
};

// One span: `count` pixels from `out`, the texture stepped by (du, dv).
// Pixels whose texels are all transparent are left as they are: over and
// add change nothing for them.
template <bool RedLow, bool Premultiplied, Sampling Mode, Compose How>
void Span(uint32_t* out, int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, const ArgbFetch& fetch,
    const Tint& tint)
{
    const Pixel4 pixel(tint);
    const int w = fetch.width;
    const int h = fetch.height;
    const auto stride = static_cast<size_t>(w);
    for (int i = 0; i < count; ++i, u += du, v += dv) {
        if constexpr (Mode == Sampling::Point) {
            const int x = std::clamp(static_cast<int32_t>(u) >> 16, 0, w - 1);
            const int y = std::clamp(static_cast<int32_t>(v) >> 16, 0, h - 1);
            const uint32_t t = fetch.bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
            if (How != Compose::Store && t < 0x01000000)
                continue;
            pixel.Compose<RedLow, How>(out[i], Pixel4::Texels<Premultiplied>(t, 0));
        } else {
            const int32_t su = (static_cast<int32_t>(u) - 0x7F80) >> 8;
            const int32_t sv = (static_cast<int32_t>(v) - 0x7F80) >> 8;
            const int iu = su >> 8;
            const int iv = sv >> 8;
            uint32_t t00, t01, t10, t11;
            if (static_cast<unsigned>(iu) < static_cast<unsigned>(w - 1) &&
                static_cast<unsigned>(iv) < static_cast<unsigned>(h - 1)) {
                const uint32_t* p = fetch.bits + static_cast<size_t>(iv) * stride + static_cast<size_t>(iu);
                t00 = p[0];
                t01 = p[1];
                t10 = p[stride];
                t11 = p[stride + 1];
            } else {
                const auto x0 = static_cast<size_t>(std::clamp(iu, 0, w - 1));
                const auto x1 = static_cast<size_t>(std::clamp(iu + 1, 0, w - 1));
                const size_t y0 = static_cast<size_t>(std::clamp(iv, 0, h - 1)) * stride;
                const size_t y1 = static_cast<size_t>(std::clamp(iv + 1, 0, h - 1)) * stride;
                t00 = fetch.bits[y0 + x0];
                t01 = fetch.bits[y0 + x1];
                t10 = fetch.bits[y1 + x0];
                t11 = fetch.bits[y1 + x1];
            }
            if (How != Compose::Store && (t00 | t01 | t10 | t11) < 0x01000000)
                continue;
            pixel.Compose<RedLow, How>(out[i], Pixel4::Bilinear<Premultiplied>(t00, t01, t10, t11, static_cast<uint32_t>(su & 0xFF),
                                                   static_cast<uint32_t>(sv & 0xFF)));
        }
    }
}

} // namespace Vorn::SWTri::Sse2

#endif
