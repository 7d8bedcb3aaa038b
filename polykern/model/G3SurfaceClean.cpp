// Surface clean-up: welding vertices, splitting T-junctions, merging normals and
// doubled facets, removing degenerate facets.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3PointHash.h"
#include "polykern/spatial/G3TexCooHash.h"

namespace {

void Trace(const char* format, int a, int b = 0) {
    char text[96];
    std::snprintf(text, sizeof(text), format, a, b);
    GTrace::Message(text);
}

G3Vertex* RepresentativeOf(G3Vertex* v) {
    auto* r = static_cast<G3Vertex*>(v->GetExData());
    return r != nullptr ? r : v;
}

// Moves e's end `old` to `repl`, keeping both vertices' lists right.
void Repoint(G3Edge* e, G3Vertex* old, G3Vertex* repl) {
    old->RemoveEdge(e);
    if (e->GetVertex1() == old) {
        e->SetVertex1(repl);
    } else {
        e->SetVertex2(repl);
    }
    repl->AddEdge(e);
}

}  // namespace

namespace {

// At least 24 cells a side, more for large meshes so that a cell's chain stays short
// and welding stays near-linear; the tolerance, and so every result, is the same.
int WeldCells(int points) {
    return std::min(128, std::max(24, static_cast<int>(std::cbrt(2.0 * points))));
}

}  // namespace

void G3Surface::RemoveEqualsVertex() {
    GEnvelope env;
    FormEnvelope(&env);
    G3PointHash hash(WeldCells(GetVertexCount()), env.GetMin(), env.GetMax(), 1e-6);
    RemoveEqualsVertex(&hash);
    RemoveUnused();
}

void G3Surface::RemoveEqualsVertex(std::vector<G3Vertex*>& into) {
    GEnvelope env;
    FormEnvelope(&env);
    G3PointHash hash(WeldCells(GetVertexCount()), env.GetMin(), env.GetMax(), 1e-6);
    Weld(&hash, &into);
    // What the sweep takes: edges no facet uses, then vertices left without edges.
    RemoveUnusedEdge();
    if (GetPolyEdgeCount() == 0) {
        for (G3Vertex*& v : into) {
            if (!v->HasEdges()) v = nullptr;
        }
    }
    RemoveUnused();
}

void G3Surface::RemoveEqualsVertex(G3PointHash* hash) {
    Weld(hash, nullptr);
}

void G3Surface::Weld(G3PointHash* hash, std::vector<G3Vertex*>* into) {
    if (hash == nullptr) return;
    if (into != nullptr) into->resize(static_cast<std::size_t>(GetVertexCount()));
    int merged = 0;
    for (int i = 0; i < GetVertexCount(); ++i) {
        G3Vertex* v = GetVertex(i);
        G3Point* r = hash->Add(v);
        v->SetExData(r);
        merged += r != nullptr;
        if (into != nullptr) (*into)[i] = r != nullptr ? static_cast<G3Vertex*>(r) : v;
    }
    RemoveEqualsVertex2(hash);
    Trace("qV=%d", merged);
}

void G3Surface::RemoveEqualsVertex2(G3PointHash* /*hash*/) {
    int facets = 0, edges = 0;
    for (int i = 0; i < GetFacetCount();) {
        G3Facet* f = GetFacet(i);
        if (f->RemoveSmallEdges()) {
            RemoveFacet(f);
            ++facets;
            continue;
        }
        ++i;
    }
    for (int i = 0; i < GetEdgeCount();) {
        G3Edge* e = GetEdge(i);
        if (e->GetFacetCount() == 0) {
            RemoveEdge(e);
            ++edges;
            continue;
        }
        for (G3Vertex* end : {e->GetVertex1(), e->GetVertex2()}) {
            G3Vertex* r = RepresentativeOf(end);
            if (r != end) Repoint(e, end, r);
        }
        ++i;
    }
    // The links were scratch: nothing may read them as representatives later.
    for (int i = 0; i < GetVertexCount(); ++i) GetVertex(i)->SetExData(nullptr);
    Trace("qF=%d  qE=%d", facets, edges);
}

void G3Surface::RemoveEqualsVertexAndDivideEdges() {
    GTrace::Message("RemoveEqualsVertexAndDivideEdges");
    GEnvelope env;
    FormEnvelope(&env);
    G3PointHash hash(WeldCells(GetVertexCount()), env.GetMin(), env.GetMax(), 1e-6);
    RemoveEqualsVertex(&hash);
    DivideEdgesByVertex(&hash);
    RemoveUnused();
    GTrace::Message("RemoveEqualsVertexAndDivideEdges Ok");
}

