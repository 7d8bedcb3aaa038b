#include "polykern/model/G3Edge.h"

#include <cmath>
#include <utility>

#include "polykern/foundation/GHeap.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

PK_DEFINE_POOL(G3Edge, 65536)

namespace {

int FacingSign(double q) {
    if (std::fabs(q) < 1e-6) return 0;
    return q >= 0.0 ? 1 : -1;
}

// Visible unless both facets face the same way (a zero sign counts as a silhouette).
bool Silhouette(int s1, int s2) {
    return s1 == 0 || s2 == 0 || s1 == -s2;
}

}  // namespace

G3Edge::G3Edge() {
    SetFlags(G3EDGE_VISIBLE);
}

G3Edge::G3Edge(G3Vertex* a, G3Vertex* b) : m_Vertex1(a), m_Vertex2(b) {
    SetFlags(G3EDGE_VISIBLE);
}

G3Edge::G3Edge(const G3Edge& other)
    : G3Obj(other),
      m_Vertex1(other.m_Vertex1),
      m_Vertex2(other.m_Vertex2),
      m_Vertex1Edge(other.m_Vertex1Edge),
      m_Vertex2Edge(other.m_Vertex2Edge),
      m_Facet1(other.m_Facet1),
      m_Facet2(other.m_Facet2),
      m_Facet1Edge(other.m_Facet1Edge),
      m_Facet2Edge(other.m_Facet2Edge) {
    SetGeometry(other.m_Geometry);
}

G3Edge& G3Edge::operator=(const G3Edge& other) {
    if (this == &other) return *this;
    G3Obj::operator=(other);
    m_Vertex1 = other.m_Vertex1;
    m_Vertex2 = other.m_Vertex2;
    m_Vertex1Edge = other.m_Vertex1Edge;
    m_Vertex2Edge = other.m_Vertex2Edge;
    m_Facet1 = other.m_Facet1;
    m_Facet2 = other.m_Facet2;
    m_Facet1Edge = other.m_Facet1Edge;
    m_Facet2Edge = other.m_Facet2Edge;
    SetGeometry(other.m_Geometry);
    return *this;
}

G3Edge::~G3Edge() {
    delete m_Geometry;
}

void G3Edge::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* source = dynamic_cast<G3Edge*>(from);
    if (source == nullptr || source == this) return;
    *this = *source;
}

G3Edge* G3Edge::Duplicate() {
    auto* copy = new G3Edge();
    copy->Copy(this);
    return copy;
}

void G3Edge::SetNextAtVertex(const G3Vertex* v, G3Edge* e) {
    if (m_Vertex1 == v) {
        m_Vertex1Edge = e;
    } else {
        m_Vertex2Edge = e;
    }
}

void G3Edge::SetNextInFacet(const G3Facet* f, G3Edge* e) {
    if (m_Facet1 == f) {
        m_Facet1Edge = e;
    } else {
        m_Facet2Edge = e;
    }
}

void G3Edge::DetachFacet(const G3Facet* f) {
    if (m_Facet1 == f) {
        m_Facet1 = nullptr;
        m_Facet1Edge = nullptr;
    } else if (m_Facet2 == f) {
        m_Facet2 = nullptr;
        m_Facet2Edge = nullptr;
    }
}

void G3Edge::SetGeometry(const G3EdgeGeometry* g) {
    if (g == nullptr) {
        delete m_Geometry;
        m_Geometry = nullptr;
        return;
    }
    if (g == m_Geometry) return;
    if (m_Geometry == nullptr) m_Geometry = new G3EdgeGeometry();
    m_Geometry->Copy(const_cast<G3EdgeGeometry*>(g));
}

bool G3Edge::HasGeometry(const G3Facet* f) const {
    if (m_Geometry == nullptr) return false;
    return m_Geometry->Get(m_Facet1 == f ? G3EdgeGeometry::F1V1 : G3EdgeGeometry::F2V1, nullptr) !=
           nullptr;
}

