#include "polykern/model/G3FacetVertexIterator.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace {

// A loop starts at the end of its first edge that the edge's successor does not touch.
G3Vertex* LoopStart(const G3Facet* f, const G3Edge* e) {
    const G3Edge* s = e->NextInFacet(f);
    return (s != nullptr && s->HasVertex(e->GetVertex1())) ? e->GetVertex2() : e->GetVertex1();
}

}  // namespace

G3FacetVertexIterator::G3FacetVertexIterator(const G3Facet* f) : m_Facet(f) {
    G3Edge* e = f != nullptr ? f->GetFirstEdge() : nullptr;
    if (e == nullptr) return;
    m_Vertex = LoopStart(f, e);
    m_LoopFirst = m_Vertex;
    m_Edge = e;
}

// Each edge starts where the last one ended; when a loop is back at its first vertex, the
// next edge opens the next loop (a hole), which starts afresh.
GObj* G3FacetVertexIterator::next() {
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
        m_Vertex = LoopStart(m_Facet, s);
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
