// The only file built for AVX2. What the linker sees of it is DrawRow's
// instantiations and OverRun; everything else has internal linkage, and
// nothing inline from the headers is called here, so that no copy of a
// shared inline function built for AVX2 can stand in for the one the
// callers built without it use. A pixel's four channels lie in the 16-bit
// lanes of a register, two pixels to each 128-bit half; eight pixels go in
// two registers, pixels 0, 1, 4, 5 and 2, 3, 6, 7, as the byte unpacks
// leave them. Every product stays within 16 unsigned bits, as in the SSE2 rows.

#include "framework/graphics/TriangleRasterizer.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace Vorn::SWTri::Avx2 {

namespace {

// Eight elements read one by one through `read`: on some processors loads
// of their own outrun a gather (TexelReads).
template <typename Read>
[[gnu::always_inline]] inline __m256i WideEach(__m256i offsets, Read read)
{
    // Written as a store and a load of each offset, which the compiler
    // makes one extract each: fewer instructions than splitting 64-bit
    // halves. Made to go through memory it is far slower (each load waits
    // for the store).
    alignas(32) uint32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), offsets);
    const auto four = [&](int k) {
        __m128i x = _mm_cvtsi32_si128(static_cast<int>(read(at[k])));
        x = _mm_insert_epi32(x, static_cast<int>(read(at[k + 1])), 1);
        x = _mm_insert_epi32(x, static_cast<int>(read(at[k + 2])), 2);
        return _mm_insert_epi32(x, static_cast<int>(read(at[k + 3])), 3);
    };
    return _mm256_inserti128_si256(_mm256_castsi128_si256(four(0)), four(4), 1);
}

// Where eight offsets all lie within sixteen elements from the lower of
// the first and the last, as those of a row along one texture row do while
// it steps at most two texels a column: that element (`from`), and the
// offsets from it (`at`). False where they do not, or where the sixteen
// would reach past the `count` elements there are.
[[gnu::always_inline]] inline bool Window(__m256i offsets, uint32_t count, uint32_t& from, __m256i& at)
{
    const auto first = static_cast<uint32_t>(_mm256_cvtsi256_si32(offsets));
    const auto last = static_cast<uint32_t>(_mm256_extract_epi32(offsets, 7));
    from = first < last ? first : last;
    if (count < 16 || from > count - 16)
        return false;
    at = _mm256_sub_epi32(offsets, _mm256_set1_epi32(static_cast<int>(from)));
    return _mm256_testz_si256(at, _mm256_set1_epi32(~15));
}

// Texel (x, y) is element y * stride + x: eight elements at once, and for
// bilinear taps an element with the one right of it.
struct WideWordSource {
    static constexpr bool kPairs = true;
    const uint32_t* words;
    int stride;
    // How many words there are (none where only pairs are read).
    uint32_t count = 0;
    template <bool Gather>
    [[gnu::always_inline]] __m256i Elements(__m256i offsets) const
    {
        if constexpr (Gather)
            return _mm256_i32gather_epi32(reinterpret_cast<const int*>(words), offsets, 4);
        else
            return WideEach(offsets, [this](uint32_t i) { return words[i]; });
    }
    // Elements as Elements reads them, where they lie within a Window:
    // two loads of eight words and a permute of each.
    [[gnu::always_inline]] bool Near(__m256i offsets, __m256i& elements) const
    {
        uint32_t from = 0;
        __m256i at;
        if (!Window(offsets, count, from, at))
            return false;
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + from));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + from + 8));
        // The high eight where an offset's bit 3 is set.
        elements = _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(low, at)),
            _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(high, at)), _mm256_castsi256_ps(_mm256_slli_epi32(at, 28))));
        return true;
    }
    // Elements i and i + 1 at the two offsets in each of `low` and `high`
    // (pixels 0, 1 | 4, 5 or 2, 3 | 6, 7), and the two a row below.
    [[gnu::always_inline]] __m256i Pairs(uint64_t low, uint64_t high) const { return Quad(words, low, high); }
    [[gnu::always_inline]] __m256i PairsBelow(uint64_t low, uint64_t high) const { return Quad(words + stride, low, high); }
    [[gnu::always_inline]] static __m256i Quad(const uint32_t* from, uint64_t low, uint64_t high)
    {
        const auto two = [from](uint64_t at) {
            const __m128i first =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + static_cast<uint32_t>(at)));
            return _mm_castps_si128(_mm_loadh_pi(
                _mm_castsi128_ps(first), reinterpret_cast<const __m64*>(from + static_cast<uint32_t>(at >> 32))));
        };
        return _mm256_inserti128_si256(_mm256_castsi128_si256(two(low)), two(high), 1);
    }
};

