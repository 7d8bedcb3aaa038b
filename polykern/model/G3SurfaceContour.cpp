// Surface operations built on edge lists: facets with holes, rebuilding facets around a
// replaced vertex, and merging coplanar facets into contour facets.

#include <algorithm>
#include <functional>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

void G3Surface::BeginComplexFacet() {
    delete dynamic_cast<GArrayCollection*>(GetExData());
    SetExData(new GArrayCollection(8, 8));
}

// Removes f and the edges only f used: the facet that replaces it makes its own edges,
// and the old ones would stay in the surface (and in its dump) with no facet at all.
void G3Surface::RemoveFacetAndLooseEdges(G3Facet* f) {
    std::vector<G3Edge*> edges(static_cast<std::size_t>(f->GetEdgeCount()));
    f->GetEdges(edges.data());
    RemoveFacet(f);
    for (G3Edge* e : edges) {
        if (e->GetFacetCount() == 0) RemoveEdge(e);
    }
}

void G3Surface::EndComplexFacet() {
    auto* collected = dynamic_cast<GArrayCollection*>(GetExData());
    SetExData(nullptr);
    if (collected == nullptr) return;
    if (!collected->isEmpty()) {
        auto* first = static_cast<G3Facet*>(collected->get(0));
        G3EdgeList list(first);
        RemoveFacetAndLooseEdges(first);
        list.FormMaxPlaneCoo();
        for (int i = 1; i < collected->size(); ++i) {
            auto* f = static_cast<G3Facet*>(collected->get(i));
            list.AddRing(f);
            RemoveFacetAndLooseEdges(f);
        }
        GArrayCollection contours;
        list.RemoveSelfIntersections(&contours, this, false, UNION_EDGE_MERGE, 0);
        AddLoopedFacets(&contours, nullptr, -1);
        contours.clear(true);
    }
    delete collected;
}

// Each outer contour takes the holes directly inside it, run the other way round, into
// one ring. With `flags` ≥ 0 every facet gets those flags and the current surface number;
// otherwise each outer contour's own. `map` (optional) turns a contour's vertices, by
// identifier, into this surface's.
void G3Surface::AddLoopedFacets(GArrayCollection* contours, G3Shell* map, int32_t flags) {
    G3EdgeList::FormContourTypes(contours);
    for (int i = 0; i < contours->size(); ++i) {
        auto* outer = static_cast<G3EdgeList*>(contours->get(i));
        if (outer->GetContourType() == CONTOUR_HOLE) continue;
        GArrayCollection ring(outer->size() + 16, 64);
        ring.add(outer->size(), outer->toArray());
        for (int j = 0; j < contours->size(); ++j) {
            auto* hole = static_cast<G3EdgeList*>(contours->get(j));
            if (hole->GetContourType() != CONTOUR_HOLE ||
                hole->GetInCount() != outer->GetInCount() + 1 || !hole->IsIn(outer)) {
                continue;
            }
            hole->Rotate();
            hole->Normalize();
            ring.add(hole->size(), hole->toArray());
            hole->SetInCount(-1);  // taken
        }
        if (map != nullptr) {
            for (int k = 0; k < ring.size(); ++k) {
                auto* e = static_cast<G3Edge*>(ring.get(k));
                e->SetVertex1(map->GetVertex(e->GetVertex1()->GetId()));
                e->SetVertex2(map->GetVertex(e->GetVertex2()->GetId()));
            }
        }
        if (flags >= 0) {
            AddFacet(&ring, flags, m_Surface);
        } else {
            AddFacet(&ring, outer->GetFacetFlags(), outer->GetFacetSurface());
        }
    }
    for (int j = 0; j < contours->size(); ++j) {
        auto* c = static_cast<G3EdgeList*>(contours->get(j));
        if (c->GetContourType() == CONTOUR_HOLE && c->GetInCount() >= 0) {
            GTrace::Message("a hole with no loop around it makes no facet");
        }
    }
}

void G3Surface::AddFacets(GArrayCollection* contours) {
    if (contours == nullptr) return;
    for (int i = 0; i < contours->size(); ++i) {
        auto* list = static_cast<G3EdgeList*>(contours->get(i));
        if (list->GetContourType() == CONTOUR_HOLE) {
            // Filling a hole would turn an opening into material.
            GTrace::Message("AddFacets: an unlinked hole makes no facet");
        } else {
            AddFacet(list, list->GetFacetFlags(), list->GetFacetSurface());
        }
        delete list;
    }
    contours->clear();
}

void G3Surface::AddFacetsEx(GArrayCollection* contours, G3Facet* /*facet*/, GEVENT /*event*/) {
    AddFacets(contours);
}

