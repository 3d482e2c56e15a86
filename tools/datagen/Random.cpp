#include "tools/datagen/Random.h"

#include <cmath>
#include <utility>

namespace DataGen {

Noise::Noise(uint64_t seed)
{
    Random random(seed);
    for (int i = 0; i < 256; ++i) {
        mPermutation[i] = static_cast<uint8_t>(i);
        mValues[i] = random.Uniform();
    }
    for (int i = 255; i > 0; --i)
        std::swap(mPermutation[i], mPermutation[random.Below(i + 1)]);
    for (int i = 0; i < 256; ++i)
        mPermutation[256 + i] = mPermutation[i];
}

double Noise::Lattice(int x, int y) const
{
    return mValues[mPermutation[mPermutation[x & 255] + (y & 255)]];
}

double Noise::At(double x, double y) const
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = x - fx;
    const double ty = y - fy;
    const double sx = tx * tx * (3.0 - 2.0 * tx);
    const double sy = ty * ty * (3.0 - 2.0 * ty);
    const double top = Lattice(ix, iy) + (Lattice(ix + 1, iy) - Lattice(ix, iy)) * sx;
    const double bottom = Lattice(ix, iy + 1) + (Lattice(ix + 1, iy + 1) - Lattice(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

double Noise::Fractal(double x, double y, int octaves) const
{
    double sum = 0.0;
    double weight = 0.5;
    double total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        // Octaves are shifted apart so their lattices do not line up.
        sum += At(x + i * 17.31, y - i * 9.73) * weight;
        total += weight;
        weight *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / total;
}

} // namespace DataGen
