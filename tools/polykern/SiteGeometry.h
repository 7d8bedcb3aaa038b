#pragma once

// The solids the site workflow is made of, shared by the terrain and building stages.

#include <memory>
#include <string>
#include <vector>

#include "tools/polykern/SiteBuild.h"

class G3LandscapeHandler;

namespace pkcli {

/// A closed prism over a simple plan polygon (either direction) between the heights
/// z0 < z1, every facet facing out and carrying `material`; null for a polygon without
/// area.
std::unique_ptr<G3Surface> MakeSitePrism(const std::vector<SitePoint>& polygon,
                                         double z0,
                                         double z1,
                                         int material);

/// The signed volume of a closed surface, from its facets loop by loop, about a point of
/// the surface lowered to `level`, so that it keeps its digits far from the origin.
double ClosedVolume(const G3Surface* s, double level);

/// The closed solid under the terrain sheet `sheet` (facing up) down to `bottom`:
/// ∫ (z − bottom) over its plan, facet by facet.
double VolumeUnderSheet(const G3Surface* sheet, double bottom);

/// Levels every pad of the site into *terrain (replaced by the result) with the handler,
/// appending each pad's cut and fill against the terrain before it to *figures. Pads far
/// apart are levelled each in a window of the terrain around it and put back in one build;
/// pads near each other one after another over the whole terrain. False with *error set
/// to one line naming the pad.
bool LevelSitePads(const SiteDescription& site,
                   G3LandscapeHandler* h,
                   std::unique_ptr<G3Surface>* terrain,
                   std::vector<SitePadFigures>* figures,
                   std::string* error);

/// Builds building `index` standing at `base`: its shell (walls with doors and windows
/// and its roof), its slabs with the openings of `slabOpenings` (indices into
/// site.slabOpenings) and its panes, appended to *bodies, and its figures. False with
/// *error set to one line naming the element when a step fails.
bool BuildSiteBuilding(const SiteDescription& site,
                       int index,
                       double base,
                       std::vector<SiteBody>* bodies,
                       SiteBuildingFigures* figures,
                       std::string* error);

}  // namespace pkcli
