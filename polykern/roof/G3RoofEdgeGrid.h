#pragma once

// A uniform grid over the edges of one outline, for casting rays from inside it: a vertex
// of the shrinking outline can never leave the outline, so the first edge its path crosses
// bounds the height at which it can still run into anything.

#include <vector>

class G3RoofEdgeGrid {
public:
    /// Bins the edges of the closed loop xy (x0, y0, x1, y1, …), edge i from point i to
    /// point i + 1, into about √n × √n cells.
    void Build(const std::vector<double>& xy);
    /// The least s for which p + s·dir crosses an edge strictly between its ends, more than
    /// `clear` (a length) away from p; a huge value when the ray crosses none.
    double FirstCrossing(const double* p, const double* dir, double clear) const;

private:
    double Crossing(int edge, const double* p, const double* dir, double sMin) const;

    std::vector<double> m_XY;
    int m_N = 0;
    double m_Lo[2] = {0, 0};
    double m_Cell = 1.0;
    int m_Nx = 1, m_Ny = 1;
    std::vector<std::vector<int>> m_Cells;
    mutable std::vector<int> m_Seen;
    mutable int m_Tick = 0;
};
