#include "tests/support/RoofCheck.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"

namespace pktest {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<G3Vertex*> Ring(const G3Facet* f) {
    std::vector<G3Vertex*> ring(f->GetVertexCount());
    f->GetVertices(ring.data());
    return ring;
}

double RingArea2(const std::vector<G3Vertex*>& ring) {
    double a = 0.0;
    const double ox = ring[0]->GetX(), oy = ring[0]->GetY();
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const G3Vertex* p = ring[i];
        const G3Vertex* q = ring[(i + 1) % ring.size()];
        a += (p->GetX() - ox) * (q->GetY() - oy) - (q->GetX() - ox) * (p->GetY() - oy);
    }
    return a;
}

bool InRing(const std::vector<G3Vertex*>& ring, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double xi = ring[i]->GetX(), yi = ring[i]->GetY();
        const double xj = ring[j]->GetX(), yj = ring[j]->GetY();
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

double SegDist(double x, double y, const PlanPoint& a, const PlanPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

double LineDist(double x, double y, const PlanPoint& a, const PlanPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::fabs((x - a.x) * dy - (y - a.y) * dx) / std::hypot(dx, dy);
}

// +1 for a counter-clockwise outline, −1 for a clockwise one.
double OutlineTurn(const std::vector<PlanPoint>& p) {
    double a = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const PlanPoint& q = p[(i + 1) % p.size()];
        a += p[i].x * q.y - q.x * p[i].y;
    }
    return a > 0 ? 1.0 : -1.0;
}

}  // namespace

RoofOutline UniformRoof(const std::vector<PlanPoint>& points, double degrees) {
    return RoofOutline{points, std::vector<double>(points.size(), degrees)};
}

RoofOutline MovedRoof(const RoofOutline& r, double radians, double dx, double dy) {
    RoofOutline out = r;
    const double c = std::cos(radians), s = std::sin(radians);
    for (PlanPoint& p : out.points) p = PlanPoint{c * p.x - s * p.y + dx, s * p.x + c * p.y + dy};
    return out;
}

RoofOutline ReversedRoof(const RoofOutline& r) {
    RoofOutline out;
    const int n = static_cast<int>(r.points.size());
    for (int i = 0; i < n; ++i) {
        out.points.push_back(r.points[(n - i) % n]);
        // Edge i of the reversed list joins old points n − i and n − i − 1: old edge n − i − 1.
        out.pitches.push_back(r.pitches[(2 * n - i - 1) % n]);
    }
    return out;
}

RoofBuild BuildRoof(const RoofOutline& r, double thickness, double overhang, bool fascia) {
    RoofBuild b;
    b.surface = new G3Surface();
    GArrayCollection points, pitches;
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        points.add(new G3Point(r.points[i].x, r.points[i].y, 0.0, 0));
        pitches.add(new G3RoofAngle(r.pitches[i] * kPi / 180.0));
    }
    std::unique_ptr<G3Surface> target(new G3Surface());
    {
        G3RoofGenerator gen(b.surface, 0.0, thickness, overhang);
        G3RoofVertex* outline = nullptr;
        b.ok = gen.PrepareContour(&points, &pitches, &outline);
        if (b.ok && overhang > 0.0) {
            outline = gen.MakeOverhangContour(outline);
            b.ok = outline != nullptr;
        }
        b.ok = b.ok && gen.FirstLevelInitialization(outline);
        b.ok = b.ok && gen.MakeRoof(outline, thickness > 0.0 ? target.get() : nullptr);
        if (b.ok && fascia) gen.MakeFasciaFacets(b.surface);
        b.pitchCount = gen.GetPitchCount();
    }
    for (int i = 0; i < points.size(); ++i) delete points.get(i);
    for (int i = 0; i < pitches.size(); ++i) delete pitches.get(i);
    return b;
}

double OutlineArea(const std::vector<PlanPoint>& p) {
    double a = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const PlanPoint& q = p[(i + 1) % p.size()];
        a += (p[i].x - p[0].x) * (q.y - p[0].y) - (q.x - p[0].x) * (p[i].y - p[0].y);
    }
    return std::fabs(a) / 2;
}

double PlanArea(const G3Surface* s) {
    double a = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) a += RingArea2(Ring(s->GetFacet(i))) / 2;
    return a;
}

