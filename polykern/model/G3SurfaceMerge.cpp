// Surface repair across facets: sewing one-sided edges, rebuilding crossing outlines,
// merging facets, hiding in-plane edges and closing gaps.

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

G3Facet* OnlyFacet(const G3Edge* e) {
    return e->GetFacet1() != nullptr ? e->GetFacet1() : e->GetFacet2();
}

void TraceCount(const char* format, int n) {
    char text[96];
    std::snprintf(text, sizeof(text), format, n);
    GTrace::Message(text);
}

// Whether every registered provider holds the same value on both facets.
bool SameOutExData(const G3Facet* a, const G3Facet* b) {
    const GArrayCollection* providers = G3Obj::GetProviderList();
    for (int i = 0; providers != nullptr && i < providers->size(); ++i) {
        auto* p = static_cast<G3ExDataProvider*>(providers->get(i));
        if (a->GetOutExData(p) != b->GetOutExData(p)) return false;
    }
    return true;
}

// The union of facets that share whole edges: pairs of edges running opposite ways
// between the same two vertices are interior and go. When what is left is one ring through
// distinct vertices, it is the outline, and it is chained into `out` as the one contour
// without tracing (the edges move from `list` into it). False, nothing changed, otherwise.
bool ChainSingleRing(G3EdgeList* list, GArrayCollection* out) {
    struct Side {
        const G3Vertex* lo;
        const G3Vertex* hi;
        bool forward;
        int index;
    };
    const int n = list->size();
    std::vector<Side> sides(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const G3Edge* e = list->GetEdgeAt(i);
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        if (a == b) return false;
        const bool forward = std::less<const G3Vertex*>()(a, b);
        sides[std::size_t(i)] = {forward ? a : b, forward ? b : a, forward, i};
    }
    std::sort(sides.begin(), sides.end(), [](const Side& x, const Side& y) {
        if (x.lo != y.lo) return std::less<const G3Vertex*>()(x.lo, y.lo);
        if (x.hi != y.hi) return std::less<const G3Vertex*>()(x.hi, y.hi);
        return x.index < y.index;
    });
    std::vector<char> inner(static_cast<std::size_t>(n), 0);
    for (std::size_t g = 0; g < sides.size();) {
        std::size_t end = g;
        int ahead = 0, back = 0;
        while (end < sides.size() && sides[end].lo == sides[g].lo && sides[end].hi == sides[g].hi) {
            (sides[end].forward ? ahead : back) += 1;
            ++end;
        }
        if (ahead == 1 && back == 1) {
            inner[std::size_t(sides[g].index)] = inner[std::size_t(sides[g + 1].index)] = 1;
        } else if (ahead + back != 1) {
            return false;  // doubled or unbalanced sides need the tracer
        }
        g = end;
    }
    // What is left must run head to tail through each vertex once.
    std::vector<std::pair<const G3Vertex*, int>> from;
    for (int i = 0; i < n; ++i) {
        if (!inner[std::size_t(i)]) from.emplace_back(list->GetEdgeAt(i)->GetVertex1(), i);
    }
    if (from.size() < 3) return false;
    std::sort(from.begin(), from.end());
    for (std::size_t k = 1; k < from.size(); ++k) {
        if (from[k].first == from[k - 1].first) return false;
    }
    auto next = [&from](const G3Vertex* v) {
        auto it = std::lower_bound(from.begin(), from.end(), std::make_pair(v, -1));
        return it != from.end() && it->first == v ? it->second : -1;
    };
    std::vector<int> ring;
    ring.reserve(from.size());
    // The ring starts at the list's first outline edge, whatever the vertices' addresses.
    int at = 0;
    while (inner[std::size_t(at)]) ++at;
    for (std::size_t k = 0; k < from.size(); ++k) {
        ring.push_back(at);
        at = next(list->GetEdgeAt(at)->GetVertex2());
        // Back at the start before every edge was used: more than one ring.
        if (at < 0 || (at == ring.front() && k + 1 < from.size())) return false;
    }
    if (at != ring.front()) return false;
    auto* contour = new G3EdgeList(list->GetFacetFlags(), list->GetFacetSurface());
    contour->SetPlane(list->GetPlane());
    for (int i : ring) contour->add(list->GetEdgeAt(i));
    for (int i = 0; i < n; ++i) {
        if (inner[std::size_t(i)]) delete list->GetEdgeAt(i);
    }
    list->clear();
    contour->FormEnvelope();
    out->add(contour);
    return true;
}

}  // namespace

