// Pads levelled into a large terrain: each pad works on a window of the terrain around it,
// and the windows go back into the terrain in one build, so that the cost of a pad follows
// its own size, not the terrain's.

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tools/polykern/SiteGeometry.h"
#include "tools/polykern/TerrainVolumes.h"

namespace pkcli {

namespace {

using Surface = std::unique_ptr<G3Surface>;

std::string PadName(const SiteDescription& site, std::size_t i) {
    const SitePad& pad = site.pads[i];
    return "pads[" + std::to_string(i) + "]" + (pad.name.empty() ? "" : " \"" + pad.name + "\"");
}

// Stores the pad as the handler's one contour, with its slope width.
bool SetPad(const SiteDescription& site, std::size_t p, G3LandscapeHandler* h, std::string* error) {
    const SitePad& pad = site.pads[p];
    h->ClearContours();
    h->SetOffsetDistance(pad.slopeWidth);
    h->StartContour();
    for (const SitePoint& q : pad.outline) h->AddContourVertex(q.x, q.y, pad.height);
    if (h->EndContour()) return true;
    *error = PadName(site, p) + ": outline: cannot be levelled (no area or crossing)";
    return false;
}

// One pad into `before`: the levelled sheet and the pad's figures; null with *error set.
Surface LevelOne(const SiteDescription& site,
                 std::size_t p,
                 G3LandscapeHandler* h,
                 G3Surface* before,
                 SitePadFigures* figures,
                 std::string* error) {
    if (!SetPad(site, p, h, error)) return nullptr;
    Surface next(h->ApplyFlatRegion(before));
    if (next == nullptr) {
        *error = PadName(site, p) + ": outline: lies off the terrain or could not be cut in";
        return nullptr;
    }
    figures->name = site.pads[p].name.empty() ? "pad " + std::to_string(p + 1) : site.pads[p].name;
    if (!TerrainCutFill(before, next.get(), &figures->cut, &figures->fill, error)) {
        *error = PadName(site, p) + ": " + *error;
        return nullptr;
    }
    return next;
}

// Every pad in turn over the whole terrain.
bool LevelOneByOne(const SiteDescription& site,
                   G3LandscapeHandler* h,
                   std::unique_ptr<G3Surface>* terrain,
                   std::vector<SitePadFigures>* figures,
                   std::string* error) {
    const std::size_t n = site.pads.size();
    for (std::size_t p = 0; p < n; ++p) {
        SitePadFigures f;
        Surface next = LevelOne(site, p, h, terrain->get(), &f, error);
        if (next == nullptr) return false;
        figures->push_back(f);
        *terrain = std::move(next);
        GTrace::Progress("pads", static_cast<long long>(p + 1), static_cast<long long>(n));
    }
    return true;
}

void PlanBox(const G3Facet* f, std::vector<G3Vertex*>* ring, double box[4]) {
    box[0] = box[1] = HUGE_VAL;
    box[2] = box[3] = -HUGE_VAL;
    ring->resize(std::size_t(f->GetVertexCount()));
    f->GetVertices(ring->data());
    for (const G3Vertex* v : *ring) {
        box[0] = std::min(box[0], v->GetX());
        box[1] = std::min(box[1], v->GetY());
        box[2] = std::max(box[2], v->GetX());
        box[3] = std::max(box[3], v->GetY());
    }
}

bool Meet(const double* a, const double* b) {
    return a[0] <= b[2] && b[0] <= a[2] && a[1] <= b[3] && b[1] <= a[3];
}

// The outline loop of a facet as vertices; false for a facet with holes.
bool OneLoop(const G3Facet* f, std::vector<G3Vertex*>* ring) {
    std::vector<int> ends;
    return f->GetLoops(*ring, ends) && ends.size() == 1;
}

using Key = std::tuple<double, double, double>;

}  // namespace

bool LevelSitePads(const SiteDescription& site,
                   G3LandscapeHandler* h,
                   std::unique_ptr<G3Surface>* terrain,
                   std::vector<SitePadFigures>* figures,
                   std::string* error) {
    const std::size_t n = site.pads.size();
    if (n == 0) return true;
    G3Surface* t = terrain->get();
    double sum = 0.0;
    for (int i = 0; i < t->GetEdgeCount(); ++i) sum += t->GetEdge(i)->GetSize(0, 1);
    const double average = t->GetEdgeCount() > 0 ? sum / t->GetEdgeCount() : 0.0;

    // Each pad's window: its band's box grown by a few edges, so that the pad never reaches
    // the window's rim. Windows that come near each other are levelled one after another.
    std::vector<std::array<double, 4>> windows(n);
    for (std::size_t p = 0; p < n; ++p) {
        std::array<double, 4>& w = windows[p];
        w = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        const double grow = site.pads[p].slopeWidth + 4 * average + 1.0;
        for (const SitePoint& q : site.pads[p].outline) {
            w[0] = std::min(w[0], q.x - grow);
            w[1] = std::min(w[1], q.y - grow);
            w[2] = std::max(w[2], q.x + grow);
            w[3] = std::max(w[3], q.y + grow);
        }
    }
    bool apart = true;
    for (std::size_t a = 0; a < n && apart; ++a) {
        for (std::size_t b = a + 1; b < n && apart; ++b) {
            std::array<double, 4> grown = windows[a];
            grown[0] -= 2 * average;
            grown[1] -= 2 * average;
            grown[2] += 2 * average;
            grown[3] += 2 * average;
            apart = !Meet(grown.data(), windows[b].data());
        }
    }
    // Facets by window (−1: none), and every facet a single loop.
    const int facets = t->GetFacetCount();
    std::vector<int> windowOf(std::size_t(facets), -1);
    std::vector<G3Vertex*> ring;
    for (int i = 0; i < facets && apart; ++i) {
        const G3Facet* f = t->GetFacet(i);
        double box[4];
        PlanBox(f, &ring, box);
        for (std::size_t p = 0; p < n; ++p) {
            if (Meet(box, windows[p].data())) windowOf[std::size_t(i)] = static_cast<int>(p);
        }
        if (windowOf[std::size_t(i)] >= 0 && !OneLoop(f, &ring)) apart = false;
    }
    // A vertex's index is its identifier where the two agree (a fresh terrain's always do).
    bool byId = true;
    for (int i = 0; i < t->GetVertexCount() && byId; ++i) byId = t->GetVertex(i)->GetId() == i;
    std::unordered_map<const G3Vertex*, int> map;
    if (!byId) {
        map.reserve(std::size_t(t->GetVertexCount()));
        for (int i = 0; i < t->GetVertexCount(); ++i) map.emplace(t->GetVertex(i), i);
    }
    auto index = [&](const G3Vertex* v) { return byId ? static_cast<int>(v->GetId()) : map[v]; };

    if (!apart) return LevelOneByOne(site, h, terrain, figures, error);

    // The whole terrain's points, then the points the pads add; the corners of every facet
    // outside the windows, then those of the levelled windows.
    std::vector<double> xyz;
    xyz.reserve(3 * std::size_t(t->GetVertexCount()));
    for (int i = 0; i < t->GetVertexCount(); ++i) {
        const double* p = t->GetVertex(i)->GetXYZ();
        xyz.insert(xyz.end(), p, p + 3);
    }
    std::vector<int> counts, corners;
    counts.reserve(std::size_t(facets));
    corners.reserve(3 * std::size_t(facets));
    std::vector<int> ends;
    for (int i = 0; i < facets; ++i) {
        if (windowOf[std::size_t(i)] >= 0) continue;
        if (!t->GetFacet(i)->GetLoops(ring, ends) || ends.empty()) continue;
        counts.push_back(ends[0]);
        for (int k = 0; k < ends[0]; ++k) corners.push_back(index(ring[std::size_t(k)]));
    }
    for (std::size_t p = 0; p < n; ++p) {
        // The window as a sheet of its own, its points remembered by coordinates.
        std::vector<double> wxyz;
        std::vector<int> wcounts, wcorners;
        std::unordered_map<int, int> local;
        std::map<Key, int> global;
        for (int i = 0; i < facets; ++i) {
            if (windowOf[std::size_t(i)] != static_cast<int>(p)) continue;
            OneLoop(t->GetFacet(i), &ring);
            wcounts.push_back(static_cast<int>(ring.size()));
            for (G3Vertex* v : ring) {
                const int g = index(v);
                auto [it, fresh] = local.emplace(g, static_cast<int>(wxyz.size() / 3));
                if (fresh) {
                    wxyz.insert(wxyz.end(), v->GetXYZ(), v->GetXYZ() + 3);
                    global.emplace(Key{v->GetX(), v->GetY(), v->GetZ()}, g);
                }
                wcorners.push_back(it->second);
            }
        }
        G3Surface window;
        window.AddIndexedFacets(static_cast<int>(wxyz.size() / 3), wxyz.data(),
                                static_cast<int>(wcounts.size()), wcounts.data(),
                                static_cast<int>(wcorners.size()), wcorners.data(), nullptr,
                                window.GetEdgeFlags());
        G3FaceMaterialProvider::SetMaterial(&window, kSiteTerrain);
        SitePadFigures f;
        Surface levelled = LevelOne(site, p, h, &window, &f, error);
        if (levelled == nullptr) return false;
        figures->push_back(f);
        // The levelled window's facets, its unchanged points joined to the terrain's.
        std::unordered_map<const G3Vertex*, int> point;
        for (int i = 0; i < levelled->GetVertexCount(); ++i) {
            const G3Vertex* v = levelled->GetVertex(i);
            const auto it = global.find(Key{v->GetX(), v->GetY(), v->GetZ()});
            if (it != global.end()) {
                point.emplace(v, it->second);
            } else {
                point.emplace(v, static_cast<int>(xyz.size() / 3));
                xyz.insert(xyz.end(), v->GetXYZ(), v->GetXYZ() + 3);
            }
        }
        for (int i = 0; i < levelled->GetFacetCount(); ++i) {
            if (!OneLoop(levelled->GetFacet(i), &ring)) {
                apart = false;  // a facet with holes: level the pads over the whole terrain
                break;
            }
            counts.push_back(static_cast<int>(ring.size()));
            for (const G3Vertex* v : ring) corners.push_back(point[v]);
        }
        if (!apart) break;
        GTrace::Progress("pads", static_cast<long long>(p + 1), static_cast<long long>(n));
    }
    if (!apart) {
        figures->clear();
        return LevelOneByOne(site, h, terrain, figures, error);
    }
    auto result = std::make_unique<G3Surface>();
    result->AddIndexedFacets(static_cast<int>(xyz.size() / 3), xyz.data(),
                             static_cast<int>(counts.size()), counts.data(),
                             static_cast<int>(corners.size()), corners.data(), nullptr,
                             result->GetEdgeFlags());
    result->RemoveUnused();
    G3FaceMaterialProvider::SetMaterial(result.get(), kSiteTerrain);
    *terrain = std::move(result);
    return true;
}

}  // namespace pkcli
