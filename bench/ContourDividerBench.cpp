// The contour divider and intersector on random overlapping rectangles, as the host's plan
// clean-up meets them: n rectangles scattered over a square whose side grows with √n, so
// that each overlaps a few others whatever n is.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "polykern/regions/G3ContourDivider.h"
#include "polykern/regions/G3ContourIntersector.h"

namespace {

struct Rect {
    double x0, y0, x1, y1;
};

std::vector<Rect> Rectangles(int n, unsigned seed = 2026) {
    std::mt19937 rng(seed);
    const double side = 2.0 * std::sqrt(static_cast<double>(n));
    std::uniform_real_distribution<double> at(0.0, side), size(0.5, 2.5);
    std::vector<Rect> rects;
    for (int k = 0; k < n; ++k) {
        const double x = at(rng), y = at(rng);
        rects.push_back({x, y, x + size(rng), y + size(rng)});
    }
    return rects;
}

// Counts what comes back, so that nothing is optimised away.
class Counter : public G3ContourDivider {
public:
    void BeginUnloadContour(int edgeCount, bool) override {
        ++contours;
        edges += edgeCount;
    }
    long contours = 0, edges = 0;
};

class UnionCounter : public G3ContourIntersector {
public:
    void UnloadBegin(int) override {}
    void ContourBeginUnload(double*) override { ++contours; }
    void ContourUnloadSegment(double*, SEGMENT_TYPE, int) override {}
    void ContourEndUnload() override {}
    void UnloadEnd() override {}
    long contours = 0;
};

void BM_ContourDividerRectangles(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<Rect> rects = Rectangles(n);
    long contours = 0;
    for (auto _ : state) {
        Counter divider;
        divider.BeginLoad(0, 0);
        for (const Rect& r : rects) {
            double c[4][3] = {{r.x0, r.y0, 0}, {r.x1, r.y0, 0}, {r.x1, r.y1, 0}, {r.x0, r.y1, 0}};
            divider.BeginLoadContour();
            for (int k = 0; k < 4; ++k) divider.LoadEdge(c[k], c[(k + 1) % 4], 1, 0, 0);
            divider.EndLoadContour();
        }
        divider.EndLoad();
        contours = divider.contours;
        benchmark::DoNotOptimize(divider.edges);
    }
    state.counters["contours"] = static_cast<double>(contours);
    state.SetComplexityN(n);
}

void BM_ContourIntersectorRectangles(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<Rect> rects = Rectangles(n);
    long contours = 0;
    for (auto _ : state) {
        UnionCounter u;
        u.LoadBegin(0, 1);
        for (const Rect& r : rects) {
            double c[4][3] = {{r.x0, r.y0, 0}, {r.x1, r.y0, 0}, {r.x1, r.y1, 0}, {r.x0, r.y1, 0}};
            u.ContourBeginLoad(c[0]);
            for (int k = 1; k < 4; ++k) u.ContourLoadSegment(c[k], SEGMENT_LINE, k);
            u.ContourEndLoad(SEGMENT_LINE, 0);
        }
        u.LoadEnd();
        u.DoIntersect(BOOLEAN_OPERATION_ALL);
        contours = u.contours;
    }
    state.counters["contours"] = static_cast<double>(contours);
    state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(BM_ContourDividerRectangles)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_ContourIntersectorRectangles)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
