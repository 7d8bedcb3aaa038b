// Tracing a segment through a facet list into a result object: facet, edge and vertex
// hits, each edge and vertex reported once per trace.

#include <cmath>

#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceResult.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace {

using namespace G3BCRayMath;

// A sum of unit normals shorter than this has no direction: the facets face apart.
constexpr double kNormalTol = 1e-9;

void AddPlaneNormal(const G3Facet* f, double* sum) {
    if (f == nullptr) return;
    const double* n = f->GetPlane();
    if (!IsFinite3(n)) return;
    for (int k = 0; k < 3; ++k) sum[k] += n[k];
}

// Scales the sum to unit length, or makes it zero when it is too short to say a direction.
void Normalize(double* v) {
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(len > kNormalTol) || !std::isfinite(len)) {
        v[0] = v[1] = v[2] = 0.0;
        return;
    }
    for (int k = 0; k < 3; ++k) v[k] /= len;
}

void AddBothNormals(const G3Edge* e, double* sum) {
    AddPlaneNormal(e->GetFacet1(), sum);
    AddPlaneNormal(e->GetFacet2(), sum);
}

void ClearMarks(GArrayCollection* list) {
    for (int k = 0; k < list->size(); ++k) static_cast<G3Obj*>(list->get(k))->ClearMark();
    list->clear();
}

}  // namespace

int G3BooleanCalculator::TestRayAndFacetList(double* p,
                                             double* q,
                                             GArrayCollection* facets,
                                             G3RayTraceResult* result) {
    if (p == nullptr || q == nullptr || facets == nullptr || result == nullptr) return -1;
    if (!IsFinite3(p) || !IsFinite3(q)) return -1;
    // Empty until an edge or a vertex is met: most traces allocate nothing.
    GArrayCollection edgesSeen(0, 16);
    GArrayCollection verticesSeen(0, 16);
    int reports = 0;
    for (int k = 0; k < facets->size(); ++k) {
        auto* f = static_cast<G3Facet*>(facets->get(k));
        if (f == nullptr || !f->HasEdges()) continue;
        const double* plane = f->GetPlane();
        if (!IsUsablePlane(plane)) continue;
        const double hp = PlaneValue(plane, p), hq = PlaneValue(plane, q);
        const int sp = Side(hp), sq = Side(hq);
        double x[3];
        if (sp == 0 && sq != 0) {
            for (int c = 0; c < 3; ++c) x[c] = p[c];
        } else if (sp != 0 && sq != 0 && sp != sq) {
            const double t = std::fabs(hp / (hp - hq));
            for (int c = 0; c < 3; ++c) x[c] = p[c] + t * (q[c] - p[c]);
        } else {
            continue;  // both ends on one side, or the segment in the plane
        }
        // The facet is walked loop by loop: a point in one of its holes misses it.
        int i, j;
        f->GetMaxCoo(&i, &j);
        G3Vertex *hitA = nullptr, *hitB = nullptr;
        if (!f->PointInFacet(i, j, x, &hitA, &hitB, kSideTol)) continue;
        ++reports;
        if (hitA == nullptr) {
            FacetFilter(result, x, nullptr, nullptr, f);
        } else if (hitB == nullptr) {
            VertexFilter(result, x, hitA, &edgesSeen, &verticesSeen);
        } else {
            EdgeFilter(result, x, hitA, hitB, &edgesSeen);
        }
    }
    ClearMarks(&edgesSeen);
    ClearMarks(&verticesSeen);
    return reports;
}

bool G3BooleanCalculator::FacetFilter(
    G3RayTraceResult* result, double* point, double* axis1, double* axis2, G3Facet* facet) {
    if (result == nullptr || point == nullptr || facet == nullptr) return false;
    return result->FindFacet(point, facet->GetPlane(), axis1, axis2, facet);
}

bool G3BooleanCalculator::EdgeFilter(G3RayTraceResult* result,
                                     double* point,
                                     G3Vertex* a,
                                     G3Vertex* b,
                                     GArrayCollection* edgesSeen) {
    if (result == nullptr || point == nullptr || a == nullptr || b == nullptr) return false;
    bool kept = false;
    for (G3Edge* e = a->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(a)) {
        if (e->OtherVertex(a) != b || e->GetMark()) continue;
        e->SetMark();
        if (edgesSeen != nullptr) edgesSeen->add(e);
        double normal[3] = {0.0, 0.0, 0.0};
        AddBothNormals(e, normal);
        Normalize(normal);
        kept = result->FindEdge(point, normal, e) || kept;
        if (edgesSeen == nullptr) e->ClearMark();  // nobody will clear it later
    }
    return kept;
}

bool G3BooleanCalculator::VertexFilter(G3RayTraceResult* result,
                                       double* point,
                                       G3Vertex* v,
                                       GArrayCollection* edgesSeen,
                                       GArrayCollection* verticesSeen) {
    if (result == nullptr || point == nullptr || v == nullptr || v->GetMark()) return false;
    // Without a list to clear them from, marks would outlive the trace.
    const bool markVertex = verticesSeen != nullptr;
    if (markVertex) {
        v->SetMark();
        verticesSeen->add(v);
    }
    double normal[3] = {0.0, 0.0, 0.0};
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        if (e->GetMark()) continue;
        if (edgesSeen != nullptr) {
            e->SetMark();
            edgesSeen->add(e);
        }
        AddBothNormals(e, normal);
    }
    Normalize(normal);
    return result->FindVertex(point, normal, v);
}