void G3Surface::RemoveEqualsVertexAndDivideEdges(int32_t mask) {
    GEnvelope env;
    FormEnvelope(&env);
    G3PointHash hash(WeldCells(GetVertexCount()), env.GetMin(), env.GetMax(), 1e-6);
    RemoveEqualsVertex(&hash);
    GArrayCollection edges(64, 1024);
    for (int i = 0; i < GetEdgeCount(); ++i) {
        if ((GetEdge(i)->GetFlags() & mask) != 0) edges.add(GetEdge(i));
    }
    DivideEdgesByVertex(&edges, &hash);
    RemoveUnused();
}

void G3Surface::RemoveEqualsVertexAndDivideEdges(int32_t mask, const GEnvelope* box) {
    if (box == nullptr || box->IsDefault()) {
        RemoveEqualsVertexAndDivideEdges(mask);
        return;
    }
    GEnvelope reach(*box);
    reach.Extend(1e-6);
    std::vector<G3Vertex*> inside, welded;
    for (int i = 0; i < GetVertexCount(); ++i) {
        G3Vertex* v = GetVertex(i);
        if (reach.IsIntersectXYZ(v->GetXYZ())) inside.push_back(v);
    }
    G3PointHash hash(WeldCells(static_cast<int>(inside.size())), reach.GetMin(), reach.GetMax(),
                     1e-6);
    for (G3Vertex* v : inside) {
        G3Point* r = hash.Add(v);
        if (r == nullptr) continue;
        v->SetExData(r);
        welded.push_back(v);
    }
    // Only a facet around a welded vertex can have lost an edge or collapsed.
    std::vector<G3Facet*> around;
    std::vector<G3Edge*> edges;
    for (const G3Vertex* v : welded) {
        edges.resize(static_cast<std::size_t>(v->GetEdgeCount()));
        v->GetEdges(edges.data());
        for (const G3Edge* e : edges) {
            for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
                if (f != nullptr) around.push_back(f);
            }
        }
    }
    // In list order: a removed facet's place goes to the last one, so the order of removal
    // fixes the order left behind.
    std::sort(around.begin(), around.end(),
              [](const G3Facet* a, const G3Facet* b) { return a->GetId() < b->GetId(); });
    around.erase(std::unique(around.begin(), around.end()), around.end());
    for (G3Facet* f : around) {
        if (f->RemoveSmallEdges()) RemoveFacet(f);
    }
    for (G3Vertex* v : welded) {
        edges.resize(static_cast<std::size_t>(v->GetEdgeCount()));
        v->GetEdges(edges.data());
        for (G3Edge* e : edges) {
            if (e->GetFacetCount() == 0) {
                RemoveEdge(e);
                continue;
            }
            for (G3Vertex* end : {e->GetVertex1(), e->GetVertex2()}) {
                G3Vertex* r = RepresentativeOf(end);
                if (r != end) Repoint(e, end, r);
            }
        }
    }
    for (G3Vertex* v : welded) v->SetExData(nullptr);
    GArrayCollection divide(64, 1024);
    for (int i = 0; i < GetEdgeCount(); ++i) {
        if ((GetEdge(i)->GetFlags() & mask) != 0) divide.add(GetEdge(i));
    }
    DivideEdgesByVertex(&divide, &hash);
    RemoveUnused();
}

void G3Surface::DivideEdgesByVertex(G3PointHash* hash) {
    GArrayCollection edges(GetEdgeCount() + 1, 1024);
    for (int i = 0; i < GetEdgeCount(); ++i) edges.add(GetEdge(i));
    DivideEdgesByVertex(&edges, hash);
}

void G3Surface::DivideEdgesByVertex(GArrayCollection* edges, G3PointHash* hash) {
    if (edges == nullptr || hash == nullptr) return;
    int divided = 0;
    GArrayCollection candidates(16, 16);
    for (int i = 0; i < edges->size(); ++i) {
        auto* e = static_cast<G3Edge*>(edges->get(i));
        GEnvelope env;
        e->FormEnvelope(&env);
        env.Extend();
        hash->GetItems(&env, &candidates);
        divided += DivideEdgeByVertex(e, &env, &candidates);
    }
    Trace("qDiv=%d", divided);
}

