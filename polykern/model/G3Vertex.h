#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Normal.h"

class G3Edge;
class G3Facet;
class G3TexCoo;
class GArrayCollection;

/// A position that heads the list of edges meeting at it. The list is threaded through
/// the edges themselves: an edge's successor in this list is its Vertex1Edge when its
/// vertex 1 is this vertex, else its Vertex2Edge.
/// Invariant: every edge with an end here occurs exactly once in the list.
class POLYKERN_API G3Vertex : public G3Normal {
    PK_DECLARE_POOL(G3Vertex)

public:
    G3Vertex() = default;
    G3Vertex(const double* xyz, uint32_t word) : G3Normal(xyz, word) {}
    G3Vertex(double x, double y, double z, uint32_t word) : G3Normal(x, y, z, word) {}
    /// Copies the point and the two list ends: the copy shares this vertex's edges.
    G3Vertex(const G3Vertex& other) = default;
    G3Vertex& operator=(const G3Vertex& other) = default;

    /// The point members and the two list ends of a vertex.
    void Copy(GObj* from) override;
    G3Vertex* Duplicate() override;

    G3Edge* GetFirstEdge() const { return m_FirstEdge; }
    G3Edge* GetLastEdge() const { return m_LastEdge; }
    bool HasEdges() const { return m_FirstEdge != nullptr; }
    /// The successor of `e` in this vertex's list.
    G3Edge* NextEdge(const G3Edge* e) const;  // inline, below

    /// Appends `e`, whose link for this vertex must be null.
    void AddEdge(G3Edge* e);
    /// Unlinks `e` and clears its link for this vertex; false when it is not in the list.
    bool RemoveEdge(G3Edge* e);
    int GetEdgeCount() const;
    /// Facet sides present over the edges joining this vertex and `w`.
    int GetEdgeCount(const G3Vertex* w) const;
    /// As GetEdgeCount(w), a double-sided facet counting twice.
    int GetEdgeCount2(const G3Vertex* w) const;
    /// Sides whose facet is `f` over the edges joining this vertex and `w`.
    int GetEdgeCount(const G3Vertex* w, const G3Facet* f) const;
    /// Writes the edges in list order to `out` (room for GetEdgeCount()); returns their number.
    int GetEdges(G3Edge** out) const;
    /// Empties `out`, then appends the edges joining this vertex and `w`.
    void GetEdges(const G3Vertex* w, GArrayCollection* out) const;
    double Distance(const G3Vertex* w) const;

    /// Stores (n, t) at this end of every side whose facet is `f`.
    void SetNormal(const G3Facet* f, G3Normal* n, G3TexCoo* t);
    /// Stores (n, t) at this end of every side that has a facet.
    void SetNormal(G3Normal* n, G3TexCoo* t);
    /// The normal at this end of the first side of `f` found in the list (edges without a
    /// geometry record are skipped) and its texture coordinate in *t; null, *t untouched,
    /// when none.
    G3Normal* GetNormal(const G3Facet* f, G3TexCoo** t) const;
    /// Transforms the position by m (row vector, translation in row 3).
    void RealTransformation(const double m[4][4]);

    /// Orders vertex pointers by x, for the C library's qsort on arrays of G3Vertex*.
    static int CompareX(const void* a, const void* b);
    static int CompareY(const void* a, const void* b);
    static int CompareZ(const void* a, const void* b);

protected:
    friend class G3Surface;  // rebuilds list ends when it copies a surface
    void SetFirstEdge(G3Edge* e) { m_FirstEdge = e; }
    void SetLastEdge(G3Edge* e) { m_LastEdge = e; }

private:
    void SetNormalWhere(const G3Facet* f, bool anyFacet, G3Normal* n, G3TexCoo* t);

    G3Edge* m_FirstEdge = nullptr;
    G3Edge* m_LastEdge = nullptr;
};

// The step to the next edge at a vertex is inline, as the facet's ring step is.
inline G3Edge* G3Vertex::NextEdge(const G3Edge* e) const {
    return e->NextAtVertex(this);
}
