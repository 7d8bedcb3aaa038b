// Sinking and raising contours, punching holes, removing facets stuck flat on others,
// splitting edges along intervals and finding edges two surfaces share.

#include "polykern/surfaceops/G3SurfaceEdit.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

constexpr double kTol = 1e-6;
constexpr int32_t kOurs = G3OBJ_MARK4;

bool IsFinite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool IsFacetOf(const G3Surface* s, const G3Facet* f) {
    return s != nullptr && f != nullptr && f->GetParent() == s;
}

// In the facet's plane within 1e-6 and inside it, read loop by loop: a point in a hole is
// outside.
bool PointInFacet(const G3Facet* f, const double* p) {
    const double* pl = f->GetPlane();
    if (!(std::fabs(pl[0] * p[0] + pl[1] * p[1] + pl[2] * p[2] + pl[3]) < kTol)) return false;
    int i, j;
    f->GetMaxCoo(&i, &j);
    G3Vertex *a, *b;
    return f->PointInFacet(i, j, p, &a, &b, kTol);
}

// Twice the signed area of a ring of points in the (i, j) plane.
double TwiceArea(const std::vector<const double*>& ring, int i, int j) {
    double a = 0;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const double* p = ring[k];
        const double* q = ring[(k + 1) % ring.size()];
        a += p[i] * q[j] - q[i] * p[j];
    }
    return a;
}

// The contour's points, or an empty list for fewer than three points, a null or a
// non-finite one.
std::vector<const double*> PointsOf(GArrayCollection* contour) {
    std::vector<const double*> points;
    if (contour == nullptr || contour->size() < 3) return points;
    for (int k = 0; k < contour->size(); ++k) {
        auto* p = static_cast<G3Point*>(contour->get(k));
        if (p == nullptr || !IsFinite(p->GetXYZ())) return {};
        points.push_back(p->GetXYZ());
    }
    return points;
}

// Replaces `facet` by one facet over its own loops plus `hole` as one more loop. The hole
// is first turned to run like the facet's outline (so `hole` comes back in that order) and
// entered the other way round. The new facet shares the old one's edges with the
// neighbours, keeps its orientation, flags, surface number and outside data.
G3Facet* Punch(G3Surface* s, G3Facet* facet, std::vector<G3Vertex*>& hole) {
    const G3FacetLoops loops(facet);
    if (loops.GetLoopCount() == 0 || hole.size() < 3) return nullptr;
    int i, j;
    facet->GetMaxCoo(&i, &j);
    std::vector<const double*> outline, ring;
    for (int k = loops.LoopBegin(0); k < loops.LoopEnd(0); ++k)
        outline.push_back(loops.Vertex(k)->GetXYZ());
    for (const G3Vertex* v : hole) ring.push_back(v->GetXYZ());
    if ((TwiceArea(outline, i, j) > 0) != (TwiceArea(ring, i, j) > 0))
        std::reverse(hole.begin(), hole.end());

    G3EdgeList edges(facet->GetFlags(), facet->GetSurface());
    loops.CopyLoops(&edges);
    const int n = static_cast<int>(hole.size());
    for (int k = n; k > 0; --k) {
        edges.AddEdge(hole[std::size_t(k % n)], hole[std::size_t(k - 1)], nullptr, nullptr, nullptr,
                      nullptr, G3EDGE_VISIBLE);
    }
    const double normal[3] = {facet->GetPlaneA(), facet->GetPlaneB(), facet->GetPlaneC()};
    std::vector<G3Edge*> old(static_cast<std::size_t>(facet->GetEdgeCount()));
    facet->GetEdges(old.data());
    // Free the old facet's sides first, so that the new facet takes them over.
    facet->RemoveEdges();
    G3Facet* made = s->AddFacet(&edges, facet->GetFlags() & ~kOurs, facet->GetSurface());
    if (made != nullptr) {
        if (made->GetPlaneA() * normal[0] + made->GetPlaneB() * normal[1] +
                made->GetPlaneC() * normal[2] <
            0.0)
            made->NegPlane();
        made->CopyExData(facet);
    }
    s->RemoveFacet(facet);
    for (G3Edge* e : old) {
        if (e->GetFacetCount() == 0) s->RemoveEdge(e);
    }
    return made;
}

void Transform(const double* p, const double m[4][4], double* out) {
    for (int c = 0; c < 3; ++c) out[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
}

}  // namespace

