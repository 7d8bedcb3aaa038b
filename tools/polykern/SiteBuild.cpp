#include "tools/polykern/SiteBuild.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TVertex.h"
#include "tools/polykern/ReaderText.h"
#include "tools/polykern/SiteGeometry.h"
#include "tools/polykern/SurfaceReport.h"

namespace pkcli {

namespace {

using Surface = std::unique_ptr<G3Surface>;
using Clock = std::chrono::steady_clock;

// Adds the seconds since `start` to the stage's time and restarts the clock.
void Lap(std::vector<SiteStageTime>* stages, const char* stage, Clock::time_point* start) {
    const Clock::time_point now = Clock::now();
    const double s = std::chrono::duration<double>(now - *start).count();
    *start = now;
    for (SiteStageTime& t : *stages) {
        if (t.stage == stage) {
            t.seconds += s;
            return;
        }
    }
    stages->push_back({stage, s});
}

// The surveyed terrain sheet, from the point files or the grid; null with *error set.
Surface SurveyedTerrain(const SiteTerrain& t, G3LandscapeHandler* h, long long* points, std::string* error) {
    std::vector<double> xyz, pairs;
    if (t.grid) {
        for (int r = 0; r < t.rows; ++r) {
            for (int c = 0; c < t.columns; ++c) {
                xyz.insert(xyz.end(), {t.origin.x + c * t.spacing[0], t.origin.y + r * t.spacing[1],
                                       t.heights[std::size_t(r * t.columns + c)]});
            }
        }
    } else {
        if (!ReadNumbers(t.points, 3, &xyz, error)) {
            *error = "terrain: points: " + *error;
            return nullptr;
        }
        if (!t.breaklines.empty() && !ReadNumbers(t.breaklines, 2, &pairs, error)) {
            *error = "terrain: breaklines: " + *error;
            return nullptr;
        }
    }
    const std::size_t n = xyz.size() / 3;
    *points = static_cast<long long>(n);
    std::vector<G3TVertex*> vertices(n);
    for (std::size_t i = 0; i < n; ++i) vertices[i] = h->AddVertex(&xyz[3 * i]);
    for (std::size_t k = 0; k + 1 < pairs.size(); k += 2) {
        const double a = pairs[k], b = pairs[k + 1];
        if (a != std::floor(a) || b != std::floor(b) || a < 0 || b < 0 || a >= double(n) ||
            b >= double(n)) {
            *error = "terrain: breaklines: line " + std::to_string(k / 2 + 1) +
                     " names no survey point";
            return nullptr;
        }
        if (vertices[std::size_t(a)] != nullptr && vertices[std::size_t(b)] != nullptr)
            h->AddEdge(vertices[std::size_t(a)], vertices[std::size_t(b)]);
    }
    if (!h->MakeTriangulation()) {
        *error = "terrain: the survey could not be triangulated";
        return nullptr;
    }
    Surface sheet(h->GetSurface());
    if (sheet == nullptr || sheet->GetFacetCount() == 0) {
        *error = "terrain: no triangles: fewer than three distinct points, or all on one line";
        return nullptr;
    }
    G3FaceMaterialProvider::SetMaterial(sheet.get(), kSiteTerrain);
    return sheet;
}

// The lowest terrain height under each query point (NaN off the terrain), in one pass
// over the sheet's facets with the points sorted along x.
std::vector<double> HeightsAt(const G3Surface* sheet, const std::vector<SitePoint>& query) {
    std::vector<double> z(query.size(), std::nan(""));
    std::vector<std::size_t> order(query.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return query[a].x < query[b].x; });
    std::vector<double> xs;
    for (std::size_t i : order) xs.push_back(query[i].x);
    std::vector<G3Vertex*> ring;
    std::vector<int> ends;
    std::vector<SitePoint> loop;
    for (int i = 0; i < sheet->GetFacetCount(); ++i) {
        const G3Facet* f = sheet->GetFacet(i);
        if (!(f->GetPlaneC() > 1e-9) || !f->GetLoops(ring, ends) || ends.empty()) continue;
        double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
        for (int k = 0; k < ends[0]; ++k) {
            const G3Vertex* v = ring[std::size_t(k)];
            lo[0] = std::min(lo[0], v->GetX());
            lo[1] = std::min(lo[1], v->GetY());
            hi[0] = std::max(hi[0], v->GetX());
            hi[1] = std::max(hi[1], v->GetY());
        }
        for (auto it = std::lower_bound(xs.begin(), xs.end(), lo[0]); it != xs.end() && *it <= hi[0]; ++it) {
            const std::size_t q = order[std::size_t(it - xs.begin())];
            const SitePoint& p = query[q];
            if (p.y < lo[1] || p.y > hi[1]) continue;
            // Loop by loop: inside the outline and in none of the holes.
            bool inside = false;
            int begin = 0;
            for (int end : ends) {
                loop.clear();
                for (int k = begin; k < end; ++k) loop.push_back({ring[std::size_t(k)]->GetX(), ring[std::size_t(k)]->GetY()});
                inside = inside != InsidePolygon(p, loop);
                begin = end;
            }
            if (!inside) continue;
            const double h = -(f->GetPlaneA() * p.x + f->GetPlaneB() * p.y + f->GetPlaneD()) / f->GetPlaneC();
            if (std::isnan(z[q]) || h < z[q]) z[q] = h;
        }
    }
    return z;
}

// The level each building stands on: its own base, else the height of a pad that holds
// its whole outline, else the lowest terrain height under its corners (all such corners
// found in one pass over the terrain).
bool BasesOf(const SiteDescription& site, const G3Surface* terrain, std::vector<double>* bases, std::string* error) {
    const std::size_t n = site.buildings.size();
    bases->assign(n, HUGE_VAL);
    std::vector<SitePoint> corners;
    std::vector<std::size_t> owner;
    for (std::size_t i = 0; i < n; ++i) {
        const SiteBuilding& b = site.buildings[i];
        if (b.hasBase) {
            (*bases)[i] = b.base;
            continue;
        }
        const auto pad = std::find_if(site.pads.begin(), site.pads.end(), [&](const SitePad& p) {
            return std::all_of(b.outline.begin(), b.outline.end(),
                               [&](const SitePoint& q) { return InsidePolygon(q, p.outline); });
        });
        if (pad != site.pads.end()) {
            (*bases)[i] = pad->height;
            continue;
        }
        corners.insert(corners.end(), b.outline.begin(), b.outline.end());
        owner.insert(owner.end(), b.outline.size(), i);
    }
    if (corners.empty()) return true;
    const std::vector<double> z = HeightsAt(terrain, corners);
    for (std::size_t k = 0; k < z.size(); ++k) {
        const std::size_t i = owner[k];
        if (std::isnan(z[k])) {
            const std::size_t first = std::size_t(std::find(owner.begin(), owner.end(), i) - owner.begin());
            *error = "buildings[" + std::to_string(i) + "] \"" + site.buildings[i].name +
                     "\": outline: point " + std::to_string(k - first) +
                     " lies off the terrain (give the building a \"base\")";
            return false;
        }
        (*bases)[i] = std::min((*bases)[i], z[k]);
    }
    return true;
}

}  // namespace