struct WideIndexSource {
    static constexpr bool kPairs = false;
    const uint32_t* table;
    const uint8_t* indices;
    int stride;
    // Always loads (kGathers): an index is a byte, and a gather of the
    // words that hold them, then of the table, did not pay where gathers do.
    template <bool>
    [[gnu::always_inline]] __m256i Elements(__m256i offsets) const
    {
        return WideEach(offsets, [this](uint32_t i) { return table[indices[i]]; });
    }
};

template <typename Fetch>
auto WideSourceOf(const Fetch& fetch)
{
    const auto count = static_cast<uint32_t>(fetch.width) * static_cast<uint32_t>(fetch.height);
    if constexpr (std::is_base_of_v<ArgbFetch, Fetch>)
        return WideWordSource{fetch.bits, fetch.width, count};
    else
        return WideIndexSource{fetch.table, fetch.indices, fetch.width};
}

// The fetch's edged words, rows width + 2 apart, or none.
template <typename Fetch>
WideWordSource EdgedSourceOf(const Fetch& fetch)
{
    if constexpr (std::is_base_of_v<ArgbFetch, Fetch>)
        return WideWordSource{fetch.edged, fetch.width + 2};
    else
        return WideWordSource{nullptr, 0};
}

// The lanes before the n-th (all from n = 8 on, none at 0 or below).
[[gnu::always_inline]] inline __m256i WideBefore(int n)
{
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// channel * (alpha + 1) >> 8 in the colour lanes, the alpha lanes times 256
// >> 8.
[[gnu::always_inline]] inline __m256i WidePremultiply(__m256i x)
{
    const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, 0xFF), 0xFF);
    const __m256i multiplier =
        _mm256_blend_epi16(_mm256_add_epi16(alpha, _mm256_set1_epi16(1)), _mm256_set1_epi16(256), 0x88);
    return _mm256_srli_epi16(_mm256_mullo_epi16(x, multiplier), 8);
}

// (p * (256 - f) + q * f) >> 8 per lane, as in the SSE2 rows: `weights` is
// f * 128.
[[gnu::always_inline]] inline __m256i WideMix(__m256i p, __m256i q, __m256i weights)
{
    return _mm256_add_epi16(p, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(q, p), 1), weights));
}

// A byte shuffle that fills the four 16-bit lanes of each half's first two
// pixels with the low half of its lane `first`, the last four with that of
// lane `second`.
constexpr __m256i WideSpread(int first, int second)
{
    const auto a = static_cast<char>(4 * first);
    const auto b = static_cast<char>(4 * second);
    const auto c = static_cast<char>(a + 1);
    const auto d = static_cast<char>(b + 1);
    return __extension__(__m256i)(__v32qi){a, c, a, c, a, c, a, c, b, d, b, d, b, d, b, d, a, c, a, c, a, c, a, c, b,
        d, b, d, b, d, b, d};
}

[[gnu::always_inline]] inline __m256i WideHeld(__m256i lanes, __m256i last)
{
    return _mm256_min_epi32(_mm256_max_epi32(lanes, _mm256_setzero_si256()), last);
}

// How much of a group of eight a row holds: all of it drawn, pixels past
// the drawing's end but within the row (read and written back as they
// were), or pixels past the row's end (never touched).
enum class Reach { Whole, Row, Masked };

// `Gather`: words are read with a gather (TexelReads::Gather), not one by
// one.
template <typename Target, typename Fetch, Sampling Mode, Compose How, bool Gather>
class WideRows {
public:
    using Source = decltype(WideSourceOf(std::declval<Fetch>()));
    static constexpr bool kRedLow = std::is_same_v<Target, Target888<true>>;
    static constexpr bool kPremultiplied = Fetch::kPremultiplied;

    WideRows(const Fetch& fetch, const Tint& tint)
        : mSource(WideSourceOf(fetch)),
          mTint(_mm256_set1_epi64x(static_cast<long long>(uint64_t{tint.b} | uint64_t{tint.g} << 16 |
                                                          uint64_t{tint.r} << 32 | uint64_t{tint.a} << 48))),
          mTinted(tint.a != 256 || tint.r != 256 || tint.g != 256 || tint.b != 256),
          mTintBlueRed(_mm256_set1_epi32(static_cast<int>(tint.b | tint.r << 16))),
          mTintGreenAlpha(_mm256_set1_epi32(static_cast<int>(tint.g | tint.a << 16))),
          mLastX(_mm256_set1_epi32(fetch.width - 1)), mLastY(_mm256_set1_epi32(fetch.height - 1)),
          mLastXY(_mm256_set1_epi32((fetch.height - 1) << 16 | (fetch.width - 1))),
          mStridePairs(_mm256_set1_epi32(mSource.stride << 16 | 1)), mPairs(fetch.width > 1 && fetch.height > 1),
          mEdged(Mode == Sampling::Bilinear ? EdgedSourceOf(fetch) : WideWordSource{nullptr, 0}),
          mEdgedStridePairs(_mm256_set1_epi32(mEdged.stride << 16 | 1)), mEdgedLastX(_mm256_set1_epi32(fetch.width)),
          mEdgedLastY(_mm256_set1_epi32(fetch.height)), mBack(_mm256_set1_epi32(mEdged.words ? 0xFF - 512 : 0xFF))
    {
    }

