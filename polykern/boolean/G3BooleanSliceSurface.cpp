// Cutting a closed body by an open sheet (a terrain, a bent cutting face): the sheet's piece
// inside the body becomes the cap of both parts, and the body's facets, split along the
// sheet, are sorted to the two sides by the sheet's own normal at each cut.

#include <cmath>
#include <deque>
#include <vector>

#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr int kRemoveAll = SURF_ON | SURF_OUT | SURF_IN | SURF_ON_SAME | SURF_ON_OPPOSITE;
// Below this |u · n| a facet meets the sheet too flatly to tell its side.
constexpr double kSideTolerance = 1e-9;
// Cut edges whose midpoints lie this close to the sheet's piece (model units) run on it.
constexpr double kOnSheet = 1e-6;

// A facet's side of the sheet: +1 (the sheet's normals point to it), −1, 0 unknown.
using Side = int;

bool HasFacets(const G3Surface* s) {
    return s != nullptr && s->GetFacetCount() > 0;
}

double Dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The unit normal of a facet's plane, false when it has none.
bool UnitNormal(const G3Facet* f, double n[3]) {
    const double* p = f->GetPlane();
    const double len = std::sqrt(Dot(p, p));
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int k = 0; k < 3; ++k) n[k] = p[k] / len;
    return true;
}

// The side of facet f at its edge e against the sheet normal `sheet`: the direction in
// f's plane across e into f is n × (end − start), f's interior lying left of its walk.
Side SideAt(const G3Facet* f, const G3Edge* e, const double* sheet) {
    if (f == nullptr) return 0;
    const G3Vertex* from = f->StartOf(e);
    if (from == nullptr) return 0;
    const G3Vertex* to = from == e->GetVertex1() ? e->GetVertex2() : e->GetVertex1();
    double n[3];
    if (!UnitNormal(f, n)) return 0;
    const double d[3] = {to->GetX() - from->GetX(), to->GetY() - from->GetY(),
                         to->GetZ() - from->GetZ()};
    const double u[3] = {n[1] * d[2] - n[2] * d[1], n[2] * d[0] - n[0] * d[2],
                         n[0] * d[1] - n[1] * d[0]};
    const double len = std::sqrt(Dot(u, u));
    if (!(len > 0.0)) return 0;
    const double c = Dot(u, sheet) / len;
    if (c > kSideTolerance) return 1;
    if (c < -kSideTolerance) return -1;
    return 0;
}

// Side marks on facets: mark 4 for the side the sheet's normals point to, mark 3 for
// the other.
Side SideOf(const G3Facet* f) {
    return f->GetMark4() ? 1 : (f->GetMark3() ? -1 : 0);
}

void SetSide(G3Facet* f, Side side) {
    if (side > 0) f->SetMark4();
    if (side < 0) f->SetMark3();
}

void ClearMarks(G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        s->GetFacet(i)->ClearMark3();
        s->GetFacet(i)->ClearMark4();
    }
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        s->GetEdge(i)->ClearMark3();
        s->GetEdge(i)->ClearMark4();
    }
}

// Removes every facet of s on `side`.
void RemoveSide(G3Surface* s, Side side) {
    for (int i = 0; i < s->GetFacetCount();) {
        G3Facet* f = s->GetFacet(i);
        if (SideOf(f) == side && s->RemoveFacet(f)) continue;
        ++i;
    }
    s->RemoveUnused();
}

// One side of the body closed by the sheet's piece: the cap's boundary and the body's
// cut edges come from the same intersections, so welding joins them.
G3Surface* Closed(G3Surface* cap, G3Surface* side) {
    G3Surface* out = cap->Duplicate();
    if (out == nullptr) return nullptr;
    for (int i = 0; i < out->GetEdgeCount(); ++i) {
        G3Edge* e = out->GetEdge(i);
        if (e->GetFacetCount() == 1) e->SetFlags(e->GetFlags() | G3EDGE_NEW);
    }
    for (int i = 0; i < side->GetEdgeCount(); ++i) {
        G3Edge* e = side->GetEdge(i);
        if (e->GetFacetCount() == 1) e->SetFlags(e->GetFlags() | G3EDGE_NEW);
    }
    out->Copy(side);
    out->RemoveEqualsVertexAndDivideEdges(G3EDGE_NEW);
    out->RemoveNonManifoldEdges();
    out->ChangeEdgeFlags(G3EDGE_NEW, false);
    out->RemoveUnused();
    if (!out->GetClosed()) out->ClearSolid();
    return out;
}

}  // namespace

