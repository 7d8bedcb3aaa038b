// polykern terrain POINTS -o OUT [--breaklines EDGES]
//                  [--pad OUTLINE --height Z --slope-width D]... [--smooth] [--solid]

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TVertex.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/ReaderText.h"
#include "tools/polykern/TerrainVolumes.h"

namespace pkcli {

namespace {

struct TerrainOptions {
    std::string points;
    std::string breaklines;
    std::string output;
    std::vector<std::string> pads;
    std::vector<double> heights;
    std::vector<double> slopeWidths;
    bool smooth = false;
    bool solid = false;
    bool asciiStl = false;
};

int RunTerrain(const Session& session, const TerrainOptions& o) {
    TraceToStderr trace(session);
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("cannot write this format: " + o.output);
    if (o.heights.size() != o.pads.size() || o.slopeWidths.size() != o.pads.size())
        return Fail("every --pad needs its own --height and --slope-width");
    std::string error;
    std::vector<double> xyz, pairs;
    if (!ReadNumbers(o.points, 3, &xyz, &error)) return Fail(error);
    if (!o.breaklines.empty() && !ReadNumbers(o.breaklines, 2, &pairs, &error)) return Fail(error);
    std::vector<std::vector<double>> outlines(o.pads.size());
    for (std::size_t p = 0; p < o.pads.size(); ++p) {
        if (!ReadNumbers(o.pads[p], 3, &outlines[p], &error)) return Fail(error);
        if (!std::isfinite(o.heights[p]) || !std::isfinite(o.slopeWidths[p]) ||
            !(std::fabs(o.slopeWidths[p]) >= 0.0001))
            return Fail("pad " + std::to_string(p + 1) +
                        ": the height and a slope width of at "
                        "least 0.0001 must be finite numbers");
    }

    G3LandscapeHandler h;
    const std::size_t n = xyz.size() / 3;
    std::vector<G3TVertex*> vertices(n);
    for (std::size_t i = 0; i < n; ++i) vertices[i] = h.AddVertex(&xyz[3 * i]);
    for (std::size_t k = 0; k < pairs.size(); k += 2) {
        const double a = pairs[k], b = pairs[k + 1];
        if (a != std::floor(a) || b != std::floor(b) || a < 0 || b < 0 || a >= double(n) ||
            b >= double(n)) {
            return Fail("break line " + std::to_string(k / 2 + 1) + " in " + o.breaklines +
                        " names no point (points are numbered from 0 to " +
                        std::to_string(n == 0 ? 0 : n - 1) + ")");
        }
        h.AddEdge(vertices[std::size_t(a)], vertices[std::size_t(b)]);
    }
    Progress(session, "triangulating " + std::to_string(n) + " points with " +
                          std::to_string(pairs.size() / 2) + " break lines");
    if (!h.MakeTriangulation()) return Fail("the points could not be triangulated");
    std::unique_ptr<G3Surface> terrain(h.GetSurface());
    if (terrain->GetFacetCount() == 0)
        return Fail("no triangles: fewer than three distinct points, or all on one line");
    const int skipped = h.GetConstraintCount() - h.GetInsertedConstraintCount();
    if (skipped > 0) {
        std::fprintf(stderr,
                     "polykern: warning: %d break lines stop where they cross an earlier one\n",
                     skipped);
    }
    std::printf("%zu points, %zu break lines: %d triangles over %d vertices, plan area %.6g\n", n,
                pairs.size() / 2, terrain->GetFacetCount(), terrain->GetVertexCount(),
                PlanArea(terrain.get()));

    for (std::size_t p = 0; p < o.pads.size(); ++p) {
        // Each pad on its own: its slope width, and no contour of an earlier pad.
        h.ClearContours();
        h.SetOffsetDistance(o.slopeWidths[p]);
        h.StartContour();
        const std::vector<double>& pts = outlines[p];
        for (std::size_t k = 0; k + 2 < pts.size(); k += 3)
            h.AddContourVertex(pts[k], pts[k + 1], o.heights[p]);
        if (!h.EndContour())
            return Fail("pad " + std::to_string(p + 1) + " (" + o.pads[p] +
                        "): the outline needs three points or more, an area and no crossings");
        Progress(session, "levelling pad " + std::to_string(p + 1));
        std::unique_ptr<G3Surface> next(h.ApplyFlatRegion(terrain.get()));
        if (next == nullptr)
            return Fail("pad " + std::to_string(p + 1) + " (" + o.pads[p] +
                        ") lies off the terrain or could not be cut in");
        // Each pad's figures are against the terrain just before it, so that they add up
        // over the pads to the change of the whole terrain.
        double cut = 0.0, fill = 0.0;
        if (!TerrainCutFill(terrain.get(), next.get(), &cut, &fill, &error))
            return Fail("pad " + std::to_string(p + 1) + ": " + error);
        terrain = std::move(next);
        std::printf("pad %zu: %d triangles, plan area %.6g, cut %.6g, fill %.6g\n", p + 1,
                    terrain->GetFacetCount(), PlanArea(terrain.get()), cut, fill);
    }
    if (o.smooth) {
        Progress(session, "smoothing");
        std::unique_ptr<G3Surface> smooth(h.LandscapeSmoothing(terrain.get(), 4, 1));
        if (smooth == nullptr || smooth->GetFacetCount() == 0) return Fail("smoothing failed");
        terrain = std::move(smooth);
        std::printf("smoothed: %d triangles over %d vertices\n", terrain->GetFacetCount(),
                    terrain->GetVertexCount());
    }
    if (o.solid) {
        const int before = terrain->GetFacetCount();
        h.SurfaceCover(terrain.get());
        if (terrain->GetFacetCount() == before)
            return Fail("the terrain could not be closed: its rim is not one simple loop");
        std::printf("solid: %d facets\n", terrain->GetFacetCount());
    }
    const int status = WriteResult(terrain.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("written to %s\n", o.output.c_str());
    return kExitOk;
}

}  // namespace

void AddTerrainCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<TerrainOptions>();
    CLI::App* cmd = app.add_subcommand(
        "terrain",
        "Build a terrain from surveyed points (x y z per line) and break lines, level flat pads "
        "into it, smooth it and close it into a solid");
    cmd->add_option("POINTS", o->points, "Points file: x y z per line")->required();
    cmd->add_option("--breaklines", o->breaklines,
                    "Break lines file: two point numbers per line, counted from 0");
    cmd->add_option("--pad", o->pads,
                    "Pad outline file: x y z per line (z is replaced by --height)");
    cmd->add_option("--height", o->heights, "Height of the matching --pad");
    cmd->add_option("--slope-width", o->slopeWidths,
                    "Width of the band that blends the matching --pad into the terrain");
    cmd->add_flag("--smooth", o->smooth, "Smooth the terrain once (edge midpoints, slopes)");
    cmd->add_flag("--solid", o->solid, "Close the terrain into a solid down to z = 0");
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunTerrain(session, *o); });
}

}  // namespace pkcli
