// Building a whole mesh from indexed polygons in one pass.
//
// The result must be exactly that of AddVertex for every point and AddFacet for every
// facet in turn. AddEdge finds the edge a facet side shares by walking a's edge list for
// edges to b; the edges between one pair of vertices appear there in the order they were
// made, so the walk only ever sees that pair's edges in creation order. Here the vertex
// pairs are numbered before the build (a counting sort of the sides, or the caller's own
// adjacency), each pair's edges are kept in creation order in a chain, and the same rule
// picks among them, so no vertex's list is walked.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/foundation/GWorkBuffers.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3SurfaceBulk.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr int kNone = -1;

// The pair of every facet side, numbered densely: sides between the same two vertices,
// in either direction, get the same number. The sides are bucketed by their smaller
// vertex with a counting sort and each bucket is ordered by the larger one, so the whole
// pairing takes linear time (n log n only for vertices with very many edges) and the
// numbers follow the vertex order, which keeps the build's look-ups close in memory.
class SidePairs {
public:
    // `usable[k]` says whether facet k will be built; its sides are the only ones paired.
    SidePairs(int pointCount,
              int facetCount,
              const int* counts,
              const int* corners,
              const pkwork::Vector<char>& usable) {
        pkwork::Vector<int> bucket(static_cast<std::size_t>(pointCount) + 1, 0);
        std::size_t total = 0;
        ForEachSide(facetCount, counts, corners, usable, [&](std::size_t, int a, int b) {
            ++bucket[a < b ? a : b];
            ++total;
        });
        int sum = 0;
        for (int& c : bucket) {
            const int n = c;
            c = sum;
            sum += n;
        }
        // Sides bucketed by their smaller vertex, each with its larger one; within a bucket
        // they stay in side order.
        pkwork::Vector<std::pair<int, int>> sorted(total);  // (larger vertex, side)
        pkwork::Vector<int> fill(bucket.begin(), bucket.end() - 1);
        m_PairOfSide.assign(static_cast<std::size_t>(Offset(facetCount, counts)), kNone);
        ForEachSide(facetCount, counts, corners, usable, [&](std::size_t side, int a, int b) {
            sorted[static_cast<std::size_t>(fill[a < b ? a : b]++)] = {a < b ? b : a,
                                                                        static_cast<int>(side)};
        });
        int pairs = 0;
        for (int lo = 0; lo < pointCount; ++lo) {
            auto first = sorted.begin() + bucket[lo];
            auto last = sorted.begin() + bucket[lo + 1];
            if (last - first > 1) std::sort(first, last);
            for (auto it = first; it != last; ++it) {
                if (it != first && it->first != (it - 1)->first) ++pairs;
                m_PairOfSide[static_cast<std::size_t>(it->second)] = pairs;
            }
            if (first != last) ++pairs;
        }
        m_PairCount = pairs;
    }

    const int* Data() const { return m_PairOfSide.data(); }
    int GetPairCount() const { return m_PairCount; }

    // The corners of the first facetCount facets.
    static int64_t Offset(int facetCount, const int* counts) {
        int64_t total = 0;
        for (int k = 0; k < facetCount; ++k) total += counts[k];
        return total;
    }

private:
    // Calls f(side, a, b) for every side a–b of a usable facet with a ≠ b; side numbers
    // are corner positions.
    template <class F>
    static void ForEachSide(int facetCount,
                            const int* counts,
                            const int* corners,
                            const pkwork::Vector<char>& usable,
                            F f) {
        std::size_t start = 0;
        for (int k = 0; k < facetCount; ++k) {
            const auto n = static_cast<std::size_t>(counts[k]);
            if (usable[static_cast<std::size_t>(k)]) {
                for (std::size_t i = 0; i < n; ++i) {
                    const int a = corners[start + i], b = corners[start + (i + 1 < n ? i + 1 : 0)];
                    if (a != b) f(start + i, a, b);
                }
            }
            start += n;
        }
    }

    pkwork::Vector<int> m_PairOfSide;
    int m_PairCount = 0;
};

}  // namespace

