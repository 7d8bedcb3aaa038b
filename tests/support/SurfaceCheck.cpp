#include "tests/support/SurfaceCheck.h"

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/TestMesh.h"

namespace pktest {

namespace {

::testing::AssertionResult IdsMatch(const GArrayCollection* list, const char* what) {
    if (list == nullptr) return ::testing::AssertionSuccess();
    for (int i = 0; i < list->size(); ++i) {
        if (static_cast<const G3Obj*>(list->get(i))->GetId() != i) {
            return ::testing::AssertionFailure()
                   << what << " " << i << " has identifier "
                   << static_cast<const G3Obj*>(list->get(i))->GetId();
        }
    }
    return ::testing::AssertionSuccess();
}

// The facet's loops (the outline, then each hole), each as its corner points in the order
// the facet runs them. A ring that does not close into loops is one loop over its walk.
std::vector<std::vector<const double*>> Loops(const G3Facet* f) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    std::vector<std::vector<const double*>> out;
    if (!f->GetLoops(starts, ends)) {
        std::vector<G3Vertex*> v(static_cast<std::size_t>(f->GetVertexCount()));
        f->GetVertices(v.data());
        starts = v;
        ends.assign(1, static_cast<int>(v.size()));
    }
    std::size_t begin = 0;
    for (const int end : ends) {
        out.emplace_back();
        for (std::size_t k = begin; k < static_cast<std::size_t>(end); ++k)
            out.back().push_back(starts[k]->GetXYZ());
        begin = static_cast<std::size_t>(end);
    }
    return out;
}

}  // namespace

::testing::AssertionResult IsWellFormed(const G3Surface* s) {
    for (auto check : {IdsMatch(s->GetVertexList(), "vertex"), IdsMatch(s->GetEdgeList(), "edge"),
                       IdsMatch(s->GetFacetList(), "facet"), IdsMatch(s->GetNormalList(), "normal"),
                       IdsMatch(s->GetTexCooList(), "texture coordinate")}) {
        if (!check) return check;
    }
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        auto ring = RingIsClosed(s->GetFacet(i));
        if (!ring) return ring << " (facet " << i << ")";
    }
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        auto list = VertexListIsConsistent(s->GetVertex(i));
        if (!list) return list << " (vertex " << i << ")";
    }
    return ::testing::AssertionSuccess();
}

// The directions are read off each facet's loops, independently of the facet's own
// direction query: a loop's successor is in the same loop, also at the loop's end.
::testing::AssertionResult IsClosedAndOriented(const G3Surface* s) {
    std::map<std::pair<const G3Edge*, const G3Facet*>, bool> forward;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (f->HasEdges() && !f->GetLoops(starts, ends))
            return ::testing::AssertionFailure() << "facet " << i << " does not close into loops";
        std::size_t k = 0;
        for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e), ++k)
            forward[{e, f}] = starts[k] == e->GetVertex1();
    }
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetFacet1() == nullptr || e->GetFacet2() == nullptr) {
            return ::testing::AssertionFailure() << "edge " << i << " has an open side";
        }
        const auto a = forward.find({e, e->GetFacet1()});
        const auto b = forward.find({e, e->GetFacet2()});
        if (a == forward.end() || b == forward.end())
            return ::testing::AssertionFailure() << "edge " << i << " is not in its facets' rings";
        if (a->second == b->second) {
            return ::testing::AssertionFailure()
                   << "edge " << i << " is walked one way by both facets";
        }
    }
    if (!s->GetClosed()) return ::testing::AssertionFailure() << "GetClosed is false";
    return ::testing::AssertionSuccess();
}

int EulerCharacteristic(const G3Surface* s) {
    return s->GetVertexCount() - s->GetEdgeCount() + s->GetFacetCount();
}

// Each loop is fanned from its own first corner: a hole runs the other way round, so its
// fan takes its part off the outline's. Corners are taken relative to the first vertex,
// so that a solid far from the origin keeps its digits.
double SignedVolume(const G3Surface* s) {
    double volume = 0.0;
    if (s->GetVertexCount() == 0) return 0.0;
    const double* o = s->GetVertex(0)->GetXYZ();
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        for (const auto& ring : Loops(s->GetFacet(i))) {
            const double a[3] = {ring[0][0] - o[0], ring[0][1] - o[1], ring[0][2] - o[2]};
            for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
                const double b[3] = {ring[k][0] - o[0], ring[k][1] - o[1], ring[k][2] - o[2]};
                const double c[3] = {ring[k + 1][0] - o[0], ring[k + 1][1] - o[1],
                                     ring[k + 1][2] - o[2]};
                volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                           a[2] * (b[0] * c[1] - b[1] * c[0])) /
                          6.0;
            }
        }
    }
    return volume;
}

// A facet's area is the length of its loops' summed vector area (about the first corner,
// so that far-off facets keep their digits).
double Area(const G3Surface* s) {
    double area = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const auto loops = Loops(s->GetFacet(i));
        if (loops.empty() || loops[0].empty()) continue;
        const double* o = loops[0][0];
        double n[3] = {0.0, 0.0, 0.0};
        for (const auto& ring : loops) {
            for (std::size_t k = 0; k < ring.size(); ++k) {
                const double* a = ring[k];
                const double* b = ring[(k + 1) % ring.size()];
                const double u[3] = {a[0] - o[0], a[1] - o[1], a[2] - o[2]};
                const double w[3] = {b[0] - o[0], b[1] - o[1], b[2] - o[2]};
                n[0] += u[1] * w[2] - u[2] * w[1];
                n[1] += u[2] * w[0] - u[0] * w[2];
                n[2] += u[0] * w[1] - u[1] * w[0];
            }
        }
        area += 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    }
    return area;
}

::testing::AssertionResult HasVolume(const G3Surface* s, double volume, double relTol) {
    const double v = SignedVolume(s);
    if (!(std::fabs(v - volume) <= relTol * std::fabs(volume))) {
        return ::testing::AssertionFailure() << "signed volume " << v << ", expected " << volume;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsClosedWithVolume(const G3Surface* s, double volume, double relTol) {
    if (auto well = IsWellFormed(s); !well) return well;
    if (auto closed = IsClosedAndOriented(s); !closed) return closed;
    return HasVolume(s, volume, relTol);
}

bool IsWallInSquare(G3Facet* f, double x0, double x1) {
    if (std::fabs(f->GetPlaneC()) > 1e-9) return false;
    std::vector<G3Vertex*> ring(f->GetVertexCount());
    f->GetVertices(ring.data());
    for (G3Vertex* v : ring) {
        if (v->GetX() < x0 - 1e-9 || v->GetX() > x1 + 1e-9) return false;
        if (v->GetY() < x0 - 1e-9 || v->GetY() > x1 + 1e-9) return false;
    }
    return true;
}

}  // namespace pktest
