#include "platform/CoverageScaler.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Platform {

namespace {

// Down sums carry 2^14 times the mean; half of that rounds.
constexpr int kDownBits = 2 * CoverageAxis::kWeightBits;
constexpr int32_t kDownHalf = 1 << (kDownBits - 1);

uint32_t LaneWord(const int32_t lanes[4])
{
    uint32_t word = 0;
    for (int lane = 0; lane < 4; ++lane)
        word |= static_cast<uint32_t>(lanes[lane]) << (8 * lane);
    return word;
}

#if defined(__SSE2__)
// Words bound for the screen go past the cache: a frame on the desktop is
// larger than the cache, and reading its lines in only to overwrite them
// costs a third of the scaling.
void StoreWords(uint32_t* words, __m128i value, bool streamed)
{
    if (streamed)
        _mm_stream_si128(reinterpret_cast<__m128i*>(words), value);
    else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words), value);
}
#endif

// A row whose one tap weighs 128: (128 s + 8192) >> 14 is (s + 64) >> 7.
// `streamed` (for words aligned to 16 bytes) keeps them out of the cache.
void DownOne(const int16_t* sums, uint32_t* words, int width, [[maybe_unused]] bool streamed)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i half = _mm_set1_epi16(CoverageAxis::kWeightOne / 2);
    for (; x + 4 <= width; x += 4) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * x));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + 4 * x + 8));
        const __m128i packed = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(first, half), CoverageAxis::kWeightBits),
                                                _mm_srli_epi16(_mm_add_epi16(second, half), CoverageAxis::kWeightBits));
        StoreWords(words + x, packed, streamed);
    }
#endif
    for (; x < width; ++x) {
        int32_t lanes[4];
        for (int lane = 0; lane < 4; ++lane)
            lanes[lane] = (sums[4 * x + lane] + CoverageAxis::kWeightOne / 2) >> CoverageAxis::kWeightBits;
        words[x] = LaneWord(lanes);
    }
}

#if defined(__SSE2__)
// Four pixels of two rows weighed: their lanes side by side, one multiply-add
// per pixel gives its four 32-bit channel sums. Named, not an array, so that
// they stay in registers.
struct DownQuad {
    __m128i p0, p1, p2, p3;

    DownQuad(const int16_t* a, const int16_t* b, __m128i weights)
    {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 8));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 8));
        p0 = _mm_madd_epi16(_mm_unpacklo_epi16(a0, b0), weights);
        p1 = _mm_madd_epi16(_mm_unpackhi_epi16(a0, b0), weights);
        p2 = _mm_madd_epi16(_mm_unpacklo_epi16(a1, b1), weights);
        p3 = _mm_madd_epi16(_mm_unpackhi_epi16(a1, b1), weights);
    }

    void Add(const int32_t* totals)
    {
        const auto* at = reinterpret_cast<const __m128i*>(totals);
        p0 = _mm_add_epi32(p0, _mm_loadu_si128(at));
        p1 = _mm_add_epi32(p1, _mm_loadu_si128(at + 1));
        p2 = _mm_add_epi32(p2, _mm_loadu_si128(at + 2));
        p3 = _mm_add_epi32(p3, _mm_loadu_si128(at + 3));
    }

    void Store(int32_t* totals) const
    {
        auto* at = reinterpret_cast<__m128i*>(totals);
        _mm_storeu_si128(at, p0);
        _mm_storeu_si128(at + 1, p1);
        _mm_storeu_si128(at + 2, p2);
        _mm_storeu_si128(at + 3, p3);
    }

    // The four pixels' words, rounded half up.
    __m128i Words() const
    {
        const __m128i half = _mm_set1_epi32(kDownHalf);
        const auto down = [half](__m128i sum) { return _mm_srai_epi32(_mm_add_epi32(sum, half), kDownBits); };
        return _mm_packus_epi16(_mm_packs_epi32(down(p0), down(p1)), _mm_packs_epi32(down(p2), down(p3)));
    }
};

__m128i PairWeights(int wa, int wb)
{
    return _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(wa) | static_cast<uint32_t>(wb) << 16));
}
#endif

