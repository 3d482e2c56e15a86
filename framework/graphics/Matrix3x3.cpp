#include "framework/graphics/Matrix3x3.h"

#include <cmath>

namespace Vorn {

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
