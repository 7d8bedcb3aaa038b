// The loose edges of an edge list as a graph of their own, shared by the contour tracer
// and the face tracer: coincident endpoints become one work vertex.

#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace g3edgegraph {

constexpr int32_t kWalked = G3OBJ_MARK;
constexpr int32_t kOnPath = G3OBJ_MARK2;

inline G3Vertex* SourceOf(const G3Vertex* work) {
    return static_cast<G3Vertex*>(work->GetExData());
}

// Fills `out` with v's edges (reused between calls, so stripping allocates once).
inline void EdgesAt(const G3Vertex* v, std::vector<G3Edge*>& out) {
    out.clear();
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) out.push_back(e);
}

// Endpoints within 1e-6 of each other become one work vertex: a grid of about one cell per
// endpoint over the list's two axes, each vertex kept in every cell its 1e-6 box meets, so
// that a lookup reads one chain. A chain lists the newest vertex first, so a lookup returns
// the vertex added last among those within 1e-6 (in 3D), whatever the cell size.
class EndpointHash {
public:
    EndpointHash(const GEnvelope& box, int x, int y, int expected) : m_X(x), m_Y(y) {
        // Square cells of the area per endpoint; for a list that keeps close to a line, as
        // long as its extent per endpoint.
        const double ex = box.GetMax()[x] - box.GetMin()[x], ey = box.GetMax()[y] - box.GetMin()[y];
        const double count = std::max(expected, 1);
        const double width =
            std::max({std::sqrt(ex * ey / count), std::max(ex, ey) / count, 4 * kTol});
        m_Width = std::isfinite(width) ? width : 1.0;
        m_Origin[0] = std::isfinite(box.GetMin()[x]) ? box.GetMin()[x] : 0.0;
        m_Origin[1] = std::isfinite(box.GetMin()[y]) ? box.GetMin()[y] : 0.0;
        std::size_t buckets = 16;
        while (buckets < 2 * static_cast<std::size_t>(std::max(expected, 1))) buckets *= 2;
        m_Heads.assign(buckets, -1);
    }

    G3Vertex* Find(const double* p) const {
        for (int k = m_Heads[Bucket(Cell(0, p[m_X]), Cell(1, p[m_Y]))]; k >= 0;
             k = m_Items[k].next) {
            if (G3Point::Equals(m_Items[k].vertex->GetXYZ(), p, kTol)) return m_Items[k].vertex;
        }
        return nullptr;
    }

    void Add(G3Vertex* v) {
        const double* p = v->GetXYZ();
        const int64_t x0 = Cell(0, p[m_X] - kTol), x1 = Cell(0, p[m_X] + kTol);
        const int64_t y0 = Cell(1, p[m_Y] - kTol), y1 = Cell(1, p[m_Y] + kTol);
        for (int64_t cy = y0; cy <= y1; ++cy) {
            for (int64_t cx = x0; cx <= x1; ++cx) {
                const std::size_t b = Bucket(cx, cy);
                m_Items.push_back({v, m_Heads[b]});
                m_Heads[b] = static_cast<int>(m_Items.size()) - 1;
            }
        }
    }

private:
    static constexpr double kTol = 1e-6;
    // Cell of a coordinate, bounded so that far and non-finite values stay representable.
    int64_t Cell(int axis, double c) const {
        const double t = std::floor((c - m_Origin[axis]) / m_Width);
        if (!(t > -1e15)) return t < 0 ? -1000000000000000 : 0;  // also NaN
        return t < 1e15 ? static_cast<int64_t>(t) : 1000000000000000;
    }
    std::size_t Bucket(int64_t cx, int64_t cy) const {
        const uint64_t h = static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^
                           static_cast<uint64_t>(cy) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<std::size_t>((h ^ (h >> 29)) & (m_Heads.size() - 1));
    }

    struct Item {
        G3Vertex* vertex;
        int next;
    };
    int m_X, m_Y;
    double m_Width = 1.0;
    double m_Origin[2] = {0.0, 0.0};
    std::vector<int> m_Heads;
    std::vector<Item> m_Items;
};

