// Splitting an edge list's edges where they cross one another.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

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
            shared = m_Surface->AddVertexCopy(p, 0);
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
