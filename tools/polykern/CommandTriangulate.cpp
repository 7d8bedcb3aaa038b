// polykern triangulate POINTS [--constraints EDGES] -o OUT

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

struct TriangulateOptions {
    std::string points;
    std::string constraints;
    std::string output;
    bool asciiStl = false;
};

}  // namespace

// Reads lines of `count` numbers each ('#' starts a comment; blank lines are skipped).
// False with *error naming the file and line of the first bad one.
namespace {

int RunTriangulate(const Session& session, const TriangulateOptions& o) {
    TraceToStderr trace(session);
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("cannot write this format: " + o.output);
    std::string error;
    std::vector<double> xyz, pairs;
    if (!ReadNumbers(o.points, 3, &xyz, &error)) return Fail(error);
    if (!o.constraints.empty() && !ReadNumbers(o.constraints, 2, &pairs, &error))
        return Fail(error);

    G3TriInterface tri;
    const std::size_t n = xyz.size() / 3;
    std::vector<G3TVertex*> vertices(n);
    for (std::size_t i = 0; i < n; ++i) vertices[i] = tri.AddVertex(&xyz[3 * i]);
    for (std::size_t k = 0; k < pairs.size(); k += 2) {
        const double a = pairs[k], b = pairs[k + 1];
        if (a != std::floor(a) || b != std::floor(b) || a < 0 || b < 0 || a >= double(n) ||
            b >= double(n)) {
            return Fail("constraint " + std::to_string(k / 2 + 1) + " in " + o.constraints +
                        " names no point (points are numbered from 0 to " +
                        std::to_string(n == 0 ? 0 : n - 1) + ")");
        }
        tri.AddEdge(vertices[static_cast<std::size_t>(a)], vertices[static_cast<std::size_t>(b)]);
    }
    Progress(session, "triangulating " + std::to_string(n) + " points with " +
                          std::to_string(pairs.size() / 2) + " constraints");
    if (!tri.MakeTriangulation()) return Fail("the points could not be triangulated");
    std::unique_ptr<G3Surface> s(tri.GetSurface());
    if (s->GetFacetCount() == 0)
        return Fail("no triangles: fewer than three distinct points, or all on one line");
    const int skipped = tri.GetConstraintCount() - tri.GetInsertedConstraintCount();
    if (skipped > 0) {
        std::fprintf(stderr,
                     "polykern: warning: %d constraints stop where they cross an earlier one\n",
                     skipped);
    }
    const int status = WriteResult(s.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("%d triangles over %d vertices, written to %s\n", s->GetFacetCount(),
                s->GetVertexCount(), o.output.c_str());
    return kExitOk;
}

}  // namespace

void AddTriangulateCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<TriangulateOptions>();
    CLI::App* cmd = app.add_subcommand(
        "triangulate",
        "Delaunay-triangulate points in plan (x y z per line), with constraint edges forced in");
    cmd->add_option("POINTS", o->points, "Points file: x y z per line")->required();
    cmd->add_option("--constraints", o->constraints,
                    "Constraints file: two point numbers per line, counted from 0");
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunTriangulate(session, *o); });
}

}  // namespace pkcli
