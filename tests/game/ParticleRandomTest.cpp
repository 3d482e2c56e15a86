#include "game/ParticleRandom.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The standard twister is the reference for the framework's; the stream takes
// its top 15 bits.
TEST(ParticleRandom, DrawsTheTopFifteenBitsAndVariesByThePercent)
{
    ParticleRandom random(77);
    std::mt19937 reference(77);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(random.Rand(), static_cast<int>(reference() >> 17)) << "draw " << i;

    for (const auto& [base, percent] : {std::pair{5.0f, 100}, {300.0f, 25}, {1.0f, -40}, {2.5f, 0}}) {
        const int v = static_cast<int>(reference() >> 17);
        const float r = static_cast<float>(v % 20000 - 10000) / 10000.0f;
        EXPECT_FLOAT_EQ(random.Variation(base, percent), r * base * static_cast<float>(percent) / 100.0f);
    }
}

TEST(ParticleRandom, VariationStaysWithinTheBaseTimesThePercent)
{
    ParticleRandom random(5);
    float least = 1.0f;
    float most = -1.0f;
    for (int i = 0; i < 20000; ++i) {
        const float v = random.Variation(1.0f, 100);
        least = std::min(least, v);
        most = std::max(most, v);
    }
    EXPECT_GE(least, -1.0f);
    EXPECT_LT(least, -0.99f);
    EXPECT_LE(most, 0.9999f);
    EXPECT_GT(most, 0.99f);
}

} // namespace