::testing::AssertionResult IsSoundRoof(const G3Surface* s, const RoofOutline& r) {
    std::ostringstream why;
    const int n = static_cast<int>(r.points.size());
    double size = 1.0;
    for (const PlanPoint& p : r.points) size = std::max({size, std::fabs(p.x), std::fabs(p.y)});
    const double tol = 1e-9 * size + 1e-7;
    const double footprint = OutlineArea(r.points);
    if (s->GetFacetCount() == 0) return ::testing::AssertionFailure() << "no facets";
    std::vector<std::vector<G3Vertex*>> rings;
    double plan = 0.0, sloped = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        rings.push_back(Ring(f));
        const double a = RingArea2(rings.back()) / 2;
        if (!(a > 0.0) || f->GetPlaneC() <= 0.0) {
            return ::testing::AssertionFailure()
                   << "facet " << i << " does not face up (plan area " << a << ")";
        }
        for (const G3Vertex* v : rings.back()) {
            const double* p = f->GetPlane();
            const double d = p[0] * v->GetX() + p[1] * v->GetY() + p[2] * v->GetZ() + p[3];
            if (std::fabs(d) > 1e-6 * (1 + size * 1e-4)) {
                return ::testing::AssertionFailure() << "facet " << i << " is not flat: " << d;
            }
        }
        plan += a;
        sloped += f->CalcArea();
    }
    if (std::fabs(plan - footprint) > 1e-7 * footprint) {
        return ::testing::AssertionFailure() << "plan areas " << plan << " cover " << footprint;
    }
    const bool equal = std::all_of(r.pitches.begin(), r.pitches.end(),
                                   [&](double p) { return p == r.pitches[0]; });
    if (equal) {
        const double want = footprint / std::cos(r.pitches[0] * kPi / 180.0);
        if (std::fabs(sloped - want) > 1e-7 * want) {
            return ::testing::AssertionFailure() << "sloped area " << sloped << ", want " << want;
        }
    }
    // No overlap: points just inside each facet edge lie in that facet only.
    for (std::size_t i = 0; i < rings.size(); ++i) {
        const auto& ring = rings[i];
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const G3Vertex* a = ring[k];
            const G3Vertex* b = ring[(k + 1) % ring.size()];
            const double dx = b->GetX() - a->GetX(), dy = b->GetY() - a->GetY();
            const double len = std::hypot(dx, dy);
            if (len < 1e-3) continue;
            const double x = (a->GetX() + b->GetX()) / 2 - dy / len * 1e-4;
            const double y = (a->GetY() + b->GetY()) / 2 + dx / len * 1e-4;
            if (!InRing(ring, x, y)) continue;
            for (std::size_t j = 0; j < rings.size(); ++j) {
                if (j != i && InRing(rings[j], x, y)) {
                    return ::testing::AssertionFailure()
                           << "facets " << i << " and " << j << " overlap at " << x << ", " << y;
                }
            }
        }
    }
    // Vertical planes: gable walls, and the steps where the pitch changes on a straight wall.
    auto onOutline = [&](const G3Vertex* v, int e) {
        return std::fabs(v->GetZ()) < tol &&
               SegDist(v->GetX(), v->GetY(), r.points[e], r.points[(e + 1) % n]) < tol;
    };
    auto onWall = [&](const G3Vertex* v, int e) {
        const PlanPoint& a = r.points[e];
        const PlanPoint& b = r.points[(e + 1) % n];
        if (r.pitches[e] >= 90.0) return LineDist(v->GetX(), v->GetY(), a, b) < tol;
        const PlanPoint& c = r.points[(e + 2) % n];
        const double cr = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        if (std::fabs(cr) > 1e-9 * size * size || r.pitches[e] == r.pitches[(e + 1) % n]) {
            return false;
        }
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        return std::fabs((v->GetX() - b.x) * (b.x - a.x) + (v->GetY() - b.y) * (b.y - a.y)) / len <
               tol;
    };
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetFacetCount() == 2) {
            if (e->GetFacet1()->StartOf(e) == e->GetFacet2()->StartOf(e)) {
                return ::testing::AssertionFailure() << "edge " << i << " walked one way twice";
            }
            continue;
        }
        bool border = false;
        for (int k = 0; k < n && !border; ++k) {
            border = (onOutline(e->GetVertex1(), k) && onOutline(e->GetVertex2(), k)) ||
                     (onWall(e->GetVertex1(), k) && onWall(e->GetVertex2(), k));
        }
        if (!border) {
            return ::testing::AssertionFailure()
                   << "open edge " << i << " (" << e->GetVertex1()->GetX() << ", "
                   << e->GetVertex1()->GetY() << ", " << e->GetVertex1()->GetZ() << ") – ("
                   << e->GetVertex2()->GetX() << ", " << e->GetVertex2()->GetY() << ", "
                   << e->GetVertex2()->GetZ() << ")";
        }
    }
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        // The roof rises no steeper than its steepest plane from the nearest eave.
        double limit = 1e300, steepest = 0.0;
        for (int k = 0; k < n; ++k) {
            if (r.pitches[k] < 90.0) steepest = std::max(steepest, r.pitches[k]);
        }
        for (int k = 0; k < n; ++k) {
            if (r.pitches[k] >= 90.0) continue;
            const double d = SegDist(v->GetX(), v->GetY(), r.points[k], r.points[(k + 1) % n]);
            limit = std::min(limit, std::tan(steepest * kPi / 180.0) * d);
        }
        if (v->GetZ() < -tol || v->GetZ() > limit + 1e-6 * (1 + size * 1e-4)) {
            return ::testing::AssertionFailure() << "vertex " << i << " at height " << v->GetZ()
                                                 << " where the pitch allows " << limit;
        }
    }
    return ::testing::AssertionSuccess();
}

