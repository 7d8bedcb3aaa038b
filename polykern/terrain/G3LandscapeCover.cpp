// Closing a terrain into a solid: walls from the rim down to z = 0 and a bottom there.
// The terrain is turned up first, so the rim runs counter-clockwise seen from above and
// every wall and the bottom can be made facing out without an orientation pass.

#include <unordered_map>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/terrain/G3TerrainPlan.h"

namespace {

// The cover's steps, reported as they finish: the rim, the walls, the edge flags, the
// bottom and the normals.
constexpr const char* kCoverStage = "closing the terrain";
constexpr int kCoverSteps = 4;

// Edge flags by the kinds of the facets on either side: a rim edge, or an edge between
// a terrain facet and another, is visible; every edge makes the form.
void SetEdgeFlags(G3Surface* s, G3LandscapeHandler::FacetKind kind) {
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        G3Edge* e = s->GetEdge(i);
        e->ClearFormMaking();
        e->ClearVisible();
        e->SetFormMaking();
        if (e->GetFacetCount() < 2 || kind == nullptr) {
            e->SetVisible();
            continue;
        }
        const bool t1 = kind(e->GetFacet1()) == 0;
        const bool t2 = kind(e->GetFacet2()) == 0;
        if (t1 != t2) e->SetVisible();
    }
}

}  // namespace

void G3LandscapeHandler::SurfaceCover(G3Surface* terrain) {
    if (terrain == nullptr || terrain->GetFacetCount() == 0) return;
    pkterrain::FaceUp(terrain);
    const std::vector<pkterrain::RimEdge> rim = pkterrain::Rim(terrain);
    std::vector<std::vector<G3Vertex*>> loops;
    // One simple rim only: several rims (a terrain with a hole, or in pieces) have no
    // single bottom.
    if (rim.empty() || !pkterrain::RimLoops(rim, &loops) || loops.size() != 1) return;
    GTrace::Progress(kCoverStage, 1, kCoverSteps);
    const std::vector<G3Vertex*>& loop = loops[0];
    std::unordered_map<G3Vertex*, G3Vertex*> below;
    below.reserve(loop.size());
    for (G3Vertex* v : loop) below[v] = terrain->AddVertex(v->GetX(), v->GetY(), 0.0, 0);
    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(1);
    // The terrain walks each rim edge a → b; its wall walks it b → a and faces out.
    for (std::size_t i = 0; i < loop.size(); ++i) {
        G3Vertex* a = loop[i];
        G3Vertex* b = loop[(i + 1) % loop.size()];
        G3Vertex* q[4] = {b, a, below[a], below[b]};
        terrain->AddFacet(4, q, G3EDGE_VISIBLE, nullptr, nullptr);
    }
    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(0);
    GTrace::Progress(kCoverStage, 2, kCoverSteps);
    SetEdgeFlags(terrain, m_pfnFacetKind);
    GTrace::Progress(kCoverStage, 3, kCoverSteps);
    std::vector<G3Vertex*> bottom;
    bottom.reserve(loop.size());
    for (auto it = loop.rbegin(); it != loop.rend(); ++it) bottom.push_back(below[*it]);
    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(1);
    G3Facet* base = terrain->AddFacet(int(bottom.size()), bottom.data(),
                                      G3EDGE_VISIBLE | G3EDGE_FORM_MAKING, nullptr, nullptr);
    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(0);
    if (base != nullptr && terrain->GetClosed()) terrain->SetSolid();
    if (m_pfnFacetKind != nullptr) {
        GArrayCollection facets;
        for (int i = 0; i < terrain->GetFacetCount(); ++i) {
            G3Facet* f = terrain->GetFacet(i);
            if (m_pfnFacetKind(f) == 0) facets.add(f);
        }
        terrain->AverageNormalsByPlanes(&facets);
    }
    GTrace::Progress(kCoverStage, kCoverSteps, kCoverSteps);
}
