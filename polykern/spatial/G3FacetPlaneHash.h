#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Facet;
class G3FacetPlaneHashItem;

/// Groups facets that lie in the same oriented plane. Cells are indexed by the absolute
/// values of the plane normal's components, so a plane and its opposite share cells but
/// form separate groups. A group is entered in every cell its normal reaches within the
/// normal tolerance, so Add finds an equal plane from whichever cell a facet falls in.
/// Owns its items and the groups' lists, never the facets. Not copyable.
class POLYKERN_API G3FacetPlaneHash : public GObj {
public:
    /// The most cells per axis the hash builds.
    static constexpr int kMaxCellsPerAxis = 256;

    /// n³ empty cells, n clamped into 1 … kMaxCellsPerAxis; width 1.000003 / n, so a
    /// component of 1 (or a hair above) still falls in cell n − 1.
    explicit G3FacetPlaneHash(int n);
    /// Deletes every item and, through the primaries, every group list.
    ~G3FacetPlaneHash() override;
    G3FacetPlaneHash(const G3FacetPlaneHash&) = delete;
    G3FacetPlaneHash& operator=(const G3FacetPlaneHash&) = delete;

    /// The cell of f's normal (a, b, c): trunc(|a| / w) + trunc(|b| / w)·n + trunc(|c| / w)·n²,
    /// each index clamped into 0 … n − 1 (a NaN component gives 0); −1 for a null f.
    int GetHashCode(const G3Facet* f) const;
    /// Puts f in the first group of its cell whose plane equals f's, or in a new group.
    /// Returns the group's primary item (owned by the hash); null for a null f.
    G3FacetPlaneHashItem* Add(G3Facet* f);
    /// Starts a new group holding f: a primary item in the first cell its normal reaches
    /// and a secondary in each further one. Returns the primary; null for a null f.
    G3FacetPlaneHashItem* AddWithoutTest(G3Facet* f);

    /// Chain head of cell i; null when empty or out of range.
    G3FacetPlaneHashItem* Get(int i) const;
    /// The cell count, n³.
    int GetHashSize() const { return m_CellCount; }
    /// Cells per axis.
    int GetQGrid() const { return m_N; }
    double GetCellWidth() const { return m_Width; }

private:
    void Init(int n);
    // The clamped cells of |v| − reach and |v| + reach.
    void AxisRange(double v, int* lo, int* hi) const;

    int m_CellCount = 0;
    G3FacetPlaneHashItem** m_Cells = nullptr;
    int m_N = 1;
    double m_Width = 1.000003;
};
