// polykern info FILE [--json]

#include <CLI/CLI.hpp>
#include <memory>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct InfoOptions {
    std::string input;
    bool json = false;
};

int RunInfo(const Session& session, const InfoOptions& o) {
    TraceToStderr trace(session);
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(o.input, &error));
    if (s == nullptr) return Fail(error);
    PrintReport(stdout, MeasureSurface(s.get()), o.input, o.json);
    return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<InfoOptions>();
    CLI::App* cmd = app.add_subcommand(
        "info", "Counts, closedness, volume, area, envelope and defects of a surface file");
    cmd->add_option("FILE", o->input, "Surface file (.dump .obj .stl .ply .gltf .glb .off)")
        ->required();
    cmd->add_flag("--json", o->json, "Print one JSON object instead of aligned text");
    cmd->callback([&session, o] { session.status = RunInfo(session, *o); });
}

}  // namespace pkcli
