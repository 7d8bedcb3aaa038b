#include "polykern/boolean/G3BCCutHole.h"

#include <cmath>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

constexpr double kOnEdge = 1e-6;      // working units, as the facet cuts use
constexpr double kClear = 10 * kOnEdge;  // how far the loop keeps from the facet's edges
constexpr std::size_t kMostCuts = 256;  // past this the general tracing is used

using g3bccuthole::Cut;

bool Near(const double* p, const double* q) {
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return dx * dx + dy * dy + dz * dz <= kOnEdge * kOnEdge;
}

// The corners of the loop the cuts chain into, in chain order; false unless every end
// meets exactly one end of another cut and the chain closes through every cut once.
bool ChainLoop(const std::vector<Cut>& cuts, std::vector<const double*>* corners) {
    const std::size_t n = cuts.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (const double* p : {cuts[i].a, cuts[i].b}) {
            int meets = 0;
            for (std::size_t j = 0; j < n; ++j) {
                if (j == i) continue;
                meets += Near(p, cuts[j].a) ? 1 : 0;
                meets += Near(p, cuts[j].b) ? 1 : 0;
            }
            if (meets != 1) return false;
        }
    }
    std::vector<char> used(n, 0);
    corners->clear();
    const double* end = cuts[0].b;
    corners->push_back(cuts[0].a);
    used[0] = 1;
    for (std::size_t step = 1; step < n; ++step) {
        std::size_t next = n;
        bool forward = true;
        for (std::size_t j = 0; j < n && next == n; ++j) {
            if (used[j]) continue;
            if (Near(end, cuts[j].a)) {
                next = j;
            } else if (Near(end, cuts[j].b)) {
                next = j;
                forward = false;
            }
        }
        if (next == n) return false;  // the chain closed early: more than one loop
        used[next] = 1;
        corners->push_back(forward ? cuts[next].a : cuts[next].b);
        end = forward ? cuts[next].b : cuts[next].a;
    }
    return Near(end, cuts[0].a);
}

// Whether segments pq and rs cross or touch, on the two axes of the plane's projection.
bool Meet2(const double* p, const double* q, const double* r, const double* s, int x, int y) {
    auto side = [x, y](const double* a, const double* b, const double* c) {
        return (b[x] - a[x]) * (c[y] - a[y]) - (b[y] - a[y]) * (c[x] - a[x]);
    };
    const double d1 = side(r, s, p), d2 = side(r, s, q), d3 = side(p, q, r), d4 = side(p, q, s);
    return ((d1 <= 0 && d2 >= 0) || (d1 >= 0 && d2 <= 0)) &&
           ((d3 <= 0 && d4 >= 0) || (d3 >= 0 && d4 <= 0));
}

// The loop is simple when no two sides that do not follow each other meet.
bool IsSimple(const std::vector<const double*>& c, int x, int y) {
    const std::size_t n = c.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;
            if (Meet2(c[i], c[(i + 1) % n], c[j], c[(j + 1) % n], x, y)) return false;
        }
    }
    return true;
}

}  // namespace

namespace g3bccuthole {

// Invariant on success: f's ring runs its old loops unchanged, then the new hole; the new
// facet runs the same corners the other way, sharing the hole's edges.
bool CutOutHole(
    G3Surface* s, G3Facet* f, const std::vector<Cut>& cuts, int32_t edgeFlags, void* event) {
    if (s == nullptr || f == nullptr || f->HasGeometry() || cuts.size() < 3 ||
        cuts.size() > kMostCuts)
        return false;
    std::vector<const double*> corners;
    if (!ChainLoop(cuts, &corners)) return false;
    GEnvelope box(corners[0], corners[0], corners[0]);
    for (const double* p : corners) box.Add(p);
    box.Extend(kClear);
    // Clear of every edge of f: no old loop touches the new one or lies inside it.
    int guard = 0;
    const int limit = s->GetEdgeCount();
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        if (++guard > limit) return false;
        const double* p = e->GetVertex1()->GetXYZ();
        const double* q = e->GetVertex2()->GetXYZ();
        GEnvelope side(p, p, q);
        if (side.IsIntersectXYZ(&box)) return false;
    }
    const double* plane = f->GetPlane();
    int x = 0, y = 1;
    f->GetMaxCoo(&x, &y);
    if (!IsSimple(corners, x, y)) return false;
    // Which way the chain turns about f's normal (Newell's sum).
    const std::size_t n = corners.size();
    double normal[3] = {0, 0, 0};
    for (std::size_t k = 0; k < n; ++k) {
        const double* p = corners[k];
        const double* q = corners[(k + 1) % n];
        normal[0] += (p[1] - q[1]) * (p[2] + q[2]);
        normal[1] += (p[2] - q[2]) * (p[0] + q[0]);
        normal[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
    const double turn = normal[0] * plane[0] + normal[1] * plane[1] + normal[2] * plane[2];
    if (!(std::fabs(turn) > kOnEdge * kOnEdge)) return false;
    std::vector<G3Vertex*> ring(n);
    for (std::size_t k = 0; k < n; ++k) {
        // The inner facet runs like f's outline; the hole the other way.
        const double* p = turn > 0 ? corners[k] : corners[(n - k) % n];
        if ((ring[k] = s->AddVertex(p, 0)) == nullptr) return false;
    }
    const int32_t before = s->GetEdgeFlags();
    s->SetEdgeFlags(edgeFlags);
    for (std::size_t k = n; k > 0; --k) s->AddEdge(ring[k % n], ring[k - 1], f);
    auto* inner = new G3EdgeList(f->GetFlags(), f->GetSurface());
    for (std::size_t k = 0; k < n; ++k) {
        inner->AddEdge(ring[k], ring[(k + 1) % n], nullptr, nullptr, nullptr, nullptr, edgeFlags);
    }
    inner->SetPlane(plane);
    inner->FormEnvelope();
    GArrayCollection pieces;
    pieces.add(inner);
    s->ProviderSetExData(f);
    s->AddContourFacets(&pieces, f, event);
    s->ProviderSetExData(nullptr);
    s->SetEdgeFlags(before);
    return true;
}

}  // namespace g3bccuthole
