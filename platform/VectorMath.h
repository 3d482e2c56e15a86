#pragma once
// The few routines of the platform's vector-math library that the particle
// system turns its directions with. Vectors are rows multiplied on the left of
// a matrix (v' = v x M), the convention of the library they stand in for.

namespace Platform {

struct Vector2f {
    float x = 0.0f;
    float y = 0.0f;
};

struct Vector4f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

struct Matrix4x4f {
    // Row by row: m[row][column]; the translation is the last row.
    float m[4][4] = {};
};

// The vector scaled to length 1. A vector of length 0, or one whose length is
// not a finite number, gives (0, 0): it has no direction to keep.
Vector2f Vec2Normalize(const Vector2f& v);

// Turns by roll about z, then by pitch about x, then by yaw about y (radians).
Matrix4x4f MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);

// (x, y, 0, 1) x M.
Vector4f Vec2Transform(const Vector2f& v, const Matrix4x4f& matrix);

} // namespace Platform
