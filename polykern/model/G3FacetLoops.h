#pragma once

#include <vector>

class G3Edge;
class G3EdgeList;
class G3Facet;
class G3Vertex;

/// A facet's ring read once as its loops (the outline, then each hole): the vertex each
/// ring edge starts from, in ring order, and the index after each loop. A ring that does
/// not close into loops is taken as one loop over the facet's vertex walk. Internal to
/// the kernel; the facet must not change while this is in use.
class G3FacetLoops {
public:
    explicit G3FacetLoops(const G3Facet* f);
    /// No facet yet: Read fills it.
    G3FacetLoops() = default;
    /// Reads f's loops as the constructor does, reusing the storage of the last facet
    /// read, so that a pass over many small facets does not allocate for each.
    void Read(const G3Facet* f);

    /// Vertices over all loops (one per ring edge).
    int GetCount() const { return static_cast<int>(m_Vertices.size()); }
    int GetLoopCount() const { return static_cast<int>(m_Ends.size()); }
    /// False when the ring did not close into loops (one loop over the vertex walk).
    bool IsClosed() const { return m_Closed; }
    int LoopBegin(int loop) const { return loop == 0 ? 0 : m_Ends[loop - 1]; }
    int LoopEnd(int loop) const { return m_Ends[loop]; }
    /// The loop that vertex k belongs to.
    int LoopOf(int k) const { return m_LoopOf[k]; }
    /// The index after k within k's loop (a loop's last vertex is followed by its first).
    int Next(int k) const;
    /// The index before k within k's loop.
    int Previous(int k) const;
    G3Vertex* Vertex(int k) const { return m_Vertices[k]; }
    /// Ring edge k, the one that starts at Vertex(k).
    G3Edge* Edge(int k) const { return m_Edges[k]; }
    /// The first ring index whose edge joins the same two vertices as e; −1 when none.
    int Find(const G3Edge* e) const;
    /// Appends to `list` a copy of ring edge k running the way the facet runs it (or the
    /// other way with `backwards`), with the facet's corner pairs on both sides.
    void CopyEdge(int k, bool backwards, G3EdgeList* list) const;
    /// Appends copies of every ring edge, loop by loop, each running the way the facet
    /// runs it, so that a hole stays a loop of its own running the other way round.
    void CopyLoops(G3EdgeList* list) const;
    const std::vector<G3Vertex*>& Vertices() const { return m_Vertices; }
    /// The index after each loop, as the loop-aware point tests take them.
    const std::vector<int>& Ends() const { return m_Ends; }

private:
    const G3Facet* m_Facet = nullptr;
    std::vector<G3Vertex*> m_Vertices;
    std::vector<G3Edge*> m_Edges;
    std::vector<int> m_Ends;
    std::vector<int> m_LoopOf;
    bool m_Closed = false;
};