G3Normal* G3Edge::GetSlot(int slot, G3TexCoo** t) const {
    if (m_Geometry == nullptr) {
        if (t != nullptr) *t = nullptr;
        return nullptr;
    }
    return m_Geometry->Get(slot, t);
}

void G3Edge::SetSlot(int slot, G3Normal* n, G3TexCoo* t) {
    if (m_Geometry == nullptr) {
        if (n == nullptr && t == nullptr) return;
        m_Geometry = new G3EdgeGeometry();
    }
    m_Geometry->Set(slot, n, t);
}

G3Normal* G3Edge::GetFacet1V1(G3TexCoo** t) const {
    return GetSlot(G3EdgeGeometry::F1V1, t);
}
G3Normal* G3Edge::GetFacet1V2(G3TexCoo** t) const {
    return GetSlot(G3EdgeGeometry::F1V2, t);
}
G3Normal* G3Edge::GetFacet2V1(G3TexCoo** t) const {
    return GetSlot(G3EdgeGeometry::F2V1, t);
}
G3Normal* G3Edge::GetFacet2V2(G3TexCoo** t) const {
    return GetSlot(G3EdgeGeometry::F2V2, t);
}
void G3Edge::SetFacet1V1(G3Normal* n, G3TexCoo* t) {
    SetSlot(G3EdgeGeometry::F1V1, n, t);
}
void G3Edge::SetFacet1V2(G3Normal* n, G3TexCoo* t) {
    SetSlot(G3EdgeGeometry::F1V2, n, t);
}
void G3Edge::SetFacet2V1(G3Normal* n, G3TexCoo* t) {
    SetSlot(G3EdgeGeometry::F2V1, n, t);
}
void G3Edge::SetFacet2V2(G3Normal* n, G3TexCoo* t) {
    SetSlot(G3EdgeGeometry::F2V2, n, t);
}

bool G3Edge::GetNormals(const G3Facet* f,
                        G3Normal** nFirst,
                        G3TexCoo** tFirst,
                        G3Normal** nSecond,
                        G3TexCoo** tSecond) const {
    return GetNormals(nFirst, tFirst, nSecond, tSecond, m_Facet1 == f ? 1 : 2);
}

bool G3Edge::GetNormals(
    G3Normal** nFirst, G3TexCoo** tFirst, G3Normal** nSecond, G3TexCoo** tSecond, int side) const {
    const int first = side == 1 ? G3EdgeGeometry::F1V1 : G3EdgeGeometry::F2V1;
    *nFirst = GetSlot(first, tFirst);
    *nSecond = GetSlot(first + 1, tSecond);
    return *nFirst != nullptr;
}

void G3Edge::SetNormals(const G3Facet* f,
                        const G3Vertex* va,
                        G3Normal* na,
                        G3TexCoo* ta,
                        const G3Vertex* vb,
                        G3Normal* nb,
                        G3TexCoo* tb) {
    (void)vb;
    if (m_Vertex1 != va) {
        std::swap(na, nb);
        std::swap(ta, tb);
    }
    const int first = m_Facet1 == f ? G3EdgeGeometry::F1V1 : G3EdgeGeometry::F2V1;
    SetSlot(first, na, ta);
    SetSlot(first + 1, nb, tb);
}

bool G3Edge::IsLink(const G3Edge* e) const {
    return m_Vertex1 == e->m_Vertex1 || m_Vertex1 == e->m_Vertex2 || m_Vertex2 == e->m_Vertex1 ||
           m_Vertex2 == e->m_Vertex2;
}

bool G3Edge::IsVertexEquals(const G3Edge* e) const {
    return (m_Vertex1 == e->m_Vertex1 && m_Vertex2 == e->m_Vertex2) ||
           (m_Vertex1 == e->m_Vertex2 && m_Vertex2 == e->m_Vertex1);
}

