#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/math/GEnvelope.h"

class G3Facet;
class G3Obj;
class GArrayCollection;
class GCollection;
class GObj;

/// A cubic grid of n × n × n cells over a box; each cell lists the facets whose envelopes
/// touch it, so candidate facets for a facet or a segment are found without scanning a
/// whole surface. The grid owns its cell lists, never the facets. Queries report each facet
/// once by setting its first mark (G3Obj::SetMark): marks of the stored facets must be clear
/// when a query starts. Not copyable.
/// Invariant: every index the grid reads or writes lies in 0 … n − 1 on each axis.
class POLYKERN_API G3Grid {
public:
    /// The most cells per axis a grid builds (256³ cell slots).
    static constexpr int kMaxCellsPerAxis = 256;

    /// The box is env's corners (sorted per axis; a null env is the point at the origin)
    /// grown by 2e-6 on every side, cut into n cells per axis, all empty. n is clamped into
    /// 1 … kMaxCellsPerAxis.
    G3Grid(const GEnvelope* env, int n);
    /// Deletes the cell lists; the facets are untouched.
    ~G3Grid();
    G3Grid(const G3Grid&) = delete;
    G3Grid& operator=(const G3Grid&) = delete;

    /// trunc(t) clamped into 0 … n − 1, NaN giving 0: the cell of a coordinate measured in
    /// cell widths from the box corner. Every spatial structure indexes its cells with it.
    static int CellIndex(double t, int n) {
        if (!(t > 0.0)) return 0;  // negative, zero and NaN
        return t < n ? static_cast<int>(t) : n - 1;
    }

    /// Cells per axis.
    int GetQGrid() const { return m_N; }
    /// Cell width along axis 0 (x), 1 (y) or 2 (z); 0 for any other axis.
    double GetCellWidth(int axis) const { return axis >= 0 && axis < 3 ? m_Width[axis] : 0.0; }
    /// The grown box the cells cover.
    const GEnvelope* GetBox() const { return &m_Box; }

    /// The list of cell (i, j, k), owned by the grid; null when the cell is empty or the
    /// indices are out of range.
    GArrayCollection* Get(int i, int j, int k) const;
    /// Stores c (null allowed) as the list of cell (i, j, k); the grid owns it from then on.
    /// Returns the previous list, which the caller now owns. Out of range: stores nothing,
    /// returns null and c stays the caller's.
    GArrayCollection* set(int i, int j, int k, GArrayCollection* c);
    /// Appends obj to cell (i, j, k), making the cell's list on first use; no duplicate check.
    /// Ignored for indices out of range, a null obj, or an obj that is not a G3Obj (queries
    /// read its marks).
    void Add(int i, int j, int k, GObj* obj);

    /// trunc(v / width) on that axis, measured from the coordinate origin, not from the box
    /// corner, and not clamped into the grid; saturated to the int range, NaN giving 0.
    int GetIndexX(double v) const { return Saturate(v / m_Width[0]); }
    int GetIndexY(double v) const { return Saturate(v / m_Width[1]); }
    int GetIndexZ(double v) const { return Saturate(v / m_Width[2]); }
    /// The cell ranges env meets: i, j and k each receive (low, high), clamped into
    /// 0 … n − 1 on the inside only, so a box wholly beside the grid gives low > high (an
    /// empty range). Nothing is written when any argument is null.
    void GetIndexes(const GEnvelope* env, int* i, int* j, int* k) const;
    /// The cell of p, each index clamped into 0 … n − 1. Nothing is written when any argument
    /// is null.
    void GetIndexes(const double* p, int* i, int* j, int* k) const;

    /// Clears f's mark and appends f to every cell env meets (f's own envelope when env is
    /// null). Ignored for a null f.
    void AddFacet(G3Facet* f, const GEnvelope* env);
    /// Orders each index pair, clamps it into the grid, and adds to out every entry of the
    /// block's cells that is not marked, marking it. Marks stay set for the caller to clear.
    /// Nothing happens for a null out.
    void OutFacets(int i0, int i1, int j0, int j1, int k0, int k1, GCollection* out);
    /// Appends to out (not cleared first) the entries of every cell the segment pq crosses,
    /// each once per call, and clears the marks of what it appended. Nothing is appended for
    /// a null argument, a non-finite coordinate, or a segment that misses the box.
    void GetFacetByLine(const double* p, const double* q, GArrayCollection* out);
    /// Clears out, then fills it with each facet with edges stored in the cells env meets
    /// (f's own envelope when env is null; f itself may be among them), each once; marks are
    /// cleared again. out stays empty when env and f are both null; nothing for a null out.
    void GetFacetsByFacet(G3Facet* f, const GEnvelope* env, GArrayCollection* out);

protected:
    /// Outcode of p against the box: 1 x below, 2 x above, 4 y below, 8 y above, 16 z below,
    /// 32 z above; a coordinate on a bound is inside.
    int WCode(const double* p) const;
    /// Clips the segment pq to the box in place (the two may come back swapped). False when
    /// nothing of it lies in the box.
    bool Clip(double* p, double* q) const;

private:
    // trunc(t) saturated to the int range, NaN giving 0.
    static int Saturate(double t);
    // Cell (i, j, k) as an index into m_Cells; the indices must be in range.
    int CellOf(int i, int j, int k) const { return (k * m_N + j) * m_N + i; }
    bool InRange(int i, int j, int k) const;
    // The clamped range of cells that [lo, hi] meets on axis; low > high when it misses.
    void AxisRange(int axis, double lo, double hi, int* range) const;
    void Append(int cell, G3Obj* obj);

    int m_N = 1;
    double m_Width[3] = {0.0, 0.0, 0.0};
    GArrayCollection** m_Cells = nullptr;
    GEnvelope m_Box;
};
