#pragma once
// The framework's Mersenne Twister (MT19937 with the 2002 initialisation).
// Start-up seeds it from the tick count and a demo replay from the demo's
// stored seed, so a replay starts where its recording did.

#include <array>
#include <cstdint>

namespace Vorn {

class RandomGenerator {
public:
    static constexpr int kStateSize = 624;

    explicit RandomGenerator(uint32_t seed) { Seed(seed); }

    // A seed of 0 stands for 4357, as it always has for this generator.
    void Seed(uint32_t seed);
    // The next 32-bit output; the whole state is regenerated every 624 draws.
    uint32_t Next();

    const std::array<uint32_t, kStateSize>& State() const { return mState; }

private:
    void Regenerate();

    std::array<uint32_t, kStateSize> mState{};
    int32_t mIndex = kStateSize;
};

// The process's one generator, seeded with 4357 when first reached (safe
// from any static initialiser).
RandomGenerator& TheRandomGenerator();

void SeedRandom(uint32_t seed);

} // namespace Vorn
