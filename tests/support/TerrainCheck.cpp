#include "tests/support/TerrainCheck.h"

#include <algorithm>
#include <cmath>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TVertex.h"
#include "tests/support/SurfaceCheck.h"

namespace pktest {

namespace {

using Loop = std::vector<const double*>;

std::vector<Loop> Loops(const G3Facet* f) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    std::vector<Loop> out;
    if (!f->GetLoops(starts, ends)) return out;
    std::size_t begin = 0;
    for (int end : ends) {
        out.emplace_back();
        for (std::size_t k = begin; k < std::size_t(end); ++k)
            out.back().push_back(starts[k]->GetXYZ());
        begin = std::size_t(end);
    }
    return out;
}

// Twice the signed plan area of the facet, and the plan moments of its area (for the
// centroid).
double TwiceArea(const std::vector<Loop>& loops, double* mx = nullptr, double* my = nullptr) {
    double a = 0, sx = 0, sy = 0;
    for (const Loop& l : loops) {
        for (std::size_t i = 0; i < l.size(); ++i) {
            const double* p = l[i];
            const double* q = l[(i + 1) % l.size()];
            const double c = p[0] * q[1] - q[0] * p[1];
            a += c;
            sx += (p[0] + q[0]) * c;
            sy += (p[1] + q[1]) * c;
        }
    }
    if (mx != nullptr) *mx = sx;
    if (my != nullptr) *my = sy;
    return a;
}

bool Inside(const std::vector<Loop>& loops, double x, double y) {
    bool in = false;
    for (const Loop& l : loops) {
        for (std::size_t i = 0, j = l.size() - 1; i < l.size(); j = i++) {
            const double* a = l[i];
            const double* b = l[j];
            if ((a[1] > y) != (b[1] > y) && x < a[0] + (y - a[1]) * (b[0] - a[0]) / (b[1] - a[1]))
                in = !in;
        }
    }
    return in;
}

double DistanceToLoops(const std::vector<Loop>& loops, double x, double y) {
    double best = HUGE_VAL;
    for (const Loop& l : loops) {
        for (std::size_t i = 0; i < l.size(); ++i) {
            const double* a = l[i];
            const double* b = l[(i + 1) % l.size()];
            const double dx = b[0] - a[0], dy = b[1] - a[1], l2 = dx * dx + dy * dy;
            const double t =
                l2 > 0 ? std::clamp(((x - a[0]) * dx + (y - a[1]) * dy) / l2, 0.0, 1.0) : 0;
            best = std::min(best, std::hypot(x - a[0] - t * dx, y - a[1] - t * dy));
        }
    }
    return best;
}

double PlaneHeight(const G3Facet* f, double x, double y) {
    const double* p = f->GetPlane();
    return -(p[0] * x + p[1] * y + p[3]) / p[2];
}

}  // namespace

G3Surface* MakeTerrain(G3LandscapeHandler& h,
                       const std::vector<TerrainPoint>& points,
                       const std::vector<std::pair<int, int>>& lines) {
    std::vector<G3TVertex*> v;
    for (const TerrainPoint& p : points) {
        const double xyz[3] = {p.x, p.y, p.z};
        v.push_back(h.AddVertex(xyz));
    }
    for (auto [a, b] : lines) h.AddEdge(v[std::size_t(a)], v[std::size_t(b)]);
    if (!h.MakeTriangulation()) return nullptr;
    return h.GetSurface();
}

std::vector<TerrainPoint> GridPoints(int n,
                                     int m,
                                     double step,
                                     const std::function<double(double, double)>& z,
                                     double x0,
                                     double y0) {
    std::vector<TerrainPoint> out;
    for (int j = 0; j <= m; ++j) {
        for (int i = 0; i <= n; ++i) {
            const double x = x0 + i * step, y = y0 + j * step;
            out.push_back({x, y, z(x, y)});
        }
    }
    return out;
}

