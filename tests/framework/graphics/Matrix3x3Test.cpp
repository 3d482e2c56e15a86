#include "framework/graphics/Matrix3x3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using Vorn::Matrix3x3;

TEST(Matrix3x3, QuarterTurnTakesTheXAxisUpTheScreenAndOperationsActAfterWhatIsThere)
{
    Matrix3x3 m;
    m.RotateRad(std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(m.TransformPoint(1, 0).mY, -1, 1e-6f);
    EXPECT_NEAR(m.TransformPoint(0, 1).mX, 1, 1e-6f);
    Matrix3x3 translation, scale;
    translation.Translate(5, 0), scale.Scale(2, 3);
    EXPECT_EQ((translation * scale).TransformPoint(1, 1).mX, 12.0f);
    EXPECT_EQ((scale * translation).TransformPoint(1, 1).mX, 7.0f);
    translation.Scale(2, 3);
    EXPECT_EQ(translation.TransformPoint(1, 1).mX, 12.0f);
    EXPECT_EQ(translation.TransformPoint(1, 1).mY, 3.0f);
}

TEST(Matrix3x3, SumsRoundToFloatLeftToRightAndProductsRoundBeforeTheyAreAdded)
{
    // 1 + 2^-24 rounds back to 1 twice; summed in double, or the small terms
    // first, the result would be 1 + 2^-23.
    const float tiny = std::ldexp(1.0f, -24);
    Matrix3x3 ones, other;
    ones.m[1][0] = ones.m[2][0] = 1;
    other.m[0][1] = other.m[0][2] = tiny;
    EXPECT_EQ((ones * other).m[0][0], 1.0f);

    // (1 + 2^-12)^2 rounds to b = 1 + 2^-11; a fused multiply-add would keep
    // the 2^-24 that the subtraction of b leaves behind.
    const float a = 1.0f + std::ldexp(1.0f, -12), b = 1.0f + std::ldexp(1.0f, -11);
    Matrix3x3 square;
    square.m[0][0] = a, square.m[0][1] = 1;
    EXPECT_EQ(square.TransformPoint(a, -b).mX, 0.0f);
    EXPECT_EQ(square.TransformVector3(a, -b, 0).mX, 0.0f);
}

// Every element of a product, the bottom row's too: other x this, element
// (i, j) the row i of `other` times the column j of `this`. Small integers,
// so that every sum is exact.
TEST(Matrix3x3, EveryElementOfAProductIsARowTimesAColumn)
{
    Matrix3x3 a;
    Matrix3x3 b;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            a.m[i][j] = static_cast<float>(1 + i * 3 + j);
            b.m[i][j] = static_cast<float>(j * 4 - i * 2 - 3);
        }
    const float expected[3][3] = {{36, 39, 42}, {12, 9, 6}, {-12, -21, -30}};
    const Matrix3x3 product = a * b;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(product.m[i][j], expected[i][j]) << i << "," << j;
}

} // namespace
