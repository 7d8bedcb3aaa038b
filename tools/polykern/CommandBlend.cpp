// polykern blend IN (--edge X1 Y1 Z1 X2 Y2 Z2 | --corner X Y Z) --radius R [--radius2 R2]
//                [--segments N] -o OUT [--ascii-stl]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct BlendOptions {
    std::string input;
    std::string output;
    std::vector<double> edge;
    std::vector<double> corner;
    double radius = 0.0;
    double radius2 = 0.0;  // 0: the same as --radius
    int segments = 8;
    bool asciiStl = false;
};

int RunBlend(const Session& session, const BlendOptions& o) {
    TraceToStderr trace(session);
    if (o.edge.empty() == o.corner.empty())
        return Fail("blend: give exactly one of --edge and --corner");
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("blend: cannot write this format: " + o.output);
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(o.input, &error));
    if (s == nullptr) return Fail("blend: " + error);
    const SurfaceReport before = MeasureSurface(s.get());
    if (!before.closed) {
        return Fail("blend: " + o.input + " is not closed (" + std::to_string(before.openEdges) +
                    " open edges, " + std::to_string(before.nonManifoldEdges) + " non-manifold)");
    }
    s->FormPlaneEquation();
    Progress(session, "blend of " + std::to_string(s->GetFacetCount()) + " facets");

    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> r;
    if (!o.edge.empty()) {
        double p1[3] = {o.edge[0], o.edge[1], o.edge[2]};
        double p2[3] = {o.edge[3], o.edge[4], o.edge[5]};
        const double r2 = o.radius2 > 0.0 ? o.radius2 : o.radius;
        r.reset(bc.Blend(s.release(), p1, p2, o.radius, r2, o.segments));
        if (r == nullptr)
            return Fail(
                "blend: no edge there to round with this radius (not an edge of two "
                "facets at an angle, or the arc does not fit)");
    } else {
        double p[3] = {o.corner[0], o.corner[1], o.corner[2]};
        r.reset(bc.BlendCorner(s.release(), p, o.radius, o.segments));
        if (r == nullptr)
            return Fail(
                "blend: no convex corner there to round with this radius (concave, "
                "not on one sphere's reach, or edges too short)");
    }
    const SurfaceReport after = MeasureSurface(r.get());
    if (!after.closed) Fail("blend: warning: the result is not closed");
    const int status = WriteResult(r.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("volume before %s, after %s\n", std::to_string(before.volume).c_str(),
                std::to_string(after.volume).c_str());
    return kExitOk;
}

}  // namespace

void AddBlendCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<BlendOptions>();
    CLI::App* cmd = app.add_subcommand(
        "blend",
        "Round an edge (a circular arc of --segments pieces, tangent to both facets; radius "
        "--radius at the first end and --radius2 at the second) or a convex corner of a closed "
        "solid; prints the signed volume before and after");
    cmd->add_option("IN", o->input, "Closed solid in any format convert reads")->required();
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_option("--edge", o->edge, "The edge's two end points X1 Y1 Z1 X2 Y2 Z2")->expected(6);
    cmd->add_option("--corner", o->corner, "The corner point X Y Z")->expected(3);
    cmd->add_option("--radius", o->radius, "Radius (model units)")
        ->required()
        ->check(CLI::PositiveNumber);
    cmd->add_option("--radius2", o->radius2, "Radius at the edge's second end")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--segments", o->segments,
                    "Arc segments (default 8; at most 1024 for an edge, 64 for a corner)")
        ->check(CLI::Range(1, 1 << 20));
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunBlend(session, *o); });
}

}  // namespace pkcli
