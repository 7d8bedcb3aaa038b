#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GArrayCollectionIterator.h"
#include "polykern/foundation/GIterator.h"

class G3Facet;

/// Walks the closed loops of a facet's ring (an outer boundary and its holes), each
/// returned as a G3EdgeList the iterator owns.
class POLYKERN_API G3FacetContourIterator : public GIterator {
public:
    explicit G3FacetContourIterator(const G3Facet* f);
    /// Destroys the contours.
    ~G3FacetContourIterator() override;
    G3FacetContourIterator(const G3FacetContourIterator&) = delete;
    G3FacetContourIterator& operator=(const G3FacetContourIterator&) = delete;

    bool hasNext() override { return m_Walk.hasNext(); }
    GObj* next() override { return m_Walk.next(); }
    int GetContourCount() const { return m_Contours.size(); }

private:
    GArrayCollection m_Contours;
    GArrayCollectionIterator m_Walk;
};
