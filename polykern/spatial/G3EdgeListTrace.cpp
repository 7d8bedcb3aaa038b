// Tracing closed contours out of loose edges, and splitting self-crossing lists.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"
#include "polykern/spatial/G3PointHash.h"

namespace {

constexpr int32_t kWalked = G3OBJ_MARK;
constexpr int32_t kOnPath = G3OBJ_MARK2;

G3Vertex* SourceOf(const G3Vertex* work) {
    return static_cast<G3Vertex*>(work->GetExData());
}

// Fills `out` with v's edges (reused between calls, so stripping allocates once).
void EdgesAt(const G3Vertex* v, std::vector<G3Edge*>& out) {
    out.clear();
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) out.push_back(e);
}

// The loose edges of a list as a graph: coincident endpoints (within 1e-6) become one work
// vertex, linked to the first source vertex seen there; every edge becomes a work edge with
// its flags and shading.
class WorkGraph {
public:
    WorkGraph(G3EdgeList& list, int x, int y) : m_X(x), m_Y(y) {
        list.FormEnvelope();
        GEnvelope box(list.GetEnvelope());
        // At least 24 cells a side, more for long lists so that a cell's chain stays short
        // (the lists are planar: most of a cubic grid's cells stay empty).
        const int cells =
            std::min(64, std::max(24, static_cast<int>(std::sqrt(0.5 * list.size()))));
        m_Hash = std::make_unique<G3PointHash>(cells, box.GetMin(), box.GetMax(), 1e-6);
        for (int i = 0; i < list.size(); ++i) {
            const G3Edge* e = list.GetEdgeAt(i);
            G3Vertex* a = Vertex(e->GetVertex1());
            G3Vertex* b = Vertex(e->GetVertex2());
            if (a == b) continue;
            G3Edge* w = m_Work.AddEdge(a, b, nullptr);
            w->SetFlags(e->GetFlags() & ~(kWalked | kOnPath));  // marks are the walk's own
            w->SetGeometry(e->GetGeometry());
        }
    }

    G3Surface& Surface() { return m_Work; }

