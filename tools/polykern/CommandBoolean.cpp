// polykern boolean union|difference|intersection A B -o OUT [--ascii-stl]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/RefusalCatcher.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct BooleanOptions {
    std::string operation;
    std::string a;
    std::string b;
    std::string output;
    bool asciiStl = false;
};

// Reads one operand and checks that it bounds a solid; null with the failure reported.
std::unique_ptr<G3Surface> ReadOperand(const std::string& path, const char* name) {
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(path, &error));
    if (s == nullptr) {
        Fail("boolean: " + std::string(name) + ": " + error);
        return nullptr;
    }
    const SurfaceReport r = MeasureSurface(s.get());
    if (!r.closed) {
        Fail("boolean: " + std::string(name) + " is not closed (" + path + ": " +
             std::to_string(r.openEdges) + " open edges, " + std::to_string(r.nonManifoldEdges) +
             " non-manifold)");
        return nullptr;
    }
    s->FormPlaneEquation();
    return s;
}

// Runs the operation on a and b, which it consumes; null when the calculator returned
// nothing, with *refusal set to its reason when it refused the pair.
G3Surface* Combine(const std::string& operation, G3Surface* a, G3Surface* b, std::string* refusal) {
    RefusalCatcher catcher;
    G3BooleanCalculator bc;
    G3Surface* r = operation == "union"        ? bc.Add(a, b)
                   : operation == "difference" ? bc.Sub(a, b)
                                               : bc.Common(a, b);
    *refusal = catcher.Refusal();
    return r;
}

int RunBoolean(const Session& session, const BooleanOptions& o) {
    TraceToStderr trace(session);
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("boolean: cannot write this format: " + o.output);
    std::unique_ptr<G3Surface> a = ReadOperand(o.a, "A");
    if (a == nullptr) return kExitFailed;
    std::unique_ptr<G3Surface> b = ReadOperand(o.b, "B");
    if (b == nullptr) return kExitFailed;
    const double va = MeasureSurface(a.get()).volume;
    const double vb = MeasureSurface(b.get()).volume;
    Progress(session, o.operation + " of " + std::to_string(a->GetFacetCount()) + " and " +
                          std::to_string(b->GetFacetCount()) + " facets");

    std::string refusal;
    std::unique_ptr<G3Surface> r(Combine(o.operation, a.release(), b.release(), &refusal));
    if (r == nullptr) {
        if (!refusal.empty()) return Fail("boolean: refused: " + refusal);
        return Fail("boolean: the result is empty");
    }
    const SurfaceReport result = MeasureSurface(r.get());
    if (!result.closed) Fail("boolean: warning: the result is not closed");
    const int status = WriteResult(r.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf("volume A %s, B %s, result %s\n", std::to_string(va).c_str(),
                std::to_string(vb).c_str(), std::to_string(result.volume).c_str());
    return kExitOk;
}

}  // namespace

void AddBooleanCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<BooleanOptions>();
    CLI::App* cmd = app.add_subcommand(
        "boolean",
        "Union, difference (A minus B) or intersection of two closed solids in any format "
        "convert reads; prints the signed volumes of A, B and the result");
    cmd->add_option("OPERATION", o->operation, "union, difference or intersection")
        ->required()
        ->check(CLI::IsMember({"union", "difference", "intersection"}));
    cmd->add_option("A", o->a, "First solid")->required();
    cmd->add_option("B", o->b, "Second solid")->required();
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunBoolean(session, *o); });
}

}  // namespace pkcli
