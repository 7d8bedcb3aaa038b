#pragma once

// Terrain builders and checkers: a terrain is a sheet over the plan whose facets all face
// up and cover the outline exactly once; closed by its walls and bottom it is a solid of
// volume ∫z over the plan.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

class G3LandscapeHandler;
class G3Surface;

namespace pktest {

struct TerrainPoint {
    double x, y, z;
};

/// The terrain of the points and break lines (pairs of point indices) made by `h`
/// (points added, triangulated, surface taken); null when it makes none.
G3Surface* MakeTerrain(G3LandscapeHandler& h,
                       const std::vector<TerrainPoint>& points,
                       const std::vector<std::pair<int, int>>& lines = {});
/// The points of an (n + 1) × (m + 1) grid over [x0, x0 + n·step] × [y0, y0 + m·step] with
/// heights z(x, y).
std::vector<TerrainPoint> GridPoints(int n,
                                     int m,
                                     double step,
                                     const std::function<double(double, double)>& z,
                                     double x0 = 0,
                                     double y0 = 0);

/// Every facet faces up: its walk runs counter-clockwise seen from above, with an area.
::testing::AssertionResult FacesUp(const G3Surface* s);
/// The facets seen from above add up to `area` (within tol) and, at sample points of a
/// grid over the surface's plan box that lie inside `inside`, exactly one facet covers
/// each (points within 1e-6 of an edge are skipped).
::testing::AssertionResult CoversPlanOnce(const G3Surface* s,
                                          double area,
                                          const std::function<bool(double, double)>& inside,
                                          double tol = 1e-7);
/// The segment a–b (in plan) is a chain of the surface's edges from end to end.
::testing::AssertionResult IsEdgeChain(const G3Surface* s,
                                       const TerrainPoint& a,
                                       const TerrainPoint& b,
                                       double tol = 1e-7);
/// The height of the surface at (x, y): false when no facet covers the point.
bool HeightAt(const G3Surface* s, double x, double y, double* z);
/// The signed plan area of all facets (positive for facets facing up).
double SignedPlanAreaOf(const G3Surface* s);
/// ∫z over the plan of the (up-facing) sheet, exact for planar facets.
double IntegralOfZ(const G3Surface* s);
/// Faces up and covers the plan once (area and sampled), as above.
::testing::AssertionResult IsTerrain(const G3Surface* s,
                                     double area,
                                     const std::function<bool(double, double)>& inside);
/// `solid` (a terrain closed by SurfaceCover) is well formed, closed, walks each edge once
/// each way, and encloses `integral` (∫z of the terrain before closing) within relTol.
::testing::AssertionResult IsCoverOf(const G3Surface* solid, double integral, double relTol = 1e-9);

}  // namespace pktest
