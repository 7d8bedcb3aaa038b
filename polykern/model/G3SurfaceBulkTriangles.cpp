// Building a triangle mesh whose sides are paired already, in one pass.
//
// The result is that of AddVertex for every point and AddFacet(3, ..., flags) for every
// triangle, as the general bulk build gives it; knowing in advance that every triangle
// makes a facet, that a pair's first side makes its edge and its second side takes that
// edge, lets the build skip the search for a pair's edges, take pool slots many at a time
// and fit each plane over the three corners directly.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/foundation/GWorkBuffers.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3SurfaceBulk.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr int kPlaneRun = 32;

// Hands out pool slots of one class, fetched a batch at a time under one lock; slots
// fetched but not used go back to the pool.
template <class T>
class SlotFeed {
public:
    explicit SlotFeed(int64_t expected) : m_Left(expected) {}
    ~SlotFeed() {
        for (int k = m_At; k < m_Count; ++k) T::operator delete(m_Slots[k]);
    }
    SlotFeed(const SlotFeed&) = delete;
    SlotFeed& operator=(const SlotFeed&) = delete;

    void* Next() {
        if (m_At == m_Count) {
            m_Count = static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(kBatch, m_Left)));
            m_Left -= m_Count;
            m_At = 0;
            T::NewSlots(m_Count, m_Slots);
        }
        return m_Slots[m_At++];
    }

private:
    static constexpr int kBatch = 256;
    void* m_Slots[kBatch];
    int m_At = 0;
    int m_Count = 0;
    int64_t m_Left;
};


// Whether the input meets the build's conditions: finite points, three distinct corners
// in range per triangle, and side numbers that start each pair at its first side, in
// order, with at most two sides per pair and never two in one triangle.
bool Acceptable(int pointCount,
                const double* xyz,
                int triangleCount,
                const int* corners,
                const int* sideEdge,
                int pairCount) {
    for (std::size_t k = 0; k < 3 * static_cast<std::size_t>(pointCount); ++k) {
        if (!std::isfinite(xyz[k])) return false;
    }
    pkwork::Vector<uint8_t> uses(static_cast<std::size_t>(pairCount), 0);
    int next = 0;
    for (int t = 0; t < triangleCount; ++t) {
        const int* c = corners + 3 * std::size_t(t);
        const int* side = sideEdge + 3 * std::size_t(t);
        for (int i = 0; i < 3; ++i) {
            if (c[i] < 0 || c[i] >= pointCount) return false;
            const int pair = side[i];
            if (pair < 0 || pair > next || pair >= pairCount) return false;
            if (pair == next) ++next;
            if (++uses[std::size_t(pair)] > 2) return false;
        }
        if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) return false;
        if (side[0] == side[1] || side[1] == side[2] || side[2] == side[0]) return false;
    }
    return next == pairCount;
}

}  // namespace

