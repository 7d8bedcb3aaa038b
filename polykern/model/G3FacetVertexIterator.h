#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class G3Edge;
class G3Facet;
class G3Vertex;

/// Walks a facet's vertices in ring order, one per edge: the vertex each edge starts from,
/// loop by loop (the outline, then each hole, each from its own start). An empty facet
/// yields nothing; a one-edge ring yields its first vertex.
class POLYKERN_API G3FacetVertexIterator : public GIterator {
public:
    explicit G3FacetVertexIterator(const G3Facet* f);
    bool hasNext() override { return m_Vertex != nullptr; }
    GObj* next() override;
    /// The vertex `next` would return, without advancing; null at the end.
    G3Vertex* Peek() const { return m_Vertex; }
    /// The edge whose start vertex the last `next` returned.
    G3Edge* GetCurrentEdge() const { return m_Current; }
    /// True when the vertex the last `next` returned opened a loop (the outline's first
    /// vertex, or a hole's).
    bool StartedLoop() const { return m_StartedLoop; }

private:
    G3Edge* m_Current = nullptr;
    G3Edge* m_Edge = nullptr;  // the edge that starts at m_Vertex
    const G3Facet* m_Facet = nullptr;
    G3Vertex* m_Vertex = nullptr;
    G3Vertex* m_LoopFirst = nullptr;  // where the current loop started
    bool m_StartsLoop = true;         // m_Vertex opens a loop
    bool m_StartedLoop = false;       // the vertex last returned opened one
};