::testing::AssertionResult FacesUp(const G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        const double a = TwiceArea(Loops(f));
        if (!(a > 0.0) || !(f->GetPlane()[2] > 0.0))
            return ::testing::AssertionFailure()
                   << "facet " << i << " faces down or has no area (twice its plan area " << a
                   << ", plane c " << f->GetPlane()[2] << ")";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CoversPlanOnce(const G3Surface* s,
                                          double area,
                                          const std::function<bool(double, double)>& inside,
                                          double tol) {
    double sum = 0;
    double box[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    std::vector<std::vector<Loop>> all;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        all.push_back(Loops(s->GetFacet(i)));
        sum += 0.5 * std::fabs(TwiceArea(all.back()));
        for (const Loop& l : all.back()) {
            for (const double* p : l) {
                box[0] = std::min(box[0], p[0]);
                box[1] = std::min(box[1], p[1]);
                box[2] = std::max(box[2], p[0]);
                box[3] = std::max(box[3], p[1]);
            }
        }
    }
    if (!(std::fabs(sum - area) <= tol * std::max(1.0, area)))
        return ::testing::AssertionFailure()
               << "the facets cover " << sum << " of plan, not " << area;
    const int n = 37;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const double x = box[0] + (box[2] - box[0]) * (i + 0.3183) / (n + 1);
            const double y = box[1] + (box[3] - box[1]) * (j + 0.2718) / (n + 1);
            int count = 0;
            bool nearEdge = false;
            for (const auto& loops : all) {
                if (DistanceToLoops(loops, x, y) < 1e-6) nearEdge = true;
                if (Inside(loops, x, y)) ++count;
            }
            if (nearEdge) continue;
            const int want = inside(x, y) ? 1 : 0;
            if (count != want)
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is covered "
                                                     << count << " times, not " << want;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsEdgeChain(const G3Surface* s,
                                       const TerrainPoint& a,
                                       const TerrainPoint& b,
                                       double tol) {
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    std::vector<std::pair<double, double>> spans;
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        double t[2];
        bool on = true;
        const G3Vertex* ends[2] = {e->GetVertex1(), e->GetVertex2()};
        for (int k = 0; k < 2; ++k) {
            const double px = ends[k]->GetX() - a.x, py = ends[k]->GetY() - a.y;
            t[k] = (px * dx + py * dy) / (len * len);
            if (std::fabs(px * dy - py * dx) / len > tol || t[k] < -tol || t[k] > 1 + tol)
                on = false;
        }
        if (on) spans.push_back({std::min(t[0], t[1]), std::max(t[0], t[1])});
    }
    std::sort(spans.begin(), spans.end());
    double reach = 0;
    for (auto [lo, hi] : spans) {
        if (lo > reach + tol) break;
        reach = std::max(reach, hi);
    }
    if (reach < 1 - tol)
        return ::testing::AssertionFailure()
               << "the edges along the line reach " << reach << " of it";
    return ::testing::AssertionSuccess();
}

bool HeightAt(const G3Surface* s, double x, double y, double* z) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        if (Inside(Loops(f), x, y)) {
            *z = PlaneHeight(f, x, y);
            return true;
        }
    }
    return false;
}

double SignedPlanAreaOf(const G3Surface* s) {
    double sum = 0;
    for (int i = 0; i < s->GetFacetCount(); ++i) sum += 0.5 * TwiceArea(Loops(s->GetFacet(i)));
    return sum;
}

double IntegralOfZ(const G3Surface* s) {
    double sum = 0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        double mx, my;
        const double a2 = TwiceArea(Loops(f), &mx, &my);
        if (a2 == 0.0) continue;
        sum += 0.5 * a2 * PlaneHeight(f, mx / (3 * a2), my / (3 * a2));
    }
    return sum;
}

::testing::AssertionResult IsTerrain(const G3Surface* s,
                                     double area,
                                     const std::function<bool(double, double)>& inside) {
    if (s == nullptr) return ::testing::AssertionFailure() << "no terrain";
    if (auto r = IsWellFormed(s); !r) return r;
    if (auto r = FacesUp(s); !r) return r;
    return CoversPlanOnce(s, area, inside);
}

::testing::AssertionResult IsCoverOf(const G3Surface* solid, double integral, double relTol) {
    if (solid == nullptr) return ::testing::AssertionFailure() << "no solid";
    return IsClosedWithVolume(solid, integral, relTol);
}

}  // namespace pktest
