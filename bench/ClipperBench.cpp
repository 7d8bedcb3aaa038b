// Polyline clipping. Segments against a plan polygon, beside the Clipper library clipping
// the same open paths in the same process (its ratio is reported as a counter), and
// contours against a rectangle.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <polyclipping/clipper.hpp>
#include <random>
#include <vector>

#include "polykern/clipping/G3PolylineClipper.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRadius = 1000.0;

class PieceCounter : public GLineLoader {
public:
    void LineLoad(const double* from, const double* to) override {
        ++pieces;
        length += std::hypot(to[0] - from[0], to[1] - from[1]);
    }
    long pieces = 0;
    double length = 0.0;
};

class PathCounter : public GPathLoader {
public:
    void PathBegin(int) override {}
    void PathSetPreferPlane(int, int) override {}
    void PathContourBegin(double*, int, CONTOUR_TYPE) override { ++contours; }
    void PathContourSegmentTo(SEGMENT_TYPE, SEGMENT_VISIBILITY, int n, double*) override {
        points += n;
    }
    void PathContourEnd() override {}
    void PathEnd() override {}
    long contours = 0;
    long points = 0;
};

// One ring of n vertices: a star with random radii between 0.6 and 1 of kRadius.
std::vector<double> StarPolygon(int n) {
    std::mt19937 rng(7u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> xy;
    for (int i = 0; i < n; ++i) {
        const double r = kRadius * (0.6 + 0.4 * unit(rng));
        const double a = 2 * kPi * i / n;
        xy.push_back(r * std::cos(a));
        xy.push_back(r * std::sin(a));
    }
    return xy;
}

// n segments with centres over the polygon's box and a little beyond, random directions and
// lengths up to 2.2 * kRadius / sqrt(n) (a mean of about a thousandth of the box at a
// million), so the drawing's density stays the same whatever n is. Six doubles per segment:
// a then b.
std::vector<double> RandomSegments(int n) {
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double maxHalf = 1.1 * kRadius / std::sqrt(static_cast<double>(n));
    std::vector<double> xyz;
    xyz.reserve(6 * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double cx = 1.1 * kRadius * (2 * unit(rng) - 1);
        const double cy = 1.1 * kRadius * (2 * unit(rng) - 1);
        const double a = 2 * kPi * unit(rng), half = maxHalf * unit(rng);
        const double dx = half * std::cos(a), dy = half * std::sin(a);
        for (double v : {cx - dx, cy - dy, 0.0, cx + dx, cy + dy, 0.0}) xyz.push_back(v);
    }
    return xyz;
}

PieceCounter ClipAll(const std::vector<double>& polygon, const std::vector<double>& segments) {
    G3PolylineClipper clipper(static_cast<int>(polygon.size() / 2), polygon.data());
    PieceCounter counter;
    for (std::size_t k = 0; k < segments.size(); k += 6)
        clipper.DoClip(&segments[k], &segments[k + 3], &counter);
    return counter;
}

// Clipper works in integers: coordinates are scaled so they stay within its fast 62-bit
// range while keeping 1e-5 of a unit.
constexpr double kScale = 1e5;

ClipperLib::IntPoint ToInt(double x, double y) {
    return ClipperLib::IntPoint(static_cast<ClipperLib::cInt>(std::llround(x * kScale)),
                                static_cast<ClipperLib::cInt>(std::llround(y * kScale)));
}

// Polygon mode against 1000 vertices, the segment count over sizes.
void BM_ClipSegmentsToPolygon(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> polygon = StarPolygon(1000);
    const std::vector<double> segments = RandomSegments(n);
    long pieces = 0;
    for (auto _ : state) {
        pieces = ClipAll(polygon, segments).pieces;
        benchmark::DoNotOptimize(pieces);
    }
    state.SetComplexityN(n);
    state.counters["pieces"] = static_cast<double>(pieces);
}

BENCHMARK(BM_ClipSegmentsToPolygon)
    ->RangeMultiplier(8)
    ->Range(8, 8 << 15)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The polygon's size with a fixed 100000 segments: the edge index keeps the cost per
// segment nearly flat.
void BM_ClipSegmentsToPolygonSize(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> polygon = StarPolygon(n);
    const std::vector<double> segments = RandomSegments(100000);
    for (auto _ : state) benchmark::DoNotOptimize(ClipAll(polygon, segments).pieces);
    state.SetComplexityN(n);
}

BENCHMARK(BM_ClipSegmentsToPolygonSize)
    ->RangeMultiplier(8)
    ->Range(8, 8 << 12)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// One million segments against one 1000-vertex ring, here and in Clipper (open paths
// intersected with the closed ring, even-odd). Both runs are timed in this process on the
// same segments; the counters give each time in seconds and Clipper's time over ours.
void BM_ClipPolygonBesideClipper(benchmark::State& state) {
    const std::vector<double> polygon = StarPolygon(1000);
    const std::vector<double> segments = RandomSegments(1000000);
    ClipperLib::Path ring;
    for (std::size_t i = 0; i < polygon.size(); i += 2)
        ring.push_back(ToInt(polygon[i], polygon[i + 1]));
    ClipperLib::Paths open;
    open.reserve(segments.size() / 6);
    for (std::size_t k = 0; k < segments.size(); k += 6)
        open.push_back(
            {ToInt(segments[k], segments[k + 1]), ToInt(segments[k + 3], segments[k + 4])});

    using Clock = std::chrono::steady_clock;
    double ours = 0, theirs = 0;
    long ourPieces = 0, theirPieces = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        ourPieces = ClipAll(polygon, segments).pieces;
        const auto t1 = Clock::now();
        ClipperLib::Clipper clipper;
        clipper.AddPaths(open, ClipperLib::ptSubject, false);
        clipper.AddPath(ring, ClipperLib::ptClip, true);
        ClipperLib::PolyTree tree;
        clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftEvenOdd,
                        ClipperLib::pftEvenOdd);
        ClipperLib::Paths result;
        ClipperLib::OpenPathsFromPolyTree(tree, result);
        theirPieces = static_cast<long>(result.size());
        const auto t2 = Clock::now();
        ours += std::chrono::duration<double>(t1 - t0).count();
        theirs += std::chrono::duration<double>(t2 - t1).count();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["ours_s"] = ours / runs;
    state.counters["clipper_s"] = theirs / runs;
    state.counters["ratio"] = theirs / ours;
    state.counters["our_pieces"] = static_cast<double>(ourPieces);
    state.counters["clipper_pieces"] = static_cast<double>(theirPieces);
}

