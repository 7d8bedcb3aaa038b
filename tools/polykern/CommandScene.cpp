// polykern scene IN... -o OUT.gltf [--kind KIND]... [--png PICTURE.png] [--plan Z:PLAN.png]...

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/PlaneInput.h"
#include "tools/polykern/SceneGltf.h"
#include "tools/polykern/SiteImages.h"

namespace pkcli {

namespace {

constexpr int kPictureWidth = 1024;
constexpr int kPictureHeight = 768;

struct SceneOptions {
    std::vector<std::string> inputs;
    std::vector<std::string> kinds;
    std::string output;
    std::string png;
    std::vector<std::string> plans;
};

// One --plan: the height of the cut and the picture it goes to.
struct PlanRequest {
    double z = 0.0;
    std::string path;
};

// The file's name without its folder and extension: the node's name.
std::string StemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Z:PICTURE split at its first colon (a path may hold more); false with *error set when
// Z is not a finite number or the picture has no name.
bool ParsePlan(const std::string& text, PlanRequest* plan, std::string* error) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        *error = "--plan wants Z:PICTURE.png, not \"" + text + "\"";
        return false;
    }
    const std::string number = text.substr(0, colon);
    char* end = nullptr;
    plan->z = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(plan->z)) {
        *error = "--plan: the height \"" + number + "\" is not a finite number";
        return false;
    }
    plan->path = text.substr(colon + 1);
    return true;
}

void RemoveAll(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) std::remove(p.c_str());
}

int RunScene(const Session& session, const SceneOptions& o) {
    TraceToStderr trace(session);
    if (o.kinds.size() > o.inputs.size())
        return Fail("scene: more --kind values (" + std::to_string(o.kinds.size()) +
                    ") than input files (" + std::to_string(o.inputs.size()) + ")");
    std::vector<PlanRequest> plans(o.plans.size());
    std::string error;
    for (std::size_t i = 0; i < o.plans.size(); ++i) {
        if (!ParsePlan(o.plans[i], &plans[i], &error)) return Fail("scene: " + error);
    }
    std::vector<SceneElement> elements;
    std::vector<std::unique_ptr<G3Surface>> surfaces;
    for (std::size_t i = 0; i < o.inputs.size(); ++i) {
        SceneKind kind = SceneKind::Plain;
        if (i < o.kinds.size() && !SceneKindOf(o.kinds[i], &kind))
            return Fail("scene: unknown kind \"" + o.kinds[i] +
                        "\" (known: plain, terrain, wall, slab, roof, glass)");
        surfaces.emplace_back(ReadSurface(o.inputs[i], &error));
        if (surfaces.back() == nullptr) return Fail("scene: " + error);
        surfaces.back()->FormPlaneEquation();
        elements.push_back({StemOf(o.inputs[i]), surfaces.back().get(), kind, {}});
    }
    SceneStats stats;
    if (!WriteSceneGltf(elements, o.output, &stats, &error)) return Fail("scene: " + error);
    // The scene and its pictures, or nothing: a picture that fails takes the rest along.
    std::vector<std::string> written = {o.output};
    if (!o.png.empty()) {
        RenderOptions view;
        view.width = kPictureWidth;
        view.height = kPictureHeight;
        if (!RenderScenePng(elements, o.png, view, &error)) {
            RemoveAll(written);
            return Fail("scene: " + error);
        }
        written.push_back(o.png);
    }
    std::vector<int> counts;
    for (const PlanRequest& plan : plans) {
        int count = 0;
        if (!DrawPlanSectionPng(elements, plan.z, kPictureWidth, kPictureHeight, plan.path, &count,
                                &error)) {
            RemoveAll(written);
            return Fail("scene: " + error);
        }
        written.push_back(plan.path);
        counts.push_back(count);
    }
    if (stats.inexactFacets > 0)
        Fail("scene: warning: " + std::to_string(stats.inexactFacets) +
             " facets could not be tessellated exactly and were fanned");
    std::printf("%d nodes, %d materials, %lld triangles written to %s\n", stats.nodes,
                stats.materials, stats.triangles, o.output.c_str());
    if (!o.png.empty()) std::printf("picture written to %s\n", o.png.c_str());
    for (std::size_t i = 0; i < plans.size(); ++i) {
        std::printf("plan at z %s: %d polygons written to %s\n", ReportNumber(plans[i].z).c_str(),
                    counts[i], plans[i].path.c_str());
    }
    return kExitOk;
}

}  // namespace

void AddSceneCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SceneOptions>();
    CLI::App* cmd = app.add_subcommand(
        "scene",
        "Gather bodies into one glTF scene for a viewer: a node per input file, coloured by "
        "the kind given for it, kept precise far from the origin. --png draws the scene in "
        "the same colours; --plan draws the sections of the closed bodies at a height");
    cmd->add_option("IN", o->inputs, "Bodies in any format convert reads")->required();
    cmd->add_option("-o,--output", o->output, "The .gltf file to write")->required();
    cmd->add_option("--kind", o->kinds,
                    "The kind of each input in turn: plain, terrain, wall, slab, roof or glass "
                    "(default plain)");
    cmd->add_option("--png", o->png, "Also draw the scene, seen from above at an angle, here");
    cmd->add_option("--plan", o->plans,
                    "Also draw the plan section at height Z into PICTURE; repeat for more")
        ->type_name("Z:PICTURE.png")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    cmd->callback([&session, o] { session.status = RunScene(session, *o); });
}

}  // namespace pkcli
