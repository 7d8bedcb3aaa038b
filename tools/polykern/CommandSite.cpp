// polykern site SITE.json (--check | -o OUTDIR) [--progress]

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/CommandLine.h"
#include "tools/polykern/MeshFiles.h"
#include "tools/polykern/PlanDrawing.h"
#include "tools/polykern/SceneGltf.h"
#include "tools/polykern/SiteBuild.h"
#include "tools/polykern/SiteDescription.h"
#include "tools/polykern/SiteImages.h"
#include "tools/polykern/SurfaceRender.h"

namespace pkcli {

namespace {

struct SiteOptions {
    std::string input;
    std::string output;
    bool check = false;
    bool progress = false;
};

// Whether a trace line is a progress line, "stage: done/total".
bool IsProgress(const char* message) {
    const char* p = std::strrchr(message, ' ');
    if (p == nullptr || p == message || p[-1] != ':') return false;
    ++p;
    const char* slash = std::strchr(p, '/');
    if (slash == nullptr || slash == p || slash[1] == '\0') return false;
    for (const char* c = p; *c != '\0'; ++c) {
        if (c != slash && (*c < '0' || *c > '9')) return false;
    }
    return true;
}

bool g_Verbose = false;

// Progress lines always, the kernel's other trace lines with --verbose.
void PrintProgress(const char* message) {
    if (message != nullptr && (g_Verbose || IsProgress(message)))
        std::fprintf(stderr, "polykern: %s\n", message);
}

// Installs the progress printer for one scope.
class ProgressToStderr {
public:
    explicit ProgressToStderr(bool on) {
        if (on) m_Previous = GTrace::SetReceiver(PrintProgress), m_On = true;
    }
    ~ProgressToStderr() {
        if (m_On) GTrace::SetReceiver(m_Previous);
    }
    ProgressToStderr(const ProgressToStderr&) = delete;
    ProgressToStderr& operator=(const ProgressToStderr&) = delete;

private:
    GTrace::Receiver m_Previous = nullptr;
    bool m_On = false;
};

int CheckOnly(const SiteOptions& o, const SiteDescription& site) {
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

nlohmann::json ReportOf(const SiteModel& m, const std::vector<std::string>& plans) {
    nlohmann::json r;
    r["terrain"] = {{"survey_points", m.surveyPoints}, {"facets", m.terrainFacets},
                    {"closed", m.terrainClosed},       {"bottom", m.terrainBottom},
                    {"survey_volume", m.surveyVolume}, {"volume", m.terrainVolume}};
    r["pads"] = nlohmann::json::array();
    for (const SitePadFigures& p : m.pads)
        r["pads"].push_back({{"name", p.name}, {"cut", p.cut}, {"fill", p.fill}});
    r["buildings"] = nlohmann::json::array();
    for (const SiteBuildingFigures& b : m.buildings) {
        r["buildings"].push_back({{"name", b.name},
                                  {"base", b.base},
                                  {"gross_volume", b.grossVolume},
                                  {"wall_area", b.wallArea},
                                  {"slab_area", b.slabArea},
                                  {"roof_area", b.roofArea},
                                  {"volume", b.volume},
                                  {"openings", b.openings},
                                  {"closed", b.closed},
                                  {"floors", b.floors}});
    }
    r["plans"] = plans;
    return r;
}

void PrintSummary(const SiteModel& m) {
    std::printf("terrain: %lld survey points, %d facets, %s, volume %.3f (surveyed %.3f)\n",
                m.surveyPoints, m.terrainFacets, m.terrainClosed ? "closed" : "NOT closed",
                m.terrainVolume, m.surveyVolume);
    for (const SitePadFigures& p : m.pads)
        std::printf("pad %s: cut %.3f, fill %.3f\n", p.name.c_str(), p.cut, p.fill);
    for (const SiteBuildingFigures& b : m.buildings) {
        std::printf(
            "building %s: gross volume %.3f, wall area %.3f, slab area %.3f, roof area %.3f, "
            "%d openings, %s\n",
            b.name.c_str(), b.grossVolume, b.wallArea, b.slabArea, b.roofArea, b.openings,
            b.closed ? "closed" : "NOT closed");
    }
}

// Makes the folder and any missing folder above it.
bool MakeFolder(const std::string& path, std::string* error) {
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) break;
        if (at == std::string::npos) break;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    *error = "cannot make the folder " + path + ": " + std::strerror(errno);
    return false;
}

// The plans: one per storey number, each building cut 1 m above its own floor of that
// storey.
bool WritePlans(const SiteModel& m,
                const std::vector<SceneElement>& scene,
                const std::string& folder,
                std::vector<std::string>* names,
                std::string* error) {
    std::size_t storeys = 0;
    for (const SiteBuildingFigures& b : m.buildings) storeys = std::max(storeys, b.floors.size());
    for (std::size_t k = 0; k < storeys; ++k) {
        std::vector<PlanPolygon> plan;
        for (std::size_t i = 0; i < m.buildings.size(); ++i) {
            const SiteBuildingFigures& b = m.buildings[i];
            if (k >= b.floors.size()) continue;
            std::vector<SceneElement> bodies;
            for (std::size_t e = 0; e < m.bodies.size(); ++e) {
                if (m.bodies[e].building == static_cast<int>(i) && m.bodies[e].kind != SceneKind::Slab)
                    bodies.push_back(scene[e]);
            }
            if (!CutPlanSections(bodies, b.floors[k] + 1.0, &plan, error)) return false;
        }
        const std::string name = "plan-" + std::to_string(k + 1) + ".png";
        if (!DrawPlanPng(plan, static_cast<int>(SceneKind::Glass) + 1, 1200, 900, folder + "/" + name,
                         error))
            return false;
        names->push_back(name);
    }
    return true;
}

int RunSite(const Session& session, const SiteOptions& o) {
    g_Verbose = session.verbose;
    SiteDescription site;
    std::string error;
    if (!ReadSiteDescription(o.input, &site, &error)) return Fail("site: " + error);
    if (o.check) return CheckOnly(o, site);
    if (o.output.empty()) return Fail("site: give -o OUTDIR, or --check");
    SiteModel model;
    ProgressToStderr progress(o.progress);
    if (!BuildSite(site, &model, &error))
        return Fail("site: " + o.input + ": " + error + "; nothing written");
    if (!MakeFolder(o.output, &error)) return Fail("site: " + error);
    const std::vector<SceneElement> scene = SiteScene(model);
    SceneStats stats;
    GTrace::Progress("writing", 0, 5);
    if (!WriteSceneGltf(scene, o.output + "/site.gltf", &stats, &error))
        return Fail("site: " + error);
    G3Surface all;
    for (const SiteBody& b : model.bodies) all.Copy(b.surface.get());
    GTrace::Progress("writing", 1, 5);
    if (!WriteSurface(&all, o.output + "/site.dump", false, &error)) return Fail("site: " + error);
    GTrace::Progress("writing", 2, 5);
    RenderOptions picture;
    picture.width = 1200;
    picture.height = 900;
    if (!RenderScenePng(scene, o.output + "/site.png", picture, &error))
        return Fail("site: " + error);
    GTrace::Progress("writing", 3, 5);
    std::vector<std::string> plans;
    if (!WritePlans(model, scene, o.output, &plans, &error)) return Fail("site: " + error);
    GTrace::Progress("writing", 4, 5);
    {
        std::ofstream report(o.output + "/report.json");
        report << ReportOf(model, plans).dump(2) << "\n";
        if (!report) return Fail("site: cannot write " + o.output + "/report.json");
    }
    GTrace::Progress("writing", 5, 5);
    PrintSummary(model);
    std::printf("written to %s: site.gltf (%d nodes), site.dump, site.png, %zu plans, report.json\n",
                o.output.c_str(), stats.nodes, plans.size());
    return kExitOk;
}

}  // namespace

void AddSiteCommand(CLI::App& app, Session& session) {
    auto o = std::make_shared<SiteOptions>();
    CLI::App* cmd = app.add_subcommand(
        "site",
        "Build a whole site from its description (terrain, pads, buildings with storeys, "
        "openings and roofs, slab openings; see docs/site-format.md): writes site.gltf, "
        "site.dump, site.png, a plan per storey and report.json into OUTDIR");
    cmd->add_option("SITE", o->input, "The site description (JSON)")->required();
    cmd->add_option("-o,--output", o->output, "The folder to write the results into");
    cmd->add_flag("--check", o->check, "Only validate the description and print what it holds");
    cmd->add_flag("--progress", o->progress,
                  "Report each stage's progress on standard error (stage: done/total)");
    cmd->callback([&session, o] { session.status = RunSite(session, *o); });
}

}  // namespace pkcli