    // Strips dangling edges and spurs of parallel edges until none is left.
    void RemoveTails() {
        std::vector<G3Vertex*> pending;
        std::vector<G3Edge*> edges;
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) pending.push_back(m_Work.GetVertex(i));
        while (!pending.empty()) {
            G3Vertex* v = pending.back();
            pending.pop_back();
            EdgesAt(v, edges);
            // A dead end: every edge leads to the same neighbour (a dangling edge, or a spur
            // of two or more parallel edges).
            bool deadEnd = !edges.empty();
            for (const G3Edge* e : edges)
                deadEnd = deadEnd && e->OtherVertex(v) == edges[0]->OtherVertex(v);
            if (!deadEnd) continue;
            G3Vertex* neighbour = edges[0]->OtherVertex(v);
            for (G3Edge* e : edges) m_Work.RemoveEdge(e);
            pending.push_back(neighbour);
        }
    }

    // The top-most vertex with edges and the edge to leave it by; false when no edge is left.
    bool FindLegalEdge(G3Edge** edge, G3Vertex** start) {
        G3Vertex* top = nullptr;
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) {
            G3Vertex* v = m_Work.GetVertex(i);
            if (!v->HasEdges()) continue;
            if (top == nullptr) {
                top = v;
                continue;
            }
            const double dy = v->GetXYZ(m_Y) - top->GetXYZ(m_Y);
            if (dy > 1e-6 || (std::fabs(dy) <= 1e-6 && v->GetXYZ(m_X) > top->GetXYZ(m_X) + 1e-6))
                top = v;
        }
        if (top == nullptr) return false;
        G3Edge* best = nullptr;
        double bestKey = 0.0;
        for (G3Edge* e = top->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(top)) {
            const G3Vertex* o = e->OtherVertex(top);
            const double dx = o->GetXYZ(m_X) - top->GetXYZ(m_X);
            const double dy = o->GetXYZ(m_Y) - top->GetXYZ(m_Y);
            if (std::fabs(dy) < 1e-6 && dx < 0.0) {
                best = e;
                break;
            }
            const double key = std::fabs(dy) < 1e-6 ? -1e308 : dx / dy;
            if (best == nullptr || key > bestKey) {
                best = e;
                bestKey = key;
            }
        }
        if (best == nullptr) return false;
        *edge = best;
        *start = best->OtherVertex(top);
        return true;
    }

    // Walks the loop of `first` from `start`, always taking the sharpest left turn, and
    // returns the contour it closes (null for none). Every edge it settles on leaves the
    // graph; a walk that fails takes at least its first edge out, so tracing ends.
    G3EdgeList* RemoveContour(G3Edge* first, G3Vertex* start, int32_t flags, int32_t surface) {
        std::vector<G3Edge*> path{first};
        Mark(first, true);
        G3Edge* e = first;
        G3Vertex* p = first->OtherVertex(start);
        G3Vertex* v = start;
        std::size_t from = 0;
        while (true) {
            G3Edge* next = SharpestLeft(e, p, v);
            if (next == nullptr) {
                for (G3Edge* walked : path) Mark(walked, false);
                m_Work.RemoveEdge(first);
                return nullptr;
            }
            if (next == first) break;
            if ((next->GetFlags() & kWalked) != 0) {
                G3Edge* twin = UnwalkedTwin(next);
                if (twin != nullptr) {
                    next = twin;
                } else {
                    // A loop that does not pass through the start closes here.
                    from = static_cast<std::size_t>(std::find(path.begin(), path.end(), next) -
                                                    path.begin());
                    if (from >= path.size()) {
                        // Marked by no walk of ours: give up on this start, as above.
                        for (G3Edge* walked : path) Mark(walked, false);
                        m_Work.RemoveEdge(first);
                        return nullptr;
                    }
                    for (std::size_t k = 0; k < from; ++k) Mark(path[k], false);
                    break;
                }
            }
            path.push_back(next);
            Mark(next, true);
            p = v;
            v = next->OtherVertex(v);
            e = next;
        }
        // The closed loop is path[from] onwards.
        G3EdgeList* contour = nullptr;
        if (path.size() - from >= 3) {
            contour = new G3EdgeList(flags, surface);
            for (std::size_t k = from; k < path.size(); ++k) {
                const G3Edge* w = path[k];
                G3Normal *n1, *n2;
                G3TexCoo *t1, *t2;
                w->GetNormals(&n1, &t1, &n2, &t2, 1);
                contour->AddEdge(SourceOf(w->GetVertex1()), SourceOf(w->GetVertex2()), n1, n2, t1,
                                 t2, w->GetFlags() & ~(kWalked | kOnPath));
            }
            contour->Normalize();
        }
        for (std::size_t k = from; k < path.size(); ++k) {
            Mark(path[k], false);
            m_Work.RemoveEdge(path[k]);
        }
        return contour;
    }

