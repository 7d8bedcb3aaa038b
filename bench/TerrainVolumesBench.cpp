// Cut and fill of one 20 x 20 m pad, 1 m over the ground and blended over 5 m, levelled
// into a terrain of random surveyed points (up to 1,000,000 over 1 km², about two
// triangles a point): the two sheets share all but the pad's triangles, which are the
// only ones overlaid.

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tools/polykern/TerrainVolumes.h"

namespace {

constexpr double kSize = 1000.0;

double Field(double x, double y) {
    return 50 + 8 * std::sin(x / 97.0) * std::cos(y / 131.0) + 3 * std::sin((x + 2 * y) / 41.0);
}

struct Sheets {
    std::unique_ptr<G3Surface> before, after;
    bool sameFootprint = false;
};

// The terrain of `points` seeded random points and the same terrain with the pad near its
// middle, made once per size.
const Sheets& SheetsOf(int points) {
    static std::map<int, Sheets> made;
    Sheets& s = made[points];
    if (s.before != nullptr) return s;
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> u(0.0, kSize);
    G3LandscapeHandler h;
    for (int i = 0; i < points; ++i) {
        const double x = u(rng), y = u(rng);
        const double xyz[3] = {x, y, Field(x, y)};
        h.AddVertex(xyz);
    }
    h.MakeTriangulation();
    s.before.reset(h.GetSurface());
    h.SetOffsetDistance(5.0);
    h.StartContour();
    const double c = 500.0, z = Field(c, c) + 1.0;
    h.AddContourVertex(c - 10, c - 10, z);
    h.AddContourVertex(c + 10, c - 10, z);
    h.AddContourVertex(c + 10, c + 10, z);
    h.AddContourVertex(c - 10, c + 10, z);
    h.EndContour();
    s.after.reset(h.ApplyFlatRegion(s.before.get()));
    if (s.after != nullptr) {
        const double a = pkcli::PlanArea(s.before.get()), b = pkcli::PlanArea(s.after.get());
        s.sameFootprint = std::fabs(a - b) <= 1e-6 * a;
    }
    return s;
}

void BM_TerrainCutFill(benchmark::State& state) {
    const Sheets& s = SheetsOf(int(state.range(0)));
    if (s.after == nullptr || !s.sameFootprint) {
        state.SkipWithError("the pad could not be levelled in whole");
        return;
    }
    double cut = 0.0, fill = 0.0;
    std::string error;
    for (auto _ : state) {
        if (!pkcli::TerrainCutFill(s.before.get(), s.after.get(), &cut, &fill, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(cut);
    }
    state.SetComplexityN(state.range(0));
    state.counters["triangles"] = s.before->GetFacetCount();
    state.counters["cut_m3"] = cut;
    state.counters["fill_m3"] = fill;
}

}  // namespace

BENCHMARK(BM_TerrainCutFill)
    ->Arg(15625)
    ->Arg(62500)
    ->Arg(250000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
