#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// A uniform grid over the edges of a closed plan polygon, so that a segment or a point
// meets only the edges near it. Each cell lists the edges that pass within the padding of
// it; an edge that spans several cells is listed in each of them and visited once per
// query through a stamp per edge. Used by the polyline clipper only.
class G3PolygonEdgeIndex {
public:
    /// Points within this distance of an edge are on the boundary.
    static constexpr double kOnBoundary = 1e-6;

    /// Indexes the edges of a copy of `count` (at least 3) finite plan points x y, the last
    /// joined back to the first.
    G3PolygonEdgeIndex(int count, const double* points);

    int GetEdgeCount() const { return m_Count; }
    /// The plan points of edge e: its start and its end.
    const double* EdgeStart(int e) const { return &m_Points[2 * e]; }
    const double* EdgeEnd(int e) const { return &m_Points[e + 1 == m_Count ? 0 : 2 * e + 2]; }
    /// Whether the box of segment a–b (plan) comes within the padding of the polygon's box.
    bool IsNearBox(const double* a, const double* b) const;

    /// Calls visit(e) once for every edge e that may come within 2e-6 of segment a–b in
    /// plan; further edges may be visited as well.
    template <class Visit>
    void ForEachEdgeNear(const double* a, const double* b, Visit visit);
    /// Even-odd test in plan that counts points within kOnBoundary of an edge as inside.
    bool IsInsideOrOn(double x, double y);

private:
    int ColumnOf(double x) const;
    int RowOf(double y) const;
    double RowLow(int row) const { return m_Origin[1] + row * m_CellSize; }
    /// The x range that segment a–b covers within `row`'s band widened by `pad`; false
    /// when the segment misses the band.
    bool RangeInRow(
        const double* a, const double* b, int row, double pad, double* lo, double* hi) const;
    uint32_t NextStamp();
    /// Calls visit(e) for the edges of the cells in `row` from column c0 to c1 not yet
    /// stamped with `stamp`.
    template <class Visit>
    void VisitCells(int row, int c0, int c1, uint32_t stamp, Visit& visit);

    std::vector<double> m_Points;
    int m_Count;
    double m_Min[2];
    double m_Max[2];
    double m_Origin[2];
    double m_CellSize = 1.0;
    double m_Pad = 0.0;
    int m_Columns = 1;
    int m_Rows = 1;
    std::vector<int> m_CellStart;  ///< per cell, the first entry of its edges; one past the end
    std::vector<int> m_CellEdges;
    std::vector<uint32_t> m_Stamps;  ///< per edge, the query that last visited it
    uint32_t m_Stamp = 0;
};

template <class Visit>
void G3PolygonEdgeIndex::VisitCells(int row, int c0, int c1, uint32_t stamp, Visit& visit) {
    const int* cellStart = m_CellStart.data() + static_cast<size_t>(row) * m_Columns;
    for (int k = cellStart[c0], end = cellStart[c1 + 1]; k < end; ++k) {
        const int e = m_CellEdges[k];
        if (m_Stamps[e] == stamp) continue;
        m_Stamps[e] = stamp;
        visit(e);
    }
}

template <class Visit>
void G3PolygonEdgeIndex::ForEachEdgeNear(const double* a, const double* b, Visit visit) {
    const uint32_t stamp = NextStamp();
    // Coordinates far larger than the polygon's carry their own rounding.
    const double size = std::fabs(a[0]) + std::fabs(a[1]) + std::fabs(b[0]) + std::fabs(b[1]);
    const double pad = m_Pad + 1e-12 * size;
    const int r0 = RowOf((a[1] < b[1] ? a[1] : b[1]) - pad);
    const int r1 = RowOf((a[1] < b[1] ? b[1] : a[1]) + pad);
    for (int r = r0; r <= r1; ++r) {
        double lo, hi;
        if (!RangeInRow(a, b, r, pad, &lo, &hi)) continue;
        VisitCells(r, ColumnOf(lo - pad), ColumnOf(hi + pad), stamp, visit);
    }
}
