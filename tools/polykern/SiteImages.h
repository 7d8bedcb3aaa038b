#pragma once

// Pictures of a site for a person to look at: the scene drawn shaded in its materials'
// colours, and plan sections cut through its bodies at a height.

#include <string>
#include <vector>

#include "tools/polykern/PlanDrawing.h"
#include "tools/polykern/SceneGltf.h"
#include "tools/polykern/SurfaceRender.h"

namespace pkcli {

/// Draws every element shaded by a fixed light, each facet filled in its kind's colour
/// (SceneKindColour; glass see-through) with dark visible edges, all fitted together into
/// options' view and drawn about their common centre, so a site a million metres from the
/// origin keeps its detail. Facets are filled loop by loop, holes left open. Writes `path`
/// and fails as RenderSurfacePng does; no element with a finite corner gives the
/// background only.
bool RenderScenePng(const std::vector<SceneElement>& elements,
                    const std::string& path,
                    const RenderOptions& options,
                    std::string* error);

/// Cuts every closed body by the plane at height z (copies are cut: the bodies are not
/// touched) and appends the section polygons to *plan: per polygon its outline
/// (counter-clockwise from above), then its holes, with the element's kind as its group.
/// Open bodies and bodies the plane misses add nothing. False with *error set to one line
/// for a non-finite z or a body with a non-finite corner (*plan then as it was).
bool CutPlanSections(const std::vector<SceneElement>& bodies,
                     double z,
                     std::vector<PlanPolygon>* plan,
                     std::string* error);

/// Draws the sections CutPlanSections makes at height z in plan with DrawPlanPng, one colour
/// group per element kind. *polygonCount (may be null) gets the number of polygons drawn; no
/// polygon at all gives an empty picture and 0. False with *error set to one line on the
/// failures of CutPlanSections and DrawPlanPng.
bool DrawPlanSectionPng(const std::vector<SceneElement>& bodies,
                        double z,
                        int width,
                        int height,
                        const std::string& path,
                        int* polygonCount,
                        std::string* error);

}  // namespace pkcli
