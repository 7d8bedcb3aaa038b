// Plane sections and plane slices beside CGAL, in one process on the same triangles.
//
// BM_DivideSphere: the sections of a UV sphere of radius 1 by the 100 planes
// z = −0.99 + 0.02 k (k = 0 … 99), by G3BooleanCalculator::Divide beside CGAL's
// Polygon_mesh_slicer on a Surface_mesh with the inexact-constructions kernel. The slicer
// is made for the job and its AABB tree of the mesh's edges is built then (on the first
// plane, as the tree is built lazily), so that build is inside CGAL's time, as the engine's
// facet selection is inside its own; cgal_first_plane_ms is the slicer's making and first
// plane, tree included. The per-plane figures are each side's whole time over 100 planes.
// BM_SliceSphere: the same sphere cut by the plane z = 0.1 into both halves by Slice,
// beside PMP::clip of one copy by the plane (the part behind) and of another by the
// reversed plane (the part in front), each clipped as a closed volume, so both sides make
// both closed halves.
// Each benchmark's own time is the engine's; cgal_ms is CGAL's and ratio engine / CGAL.
// Both sides must agree (section areas, half volumes, within 1e-6 relative), otherwise
// the run is reported as an error. Arguments: the sphere's slices and stacks; 1000 × 501
// makes 1,000,000 triangles.

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/clip.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Polygon_mesh_slicer.h>
#include <CGAL/Surface_mesh.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceShapes.h"

namespace {

namespace PMP = CGAL::Polygon_mesh_processing;
using Epick = CGAL::Exact_predicates_inexact_constructions_kernel;
using Mesh = CGAL::Surface_mesh<Epick::Point_3>;
using Clock = std::chrono::steady_clock;

constexpr int kPlanes = 100;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double Height(int k) {
    return -0.99 + 0.02 * k;
}

// The test suite's UV sphere and the same triangles as a CGAL mesh.
struct SphereJob {
    std::unique_ptr<G3Surface> surface;
    Mesh mesh;
    SphereJob(int slices, int stacks) : surface(pktest::MakeSphere(slices, stacks)) {
        std::vector<Mesh::Vertex_index> v;
        for (int i = 0; i < surface->GetVertexCount(); ++i) {
            const double* q = surface->GetVertex(i)->GetXYZ();
            v.push_back(mesh.add_vertex(Epick::Point_3(q[0], q[1], q[2])));
        }
        for (int i = 0; i < surface->GetFacetCount(); ++i) {
            const G3Facet* f = surface->GetFacet(i);
            G3Vertex* corners[3];
            if (f->GetVertexCount() != 3) continue;
            f->GetVertices(corners);
            mesh.add_face(v[corners[0]->GetId()], v[corners[1]->GetId()], v[corners[2]->GetId()]);
        }
    }
};

const SphereJob& Sphere(int slices, int stacks) {
    static std::map<std::pair<int, int>, std::unique_ptr<SphereJob>> jobs;
    auto& job = jobs[{slices, stacks}];
    if (!job) job = std::make_unique<SphereJob>(slices, stacks);
    return *job;
}

bool Agree(double a, double b, double relTol = 1e-6) {
    return std::fabs(a - b) <= relTol * std::max(std::fabs(a), std::fabs(b));
}

// The area a closed polyline in a horizontal plane encloses.
double PolylineArea(const std::vector<Epick::Point_3>& line) {
    double twice = 0.0;
    for (std::size_t k = 0; k + 1 < line.size(); ++k) {
        twice += line[k].x() * line[k + 1].y() - line[k + 1].x() * line[k].y();
    }
    return 0.5 * std::fabs(twice);
}

// The signed volume from the facets' loops, each fanned from its own first corner and
// taken about the first vertex.
double SignedVolume(const G3Surface* s) {
    if (s == nullptr || s->GetVertexCount() == 0) return std::nan("");
    const double* o = s->GetVertex(0)->GetXYZ();
    double volume = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (!s->GetFacet(i)->GetLoops(starts, ends)) return std::nan("");
        std::size_t begin = 0;
        for (const int end : ends) {
            const double* p = starts[begin]->GetXYZ();
            const double a[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
            for (std::size_t k = begin + 1; k + 1 < static_cast<std::size_t>(end); ++k) {
                const double* q = starts[k]->GetXYZ();
                const double* r = starts[k + 1]->GetXYZ();
                const double b[3] = {q[0] - o[0], q[1] - o[1], q[2] - o[2]};
                const double c[3] = {r[0] - o[0], r[1] - o[1], r[2] - o[2]};
                volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                           a[2] * (b[0] * c[1] - b[1] * c[0])) /
                          6.0;
            }
            begin = static_cast<std::size_t>(end);
        }
    }
    return volume;
}

// ---- Sections by 100 parallel planes ----

