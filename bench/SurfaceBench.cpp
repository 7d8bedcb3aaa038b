// Building surfaces facet by facet and in bulk: the cost per facet must stay flat as
// meshes grow. Only the building is timed; releasing the surface is not.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceShapes.h"

namespace {

std::unique_ptr<G3Surface> Grid(int n) {
    return std::unique_ptr<G3Surface>(pktest::MakeGrid(n, n));
}

std::unique_ptr<G3Surface> Sphere(int slices, int stacks) {
    return std::unique_ptr<G3Surface>(pktest::MakeSphere(slices, stacks));
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

void BM_GridSurface(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const auto start = Clock::now();
        auto grid = Grid(n);
        state.SetIterationTime(Seconds(start, Clock::now()));
        benchmark::DoNotOptimize(grid.get());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n * n);  // facets per second
    state.SetComplexityN(2 * n * n);
}

// The same n × n grid from one coordinate array and one corner array.
void BM_GridSurfaceBulk(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> xyz;
    xyz.reserve(3 * static_cast<std::size_t>(n + 1) * (n + 1));
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) xyz.insert(xyz.end(), {double(i), double(j), 0.0});
    }
    std::vector<int> corners;
    corners.reserve(6 * static_cast<std::size_t>(n) * n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            corners.insert(corners.end(), {a, b, c, a, c, d});
        }
    }
    const std::vector<int> counts(2 * static_cast<std::size_t>(n) * n, 3);
    for (auto _ : state) {
        const auto start = Clock::now();
        auto grid = std::make_unique<G3Surface>();
        grid->AddIndexedFacets(static_cast<int>(xyz.size() / 3), xyz.data(),
                               static_cast<int>(counts.size()), counts.data(),
                               static_cast<int>(corners.size()), corners.data(), nullptr, 1);
        state.SetIterationTime(Seconds(start, Clock::now()));
        benchmark::DoNotOptimize(grid.get());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n * n);
    state.SetComplexityN(2 * n * n);
}

void BM_SphereSurface(benchmark::State& state) {
    const int slices = static_cast<int>(state.range(0));
    const int stacks = slices / 2;
    int facets = 0;
    for (auto _ : state) {
        auto sphere = Sphere(slices, stacks);
        facets = sphere->GetFacetCount();
        benchmark::DoNotOptimize(sphere.get());
    }
    state.SetItemsProcessed(state.iterations() * facets);
    state.SetComplexityN(facets);
    state.counters["facets"] = facets;
}

void GridSizes(benchmark::internal::Benchmark* b) {
    b->Arg(8)->Arg(32)->Arg(128)->Arg(512)->Arg(1000);
    // Several rounds even for the largest grid, after a warm-up: the first build of a
    // process pays for fresh pages from the system, which on a virtual machine can cost
    // more than the build itself and varies from run to run.
    b->UseManualTime()->MinWarmUpTime(1.0)->MinTime(2.0)->Unit(benchmark::kMillisecond);
    b->Complexity();
}

BENCHMARK(BM_GridSurface)->Apply(GridSizes);
BENCHMARK(BM_GridSurfaceBulk)->Apply(GridSizes);
// 316 slices × 158 stacks is 99 224 facets.
BENCHMARK(BM_SphereSurface)
    ->Arg(28)
    ->Arg(80)
    ->Arg(316)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
