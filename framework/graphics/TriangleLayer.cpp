#include "framework/graphics/TriangleLayer.h"

#include "framework/graphics/TriangleRasterizer.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn::SWTri {

namespace {

// What laying a recorded sample comes to: nothing, a store (of a stored
// sample), a blend (opaque samples laid over are stores too, but short
// stretches of them go with the blends around them), or an addition.
enum class Effect : uint8_t { None, Store, Over, Add, OverOpaque };

// Stretches of opaque samples laid over shorter than this are blended.
constexpr int kShortestCopy = 8;

Effect EffectOf(uint64_t word)
{
    if (!(word & RecordedSample::kCovered))
        return Effect::None;
    const auto how = static_cast<Compose>((word >> RecordedSample::kHowShift) & 3);
    const auto sample = static_cast<uint32_t>(word);
    switch (how) {
    case Compose::Store:
        return Effect::Store;
    case Compose::Over:
        return sample == 0 ? Effect::None : sample >> 24 == 255 ? Effect::OverOpaque : Effect::Over;
    case Compose::Add:
        return (sample & 0xFFFFFF) == 0 ? Effect::None : Effect::Add;
    }
    return Effect::None;
}

// The word in the destination's order of channels.
uint32_t Placed(uint32_t argb, bool redLow)
{
    return redLow ? (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFF) | ((argb & 0xFF) << 16) : argb;
}

#if !defined(__SSE2__)
// Each channel c as s_c + d_c * (256 - s_a) >> 8, the alpha in the top
// byte: the same for either order of red and blue.
uint32_t OverWord(uint32_t d, uint32_t s)
{
    const uint32_t keep = 256 - (s >> 24);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((s >> shift) & 0xFF) + ((((d >> shift) & 0xFF) * keep) >> 8)) << shift;
    return out;
}

#endif

uint32_t AddWord(uint32_t d, uint32_t s)
{
    uint32_t out = d & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= std::min(((d >> shift) & 0xFF) + ((s >> shift) & 0xFF), 255u) << shift;
    return out;
}

#if defined(__SSE2__)
// Two words of samples in 16-bit lanes laid over two words of d.
inline __m128i OverLanes(__m128i samples, __m128i d)
{
    // d * 256 in each lane: the high half of its product with 256 - s_a is
    // d * (256 - s_a) >> 8.
    const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), _mm_shufflehi_epi16(_mm_shufflelo_epi16(samples, 0xFF), 0xFF));
    return _mm_add_epi16(samples, _mm_mulhi_epu16(d, keep));
}
#endif

#if defined(__SSE2__)
// Four samples laid over four words of d.
inline __m128i OverFour(__m128i samples, __m128i d)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = OverLanes(_mm_unpacklo_epi8(samples, zero), _mm_unpacklo_epi8(zero, d));
    const __m128i high = OverLanes(_mm_unpackhi_epi8(samples, zero), _mm_unpackhi_epi8(zero, d));
    return _mm_packus_epi16(low, high);
}

inline __m128i LoadFour(const uint32_t* words)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
}

inline void StoreFour(uint32_t* words, __m128i four)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words), four);
}
#endif

// Runs of four and more go four words at a time, the last four of the run
// made from what lay there before any was written: where they overlap the
// four before, they rewrite the same words. Samples and destination never
// share memory.
void StoreRun(uint32_t* out, const uint32_t* s, int count)
{
#if defined(__SSE2__)
    if (count >= 4) {
        const __m128i last = LoadFour(s + count - 4);
        for (int i = 0; i + 4 < count; i += 4)
            StoreFour(out + i, LoadFour(s + i));
        StoreFour(out + count - 4, last);
        return;
    }
#endif
    std::copy_n(s, count, out);
}

void OverRun(uint32_t* out, const uint32_t* s, int count)
{
#if defined(__SSE2__)
    if (count >= 4) {
        const __m128i last = OverFour(LoadFour(s + count - 4), LoadFour(out + count - 4));
        for (int i = 0; i + 4 < count; i += 4)
            StoreFour(out + i, OverFour(LoadFour(s + i), LoadFour(out + i)));
        StoreFour(out + count - 4, last);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const __m128i one = OverFour(_mm_cvtsi32_si128(static_cast<int>(s[i])), _mm_cvtsi32_si128(static_cast<int>(out[i])));
        out[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(one));
    }
#else
    for (int i = 0; i < count; ++i)
        out[i] = OverWord(out[i], s[i]);
#endif
}

