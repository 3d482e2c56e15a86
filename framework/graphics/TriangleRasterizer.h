#pragma once
// The rasteriser of the software triangles, as templates over the texel
// fetch and the destination format, so that other devices draw through the
// same kernels with textures and targets of their own.
//
// Pixel rules. Pixel centres lie at integer coordinates; a pixel is drawn
// when its centre lies inside the triangle, a centre on a left or top edge
// counting as inside and one on a right or bottom edge not (two triangles
// sharing an edge draw each pixel of it once). Texture coordinates are
// interpolated linearly (affine) and held to the texture's edge. Point
// sampling reads the texel under the sample; bilinear sampling weighs the
// four texels around it with 8-bit fractions, texel centres at half-texel
// positions. Texels are premultiplied by their alpha before they are mixed,
// so transparent texels do not darken their neighbours:
//   premultiplied channel = channel * (alpha + 1) >> 8, alpha kept;
//   left  = (p00 * (256 - fv) + p10 * fv) >> 8, right alike with p01, p11;
//   sample = (left * (256 - fu) + right * fu) >> 8, for each of a, r, g, b.
// The sample is multiplied by the colour (the draw colour, or the vertex
// colours interpolated), each channel c and the alpha A as
//   m_c = (c * (A + 1) >> 8) + 1, m_a = A + 1, lane = lane * m >> 8,
// so white leaves it as it is. Then, on the destination pixel d:
//   normal:   d = s + (d * (256 - s_a) >> 8) per lane (an exact over);
//   additive: each colour channel min(d + s, full), the alpha kept;
//   opaque (no blend): d = s.
// 16-bit targets take the channel's top bits of s and weigh their own field
// the same way; the target with destination alpha turns s back into a
// straight colour (rounded) and lays it with the over blend of Vorn::Blend.

#include "framework/graphics/Blend.h"
#include "framework/graphics/SWTri.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace Vorn::SWTri {