double VolumeUnderSheet(const G3Surface* sheet, double bottom) {
    double volume = 0.0;
    for (int i = 0; i < sheet->GetFacetCount(); ++i) {
        std::vector<G3Vertex*> ring;
        std::vector<int> ends;
        if (!sheet->GetFacet(i)->GetLoops(ring, ends)) continue;
        int begin = 0;
        // Each loop fanned from its first corner: exact for a planar facet, holes included
        // since they run the other way.
        for (int end : ends) {
            const double* o = ring[std::size_t(begin)]->GetXYZ();
            for (int k = begin + 1; k + 1 < end; ++k) {
                const double* p = ring[std::size_t(k)]->GetXYZ();
                const double* q = ring[std::size_t(k + 1)]->GetXYZ();
                const double area =
                    0.5 * ((p[0] - o[0]) * (q[1] - o[1]) - (p[1] - o[1]) * (q[0] - o[0]));
                volume += area * ((o[2] + p[2] + q[2]) / 3.0 - bottom);
            }
            begin = end;
        }
    }
    return volume;
}

double ClosedVolume(const G3Surface* s, double level) {
    if (s->GetVertexCount() == 0) return 0.0;
    // One reference point for every triangle: the first vertex, lowered to `level`.
    const double r[3] = {s->GetVertex(0)->GetX(), s->GetVertex(0)->GetY(), level};
    double volume = 0.0;
    std::vector<G3Vertex*> ring;
    std::vector<int> ends;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        if (!s->GetFacet(i)->GetLoops(ring, ends)) continue;
        int begin = 0;
        for (int end : ends) {
            const double* o = ring[std::size_t(begin)]->GetXYZ();
            const double a[3] = {o[0] - r[0], o[1] - r[1], o[2] - r[2]};
            for (int k = begin + 1; k + 1 < end; ++k) {
                const double* p = ring[std::size_t(k)]->GetXYZ();
                const double* q = ring[std::size_t(k + 1)]->GetXYZ();
                const double b[3] = {p[0] - r[0], p[1] - r[1], p[2] - r[2]};
                const double c[3] = {q[0] - r[0], q[1] - r[1], q[2] - r[2]};
                volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                           a[2] * (b[0] * c[1] - b[1] * c[0])) / 6.0;
            }
            begin = end;
        }
    }
    return volume;
}

