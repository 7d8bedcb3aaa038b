// polykern section IN (--z Z0 Z1 STEP | --plane A B C D [--plane …]) -o OUT [--png FILE]
//
// Each plane's section is traced by the kernel into polygons: an outline with the holes
// inside it is one facet. OUT gets those facets as a surface, or, for a .txt file, their
// loops as closed polylines in plan (x y), the format `clip` reads.

#include <CLI/CLI.hpp>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/PlanDrawing.h"
#include "tools/polykern/PlaneInput.h"
#include "tools/polykern/PolylineFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

// More planes than this is taken for a mistake in the numbers (a step far too small).
constexpr double kMaxPlanes = 100000;
// A plane whose unit normal has less vertical part than this is taken for vertical: its
// section would collapse to lines in plan.
constexpr double kVertical = 1e-6;
constexpr int kPngWidth = 1024;
constexpr int kPngHeight = 768;

struct SectionOptions {
    std::string input;
    std::vector<double> z;
    std::vector<double> planes;
    std::string output;
    std::string png;
    bool asciiStl = false;
};

// One cutting plane A·x + B·y + C·z = D with a unit normal, and how it is named.
struct CutPlane {
    double unit[4];
    std::string label;
};

// What one plane cut out of the body.
struct Section {
    std::unique_ptr<G3Surface> polygons;  // null when the plane misses the body
    int count = 0;
    double area = 0.0;
};

bool IsPolylinePath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".txt";
}

// The planes z = Z0, Z0 + STEP, … up to Z1 inclusive (a last height within 1e-9 steps of
// Z1 counts), or the given planes; false with *error set on bad numbers or too many.
bool MakePlanes(const SectionOptions& o, std::vector<CutPlane>* planes, std::string* error) {
    if (!o.z.empty()) {
        const double z0 = o.z[0], z1 = o.z[1], step = o.z[2];
        if (!std::isfinite(z0) || !std::isfinite(z1) || !std::isfinite(step)) {
            *error = "--z wants finite numbers Z0 Z1 STEP";
            return false;
        }
        if (!(step > 0.0)) {
            *error = "--z: STEP must be above 0";
            return false;
        }
        if (z1 < z0) {
            *error = "--z: Z1 must not lie below Z0";
            return false;
        }
        const double span = (z1 - z0) / step;
        if (!(span + 1.0 <= kMaxPlanes)) {
            *error = "--z gives more than 100000 planes; use a larger STEP";
            return false;
        }
        const int n = static_cast<int>(std::floor(span + 1e-9)) + 1;
        for (int i = 0; i < n; ++i) {
            const double z = std::fmin(z0 + i * step, z1);
            planes->push_back({{0.0, 0.0, 1.0, z}, "z " + ReportNumber(z)});
        }
        return true;
    }
    if (o.planes.size() / 4 > kMaxPlanes) {
        *error = "more than 100000 planes";
        return false;
    }
    for (std::size_t at = 0; at < o.planes.size(); at += 4) {
        CutPlane p;
        if (!UnitPlaneOf(o.planes, at, p.unit, error)) return false;
        p.label = "plane " + ReportNumber(p.unit[0]) + " " + ReportNumber(p.unit[1]) + " " +
                  ReportNumber(p.unit[2]) + " " + ReportNumber(p.unit[3]);
        planes->push_back(p);
    }
    return true;
}

// Every loop of every section facet in plan, loop by loop as the facet runs them (the
// outline, then its holes).
std::vector<PlanPolygon> PlanOf(const std::vector<Section>& sections) {
    std::vector<PlanPolygon> out;
    for (std::size_t i = 0; i < sections.size(); ++i)
        AppendPlanPolygons(sections[i].polygons.get(), static_cast<int>(i), &out);
    return out;
}

// Writes the sections to OUT: a surface of all section facets, or closed polylines (each
// loop ends on its first point again; outlines run counter-clockwise about their plane's
// normal, holes the other way).
int WriteSections(const std::vector<Section>& sections,
                  const std::vector<PlanPolygon>& plan,
                  const SectionOptions& o) {
    std::string error;
    if (IsPolylinePath(o.output)) {
        std::vector<Polyline> lines;
        for (const PlanPolygon& polygon : plan) {
            for (Polyline loop : polygon.loops) {
                loop.push_back(loop.front());
                lines.push_back(loop);
            }
        }
        if (!WritePolylines(o.output, lines, &error)) return Fail("section: " + error);
        return kExitOk;
    }
    G3Surface all;
    for (const Section& section : sections) {
        if (section.polygons != nullptr) all.Copy(section.polygons.get());
    }
    return WriteResult(&all, o.output, o.asciiStl);
}

