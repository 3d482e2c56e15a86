#include "framework/graphics/Rect.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

using Vorn::FRect;
using Vorn::Rect;

FRect ToDouble(const Rect& r) { return {double(r.mX), double(r.mY), double(r.mWidth), double(r.mHeight)}; }

TEST(Rect, OverlapIsTheSameEitherWayRoundInIntAndDouble)
{
    const struct { const char* name; Rect a, b, expected; } cases[] = {
        {"Overlapping", {0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}},
        {"TouchingRight", {0, 0, 10, 10}, {10, 0, 5, 5}, {10, 0, 0, 5}},
        {"DisjointBelow", {0, 0, 10, 10}, {0, 11, 5, 5}, {0, 0, 0, 0}},
        {"NegativeCoordinates", {-10, -10, 15, 15}, {-20, -5, 15, 3}, {-10, -5, 5, 3}},
        {"NegativeWidth", {0, 0, -5, 10}, {-10, 0, 20, 10}, {0, 0, 0, 0}},
        {"NegativeHeight", {0, 0, 10, -1}, {0, -10, 10, 20}, {0, 0, 0, 0}},
        {"RightEdgeAtIntMax", {INT_MAX - 10, 0, 10, 10}, {INT_MAX - 5, 0, 100, 10}, {INT_MAX - 5, 0, 5, 10}},
        {"BothPastIntMax", {1, 1, INT_MAX, INT_MAX}, {0, 0, INT_MAX, INT_MAX}, {1, 1, INT_MAX - 1, INT_MAX - 1}}};
    for (const auto& [name, a, b, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(a.Intersection(b), expected);
        EXPECT_EQ(b.Intersection(a), expected);
        EXPECT_EQ(ToDouble(a).IntersectionD(ToDouble(b)), ToDouble(expected));
        EXPECT_EQ(ToDouble(b).IntersectionD(ToDouble(a)), ToDouble(expected));
    }
}

TEST(Rect, DoubleFormKeepsFractionsAndLetsANotANumberDifferencePass)
{
    EXPECT_EQ(FRect(0, 0, 2.5, 2.5).IntersectionD(FRect(2, 1.75, 1, 1)), FRect(2, 1.75, 0.5, 0.75));
    EXPECT_EQ(FRect(0, 0, 2.5, 2.5).IntersectionD(FRect(2.75, 0, 1, 1)), FRect());
    const FRect withNan = FRect(std::nan(""), 0, 5, 5).IntersectionD(FRect(0, 0, 10, 10));
    EXPECT_TRUE(std::isnan(withNan.mX) && std::isnan(withNan.mWidth) && withNan.mHeight == 5.0);
}

} // namespace