// Does the work of AddIndexedFacets with access to the surface's private parts.
class G3SurfaceBulkBuilder {
public:
    G3SurfaceBulkBuilder(G3Surface& s, const int* pairOfSide, int pairCount)
        : m_Surface(s),
          m_EdgeBase(s.GetEdgeCount()),
          m_PairOfSide(pairOfSide),
          m_Collector(dynamic_cast<GArrayCollection*>(s.GetExData())),
          m_FirstEdge(static_cast<std::size_t>(pairCount), kNone) {
        m_NextInPair.reserve(static_cast<std::size_t>(pairCount));
    }

    // The build proper, once the usable facets are known and their sides paired.
    static int Run(G3Surface& s,
                   int readable,
                   const int* cornerCounts,
                   const int* corners,
                   const int32_t* edgeFlags,
                   int32_t flags,
                   G3Vertex* const* vertexOf,
                   const pkwork::Vector<char>& usable,
                   const int* pairOfSide,
                   int pairCount);

    // The facets that are built at all (enough corners, every index a point with a
    // vertex), and how many facets can be read within `cornerTotal` corners.
    static int Usable(int pointCount,
                      int facetCount,
                      const int* cornerCounts,
                      int cornerTotal,
                      const int* corners,
                      G3Vertex* const* vertexOf,
                      pkwork::Vector<char>& usable);

    // AddEdge(va, vb, f) for the side that starts at corner position `side`, with the
    // pair's edges taken from its chain.
    G3Edge* Side(std::size_t side, G3Vertex* va, G3Vertex* vb, G3Facet* f) {
        if (va == vb) {
            GTrace::Message("Not inserted equals vertex in AddEdge. Skip.");
            return nullptr;
        }
        int& head = m_FirstEdge[static_cast<std::size_t>(m_PairOfSide[side])];
        int tail = kNone;
        for (int k = head; k != kNone; tail = k, k = m_NextInPair[static_cast<std::size_t>(k)]) {
            G3Edge* e = EdgeAt(k);
            // An edge that lost every facet has left its vertices' lists: AddEdge no
            // longer sees it.
            if (e->GetFacet1() == nullptr && e->GetFacet2() == nullptr) continue;
            const int claim = G3Surface::ClaimSide(e, f);
            if (claim == 0) continue;
            if (claim < 0) break;
            f->AddEdge(e);
            e->SetFlags(e->GetFlags() | m_Surface.m_EdgeFlags);
            return e;
        }
        if (head != kNone) {
            for (tail = head; m_NextInPair[static_cast<std::size_t>(tail)] != kNone;) {
                tail = m_NextInPair[static_cast<std::size_t>(tail)];
            }
        }
        auto* e = new G3Edge(va, vb);
        e->SetFlags(m_Surface.m_EdgeFlags);
        va->AddEdge(e);
        vb->AddEdge(e);
        e->SetFacet1(f);
        f->AddEdge(e);
        m_Surface.AddEdgeToCollection(e);
        const int index = m_Surface.GetEdgeCount() - 1 - m_EdgeBase;
        m_NextInPair.push_back(kNone);
        if (head == kNone) {
            head = index;
        } else {
            m_NextInPair[static_cast<std::size_t>(tail)] = index;
        }
        return e;
    }

