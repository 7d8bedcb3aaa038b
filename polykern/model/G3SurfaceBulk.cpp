// Building a whole mesh from indexed polygons in one pass.
//
// The result must be exactly that of AddVertex for every point and AddFacet for every
// facet in turn. AddEdge finds the edge a facet side shares by walking a's edge list for
// edges to b; the edges between one pair of vertices appear there in the order they were
// made, so the walk only ever sees that pair's edges in creation order. Here each pair's
// edges are kept in the same order in a chain found through a hash over the pair, and the
// same rule picks among them, so no vertex's list is walked.

#include <cstdint>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

// Open addressing over vertex pairs: the key is the pair of point indices, smaller
// first; the value is the pair's first edge, as an index into the edges made by this
// build. Grows when three quarters full, so a probe stays short whatever the mesh.
class PairTable {
public:
    explicit PairTable(std::size_t expected) { Resize(Capacity(expected)); }

    // The slot of `key`: its value, or kEmpty when the pair has no edge yet.
    int& At(uint64_t key) {
        std::size_t i = Slot(key);
        while (m_Values[i] != kEmpty && m_Keys[i] != key) i = (i + 1) & m_Mask;
        if (m_Values[i] == kEmpty) {
            if (++m_Used * 4 > m_Keys.size() * 3) {
                Grow();
                return At(key);  // the key was not placed yet: find its new slot
            }
            m_Keys[i] = key;
        }
        return m_Values[i];
    }

    static constexpr int kEmpty = -1;

private:
    static std::size_t Capacity(std::size_t expected) {
        std::size_t c = 16;
        while (c < 2 * expected) c *= 2;
        return c;
    }
    std::size_t Slot(uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & m_Mask;
    }
    void Resize(std::size_t capacity) {
        m_Keys.assign(capacity, 0);
        m_Values.assign(capacity, kEmpty);
        m_Mask = capacity - 1;
        m_Used = 0;
    }
    void Grow() {
        std::vector<uint64_t> keys;
        std::vector<int> values;
        keys.swap(m_Keys);
        values.swap(m_Values);
        Resize(keys.size() * 2);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (values[i] == kEmpty) continue;
            std::size_t j = Slot(keys[i]);
            while (m_Values[j] != kEmpty) j = (j + 1) & m_Mask;
            m_Keys[j] = keys[i];
            m_Values[j] = values[i];
            ++m_Used;
        }
    }

    std::vector<uint64_t> m_Keys;
    std::vector<int> m_Values;
    std::size_t m_Mask = 0;
    std::size_t m_Used = 0;
};

uint64_t PairKey(int a, int b) {
    const auto lo = static_cast<uint32_t>(a < b ? a : b);
    const auto hi = static_cast<uint32_t>(a < b ? b : a);
    return (static_cast<uint64_t>(lo) << 32) | hi;
}

}  // namespace

// Does the work of AddIndexedFacets with access to the surface's private parts.
class G3SurfaceBulkBuilder {
public:
    G3SurfaceBulkBuilder(G3Surface& s, std::size_t corners)
        : m_Surface(s), m_EdgeBase(s.GetEdgeCount()), m_Pairs(corners / 2 + 1) {
        m_NextInPair.reserve(corners / 2 + 1);
    }

    // AddEdge(v[a], v[b], f), with the pair's edges taken from its chain.
    G3Edge* Side(int a, int b, G3Vertex* va, G3Vertex* vb, G3Facet* f) {
        if (va == vb) {
            GTrace::Message("Not inserted equals vertex in AddEdge. Skip.");
            return nullptr;
        }
        int& head = m_Pairs.At(PairKey(a, b));
        int tail = PairTable::kEmpty;
        for (int k = head; k != PairTable::kEmpty; tail = k, k = m_NextInPair[k]) {
            G3Edge* e = EdgeAt(k);
            // An edge that lost every facet has left its vertices' lists: AddEdge no
            // longer sees it.
            if (e->GetFacet1() == nullptr && e->GetFacet2() == nullptr) continue;
            if (e->GetFacet1() == nullptr) {
                if (e->GetFacet2() == f) break;
                e->SetFacet1(f);
            } else if (e->GetFacet2() == nullptr) {
                if (e->GetFacet1() == f) break;
                e->SetFacet2(f);
            } else {
                continue;
            }
            f->AddEdge(e);
            e->SetFlags(e->GetFlags() | m_Surface.m_EdgeFlags);
            return e;
        }
        if (head != PairTable::kEmpty) {
            for (tail = head; m_NextInPair[tail] != PairTable::kEmpty;) tail = m_NextInPair[tail];
        }
        auto* e = new G3Edge(va, vb);
        e->SetFlags(m_Surface.m_EdgeFlags);
        va->AddEdge(e);
        vb->AddEdge(e);
        e->SetFacet1(f);
        f->AddEdge(e);
        m_Surface.AddEdgeToCollection(e);
        const int index = m_Surface.GetEdgeCount() - 1 - m_EdgeBase;
        m_NextInPair.push_back(PairTable::kEmpty);
        if (head == PairTable::kEmpty) {
            head = index;
        } else {
            m_NextInPair[tail] = index;
        }
        return e;
    }

