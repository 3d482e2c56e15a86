#include "framework/app/RandomGenerator.h"

namespace Vorn {

namespace {

constexpr int kShift = 397;
constexpr uint32_t kMatrix = 0x9908B0DFu;
constexpr uint32_t kUpperBit = 0x80000000u;
constexpr uint32_t kLowerBits = 0x7FFFFFFFu;

uint32_t Twist(uint32_t upper, uint32_t lower, uint32_t far)
{
    const uint32_t y = (upper & kUpperBit) | (lower & kLowerBits);
    return far ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
}

} // namespace

void RandomGenerator::Seed(uint32_t seed)
{
    mState[0] = seed != 0 ? seed : 4357u;
    for (int i = 1; i < kStateSize; ++i) {
        const uint32_t previous = mState[i - 1];
        mState[i] = (previous ^ (previous >> 30)) * 1812433253u + static_cast<uint32_t>(i);
    }
    mIndex = kStateSize;
}

uint32_t RandomGenerator::Next()
{
    if (mIndex >= kStateSize)
        Regenerate();
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

void RandomGenerator::Regenerate()
{
    for (int i = 0; i < kStateSize; ++i)
        mState[i] = Twist(mState[i], mState[(i + 1) % kStateSize], mState[(i + kShift) % kStateSize]);
    mIndex = 0;
}

RandomGenerator& TheRandomGenerator()
{
    static RandomGenerator generator(4357);
    return generator;
}

void SeedRandom(uint32_t seed)
{
    TheRandomGenerator().Seed(seed);
}

} // namespace Vorn
