// polykern site SITE.json --check

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/polykern/CommandLine.h"
#include "tools/polykern/SiteDescription.h"

namespace pkcli {

namespace {

struct SiteOptions {
    std::string input;
    bool check = false;
};

int RunSite(const SiteOptions& o) {
    if (!o.check)
        return Fail(
            "site: building the site model is not available in this version; --check "
            "validates the description");
    SiteDescription site;
    std::string error;
    if (!ReadSiteDescription(o.input, &site, &error)) return Fail("site: " + error);
    std::size_t openings = 0, roofs = 0, storeys = 0;
    for (const SiteBuilding& b : site.buildings) {
        openings += b.openings.size();
        roofs += b.roof.present ? 1 : 0;
        storeys += b.storeys.size();
    }
    std::printf(
        "%s: valid: terrain from %s, %zu pads, %zu buildings (%zu storeys, %zu roofs, "
        "%zu openings), %zu slab openings\n",
        o.input.c_str(), site.terrain.grid ? "a grid of heights" : "survey points",
        site.pads.size(), site.buildings.size(), storeys, roofs, openings,
        site.slabOpenings.size());
    return kExitOk;
}

}  // namespace

void AddSiteCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SiteOptions>();
    CLI::App* cmd = app.add_subcommand(
        "site",
        "Check a site description (terrain, pads, buildings with storeys, openings and roofs, "
        "slab openings; see docs/site-format.md) and name the element and field at fault");
    cmd->add_option("SITE", o->input, "The site description (JSON)")->required();
    cmd->add_flag("--check", o->check, "Validate the description and print what it holds");
    cmd->callback([&session, o] { session.status = RunSite(*o); });
}

}  // namespace pkcli
