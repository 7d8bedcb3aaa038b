// One building of a site: walls united from mitred prisms, doors and windows subtracted,
// the tops cut under the roof, the thick roof closed and united, then slabs and panes.

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/openings/G3HoleMaker.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "tools/polykern/SiteGeometry.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The cut under the roof reaches this far past the walls' outer faces (at most, at its
// gentlest pitch; at least half a metre past gables), so that none of its faces lies in a
// wall face.
constexpr double kGableMargin = 0.5;
constexpr double kCutterReach = 0.2;
// Doors and windows reach this far past both faces of their wall.
constexpr double kThrough = 0.05;

using Surface = std::unique_ptr<G3Surface>;

// Closed polyhedra from polygons over points shared by their exact coordinates.
class PolygonSoup {
public:
    int Point(double x, double y, double z) {
        const auto key = std::make_tuple(x, y, z);
        const auto it = m_Index.find(key);
        if (it != m_Index.end()) return it->second;
        const int i = static_cast<int>(m_Xyz.size() / 3);
        m_Xyz.insert(m_Xyz.end(), {x, y, z});
        m_Index.emplace(key, i);
        return i;
    }
    int Point(const double* p) { return Point(p[0], p[1], p[2]); }
    /// The point at exactly these coordinates, or −1.
    int Find(double x, double y, double z) const {
        const auto it = m_Index.find(std::make_tuple(x, y, z));
        return it == m_Index.end() ? -1 : it->second;
    }
    const double* Xyz(int i) const { return &m_Xyz[3 * static_cast<std::size_t>(i)]; }
    void Facet(const std::vector<int>& ring) {
        m_Counts.push_back(static_cast<int>(ring.size()));
        m_Corners.insert(m_Corners.end(), ring.begin(), ring.end());
    }
    const std::vector<int>& Counts() const { return m_Counts; }
    const std::vector<int>& Corners() const { return m_Corners; }
    Surface Build(int material) const {
        auto s = std::make_unique<G3Surface>();
        s->AddIndexedFacets(static_cast<int>(m_Xyz.size() / 3), m_Xyz.data(),
                            static_cast<int>(m_Counts.size()), m_Counts.data(),
                            static_cast<int>(m_Corners.size()), m_Corners.data(), nullptr,
                            s->GetEdgeFlags());
        G3FaceMaterialProvider::SetMaterial(s.get(), material);
        return s;
    }

private:
    std::vector<double> m_Xyz;
    std::map<std::tuple<double, double, double>, int> m_Index;
    std::vector<int> m_Counts, m_Corners;
};

// The rings of a surface's facets (outline loops only: roofs have no holes) in a soup.
void AddFacetsOf(const G3Surface* s, bool reverse, PolygonSoup* soup) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (!s->GetFacet(i)->GetLoops(starts, ends) || ends.empty()) continue;
        std::vector<int> ring;
        for (int k = 0; k < ends[0]; ++k) ring.push_back(soup->Point(starts[std::size_t(k)]->GetXYZ()));
        if (reverse) std::reverse(ring.begin(), ring.end());
        soup->Facet(ring);
    }
}

// The directed sides a→b of the soup's facets that no facet runs b→a.
std::vector<std::pair<int, int>> OpenSides(const PolygonSoup& soup) {
    std::map<std::pair<int, int>, int> sides;
    std::size_t at = 0;
    for (int n : soup.Counts()) {
        for (int k = 0; k < n; ++k) {
            const int a = soup.Corners()[at + std::size_t(k)];
            const int b = soup.Corners()[at + std::size_t((k + 1) % n)];
            ++sides[{a, b}];
        }
        at += std::size_t(n);
    }
    std::vector<std::pair<int, int>> open;
    for (const auto& [side, count] : sides) {
        if (sides.find({side.second, side.first}) == sides.end()) open.push_back(side);
    }
    return open;
}

double Cross(double ax, double ay, double bx, double by) {
    return ax * by - ay * bx;
}

// One wall of the outline: its start, unit direction and the normal into the building.
struct Wall {
    SitePoint a, b;
    double ux = 0, uy = 0, nx = 0, ny = 0, length = 0;
};