// totals = (first ? 0 : totals) + wa a + wb b, lane by lane.
void DownAdd(const int16_t* a, const int16_t* b, int wa, int wb, int32_t* totals, bool first, int width)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i weights = PairWeights(wa, wb);
    for (; x + 4 <= width; x += 4) {
        DownQuad quad(a + 4 * x, b + 4 * x, weights);
        if (!first)
            quad.Add(totals + 4 * x);
        quad.Store(totals + 4 * x);
    }
#endif
    for (int lane = 4 * x; lane < 4 * width; ++lane)
        totals[lane] = (first ? 0 : totals[lane]) + wa * a[lane] + wb * b[lane];
}

// The last pair of taps, with the totals of those before it (or none), into
// words.
void DownLast(const int16_t* a, const int16_t* b, int wa, int wb, const int32_t* totals, uint32_t* words, int width,
              [[maybe_unused]] bool streamed)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i weights = PairWeights(wa, wb);
    if (totals) {
        for (; x + 4 <= width; x += 4) {
            DownQuad quad(a + 4 * x, b + 4 * x, weights);
            quad.Add(totals + 4 * x);
            StoreWords(words + x, quad.Words(), streamed);
        }
    } else {
        for (; x + 4 <= width; x += 4)
            StoreWords(words + x, DownQuad(a + 4 * x, b + 4 * x, weights).Words(), streamed);
    }
#endif
    for (; x < width; ++x) {
        int32_t lanes[4];
        for (int lane = 0; lane < 4; ++lane) {
            const int at = 4 * x + lane;
            lanes[lane] = ((totals ? totals[at] : 0) + wa * a[at] + wb * b[at] + kDownHalf) >> kDownBits;
        }
        words[x] = LaneWord(lanes);
    }
}

// W(p / span) for a part p of a span: floor(128 p / span + 1/2).
int64_t CoveredWeight(int64_t part, int64_t span)
{
    return (2 * CoverageAxis::kWeightOne * part + span) / (2 * span);
}

} // namespace

CoverageAxis::CoverageAxis(int sourceCount, int count) : mFirst(static_cast<size_t>(count))
{
    // Source pixel i spans [i d, (i + 1) d) and output pixel j spans
    // [j n, (j + 1) n), in units of 1/(n d) of the axis.
    const int64_t n = sourceCount;
    const int64_t d = count;
    int most = 1;
    for (int64_t j = 0; j < d; ++j) {
        const int64_t first = j * n / d;
        const int64_t last = ((j + 1) * n - 1) / d;
        mFirst[static_cast<size_t>(j)] = static_cast<int>(first);
        most = std::max(most, static_cast<int>(last - first + 1));
    }
    mTaps = (most + 1) / 2 * 2;
    mWeights.assign(mFirst.size() * static_cast<size_t>(mTaps), 0);
    for (int64_t j = 0; j < d; ++j) {
        const int64_t start = j * n;
        const int64_t first = mFirst[static_cast<size_t>(j)];
        for (int64_t i = first; i < n && i * d < start + n; ++i) {
            const int64_t from = std::max(i * d, start) - start;
            const int64_t to = std::min((i + 1) * d, start + n) - start;
            mWeights[static_cast<size_t>(j * mTaps + (i - first))] =
                static_cast<int16_t>(CoveredWeight(to, n) - CoveredWeight(from, n));
        }
    }
}

CoverageScaler::CoverageScaler(int sourceWidth, int sourceHeight, int width, int height)
    : mAcross(sourceWidth, width), mDown(sourceHeight, height),
      mWords(static_cast<size_t>(sourceWidth) + static_cast<size_t>(mAcross.Taps()), 0),
      mTotals(static_cast<size_t>(width) * 4), mOut(static_cast<size_t>(width))
{
    for (auto& sums : mSums)
        sums.resize(static_cast<size_t>(width) * 4);
    const int pairs = width / 2;
    const int tapPairs = mAcross.Taps() / 2;
    mLaneWeights.resize(static_cast<size_t>(pairs) * static_cast<size_t>(tapPairs) * 16);
    int16_t* lane = mLaneWeights.data();
    for (int pair = 0; pair < pairs; ++pair)
        for (int tap = 0; tap < mAcross.Taps(); ++tap)
            for (int column = 2 * pair; column < 2 * pair + 2; ++column)
                lane = std::fill_n(lane, 4, static_cast<int16_t>(mAcross.Weight(column, tap)));
}

