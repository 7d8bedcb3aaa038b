// A surveyed terrain of 1,000,000 points with 10,000 break-line segments (a seeded random
// field with ridges along the break lines), through every stage: triangulation, surface,
// a 200-vertex pad, and the cover that closes it. CGAL's constrained Delaunay
// triangulation (insert plus constraints) runs on the same points in the same process;
// to_surface_ratio sets points and break lines to surface beside it.

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TMesh.h"

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel>;
using Clock = std::chrono::steady_clock;

constexpr double kSize = 1000.0;

struct Survey {
    std::vector<std::array<double, 3>> points;
    std::vector<std::pair<int, int>> lines;  // indices into points
};

double Field(double x, double y) {
    return 50 + 8 * std::sin(x / 97.0) * std::cos(y / 131.0) + 3 * std::sin((x + 2 * y) / 41.0);
}

// `ridges` ridge lines of `segments` segments each, one per horizontal strip so that no two
// cross, wandering inside their strip; the ridges stand 2 m over the field and fall off
// over 4 m either side. The rest of the points are random, `total` in all.
Survey MakeSurvey(int total, int ridges, int segments, unsigned seed) {
    Survey s;
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double strip = kSize / ridges;
    std::vector<std::vector<std::array<double, 2>>> lines(static_cast<std::size_t>(ridges));
    for (int r = 0; r < ridges; ++r) {
        double y = (r + 0.5) * strip;
        for (int k = 0; k <= segments; ++k) {
            const double x = kSize * (0.02 + 0.96 * k / segments);
            y = std::clamp(y + (u(rng) - 0.5) * 0.3 * strip, (r + 0.2) * strip, (r + 0.8) * strip);
            lines[std::size_t(r)].push_back({x, y});
        }
    }
    // The height of a point: the field, raised near the ridge of its strip.
    auto height = [&](double x, double y) {
        const int r = std::clamp(int(y / strip), 0, ridges - 1);
        const auto& l = lines[std::size_t(r)];
        const double t = (x / kSize - 0.02) / 0.96 * segments;
        const int k = std::clamp(int(t), 0, segments - 1);
        const double f = std::clamp(t - k, 0.0, 1.0);
        const double ry = l[std::size_t(k)][1] * (1 - f) + l[std::size_t(k + 1)][1] * f;
        return Field(x, y) + std::max(0.0, 2.0 - 0.5 * std::fabs(y - ry));
    };
    for (const auto& l : lines) {
        const int first = int(s.points.size());
        for (const auto& p : l) s.points.push_back({p[0], p[1], Field(p[0], p[1]) + 2.0});
        for (int k = 0; k < segments; ++k) s.lines.emplace_back(first + k, first + k + 1);
    }
    while (int(s.points.size()) < total) {
        const double x = u(rng) * kSize, y = u(rng) * kSize;
        s.points.push_back({x, y, height(x, y)});
    }
    return s;
}

const Survey& TheSurvey() {
    static const Survey s = MakeSurvey(1000000, 50, 200, 2024);
    return s;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double RunCgal(const Survey& in) {
    std::vector<Kernel::Point_2> pts;
    pts.reserve(in.points.size());
    for (const auto& p : in.points) pts.emplace_back(p[0], p[1]);
    const auto start = Clock::now();
    auto cdt = std::make_unique<Cdt>();
    cdt->insert_constraints(pts.begin(), pts.end(), in.lines.begin(), in.lines.end());
    const double t = Seconds(start, Clock::now());
    cdt.reset();
    return t;
}

// A 200-vertex pad: a round terrace of radius 20 m with a wavy edge, level with the
// field at its centre, blended over 5 m.
void EnterPad(G3LandscapeHandler& h, double cx, double cy) {
    h.ClearContours();
    h.SetOffsetDistance(5.0);
    h.StartContour();
    const double z = Field(cx, cy);
    for (int k = 0; k < 200; ++k) {
        const double a = 2 * M_PI * k / 200;
        const double r = 20 + 1.5 * std::sin(7 * a);
        h.AddContourVertex(cx + r * std::cos(a), cy + r * std::sin(a), z);
    }
    h.EndContour();
}

void BM_TerrainStages(benchmark::State& state) {
    const Survey& in = TheSurvey();
    double tri = 0, surface = 0, pad = 0, cover = 0, cgal = 0;
    int facets = 0, padded = 0;
    for (auto _ : state) {
        auto h = std::make_unique<G3LandscapeHandler>();
        const auto t0 = Clock::now();
        std::vector<G3TVertex*> v;
        v.reserve(in.points.size());
        for (const auto& p : in.points) v.push_back(h->AddVertex(p.data()));
        for (const auto& [a, b] : in.lines) h->AddEdge(v[std::size_t(a)], v[std::size_t(b)]);
        h->MakeTriangulation();
        const auto t1 = Clock::now();
        std::unique_ptr<G3Surface> s(h->GetSurface());
        const auto t2 = Clock::now();
        EnterPad(*h, 500, 500);
        std::unique_ptr<G3Surface> r(h->ApplyFlatRegion(s.get()));
        const auto t3 = Clock::now();
        if (r != nullptr) h->SurfaceCover(r.get());
        const auto t4 = Clock::now();
        facets = s->GetFacetCount();
        padded = r != nullptr ? r->GetFacetCount() : 0;
        r.reset();
        s.reset();
        h.reset();
        tri += Seconds(t0, t1);
        surface += Seconds(t1, t2);
        pad += Seconds(t2, t3);
        cover += Seconds(t3, t4);
        cgal += RunCgal(in);
        state.SetIterationTime(Seconds(t0, t2));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["triangulate_ms"] = 1e3 * tri / runs;
    state.counters["surface_ms"] = 1e3 * surface / runs;
    state.counters["pad_ms"] = 1e3 * pad / runs;
    state.counters["cover_ms"] = 1e3 * cover / runs;
    state.counters["cgal_ms"] = 1e3 * cgal / runs;
    state.counters["to_surface_ratio"] = (tri + surface) / cgal;
    state.counters["facets"] = facets;
    state.counters["padded_facets"] = padded;
}

}  // namespace

BENCHMARK(BM_TerrainStages)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
