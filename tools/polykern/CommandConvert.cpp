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
    int status;
    std::unique_ptr<G3Surface> s = ReadForWriting(o.input, o.output, o.asciiStl, &status);
    if (s == nullptr) return status;
    Progress(session, "read " + o.input + ": " + std::to_string(s->GetFacetCount()) + " facets");
    status = WriteResult(s.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
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
