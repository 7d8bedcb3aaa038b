#include "polykern/model/G3Shell.h"

#include <cmath>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3TransformSnapshotProvider.h"
#include "polykern/model/G3Vertex.h"

namespace {

void DeleteAll(GArrayCollection*& list) {
    if (list == nullptr) return;
    list->clear(true);
    delete list;
    list = nullptr;
}

}  // namespace

G3Shell::G3Shell() : m_Vertices(new GArrayCollection()) {}

G3Shell::G3Shell(int n) : m_Vertices(new GArrayCollection(n, 1024)) {}

G3Shell::~G3Shell() {
    DeleteAll(m_Vertices);
    DeleteAll(m_Normals);
    DeleteAll(m_TexCoos);
    DeleteAll(m_Edges);
    DeleteAll(m_Facets);
    DeleteAll(m_PolyEdges);
    delete m_PolyEdgeVertices;  // its elements are the shell's vertices
    m_PolyEdgeVertices = nullptr;
    delete m_ShellProvider;
    delete m_SavedProvider;
}

void G3Shell::Copy(GObj* /*from*/) {}

bool G3Shell::Append(GArrayCollection* c, G3Obj* entity) {
    if (c == nullptr || entity == nullptr) return false;
    entity->SetId(c->size());
    c->add(entity);
    return true;
}

bool G3Shell::TakeOut(GArrayCollection* c, G3Obj* entity) {
    if (c == nullptr || entity == nullptr) return false;
    int i = entity->GetId();
    if (i < 0 || i >= c->size() || c->get(i) != entity) {
        i = c->index(entity);  // an identifier out of step: find it the slow way
        if (i < 0) return false;
    }
    auto* last = static_cast<G3Obj*>(c->getLast());
    last->SetId(i);
    c->put(i, last);
    c->removeLast();
    return true;
}

G3Vertex* G3Shell::AddVertex(const double* xyz, uint32_t word) {
    return xyz != nullptr ? AddVertex(xyz[0], xyz[1], xyz[2], word) : nullptr;
}

G3Vertex* G3Shell::AddVertex(double x, double y, double z, uint32_t word) {
    // A non-finite position is refused: it would poison every plane and box it joins.
    if (m_Vertices == nullptr || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        return nullptr;
    }
    return AddVertexToCollection(new G3Vertex(x, y, z, word));
}

G3Vertex* G3Shell::AddVertexCopy(const double* xyz, uint32_t word) {
    return m_Vertices != nullptr && xyz != nullptr ? AddVertexToCollection(new G3Vertex(xyz, word))
                                                   : nullptr;
}

G3Normal* G3Shell::AddNormal(const double* xyz) {
    return m_Normals != nullptr && xyz != nullptr ? AddNormalToCollection(new G3Normal(xyz, 0))
                                                  : nullptr;
}

G3Normal* G3Shell::AddNormal(double x, double y, double z) {
    return m_Normals != nullptr ? AddNormalToCollection(new G3Normal(x, y, z, 0)) : nullptr;
}

G3Normal* G3Shell::AddNormal(const G3Normal* n) {
    return n != nullptr ? AddNormal(n->GetXYZ()) : nullptr;
}

G3TexCoo* G3Shell::AddTexCoo(const double* uv) {
    return m_TexCoos != nullptr && uv != nullptr ? AddTexCooToCollection(new G3TexCoo(uv))
                                                 : nullptr;
}

G3TexCoo* G3Shell::AddTexCoo(double u, double v) {
    return m_TexCoos != nullptr ? AddTexCooToCollection(new G3TexCoo(u, v)) : nullptr;
}

G3TexCoo* G3Shell::AddTexCoo(const G3TexCoo* t) {
    return t != nullptr ? AddTexCoo(t->GetUV()) : nullptr;
}

G3Vertex* G3Shell::AddVertexToCollection(G3Vertex* v) {
    if (!Append(m_Vertices, v)) return nullptr;
    OpenExDataVertex(v);
    return v;
}

G3Normal* G3Shell::AddNormalToCollection(G3Normal* n) {
    if (!Append(m_Normals, n)) return nullptr;
    OpenExDataNormal(n);
    return n;
}

G3TexCoo* G3Shell::AddTexCooToCollection(G3TexCoo* t) {
    if (!Append(m_TexCoos, t)) return nullptr;
    OpenExDataTexCoo(t);
    return t;
}

G3PolyEdge* G3Shell::AddPolyEdgeToCollection(G3PolyEdge* p) {
    if (!Append(m_PolyEdges, p)) return nullptr;
    OpenExDataPolyEdge(p);
    return p;
}

bool G3Shell::RemoveVertex(G3Vertex* v) {
    if (v == nullptr || v->HasEdges()) return false;
    RemoveVertexFromCollection(v);
    delete v;
    return true;
}

