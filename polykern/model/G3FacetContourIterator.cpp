#include "polykern/model/G3FacetContourIterator.h"

#include "polykern/model/G3Facet.h"
#include "polykern/spatial/G3EdgeList.h"

G3FacetContourIterator::G3FacetContourIterator(const G3Facet* f) : m_Contours(4, 4) {
    if (f != nullptr && f->HasEdges()) {
        G3EdgeList list(const_cast<G3Facet*>(f));
        list.FormContours(&m_Contours);
    }
    m_Walk.init(&m_Contours);
}

G3FacetContourIterator::~G3FacetContourIterator() {
    m_Contours.clear(true);
}
