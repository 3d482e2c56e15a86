#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using Vorn::Transform;
using Vorn::Vector2;

constexpr float kQuarter = std::numbers::pi_v<float> / 2;

void ExpectMaps(Transform& t, float x, float y, float toX, float toY)
{
    const Vector2 p = t.GetMatrix().TransformPoint(x, y);
    EXPECT_NEAR(p.mX, toX, 1e-5f) << x << "," << y;
    EXPECT_NEAR(p.mY, toY, 1e-5f) << x << "," << y;
}

// A mirror of an unscaled x stays simple; mirroring again (scale x times -1
// is 1, the factor negative) cannot, and the matrix takes both mirrors.
TEST(Transform, AMirrorOfXStaysSimpleASecondMirrorMakesItComplex)
{
    Transform t;
    t.Scale(-1, 1);
    EXPECT_TRUE(!t.mComplex && t.mScaled && t.mScaleX == -1.0f && t.mScaleY == 1.0f);
    ExpectMaps(t, 2, 3, -2, 3);
    t.Scale(-1, 1);
    EXPECT_TRUE(t.mComplex);
    ExpectMaps(t, 2, 3, 2, 3);
}

// Non-negative factors multiply up in the simple form, and so does a
// negative x whose product with the scale so far is exactly -1; any other
// negative factor, a rotation or a translation already there make the
// transform complex.
TEST(Transform, ScalesStaySimpleOnlyWithoutRotationTranslationOrAFlip)
{
    const struct { float tx, sx1, sy1, sx2, sy2; bool rotated, complex; } cases[] = {
        {0, 2, 3, 0.5f, 2, false, false}, {0, 2, 3, 0, 0, false, false}, {0, 1, 1, 1, -1, false, true},
        {0, 2, 1, -0.25f, 1, false, true}, {0, 2, 1, -0.5f, 1, false, false}, {0, 1, 1, 2, 2, true, true}, {3, 1, 1, 2, 2, false, true}};
    for (const auto& c : cases) {
        Transform t;
        t.mTransX = c.tx;
        if (c.rotated)
            t.RotateRad(0.25f);
        t.Scale(c.sx1, c.sy1);
        t.Scale(c.sx2, c.sy2);
        EXPECT_EQ(t.mComplex, c.complex) << c.tx << " " << c.sx2 << " " << c.sy2 << " " << c.rotated;
        if (!c.complex) {
            EXPECT_TRUE(t.mScaleX == c.sx1 * c.sx2 && t.mScaleY == c.sy1 * c.sy2);
        }
    }
}

// A translation of (3, 4) then a scale: complex, and the scale acts after
// the translation: (1, 1) goes to (4, 5), then to (8, 10).
TEST(Transform, AScaleAfterATranslationActsOnTheTranslatedPoint)
{
    Transform t;
    t.mTransX = 3, t.mTransY = 4, t.mStale = true;
    t.Scale(2, 2);
    EXPECT_TRUE(t.mComplex);
    ExpectMaps(t, 1, 1, 8, 10);
}

// In the simple form a scale comes before the translation, a rotation after
// it, and the extra translation after everything.
TEST(Transform, TheSimpleFormScalesThenTranslatesOrTranslatesThenRotatesThenAddsTheExtra)
{
    Transform scaled;
    scaled.Scale(2, 3);
    scaled.mTransX = 5, scaled.mTransY = 7, scaled.mExtraX = 100, scaled.mStale = true;
    ExpectMaps(scaled, 1, 1, 107, 10);
    EXPECT_FALSE(scaled.mComplex);

    Transform rotated;
    rotated.mTransX = 1;
    rotated.RotateRad(kQuarter);
    EXPECT_TRUE(!rotated.mComplex && rotated.mRotated);
    // (0, 0) moves to (1, 0), which a quarter turn takes to (0, -1).
    ExpectMaps(rotated, 0, 0, 0, -1);
    rotated.mExtraX = 10, rotated.mExtraY = 20, rotated.mStale = true;
    ExpectMaps(rotated, 0, 0, 10, 19);
}

// Rotations add up in the simple form; a rotation of a scaled transform
// makes it complex and turns the scaled point.
TEST(Transform, RotationsAddUpAndTurnAScaledTransformComplex)
{
    Transform twice, once;
    twice.RotateRad(0.5f), twice.RotateRad(0.5f), once.RotateRad(1.0f);
    EXPECT_EQ(twice.mAngle, 1.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(twice.GetMatrix().m[i][j], once.GetMatrix().m[i][j]) << i << j;

    Transform t;
    t.Scale(2, 1);
    t.RotateRad(kQuarter);
    EXPECT_TRUE(t.mComplex);
    // (1, 0) scaled to (2, 0), turned to (0, -2).
    ExpectMaps(t, 1, 0, 0, -2);
    t.Reset();
    EXPECT_TRUE(!t.mComplex && !t.mScaled && !t.mRotated && t.mStale);
    ExpectMaps(t, 1, 0, 1, 0);
}

// The matrix is rebuilt only when stale: a change made without marking it
// is not seen.
TEST(Transform, TheMatrixIsACacheOfTheSimplePartsRebuiltWhenStale)
{
    Transform t;
    ExpectMaps(t, 1, 2, 1, 2);
    t.mTransX = 5;
    ExpectMaps(t, 1, 2, 1, 2);
    t.mStale = true;
    ExpectMaps(t, 1, 2, 6, 2);
    EXPECT_FALSE(t.mStale);
}

} // namespace
