// The site workflow end to end: the bundled example (a few thousand survey points, two
// pads, a two-storey house and a garage), and a large site of 1,000,000 surveyed points
// with 20 buildings on 10 pads. Each stage's seconds are reported as counters, and the
// scene written as glTF. CGAL's Delaunay triangulation of the same survey runs beside the
// terrain stage in the same process (terrain_vs_cgal).

#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tools/polykern/SceneGltf.h"
#include "tools/polykern/SiteBuild.h"
#include "tools/polykern/SiteDescription.h"

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Builds the site and writes its scene, with the stage times as counters.
void BuildAndWrite(benchmark::State& state, const pkcli::SiteDescription& site) {
    pkcli::SiteModel model;
    for (auto _ : state) {
        std::string error;
        if (!pkcli::BuildSite(site, &model, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const Clock::time_point start = Clock::now();
        pkcli::SceneStats stats;
        const std::string path = "/tmp/polykern-site-bench-" + std::to_string(getpid()) + ".gltf";
        if (!pkcli::WriteSceneGltf(pkcli::SiteScene(model), path, &stats, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::remove(path.c_str());
        state.counters["s_gltf"] = Seconds(start);
    }
    double total = state.counters.count("s_gltf") ? double(state.counters["s_gltf"]) : 0.0;
    for (const pkcli::SiteStageTime& t : model.stages) {
        std::string key = "s_" + t.stage;
        for (char& c : key) c = c == ' ' ? '_' : c;
        state.counters[key] = t.seconds;
        total += t.seconds;
    }
    state.counters["s_total"] = total;
    state.counters["buildings"] = double(model.buildings.size());
}

void BM_SiteExample(benchmark::State& state) {
    pkcli::SiteDescription site;
    std::string error;
    if (!pkcli::ReadSiteDescription(PK_EXAMPLE_SITE, &site, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    BuildAndWrite(state, site);
}
BENCHMARK(BM_SiteExample)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

constexpr double kSize = 1000.0;

double Field(double x, double y) {
    return 300 + 0.01 * x + 6 * std::sin(x / 97.0) * std::cos(y / 131.0);
}

// 20 buildings on a 5 × 4 grid of cells, each an L of 14 × 10 m with two storeys, a hip
// roof, windows on its long walls and a door; every other one on a levelled pad.
pkcli::SiteDescription LargeSite(const std::string& survey) {
    pkcli::SiteDescription site;
    site.terrain.points = survey;
    for (int k = 0; k < 20; ++k) {
        const double x = 150 + 170 * (k % 5), y = 150 + 220 * (k / 5);
        pkcli::SiteBuilding b;
        b.name = "house " + std::to_string(k + 1);
        b.outline = {{x, y}, {x + 14, y}, {x + 14, y + 6}, {x + 7, y + 6}, {x + 7, y + 10}, {x, y + 10}};
        b.wallHeight = 6.0;
        b.wallThickness = 0.3;
        b.storeys = {{3.0, 0.25}, {3.0, 0.25}};
        b.openings.push_back({true, 0, 0, 1.0, 1.0, 0.0, 2.1});
        for (int s = 0; s < 2; ++s) {
            for (double at : {3.0, 6.0, 9.5}) b.openings.push_back({false, 0, s, at, 1.2, 0.9, 1.2});
            b.openings.push_back({false, 5, s, 3.0, 1.2, 0.9, 1.2});
        }
        b.roof.present = true;
        b.roof.pitches.assign(6, 35.0);
        b.roof.overhang = 0.4;
        b.roof.thickness = 0.2;
        if (k % 2 == 0) {
            site.pads.push_back({"pad " + std::to_string(k + 1),
                                 {{x - 3, y - 3}, {x + 17, y - 3}, {x + 17, y + 13}, {x - 3, y + 13}},
                                 Field(x + 7, y + 5),
                                 3.0});
        } else {
            b.hasBase = true;
            b.base = Field(x + 7, y + 5) - 1.0;
        }
        site.buildings.push_back(b);
    }
    return site;
}

void BM_SiteLarge(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string survey = "/tmp/polykern-site-bench-" + std::to_string(getpid()) + ".xyz";
    std::vector<Kernel::Point_2> points;
    {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> u(0.0, kSize);
        std::ofstream out(survey);
        char line[96];
        for (int i = 0; i < n; ++i) {
            const double x = 500000 + u(rng), y = 200000 + u(rng);
            std::snprintf(line, sizeof line, "%.3f %.3f %.3f\n", x, y, Field(x - 500000, y - 200000));
            out << line;
            points.emplace_back(x, y);
        }
    }
    pkcli::SiteDescription site = LargeSite(survey);
    for (pkcli::SitePad& p : site.pads) {
        for (pkcli::SitePoint& q : p.outline) q = {q.x + 500000, q.y + 200000};
    }
    for (pkcli::SiteBuilding& b : site.buildings) {
        for (pkcli::SitePoint& q : b.outline) q = {q.x + 500000, q.y + 200000};
    }
    BuildAndWrite(state, site);
    std::remove(survey.c_str());
    const Clock::time_point start = Clock::now();
    CGAL::Delaunay_triangulation_2<Kernel> dt(points.begin(), points.end());
    benchmark::DoNotOptimize(dt.number_of_faces());
    const double cgal = Seconds(start);
    state.counters["s_cgal_delaunay"] = cgal;
    if (state.counters.count("s_terrain"))
        state.counters["terrain_vs_cgal"] = state.counters["s_terrain"] / cgal;
}
BENCHMARK(BM_SiteLarge)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