int pkbulk::BuildTriangles(G3Surface& s,
                           int pointCount,
                           const double* xyz,
                           int triangleCount,
                           const int* corners,
                           int32_t flags,
                           const int* sideEdge,
                           int pairCount,
                           const int* joinOrder,
                           G3Vertex** vertexOfPoint,
                           const double* planeXyz) {
    GArrayCollection* vertices = s.GetVertexList();
    GArrayCollection* edges = s.GetEdgeList();
    GArrayCollection* facets = s.GetFacetList();
    if (pointCount < 0 || triangleCount < 0 || pairCount < 0 || vertexOfPoint == nullptr ||
        vertices == nullptr || edges == nullptr || facets == nullptr ||
        (pointCount > 0 && xyz == nullptr) ||
        (triangleCount > 0 && (corners == nullptr || sideEdge == nullptr)) ||
        !Acceptable(pointCount, xyz, triangleCount, corners, sideEdge, pairCount)) {
        return -1;
    }
    // The vertices: made in the order the triangles first use them, so that a triangle's
    // vertices lie close together in memory, each numbered by its place in the list.
    const int vertexBase = vertices->size();
    pkwork::Vector<int> place(static_cast<std::size_t>(pointCount));
    for (int k = 0; k < pointCount; ++k) {
        place[std::size_t(joinOrder != nullptr ? joinOrder[k] : k)] = vertexBase + k;
    }
    std::fill(vertexOfPoint, vertexOfPoint + pointCount, nullptr);
    {
        SlotFeed<G3Vertex> feed(pointCount);
        auto make = [&](int p) {
            const double* q = xyz + 3 * std::size_t(p);
            auto* v = ::new (feed.Next()) G3Vertex(q[0], q[1], q[2], 0);
            v->SetId(place[std::size_t(p)]);
            vertexOfPoint[p] = v;
        };
        for (std::size_t k = 0; k < 3 * static_cast<std::size_t>(triangleCount); ++k) {
            if (vertexOfPoint[corners[k]] == nullptr) make(corners[k]);
        }
        for (int p = 0; p < pointCount; ++p) {
            if (vertexOfPoint[p] == nullptr) make(p);
        }
    }
    vertices->ensureCapacity(vertexBase + pointCount);
    const bool announce = s.GetExDataProvider() != nullptr;
    for (int k = 0; k < pointCount; ++k) {
        G3Vertex* v = vertexOfPoint[joinOrder != nullptr ? joinOrder[k] : k];
        vertices->add(v);
        if (announce) s.OpenExDataVertex(v);
    }

    // Between BeginComplexFacet and EndComplexFacet the surface's link collects facets.
    GArrayCollection* collector = dynamic_cast<GArrayCollection*>(s.GetExData());
    // AddEdgeToCollection and AddFacetToCollection, with the calls to providers made only
    // when there is one to hear them.
    const bool announceEdges = s.GetExDataProvider() != nullptr;
    const bool announceFacets = announceEdges || G3Obj::GetProviderList()->size() > 0;
    const int edgeBase = edges->size();
    edges->ensureCapacity(edgeBase + pairCount);
    facets->ensureCapacity(facets->size() + triangleCount);
    SlotFeed<G3Facet> facetFeed(triangleCount);
    SlotFeed<G3Edge> edgeFeed(pairCount);
    int made = 0;
    // Progress every 1/64 of the triangles, while a receiver listens.
    const int step = std::max(1, triangleCount / 64);
    int report = GTrace::IsActive() ? step : triangleCount;
    // The planes are fitted a few triangles ahead, in a loop of their own, so that the
    // divisions and roots of neighbouring triangles overlap.
    double planes[kPlaneRun][4];
    const double* fit = planeXyz != nullptr ? planeXyz : xyz;
    for (int t = 0; t < triangleCount; ++t) {
        if (t == report) {
            GTrace::Progress("building the surface", t, triangleCount);
            report += step;
        }
        if (t % kPlaneRun == 0) {
            const int run = std::min(kPlaneRun, triangleCount - t);
            for (int k = 0; k < run; ++k) {
                const int* q = corners + 3 * std::size_t(t + k);
                TrianglePlane(fit + 3 * std::size_t(q[0]), fit + 3 * std::size_t(q[1]),
                              fit + 3 * std::size_t(q[2]), planes[k]);
            }
        }
        const int* c = corners + 3 * std::size_t(t);
        const int* side = sideEdge + 3 * std::size_t(t);
        auto* f = ::new (facetFeed.Next()) G3Facet();
        f->SetSurface(s.GetSurface());
        s.SetEdgeFlags(flags);
        for (int i = 0; i < 3; ++i) {
            G3Vertex* va = vertexOfPoint[c[i]];
            G3Vertex* vb = vertexOfPoint[c[i < 2 ? i + 1 : 0]];
            G3Edge* e;
            if (side[i] == made) {
                e = ::new (edgeFeed.Next()) G3Edge(va, vb);
                e->SetFlags(flags);
                va->AddEdge(e);
                vb->AddEdge(e);
                e->SetFacet1(f);
                f->AddEdge(e);
                e->SetId(edges->size());
                edges->add(e);
                if (announceEdges) s.OpenExDataEdge(e);
                ++made;
            } else {
                // The pair's second side: its edge has facet 1 only, and another one.
                e = static_cast<G3Edge*>(edges->get(edgeBase + side[i]));
                e->SetFacet2(f);
                f->AddEdge(e);
                e->SetFlags(e->GetFlags() | flags);
            }
        }
        f->SetId(facets->size());
        facets->add(f);
        f->SetParent(&s);
        if (announceFacets) s.OpenExDataFacet(f);
        // The vertices hold the points' coordinates exactly: the plane is theirs, unless
        // the caller gave positions of its own.
        const double* plane = planes[t % kPlaneRun];
        std::memcpy(f->GetPlane(), plane, sizeof planes[0]);
        // As IsPlaneZero on the facet: a triangle without a normal takes its own fallback.
        if (plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 0.0 && plane[3] == 0.0) {
            f->FormPlaneEquation();
        }
        if (collector != nullptr) collector->add(f);
    }
    return triangleCount;
}
