#pragma once
// A transform that keeps a translation, a scale and a rotation as plain numbers
// while they combine without a matrix (so that the cheapest blit can draw it),
// and switches to a full matrix once they no longer do.

#include "framework/graphics/Matrix3x3.h"

namespace Vorn {

class Transform {
public:
    // Valid only while mStale is false; the master form once mComplex is set.
    Matrix3x3 mMatrix;
    bool mStale = true;
    bool mComplex = false;
    // The simple form never holds both a rotation and a scale.
    bool mRotated = false;
    bool mScaled = false;
    // Both translations are written directly by users, who then set mStale.
    float mTransX = 0.0f;
    float mTransY = 0.0f;
    // A second translation, applied after everything else.
    float mExtraX = 0.0f;
    float mExtraY = 0.0f;
    float mScaleX = 1.0f;
    float mScaleY = 1.0f;
    float mAngle = 0.0f;

    // Back to the simple form with no translation, scale or rotation.
    void Reset();

    // In the simple form the rotation acts after the translation.
    void RotateRad(float angle);

    // Stays simple only for an unrotated, untranslated transform with
    // non-negative factors, or a mirror of an unscaled x.
    void Scale(float sx, float sy);

    void MakeComplex();
    void UpdateMatrix();
    const Matrix3x3& GetMatrix();
};

} // namespace Vorn