bool G3Surface::DivideEdgeByVertex(G3Edge* e, GEnvelope* env, GArrayCollection* candidates) {
    if (e == nullptr || env == nullptr || candidates == nullptr || candidates->isEmpty())
        return false;
    const int k = env->GetMaxCoo();
    static int (*const compare[3])(const void*, const void*) = {
        G3Vertex::CompareX, G3Vertex::CompareY, G3Vertex::CompareZ};
    candidates->qsort(compare[k]);
    const double* a = e->GetVertex1()->GetXYZ();
    const double* b = e->GetVertex2()->GetXYZ();
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 0.0)) return false;
    const bool forward = d[k] >= 0.0;
    const double lo = (forward ? a[k] : b[k]) + 1e-6;
    const double hi = (forward ? b[k] : a[k]) - 1e-6;
    std::vector<G3Vertex*> points;
    for (int i = 0; i < candidates->size(); ++i) {
        auto* p = static_cast<G3Vertex*>(candidates->get(i));
        const double c = p->GetXYZ(k);
        if (c <= lo) continue;
        if (c >= hi) break;
        const double w[3] = {p->GetX() - a[0], p->GetY() - a[1], p->GetZ() - a[2]};
        const double cross[3] = {d[1] * w[2] - d[2] * w[1], d[2] * w[0] - d[0] * w[2],
                                 d[0] * w[1] - d[1] * w[0]};
        if (std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]) / len > 1e-6)
            continue;
        // A vertex of e's own facets is a corner there, not a T-junction.
        bool own = false;
        for (G3Edge* pe = p->GetFirstEdge(); pe != nullptr && !own; pe = pe->NextAtVertex(p)) {
            for (const G3Facet* f : {pe->GetFacet1(), pe->GetFacet2()}) {
                own = own || (f != nullptr && (f == e->GetFacet1() || f == e->GetFacet2()));
            }
        }
        if (!own) points.push_back(p);
    }
    if (points.empty()) return false;
    SplitEdge(e, static_cast<int>(points.size()), points.data(), !forward);
    return true;
}

void G3Surface::RemoveEqualsNormal() {
    if (GetNormalCount() == 0) return;
    const double lo[3] = {-1, -1, -1}, hi[3] = {1, 1, 1};
    G3PointHash normals(24, lo, hi, 1e-6);
    for (int i = 0; i < GetNormalCount(); ++i) {
        G3Normal* n = GetNormal(i);
        const double len =
            std::sqrt(n->GetX() * n->GetX() + n->GetY() * n->GetY() + n->GetZ() * n->GetZ());
        if (len > 1e-6) {
            const double unit[3] = {n->GetX() / len, n->GetY() / len, n->GetZ() / len};
            n->Set(unit);
        }
        n->SetExData(normals.Add(n));
    }
    std::unique_ptr<G3TexCooHash> texCoos;
    if (GetTexCooCount() > 0) {
        GEnvelope env;
        FormTexCooEnvelope(&env);
        texCoos = std::make_unique<G3TexCooHash>(24, env.GetMin(), env.GetMax(), 1e-6);
        for (int i = 0; i < GetTexCooCount(); ++i)
            GetTexCoo(i)->SetExData(texCoos->Add(GetTexCoo(i)));
    }
    for (int i = 0; i < GetEdgeCount(); ++i) {
        G3Edge* e = GetEdge(i);
        if (!e->HasGeometry()) continue;
        auto pick = [](G3Obj* o) {
            return o != nullptr && o->GetExData() != nullptr ? o->GetExData() : o;
        };
        G3TexCoo* t = nullptr;
        G3Normal* n = e->GetFacet1V1(&t);
        e->SetFacet1V1(static_cast<G3Normal*>(pick(n)), static_cast<G3TexCoo*>(pick(t)));
        n = e->GetFacet1V2(&t);
        e->SetFacet1V2(static_cast<G3Normal*>(pick(n)), static_cast<G3TexCoo*>(pick(t)));
        n = e->GetFacet2V1(&t);
        e->SetFacet2V1(static_cast<G3Normal*>(pick(n)), static_cast<G3TexCoo*>(pick(t)));
        n = e->GetFacet2V2(&t);
        e->SetFacet2V2(static_cast<G3Normal*>(pick(n)), static_cast<G3TexCoo*>(pick(t)));
    }
    for (int i = 0; i < GetNormalCount();) {
        G3Normal* n = GetNormal(i);
        if (n->GetExData() != nullptr) {
            RemoveNormal(n);
            continue;
        }
        ++i;
    }
    for (int i = 0; i < GetTexCooCount();) {
        G3TexCoo* t = GetTexCoo(i);
        if (t->GetExData() != nullptr) {
            RemoveTexCoo(t);
            continue;
        }
        ++i;
    }
}