void G3Surface::AddContourFacets(GArrayCollection* contours, G3Facet* /*facet*/, GEVENT /*event*/) {
    if (contours == nullptr) return;
    if (!contours->isEmpty()) AddLoopedFacets(contours, nullptr, -1);
    for (int i = 0; i < contours->size(); ++i) delete static_cast<G3EdgeList*>(contours->get(i));
    contours->clear();
}

G3Facet* G3Surface::AddFacetEdges(G3Facet* f, G3EdgeList* edges) {
    if (f == nullptr || edges == nullptr) return f;
    for (int i = 0; i < edges->size(); ++i) {
        const G3Edge* source = edges->GetEdgeAt(i);
        m_EdgeFlags = source->GetFlags();
        G3Edge* e = AddEdge(source->GetVertex1(), source->GetVertex2(), f);
        if (e == nullptr) continue;
        G3Normal *n1, *n2;
        G3TexCoo *t1, *t2;
        source->GetNormals(&n1, &t1, &n2, &t2, 1);
        e->SetNormals(f, source->GetVertex1(), n1, t1, source->GetVertex2(), n2, t2);
    }
    return f;
}

void G3Surface::ChangeVertexInEdge(G3Edge* e, G3Vertex* old, G3Vertex* repl) {
    for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
        if (f == nullptr) continue;
        G3EdgeList list(f);
        f->RemoveEdges();
        ChangeVertexInEdgeList(&list, old, repl);
        if (list.size() >= 3) AddFacetEdges(f, &list);
    }
}

bool G3Surface::ChangeVertex(G3Vertex* old, G3Vertex* repl) {
    if (old == nullptr || repl == nullptr || old == repl) return true;
    std::vector<G3Edge*> edges(static_cast<std::size_t>(old->GetEdgeCount()));
    old->GetEdges(edges.data());
    // From the last to the first: rebuilding a facet detaches edges that are still to come,
    // so each edge is looked at only while it still has a facet.
    for (auto it = edges.rbegin(); it != edges.rend(); ++it) {
        G3Edge* e = *it;
        if (e->GetFacetCount() > 0) ChangeVertexInEdge(e, old, repl);
    }
    return true;
}

namespace {

// A true ordering of planes, coefficient by coefficient (no tolerance: fit for sorting).
bool PlaneLess(const G3Facet* a, const G3Facet* b) {
    const double* p = a->GetPlane();
    const double* q = b->GetPlane();
    for (int k = 0; k < 4; ++k) {
        if (p[k] != q[k]) return p[k] < q[k];
    }
    return a->GetId() < b->GetId();  // the ids are fresh: the order is the list's
}

}  // namespace

void G3Surface::FormContours(GArrayCollection* edges, const double* plane, G3Surface* target) {
    G3EdgeList list(edges, 1, target->GetSurface());
    list.SetPlane(plane);
    GArrayCollection contours;
    list.FormContours(&contours);
    for (int i = 0; i < contours.size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(contours.get(i));
        c->SetPlane(plane);
        c->OrientLike(plane);  // traced contours run counter-clockwise in the projection only
    }
    target->AddLoopedFacets(&contours, target, 0);
    contours.clear(true);
}

G3Surface* G3Surface::FormContourSurface() {
    AssignIds();
    auto* target = new G3Surface(GetVertexCount(), GetNormalCount(), GetFacetCount());
    for (int i = 0; i < GetVertexCount(); ++i)
        target->AddVertexCopy(GetVertex(i)->GetXYZ(), GetVertex(i)->GetWord());
    std::vector<G3Facet*> facets;
    for (int i = 0; i < GetFacetCount(); ++i) facets.push_back(GetFacet(i));
    std::sort(facets.begin(), facets.end(), PlaneLess);
    std::size_t begin = 0;
    while (begin < facets.size()) {
        std::size_t end = begin + 1;
        while (end < facets.size() && facets[end]->PlaneEquals(facets[begin]->GetPlane())) ++end;
        // The group's outline: edges whose other side is not in the group.
        for (std::size_t k = begin; k < end; ++k) facets[k]->SetMark4();
        GArrayCollection outline;
        for (std::size_t k = begin; k < end; ++k) {
            G3Facet* f = facets[k];
            for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
                G3Facet* other = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
                if (other == nullptr || !other->GetMark4()) outline.add(e);
            }
        }
        for (std::size_t k = begin; k < end; ++k) facets[k]->ClearMark4();
        FormContours(&outline, facets[begin]->GetPlane(), target);
        begin = end;
    }
    return target;
}
