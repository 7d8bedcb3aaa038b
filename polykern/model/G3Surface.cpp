// Surface construction: edges shared between facets, facets from vertex lists, poly-edges.

#include "polykern/model/G3Surface.h"

#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

PK_DEFINE_POOL(G3Surface, 8192)

namespace {

// Room for n pointers: on the stack for the usual small facets, so adding a facet by
// index allocates nothing beyond the facet and its edges.
template <class T>
class Slots {
public:
    explicit Slots(int n) : m_Data(m_Local) {
        if (n > kLocal) {
            m_Heap.resize(static_cast<std::size_t>(n));
            m_Data = m_Heap.data();
        }
    }
    Slots(const Slots&) = delete;
    Slots& operator=(const Slots&) = delete;
    T** Data() { return m_Data; }

private:
    static constexpr int kLocal = 16;
    T* m_Local[kLocal];
    std::vector<T*> m_Heap;
    T** m_Data;
};

// Looks up n entities by index into out; false when any index is out of range.
template <class T>
bool Resolve(const G3Shell& shell, T* (G3Shell::*get)(int) const, int n, const int* ids, T** out) {
    for (int k = 0; k < n; ++k) {
        out[k] = (shell.*get)(ids[k]);
        if (out[k] == nullptr) return false;
    }
    return true;
}

}  // namespace

G3Surface::G3Surface() {
    m_Normals = new GArrayCollection();
    m_Facets = new GArrayCollection();
    m_Edges = new GArrayCollection();
    m_TexCoos = new GArrayCollection();
    ProviderOpenExData(this);
}

G3Surface::G3Surface(int vertices, int normals) : G3Shell(vertices) {
    m_Normals = new GArrayCollection(normals, 1024);
    m_Facets = new GArrayCollection();
    m_Edges = new GArrayCollection(2 * vertices, 1024);
    m_TexCoos = new GArrayCollection();
    ProviderOpenExData(this);
}

G3Surface::G3Surface(int vertices, int normals, int facets) : G3Shell(vertices) {
    m_Normals = new GArrayCollection(normals, 1024);
    m_Facets = new GArrayCollection(facets, 1024);
    m_Edges = new GArrayCollection(2 * vertices, 1024);
    m_TexCoos = new GArrayCollection();
    ProviderOpenExData(this);
}

G3Edge* G3Surface::AddEdgeToCollection(G3Edge* e) {
    if (!Append(m_Edges, e)) return nullptr;
    OpenExDataEdge(e);
    return e;
}

G3Facet* G3Surface::AddFacetToCollection(G3Facet* f) {
    if (!Append(m_Facets, f)) return nullptr;
    f->SetParent(this);
    OpenExDataFacet(f);
    return f;
}

// The sharing rule: the first edge between a and b, in a's list, with a free side that
// f is not already on takes f; otherwise a new edge is made.
G3Edge* G3Surface::AddEdge(G3Vertex* a, G3Vertex* b, G3Facet* f) {
    if (a == nullptr || b == nullptr) return nullptr;
    if (a == b) {
        GTrace::Message("Not inserted equals vertex in AddEdge. Skip.");
        return nullptr;
    }
    if (f != nullptr) {
        for (G3Edge* e = a->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(a)) {
            if (e->OtherVertex(a) != b) continue;
            const int claim = ClaimSide(e, f);
            if (claim == 0) continue;
            if (claim < 0) break;
            f->AddEdge(e);
            e->SetFlags(e->GetFlags() | m_EdgeFlags);
            return e;
        }
    }
    auto* e = new G3Edge(a, b);
    e->SetFlags(m_EdgeFlags);
    a->AddEdge(e);
    b->AddEdge(e);
    if (f != nullptr) {
        e->SetFacet1(f);
        f->AddEdge(e);
    }
    AddEdgeToCollection(e);
    return e;
}

int G3Surface::ClaimSide(G3Edge* e, G3Facet* f) {
    if (e->GetFacet1() == nullptr) {
        if (e->GetFacet2() == f) return -1;
        e->SetFacet1(f);
        return 1;
    }
    if (e->GetFacet2() == nullptr) {
        if (e->GetFacet1() == f) return -1;
        e->SetFacet2(f);
        return 1;
    }
    return 0;
}

G3Facet* G3Surface::_AddFacet(
    int n, G3Vertex** v, const int32_t* edgeFlags, G3Normal** normals, G3TexCoo** texCoos) {
    if (n <= 0 || v == nullptr) return nullptr;
    auto* f = new G3Facet();
    f->SetSurface(m_Surface);
    int added = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        if (edgeFlags != nullptr) m_EdgeFlags = edgeFlags[i];
        G3Edge* e = AddEdge(v[i], v[j], f);
        if (e == nullptr) continue;
        ++added;
        if (normals != nullptr) {
            e->SetNormals(f, v[i], normals[i], texCoos != nullptr ? texCoos[i] : nullptr, v[j],
                          normals[j], texCoos != nullptr ? texCoos[j] : nullptr);
        }
    }
    if (added < 3) {
        f->RemoveEdges();
        delete f;
        return nullptr;
    }
    return AddFacetToCollection(f);
}

