#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"
#include "polykern/math/GEnvelope.h"

class G3Obj;
class G3Point;
class G3PointHashItem;
class GArrayCollection;
class GMemoryAllocator;

/// Buckets of points over an n × n grid of (x, y) cells, for finding stored points closer
/// than a tolerance to a place (3D distance). Each point is stored in every cell its
/// tol-box meets, so a query reads only its own cell. Cell indices are clamped into the
/// grid on insertion and query alike: a point outside the box lands in the border cells and
/// is still found. The hash owns its cells and links (kept in a private arena), never the
/// points. Not copyable.
/// Invariant: every point within tol of a place, per axis, is in that place's cell chain.
class POLYKERN_API G2PointHash : public GObj {
public:
    /// The most cells per axis a 2D hash builds (4096² cells).
    static constexpr int kMaxCellsPerAxis2 = 4096;

    /// n cells per axis (clamped into 1 … kMaxCellsPerAxis2) over the box of min and max
    /// (three doubles each, sorted per axis; null gives the origin) grown on every side by
    /// max(1 % of its largest extent, 2·tol). A negative or non-finite tol is taken as 0,
    /// which matches nothing.
    G2PointHash(int n, const double* min, const double* max, double tol);
    /// Releases the cells and every link at once; the points are untouched.
    ~G2PointHash() override;
    G2PointHash(const G2PointHash&) = delete;
    G2PointHash& operator=(const G2PointHash&) = delete;

    /// The code of p's cell (ix + iy·n), always inside the cell array; −1 for a null p.
    virtual int GetHashCode(const double* p) const;
    /// The code of pt's cell; −1 for a null pt.
    virtual int GetHashCode(const G3Point* pt) const;
    /// Stores pt, without looking for an equal point, in every cell its tol-box meets
    /// (up to 4). Ignored for a null pt.
    virtual void AddWithoutTest(G3Point* pt);

    /// The first stored point closer than tol to p, or null (also for a null p).
    G3Point* Exists(const double* p) const;
    /// The first stored point closer than tol to pt's coordinates, or null.
    G3Point* Exists(const G3Point* pt) const;
    /// Clears out and appends every stored point closer than tol to p; returns whether
    /// there was one. False (out still cleared when given) for a null argument.
    bool Exists(const double* p, GArrayCollection* out) const;
    bool Exists(const G3Point* pt, GArrayCollection* out) const;
    /// Returns a stored point closer than tol to pt and stores nothing; otherwise stores pt
    /// and returns null. Null for a null pt, which is not stored.
    G3Point* Add(G3Point* pt);

    /// Chain head of cell (ix, iy) (the z = 0 layer of a 3D hash); null when the cell is
    /// empty or out of range.
    G3PointHashItem* GetCell(int ix, int iy) const;
    /// Cells per axis.
    int GetQGrid() const { return m_N; }
    /// Cells in all: n² here, n³ in a 3D hash.
    int GetCellCount() const { return m_CellCount; }
    /// Links over all cells, walked: a point counts once for each cell holding it.
    int GetItemCount() const;
    /// The grown box.
    const GEnvelope* GetBox() const { return &m_Box; }
    /// Cell width along axis 0, 1 or 2 (0 for z in a 2D hash, and for any other axis).
    double GetCellWidth(int axis) const { return axis >= 0 && axis < 3 ? m_Width[axis] : 0.0; }
    double GetTolerance() const { return m_Tol; }
    /// The xy box of cell (ix, iy), at z = 0; the indices are not checked. Nothing for a
    /// null out.
    void GetCellEnvelope(GEnvelope* out, int ix, int iy) const;
    /// trunc(v), toward zero, saturated to the int range; NaN gives 0.
    static int Round(double v);

protected:
    /// For the 3D hash: dims is 2 or 3 and fixes the cell count (n^dims), the clamp of n
    /// and the width rule.
    G2PointHash(int dims, int n, const double* min, const double* max, double tol);

    /// The cell of coordinate c on axis, clamped into 0 … n − 1.
    int AxisIndex(int axis, double c) const;
    /// The clamped cells of c − tol and c + tol on axis.
    void AxisRange(int axis, double c, int* lo, int* hi) const;
    /// Pushes a link to obj at the head of the chain of cell (a valid code).
    void Push(int cell, G3Obj* obj);
    /// Chain head of a valid cell code.
    G3PointHashItem* Chain(int cell) const { return m_Cells[cell]; }

private:
    void Init(int dims, int n, const double* min, const double* max, double tol);

    GMemoryAllocator* m_Allocator = nullptr;
    int m_CellCount = 0;
    G3PointHashItem** m_Cells = nullptr;
    int m_N = 1;
    GEnvelope m_Box;
    double m_Width[3] = {0.0, 0.0, 0.0};
    double m_Tol = 0.0;
};
