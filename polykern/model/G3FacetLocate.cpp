// Point location in a facet, interior points and the side of a facet's edge.

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Vertex.h"

namespace {

int Sign(double d, double tol) {
    if (!(std::fabs(d) >= tol)) return 0;
    return d >= 0.0 ? 1 : -1;
}

struct Probe {
    G3Vertex* v;
    double dx, dy;
    int sx, sy;
};

Probe MakeProbe(G3Vertex* v, const double* p, int i, int j, double tol) {
    Probe q{v, v->GetXYZ(i) - p[i], v->GetXYZ(j) - p[j], 0, 0};
    q.sx = Sign(q.dx, tol);
    q.sy = Sign(q.dy, tol);
    return q;
}

bool Hit(G3Vertex* a, G3Vertex* b, G3Vertex** hitA, G3Vertex** hitB) {
    // The lower id first, so that the answer does not follow memory order.
    if (b != nullptr && (b->GetId() < a->GetId() ||
                         (b->GetId() == a->GetId() && std::less<G3Vertex*>()(b, a))))
        std::swap(a, b);
    if (hitA != nullptr) *hitA = a;
    if (hitB != nullptr) *hitB = b;
    return true;
}

// The crossing-number test along the ray from p towards +i, over one closed loop after
// another: the crossings of every loop add up, so a point in a hole is inside two loops
// and so outside. Each step reports whether the point lies on the boundary.
class CrossingWalk {
public:
    CrossingWalk(const double* p, int i, int j, double tol) : m_P(p), m_I(i), m_J(j), m_Tol(tol) {}

    bool Begin(G3Vertex* v) {
        m_First = m_Prev = MakeProbe(v, m_P, m_I, m_J, m_Tol);
        m_Open = true;
        if (m_First.sx == 0 && m_First.sy == 0) return Found(m_First.v, nullptr);
        return false;
    }
    bool Step(G3Vertex* v) { return Edge(MakeProbe(v, m_P, m_I, m_J, m_Tol)); }
    // The edge from the loop's last vertex back to its first.
    bool Close() {
        if (!m_Open) return false;
        m_Open = false;
        return Edge(m_First);
    }
    bool IsOpen() const { return m_Open; }
    bool Inside() const { return m_Crossings % 2 == 1; }
    bool Report(G3Vertex** hitA, G3Vertex** hitB) const { return Hit(m_A, m_B, hitA, hitB); }

private:
    bool Found(G3Vertex* a, G3Vertex* b) {
        m_A = a;
        m_B = b;
        return true;
    }
    // Vertices on the ray's line count as lying below it, so a ray through a vertex
    // counts the boundary once.
    bool Edge(const Probe& cur) {
        const Probe prev = m_Prev;
        m_Prev = cur;
        if (cur.sx == 0 && cur.sy == 0) return Found(cur.v, nullptr);
        if (prev.sy == 0 && cur.sy == 0) {
            if (prev.sx == -cur.sx) return Found(prev.v, cur.v);
        } else if (prev.sy == -cur.sy) {
            // A strict crossing: both ends off the ray's line, on opposite sides.
            const double xc = (prev.dx * cur.dy - cur.dx * prev.dy) / (cur.dy - prev.dy);
            if (std::fabs(xc) < m_Tol) return Found(prev.v, cur.v);
            if (xc > 0.0) ++m_Crossings;
        } else if (prev.sy == 1 && cur.sy == 0) {
            if (cur.sx == 1) ++m_Crossings;
        } else if (prev.sy == 0 && cur.sy == 1) {
            if (prev.sx == 1) ++m_Crossings;
        }
        return false;
    }

    const double* m_P;
    int m_I, m_J;
    double m_Tol;
    Probe m_First{}, m_Prev{};
    bool m_Open = false;
    int m_Crossings = 0;
    G3Vertex* m_A = nullptr;
    G3Vertex* m_B = nullptr;
};

// Walks vertices held in a vector, as the point tests read them.
class VertexWalk : public GIterator {
public:
    VertexWalk(const std::vector<G3Vertex*>& v, int from, int to) : m_V(v), m_At(from), m_End(to) {}
    explicit VertexWalk(const std::vector<G3Vertex*>& v)
        : VertexWalk(v, 0, static_cast<int>(v.size())) {}
    bool hasNext() override { return m_At < m_End; }
    GObj* next() override { return m_V[static_cast<std::size_t>(m_At++)]; }

private:
    const std::vector<G3Vertex*>& m_V;
    int m_At, m_End;
};

}  // namespace

