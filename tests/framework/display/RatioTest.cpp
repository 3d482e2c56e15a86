#include "framework/display/Ratio.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// A zero denominator divides by the numerator; both zero leaves a ratio
// unchanged; a size of 0 is neither wider nor narrower.
TEST(Ratio, IsKeptReducedAndWiderIsStrictlyWider)
{
    const int reductions[][4] = {{800, 600, 4, 3}, {1920, 1080, 16, 9}, {0, 0, 16, 9}, {800, 0, 1, 0}, {0, 600, 0, 1},
        {-800, 600, -4, 3}, {INT_MIN, 2, INT_MIN / 2, 1}, {INT_MIN, INT_MIN, -1, -1}};
    Vorn::Ratio ratio;
    for (const auto& c : reductions) {
        ratio.Set(c[0], c[1]);
        EXPECT_TRUE(ratio.mNumerator == c[2] && ratio.mDenominator == c[3]) << c[0] << ":" << c[1];
    }
    const struct { int a[2], b[2]; bool wider; } cases[] = {{{8, 5}, {4, 3}, true}, {{5, 4}, {4, 3}, false},
        {{4, 3}, {4, 3}, false}, {{4, 3}, {16, 9}, false}, {{683, 384}, {16, 9}, true}, {{1, 0}, {4, 3}, false},
        {{4, 3}, {1, 0}, false}, {{INT_MAX, 1}, {INT_MAX - 1, 1}, true}};
    for (const auto& c : cases) {
        Vorn::Ratio a, b;
        a.mNumerator = c.a[0], a.mDenominator = c.a[1], b.mNumerator = c.b[0], b.mDenominator = c.b[1];
        EXPECT_EQ(a.IsWiderThan(b), c.wider) << c.a[0] << ":" << c.a[1] << " against " << c.b[0] << ":" << c.b[1];
    }
}

} // namespace
