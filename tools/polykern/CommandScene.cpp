// polykern scene IN... -o OUT.gltf [--kind KIND]...

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SceneGltf.h"

namespace pkcli {

namespace {

struct SceneOptions {
    std::vector<std::string> inputs;
    std::vector<std::string> kinds;
    std::string output;
};

// The file's name without its folder and extension: the node's name.
std::string StemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

int RunScene(const Session& session, const SceneOptions& o) {
    TraceToStderr trace(session);
    if (o.kinds.size() > o.inputs.size())
        return Fail("scene: more --kind values (" + std::to_string(o.kinds.size()) +
                    ") than input files (" + std::to_string(o.inputs.size()) + ")");
    std::vector<SceneElement> elements;
    std::vector<std::unique_ptr<G3Surface>> surfaces;
    for (std::size_t i = 0; i < o.inputs.size(); ++i) {
        SceneKind kind = SceneKind::Plain;
        if (i < o.kinds.size() && !SceneKindOf(o.kinds[i], &kind))
            return Fail("scene: unknown kind \"" + o.kinds[i] +
                        "\" (known: plain, terrain, wall, slab, roof, glass)");
        std::string error;
        surfaces.emplace_back(ReadSurface(o.inputs[i], &error));
        if (surfaces.back() == nullptr) return Fail("scene: " + error);
        surfaces.back()->FormPlaneEquation();
        elements.push_back({StemOf(o.inputs[i]), surfaces.back().get(), kind, {}});
    }
    SceneStats stats;
    std::string error;
    if (!WriteSceneGltf(elements, o.output, &stats, &error)) return Fail("scene: " + error);
    if (stats.inexactFacets > 0)
        Fail("scene: warning: " + std::to_string(stats.inexactFacets) +
             " facets could not be tessellated exactly and were fanned");
    std::printf("%d nodes, %d materials, %lld triangles written to %s\n", stats.nodes,
                stats.materials, stats.triangles, o.output.c_str());
    return kExitOk;
}

}  // namespace

void AddSceneCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SceneOptions>();
    CLI::App* cmd = app.add_subcommand(
        "scene",
        "Gather bodies into one glTF scene for a viewer: a node per input file, coloured by "
        "the kind given for it, kept precise far from the origin");
    cmd->add_option("IN", o->inputs, "Bodies in any format convert reads")->required();
    cmd->add_option("-o,--output", o->output, "The .gltf file to write")->required();
    cmd->add_option("--kind", o->kinds,
                    "The kind of each input in turn: plain, terrain, wall, slab, roof or glass "
                    "(default plain)");
    cmd->callback([&session, o] { session.status = RunScene(session, *o); });
}

}  // namespace pkcli
