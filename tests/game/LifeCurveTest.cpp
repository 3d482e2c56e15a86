#include "game/LifeCurve.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CurveCase {
    std::vector<KeyCurve::Key> keys;
    float scale;
    std::vector<float> times;
    std::vector<float> expected;
};

class LifeCurveValues : public testing::TestWithParam<CurveCase> {};

// Each row evaluates one curve at rising (or, to show that the cursor stays,
// falling) fractions; the values come from value(i-1) + (t - time(i-1)) /
// (time(i) - time(i-1)) x (value(i) - value(i-1)), times the scale.
TEST_P(LifeCurveValues, FollowTheKeysFromTheCursorOn)
{
    const CurveCase& c = GetParam();
    KeyCurve curve;
    curve.mKeys = c.keys;
    curve.mScale = c.scale;
    for (size_t i = 0; i < c.times.size(); ++i)
        EXPECT_FLOAT_EQ(curve.Evaluate(c.times[i]), c.expected[i]) << "t = " << c.times[i];
}

INSTANTIATE_TEST_SUITE_P(LifeCurve, LifeCurveValues,
    testing::Values(
        // One key: its value at every fraction.
        CurveCase{{{0.7f, 0.3f}}, 2.0f, {0.0f, 0.7f, 1.0f}, {0.6f, 0.6f, 0.6f}},
        // The default size curve, scaled.
        CurveCase{{{0.0f, 0.2f}, {0.5f, 0.5f}, {1.0f, 0.3f}}, 1.0f, {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 2.0f},
            {0.2f, 0.35f, 0.5f, 0.4f, 0.3f, 0.3f}},
        CurveCase{{{0.0f, 0.2f}, {0.5f, 0.5f}, {1.0f, 0.3f}}, 3.0f, {0.25f, 1.0f}, {1.05f, 0.9f}},
        // After 0.75 the cursor stands on the last segment: an earlier
        // fraction is read on that segment's line.
        CurveCase{{{0.0f, 0.2f}, {0.5f, 0.5f}, {1.0f, 0.3f}}, 1.0f, {0.75f, 0.25f}, {0.4f, 0.6f}},
        // Before the first key the first segment's line goes on.
        CurveCase{{{0.5f, 2.0f}, {1.0f, 4.0f}}, 1.0f, {0.25f}, {1.0f}},
        // A zero-length segment gives its later key; a step at 0.5.
        CurveCase{{{0.5f, 1.0f}, {0.5f, 3.0f}, {1.0f, 5.0f}}, 1.0f, {0.2f, 0.5f, 0.75f}, {3.0f, 3.0f, 4.0f}},
        CurveCase{{{0.0f, 1.0f}, {0.5f, 2.0f}, {0.5f, 6.0f}, {1.0f, 8.0f}}, 1.0f, {0.25f, 0.5f, 0.75f},
            {1.5f, 6.0f, 7.0f}},
        // No keys: 0, whatever the scale.
        CurveCase{{}, 4.0f, {0.0f, 0.5f}, {0.0f, 0.0f}}));

TEST(LifeCurve, ColoursMixComponentByComponentAndAnEmptyOneIsOpaqueWhite)
{
    ColorCurve curve{{0.0f, {1.0f, 0.0f, 0.0f, 1.0f}}, {0.5f, {0.0f, 1.0f, 0.0f, 1.0f}},
        {1.0f, {0.0f, 0.0f, 1.0f, 0.5f}}};
    curve.mScale = 0.5f;
    const CurveColor quarter = curve.Evaluate(0.25f);
    EXPECT_FLOAT_EQ(quarter.red, 0.25f);
    EXPECT_FLOAT_EQ(quarter.green, 0.25f);
    EXPECT_FLOAT_EQ(quarter.blue, 0.0f);
    EXPECT_FLOAT_EQ(quarter.alpha, 0.5f);
    const CurveColor late = curve.Evaluate(0.75f);
    EXPECT_FLOAT_EQ(late.green, 0.25f);
    EXPECT_FLOAT_EQ(late.blue, 0.25f);
    EXPECT_FLOAT_EQ(late.alpha, 0.375f);

    ColorCurve single{{0.0f, {0.2f, 0.4f, 0.6f, 0.8f}}};
    single.mScale = 2.0f;
    const CurveColor doubled = single.Evaluate(0.9f);
    EXPECT_FLOAT_EQ(doubled.red, 0.4f);
    EXPECT_FLOAT_EQ(doubled.alpha, 1.6f);

    curve.Clear();
    EXPECT_EQ(curve.mCursor, 1);
    const CurveColor neutral = curve.Evaluate(0.5f);
    for (const float component : {neutral.red, neutral.green, neutral.blue, neutral.alpha})
        EXPECT_EQ(component, 1.0f);
}

TEST(LifeCurve, ClearingPutsTheCursorBackAndKeysAddInOrder)
{
    KeyCurve curve{{0.0f, 0.0f}, {0.5f, 1.0f}, {1.0f, 0.0f}};
    curve.Evaluate(0.9f);
    EXPECT_EQ(curve.mCursor, 2);
    curve.Clear();
    EXPECT_EQ(curve.mCursor, 1);
    EXPECT_TRUE(curve.mKeys.empty());
    curve.AddKey(0.0f, 10.0f);
    curve.AddKey(0.5f, 20.0f);
    EXPECT_FLOAT_EQ(curve.Evaluate(0.1f), 12.0f);
    EXPECT_EQ(curve.mCursor, 1);
    // The storage still holds the third key of before; it is not a key.
    EXPECT_EQ(curve.Evaluate(0.75f), 20.0f);
}

} // namespace
