#pragma once
// The particles' own random stream. The particle system steps once per drawn
// frame, and how many frames are drawn per update depends on pacing; drawing
// from the game's generator would make a replay depend on the drawing rate.
// Seeded from the seed a demo records, so a replay starts where its recording
// did.

#include "framework/app/RandomGenerator.h"

#include <cstdint>

class ParticleRandom {
public:
    static constexpr int kRandMax = 32767;

    explicit ParticleRandom(uint32_t seed) : mGenerator(seed) {}

    // 0 .. kRandMax, the range the particle formulas were made for.
    int Rand() { return static_cast<int>(mGenerator.Next() >> 17); }

    // r x base x percent / 100, with r = ((Rand() mod 20000) - 10000) / 10000
    // in [-1, 0.9999].
    float Variation(float base, int percent)
    {
        const float r = static_cast<float>(Rand() % 20000 - 10000) / 10000.0f;
        return r * base * static_cast<float>(percent) / 100.0f;
    }

private:
    Vorn::RandomGenerator mGenerator;
};
