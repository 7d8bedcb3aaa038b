// Topology edits of a surface: splitting edges and merging vertices.

#include <algorithm>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

void G3Surface::SplitEdge(G3Edge* e, int n, G3Vertex** points, bool reverse) {
    if (e == nullptr || n < 0 || (n > 0 && points == nullptr)) return;
    if (reverse) std::reverse(points, points + n);
    G3Facet* facets[2] = {e->GetFacet1(), e->GetFacet2()};

    std::vector<G3Edge*> chain;
    G3Vertex* from = e->GetVertex1();
    for (int k = 0; k <= n; ++k) {
        G3Vertex* to = k < n ? points[k] : e->GetVertex2();
        auto* piece = new G3Edge(from, to);
        piece->SetFlags(e->GetFlags());
        piece->SetFacet1(facets[0]);
        piece->SetFacet2(facets[1]);
        chain.push_back(piece);
        from = to;
    }
    // The ends keep e's normals at e's ends; inner ends are interpolated below.
    G3TexCoo* t = nullptr;
    G3Normal* normal = e->GetFacet1V1(&t);
    chain.front()->SetFacet1V1(normal, t);
    normal = e->GetFacet2V1(&t);
    chain.front()->SetFacet2V1(normal, t);
    normal = e->GetFacet1V2(&t);
    chain.back()->SetFacet1V2(normal, t);
    normal = e->GetFacet2V2(&t);
    chain.back()->SetFacet2V2(normal, t);

    for (G3Facet* f : facets) {
        if (f != nullptr) f->DivideEdge(e, static_cast<int>(chain.size()), chain.data());
    }
    for (G3Edge* piece : chain) {
        AddEdgeToCollection(piece);
        piece->GetVertex1()->AddEdge(piece);
        piece->GetVertex2()->AddEdge(piece);
    }
    if (e->HasGeometry()) {
        for (int k = 0; k < n; ++k) {
            for (G3Facet* f : facets) {
                if (f == nullptr) continue;
                G3Normal* interpolated = nullptr;
                G3TexCoo* tex = nullptr;
                if (!f->Interpolate(e, points[k]->GetXYZ(), &interpolated, &tex)) continue;
                f->SetNormal(points[k], AddNormal(interpolated), AddTexCoo(tex), false);
                delete interpolated;
                delete tex;
            }
        }
    }
    e->SetFacet1(nullptr);
    e->SetFacet2(nullptr);
    e->SetFacet1Edge(nullptr);
    e->SetFacet2Edge(nullptr);
    RemoveEdge(e);
}

bool G3Surface::ChangeVertex(G3Vertex* old, G3Vertex* repl, GArrayCollection* collapsed) {
    if (old == nullptr || repl == nullptr || old == repl) return true;
    std::vector<G3Edge*> edges(static_cast<std::size_t>(old->GetEdgeCount()));
    old->GetEdges(edges.data());
    if (collapsed != nullptr) collapsed->clear();
    std::vector<G3Edge*> between;
    for (G3Edge* e : edges) {
        if (e->HasVertex(repl)) {
            between.push_back(e);
            continue;
        }
        old->RemoveEdge(e);
        if (e->GetVertex1() == old) e->SetVertex1(repl);
        if (e->GetVertex2() == old) e->SetVertex2(repl);
        repl->AddEdge(e);
    }
    for (G3Edge* e : between) {
        for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f != nullptr) f->ChangeEdgeToVertex(e, repl);
        }
        e->GetVertex1()->RemoveEdge(e);
        e->GetVertex2()->RemoveEdge(e);
        // old is about to go: the collapsed edge must not keep pointing at it.
        if (e->GetVertex1() == old) e->SetVertex1(repl);
        if (e->GetVertex2() == old) e->SetVertex2(repl);
        if (collapsed != nullptr) collapsed->add(e);
    }
    RemoveVertex(old);
    return true;
}