    // Whole groups walk without a test of where the row ends or turns to
    // the right triangle; the one group that straddles the turn, and the
    // last one, take theirs once.
    // The left walk's positions at column x are `leftU`, `leftV`, the right
    // walk's at column `split` `rightU`, `rightV`; their steps those of
    // `left` and `right`.
    [[gnu::always_inline]] void Draw(uint32_t* row, int width, int x, int split, int end, uint32_t leftU,
        uint32_t leftV, const Walk& left, uint32_t rightU, uint32_t rightV, const Walk& right) const
    {
        // Point samples of words along one texture row, as an unturned
        // sprite's are, are read through a Window where words are read one
        // by one (a gather outruns the window); the other rows' loops are
        // built without it, so that it costs them no registers.
        if (!Gather && Mode == Sampling::Point && Source::kPairs && Flat(left) && Flat(right))
            DrawParts<true>(row, width, x, split, end, leftU, leftV, left, rightU, rightV, right);
        else
            DrawParts<false>(row, width, x, split, end, leftU, leftV, left, rightU, rightV, right);
    }

private:
    template <bool Along>
    [[gnu::always_inline]] void DrawParts(uint32_t* row, int width, int x, int split, int end, uint32_t leftU,
        uint32_t leftV, const Walk& left, uint32_t rightU, uint32_t rightV, const Walk& right) const
    {
        const __m256i all = _mm256_set1_epi32(-1);
        Cursor l(leftU, leftV, left, 0);
        int g = x;
        const int leftEnd = split < end ? split : end;
        for (; leftEnd - g >= 8; g += 8, l.Next())
            Group<Reach::Whole, Along>(row + g, l.u, l.v, all);
        if (g >= end)
            return;
        Cursor r(rightU, rightV, right, g - split);
        __m256i u = r.u;
        __m256i v = r.v;
        if (g < split) {
            const __m256i onLeft = WideBefore(split - g);
            u = _mm256_blendv_epi8(r.u, l.u, onLeft);
            v = _mm256_blendv_epi8(r.v, l.v, onLeft);
        }
        if (end - g >= 8) {
            Group<Reach::Whole, Along>(row + g, u, v, all);
            for (g += 8, r.Next(); end - g >= 8; g += 8, r.Next())
                Group<Reach::Whole, Along>(row + g, r.u, r.v, all);
            if (g >= end)
                return;
            u = r.u;
            v = r.v;
        }
        if (width - g >= 8)
            Group<Reach::Row, Along>(row + g, u, v, WideBefore(end - g));
        else
            Group<Reach::Masked, Along>(row + g, u, v, WideBefore(end - g));
    }

    // A walk's steps of eight columns are read as one from its first four
    // and the four after them.
    static_assert(offsetof(Walk, upperU) == offsetof(Walk, lanesU) + sizeof(__m128i) &&
                  offsetof(Walk, upperV) == offsetof(Walk, lanesV) + sizeof(__m128i));

    // Whether a walk keeps to one texture row and steps at most two texels
    // a column either way.
    static bool Flat(const Walk& w) { return w.dv == 0 && w.du + 0x20000u <= 0x40000u; }