G3SurfaceEdit::Segment::Segment(const double* p1, const double* p2, G3Edge* edge) : m_Edge(edge) {
    for (int k = 0; k < 3; ++k) {
        m_P1[k] = p1[k];
        m_P2[k] = p2[k];
    }
}

G3SurfaceEdit::~G3SurfaceEdit() = default;

void G3SurfaceEdit::MakeHole(G3Facet* facet, GArrayCollection* contour) {
    const std::vector<const double*> points = PointsOf(contour);
    if (!IsFacetOf(m_Surface, facet) || points.empty()) return;
    std::vector<G3Vertex*> hole;
    for (const double* p : points) hole.push_back(m_Surface->AddVertex(p, 0));
    Punch(m_Surface, facet, hole);
}

G3Facet* G3SurfaceEdit::InsertFacet(GArrayCollection* contour,
                                    G3Point* direction,
                                    double depth,
                                    GArrayCollection* sides) {
    const std::vector<const double*> points = PointsOf(contour);
    if (m_Surface == nullptr || points.empty() || direction == nullptr ||
        !IsFinite(direction->GetXYZ()) || !std::isfinite(depth))
        return nullptr;
    // The first facet holding every point, and the middle of every contour edge, so that
    // a contour around a hole is not taken for one on the facet.
    G3Facet* target = nullptr;
    for (int f = 0; f < m_Surface->GetFacetCount() && target == nullptr; ++f) {
        G3Facet* facet = m_Surface->GetFacet(f);
        bool all = true;
        for (std::size_t k = 0; k < points.size() && all; ++k) {
            const double* p = points[k];
            const double* q = points[(k + 1) % points.size()];
            const double mid[3] = {0.5 * (p[0] + q[0]), 0.5 * (p[1] + q[1]), 0.5 * (p[2] + q[2])};
            all = PointInFacet(facet, p) && PointInFacet(facet, mid);
        }
        if (all) target = facet;
    }
    if (target == nullptr) return nullptr;

    std::vector<G3Vertex*> base;
    for (const double* p : points) base.push_back(m_Surface->AddVertex(p, 0));
    if (Punch(m_Surface, target, base) == nullptr) return nullptr;
    // `base` now runs like the facet's outline: the sides and the cap face away from the
    // material whichever way the prism goes.
    const double* d = direction->GetXYZ();
    const int n = static_cast<int>(base.size());
    std::vector<G3Vertex*> top;
    for (const G3Vertex* v : base) {
        const double* p = v->GetXYZ();
        top.push_back(
            m_Surface->AddVertex(p[0] + depth * d[0], p[1] + depth * d[1], p[2] + depth * d[2], 0));
    }
    std::vector<G3Facet*> made;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        G3Vertex* quad[4] = {base[std::size_t(j)], top[std::size_t(j)], top[std::size_t(i)],
                             base[std::size_t(i)]};
        G3Facet* side = m_Surface->AddFacet(4, quad, 1, nullptr, nullptr);
        if (side != nullptr) side->SetFlags(kOurs);
        made.push_back(side);
    }
    G3Facet* cap = m_Surface->AddFacet(n, top.data(), 1, nullptr, nullptr);
    if (cap != nullptr) cap->SetFlags(kOurs);

    m_Surface->RemoveEqualsVertexAndDivideEdges();
    m_Surface->Update(CHECK_LEVEL_1001);

    // The clean-up may have destroyed collapsed facets: hand out only those still there.
    std::unordered_set<const G3Facet*> alive;
    for (int f = 0; f < m_Surface->GetFacetCount(); ++f) {
        G3Facet* facet = m_Surface->GetFacet(f);
        if ((facet->GetFlags() & kOurs) == 0) continue;
        alive.insert(facet);
        facet->ClearFlags(kOurs);
    }
    if (sides != nullptr) {
        for (G3Facet* side : made) {
            if (side != nullptr && alive.count(side) != 0) sides->add(side);
        }
    }
    return cap != nullptr && alive.count(cap) != 0 ? cap : nullptr;
}

