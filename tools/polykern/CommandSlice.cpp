// polykern slice IN (--plane A B C D | --sheet SHEET) -o BEHIND FRONT [--ascii-stl]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/RefusalCatcher.h"
#include "tools/polykern/PlaneInput.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct SliceOptions {
    std::string input;
    std::vector<double> plane;
    std::string sheet;
    std::vector<std::string> outputs;
    bool asciiStl = false;
};

// Where the body lies against the unit plane: the largest distance behind it (≤ 0 side)
// and in front of it, over all vertices.
void Reach(const G3Surface* s, const double* unit, double* behind, double* front) {
    *behind = *front = 0.0;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        const double d = unit[0] * p[0] + unit[1] * p[1] + unit[2] * p[2] - unit[3];
        if (-d > *behind) *behind = -d;
        if (d > *front) *front = d;
    }
}

// Why a plane that left the body in one piece did so, for the message.
std::string WhyNotDivided(double behind, double front) {
    if (front <= behind)
        return "the body lies wholly behind the plane (A·x + B·y + C·z ≤ D), nothing in front";
    return "the body lies wholly in front of the plane (A·x + B·y + C·z ≥ D), nothing behind";
}

// Writes both parts of a cut, or neither, and reports them.
int WriteParts(const SliceOptions& o, double volume, G3Surface* behind, G3Surface* front) {
    const std::string& behindPath = o.outputs[0];
    const std::string& frontPath = o.outputs[1];
    const SurfaceReport b = MeasureSurface(behind);
    const SurfaceReport f = MeasureSurface(front);
    if (!b.closed) Fail("slice: warning: the part behind is not closed");
    if (!f.closed) Fail("slice: warning: the part in front is not closed");
    int status = WriteResult(behind, behindPath, o.asciiStl);
    if (status != kExitOk) return status;
    status = WriteResult(front, frontPath, o.asciiStl);
    if (status != kExitOk) {
        std::remove(behindPath.c_str());  // both pieces or neither
        return status;
    }
    std::printf("volume body %s, behind %s, front %s\n", std::to_string(volume).c_str(),
                std::to_string(b.volume).c_str(), std::to_string(f.volume).c_str());
    std::printf("behind %d facets, %s; front %d facets, %s\n", b.facets,
                b.closed ? "closed" : "open", f.facets, f.closed ? "closed" : "open");
    return kExitOk;
}

// The cut by an open sheet: the part its facets face is in front, the other behind.
int RunSheetSlice(const Session& session, const SliceOptions& o, std::unique_ptr<G3Surface> body) {
    std::unique_ptr<G3Surface> sheet = ReadBody("slice", o.sheet, false);
    if (sheet == nullptr) return kExitFailed;
    if (sheet->GetClosed()) return Fail("slice: the sheet is closed; a cutting sheet must be open");
    const double volume = MeasureSurface(body.get()).volume;
    Progress(session, "slicing " + std::to_string(body->GetFacetCount()) +
                          " facets by a sheet of " + std::to_string(sheet->GetFacetCount()) +
                          " facets");
    G3Surface* facing = nullptr;
    G3Surface* away = nullptr;
    bool divided = false;
    std::string refusal;
    {
        RefusalCatcher catcher;
        G3BooleanCalculator bc;
        divided = bc.SliceBySurface(body.release(), sheet.release(), &facing, &away);
        refusal = catcher.Refusal();
    }
    std::unique_ptr<G3Surface> front(facing), behind(away);
    if (!divided) {
        if (!refusal.empty())
            return Fail("slice: the sheet does not divide the body: " + refusal +
                        "; nothing written");
        return Fail("slice: the sheet does not divide the body; nothing written");
    }
    return WriteParts(o, volume, behind.get(), front.get());
}

int RunSlice(const Session& session, const SliceOptions& o) {
    TraceToStderr trace(session);
    double unit[4];
    std::string error;
    const bool bySheet = !o.sheet.empty();
    if (bySheet == !o.plane.empty()) return Fail("slice: give either --plane or --sheet");
    if (!bySheet && !UnitPlaneOf(o.plane, 0, unit, &error)) return Fail("slice: " + error);
    const std::string& behindPath = o.outputs[0];
    const std::string& frontPath = o.outputs[1];
    if (behindPath == frontPath) return Fail("slice: BEHIND and FRONT must be two files");
    for (const std::string& path : o.outputs) {
        if (!CanWrite(FormatOfPath(path, o.asciiStl)))
            return Fail("slice: cannot write this format: " + path);
    }
    std::unique_ptr<G3Surface> body = ReadBody("slice", o.input, true);
    if (body == nullptr) return kExitFailed;
    if (bySheet) return RunSheetSlice(session, o, std::move(body));
    const double volume = MeasureSurface(body.get()).volume;
    double behindReach = 0.0, frontReach = 0.0;
    Reach(body.get(), unit, &behindReach, &frontReach);
    Progress(session, "slicing " + std::to_string(body->GetFacetCount()) + " facets by " +
                          ReportNumber(unit[0]) + " " + ReportNumber(unit[1]) + " " +
                          ReportNumber(unit[2]) + " " + ReportNumber(unit[3]));

    G3Surface* behind = nullptr;
    G3Surface* front = nullptr;
    bool divided = false;
    std::string refusal;
    {
        RefusalCatcher catcher;
        G3BooleanCalculator bc;
        divided = bc.Slice(body.release(), unit, true, &behind, &front, true);
        refusal = catcher.Refusal();
    }
    std::unique_ptr<G3Surface> behindPart(behind), frontPart(front);
    if (!divided) {
        if (behindPart == nullptr && !refusal.empty()) return Fail("slice: refused: " + refusal);
        if (behindPart == nullptr) return Fail("slice: the body could not be cut by this plane");
        return Fail("slice: the plane does not divide the body: " +
                    WhyNotDivided(behindReach, frontReach) + "; nothing written");
    }
    return WriteParts(o, volume, behindPart.get(), frontPart.get());
}

}  // namespace

void AddSliceCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SliceOptions>();
    CLI::App* cmd = app.add_subcommand(
        "slice",
        "Cut a closed solid by the plane A·x + B·y + C·z = D (normalised here) into the part "
        "behind it (≤ D) and the part in front; prints the volumes and whether both parts are "
        "closed. A plane that leaves the solid in one piece is an error and writes nothing. "
        "With --sheet, an open surface (a terrain) cuts instead: the part its facets face is "
        "in front");
    cmd->add_option("IN", o->input, "Closed solid in any format convert reads")->required();
    cmd->add_option("--plane", o->plane, "The plane: A B C D for A·x + B·y + C·z = D")
        ->expected(4)
        ->allow_extra_args(false);
    cmd->add_option("--sheet", o->sheet, "An open cutting surface instead of a plane");
    cmd->add_option("-o,--output", o->outputs,
                    "BEHIND FRONT: the two files to write; their extensions name the formats")
        ->expected(2)
        ->required();
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunSlice(session, *o); });
}

}  // namespace pkcli