    // Texture positions of eight neighbouring columns along a walk, from
    // `ahead` columns past the one at `atU`, `atV` (behind it where
    // negative: the steps wrap as 32-bit words do).
    struct Cursor {
        [[gnu::always_inline]] Cursor(uint32_t atU, uint32_t atV, const Walk& w, int ahead)
            : u(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(atU + static_cast<uint32_t>(ahead) * w.du)),
                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&w.lanesU)))),
              v(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(atV + static_cast<uint32_t>(ahead) * w.dv)),
                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&w.lanesV)))),
              stepU(_mm256_broadcastsi128_si256(w.eightU)), stepV(_mm256_broadcastsi128_si256(w.eightV))
        {
        }
        [[gnu::always_inline]] void Next()
        {
            u = _mm256_add_epi32(u, stepU);
            v = _mm256_add_epi32(v, stepV);
        }
        __m256i u;
        __m256i v;
        __m256i stepU;
        __m256i stepV;
    };

    // Elements x + y * stride: one multiply-add of 16-bit pairs, every
    // coordinate being held within the texture (below 2^15).
    [[gnu::always_inline]] __m256i Offsets(__m256i xs, __m256i ys) const
    {
        return _mm256_madd_epi16(_mm256_or_si256(xs, _mm256_slli_epi32(ys, 16)), mStridePairs);
    }

    // The texels under 16.16 positions: their whole parts are their high
    // halves, which side by side in a lane (x low, y high) are held within
    // the texture and weighed by 1 and the stride as signed 16-bit pairs.
    [[gnu::always_inline]] __m256i PointOffsets(__m256i u, __m256i v) const
    {
        const __m256i xy = _mm256_blend_epi16(_mm256_srli_epi32(u, 16), v, 0xAA);
        return _mm256_madd_epi16(
            _mm256_min_epi16(_mm256_max_epi16(xy, _mm256_setzero_si256()), mLastXY), mStridePairs);
    }

    [[gnu::always_inline]] static bool AllOpaque(__m256i words)
    {
        return _mm256_testc_si256(words, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    }

    // A sample of nothing laid over or added leaves the pixel as it is, yet
    // groups of nothing are composed like any other: whether a group is
    // empty follows a sprite's outline from row to row, and the branch that
    // skipped them was missed often enough to cost more than it saved.
    template <Reach Span, bool Along>
    [[gnu::always_inline]] void Group(uint32_t* out, __m256i u, __m256i v, __m256i mask) const
    {
        if constexpr (Mode == Sampling::Point)
            PointGroup<Span, Along>(out, u, v, mask);
        else
            BilinearGroup<Span>(out, u, v, mask);
    }

    template <Reach Span, bool Along>
    [[gnu::always_inline]] void PointGroup(uint32_t* out, __m256i u, __m256i v, __m256i mask) const
    {
        const __m256i offsets = PointOffsets(u, v);
        __m256i texels;
        if constexpr (Along && Source::kPairs) {
            if (!mSource.Near(offsets, texels))
                texels = mSource.template Elements<Gather>(offsets);
        } else {
            texels = mSource.template Elements<Gather>(offsets);
        }
        // Premultiplied samples are composed without a test of whether all
        // are opaque (laid over, those give themselves anyway): across a
        // frame of many sprites the answer follows each one's outline, and
        // the branch was missed often enough to cost more than it saved.
        if constexpr (kPremultiplied) {
            ComposeWords<Span>(out, texels, mask);
        } else {
            // Untinted and opaque, a sample is the texel itself and replaces
            // the pixel.
            if (Span == Reach::Whole && !mTinted && How != Compose::Add && AllOpaque(texels)) {
                Store(out, texels);
                return;
            }
            const __m256i zero = _mm256_setzero_si256();
            Compose8<Span>(out, WidePremultiply(_mm256_unpacklo_epi8(texels, zero)),
                WidePremultiply(_mm256_unpackhi_epi8(texels, zero)), mask);
        }
    }

    template <Reach Span>
    [[gnu::always_inline]] void BilinearGroup(uint32_t* out, __m256i u, __m256i v, __m256i mask) const
    {
        // (u - 0x7F80) >> 8 without leaving 32 bits: positions to the nearest
        // 1/256 texel, half a texel back,
        // as (floor(u / 128) - 255) >> 1, the same floor. Into edged words
        // they lie a texel further on (mBack), the fractions the same.
        const __m256i one = _mm256_set1_epi32(1);
        const __m256i su = _mm256_srai_epi32(_mm256_sub_epi32(_mm256_srai_epi32(u, 7), mBack), 1);
        const __m256i sv = _mm256_srai_epi32(_mm256_sub_epi32(_mm256_srai_epi32(v, 7), mBack), 1);
        const __m256i ix = _mm256_srai_epi32(su, 8);
        const __m256i iy = _mm256_srai_epi32(sv, 8);
        // Each pixel's fraction times 128 in the low half of its lane.
        const __m256i fraction = _mm256_set1_epi32(0xFF);
        const __m256i wu = _mm256_slli_epi32(_mm256_and_si256(su, fraction), 7);
        const __m256i wv = _mm256_slli_epi32(_mm256_and_si256(sv, fraction), 7);
        // Each pixel's left and right taps side by side, above and below:
        // pixels 0, 1 | 4, 5 in the first of each, 2, 3 | 6, 7 in the second.
        __m256i top0;
        __m256i top1;
        __m256i bottom0;
        __m256i bottom1;
        bool pairs = false;
        if constexpr (Source::kPairs) {
            pairs = mPairs;
            if (mEdged.words) {
                // Edged, texel x of a row is word x + 1 and every pair from
                // column -1 to the last is there to be read: a pair held to
                // them holds both its taps as the texture's edges do.
                pairs = true;
                ReadPairs(mEdged,
                    _mm256_madd_epi16(_mm256_or_si256(WideHeld(ix, mEdgedLastX),
                                          _mm256_slli_epi32(WideHeld(iy, mEdgedLastY), 16)),
                        mEdgedStridePairs),
                    top0, top1, bottom0, bottom1);
            } else if (pairs) {
                // Each row of a pixel's four taps is one 64-bit element, the
                // pair held inside the texture; where the taps lie beyond its
                // edge they are one texel, which the pair's near or far half
                // then stands for twice.
                const __m256i lastPairX = _mm256_sub_epi32(mLastX, one);
                const __m256i lastPairY = _mm256_sub_epi32(mLastY, one);
                const __m256i heldX = WideHeld(ix, lastPairX);
                const __m256i heldY = WideHeld(iy, lastPairY);
                ReadPairs(mSource, Offsets(heldX, heldY), top0, top1, bottom0, bottom1);
                // Every pair lies where its taps do unless holding moved it.
                const __m256i inside = _mm256_and_si256(_mm256_cmpeq_epi32(heldX, ix), _mm256_cmpeq_epi32(heldY, iy));
                if (!_mm256_testc_si256(inside, _mm256_set1_epi32(-1))) {
                    const __m256i zero = _mm256_setzero_si256();
                    const __m256i before = _mm256_cmpgt_epi32(zero, ix);
                    const __m256i past = _mm256_cmpgt_epi32(ix, lastPairX);
                    const __m256i above = _mm256_cmpgt_epi32(zero, iy);
                    const __m256i below = _mm256_cmpgt_epi32(iy, lastPairY);
                    // Masks of pixels 0, 1 | 4, 5 and 2, 3 | 6, 7, two lanes to each.
                    const auto first = [](__m256i m) { return _mm256_unpacklo_epi32(m, m); };
                    const auto second = [](__m256i m) { return _mm256_unpackhi_epi32(m, m); };
                    const auto across = [](__m256i pairs, __m256i near, __m256i far) {
                        pairs = _mm256_blendv_epi8(pairs, _mm256_shuffle_epi32(pairs, 0xA0), near);
                        return _mm256_blendv_epi8(pairs, _mm256_shuffle_epi32(pairs, 0xF5), far);
                    };
                    top0 = across(top0, first(before), first(past));
                    bottom0 = across(bottom0, first(before), first(past));
                    top1 = across(top1, second(before), second(past));
                    bottom1 = across(bottom1, second(before), second(past));
                    const auto down = [](__m256i& top, __m256i& bottom, __m256i near, __m256i far) {
                        bottom = _mm256_blendv_epi8(bottom, top, near);
                        top = _mm256_blendv_epi8(top, bottom, far);
                    };
                    down(top0, bottom0, first(above), first(below));
                    down(top1, bottom1, second(above), second(below));
                }
            }
        }
        if (!pairs) {
            const __m256i x0 = WideHeld(ix, mLastX);
            const __m256i x1 = WideHeld(_mm256_add_epi32(ix, one), mLastX);
            const __m256i y0 = WideHeld(iy, mLastY);
            const __m256i y1 = WideHeld(_mm256_add_epi32(iy, one), mLastY);
            const __m256i t00 = mSource.template Elements<Gather>(Offsets(x0, y0));
            const __m256i t01 = mSource.template Elements<Gather>(Offsets(x1, y0));
            const __m256i t10 = mSource.template Elements<Gather>(Offsets(x0, y1));
            const __m256i t11 = mSource.template Elements<Gather>(Offsets(x1, y1));
            top0 = _mm256_unpacklo_epi32(t00, t01);
            top1 = _mm256_unpackhi_epi32(t00, t01);
            bottom0 = _mm256_unpacklo_epi32(t10, t11);
            bottom1 = _mm256_unpackhi_epi32(t10, t11);
        }
        const __m256i all = _mm256_and_si256(_mm256_and_si256(top0, top1), _mm256_and_si256(bottom0, bottom1));
        const bool opaque = AllOpaque(all);
        const __m256i zero = _mm256_setzero_si256();
        // A pixel's two taps of a row in one half: pixels 0 | 4, 1 | 5,
        // 2 | 6 and 3 | 7.
        __m256i taps[8] = {_mm256_unpacklo_epi8(top0, zero), _mm256_unpacklo_epi8(bottom0, zero),
            _mm256_unpackhi_epi8(top0, zero), _mm256_unpackhi_epi8(bottom0, zero), _mm256_unpacklo_epi8(top1, zero),
            _mm256_unpacklo_epi8(bottom1, zero), _mm256_unpackhi_epi8(top1, zero),
            _mm256_unpackhi_epi8(bottom1, zero)};
        if (!kPremultiplied && !opaque) {
            for (__m256i& tap : taps)
                tap = WidePremultiply(tap);
        }
        const __m256i column0 = WideMix(taps[0], taps[1], _mm256_shuffle_epi8(wv, WideSpread(0, 0)));
        const __m256i column1 = WideMix(taps[2], taps[3], _mm256_shuffle_epi8(wv, WideSpread(1, 1)));
        const __m256i column2 = WideMix(taps[4], taps[5], _mm256_shuffle_epi8(wv, WideSpread(2, 2)));
        const __m256i column3 = WideMix(taps[6], taps[7], _mm256_shuffle_epi8(wv, WideSpread(3, 3)));
        const __m256i low = WideMix(_mm256_unpacklo_epi64(column0, column1), _mm256_unpackhi_epi64(column0, column1),
            _mm256_shuffle_epi8(wu, WideSpread(0, 1)));
        const __m256i high = WideMix(_mm256_unpacklo_epi64(column2, column3),
            _mm256_unpackhi_epi64(column2, column3), _mm256_shuffle_epi8(wu, WideSpread(2, 3)));
        if (How == Compose::Over && opaque && !mTinted && Span == Reach::Whole) {
            Store(out, _mm256_packus_epi16(low, high));
            return;
        }
        Compose8<Span>(out, low, high, mask);
    }

    // The pairs of taps of eight pixels at offsets `at` into `words`, and the
    // pairs a row below.
    [[gnu::always_inline]] static void ReadPairs(const WideWordSource& words, __m256i at, __m256i& top0,
        __m256i& top1, __m256i& bottom0, __m256i& bottom1)
    {
        const __m128i atLow = _mm256_castsi256_si128(at);
        const __m128i atHigh = _mm256_extracti128_si256(at, 1);
        const auto at01 = static_cast<uint64_t>(_mm_cvtsi128_si64(atLow));
        const auto at23 = static_cast<uint64_t>(_mm_extract_epi64(atLow, 1));
        const auto at45 = static_cast<uint64_t>(_mm_cvtsi128_si64(atHigh));
        const auto at67 = static_cast<uint64_t>(_mm_extract_epi64(atHigh, 1));
        top0 = words.Pairs(at01, at45);
        top1 = words.Pairs(at23, at67);
        bottom0 = words.PairsBelow(at01, at45);
        bottom1 = words.PairsBelow(at23, at67);
    }

    // Words in the target's order: red and blue swapped where red is low.
    [[gnu::always_inline]] static __m256i InTargetOrder(__m256i words)
    {
        if constexpr (kRedLow)
            return _mm256_shuffle_epi8(words, _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2,
                                                  1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15));
        else
            return words;
    }

    // Eight words written as they stand, in the target's order.
    [[gnu::always_inline]] static void Store(uint32_t* out, __m256i words)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), InTargetOrder(words));
    }

    template <Reach Span>
    [[gnu::always_inline]] static __m256i Load(const uint32_t* out, __m256i mask)
    {
        if constexpr (Span == Reach::Masked)
            return _mm256_maskload_epi32(reinterpret_cast<const int*>(out), mask);
        else
            return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    }

    template <Reach Span>
    [[gnu::always_inline]] static void Put(uint32_t* out, __m256i words, __m256i mask)
    {
        if constexpr (Span == Reach::Masked)
            _mm256_maskstore_epi32(reinterpret_cast<int*>(out), mask, words);
        else if constexpr (Span == Reach::Row)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(Load<Span>(out, mask), words, mask));
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), words);
    }

    // Compose8 for samples that are still words, with the same sums: each
    // word's channels taken two at a time, blue and red, then green and
    // alpha, one to each 16-bit half. Fewer instructions than unpacking the
    // words and packing them again, and none of them a byte shuffle, which
    // some processors run on one port only.
    template <Reach Span>
    [[gnu::always_inline]] void ComposeWords(uint32_t* out, __m256i s, __m256i mask) const
    {
        const __m256i pairs = _mm256_set1_epi32(0x00FF00FF);
        // Each pair times its factors (at most 256), the products' high
        // bytes put back where the channels were.
        const auto scale = [pairs](__m256i words, __m256i blueRed, __m256i greenAlpha) {
            return _mm256_or_si256(_mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(words, pairs), blueRed), 8),
                _mm256_andnot_si256(pairs, _mm256_mullo_epi16(_mm256_srli_epi16(words, 8), greenAlpha)));
        };
        if (mTinted)
            s = scale(s, mTintBlueRed, mTintGreenAlpha);
        s = InTargetOrder(s);
        if constexpr (How == Compose::Store) {
            Put<Span>(out, s, mask);
            return;
        }
        const __m256i d = Load<Span>(out, mask);
        if constexpr (How == Compose::Add) {
            Put<Span>(out, _mm256_adds_epu8(d, _mm256_and_si256(s, _mm256_set1_epi32(0xFFFFFF))), mask);
        } else {
            // d * (256 - s_a) >> 8 fits each 16-bit half; the sum saturates
            // as the packing of Compose8 does.
            const __m256i keep = _mm256_sub_epi32(_mm256_set1_epi32(256), _mm256_srli_epi32(s, 24));
            const __m256i keeps = _mm256_or_si256(keep, _mm256_slli_epi32(keep, 16));
            Put<Span>(out, _mm256_adds_epu8(s, scale(d, keeps, keeps)), mask);
        }
    }

    // Samples of eight pixels (lanes b, g, r, a) tinted and laid onto
    // out[0 .. 7] where the mask is set.
    template <Reach Span>
    [[gnu::always_inline]] void Compose8(uint32_t* out, __m256i low, __m256i high, __m256i mask) const
    {
        if (mTinted) {
            low = _mm256_srli_epi16(_mm256_mullo_epi16(low, mTint), 8);
            high = _mm256_srli_epi16(_mm256_mullo_epi16(high, mTint), 8);
        }
        if constexpr (kRedLow) {
            low = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(low, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
            high =
                _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(high, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
        }
        if constexpr (How == Compose::Store) {
            Put<Span>(out, _mm256_packus_epi16(low, high), mask);
            return;
        }
        const __m256i d = Load<Span>(out, mask);
        if constexpr (How == Compose::Add) {
            const __m256i colour = _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(0xFFFFFF));
            Put<Span>(out, _mm256_adds_epu8(d, colour), mask);
        } else {
            // d * 256 in each lane, so that the high half of its product
            // with 256 - s_a is d * (256 - s_a) >> 8.
            const __m256i zero = _mm256_setzero_si256();
            const __m256i full = _mm256_set1_epi16(256);
            const __m256i keepLow =
                _mm256_sub_epi16(full, _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(low, 0xFF), 0xFF));
            const __m256i keepHigh =
                _mm256_sub_epi16(full, _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(high, 0xFF), 0xFF));
            Put<Span>(out,
                _mm256_packus_epi16(_mm256_add_epi16(low, _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, d), keepLow)),
                    _mm256_add_epi16(high, _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, d), keepHigh))),
                mask);
        }
    }

    const Source mSource;
    const __m256i mTint;
    const bool mTinted;
    // The tint's factors as ComposeWords takes them, blue and green low.
    const __m256i mTintBlueRed;
    const __m256i mTintGreenAlpha;
    const __m256i mLastX;
    const __m256i mLastY;
    // The last column low and the last row high in each lane.
    const __m256i mLastXY;
    const __m256i mStridePairs;
    // Whether a texel has a neighbour across and down to be read with.
    const bool mPairs;
    // The edged words bilinear rows read their taps from, when there are
    // some; the last pair's column and row in them.
    const WideWordSource mEdged;
    const __m256i mEdgedStridePairs;
    const __m256i mEdgedLastX;
    const __m256i mEdgedLastY;
    // What bilinear positions are taken back by before halving: 255, or
    // 256 less where they index edged words.
    const __m256i mBack;
};

} // namespace

