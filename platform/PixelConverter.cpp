#include "platform/PixelConverter.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Platform {

PixelConverter::Channel::Channel(uint32_t channelMask) : mask(channelMask), shift(0), repeat(0), drop(0)
{
    if (mask == 0)
        return;
    const int low = std::countr_zero(mask);
    const int bits = 32 - std::countl_zero(mask) - low;
    const int kept = std::min(bits, 8);
    shift = low + bits - kept;
    const int copies = (8 + kept - 1) / kept;
    for (int copy = 0; copy < copies; ++copy)
        repeat |= 1u << (copy * kept);
    drop = copies * kept - 8;
    const uint64_t top = (uint64_t{1} << bits) - 1;
    for (uint32_t value = 0; value < 256; ++value)
        narrowed[value] = static_cast<uint32_t>(((value * top + 127) / 255) << low) & mask;
}

namespace {

// The pixels a vector loop left, from `x` on, one at a time.
template <typename Stored>
void WordsOneByOne(const PixelConverter& converter, const uint8_t* pixels, uint32_t* words, int x, int count)
{
    for (; x < count; ++x) {
        Stored pixel;
        std::memcpy(&pixel, pixels + size_t(x) * sizeof pixel, sizeof pixel);
        words[x] = converter.Word(pixel);
    }
}

template <typename Stored>
void PixelsOneByOne(const PixelConverter& converter, const uint32_t* words, uint8_t* pixels, int count)
{
    for (int x = 0; x < count; ++x) {
        const auto pixel = static_cast<Stored>(converter.Pixel(words[x]));
        std::memcpy(pixels + size_t(x) * sizeof pixel, &pixel, sizeof pixel);
    }
}

} // namespace

PixelConverter::PixelConverter(const PixelFormat& format)
    : mFormat(format), mRed(format.redMask), mGreen(format.greenMask), mBlue(format.blueMask)
{
}

uint32_t PixelConverter::Word(uint32_t pixel) const
{
    return 0xFF000000u | mRed.Widen(pixel) << 16 | mGreen.Widen(pixel) << 8 | mBlue.Widen(pixel);
}

uint32_t PixelConverter::Pixel(uint32_t word) const
{
    return mRed.narrowed[word >> 16 & 0xFF] | mGreen.narrowed[word >> 8 & 0xFF] | mBlue.narrowed[word & 0xFF];
}

void PixelConverter::Words(const uint8_t* pixels, uint32_t* words, int count) const
{
    if (mFormat.bitsPerPixel == 16)
        WordsFrom16(pixels, words, count);
    else
        WordsFrom32(pixels, words, count);
}

void PixelConverter::WordsCopying(const uint8_t* pixels, uint32_t* words, uint8_t* copy, int count) const
{
#if defined(__SSE2__)
    // The screen's own order: a word is its pixel made opaque, and one load
    // serves both stores.
    if (mFormat == kFormatX8R8G8B8) {
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        int x = 0;
        for (; x + 4 <= count; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + size_t(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + size_t(x) * 4), p);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x), _mm_or_si128(p, opaque));
        }
        for (; x < count; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, pixels + size_t(x) * 4, 4);
            std::memcpy(copy + size_t(x) * 4, &pixel, 4);
            words[x] = Word(pixel);
        }
        return;
    }
#endif
    // Other formats a row at a time: the row is still at hand for the words.
    if (count > 0)
        std::memcpy(copy, pixels, size_t(count) * static_cast<size_t>(mFormat.BytesPerPixel()));
    Words(pixels, words, count);
}

#if defined(__SSE2__)
namespace {

// One channel of eight 16-bit or four 32-bit pixels as 8-bit values in the
// low bits of each lane. The product of a value (at most 8 bits, or 7 with
// its copies) and its repeat stays within 15 bits, and 32-bit lanes hold
// values below 2^16, so 16-bit multiplies serve both.
struct ConvertLanes {
    __m128i mask;
    __m128i shift;
    __m128i repeat;
    __m128i drop;
};

} // namespace
#endif

void PixelConverter::WordsFrom16(const uint8_t* pixels, uint32_t* words, int count) const
{
    int x = 0;
#if defined(__SSE2__)
    const auto lanes = [](const Channel& c) {
        return ConvertLanes{_mm_set1_epi16(static_cast<short>(c.mask)), _mm_cvtsi32_si128(c.shift),
                            _mm_set1_epi16(static_cast<short>(c.repeat)), _mm_cvtsi32_si128(c.drop)};
    };
    const auto widen = [](__m128i p, const ConvertLanes& c) {
        return _mm_srl_epi16(_mm_mullo_epi16(_mm_srl_epi16(_mm_and_si128(p, c.mask), c.shift), c.repeat), c.drop);
    };
    const ConvertLanes red = lanes(mRed), green = lanes(mGreen), blue = lanes(mBlue);
    const __m128i opaque = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; x + 8 <= count; x += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + size_t(x) * 2));
        const __m128i low = _mm_or_si128(widen(p, blue), _mm_slli_epi16(widen(p, green), 8));
        const __m128i high = _mm_or_si128(widen(p, red), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x + 4), _mm_unpackhi_epi16(low, high));
    }
#endif
    WordsOneByOne<uint16_t>(*this, pixels, words, x, count);
}

void PixelConverter::WordsFrom32(const uint8_t* pixels, uint32_t* words, int count) const
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    if (mFormat == kFormatX8R8G8B8) {
        // The unused byte holds whatever the blitters left there.
        for (; x + 4 <= count; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + size_t(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x), _mm_or_si128(p, opaque));
        }
    } else {
        const auto lanes = [](const Channel& c) {
            return ConvertLanes{_mm_set1_epi32(static_cast<int>(c.mask)), _mm_cvtsi32_si128(c.shift),
                                _mm_set1_epi32(static_cast<int>(c.repeat)), _mm_cvtsi32_si128(c.drop)};
        };
        const auto widen = [](__m128i p, const ConvertLanes& c) {
            return _mm_srl_epi32(_mm_mullo_epi16(_mm_srl_epi32(_mm_and_si128(p, c.mask), c.shift), c.repeat),
                                 c.drop);
        };
        const ConvertLanes red = lanes(mRed), green = lanes(mGreen), blue = lanes(mBlue);
        for (; x + 4 <= count; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + size_t(x) * 4));
            const __m128i rg = _mm_or_si128(_mm_slli_epi32(widen(p, red), 16), _mm_slli_epi32(widen(p, green), 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x),
                             _mm_or_si128(_mm_or_si128(rg, widen(p, blue)), opaque));
        }
    }
#endif
    WordsOneByOne<uint32_t>(*this, pixels, words, x, count);
}

void PixelConverter::Pixels(const uint32_t* words, uint8_t* pixels, int count) const
{
    if (mFormat.bitsPerPixel == 16)
        PixelsOneByOne<uint16_t>(*this, words, pixels, count);
    else
        PixelsOneByOne<uint32_t>(*this, words, pixels, count);
}

} // namespace Platform