void BM_DivideSphere(benchmark::State& state) {
    const SphereJob& job =
        Sphere(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<double> planes;
    for (int k = 0; k < kPlanes; ++k) planes.insert(planes.end(), {0, 0, 1, -Height(k)});
    double ours = 0, cgal = 0, first = 0;
    std::vector<double> area(kPlanes), cgalArea(kPlanes);
    int facets = 0;
    std::size_t polylines = 0;
    for (auto _ : state) {
        G3Surface* out = nullptr;
        const auto t0 = Clock::now();
        const bool ok =
            G3BooleanCalculator().Divide(job.surface.get(), kPlanes, planes.data(), &out);
        const double t = Seconds(t0, Clock::now());
        std::unique_ptr<G3Surface> sections(out);
        std::fill(area.begin(), area.end(), 0.0);
        facets = ok ? sections->GetFacetCount() : 0;
        for (int i = 0; i < facets; ++i) {
            const G3Facet* f = sections->GetFacet(i);
            const int k = static_cast<int>(
                std::lround((f->GetFirstEdge()->GetVertex1()->GetZ() - Height(0)) / 0.02));
            if (k >= 0 && k < kPlanes) area[k] += f->CalcArea();
        }
        sections.reset();

        std::fill(cgalArea.begin(), cgalArea.end(), 0.0);
        polylines = 0;
        const auto c0 = Clock::now();
        {
            CGAL::Polygon_mesh_slicer<Mesh, Epick> slicer(job.mesh);
            std::vector<std::vector<std::vector<Epick::Point_3>>> lines(kPlanes);
            for (int k = 0; k < kPlanes; ++k) {
                slicer(Epick::Plane_3(0, 0, 1, -Height(k)), std::back_inserter(lines[k]));
                if (k == 0) first += Seconds(c0, Clock::now());
            }
            cgal += Seconds(c0, Clock::now());
            for (int k = 0; k < kPlanes; ++k) {
                for (const auto& line : lines[k]) cgalArea[k] += PolylineArea(line);
                polylines += lines[k].size();
            }
        }
        ours += t;
        state.SetIterationTime(t);
    }
    int worst = 0;
    double total = 0, cgalTotal = 0;
    for (int k = 0; k < kPlanes; ++k) {
        total += area[k];
        cgalTotal += cgalArea[k];
        if (std::fabs(area[k] - cgalArea[k]) > std::fabs(area[worst] - cgalArea[worst])) worst = k;
    }
    const double runs = static_cast<double>(state.iterations());
    state.SetComplexityN(job.surface->GetFacetCount());
    state.counters["triangles"] = job.surface->GetFacetCount();
    state.counters["cgal_ms"] = 1e3 * cgal / runs;
    state.counters["cgal_first_plane_ms"] = 1e3 * first / runs;
    state.counters["ratio"] = ours / cgal;
    state.counters["plane_ms"] = 1e3 * ours / runs / kPlanes;
    state.counters["cgal_plane_ms"] = 1e3 * cgal / runs / kPlanes;
    state.counters["facets"] = facets;
    state.counters["cgal_polylines"] = static_cast<double>(polylines);
    state.counters["area"] = total;
    state.counters["area_rel_diff"] = std::fabs(total - cgalTotal) / cgalTotal;
    if (facets != kPlanes || polylines != static_cast<std::size_t>(kPlanes) ||
        !Agree(area[worst], cgalArea[worst])) {
        state.SkipWithError(("sections disagree at plane " + std::to_string(worst)).c_str());
    }
}

// ---- Both halves of a slice ----

// CGAL's part of m behind the plane, closed; NaN volume when the clip fails.
double CgalHalf(Mesh m, const Epick::Plane_3& plane, double* seconds) {
    const auto t0 = Clock::now();
    bool ok = false;
    try {
        ok = PMP::clip(m, plane, CGAL::parameters::clip_volume(true));
    } catch (const std::exception&) {
        ok = false;
    }
    *seconds += Seconds(t0, Clock::now());
    return ok && CGAL::is_closed(m) ? PMP::volume(m) : std::nan("");
}

void BM_SliceSphere(benchmark::State& state) {
    const SphereJob& job =
        Sphere(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    double ours = 0, cgal = 0;
    double behind = 0, front = 0, cgalBehind = 0, cgalFront = 0;
    for (auto _ : state) {
        G3Surface* s = job.surface->Duplicate();
        double plane[4] = {0, 0, 1, 0.1};
        G3Surface *a = nullptr, *b = nullptr;
        const auto t0 = Clock::now();
        const bool ok = G3BooleanCalculator().Slice(s, plane, true, &a, &b, false);
        const double t = Seconds(t0, Clock::now());
        std::unique_ptr<G3Surface> low(a), high(b);
        behind = ok ? SignedVolume(low.get()) : std::nan("");
        front = ok ? SignedVolume(high.get()) : std::nan("");
        low.reset();
        high.reset();

        cgalBehind = CgalHalf(job.mesh, Epick::Plane_3(0, 0, 1, -0.1), &cgal);
        cgalFront = CgalHalf(job.mesh, Epick::Plane_3(0, 0, -1, 0.1), &cgal);
        ours += t;
        state.SetIterationTime(t);
    }
    const double runs = static_cast<double>(state.iterations());
    state.SetComplexityN(job.surface->GetFacetCount());
    state.counters["triangles"] = job.surface->GetFacetCount();
    state.counters["cgal_ms"] = 1e3 * cgal / runs;
    state.counters["ratio"] = ours / cgal;
    state.counters["volume_behind"] = behind;
    state.counters["volume_front"] = front;
    state.counters["cgal_volume_behind"] = cgalBehind;
    state.counters["cgal_volume_front"] = cgalFront;
    if (!Agree(behind, cgalBehind) || !Agree(front, cgalFront))
        state.SkipWithError("the halves' volumes disagree");
}

}  // namespace

// Arguments: the sphere's slices and stacks (2 · slices · (stacks − 1) triangles).
BENCHMARK(BM_DivideSphere)
    ->Args({250, 201})
    ->Args({1000, 501})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// The slice runs on 200,000 triangles and on the million of the sections above.
BENCHMARK(BM_SliceSphere)
    ->Args({400, 251})
    ->Args({1000, 501})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