namespace {

// Only words are ever gathered: rows of palettes read the same either way,
// and are built once.
template <typename Fetch>
constexpr bool kGathers = std::is_base_of_v<ArgbFetch, Fetch>;

template <typename Target, typename Fetch, Sampling Mode, Compose How, bool Gather>
void DrawOneRow(const Fetch& fetch, const Tint& tint, uint32_t* row, int width, int x, int split, int end,
    const Walk& left, const Walk& right)
{
    const auto xs = static_cast<uint32_t>(x);
    const auto splits = static_cast<uint32_t>(split);
    WideRows<Target, Fetch, Mode, How, Gather>(fetch, tint).Draw(row, width, x, split, end, left.u + xs * left.du,
        left.v + xs * left.dv, left, right.u + splits * right.du, right.v + splits * right.dv, right);
}

template <typename Target, typename Fetch, Sampling Mode, Compose How, bool Gather>
void DrawQueuedRows(const Fetch& fetch, const Tint& tint, int width, const QueuedRow* rows, int count)
{
    const WideRows<Target, Fetch, Mode, How, Gather> wide(fetch, tint);
    for (int i = 0; i < count; ++i) {
        const QueuedRow& r = rows[i];
        // Sprites land anywhere on a frame larger than the caches: the ends
        // of a row further down (where rims are blended onto what is there)
        // are asked for while this one is drawn.
        if (i + 2 < count) {
            const QueuedRow& next = rows[i + 2];
            _mm_prefetch(reinterpret_cast<const char*>(next.out + next.x), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(next.out + next.end - 1), _MM_HINT_T0);
        }
        wide.Draw(r.out, width, r.x, r.split, r.end, r.leftU, r.leftV, *r.left, r.rightU, r.rightV, *r.right);
    }
}

} // namespace

