// Building surfaces facet by facet: the cost per facet must stay flat as meshes grow.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/model/G3Surface.h"

namespace {

// An n × n grid of unit cells, two triangles per cell.
std::unique_ptr<G3Surface> Grid(int n) {
    auto grid = std::make_unique<G3Surface>((n + 1) * (n + 1), 0, 2 * n * n);
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) grid->AddVertex(i, j, 0, 0);
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            const int t1[3] = {a, b, c};
            const int t2[3] = {a, c, d};
            grid->AddFacet(3, t1, 1, nullptr, nullptr);
            grid->AddFacet(3, t2, 1, nullptr, nullptr);
        }
    }
    return grid;
}

// A closed sphere of `slices` × `stacks` cells: triangle fans at the poles, quads split
// in two between them.
std::unique_ptr<G3Surface> Sphere(int slices, int stacks) {
    const int rings = stacks - 1;
    auto s = std::make_unique<G3Surface>(slices * rings + 2, 0, 2 * slices * stacks);
    const double pi = 3.141592653589793;
    for (int r = 1; r <= rings; ++r) {
        const double phi = pi * r / stacks;
        for (int k = 0; k < slices; ++k) {
            const double theta = 2 * pi * k / slices;
            s->AddVertex(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta),
                         std::cos(phi), 0);
        }
    }
    const int north = s->GetVertexCount();
    s->AddVertex(0, 0, 1, 0);
    const int south = s->GetVertexCount();
    s->AddVertex(0, 0, -1, 0);
    auto at = [slices](int r, int k) { return r * slices + (k % slices); };
    for (int k = 0; k < slices; ++k) {
        const int top[3] = {north, at(0, k), at(0, k + 1)};
        s->AddFacet(3, top, 1, nullptr, nullptr);
        const int bottom[3] = {south, at(rings - 1, k + 1), at(rings - 1, k)};
        s->AddFacet(3, bottom, 1, nullptr, nullptr);
    }
    for (int r = 0; r + 1 < rings; ++r) {
        for (int k = 0; k < slices; ++k) {
            const int t1[3] = {at(r, k), at(r + 1, k), at(r + 1, k + 1)};
            const int t2[3] = {at(r, k), at(r + 1, k + 1), at(r, k + 1)};
            s->AddFacet(3, t1, 1, nullptr, nullptr);
            s->AddFacet(3, t2, 1, nullptr, nullptr);
        }
    }
    return s;
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
