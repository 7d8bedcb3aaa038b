// polykern render IN OUT.png [--view iso|top|front] [--size WxH]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/SurfaceRender.h"

namespace pkcli {

namespace {

struct RenderCommandOptions {
    std::string input;
    std::string output;
    std::string view = "iso";
    std::string size = "800x600";
};

constexpr int kMaxSide = 8192;

bool ParseSize(const std::string& text, int* w, int* h) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%5dx%5d%c", w, h, &tail) == 2 && *w > 0 && *h > 0 &&
           *w <= kMaxSide && *h <= kMaxSide;
}

int RunRender(const Session& session, const RenderCommandOptions& o) {
    TraceToStderr trace(session);
    RenderOptions options;
    ParseSize(o.size, &options.width, &options.height);  // checked by the parser
    options.view = o.view == "top"     ? RenderView::Top
                   : o.view == "front" ? RenderView::Front
                                       : RenderView::Iso;
    std::string error;
    std::unique_ptr<G3Surface> s(ReadSurface(o.input, &error));
    if (s == nullptr) return Fail(error);
    if (!RenderSurfacePng(s.get(), o.output, options, &error)) return Fail(error);
    Progress(session, "wrote " + o.output);
    return kExitOk;
}

}  // namespace

void AddRenderCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<RenderCommandOptions>();
    CLI::App* cmd = app.add_subcommand(
        "render", "Draw a surface shaded, with its visible edges, into a PNG (no display needed)");
    cmd->add_option("IN", o->input, "Surface file to read")->required();
    cmd->add_option("OUT", o->output, "PNG file to write")->required();
    cmd->add_option("--view", o->view, "Direction of view")
        ->check(CLI::IsMember({"iso", "top", "front"}))
        ->capture_default_str();
    cmd->add_option("--size", o->size, "Picture size in pixels, WxH")
        ->check(
            [](const std::string& text) {
                int w, h;
                return ParseSize(text, &w, &h) ? std::string()
                                               : "want WxH, 1 to 8192 pixels each way";
            },
            "WxH")
        ->capture_default_str();
    cmd->callback([&session, o] { session.status = RunRender(session, *o); });
}

}  // namespace pkcli
