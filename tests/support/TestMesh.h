#pragma once

// A small owner of vertices, edges and facets for tests of the mesh entities, and the
// ring and vertex-list checkers every mesh test shares.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace pktest {

/// Builds facets from vertex loops the way a surface does: an edge between two vertices
/// is shared when it has a free side, otherwise a new one is made.
class TestMesh {
public:
    TestMesh() = default;
    TestMesh(const TestMesh&) = delete;
    TestMesh& operator=(const TestMesh&) = delete;
    ~TestMesh();

    G3Vertex* Vertex(double x, double y, double z);
    /// A facet over the loop, plane fitted.
    G3Facet* Facet(std::initializer_list<G3Vertex*> loop);
    /// A facet over several loops kept in one ring (an outer boundary and holes).
    G3Facet* Facet(const std::vector<std::vector<G3Vertex*>>& loops);
    /// A new edge a–b entered in both vertices' lists, with no facet.
    G3Edge* Edge(G3Vertex* a, G3Vertex* b);
    /// Attaches f on a free side of e and appends e to f's ring.
    static void Attach(G3Facet* f, G3Edge* e);

    const std::vector<G3Vertex*>& Vertices() const { return m_Vertices; }

private:
    G3Edge* SharedOrNew(G3Facet* f, G3Vertex* a, G3Vertex* b);

    std::vector<G3Vertex*> m_Vertices;
    std::vector<G3Edge*> m_Edges;
    std::vector<G3Facet*> m_Facets;
};

/// The ring is closed and head to tail: the vertex walk gives one vertex per edge, and
/// edge k joins walk vertices k and k + 1 (the last joins back to the first).
::testing::AssertionResult RingIsClosed(const G3Facet* f);
/// Every edge in v's list has v as an end and occurs once; the list ends at its last edge.
::testing::AssertionResult VertexListIsConsistent(const G3Vertex* v);

}  // namespace pktest
