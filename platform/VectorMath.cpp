#include "platform/VectorMath.h"

#include <cmath>

namespace Platform {

Vector2f Vec2Normalize(const Vector2f& v)
{
    // In double, so that the squares of large components do not overflow.
    const double x = v.x;
    const double y = v.y;
    const double length = std::sqrt(x * x + y * y);
    if (!(length > 0.0) || !std::isfinite(length))
        return {};
    return {static_cast<float>(x / length), static_cast<float>(y / length)};
}

Matrix4x4f MatrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    // The product of the roll, pitch and yaw rotations, in that order.
    Matrix4x4f r;
    r.m[0][0] = cr * cy + sr * sp * sy;
    r.m[0][1] = sr * cp;
    r.m[0][2] = sr * sp * cy - cr * sy;
    r.m[1][0] = cr * sp * sy - sr * cy;
    r.m[1][1] = cr * cp;
    r.m[1][2] = sr * sy + cr * sp * cy;
    r.m[2][0] = cp * sy;
    r.m[2][1] = -sp;
    r.m[2][2] = cp * cy;
    r.m[3][3] = 1.0f;
    return r;
}

Vector4f Vec2Transform(const Vector2f& v, const Matrix4x4f& matrix)
{
    const auto& m = matrix.m;
    return {v.x * m[0][0] + v.y * m[1][0] + m[3][0], v.x * m[0][1] + v.y * m[1][1] + m[3][1],
        v.x * m[0][2] + v.y * m[1][2] + m[3][2], v.x * m[0][3] + v.y * m[1][3] + m[3][3]};
}

} // namespace Platform
