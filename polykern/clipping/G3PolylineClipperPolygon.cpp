// Clipping a segment to the polygon, in plan, by the even-odd rule.

#include <algorithm>
#include <cmath>
#include <utility>

#include "polykern/clipping/G3PolygonEdgeIndex.h"
#include "polykern/clipping/G3PolylineClipper.h"

namespace {

// Vertices nearer the segment's line than this are on it; pieces must be longer than it.
constexpr double kTolerance = 1e-6;

int SideOf(double s) {
    return s >= kTolerance ? 1 : (s <= -kTolerance ? -1 : 0);
}

}  // namespace

// Collects every parameter t (a at 0, b at 1) where the segment's line meets the polygon's
// boundary: vertices on the line and proper crossings of edges. Between two consecutive
// parameters the segment is wholly inside or wholly outside, so the midpoint of each
// sub-interval decides it (points on the boundary count as inside). Adjacent inside
// sub-intervals merge into one piece. A segment that only touches a vertex thus gives no
// piece, and one that runs along an edge gives that edge's extent.
bool G3PolylineClipper::ClipSegmentToPolygon(const double* a, const double* b, GLineLoader* out) {
    if (m_EdgeIndex == nullptr) return false;
    // Pieces run upwards along the main plan axis.
    const int axis = std::fabs(b[0] - a[0]) < std::fabs(b[1] - a[1]) ? 1 : 0;
    if (b[axis] < a[axis]) std::swap(a, b);
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    const double len = std::sqrt(len2);
    if (!(len > kTolerance) || !std::isfinite(len)) return false;
    G3PolygonEdgeIndex& index = *m_EdgeIndex;
    if (!index.IsNearBox(a, b)) return false;

    // Signed distance from the line, and the parameter of a point's projection on it.
    const double nx = -dy / len;
    const double ny = dx / len;
    auto distance = [&](const double* p) { return nx * (p[0] - a[0]) + ny * (p[1] - a[1]); };
    auto parameter = [&](double x, double y) { return ((x - a[0]) * dx + (y - a[1]) * dy) / len2; };

    m_Cuts.clear();
    m_Cuts.push_back(0.0);
    m_Cuts.push_back(1.0);
    auto addCut = [&](double t) {
        if (t > 0.0 && t < 1.0) m_Cuts.push_back(t);
    };
    index.ForEachEdgeNear(a, b, [&](int e) {
        const double* u = index.EdgeStart(e);
        const double* v = index.EdgeEnd(e);
        const double su = distance(u);
        const double sv = distance(v);
        const int cu = SideOf(su);
        const int cv = SideOf(sv);
        if (cu == 0) addCut(parameter(u[0], u[1]));
        if (cv == 0) addCut(parameter(v[0], v[1]));
        if (cu * cv < 0) {
            const double w = std::fabs(su) / (std::fabs(su) + std::fabs(sv));
            addCut(parameter(u[0] + w * (v[0] - u[0]), u[1] + w * (v[1] - u[1])));
        }
    });
    std::sort(m_Cuts.begin(), m_Cuts.end());

    bool emitted = false;
    auto pointAt = [&](double t, double* p) {
        if (t == 0.0 || t == 1.0) {
            std::copy(t == 0.0 ? a : b, (t == 0.0 ? a : b) + 3, p);
            return;
        }
        for (int k = 0; k < 3; ++k) p[k] = a[k] + t * (b[k] - a[k]);
    };
    auto emit = [&](double t0, double t1) {
        if ((t1 - t0) * len <= kTolerance) return;
        double from[3], to[3];
        pointAt(t0, from);
        pointAt(t1, to);
        out->LineLoad(from, to);
        emitted = true;
    };
    double open = -1.0;  // start of the inside piece being built, or -1
    for (size_t i = 0; i + 1 < m_Cuts.size(); ++i) {
        const double t0 = m_Cuts[i];
        const double t1 = m_Cuts[i + 1];
        if (!(t1 > t0)) continue;
        const double mid = 0.5 * (t0 + t1);
        const bool inside = index.IsInsideOrOn(a[0] + mid * dx, a[1] + mid * dy);
        if (inside && open < 0.0) open = t0;
        if (!inside && open >= 0.0) {
            emit(open, t0);
            open = -1.0;
        }
    }
    if (open >= 0.0) emit(open, 1.0);
    return emitted;
}
