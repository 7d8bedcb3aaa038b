// The surface simplifier beside meshoptimizer called directly, on the same spheres in the
// same run: about 25k, 100k and 400k triangles, each brought to a tenth. The benchmark's
// own time is QSlimSimplifier's (reading the surface, the adapter's simplification and
// building the result surface); the counters give meshopt_simplify's time on the same
// welded index buffer and the ratio of the two, which shows what the kernel's conversions
// add.

#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <chrono>
#include <memory>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The sphere's triangles as meshoptimizer takes them: one index per vertex.
struct IndexBuffer {
    std::vector<unsigned> index;
    std::vector<float> positions;
};

IndexBuffer ToIndexBuffer(const G3Surface& s) {
    IndexBuffer b;
    for (int i = 0; i < s.GetVertexCount(); ++i) {
        const double* p = s.GetVertex(i)->GetXYZ();
        for (int k = 0; k < 3; ++k) b.positions.push_back(static_cast<float>(p[k]));
    }
    for (int i = 0; i < s.GetFacetCount(); ++i) {
        G3Vertex* v[3];
        s.GetFacet(i)->GetVertices(v);
        for (const G3Vertex* corner : v) b.index.push_back(static_cast<unsigned>(corner->GetId()));
    }
    return b;
}

void BM_QSlimSimplifierSphere(benchmark::State& state) {
    const int slices = static_cast<int>(state.range(0));
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(slices, slices));
    const int target = sphere->GetFacetCount() / 10;
    const IndexBuffer buffer = ToIndexBuffer(*sphere);
    std::vector<unsigned> kept(buffer.index.size());

    double kernel = 0, meshopt = 0;
    int after = 0;
    std::size_t meshoptAfter = 0;
    for (auto _ : state) {
        G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
        const auto k0 = Clock::now();
        std::unique_ptr<G3Surface> out(G3Surface::QSlimSimplifier(
            sphere.get(), CHECK_LEVEL_NONE, target, G3Surface::QSLIM_TYPE_DEFAULT, res, nullptr));
        const double k = Seconds(k0, Clock::now());
        if (out == nullptr) {
            state.SkipWithError("the simplifier adapter was not found");
            return;
        }
        after = out->GetFacetCount();
        out.reset();

        const auto m0 = Clock::now();
        meshoptAfter = meshopt_simplify(kept.data(), buffer.index.data(), buffer.index.size(),
                                        buffer.positions.data(), buffer.positions.size() / 3,
                                        3 * sizeof(float), 3 * static_cast<std::size_t>(target),
                                        1.0f, 0, nullptr) /
                       3;
        const double m = Seconds(m0, Clock::now());
        benchmark::DoNotOptimize(kept.data());
        kernel += k;
        meshopt += m;
        state.SetIterationTime(k);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["meshopt_ms"] = 1e3 * meshopt / runs;
    state.counters["ratio"] = kernel / meshopt;
    state.counters["triangles"] = after;
    state.counters["meshopt_triangles"] = static_cast<double>(meshoptAfter);
    state.SetComplexityN(sphere->GetFacetCount());
}

}  // namespace

// Slices = stacks: 2·n·(n − 1) triangles, 24,864 to 400,512.
BENCHMARK(BM_QSlimSimplifierSphere)
    ->Arg(112)
    ->Arg(224)
    ->Arg(448)
    ->UseManualTime()
    ->MinTime(1.5)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