void CoverageScaler::SumAcross(const uint32_t* words, int16_t* sums) const
{
    const int width = mAcross.Count();
    const int taps = mAcross.Taps();
    int column = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const int16_t* lanes = mLaneWeights.data();
    for (; column + 2 <= width; column += 2) {
        const uint32_t* left = words + mAcross.First(column);
        const uint32_t* right = words + mAcross.First(column + 1);
        __m128i sum = zero;
        for (int tap = 0; tap < taps; tap += 2, lanes += 16) {
            const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(left + tap));
            const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(right + tap));
            // Tap `tap` of both columns, then tap `tap` + 1 of both.
            const __m128i pairs = _mm_shuffle_epi32(_mm_unpacklo_epi64(a, b), _MM_SHUFFLE(3, 1, 2, 0));
            const __m128i even = _mm_mullo_epi16(_mm_unpacklo_epi8(pairs, zero),
                                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes)));
            const __m128i odd = _mm_mullo_epi16(_mm_unpackhi_epi8(pairs, zero),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + 8)));
            sum = _mm_add_epi16(sum, _mm_add_epi16(even, odd));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * column), sum);
    }
#endif
    for (; column < width; ++column) {
        const uint32_t* source = words + mAcross.First(column);
        for (int lane = 0; lane < 4; ++lane) {
            int sum = 0;
            for (int tap = 0; tap < taps; ++tap)
                sum += mAcross.Weight(column, tap) * static_cast<int>(source[tap] >> (8 * lane) & 0xFF);
            sums[4 * column + lane] = static_cast<int16_t>(sum);
        }
    }
}

const int16_t* CoverageScaler::RowSums(const Frame& frame, const PixelConverter& converter, int row)
{
    const size_t slot = static_cast<size_t>(row & 1);
    if (mSumsRow[slot] != row) {
        converter.Words(static_cast<const uint8_t*>(frame.pixels) + static_cast<ptrdiff_t>(row) * frame.pitch,
                        mWords.data(), frame.width);
        SumAcross(mWords.data(), mSums[slot].data());
        mSumsRow[slot] = row;
    }
    return mSums[slot].data();
}

void CoverageScaler::Scale(const Frame& frame, uint8_t* destination, int pitch, const PixelFormat& format)
{
    const PixelConverter source(frame.format);
    const PixelConverter target(format);
    const bool words = format == kFormatX8R8G8B8;
    const int width = mAcross.Count();
    mSumsRow[0] = mSumsRow[1] = -1;
    for (int y = 0; y < mDown.Count(); ++y, destination += pitch) {
        // Rows at the ends that weigh nothing are not read.
        int begin = 0;
        int end = mDown.Taps();
        while (mDown.Weight(y, begin) == 0)
            ++begin;
        while (mDown.Weight(y, end - 1) == 0)
            --end;
        const bool aligned = reinterpret_cast<uintptr_t>(destination) % alignof(uint32_t) == 0;
        uint32_t* out = words && aligned ? reinterpret_cast<uint32_t*>(destination) : mOut.data();
        const bool streamed = out != mOut.data() && reinterpret_cast<uintptr_t>(out) % 16 == 0;
        const int first = mDown.First(y);
        if (end - begin == 1) {
            DownOne(RowSums(frame, source, first + begin), out, width, streamed);
        } else {
            for (int tap = begin; tap < end; tap += 2) {
                const int a = tap;
                const int b = std::min(tap + 1, end - 1);
                const int16_t* rowA = RowSums(frame, source, first + a);
                const int16_t* rowB = RowSums(frame, source, first + b);
                const int wb = b == a ? 0 : mDown.Weight(y, b);
                if (tap + 2 < end)
                    DownAdd(rowA, rowB, mDown.Weight(y, a), wb, mTotals.data(), tap == begin, width);
                else
                    DownLast(rowA, rowB, mDown.Weight(y, a), wb, tap == begin ? nullptr : mTotals.data(), out, width,
                             streamed);
            }
        }
        if (out != mOut.data())
            continue;
        if (words)
            std::memcpy(destination, out, static_cast<size_t>(width) * 4);
        else
            target.Pixels(out, destination, width);
    }
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

} // namespace Platform
