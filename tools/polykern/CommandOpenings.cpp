// polykern openings IN OUTLINES -o OUT [--direction X Y Z] [--ascii-stl]
//
// OUTLINES is a polyline file as `clip` reads it (x y per line, a blank line between
// polylines): each polyline is the plan of one opening, closed from its last point to its
// first, lying at z = 0 and cut along the direction (default 0 0 1) through the slab or
// roof it meets.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/openings/G3HoleMaker.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/PlaneInput.h"
#include "tools/polykern/PolylineFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct OpeningsOptions {
    std::string input;
    std::string outlines;
    std::string output;
    std::vector<double> direction = {0.0, 0.0, 1.0};
    bool asciiStl = false;
};

int RunOpenings(const Session& session, const OpeningsOptions& o) {
    TraceToStderr trace(session);
    const double* d = o.direction.data();
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!std::isfinite(len) || len < 1e-6)
        return Fail("openings: the direction must be a finite vector longer than 1e-6");
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("openings: cannot write this format: " + o.output);
    std::string error;
    std::vector<Polyline> plans;
    if (!ReadPolylines(o.outlines, &plans, &error)) return Fail("openings: " + error);
    std::unique_ptr<G3Surface> s = ReadBody("openings", o.input, false);
    if (s == nullptr) return kExitFailed;
    const SurfaceReport before = MeasureSurface(s.get());
    // Files hold faces in pieces (triangles, mostly): each flat face becomes one facet again,
    // so that an opening passes through one facet on each side.
    s->UnionInPlaneFacets(-1);
    G3HoleMaker maker(s.get());
    int refused = 0;
    for (const Polyline& plan : plans) {
        std::vector<double> xyz;
        for (const PlanPoint& p : plan) xyz.insert(xyz.end(), {p.x, p.y, 0.0});
        if (!maker.AddHoleContour(static_cast<int>(plan.size()), xyz.data(), d)) ++refused;
    }
    Progress(session, "cutting " + std::to_string(maker.GetHoleContourCount()) +
                          " openings through " + std::to_string(s->GetFacetCount()) + " facets");
    const int made = maker.MakeHoles();
    const int skipped = maker.GetSkippedCount() + refused;
    if (made == 0) {
        return Fail(
            "openings: no opening could be cut (each must pass through the same two "
            "faces at every point and keep clear of the others); nothing written");
    }
    const SurfaceReport after = MeasureSurface(s.get());
    if (before.closed && !after.closed) Fail("openings: warning: the result is not closed");
    const int status = WriteResult(s.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("%d openings made, %d skipped\n", made, skipped);
    std::printf("volume before %s, after %s\n", ReportNumber(before.volume).c_str(),
                ReportNumber(after.volume).c_str());
    return kExitOk;
}

}  // namespace

void AddOpeningsCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<OpeningsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "openings",
        "Cut openings through a slab or a thick roof: each polyline of OUTLINES (x y per line, "
        "a blank line between them) is an opening's plan, cut along --direction; prints how "
        "many were made and skipped and the volume before and after");
    cmd->add_option("IN", o->input, "The slab or roof, in any format convert reads")->required();
    cmd->add_option("OUTLINES", o->outlines, "Polyline file of the openings' plans")->required();
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_option("--direction", o->direction,
                    "Direction of the openings X Y Z (default 0 0 1, vertical)")
        ->expected(3);
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunOpenings(session, *o); });
}

}  // namespace pkcli
