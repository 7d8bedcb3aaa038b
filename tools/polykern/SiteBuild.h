#pragma once

// The site workflow: a checked site description built into a terrain solid, closed
// buildings with their slabs and panes, and the figures of the report, all through the
// kernel's own operations, every facet carrying its material.

#include <memory>
#include <string>
#include <vector>

#include "tools/polykern/SceneGltf.h"
#include "tools/polykern/SiteDescription.h"

class G3Surface;

namespace pkcli {

/// The material indices the site's facets carry (0 is none).
enum SiteMaterial : int {
    kSiteTerrain = 1,
    kSiteWall = 2,
    kSiteSlab = 3,
    kSiteRoof = 4,
    kSiteGlass = 5,
};

/// The scene kind a material is drawn as.
SceneKind KindOfMaterial(int material);

/// One body of the built site: the terrain solid, a building's shell (walls and roof),
/// one slab, or a building's panes. `building` is −1 for the terrain.
struct SiteBody {
    std::string name;
    SceneKind kind = SceneKind::Plain;
    int building = -1;
    int storey = -1;  // slabs only
    std::unique_ptr<G3Surface> surface;
};

/// What the report gives per building; areas and volumes in model units.
struct SiteBuildingFigures {
    std::string name;
    double base = 0.0;         // the floor level the walls stand on
    double grossVolume = 0.0;  // inside the walls' outer faces and under the roof
    double wallArea = 0.0;     // outer faces of the walls, openings left out
    double slabArea = 0.0;     // tops of the slabs, openings left out
    double roofArea = 0.0;     // the roof's upper faces
    double volume = 0.0;       // the material of walls and roof
    int openings = 0;          // doors, windows and slab openings made
    bool closed = false;       // shell, slabs and panes all closed
    std::vector<double> floors;  // each storey's floor level (the top of its slab)
};

/// Cut and fill of one pad against the terrain as it was before the pad (the survey for
/// the first pad).
struct SitePadFigures {
    std::string name;
    double cut = 0.0, fill = 0.0;
};

/// Seconds spent in one stage of the build.
struct SiteStageTime {
    std::string stage;
    double seconds = 0.0;
};

struct SiteModel {
    std::vector<SiteBody> bodies;
    std::vector<SiteBuildingFigures> buildings;
    std::vector<SitePadFigures> pads;
    long long surveyPoints = 0;
    int terrainFacets = 0;
    bool terrainClosed = false;
    double terrainBottom = 0.0;  // the level the terrain solid stands on
    double surveyVolume = 0.0;   // of the surveyed terrain, closed down to the bottom
    double terrainVolume = 0.0;  // of the finished terrain solid
    std::vector<SiteStageTime> stages;
};

/// Builds the site: terrain → pads → smoothing → closed terrain solid; per building the
/// walls united, the doors and windows subtracted, the roof (thick, closed) united with
/// them, the slabs with their openings and the panes. Progress goes to the kernel's trace
/// hook as "stage: done/total" lines. False with *error set to one line that names the
/// element at fault; *out is then left as it was.
bool BuildSite(const SiteDescription& site, SiteModel* out, std::string* error);

/// The elements of a built site as a scene, every facet by its material's kind.
std::vector<SceneElement> SiteScene(const SiteModel& model);

}  // namespace pkcli