bool G3Edge::FacetEqu(const G3Facet* f1, const G3Facet* f2) const {
    return (m_Facet1 == f1 && m_Facet2 == f2) || (m_Facet1 == f2 && m_Facet2 == f1);
}

void G3Edge::SwapVertex() {
    std::swap(m_Vertex1, m_Vertex2);
    std::swap(m_Vertex1Edge, m_Vertex2Edge);
    if (m_Geometry != nullptr) m_Geometry->SwapVertex();
}

void G3Edge::GetTriangleVertex(
    const G3Edge* e1, const G3Edge* e2, G3Vertex** a, G3Vertex** b, G3Vertex** c) {
    *a = *b = *c = nullptr;
    if (e1 == nullptr || e2 == nullptr) return;
    G3Vertex* shared = nullptr;
    if (e1->m_Vertex1 == e2->m_Vertex1 || e1->m_Vertex1 == e2->m_Vertex2) {
        shared = e1->m_Vertex1;
    } else if (e1->m_Vertex2 == e2->m_Vertex1 || e1->m_Vertex2 == e2->m_Vertex2) {
        shared = e1->m_Vertex2;
    }
    if (shared == nullptr) return;
    *b = shared;
    *a = e1->OtherVertex(shared);
    *c = e2->OtherVertex(shared);
}

bool G3Edge::IsLegalForMerge() const {
    if (m_Facet1 == nullptr || m_Facet2 == nullptr) return false;
    return IsLegalForMerge(m_Facet1, m_Facet1, m_Facet2) &&
           IsLegalForMerge(m_Facet2, m_Facet1, m_Facet2);
}

// Counts how often "shared by f1 and f2" changes along f's ring, cyclically: exactly two
// changes means the shared edges form one run, neither empty nor the whole ring.
bool G3Edge::IsLegalForMerge(const G3Facet* f, const G3Facet* f1, const G3Facet* f2) const {
    const G3Edge* first = f->GetFirstEdge();
    if (first == nullptr) return false;
    const bool firstShared = first->FacetEqu(f1, f2);
    bool previous = firstShared;
    int changes = 0;
    for (const G3Edge* e = first->NextInFacet(f); e != nullptr; e = e->NextInFacet(f)) {
        const bool shared = e->FacetEqu(f1, f2);
        if (shared != previous) ++changes;
        previous = shared;
    }
    if (previous != firstShared) ++changes;
    return changes == 2;
}

// The rules the outline and the drawing test share: 1 or 0 when the edge's flags or
// facet count settle the answer, -1 for an edge between two facets.
int G3Edge::OutlineRule() const {
    if (GetVisible()) return 1;
    if (!GetFormMaking()) return 0;
    switch (GetFacetCount()) {
        case 0:
            return 1;
        case 1:
            return m_Vertex1->GetEdgeCount(m_Vertex2) % 2 == 1 ? 1 : 0;
        default:
            return -1;
    }
}

bool G3Edge::IsEdgeOnMesh() const {
    return OutlineRule() != 0;
}

bool G3Edge::IsEdgeVisibleForDrawing(bool perspective) const {
    const int rule = OutlineRule();
    if (rule >= 0) return rule == 1;
    const double* p1 = m_Facet1->GetPlane();
    const double* p2 = m_Facet2->GetPlane();
    if (!perspective) return Silhouette(FacingSign(p1[2]), FacingSign(p2[2]));
    for (const G3Vertex* v : {m_Vertex1, m_Vertex2}) {
        const double* x = v->GetXYZ();
        const double q1 = p1[0] * x[0] + p1[1] * x[1] + p1[2] * x[2];
        const double q2 = p2[0] * x[0] + p2[1] * x[1] + p2[2] * x[2];
        if (Silhouette(FacingSign(q1), FacingSign(q2))) return true;
    }
    return false;
}

double G3Edge::GetSizeXYZ() const {
    return GetSizeXYZ(m_Vertex1->GetXYZ(), m_Vertex2->GetXYZ());
}

