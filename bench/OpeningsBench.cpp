// Openings cut by the hole maker beside the same openings cut by Boolean subtractions, and
// picking through the facet octree beside a scan of every facet.
//
// BM_OpeningsHoleMaker: the slab of BM_OpeningsSlab (BooleanBench.cpp), 2n × 2n × 0.3 as six
// quads, with a 0.5 × 0.5 opening in the middle of each 2 × 2 cell of its n × n grid, all
// made in one MakeHoles (n = 20: 400 openings). The time is the hole maker's (outlines
// stored and holes made); boolean_ms is the same job done as BM_OpeningsSlab does it, one
// subtraction of a 0.5 × 0.5 × 1 box at a time, and ratio is hole maker / Booleans.
//
// BM_QuadraTreePick: the octree built over a UV sphere of 2·slices·stacks triangles, then
// random lines through the sphere picked exactly (tree query, then the trace over the
// candidates). Its time is the picking; build_ms is the tree's build, and scan_ms the same
// picking done by tracing through every facet, timed on 100 of the segments and scaled.
// speedup = scan / tree.

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/openings/G3HoleMaker.h"
#include "polykern/spatial/G3QuadraSurfaceTree.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The box (x0, y0, z0)–(x1, y1, z1) as six quads, corners as BooleanBench numbers them.
std::unique_ptr<G3Surface> Box(double x0, double y0, double z0, double x1, double y1, double z1) {
    std::vector<double> xyz;
    for (int k = 0; k < 8; ++k)
        xyz.insert(xyz.end(), {k & 1 ? x1 : x0, k & 2 ? y1 : y0, k & 4 ? z1 : z0});
    const int corners[] = {0, 2, 3, 1, 4, 5, 7, 6, 0, 1, 5, 4, 2, 6, 7, 3, 0, 4, 6, 2, 1, 3, 7, 5};
    const int counts[] = {4, 4, 4, 4, 4, 4};
    auto s = std::make_unique<G3Surface>(8, 0, 6);
    s->AddIndexedFacets(8, xyz.data(), 6, counts, 24, corners, nullptr, 1);
    return s;
}

double Volume(const G3Surface* s) {
    if (s == nullptr || s->GetVertexCount() == 0) return 0;
    double v = 0;
    const double* o = s->GetVertex(0)->GetXYZ();
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (!f->GetLoops(starts, ends)) continue;
        int begin = 0;
        for (int end : ends) {
            const double* a = starts[begin]->GetXYZ();
            for (int k = begin + 1; k + 1 < end; ++k) {
                const double* b = starts[k]->GetXYZ();
                const double* c = starts[k + 1]->GetXYZ();
                const double p[3] = {a[0] - o[0], a[1] - o[1], a[2] - o[2]};
                const double q[3] = {b[0] - o[0], b[1] - o[1], b[2] - o[2]};
                const double r[3] = {c[0] - o[0], c[1] - o[1], c[2] - o[2]};
                v += (p[0] * (q[1] * r[2] - q[2] * r[1]) - p[1] * (q[0] * r[2] - q[2] * r[0]) +
                      p[2] * (q[0] * r[1] - q[1] * r[0])) /
                     6;
            }
            begin = end;
        }
    }
    return v;
}

// The n × n openings, one outline of four corners per cell, at mid-thickness.
std::vector<std::array<double, 12>> Outlines(int n) {
    std::vector<std::array<double, 12>> out;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double x = 1 + 2 * i, y = 1 + 2 * j, h = 0.25, z = 0.15;
            out.push_back({x - h, y - h, z, x + h, y - h, z, x + h, y + h, z, x - h, y + h, z});
        }
    }
    return out;
}

double RunBooleans(int n, double* volume) {
    auto slab = Box(0, 0, 0, 2 * n, 2 * n, 0.3);
    std::vector<std::unique_ptr<G3Surface>> boxes;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double x = 1 + 2 * i, y = 1 + 2 * j;
            boxes.push_back(Box(x - 0.25, y - 0.25, -0.35, x + 0.25, y + 0.25, 0.65));
        }
    }
    G3Surface* s = slab.release();
    const auto t0 = Clock::now();
    for (auto& b : boxes) {
        s = G3BooleanCalculator().Sub(s, b.release());
        if (s == nullptr) break;
    }
    const double seconds = Seconds(t0, Clock::now());
    std::unique_ptr<G3Surface> last(s);
    *volume = Volume(last.get());
    return seconds;
}

