// A facet's boundary against a plane or a line: the pieces an interval list carries.

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetContourIterator.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"

namespace {

struct Station {
    G3Vertex* v;
    double s;  // signed distance from the plane or line
    int sign;
};

// The facet's vertices loop by loop; `ends` gets the index after each loop.
std::vector<Station> Stations(const G3FacetLoops& loops, std::vector<int>* ends) {
    std::vector<Station> out;
    out.reserve(loops.Vertices().size());
    for (G3Vertex* v : loops.Vertices()) out.push_back({v, 0.0, 0});
    *ends = loops.Ends();
    return out;
}

std::vector<Station> Stations(const G3Facet* f, std::vector<int>* ends) {
    return Stations(G3FacetLoops(f), ends);
}

void SetSigns(std::vector<Station>& stations) {
    for (Station& st : stations) {
        st.sign = !(std::fabs(st.s) >= 1e-6) ? 0 : (st.s >= 0.0 ? 1 : -1);
    }
}

// A run of the boundary along the plane, from the vertex where it arrived (from side
// `inSide`) to the vertex where it left (towards `outSide`). A boundary that crosses
// contributes the run's first vertex; one that turns back contributes both ends. A run of
// a single vertex counts once when crossed and not at all when only touched.
void ResolveRun(
    const G3Vertex* entry, int inSide, const G3Vertex* exit, int outSide, G3IntervalList* out) {
    const bool crosses = outSide != inSide;
    if (entry == exit) {
        if (crosses) out->AddPoint(entry->GetXYZ());
        return;
    }
    out->AddPoint(entry->GetXYZ());
    if (!crosses) out->AddPoint(exit->GetXYZ());
}

// Walks one closed loop through the stations [begin, end), adding in-plane edges as
// intervals and crossings and runs along the plane as points.
void WalkLoop(const std::vector<Station>& all, int begin, int end, G3IntervalList* out) {
    if (end <= begin) return;
    const Station* st = all.data() + begin;
    const std::size_t n = static_cast<std::size_t>(end - begin);
    bool pending = false;
    int entrySide = 0;
    const G3Vertex* entry = nullptr;
    bool leftFirst = false;  // the walk began on the plane and left it before any entry
    int firstExitSide = 0;
    const G3Vertex* firstExit = nullptr;
    for (std::size_t k = 0; k < n; ++k) {
        const Station& p = st[k];
        const Station& c = st[(k + 1) % n];
        if (p.sign == 0 && c.sign == 0) {
            out->AddInterval(p.v->GetXYZ(), c.v->GetXYZ());
        } else if (p.sign != 0 && c.sign == -p.sign) {
            const double t = std::fabs(p.s / (p.s - c.s));
            double x[3];
            for (int a = 0; a < 3; ++a)
                x[a] = p.v->GetXYZ(a) + t * (c.v->GetXYZ(a) - p.v->GetXYZ(a));
            out->AddPoint(x);
        } else if (p.sign != 0 && c.sign == 0) {
            pending = true;
            entrySide = p.sign;
            entry = c.v;
        } else if (p.sign == 0 && c.sign != 0) {
            if (pending) {
                ResolveRun(entry, entrySide, p.v, c.sign, out);
                pending = false;
            } else if (!leftFirst) {
                leftFirst = true;
                firstExitSide = c.sign;
                firstExit = p.v;
            }
        }
    }
    if (leftFirst && pending) ResolveRun(entry, entrySide, firstExit, firstExitSide, out);
}

// Each loop (the outline, then each hole) is a boundary of its own: a line through a hole
// meets the outline twice and the hole twice, which makes two pieces.
void WalkBoundary(const std::vector<Station>& st,
                  const std::vector<int>& ends,
                  G3IntervalList* out) {
    int begin = 0;
    for (const int end : ends) {
        WalkLoop(st, begin, end, out);
        begin = end;
    }
}

}  // namespace

int G3Facet::IntersectByPlaneConcave(const double* plane, G3IntervalList* out) const {
    return IntersectByPlaneConcave(plane, out, G3FacetLoops(this));
}