int RunSection(const Session& session, const SectionOptions& o) {
    TraceToStderr trace(session);
    if (o.planes.size() % 4 != 0) {  // the parser takes up to four numbers per --plane
        std::fprintf(stderr, "polykern: section: each --plane wants four numbers A B C D\n");
        std::fprintf(stderr, "Run with --help for more information.\n");
        return kExitUsage;
    }
    std::vector<CutPlane> planes;
    std::string error;
    if (!MakePlanes(o, &planes, &error)) return Fail("section: " + error);
    const bool polylines = IsPolylinePath(o.output);
    if (!polylines && !CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("section: cannot write this format: " + o.output);
    if (polylines) {
        for (const CutPlane& p : planes) {
            if (std::fabs(p.unit[2]) < kVertical)
                return Fail("section: the " + p.label +
                            " is vertical: its section has no area in plan; write a surface "
                            "format instead of polylines");
        }
    }
    std::unique_ptr<G3Surface> body = ReadBody("section", o.input, false);
    if (body == nullptr) return kExitFailed;
    if (!MeasureSurface(body.get()).closed)
        Fail("section: warning: the body is not closed; open outlines are left out");
    Progress(session, "sectioning " + std::to_string(body->GetFacetCount()) + " facets by " +
                          std::to_string(planes.size()) + " planes");

    std::vector<Section> sections(planes.size());
    G3BooleanCalculator bc;
    int total = 0;
    double totalArea = 0.0;
    for (std::size_t i = 0; i < planes.size(); ++i) {
        // The kernel takes facet-style planes a·x + b·y + c·z + d = 0.
        const double* u = planes[i].unit;
        const double facetPlane[4] = {u[0], u[1], u[2], -u[3]};
        G3Surface* out = nullptr;
        if (!bc.Divide(body.get(), 1, facetPlane, &out)) continue;
        sections[i].polygons.reset(out);
        const SurfaceReport r = MeasureSurface(out);
        sections[i].count = r.facets;
        sections[i].area = r.area;
        total += r.facets;
        totalArea += r.area;
    }
    if (total == 0) return Fail("section: no plane meets the body; nothing written");

    const std::vector<PlanPolygon> plan = PlanOf(sections);
    const int status = WriteSections(sections, plan, o);
    if (status != kExitOk) return status;
    if (!o.png.empty() &&
        !DrawPlanPng(plan, static_cast<int>(planes.size()), kPngWidth, kPngHeight, o.png, &error)) {
        std::remove(o.output.c_str());  // the drawing and the sections, or neither
        return Fail("section: " + error);
    }
    for (std::size_t i = 0; i < planes.size(); ++i) {
        std::printf("%s: %d polygons, area %s\n", planes[i].label.c_str(), sections[i].count,
                    ReportNumber(sections[i].area).c_str());
    }
    std::printf("%zu planes, %d polygons, area %s\n", planes.size(), total,
                ReportNumber(totalArea).c_str());
    return kExitOk;
}

}  // namespace

void AddSectionCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SectionOptions>();
    CLI::App* cmd = app.add_subcommand(
        "section",
        "Cut plane sections of a body: an outline with its holes is one polygon. OUT is a "
        "surface, or closed polylines in plan (x y, the format clip reads) for a .txt file; "
        "--png draws the plan. Prints each plane's polygon count and area. Planes that all "
        "miss the body are an error and write nothing");
    cmd->add_option("IN", o->input, "Body in any format convert reads")->required();
    CLI::Option_group* planes = cmd->add_option_group("planes", "The cutting planes");
    planes
        ->add_option("--z", o->z,
                     "Horizontal planes z = Z0, Z0 + STEP, ... up to Z1 (at most 100000)")
        ->expected(3)
        ->type_name("Z0 Z1 STEP");
    planes
        ->add_option("--plane", o->planes,
                     "A plane A B C D for A·x + B·y + C·z = D; repeat for more planes")
        ->expected(4)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("A B C D");
    planes->require_option(1);
    cmd->add_option("-o,--output", o->output,
                    "File to write: a surface format, or .txt for polylines")
        ->required();
    cmd->add_option("--png", o->png, "Also draw the sections in plan into this PNG file");
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunSection(session, *o); });
}

}  // namespace pkcli