G3Facet* G3Surface::Finish(G3Facet* f) {
    if (f == nullptr) return nullptr;
    f->FormPlaneEquation();
    // Between BeginComplexFacet and EndComplexFacet the link collects the facets made.
    auto* collector = dynamic_cast<GArrayCollection*>(GetExData());
    if (collector != nullptr) collector->add(f);
    return f;
}

G3Facet* G3Surface::AddFacet(
    int n, G3Vertex** v, const int32_t* edgeFlags, G3Normal** normals, G3TexCoo** texCoos) {
    if (n < 3 || v == nullptr) return nullptr;
    // A missing corner would leave the ring open where its two sides were skipped.
    for (int k = 0; k < n; ++k) {
        if (v[k] == nullptr) return nullptr;
    }
    return Finish(_AddFacet(n, v, edgeFlags, normals, texCoos));
}

G3Facet* G3Surface::AddFacet(
    int n, G3Vertex** v, int32_t edgeFlags, G3Normal** normals, G3TexCoo** texCoos) {
    if (n < 3 || v == nullptr) return nullptr;
    m_EdgeFlags = edgeFlags;  // without per-side flags every side takes this one
    return AddFacet(n, v, static_cast<const int32_t*>(nullptr), normals, texCoos);
}

G3Facet* G3Surface::AddFacet(int n,
                             const int* vertexIds,
                             const int32_t* edgeFlags,
                             const int* normalIds,
                             const int* texCooIds) {
    if (n < 3 || vertexIds == nullptr) return nullptr;
    Slots<G3Vertex> v(n);
    Slots<G3Normal> normals(normalIds != nullptr ? n : 0);
    Slots<G3TexCoo> texCoos(texCooIds != nullptr ? n : 0);
    if (!Resolve<G3Vertex>(*this, &G3Shell::GetVertex, n, vertexIds, v.Data())) return nullptr;
    if (normalIds != nullptr &&
        !Resolve<G3Normal>(*this, &G3Shell::GetNormal, n, normalIds, normals.Data())) {
        return nullptr;
    }
    if (texCooIds != nullptr &&
        !Resolve<G3TexCoo>(*this, &G3Shell::GetTexCoo, n, texCooIds, texCoos.Data())) {
        return nullptr;
    }
    return AddFacet(n, v.Data(), edgeFlags, normalIds != nullptr ? normals.Data() : nullptr,
                    texCooIds != nullptr ? texCoos.Data() : nullptr);
}

G3Facet* G3Surface::AddFacet(
    int n, const int* vertexIds, int32_t edgeFlags, const int* normalIds, const int* texCooIds) {
    if (n < 3) return nullptr;
    m_EdgeFlags = edgeFlags;  // without per-side flags every side takes this one
    return AddFacet(n, vertexIds, static_cast<const int32_t*>(nullptr), normalIds, texCooIds);
}

G3Facet* G3Surface::AddFacet(GArrayCollection* edges, int32_t facetFlags, int surfaceNumber) {
    if (edges == nullptr || edges->size() < 3) return nullptr;
    auto* f = new G3Facet();
    f->SetFlags(facetFlags);
    f->SetSurface(surfaceNumber);
    int added = 0;
    for (int k = 0; k < edges->size(); ++k) {
        auto* source = static_cast<G3Edge*>(edges->get(k));
        m_EdgeFlags = source->GetFlags();
        G3Edge* e = AddEdge(source->GetVertex1(), source->GetVertex2(), f);
        if (e == nullptr) continue;
        ++added;
        G3Normal *n1, *n2;
        G3TexCoo *t1, *t2;
        source->GetNormals(&n1, &t1, &n2, &t2, 1);
        e->SetNormals(f, source->GetVertex1(), n1, t1, source->GetVertex2(), n2, t2);
    }
    if (added < 3) {
        f->RemoveEdges();
        delete f;
        return nullptr;
    }
    f->FormPlaneEquation();
    return AddFacetToCollection(f);
}

int G3Surface::AddOneFacetFromVertices(const G3Vertex* vertices, int n) {
    if (vertices == nullptr || n <= 2) return GetVertexCount();
    std::vector<G3Vertex*> added(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) added[k] = AddVertex(vertices[k].GetXYZ(), 0);
    return AddFacet(n, added.data(), 1, nullptr, nullptr) != nullptr ? GetVertexCount() : 0;
}

