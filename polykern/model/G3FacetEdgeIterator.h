#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class G3Edge;
class G3Facet;

/// Walks a facet's edge ring from its first edge.
class POLYKERN_API G3FacetEdgeIterator : public GIterator {
public:
    explicit G3FacetEdgeIterator(const G3Facet* f);
    bool hasNext() override { return m_Current != nullptr; }
    GObj* next() override;

private:
    G3Edge* m_Current = nullptr;
    const G3Facet* m_Facet = nullptr;
};
