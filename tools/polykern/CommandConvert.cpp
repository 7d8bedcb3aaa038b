// polykern convert IN OUT [--ascii-stl]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"

namespace pkcli {

namespace {

struct ConvertOptions {
    std::string input;
    std::string output;
    bool asciiStl = false;
};

int RunConvert(const Session& session, const ConvertOptions& o) {
    TraceToStderr trace(session);
    const MeshFormat to = FormatOfPath(o.output, o.asciiStl);
    if (!CanWrite(to)) return Fail("cannot write this format: " + o.output);
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(o.input, &error));
    if (s == nullptr) return Fail(error);
    Progress(session, "read " + o.input + ": " + std::to_string(s->GetFacetCount()) + " facets");
    int inexact = 0;
    if (!WriteSurface(s.get(), o.output, o.asciiStl, &error, &inexact)) return Fail(error);
    if (inexact > 0) {
        std::fprintf(stderr,
                     "polykern: warning: %d facets could not be triangulated exactly (their "
                     "outlines cross themselves); holes dropped or split as a fan\n",
                     inexact);
    }
    Progress(session, "wrote " + o.output);
    return kExitOk;
}

}  // namespace

void AddConvertCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<ConvertOptions>();
    CLI::App* cmd = app.add_subcommand(
        "convert",
        "Convert between the text dump, OBJ, STL, PLY, glTF (read and write), OFF (read) and "
        "VRML (write); triangle-only formats get the kernel's facet triangulation");
    AddSurfaceFiles(cmd, &o->input, &o->output, &o->asciiStl);
    cmd->callback([&session, o] { session.status = RunConvert(session, *o); });
}

}  // namespace pkcli
