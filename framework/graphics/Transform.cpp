#include "framework/graphics/Transform.h"

namespace Vorn {

void Transform::Reset()
{
    *this = Transform();
}

void Transform::RotateRad(float angle)
{
    if (!mComplex && mScaled)
        MakeComplex();
    if (mComplex) {
        mMatrix.RotateRad(angle);
        return;
    }
    mAngle += angle;
    mRotated = true;
    mStale = true;
}

void Transform::Scale(float sx, float sy)
{
    // The simple form is drawn as a stretch or a mirror about the image's
    // centre, which expresses neither a rotation, a translation made before
    // the scale, a flip of y nor a negative stretch.
    const bool staysSimple = !mComplex && !mRotated && mTransX == 0.0f && mTransY == 0.0f && sy >= 0.0f
        && (sx >= 0.0f || mScaleX * sx == -1.0f);
    if (staysSimple) {
        mScaleX *= sx;
        mScaleY *= sy;
        mScaled = true;
        mStale = true;
        return;
    }
    MakeComplex();
    mMatrix.Scale(sx, sy);
}

void Transform::MakeComplex()
{
    if (mComplex)
        return;
    mComplex = true;
    UpdateMatrix();
}

void Transform::UpdateMatrix()
{
    if (!mStale)
        return;
    mStale = false;
    mMatrix.LoadIdentity();
    mMatrix.m[0][2] = mTransX;
    mMatrix.m[1][2] = mTransY;
    if (mScaled) {
        mMatrix.m[0][0] = mScaleX;
        mMatrix.m[1][1] = mScaleY;
    } else if (mRotated) {
        mMatrix.RotateRad(mAngle);
    }
    if (mExtraX != 0.0f || mExtraY != 0.0f)
        mMatrix.Translate(mExtraX, mExtraY);
}

const Matrix3x3& Transform::GetMatrix()
{
    UpdateMatrix();
    return mMatrix;
}

} // namespace Vorn