bool G3Facet::PointInFacet(int i,
                           int j,
                           const double* p,
                           GIterator* vertices,
                           G3Vertex** hitA,
                           G3Vertex** hitB,
                           double tol) {
    return PointInFacet(i, j, p, vertices, nullptr, 0, hitA, hitB, tol);
}

bool G3Facet::PointInFacet(int i,
                           int j,
                           const double* p,
                           GIterator* vertices,
                           const int* loopEnds,
                           int loopCount,
                           G3Vertex** hitA,
                           G3Vertex** hitB,
                           double tol) {
    if (hitA != nullptr) *hitA = nullptr;
    if (hitB != nullptr) *hitB = nullptr;
    if (vertices == nullptr || p == nullptr) return false;
    if (loopEnds == nullptr) loopCount = 0;
    CrossingWalk walk(p, i, j, tol);
    int k = 0, loop = 0;
    while (vertices->hasNext()) {
        auto* v = static_cast<G3Vertex*>(vertices->next());
        if (walk.IsOpen() ? walk.Step(v) : walk.Begin(v)) return walk.Report(hitA, hitB);
        ++k;
        // Ends out of order or repeated close nothing twice.
        for (; loop < loopCount && loopEnds[loop] <= k; ++loop) {
            if (loopEnds[loop] == k && walk.Close()) return walk.Report(hitA, hitB);
        }
    }
    if (walk.Close()) return walk.Report(hitA, hitB);
    return walk.Inside();
}

// Streams the vertex walk, closing each loop where the next one opens: no copy is made,
// since the vertical-ray index asks this of many facets.
bool G3Facet::PointInFacet(
    int i, int j, const double* p, G3Vertex** hitA, G3Vertex** hitB, double tol) const {
    if (hitA != nullptr) *hitA = nullptr;
    if (hitB != nullptr) *hitB = nullptr;
    if (p == nullptr) return false;
    CrossingWalk walk(p, i, j, tol);
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        auto* v = static_cast<G3Vertex*>(it.next());
        if (it.StartedLoop() && walk.Close()) return walk.Report(hitA, hitB);
        if (walk.IsOpen() ? walk.Step(v) : walk.Begin(v)) return walk.Report(hitA, hitB);
    }
    if (walk.Close()) return walk.Report(hitA, hitB);
    return walk.Inside();
}

bool G3Facet::PointInLoops(int i,
                           int j,
                           const double* p,
                           const G3FacetLoops& loops,
                           const double* boxes,
                           G3Vertex** hitA,
                           G3Vertex** hitB,
                           double tol) const {
    if (hitA != nullptr) *hitA = nullptr;
    if (hitB != nullptr) *hitB = nullptr;
    if (p == nullptr) return false;
    CrossingWalk walk(p, i, j, tol);
    const double near = 2.0 * tol;
    for (int l = 0; l < loops.GetLoopCount(); ++l) {
        if (boxes != nullptr) {
            const double* lo = boxes + 6 * l;
            const double* hi = lo + 3;
            if (p[i] < lo[i] - near || p[i] > hi[i] + near || p[j] < lo[j] - near ||
                p[j] > hi[j] + near)
                continue;
        }
        const int begin = loops.LoopBegin(l), end = loops.LoopEnd(l);
        if (begin == end) continue;
        if (walk.Begin(loops.Vertex(begin))) return walk.Report(hitA, hitB);
        for (int k = begin + 1; k < end; ++k) {
            if (walk.Step(loops.Vertex(k))) return walk.Report(hitA, hitB);
        }
        if (walk.Close()) return walk.Report(hitA, hitB);
    }
    return walk.Inside();
}