void BM_OpeningsHoleMaker(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto outlines = Outlines(n);
    const double up[3] = {0, 0, 1};
    double volume = 0, seconds = 0;
    int made = 0;
    for (auto _ : state) {
        auto slab = Box(0, 0, 0, 2 * n, 2 * n, 0.3);
        const auto t0 = Clock::now();
        G3HoleMaker maker(slab.get());
        for (const auto& o : outlines) maker.AddHoleContour(4, o.data(), up);
        made = maker.MakeHoles();
        const double t = Seconds(t0, Clock::now());
        state.SetIterationTime(t);
        seconds += t;
        volume = Volume(slab.get());
    }
    const double expected = 0.3 * (4.0 * n * n - 0.25 * n * n);
    state.counters["made"] = made;
    state.counters["volume_error"] = volume - expected;
    double booleanVolume = 0;
    const double booleans = RunBooleans(n, &booleanVolume);
    state.counters["boolean_ms"] = 1e3 * booleans;
    state.counters["boolean_volume_error"] = booleanVolume - expected;
    state.counters["ratio"] = seconds / static_cast<double>(state.iterations()) / booleans;
    state.SetComplexityN(n * n);
}

struct PickJob {
    std::unique_ptr<G3Surface> sphere;
    GArrayCollection all;
    std::vector<std::array<double, 6>> segments;
    PickJob(int slices, int stacks)
        : sphere(pktest::MakeSphere(slices, stacks)), all(1024, 1 << 20) {
        for (int i = 0; i < sphere->GetFacetCount(); ++i) all.add(sphere->GetFacet(i));
        // Lines through random points inside the sphere, in random directions, from 3 before
        // the point to 3 beyond it: most pass through the surface twice.
        std::mt19937 rng(11);
        std::normal_distribution<double> g;
        std::uniform_real_distribution<double> unit(-0.95, 0.95);
        for (int k = 0; k < 10000; ++k) {
            double c[3];
            do {
                for (double& x : c) x = unit(rng);
            } while (c[0] * c[0] + c[1] * c[1] + c[2] * c[2] > 0.9);
            double v[3] = {g(rng), g(rng), g(rng)};
            const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            std::array<double, 6> s;
            for (int j = 0; j < 3; ++j) {
                s[j] = c[j] - 3 * v[j] / len;
                s[j + 3] = c[j] + 3 * v[j] / len;
            }
            segments.push_back(s);
        }
    }
};

void BM_QuadraTreePick(benchmark::State& state) {
    PickJob job(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    G3QuadraSurfaceTree tree(job.sphere.get());
    const auto b0 = Clock::now();
    tree.MakeTree();
    const double build = Seconds(b0, Clock::now());
    GArrayCollection candidates(4096, 1 << 16);
    G3RayTraceMetricResult hits;
    double picking = 0, candidateCount = 0, hitCount = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        candidateCount = hitCount = 0;
        for (auto& s : job.segments) {
            candidates.clear();
            tree.FindIntersection(s.data(), s.data() + 3, &candidates);
            hits.Clear();
            hits.SetEyePosition(s[0], s[1], s[2]);
            G3BooleanCalculator::TestRayAndFacetList(s.data(), s.data() + 3, &candidates, &hits);
            candidateCount += candidates.size();
            hitCount += hits.GetHitRecordCount();
        }
        const double t = Seconds(t0, Clock::now());
        state.SetIterationTime(t);
        picking += t;
    }
    picking /= static_cast<double>(state.iterations());
    // The scan: every facet traced, on the first 100 segments.
    const auto s0 = Clock::now();
    double scanHits = 0;
    for (int k = 0; k < 100; ++k) {
        auto& s = job.segments[k];
        hits.Clear();
        hits.SetEyePosition(s[0], s[1], s[2]);
        G3BooleanCalculator::TestRayAndFacetList(s.data(), s.data() + 3, &job.all, &hits);
        scanHits += hits.GetHitRecordCount();
    }
    const double scan = Seconds(s0, Clock::now()) * job.segments.size() / 100.0;
    state.counters["facets"] = job.sphere->GetFacetCount();
    state.counters["nodes"] = tree.GetNodeCount();
    state.counters["build_ms"] = 1e3 * build;
    state.counters["scan_ms"] = 1e3 * scan;
    state.counters["speedup"] = scan / picking;
    state.counters["candidates_per_query"] = candidateCount / job.segments.size();
    state.counters["hits_per_query"] = hitCount / job.segments.size();
    state.counters["scan_hits_per_query"] = scanHits / 100.0;
    state.SetComplexityN(job.sphere->GetFacetCount());
}

}  // namespace

BENCHMARK(BM_OpeningsHoleMaker)
    ->Arg(5)
    ->Arg(10)
    ->Arg(20)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuadraTreePick)
    ->Args({250, 125})
    ->Args({1000, 500})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
