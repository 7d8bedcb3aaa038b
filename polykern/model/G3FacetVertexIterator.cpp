#include "polykern/model/G3FacetVertexIterator.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

G3FacetVertexIterator::G3FacetVertexIterator(const G3Facet* f) : m_Facet(f) {
    G3Edge* e = f != nullptr ? f->GetFirstEdge() : nullptr;
    if (e == nullptr) return;
    const G3Edge* s = e->NextInFacet(f);
    // The ring starts at the end of the first edge that its successor does not touch.
    m_Vertex = (s != nullptr && s->HasVertex(e->GetVertex1())) ? e->GetVertex2() : e->GetVertex1();
    m_Edge = e;
}

GObj* G3FacetVertexIterator::next() {
    G3Vertex* v = m_Vertex;
    if (v == nullptr) return nullptr;
    G3Edge* e = m_Edge;
    m_Current = e;
    G3Edge* s = e->NextInFacet(m_Facet);
    if (s != nullptr) {
        m_Vertex = s->HasVertex(e->GetVertex1()) ? e->GetVertex1() : e->GetVertex2();
        m_Edge = s;
    } else {
        m_Vertex = nullptr;
        m_Edge = nullptr;
    }
    return v;
}
