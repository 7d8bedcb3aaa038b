#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3PointHashItem;
class G3TexCoo;
class GMemoryAllocator;

/// Buckets of texture coordinates over an n × n grid of (u, v) cells, for finding stored
/// pairs closer than a tolerance (planar distance). Works as the 2D point hash: each pair is
/// stored in every cell its tol-box meets, and indices are clamped into the grid on
/// insertion and query alike. Owns its cells and links (in a private arena), never the
/// texture coordinates. Not copyable.
class POLYKERN_API G3TexCooHash : public GObj {
public:
    /// The most cells per axis the hash builds.
    static constexpr int kMaxCellsPerAxis = 4096;

    /// n cells per axis (clamped into 1 … kMaxCellsPerAxis) over the box of min and max,
    /// each holding (u, v) (sorted per axis; null gives the origin), grown on every side by
    /// max(1 % of its larger extent, 2·tol); widths (extent + 2·tol) / n. A negative or
    /// non-finite tol is taken as 0, which matches nothing.
    G3TexCooHash(int n, const double* min, const double* max, double tol);
    /// Releases the cells and every link at once; the texture coordinates are untouched.
    ~G3TexCooHash() override;
    G3TexCooHash(const G3TexCooHash&) = delete;
    G3TexCooHash& operator=(const G3TexCooHash&) = delete;

    /// The code of tc's cell (iu + iv·n), always inside the cell array; −1 for a null tc.
    virtual int GetHashCode(const G3TexCoo* tc) const;
    /// Stores tc, without looking for an equal pair, in every cell its tol-box meets.
    /// Ignored for a null tc.
    void AddWithoutTest(G3TexCoo* tc);
    /// The first stored pair closer than tol to tc, or null (also for a null tc).
    G3TexCoo* Exists(const G3TexCoo* tc) const;
    /// Returns a stored pair closer than tol to tc and stores nothing; otherwise stores tc
    /// and returns null. Null for a null tc, which is not stored.
    G3TexCoo* Add(G3TexCoo* tc);

    /// Chain head of cell (iu, iv); null when the cell is empty or out of range.
    G3PointHashItem* GetCell(int iu, int iv) const;
    /// Cells per axis.
    int GetQGrid() const { return m_N; }
    /// n².
    int GetCellCount() const { return m_CellCount; }
    /// Links over all cells, walked: a pair counts once for each cell holding it.
    int GetItemCount() const;
    /// Cell width along axis 0 (u) or 1 (v); 0 for any other axis.
    double GetCellWidth(int axis) const { return axis == 0 || axis == 1 ? m_Width[axis] : 0.0; }
    /// Grown box corner on axis 0 (u) or 1 (v); 0 for any other axis.
    double GetMin(int axis) const { return axis == 0 || axis == 1 ? m_Min[axis] : 0.0; }
    double GetTolerance() const { return m_Tol; }

private:
    int AxisIndex(int axis, double c) const;

    GMemoryAllocator* m_Allocator = nullptr;
    int m_CellCount = 0;
    G3PointHashItem** m_Cells = nullptr;
    int m_N = 1;
    double m_Min[2] = {0.0, 0.0};
    double m_Max[2] = {0.0, 0.0};
    double m_Width[2] = {0.0, 0.0};
    double m_Tol = 0.0;
};
