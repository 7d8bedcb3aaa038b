#pragma once

// Polygon sets for the region tests, the rule that says which points they cover, and
// checks of returned contours: in the xy plane throughout.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace pkregions {

using Pt = std::array<double, 2>;
using Polygon = std::vector<Pt>;

/// Twice-free signed area (positive counter-clockwise).
double SignedArea(const Polygon& p);
/// Even-odd inside test.
bool Inside(const Polygon& p, const Pt& q);
/// Whether the outlines of a and b meet (cross, overlap or touch) within 1e-9.
bool OutlinesMeet(const Polygon& a, const Polygon& b);
/// The covering rule of the divider: polygons whose outlines meet form groups, a group
/// covers the union of its members' even-odd insides, and a point is covered when an odd
/// number of groups cover it.
class Coverage {
public:
    explicit Coverage(const std::vector<Polygon>& polygons);
    bool Covers(const Pt& q) const;

private:
    std::vector<Polygon> m_Polygons;
    std::vector<int> m_Group;
    int m_GroupCount = 0;
};
/// The distance from q to the nearest outline edge of any polygon.
double DistanceToOutlines(const std::vector<Polygon>& polygons, const Pt& q);
/// No two edges of the contours cross properly (touching at vertices or lying along each
/// other is allowed), a contour's own edges included.
::testing::AssertionResult NoContourCrosses(const std::vector<Polygon>& contours);
/// Random simple polygons: rectangles (some rotated) and star-shaped outlines, some lying
/// inside another as scaled copies, some drawn clockwise.
std::vector<Polygon> RandomPolygonSet(std::mt19937& rng);

}  // namespace pkregions
