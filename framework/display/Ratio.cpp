#include "framework/display/Ratio.h"

#include <cstdint>
#include <cstdlib>
#include <numeric>

namespace Vorn {

void Ratio::Set(int numerator, int denominator)
{
    // In 64 bits, so that INT_MIN has a magnitude; each quotient is no larger
    // than its dividend and fits back.
    const int64_t n = numerator;
    const int64_t d = denominator;
    const int64_t divisor = std::gcd(std::llabs(n), std::llabs(d));
    if (divisor == 0)
        return;
    mNumerator = static_cast<int>(n / divisor);
    mDenominator = static_cast<int>(d / divisor);
}

bool Ratio::IsWiderThan(const Ratio& other) const
{
    if (mDenominator == 0 || other.mDenominator == 0)
        return false;
    // The products in 64 bits, so that no ratio overflows them.
    const int64_t n = mNumerator;
    const int64_t d = mDenominator;
    const int64_t otherN = other.mNumerator;
    const int64_t otherD = other.mDenominator;
    return otherN * d / otherD < n || otherN < n * otherD / d;
}

} // namespace Vorn