bool G3SurfaceEdit::RemoveStuckTogetherFacets(G3Facet* facet) {
    if (!IsFacetOf(m_Surface, facet) || m_Surface->GetFacetCount() == 0) return false;
    const G3FacetLoops loops(facet);
    if (loops.GetLoopCount() != 1) return false;  // only a simple outline becomes a hole
    G3Facet* chosen = nullptr;
    G3IntervalList cut;
    for (int f = 0; f < m_Surface->GetFacetCount() && chosen == nullptr; ++f) {
        G3Facet* other = m_Surface->GetFacet(f);
        if (other == facet || other->IntersectByPlaneConcave(facet->GetPlane(), &cut) != 3)
            continue;
        bool all = true;
        for (int k = 0; k < loops.GetCount() && all; ++k)
            all = PointInFacet(other, loops.Vertex(k)->GetXYZ());
        if (all) chosen = other;
    }
    if (chosen == nullptr) return false;
    // The hole runs over the removed facet's own vertices and edges: whatever stood on
    // that facet's outline now stands on the hole.
    std::vector<G3Vertex*> hole(loops.Vertices().begin(), loops.Vertices().end());
    std::vector<G3Edge*> old(static_cast<std::size_t>(facet->GetEdgeCount()));
    facet->GetEdges(old.data());
    m_Surface->RemoveFacet(facet);
    Punch(m_Surface, chosen, hole);
    for (G3Edge* e : old) {
        if (e->GetFacetCount() == 0) m_Surface->RemoveEdge(e);
    }
    return true;
}

bool G3SurfaceEdit::DivideEdge(G3Surface* surface, G3Edge* edge, G3IntervalList* intervals) {
    G3Surface* s = surface != nullptr ? surface : m_Surface;
    if (s == nullptr || edge == nullptr) return false;
    const bool owned = IsFacetOf(s, edge->GetFacet1()) || IsFacetOf(s, edge->GetFacet2());
    if (!owned) return false;
    const double* a = edge->GetVertex1()->GetXYZ();
    const double* b = edge->GetVertex2()->GetXYZ();
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(length > kTol)) return false;
    // Each interval as parameters along the edge from its vertex 1, turned to run along it
    // and clamped to it; taken in order along the edge.
    struct Piece {
        double t0, t1;
    };
    std::vector<Piece> pieces;
    if (intervals != nullptr && intervals->GetIntervalList() != nullptr) {
        GArrayCollection* list = intervals->GetIntervalList();
        auto along = [&](const double* p) {
            return ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1] + (p[2] - a[2]) * d[2]) /
                   (length * length);
        };
        for (int k = 0; k < list->size(); ++k) {
            auto* x = static_cast<G3Interval*>(list->get(k));
            if (x == nullptr || !IsFinite(x->GetXYZ1()) || !IsFinite(x->GetXYZ2())) continue;
            double t0 = std::clamp(along(x->GetXYZ1()), 0.0, 1.0);
            double t1 = std::clamp(along(x->GetXYZ2()), 0.0, 1.0);
            if (t0 > t1) std::swap(t0, t1);
            pieces.push_back({t0, t1});
        }
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece& p, const Piece& q) {
        return p.t0 < q.t0 || (p.t0 == q.t0 && p.t1 < q.t1);
    });
    // The chain's inner vertices, and for each piece of the chain whether it is an interval.
    const double step = kTol / length;
    std::vector<double> at;   // parameters of inner vertices
    std::vector<bool> inner;  // per chain piece: an interval
    double last = 0.0;
    for (const Piece& p : pieces) {
        const double t0 = std::max(p.t0, last);
        const double t1 = std::max(p.t1, t0);
        if (1.0 - t0 < step) break;  // the interval lies at the far end: nothing of it
        if (t0 - last >= step) {     // a gap before the interval
            at.push_back(t0);
            inner.push_back(false);
            last = t0;
        }
        if (t1 - last >= step) {
            const bool reachesEnd = 1.0 - t1 < step;
            if (!reachesEnd) at.push_back(t1);
            inner.push_back(true);
            last = reachesEnd ? 1.0 : t1;
        }
        if (last >= 1.0) break;
    }
    if (last < 1.0) inner.push_back(false);  // the gap to the far end
    std::vector<G3Vertex*> vertices;
    for (double t : at)
        vertices.push_back(s->AddVertex(a[0] + t * d[0], a[1] + t * d[1], a[2] + t * d[2], 0));
    G3Vertex* from = edge->GetVertex1();
    G3Vertex* to = edge->GetVertex2();
    const int32_t flags = edge->GetFlags();
    s->SplitEdge(edge, static_cast<int>(vertices.size()), vertices.data(), false);
    // Interval pieces are invisible.
    GArrayCollection joining(4, 4);
    for (std::size_t k = 0; k < inner.size(); ++k) {
        G3Vertex* p = k == 0 ? from : vertices[k - 1];
        G3Vertex* q = k < vertices.size() ? vertices[k] : to;
        p->GetEdges(q, &joining);
        for (int e = 0; e < joining.size(); ++e) {
            auto* piece = static_cast<G3Edge*>(joining.get(e));
            piece->SetFlags(inner[k] ? 0x80 : flags);
        }
    }
    return true;
}

