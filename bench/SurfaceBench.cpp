// Building surfaces facet by facet: the cost per facet must stay flat as meshes grow.

#include <benchmark/benchmark.h>

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

void BM_GridSurface(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto grid = Grid(n);
        benchmark::DoNotOptimize(grid.get());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n * n);  // facets per second
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

BENCHMARK(BM_GridSurface)
    ->Arg(8)
    ->Arg(32)
    ->Arg(128)
    ->Arg(512)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
// 316 slices × 158 stacks is 99 224 facets.
BENCHMARK(BM_SphereSurface)
    ->Arg(28)
    ->Arg(80)
    ->Arg(316)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
