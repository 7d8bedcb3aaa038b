// polykern clean IN OUT [--level 1001|1002|1003] [--merge-coplanar]

#include <CLI/CLI.hpp>
#include <memory>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct CleanOptions {
    std::string input;
    std::string output;
    int level = CHECK_LEVEL_1001;
    bool mergeCoplanar = false;
    bool asciiStl = false;
};

std::string Summary(const SurfaceReport& r) {
    return std::to_string(r.vertices) + " vertices, " + std::to_string(r.edges) + " edges, " +
           std::to_string(r.facets) + " facets, " + (r.closed ? "closed" : "open") + ", volume " +
           std::to_string(r.volume);
}

int RunClean(const Session& session, const CleanOptions& o) {
    TraceToStderr trace(session);
    int status;
    std::unique_ptr<G3Surface> s = ReadForWriting(o.input, o.output, o.asciiStl, &status);
    if (s == nullptr) return status;
    const SurfaceReport before = MeasureSurface(s.get());

    Progress(session, "welding vertices and splitting edges at T-junctions");
    s->RemoveEqualsVertexAndDivideEdges();
    Progress(session, "removing trivial facets");
    s->RemoveTrivialFacets();
    Progress(session, "repairing at check level " + std::to_string(o.level));
    s->Update(static_cast<CHECK_LEVEL>(o.level));
    if (o.mergeCoplanar) {
        Progress(session, "merging coplanar facets");
        s->UnionInPlaneFacets(-1);
    }
    s->RemoveUnused();
    const SurfaceReport after = MeasureSurface(s.get());
    if (after.facets == 0) return Fail("nothing left after cleaning " + o.input);
    status = WriteResult(s.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("before  %s\nafter   %s\n", Summary(before).c_str(), Summary(after).c_str());
    return kExitOk;
}

}  // namespace

void AddCleanCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<CleanOptions>();
    CLI::App* cmd = app.add_subcommand(
        "clean",
        "Weld, split T-junctions, drop trivial and non-manifold pieces and orient outward");
    AddSurfaceFiles(cmd, &o->input, &o->output, &o->asciiStl);
    cmd->add_option("--level", o->level,
                    "Repair passes: 1001 welds, merges normals, sews and orients; 1002 also "
                    "rebuilds crossing outlines and merges doubled facets; 1003 rebuilds "
                    "crossing outlines and orients")
        ->check(CLI::IsMember({1001, 1002, 1003}))
        ->capture_default_str();
    cmd->add_flag("--merge-coplanar", o->mergeCoplanar,
                  "Merge each connected group of coplanar facets into one facet (holes kept)");
    cmd->callback([&session, o] { session.status = RunClean(session, *o); });
}

}  // namespace pkcli
