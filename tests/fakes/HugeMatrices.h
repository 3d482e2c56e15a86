#pragma once
// Finite matrices with entries near the largest float. A 2 x 2 sprite
// turned or scaled by one has corners at or past the float range, on every
// side of the clip; none of them may draw outside it.

#include "framework/graphics/Matrix3x3.h"

#include <vector>

namespace Testing {

struct HugeMatrix {
    const char* name;
    Vorn::Matrix3x3 matrix;
};

inline std::vector<HugeMatrix> HugeMatrices()
{
    const struct { const char* name; float row0[3]; float row1[3]; } rows[] = {
        {"scaledToTheFloatRange", {3e38f, 0, 0}, {0, 3e38f, 0}},
        {"sliverAcrossTheClip", {1e38f, 0, 0}, {0, 1, 0}},
        {"mirroredSliver", {-3e38f, 0, 0}, {0, 1, 0}},
        {"turned", {1, 3e38f, 0}, {-3e38f, 1, 0}},
        {"oneCornerPastTheRange", {3e38f, -3e38f, 0}, {3e38f, 3e38f, 0}},
        {"movedFarAway", {1, 0, 3e38f}, {0, 1, -3e38f}},
        {"sheared", {1, -3e38f, 0}, {0, 1, 0}},
    };
    std::vector<HugeMatrix> matrices;
    for (const auto& r : rows) {
        HugeMatrix m{r.name, {}};
        for (int c = 0; c < 3; ++c) {
            m.matrix.m[0][c] = r.row0[c];
            m.matrix.m[1][c] = r.row1[c];
        }
        matrices.push_back(m);
    }
    return matrices;
}

} // namespace Testing