std::vector<Wall> WallsOf(const std::vector<SitePoint>& outline) {
    const double sign = TwiceSignedArea(outline) > 0 ? 1.0 : -1.0;
    std::vector<Wall> walls(outline.size());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        Wall& w = walls[i];
        w.a = outline[i];
        w.b = outline[(i + 1) % outline.size()];
        w.length = std::hypot(w.b.x - w.a.x, w.b.y - w.a.y);
        w.ux = (w.b.x - w.a.x) / w.length;
        w.uy = (w.b.y - w.a.y) / w.length;
        w.nx = -sign * w.uy;
        w.ny = sign * w.ux;
    }
    return walls;
}

// Where the lines of walls p and q, each moved by its own distance along its inward
// normal, meet; `fallback` for (nearly) parallel walls.
SitePoint MeetMoved(const Wall& p, double dp, const Wall& q, double dq, SitePoint fallback) {
    const double px = p.a.x + p.nx * dp, py = p.a.y + p.ny * dp;
    const double qx = q.a.x + q.nx * dq, qy = q.a.y + q.ny * dq;
    const double den = Cross(p.ux, p.uy, q.ux, q.uy);
    if (std::fabs(den) < 1e-9) return fallback;
    const double s = Cross(qx - px, qy - py, q.ux, q.uy) / den;
    return {px + p.ux * s, py + p.uy * s};
}

// The outline with every wall moved inwards by distance[i] (negative: outwards).
std::vector<SitePoint> MoveWalls(const std::vector<Wall>& walls, const std::vector<double>& d) {
    const std::size_t n = walls.size();
    std::vector<SitePoint> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t prev = (k + n - 1) % n;
        const SitePoint fallback{walls[k].a.x + walls[k].nx * d[k], walls[k].a.y + walls[k].ny * d[k]};
        out[k] = MeetMoved(walls[prev], d[prev], walls[k], d[k], fallback);
    }
    return out;
}

// Whether the moved outline keeps every wall running its own way and crosses nowhere.
bool MovedOutlineFits(const std::vector<Wall>& walls, const std::vector<SitePoint>& moved) {
    const std::size_t n = walls.size();
    for (std::size_t k = 0; k < n; ++k) {
        const SitePoint& p = moved[k];
        const SitePoint& q = moved[(k + 1) % n];
        if ((q.x - p.x) * walls[k].ux + (q.y - p.y) * walls[k].uy < 1e-6) return false;
    }
    // The walls' inward normals are their left ones exactly when the outline runs
    // counter-clockwise.
    const bool counterClockwise = walls[0].ny * walls[0].ux - walls[0].nx * walls[0].uy > 0;
    return !OutlineCrossesItself(moved, nullptr, nullptr) &&
           (TwiceSignedArea(moved) > 0) == counterClockwise;
}

// A roof surface from the generator over `outline` at height z; false when it fails.
bool GenerateRoof(const std::vector<SitePoint>& outline,
                  const std::vector<double>& degrees,
                  double z,
                  double thickness,
                  double overhang,
                  G3Surface* out) {
    GArrayCollection points, pitches;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        points.add(new G3Point(outline[i].x, outline[i].y, z, 0));
        pitches.add(new G3RoofAngle(degrees[i] * kPi / 180.0));
    }
    bool ok = false;
    {
        G3RoofGenerator gen(out, 0.0, thickness, overhang);
        G3RoofVertex* first = nullptr;
        ok = gen.PrepareContour(&points, &pitches, &first);
        if (ok && overhang > 0.0) {
            first = gen.MakeOverhangContour(first);
            ok = first != nullptr;
        }
        ok = ok && gen.FirstLevelInitialization(first) && gen.MakeRoof(first, nullptr);
        if (ok && thickness > 0.0) ok = gen.MakeFasciaFacets(out);
    }
    points.clear(true);
    pitches.clear(true);
    return ok && out->GetFacetCount() > 0;
}

