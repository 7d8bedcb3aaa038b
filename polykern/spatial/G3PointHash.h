#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/spatial/G2PointHash.h"

/// The point hash over an n × n × n grid of (x, y, z) cells; each point sits in up to 8
/// cells. Same contract as its base: indices clamped, points not owned. Not copyable.
class POLYKERN_API G3PointHash : public G2PointHash {
public:
    /// n cells per axis (clamped into 1 … G3Grid::kMaxCellsPerAxis) over the box of min and
    /// max grown as in the 2D hash; each width is the grown extent / n.
    G3PointHash(int n, const double* min, const double* max, double tol);
    ~G3PointHash() override;
    G3PointHash(const G3PointHash&) = delete;
    G3PointHash& operator=(const G3PointHash&) = delete;

    /// The code of p's cell (ix + iy·n + iz·n²), always inside the cell array; −1 for null.
    int GetHashCode(const double* p) const override;
    int GetHashCode(const G3Point* pt) const override;
    /// Stores pt in every cell its tol-box meets (up to 8). Ignored for a null pt.
    void AddWithoutTest(G3Point* pt) override;

    using G2PointHash::GetCell;
    /// Chain head of cell (ix, iy, iz); null when empty or out of range.
    G3PointHashItem* GetCell(int ix, int iy, int iz) const;
    /// Clears out, then appends once each point stored in the cells env meets: candidates,
    /// not filtered by env. Indices are clamped, so a box beside the grid reaches the border
    /// cells where points beside the grid are kept. Marks the points while it runs and clears
    /// them again (they must be clear on entry). Out stays empty for a null env; nothing for
    /// a null out.
    void GetItems(const GEnvelope* env, GArrayCollection* out) const;
};