    // _AddFacet and Finish over the n corners starting at corner position `start`, whose
    // vertices all exist.
    G3Facet* Facet(int n,
                   std::size_t start,
                   const int* ids,
                   G3Vertex* const* vertexOf,
                   const int32_t* sideFlags) {
        auto* f = new G3Facet();
        f->SetSurface(m_Surface.m_Surface);
        int added = 0;
        for (int i = 0; i < n; ++i) {
            const int j = i + 1 < n ? i + 1 : 0;
            if (sideFlags != nullptr) m_Surface.m_EdgeFlags = sideFlags[i];
            G3Vertex* va = vertexOf[ids[i]];
            G3Vertex* vb = vertexOf[ids[j]];
            if (Side(start + static_cast<std::size_t>(i), va, vb, f) != nullptr) ++added;
        }
        if (added < 3) {
            f->RemoveEdges();
            delete f;
            return nullptr;
        }
        m_Surface.AddFacetToCollection(f);
        // When every side made an edge the ring starts at the corners in their order, so
        // the plane can be fitted over the corners directly, as FormPlaneEquation would
        // over the ring; a zero plane takes the facet's own fallback.
        if (added == n && n == 3) {
            pkbulk::TrianglePlane(vertexOf[ids[0]]->GetXYZ(), vertexOf[ids[1]]->GetXYZ(),
                                  vertexOf[ids[2]]->GetXYZ(), f->GetPlane());
            if (f->IsPlaneZero()) f->FormPlaneEquation();
        } else if (added == n && n <= kCornerRoom) {
            for (int i = 0; i < n; ++i) m_Corners[i] = vertexOf[ids[i]]->GetXYZ();
            G3Math::FormPlaneEquation(n, m_Corners, f->GetPlane());
            if (f->IsPlaneZero()) f->FormPlaneEquation();
        } else {
            f->FormPlaneEquation();
        }
        if (m_Collector != nullptr) m_Collector->add(f);
        return f;
    }

private:
    G3Edge* EdgeAt(int k) const { return m_Surface.GetEdge(m_EdgeBase + k); }

    static constexpr int kCornerRoom = 16;

    G3Surface& m_Surface;
    const int m_EdgeBase;
    const int* const m_PairOfSide;
    // Between BeginComplexFacet and EndComplexFacet the surface's link collects facets.
    GArrayCollection* const m_Collector;
    const double* m_Corners[kCornerRoom];
    pkwork::Vector<int> m_FirstEdge;   // per pair: its first edge made by this build
    pkwork::Vector<int> m_NextInPair;  // per edge: the next edge between the same two vertices
};

int G3SurfaceBulkBuilder::Usable(int pointCount,
                                 int facetCount,
                                 const int* cornerCounts,
                                 int cornerTotal,
                                 const int* corners,
                                 G3Vertex* const* vertexOf,
                                 pkwork::Vector<char>& usable) {
    usable.assign(static_cast<std::size_t>(facetCount), 0);
    int readable = 0;
    int64_t start = 0;
    for (; readable < facetCount; ++readable) {
        const int n = cornerCounts[readable];
        if (n < 0 || start + n > cornerTotal) break;  // never read past the corners given
        const int* ids = corners + start;
        start += n;
        bool ok = n >= 3;
        for (int i = 0; i < n && ok; ++i) {
            ok = ids[i] >= 0 && ids[i] < pointCount && vertexOf[ids[i]] != nullptr;
        }
        usable[static_cast<std::size_t>(readable)] = ok;
    }
    return readable;
}

int G3SurfaceBulkBuilder::Run(G3Surface& s,
                              int readable,
                              const int* cornerCounts,
                              const int* corners,
                              const int32_t* edgeFlags,
                              int32_t flags,
                              G3Vertex* const* vertexOf,
                              const pkwork::Vector<char>& usable,
                              const int* pairOfSide,
                              int pairCount) {
    s.GetFacetList()->ensureCapacity(s.GetFacetCount() + readable);
    s.GetEdgeList()->ensureCapacity(s.GetEdgeCount() + pairCount);
    G3SurfaceBulkBuilder build(s, pairOfSide, pairCount);
    int made = 0;
    std::size_t start = 0;
    for (int k = 0; k < readable; ++k) {
        const int n = cornerCounts[k];
        const std::size_t at = start;
        start += static_cast<std::size_t>(n);
        if (n < 3) continue;
        const int32_t* sideFlags = edgeFlags != nullptr ? edgeFlags + at : nullptr;
        // As the single-flags AddFacet: the flags become current before the corners are
        // looked at.
        if (sideFlags == nullptr) s.m_EdgeFlags = flags;
        if (usable[static_cast<std::size_t>(k)] &&
            build.Facet(n, at, corners + at, vertexOf, sideFlags) != nullptr) {
            ++made;
        }
    }
    return made;
}

