#pragma once
// An aspect ratio of two ints, kept reduced.

namespace Vorn {

struct Ratio {
    // Stores both divided by their greatest common divisor: 800, 600 gives
    // 4:3. Both 0 has no ratio and leaves it unchanged.
    void Set(int numerator, int denominator);

    // Strictly wider than the other ratio: desktop 8:5 is wider than 4:3,
    // 5:4 and 4:3 are not. A ratio with a denominator of 0 (a size of 0)
    // is never wider nor narrower: the test would divide by it.
    bool IsWiderThan(const Ratio& other) const;

    int mNumerator = 1;
    int mDenominator = 1;
};

} // namespace Vorn