bool G3SurfaceEdit::FindCommonEdges(
    G3Surface* a, G3Surface* b, double ma[4][4], double mb[4][4], GArrayCollection* out) {
    if (a == nullptr || b == nullptr || a->GetFacetCount() == 0 || b->GetFacetCount() == 0 ||
        ma == nullptr || mb == nullptr)
        return false;
    auto unit = [](const G3Edge* e, double* u) {
        const double* p = e->GetVertex1()->GetXYZ();
        const double* q = e->GetVertex2()->GetXYZ();
        double n = 0;
        for (int k = 0; k < 3; ++k) {
            u[k] = q[k] - p[k];
            n += u[k] * u[k];
        }
        n = std::sqrt(n);
        if (!(n > kTol)) return false;
        for (int k = 0; k < 3; ++k) u[k] /= n;
        return true;
    };
    // Within 1e-4 of the line of e, after a relative test.
    auto onLine = [](const G3Edge* e, const double* u, const double* p) {
        const double* o = e->GetVertex1()->GetXYZ();
        const double w[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
        const double c[3] = {w[1] * u[2] - w[2] * u[1], w[2] * u[0] - w[0] * u[2],
                             w[0] * u[1] - w[1] * u[0]};
        const double scale = 1.0 + std::fabs(o[0]) + std::fabs(o[1]) + std::fabs(o[2]);
        const double dist = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        return dist <= 1e-6 * scale || dist < 1e-4 * 1e-2;
    };
    bool found = false;
    for (int i = 0; i < a->GetFacetCount(); ++i) {
        const G3Facet* fa = a->GetFacet(i);
        for (int j = 0; j < b->GetFacetCount(); ++j) {
            const G3Facet* fb = b->GetFacet(j);
            const double* pa = fa->GetPlane();
            const double* pb = fb->GetPlane();
            const double dScale = 1.0 + std::fabs(pa[3]);
            if (std::fabs(pa[0] - pb[0]) > 1e-6 || std::fabs(pa[1] - pb[1]) > 1e-6 ||
                std::fabs(pa[2] - pb[2]) > 1e-6 || std::fabs(pa[3] - pb[3]) > 1e-6 * dScale)
                continue;
            for (G3Edge* ea = fa->GetFirstEdge(); ea != nullptr; ea = fa->NextEdge(ea)) {
                double ua[3];
                if (!unit(ea, ua)) continue;
                int axis = 0;
                for (int k = 1; k < 3; ++k)
                    if (std::fabs(ua[k]) > std::fabs(ua[axis]) + kTol) axis = k;
                for (G3Edge* eb = fb->GetFirstEdge(); eb != nullptr; eb = fb->NextEdge(eb)) {
                    double ub[3];
                    if (!unit(eb, ub)) continue;
                    const double dot = ua[0] * ub[0] + ua[1] * ub[1] + ua[2] * ub[2];
                    if (std::fabs(std::fabs(dot) - 1.0) > kTol) continue;
                    const double* b1 = eb->GetVertex1()->GetXYZ();
                    const double* b2 = eb->GetVertex2()->GetXYZ();
                    if (!onLine(ea, ua, b1) || !onLine(ea, ua, b2)) continue;
                    const double* a1 = ea->GetVertex1()->GetXYZ();
                    const double* a2 = ea->GetVertex2()->GetXYZ();
                    const double* lo = a1[axis] < a2[axis] ? a1 : a2;
                    const double* hi = a1[axis] < a2[axis] ? a2 : a1;
                    const double* blo = b1[axis] < b2[axis] ? b1 : b2;
                    const double* bhi = b1[axis] < b2[axis] ? b2 : b1;
                    const double* from = lo[axis] > blo[axis] ? lo : blo;
                    const double* to = hi[axis] < bhi[axis] ? hi : bhi;
                    if (!(to[axis] - from[axis] > kTol)) continue;
                    double p[3], q[3];
                    Transform(from, ma, p);
                    Transform(to, ma, q);
                    if (out != nullptr) out->add(new Segment(p, q, ea));
                    Transform(from, mb, p);
                    Transform(to, mb, q);
                    if (out != nullptr) out->add(new Segment(p, q, eb));
                    found = true;
                }
            }
        }
    }
    return found;
}