// The outline with its gable walls moved outwards by d (its sloped walls keep their
// lines, so the roof planes stay where they are).
std::vector<SitePoint> MoveGables(const std::vector<Wall>& walls,
                                  const std::vector<double>& degrees,
                                  double d) {
    std::vector<double> by(walls.size(), 0.0);
    for (std::size_t i = 0; i < walls.size(); ++i) {
        if (degrees[i] >= 90.0) by[i] = -d;
    }
    std::vector<SitePoint> moved = MoveWalls(walls, by);
    if (MovedOutlineFits(walls, moved)) return moved;
    std::vector<SitePoint> outline;
    for (const Wall& w : walls) outline.push_back(w.a);
    return outline;
}

double HighestZ(const G3Surface* s) {
    double z = -HUGE_VAL;
    for (int i = 0; i < s->GetVertexCount(); ++i) z = std::max(z, s->GetVertex(i)->GetZ());
    return z;
}

// The solid above the roof planes (raised by `lift`) up to `top`: what the walls lose so
// that their heads follow the roof.
Surface MakeSky(const std::vector<Wall>& walls,
                const std::vector<double>& degrees,
                double head,
                double lift,
                double gableMargin,
                double* top) {
    double gentlest = 90.0;
    for (double d : degrees) gentlest = std::min(gentlest, d);
    G3Surface planes;
    if (!GenerateRoof(MoveGables(walls, degrees, gableMargin), degrees, head + lift, 0.0,
                      kCutterReach * std::tan(gentlest * kPi / 180.0), &planes))
        return nullptr;
    PolygonSoup soup;
    AddFacetsOf(&planes, false, &soup);
    const auto open = OpenSides(soup);
    *top = HighestZ(&planes) + 2.0;
    // The rim, chained a → b, runs counter-clockwise seen from above.
    std::map<int, int> next;
    for (const auto& [a, b] : open) next[a] = b;
    if (next.size() != open.size() || open.size() < 3) return nullptr;
    std::vector<int> rim{open.front().first};
    while (rim.size() <= open.size()) {
        const auto it = next.find(rim.back());
        if (it == next.end()) return nullptr;
        if (it->second == rim.front()) break;
        rim.push_back(it->second);
    }
    if (rim.size() != open.size()) return nullptr;
    PolygonSoup sky;
    AddFacetsOf(&planes, true, &sky);
    std::vector<int> cap;
    for (std::size_t k = 0; k < rim.size(); ++k) {
        const double* a = soup.Xyz(rim[k]);
        const double* b = soup.Xyz(rim[(k + 1) % rim.size()]);
        sky.Facet({sky.Point(a), sky.Point(b), sky.Point(b[0], b[1], *top),
                   sky.Point(a[0], a[1], *top)});
        cap.push_back(sky.Point(a[0], a[1], *top));
    }
    sky.Facet(cap);
    return sky.Build(kSiteWall);
}

// The thick roof closed along its eaves: a strip from every open underside edge up to the
// top layer, facing out.
Surface MakeClosedRoof(const std::vector<Wall>& walls,
                       const std::vector<double>& degrees,
                       double head,
                       double thickness,
                       double overhang,
                       double verge) {
    G3Surface roof;
    {
        G3FaceMaterialScope scope(kSiteRoof);
        if (!GenerateRoof(MoveGables(walls, degrees, verge), degrees, head, thickness, overhang,
                          &roof))
            return nullptr;
    }
    PolygonSoup soup;
    AddFacetsOf(&roof, false, &soup);
    const auto open = OpenSides(soup);
    std::map<std::pair<int, int>, bool> isOpen;
    for (const auto& side : open) isOpen[side] = true;
    for (const auto& [a, b] : open) {
        const double* p = soup.Xyz(a);
        const double* q = soup.Xyz(b);
        // An open underside edge a → b has its top copy, one thickness higher, open b' → a'.
        const int pa = soup.Find(p[0], p[1], p[2] + thickness);
        const int pb = soup.Find(q[0], q[1], q[2] + thickness);
        if (pa < 0 || pb < 0 || isOpen.find({pb, pa}) == isOpen.end()) continue;
        soup.Facet({b, a, pa, pb});
    }
    return soup.Build(kSiteRoof);
}

