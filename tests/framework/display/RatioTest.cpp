#include "framework/display/Ratio.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct RatioCase {
    int numerator;
    int denominator;
    int reducedNumerator;
    int reducedDenominator;
};

void PrintTo(const RatioCase& c, std::ostream* os)
{
    *os << c.numerator << ":" << c.denominator;
}

class RatioTest : public ::testing::TestWithParam<RatioCase> {};

TEST_P(RatioTest, IsKeptReduced)
{
    Vorn::Ratio ratio;
    ratio.Set(GetParam().numerator, GetParam().denominator);
    EXPECT_EQ(ratio.mNumerator, GetParam().reducedNumerator);
    EXPECT_EQ(ratio.mDenominator, GetParam().reducedDenominator);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RatioTest,
                         ::testing::Values(RatioCase{800, 600, 4, 3}, RatioCase{1280, 1024, 5, 4},
                                           RatioCase{1920, 1080, 16, 9}, RatioCase{4, 3, 4, 3},
                                           // A zero denominator divides by the numerator.
                                           RatioCase{800, 0, 1, 0}, RatioCase{0, 600, 0, 1},
                                           RatioCase{-800, 600, -4, 3}, RatioCase{INT_MIN, 2, INT_MIN / 2, 1},
                                           RatioCase{INT_MIN, INT_MIN, -1, -1}));

TEST(Ratio, BothZeroLeavesItUnchanged)
{
    Vorn::Ratio ratio;
    ratio.Set(16, 10);
    ratio.Set(0, 0);
    EXPECT_EQ(ratio.mNumerator, 8);
    EXPECT_EQ(ratio.mDenominator, 5);
}

TEST(Ratio, StartsAtOneToOne)
{
    const Vorn::Ratio ratio;
    EXPECT_EQ(ratio.mNumerator, 1);
    EXPECT_EQ(ratio.mDenominator, 1);
}

struct WiderCase {
    int a[2];
    int b[2];
    bool wider;
};

void PrintTo(const WiderCase& c, std::ostream* os)
{
    *os << c.a[0] << ":" << c.a[1] << " against " << c.b[0] << ":" << c.b[1];
}

class WiderThanTest : public ::testing::TestWithParam<WiderCase> {};

TEST_P(WiderThanTest, IsStrictlyWider)
{
    Vorn::Ratio a;
    Vorn::Ratio b;
    a.mNumerator = GetParam().a[0];
    a.mDenominator = GetParam().a[1];
    b.mNumerator = GetParam().b[0];
    b.mDenominator = GetParam().b[1];
    EXPECT_EQ(a.IsWiderThan(b), GetParam().wider);
}

INSTANTIATE_TEST_SUITE_P(Desktops, WiderThanTest,
                         ::testing::Values(WiderCase{{8, 5}, {4, 3}, true}, WiderCase{{5, 4}, {4, 3}, false},
                                           WiderCase{{4, 3}, {4, 3}, false}, WiderCase{{16, 9}, {4, 3}, true},
                                           WiderCase{{4, 3}, {16, 9}, false},
                                           WiderCase{{683, 384}, {16, 9}, true},
                                           // A size of 0 is neither wider nor narrower.
                                           WiderCase{{1, 0}, {4, 3}, false}, WiderCase{{4, 3}, {1, 0}, false},
                                           WiderCase{{INT_MAX, 1}, {INT_MAX - 1, 1}, true}));

} // namespace
