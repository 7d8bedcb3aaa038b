// Plane slicing and plane sections of closed surfaces: a slice subtracts a box standing
// for each half-space from the body and from a copy of it; a section collects the segments
// where the facets meet a plane and traces them into polygons.

#include <cmath>
#include <vector>

#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/boolean/G3SolidsBuilder.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

// Section corners closer than this (model units) are one vertex.
constexpr double kWeld = 1e-6;

// A plane (a, b, c, w) with a finite, non-zero normal and a finite fourth value, made
// unit; false otherwise.
bool UnitPlane(const double* plane, double out[4]) {
    if (plane == nullptr) return false;
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(plane[k])) return false;
    }
    const double len = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int k = 0; k < 4; ++k) out[k] = plane[k] / len;
    return true;
}

bool HasVertices(const G3Surface* s) { return s != nullptr && s->GetVertexCount() > 0; }

// Which sides of a·x + b·y + c·z = e the vertices of s reach beyond `tol`.
void SidesOf(const G3Surface* s, const double* plane, double tol, bool* behind, bool* front) {
    *behind = *front = false;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        const double d =
            plane[0] * v->GetX() + plane[1] * v->GetY() + plane[2] * v->GetZ() - plane[3];
        if (d > tol) *front = true;
        if (d < -tol) *behind = true;
    }
}

// The box standing for the half-space a·x + b·y + c·z ≥ e near the body: its frame's z
// axis is the normal and its origin the foot of the body's centre on the plane, so the
// box's extent follows the body's and not its distance from the world origin.
G3Surface* HalfSpaceBox(const double* plane, const double* centre, double size) {
    double m[4][4];
    const double axis[4] = {plane[0], plane[1], plane[2], 0.0};
    if (!M4RotationMatrix(axis, m)) return nullptr;
    const double d = plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] - plane[3];
    for (int k = 0; k < 3; ++k) m[3][k] = centre[k] - d * plane[k];
    return G3SolidsBuilder::BuildBox(m, size, nullptr);
}

// The vertex of `out` at p among those made for the current plane, made when missing.
G3Vertex* SectionVertex(G3Surface* out, std::vector<G3Vertex*>* made, const double* p) {
    for (G3Vertex* v : *made) {
        const double dx = v->GetX() - p[0], dy = v->GetY() - p[1], dz = v->GetZ() - p[2];
        if (dx * dx + dy * dy + dz * dz < kWeld * kWeld) return v;
    }
    G3Vertex* v = out->AddVertex(p, 0);
    if (v != nullptr) made->push_back(v);
    return v;
}

// Appends the edge a–b to the section unless it has no length or is there already (a
// facet lying in the plane and its neighbours report the same sides).
void AddSectionEdge(G3EdgeList* list, G3Vertex* a, G3Vertex* b) {
    if (a == nullptr || b == nullptr || a == b) return;
    for (int i = 0; i < list->size(); ++i) {
        const G3Edge* e = list->GetEdgeAt(i);
        if ((e->GetVertex1() == a && e->GetVertex2() == b) ||
            (e->GetVertex1() == b && e->GetVertex2() == a))
            return;
    }
    list->AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, 1);
}

// The section of s by one plane as edges of `list`, its corners made in `out`.
void CollectSection(G3Surface* s, const double* plane, G3Surface* out, G3EdgeList* list) {
    std::vector<G3Vertex*> made;
    for (int k = s->GetFacetCount() - 1; k >= 0; --k) {
        G3Facet* f = s->GetFacet(k);
        if (f->GetDoubleSided()) continue;
        G3IntervalList cuts;
        const int r = f->IntersectByPlaneConcave(plane, &cuts);
        if (r == 0) continue;
        if (r == 3) {
            for (G3FacetEdgeIterator it(f); it.hasNext();) {
                const auto* e = static_cast<G3Edge*>(it.next());
                AddSectionEdge(list, SectionVertex(out, &made, e->GetVertex1()->GetXYZ()),
                               SectionVertex(out, &made, e->GetVertex2()->GetXYZ()));
            }
            continue;
        }
        cuts.BuildIntervals();
        GArrayCollection* intervals = cuts.GetIntervalList();
        for (int i = intervals->size() - 1; i >= 0; --i) {
            const auto* iv = static_cast<G3Interval*>(intervals->get(i));
            AddSectionEdge(list, SectionVertex(out, &made, iv->GetXYZ1()),
                           SectionVertex(out, &made, iv->GetXYZ2()));
        }
    }
}

bool ValidPlanes(int n, const double* planes) {
    if (n <= 0 || planes == nullptr) return false;
    double unit[4];
    for (int p = 0; p < n; ++p) {
        if (!UnitPlane(planes + 4 * p, unit)) return false;
    }
    return true;
}

}  // namespace

bool G3BooleanCalculator::Slice(
    G3Surface* s, double* plane, bool cut, G3Surface** out1, G3Surface** out2, bool usePlane) {
    return SliceBy(s, plane, cut, out1, out2, usePlane, false);
}

bool G3BooleanCalculator::SliceED(
    G3Surface* s, double* plane, bool cut, G3Surface** out1, G3Surface** out2) {
    return SliceBy(s, plane, cut, out1, out2, false, true);
}

