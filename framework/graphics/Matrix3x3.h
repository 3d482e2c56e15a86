#pragma once
// The 2D affine transform: a 3x3 float matrix acting on columns (x, y, 1),
// with the translation in the third column.

namespace Vorn {

struct Vector2 {
    float mX = 0.0f;
    float mY = 0.0f;
};

struct Vector3 {
    float mX = 0.0f;
    float mY = 0.0f;
    float mZ = 0.0f;
};

class Matrix3x3 {
public:
    // Row by row: m[row][column].
    float m[3][3];

    Matrix3x3();

    void LoadIdentity();

    // Returns other x this: the argument is applied after this matrix.
    Matrix3x3 operator*(const Matrix3x3& other) const;

    Vector2 TransformPoint(float x, float y) const;
    Vector3 TransformVector3(float x, float y, float z) const;

    // Each of these acts after what the matrix already holds.
    void Translate(float x, float y);
    // With y growing downward, a positive angle turns counter-clockwise on screen.
    void RotateRad(float angle);
    void Scale(float sx, float sy);
};

} // namespace Vorn
