#include "polykern/math/GVector3.h"

#include <cmath>

namespace {

double Distance(const double* a, const double* b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

void V3OrtoVector(const double* a, const double* b, double* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

bool CALC_PLANE_EQUATION(const double* p0, const double* p1, const double* p2, double* plane) {
    const double u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const double v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    double n[3];
    V3OrtoVector(u, v, n);
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len >= 1e-6)) {
        plane[0] = plane[1] = plane[2] = plane[3] = 0.0;
        return false;
    }
    plane[0] = n[0] / len;
    plane[1] = n[1] / len;
    plane[2] = n[2] / len;
    plane[3] = -(plane[0] * p0[0] + plane[1] * p0[1] + plane[2] * p0[2]);
    return true;
}

bool PtOnSegment(const double* p, const double* a, const double* b) {
    const double len = Distance(a, b);
    return std::fabs(len - (Distance(p, a) + Distance(p, b))) < 1e-6 * len;
}
