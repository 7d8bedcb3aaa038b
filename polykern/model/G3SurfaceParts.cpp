// The open boundary of a surface, its repair passes, and its connected parts.

#include <unordered_set>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

// The first edge of v's list with a free side that does not lead back to `from`.
G3Edge* BoundaryEdgeAt(const G3Vertex* v, const G3Vertex* from) {
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        if (e->GetFacetCount() < 2 && e->OtherVertex(v) != from) return e;
    }
    return nullptr;
}

}  // namespace

bool G3Surface::GetContour(GArrayCollection& out) {
    if (GetClosed()) return false;
    RemoveEqualsVertexAndDivideEdges();
    G3Vertex* start = nullptr;
    for (int i = 0; i < GetVertexCount() && start == nullptr; ++i) {
        if (BoundaryEdgeAt(GetVertex(i), nullptr) != nullptr) start = GetVertex(i);
    }
    if (start == nullptr) return false;
    std::unordered_set<const G3Vertex*> seen{start};
    out.add(start);
    G3Vertex* from = start;
    G3Vertex* at = BoundaryEdgeAt(start, nullptr)->OtherVertex(start);
    // Each step reaches a vertex not seen before, so the walk ends within the vertex count.
    while (at != start) {
        if (!seen.insert(at).second) return false;  // not one simple loop
        out.add(at);
        G3Edge* next = BoundaryEdgeAt(at, from);
        if (next == nullptr) return false;
        from = at;
        at = next->OtherVertex(at);
    }
    return true;
}

void G3Surface::Update(CHECK_LEVEL level) {
    switch (level) {
        case CHECK_LEVEL_1001:
            RemoveEqualsVertex();
            RemoveEqualsNormal();
            RemoveNonManifoldEdges();
            OrientNormals2(false);
            break;
        case CHECK_LEVEL_1002:
            RemoveSelfIntersections();
            RemoveEqualsFacets();
            OrientNormals2(false);
            break;
        case CHECK_LEVEL_1003:
            RemoveSelfIntersections();
            {
                G3BooleanCalculator cutter;
                cutter.RemoveSelfIntersection(this);
            }
            OrientNormals2(false);
            break;
        case CHECK_LEVEL_NONE:
            break;
    }
}

int G3Surface::Explode(GArrayCollection* out) {
    if (out == nullptr) return 0;
    // Both marks start clear: a stale mark would drop a part.
    ChangeFacetFlags(G3OBJ_MARK3 | G3OBJ_MARK4, false);
    GArrayCollection part(64, 1024);
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* f = GetFacet(i);
        if (f->GetMark3()) continue;
        part.clear();
        GetAllAdjacentFaces(f, &part);
        auto* piece = static_cast<G3Surface*>(Duplicate());
        for (int k = 0; k < piece->GetFacetCount();) {
            G3Facet* g = piece->GetFacet(k);
            if (!g->GetMark4()) {
                piece->RemoveFacet(g);
                continue;
            }
            g->ClearFlags(G3OBJ_MARK3 | G3OBJ_MARK4);
            ++k;
        }
        piece->RemoveUnused();
        piece->Update(CHECK_LEVEL_1001);
        out->add(piece);
        for (int k = 0; k < part.size(); ++k) static_cast<G3Facet*>(part.get(k))->ClearMark4();
    }
    ChangeFacetFlags(G3OBJ_MARK3 | G3OBJ_MARK4, false);
    return out->size();
}
