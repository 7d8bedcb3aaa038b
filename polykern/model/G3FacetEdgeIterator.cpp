#include "polykern/model/G3FacetEdgeIterator.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"

G3FacetEdgeIterator::G3FacetEdgeIterator(const G3Facet* f)
    : m_Current(f != nullptr ? f->GetFirstEdge() : nullptr), m_Facet(f) {}

GObj* G3FacetEdgeIterator::next() {
    G3Edge* e = m_Current;
    if (e != nullptr) m_Current = e->NextInFacet(m_Facet);
    return e;
}
