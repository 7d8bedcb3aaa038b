// Point, segment and ray queries against one surface, with its facets in a grid.

#include <algorithm>
#include <cmath>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/spatial/G3Grid.h"

namespace {

using namespace G3BCRayMath;

constexpr int kAttempts = 100;
constexpr int kQueryCells = 32;

// A ray from p at least this long ends outside the box whatever its direction: twice the
// distance to the box's farthest corner, and never shorter than the operation's rays.
double RayLengthFrom(const GEnvelope& env, const double* p, double base) {
    double far2 = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double d =
            std::max(std::fabs(p[k] - env.GetMin()[k]), std::fabs(p[k] - env.GetMax()[k]));
        far2 += d * d;
    }
    return std::max(base, 2.0 * std::sqrt(far2));
}

// Whether x lies on the segment pq, within the plane tolerance at its ends.
bool OnSegment(const double* p, const double* q, const double* x) {
    const double d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double w[3] = {x[0] - p[0], x[1] - p[1], x[2] - p[2]};
    if (!(len2 > 0.0)) return std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]) < kSideTol;
    const double along = (w[0] * d[0] + w[1] * d[1] + w[2] * d[2]) / std::sqrt(len2);
    return along > -kSideTol && along < std::sqrt(len2) + kSideTol;
}

// Reports the points where a segment lying in facet f's plane meets f's boundary: the
// boundary cut by the plane through pq across the facet, kept to the segment itself.
void WriteInPlaneMeetings(const double* p, const double* q, G3Facet* f, G3BCPointWriter* w) {
    const double* n = f->GetPlane();
    const double d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    double cut[4] = {d[1] * n[2] - d[2] * n[1], d[2] * n[0] - d[0] * n[2],
                     d[0] * n[1] - d[1] * n[0], 0.0};
    const double len = std::sqrt(cut[0] * cut[0] + cut[1] * cut[1] + cut[2] * cut[2]);
    if (!(len > 0.0) || !std::isfinite(len)) {
        // A point rather than a segment: it meets f where it lies in f.
        if (InFacet(f, p)) {
            double x[3] = {p[0], p[1], p[2]};
            w->WritePoint(x, f);
        }
        return;
    }
    for (int k = 0; k < 3; ++k) cut[k] /= len;
    cut[3] = -(cut[0] * p[0] + cut[1] * p[1] + cut[2] * p[2]);
    G3IntervalList meets;
    if (f->IntersectByPlaneConcave(cut, &meets) == 0) return;
    auto report = [&](const double* xyz) {
        if (!OnSegment(p, q, xyz)) return;
        double x[3] = {xyz[0], xyz[1], xyz[2]};
        w->WritePoint(x, f);
    };
    GArrayCollection* points = meets.GetPointList();
    for (int k = points->size() - 1; k >= 0; --k)
        report(static_cast<G3Point*>(points->get(k))->GetXYZ());
    GArrayCollection* intervals = meets.GetIntervalList();
    for (int k = intervals->size() - 1; k >= 0; --k) {
        const auto* iv = static_cast<G3Interval*>(intervals->get(k));
        report(iv->GetXYZ2());
        report(iv->GetXYZ1());
    }
}

}  // namespace

void G3BooleanCalculator::OpenFindIntersection(G3Surface* s) {
    delete m_Grid;
    m_Grid = nullptr;
    m_A = s;
    m_RayLength = 0.0;
    if (s == nullptr) return;
    ResetRandomRays();
    OpenBoolean(s);
    m_Common.Init();
    s->FormEnvelope(&m_Common);
    m_Common.Extend(1e-5);
    m_Total = m_Common;
    m_Overlap = 0;
    if (!IsFinite3(m_Common.GetMin()) || !IsFinite3(m_Common.GetMax())) return;  // no queries
    m_Grid = new G3Grid(&m_Common, kQueryCells);
    GEnvelope scratch;
    for (int k = s->GetFacetCount() - 1; k >= 0; --k) {
        G3Facet* f = s->GetFacet(k);
        m_Grid->AddFacet(f, WorkingEnvelope(f, &scratch));
    }
    // Every ray ends outside the box: twice its diagonal is longer than any chord of it.
    m_RayLength = RayLengthOver(m_Common);
}

