#include "framework/graphics/Matrix3x3.h"

#include <cmath>

namespace Vorn {

Matrix3x3::Matrix3x3()
{
    LoadIdentity();
}

void Matrix3x3::LoadIdentity()
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = i == j ? 1.0f : 0.0f;
}

Matrix3x3 Matrix3x3::operator*(const Matrix3x3& other) const
{
    // Summed left to right in float, rounding after every addition, so that
    // every build of a transform gives the same bits.
    Matrix3x3 result;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            result.m[i][j] = (other.m[i][0] * m[0][j] + other.m[i][1] * m[1][j]) + other.m[i][2] * m[2][j];
    return result;
}

Vector2 Matrix3x3::TransformPoint(float x, float y) const
{
    return {(m[0][0] * x + m[0][1] * y) + m[0][2], (m[1][0] * x + m[1][1] * y) + m[1][2]};
}

Vector3 Matrix3x3::TransformVector3(float x, float y, float z) const
{
    return {(m[0][0] * x + m[0][1] * y) + m[0][2] * z,
            (m[1][0] * x + m[1][1] * y) + m[1][2] * z,
            (m[2][0] * x + m[2][1] * y) + m[2][2] * z};
}

void Matrix3x3::Translate(float x, float y)
{
    Matrix3x3 translation;
    translation.m[0][2] = x;
    translation.m[1][2] = y;
    *this = *this * translation;
}

void Matrix3x3::RotateRad(float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix3x3 rotation;
    rotation.m[0][0] = c;
    rotation.m[0][1] = s;
    rotation.m[1][0] = -s;
    rotation.m[1][1] = c;
    *this = *this * rotation;
}

void Matrix3x3::Scale(float sx, float sy)
{
    Matrix3x3 scale;
    scale.m[0][0] = sx;
    scale.m[1][1] = sy;
    *this = *this * scale;
}

} // namespace Vorn