BENCHMARK(BM_ClipPolygonBesideClipper)->Iterations(1)->Unit(benchmark::kMillisecond);

// Rectangle mode: n zig-zag contours of 64 points each, half of every tooth outside.
void BM_ClipContoursToRectangle(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    G3PolylineClipper clipper(0, 0, 100, 100);
    clipper.PathBegin(n);
    std::vector<double> xyz;
    for (int c = 0; c < n; ++c) {
        xyz.clear();
        const double y = 100.0 * c / n;
        for (int i = 0; i < 64; ++i)
            xyz.insert(xyz.end(), {-10 + 2.0 * i, y + (i % 2 ? 6 : -3), 0});
        clipper.PathContourBegin(xyz.data(), 64, CONTOUR_OUTER);
        for (std::size_t i = 3; i < xyz.size(); i += 3)
            clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, &xyz[i]);
        clipper.PathContourEnd();
    }
    clipper.PathEnd();
    long points = 0;
    for (auto _ : state) {
        PathCounter out;
        clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL);
        points = out.points;
        benchmark::DoNotOptimize(points);
    }
    state.SetComplexityN(n);
    state.counters["points"] = static_cast<double>(points);
}

BENCHMARK(BM_ClipContoursToRectangle)
    ->RangeMultiplier(8)
    ->Range(8, 8 << 12)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace
