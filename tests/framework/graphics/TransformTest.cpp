#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using Vorn::Matrix3x3;
using Vorn::Transform;

constexpr float kPi = std::numbers::pi_v<float>;

void ExpectMatrixNear(const Matrix3x3& actual, const Matrix3x3& expected, float tolerance)
{
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(actual.m[i / 3][i % 3], expected.m[i / 3][i % 3], tolerance) << "element " << i;
}

TEST(Transform, ScaleStaysSimpleOnlyWhereAStretchOrMirrorAboutTheCentreCanDrawIt)
{
    const struct { const char* name; float translation, firstX, sx, sy; bool staysSimple; } cases[] = {
        {"Enlarge", 0, 1, 2, 3, true}, {"ToNothing", 0, 1, 0, 0, true}, {"MirrorOfUnscaledX", 0, 1, -1, 1, true},
        {"MirrorOfHalvedXByMinusTwo", 0, 0.5f, -2, 1, true}, {"SecondMirror", 0, -1, -1, 1, false},
        {"NegativeStretch", 0, 1, -2, 1, false}, {"MirrorOfScaledX", 0, 2, -1, 1, false},
        {"FlipOfY", 0, 1, 1, -1, false}, {"AfterATranslation", 3, 1, 2, 2, false}};
    for (const auto& c : cases) {
        Transform t;
        t.mTransX = c.translation;
        t.Scale(c.firstX, 1);
        t.Scale(c.sx, c.sy);
        EXPECT_EQ(t.mComplex, !c.staysSimple) << c.name;
        EXPECT_NEAR(t.GetMatrix().TransformPoint(1, 1).mX, (1 + c.translation) * c.firstX * c.sx, 1e-6f) << c.name;
        EXPECT_NEAR(t.GetMatrix().TransformPoint(1, 1).mY, c.sy, 1e-6f) << c.name;
    }
}

TEST(Transform, RotationAndScaleTogetherBecomeComplexInTheOrderGiven)
{
    Transform scaledFirst, rotatedFirst;
    scaledFirst.Scale(2, 1);
    scaledFirst.RotateRad(kPi / 2);
    rotatedFirst.RotateRad(kPi / 2);
    rotatedFirst.Scale(2, 1);
    EXPECT_TRUE(scaledFirst.mComplex && rotatedFirst.mComplex);
    EXPECT_NEAR(scaledFirst.GetMatrix().TransformPoint(1, 0).mY, -2, 1e-5f);
    EXPECT_NEAR(rotatedFirst.GetMatrix().TransformPoint(1, 0).mY, -1, 1e-5f);
    rotatedFirst.Reset();
    ExpectMatrixNear(rotatedFirst.GetMatrix(), Matrix3x3(), 0);
}

} // namespace
