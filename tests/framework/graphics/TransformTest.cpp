#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <numbers>
#include <random>

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

// Random operation sequences that keep the simple form must give the matrix
// that the same operations give when applied to a matrix directly.
TEST(Transform, SimpleFormMatchesTheMatrixBuiltDirectly)
{
    std::mt19937 random(2024);
    const auto uniform = [&](float low, float high) {
        return low + (high - low) * static_cast<float>(random() % 10001u) / 10000.0f;
    };
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        Transform t;
        Matrix3x3 expected;
        const float tx = uniform(-50, 50), ty = uniform(-50, 50);
        const auto translate = [&] { t.mTransX = tx, t.mTransY = ty, expected.Translate(tx, ty); };
        // A rotation follows the translation, a translation follows the scale.
        const bool rotations = trial % 2 == 0;
        if (rotations)
            translate();
        for (int i = 0, steps = 1 + static_cast<int>(random() % 4u); i < steps; ++i) {
            const float angle = uniform(-3, 3);
            const float sx = i == 0 && random() % 2u ? -1.0f : uniform(0, 4), sy = uniform(0, 4);
            rotations ? t.RotateRad(angle) : t.Scale(sx, sy);
            rotations ? expected.RotateRad(angle) : expected.Scale(sx, sy);
        }
        if (!rotations)
            translate();
        t.mExtraX = uniform(-20, 20), t.mExtraY = uniform(-20, 20), t.mStale = true;
        expected.Translate(t.mExtraX, t.mExtraY);
        ASSERT_FALSE(t.mComplex);
        ExpectMatrixNear(t.GetMatrix(), expected, 1e-3f);
    }
}

} // namespace
