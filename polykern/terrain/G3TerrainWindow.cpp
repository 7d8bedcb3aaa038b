// The window of a terrain that an edit works on: its facets copied out, and the edited
// copy put back into the rest of the terrain.

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3TerrainPlan.h"

namespace pkterrain {

// Copies the facets into a new surface, loops and holes included; `into` maps each
// source vertex to its copy.
G3Surface* CopyFacets(const std::vector<G3Facet*>& facets,
                      bool turn,
                      std::unordered_map<const G3Vertex*, G3Vertex*>* into) {
    auto* w = new G3Surface();
    std::vector<G3Vertex*> starts, loop;
    std::vector<int> ends;
    for (G3Facet* f : facets) {
        if (!f->GetLoops(starts, ends)) continue;
        const bool holes = ends.size() > 1;
        w->ProviderSetExData(f->IsOutExDataExist() ? f : nullptr);
        if (holes) w->BeginComplexFacet();
        int begin = 0;
        for (int end : ends) {
            loop.clear();
            for (int i = begin; i < end; ++i) {
                G3Vertex*& v = (*into)[starts[std::size_t(i)]];
                if (v == nullptr) v = w->AddVertex(starts[std::size_t(i)]->GetXYZ(), 0);
                loop.push_back(v);
            }
            if (turn) std::reverse(loop.begin(), loop.end());
            w->AddFacet(int(loop.size()), loop.data(), G3EDGE_VISIBLE, nullptr, nullptr);
            begin = end;
        }
        if (holes) w->EndComplexFacet();
        w->ProviderSetExData(nullptr);
    }
    return w;
}

// The shared vertices sorted by x, so that each vertex of the copy finds its partner by a
// search over those within the tolerance in x.
void MergeInto(G3Surface* to, G3Surface* from, const std::vector<G3Vertex*>& shared) {
    constexpr double kTol = 1e-6;
    std::vector<std::pair<double, G3Vertex*>> byX;
    byX.reserve(shared.size());
    for (G3Vertex* v : shared)
        if (v != nullptr) byX.push_back({v->GetX(), v});
    std::sort(byX.begin(), byX.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::unordered_map<const G3Vertex*, G3Vertex*> made;
    auto target = [&](const G3Vertex* v) {
        G3Vertex*& t = made[v];
        if (t != nullptr) return t;
        auto it = std::lower_bound(byX.begin(), byX.end(), v->GetX() - kTol,
                                   [](const auto& a, double x) { return a.first < x; });
        for (; it != byX.end() && it->first <= v->GetX() + kTol && t == nullptr; ++it)
            if (G3Point::Equals(it->second->GetXYZ(), v->GetXYZ(), kTol)) t = it->second;
        if (t == nullptr) t = to->AddVertex(v->GetXYZ(), 0);
        return t;
    };
    std::vector<G3Vertex*> starts, loop;
    std::vector<int> ends;
    for (int i = 0; i < from->GetFacetCount(); ++i) {
        G3Facet* f = from->GetFacet(i);
        if (!f->GetLoops(starts, ends)) continue;
        const bool holes = ends.size() > 1;
        to->ProviderSetExData(f->IsOutExDataExist() ? f : nullptr);
        if (holes) to->BeginComplexFacet();
        int begin = 0;
        for (int end : ends) {
            loop.clear();
            for (int k = begin; k < end; ++k) loop.push_back(target(starts[std::size_t(k)]));
            to->AddFacet(int(loop.size()), loop.data(), G3EDGE_VISIBLE, nullptr, nullptr);
            begin = end;
        }
        if (holes) to->EndComplexFacet();
        to->ProviderSetExData(nullptr);
    }
}

}  // namespace pkterrain
