#pragma once
// The generator's own random numbers: the same sequence on every machine and
// with every standard library, so the data set comes out byte for byte the
// same on each build.

#include <cstdint>

namespace DataGen {

class Random {
public:
    explicit Random(uint64_t seed) : mState(seed) {}

    uint64_t Next()
    {
        // splitmix64
        uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double low, double high) { return low + (high - low) * Uniform(); }
    // [-1, 1)
    double Signed() { return Uniform() * 2.0 - 1.0; }
    int Below(int count) { return static_cast<int>(Next() % static_cast<uint64_t>(count)); }

private:
    uint64_t mState;
};

// Smooth value noise on a lattice, summed over octaves.
class Noise {
public:
    explicit Noise(uint64_t seed);
    // 0..1, smooth, one feature per unit.
    double At(double x, double y) const;
    // 0..1, `octaves` layers of halving size and weight.
    double Fractal(double x, double y, int octaves) const;

private:
    double Lattice(int x, int y) const;
    uint8_t mPermutation[512];
    double mValues[256];
};

} // namespace DataGen
