// polykern shell IN OUT --thickness T: hollows a closed solid, leaving walls T thick.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "polykern/boolean/G3SolidsBuilder.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct ShellOptions {
    std::string input;
    std::string output;
    double thickness = 0.0;
    bool asciiStl = false;
};

int RunShell(const Session& session, const ShellOptions& o) {
    TraceToStderr trace(session);
    int status;
    std::unique_ptr<G3Surface> s = ReadForWriting(o.input, o.output, o.asciiStl, &status);
    if (s == nullptr) return status;
    const SurfaceReport before = MeasureSurface(s.get());
    if (!before.closed || s->GetFacetCount() == 0)
        return Fail("shell: " + o.input + " is not a closed solid");
    s->FormPlaneEquation();
    G3Surface* inner = nullptr;
    if (!G3SolidsBuilder::Shell(s.get(), &inner, o.thickness, nullptr))
        return Fail("shell: no cavity is left inside " + o.input + " at thickness " +
                    std::to_string(o.thickness));
    std::unique_ptr<G3Surface> cavity(inner);
    // The solid and its inner shell together bound the walls' material.
    s->Copy(cavity.get());
    status = WriteResult(s.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("volume solid %s, walls %s\n", std::to_string(before.volume).c_str(),
                std::to_string(MeasureSurface(s.get()).volume).c_str());
    return kExitOk;
}

}  // namespace

void AddShellCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<ShellOptions>();
    CLI::App* cmd = app.add_subcommand(
        "shell", "Hollow a closed solid, leaving walls of the given thickness inside it");
    AddSurfaceFiles(cmd, &o->input, &o->output, &o->asciiStl);
    cmd->add_option("--thickness", o->thickness, "Wall thickness, in model units")
        ->required()
        ->check(CLI::PositiveNumber);
    cmd->callback([&session, o] { session.status = RunShell(session, *o); });
}

}  // namespace pkcli
