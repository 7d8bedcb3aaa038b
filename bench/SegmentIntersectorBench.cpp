// The segment sweep over random short segments: the cost per segment must grow no faster
// than log n when the number of crossings per segment stays constant.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"

namespace {

class CrossingCounter : public G3IntersectionPointLoader {
public:
    void LoadPoint(double*, void*, void*, double, double) override { ++count; }
    long count = 0;
};

// n segments in the unit square with random directions and length 2 / sqrt(n), so each
// crosses about 8 / pi others whatever n is (about 4n / pi crossings in all). Six doubles per
// segment: p then q.
std::vector<double> RandomSegments(int n) {
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double half = 1.0 / std::sqrt(static_cast<double>(n));
    const double pi = 3.141592653589793;
    std::vector<double> xyz;
    xyz.reserve(6 * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double cx = unit(rng), cy = unit(rng), a = 2 * pi * unit(rng);
        const double dx = half * std::cos(a), dy = half * std::sin(a);
        for (double v : {cx - dx, cy - dy, 0.0, cx + dx, cy + dy, 0.0}) xyz.push_back(v);
    }
    return xyz;
}

// Filling the intersector and one full query, as a contour self-intersection check runs.
void BM_SegmentIntersector(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> xyz = RandomSegments(n);
    long crossings = 0;
    for (auto _ : state) {
        G3LineSegmentIntersector intersector(0, 1);
        for (int k = 0; k < n; ++k) {
            const double* p = &xyz[6 * static_cast<std::size_t>(k)];
            intersector.AddSegment(p, p + 3, nullptr);
        }
        CrossingCounter counter;
        intersector.FindIntersections(&counter);
        crossings = counter.count;
        benchmark::DoNotOptimize(crossings);
    }
    state.SetComplexityN(n);
    state.counters["crossings"] = static_cast<double>(crossings);
}

BENCHMARK(BM_SegmentIntersector)
    ->RangeMultiplier(8)
    ->Range(8, 8 << 14)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace
