#include "polykern/model/G3Vertex.h"

#include <cmath>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"

PK_DEFINE_POOL(G3Vertex, 65536)

void G3Vertex::Copy(GObj* from) {
    G3Normal::Copy(from);
    auto* source = dynamic_cast<G3Vertex*>(from);
    if (source == nullptr || source == this) return;
    m_FirstEdge = source->m_FirstEdge;
    m_LastEdge = source->m_LastEdge;
}

G3Vertex* G3Vertex::Duplicate() {
    auto* copy = new G3Vertex();
    copy->Copy(this);
    return copy;
}

void G3Vertex::AddEdge(G3Edge* e) {
    if (m_FirstEdge == nullptr) {
        m_FirstEdge = e;
    } else {
        m_LastEdge->SetNextAtVertex(this, e);
    }
    m_LastEdge = e;
}

bool G3Vertex::RemoveEdge(G3Edge* e) {
    G3Edge* previous = nullptr;
    for (G3Edge* cur = m_FirstEdge; cur != nullptr; previous = cur, cur = NextEdge(cur)) {
        if (cur != e) continue;
        G3Edge* following = NextEdge(e);
        if (previous == nullptr) {
            m_FirstEdge = following;
        } else {
            previous->SetNextAtVertex(this, following);
        }
        if (m_LastEdge == e) m_LastEdge = previous;
        e->SetNextAtVertex(this, nullptr);
        return true;
    }
    return false;
}

int G3Vertex::GetEdgeCount() const {
    int n = 0;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) ++n;
    return n;
}

int G3Vertex::GetEdgeCount(const G3Vertex* w) const {
    int n = 0;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (e->OtherVertex(this) == w) n += e->GetFacetCount();
    }
    return n;
}

int G3Vertex::GetEdgeCount2(const G3Vertex* w) const {
    int n = 0;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (e->OtherVertex(this) != w) continue;
        for (const G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f != nullptr) n += f->GetDoubleSided() ? 2 : 1;
        }
    }
    return n;
}

int G3Vertex::GetEdgeCount(const G3Vertex* w, const G3Facet* f) const {
    int n = 0;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (e->OtherVertex(this) != w) continue;
        n += (e->GetFacet1() == f) + (e->GetFacet2() == f);
    }
    return n;
}

int G3Vertex::GetEdges(G3Edge** out) const {
    int n = 0;
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) out[n++] = e;
    return n;
}

void G3Vertex::GetEdges(const G3Vertex* w, GArrayCollection* out) const {
    out->clear();
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (e->OtherVertex(this) == w) out->add(e);
    }
}

double G3Vertex::Distance(const G3Vertex* w) const {
    const double dx = w->m_Coo[0] - m_Coo[0], dy = w->m_Coo[1] - m_Coo[1],
                 dz = w->m_Coo[2] - m_Coo[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void G3Vertex::SetNormalWhere(const G3Facet* f, bool anyFacet, G3Normal* n, G3TexCoo* t) {
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        const bool atVertex1 = e->GetVertex1() == this;
        if (e->GetFacet1() != nullptr && (anyFacet || e->GetFacet1() == f)) {
            atVertex1 ? e->SetFacet1V1(n, t) : e->SetFacet1V2(n, t);
        }
        if (e->GetFacet2() != nullptr && (anyFacet || e->GetFacet2() == f)) {
            atVertex1 ? e->SetFacet2V1(n, t) : e->SetFacet2V2(n, t);
        }
    }
}

void G3Vertex::SetNormal(const G3Facet* f, G3Normal* n, G3TexCoo* t) {
    if (f != nullptr) SetNormalWhere(f, false, n, t);
}

void G3Vertex::SetNormal(G3Normal* n, G3TexCoo* t) {
    SetNormalWhere(nullptr, true, n, t);
}

G3Normal* G3Vertex::GetNormal(const G3Facet* f, G3TexCoo** t) const {
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (!e->HasGeometry()) continue;
        const bool atVertex1 = e->GetVertex1() == this;
        G3TexCoo* tex = nullptr;
        G3Normal* n;
        if (e->GetFacet1() == f) {
            n = atVertex1 ? e->GetFacet1V1(&tex) : e->GetFacet1V2(&tex);
        } else if (e->GetFacet2() == f) {
            n = atVertex1 ? e->GetFacet2V1(&tex) : e->GetFacet2V2(&tex);
        } else {
            continue;
        }
        if (t != nullptr) *t = tex;
        return n;
    }
    return nullptr;
}

void G3Vertex::RealTransformation(const double m[4][4]) {
    const double x = m_Coo[0], y = m_Coo[1], z = m_Coo[2];
    for (int c = 0; c < 3; ++c) m_Coo[c] = x * m[0][c] + y * m[1][c] + z * m[2][c] + m[3][c];
}

namespace {

int CompareAxis(const void* a, const void* b, int axis) {
    const double x = (*static_cast<G3Vertex* const*>(a))->GetXYZ(axis);
    const double y = (*static_cast<G3Vertex* const*>(b))->GetXYZ(axis);
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

int G3Vertex::CompareX(const void* a, const void* b) {
    return CompareAxis(a, b, 0);
}
int G3Vertex::CompareY(const void* a, const void* b) {
    return CompareAxis(a, b, 1);
}
int G3Vertex::CompareZ(const void* a, const void* b) {
    return CompareAxis(a, b, 2);
}
