// Deep copies of surfaces, one-facet surfaces, and the host's hit-data pair.

#include <utility>
#include <vector>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

namespace {

bool IdsMatchIndices(const GArrayCollection* list) {
    if (list == nullptr) return true;
    for (int i = 0; i < list->size(); ++i) {
        if (static_cast<const G3Obj*>(list->get(i))->GetId() != i) return false;
    }
    return true;
}

// Maps a source entity to its copy: the entity at offset + source identifier.
template <class T>
T* Mapped(const G3Shell& target, T* (G3Shell::*get)(int) const, int offset, const G3Obj* source) {
    return source != nullptr ? (target.*get)(offset + source->GetId()) : nullptr;
}

}  // namespace

// Appends src after what this surface holds: each source entity with identifier k maps
// to the entity at this surface's old count + k. Counts are taken before anything is
// added, so copying a surface into itself copies only what was there.
void G3Surface::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* src = dynamic_cast<G3Surface*>(from);
    if (src == nullptr) return;
    if (!IdsMatchIndices(src->m_Vertices) || !IdsMatchIndices(src->m_Normals) ||
        !IdsMatchIndices(src->m_TexCoos) || !IdsMatchIndices(src->m_Edges) ||
        !IdsMatchIndices(src->m_Facets)) {
        src->AssignIds();
    }
    const int vOff = GetVertexCount(), nOff = GetNormalCount(), tOff = GetTexCooCount();
    const int eOff = GetEdgeCount(), fOff = GetFacetCount();
    const int vN = src->GetVertexCount(), nN = src->GetNormalCount(), tN = src->GetTexCooCount();
    const int eN = src->GetEdgeCount(), fN = src->GetFacetCount(), pN = src->GetPolyEdgeCount();
    const int nextBefore = m_NextSurface;

    for (int i = 0; i < vN; ++i) {
        const G3Vertex* s = src->GetVertex(i);
        G3Vertex* v = AddVertexCopy(s->GetXYZ(), s->GetWord());
        v->SetFlags(s->GetFlags());
        v->SetExData(s->GetExData());
    }
    for (int i = 0; i < nN; ++i) {
        const G3Normal* s = src->GetNormal(i);
        G3Normal* n = AddNormal(s);
        n->SetFlags(s->GetFlags());
        n->SetExData(s->GetExData());
    }
    for (int i = 0; i < tN; ++i) {
        const G3TexCoo* s = src->GetTexCoo(i);
        G3TexCoo* t = AddTexCoo(s);
        t->SetFlags(s->GetFlags());
        t->SetExData(s->GetExData());
    }
    // Poly-edges: their data reaches the providers through a set of the source, then the
    // open of the new poly-edge.
    for (int i = 0; i < pN; ++i) {
        auto* s = static_cast<G3PolyEdge*>(src->m_PolyEdges->get(i));
        int n = 0;
        G3Vertex** run = nullptr;
        src->GetPolyEdge(i, &n, &run);
        std::vector<G3Vertex*> mapped(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) mapped[k] = Mapped(*this, &G3Shell::GetVertex, vOff, run[k]);
        ProviderSetExData(s->IsOutExDataExist() ? s : nullptr);
        G3PolyEdge* p = AddPolyEdge(n, mapped.data());
        if (p != nullptr) p->SetFlags(s->GetFlags());
    }
    for (int i = 0; i < eN; ++i) {
        const G3Edge* s = src->GetEdge(i);
        auto* e = new G3Edge(Mapped(*this, &G3Shell::GetVertex, vOff, s->GetVertex1()),
                             Mapped(*this, &G3Shell::GetVertex, vOff, s->GetVertex2()));
        AddEdgeToCollection(e);
        e->SetFlags(s->GetFlags());
        e->SetExData(s->GetExData());
        if (const G3EdgeGeometry* g = s->GetGeometry()) {
            G3EdgeGeometry copy;
            for (int slot = 0; slot < 4; ++slot) {
                G3TexCoo* t = nullptr;
                G3Normal* n = g->Get(slot, &t);
                copy.Set(slot, Mapped(*this, &G3Shell::GetNormal, nOff, n),
                         Mapped(*this, &G3Shell::GetTexCoo, tOff, t));
            }
            e->SetGeometry(&copy);
        }
    }
    // Facets: each new one is opened with its source set, so the providers can carry the
    // source's data over (a material survives every copy).
    for (int i = 0; i < fN; ++i) {
        G3Facet* s = src->GetFacet(i);
        ProviderSetExData(s->IsOutExDataExist() ? s : nullptr);
        auto* f = new G3Facet();
        f->SetFlags(s->GetFlags());
        f->SetExData(s->GetExData());
        f->SetPlane(s->GetPlane());
        f->SetSurface(s->GetSurface() + nextBefore);
        AddFacetToCollection(f);
    }
    ProviderSetExData(nullptr);

    // Topology links, mapped by identifier.
    for (int i = 0; i < eN; ++i) {
        const G3Edge* s = src->GetEdge(i);
        G3Edge* e = GetEdge(eOff + i);
        e->SetFacet1(Mapped(*this, &G3Shell::GetFacet, fOff, s->GetFacet1()));
        e->SetFacet2(Mapped(*this, &G3Shell::GetFacet, fOff, s->GetFacet2()));
        e->SetFacet1Edge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetFacet1Edge()));
        e->SetFacet2Edge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetFacet2Edge()));
        e->SetVertex1Edge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetVertex1Edge()));
        e->SetVertex2Edge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetVertex2Edge()));
    }
    for (int i = 0; i < vN; ++i) {
        const G3Vertex* s = src->GetVertex(i);
        G3Vertex* v = GetVertex(vOff + i);
        v->SetFirstEdge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetFirstEdge()));
        v->SetLastEdge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetLastEdge()));
    }
    for (int i = 0; i < fN; ++i) {
        const G3Facet* s = src->GetFacet(i);
        G3Facet* f = GetFacet(fOff + i);
        f->SetFirstEdge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetFirstEdge()));
        f->SetLastEdge(Mapped(*this, &G3Shell::GetEdge, eOff, s->GetLastEdge()));
    }

    ProviderSetExData(src);
    ProviderOpenExData(this);
    ProviderSetExData(nullptr);
    m_NextSurface = src->m_NextSurface + nextBefore;
    m_MaterialFacets += src->m_MaterialFacets;
    m_SelectedFacets = src->m_SelectedFacets;
}

