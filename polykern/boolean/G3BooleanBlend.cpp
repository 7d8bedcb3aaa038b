// Edge blends: the edge of a closed body is rounded by a solid bounded by the planes of its
// two facets and a circular arc of n segments tangent to both; the solid is subtracted at
// a convex edge and added at a concave one.

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/boolean/G3BCBlendMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

using namespace G3BCBlendMath;

namespace {

// More arc segments than this are not distinguishable from a true arc in double precision
// at any useful radius, and only cost facets; larger requests are capped.
constexpr int kMaxSegments = 1024;
// Facets closer than this to flat (or to folded onto each other) have no edge to round.
constexpr double kAngleTol = 1e-6;
// Arc segments shorter than this (model units) would be welded away by the Boolean.
constexpr double kMinChord = 1e-6;
// An end plane this close to containing the edge cannot carry a profile.
constexpr double kMinEndSlope = 1e-3;

// The edge to round, seen from its end a (at p1) towards b (at p2).
struct EdgeFrame {
    const G3Edge* edge = nullptr;
    const G3Facet* f1 = nullptr;
    const G3Facet* f2 = nullptr;
    const G3Vertex* va = nullptr;
    const G3Vertex* vb = nullptr;
    double e[3] = {0, 0, 0};   // unit a→b
    double u1[3] = {0, 0, 0};  // unit, in f1's plane, perpendicular to the edge, into f1
    double u2[3] = {0, 0, 0};
    double n2[3] = {0, 0, 0};
    double length = 0.0;
    double theta = 0.0;  // the angle between u1 and u2
    bool convex = false;
};

// Everything the blending solid is built from.
struct BlendProfiles {
    double a[3] = {0, 0, 0};
    double b[3] = {0, 0, 0};
    std::vector<double> arc1, arc2;  // n + 1 points each, from f1's tangent point to f2's
    double plane1[4] = {0, 0, 0, 0};
    double plane2[4] = {0, 0, 0, 0};
    int n = 0;
    bool convex = false;
};

bool Finite3(const double* p) {
    return p != nullptr && std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// The edge joining p1 and p2 in either order; *reversed tells that its vertex 1 is at p2.
const G3Edge* FindEdge(const G3Surface* s, const double* p1, const double* p2, bool* reversed) {
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        const G3Vertex* v1 = e->GetVertex1();
        const G3Vertex* v2 = e->GetVertex2();
        if (v1 == nullptr || v2 == nullptr) continue;
        if (v1->Equals(p1) && v2->Equals(p2)) {
            *reversed = false;
            return e;
        }
        if (v1->Equals(p2) && v2->Equals(p1)) {
            *reversed = true;
            return e;
        }
    }
    return nullptr;
}

bool MakeFrame(const G3Edge* edge, bool reversed, EdgeFrame* f) {
    f->edge = edge;
    f->f1 = edge->GetFacet1();
    f->f2 = edge->GetFacet2();
    if (f->f1 == nullptr || f->f2 == nullptr || f->f1 == f->f2) return false;
    f->va = reversed ? edge->GetVertex2() : edge->GetVertex1();
    f->vb = reversed ? edge->GetVertex1() : edge->GetVertex2();
    Diff(f->vb->GetXYZ(), f->va->GetXYZ(), f->e);
    f->length = Length(f->e);
    if (!Normalize(f->e)) return false;
    if (!InwardSide(f->f1, edge, f->u1) || !InwardSide(f->f2, edge, f->u2) ||
        !UnitNormal(f->f2, f->n2))
        return false;
    double c[3];
    Cross(f->u1, f->u2, c);
    f->theta = std::atan2(Length(c), Dot(f->u1, f->u2));
    if (f->theta < kAngleTol || M_PI - f->theta < kAngleTol) return false;
    f->convex = Dot(f->u1, f->n2) < 0.0;
    return true;
}

// How far facet f reaches from the point a along u.
double Reach(const G3Facet* f, const double* a, const double* u) {
    double best = 0.0;
    for (G3FacetVertexIterator it(f); it.hasNext();) {
        const auto* v = static_cast<const G3Vertex*>(it.next());
        double d[3];
        Diff(v->GetXYZ(), a, d);
        best = std::max(best, Dot(d, u));
    }
    return best;
}

// The unit plane of f, or of the facet met across f's other ring edge at v.
bool UnitPlane(const G3Facet* f, double plane[4]) {
    const double* p = f->GetPlane();
    const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (!(len > 0.0) || !std::isfinite(len) || !std::isfinite(p[3])) return false;
    for (int k = 0; k < 4; ++k) plane[k] = p[k] / len;
    return true;
}

bool PlaneAcross(const G3Facet* f, const G3Edge* e, const G3Vertex* v, double plane[4]) {
    for (G3FacetEdgeIterator it(f); it.hasNext();) {
        const auto* g = static_cast<const G3Edge*>(it.next());
        if (g == e || (g->GetVertex1() != v && g->GetVertex2() != v)) continue;
        const G3Facet* h = g->GetFacet1() == f ? g->GetFacet2() : g->GetFacet1();
        return h != nullptr && UnitPlane(h, plane);
    }
    return false;
}

// The end face at the edge's end v: the plane of the facet that closes the body there, met
// across the other edge of both f1 and f2 at v. False when the two disagree (no single end
// face) or the face nearly contains the edge.
bool EndPlane(const EdgeFrame& f, const G3Vertex* v, double plane[4]) {
    double other[4];
    if (!PlaneAcross(f.f1, f.edge, v, plane) || !PlaneAcross(f.f2, f.edge, v, other)) return false;
    if (Dot(plane, other) < 1.0 - 1e-9) return false;
    return std::fabs(Dot(plane, f.e)) > kMinEndSlope;
}

// The arc profile of radius 1 about the edge point: w_0 is the tangent point on f1 at
// set-back t = 1 / tan(θ/2) along u1, w_n the one on f2, and the points between lie on the
// unit circle centred 1 / sin(θ/2) along the bisector, spaced evenly over its π − θ turn.
// Every profile of radius r is the edge point plus r·w.
std::vector<double> UnitProfile(const EdgeFrame& f, int n) {
    const double half = 0.5 * f.theta;
    const double t = 1.0 / std::tan(half);
    double bis[3] = {f.u1[0] + f.u2[0], f.u1[1] + f.u2[1], f.u1[2] + f.u2[2]};
    Normalize(bis);
    double c[3], t1[3], t2[3], d0[3], d1[3], w[3];
    const double zero[3] = {0, 0, 0};
    AddScaled(zero, 1.0 / std::sin(half), bis, c);
    AddScaled(zero, t, f.u1, t1);
    AddScaled(zero, t, f.u2, t2);
    Diff(t1, c, d0);
    Diff(t2, c, d1);
    Normalize(d0);
    AddScaled(d1, -Dot(d0, d1), d0, w);
    Normalize(w);
    const double turn = M_PI - f.theta;
    std::vector<double> out(3 * (n + 1));
    for (int k = 0; k <= n; ++k) {
        double* p = &out[3 * k];
        if (k == 0 || k == n) {
            for (int i = 0; i < 3; ++i) p[i] = k == 0 ? t1[i] : t2[i];
            continue;
        }
        const double phi = turn * k / n;
        for (int i = 0; i < 3; ++i) p[i] = c[i] + std::cos(phi) * d0[i] + std::sin(phi) * w[i];
    }
    return out;
}

// Moves every profile point along the edge onto the end plane, when there is one.
void ProjectOnto(std::vector<double>* pts, const double* e, const double* plane) {
    const double slope = Dot(plane, e);
    for (size_t k = 0; k + 2 < pts->size(); k += 3) {
        double* p = &(*pts)[k];
        const double value = Dot(plane, p) + plane[3];
        AddScaled(p, -value / slope, e, p);
    }
}

// The profiles of the blend at both ends of the edge p1–p2 of s.
//
// The profiles are built in the plane perpendicular to the edge and then, at each end,
// moved along the edge onto the body's end face there (the facet met across the other edge
// of both f1 and f2 at that end). So the solid ends exactly where the body does: a concave
// edge's solid adds no material past the end faces, and a convex edge's removes all of the
// edge up to them. At an end with no single end face (the facets there disagree) a convex
// edge keeps the perpendicular profile: it may then stick out past the body, where
// subtracting does nothing; a concave edge is refused, since its solid would add material
// where the body has none.
bool MakeProfiles(const G3Surface* s,
                  const double* p1,
                  const double* p2,
                  double r1,
                  double r2,
                  int n,
                  BlendProfiles* out) {
    if (!Finite3(p1) || !Finite3(p2) || !std::isfinite(r1) || !std::isfinite(r2) || !(r1 > 0.0) ||
        !(r2 > 0.0) || n < 1)
        return false;
    n = std::min(n, kMaxSegments);
    bool reversed = false;
    const G3Edge* edge = FindEdge(s, p1, p2, &reversed);
    EdgeFrame f;
    if (edge == nullptr || !MakeFrame(edge, reversed, &f)) return false;
    const double turn = M_PI - f.theta;
    if (std::min(r1, r2) * 2.0 * std::sin(0.5 * turn / n) < kMinChord) return false;
    // The tangent lines must stay inside both facets.
    const double setBack = std::max(r1, r2) / std::tan(0.5 * f.theta);
    const double* a = f.va->GetXYZ();
    if (setBack >= Reach(f.f1, a, f.u1) * (1.0 - 1e-9) ||
        setBack >= Reach(f.f2, a, f.u2) * (1.0 - 1e-9))
        return false;
    if (!UnitPlane(f.f1, out->plane1) || !UnitPlane(f.f2, out->plane2)) return false;

    const std::vector<double> w = UnitProfile(f, n);
    out->arc1.resize(w.size());
    out->arc2.resize(w.size());
    for (size_t k = 0; k < w.size(); k += 3) {
        for (int i = 0; i < 3; ++i) {
            out->arc1[k + i] = a[i] + r1 * w[k + i];
            out->arc2[k + i] = f.vb->GetXYZ()[i] + r2 * w[k + i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        out->a[i] = a[i];
        out->b[i] = f.vb->GetXYZ()[i];
    }
    double endA[4], endB[4];
    const bool hasA = EndPlane(f, f.va, endA), hasB = EndPlane(f, f.vb, endB);
    if (!f.convex && (!hasA || !hasB)) return false;
    if (hasA) ProjectOnto(&out->arc1, f.e, endA);
    if (hasB) ProjectOnto(&out->arc2, f.e, endB);
    // Leaning end faces must not make the two profiles cross.
    for (size_t k = 0; k < w.size(); k += 3) {
        double d[3];
        Diff(&out->arc2[k], &out->arc1[k], d);
        if (Dot(d, f.e) <= 1e-9 * f.length) return false;
    }
    out->n = n;
    out->convex = f.convex;
    return true;
}

// Whether the quad lies in one plane to within 1e-9 of its size.
bool IsPlanarQuad(const double* q0, const double* q1, const double* q2, const double* q3) {
    const double* q[4] = {q0, q1, q2, q3};
    double normal[3] = {0, 0, 0}, size = 0.0;
    for (int k = 0; k < 4; ++k) {
        double a[3], b[3], c[3];
        Diff(q[k], q0, a);
        Diff(q[(k + 1) % 4], q0, b);
        Cross(a, b, c);
        for (int i = 0; i < 3; ++i) normal[i] += c[i];
        Diff(q[(k + 1) % 4], q[k], a);
        size = std::max(size, Length(a));
    }
    if (!Normalize(normal)) return false;
    for (int k = 1; k < 4; ++k) {
        double d[3];
        Diff(q[k], q0, d);
        if (std::fabs(Dot(d, normal)) > 1e-9 * size) return false;
    }
    return true;
}

// Gives facet f the given unit plane, turned to agree with its ring.
void TakePlane(G3Facet* f, const double* plane) {
    const double* fitted = f->GetPlane();
    const double sign = Dot(fitted, plane) < 0.0 ? -1.0 : 1.0;
    const double p[4] = {sign * plane[0], sign * plane[1], sign * plane[2], sign * plane[3]};
    f->SetPlane(p);
}

}  // namespace

// The solid is a prism over the section ring (a, arc…) swept from a to b. The ring is put
// counter-clockwise about a→b, so the end at b keeps it and the end at a runs it backwards;
// each side joins a ring side at a to the same side at b. The two sides through the edge lie
// in the facets' planes and keep those planes exactly; an arc side whose four corners are
// not in one plane (leaning end faces) becomes two triangles.
G3Surface* G3BooleanCalculator::CreateBlendFacets(const double* a,
                                                  const double* b,
                                                  const double* arc1,
                                                  const double* arc2,
                                                  int n,
                                                  const double* f1,
                                                  const double* f2) {
    if (a == nullptr || b == nullptr || arc1 == nullptr || arc2 == nullptr || f1 == nullptr ||
        f2 == nullptr || n < 1)
        return nullptr;
    const int m = n + 2;
    std::vector<const double*> ring1(m), ring2(m);
    ring1[0] = a;
    ring2[0] = b;
    for (int k = 0; k <= n; ++k) {
        ring1[k + 1] = arc1 + 3 * k;
        ring2[k + 1] = arc2 + 3 * k;
    }
    double axis[3], area[3] = {0, 0, 0};
    Diff(b, a, axis);
    for (int k = 1; k + 1 < m; ++k) {
        double p[3], q[3], c[3];
        Diff(ring1[k], a, p);
        Diff(ring1[k + 1], a, q);
        Cross(p, q, c);
        for (int i = 0; i < 3; ++i) area[i] += c[i];
    }
    if (!(Length(area) > 0.0)) return nullptr;
    // Indices of a and of the two tangent points within the ring, once it is turned.
    int ia = 0, it1 = 1, it2 = m - 1;
    if (Dot(area, axis) < 0.0) {
        std::reverse(ring1.begin(), ring1.end());
        std::reverse(ring2.begin(), ring2.end());
        ia = m - 1;
        it1 = m - 2;
        it2 = 0;
    }
    auto* solid = new G3Surface();
    std::vector<G3Vertex*> v1(m), v2(m);
    for (int k = 0; k < m; ++k) {
        v1[k] = solid->AddVertex(ring1[k], 0);
        v2[k] = solid->AddVertex(ring2[k], 0);
    }
    bool ok = solid->AddFacet(m, v2.data(), 1, nullptr, nullptr) != nullptr;
    std::vector<G3Vertex*> back(v1.rbegin(), v1.rend());
    ok = ok && solid->AddFacet(m, back.data(), 1, nullptr, nullptr) != nullptr;
    for (int k = 0; k < m && ok; ++k) {
        const int next = (k + 1) % m;
        G3Vertex* quad[4] = {v1[k], v1[next], v2[next], v2[k]};
        const bool onF1 = (k == ia && next == it1) || (k == it1 && next == ia);
        const bool onF2 = (k == ia && next == it2) || (k == it2 && next == ia);
        if (onF1 || onF2 || IsPlanarQuad(ring1[k], ring1[next], ring2[next], ring2[k])) {
            G3Facet* side = solid->AddFacet(4, quad, 1, nullptr, nullptr);
            ok = side != nullptr;
            if (ok && (onF1 || onF2)) TakePlane(side, onF1 ? f1 : f2);
            continue;
        }
        G3Vertex* t1[3] = {quad[0], quad[1], quad[2]};
        G3Vertex* t2[3] = {quad[0], quad[2], quad[3]};
        ok = solid->AddFacet(3, t1, 1, nullptr, nullptr) != nullptr &&
             solid->AddFacet(3, t2, 1, nullptr, nullptr) != nullptr;
    }
    if (!ok) {
        delete solid;
        return nullptr;
    }
    return solid;
}

G3Surface* G3BooleanCalculator::Blend(
    G3Surface* s, double* p1, double* p2, double r1, double r2, int n) {
    if (s == nullptr) return nullptr;
    BlendProfiles prof;
    G3Surface* solid = nullptr;
    if (MakeProfiles(s, p1, p2, r1, r2, n, &prof)) {
        solid = CreateBlendFacets(prof.a, prof.b, prof.arc1.data(), prof.arc2.data(), prof.n,
                                  prof.plane1, prof.plane2);
    }
    if (solid == nullptr) {
        delete s;
        return nullptr;
    }
    return prof.convex ? Sub(s, solid) : Add(s, solid);
}
