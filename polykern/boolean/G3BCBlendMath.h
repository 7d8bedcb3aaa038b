#pragma once

#include <cmath>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

/// The small vector rules shared by the edge and corner blends: three-double vectors,
/// the side of a facet at one of its edges and the local convexity of an edge. Internal to
/// the library.
namespace G3BCBlendMath {

inline double Dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

inline void Cross(const double* a, const double* b, double* out) {
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

inline void Diff(const double* a, const double* b, double* out) {
    for (int k = 0; k < 3; ++k) out[k] = a[k] - b[k];
}

/// out := a + f·d.
inline void AddScaled(const double* a, double f, const double* d, double* out) {
    for (int k = 0; k < 3; ++k) out[k] = a[k] + f * d[k];
}

inline double Length(const double* a) {
    return std::sqrt(Dot(a, a));
}

/// Makes a unit; false (a unchanged) for a zero or non-finite length.
inline bool Normalize(double* a) {
    const double len = Length(a);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int k = 0; k < 3; ++k) a[k] /= len;
    return true;
}

/// The facet's outward unit normal; false for a zero or non-finite plane.
inline bool UnitNormal(const G3Facet* f, double* n) {
    for (int k = 0; k < 3; ++k) n[k] = f->GetPlane()[k];
    return Normalize(n);
}

/// The unit vector in f's plane, perpendicular to its ring edge e, pointing into f. The
/// ring runs counter-clockwise about the outward normal (holes clockwise), so the facet lies
/// to the left of each edge: u = n × (end − start). False when e is not on f or is degenerate.
inline bool InwardSide(const G3Facet* f, const G3Edge* e, double* u) {
    const G3Vertex* from = f->StartOf(e);
    if (from == nullptr) return false;
    const G3Vertex* to = e->OtherVertex(from);
    double n[3], d[3];
    if (to == nullptr || !UnitNormal(f, n)) return false;
    Diff(to->GetXYZ(), from->GetXYZ(), d);
    Cross(n, d, u);
    return Normalize(u);
}

/// Whether the edge between f1 and f2 is convex (the material between the facets spans
/// less than a half turn): u1 · n2 < 0, with u1 pointing into f1 and n2 f2's outward
/// normal. *dot receives u1 · n2; false when either vector cannot be formed.
inline bool EdgeDot(const G3Edge* e, const G3Facet* f1, const G3Facet* f2, double* dot) {
    double u1[3], n2[3];
    if (!InwardSide(f1, e, u1) || !UnitNormal(f2, n2)) return false;
    *dot = Dot(u1, n2);
    return true;
}

/// The signed volume of closed polygons given as point lists (fans from each first point),
/// read about `origin` so that distant shapes keep their digits.
inline double PolygonsVolume(const std::vector<std::vector<const double*>>& polygons,
                             const double* origin) {
    double v = 0.0;
    for (const auto& poly : polygons) {
        if (poly.size() < 3) continue;
        double p0[3], a[3], b[3], c[3];
        Diff(poly[0], origin, p0);
        for (size_t k = 1; k + 1 < poly.size(); ++k) {
            Diff(poly[k], origin, a);
            Diff(poly[k + 1], origin, b);
            Cross(a, b, c);
            v += Dot(p0, c);
        }
    }
    return v / 6.0;
}

}  // namespace G3BCBlendMath