template <typename Target, typename Fetch, Sampling Mode, Compose How>
void DrawRow(const Fetch& fetch, const Tint& tint, TexelReads reads, uint32_t* row, int width, int x, int split,
    int end, const Walk& left, const Walk& right)
{
    if (kGathers<Fetch> && reads == TexelReads::Gather)
        DrawOneRow<Target, Fetch, Mode, How, kGathers<Fetch>>(fetch, tint, row, width, x, split, end, left, right);
    else
        DrawOneRow<Target, Fetch, Mode, How, false>(fetch, tint, row, width, x, split, end, left, right);
}

template <typename Target, typename Fetch, Sampling Mode, Compose How>
void DrawRows(const Fetch& fetch, const Tint& tint, TexelReads reads, int width, const QueuedRow* rows, int count)
{
    if (kGathers<Fetch> && reads == TexelReads::Gather)
        DrawQueuedRows<Target, Fetch, Mode, How, kGathers<Fetch>>(fetch, tint, width, rows, count);
    else
        DrawQueuedRows<Target, Fetch, Mode, How, false>(fetch, tint, width, rows, count);
}

namespace {

// Four pixels' samples and words in 16-bit lanes, two to each half:
// s + (d * 256) * (256 - s_a) >> 16, the words unpacked into the high bytes.
[[gnu::always_inline]] inline __m256i OverLanes(__m256i samples, __m256i words)
{
    const __m256i keep =
        _mm256_sub_epi16(_mm256_set1_epi16(256), _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(samples, 0xFF), 0xFF));
    return _mm256_add_epi16(samples, _mm256_mulhi_epu16(words, keep));
}