void G3Surface::RemoveNonManifoldEdges() {
    GArrayCollection parallel(4, 4);
    for (int i = 0; i < GetEdgeCount(); ++i) {
        G3Edge* e = GetEdge(i);
        if (e->GetFacetCount() != 1) continue;
        G3Facet* fa = OnlyFacet(e);
        e->GetVertex1()->GetEdges(e->GetVertex2(), &parallel);
        for (int k = 0; k < parallel.size(); ++k) {
            auto* o = static_cast<G3Edge*>(parallel.get(k));
            if (o == e || o->GetFacetCount() != 1) continue;
            G3Facet* fo = OnlyFacet(o);
            if (fo == fa) {
                if (fa->GetEdgeCount() != 2) continue;
                fa->RemoveEdges();
                for (G3Edge* x : {e, o}) {
                    x->GetVertex1()->RemoveEdge(x);
                    x->GetVertex2()->RemoveEdge(x);
                    x->DetachFacet(fa);
                }
                break;
            }
            if (fo->ChangeEdges(o, e)) {
                o->GetVertex1()->RemoveEdge(o);
                o->GetVertex2()->RemoveEdge(o);
                break;
            }
        }
    }
    RemoveUnused();
}

bool G3Surface::RemoveSelfIntersections() {
    GTrace::Message("RemoveSelfIntersections");
    RemoveEqualsVertex();
    ScaleCoo(1000.0);
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* f = GetFacet(i);
        const G3FacetLoops loops(f);
        if (loops.GetLoopCount() > 1) {
            // Corner planes of a hole turn the other way: fit the loops as a whole.
            f->FormPlaneEquation();
            continue;
        }
        G3FacetVertexIterator walk(f);
        int x, y;
        G3Math::FormMaxPlaneCoo(&walk, &x, &y, f->GetPlane());
    }
    std::vector<G3Facet*> snapshot;
    for (int i = 0; i < GetFacetCount(); ++i) snapshot.push_back(GetFacet(i));
    bool rebuilt = false;
    for (G3Facet* f : snapshot) {
        G3EdgeList list(f->GetFlags(), f->GetSurface());
        list.SetPlane(f->GetPlane());
        G3FacetLoops(f).CopyLoops(&list);
        if (!list.TestSelfIntersections()) continue;
        rebuilt = true;
        GArrayCollection contours;
        list.RemoveSelfIntersections(&contours, this, false, UNION_EDGE_MERGE, 0);
        f->RemoveEdges();
        ProviderSetExData(f);
        AddLoopedFacets(&contours, nullptr, -1);
        ProviderSetExData(nullptr);
        contours.clear(true);
        RemoveFacet(f);
    }
    RemoveNonManifoldEdges();
    RemoveEqualsNormal();
    RemoveUnused();
    ScaleCoo(0.001);
    FormPlaneEquation();
    GTrace::Message("RemoveSelfIntersections Ok");
    return rebuilt;
}

// The merged ring runs f1's loop that holds the shared edge up to that edge, then round
// f2's loop that holds it, from the end of the shared edge back to its start, then the
// rest of f1's loop; f1's other loops follow, then f2's. When both facets run along the
// shared edge the same way, f2 is walked backwards so the ring stays head to tail. Each
// loop is spliced or copied on its own, so holes stay holes.
void G3Surface::MergeFacets(G3Edge* e, G3Facet* f1, G3Facet* f2) {
    if (e == nullptr || f1 == nullptr || f2 == nullptr || f1 == f2) return;
    const G3FacetLoops l1(f1), l2(f2);
    const int at1 = l1.Find(e), at2 = l2.Find(e);
    if (at1 < 0 || at2 < 0) return;
    const bool sameWay = l1.Vertex(at1) == l2.Vertex(at2);
    const int loop1 = l1.LoopOf(at1), loop2 = l2.LoopOf(at2);
    G3EdgeList merged(f1->GetFlags(), f1->GetSurface());
    for (int l = 0; l < l1.GetLoopCount(); ++l) {
        const int begin = l1.LoopBegin(l), end = l1.LoopEnd(l);
        if (l != loop1) {
            for (int k = begin; k < end; ++k) l1.CopyEdge(k, false, &merged);
            continue;
        }
        for (int k = begin; k < at1; ++k) l1.CopyEdge(k, false, &merged);
        const int size2 = l2.LoopEnd(loop2) - l2.LoopBegin(loop2);
        int k = sameWay ? l2.Previous(at2) : l2.Next(at2);
        for (int m = 1; m < size2; ++m) {
            l2.CopyEdge(k, sameWay, &merged);
            k = sameWay ? l2.Previous(k) : l2.Next(k);
        }
        for (int k1 = at1 + 1; k1 < end; ++k1) l1.CopyEdge(k1, false, &merged);
    }
    for (int l = 0; l < l2.GetLoopCount(); ++l) {
        if (l == loop2) continue;
        const int begin = l2.LoopBegin(l), end = l2.LoopEnd(l);
        if (sameWay) {
            for (int k = end - 1; k >= begin; --k) l2.CopyEdge(k, true, &merged);
        } else {
            for (int k = begin; k < end; ++k) l2.CopyEdge(k, false, &merged);
        }
    }
    // Emptied first so the new facet can take the edges; deleted only after, so the
    // providers can still read f1's data while the new facet opens.
    f1->RemoveEdges();
    f2->RemoveEdges();
    ProviderSetExData(f1);
    AddFacet(&merged, f1->GetFlags(), f1->GetSurface());
    ProviderSetExData(nullptr);
    RemoveFacet(f1);
    RemoveFacet(f2);
}

