// Plane slicing of closed surfaces: a slice subtracts a box standing for each half-space
// from the body and from a copy of it. Plane sections live in G3BooleanSection.cpp.

#include <cmath>

#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3SolidsBuilder.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

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
    if (out1 == nullptr || out2 == nullptr || !G3BCRayMath::UnitPlane(plane, unit) || !G3BCRayMath::FiniteVertices(s) ||
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
