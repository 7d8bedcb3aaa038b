// polykern simplify IN OUT (--ratio R | --facets N) [--lock-border]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"

namespace pkcli {

namespace {

struct SimplifyOptions {
    std::string input;
    std::string output;
    double ratio = 0.0;
    int facets = 0;
    bool lockBorder = false;
    bool asciiStl = false;
};

// Shows the simplifier's progress and messages with --verbose.
class CommandsToStderr : public G3Surface::QSLIMCommandsBase {
public:
    explicit CommandsToStderr(const Session& session) : m_Session(session) {}
    void Message(const char* text) override { pkcli::Progress(m_Session, text); }

private:
    const Session& m_Session;
};

const char* Why(G3Surface::QSLIM_RES res) {
    switch (res) {
        case G3Surface::QSLIM_RES_BAD_INPUT:
            return "the surface has a vertex that is not finite, or the target is out of range";
        case G3Surface::QSLIM_RES_NOT_TRIANGLES:
            return "a facet could not be split into triangles";
        case G3Surface::QSLIM_RES_OUT_OF_MEMORY:
            return "out of memory";
        case G3Surface::QSLIM_RES_CANCELLED:
            return "cancelled";
        default:
            return "the simplifier library libReducerlink.so was not found beside libPolykern.so";
    }
}

int RunSimplify(const Session& session, const SimplifyOptions& o) {
    TraceToStderr trace(session);
    int status;
    std::unique_ptr<G3Surface> s = ReadForWriting(o.input, o.output, o.asciiStl, &status);
    if (s == nullptr) return status;
    if (s->GetFacetCount() == 0) return Fail("no facets in " + o.input);

    const G3Surface::QSLIM_TYPE type =
        o.lockBorder ? G3Surface::QSLIM_TYPE_LOCK_BORDER : G3Surface::QSLIM_TYPE_DEFAULT;
    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    CommandsToStderr commands(session);
    Progress(session, "simplifying " + std::to_string(s->GetFacetCount()) + " facets");
    std::unique_ptr<G3Surface> out(
        o.facets > 0
            ? G3Surface::QSlimSimplifier(s.get(), CHECK_LEVEL_NONE, o.facets, type, res, &commands)
            : G3Surface::QSlimSimplifier(s.get(), CHECK_LEVEL_NONE, o.ratio, type, res, &commands));
    if (out == nullptr) return Fail(std::string("cannot simplify ") + o.input + ": " + Why(res));
    status = WriteResult(out.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("before  %d facets, %d vertices\nafter   %d facets, %d vertices%s\n",
                s->GetFacetCount(), s->GetVertexCount(), out->GetFacetCount(),
                out->GetVertexCount(),
                res == G3Surface::QSLIM_RES_TARGET_NOT_REACHED ? " (target not reached)" : "");
    return kExitOk;
}

}  // namespace

void AddSimplifyCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SimplifyOptions>();
    CLI::App* cmd = app.add_subcommand(
        "simplify",
        "Reduce the triangle count by edge collapses, keeping each material's region apart");
    AddSurfaceFiles(cmd, &o->input, &o->output, &o->asciiStl);
    CLI::Option* ratio =
        cmd->add_option("--ratio", o->ratio, "Keep this share of the triangles, in (0, 1]")
            ->check(CLI::Range(0.0, 1.0));
    CLI::Option* facets =
        cmd->add_option("--facets", o->facets, "Bring the triangle count down to N")
            ->check(CLI::PositiveNumber);
    ratio->excludes(facets);
    cmd->add_flag("--lock-border", o->lockBorder, "Keep every vertex of the open boundary");
    cmd->callback([&session, o, ratio, facets] {
        if ((ratio->count() == 0 && facets->count() == 0) ||
            (ratio->count() != 0 && !(o->ratio > 0.0))) {
            std::fprintf(stderr, "polykern: simplify needs --ratio R in (0, 1] or --facets N\n");
            session.status = kExitUsage;
            return;
        }
        session.status = RunSimplify(session, *o);
    });
}

}  // namespace pkcli
