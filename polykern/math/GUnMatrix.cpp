// Decomposition of a 4×4 matrix into scale, shear, rotation, translation and
// perspective (the classic "unmatrix" method: Gram–Schmidt on the upper rows).

#include <cmath>
#include <cstring>

#include "polykern/math/GMatrix4.h"
#include "polykern/math/GVector3.h"

namespace {

enum {
    kScaleX,
    kScaleY,
    kScaleZ,
    kShearXY,
    kShearXZ,
    kShearYZ,
    kRotateX,
    kRotateY,
    kRotateZ,
    kTransX,
    kTransY,
    kTransZ,
    kPerspX,
    kPerspY,
    kPerspZ,
    kPerspW
};

constexpr double kDetEpsilon = 9.999999999999999e-19;

double Dot3(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double Length3(const double* v) {
    return std::sqrt(Dot3(v, v));
}

// a := a − f·b.
void SubtractScaled(double* a, const double* b, double f) {
    for (int k = 0; k < 3; ++k) a[k] -= f * b[k];
}

void Normalize(double* v) {
    const double len = Length3(v);
    if (len != 0.0) {
        for (int k = 0; k < 3; ++k) v[k] /= len;
    }
}

}  // namespace

bool UnMatrix(const double m[4][4], double* out) {
    if (!(std::fabs(m[3][3]) >= 1e-6)) return false;
    double local[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) local[r][c] = m[r][c] / m[3][3];
    }
    // The perspective-free part must be invertible.
    double persp[4][4];
    std::memcpy(persp, local, sizeof(persp));
    for (int r = 0; r < 3; ++r) persp[r][3] = 0.0;
    persp[3][3] = 1.0;
    if (!(std::fabs(Det4x4(persp)) >= kDetEpsilon)) return false;

    double result[16] = {};
    if (std::fabs(local[0][3]) >= 1e-6 || std::fabs(local[1][3]) >= 1e-6 ||
        std::fabs(local[2][3]) >= 1e-6) {
        // Solve rhs = solution × persp^T: solution = rhs × (persp^-1)^T.
        const double rhs[4] = {local[0][3], local[1][3], local[2][3], local[3][3]};
        double inverse[4][4];
        M4Inverse(persp, inverse);
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += rhs[k] * inverse[c][k];
            result[kPerspX + c] = sum;
        }
        local[0][3] = local[1][3] = local[2][3] = 0.0;
        local[3][3] = 1.0;
    }

    for (int k = 0; k < 3; ++k) {
        result[kTransX + k] = local[3][k];
        local[3][k] = 0.0;
    }

    double row[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) row[r][c] = local[r][c];
    }
    result[kScaleX] = Length3(row[0]);
    Normalize(row[0]);
    result[kShearXY] = Dot3(row[0], row[1]);
    SubtractScaled(row[1], row[0], result[kShearXY]);
    result[kScaleY] = Length3(row[1]);
    Normalize(row[1]);
    result[kShearXY] /= result[kScaleY];
    result[kShearXZ] = Dot3(row[0], row[2]);
    SubtractScaled(row[2], row[0], result[kShearXZ]);
    result[kShearYZ] = Dot3(row[1], row[2]);
    SubtractScaled(row[2], row[1], result[kShearYZ]);
    result[kScaleZ] = Length3(row[2]);
    Normalize(row[2]);
    result[kShearXZ] /= result[kScaleZ];
    result[kShearYZ] /= result[kScaleZ];

    // A mirrored frame: flip it so the rotation below is proper.
    double cross[3];
    V3OrtoVector(row[1], row[2], cross);
    if (Dot3(row[0], cross) < 0.0) {
        for (int r = 0; r < 3; ++r) {
            result[kScaleX + r] = -result[kScaleX + r];
            for (int c = 0; c < 3; ++c) row[r][c] = -row[r][c];
        }
    }

    const double sy = -row[0][2] > 1.0 ? 1.0 : (-row[0][2] < -1.0 ? -1.0 : -row[0][2]);
    result[kRotateY] = std::asin(sy);
    if (std::fabs(std::cos(result[kRotateY])) <= 1e-6) {
        result[kRotateX] = std::atan2(row[1][0], row[1][1]);
        result[kRotateZ] = 0.0;
        if (!(std::fabs(std::sin(result[kRotateY]) * std::sin(result[kRotateX]) - row[1][0]) <=
              1e-6)) {
            result[kRotateX] = -result[kRotateX];
        }
    } else {
        result[kRotateX] = std::atan2(row[1][2], row[2][2]);
        result[kRotateZ] = std::atan2(row[0][1], row[0][0]);
    }
    std::memcpy(out, result, sizeof(result));
    return true;
}
