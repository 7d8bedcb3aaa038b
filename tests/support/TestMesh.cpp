#include "tests/support/TestMesh.h"

#include <algorithm>
#include <set>

#include "polykern/model/G3FacetVertexIterator.h"

namespace pktest {

TestMesh::~TestMesh() {
    for (G3Edge* e : m_Edges) delete e;
    for (G3Facet* f : m_Facets) delete f;
    for (G3Vertex* v : m_Vertices) delete v;
}

G3Vertex* TestMesh::Vertex(double x, double y, double z) {
    m_Vertices.push_back(new G3Vertex(x, y, z, 0));
    m_Vertices.back()->SetId(static_cast<int32_t>(m_Vertices.size() - 1));
    return m_Vertices.back();
}

G3Edge* TestMesh::Edge(G3Vertex* a, G3Vertex* b) {
    auto* e = new G3Edge(a, b);
    a->AddEdge(e);
    b->AddEdge(e);
    m_Edges.push_back(e);
    return e;
}

void TestMesh::Attach(G3Facet* f, G3Edge* e) {
    if (e->GetFacet1() == nullptr) {
        e->SetFacet1(f);
    } else {
        e->SetFacet2(f);
    }
    f->AddEdge(e);
}

G3Edge* TestMesh::SharedOrNew(G3Facet* f, G3Vertex* a, G3Vertex* b) {
    for (G3Edge* e = a->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(a)) {
        if (e->OtherVertex(a) != b) continue;
        const bool free = e->GetFacet1() == nullptr || e->GetFacet2() == nullptr;
        if (free && e->GetFacet1() != f && e->GetFacet2() != f) return e;
    }
    return Edge(a, b);
}

G3Facet* TestMesh::Facet(std::initializer_list<G3Vertex*> loop) {
    return Facet(std::vector<std::vector<G3Vertex*>>{std::vector<G3Vertex*>(loop)});
}

G3Facet* TestMesh::Facet(const std::vector<std::vector<G3Vertex*>>& loops) {
    auto* f = new G3Facet();
    m_Facets.push_back(f);
    for (const auto& loop : loops) {
        for (std::size_t k = 0; k < loop.size(); ++k) {
            Attach(f, SharedOrNew(f, loop[k], loop[(k + 1) % loop.size()]));
        }
    }
    f->FormPlaneEquation();
    return f;
}

::testing::AssertionResult RingIsClosed(const G3Facet* f) {
    std::vector<const G3Edge*> edges;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        if (e->GetFacet1() != f && e->GetFacet2() != f) {
            return ::testing::AssertionFailure() << "edge " << edges.size() << " lacks the facet";
        }
        edges.push_back(e);
        if (edges.size() > 100000) return ::testing::AssertionFailure() << "ring does not end";
    }
    if (edges.empty()) return ::testing::AssertionSuccess();
    if (edges.back() != f->GetLastEdge())
        return ::testing::AssertionFailure() << "last edge is stale";
    // A ring may hold several loops (an outline and its holes): each must close on itself.
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    if (!f->GetLoops(starts, loopEnds))
        return ::testing::AssertionFailure() << "the ring does not close into loops";
    std::size_t begin = 0;
    for (const int end : loopEnds) {
        for (std::size_t k = begin; k < static_cast<std::size_t>(end); ++k) {
            const G3Vertex* a = starts[k];
            const G3Vertex* b = starts[k + 1 < static_cast<std::size_t>(end) ? k + 1 : begin];
            if (!edges[k]->HasVertex(a) || !edges[k]->HasVertex(b)) {
                return ::testing::AssertionFailure()
                       << "edge " << k << " does not join walk vertices " << k << " and "
                       << (k + 1 < static_cast<std::size_t>(end) ? k + 1 : begin);
            }
        }
        begin = static_cast<std::size_t>(end);
    }
    if (loopEnds.size() == 1) {
        std::size_t n = 0;
        for (G3FacetVertexIterator it(f); it.hasNext(); it.next()) ++n;
        if (n != edges.size())
            return ::testing::AssertionFailure() << n << " vertices for " << edges.size() << " edges";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult VertexListIsConsistent(const G3Vertex* v) {
    std::set<const G3Edge*> seen;
    const G3Edge* last = nullptr;
    for (const G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        if (!e->HasVertex(v)) return ::testing::AssertionFailure() << "edge without the vertex";
        if (!seen.insert(e).second) return ::testing::AssertionFailure() << "edge listed twice";
        last = e;
    }
    if (last != v->GetLastEdge()) return ::testing::AssertionFailure() << "last edge is stale";
    return ::testing::AssertionSuccess();
}

}  // namespace pktest
