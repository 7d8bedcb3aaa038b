#include "tests/support/SurfaceCheck.h"

#include <cmath>
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

std::vector<const double*> Ring(const G3Facet* f) {
    std::vector<G3Vertex*> v(static_cast<std::size_t>(f->GetVertexCount()));
    f->GetVertices(v.data());
    std::vector<const double*> out;
    for (G3Vertex* p : v) out.push_back(p->GetXYZ());
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

::testing::AssertionResult IsClosedAndOriented(const G3Surface* s) {
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetFacet1() == nullptr || e->GetFacet2() == nullptr) {
            return ::testing::AssertionFailure() << "edge " << i << " has an open side";
        }
        if (e->GetFacet1()->GetMoveDirection(e) == e->GetFacet2()->GetMoveDirection(e)) {
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

double SignedVolume(const G3Surface* s) {
    double volume = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const auto ring = Ring(s->GetFacet(i));
        for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
            const double* a = ring[0];
            const double* b = ring[k];
            const double* c = ring[k + 1];
            volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                       a[2] * (b[0] * c[1] - b[1] * c[0])) /
                      6.0;
        }
    }
    return volume;
}

double Area(const G3Surface* s) {
    double area = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const auto ring = Ring(s->GetFacet(i));
        for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
            double plane[4];
            area += G3Facet::CalcRealSquareOfTriangle(ring[0], ring[k], ring[k + 1], plane);
        }
    }
    return area;
}

}  // namespace pktest