// Texel fetches: the ARGB word at (x, y) inside the texture, straight or
// already premultiplied by the rules above.
struct ArgbFetch {
    static constexpr bool kPremultiplied = false;
    const uint32_t* bits;
    int width;
    int height;
    uint32_t operator()(int x, int y) const
    {
        return bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

struct PremultipliedFetch : ArgbFetch {
    static constexpr bool kPremultiplied = true;
};

struct PaletteFetch {
    static constexpr bool kPremultiplied = false;
    const uint32_t* table;
    const uint8_t* indices;
    int width;
    int height;
    uint32_t operator()(int x, int y) const
    {
        return table[indices[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]];
    }
};

enum class Sampling { Point, Bilinear };
enum class Shading { Constant, Vertex };
enum class Compose { Over, Add, Store };

// A pixel as four lanes of 0..255.
struct Lanes {
    uint32_t a = 0;
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
};

inline Lanes Premultiplied(uint32_t t)
{
    const uint32_t a = t >> 24;
    return {a, (((t >> 16) & 0xFF) * (a + 1)) >> 8, (((t >> 8) & 0xFF) * (a + 1)) >> 8, ((t & 0xFF) * (a + 1)) >> 8};
}

inline Lanes Unpacked(uint32_t t)
{
    return {t >> 24, (t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF};
}

template <typename Fetch>
Lanes Texel(const Fetch& fetch, int x, int y)
{
    const uint32_t t = fetch(x, y);
    return Fetch::kPremultiplied ? Unpacked(t) : Premultiplied(t);
}

inline Lanes Lerp(const Lanes& p, const Lanes& q, uint32_t f)
{
    return {(p.a * (256 - f) + q.a * f) >> 8, (p.r * (256 - f) + q.r * f) >> 8, (p.g * (256 - f) + q.g * f) >> 8,
        (p.b * (256 - f) + q.b * f) >> 8};
}

// The colour's multipliers of a sample.
struct Tint {
    uint32_t a = 256;
    uint32_t r = 256;
    uint32_t g = 256;
    uint32_t b = 256;
    static Tint Of(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
    {
        return {alpha + 1, ((red * (alpha + 1)) >> 8) + 1, ((green * (alpha + 1)) >> 8) + 1,
            ((blue * (alpha + 1)) >> 8) + 1};
    }
    Lanes operator()(const Lanes& s) const { return {(s.a * a) >> 8, (s.r * r) >> 8, (s.g * g) >> 8, (s.b * b) >> 8}; }
};

template <Sampling Mode, typename Fetch>
Lanes Sample(const Fetch& fetch, int32_t u, int32_t v)
{
    if constexpr (Mode == Sampling::Point) {
        return Texel(fetch, std::clamp(u >> 16, 0, fetch.width - 1), std::clamp(v >> 16, 0, fetch.height - 1));
    } else {
        // Positions to the nearest 1/256 texel, half a texel back.
        const int64_t su = (int64_t{u} - 0x7F80) >> 8;
        const int64_t sv = (int64_t{v} - 0x7F80) >> 8;
        const auto fu = static_cast<uint32_t>(su & 0xFF);
        const auto fv = static_cast<uint32_t>(sv & 0xFF);
        const int64_t iu = su >> 8;
        const int64_t iv = sv >> 8;
        const auto column = [&](int64_t i) { return static_cast<int>(std::clamp<int64_t>(i, 0, fetch.width - 1)); };
        const auto row = [&](int64_t i) { return static_cast<int>(std::clamp<int64_t>(i, 0, fetch.height - 1)); };
        const int x0 = column(iu);
        const int x1 = column(iu + 1);
        const int y0 = row(iv);
        const int y1 = row(iv + 1);
        const Lanes left = Lerp(Texel(fetch, x0, y0), Texel(fetch, x0, y1), fv);
        const Lanes right = Lerp(Texel(fetch, x1, y0), Texel(fetch, x1, y1), fv);
        return Lerp(left, right, fu);
    }
}

// Destination formats: how a premultiplied sample composes onto a pixel.
template <bool RedLow>
struct Target888 {
    using Pixel = uint32_t;
    static constexpr int kRed = RedLow ? 0 : 16;
    static constexpr int kBlue = RedLow ? 16 : 0;
    static uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
    {
        return (a << 24) | (r << kRed) | (g << 8) | (b << kBlue);
    }
    static uint32_t Field(uint32_t d, int shift) { return (d >> shift) & 0xFF; }
    template <Compose How>
    static Pixel Compose(Pixel d, const Lanes& s)
    {
        if constexpr (How == Compose::Store) {
            return Pack(s.a, s.r, s.g, s.b);
        } else if constexpr (How == Compose::Over) {
            const uint32_t keep = 256 - s.a;
            return Pack(s.a + ((Field(d, 24) * keep) >> 8), s.r + ((Field(d, kRed) * keep) >> 8),
                s.g + ((Field(d, 8) * keep) >> 8), s.b + ((Field(d, kBlue) * keep) >> 8));
        } else {
            return Pack(Field(d, 24), std::min(Field(d, kRed) + s.r, 255u), std::min(Field(d, 8) + s.g, 255u),
                std::min(Field(d, kBlue) + s.b, 255u));
        }
    }
};

// Memory ARGB words with alpha.
struct Target8888 {
    using Pixel = uint32_t;
    template <Compose How>
    static Pixel Compose(Pixel d, const Lanes& s)
    {
        if constexpr (How == Compose::Store) {
            return (s.a << 24) | (s.r << 16) | (s.g << 8) | s.b;
        } else if constexpr (How == Compose::Over) {
            if (s.a == 0)
                return d;
            const auto straight = [&](uint32_t c) { return (c * 255 + s.a / 2) / s.a; };
            return Blend::Over(d, (straight(s.r) << 16) | (straight(s.g) << 8) | straight(s.b), s.a);
        } else {
            return Blend::AddChannels(d, s.r, s.g, s.b);
        }
    }
};

// 5-6-5 (GreenBits 6) and 5-5-5 (GreenBits 5), red highest.
template <int GreenBits>
struct Target16 {
    using Pixel = uint16_t;
    static constexpr int kGreenShift = 5;
    static constexpr int kRedShift = 5 + GreenBits;
    template <Compose How>
    static Pixel Compose(Pixel pixel, const Lanes& s)
    {
        const uint32_t d = pixel;
        const auto channel = [&](uint32_t sc, int shift, int bits) -> uint32_t {
            const uint32_t top = (1u << bits) - 1;
            const uint32_t own = sc >> (8 - bits);
            const uint32_t dc = (d >> shift) & top;
            if constexpr (How == Compose::Store)
                return own << shift;
            else if constexpr (How == Compose::Over)
                return (own + ((dc * (256 - s.a)) >> 8)) << shift;
            else
                return std::min(dc + own, top) << shift;
        };
        return static_cast<Pixel>(channel(s.r, kRedShift, 5) | channel(s.g, kGreenShift, GreenBits) |
                                  channel(s.b, 0, 5));
    }
};

// The rows and spans a triangle covers, and the linear attributes over it.
class TriangleScan {
public:
    // False for a triangle of no area. Spans are held to width x height.
    bool Setup(const FixedVertex* vertices, int width, int height);

    // An attribute's value at the centre of pixel (x, row) and its step per
    // column, both 16.16, rounded from a plane held with 16 more bits.
    struct Plane {
        int64_t base = 0;
        int64_t dx = 0;
        int64_t dy = 0;
        uint32_t At(int x, int row) const
        {
            return static_cast<uint32_t>((base + dx * x + dy * row + 0x8000) >> 16);
        }
        uint32_t Step() const { return static_cast<uint32_t>((dx + 0x8000) >> 16); }
    };
    Plane PlaneOf(int32_t a0, int32_t a1, int32_t a2) const;
    // The plane of field `field` of the three vertices as the caller gave them.
    template <int32_t FixedVertex::*Field>
    Plane PlaneOf() const
    {
        return PlaneOf(mIn[0]->*Field, mIn[1]->*Field, mIn[2]->*Field);
    }

    // span(row, first column, count) for every non-empty span, top down.
    template <typename Span>
    void ForEachSpan(Span span) const
    {
        Edge longEdge;
        Edge shortEdge;
        const FixedVertex& top = *mSorted[0];
        const FixedVertex& mid = *mSorted[1];
        const FixedVertex& bottom = *mSorted[2];
        longEdge.Start(top, bottom, mFirstRow);
        const auto run = [&](int from, int to) {
            for (int row = from; row < to; ++row) {
                const int64_t a = longEdge.q;
                const int64_t b = shortEdge.q;
                const int64_t left = std::max<int64_t>(mMidLeft ? b : a, 0);
                const int64_t right = std::min<int64_t>(mMidLeft ? a : b, mWidth);
                if (right > left && row >= 0 && row < mHeight)
                    span(row, static_cast<int>(left), static_cast<int>(right - left));
                longEdge.Next();
                shortEdge.Next();
            }
        };
        shortEdge.Start(top, mid, mFirstRow);
        run(mFirstRow, mMidRow);
        shortEdge.Start(mid, bottom, mMidRow);
        run(mMidRow, mLastRow);
    }

private:
    // The first pixel column at or right of an edge on successive rows:
    // ceil(x) held exactly as a quotient and a remainder, so an edge gives
    // the same columns in every triangle that shares it.
    struct Edge {
        int64_t q = 0;
        int64_t rem = 0;
        int64_t den = 1;
        int64_t stepQ = 0;
        int64_t stepRem = 0;
        void Start(const FixedVertex& a, const FixedVertex& b, int row);
        void Next()
        {
            q += stepQ;
            rem -= stepRem;
            if (rem < 0) {
                rem += den;
                ++q;
            }
        }
    };

    const FixedVertex* mIn[3] = {};
    const FixedVertex* mSorted[3] = {};
    bool mMidLeft = false;
    int mFirstRow = 0;
    int mMidRow = 0;
    int mLastRow = 0;
    int mWidth = 0;
    int mHeight = 0;
    double mDet = 0;
};

} // namespace Vorn::SWTri

#include "framework/graphics/TriangleSpanSse2.h"

namespace Vorn::SWTri {

template <typename Target>
inline constexpr bool kRedLowTarget = false;
template <>
inline constexpr bool kRedLowTarget<Target888<true>> = true;
template <typename Target>
inline constexpr bool kFastTarget = false;
template <bool RedLow>
inline constexpr bool kFastTarget<Target888<RedLow>> = true;

template <typename Pixel>
Pixel* RowOf(const Destination& dest, int row)
{
    return reinterpret_cast<Pixel*>(dest.bits + static_cast<ptrdiff_t>(row) * dest.pitch);
}

// One triangle: every covered pixel sampled, tinted and composed.
template <typename Target, typename Fetch, Sampling Mode, Compose How, Shading Shade>
void Rasterize(const FixedVertex* vertices, const Destination& dest, const Fetch& fetch, const ColorInfo& color)
{
    TriangleScan scan;
    if (!scan.Setup(vertices, dest.width, dest.height))
        return;
    using Pixel = typename Target::Pixel;
    const TriangleScan::Plane u = scan.PlaneOf<&FixedVertex::u>();
    const TriangleScan::Plane v = scan.PlaneOf<&FixedVertex::v>();
    const auto clampColor = [](int value) { return static_cast<uint32_t>(std::clamp(value, 0, 255)); };
    const Tint constant = Tint::Of(clampColor(color.alpha), clampColor(color.red), clampColor(color.green),
        clampColor(color.blue));
    TriangleScan::Plane shade[4];
    if constexpr (Shade == Shading::Vertex) {
        shade[0] = scan.PlaneOf<&FixedVertex::alpha>();
        shade[1] = scan.PlaneOf<&FixedVertex::red>();
        shade[2] = scan.PlaneOf<&FixedVertex::green>();
        shade[3] = scan.PlaneOf<&FixedVertex::blue>();
    }
#if defined(__SSE2__)
    const Sse2::Pixel4 fastPixel(constant);
#endif
    scan.ForEachSpan([&](int row, int x, int count) {
        Pixel* out = RowOf<Pixel>(dest, row) + x;
        uint32_t uu = u.At(x, row);
        uint32_t vv = v.At(x, row);
        const uint32_t du = u.Step();
        const uint32_t dv = v.Step();
#if defined(__SSE2__)
        if constexpr (kFastTarget<Target> && std::is_base_of_v<ArgbFetch, Fetch> && Shade == Shading::Constant) {
            // Sprites land anywhere on a frame larger than the caches: both
            // ends of the next rows' spans (where translucent rims are
            // blended onto what is there) are asked for while this row is
            // drawn.
            for (int ahead = 1; ahead <= 2 && row + ahead < dest.height; ++ahead) {
                const Pixel* next = RowOf<Pixel>(dest, row + ahead);
                _mm_prefetch(reinterpret_cast<const char*>(next + x), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(next + x + count - 1), _MM_HINT_T0);
            }
            if (Sse2::InRange(uu, du, count) && Sse2::InRange(vv, dv, count)) {
                Sse2::Span<kRedLowTarget<Target>, Fetch::kPremultiplied, Mode, How>(out, count, uu, vv, du, dv, fetch,
                    fastPixel);
                return;
            }
        }
#endif
        uint32_t c[4] = {};
        uint32_t dc[4] = {};
        if constexpr (Shade == Shading::Vertex) {
            for (int k = 0; k < 4; ++k) {
                c[k] = shade[k].At(x, row);
                dc[k] = shade[k].Step();
            }
        }
        for (int i = 0; i < count; ++i) {
            Lanes s = Sample<Mode>(fetch, static_cast<int32_t>(uu), static_cast<int32_t>(vv));
            if constexpr (Shade == Shading::Vertex) {
                const auto channel = [&](int k) {
                    return static_cast<uint32_t>(std::clamp(static_cast<int32_t>(c[k]) >> 16, 0, 255));
                };
                s = Tint::Of(channel(0), channel(1), channel(2), channel(3))(s);
                for (int k = 0; k < 4; ++k)
                    c[k] += dc[k];
            } else {
                s = constant(s);
            }
            out[i] = Target::template Compose<How>(out[i], s);
            uu += du;
            vv += dv;
        }
    });
}

} // namespace Vorn::SWTri