// The loose edges of a list as a graph: coincident endpoints (within 1e-6) become one work
// vertex, linked to the first source vertex seen there; every edge becomes a work edge with
// its flags and shading. A graph may also take over a surface whose edges are already
// joined at shared vertices: it then walks that surface's own vertices and edges.
class WorkGraph {
public:
    WorkGraph(G3EdgeList& list, int x, int y) : m_X(x), m_Y(y), m_Work(m_Own) {
        list.FormEnvelope();
        EndpointHash hash(*list.GetEnvelope(), x, y, 2 * list.size());
        for (int i = 0; i < list.size(); ++i) {
            const G3Edge* e = list.GetEdgeAt(i);
            G3Vertex* a = Vertex(hash, e->GetVertex1());
            G3Vertex* b = Vertex(hash, e->GetVertex2());
            if (a == b) continue;
            G3Edge* w = m_Work.AddEdge(a, b, nullptr);
            w->SetFlags(e->GetFlags() & ~(kWalked | kOnPath));  // marks are the walk's own
            w->SetGeometry(e->GetGeometry());
        }
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) m_Pending.push_back(m_Work.GetVertex(i));
    }

    // Walks `surface` itself: contours are made over its vertices, and its edges leave it as
    // they are walked.
    WorkGraph(G3Surface& surface, int x, int y)
        : m_X(x), m_Y(y), m_Own(1, 1), m_Work(surface), m_Adopted(true) {
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) m_Pending.push_back(m_Work.GetVertex(i));
    }
    WorkGraph(const WorkGraph&) = delete;
    WorkGraph& operator=(const WorkGraph&) = delete;

    G3Surface& Surface() { return m_Work; }

    // Strips dangling edges and spurs of parallel edges until none is left. Only vertices
    // that lost an edge since the last call can have become dead ends (all of them on the
    // first call); the graph left does not depend on the order they are looked at.
    void RemoveTails() {
        std::vector<G3Edge*> edges;
        while (!m_Pending.empty()) {
            G3Vertex* v = m_Pending.back();
            m_Pending.pop_back();
            EdgesAt(v, edges);
            // A dead end: every edge leads to the same neighbour (a dangling edge, or a spur
            // of two or more parallel edges).
            bool deadEnd = !edges.empty();
            for (const G3Edge* e : edges)
                deadEnd = deadEnd && e->OtherVertex(v) == edges[0]->OtherVertex(v);
            if (!deadEnd) continue;
            G3Vertex* neighbour = edges[0]->OtherVertex(v);
            for (G3Edge* e : edges) m_Work.RemoveEdge(e);
            m_Pending.push_back(neighbour);
        }
    }

    // The top-most vertex with edges and the edge to leave it by; false when no edge is left.
    bool FindLegalEdge(G3Edge** edge, G3Vertex** start) {
        G3Vertex* top = TopVertex();
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
                RemoveWorkEdge(first);
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
                        RemoveWorkEdge(first);
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
                contour->AddEdge(Source(w->GetVertex1()), Source(w->GetVertex2()), n1, n2, t1, t2,
                                 w->GetFlags() & ~(kWalked | kOnPath));
            }
            contour->Normalize();
        }
        for (std::size_t k = from; k < path.size(); ++k) {
            Mark(path[k], false);
            RemoveWorkEdge(path[k]);
        }
        return contour;
    }

