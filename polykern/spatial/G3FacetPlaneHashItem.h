#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Facet;
class GArrayCollection;

/// One link of a plane hash cell, standing for a group of facets in one oriented plane.
/// A primary item owns the group's facet list; a secondary item, placed in a further cell
/// the same plane reaches, owns nothing and refers to its primary. Facets are never owned.
/// Not copyable.
class POLYKERN_API G3FacetPlaneHashItem : public GObj {
public:
    /// A primary item with a new group list holding f (an empty list for a null f).
    explicit G3FacetPlaneHashItem(G3Facet* f);
    /// A secondary item of primary's group; a secondary given is followed to its primary.
    /// A null primary gives an item without a group, which matches and receives nothing.
    explicit G3FacetPlaneHashItem(G3FacetPlaneHashItem* primary);
    /// A primary deletes its list; a secondary deletes nothing.
    ~G3FacetPlaneHashItem() override;
    G3FacetPlaneHashItem(const G3FacetPlaneHashItem&) = delete;
    G3FacetPlaneHashItem& operator=(const G3FacetPlaneHashItem&) = delete;

    /// Whether f's plane equals the plane of the group's first facet: unit normals agree
    /// within 1e-6 and d within 1e-6, so opposite orientations never match. False for a
    /// null f or an empty group.
    bool PlaneEquals(const G3Facet* f) const;
    /// Appends f to the group's list. Ignored for a null f or an item without a group.
    void AddFacet(G3Facet* f);

    /// The group's facet list (this item's or its primary's), owned by the primary; null
    /// for an item without a group.
    GArrayCollection* GetFacets() const;
    /// The primary this item refers to; null for a primary.
    G3FacetPlaneHashItem* GetPrimary() const { return m_Primary; }
    bool IsPrimary() const { return m_Facets != nullptr; }
    /// The next item of the same cell, or null.
    G3FacetPlaneHashItem* GetNext() const { return m_Next; }
    void SetNext(G3FacetPlaneHashItem* next) { m_Next = next; }

private:
    G3FacetPlaneHashItem* m_Next = nullptr;
    GArrayCollection* m_Facets = nullptr;
    G3FacetPlaneHashItem* m_Primary = nullptr;
};