    // _AddFacet and Finish over point indices whose vertices all exist.
    G3Facet* Facet(int n, const int* ids, G3Vertex* const* vertexOf, const int32_t* sideFlags) {
        auto* f = new G3Facet();
        f->SetSurface(m_Surface.m_Surface);
        int added = 0;
        for (int i = 0; i < n; ++i) {
            const int j = i + 1 < n ? i + 1 : 0;
            if (sideFlags != nullptr) m_Surface.m_EdgeFlags = sideFlags[i];
            if (Side(ids[i], ids[j], vertexOf[ids[i]], vertexOf[ids[j]], f) != nullptr) ++added;
        }
        if (added < 3) {
            f->RemoveEdges();
            delete f;
            return nullptr;
        }
        return m_Surface.Finish(m_Surface.AddFacetToCollection(f));
    }

private:
    G3Edge* EdgeAt(int k) const { return m_Surface.GetEdge(m_EdgeBase + k); }

    G3Surface& m_Surface;
    const int m_EdgeBase;
    PairTable m_Pairs;
    std::vector<int> m_NextInPair;  // the next edge between the same two vertices
};

int G3Surface::AddIndexedFacets(int pointCount,
                                const double* xyz,
                                int facetCount,
                                const int* cornerCounts,
                                int cornerTotal,
                                const int* corners,
                                const int32_t* edgeFlags,
                                int32_t flags,
                                G3Vertex** vertexOfPoint) {
    if (pointCount < 0 || facetCount < 0 || cornerTotal < 0) return -1;
    if ((pointCount > 0 && xyz == nullptr) || (facetCount > 0 && cornerCounts == nullptr) ||
        (cornerTotal > 0 && corners == nullptr) || GetVertexList() == nullptr ||
        GetFacetList() == nullptr || GetEdgeList() == nullptr) {
        return -1;
    }
    std::vector<G3Vertex*> local;
    G3Vertex** vertexOf = vertexOfPoint;
    if (vertexOf == nullptr) {
        local.resize(static_cast<std::size_t>(pointCount));
        vertexOf = local.data();
    }
    GetVertexList()->ensureCapacity(GetVertexCount() + pointCount);
    for (int k = 0; k < pointCount; ++k) vertexOf[k] = AddVertex(xyz + 3 * std::size_t(k), 0);

    GetFacetList()->ensureCapacity(GetFacetCount() + facetCount);
    G3SurfaceBulkBuilder build(*this, static_cast<std::size_t>(cornerTotal));
    int made = 0;
    int64_t start = 0;
    for (int k = 0; k < facetCount; ++k) {
        const int n = cornerCounts[k];
        if (n < 0 || start + n > cornerTotal) break;  // never read past the corners given
        const int* ids = corners + start;
        const int32_t* sideFlags = edgeFlags != nullptr ? edgeFlags + start : nullptr;
        start += n;
        if (n < 3) continue;
        // As the single-flags AddFacet: the flags become current before the corners are
        // looked at.
        if (sideFlags == nullptr) m_EdgeFlags = flags;
        bool usable = true;
        for (int i = 0; i < n && usable; ++i) {
            usable = ids[i] >= 0 && ids[i] < pointCount && vertexOf[ids[i]] != nullptr;
        }
        if (usable && build.Facet(n, ids, vertexOf, sideFlags) != nullptr) ++made;
    }
    return made;
}