namespace {

// Moves every element of `from` to the end of `to`, numbering each by its new place.
void MoveAll(GArrayCollection* from, GArrayCollection* to) {
    for (int i = 0; i < from->size(); ++i) {
        auto* entity = static_cast<G3Obj*>(from->get(i));
        entity->SetId(to->size());
        to->add(entity);
    }
    from->clear();
}

int CountOf(const GArrayCollection* list) {
    return list != nullptr ? list->size() : 0;
}

}  // namespace

bool G3Surface::Absorb(G3Surface* src) {
    if (src == nullptr || src == this) return false;
    // Only where no one could tell the moved entities from copies: no provider would hear
    // of the copies' opening, no entity carries outside data (copies would not), and no
    // poly-edge needs its run.
    if (GetExDataProvider() != nullptr || src->GetExDataProvider() != nullptr ||
        G3Obj::GetProviderList()->size() != 0 || CountOf(src->m_PolyEdges) != 0)
        return false;
    const std::pair<GArrayCollection*, GArrayCollection*> lists[] = {{src->m_Vertices, m_Vertices},
                                                                     {src->m_Normals, m_Normals},
                                                                     {src->m_TexCoos, m_TexCoos},
                                                                     {src->m_Edges, m_Edges},
                                                                     {src->m_Facets, m_Facets}};
    for (const auto& [from, to] : lists) {
        if (CountOf(from) != 0 && to == nullptr) return false;
        for (int i = 0; i < CountOf(from); ++i) {
            if (static_cast<const G3Obj*>(from->get(i))->IsOutExDataExist()) return false;
        }
    }
    G3Obj::Copy(src);
    const int nextBefore = m_NextSurface;
    // A copy is unlocked, and only a vertex keeps its word.
    auto fresh = [](G3Obj* entity, bool keepWord) {
        entity->UnLockExDataProvider();
        if (!keepWord) entity->SetWord(0);
    };
    for (int i = 0; i < CountOf(src->m_Vertices); ++i) fresh(src->GetVertex(i), true);
    for (int i = 0; i < CountOf(src->m_Normals); ++i) fresh(src->GetNormal(i), false);
    for (int i = 0; i < CountOf(src->m_TexCoos); ++i) fresh(src->GetTexCoo(i), false);
    for (int i = 0; i < CountOf(src->m_Edges); ++i) fresh(src->GetEdge(i), false);
    for (int i = 0; i < CountOf(src->m_Facets); ++i) {
        G3Facet* f = src->GetFacet(i);
        fresh(f, false);
        f->SetSurface(f->GetSurface() + nextBefore);
        f->SetParent(this);
    }
    for (const auto& [from, to] : lists) {
        if (from != nullptr) MoveAll(from, to);
    }
    m_NextSurface = src->m_NextSurface + nextBefore;
    m_MaterialFacets += src->m_MaterialFacets;
    m_SelectedFacets = src->m_SelectedFacets;
    src->m_MaterialFacets = 0;
    src->m_SelectedFacets = 0;
    return true;
}

