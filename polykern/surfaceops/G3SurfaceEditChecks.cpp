// The surface checks: tiny edges, self-crossing facet outlines and crossing facets.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "polykern/boolean/G3IntervalList.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/surfaceops/G3SurfaceEdit.h"

namespace {

// Facets i and j cut each other's planes properly and the cuts overlap on the common line.
bool FacetsCross(const G3Facet* f, const G3Facet* g) {
    G3IntervalList a, b;
    if (f->IntersectByPlaneConcave(g->GetPlane(), &a) != 1) return false;
    if (g->IntersectByPlaneConcave(f->GetPlane(), &b) != 1) return false;
    a.BuildIntervals();
    b.SetMaxCoo(&a);
    b.BuildIntervals();
    if (a.GetIntersectionType(&b) != INTERVAL_LIST_OVERLAP) return false;
    G3IntervalList* common = a.Intersect(&b);
    const bool cross = common != nullptr && !common->IsEmpty();
    delete common;
    return cross;
}

}  // namespace

bool G3SurfaceEdit::CheckSurface(int flags, int& result) {
    result = 0;
    const bool edges = CheckEdges(flags, result);
    const bool facets = CheckFacets(flags, result);
    return edges && facets;
}

bool G3SurfaceEdit::CheckEdges(int flags, int& result) {
    if (m_Surface == nullptr || m_Surface->GetFacetCount() == 0) return false;
    bool crossing = false, small = false;
    for (int f = 0; f < m_Surface->GetFacetCount(); ++f) {
        G3Facet* facet = m_Surface->GetFacet(f);
        G3EdgeList list(facet);
        if ((flags & G3SURFACE_CHECK_SELF_CROSSING) != 0 && !crossing)
            crossing = list.TestSelfIntersections();
        if ((flags & G3SURFACE_CHECK_SMALL_EDGES) != 0 && !small) {
            for (int k = 0; k < list.size() && !small; ++k)
                small = list.GetEdgeAt(k)->GetSizeXYZ() < 1e-6;
        }
    }
    if (crossing) result |= G3SURFACE_CHECK_SELF_CROSSING;
    if (small) result |= G3SURFACE_CHECK_SMALL_EDGES | G3SURFACE_CHECK_SMALL_EDGES_ALSO;
    return !crossing && !small;
}

// Boxes are formed once; facets are taken by the low x of their boxes, so only pairs whose
// boxes overlap along x are looked at closely.
bool G3SurfaceEdit::CheckFacets(int flags, int& result) {
    if (m_Surface == nullptr || m_Surface->GetFacetCount() == 0) return false;
    if ((flags & G3SURFACE_CHECK_FACETS) == 0) return true;
    const int n = m_Surface->GetFacetCount();
    std::vector<GEnvelope> boxes(static_cast<std::size_t>(n));
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int f = 0; f < n; ++f) {
        m_Surface->GetFacet(f)->FormEnvelope(&boxes[std::size_t(f)]);
        order[std::size_t(f)] = f;
    }
    std::sort(order.begin(), order.end(), [&boxes](int p, int q) {
        return boxes[std::size_t(p)].GetMin()[0] < boxes[std::size_t(q)].GetMin()[0] ||
               (boxes[std::size_t(p)].GetMin()[0] == boxes[std::size_t(q)].GetMin()[0] && p < q);
    });
    bool cross = false;
    for (std::size_t i = 0; i < order.size() && !cross; ++i) {
        const GEnvelope& bi = boxes[std::size_t(order[i])];
        for (std::size_t j = i + 1; j < order.size() && !cross; ++j) {
            const GEnvelope& bj = boxes[std::size_t(order[j])];
            if (bj.GetMin()[0] > bi.GetMax()[0] + 1e-6) break;
            if (!bi.IsIntersectXYZ(&bj)) continue;
            cross = FacetsCross(m_Surface->GetFacet(order[i]), m_Surface->GetFacet(order[j]));
        }
    }
    if (cross) result |= G3SURFACE_CHECK_FACETS;
    return !cross;
}
