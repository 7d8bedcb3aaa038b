// Tracing contours out of loose edges, and resolving a polygon's self-intersections.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

const double kXY[4] = {0, 0, 1, 0};

// A seeded star-shaped polygon of n vertices as a closed edge list. With a jitter, each
// vertex's angle moves by up to that many steps, so that neighbours swap and their edges
// cross.
void Star(G3Surface& owner, G3EdgeList& list, int n, unsigned seed = 99, double jitter = 0.0) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> radius(5.0, 10.0), shift(-jitter, jitter);
    G3Vertex* first = nullptr;
    G3Vertex* prev = nullptr;
    for (int k = 0; k < n; ++k) {
        const double angle = 2 * 3.141592653589793 * (k + (jitter > 0 ? shift(rng) : 0.0)) / n;
        const double r = radius(rng);
        G3Vertex* v = owner.AddVertex(r * std::cos(angle), r * std::sin(angle), 0, 0);
        if (prev != nullptr) list.AddEdge(prev, v, nullptr, nullptr, nullptr, nullptr, 1);
        if (first == nullptr) first = v;
        prev = v;
    }
    list.AddEdge(prev, first, nullptr, nullptr, nullptr, nullptr, 1);
    list.SetPlane(kXY);
}

// Times `run` on the edge list of an n-pointed star; it fills the contour collection.
template <class Run>
void OnStar(benchmark::State& state, Run run) {
    const int n = static_cast<int>(state.range(0));
    G3Surface owner;
    G3EdgeList list(1, 1);
    Star(owner, list, n);
    for (auto _ : state) {
        GArrayCollection out;
        run(list, owner, out);
        benchmark::DoNotOptimize(out.size());
        out.clear(true);
    }
    state.SetComplexityN(n);
}

void BM_FormContours(benchmark::State& state) {
    OnStar(state,
           [](G3EdgeList& list, G3Surface&, GArrayCollection& out) { list.FormContours(&out); });
}

void BM_RemoveSelfIntersections(benchmark::State& state) {
    OnStar(state, [](G3EdgeList& list, G3Surface& owner, GArrayCollection& out) {
        list.RemoveSelfIntersections(&out, &owner, false, UNION_EDGE_SPLIT, 0);
    });
}

// A star whose neighbouring vertices swap now and then: about n/4 crossings. The list is
// split in place, so every run starts from a fresh copy.
void BM_RemoveSelfIntersectionsCrossing(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    int crossings = 0, contours = 0;
    for (auto _ : state) {
        state.PauseTiming();
        G3Surface owner;
        G3EdgeList list(1, 1);
        Star(owner, list, n, 7, 2.7);
        GArrayCollection out;
        const int before = owner.GetVertexCount();
        state.ResumeTiming();
        list.RemoveSelfIntersections(&out, &owner, false, UNION_EDGE_SPLIT, 0);
        state.PauseTiming();
        crossings = owner.GetVertexCount() - before;
        contours = out.size();
        out.clear(true);
        state.ResumeTiming();
    }
    state.counters["crossings"] = crossings;
    state.counters["contours"] = contours;
    state.SetComplexityN(n);
}

void StarSizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(8)
        ->Range(4096, 8 << 14)
        ->Unit(benchmark::kMillisecond)
        ->Complexity(benchmark::oNLogN);
}

BENCHMARK(BM_FormContours)->Apply(StarSizes);
BENCHMARK(BM_RemoveSelfIntersections)->Apply(StarSizes);
BENCHMARK(BM_RemoveSelfIntersectionsCrossing)->Apply(StarSizes);

}  // namespace
