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
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn::SWTri {

// std::llround without the library's call: below 2^52 the part cut off
// by truncation is exact, and from there on every double is whole. Only
// for values within 2^63.
inline int64_t RoundHalfAway(double value)
{
    const auto whole = static_cast<int64_t>(value);
    const double rest = value - static_cast<double>(whole);
    return whole + (rest >= 0.5 ? 1 : 0) - (rest <= -0.5 ? 1 : 0);
}

// Texel fetches: the ARGB word at (x, y) inside the texture, straight or
// already premultiplied by the rules above.
struct ArgbFetch {
    static constexpr bool kPremultiplied = false;
    const uint32_t* bits;
    int width;
    int height;
    // The same words edged (EdgedWords, pointing at row -1, column -1), or
    // none: read only by the vector bilinear rows.
    const uint32_t* edged = nullptr;
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

// A palette whose entries are already premultiplied.
struct PremultipliedPaletteFetch : PaletteFetch {
    static constexpr bool kPremultiplied = true;
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

// The word PremultipliedFetch reads where ArgbFetch reads `t`: the same
// lanes, premultiplied once rather than at every sample.
inline uint32_t PremultipliedWord(uint32_t t)
{
    const Lanes p = Premultiplied(t);
    return p.a << 24 | p.r << 16 | p.g << 8 | p.b;
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

// How a recording (TriangleLayer) leaves a pixel a drawing covers: the
// sample's ARGB word in the low 32 bits, above it whether it was covered,
// whether twice, and how it was to be laid (Compose).
struct RecordedSample {
    static constexpr uint64_t kCovered = uint64_t{1} << 32;
    static constexpr uint64_t kTwice = uint64_t{1} << 33;
    static constexpr int kHowShift = 34;
};

struct SampleTarget {
    using Pixel = uint64_t;
    template <Compose How>
    static Pixel Compose(Pixel d, const Lanes& s)
    {
        if (d & RecordedSample::kCovered)
            return d | RecordedSample::kTwice;
        return RecordedSample::kCovered | uint64_t{static_cast<uint32_t>(How)} << RecordedSample::kHowShift |
               (s.a << 24 | s.r << 16 | s.g << 8 | s.b);
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

    int FirstRow() const { return mFirstRow; }
    int EndRow() const { return mLastRow; }

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
        // Without a branch: whether an edge steps one column further
        // follows its slope, which no predictor guesses.
        void Next()
        {
            rem -= stepRem;
            const int64_t borrow = rem >> 63;
            rem += den & borrow;
            q += stepQ - borrow;
        }
    };

#if defined(__SSE2__)
    // Two edges stepped as one, the long edge in the low lane of each
    // register and the short edge in the high lane: the same arithmetic as
    // Edge::Next, in half the instructions.
    struct Edges {
        __m128i q{};
        __m128i rem{};
        __m128i den{};
        __m128i stepQ{};
        __m128i stepRem{};
        static Edges Of(const Edge& low, const Edge& high)
        {
            Edges e;
            e.q = _mm_set_epi64x(high.q, low.q);
            e.rem = _mm_set_epi64x(high.rem, low.rem);
            e.den = _mm_set_epi64x(high.den, low.den);
            e.stepQ = _mm_set_epi64x(high.stepQ, low.stepQ);
            e.stepRem = _mm_set_epi64x(high.stepRem, low.stepRem);
            return e;
        }
        int64_t LowQ() const { return _mm_cvtsi128_si64(q); }
        int64_t HighQ() const { return _mm_cvtsi128_si64(_mm_unpackhi_epi64(q, q)); }
        void SetHigh(const Edge& high)
        {
            const auto keepLow = [](__m128i lanes, int64_t value) {
                return _mm_unpacklo_epi64(lanes, _mm_cvtsi64_si128(value));
            };
            q = keepLow(q, high.q);
            rem = keepLow(rem, high.rem);
            den = keepLow(den, high.den);
            stepQ = keepLow(stepQ, high.stepQ);
            stepRem = keepLow(stepRem, high.stepRem);
        }
        __attribute__((always_inline)) void Next()
        {
            rem = _mm_sub_epi64(rem, stepRem);
            // Each lane all ones where it went below 0: the high halves'
            // signs spread over their lanes.
            const __m128i borrow = _mm_shuffle_epi32(_mm_srai_epi32(rem, 31), _MM_SHUFFLE(3, 3, 1, 1));
            rem = _mm_add_epi64(rem, _mm_and_si128(den, borrow));
            q = _mm_sub_epi64(_mm_add_epi64(q, stepQ), borrow);
        }
    };
#else
    struct Edges {
        Edge low;
        Edge high;
        static Edges Of(const Edge& low, const Edge& high) { return {low, high}; }
        int64_t LowQ() const { return low.q; }
        int64_t HighQ() const { return high.q; }
        void SetHigh(const Edge& edge) { high = edge; }
        void Next()
        {
            low.Next();
            high.Next();
        }
    };
#endif

    // The rows of the triangle from the first down, one at a time.
    struct Walker {
        Edges edges;
        int row = 0;
    };
    // Made here rather than filled in by reference: a walker whose address
    // a call outside has seen is kept in memory for the whole walk.
    Walker Start() const
    {
        Edge longEdge;
        Edge shortEdge;
        longEdge.Start(*mSorted[0], *mSorted[2], mFirstRow);
        shortEdge.Start(*mSorted[0], *mSorted[1], mFirstRow);
        return Walker{Edges::Of(longEdge, shortEdge), mFirstRow};
    }
    // The columns [left, right) the walker's row covers (right <= left: none),
    // held to the width; the walker moves down a row. Only for rows from the
    // first to the end.
    __attribute__((always_inline)) void Step(Walker& walker, int& left, int& right) const
    {
        if (walker.row == mMidRow) {
            Edge shortEdge;
            shortEdge.Start(*mSorted[1], *mSorted[2], mMidRow);
            walker.edges.SetHigh(shortEdge);
        }
        const int64_t a = walker.edges.LowQ();
        const int64_t b = walker.edges.HighQ();
        const int64_t l = mMidLeft ? b : a;
        const int64_t r = mMidLeft ? a : b;
        if (mWithin) {
            left = static_cast<int>(l);
            right = static_cast<int>(r);
        } else {
            left = static_cast<int>(std::clamp<int64_t>(l, 0, mWidth));
            right = static_cast<int>(std::clamp<int64_t>(r, 0, mWidth));
        }
        walker.edges.Next();
        ++walker.row;
    }

private:
    // Set by Setup, and read only once it has answered true: two scans are
    // made for every drawing, and clearing them first costs more than
    // their set-up's arithmetic.
    const FixedVertex* mIn[3];
    const FixedVertex* mSorted[3];
    bool mMidLeft;
    // Whether every corner lies within columns [0, width]: then no span
    // needs holding to them.
    bool mWithin;
    int mFirstRow;
    int mMidRow;
    int mLastRow;
    int mWidth;
    int mHeight;
    // The first corner in pixels, the other two from it, and the
    // determinant they span: what every plane of the triangle shares.
    double mX0;
    double mY0;
    double mDx1;
    double mDy1;
    double mDx2;
    double mDy2;
    double mDet;
};

template <typename Pixel>
Pixel* RowOf(const Destination& dest, int row)
{
    return reinterpret_cast<Pixel*>(dest.bits + static_cast<ptrdiff_t>(row) * dest.pitch);
}

// A row's texture positions as a line through column 0: pixel x samples at
// (u + x * du, v + x * dv), 16.16, wrapping as 32-bit words do. With SSE2
// the steps of four neighbouring columns come with it, made once for a
// triangle.
struct Walk {
    uint32_t u = 0;
    uint32_t v = 0;
    uint32_t du = 0;
    uint32_t dv = 0;
#if defined(__SSE2__)
    // 0, 1, 2 and 3 steps, and 4 to 7 right after them (read as one by
    // the AVX2 rows); four steps, and eight (each half of an AVX2 row's).
    __m128i lanesU;
    __m128i upperU;
    __m128i lanesV;
    __m128i upperV;
    __m128i fourU;
    __m128i fourV;
    __m128i eightU;
    __m128i eightV;
#endif
    // A walk of these steps, its positions to be set.
    static Walk Steps(uint32_t du, uint32_t dv)
    {
        Walk w;
        w.du = du;
        w.dv = dv;
#if defined(__SSE2__)
        w.lanesU = _mm_setr_epi32(0, static_cast<int>(du), static_cast<int>(2 * du), static_cast<int>(3 * du));
        w.lanesV = _mm_setr_epi32(0, static_cast<int>(dv), static_cast<int>(2 * dv), static_cast<int>(3 * dv));
        w.fourU = _mm_set1_epi32(static_cast<int>(4 * du));
        w.fourV = _mm_set1_epi32(static_cast<int>(4 * dv));
        w.upperU = _mm_add_epi32(w.lanesU, w.fourU);
        w.upperV = _mm_add_epi32(w.lanesV, w.fourV);
        w.eightU = _mm_add_epi32(w.fourU, w.fourU);
        w.eightV = _mm_add_epi32(w.fourV, w.fourV);
#endif
        return w;
    }
};

// What one triangle's pixels are drawn with: where the texture and the
// vertex colours stand at a pixel.
struct Gradients {
    TriangleScan::Plane u;
    TriangleScan::Plane v;
    TriangleScan::Plane shade[4];
    // The steps along a row, for every row.
    Walk steps;
};

} // namespace Vorn::SWTri

#include "framework/graphics/TriangleSpanSse2.h"
#include "framework/graphics/TriangleSpanAvx2.h"

namespace Vorn::SWTri {

// Samples, tints and composes the pixels of rows of triangles: the generic
// kernel, pixel by pixel, which the vector rows follow bit for bit where
// they can take its place.
template <typename Target, typename Fetch, Sampling Mode, Compose How, Shading Shade>
class TriangleDrawer {
public:
    TriangleDrawer(const Destination& dest, const Fetch& fetch, const ColorInfo& color)
        : mDest(dest), mFetch(fetch), mConstant(Tint::Of(Held(color.alpha), Held(color.red), Held(color.green),
                                                    Held(color.blue)))
#if defined(__SSE2__)
          ,
          mRows(fetch, mConstant)
#endif
    {
    }

    Gradients GradientsOf(const TriangleScan& scan) const
    {
        Gradients g;
        g.u = scan.PlaneOf<&FixedVertex::u>();
        g.v = scan.PlaneOf<&FixedVertex::v>();
        g.steps = Walk::Steps(g.u.Step(), g.v.Step());
        if constexpr (Shade == Shading::Vertex) {
            g.shade[0] = scan.PlaneOf<&FixedVertex::alpha>();
            g.shade[1] = scan.PlaneOf<&FixedVertex::red>();
            g.shade[2] = scan.PlaneOf<&FixedVertex::green>();
            g.shade[3] = scan.PlaneOf<&FixedVertex::blue>();
        }
        return g;
    }

    // As Joined, but the row may wait in a queue until Flush or until the
    // queue is full, rows leaving it in the order they came. `left` and
    // `right` must stay in place until then.
    [[gnu::always_inline]] void Queue(int row, int x, int split, int end, const Gradients& left,
        const Gradients& right)
    {
        QueueWithin(row, x, split, end, left, right, x, end);
    }

    // Whether rows may be drawn in part (QueueWithin).
    static constexpr bool kCuts = Avx2::kRows<Target, Fetch, Shade> && How != Compose::Store;
    bool Cuts() const
    {
#if defined(__SSE2__)
        return kCuts && mWide;
#else
        return false;
#endif
    }

    // As Queue, but only columns [first, last) of the row are drawn, each
    // as Queue would draw it; only where Cuts().
    [[gnu::always_inline]] void QueueWithin(int row, int x, int split, int end, const Gradients& left,
        const Gradients& right, int first, int last)
    {
#if defined(__SSE2__)
        if constexpr (Avx2::kRows<Target, Fetch, Shade>) {
            if (mWide) {
                Avx2::QueuedRow& q = mQueue[mQueued];
                q.out = RowOf<uint32_t>(mDest, row);
                q.x = first;
                q.split = split;
                q.end = last;
                // Where each part starts, as WalkOf would have it there.
                const auto ahead = static_cast<uint32_t>(first - x);
                q.leftU = left.u.At(x, row) + ahead * left.steps.du;
                q.leftV = left.v.At(x, row) + ahead * left.steps.dv;
                q.rightU = right.u.At(split, row);
                q.rightV = right.v.At(split, row);
                q.left = &left.steps;
                q.right = &right.steps;
                if (++mQueued == kQueue)
                    Flush();
                return;
            }
        }
#endif
        Joined(row, x, split, end, left, right);
    }

    // Draws the rows Queue left waiting.
    void Flush()
    {
#if defined(__SSE2__)
        if constexpr (Avx2::kRows<Target, Fetch, Shade>) {
            if (mQueued > 0)
                Avx2::DrawRows<Target, Fetch, Mode, How>(mFetch, mConstant, mReads, mDest.width, mQueue, mQueued);
            mQueued = 0;
        }
#endif
    }

    // Columns [x, split) of the triangle of `left` and [split, end) of the
    // triangle of `right`, each as its own triangle would draw them.
    void Joined(int row, int x, int split, int end, const Gradients& left, const Gradients& right) const
    {
        using Pixel = typename Target::Pixel;
        Pixel* out = RowOf<Pixel>(mDest, row);
#if defined(__SSE2__)
        if constexpr (Sse2::kRows<Target, Fetch, Shade>) {
            // Sprites land anywhere on a frame larger than the caches: the
            // ends of a row further down (where rims are blended onto what
            // is there) are asked for while this one is drawn.
            if (row + 2 < mDest.height) {
                const Pixel* next = RowOf<Pixel>(mDest, row + 2);
                _mm_prefetch(reinterpret_cast<const char*>(next + x), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(next + end - 1), _MM_HINT_T0);
            }
            if constexpr (Avx2::kRows<Target, Fetch, Shade>) {
                if (CurrentRowLevel() == RowLevel::Avx2) {
                    Avx2::DrawRow<Target, Fetch, Mode, How>(mFetch, mConstant, mReads, out, mDest.width, x, split, end,
                        WalkOf(left, row, x), WalkOf(right, row, split));
                    return;
                }
            }
            mRows.Draw(out, mDest.width, x, split, end, WalkOf(left, row, x), WalkOf(right, row, split));
            return;
        }
#endif
        Pixels(out, row, x, split, left);
        Pixels(out, row, split, end, right);
    }

private:
    static uint32_t Held(int value) { return static_cast<uint32_t>(std::clamp(value, 0, 255)); }

#if defined(__SSE2__)
    // The texture positions of the row as a line through column 0: pixel x
    // of a span that starts at `from` lies `x - from` steps past the start
    // (the steps wrap as the kernel's do).
    static Walk WalkOf(const Gradients& g, int row, int from)
    {
        Walk w = g.steps;
        w.u = ThroughColumn0(g.u, w.du, row, from);
        w.v = ThroughColumn0(g.v, w.dv, row, from);
        return w;
    }

    // One coordinate of that line at column 0.
    static uint32_t ThroughColumn0(const TriangleScan::Plane& plane, uint32_t step, int row, int from)
    {
        return plane.At(from, row) - static_cast<uint32_t>(from) * step;
    }
#endif

    template <typename Pixel>
    void Pixels(Pixel* out, int row, int x, int end, const Gradients& g) const
    {
        if (end <= x)
            return;
        uint32_t uu = g.u.At(x, row);
        uint32_t vv = g.v.At(x, row);
        const uint32_t du = g.u.Step();
        const uint32_t dv = g.v.Step();
        uint32_t c[4] = {};
        uint32_t dc[4] = {};
        if constexpr (Shade == Shading::Vertex) {
            for (int k = 0; k < 4; ++k) {
                c[k] = g.shade[k].At(x, row);
                dc[k] = g.shade[k].Step();
            }
        }
        for (int i = x; i < end; ++i) {
            Lanes s = Sample<Mode>(mFetch, static_cast<int32_t>(uu), static_cast<int32_t>(vv));
            if constexpr (Shade == Shading::Vertex) {
                const auto channel = [&](int k) {
                    return static_cast<uint32_t>(std::clamp(static_cast<int32_t>(c[k]) >> 16, 0, 255));
                };
                s = Tint::Of(channel(0), channel(1), channel(2), channel(3))(s);
                for (int k = 0; k < 4; ++k)
                    c[k] += dc[k];
            } else {
                s = mConstant(s);
            }
            out[i] = Target::template Compose<How>(out[i], s);
            uu += du;
            vv += dv;
        }
    }

    const Destination& mDest;
    const Fetch& mFetch;
    const Tint mConstant;
#if defined(__SSE2__)
    const Sse2::RowsFor<Target, Fetch, Mode, How, Shade> mRows;
    // The rows Queue holds for the AVX2 kernel: a quad's rows are few and
    // short, and entering the kernel a row at a time cost a particle about
    // as much as drawing it.
    static constexpr int kQueue = 32;
    const bool mWide = Avx2::kRows<Target, Fetch, Shade> && CurrentRowLevel() == RowLevel::Avx2;
    // Looked at only where the drawing has AVX2 rows (the first such drawing
    // measures them); loads, which every processor reads well, elsewhere.
    const TexelReads mReads = mWide ? CurrentTexelReads() : TexelReads::Loads;
    int mQueued = 0;
    std::conditional_t<Avx2::kRows<Target, Fetch, Shade>, Avx2::QueuedRow[kQueue], char> mQueue;
#endif
};

// Where on each row the samples of one triangle (its gradients `g`) may lie
// within a disc: the texture position along a row is p + x s (p moving on
// with the row), and |p + x s - centre| <= r from x = c - h to c + h, with
// c = -(s . q) / (s . s) and h = sqrt(r^2 (s . s) - (s x q)^2) / (s . s)
// for q = p - centre; both c and s x q change linearly from row to row.
class DiscSpans {
public:
    DiscSpans() = default;
    DiscSpans(const Gradients& g, const TexelDisc& disc)
    {
        // The planes are in 2^-32 texels.
        constexpr double kUnit = 1.0 / 4294967296.0;
        const double su = static_cast<double>(g.u.dx) * kUnit;
        const double sv = static_cast<double>(g.v.dx) * kUnit;
        const double tu = static_cast<double>(g.u.dy) * kUnit;
        const double tv = static_cast<double>(g.v.dy) * kUnit;
        const double qu = static_cast<double>(g.u.base) * kUnit - disc.u;
        const double qv = static_cast<double>(g.v.base) * kUnit - disc.v;
        const double a = su * su + sv * sv;
        mSquare = disc.radius * disc.radius;
        // Where every sample of a row is the same there is nothing to cut.
        if (a == 0)
            return;
        // The longest chord, through the centre, is 2 r / sqrt(a) columns.
        mWorth = 4 * mSquare >= kWorthColumns * kWorthColumns * a;
        if (!mWorth)
            return;
        mSquare *= a;
        mInverse = 1 / a;
        mCross0 = su * qv - sv * qu;
        mCross1 = su * tv - sv * tu;
        mCentre0 = -(su * qu + sv * qv) * mInverse;
        mCentre1 = -(su * tu + sv * tv) * mInverse;
    }

    // Whether narrowing the rows saves more than it costs: only where a row
    // can lose some groups of eight.
    bool Worth() const { return mWorth; }

    // [first, last) narrowed to the columns of `row` that may sample within
    // the disc, with a column of slack each side; empty (last <= first)
    // where none do.
    [[gnu::always_inline]] void Narrow(int row, int& first, int& last) const
    {
        const double y = row;
        const double cross = mCross0 + y * mCross1;
        const double square = mSquare - cross * cross;
        if (square < 0) {
            last = first;
            return;
        }
        const double half = std::sqrt(square) * mInverse;
        const double centre = mCentre0 + y * mCentre1;
        // Held far past any row; truncation moves a bound by less than one,
        // and a column each side is slack.
        constexpr double kFar = 1e9;
        const int from = static_cast<int>(std::clamp(centre - half, -kFar, kFar)) - 2;
        const int to = static_cast<int>(std::clamp(centre + half, -kFar, kFar)) + 3;
        first = std::max(first, from);
        last = std::min(last, to);
    }

private:
    static constexpr double kWorthColumns = 32;
    bool mWorth = false;
    double mSquare = 0;
    double mInverse = 0;
    double mCross0 = 0;
    double mCross1 = 0;
    double mCentre0 = 0;
    double mCentre1 = 0;
};

// A row's spans, [l0, r0) of the first triangle (`ga`) and [l1, r1) of the
// second (`gb`), `one` and `two` telling which cover anything, handed to
// `queue(x, split, end, left, right, firstLeft)` as they are drawn: as one
// where the triangles meet on the row, as the two of a quad do along its
// diagonal, else each on its own (split then being end). `firstLeft` tells
// whether the left part is the first triangle's.
template <typename Queue>
[[gnu::always_inline]] inline void JoinRow(bool one, bool two, int l0, int r0, int l1, int r1, const Gradients& ga,
    const Gradients& gb, Queue&& queue)
{
    if (one && two && r0 == l1) {
        queue(l0, r0, r1, ga, gb, true);
    } else if (one && two && r1 == l0) {
        queue(l1, r1, r0, gb, ga, false);
    } else {
        if (one)
            queue(l0, r0, r0, ga, ga, true);
        if (two)
            queue(l1, r1, r1, gb, gb, false);
    }
}

// How far apart two triangles' texture positions may lie anywhere on the
// destination, in texels, for them to count as alike: the two halves of a
// sprite's quad differ by the rounding of their planes alone.
inline constexpr double kAlikeTexels = 0.125;

inline bool Alike(const Gradients& a, const Gradients& b, const Destination& dest)
{
    constexpr double kMost = kAlikeTexels * 4294967296.0;
    const auto apart = [&](const TriangleScan::Plane& p, const TriangleScan::Plane& q) {
        return std::fabs(static_cast<double>(p.base) - static_cast<double>(q.base)) +
               std::fabs(static_cast<double>(p.dx) - static_cast<double>(q.dx)) * dest.width +
               std::fabs(static_cast<double>(p.dy) - static_cast<double>(q.dy)) * dest.height;
    };
    return apart(a.u, b.u) <= kMost && apart(a.v, b.v) <= kMost;
}

// Triangles of `vertices` (three each, one or two of them) drawn in order,
// their rows walked together: where two triangles meet on a row, as the two
// of a quad do along its diagonal, their spans go as one. A pixel both
// cover takes the first triangle's sample first, as when drawn one by one.
template <typename Target, typename Fetch, Sampling Mode, Compose How, Shading Shade>
void RasterizeTriangles(const FixedVertex* vertices, int count, const Destination& dest, const Fetch& fetch,
    const ColorInfo& color, const TexelDisc* disc = nullptr)
{
    TriangleScan first;
    TriangleScan second;
    const bool hasFirst = first.Setup(vertices, dest.width, dest.height);
    const bool hasSecond = count > 1 && second.Setup(vertices + 3, dest.width, dest.height);
    if (!hasFirst && !hasSecond)
        return;
    using Drawer = TriangleDrawer<Target, Fetch, Mode, How, Shade>;
    Drawer drawer(dest, fetch, color);
    // Made where they are kept: a sprite's quad is set up for every draw.
    const Gradients ga = hasFirst ? drawer.GradientsOf(first) : Gradients();
    const Gradients gb = hasSecond ? drawer.GradientsOf(second) : Gradients();
    // A triangle that covers nothing has no rows.
    const int firstTop = hasFirst ? first.FirstRow() : 0;
    const int firstEnd = hasFirst ? first.EndRow() : 0;
    const int secondTop = hasSecond ? second.FirstRow() : 0;
    const int secondEnd = hasSecond ? second.EndRow() : 0;
    TriangleScan::Walker a = hasFirst ? first.Start() : TriangleScan::Walker();
    TriangleScan::Walker b = hasSecond ? second.Start() : TriangleScan::Walker();
    const int top = !hasFirst ? secondTop : !hasSecond ? firstTop : std::min(firstTop, secondTop);
    const int end = !hasFirst ? secondEnd : !hasSecond ? firstEnd : std::max(firstEnd, secondEnd);
    // Every row's spans, [l0, r0) of the first triangle and [l1, r1) of the
    // second, handed to `queue`.
    const auto walk = [&](auto&& queue) __attribute__((always_inline)) {
        for (int row = top; row < end; ++row) {
            int l0 = 0;
            int r0 = 0;
            int l1 = 0;
            int r1 = 0;
            if (row >= firstTop && row < firstEnd)
                first.Step(a, l0, r0);
            if (row >= secondTop && row < secondEnd)
                second.Step(b, l1, r1);
            if (row < 0 || row >= dest.height)
                continue;
            queue(row, r0 > l0, r1 > l1, l0, r0, l1, r1);
        }
        drawer.Flush();
    };
    if constexpr (Drawer::kCuts) {
        // Rows laid over or added are drawn only where their samples can
        // be something (TexelDisc).
        if (disc && drawer.Cuts()) {
            if (disc->radius < 0)
                return;
            if (hasFirst && hasSecond && Alike(ga, gb, dest)) {
                // Wider by how far the second's positions may lie from the
                // first's.
                const DiscSpans both(ga, TexelDisc{disc->u, disc->v, disc->radius + 2 * kAlikeTexels});
                if (both.Worth()) {
                    // One narrowing for each queued row.
                    walk([&](int row, bool one, bool two, int l0, int r0, int l1, int r1) __attribute__((always_inline)) {
                        JoinRow(one, two, l0, r0, l1, r1, ga, gb,
                            [&](int x, int split, int end, const Gradients& left, const Gradients& right, bool)
                                __attribute__((always_inline)) {
                                    int first = x;
                                    int last = end;
                                    both.Narrow(row, first, last);
                                    if (last > first)
                                        drawer.QueueWithin(row, x, split, end, left, right, first, last);
                                });
                    });
                    return;
                }
            }
            const DiscSpans da = hasFirst ? DiscSpans(ga, *disc) : DiscSpans();
            const DiscSpans db = hasSecond ? DiscSpans(gb, *disc) : DiscSpans();
            if ((!hasFirst || da.Worth()) && (!hasSecond || db.Worth())) {
                // Each part narrowed by its own triangle's spans, the row
                // drawn over what either needs.
                walk([&](int row, bool one, bool two, int l0, int r0, int l1, int r1) __attribute__((always_inline)) {
                    JoinRow(one, two, l0, r0, l1, r1, ga, gb,
                        [&](int x, int split, int end, const Gradients& left, const Gradients& right, bool firstLeft)
                            __attribute__((always_inline)) {
                                int first = x;
                                int last = split;
                                (firstLeft ? da : db).Narrow(row, first, last);
                                if (split < end) {
                                    int from = split;
                                    int to = end;
                                    (firstLeft ? db : da).Narrow(row, from, to);
                                    if (to > from) {
                                        first = last > first ? std::min(first, from) : from;
                                        last = std::max(last, to);
                                    }
                                }
                                if (last > first)
                                    drawer.QueueWithin(row, x, split, end, left, right, first, last);
                            });
                });
                return;
            }
        }
    }
    walk([&](int row, bool one, bool two, int l0, int r0, int l1, int r1) __attribute__((always_inline)) {
        JoinRow(one, two, l0, r0, l1, r1, ga, gb,
            [&](int x, int split, int end, const Gradients& left, const Gradients& right, bool)
                __attribute__((always_inline)) { drawer.Queue(row, x, split, end, left, right); });
    });
}

// One triangle: every covered pixel sampled, tinted and composed.
template <typename Target, typename Fetch, Sampling Mode, Compose How, Shading Shade>
void Rasterize(const FixedVertex* vertices, const Destination& dest, const Fetch& fetch, const ColorInfo& color)
{
    RasterizeTriangles<Target, Fetch, Mode, How, Shade>(vertices, 1, dest, fetch, color);
}

} // namespace Vorn::SWTri