void G3Surface::UnionFacets(int32_t mask) {
    int merged = 0;
    for (int i = 0; i < GetEdgeCount(); ++i) {
        G3Edge* e = GetEdge(i);
        if ((e->GetFlags() & mask) == 0 || e->GetFacetCount() != 2) continue;
        if (e->GetVertex1()->GetEdgeCount(e->GetVertex2()) != 2) continue;
        MergeFacets(e, e->GetFacet1(), e->GetFacet2());
        ++merged;
    }
    if (merged > 0) {
        TraceCount("UnionFacets: %d", merged);
        RemoveUnused();
        FormPlaneEquation();
    }
}

void G3Surface::UnionInPlaneFacets(int32_t mask) {
    std::vector<G3Facet*> snapshot;
    for (int i = 0; i < GetFacetCount(); ++i) snapshot.push_back(GetFacet(i));
    int links = 0;
    std::vector<G3Facet*> group;
    for (G3Facet* f : snapshot) {
        if (f->GetMark3() || f->IsPlaneZero() || !f->HasEdges()) continue;
        group.assign(1, f);
        f->SetMark3();
        for (std::size_t g = 0; g < group.size(); ++g) {
            G3Facet* member = group[g];
            for (G3Edge* e = member->GetFirstEdge(); e != nullptr; e = member->NextEdge(e)) {
                const bool crossable =
                    e->IsInvisible() || mask == -1 || (e->GetFlags() & mask) != 0;
                if (!crossable) continue;
                // The cheap tests first: most neighbours lie in another plane.
                G3Facet* other = e->GetFacet1() == member ? e->GetFacet2() : e->GetFacet1();
                if (other == nullptr || other->GetMark3() ||
                    other->GetDoubleSided() != member->GetDoubleSided()) {
                    continue;
                }
                if (!other->IsPlaneZero() && !other->PlaneEquals(f->GetPlane())) continue;
                if (e->GetVertex1()->GetEdgeCount2(e->GetVertex2()) != 2) continue;
                if (!SameOutExData(other, f)) continue;  // a material keeps its own facet
                other->SetMark3();
                group.push_back(other);
            }
        }
        if (group.size() < 2) continue;
        // Two small facets joined along one edge: the ring is spliced in place.
        if (group.size() == 2) {
            G3Edge* shared = nullptr;
            int links2 = 0;
            for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
                if (e->GetFacet1() == group[1] || e->GetFacet2() == group[1]) {
                    shared = e;
                    ++links2;
                }
            }
            if (links2 == 1 && f->JoinAcross(shared, group[1])) {
                ++links;
                continue;
            }
        }
        // Each member's loops run the way the member runs them, holes included, so that an
        // edge two members share appears once each way.
        G3EdgeList list(f->GetFlags(), f->GetSurface());
        list.SetPlane(f->GetPlane());
        for (G3Facet* member : group) G3FacetLoops(member).CopyLoops(&list);
        ++links;
        GArrayCollection contours;
        // Neighbours joined along whole edges give one ring, chained directly; anything
        // else goes through the tracer.
        if (!ChainSingleRing(&list, &contours))
            list.RemoveSelfIntersections(&contours, this, false, UNION_EDGE_MERGE, 0);
        for (G3Facet* member : group) member->RemoveEdges();
        ProviderSetExData(f);
        AddLoopedFacets(&contours, nullptr, -1);
        ProviderSetExData(nullptr);
        contours.clear(true);
    }
    TraceCount("UnionInPlaneFacets  links_count=%d", links);
    ChangeFacetFlags(G3OBJ_MARK3, false);
    if (links >= 1) RemoveNonManifoldEdges();
}