// ∫ (z − head) over the plan of the roof planes over the outline itself: what the roof
// adds to the building's gross volume.
bool RoofMassVolume(const std::vector<SitePoint>& outline,
                    const std::vector<double>& degrees,
                    double head,
                    double* volume) {
    G3Surface planes;
    if (!GenerateRoof(outline, degrees, head, 0.0, 0.0, &planes)) return false;
    *volume = 0.0;
    for (int i = 0; i < planes.GetFacetCount(); ++i) {
        std::vector<G3Vertex*> ring;
        std::vector<int> ends;
        if (!planes.GetFacet(i)->GetLoops(ring, ends) || ends.empty()) continue;
        // A fan is exact for the linear height over a planar facet.
        const double* o = ring[0]->GetXYZ();
        double facet = 0.0;
        for (int k = 1; k + 1 < ends[0]; ++k) {
            const double* p = ring[std::size_t(k)]->GetXYZ();
            const double* q = ring[std::size_t(k + 1)]->GetXYZ();
            const double area = 0.5 * Cross(p[0] - o[0], p[1] - o[1], q[0] - o[0], q[1] - o[1]);
            facet += area * ((o[2] + p[2] + q[2]) / 3.0 - head);
        }
        *volume += std::fabs(facet);
    }
    return true;
}

bool Closed(const G3Surface* s) {
    return s != nullptr && MeasureSurface(s).closed;
}

}  // namespace

namespace {

// a ∪ b or a − b through the calculator, which consumes both; null when it fails.
Surface Combine(bool add, Surface a, Surface b) {
    if (a == nullptr || b == nullptr) return nullptr;
    G3BooleanCalculator calc;
    G3Surface* r = add ? calc.Add(a.release(), b.release()) : calc.Sub(a.release(), b.release());
    return Surface(r);
}

// The outer face area of the walls: vertical wall facets lying in the plane of an outline
// edge and facing away from the building.
double OuterWallArea(const G3Surface* shell, const std::vector<Wall>& walls) {
    double area = 0.0;
    for (int i = 0; i < shell->GetFacetCount(); ++i) {
        G3Facet* f = shell->GetFacet(i);
        if (G3FaceMaterialProvider::MaterialOf(f) != kSiteWall) continue;
        if (std::fabs(f->GetPlaneC()) > 1e-6) continue;
        std::vector<G3Vertex*> ring(std::size_t(f->GetVertexCount()));
        f->GetVertices(ring.data());
        for (const Wall& w : walls) {
            if (-(f->GetPlaneA() * w.nx + f->GetPlaneB() * w.ny) < 0.999999) continue;
            const bool inPlane = std::all_of(ring.begin(), ring.end(), [&](const G3Vertex* v) {
                return std::fabs((v->GetX() - w.a.x) * w.nx + (v->GetY() - w.a.y) * w.ny) < 1e-6;
            });
            if (inPlane) {
                area += f->CalcArea();
                break;
            }
        }
    }
    return area;
}

// The area of the facets of `material` whose normal's z is above `minZ`.
double AreaFacing(const G3Surface* s, int material, double minZ) {
    double area = 0.0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (G3FaceMaterialProvider::MaterialOf(f) == material && f->GetPlaneC() > minZ)
            area += f->CalcArea();
    }
    return area;
}

}  // namespace

std::unique_ptr<G3Surface> MakeSitePrism(const std::vector<SitePoint>& polygon,
                                         double z0,
                                         double z1,
                                         int material) {
    if (polygon.size() < 3 || !(std::fabs(TwiceSignedArea(polygon)) > 1e-12) || !(z1 > z0))
        return nullptr;
    std::vector<SitePoint> p = polygon;
    if (TwiceSignedArea(p) < 0) std::reverse(p.begin(), p.end());
    PolygonSoup soup;
    const std::size_t n = p.size();
    std::vector<int> lo(n), hi(n);
    for (std::size_t k = 0; k < n; ++k) {
        lo[k] = soup.Point(p[k].x, p[k].y, z0);
        hi[k] = soup.Point(p[k].x, p[k].y, z1);
    }
    soup.Facet(std::vector<int>(lo.rbegin(), lo.rend()));
    soup.Facet(hi);
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t j = (k + 1) % n;
        soup.Facet({lo[k], lo[j], hi[j], hi[k]});
    }
    return soup.Build(material);
}