bool G3BooleanCalculator::CutUpByPlane(G3Surface* s,
                                       const double (&plane)[4],
                                       bool cut,
                                       G3Surface** out1,
                                       G3Surface** out2) {
    double e[4] = {plane[0], plane[1], plane[2], -plane[3]};
    return Slice(s, e, cut, out1, out2, false);
}

// The body is first read against the plane: unless vertices lie clearly on both sides the
// plane cannot divide it, and the whole body is the answer without any Boolean. Otherwise
// out1 := s − (box in front) and out2 := copy − (box behind).
bool G3BooleanCalculator::SliceBy(G3Surface* s,
                                  double* plane,
                                  bool cut,
                                  G3Surface** out1,
                                  G3Surface** out2,
                                  bool usePlane,
                                  bool useEvent) {
    if (out1 != nullptr) *out1 = nullptr;
    if (out2 != nullptr) *out2 = nullptr;
    if (!cut || s == nullptr) return false;
    double unit[4];
    if (out1 == nullptr || out2 == nullptr || !UnitPlane(plane, unit) || !G3BCRayMath::FiniteVertices(s) ||
        s->GetFacetCount() == 0) {
        delete s;
        return false;
    }
    GEnvelope env;
    s->FormEnvelope(&env);
    const double extent = env.GetMaxSize();
    if (env.IsDefault() || !(extent > 0.0) || !std::isfinite(extent)) {
        delete s;
        return false;
    }
    bool behind = false, front = false;
    SidesOf(s, unit, 1e-9 * extent, &behind, &front);
    if (!behind || !front) {
        *out1 = s;
        return false;
    }
    double centre[3];
    for (int k = 0; k < 3; ++k) centre[k] = 0.5 * (env.GetMin()[k] + env.GetMax()[k]);
    const double size = 4.0 * extent;
    double back[4] = {-unit[0], -unit[1], -unit[2], -unit[3]};
    G3Surface* boxFront = HalfSpaceBox(unit, centre, size);
    G3Surface* boxBehind = HalfSpaceBox(back, centre, size);
    G3Surface* copy = s->Duplicate();
    if (!HasVertices(boxFront) || !HasVertices(boxBehind) || copy == nullptr) {
        delete boxFront;
        delete boxBehind;
        delete copy;
        delete s;
        return false;
    }
    // The slice plane's normal points into the box being subtracted.
    if (usePlane && !useEvent) m_SlicePlane = unit;
    G3Surface* first = useEvent ? Sub(s, boxFront, nullptr) : Sub(s, boxFront);
    if (usePlane && !useEvent) m_SlicePlane = back;
    G3Surface* second = useEvent ? Sub(copy, boxBehind, nullptr) : Sub(copy, boxBehind);
    m_SlicePlane = nullptr;
    if (HasVertices(first)) {
        *out1 = first;
        if (HasVertices(second)) {
            *out2 = second;
            return true;
        }
        delete second;
        return false;
    }
    delete first;
    if (HasVertices(second)) {
        *out1 = second;
    } else {
        delete second;
    }
    return false;
}

// Each plane's section edges are traced into simple contours, which are then sorted into
// outlines and holes so that an outline and the holes inside it make one facet.
bool G3BooleanCalculator::Divide(G3Surface* s, int n, const double* planes, G3Surface** out) {
    if (out == nullptr) return false;
    *out = nullptr;
    if (s == nullptr || !ValidPlanes(n, planes) || !G3BCRayMath::FiniteVertices(s)) return false;
    auto* result = new G3Surface();
    for (int p = 0; p < n; ++p) {
        double plane[4];
        UnitPlane(planes + 4 * p, plane);
        G3EdgeList list(1, 1);
        CollectSection(s, plane, result, &list);
        if (list.size() == 0) continue;
        list.SetPlane(plane);
        GArrayCollection contours;
        list.RemoveSelfIntersections(&contours, result, false, UNION_EDGE_SPLIT, 0);
        result->AddContourFacets(&contours, nullptr, nullptr);
    }
    if (result->GetFacetCount() == 0) {
        delete result;
        return false;
    }
    result->RemoveUnused();
    result->ReallocByRealSize();
    *out = result;
    return true;
}

bool G3BooleanCalculator::Divide(G3Surface* s, int n, const double* planes, G3IntervalList* out) {
    if (out == nullptr || s == nullptr || !ValidPlanes(n, planes) || !G3BCRayMath::FiniteVertices(s))
        return false;
    for (int p = 0; p < n; ++p) {
        double plane[4];
        UnitPlane(planes + 4 * p, plane);
        for (int k = s->GetFacetCount() - 1; k >= 0; --k) {
            G3IntervalList cuts;
            if (s->GetFacet(k)->IntersectByPlaneConcave(plane, &cuts) == 0) continue;
            cuts.BuildIntervals();
            GArrayCollection* intervals = cuts.GetIntervalList();
            for (int i = 0; i < intervals->size(); ++i) {
                const auto* iv = static_cast<G3Interval*>(intervals->get(i));
                out->AddInterval(iv->GetXYZ1(), iv->GetXYZ2());
            }
        }
    }
    return !out->IsEmpty();
}
