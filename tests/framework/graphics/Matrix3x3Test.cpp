#include "framework/graphics/Matrix3x3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using Vorn::Matrix3x3;
using Vorn::Vector2;

constexpr float kPi = std::numbers::pi_v<float>;

void ExpectPointNear(const Vector2& actual, float x, float y)
{
    EXPECT_NEAR(actual.mX, x, 1e-5f);
    EXPECT_NEAR(actual.mY, y, 1e-5f);
}

TEST(Matrix3x3, QuarterTurnTakesTheXAxisUpTheScreen)
{
    Matrix3x3 m;
    m.RotateRad(kPi / 2);
    // y grows downward, so (0, -1) is above the origin: counter-clockwise.
    ExpectPointNear(m.TransformPoint(1, 0), 0, -1);
    ExpectPointNear(m.TransformPoint(0, 1), 1, 0);
}

TEST(Matrix3x3, EachOperationActsAfterThoseAlreadyThere)
{
    Matrix3x3 translateThenScale;
    translateThenScale.Translate(5, 0);
    translateThenScale.Scale(2, 2);
    EXPECT_EQ(translateThenScale.TransformPoint(1, 0).mX, 12.0f);
    EXPECT_EQ(translateThenScale.TransformPoint(1, 0).mY, 0.0f);

    Matrix3x3 scaleThenTranslate;
    scaleThenTranslate.Scale(2, 2);
    scaleThenTranslate.Translate(5, 0);
    EXPECT_EQ(scaleThenTranslate.TransformPoint(1, 0).mX, 7.0f);
}

TEST(Matrix3x3, ProductAppliesTheArgumentAfterThis)
{
    Matrix3x3 translation;
    translation.Translate(5, 0);
    Matrix3x3 scale;
    scale.Scale(2, 3);
    EXPECT_EQ((translation * scale).TransformPoint(1, 1).mX, 12.0f);
    EXPECT_EQ((translation * scale).TransformPoint(1, 1).mY, 3.0f);
    EXPECT_EQ((scale * translation).TransformPoint(1, 1).mX, 7.0f);
}

TEST(Matrix3x3, ProductRoundsToFloatAfterEveryAdditionLeftToRight)
{
    // 1 + 2^-24 rounds back to 1 twice; summed in double, or the small
    // terms first, the result would be 1 + 2^-23.
    const float tiny = std::ldexp(1.0f, -24);
    Matrix3x3 ones;
    ones.m[1][0] = 1;
    ones.m[2][0] = 1;
    Matrix3x3 other;
    other.m[0][1] = tiny;
    other.m[0][2] = tiny;
    EXPECT_EQ((ones * other).m[0][0], 1.0f);
}

TEST(Matrix3x3, ProductsAreRoundedBeforeTheyAreAdded)
{
    // (1 + 2^-12)^2 rounds to b = 1 + 2^-11; a fused multiply-add would keep
    // the 2^-24 that the subtraction of b leaves behind.
    const float a = 1.0f + std::ldexp(1.0f, -12);
    const float b = 1.0f + std::ldexp(1.0f, -11);
    Matrix3x3 square;
    square.m[0][0] = a;
    square.m[0][1] = 1;
    EXPECT_EQ(square.TransformPoint(a, -b).mX, 0.0f);
    EXPECT_EQ(square.TransformVector3(a, -b, 0).mX, 0.0f);
    Matrix3x3 lastTerm;
    lastTerm.m[0][2] = a;
    EXPECT_EQ(lastTerm.TransformVector3(-b, 0, a).mX, 0.0f);
}

TEST(Matrix3x3, Vector3UsesTheWholeMatrix)
{
    Matrix3x3 m;
    float value = 1;
    for (auto& row : m.m)
        for (float& element : row)
            element = value++;
    const Vorn::Vector3 v = m.TransformVector3(1, 2, 3);
    EXPECT_EQ(v.mX, 14.0f);
    EXPECT_EQ(v.mY, 32.0f);
    EXPECT_EQ(v.mZ, 50.0f);
    m.Translate(7, 7);
    EXPECT_EQ(m.TransformVector3(1, 0, 0).mX, m.m[0][0]);
}

TEST(Matrix3x3, TurnAboutACentreMatchesTheRotatedBlitGeometry)
{
    // A point (u, v) of a source turned by a about (cx, cy) and placed at
    // (x, y) lands at x + cx + (u - cx) cos a + (v - cy) sin a,
    // y + cy - (u - cx) sin a + (v - cy) cos a.
    const float a = 0.7f, cx = 8, cy = 5, x = 100, y = 50, u = 3, v = 11;
    Matrix3x3 m;
    m.Translate(-cx, -cy);
    m.RotateRad(a);
    m.Translate(x + cx, y + cy);
    const float c = std::cos(a), s = std::sin(a);
    const Vector2 p = m.TransformPoint(u, v);
    EXPECT_NEAR(p.mX, x + cx + (u - cx) * c + (v - cy) * s, 1e-4f);
    EXPECT_NEAR(p.mY, y + cy - (u - cx) * s + (v - cy) * c, 1e-4f);
}

} // namespace