SceneKind KindOfMaterial(int material) {
    switch (material) {
        case kSiteTerrain: return SceneKind::Terrain;
        case kSiteWall: return SceneKind::Wall;
        case kSiteSlab: return SceneKind::Slab;
        case kSiteRoof: return SceneKind::Roof;
        case kSiteGlass: return SceneKind::Glass;
        default: return SceneKind::Plain;
    }
}

bool BuildSite(const SiteDescription& site, SiteModel* out, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    SiteModel model;
    Clock::time_point start = Clock::now();
    G3LandscapeHandler h;
    Surface terrain;
    {
        G3FaceMaterialScope scope(kSiteTerrain);
        GTrace::Progress("terrain", 0, 1);
        terrain = SurveyedTerrain(site.terrain, &h, &model.surveyPoints, error);
        if (terrain == nullptr) return false;
        GTrace::Progress("terrain", 1, 1);
        Lap(&model.stages, "terrain", &start);

        double box[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        double low = HUGE_VAL;
        for (int i = 0; i < terrain->GetVertexCount(); ++i) {
            const G3Vertex* v = terrain->GetVertex(i);
            box[0] = std::min(box[0], v->GetX());
            box[1] = std::min(box[1], v->GetY());
            box[2] = std::max(box[2], v->GetX());
            box[3] = std::max(box[3], v->GetY());
            low = std::min(low, v->GetZ());
        }
        if (!CheckPadsOnTerrain(site, box, error)) return false;
        // The solids of the survey and of the finished terrain stand on one level below both.
        for (const SitePad& pad : site.pads) low = std::min(low, pad.height);
        model.terrainBottom = std::floor(low) - 1.0;
        model.surveyVolume = VolumeUnderSheet(terrain.get(), model.terrainBottom);
        if (!LevelSitePads(site, &h, &terrain, &model.pads, error)) return false;
        Lap(&model.stages, "pads", &start);
        if (site.smooth) {
            Surface smooth(h.LandscapeSmoothing(terrain.get(), 4, 1));
            if (smooth == nullptr || smooth->GetFacetCount() == 0) {
                *error = "smooth: the terrain could not be smoothed";
                return false;
            }
            terrain = std::move(smooth);
            Lap(&model.stages, "smoothing", &start);
        }
    }
    // Buildings stand on the terrain as it is before it is closed.
    std::vector<double> bases;
    if (!BasesOf(site, terrain.get(), &bases, error)) return false;
    {
        G3FaceMaterialScope scope(kSiteTerrain);
        GTrace::Progress("closing the terrain", 0, 1);
        // SurfaceCover closes down to z = 0: lift the sheet so that 0 is the bottom level.
        // Points are rows: the translation is the last row.
        const double up[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, -model.terrainBottom, 1}};
        const double down[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, model.terrainBottom, 1}};
        const int sheetFacets = terrain->GetFacetCount();
        terrain->RealTransformation(up);
        h.SurfaceCover(terrain.get());
        terrain->RealTransformation(down);
        if (terrain->GetFacetCount() == sheetFacets) {
            *error = "terrain: could not be closed: its rim is not one simple loop";
            return false;
        }
        GTrace::Progress("closing the terrain", 1, 1);
    }
    // The terrain is large: its own closedness test and a volume by loops, relative to its
    // bottom level, rather than the full report.
    model.terrainFacets = terrain->GetFacetCount();
    model.terrainClosed = terrain->GetClosed();
    model.terrainVolume = ClosedVolume(terrain.get(), model.terrainBottom);
    model.bodies.push_back({"terrain", SceneKind::Terrain, -1, -1, std::move(terrain)});
    Lap(&model.stages, "terrain solid", &start);

    for (std::size_t i = 0; i < site.buildings.size(); ++i) {
        SiteBuildingFigures figures;
        if (!BuildSiteBuilding(site, static_cast<int>(i), bases[i], &model.bodies, &figures, error))
            return false;
        model.buildings.push_back(figures);
        GTrace::Progress("buildings", static_cast<long long>(i + 1),
                         static_cast<long long>(site.buildings.size()));
    }
    Lap(&model.stages, "buildings", &start);
    *out = std::move(model);
    return true;
}

std::vector<SceneElement> SiteScene(const SiteModel& model) {
    std::vector<SceneElement> scene;
    for (const SiteBody& b : model.bodies) {
        SceneElement e;
        e.name = b.name;
        e.surface = b.surface.get();
        e.kind = b.kind;
        for (int i = 0; i < b.surface->GetFacetCount(); ++i) {
            const int m = G3FaceMaterialProvider::MaterialOf(b.surface->GetFacet(i));
            e.facetKinds.push_back(m != 0 ? KindOfMaterial(m) : b.kind);
        }
        scene.push_back(std::move(e));
    }
    return scene;
}

}  // namespace pkcli