private:
    G3Vertex* Source(G3Vertex* work) const { return m_Adopted ? work : SourceOf(work); }

    G3Vertex* Vertex(EndpointHash& hash, const G3Vertex* source) {
        if (G3Vertex* found = hash.Find(source->GetXYZ())) return found;
        G3Vertex* v = m_Work.AddVertexCopy(source->GetXYZ(), 0);
        v->SetExData(const_cast<G3Vertex*>(source));
        hash.Add(v);
        return v;
    }

    // Takes an edge out of the graph; its ends may have become dead ends.
    void RemoveWorkEdge(G3Edge* e) {
        m_Pending.push_back(e->GetVertex1());
        m_Pending.push_back(e->GetVertex2());
        m_Work.RemoveEdge(e);
    }

    // Whether v replaces `top` in a scan for the top-most vertex: higher by more than 1e-6,
    // or as high within 1e-6 and further along x by more than 1e-6.
    bool IsHigher(const G3Vertex* v, const G3Vertex* top) const {
        const double dy = v->GetXYZ(m_Y) - top->GetXYZ(m_Y);
        return dy > 1e-6 || (std::fabs(dy) <= 1e-6 && v->GetXYZ(m_X) > top->GetXYZ(m_X) + 1e-6);
    }

    // The vertex a scan of every vertex with edges, in the order of the work surface, keeps
    // as the top-most (see IsHigher). The comparison is not transitive, so the scan itself
    // decides; but only the vertices of the top band take part in it: those reached from
    // the highest by steps of at most 1e-6 down. Each of them is more than 1e-6 above every
    // vertex below the band, so it replaces any of those and none of those replaces it.
    // The vertices are kept sorted by height; vertices lose edges and never gain any, so
    // the sorted order only ever drops entries from its head.
    // The first few calls scan: for lists of a few contours that is cheaper than sorting.
    G3Vertex* TopVertex() {
        if (m_Height.empty() && (++m_Scans <= kScans || !SortByHeight())) return ScanForTop();
        while (m_Highest < m_Height.size() && !m_Height[m_Highest]->HasEdges()) ++m_Highest;
        if (m_Highest == m_Height.size()) return nullptr;
        m_Band.clear();
        double lowest = m_Height[m_Highest]->GetXYZ(m_Y);
        for (std::size_t k = m_Highest; k < m_Height.size(); ++k) {
            G3Vertex* v = m_Height[k];
            if (lowest - v->GetXYZ(m_Y) > 1e-6) break;  // so is every vertex after it
            if (!v->HasEdges()) continue;
            lowest = v->GetXYZ(m_Y);
            m_Band.push_back(v);
        }
        if (m_Band.size() == 1) return m_Band[0];
        std::sort(m_Band.begin(), m_Band.end(),
                  [](const G3Vertex* a, const G3Vertex* b) { return a->GetId() < b->GetId(); });
        G3Vertex* top = m_Band[0];
        for (std::size_t k = 1; k < m_Band.size(); ++k) {
            if (IsHigher(m_Band[k], top)) top = m_Band[k];
        }
        return top;
    }

    // Sorts the vertices from the highest down (on a tie in surface order); false, sorting
    // nothing, when a coordinate is not finite and heights do not order.
    bool SortByHeight() {
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) {
            const G3Vertex* v = m_Work.GetVertex(i);
            if (v->GetId() != i || !std::isfinite(v->GetXYZ(m_X)) || !std::isfinite(v->GetXYZ(m_Y)))
                return false;
        }
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) m_Height.push_back(m_Work.GetVertex(i));
        const int y = m_Y;
        std::sort(m_Height.begin(), m_Height.end(), [y](const G3Vertex* a, const G3Vertex* b) {
            return a->GetXYZ(y) > b->GetXYZ(y) ||
                   (a->GetXYZ(y) == b->GetXYZ(y) && a->GetId() < b->GetId());
        });
        m_Highest = 0;
        return true;
    }

    // The scan itself, over every vertex.
    G3Vertex* ScanForTop() const {
        G3Vertex* top = nullptr;
        for (int i = 0; i < m_Work.GetVertexCount(); ++i) {
            G3Vertex* v = m_Work.GetVertex(i);
            if (!v->HasEdges()) continue;
            if (top == nullptr || IsHigher(v, top)) top = v;
        }
        return top;
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
    G3Surface m_Own;  // the graph's own surface, unused when it walks another
    G3Surface& m_Work;
    bool m_Adopted = false;
    std::vector<G3Vertex*> m_Pending;  // vertices that may have become dead ends
    std::vector<G3Vertex*> m_Height;   // every vertex, highest first; empty until needed
    std::size_t m_Highest = 0;         // entries before it have no edges left
    std::vector<G3Vertex*> m_Band;
    static constexpr int kScans = 4;
    int m_Scans = 0;  // calls answered by a scan
};

}  // namespace g3edgegraph