bool G3Shell::RemoveEdge(G3Edge* e) {
    if (e == nullptr || e->GetFacetCount() != 0) return false;
    // Out of the vertices' lists first: nothing may point at it once it is gone.
    if (e->GetVertex1() != nullptr) e->GetVertex1()->RemoveEdge(e);
    if (e->GetVertex2() != nullptr) e->GetVertex2()->RemoveEdge(e);
    RemoveEdgeFromCollection(e);
    delete e;
    return true;
}

bool G3Shell::RemoveFacet(G3Facet* f) {
    if (f == nullptr) return false;
    f->RemoveEdges();
    RemoveFacetFromCollection(f);
    delete f;
    return true;
}

void G3Shell::RemoveNormal(G3Normal* n) {
    if (n == nullptr) return;
    RemoveNormalFromCollection(n);
    delete n;
}

void G3Shell::RemoveTexCoo(G3TexCoo* t) {
    if (t == nullptr) return;
    RemoveTexCooFromCollection(t);
    delete t;
}

void G3Shell::RemovePolyEdge(G3PolyEdge* p) {
    if (p == nullptr) return;
    RemovePolyEdgeFromCollection(p);
    delete p;
}

void G3Shell::RemoveVertexFromCollection(G3Vertex* v) {
    if (TakeOut(m_Vertices, v)) CloseExDataVertex(v);
}

void G3Shell::RemoveEdgeFromCollection(G3Edge* e) {
    if (TakeOut(m_Edges, e)) CloseExDataEdge(e);
}

void G3Shell::RemoveFacetFromCollection(G3Facet* f) {
    if (TakeOut(m_Facets, f)) CloseExDataFacet(f);
}

void G3Shell::RemoveNormalFromCollection(G3Normal* n) {
    if (TakeOut(m_Normals, n)) CloseExDataNormal(n);
}

void G3Shell::RemoveTexCooFromCollection(G3TexCoo* t) {
    if (TakeOut(m_TexCoos, t)) CloseExDataTexCoo(t);
}

void G3Shell::RemovePolyEdgeFromCollection(G3PolyEdge* p) {
    if (TakeOut(m_PolyEdges, p)) CloseExDataPolyEdge(p);
}

int G3Shell::GetNormalCount() const {
    return m_Normals != nullptr ? m_Normals->size() : 0;
}
int G3Shell::GetTexCooCount() const {
    return m_TexCoos != nullptr ? m_TexCoos->size() : 0;
}
int G3Shell::GetPolyEdgeCount() const {
    return m_PolyEdges != nullptr ? m_PolyEdges->size() : 0;
}
G3Normal* G3Shell::GetNormal(int i) const {
    return At<G3Normal>(m_Normals, i);
}
G3TexCoo* G3Shell::GetTexCoo(int i) const {
    return At<G3TexCoo>(m_TexCoos, i);
}

namespace {

void AssignIdsOf(GArrayCollection* list) {
    if (list == nullptr) return;
    for (int i = 0; i < list->size(); ++i) static_cast<G3Obj*>(list->get(i))->SetId(i);
}

}  // namespace

void G3Shell::AssignVertexIds() {
    AssignIdsOf(m_Vertices);
}
void G3Shell::AssignNormalIds() {
    AssignIdsOf(m_Normals);
}
void G3Shell::AssignTexCooIds() {
    AssignIdsOf(m_TexCoos);
}
void G3Shell::AssignEdgeIds() {
    AssignIdsOf(m_Edges);
}
void G3Shell::AssignFacetIds() {
    AssignIdsOf(m_Facets);
}

void G3Shell::AssignIds() {
    AssignTexCooIds();
    AssignNormalIds();
    AssignVertexIds();
    AssignEdgeIds();
    AssignFacetIds();
}

void G3Shell::ChangeFlags(GArrayCollection* c, int32_t mask, bool set) {
    if (c == nullptr) return;
    for (int i = 0; i < c->size(); ++i) {
        auto* o = static_cast<G3Obj*>(c->get(i));
        o->SetFlags(set ? (o->GetFlags() | mask) : (o->GetFlags() & ~mask));
    }
}

GEnvelope* G3Shell::FormEnvelope(GEnvelope* env) const {
    env->Init();
    for (int i = 0; i < GetVertexCount(); ++i) {
        const double* p = GetVertex(i)->GetXYZ();
        if (i == 0) {
            env->Init(p);
        } else {
            env->Add(p);
        }
    }
    return env;
}

GEnvelope* G3Shell::FormTexCooEnvelope(GEnvelope* env) const {
    env->Init();
    for (int i = 0; i < GetTexCooCount(); ++i) {
        const G3TexCoo* t = GetTexCoo(i);
        const double p[3] = {t->GetU(), t->GetV(), 0.0};
        if (i == 0) {
            env->Init(p);
        } else {
            env->Add(p);
        }
    }
    return env;
}