namespace {

// Hides every visible edge whose facet sides, over all edges between its two vertices,
// come in pairs and pass `hide`. The side list is reused from edge to edge.
template <class Hide>
void HideEdges(G3Surface* s, Hide hide) {
    GArrayCollection parallel(4, 4);
    std::vector<G3Facet*> sides;
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        G3Edge* e = s->GetEdge(i);
        if (e->IsInvisible()) continue;
        e->GetVertex1()->GetEdges(e->GetVertex2(), &parallel);
        sides.clear();
        for (int k = 0; k < parallel.size(); ++k) {
            const auto* o = static_cast<G3Edge*>(parallel.get(k));
            for (G3Facet* f : {o->GetFacet1(), o->GetFacet2()}) {
                if (f != nullptr) sides.push_back(f);
            }
        }
        if (sides.empty() || sides.size() % 2 != 0) continue;
        if (hide(e, sides)) e->SetFlags(0);
    }
}

}  // namespace

void G3Surface::MarkInPlaneEdgesAsInvisible2() {
    HideEdges(this, [](const G3Edge*, const std::vector<G3Facet*>& sides) {
        bool same = true;
        for (const G3Facet* f : sides) {
            for (int c = 0; c < 4 && same; ++c)
                same = std::fabs(f->GetPlane()[c] - sides[0]->GetPlane()[c]) < 1e-6;
        }
        return same;
    });
}

void G3Surface::MarkInPlaneEdgesAsInvisible() {
    HideEdges(this, [](const G3Edge* e, const std::vector<G3Facet*>& sides) {
        bool same = true, negative = false, positive = false;
        for (const G3Facet* f : sides) {
            same = same && f->PlaneEquals(sides[0]->GetPlane());
            int x, y;
            f->GetMaxCoo(&x, &y);
            const int sign = f->GetIntersectionSignByEdge(e->GetVertex1(), e->GetVertex2(), x, y);
            negative = negative || sign < 0;
            positive = positive || sign > 0;
        }
        return same && negative && positive;
    });
}

G3Edge* G3Surface::FindNearestEdge(G3Edge* e) {
    const G3Facet* f = OnlyFacet(e);
    G3Edge* best = nullptr;
    double bestArea = 0.0;
    for (G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
        for (G3Edge* o = v->GetFirstEdge(); o != nullptr; o = o->NextAtVertex(v)) {
            // A candidate is open, belongs to another facet, and is not another edge
            // between e's own two vertices (that would make no triangle).
            if (o == e || o->GetFacetCount() == 2 || OnlyFacet(o) == f || o->IsVertexEquals(e))
                continue;
            const double area = std::fabs(G3Edge::CalcRealSquareOfTriangle(e, o));
            if (best == nullptr || area < bestArea) {
                best = o;
                bestArea = area;
            }
        }
    }
    return best;
}

bool G3Surface::EncloseHoles() {
    int added = 0;
    for (int i = 0; i < GetEdgeCount(); ++i) {
        G3Edge* e = GetEdge(i);
        if (e->GetFacetCount() != 1 || e->GetVertex1()->GetEdgeCount2(e->GetVertex2()) % 2 == 0)
            continue;
        G3Edge* other = FindNearestEdge(e);
        if (other == nullptr) continue;
        G3Vertex *a, *b, *c;
        G3Edge::GetTriangleVertex(e, other, &a, &b, &c);
        if (a == nullptr || a == c) continue;
        // The triangle runs e against the facet already on it, so the closed surface keeps
        // that facet's orientation: b → a when the facet walks a → b.
        const G3Facet* f = OnlyFacet(e);
        const bool forward = f->GetMoveDirection(e);
        const G3Vertex* start = forward ? e->GetVertex1() : e->GetVertex2();
        G3Vertex* triangle[3] = {a, b, c};
        if (start == a) {
            triangle[0] = b;
            triangle[1] = a;
        }
        if (AddFacet(3, triangle, 1, nullptr, nullptr) != nullptr)
            ++added;  // only facets made count
    }
    return added > 0;
}
