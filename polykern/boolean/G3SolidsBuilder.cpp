#include "polykern/boolean/G3SolidsBuilder.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Surface.h"

namespace {

constexpr double kPi = 3.141592653589793;
// Sphere edges are form edges: smooth normals run across them.
constexpr int32_t kSphereEdgeFlags = 2;
// The most vertices a sphere may have. Far above any useful resolution and well inside
// the int range of vertex indices, so counts and indices never overflow.
constexpr int64_t kMaxSphereVertices = int64_t{1} << 24;

bool IsFinite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool IsUsableRadius(double r) {
    return std::isfinite(r) && r >= 1e-6;
}

// A grid of `rows` rings of `segments` vertices fits within the vertex limit.
bool FitsSphereLimit(int64_t rows, int64_t segments) {
    return rows > 0 && segments > 0 && rows <= kMaxSphereVertices / segments;
}

// The point at polar angle theta (0 at the top) and azimuth phi; the poles are exact.
void SpherePoint(const double* c, double r, double theta, double phi, double out[3]) {
    if (theta <= 0.0 || theta >= kPi) {
        out[0] = c[0];
        out[1] = c[1];
        out[2] = theta <= 0.0 ? c[2] + r : c[2] - r;
        return;
    }
    const double s = std::sin(theta);
    out[0] = c[0] + r * s * std::cos(phi);
    out[1] = c[1] + r * s * std::sin(phi);
    out[2] = c[2] + r * std::cos(theta);
}

// Quadrilaterals between vertex rows `row` and `row + 1` (rows of n vertices from index
// 0), counter-clockwise seen from outside when theta grows from one row to the next.
void AddBand(G3Surface* s, int row, int n) {
    for (int j = 0; j < n; ++j) {
        const int k = (j + 1) % n;
        const int quad[4] = {row * n + j, (row + 1) * n + j, (row + 1) * n + k, row * n + k};
        s->AddFacet(4, quad, kSphereEdgeFlags, nullptr, nullptr);
    }
}

// The flat facet over vertex row `row`, facing down (the closing facet of an upper
// hemisphere) or up (that of a lower one). Its edges are visible, so that smooth normals
// keep a crease along the equator.
void AddCap(G3Surface* s, int row, int n, bool down) {
    std::vector<int> ring(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) ring[j] = row * n + (down ? n - 1 - j : j);
    s->AddFacet(n, ring.data(), 1, nullptr, nullptr);
}

bool IsFiniteMatrix(const double m[4][4]) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!std::isfinite(m[i][j])) return false;
        }
    }
    return true;
}

}  // namespace

// The box is built outward in its own frame; a matrix that mirrors (negative determinant
// of its linear part) would turn it inside out, so the rings are reversed then.
G3Surface* G3SolidsBuilder::BuildBox(double m[4][4], double size, CExDataProvider* provider) {
    (void)provider;
    auto* box = new G3Surface(8, 0, 6);
    if (m == nullptr || !IsFiniteMatrix(m) || !std::isfinite(size) || !(size > 0.0)) return box;
    const double det =
        Det3x3(m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2], m[2][0], m[2][1], m[2][2]);
    if (!(std::fabs(det) >= 9.999999999999999e-19)) return box;
    const double s = size;
    const double corners[8][3] = {{-s, -s, 0},     {s, -s, 0},     {s, s, 0},     {-s, s, 0},
                                  {-s, -s, 2 * s}, {s, -s, 2 * s}, {s, s, 2 * s}, {-s, s, 2 * s}};
    for (const auto& c : corners) box->AddVertex(c, 0);
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& f : faces) box->AddFacet(4, f, 1, nullptr, nullptr);
    box->RealTransformation(m);
    if (det < 0.0) box->NegPlane();
    return box;
}

G3Surface* G3SolidsBuilder::BuildSphere(double center[3], double radius, int segments) {
    auto* sphere = new G3Surface();
    if (center == nullptr || !IsFinite3(center) || !IsUsableRadius(radius) || segments < 4)
        return sphere;
    const int64_t n64 = segments % 2 != 0 ? int64_t{segments} + 1 : segments;
    const int64_t rows64 = n64 / 2 + 1;
    if (!FitsSphereLimit(rows64, n64)) return sphere;
    const int n = static_cast<int>(n64), rows = static_cast<int>(rows64);
    for (int i = 0; i < rows; ++i) {
        const double theta = i == rows - 1 ? kPi : 2 * kPi * i / n;
        for (int j = 0; j < n; ++j) {
            double p[3];
            SpherePoint(center, radius, theta, 2 * kPi * j / n, p);
            sphere->AddVertex(p, 0);
        }
    }
    for (int i = 0; i + 1 < rows; ++i) AddBand(sphere, i, n);
    sphere->FormPlaneEquation();
    sphere->RemoveEqualsVertex();  // the pole copies become one vertex each
    return sphere;
}

// Rows of vertices from the top down. A full sphere runs from pole to pole in steps of
// π/(rings − 1); an upper hemisphere stops at a row forced onto the equator, a lower one
// starts at the equator and ends at a row forced onto the bottom pole.
bool G3SolidsBuilder::BuildSphere(double center[3],
                                  double radius,
                                  int rings,
                                  int segments,
                                  int hemisphere,
                                  bool averageNormals,
                                  G3Surface** out,
                                  bool skipCleanup,
                                  bool lowerHalf) {
    if (out != nullptr) *out = nullptr;
    if (out == nullptr || center == nullptr || !IsFinite3(center) || !IsUsableRadius(radius) ||
        rings < 3 || segments < 3)
        return false;
    const bool hemi = hemisphere != 0;
    const bool lower = hemi && lowerHalf;
    const int rows = hemi ? rings / 2 + 1 : rings;
    if (!FitsSphereLimit(rows, segments)) return false;
    const double step = kPi / (rings - 1);
    const int vertices = rows * segments;  // within the limit: no overflow
    auto* sphere = new G3Surface(vertices, 0, vertices + 1);
    for (int r = 0; r < rows; ++r) {
        double theta = (lower ? kPi / 2 : 0.0) + r * step;
        if (r == 0) theta = lower ? kPi / 2 : 0.0;
        if (r == rows - 1) theta = hemi && !lower ? kPi / 2 : kPi;
        for (int j = 0; j < segments; ++j) {
            double p[3];
            SpherePoint(center, radius, theta, 2 * kPi * j / segments, p);
            sphere->AddVertex(p, 0);
        }
    }
    for (int r = 0; r + 1 < rows; ++r) AddBand(sphere, r, segments);
    if (hemi) AddCap(sphere, lower ? 0 : rows - 1, segments, !lower);
    if (!skipCleanup) {
        sphere->RemoveEqualsVertex();
        if (averageNormals) sphere->AverageNormalsByPlanes2();
        sphere->ReallocByRealSize();
    }
    *out = sphere;
    return true;
}