bool BuildSiteBuilding(const SiteDescription& site,
                       int index,
                       double base,
                       std::vector<SiteBody>* bodies,
                       SiteBuildingFigures* fig,
                       std::string* error) {
    const SiteBuilding& b = site.buildings[std::size_t(index)];
    const std::string where = "buildings[" + std::to_string(index) + "] \"" + b.name + "\"";
    auto fail = [&](const std::string& what) {
        *error = where + ": " + what;
        return false;
    };
    const std::vector<Wall> walls = WallsOf(b.outline);
    const std::size_t n = walls.size();
    const double t = b.wallThickness;
    const std::vector<SitePoint> inner = MoveWalls(walls, std::vector<double>(n, t));
    if (!MovedOutlineFits(walls, inner))
        return fail("wall_thickness: walls this thick do not fit inside the outline");
    const double head = base + b.wallHeight;
    *fig = SiteBuildingFigures{};
    fig->name = b.name;
    fig->base = base;
    std::vector<double> bottoms;
    double level = base;
    for (const SiteStorey& s : b.storeys) {
        bottoms.push_back(level);
        fig->floors.push_back(level + s.slabThickness);
        level += s.height;
    }
    const std::string stage = "building " + b.name;
    const long long steps = static_cast<long long>(n + b.openings.size()) + 3;
    long long done = 0;

    const bool roofed = b.roof.present;
    const double verge = roofed ? b.roof.overhang : 0.0;
    double skyTop = head;
    Surface sky;
    if (roofed) {
        // The eaves reach out by overhang / tan(pitch), gable verges by the overhang.
        std::vector<double> reach(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double pitch = b.roof.pitches[i];
            reach[i] = pitch >= 90.0 ? -verge : -b.roof.overhang / std::tan(pitch * kPi / 180.0);
        }
        if (!MovedOutlineFits(walls, MoveWalls(walls, reach)))
            return fail("roof: overhang: the eaves of facing walls reach so far that they meet");
        // With eaves that reach out, the wall heads end half-way into the roof; flush eaves
        // would then lie in the walls' outer faces, so there the heads meet the underside.
        const double lift = b.roof.overhang > 0.0 ? b.roof.thickness / 2 : 0.0;
        sky = MakeSky(walls, b.roof.pitches, head, lift, verge + kGableMargin, &skyTop);
        if (sky == nullptr) return fail("roof: no roof planes could be built over the outline");
    }
    Surface shell;
    Surface panes;
    {
        G3FaceMaterialScope scope(kSiteWall);
        const double wallTop = roofed ? skyTop - 1.0 : head;
        for (std::size_t i = 0; i < n; ++i) {
            Surface w = MakeSitePrism({walls[i].a, walls[i].b, inner[(i + 1) % n], inner[i]}, base,
                                      wallTop, kSiteWall);
            shell = shell == nullptr ? std::move(w) : Combine(true, std::move(shell), std::move(w));
            if (shell == nullptr)
                return fail("outline: wall " + std::to_string(i) +
                            " could not be joined to the walls before it");
            GTrace::Progress(stage.c_str(), ++done, steps);
        }
        for (std::size_t k = 0; k < b.openings.size(); ++k) {
            const SiteOpening& o = b.openings[k];
            const Wall& w = walls[std::size_t(o.wall)];
            double z0 = fig->floors[std::size_t(o.storey)] + o.sill;
            const double z1 = z0 + o.height;
            const double paneBottom = z0;
            // A door at the foot of the wall cuts through it.
            if (z0 <= base + 1e-9) z0 = base - 2 * kThrough;
            auto at = [&](double along, double in) {
                return SitePoint{w.a.x + w.ux * along + w.nx * in, w.a.y + w.uy * along + w.ny * in};
            };
            const double s0 = o.offset, s1 = o.offset + o.width;
            shell = Combine(false, std::move(shell),
                            MakeSitePrism({at(s0, -kThrough), at(s1, -kThrough), at(s1, t + kThrough),
                                           at(s0, t + kThrough)},
                                          z0, z1, kSiteWall));
            if (shell == nullptr)
                return fail("openings[" + std::to_string(k) + "]: could not be cut through wall " +
                            std::to_string(o.wall));
            ++fig->openings;
            if (!o.door) {
                const double pt = std::min(0.02, t / 4);
                Surface pane = MakeSitePrism(
                    {at(s0, (t - pt) / 2), at(s1, (t - pt) / 2), at(s1, (t + pt) / 2), at(s0, (t + pt) / 2)},
                    paneBottom, z1, kSiteGlass);
                if (panes == nullptr) {
                    panes = std::move(pane);
                } else if (pane != nullptr) {
                    panes->Copy(pane.get());
                }
            }
            GTrace::Progress(stage.c_str(), ++done, steps);
        }
        if (roofed) {
            shell = Combine(false, std::move(shell), std::move(sky));
            if (shell == nullptr) return fail("roof: the wall heads could not be cut under the roof");
        }
        GTrace::Progress(stage.c_str(), ++done, steps);
    }
    if (roofed) {
        Surface roof = MakeClosedRoof(walls, b.roof.pitches, head, b.roof.thickness,
                                      b.roof.overhang, verge);
        if (roof == nullptr || !Closed(roof.get()))
            return fail("roof: the roof could not be closed along its edges");
        shell = Combine(true, std::move(shell), std::move(roof));
        if (shell == nullptr) return fail("roof: the roof could not be joined to the walls");
    }
    GTrace::Progress(stage.c_str(), ++done, steps);

    fig->grossVolume = std::fabs(TwiceSignedArea(b.outline)) / 2 * b.wallHeight;
    if (roofed) {
        double mass = 0.0;
        if (RoofMassVolume(b.outline, b.roof.pitches, head, &mass)) fig->grossVolume += mass;
    }
    fig->wallArea = OuterWallArea(shell.get(), walls);
    fig->roofArea = AreaFacing(shell.get(), kSiteRoof, 1e-3);
    const SurfaceReport shellReport = MeasureSurface(shell.get());
    fig->volume = shellReport.volume;
    fig->closed = shellReport.closed;
    bodies->push_back({b.name, SceneKind::Wall, index, -1, std::move(shell)});

    for (std::size_t k = 0; k < b.storeys.size(); ++k) {
        if (!(b.storeys[k].slabThickness > 0.0)) continue;
        Surface slab = MakeSitePrism(inner, bottoms[k], fig->floors[k], kSiteSlab);
        if (slab == nullptr) return fail("storeys[" + std::to_string(k) + "]: the slab has no area");
        int wanted = 0;
        G3HoleMaker maker(slab.get());
        for (std::size_t i = 0; i < site.slabOpenings.size(); ++i) {
            const SiteSlabOpening& o = site.slabOpenings[i];
            if (o.building != b.name || o.storey != static_cast<int>(k)) continue;
            const std::string at = "slab_openings[" + std::to_string(i) + "]: outline: ";
            std::vector<double> xyz;
            for (const SitePoint& p : o.outline) {
                if (!InsidePolygon(p, inner)) {
                    *error = at + "leaves the slab inside the walls of \"" + b.name + "\"";
                    return false;
                }
                xyz.insert(xyz.end(), {p.x, p.y, fig->floors[k] + 1.0});
            }
            const double down[3] = {0.0, 0.0, -1.0};
            if (!maker.AddHoleContour(static_cast<int>(o.outline.size()), xyz.data(), down)) {
                *error = at + "no opening can be made of it";
                return false;
            }
            ++wanted;
        }
        if (wanted > 0) {
            G3FaceMaterialScope scope(kSiteSlab);
            const int made = maker.MakeHoles();
            if (made != wanted) {
                *error = where + ": storeys[" + std::to_string(k) + "]: " +
                         std::to_string(wanted - made) +
                         " slab openings touch the slab's edge or each other";
                return false;
            }
            fig->openings += made;
        }
        fig->slabArea += AreaFacing(slab.get(), kSiteSlab, 0.999);
        fig->closed = fig->closed && Closed(slab.get());
        bodies->push_back({b.name + " slab " + std::to_string(k + 1), SceneKind::Slab, index,
                           static_cast<int>(k), std::move(slab)});
    }
    if (panes != nullptr) {
        fig->closed = fig->closed && Closed(panes.get());
        bodies->push_back({b.name + " glass", SceneKind::Glass, index, -1, std::move(panes)});
    }
    return true;
}

}  // namespace pkcli
