// Welding vertices and orienting facets on meshes of growing size.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceShapes.h"

namespace {

// An n × n grid of triangles in which every triangle has its own three corners, so that
// welding has 6n² vertices to merge into (n + 1)².
std::unique_ptr<G3Surface> LooseGrid(int n) {
    auto s = std::make_unique<G3Surface>(6 * n * n, 0, 2 * n * n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double t1[3][3] = {
                {double(i), double(j), 0}, {i + 1.0, double(j), 0}, {i + 1.0, j + 1.0, 0}};
            const double t2[3][3] = {
                {double(i), double(j), 0}, {i + 1.0, j + 1.0, 0}, {double(i), j + 1.0, 0}};
            for (const auto* t : {t1, t2}) {
                G3Vertex* v[3];
                for (int k = 0; k < 3; ++k) v[k] = s->AddVertex(t[k], 0);
                s->AddFacet(3, v, 1, nullptr, nullptr);
            }
        }
    }
    return s;
}

void BM_RemoveEqualsVertex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto s = LooseGrid(n);
        state.ResumeTiming();
        s->RemoveEqualsVertex();
        benchmark::DoNotOptimize(s->GetVertexCount());
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(2 * n * n);
    state.counters["facets"] = 2.0 * n * n;
}

// A grid whose triangles start turned at random, oriented again.
void BM_OrientNormals2(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<G3Surface> s(pktest::MakeGrid(n, n));
        std::mt19937 rng(5);
        for (int i = 0; i < s->GetFacetCount(); ++i) {
            if (rng() % 2 == 0) s->GetFacet(i)->NegPlane();
        }
        state.ResumeTiming();
        s->OrientNormals2(true);
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(2 * n * n);
    state.counters["facets"] = 2.0 * n * n;
}

// 2n² facets: about 10k, 80k, 320k and 1.1M.
void GridSizes(benchmark::internal::Benchmark* b) {
    b->Arg(71)->Arg(200)->Arg(400)->Arg(708)->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK(BM_RemoveEqualsVertex)->Apply(GridSizes);
BENCHMARK(BM_OrientNormals2)->Apply(GridSizes);

}  // namespace
