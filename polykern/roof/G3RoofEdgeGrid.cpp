#include "polykern/roof/G3RoofEdgeGrid.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kNone = 1e300;

}  // namespace

void G3RoofEdgeGrid::Build(const std::vector<double>& xy) {
    m_XY = xy;
    m_N = static_cast<int>(xy.size() / 2);
    m_Cells.clear();
    m_Seen.assign(m_N, 0);
    m_Tick = 0;
    if (m_N < 2) return;
    double hi[2] = {xy[0], xy[1]};
    m_Lo[0] = xy[0];
    m_Lo[1] = xy[1];
    for (int i = 0; i < m_N; ++i) {
        for (int k = 0; k < 2; ++k) {
            m_Lo[k] = std::min(m_Lo[k], xy[2 * i + k]);
            hi[k] = std::max(hi[k], xy[2 * i + k]);
        }
    }
    const double span = std::max({hi[0] - m_Lo[0], hi[1] - m_Lo[1], 1e-9});
    const int side = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(m_N))));
    m_Cell = span / side * (1.0 + 1e-9);
    m_Nx = std::max(1, static_cast<int>((hi[0] - m_Lo[0]) / m_Cell) + 1);
    m_Ny = std::max(1, static_cast<int>((hi[1] - m_Lo[1]) / m_Cell) + 1);
    m_Cells.assign(static_cast<std::size_t>(m_Nx) * m_Ny, {});
    auto cell = [&](double v, double lo, int n) {
        return std::clamp(static_cast<int>((v - lo) / m_Cell), 0, n - 1);
    };
    for (int i = 0; i < m_N; ++i) {
        const double* a = &xy[2 * i];
        const double* b = &xy[2 * ((i + 1) % m_N)];
        const int x0 = cell(std::min(a[0], b[0]), m_Lo[0], m_Nx);
        const int x1 = cell(std::max(a[0], b[0]), m_Lo[0], m_Nx);
        const int y0 = cell(std::min(a[1], b[1]), m_Lo[1], m_Ny);
        const int y1 = cell(std::max(a[1], b[1]), m_Lo[1], m_Ny);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x)
                m_Cells[static_cast<std::size_t>(y) * m_Nx + x].push_back(i);
        }
    }
}

double G3RoofEdgeGrid::Crossing(int edge, const double* p, const double* dir, double sMin) const {
    const double* a = &m_XY[2 * edge];
    const double* b = &m_XY[2 * ((edge + 1) % m_N)];
    const double e[2] = {b[0] - a[0], b[1] - a[1]};
    const double denom = dir[0] * e[1] - dir[1] * e[0];
    const double scale = std::hypot(dir[0], dir[1]) * std::hypot(e[0], e[1]);
    if (!(std::fabs(denom) > 1e-12 * scale)) return kNone;
    const double ap[2] = {a[0] - p[0], a[1] - p[1]};
    const double s = (ap[0] * e[1] - ap[1] * e[0]) / denom;
    const double t = (ap[0] * dir[1] - ap[1] * dir[0]) / denom;
    // Touching an edge at one of its ends does not count: the path may go on past it.
    if (t <= 1e-9 || t >= 1.0 - 1e-9 || s <= sMin) return kNone;
    return s;
}

// Walks the cells along the ray in order (a grid traversal), testing each edge once, and
// stops at the first cell that ends beyond the nearest crossing found.
double G3RoofEdgeGrid::FirstCrossing(const double* p, const double* dir, double clear) const {
    if (m_Cells.empty()) return kNone;
    const double len = std::hypot(dir[0], dir[1]);
    if (!(len > 0.0) || !std::isfinite(len)) return kNone;
    const double sMin = clear / len;
    if (++m_Tick == 0) {
        std::fill(m_Seen.begin(), m_Seen.end(), 0);
        m_Tick = 1;
    }
    int cx = std::clamp(static_cast<int>((p[0] - m_Lo[0]) / m_Cell), 0, m_Nx - 1);
    int cy = std::clamp(static_cast<int>((p[1] - m_Lo[1]) / m_Cell), 0, m_Ny - 1);
    const int stepX = dir[0] > 0 ? 1 : -1, stepY = dir[1] > 0 ? 1 : -1;
    auto boundary = [&](int c, int step, double lo, double pv, double dv) {
        if (dv == 0.0) return kNone;
        const double edge = lo + (c + (step > 0 ? 1 : 0)) * m_Cell;
        return std::max(0.0, (edge - pv) / dv);
    };
    double tMaxX = boundary(cx, stepX, m_Lo[0], p[0], dir[0]);
    double tMaxY = boundary(cy, stepY, m_Lo[1], p[1], dir[1]);
    const double tDeltaX = dir[0] != 0.0 ? m_Cell / std::fabs(dir[0]) : kNone;
    const double tDeltaY = dir[1] != 0.0 ? m_Cell / std::fabs(dir[1]) : kNone;
    double best = kNone;
    while (true) {
        for (int edge : m_Cells[static_cast<std::size_t>(cy) * m_Nx + cx]) {
            if (m_Seen[edge] == m_Tick) continue;
            m_Seen[edge] = m_Tick;
            best = std::min(best, Crossing(edge, p, dir, sMin));
        }
        const double exit = std::min(tMaxX, tMaxY);
        if (best <= exit) break;
        if (tMaxX < tMaxY) {
            cx += stepX;
            tMaxX += tDeltaX;
            if (cx < 0 || cx >= m_Nx) break;
        } else {
            cy += stepY;
            tMaxY += tDeltaY;
            if (cy < 0 || cy >= m_Ny) break;
        }
    }
    return best;
}
