// The roof generator beside CGAL's interior straight skeleton, on the same seeded outlines
// in the same run: random star-shaped outlines and random orthogonal (skyline) outlines of
// 100 to 2000 corners. Each benchmark's own time is the whole roof road (outline, planes,
// skeleton, facets written into a surface); the counters give CGAL's time for the skeleton
// alone on the same polygon and the ratio roof / CGAL.

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/create_straight_skeleton_2.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Clock = std::chrono::steady_clock;
constexpr double kPi = 3.14159265358979323846;

struct XY {
    double x, y;
};

// One corner in each of n equal sectors, counter-clockwise.
std::vector<XY> Star(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> within(0.05, 0.95), radius(30.0, 100.0);
    std::vector<XY> p;
    for (int i = 0; i < n; ++i) {
        const double a = (i + within(rng)) * 2 * kPi / n;
        const double r = radius(rng);
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

// A straight bottom and a skyline of whole-metre steps: counter-clockwise, n corners.
std::vector<XY> Skyline(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> height(5, 20);
    const int steps = (n - 2) / 2;
    std::vector<XY> p = {{0, 0}, {2.0 * steps, 0}};
    int last = -1;
    for (int i = steps - 1; i >= 0; --i) {
        int h = height(rng);
        if (h == last) h = h == 20 ? 19 : h + 1;  // a step at every corner
        last = h;
        p.push_back({2.0 * (i + 1), double(h)});
        p.push_back({2.0 * i, double(h)});
    }
    return p;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double RunRoof(const std::vector<XY>& outline, int* facets) {
    GArrayCollection points, pitches;
    for (const XY& q : outline) {
        points.add(new G3Point(q.x, q.y, 0.0, 0));
        pitches.add(new G3RoofAngle(35.0 * kPi / 180.0));
    }
    auto roof = std::make_unique<G3Surface>();
    const auto start = Clock::now();
    {
        G3RoofGenerator gen(roof.get(), 0.0, 0.0, 0.0);
        G3RoofVertex* first = nullptr;
        if (!gen.PrepareContour(&points, &pitches, &first) ||
            !gen.FirstLevelInitialization(first) || !gen.MakeRoof(first, nullptr)) {
            *facets = -1;
        }
    }
    const double t = Seconds(start, Clock::now());
    if (*facets == 0) *facets = roof->GetFacetCount();
    points.clear(true);
    pitches.clear(true);
    return t;
}

double RunCgal(const std::vector<XY>& outline, std::size_t* faces) {
    CGAL::Polygon_2<Kernel> polygon;
    for (const XY& q : outline) polygon.push_back(Kernel::Point_2(q.x, q.y));
    const auto start = Clock::now();
    auto skeleton =
        CGAL::create_interior_straight_skeleton_2(polygon.vertices_begin(), polygon.vertices_end());
    const double t = Seconds(start, Clock::now());
    *faces = skeleton ? skeleton->size_of_faces() : 0;
    return t;
}

void SideBySide(benchmark::State& state, const std::vector<XY>& outline) {
    double roof = 0, cgal = 0;
    int facets = 0;
    std::size_t faces = 0;
    for (auto _ : state) {
        facets = 0;
        const double r = RunRoof(outline, &facets);
        cgal += RunCgal(outline, &faces);
        roof += r;
        state.SetIterationTime(r);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cgal_ms"] = 1e3 * cgal / runs;
    state.counters["ratio"] = roof / cgal;
    state.counters["facets"] = facets;
    state.counters["cgal_faces"] = static_cast<double>(faces);
    state.SetComplexityN(static_cast<int64_t>(outline.size()));
}

void BM_RoofStar(benchmark::State& state) {
    SideBySide(state, Star(static_cast<int>(state.range(0)), 42));
}

void BM_RoofOrthogonal(benchmark::State& state) {
    SideBySide(state, Skyline(static_cast<int>(state.range(0)), 42));
}

}  // namespace

BENCHMARK(BM_RoofStar)
    ->Arg(100)
    ->Arg(500)
    ->Arg(2000)
    ->UseManualTime()
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_RoofOrthogonal)
    ->Arg(100)
    ->Arg(500)
    ->Arg(2000)
    ->UseManualTime()
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