private:
    G3Vertex* Vertex(const G3Vertex* source) {
        if (G3Point* found = m_Hash->Exists(source->GetXYZ())) return static_cast<G3Vertex*>(found);
        G3Vertex* v = m_Work.AddVertex(source->GetXYZ(), 0);
        v->SetExData(const_cast<G3Vertex*>(source));
        m_Hash->AddWithoutTest(v);
        return v;
    }

    static void Mark(G3Edge* e, bool on) {
        if (on) {
            e->SetFlags(e->GetFlags() | kWalked | kOnPath);
        } else {
            e->ClearFlags(kWalked | kOnPath);
        }
    }

    // The last unwalked edge joining the same two vertices as `e`.
    static G3Edge* UnwalkedTwin(const G3Edge* e) {
        G3Edge* twin = nullptr;
        const G3Vertex* a = e->GetVertex1();
        for (G3Edge* o = a->GetFirstEdge(); o != nullptr; o = o->NextAtVertex(a)) {
            if (o != e && o->IsVertexEquals(e) && (o->GetFlags() & kWalked) == 0) twin = o;
        }
        return twin;
    }

    // At v, reached over e from p: the edge turning most to the left.
    G3Edge* SharpestLeft(const G3Edge* e, const G3Vertex* p, const G3Vertex* v) const {
        const double reference = G3Math::CalcAngle(v->GetXYZ(), p->GetXYZ(), 0.0, m_X, m_Y);
        G3Edge* best = nullptr;
        double bestAngle = -1.0;
        for (G3Edge* o = v->GetFirstEdge(); o != nullptr; o = o->NextAtVertex(v)) {
            if (o == e || o->IsVertexEquals(e)) continue;
            const double angle =
                G3Math::CalcAngle(v->GetXYZ(), o->OtherVertex(v)->GetXYZ(), reference, m_X, m_Y);
            if (angle > bestAngle) {
                bestAngle = angle;
                best = o;
            }
        }
        return best;
    }

    int m_X, m_Y;
    G3Surface m_Work;
    std::unique_ptr<G3PointHash> m_Hash;
};

}  // namespace

void G3EdgeList::FormContours(GArrayCollection* out) {
    TraceContours(out, UNION_EDGE_NONE);
}

void G3EdgeList::TraceContours(GArrayCollection* out, UNION_EDGE_ALG alg) {
    if (out == nullptr || isEmpty()) return;
    EnsureAxes();
    WorkGraph graph(*this, m_XCoo, m_YCoo);
    G3Surface& work = graph.Surface();
    if (alg == UNION_EDGE_MERGE) {
        // Edges running both ways between the same two vertices lie inside the region
        // being merged: both copies go.
        for (int i = 0; i < work.GetEdgeCount();) {
            G3Edge* e = work.GetEdge(i);
            G3Edge* opposite = nullptr;
            for (G3Edge* o = e->GetVertex1()->GetFirstEdge(); o != nullptr;
                 o = o->NextAtVertex(e->GetVertex1())) {
                if (o->GetVertex1() == e->GetVertex2() && o->GetVertex2() == e->GetVertex1()) {
                    opposite = o;
                    break;
                }
            }
            if (opposite == nullptr) {
                ++i;
                continue;
            }
            work.RemoveEdge(opposite);
            work.RemoveEdge(e);
        }
    } else if (alg == UNION_EDGE_OVERLAP) {
        ResolveOverlaps(work);
    }
    while (true) {
        graph.RemoveTails();
        G3Edge* edge = nullptr;
        G3Vertex* start = nullptr;
        if (!graph.FindLegalEdge(&edge, &start)) break;
        G3EdgeList* contour = graph.RemoveContour(edge, start, m_FacetFlags, m_FacetSurface);
        if (contour != nullptr) out->add(contour);
    }
}

void G3EdgeList::ResolveOverlaps(G3Surface& work) {
    const int x = m_XCoo, y = m_YCoo;
    GArrayCollection joining(4, 4);
    for (int i = 0; i < work.GetEdgeCount();) {
        G3Edge* e = work.GetEdge(i);
        G3Vertex* a = e->GetVertex1();
        G3Vertex* b = e->GetVertex2();
        a->GetEdges(b, &joining);
        if (joining.size() < 2) {
            ++i;
            continue;
        }
        bool removeAll = false;
        if (joining.size() % 2 == 0) {
            const double dx = b->GetXYZ(x) - a->GetXYZ(x), dy = b->GetXYZ(y) - a->GetXYZ(y);
            const double len = std::sqrt(dx * dx + dy * dy);
            const double h = 0.5 * 9.999999999999999e-06;
            double side[2][3] = {{0, 0, 0}, {0, 0, 0}};
            for (int s = 0; s < 2; ++s) {
                const double sign = s == 0 ? 1.0 : -1.0;
                side[s][x] =
                    0.5 * (a->GetXYZ(x) + b->GetXYZ(x)) + sign * h * (len > 0 ? dy / len : 0.0);
                side[s][y] =
                    0.5 * (a->GetXYZ(y) + b->GetXYZ(y)) - sign * h * (len > 0 ? dx / len : 0.0);
            }
            bool inside[2];
            for (int s = 0; s < 2; ++s) {
                G3EdgeListVertexIterator polygon(this);
                G3Vertex *hitA, *hitB;
                inside[s] = G3Facet::PointInFacet(x, y, side[s], &polygon, &hitA, &hitB, 1e-6);
            }
            removeAll = inside[0] == inside[1];
        }
        if (removeAll) {
            for (int k = 0; k < joining.size(); ++k)
                work.RemoveEdge(static_cast<G3Edge*>(joining.get(k)));
            continue;  // the same index now holds another edge
        }
        bool visible = false;
        for (int k = 0; k < joining.size(); ++k) {
            auto* o = static_cast<G3Edge*>(joining.get(k));
            if (o == e) continue;
            visible = visible || o->GetVisible();
            work.RemoveEdge(o);
        }
        if (visible) e->SetVisible();
        i = std::min(i, work.GetEdgeCount());
        if (i < work.GetEdgeCount() && work.GetEdge(i) == e) ++i;
    }
}

namespace {

struct Crossing {
    int edge;
    double t;  // along the edge from its vertex 1
    G3Vertex* vertex;
};

// Collects each crossing once, with one vertex shared by both edges; a crossing at an end
// of one edge splits the other at that existing vertex.
class CrossingCollector : public G3IntersectionPointLoader {
public:
    CrossingCollector(G3EdgeList& list, G3Surface* surface, int x, int y)
        : m_List(list), m_Surface(surface), m_X(x), m_Y(y) {}

    void LoadPoint(double* point, void* dataA, void* dataB, double, double) override {
        const int a = static_cast<int>(reinterpret_cast<std::intptr_t>(dataA));
        const int b = static_cast<int>(reinterpret_cast<std::intptr_t>(dataB));
        const G3Edge* ea = m_List.GetEdgeAt(a);
        const G3Edge* eb = m_List.GetEdgeAt(b);
        const double ta = Along(ea, point), tb = Along(eb, point);
        G3Vertex* shared = EndAt(ea, ta);
        if (shared == nullptr) shared = EndAt(eb, tb);
        if (shared == nullptr) {
            double p[3];
            for (int k = 0; k < 3; ++k) {
                p[k] = ea->GetVertex1()->GetXYZ(k) +
                       ta * (ea->GetVertex2()->GetXYZ(k) - ea->GetVertex1()->GetXYZ(k));
            }
            shared = m_Surface->AddVertex(p, 0);
        }
        if (EndAt(ea, ta) == nullptr) crossings.push_back({a, ta, shared});
        if (EndAt(eb, tb) == nullptr) crossings.push_back({b, tb, shared});
    }

    std::vector<Crossing> crossings;

private:
    // The fraction of the way from vertex 1 to vertex 2, from the point's projection.
    double Along(const G3Edge* e, const double* p) const {
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        const double dx = b[m_X] - a[m_X], dy = b[m_Y] - a[m_Y];
        const double len2 = dx * dx + dy * dy;
        return len2 > 0 ? ((p[m_X] - a[m_X]) * dx + (p[m_Y] - a[m_Y]) * dy) / len2 : 0.0;
    }

    // The edge's end vertex when t lies within 1e-6 (in length) of it.
    G3Vertex* EndAt(const G3Edge* e, double t) const {
        const double len = e->GetSize(m_X, m_Y);
        if (std::fabs(t) * len < 1e-6) return e->GetVertex1();
        if (std::fabs(1.0 - t) * len < 1e-6) return e->GetVertex2();
        return nullptr;
    }

