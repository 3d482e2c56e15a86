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

    Matrix3x3() { LoadIdentity(); }

    void LoadIdentity()
    {
#pragma GCC unroll 3
        for (int i = 0; i < 3; ++i)
#pragma GCC unroll 3
            for (int j = 0; j < 3; ++j)
                m[i][j] = i == j ? 1.0f : 0.0f;
    }

    // Returns other x this: the argument is applied after this matrix.
    // Summed left to right in float, rounding after every addition, so that
    // every build of a transform gives the same bits. Inline: every sprite's
    // transform is built through here, and the identity the result starts
    // from then costs nothing. Unrolled, the product stays in registers
    // instead of going through a matrix on the stack.
    Matrix3x3 operator*(const Matrix3x3& other) const
    {
        Matrix3x3 result;
#pragma GCC unroll 3
        for (int i = 0; i < 3; ++i)
#pragma GCC unroll 3
            for (int j = 0; j < 3; ++j)
                result.m[i][j] = (other.m[i][0] * m[0][j] + other.m[i][1] * m[1][j]) + other.m[i][2] * m[2][j];
        return result;
    }

    Vector2 TransformPoint(float x, float y) const
    {
        return {(m[0][0] * x + m[0][1] * y) + m[0][2], (m[1][0] * x + m[1][1] * y) + m[1][2]};
    }
    Vector3 TransformVector3(float x, float y, float z) const
    {
        return {(m[0][0] * x + m[0][1] * y) + m[0][2] * z, (m[1][0] * x + m[1][1] * y) + m[1][2] * z,
            (m[2][0] * x + m[2][1] * y) + m[2][2] * z};
    }

    // Each of these acts after what the matrix already holds.
    void Translate(float x, float y);
    // With y growing downward, a positive angle turns counter-clockwise on screen.
    void RotateRad(float angle);
    void Scale(float sx, float sy);
};

} // namespace Vorn