void AddRun(uint32_t* out, const uint32_t* s, int count)
{
#if defined(__SSE2__)
    if (count >= 4) {
        const __m128i colour = _mm_set1_epi32(0xFFFFFF);
        const auto addFour = [&](int i) {
            return _mm_adds_epu8(LoadFour(out + i), _mm_and_si128(LoadFour(s + i), colour));
        };
        const __m128i last = addFour(count - 4);
        for (int i = 0; i + 4 < count; i += 4)
            StoreFour(out + i, addFour(i));
        StoreFour(out + count - 4, last);
        return;
    }
#endif
    for (int i = 0; i < count; ++i)
        out[i] = AddWord(out[i], s[i]);
}

} // namespace

TriangleLayer::Use TriangleLayer::Consider(const LayerKey& key)
{
    if (!(key == mKey)) {
        Clear();
        mKey = key;
        mSeen = key.Valid() ? 1 : 0;
        return Use::Draw;
    }
    if (mBuilt)
        return Use::Lay;
    if (mRefused)
        return Use::Draw;
    return ++mSeen >= kRecordAt ? Use::Record : Use::Draw;
}

void TriangleLayer::Clear()
{
    mKey = LayerKey();
    mSeen = 0;
    mBuilt = false;
    mRefused = false;
    if (!mRuns.empty() || !mWords.empty()) {
        std::vector<Run>().swap(mRuns);
        std::vector<uint32_t>().swap(mWords);
    }
}

std::unique_ptr<uint64_t[]> TriangleLayer::Canvas(int width, int height, int top, int bottom)
{
    const auto count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::unique_ptr<uint64_t[]> canvas(new uint64_t[count]);
    top = std::clamp(top, 0, height);
    bottom = std::clamp(bottom, top, height);
    std::fill(canvas.get() + static_cast<size_t>(top) * static_cast<size_t>(width),
        canvas.get() + static_cast<size_t>(bottom) * static_cast<size_t>(width), uint64_t{0});
    return canvas;
}

bool TriangleLayer::Build(const uint64_t* canvas, int width, int top, int bottom, bool redLow)
{
    mRuns.clear();
    mWords.clear();
    std::vector<Effect> effects(static_cast<size_t>(std::max(width, 0)));
    for (int row = top; row < bottom; ++row) {
        const uint64_t* samples = canvas + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            if (samples[x] & RecordedSample::kTwice) {
                mRuns.clear();
                mWords.clear();
                mRefused = true;
                return false;
            }
            effects[static_cast<size_t>(x)] = EffectOf(samples[x]);
        }
        for (int x = 0; x < width;) {
            const Effect effect = effects[static_cast<size_t>(x)];
            int end = x + 1;
            while (end < width && effects[static_cast<size_t>(end)] == effect)
                ++end;
            if (effect == Effect::OverOpaque)
                std::fill(effects.begin() + x, effects.begin() + end, end - x < kShortestCopy ? Effect::Over : Effect::Store);
            x = end;
        }
        for (int x = 0; x < width;) {
            const Effect effect = effects[static_cast<size_t>(x)];
            int end = x + 1;
            while (end < width && effects[static_cast<size_t>(end)] == effect)
                ++end;
            if (effect != Effect::None) {
                mRuns.push_back(Run{row, x, end - x, static_cast<uint8_t>(effect), mWords.size()});
                for (int i = x; i < end; ++i)
                    mWords.push_back(Placed(static_cast<uint32_t>(samples[i]), redLow));
            }
            x = end;
        }
    }
    mBuilt = true;
    return true;
}

void TriangleLayer::Lay(const Destination& dest) const
{
    const bool wide = CurrentRowLevel() == RowLevel::Avx2;
    for (const Run& run : mRuns) {
        uint32_t* out = RowOf<uint32_t>(dest, run.row) + run.x;
        const uint32_t* words = mWords.data() + run.first;
        switch (static_cast<Effect>(run.how)) {
        case Effect::Store:
            StoreRun(out, words, run.count);
            break;
        case Effect::Over:
            if (wide && run.count >= 8)
                Avx2::OverRun(out, words, run.count);
            else
                OverRun(out, words, run.count);
            break;
        case Effect::Add:
            AddRun(out, words, run.count);
            break;
        case Effect::None:
        case Effect::OverOpaque:
            break;
        }
    }
}

} // namespace Vorn::SWTri
