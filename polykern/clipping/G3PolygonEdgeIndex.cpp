#include "polykern/clipping/G3PolygonEdgeIndex.h"

#include <algorithm>
#include <cmath>

namespace {

// About this many cells per edge; at most this many cells along a side.
constexpr double kCellsPerEdge = 2.0;
constexpr int kMaxCellsPerSide = 2048;

// 1 + cells, within 1 … kMaxCellsPerSide; extents that overflowed give one cell.
int CellCount(double cells) {
    return cells >= 0 && cells < kMaxCellsPerSide ? 1 + static_cast<int>(cells)
           : cells >= kMaxCellsPerSide            ? kMaxCellsPerSide
                                                  : 1;
}

double Clamp01(double s) {
    return s < 0.0 ? 0.0 : (s > 1.0 ? 1.0 : s);
}

// Squared plan distance from p to segment u–v.
double DistanceSquared(const double* p, const double* u, const double* v) {
    const double ex = v[0] - u[0];
    const double ey = v[1] - u[1];
    const double len2 = ex * ex + ey * ey;
    double s = 0.0;
    if (len2 > 0.0) s = Clamp01(((p[0] - u[0]) * ex + (p[1] - u[1]) * ey) / len2);
    const double dx = u[0] + s * ex - p[0];
    const double dy = u[1] + s * ey - p[1];
    return dx * dx + dy * dy;
}

}  // namespace

G3PolygonEdgeIndex::G3PolygonEdgeIndex(int count, const double* points)
    : m_Points(points, points + 2 * static_cast<size_t>(count)), m_Count(count) {
    m_Min[0] = m_Max[0] = m_Points[0];
    m_Min[1] = m_Max[1] = m_Points[1];
    for (int i = 1; i < count; ++i) {
        for (int k = 0; k < 2; ++k) {
            m_Min[k] = std::min(m_Min[k], m_Points[2 * i + k]);
            m_Max[k] = std::max(m_Max[k], m_Points[2 * i + k]);
        }
    }
    const double w = m_Max[0] - m_Min[0];
    const double h = m_Max[1] - m_Min[1];
    const double magnitude = std::max(
        {std::fabs(m_Min[0]), std::fabs(m_Min[1]), std::fabs(m_Max[0]), std::fabs(m_Max[1])});
    // Wider than the boundary tolerance, and than the rounding of coordinates this large.
    m_Pad = 4 * kOnBoundary + 1e-12 * magnitude;

    const double area = std::max(w, m_Pad) * std::max(h, m_Pad);
    m_CellSize = std::sqrt(area / (kCellsPerEdge * count));
    m_CellSize = std::max({m_CellSize, w / kMaxCellsPerSide, h / kMaxCellsPerSide, m_Pad});
    m_Origin[0] = m_Min[0] - 2 * m_Pad;
    m_Origin[1] = m_Min[1] - 2 * m_Pad;
    m_Columns = CellCount((w + 4 * m_Pad) / m_CellSize);
    m_Rows = CellCount((h + 4 * m_Pad) / m_CellSize);

    // Two sweeps over the edges' cells: count, then fill.
    const size_t cells = static_cast<size_t>(m_Columns) * m_Rows;
    m_CellStart.assign(cells + 1, 0);
    for (int fill = 0; fill < 2; ++fill) {
        for (int e = 0; e < count; ++e) {
            const double* u = EdgeStart(e);
            const double* v = EdgeEnd(e);
            const int r0 = RowOf(std::min(u[1], v[1]) - m_Pad);
            const int r1 = RowOf(std::max(u[1], v[1]) + m_Pad);
            for (int r = r0; r <= r1; ++r) {
                double lo, hi;
                if (!RangeInRow(u, v, r, m_Pad, &lo, &hi)) continue;
                const size_t row = static_cast<size_t>(r) * m_Columns;
                for (int c = ColumnOf(lo - m_Pad), c1 = ColumnOf(hi + m_Pad); c <= c1; ++c) {
                    if (fill == 0)
                        ++m_CellStart[row + c + 1];
                    else
                        m_CellEdges[m_CellStart[row + c]++] = e;
                }
            }
        }
        if (fill == 0) {
            for (size_t i = 0; i < cells; ++i) m_CellStart[i + 1] += m_CellStart[i];
            m_CellEdges.resize(m_CellStart[cells]);
        } else {
            // The fill moved every start to the next cell's start: shift them back.
            for (size_t i = cells; i > 0; --i) m_CellStart[i] = m_CellStart[i - 1];
            m_CellStart[0] = 0;
        }
    }
    m_Stamps.assign(count, 0);
}

