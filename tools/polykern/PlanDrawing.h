#pragma once

// A plan drawing of polygons in the xy plane: view from above, x right, y up.

#include <string>
#include <vector>

#include "tools/polykern/PolylineFiles.h"

class G3Surface;

namespace pkcli {

/// One polygon of a plan: its outline, then its holes, each loop listed once (not closed
/// by repeating its first point), and the group (a section's plane) it belongs to.
struct PlanPolygon {
    std::vector<Polyline> loops;
    int group = 0;
};

/// Appends every facet of `s` in plan as one polygon of `group`, loop by loop as the facet
/// runs them (the outline, then its holes); facets whose ring does not close are skipped.
void AppendPlanPolygons(const G3Surface* s, int group, std::vector<PlanPolygon>* out);

/// Draws the polygons into a width × height PNG at `path`, fitted to their extent with a
/// margin (aspect kept): each group in its own colour, filled pale with the holes left
/// open, outlines drawn solid and holes dashed. Fails as RenderSurfacePng does; false with
/// *error set to one line. `groupCount` spreads the colours; no polygon gives an empty
/// picture.
bool DrawPlanPng(const std::vector<PlanPolygon>& polygons,
                 int groupCount,
                 int width,
                 int height,
                 const std::string& path,
                 std::string* error);

}  // namespace pkcli
