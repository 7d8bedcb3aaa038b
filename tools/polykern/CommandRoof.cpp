// polykern roof OUTLINE -o OUT [--pitch DEG | --pitches FILE] [--overhang D] [--thickness T]
//                               [--fascia] [--texcoords]
//
// The outline is a polyline file as `clip` reads it (one "x y" per line); the pitches file
// holds one angle in degrees per line, angle i for the edge from point i to point i + 1.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/PolylineFiles.h"

namespace pkcli {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RoofOptions {
    std::string outline;
    std::string output;
    double pitch = 30.0;
    std::string pitches;
    double overhang = 0.0;
    double thickness = 0.0;
    bool fascia = false;
    bool texcoords = false;
    bool asciiStl = false;
};

// The angles of a pitches file, one number per line (blank lines skipped); false with
// *error set on a line that is not one finite number.
bool ReadPitches(const std::string& path, std::vector<double>* out, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "roof: " + path + ": cannot be read";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream text(line);
        double value = 0.0;
        std::string rest;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        if (!(text >> value) || (text >> rest) || !std::isfinite(value)) {
            *error = "roof: " + path + ":" + std::to_string(number) + ": not an angle in degrees";
            return false;
        }
        out->push_back(value);
    }
    return true;
}

// Plan and sloped areas and the facet counts of each kind, and the highest point.
struct RoofReport {
    int top = 0, under = 0, fascia = 0;
    double plan = 0.0, sloped = 0.0, ridge = 0.0;
};

RoofReport Measure(G3Surface* s) {
    RoofReport r;
    r.ridge = -1e300;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        const int type = G3RoofGenerator::GetFacetType(f);
        if (type == ROOF_FACET_UNDER) ++r.under;
        if (type == ROOF_FACET_FASCIA) ++r.fascia;
        if (type != ROOF_FACET_TOP) continue;
        ++r.top;
        const double area = f->CalcArea();
        r.sloped += area;
        r.plan += area * std::fabs(f->GetPlaneC());
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        for (const G3Vertex* v : ring) r.ridge = std::fmax(r.ridge, v->GetZ());
    }
    return r;
}

int RunRoof(const Session& session, const RoofOptions& o) {
    const MeshFormat format = FormatOfPath(o.output, o.asciiStl);
    if (!CanWrite(format)) return Fail("roof: " + o.output + ": cannot write this format");
    if (!(o.thickness >= 0.0) || !std::isfinite(o.thickness))
        return Fail("roof: the thickness must be a finite number ≥ 0");
    if (!(o.overhang >= 0.0) || !std::isfinite(o.overhang))
        return Fail("roof: the overhang must be a finite number ≥ 0");
    if (o.fascia && !(o.thickness > 0.0)) return Fail("roof: --fascia needs a --thickness");
    std::string error;
    std::vector<Polyline> lines;
    if (!ReadPolylines(o.outline, &lines, &error)) return Fail(error);
    if (lines.size() != 1) return Fail("roof: " + o.outline + ": the outline must be one polyline");
    Polyline outline = lines[0];
    if (outline.size() > 3 && outline.front() == outline.back()) outline.pop_back();
    if (outline.size() < 3) return Fail("roof: " + o.outline + ": fewer than three corners");
    std::vector<double> degrees(outline.size(), o.pitch);
    if (!o.pitches.empty()) {
        degrees.clear();
        if (!ReadPitches(o.pitches, &degrees, &error)) return Fail(error);
        if (degrees.size() != outline.size()) {
            return Fail("roof: " + o.pitches + ": " + std::to_string(degrees.size()) +
                        " pitches for " + std::to_string(outline.size()) + " edges");
        }
    }
    for (double d : degrees) {
        if (!(d > 0.0 && d <= 90.0)) return Fail("roof: a pitch must lie in (0, 90] degrees");
    }

    GArrayCollection points, pitches;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        points.add(new G3Point(outline[i].x, outline[i].y, 0.0, 0));
        pitches.add(new G3RoofAngle(degrees[i] * kPi / 180.0));
    }
    auto roof = std::make_unique<G3Surface>();
    G3Surface underside;
    bool ok = false;
    std::string why = "the outline crosses or touches itself, or has no area";
    {
        G3RoofGenerator gen(roof.get(), 0.0, o.thickness, o.overhang);
        G3RoofVertex* first = nullptr;
        ok = gen.PrepareContour(&points, &pitches, &first);
        if (ok && o.overhang > 0.0) {
            first = gen.MakeOverhangContour(first);
            ok = first != nullptr;
            if (!ok) why = "the overhang outline could not be made";
        }
        if (ok) {
            Progress(session,
                     "roofing an outline of " + std::to_string(outline.size()) + " corners");
            ok = gen.FirstLevelInitialization(first) &&
                 gen.MakeRoof(first, o.thickness > 0.0 ? &underside : nullptr);
            if (!ok) why = "no roof closes over the outline (are all its walls gables?)";
        }
        if (ok && o.fascia) gen.MakeFasciaFacets(roof.get());
        if (ok && o.texcoords) gen.GenerateTexCoo();
    }
    points.clear(true);
    pitches.clear(true);
    if (!ok) return Fail("roof: " + o.outline + ": " + why + "; nothing written");
    const RoofReport r = Measure(roof.get());
    const int status = WriteResult(roof.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("facets %d: top %d, underside %d, fascia %d\n", roof->GetFacetCount(), r.top,
                r.under, r.fascia);
    std::printf("plan area %.6f, sloped area %.6f\n", r.plan, r.sloped);
    std::printf("ridge height %.6f\n", r.ridge);
    return kExitOk;
}

}  // namespace

void AddRoofCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<RoofOptions>();
    CLI::App* cmd = app.add_subcommand(
        "roof",
        "Build the roof over a building outline (x y per line): every edge rises inwards at "
        "its pitch, 90 making a gable. Prints the facet counts, the plan and sloped areas of "
        "the top and the ridge height");
    cmd->add_option("OUTLINE", o->outline, "Polyline file of the outline, as clip reads it")
        ->required();
    cmd->add_option("-o,--output", o->output,
                    "Surface file to write; its extension names the format")
        ->required();
    CLI::Option_group* pitch = cmd->add_option_group("pitch", "The pitches of the edges");
    pitch->add_option("--pitch", o->pitch, "One pitch in degrees for every edge (default 30)");
    pitch->add_option("--pitches", o->pitches,
                      "File of one pitch in degrees per edge, edge i from point i to i + 1");
    pitch->require_option(0, 1);
    cmd->add_option("--overhang", o->overhang, "Drop of the eaves below the wall heads");
    cmd->add_option("--thickness", o->thickness, "Thickness of a roof with an underside");
    cmd->add_flag("--fascia", o->fascia, "Close the gable edges of a thick roof with fascia");
    cmd->add_flag("--texcoords", o->texcoords, "Give the roof texture coordinates");
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunRoof(session, *o); });
}

}  // namespace pkcli
