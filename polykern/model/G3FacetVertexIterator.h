#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

/// Walks a facet's vertices in ring order, one per edge: the vertex each edge starts from,
/// loop by loop (the outline, then each hole, each from its own start). An empty facet
/// yields nothing; a one-edge ring yields its first vertex. The walk is inline, since
/// most passes over a mesh's facets read their corners through it.
class POLYKERN_API G3FacetVertexIterator final : public GIterator {
public:
    explicit G3FacetVertexIterator(const G3Facet* f) : m_Facet(f) {
        G3Edge* e = f != nullptr ? f->GetFirstEdge() : nullptr;
        if (e == nullptr) return;
        m_Vertex = LoopStart(e);
        m_LoopFirst = m_Vertex;
        m_Edge = e;
    }
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
    // A loop starts at the end of its first edge that the edge's successor does not touch.
    G3Vertex* LoopStart(const G3Edge* e) const {
        const G3Edge* s = e->NextInFacet(m_Facet);
        return (s != nullptr && s->HasVertex(e->GetVertex1())) ? e->GetVertex2() : e->GetVertex1();
    }

    G3Edge* m_Current = nullptr;
    G3Edge* m_Edge = nullptr;  // the edge that starts at m_Vertex
    const G3Facet* m_Facet = nullptr;
    G3Vertex* m_Vertex = nullptr;
    G3Vertex* m_LoopFirst = nullptr;  // where the current loop started
    bool m_StartsLoop = true;         // m_Vertex opens a loop
    bool m_StartedLoop = false;       // the vertex last returned opened one
};

// Each edge starts where the last one ended; when a loop is back at its first vertex, the
// next edge opens the next loop (a hole), which starts afresh.
inline GObj* G3FacetVertexIterator::next() {
    G3Vertex* v = m_Vertex;
    if (v == nullptr) return nullptr;
    G3Edge* e = m_Edge;
    m_Current = e;
    m_StartedLoop = m_StartsLoop;
    m_StartsLoop = false;
    G3Edge* s = e->NextInFacet(m_Facet);
    m_Edge = s;
    if (s == nullptr) {
        m_Vertex = nullptr;
        return v;
    }
    G3Vertex* end = e->HasVertex(v) ? e->OtherVertex(v) : nullptr;
    if (end != nullptr && end == m_LoopFirst) {
        m_Vertex = LoopStart(s);
        m_LoopFirst = m_Vertex;
        m_StartsLoop = true;
    } else if (end != nullptr && s->HasVertex(end)) {
        m_Vertex = end;
    } else {
        // A ring that is not head to tail here: the end of e that s touches, as best we can.
        m_Vertex = s->HasVertex(e->GetVertex1()) ? e->GetVertex1() : e->GetVertex2();
    }
    return v;
}