[[gnu::always_inline]] inline __m256i OverEight(const uint32_t* samples, const uint32_t* words)
{
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(OverLanes(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(zero, d)),
        OverLanes(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(zero, d)));
}

} // namespace

// The last eight are made from what lay there before any was written:
// where they overlap the eight before, they rewrite the same words.
void OverRun(uint32_t* out, const uint32_t* samples, int count)
{
    const __m256i last = OverEight(samples + count - 8, out + count - 8);
    for (int i = 0; i + 8 < count; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), OverEight(samples + i, out + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + count - 8), last);
}

// Every kind kRows names, built here once for the whole program.
template <typename Target, typename Fetch>
struct EveryWideKind {
    static constexpr std::array kDraws = {&DrawRow<Target, Fetch, Sampling::Point, Compose::Over>,
        &DrawRow<Target, Fetch, Sampling::Point, Compose::Add>, &DrawRow<Target, Fetch, Sampling::Point, Compose::Store>,
        &DrawRow<Target, Fetch, Sampling::Bilinear, Compose::Over>,
        &DrawRow<Target, Fetch, Sampling::Bilinear, Compose::Add>,
        &DrawRow<Target, Fetch, Sampling::Bilinear, Compose::Store>};
    static constexpr std::array kBatches = {&DrawRows<Target, Fetch, Sampling::Point, Compose::Over>,
        &DrawRows<Target, Fetch, Sampling::Point, Compose::Add>,
        &DrawRows<Target, Fetch, Sampling::Point, Compose::Store>,
        &DrawRows<Target, Fetch, Sampling::Bilinear, Compose::Over>,
        &DrawRows<Target, Fetch, Sampling::Bilinear, Compose::Add>,
        &DrawRows<Target, Fetch, Sampling::Bilinear, Compose::Store>};
};

template struct EveryWideKind<Target888<false>, ArgbFetch>;
template struct EveryWideKind<Target888<false>, PremultipliedFetch>;
template struct EveryWideKind<Target888<false>, PaletteFetch>;
template struct EveryWideKind<Target888<false>, PremultipliedPaletteFetch>;
template struct EveryWideKind<Target888<true>, ArgbFetch>;
template struct EveryWideKind<Target888<true>, PremultipliedFetch>;
template struct EveryWideKind<Target888<true>, PaletteFetch>;
template struct EveryWideKind<Target888<true>, PremultipliedPaletteFetch>;

} // namespace Vorn::SWTri::Avx2

#endif
