#pragma once
// An aspect ratio of two ints, kept reduced.

namespace Vorn {

struct Ratio {
    // Stores both divided by their greatest common divisor: 800, 600 gives
    // 4:3. Both 0 has no ratio and leaves it unchanged.
    void Set(int numerator, int denominator);

    int mNumerator = 1;
    int mDenominator = 1;
};

} // namespace Vorn