bool G3Facet::PointInFacetXY(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(0, 1, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(0, 2, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetYZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(1, 2, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXY(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 1, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXZ(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 2, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetYZ(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(1, 2, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXY(const double* p,
                             GIterator* vertices,
                             const int* loopEnds,
                             int loopCount,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 1, p, vertices, loopEnds, loopCount, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXZ(const double* p,
                             GIterator* vertices,
                             const int* loopEnds,
                             int loopCount,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 2, p, vertices, loopEnds, loopCount, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetYZ(const double* p,
                             GIterator* vertices,
                             const int* loopEnds,
                             int loopCount,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(1, 2, p, vertices, loopEnds, loopCount, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacet(const double* p, G3Vertex** hitA, G3Vertex** hitB, double* depth) const {
    if (!PointInFacetXY(p, hitA, hitB)) return false;
    if (depth != nullptr) *depth = CalcDepth(p[0], p[1]);
    return true;
}

bool G3Facet::GeneratePointInFacetConcave(int i, int j, double* out) const {
    const G3FacetLoops loops(this);
    GArrayCollection vertices(loops.GetCount() + 1, 16);
    for (G3Vertex* v : loops.Vertices()) vertices.add(v);
    return GeneratePointInFacetConcave(i, j, out, &vertices, loops.Ends().data(),
                                       loops.GetLoopCount());
}

bool G3Facet::GeneratePointInFacetConcave(int i, int j, double* out, GArrayCollection* vertices) {
    return GeneratePointInFacetConcave(i, j, out, vertices, nullptr, 0);
}

// Tries the centroids of consecutive vertex triples, last first, each triple within its
// own loop: a strictly interior one wins at once, one on the boundary is kept in case none
// is found. A hole's corners give centroids in the hole, which the loop test refuses.
bool G3Facet::GeneratePointInFacetConcave(
    int i, int j, double* out, GArrayCollection* vertices, const int* loopEnds, int loopCount) {
    const int n = vertices != nullptr ? vertices->size() : 0;
    if (n == 0 || out == nullptr) return false;
    // Loop bounds per vertex: [begin, end).
    std::vector<int> ends;
    for (int k = 0; loopEnds != nullptr && k < loopCount; ++k) {
        if (loopEnds[k] > (ends.empty() ? 0 : ends.back()) && loopEnds[k] <= n)
            ends.push_back(loopEnds[k]);
    }
    if (ends.empty() || ends.back() < n) ends.push_back(n);
    std::vector<G3Vertex*> v(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        v[static_cast<std::size_t>(k)] = static_cast<G3Vertex*>(vertices->get(k));
    bool found = false;
    std::size_t loop = ends.size() - 1;
    for (int k = n - 1; k >= 0; --k) {
        while (loop > 0 && k < ends[loop - 1]) --loop;
        const int begin = loop == 0 ? 0 : ends[loop - 1];
        const int size = ends[loop] - begin;
        double c[3] = {0.0, 0.0, 0.0};
        for (int m = 0; m < 3; ++m) {
            const G3Vertex* w = v[static_cast<std::size_t>(begin + (k - begin + m) % size)];
            for (int a = 0; a < 3; ++a) c[a] += w->GetXYZ(a) / 3.0;
        }
        VertexWalk walk(v);
        G3Vertex *hitA, *hitB;
        if (!PointInFacet(i, j, c, &walk, ends.data(), static_cast<int>(ends.size()), &hitA, &hitB,
                          1e-6)) {
            continue;
        }
        for (int a = 0; a < 3; ++a) out[a] = c[a];
        found = true;
        if (hitA == nullptr) return true;
    }
    return found;
}

bool G3Facet::GenerateXYPointInFacetConcave(double& x, double& y) const {
    const G3FacetLoops loops(this);
    const std::vector<G3Vertex*>& v = loops.Vertices();
    if (v.empty()) return false;
    double ymax = v[0]->GetY(), ymin = v[0]->GetY();
    for (const G3Vertex* w : v) {
        ymax = std::max(ymax, w->GetY());
        ymin = std::min(ymin, w->GetY());
    }
    // A little below the middle, so the scan line seldom meets a vertex.
    const double ym = 0.448765432109877 * ymax + 0.551234567890123 * ymin;
    double crossings[100];
    int n = 0;
    // Each loop closes on itself: the crossings of the outline and of the holes together
    // pair up into the stretches of the scan line that lie in the facet.
    for (int loop = 0; loop < loops.GetLoopCount() && n < 100; ++loop) {
        const G3Vertex* prev = v[static_cast<std::size_t>(loops.LoopEnd(loop) - 1)];
        for (int k = loops.LoopBegin(loop); k < loops.LoopEnd(loop) && n < 100; ++k) {
            const G3Vertex* cur = v[static_cast<std::size_t>(k)];
            const double dP = prev->GetY() - ym, dC = cur->GetY() - ym;
            // Non-finite crossings are dropped: they would leave the sort without an order.
            if (dP * dC < 0.0) {
                const double xc = prev->GetX() + (cur->GetX() - prev->GetX()) * dP / (dP - dC);
                if (std::isfinite(xc)) crossings[n++] = xc;
            } else if (dP == 0.0 && std::isfinite(prev->GetX())) {
                crossings[n++] = prev->GetX();
            }
            prev = cur;
        }
    }
    std::sort(crossings, crossings + n, std::greater<double>());
    double bestWidth = 0.0, bestX = 0.0;
    for (int k = 0; k + 1 < n; k += 2) {
        const double width = crossings[k] - crossings[k + 1];
        if (width > bestWidth) {
            bestWidth = width;
            bestX = 0.4338765432109877 * crossings[k] + 0.5661234567890123 * crossings[k + 1];
        }
    }
    if (!(bestWidth > 0.0)) return false;
    x = bestX;
    y = ym;
    return true;
}

int G3Facet::GetIntersectionSignByEdge(const G3Vertex* a, const G3Vertex* b, int i, int j) const {
    double u[2] = {b->GetXYZ(j) - a->GetXYZ(j), a->GetXYZ(i) - b->GetXYZ(i)};
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1]);
    if (!(len >= 1e-6)) return 0;
    u[0] /= len;
    u[1] /= len;
    const double c = u[0] * a->GetXYZ(i) + u[1] * a->GetXYZ(j);
    auto value = [&](const G3Vertex* w) { return u[0] * w->GetXYZ(i) + u[1] * w->GetXYZ(j) - c; };

    // The side and the walks away from it stay within the side's own loop.
    const G3FacetLoops loops(this);
    const int n = loops.GetCount();
    int side = -1;
    for (int k = 0; k < n && side < 0; ++k) {
        const G3Vertex* p = loops.Vertex(k);
        const G3Vertex* q = loops.Vertex(loops.Next(k));
        if ((p == a && q == b) || (p == b && q == a)) side = k;
    }
    if (side < 0) return 0;
    const int loop = loops.LoopOf(side);
    const int size = loops.LoopEnd(loop) - loops.LoopBegin(loop);
    // The first vertex clearly off the line, walking away from the side in each direction.
    auto firstSign = [&](int start, bool ahead) {
        int k = start;
        for (int m = 0; m < size; ++m) {
            const double s = value(loops.Vertex(k));
            if (std::fabs(s) >= 1e-6) return s > 0.0 ? 1 : -1;
            k = ahead ? loops.Next(k) : loops.Previous(k);
        }
        return 0;
    };
    const int forward = firstSign(loops.Next(loops.Next(side)), true);
    const int backward = firstSign(loops.Previous(side), false);
    if (forward == -backward) return 0;  // both 0, or opposite
    const int onLoop = forward != 0 ? forward : backward;
    // A hole's own corners lie on the hole's side of its edges: the facet is on the other.
    return loop == 0 ? onLoop : -onLoop;
}

bool G3Facet::CalcDiagonalEdge(G3Vertex** a, G3Vertex** b) const {
    *a = *b = nullptr;
    const G3FacetLoops loops(this);
    const std::vector<G3Vertex*>& v = loops.Vertices();
    if (v.empty()) return false;
    double best = -1.0;
    for (G3Vertex* p : v) {
        for (G3Vertex* q : v) {
            const double d = p->Distance(q);
            if (d > best) {
                best = d;
                *a = p;
                *b = q;
            }
        }
    }
    return true;
}

double G3Facet::CalcDeviationFromEdge(const G3Vertex* a, const G3Vertex* b) const {
    const double d[3] = {b->GetX() - a->GetX(), b->GetY() - a->GetY(), b->GetZ() - a->GetZ()};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 0.0)) return 0.0;
    double worst = 0.0;
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        const auto* v = static_cast<G3Vertex*>(it.next());
        const double w[3] = {a->GetX() - v->GetX(), a->GetY() - v->GetY(), a->GetZ() - v->GetZ()};
        const double c[3] = {d[1] * w[2] - d[2] * w[1], d[2] * w[0] - d[0] * w[2],
                             d[0] * w[1] - d[1] * w[0]};
        worst = std::max(worst, std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / len);
    }
    return worst;
}
