#pragma once
// Integer arithmetic of the fonts on values that come from data files: sums
// taken in 64 bits and held to what an int can carry, products with a scale
// truncated toward zero. Not for use outside framework/graphics.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Vorn::FontMath {

inline int ClampToInt(int64_t value)
{
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// value × factor truncated toward zero; a factor that is not a number
// scales to 0.
inline int Scaled(int64_t value, double factor)
{
    const double product = static_cast<double>(value) * factor;
    if (std::isnan(product))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(product), double{std::numeric_limits<int>::min()},
        double{std::numeric_limits<int>::max()}));
}

} // namespace Vorn::FontMath
