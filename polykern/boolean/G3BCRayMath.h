#pragma once

#include <algorithm>
#include <cmath>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCLoopCache.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

/// The small geometric rules the calculator's steps share: plane sides, working
/// envelopes, the loop-aware point test, the ray length and the working frame. Internal to the
/// library.
namespace G3BCRayMath {

/// Plane values closer to 0 than this lie on the plane.
constexpr double kSideTol = 1e-6;

/// The plane (a, b, c, w) divided by the length of its normal into `out`; false for a
/// null plane, a non-finite value or a zero normal.
inline bool UnitPlane(const double* plane, double out[4]) {
    if (plane == nullptr) return false;
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(plane[k])) return false;
    }
    const double len = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (int k = 0; k < 4; ++k) out[k] = plane[k] / len;
    return true;
}

inline bool IsFinite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

inline double PlaneValue(const double* plane, const double* p) {
    return plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3];
}

/// 0 on the plane (|value| < 1e-6), else the value's sign.
inline int Side(double value) {
    if (std::fabs(value) < kSideTol) return 0;
    return value >= 0.0 ? 1 : -1;
}

/// False for the all-zero plane of a degenerate facet, which no ray test counts, and for
/// a plane that is not finite.
inline bool IsUsablePlane(const double* plane) {
    const bool zero = plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 0.0 && plane[3] == 0.0;
    return !zero && IsFinite3(plane) && std::isfinite(plane[3]);
}

/// The facet's working envelope, or, for a facet without a working record, its own
/// envelope grown alike into `scratch`.
inline const GEnvelope* WorkingEnvelope(const G3Facet* f, GEnvelope* scratch) {
    if (const G3BCFacetData* data = G3BCExDataProvider::DataOf(f)) return data;
    scratch->Init();
    f->FormEnvelope(scratch);
    scratch->Extend(1e-5);
    return scratch;
}

/// p in the facet on its dominant axes, loop by loop (a point in a hole is outside);
/// *onBoundary, when given, tells whether it lies on an edge or a vertex. With `loops`,
/// a large facet's loops are read from there.
inline bool InFacet(const G3Facet* f,
                    const double* p,
                    bool* onBoundary = nullptr,
                    G3BCLoopCache* loops = nullptr) {
    int i, j;
    f->GetMaxCoo(&i, &j);
    if (loops != nullptr) return loops->PointIn(f, i, j, p, kSideTol, onBoundary);
    G3Vertex *hitA = nullptr, *hitB = nullptr;
    const bool in = f->PointInFacet(i, j, p, &hitA, &hitB, kSideTol);
    if (onBoundary != nullptr) *onBoundary = in && hitA != nullptr;
    return in;
}

/// The length of every random ray over `env`: at least twice its diagonal, so that a ray
/// from any point inside ends outside it.
inline double RayLengthOver(const GEnvelope& env) {
    const double diagonal = std::sqrt(env.XSize() * env.XSize() + env.YSize() * env.YSize() +
                                      env.ZSize() * env.ZSize());
    return std::max(1.5 * env.GetMaxSize(), 2.0 * diagonal);
}

/// Whether every vertex of s has finite coordinates.
inline bool FiniteVertices(const G3Surface* s) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (!std::isfinite(v->GetX()) || !std::isfinite(v->GetY()) || !std::isfinite(v->GetZ()))
            return false;
    }
    return true;
}

/// Moves every vertex v of s to (v + before)·scale + after. The planes are fitted again
/// when `refit` (planes a caller handed in may not match their vertices); otherwise each
/// plane n·v + d = 0 moves with its vertices to n·v + scale·(d − n·before) − n·after = 0.
inline void Reframe(
    G3Surface* s, const double* before, double scale, const double* after, bool refit = true) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        double p[3];
        for (int k = 0; k < 3; ++k) p[k] = (v->GetXYZ(k) + before[k]) * scale + after[k];
        v->Set(p);
    }
    if (refit) {
        s->FormPlaneEquation();
        return;
    }
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        double* n = s->GetFacet(i)->GetPlane();
        const double nb = n[0] * before[0] + n[1] * before[1] + n[2] * before[2];
        const double na = n[0] * after[0] + n[1] * after[1] + n[2] * after[2];
        n[3] = scale * (n[3] - nb) - na;
    }
}

}  // namespace G3BCRayMath