void G3Shell::ReverseNormals() {
    for (int i = 0; i < GetNormalCount(); ++i) GetNormal(i)->Negate();
}

void G3Shell::ReallocByRealSize() {
    for (GArrayCollection* c : {m_Vertices, m_Normals, m_TexCoos, m_Edges, m_Facets, m_PolyEdges}) {
        if (c != nullptr) c->ReallocByRealSize();
    }
}

void G3Shell::RemoveExDataProvider() {
    delete m_ShellProvider;
    m_ShellProvider = nullptr;
}

void G3Shell::OpenExData() {
    if (IsExDataVertex()) {
        for (int i = 0; i < GetVertexCount(); ++i) OpenExDataVertex(GetVertex(i));
    }
    if (IsExDataNormal()) {
        for (int i = 0; i < GetNormalCount(); ++i) OpenExDataNormal(GetNormal(i));
    }
    if (IsExDataTexCoo()) {
        for (int i = 0; i < GetTexCooCount(); ++i) OpenExDataTexCoo(GetTexCoo(i));
    }
    if (IsExDataEdge()) {
        for (int i = 0; i < GetEdgeCount(); ++i) OpenExDataEdge(GetEdge(i));
    }
    if (IsExDataFacet()) {
        for (int i = 0; i < GetFacetCount(); ++i) OpenExDataFacet(GetFacet(i));
    }
    if (IsExDataPolyEdge()) {
        for (int i = 0; i < GetPolyEdgeCount(); ++i) {
            OpenExDataPolyEdge(static_cast<G3PolyEdge*>(m_PolyEdges->get(i)));
        }
    }
}

void G3Shell::CloseExData() {
    if (IsExDataVertex()) {
        for (int i = 0; i < GetVertexCount(); ++i) CloseExDataVertex(GetVertex(i));
    }
    if (IsExDataNormal()) {
        for (int i = 0; i < GetNormalCount(); ++i) CloseExDataNormal(GetNormal(i));
    }
    if (IsExDataTexCoo()) {
        for (int i = 0; i < GetTexCooCount(); ++i) CloseExDataTexCoo(GetTexCoo(i));
    }
    if (IsExDataEdge()) {
        for (int i = 0; i < GetEdgeCount(); ++i) CloseExDataEdge(GetEdge(i));
    }
    if (IsExDataFacet()) {
        for (int i = 0; i < GetFacetCount(); ++i) CloseExDataFacet(GetFacet(i));
    }
    if (IsExDataPolyEdge()) {
        for (int i = 0; i < GetPolyEdgeCount(); ++i) {
            CloseExDataPolyEdge(static_cast<G3PolyEdge*>(m_PolyEdges->get(i)));
        }
    }
}

void G3Shell::OpenExDataEdge(G3Edge* e) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataEdge(e);
}

void G3Shell::OpenExDataPolyEdge(G3PolyEdge* p) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataPolyEdge(p);
    ProviderOpenExData(p);
}

void G3Shell::CloseExDataEdge(G3Edge* e) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataEdge(e);
}

void G3Shell::CloseExDataPolyEdge(G3PolyEdge* p) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataPolyEdge(p);
}

void G3Shell::OpenExDataVertex(G3Vertex* v) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataVertex(v);
}

void G3Shell::CloseExDataVertex(G3Vertex* v) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataVertex(v);
}

void G3Shell::OpenExDataNormal(G3Normal* n) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataNormal(n);
}

void G3Shell::CloseExDataNormal(G3Normal* n) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataNormal(n);
}

void G3Shell::OpenExDataTexCoo(G3TexCoo* t) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataTexCoo(t);
}

void G3Shell::CloseExDataTexCoo(G3TexCoo* t) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataTexCoo(t);
}

void G3Shell::OpenExDataFacet(G3Facet* f) {
    if (m_ShellProvider != nullptr) m_ShellProvider->OpenExDataFacet(f);
    ProviderOpenExData(f);
}

void G3Shell::CloseExDataFacet(G3Facet* f) {
    if (m_ShellProvider != nullptr) m_ShellProvider->CloseExDataFacet(f);
}

bool G3Shell::IsExDataEdge() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataEdge();
}
bool G3Shell::IsExDataVertex() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataVertex();
}
bool G3Shell::IsExDataNormal() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataNormal();
}
bool G3Shell::IsExDataTexCoo() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataTexCoo();
}
bool G3Shell::IsExDataFacet() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataFacet();
}
bool G3Shell::IsExDataPolyEdge() {
    return m_ShellProvider != nullptr && m_ShellProvider->IsExDataPolyEdge();
}
