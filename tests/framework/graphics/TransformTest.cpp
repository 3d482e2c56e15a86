#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <numbers>
#include <random>

namespace {

using Vorn::Matrix3x3;
using Vorn::Transform;

constexpr float kPi = std::numbers::pi_v<float>;

void ExpectMatrixNear(const Matrix3x3& actual, const Matrix3x3& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "element " << i << ", " << j;
}

TEST(Transform, OneMirrorStaysSimpleASecondBecomesComplex)
{
    Transform t;
    t.Scale(-1, 1);
    EXPECT_FALSE(t.mComplex);
    EXPECT_EQ(t.mScaleX, -1.0f);
    EXPECT_EQ(t.GetMatrix().TransformPoint(3, 2).mX, -3.0f);

    t.Scale(-1, 1);
    EXPECT_TRUE(t.mComplex);
    EXPECT_EQ(t.GetMatrix().TransformPoint(3, 2).mX, 3.0f);
}

struct ScaleCase {
    const char* name;
    float firstX;
    float sx;
    float sy;
    bool staysSimple;
};

void PrintTo(const ScaleCase& c, std::ostream* os)
{
    *os << c.name;
}

class TransformScale : public testing::TestWithParam<ScaleCase> {};

TEST_P(TransformScale, StaysSimpleOnlyForNonNegativeFactorsOrAnXMirror)
{
    const ScaleCase& c = GetParam();
    Transform t;
    t.Scale(c.firstX, 1);
    t.Scale(c.sx, c.sy);
    EXPECT_EQ(t.mComplex, !c.staysSimple);
    EXPECT_NEAR(t.GetMatrix().TransformPoint(1, 1).mX, c.firstX * c.sx, 1e-6f);
    EXPECT_NEAR(t.GetMatrix().TransformPoint(1, 1).mY, c.sy, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(Table, TransformScale,
                         testing::Values(ScaleCase{"Enlarge", 1, 2, 3, true},
                                         ScaleCase{"ToNothing", 1, 0, 0, true},
                                         ScaleCase{"MirrorOfUnscaledX", 1, -1, 1, true},
                                         ScaleCase{"MirrorOfHalvedXByMinusTwo", 0.5f, -2, 1, true},
                                         ScaleCase{"NegativeStretch", 1, -2, 1, false},
                                         ScaleCase{"MirrorOfScaledX", 2, -1, 1, false},
                                         ScaleCase{"FlipOfY", 1, 1, -1, false}),
                         [](const testing::TestParamInfo<ScaleCase>& info) { return info.param.name; });

TEST(Transform, ScalingATranslatedTransformScalesTheTranslatedPoint)
{
    Transform t;
    t.mTransX = 3;
    t.mTransY = 4;
    t.mStale = true;
    t.Scale(2, 2);
    EXPECT_TRUE(t.mComplex);
    const Vorn::Vector2 p = t.GetMatrix().TransformPoint(1, 0);
    EXPECT_EQ(p.mX, 8.0f);
    EXPECT_EQ(p.mY, 8.0f);
}

TEST(Transform, TwoHalfTurnsEqualOneWholeTurn)
{
    Transform twice;
    twice.RotateRad(0.5f);
    twice.RotateRad(0.5f);
    Transform once;
    once.RotateRad(1.0f);
    EXPECT_FALSE(twice.mComplex);
    ExpectMatrixNear(twice.GetMatrix(), once.GetMatrix());
}

TEST(Transform, SimpleRotationActsAfterTheTranslation)
{
    Transform t;
    t.mTransX = 10;
    t.mStale = true;
    t.RotateRad(kPi / 2);
    EXPECT_FALSE(t.mComplex);
    const Vorn::Vector2 p = t.GetMatrix().TransformPoint(0, 0);
    EXPECT_NEAR(p.mX, 0, 1e-5f);
    EXPECT_NEAR(p.mY, -10, 1e-5f);
}

TEST(Transform, ExtraTranslationActsLast)
{
    Transform scaled;
    scaled.Scale(2, 2);
    scaled.mTransX = 1;
    scaled.mExtraX = 5;
    scaled.mExtraY = 5;
    EXPECT_EQ(scaled.GetMatrix().TransformPoint(1, 1).mX, 8.0f);
    EXPECT_EQ(scaled.GetMatrix().TransformPoint(1, 1).mY, 7.0f);

    Transform rotated;
    rotated.RotateRad(kPi);
    rotated.mExtraX = 5;
    const Vorn::Vector2 p = rotated.GetMatrix().TransformPoint(1, 0);
    EXPECT_NEAR(p.mX, 4, 1e-5f);
    EXPECT_NEAR(p.mY, 0, 1e-5f);
}

TEST(Transform, RotatingAScaledTransformScalesFirst)
{
    Transform t;
    t.Scale(2, 1);
    t.RotateRad(kPi / 2);
    EXPECT_TRUE(t.mComplex);
    const Vorn::Vector2 p = t.GetMatrix().TransformPoint(1, 0);
    EXPECT_NEAR(p.mX, 0, 1e-5f);
    EXPECT_NEAR(p.mY, -2, 1e-5f);
}

TEST(Transform, ScalingARotatedTransformRotatesFirst)
{
    Transform t;
    t.RotateRad(kPi / 2);
    t.Scale(2, 1);
    EXPECT_TRUE(t.mComplex);
    const Vorn::Vector2 p = t.GetMatrix().TransformPoint(1, 0);
    EXPECT_NEAR(p.mX, 0, 1e-5f);
    EXPECT_NEAR(p.mY, -1, 1e-5f);
}

TEST(Transform, ComplexFormIgnoresTheSimpleParts)
{
    Transform t;
    t.MakeComplex();
    t.RotateRad(1.0f);
    t.Scale(3, 3);
    EXPECT_EQ(t.mAngle, 0.0f);
    EXPECT_EQ(t.mScaleX, 1.0f);
    const Matrix3x3 before = t.GetMatrix();
    t.MakeComplex();
    ExpectMatrixNear(t.GetMatrix(), before, 0);

    Matrix3x3 expected;
    expected.RotateRad(1.0f);
    expected.Scale(3, 3);
    ExpectMatrixNear(before, expected, 0);
}

TEST(Transform, ResetReturnsAComplexTransformToTheSimpleIdentity)
{
    Transform t;
    t.mExtraX = 4;
    t.RotateRad(0.3f);
    t.Scale(-3, 2);
    ASSERT_TRUE(t.mComplex);
    t.Reset();
    EXPECT_FALSE(t.mComplex || t.mRotated || t.mScaled);
    EXPECT_EQ(t.mExtraX, 0.0f);
    ExpectMatrixNear(t.GetMatrix(), Matrix3x3(), 0);
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
        const int steps = 1 + static_cast<int>(random() % 4u);
        if (trial % 2 == 0) {
            t.mTransX = tx;
            t.mTransY = ty;
            expected.Translate(tx, ty);
            for (int i = 0; i < steps; ++i) {
                const float angle = uniform(-3, 3);
                t.RotateRad(angle);
                expected.RotateRad(angle);
            }
        } else {
            for (int i = 0; i < steps; ++i) {
                const float sx = i == 0 && random() % 2u ? -1.0f : uniform(0, 4);
                const float sy = uniform(0, 4);
                t.Scale(sx, sy);
                expected.Scale(sx, sy);
            }
            t.mTransX = tx;
            t.mTransY = ty;
            expected.Translate(tx, ty);
        }
        t.mExtraX = uniform(-20, 20);
        t.mExtraY = uniform(-20, 20);
        t.mStale = true;
        expected.Translate(t.mExtraX, t.mExtraY);

        ASSERT_FALSE(t.mComplex);
        ExpectMatrixNear(t.GetMatrix(), expected, 1e-3f);
    }
}

} // namespace