int G3Facet::IntersectByPlaneConcave(const double* plane,
                                     G3IntervalList* out,
                                     const G3FacetLoops& loops,
                                     const double* boxes) const {
    if (loops.GetCount() == 0 || out == nullptr) return 0;
    out->Clear();
    // Past this, a box's corners are clear of the plane: so is every vertex in it.
    constexpr double kClear = 2e-6;
    int positive = 0, negative = 0, zero = 0;
    // Kept from call to call: an intersection pass cuts tens of thousands of small facets.
    static thread_local std::vector<Station> st;
    static thread_local std::vector<int> ends;
    st.clear();
    ends.clear();
    for (int l = 0; l < loops.GetLoopCount(); ++l) {
        const int begin = loops.LoopBegin(l), end = loops.LoopEnd(l);
        if (boxes != nullptr && end > begin) {
            const double* lo = boxes + 6 * l;
            const double* hi = lo + 3;
            double low = plane[3], high = plane[3];
            for (int a = 0; a < 3; ++a) {
                low += plane[a] * (plane[a] >= 0.0 ? lo[a] : hi[a]);
                high += plane[a] * (plane[a] >= 0.0 ? hi[a] : lo[a]);
            }
            if (low > kClear) {
                positive += end - begin;
                continue;
            }
            if (high < -kClear) {
                negative += end - begin;
                continue;
            }
        }
        for (int k = begin; k < end; ++k) {
            G3Vertex* v = loops.Vertex(k);
            const double* x = v->GetXYZ();
            st.push_back({v, plane[0] * x[0] + plane[1] * x[1] + plane[2] * x[2] + plane[3], 0});
        }
        ends.push_back(static_cast<int>(st.size()));
    }
    SetSigns(st);
    for (const Station& s : st) {
        positive += s.sign > 0;
        negative += s.sign < 0;
        zero += s.sign == 0;
    }
    WalkBoundary(st, ends, out);
    if (positive > 0 && negative > 0) return 1;
    if (zero == loops.GetCount()) return 3;
    return zero > 0 ? 2 : 0;
}

bool G3Facet::FindIntervalsLieInFacet(const double* a, const double* b, G3IntervalList* out) const {
    std::vector<int> ends;
    std::vector<Station> st = Stations(this, &ends);
    if (st.empty() || out == nullptr) return false;
    int i, j;
    GetMaxCoo(&i, &j);
    double u[2] = {b[j] - a[j], a[i] - b[i]};
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1]);
    if (!(len >= 1e-6)) return false;
    u[0] /= len;
    u[1] /= len;
    const double c = -(u[0] * a[i] + u[1] * a[j]);
    for (Station& s : st) s.s = u[0] * s.v->GetXYZ(i) + u[1] * s.v->GetXYZ(j) + c;
    SetSigns(st);
    out->Clear();
    WalkBoundary(st, ends, out);
    if (out->IsEmpty()) return false;
    out->BuildIntervals();
    G3Interval segment(a, b);
    out->Intersect(&segment);
    return !out->IsEmpty();
}

bool G3Facet::FindFacetsIntersection(const G3Facet* other, G3IntervalList* out) const {
    if (other == nullptr || out == nullptr) return false;
    out->Clear();
    // Only edges that carry exactly one side of their facet: an outline, not a seam.
    auto clip = [out](const G3Facet* boundary, const G3Facet* against) {
        for (const G3Edge* e = boundary->GetFirstEdge(); e != nullptr; e = boundary->NextEdge(e)) {
            if (e->GetVertex1()->GetEdgeCount(e->GetVertex2(), boundary) != 1) continue;
            G3IntervalList tmp;
            if (against->FindIntervalsLieInFacet(e->GetVertex1()->GetXYZ(),
                                                 e->GetVertex2()->GetXYZ(), &tmp)) {
                out->Copy(&tmp);
            }
        }
    };
    // Both ways whatever the first finds: a facet lying wholly inside the other has no
    // piece of the other's outline in it, yet its own outline must still be cut there.
    clip(other, this);
    clip(this, other);
    return !out->IsEmpty();
}

int G3Facet::GetPlaneIntersect(
    const double* a, const double* b, double* out, const double* e1, const double* e2) const {
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double nd = m_Plane[0] * d[0] + m_Plane[1] * d[1] + m_Plane[2] * d[2];
    if (!(std::fabs(nd) >= 1e-4)) return 0;
    const double t = -(m_Plane[0] * a[0] + m_Plane[1] * a[1] + m_Plane[2] * a[2] + m_Plane[3]) / nd;
    for (int k = 0; k < 3; ++k) out[k] = a[k] + t * d[k];
    int i, j;
    GetMaxCoo(&i, &j);
    int result = 3;
    int inside = 0;
    G3FacetContourIterator contours(this);
    while (contours.hasNext() && result != 2) {
        auto* contour = static_cast<G3EdgeList*>(contours.next());
        G3EdgeListVertexIterator walk(contour);
        G3Vertex *hitA, *hitB;
        if (!PointInFacet(i, j, out, &walk, &hitA, &hitB, 1e-6)) continue;
        if (hitA == nullptr) {
            result = 1;
            ++inside;
        } else if (hitB == nullptr) {
            result = 2;
        } else {
            const bool excluded =
                e1 != nullptr && e2 != nullptr &&
                ((G3Point::Equals(hitA->GetXYZ(), e1) && G3Point::Equals(hitB->GetXYZ(), e2)) ||
                 (G3Point::Equals(hitA->GetXYZ(), e2) && G3Point::Equals(hitB->GetXYZ(), e1)));
            if (!excluded) result = 2;
        }
    }
    if (result == 1 && inside % 2 == 0) result = -1;
    return result;
}
