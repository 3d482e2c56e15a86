#include "framework/graphics/Rect.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace Vorn {

template <typename T>
void PrintTo(const TRect<T>& r, std::ostream* os)
{
    *os << '(' << r.mX << ", " << r.mY << ", " << r.mWidth << ", " << r.mHeight << ')';
}

} // namespace Vorn

namespace {

using Vorn::FRect;
using Vorn::Rect;

struct OverlapCase {
    const char* name;
    Rect a;
    Rect b;
    Rect expected;
};

void PrintTo(const OverlapCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string CaseName(const testing::TestParamInfo<OverlapCase>& info)
{
    return info.param.name;
}

FRect ToDouble(const Rect& r)
{
    return {double(r.mX), double(r.mY), double(r.mWidth), double(r.mHeight)};
}

const OverlapCase kOverlapCases[] = {
    {"TouchingRight", {0, 0, 10, 10}, {10, 0, 5, 5}, {10, 0, 0, 5}},
    {"TouchingBelow", {0, 0, 10, 10}, {0, 10, 5, 5}, {0, 10, 5, 0}},
    {"TouchingCorner", {0, 0, 10, 10}, {10, 10, 5, 5}, {10, 10, 0, 0}},
    {"DisjointRight", {0, 0, 10, 10}, {11, 0, 5, 5}, {0, 0, 0, 0}},
    {"DisjointBelow", {0, 0, 10, 10}, {0, 11, 5, 5}, {0, 0, 0, 0}},
    {"Overlapping", {0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}},
    {"Nested", {0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
    {"EmptyInside", {0, 0, 10, 10}, {3, 3, 0, 0}, {3, 3, 0, 0}},
    {"NegativeCoordinates", {-10, -10, 15, 15}, {-20, -5, 15, 3}, {-10, -5, 5, 3}},
    {"NegativeTouching", {-10, -10, 15, 15}, {-5, -20, 10, 10}, {-5, -10, 10, 0}},
    {"NegativeWidth", {0, 0, -5, 10}, {-10, 0, 20, 10}, {0, 0, 0, 0}},
    {"NegativeHeight", {0, 0, 10, -1}, {0, -10, 10, 20}, {0, 0, 0, 0}},
    {"RightEdgeAtIntMax", {INT_MAX - 10, 0, 10, 10}, {INT_MAX - 5, 0, 100, 10}, {INT_MAX - 5, 0, 5, 10}},
    {"BothPastIntMax", {1, 1, INT_MAX, INT_MAX}, {0, 0, INT_MAX, INT_MAX}, {1, 1, INT_MAX - 1, INT_MAX - 1}},
};

class RectOverlap : public testing::TestWithParam<OverlapCase> {};

TEST_P(RectOverlap, IntResultIsTheSameEitherWayRound)
{
    const OverlapCase& c = GetParam();
    EXPECT_EQ(c.a.Intersection(c.b), c.expected);
    EXPECT_EQ(c.b.Intersection(c.a), c.expected);
}

TEST_P(RectOverlap, DoubleResultFollowsTheSameRules)
{
    const OverlapCase& c = GetParam();
    EXPECT_EQ(ToDouble(c.a).IntersectionD(ToDouble(c.b)), ToDouble(c.expected));
    EXPECT_EQ(ToDouble(c.b).IntersectionD(ToDouble(c.a)), ToDouble(c.expected));
}

TEST_P(RectOverlap, ARectangleWithNonNegativeSizeIntersectedWithItselfIsItself)
{
    for (const Rect& r : {GetParam().a, GetParam().b}) {
        if (r.mWidth >= 0 && r.mHeight >= 0) {
            EXPECT_EQ(r.Intersection(r), r);
            EXPECT_EQ(ToDouble(r).IntersectionD(ToDouble(r)), ToDouble(r));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RectOverlap, testing::ValuesIn(kOverlapCases), CaseName);

TEST(Rect, DefaultIsEmptyAtTheOrigin)
{
    EXPECT_EQ(Rect(), Rect(0, 0, 0, 0));
}

TEST(Rect, DoubleFormKeepsFractions)
{
    EXPECT_EQ(FRect(0, 0, 2.5, 2.5).IntersectionD(FRect(2, 1.75, 1, 1)), FRect(2, 1.75, 0.5, 0.75));
    EXPECT_EQ(FRect(0, 0, 2.5, 2.5).IntersectionD(FRect(2.5, 0, 1, 1)), FRect(2.5, 0, 0, 1));
    EXPECT_EQ(FRect(0, 0, 2.5, 2.5).IntersectionD(FRect(2.75, 0, 1, 1)), FRect());
}

TEST(Rect, DoubleFormLetsANotANumberDifferencePass)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FRect result = FRect(nan, 0, 5, 5).IntersectionD(FRect(0, 0, 10, 10));
    EXPECT_TRUE(std::isnan(result.mX));
    EXPECT_TRUE(std::isnan(result.mWidth));
    EXPECT_EQ(result.mY, 0.0);
    EXPECT_EQ(result.mHeight, 5.0);
}

} // namespace