SURF_CLASSIFY G3BooleanCalculator::FindVertexClassify(const double* p) {
    if (m_Grid == nullptr || p == nullptr || !IsFinite3(p)) return SURF_UNKNOWN;
    if (!m_Common.IsIntersectXYZ(p)) return SURF_OUT;
    double from[3] = {p[0], p[1], p[2]};
    const double length = RayLengthFrom(m_Common, p, m_RayLength);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double q[3];
        GenerateRandomRay(from, q, length);
        m_Candidates->clear();
        m_Grid->GetFacetByLine(from, q, m_Candidates);
        const SURF_CLASSIFY r = TestPointAndFacetList(from, q, m_Candidates, nullptr);
        if (r != SURF_UNKNOWN) return r;
    }
    return SURF_UNKNOWN;
}

SURF_CLASSIFY G3BooleanCalculator::FindRayClassify(const double* p,
                                                   const double* q,
                                                   G3Facet* /*f*/) {
    if (m_Grid == nullptr || p == nullptr || q == nullptr) return SURF_UNKNOWN;
    if (!IsFinite3(p) || !IsFinite3(q)) return SURF_UNKNOWN;
    double from[3] = {p[0], p[1], p[2]};
    const double d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double length = RayLengthFrom(m_Common, p, m_RayLength);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double e[3];
        if (!GenerateRandomRay(from, e, d, length)) continue;
        m_Candidates->clear();
        m_Grid->GetFacetByLine(from, e, m_Candidates);
        const SURF_CLASSIFY r = TestRayAndFacetList(from, e, m_Candidates);
        if (r != SURF_UNKNOWN) return r;
    }
    return SURF_UNKNOWN;
}

void G3BooleanCalculator::FindIntersections(const double* p, const double* q, G3BCPointWriter* w) {
    if (m_Grid == nullptr || p == nullptr || q == nullptr || w == nullptr) return;
    if (!IsFinite3(p) || !IsFinite3(q)) return;
    m_Candidates->clear();
    m_Grid->GetFacetByLine(p, q, m_Candidates);
    GEnvelope box;
    box.Init(p, q);
    box.Extend(1e-5);
    GEnvelope scratch;
    for (int k = m_Candidates->size() - 1; k >= 0; --k) {
        auto* f = static_cast<G3Facet*>(m_Candidates->get(k));
        if (!WorkingEnvelope(f, &scratch)->IsIntersectXYZ(&box)) continue;
        const double* plane = f->GetPlane();
        if (!IsUsablePlane(plane)) continue;
        const double h0 = PlaneValue(plane, p), h1 = PlaneValue(plane, q);
        const int s0 = Side(h0), s1 = Side(h1);
        if (s0 == 0 && s1 == 0) {
            WriteInPlaneMeetings(p, q, f, w);
        } else if (s0 == 0) {
            if (InFacet(f, p)) {
                double x[3] = {p[0], p[1], p[2]};
                w->WritePoint(x, f);
            }
        } else if (s1 != 0 && s0 != s1) {
            // The crossing sits where the plane values, not their signs, vanish.
            const double t = std::fabs(h0 / (h0 - h1));
            double x[3] = {p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]),
                           p[2] + t * (q[2] - p[2])};
            if (InFacet(f, x)) w->WritePoint(x, f);
        }
        // An end q on the plane is not reported: a chain of segments reports it once, as
        // the start of the next one.
    }
}

G3Facet* G3BooleanCalculator::FindFacet(const double* p) {
    if (m_Grid == nullptr || p == nullptr || !IsFinite3(p)) return nullptr;
    m_Candidates->clear();
    m_Grid->GetFacetByLine(p, p, m_Candidates);
    GEnvelope box;
    box.Init(p);
    box.Extend(1e-5);
    GEnvelope scratch;
    for (int k = m_Candidates->size() - 1; k >= 0; --k) {
        auto* f = static_cast<G3Facet*>(m_Candidates->get(k));
        if (!WorkingEnvelope(f, &scratch)->IsIntersectXYZ(&box)) continue;
        const double* plane = f->GetPlane();
        if (!IsUsablePlane(plane) || Side(PlaneValue(plane, p)) != 0) continue;
        if (InFacet(f, p)) return f;
    }
    return nullptr;
}

void G3BooleanCalculator::CloseFindIntersection(G3Surface* s) {
    delete m_Grid;
    m_Grid = nullptr;
    m_Candidates->clear();
    if (m_A == s) m_A = nullptr;
    CloseBoolean(s);
}
