#include "polykern/math/G3Math.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

double G3Math::GetArea2(const double* a, const double* b, const double* c, int i, int j) {
    return (b[i] - a[i]) * (c[j] - a[j]) - (c[i] - a[i]) * (b[j] - a[j]);
}

int G3Math::GetAreaSign(const double* a, const double* b, const double* c, int i, int j) {
    const double area = GetArea2(a, b, c, i, j);
    if (!(std::fabs(area) >= 1e-12)) return 0;
    return area > 0.0 ? 1 : -1;
}

bool G3Math::IsCollinear(const double* a, const double* b, const double* c, int i, int j) {
    return GetAreaSign(a, b, c, i, j) == 0;
}

double G3Math::CalcSquare(double x1, double y1, double x2, double y2, double x3, double y3) {
    return (x1 - x2) * (y3 - y2) - (y1 - y2) * (x3 - x2);
}

double G3Math::CalcSquare(double x1, double y1, double x2, double y2) {
    return x1 * y2 - y1 * x2;
}

bool G3Math::PointInTriangle(
    const double* p, const double* a, const double* b, const double* c, int i, int j) {
    const int s1 = GetAreaSign(a, b, p, i, j);
    const int s2 = GetAreaSign(b, c, p, i, j);
    const int s3 = GetAreaSign(c, a, p, i, j);
    return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

double G3Math::CalcAngle(const double* a, const double* b, double base, int i, int j) {
    double angle = std::atan2(b[j] - a[j], b[i] - a[i]);
    if (angle < 0.0) angle += kTwoPi;
    angle -= base;
    if (angle < 0.0) {
        angle += kTwoPi;
    } else if (angle >= kTwoPi) {
        angle -= kTwoPi;
    }
    return angle;
}

int G3Math::FindLineIntersection(const double* p1,
                                 const double* p2,
                                 const double* p3,
                                 const double* p4,
                                 int i,
                                 int j,
                                 double* out,
                                 double* t) {
    const double den = (p4[j] - p3[j]) * (p2[i] - p1[i]) - (p4[i] - p3[i]) * (p2[j] - p1[j]);
    if (!(std::fabs(den) >= 1e-12)) return 0;
    const double u = ((p4[i] - p3[i]) * (p1[j] - p3[j]) - (p4[j] - p3[j]) * (p1[i] - p3[i])) / den;
    for (int k = 0; k < 3; ++k) out[k] = p1[k] + u * (p2[k] - p1[k]);
    if (t != nullptr) *t = u;
    return 1;
}

bool G3Math::CalculateNormal(const double* a, const double* b, const double* c, double* n) {
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len >= 1e-12)) {
        n[0] = n[1] = n[2] = 0.0;
        return false;
    }
    for (int k = 0; k < 3; ++k) n[k] /= len;
    return true;
}

void G3Math::GetMaxCoo(const double* n, int* i, int* j) {
    const double x = std::fabs(n[0]), y = std::fabs(n[1]), z = std::fabs(n[2]);
    if (x >= y && x >= z) {
        *i = 1;
        *j = 2;
    } else if (y >= z) {
        *i = 0;
        *j = 2;
    } else {
        *i = 0;
        *j = 1;
    }
}