    G3EdgeList& m_List;
    G3Surface* m_Surface;
    int m_X, m_Y;
};

}  // namespace

bool G3EdgeList::TestSelfIntersections() {
    EnsureAxes();
    G3LineSegmentIntersector intersector(m_XCoo, m_YCoo);
    for (int i = 0; i < size(); ++i) {
        const G3Edge* e = GetEdgeAt(i);
        intersector.AddSegment(e->GetVertex1()->GetXYZ(), e->GetVertex2()->GetXYZ(), nullptr);
    }
    return intersector.IntersectionExists();
}

void G3EdgeList::FindSelfIntersections(G3Surface* surface) {
    if (surface == nullptr || size() < 2) return;
    EnsureAxes();
    G3LineSegmentIntersector intersector(m_XCoo, m_YCoo);
    for (int i = 0; i < size(); ++i) {
        const G3Edge* e = GetEdgeAt(i);
        intersector.AddSegment(e->GetVertex2()->GetXYZ(), e->GetVertex1()->GetXYZ(),
                               reinterpret_cast<void*>(static_cast<std::intptr_t>(i)));
    }
    CrossingCollector collector(*this, surface, m_XCoo, m_YCoo);
    intersector.FindIntersections(&collector);
    if (collector.crossings.empty()) return;

    // Per edge, its crossings in order from vertex 1, coincident ones once.
    std::vector<std::vector<Crossing>> byEdge(static_cast<std::size_t>(size()));
    for (const Crossing& c : collector.crossings)
        byEdge[static_cast<std::size_t>(c.edge)].push_back(c);
    std::vector<GObj*> rebuilt;
    for (int i = 0; i < size(); ++i) {
        std::vector<Crossing>& cuts = byEdge[static_cast<std::size_t>(i)];
        G3Edge* e = GetEdgeAt(i);
        if (cuts.empty()) {
            rebuilt.push_back(e);
            continue;
        }
        std::sort(cuts.begin(), cuts.end(),
                  [](const Crossing& p, const Crossing& q) { return p.t < q.t; });
        std::vector<G3Vertex*> at;
        const double len = e->GetSizeXYZ();
        double lastT = 0.0;
        for (const Crossing& c : cuts) {
            if (!at.empty() && (at.back() == c.vertex || std::fabs(c.t - lastT) * len < 1e-6))
                continue;
            at.push_back(c.vertex);
            lastT = c.t;
        }
        std::vector<G3Edge*> pieces(at.size() + 1);
        SplitEdge(surface, e, static_cast<int>(at.size()), at.data(), pieces.data());
        for (G3Edge* piece : pieces) rebuilt.push_back(piece);
        delete e;
    }
    clear();
    add(static_cast<int>(rebuilt.size()), rebuilt.data());
}

void G3EdgeList::RemoveSelfIntersections(
    GArrayCollection* out, G3Surface* surface, bool remesh, UNION_EDGE_ALG alg, int /*unused*/) {
    if (out == nullptr || isEmpty()) return;
    EnsureAxes();
    FormEnvelope();
    FindSelfIntersections(surface);
    const int first = out->size();
    TraceContours(out, alg);
    for (int i = first; i < out->size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(out->get(i));
        c->SetPlane(m_Plane);
        c->FormEnvelope();
    }
    if (remesh) RemeshContours(surface, out, true, 0);
    // Every contour runs the same way round as this list.
    for (int i = out->size() - 1; i >= first; --i)
        static_cast<G3EdgeList*>(out->get(i))->OrientLike(m_Plane);
}

void G3EdgeList::OrientLike(const double* plane) {
    G3EdgeListVertexIterator walk(this);
    double fitted[4];
    if (!G3Math::FormPlaneEquation(&walk, fitted)) return;
    if (fitted[0] * plane[0] + fitted[1] * plane[1] + fitted[2] * plane[2] < 0.0) {
        Rotate();
        Normalize();
    }
}