namespace {

using Loop = std::vector<G3Vertex*>;

// A facet's loops in a form that does not depend on where its ring starts: each loop
// begins at its lowest-addressed vertex and the loops are ordered by that vertex.
std::vector<Loop> CanonicalLoops(const G3Facet* f) {
    const G3FacetLoops loops(f);
    std::vector<Loop> out;
    for (int l = 0; l < loops.GetLoopCount(); ++l) {
        Loop ring(loops.Vertices().begin() + loops.LoopBegin(l),
                  loops.Vertices().begin() + loops.LoopEnd(l));
        if (ring.empty()) continue;
        const auto key = std::min_element(ring.begin(), ring.end(), std::less<G3Vertex*>());
        std::rotate(ring.begin(), key, ring.end());
        out.push_back(std::move(ring));
    }
    std::sort(out.begin(), out.end(),
              [](const Loop& a, const Loop& b) { return std::less<G3Vertex*>()(a[0], b[0]); });
    return out;
}

// The same loops, all run forwards or all run backwards.
bool SameLoops(const std::vector<Loop>& a, const std::vector<Loop>& b) {
    if (a.size() != b.size()) return false;
    bool forward = true, backward = true;
    for (std::size_t l = 0; l < a.size() && (forward || backward); ++l) {
        const std::size_t n = a[l].size();
        if (b[l].size() != n) return false;
        for (std::size_t i = 0; i < n && (forward || backward); ++i) {
            forward = forward && a[l][i] == b[l][i];
            backward = backward && a[l][i] == b[l][(n - i) % n];
        }
    }
    return forward || backward;
}

}  // namespace

// Two facets are the same when their loops run through the same vertices, forwards or
// backwards, at every position (not only the first three); a facet with holes matches
// only one with the same holes.
void G3Surface::RemoveEqualsFacets() {
    AssignVertexIds();
    struct Entry {
        G3Facet* facet;
        std::vector<Loop> loops;
    };
    std::unordered_map<const G3Vertex*, std::vector<Entry>> buckets;
    std::vector<G3Facet*> snapshot;
    for (int i = 0; i < GetFacetCount(); ++i) snapshot.push_back(GetFacet(i));
    int removed = 0;
    for (G3Facet* f : snapshot) {
        std::vector<Loop> loops = CanonicalLoops(f);
        if (loops.empty()) continue;
        std::vector<Entry>& bucket = buckets[loops[0][0]];
        G3Facet* same = nullptr;
        for (const Entry& g : bucket) {
            if (SameLoops(loops, g.loops)) {
                same = g.facet;
                break;
            }
        }
        if (same == nullptr) {
            bucket.push_back({f, std::move(loops)});
            continue;
        }
        const int sides = (f->GetDoubleSided() ? 2 : 1) + (same->GetDoubleSided() ? 2 : 1);
        RemoveFacet(f);
        ++removed;
        if (sides % 2 == 0) {
            same->SetDoubleSided();
        } else {
            same->ClearDoubleSided();
        }
    }
    if (removed > 0) RemoveUnused();
}

bool G3Surface::RemoveTrivialFacets() {
    bool any = false;
    for (int i = 0; i < GetFacetCount();) {
        G3Facet* f = GetFacet(i);
        if (f->IsTrivial() || f->GetEdgeCount() < 3) {
            RemoveFacet(f);
            any = true;
            continue;
        }
        ++i;
    }
    if (any) RemoveUnused();
    return any;
}

void G3Surface::ExtendDoubleSidedFacets() {
    for (int i = 0; i < GetFacetCount(); ++i) GetFacet(i)->SetDoubleSided();
}

void G3Surface::ScaleCoo(double s) {
    for (int i = 0; i < GetVertexCount(); ++i) {
        G3Vertex* v = GetVertex(i);
        const double p[3] = {v->GetX() * s, v->GetY() * s, v->GetZ() * s};
        v->Set(p);
    }
}
