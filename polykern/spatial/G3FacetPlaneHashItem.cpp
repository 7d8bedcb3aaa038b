#include "polykern/spatial/G3FacetPlaneHashItem.h"

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"

G3FacetPlaneHashItem::G3FacetPlaneHashItem(G3Facet* f) : m_Facets(new GArrayCollection(1, 4)) {
    if (f != nullptr) m_Facets->add(f);
}

G3FacetPlaneHashItem::G3FacetPlaneHashItem(G3FacetPlaneHashItem* primary)
    : m_Primary(primary != nullptr && primary->m_Primary != nullptr ? primary->m_Primary
                                                                    : primary) {}

G3FacetPlaneHashItem::~G3FacetPlaneHashItem() {
    delete m_Facets;
}

GArrayCollection* G3FacetPlaneHashItem::GetFacets() const {
    if (m_Facets != nullptr) return m_Facets;
    return m_Primary != nullptr ? m_Primary->m_Facets : nullptr;
}

bool G3FacetPlaneHashItem::PlaneEquals(const G3Facet* f) const {
    const GArrayCollection* group = GetFacets();
    if (f == nullptr || group == nullptr || group->isEmpty()) return false;
    return static_cast<const G3Facet*>(group->getFirst())->PlaneEquals(f->GetPlane());
}

void G3FacetPlaneHashItem::AddFacet(G3Facet* f) {
    GArrayCollection* group = GetFacets();
    if (f != nullptr && group != nullptr) group->add(f);
}