int G3PolygonEdgeIndex::ColumnOf(double x) const {
    const double c = std::floor((x - m_Origin[0]) / m_CellSize);
    return !(c >= 0) ? 0 : (c >= m_Columns ? m_Columns - 1 : static_cast<int>(c));  // NaN: 0
}

int G3PolygonEdgeIndex::RowOf(double y) const {
    const double r = std::floor((y - m_Origin[1]) / m_CellSize);
    return !(r >= 0) ? 0 : (r >= m_Rows ? m_Rows - 1 : static_cast<int>(r));  // NaN: 0
}

bool G3PolygonEdgeIndex::IsNearBox(const double* a, const double* b) const {
    for (int k = 0; k < 2; ++k) {
        if (std::max(a[k], b[k]) < m_Min[k] - m_Pad) return false;
        if (std::min(a[k], b[k]) > m_Max[k] + m_Pad) return false;
    }
    return true;
}

// The band of `row` reaches from its lower edge to its upper edge, and without limit past
// the first and the last row, since those rows also hold everything beyond the grid.
bool G3PolygonEdgeIndex::RangeInRow(
    const double* a, const double* b, int row, double pad, double* lo, double* hi) const {
    const double bandLow = row == 0 ? -HUGE_VAL : RowLow(row) - pad;
    const double bandHigh = row == m_Rows - 1 ? HUGE_VAL : RowLow(row + 1) + pad;
    const double dy = b[1] - a[1];
    double s0 = 0.0;
    double s1 = 1.0;
    if (dy != 0.0) {
        s0 = Clamp01((bandLow - a[1]) / dy);
        s1 = Clamp01((bandHigh - a[1]) / dy);
        if (s0 > s1) std::swap(s0, s1);
    }
    const double ylo = std::min(a[1], b[1]);
    const double yhi = std::max(a[1], b[1]);
    if (yhi < bandLow || ylo > bandHigh) return false;
    const double x0 = a[0] + s0 * (b[0] - a[0]);
    const double x1 = a[0] + s1 * (b[0] - a[0]);
    *lo = std::min(x0, x1);
    *hi = std::max(x0, x1);
    return true;
}

uint32_t G3PolygonEdgeIndex::NextStamp() {
    if (++m_Stamp == 0) {  // wrapped: forget every old stamp
        std::fill(m_Stamps.begin(), m_Stamps.end(), 0);
        m_Stamp = 1;
    }
    return m_Stamp;
}

// Points within kOnBoundary of an edge are inside. Otherwise a ray runs from the point to
// the nearer side of the grid along its row and the edges it crosses are counted, each edge
// taken as closed below and open above so that a vertex on the ray counts once.
bool G3PolygonEdgeIndex::IsInsideOrOn(double x, double y) {
    if (x < m_Min[0] - m_Pad || x > m_Max[0] + m_Pad || y < m_Min[1] - m_Pad ||
        y > m_Max[1] + m_Pad)
        return false;
    const double p[2] = {x, y};
    bool onBoundary = false;
    auto near = [&](int e) {
        if (!onBoundary)
            onBoundary = DistanceSquared(p, EdgeStart(e), EdgeEnd(e)) < kOnBoundary * kOnBoundary;
    };
    uint32_t stamp = NextStamp();
    const int c0 = ColumnOf(x - m_Pad);
    const int c1 = ColumnOf(x + m_Pad);
    for (int r = RowOf(y - m_Pad), r1 = RowOf(y + m_Pad); r <= r1 && !onBoundary; ++r)
        VisitCells(r, c0, c1, stamp, near);
    if (onBoundary) return true;

    const int column = ColumnOf(x);
    const bool toRight = 2 * column >= m_Columns;
    bool inside = false;
    auto cross = [&](int e) {
        const double* u = EdgeStart(e);
        const double* v = EdgeEnd(e);
        if ((u[1] > y) == (v[1] > y)) return;
        const double xc = u[0] + (y - u[1]) * (v[0] - u[0]) / (v[1] - u[1]);
        if (toRight ? xc > x : xc < x) inside = !inside;
    };
    stamp = NextStamp();
    const int row = RowOf(y);
    if (toRight)
        VisitCells(row, column, m_Columns - 1, stamp, cross);
    else
        VisitCells(row, 0, column, stamp, cross);
    return inside;
}