G3PolyEdge* G3Surface::AddPolyEdge(int n, G3Vertex** v) {
    if (n < 2 || v == nullptr) return nullptr;
    for (int k = 0; k < n; ++k) {
        if (v[k] == nullptr) return nullptr;
    }
    if (m_PolyEdges == nullptr) m_PolyEdges = new GArrayCollection();
    if (m_PolyEdgeVertices == nullptr) m_PolyEdgeVertices = new GArrayCollection();
    const int start = m_PolyEdgeVertices->size();
    m_PolyEdgeVertices->add(n, reinterpret_cast<GObj**>(v));
    return AddPolyEdgeToCollection(new G3PolyEdge(n, start));
}

G3PolyEdge* G3Surface::AddPolyEdge(int n, const int* vertexIds) {
    if (n < 2 || vertexIds == nullptr) return nullptr;
    Slots<G3Vertex> v(n);
    if (!Resolve<G3Vertex>(*this, &G3Shell::GetVertex, n, vertexIds, v.Data())) return nullptr;
    return AddPolyEdge(n, v.Data());
}

bool G3Surface::GetPolyEdge(int i, int k, G3Vertex** a, G3Vertex** b) const {
    *a = *b = nullptr;
    if (i < 0 || i >= GetPolyEdgeCount()) return false;
    auto* p = static_cast<G3PolyEdge*>(m_PolyEdges->get(i));
    if (k < 0 || k >= p->GetVertexCount()) return false;
    p->GetEdge(reinterpret_cast<G3Vertex**>(m_PolyEdgeVertices->toArray()), k, a, b);
    return true;
}

bool G3Surface::GetPolyEdge(int i, int* n, G3Vertex*** v) const {
    if (i < 0 || i >= GetPolyEdgeCount()) return false;
    auto* p = static_cast<G3PolyEdge*>(m_PolyEdges->get(i));
    *n = p->GetVertexCount();
    *v = p->GetEdges(reinterpret_cast<G3Vertex**>(m_PolyEdgeVertices->toArray()));
    return true;
}

void G3Surface::FormPlaneEquation() {
    for (int i = 0; i < GetFacetCount(); ++i) GetFacet(i)->FormPlaneEquation();
}

void G3Surface::NegPlane() {
    for (int i = 0; i < GetFacetCount(); ++i) GetFacet(i)->NegPlane();
}

void G3Surface::RealTransformation(const double m[4][4]) {
    G3Shell::RealTransformation(m);
    FormPlaneEquation();
}

bool G3Surface::HasGeometry() const {
    return GetFacetCount() > 0 && GetFacet(0)->HasGeometry();
}

bool G3Surface::GetClosed() const {
    for (int i = 0; i < GetEdgeCount(); ++i) {
        const G3Edge* e = GetEdge(i);
        // An edge adding an even count to its vertex pair cannot make the pair's sum odd:
        // only the others need the walk over the pair's edges.
        const int single = (e->GetFacet1() != nullptr && !e->GetFacet1()->GetDoubleSided()) +
                           (e->GetFacet2() != nullptr && !e->GetFacet2()->GetDoubleSided());
        if (single % 2 == 0) continue;
        if (e->GetVertex1()->GetEdgeCount2(e->GetVertex2()) % 2 != 0) return false;
    }
    return true;
}

int G3Surface::GetCountEdges(G3Vertex* a, G3Vertex* b, GArrayCollection* work) {
    a->GetEdges(b, work);
    int sides = 0;
    for (int k = 0; k < work->size(); ++k) {
        const auto* e = static_cast<G3Edge*>(work->get(k));
        for (const G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f != nullptr) sides += f->GetDoubleSided() ? 2 : 1;
        }
    }
    return sides;
}

void G3Surface::GetAllAdjacentFaces(G3Facet* f, GArrayCollection* out) {
    if (f == nullptr || out == nullptr) return;
    int next = out->size();
    f->SetMark3();
    f->SetMark4();
    out->add(f);
    // A breadth-first walk over the facets appended so far.
    while (next < out->size()) {
        auto* cur = static_cast<G3Facet*>(out->get(next++));
        for (G3Edge* e = cur->GetFirstEdge(); e != nullptr; e = cur->NextEdge(e)) {
            G3Facet* other = e->GetFacet1() == cur ? e->GetFacet2() : e->GetFacet1();
            if (other == nullptr || other->GetMark4()) continue;
            other->SetMark3();
            other->SetMark4();
            out->add(other);
        }
    }
}

void G3Surface::ChangeVertexInEdgeList(GArrayCollection* edges, G3Vertex* old, G3Vertex* repl) {
    if (edges == nullptr) return;
    int kept = 0;
    for (int k = 0; k < edges->size(); ++k) {
        auto* e = static_cast<G3Edge*>(edges->get(k));
        if (e->GetVertex1() == old) e->SetVertex1(repl);
        if (e->GetVertex2() == old) e->SetVertex2(repl);
        if (e->GetVertex1() == e->GetVertex2()) {
            delete e;  // the list owns its edges: a dropped one goes
            continue;
        }
        edges->put(kept++, e);
    }
    edges->size(kept);
}
