#pragma once

// Checks of a planar triangulation, shared by the triangulation suite and the fuzz target.
// Header only, so that the fuzz target needs no test framework.

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "polykern/triangulation/G3TMesh.h"

namespace pktest {

using PlanePoint = std::array<double, 2>;

/// Twice the signed area of (o, a, b): positive when they turn counter-clockwise.
inline double Cross(const PlanePoint& o, const PlanePoint& a, const PlanePoint& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

struct PlanarHull {
    double area;
    int corners;  // collinear points left out
};

/// The convex hull of the points (monotone chain).
inline PlanarHull ConvexHull(std::vector<PlanePoint> p) {
    std::sort(p.begin(), p.end());
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (p.size() < 3) return {0.0, static_cast<int>(p.size())};
    std::vector<PlanePoint> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && Cross(h[k - 2], h[k - 1], p[i - 1]) <= 0) --k;
        h[k++] = p[i - 1];
    }
    double area = 0.0;
    for (std::size_t i = 0; i + 1 < k; ++i)
        area += 0.5 * (h[i][0] * h[i + 1][1] - h[i][1] * h[i + 1][0]);
    return {area, static_cast<int>(k - 1)};
}

struct TriangulationCheck {
    std::string fault;  // empty when every triangle turns counter-clockwise, edges once
    double area = 0.0;  // of the triangles
    double hull = 0.0;  // of the points' convex hull
};

/// Whether m's triangles are counter-clockwise in (u, v) with no directed edge twice (so
/// none overlap), with their area and the hull's for the caller's comparison.
inline TriangulationCheck CheckTriangulation(G3TMesh* m, const std::vector<PlanePoint>& points) {
    TriangulationCheck r;
    std::set<std::pair<const G3TVertex*, const G3TVertex*>> directed;
    for (int i = 0; i < m->GetTriangleCount() && r.fault.empty(); ++i) {
        G3TVertex* c[3];
        m->GetTriangle(i, c);
        const double a =
            0.5 * Cross({c[0]->u.Value(), c[0]->v.Value()}, {c[1]->u.Value(), c[1]->v.Value()},
                        {c[2]->u.Value(), c[2]->v.Value()});
        if (!(a > 0.0)) r.fault = "triangle " + std::to_string(i) + " area " + std::to_string(a);
        r.area += a;
        for (int k = 0; k < 3 && r.fault.empty(); ++k) {
            if (!directed.insert({c[k], c[(k + 1) % 3]}).second)
                r.fault = "directed edge twice at triangle " + std::to_string(i);
        }
    }
    r.hull = ConvexHull(points).area;
    return r;
}

}  // namespace pktest
