#include "tools/polykern/SiteImages.h"

#include <cmath>
#include <memory>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pkcli {

namespace {

// The plan gives each kind its own group, so there are as many groups as kinds.
constexpr int kKindGroups = static_cast<int>(SceneKind::Glass) + 1;

bool HasOnlyFiniteCorners(const G3Surface* s) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (v == nullptr) return false;
        const double* p = v->GetXYZ();
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return false;
    }
    return true;
}

// The section of one closed body at height z as plan polygons appended to `plan`. The
// body is copied first: the cut needs fresh facet planes, and the caller's body stays
// exactly as it was. The kernel hands over the section surface, which is released here.
void AddSection(const SceneElement& e, double z, std::vector<PlanPolygon>* plan) {
    G3Surface copy;
    copy.Copy(const_cast<G3Surface*>(e.surface));
    copy.FormPlaneEquation();
    const double plane[4] = {0.0, 0.0, 1.0, -z};  // z = const as a·x + b·y + c·z + d = 0
    G3Surface* out = nullptr;
    G3BooleanCalculator bc;
    if (!bc.Divide(&copy, 1, plane, &out)) return;  // the plane misses the body
    const std::unique_ptr<G3Surface> section(out);
    AppendPlanPolygons(section.get(), static_cast<int>(e.kind), plan);
}

}  // namespace

bool RenderScenePng(const std::vector<SceneElement>& elements,
                    const std::string& path,
                    const RenderOptions& options,
                    std::string* error) {
    std::vector<ShadedBody> bodies;
    for (const SceneElement& e : elements) {
        if (e.surface == nullptr) continue;
        // A terrain or a single wall may be an open sheet: its rim is no defect here.
        bodies.push_back(
            {e.surface,
             [&e](int facet, float rgba[4]) { SceneKindColour(SceneFacetKind(e, facet), rgba); },
             false});
    }
    return RenderOffscreenPng(
        options.width, options.height, [&] { DrawShadedBodies(bodies, options); }, path, error);
}

bool CutPlanSections(const std::vector<SceneElement>& bodies,
                     double z,
                     std::vector<PlanPolygon>* plan,
                     std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    if (!std::isfinite(z)) {
        *error = "the plan's height is not a finite number";
        return false;
    }
    for (const SceneElement& e : bodies) {
        if (e.surface != nullptr && !HasOnlyFiniteCorners(e.surface)) {
            *error = "cannot cut '" + e.name + "' at a height: it has a non-finite corner";
            return false;
        }
    }
    for (const SceneElement& e : bodies) {
        if (e.surface == nullptr || e.surface->GetFacetCount() == 0 || !e.surface->GetClosed())
            continue;
        AddSection(e, z, plan);
    }
    return true;
}

bool DrawPlanSectionPng(const std::vector<SceneElement>& bodies,
                        double z,
                        int width,
                        int height,
                        const std::string& path,
                        int* polygonCount,
                        std::string* error) {
    if (polygonCount != nullptr) *polygonCount = 0;
    std::vector<PlanPolygon> plan;
    if (!CutPlanSections(bodies, z, &plan, error)) return false;
    if (!DrawPlanPng(plan, kKindGroups, width, height, path, error)) return false;
    if (polygonCount != nullptr) *polygonCount = static_cast<int>(plan.size());
    return true;
}

}  // namespace pkcli