G3Surface* G3Surface::Duplicate() {
    auto* copy = new G3Surface(GetVertexCount(), GetNormalCount(), GetFacetCount());
    copy->Copy(this);
    return copy;
}

G3Surface* G3Surface::FormFacetSurface(G3Facet* f) {
    if (f == nullptr) return nullptr;
    const int n = f->GetVertexCount();
    auto* s = new G3Surface(n, n, 1);
    std::vector<G3Vertex*> source(static_cast<std::size_t>(n));
    f->GetVertices(source.data());
    std::vector<G3Vertex*> vertices;
    std::vector<G3Normal*> normals;
    std::vector<G3TexCoo*> texCoos;
    std::vector<int32_t> flags;
    bool anyNormal = false;
    for (G3Vertex* v : source) {
        vertices.push_back(s->AddVertexCopy(v->GetXYZ(), v->GetWord()));
        G3TexCoo* t = nullptr;
        G3Normal* normal = f->GetNormal(v, &t);
        normals.push_back(s->AddNormal(normal));
        texCoos.push_back(s->AddTexCoo(t));
        anyNormal = anyNormal || normal != nullptr;
    }
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e))
        flags.push_back(e->GetFlags());
    s->ProviderSetExData(f->IsOutExDataExist() ? f : nullptr);
    G3Facet* copy =
        s->_AddFacet(n, vertices.data(), flags.data(), anyNormal ? normals.data() : nullptr,
                     anyNormal ? texCoos.data() : nullptr);
    s->ProviderSetExData(nullptr);
    if (copy != nullptr) {
        copy->SetFlags(f->GetFlags());
        copy->SetPlane(f->GetPlane());
    }
    s->ReallocByRealSize();
    return s;
}

namespace {

struct HitPair {
    void* a;
    void* b;
};

// Keeps each surface's hit-data pair as outside data and releases it with the surface.
class HitDataProvider : public G3ExDataProvider {
public:
    void RemoveExData(void* data) override { delete static_cast<HitPair*>(data); }
    HitPair latest{nullptr, nullptr};
};

HitDataProvider* HitData() {
    static HitDataProvider* provider = new HitDataProvider();
    if (G3Obj::GetProviderId(provider) < 0) G3Obj::AddProvider(provider);
    return provider;
}

}  // namespace

void G3Surface::SetExtAcisHitData(void* a, void* b) {
    HitDataProvider* provider = HitData();
    auto* pair = static_cast<HitPair*>(GetOutExData(provider));
    if (pair == nullptr) {
        pair = new HitPair{nullptr, nullptr};
        SetOutExData(provider, pair);
    }
    *pair = HitPair{a, b};
    provider->latest = *pair;
}

void G3Surface::GetExtAcisHitData(void** a, void** b) const {
    HitDataProvider* provider = HitData();
    const auto* pair = static_cast<const HitPair*>(GetOutExData(provider));
    const HitPair& found = pair != nullptr ? *pair : provider->latest;
    if (a != nullptr) *a = found.a;
    if (b != nullptr) *b = found.b;
}
