#pragma once
// The runtime's generator as the platform layer describes it, written apart
// from it: the draws the game must have made, to compare with.

#include <cstdint>

namespace Testing {

class ReferenceRand {
public:
    explicit ReferenceRand(uint32_t seed) : mSeed(seed) {}
    int Next()
    {
        mSeed = mSeed * 214013u + 2531011u;
        return static_cast<int>(mSeed >> 16 & 0x7FFF);
    }

private:
    uint32_t mSeed;
};

} // namespace Testing
