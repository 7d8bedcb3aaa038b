// polykern plugin-boolean union|difference|intersection A B -o OUT [--plugin FILE]
//
// The same job as `boolean`, driven the way a host drives the modeler plug-in: the plug-in
// is loaded by file name, both solids go to it as plane bodies (A's planes with material 1,
// B's with material 2), and its result body comes back as a surface. Prints the volumes and
// how many of the result's planes came from each operand.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polykern/foundation/GDynamicClass.h"
#include "polykern/model/G3Surface.h"
#include "polykern/modeler/G3AbstractModeler.h"
#include "sheetlink/Sheetlink_Body.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct PluginOptions {
    std::string operation;
    std::string a;
    std::string b;
    std::string output;
    std::string plugin = "libModelbridge.so";
    bool asciiStl = false;
};

// The loaded plug-in, and every body it handed out, released in the right order: bodies
// and surfaces first, the library last.
class PluginSession {
public:
    ~PluginSession() {
        surface.reset();
        for (Sheetlink_Body* body : m_Bodies) modeler->DeleteBody(body);
        GDynamicClass::Unload(&m_Class);
    }
    bool Load(const std::string& file) {
        if (GDynamicClass::Load(&m_Class, file.c_str()) != 1) return false;
        modeler = dynamic_cast<G3AbstractModeler*>(m_Class);
        return modeler != nullptr;
    }
    Sheetlink_Body* Keep(Sheetlink_Body* body) {
        if (body != nullptr) m_Bodies.push_back(body);
        return body;
    }

    G3AbstractModeler* modeler = nullptr;
    std::unique_ptr<G3Surface> surface;

private:
    GDynamicClass* m_Class = nullptr;
    std::vector<Sheetlink_Body*> m_Bodies;
};

// Reads a closed solid; null with the failure reported.
std::unique_ptr<G3Surface> ReadSolid(const std::string& path, const char* name) {
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(path, &error));
    if (s == nullptr) {
        Fail("plugin-boolean: " + std::string(name) + ": " + error);
        return nullptr;
    }
    if (!MeasureSurface(s.get()).closed) {
        Fail("plugin-boolean: " + std::string(name) + " is not closed (" + path + ")");
        return nullptr;
    }
    s->FormPlaneEquation();
    return s;
}

// The solid as a body of the plug-in, every plane with `material`.
Sheetlink_Body* ToBody(PluginSession& p, G3Surface* s, unsigned short material) {
    Sheetlink_Body* body = nullptr;
    p.modeler->GetBodyRepresentation(s, &body, false);
    for (int i = 0; body != nullptr && i < body->GetNumPlanes(); ++i)
        body->SetMaterialForIndexedPlane(i, material);
    return p.Keep(body);
}

int RunPluginBoolean(const Session& session, const PluginOptions& o) {
    TraceToStderr trace(session);
    if (!CanWrite(FormatOfPath(o.output, o.asciiStl)))
        return Fail("plugin-boolean: cannot write this format: " + o.output);
    std::unique_ptr<G3Surface> a = ReadSolid(o.a, "A");
    if (a == nullptr) return kExitFailed;
    std::unique_ptr<G3Surface> b = ReadSolid(o.b, "B");
    if (b == nullptr) return kExitFailed;
    PluginSession p;
    if (!p.Load(o.plugin)) return Fail("plugin-boolean: cannot load the modeler " + o.plugin);
    Sheetlink_Body* bodyA = ToBody(p, a.get(), 1);
    Sheetlink_Body* bodyB = ToBody(p, b.get(), 2);
    if (bodyA == nullptr || bodyB == nullptr) return Fail("plugin-boolean: an operand is empty");
    Progress(session, o.operation + " of " + std::to_string(bodyA->GetNumPlanes()) + " and " +
                          std::to_string(bodyB->GetNumPlanes()) + " planes through " + o.plugin);
    G3AbstractModeler* m = p.modeler;
    Sheetlink_Body* result = p.Keep(
        o.operation == "union"        ? m->BooleanAdd(bodyA, nullptr, bodyB, nullptr, nullptr)
        : o.operation == "difference" ? m->BooleanSub(bodyA, nullptr, bodyB, nullptr, nullptr)
                                      : m->BooleanCommon(bodyA, nullptr, bodyB, nullptr, nullptr));
    if (result == nullptr) return Fail("plugin-boolean: the result is empty");
    int fromA = 0, fromB = 0;
    for (int i = 0; i < result->GetNumPlanes(); ++i) {
        const unsigned short material = result->GetMaterialForIndexedPlane(i);
        fromA += material == 1 ? 1 : 0;
        fromB += material == 2 ? 1 : 0;
    }
    p.surface.reset(m->GetFacetRepresentation(result, 0));
    if (p.surface == nullptr) return Fail("plugin-boolean: the result body makes no surface");
    const SurfaceReport r = MeasureSurface(p.surface.get());
    if (!r.closed) Fail("plugin-boolean: warning: the result is not closed");
    const int status = WriteResult(p.surface.get(), o.output, o.asciiStl);
    if (status != kExitOk) return status;
    std::printf(
        "volume A %s, B %s, result %s\n", std::to_string(MeasureSurface(a.get()).volume).c_str(),
        std::to_string(MeasureSurface(b.get()).volume).c_str(), std::to_string(r.volume).c_str());
    std::printf("planes %d: %d from A, %d from B\n", result->GetNumPlanes(), fromA, fromB);
    return kExitOk;
}

}  // namespace

void AddPluginCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<PluginOptions>();
    CLI::App* cmd = app.add_subcommand(
        "plugin-boolean",
        "The boolean command run through the modeler plug-in, loaded by file name: both "
        "solids go to it as plane bodies and its result comes back");
    cmd->add_option("OPERATION", o->operation, "union, difference or intersection")
        ->required()
        ->check(CLI::IsMember({"union", "difference", "intersection"}));
    cmd->add_option("A", o->a, "First solid")->required();
    cmd->add_option("B", o->b, "Second solid")->required();
    cmd->add_option("-o,--output", o->output, "File to write; its extension names the format")
        ->required();
    cmd->add_option("--plugin", o->plugin, "The plug-in's file (default libModelbridge.so)");
    cmd->add_flag("--ascii-stl", o->asciiStl, "Write STL as text instead of binary");
    cmd->callback([&session, o] { session.status = RunPluginBoolean(session, *o); });
}

}  // namespace pkcli