// The cap is the sheet's piece inside the body; the body is split along the sheet in a
// second run on a copy, keeping every facet, and the run's own cut edges (with the body's
// edges the sheet runs along) bound the sides. Each facet at a cut takes its side from the
// normal of the sheet facet the cut lies on, then the sides spread across the other edges.
// A refusal gives the body back untouched in *out1.
bool G3BooleanCalculator::SliceBySurface(G3Surface* s,
                                         G3Surface* cutter,
                                         G3Surface** out1,
                                         G3Surface** out2) {
    if (out1 != nullptr) *out1 = nullptr;
    if (out2 != nullptr) *out2 = nullptr;
    if (out1 == nullptr || out2 == nullptr || !HasFacets(s) || !G3BCRayMath::FiniteVertices(s)) {
        delete s;
        delete cutter;
        return false;
    }
    auto refuse = [&](const char* why) {
        GTrace::Message(why);
        *out1 = s;
        return false;
    };
    if (!HasFacets(cutter) || !G3BCRayMath::FiniteVertices(cutter) || cutter->GetClosed()) {
        delete cutter;
        return refuse("SliceBySurface: the cutter is missing, not finite or closed");
    }
    // The sheet's piece inside the body, facing against the sheet's normals.
    m_A = s->Duplicate();
    m_B = cutter->Duplicate();
    if (m_B != nullptr) m_B->NegNormals();
    G3Surface* cap = BinaryOperation(kRemoveAll, SURF_OUT | SURF_ON_SAME | SURF_ON_OPPOSITE, 1);
    if (!HasFacets(cap)) {
        delete cap;
        delete cutter;
        return refuse("SliceBySurface: the cutter does not meet the body's inside");
    }
    // The body split along the sheet; the sheet is used up.
    m_A = s->Duplicate();
    m_B = cutter;
    m_B->NegNormals();
    m_KeepCutMarks = true;
    G3Surface* work = BinaryOperation(0, kRemoveAll, 0);
    m_KeepCutMarks = false;
    if (!HasFacets(work) || !SortSides(work, cap)) {
        delete work;
        delete cap;
        return refuse("SliceBySurface: the cutter does not divide the body");
    }
    G3Surface* other = new G3Surface();
    other->Copy(work);
    RemoveSide(work, -1);
    RemoveSide(other, 1);
    ClearMarks(work);
    ClearMarks(other);
    *out1 = Closed(cap, work);
    cap->NegNormals();
    *out2 = Closed(cap, other);
    delete work;
    delete other;
    delete cap;
    if (!HasFacets(*out1) || !HasFacets(*out2)) {
        delete *out1;
        delete *out2;
        *out1 = *out2 = nullptr;
        return refuse("SliceBySurface: a side came out empty");
    }
    delete s;
    return true;
}

// Gives every facet of `work` a side mark; false when the cuts do not bound two sides
// (no cut, or a side reaching round the end of the sheet into the other).
bool G3BooleanCalculator::SortSides(G3Surface* work, G3Surface* cap) {
    GEnvelope near;
    cap->FormEnvelope(&near);
    near.Extend(kOnSheet);
    OpenFindIntersection(cap);
    std::vector<G3Facet*> seeds;
    bool conflict = false;
    for (int i = 0; i < work->GetEdgeCount() && !conflict; ++i) {
        G3Edge* e = work->GetEdge(i);
        e->ClearMark4();
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        const double mid[3] = {0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1]), 0.5 * (a[2] + b[2])};
        const bool cut = e->GetMark3();
        e->ClearMark3();
        if (!cut && !near.IsIntersectXYZ(mid)) continue;
        G3Facet* on = FindFacet(mid);
        double n[3];
        if (on == nullptr || !UnitNormal(on, n)) {
            // A cut the sheet's piece cannot place still bounds the sides.
            if (cut) e->SetMark4();
            continue;
        }
        // The cap faces against the sheet: its normal is minus the sheet's.
        for (double& c : n) c = -c;
        G3Facet* f1 = e->GetFacet1();
        G3Facet* f2 = e->GetFacet2();
        Side s1 = SideAt(f1, e, n), s2 = SideAt(f2, e, n);
        if (s1 != 0 && s1 == s2) continue;  // both on one side: the sheet only grazes
        if (s1 == 0) s1 = -s2;
        if (s2 == 0) s2 = -s1;
        if (s1 == 0) {
            if (cut) e->SetMark4();
            continue;
        }
        e->SetMark4();
        for (auto [f, side] : {std::pair<G3Facet*, Side>{f1, s1}, {f2, s2}}) {
            if (f == nullptr) continue;
            const Side was = SideOf(f);
            if (was != 0 && was != side) conflict = true;
            if (was == 0) {
                SetSide(f, side);
                seeds.push_back(f);
            }
        }
    }
    CloseFindIntersection(cap);
    if (conflict || seeds.empty()) return false;
    // Both sides spread at once across every edge that is not a cut.
    std::deque<G3Facet*> queue(seeds.begin(), seeds.end());
    bool sides[2] = {false, false};
    while (!queue.empty()) {
        G3Facet* f = queue.front();
        queue.pop_front();
        const Side side = SideOf(f);
        sides[side > 0 ? 1 : 0] = true;
        for (G3FacetEdgeIterator it(f); it.hasNext();) {
            auto* e = static_cast<G3Edge*>(it.next());
            if (e->GetMark4()) continue;
            G3Facet* g = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
            if (g == nullptr || g == f) continue;
            const Side was = SideOf(g);
            if (was == side) continue;
            if (was != 0) return false;
            SetSide(g, side);
            queue.push_back(g);
        }
    }
    if (!sides[0] || !sides[1]) return false;
    // Parts no cut reaches stay with the side the sheet's normals point to.
    for (int i = 0; i < work->GetFacetCount(); ++i) {
        G3Facet* f = work->GetFacet(i);
        if (SideOf(f) == 0) SetSide(f, 1);
    }
    return true;
}
