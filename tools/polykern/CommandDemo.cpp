// polykern demo [--out DIR]

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <memory>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/DemoScene.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceRender.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

struct DemoOptions {
    std::string out = "out";
};

// Makes DIR and its missing parents.
bool MakeFolder(const std::string& dir, std::string* error) {
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at < dir.size() && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            *error = "cannot create folder " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = "not a folder: " + dir;
        return false;
    }
    return true;
}

int RunDemo(const Session& session, const DemoOptions& o) {
    TraceToStderr trace(session);
    std::string error;
    if (!MakeFolder(o.out, &error)) return Fail(error);

    Progress(session, "building the demo scene");
    std::unique_ptr<G3Surface> scene(BuildDemoScene());
    const SurfaceReport r = MeasureSurface(scene.get());
    std::printf("demo scene: a floor slab with a stair opening, walls with a door and windows\n");
    std::printf(
        "  %d vertices, %d edges, %d facets (%d with a hole), %s, volume %.4f m3, "
        "area %.4f m2\n",
        r.vertices, r.edges, r.facets, r.holes, r.closed ? "closed" : "open", r.volume, r.area);

    const std::string base = o.out + "/demo";
    for (const char* ext : {".dump", ".wrl", ".gltf"}) {
        const std::string path = base + ext;
        Progress(session, "writing " + path);
        if (!WriteSurface(scene.get(), path, false, &error)) return Fail(error);
        std::printf("wrote %s\n", path.c_str());
    }
    RenderOptions view;
    view.width = 1024;
    view.height = 640;
    const std::string png = base + ".png";
    Progress(session, "rendering " + png);
    if (!RenderSurfacePng(scene.get(), png, view, &error)) return Fail(error);
    std::printf("wrote %s\n", png.c_str());
    return kExitOk;
}

}  // namespace

void AddDemoCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<DemoOptions>();
    CLI::App* cmd = app.add_subcommand(
        "demo",
        "Build a small building from built-in data and write it as dump, VRML, glTF and PNG");
    cmd->add_option("--out", o->out, "Folder to write into (made if missing)")
        ->capture_default_str();
    cmd->callback([&session, o] { session.status = RunDemo(session, *o); });
}

}  // namespace pkcli