RoofOutline RandomOrthogonalRoof(std::mt19937& rng) {
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int w = uni(8, 30), h = uni(8, 30);
    const int depth = std::min(w, h) / 3;
    const PlanPoint corner[4] = {{0, 0}, {double(w), 0}, {double(w), double(h)}, {0, double(h)}};
    std::vector<PlanPoint> pts;
    for (int side = 0; side < 4; ++side) {
        const PlanPoint a = corner[side], b = corner[(side + 1) % 4];
        const int len = side % 2 == 0 ? w : h;
        const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        const double nx = -uy, ny = ux;  // inwards for the counter-clockwise corners
        pts.push_back(a);
        int t = depth + 1;
        while (t < len - depth - 1) {
            const int width = uni(1, 4);
            if (uni(0, 2) == 0 || t + width > len - depth - 1) {
                ++t;
                continue;
            }
            // A notch into the building (courtyards, the arms of U and H plans) or a wing.
            const int off = uni(0, 1) == 0 ? uni(1, depth) : -uni(1, 4);
            pts.push_back({a.x + ux * t, a.y + uy * t});
            pts.push_back({a.x + ux * t + nx * off, a.y + uy * t + ny * off});
            pts.push_back({a.x + ux * (t + width) + nx * off, a.y + uy * (t + width) + ny * off});
            pts.push_back({a.x + ux * (t + width), a.y + uy * (t + width)});
            t += width + uni(1, 3);
        }
    }
    return UniformRoof(pts, uni(0, 1) == 0 ? 30.0 : 45.0);
}

RoofOutline RandomStarRoof(std::mt19937& rng, int n) {
    // One corner in each of n equal sectors: no gap of half a turn, so the outline winds
    // once round the origin and is simple.
    std::uniform_real_distribution<double> within(0.05, 0.95), radius(15.0, 50.0);
    std::vector<PlanPoint> pts;
    for (int i = 0; i < n; ++i) {
        const double a = (i + within(rng)) * 2 * kPi / n;
        const double r = radius(rng);
        pts.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return UniformRoof(pts, 35.0);
}

RoofOutline RegularRoof(int n, double radius, double degrees) {
    std::vector<PlanPoint> pts;
    for (int i = 0; i < n; ++i) {
        const double t = -2 * kPi * i / n;
        pts.push_back({radius * std::cos(t), radius * std::sin(t)});
    }
    return UniformRoof(pts, degrees);
}

RoofOutline WithMixedPitches(const RoofOutline& r, std::mt19937& rng, bool gables) {
    RoofOutline out = r;
    std::uniform_int_distribution<int> pick(0, 9);
    const double choice[] = {15.0, 25.0, 30.0, 40.0, 45.0, 52.5, 60.0};
    const int n = static_cast<int>(r.points.size());
    const double turn = OutlineTurn(r.points);
    auto convex = [&](int i) {
        const PlanPoint& a = r.points[(i + n - 1) % n];
        const PlanPoint& b = r.points[i];
        const PlanPoint& c = r.points[(i + 1) % n];
        return ((b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x)) * turn > 0.0;
    };
    for (int i = 0; i < n; ++i) {
        out.pitches[i] = choice[std::uniform_int_distribution<int>(0, 6)(rng)];
        // Gable walls end at outer corners, as on a house; a gable at an inner corner
        // would stand on into the building as a wall of its own.
        if (gables && convex(i) && convex((i + 1) % n) && pick(rng) < 3) out.pitches[i] = 90.0;
    }
    return out;
}

}  // namespace pktest
