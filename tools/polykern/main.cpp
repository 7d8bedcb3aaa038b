// polykern: runs the kernel's main jobs on files, and a built-in demo.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "tools/polykern/CommandLine.h"

int main(int argc, char** argv) {
    CLI::App app{
        "polykern: inspect, clean, convert, simplify and render polyhedral surfaces, and clip "
        "polylines"};
    app.require_subcommand(1);
    app.fallthrough();
    pkcli::Session session;
    app.add_flag("-v,--verbose", session.verbose, "Show the kernel's progress on standard error");
    app.set_version_flag("--version", "polykern 0.1.0");

    pkcli::AddInfoCommand(app, session);
    pkcli::AddCleanCommand(app, session);
    pkcli::AddConvertCommand(app, session);
    pkcli::AddRenderCommand(app, session);
    pkcli::AddDemoCommand(app, session);
    pkcli::AddTriangulateCommand(app, session);
    pkcli::AddClipCommand(app, session);
    pkcli::AddSimplifyCommand(app, session);
    pkcli::AddBooleanCommand(app, session);
    pkcli::AddShellCommand(app, session);
    pkcli::AddSliceCommand(app, session);
    pkcli::AddSectionCommand(app, session);
    pkcli::AddBlendCommand(app, session);
    pkcli::AddSceneCommand(app, session);
    pkcli::AddSiteCommand(app, session);
    pkcli::AddOpeningsCommand(app, session);
    pkcli::AddPickCommand(app, session);
    pkcli::AddTerrainCommand(app, session);
    pkcli::AddPluginCommand(app, session);
    pkcli::AddRoofCommand(app, session);
    pkcli::AddRegionsCommand(app, session);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help, --version
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "polykern: %s\n", e.what());
        std::fprintf(stderr, "Run with --help for more information.\n");
        return pkcli::kExitUsage;
    }
    return session.status;
}