double G3Edge::GetSizeXYZ(const double* a, const double* b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double G3Edge::GetSize(int i, int j) const {
    const double* a = m_Vertex1->GetXYZ();
    const double* b = m_Vertex2->GetXYZ();
    const double di = b[i] - a[i], dj = b[j] - a[j];
    return std::sqrt(di * di + dj * dj);
}

void G3Edge::CalcCentrePoint(const G3Vertex* a, const G3Vertex* b, double out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = (a->GetXYZ(k) + b->GetXYZ(k)) * 0.5;
}

GEnvelope* G3Edge::FormEnvelope(GEnvelope* env) const {
    env->Init(m_Vertex1->GetXYZ(), m_Vertex2->GetXYZ());
    return env;
}

double G3Edge::GetCosAngle(const G3Edge* e1, const G3Edge* e2) {
    G3Vertex *a, *b, *c;
    GetTriangleVertex(e1, e2, &a, &b, &c);
    if (b == nullptr) return 0.0;
    double u[3], w[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = a->GetXYZ(k) - b->GetXYZ(k);
        w[k] = c->GetXYZ(k) - b->GetXYZ(k);
    }
    const double lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const double lw = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    if (!(lu * lw >= 1e-12)) return 0.0;
    return (u[0] * w[0] + u[1] * w[1] + u[2] * w[2]) / (lu * lw);
}

double G3Edge::CalcRealSquareOfTriangle(const G3Edge* e1, const G3Edge* e2) {
    G3Vertex *a, *b, *c;
    GetTriangleVertex(e1, e2, &a, &b, &c);
    if (b == nullptr) return 0.0;
    double plane[4];
    return G3Facet::CalcRealSquareOfTriangle(a->GetXYZ(), b->GetXYZ(), c->GetXYZ(), plane);
}

bool G3Edge::FindProjection(const double* p, double out[3], double* t) const {
    const double* a = m_Vertex1->GetXYZ();
    const double* b = m_Vertex2->GetXYZ();
    double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len > 1e-6) {
        for (double& c : d) c /= len;
    }
    const double s = d[0] * (p[0] - a[0]) + d[1] * (p[1] - a[1]) + d[2] * (p[2] - a[2]);
    for (int k = 0; k < 3; ++k) out[k] = a[k] + s * d[k];
    if (t != nullptr) *t = s;
    return s >= -1e-6 && s <= len + 1e-6;
}

// One parameter along the segment, measured on the axis of its largest extent, drives
// every component: a per-axis parameter would leave the components of a segment that
// is level on some axis uninterpolated.
void G3Edge::Interpolate(const G3Vertex* a,
                         const G3Normal* na,
                         const G3TexCoo* ta,
                         const G3Vertex* b,
                         const G3Normal* nb,
                         const G3TexCoo* tb,
                         const double p[3],
                         G3Normal** nOut,
                         G3TexCoo** tOut) {
    *nOut = nullptr;
    if (tOut != nullptr) *tOut = nullptr;
    if (na == nullptr || nb == nullptr) return;
    int axis = 0;
    double extent = -1.0;
    for (int k = 0; k < 3; ++k) {
        const double d = std::fabs(b->GetXYZ(k) - a->GetXYZ(k));
        if (d > extent) {
            extent = d;
            axis = k;
        }
    }
    double s = 0.0;
    if (extent >= 1e-6) s = (p[axis] - a->GetXYZ(axis)) / (b->GetXYZ(axis) - a->GetXYZ(axis));
    double n[3];
    for (int k = 0; k < 3; ++k) n[k] = na->GetXYZ(k) + (nb->GetXYZ(k) - na->GetXYZ(k)) * s;
    *nOut = new G3Normal(n, 0);
    if (ta != nullptr && tb != nullptr && tOut != nullptr) {
        const double uv[2] = {ta->GetU() + (tb->GetU() - ta->GetU()) * s,
                              ta->GetV() + (tb->GetV() - ta->GetV()) * s};
        *tOut = new G3TexCoo(uv);
    }
}
