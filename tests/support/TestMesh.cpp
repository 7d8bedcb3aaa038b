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
    std::vector<const G3Vertex*> walk;
    for (G3FacetVertexIterator it(f); it.hasNext();)
        walk.push_back(static_cast<G3Vertex*>(it.next()));
    if (walk.size() != edges.size()) {
        return ::testing::AssertionFailure()
               << walk.size() << " vertices for " << edges.size() << " edges";
    }
    for (std::size_t k = 0; k < edges.size(); ++k) {
        const G3Vertex* a = walk[k];
        const G3Vertex* b = walk[(k + 1) % walk.size()];
        if (!edges[k]->HasVertex(a) || !edges[k]->HasVertex(b)) {
            return ::testing::AssertionFailure() << "edge " << k << " does not join walk vertices "
                                                 << k << " and " << (k + 1) % walk.size();
        }
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
