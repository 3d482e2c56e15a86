// The vector forms of the 32-bit run formulas give the scalar forms' bytes:
// for every pair of a word's alpha and the colour's alpha, for every pair of
// a source and a destination channel value (in each of the three channels,
// beside channels that make the scalar word carry), and for random words,
// premultiplied or not.

#include "framework/display/SurfaceBlend.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#if defined(__SSE2__)

namespace {

using Vorn::SurfaceBlend::Pair32Grey;
using Vorn::SurfaceBlend::Pair32White;
using Quad = std::array<uint32_t, 4>;

__m128i Load(const Quad& words)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words.data()));
}

Quad Store(__m128i v)
{
    Quad words{};
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words.data()), v);
    return words;
}

// Which formula: white, or grey of strength k.
struct Formula {
    const char* name;
    bool white;
    uint32_t k;
};

void PrintTo(const Formula& f, std::ostream* out)
{
    *out << f.name;
}

class WidePartial : public testing::TestWithParam<Formula> {
protected:
    // Four pixels under one colour alpha: the vector form against the
    // scalar one, each pixel with the alpha the run path gives it.
    void ExpectSame(const Quad& source, const Quad& under, uint32_t colorAlpha)
    {
        const Formula& f = GetParam();
        const __m128i words = Load(source);
        const __m128i cover = Vorn::SurfaceBlend::Wide::Cover(words, colorAlpha);
        const Quad wide = Store(f.white ? Pair32White{}.Partial(words, Load(under), cover)
                                        : Pair32Grey{f.k}.Partial(words, Load(under), cover));
        for (size_t i = 0; i < 4; ++i) {
            const uint32_t a = (source[i] >> 24) * colorAlpha / 255;
            const uint32_t scalar = f.white ? Pair32White{}.Partial(source[i], under[i], a)
                                            : Pair32Grey{f.k}.Partial(source[i], under[i], a);
            if (wide[i] != scalar) {
                ADD_FAILURE() << std::hex << "source " << source[i] << " under " << under[i] << " colour alpha "
                              << colorAlpha << ": " << wide[i] << " != " << scalar;
                ++mFailures;
            }
        }
    }
    int mFailures = 0;
};

TEST_P(WidePartial, EqualsTheScalarFormForEveryWordAlphaAndColourAlpha)
{
    for (uint32_t alpha = 0; alpha < 256 && mFailures < 10; ++alpha)
        for (uint32_t colorAlpha = 0; colorAlpha < 256; ++colorAlpha) {
            const uint32_t top = alpha << 24;
            // Channels at and below the alpha (premultiplied), and above it.
            const uint32_t c = alpha * 0x010101u;
            ExpectSame({top | c, top | (c >> 1 & 0x7F7F7F), top | 0xFFFFFF, top | 0x00FF01},
                {0xFFFFFFFF, 0x00000000, 0x80FF7F01, 0x12345678 ^ c}, colorAlpha);
        }
}

TEST_P(WidePartial, EqualsTheScalarFormForEveryPairOfChannelValues)
{
    // (word alpha, colour alpha): no cover, a little, half, almost all, all.
    const uint32_t alphas[][2] = {{0, 255}, {1, 255}, {3, 200}, {128, 128}, {254, 255}, {255, 254}, {255, 255}};
    for (const auto& [alpha, colorAlpha] : alphas)
        for (uint32_t v = 0; v < 256 && mFailures < 10; ++v)
            for (uint32_t d = 0; d < 256; d += 4) {
                Quad source{}, under{};
                for (uint32_t i = 0; i < 4; ++i) {
                    // The value in each channel in turn, the other channels
                    // full; the fourth pixel has all three.
                    const int shift = i < 3 ? static_cast<int>(8 * i) : 0;
                    const uint32_t others = i < 3 ? 0xFFFFFFu & ~(0xFFu << shift) : 0;
                    source[i] = alpha << 24 | others | (i < 3 ? v << shift : v * 0x010101u);
                    under[i] = 0x5A000000u | others | (i < 3 ? (d + i) << shift : (d + i) * 0x010101u);
                }
                ExpectSame(source, under, colorAlpha);
            }
}

TEST_P(WidePartial, EqualsTheScalarFormForRandomWords)
{
    std::mt19937 random(26);
    for (int n = 0; n < 200000 && mFailures < 10; ++n) {
        Quad source{}, under{};
        for (size_t i = 0; i < 4; ++i) {
            source[i] = static_cast<uint32_t>(random());
            under[i] = static_cast<uint32_t>(random());
        }
        ExpectSame(source, under, static_cast<uint32_t>(random()) % 256);
    }
}

INSTANTIATE_TEST_SUITE_P(Formulas, WidePartial,
    testing::Values(Formula{"white", true, 0}, Formula{"black", false, 0}, Formula{"grey1", false, 1},
        Formula{"grey127", false, 127}, Formula{"grey128", false, 128}, Formula{"grey254", false, 254},
        Formula{"grey255", false, 255}),
    [](const testing::TestParamInfo<Formula>& info) { return info.param.name; });

} // namespace

#endif