namespace {

// Checks the arguments and makes the vertices; false, with nothing added, for a negative
// count or a missing array.
bool Prepare(G3Surface& s,
             int pointCount,
             const double* xyz,
             int facetCount,
             const int* cornerCounts,
             int cornerTotal,
             const int* corners,
             G3Vertex** vertexOf,
             const int* joinOrder) {
    if (pointCount < 0 || facetCount < 0 || cornerTotal < 0) return false;
    if ((pointCount > 0 && xyz == nullptr) || (facetCount > 0 && cornerCounts == nullptr) ||
        (cornerTotal > 0 && corners == nullptr) || s.GetVertexList() == nullptr ||
        s.GetFacetList() == nullptr || s.GetEdgeList() == nullptr) {
        return false;
    }
    // The vertex objects are made in the order the facets first use them, so that the
    // facets' vertices lie close together in memory however the points are numbered;
    // they join the surface in the points' order, as AddVertex would have added them.
    pkwork::Vector<char> made(static_cast<std::size_t>(pointCount), 0);
    auto make = [&](int k) {
        const double* p = xyz + 3 * std::size_t(k);
        made[std::size_t(k)] = 1;
        vertexOf[k] = std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])
                          ? new G3Vertex(p[0], p[1], p[2], 0)
                          : nullptr;
    };
    int64_t start = 0;
    for (int f = 0; f < facetCount; ++f) {
        const int n = cornerCounts[f];
        if (n < 0 || start + n > cornerTotal) break;
        for (int i = 0; i < n; ++i) {
            const int k = corners[start + i];
            if (k >= 0 && k < pointCount && !made[std::size_t(k)]) make(k);
        }
        start += n;
    }
    s.GetVertexList()->ensureCapacity(s.GetVertexCount() + pointCount);
    for (int k = 0; k < pointCount; ++k) {
        if (!made[std::size_t(k)]) make(k);
    }
    for (int k = 0; k < pointCount; ++k) {
        G3Vertex* v = vertexOf[joinOrder != nullptr ? joinOrder[k] : k];
        if (v != nullptr) s.AddVertexToCollection(v);
    }
    return true;
}

}  // namespace

int G3Surface::AddIndexedFacets(int pointCount,
                                const double* xyz,
                                int facetCount,
                                const int* cornerCounts,
                                int cornerTotal,
                                const int* corners,
                                const int32_t* edgeFlags,
                                int32_t flags,
                                G3Vertex** vertexOfPoint) {
    return pkbulk::BuildIndexedFacets(*this, pointCount, xyz, facetCount, cornerCounts,
                                      cornerTotal, corners, edgeFlags, flags, vertexOfPoint,
                                      nullptr, 0);
}

int pkbulk::BuildIndexedFacets(G3Surface& s,
                               int pointCount,
                               const double* xyz,
                               int facetCount,
                               const int* cornerCounts,
                               int cornerTotal,
                               const int* corners,
                               const int32_t* edgeFlags,
                               int32_t flags,
                               G3Vertex** vertexOfPoint,
                               const int* sideEdge,
                               int pairCount,
                               const int* joinOrder) {
    pkwork::Vector<G3Vertex*> local;
    G3Vertex** vertexOf = vertexOfPoint;
    if (vertexOf == nullptr && pointCount > 0) {
        local.resize(static_cast<std::size_t>(pointCount));
        vertexOf = local.data();
    }
    if (pairCount < 0 || !Prepare(s, pointCount, xyz, facetCount, cornerCounts, cornerTotal,
                                  corners, vertexOf, joinOrder)) {
        return -1;
    }
    pkwork::Vector<char> usable;
    const int readable = G3SurfaceBulkBuilder::Usable(pointCount, facetCount, cornerCounts,
                                                      cornerTotal, corners, vertexOf, usable);
    if (sideEdge != nullptr) {
        return G3SurfaceBulkBuilder::Run(s, readable, cornerCounts, corners, edgeFlags, flags,
                                         vertexOf, usable, sideEdge, pairCount);
    }
    const SidePairs pairs(pointCount, readable, cornerCounts, corners, usable);
    return G3SurfaceBulkBuilder::Run(s, readable, cornerCounts, corners, edgeFlags, flags,
                                     vertexOf, usable, pairs.Data(), pairs.GetPairCount());
}
