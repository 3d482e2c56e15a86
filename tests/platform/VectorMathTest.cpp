#include "platform/VectorMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Platform::Vector2f;

TEST(VectorMath, NormalisingKeepsTheDirectionAndAVectorWithoutOneGivesZero)
{
    const struct {
        Vector2f in;
        Vector2f out;
    } rows[] = {
        {{3.0f, 4.0f}, {0.6f, 0.8f}},
        {{0.0f, -2.0f}, {0.0f, -1.0f}},
        {{-5.0f, 0.0f}, {-1.0f, 0.0f}},
        {{3e38f, -3e38f}, {0.70710678f, -0.70710678f}},
        {{1e-30f, 1e-30f}, {0.70710678f, 0.70710678f}},
        {{0.0f, 0.0f}, {0.0f, 0.0f}},
        {{std::numeric_limits<float>::infinity(), 1.0f}, {0.0f, 0.0f}},
        {{std::numeric_limits<float>::quiet_NaN(), 1.0f}, {0.0f, 0.0f}},
    };
    for (const auto& row : rows) {
        const Vector2f v = Platform::Vec2Normalize(row.in);
        EXPECT_FLOAT_EQ(v.x, row.out.x) << row.in.x << ", " << row.in.y;
        EXPECT_FLOAT_EQ(v.y, row.out.y) << row.in.x << ", " << row.in.y;
    }
}

// (x, y, 0) turned by roll about z, then pitch about x, then yaw about y:
// x1 = x cos r - y sin r, y1 = x sin r + y cos r, then
// x' = x1 cos yaw + y1 sin pitch sin yaw, y' = y1 cos pitch,
// z' = y1 sin pitch cos yaw - x1 sin yaw, with w = 1.
TEST(VectorMath, YawPitchRollTurnsAPlanarVectorRollFirst)
{
    const float angles[][3] = {
        {0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, 0.0f}, {0.0f, -0.7f, 0.0f}, {0.0f, 0.0f, 1.1f}, {0.4f, -1.2f, 2.5f},
        {-3.0f, 2.0f, -0.5f}};
    for (const auto& a : angles) {
        const double yaw = a[0], pitch = a[1], roll = a[2];
        const Platform::Matrix4x4f m = Platform::MatrixRotationYawPitchRoll(a[0], a[1], a[2]);
        for (const Vector2f v : {Vector2f{1.0f, 0.0f}, Vector2f{0.0f, 1.0f}, Vector2f{-0.6f, 0.8f}}) {
            const double x1 = v.x * std::cos(roll) - v.y * std::sin(roll);
            const double y1 = v.x * std::sin(roll) + v.y * std::cos(roll);
            const Platform::Vector4f t = Platform::Vec2Transform(v, m);
            EXPECT_NEAR(t.x, x1 * std::cos(yaw) + y1 * std::sin(pitch) * std::sin(yaw), 1e-6);
            EXPECT_NEAR(t.y, y1 * std::cos(pitch), 1e-6);
            EXPECT_NEAR(t.z, y1 * std::sin(pitch) * std::cos(yaw) - x1 * std::sin(yaw), 1e-6);
            EXPECT_EQ(t.w, 1.0f);
        }
        // A pure rotation: the z row turns z, and the translation row is empty.
        const double cp = std::cos(pitch);
        EXPECT_NEAR(m.m[2][0], cp * std::sin(yaw), 1e-6);
        EXPECT_NEAR(m.m[2][1], -std::sin(pitch), 1e-6);
        EXPECT_NEAR(m.m[2][2], cp * std::cos(yaw), 1e-6);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(m.m[3][i] + m.m[i][3], 0.0f);
    }
}

TEST(VectorMath, TransformAddsTheTranslationRow)
{
    Platform::Matrix4x4f m;
    m.m[0][0] = 2.0f;
    m.m[1][1] = 3.0f;
    m.m[1][0] = 0.5f;
    m.m[0][3] = 4.0f;
    m.m[1][3] = 5.0f;
    m.m[3][0] = 10.0f;
    m.m[3][1] = 20.0f;
    m.m[3][2] = 30.0f;
    m.m[3][3] = 1.0f;
    const Platform::Vector4f t = Platform::Vec2Transform({1.0f, 2.0f}, m);
    EXPECT_EQ(t.x, 1.0f * 2.0f + 2.0f * 0.5f + 10.0f);
    EXPECT_EQ(t.y, 2.0f * 3.0f + 20.0f);
    EXPECT_EQ(t.z, 30.0f);
    EXPECT_EQ(t.w, 4.0f + 10.0f + 1.0f);
}

} // namespace
