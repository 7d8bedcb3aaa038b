// The planar triangulator beside CGAL's constrained Delaunay triangulation, on the same
// seeded point sets in the same run: random points from 1e3 to 1e6, a 1000 × 1000 grid,
// and random points with 1e4 non-crossing constraints. Each benchmark's own time is the
// engine's (adding the vertices and triangulating); the counters give CGAL's time on the
// same input and the ratio engine / CGAL. The surface the engine hands back is timed apart,
// and to_surface_ratio sets the whole road from points to surface beside CGAL's insert.

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel>;
using Clock = std::chrono::steady_clock;

struct Input {
    std::vector<std::array<double, 3>> points;
    std::vector<std::pair<int, int>> constraints;  // indices into points
};

Input RandomPoints(int n, unsigned seed) {
    Input in;
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> d(0.0, 1000.0);
    in.points.resize(static_cast<std::size_t>(n));
    for (auto& p : in.points) p = {d(rng), d(rng), d(rng) * 0.01};
    return in;
}

Input Grid(int side) {
    Input in;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) in.points.push_back({double(i), double(j), 0.0});
    return in;
}

// Random points plus `count` constraints, one inside each cell of a square grid of cells,
// so that no two cross; their endpoints are points of their own.
Input WithConstraints(int n, int count, unsigned seed) {
    Input in = RandomPoints(n, seed);
    std::mt19937_64 rng(seed + 1);
    std::uniform_real_distribution<double> d(0.05, 0.95);
    int side = 1;
    while (side * side < count) ++side;
    const double cell = 1000.0 / side;
    for (int k = 0; k < count; ++k) {
        const double x = (k % side) * cell, y = (k / side) * cell;
        const int a = static_cast<int>(in.points.size());
        in.points.push_back({x + d(rng) * cell, y + d(rng) * cell, 0.0});
        in.points.push_back({x + d(rng) * cell, y + d(rng) * cell, 0.0});
        in.constraints.emplace_back(a, a + 1);
    }
    return in;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Adding the vertices and constraints and triangulating; the interface is returned so that
// its release stays out of the time.
double RunEngine(const Input& in, std::unique_ptr<G3TriInterface>& out) {
    const auto start = Clock::now();
    out = std::make_unique<G3TriInterface>();
    std::vector<G3TVertex*> v;
    v.reserve(in.points.size());
    for (const auto& p : in.points) v.push_back(out->AddVertex(p.data()));
    for (const auto& [a, b] : in.constraints) out->AddEdge(v[a], v[b]);
    out->MakeTriangulation();
    return Seconds(start, Clock::now());
}

double RunCgal(const Input& in, std::size_t* faces) {
    std::vector<Kernel::Point_2> pts;
    pts.reserve(in.points.size());
    for (const auto& p : in.points) pts.emplace_back(p[0], p[1]);
    const auto start = Clock::now();
    auto cdt = std::make_unique<Cdt>();
    if (in.constraints.empty()) {
        cdt->insert(pts.begin(), pts.end());
    } else {
        cdt->insert_constraints(pts.begin(), pts.end(), in.constraints.begin(),
                                in.constraints.end());
    }
    const double t = Seconds(start, Clock::now());
    *faces = cdt->number_of_faces();
    cdt.reset();
    return t;
}

void SideBySide(benchmark::State& state, const Input& in) {
    double engine = 0, cgal = 0, surface = 0;
    int triangles = 0;
    std::size_t cgalFaces = 0;
    for (auto _ : state) {
        std::unique_ptr<G3TriInterface> tri;
        const double e = RunEngine(in, tri);
        const auto s0 = Clock::now();
        std::unique_ptr<G3Surface> s(tri->GetSurface());
        surface += Seconds(s0, Clock::now());
        triangles = tri->GetMesh()->GetTriangleCount();
        s.reset();
        tri.reset();
        const double c = RunCgal(in, &cgalFaces);
        engine += e;
        cgal += c;
        state.SetIterationTime(e);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cgal_ms"] = 1e3 * cgal / runs;
    state.counters["ratio"] = engine / cgal;
    state.counters["surface_ms"] = 1e3 * surface / runs;
    // Points to surface: the engine and its surface against CGAL's insert alone.
    state.counters["to_surface_ratio"] = (engine + surface) / cgal;
    state.counters["triangles"] = triangles;
    state.counters["cgal_faces"] = static_cast<double>(cgalFaces);
    state.SetComplexityN(static_cast<int64_t>(in.points.size()));
}

void BM_TriangulateRandom(benchmark::State& state) {
    SideBySide(state, RandomPoints(static_cast<int>(state.range(0)), 42));
}

void BM_TriangulateGrid(benchmark::State& state) {
    SideBySide(state, Grid(static_cast<int>(state.range(0))));
}

void BM_TriangulateConstrained(benchmark::State& state) {
    SideBySide(state, WithConstraints(static_cast<int>(state.range(0)), 10000, 42));
}

}  // namespace

// At least three runs of each, so that the first run's fresh pages do not decide the ratio.
// Both sides are warmed up first: a process's first large build pays for fresh pages from
// the system, which varies from run to run.
BENCHMARK(BM_TriangulateRandom)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->UseManualTime()
    ->MinWarmUpTime(1.0)
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK(BM_TriangulateGrid)
    ->Arg(1000)
    ->UseManualTime()
    ->MinTime(1.5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangulateConstrained)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);
