#pragma once

// Cut and fill between two terrain sheets: the triangles the sheets share drop out, the
// rest are overlaid in plan, and on every piece of the overlay the height difference is
// integrated exactly on either side of its zero line.

#include <string>
#include <vector>

class G3Surface;

namespace pkcli {

/// The volume removed, *cut = ∫max(0, before − after), and added, *fill = ∫max(0, after −
/// before), over the plan region both up-facing sheets cover, in cubic model units and
/// exact up to rounding (a side below 1e-12 of the two together reads 0); facets may be
/// polygons with holes, zero-area pieces count for nothing. False, both volumes 0 and a one-line
/// *error (when given), for a null sheet or output, or a non-finite coordinate in either sheet.
bool TerrainCutFill(
    const G3Surface* before, const G3Surface* after, double* cut, double* fill, std::string* error);

/// The area the facets of `s` cover in plan, loop by loop (holes count against it),
/// whichever way they face.
double PlanArea(const G3Surface* s);

/// Cuts into triangles, in plan, the polygon whose loops (its outline, then its holes)
/// follow one another in `points` (each an x y z triple), loop k ending before entry
/// loopEnds[k]; appends to `triangles` index triples into `points`, counter-clockwise in
/// plan. Loops of fewer than three points are left out; nothing is appended without an
/// outline.
void TriangulatePlanLoops(const std::vector<const double*>& points,
                          const std::vector<int>& loopEnds,
                          std::vector<int>* triangles);

}  // namespace pkcli
