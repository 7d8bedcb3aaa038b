// Facet counts, vertex lists, normals, plane and measures.

#include <cmath>
#include <cstdint>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

int G3Facet::GetEdgeCount() const {
    int n = 0;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) ++n;
    return n;
}

int G3Facet::GetEdges(G3Edge** out) const {
    int n = 0;
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) out[n++] = e;
    return n;
}

int G3Facet::GetVertices(G3Vertex** out) const {
    int n = 0;
    for (G3FacetVertexIterator it(this); it.hasNext();)
        out[n++] = static_cast<G3Vertex*>(it.next());
    return n;
}

void G3Facet::GetEdges(GArrayCollection* out) const {
    out->clear();
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) out->add(e);
}

void G3Facet::GetVertices(GArrayCollection* out) const {
    out->clear();
    for (G3FacetVertexIterator it(this); it.hasNext();) out->add(it.next());
}

void G3Facet::GetVerticesIds(GArrayCollection* out, int offset) const {
    out->clear();
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        const auto* v = static_cast<G3Vertex*>(it.next());
        const std::intptr_t id = static_cast<std::intptr_t>(v->GetId()) + offset;
        out->add(reinterpret_cast<GObj*>(id));
    }
}

bool G3Facet::ContainsVertex(const G3Vertex* v) const {
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        if (e->HasVertex(v)) return true;
    }
    return false;
}

bool G3Facet::HasEdge(const G3Vertex* a, const G3Vertex* b) const {
    return ContainsVertex(a) && ContainsVertex(b);
}

bool G3Facet::HasGeometry() const {
    return m_FirstEdge != nullptr && m_FirstEdge->HasGeometry();
}

bool G3Facet::HasGeometry(const G3Facet* f) {
    return f != nullptr && f->m_FirstEdge != nullptr && f->m_FirstEdge->HasGeometry(f);
}

G3Normal* G3Facet::GetNormal(const G3Vertex* v, G3TexCoo** t) const {
    for (const G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        if (e->GetFacet1() != this && e->GetFacet2() != this) continue;
        const bool side1 = e->GetFacet1() == this;
        const bool atVertex1 = e->GetVertex1() == v;
        G3TexCoo* tex = nullptr;
        G3Normal* n = side1 ? (atVertex1 ? e->GetFacet1V1(&tex) : e->GetFacet1V2(&tex))
                            : (atVertex1 ? e->GetFacet2V1(&tex) : e->GetFacet2V2(&tex));
        if (n == nullptr) continue;
        if (t != nullptr) *t = tex;
        return n;
    }
    return nullptr;
}

void G3Facet::SetNormal(const G3Vertex* v, G3Normal* n, G3TexCoo* t, bool force) {
    if (n == nullptr && t == nullptr && !force) return;
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        const bool atVertex1 = e->GetVertex1() == v;
        if (e->GetFacet1() == this) atVertex1 ? e->SetFacet1V1(n, t) : e->SetFacet1V2(n, t);
        if (e->GetFacet2() == this) atVertex1 ? e->SetFacet2V1(n, t) : e->SetFacet2V2(n, t);
    }
}

void G3Facet::AssignNormalsByPlane(G3Surface* s) {
    G3Normal* n = s != nullptr ? s->AddNormal(m_Plane) : nullptr;
    if (n == nullptr) return;
    for (G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        e->SetNormals(this, e->GetVertex1(), n, nullptr, e->GetVertex2(), n, nullptr);
    }
}

void G3Facet::SetPlane(const double* abcd) {
    for (int k = 0; k < 4; ++k) m_Plane[k] = abcd[k];
}

namespace {

// Twice the vector area of every loop summed (Newell), about the first vertex so that a
// facet far from the origin keeps its digits. A hole runs the other way round and takes
// its area off the outline's.
void LoopsNewell(const G3FacetLoops& loops, double* n) {
    n[0] = n[1] = n[2] = 0.0;
    if (loops.GetCount() == 0) return;
    const double* o = loops.Vertex(0)->GetXYZ();
    for (int k = 0; k < loops.GetCount(); ++k) {
        const double* a = loops.Vertex(k)->GetXYZ();
        const double* b = loops.Vertex(loops.Next(k))->GetXYZ();
        const double p[3] = {a[0] - o[0], a[1] - o[1], a[2] - o[2]};
        const double q[3] = {b[0] - o[0], b[1] - o[1], b[2] - o[2]};
        n[0] += (p[1] - q[1]) * (p[2] + q[2]);
        n[1] += (p[2] - q[2]) * (p[0] + q[0]);
        n[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
}

// The plane of a facet with holes: the loops' summed normal through the vertices' centroid.
bool FormLoopsPlane(const G3FacetLoops& loops, double* plane) {
    double n[3];
    LoopsNewell(loops, n);
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len >= 1e-12) || !std::isfinite(len)) return false;
    double sum[3] = {0.0, 0.0, 0.0};
    for (const G3Vertex* v : loops.Vertices()) {
        for (int k = 0; k < 3; ++k) sum[k] += v->GetXYZ(k);
    }
    for (int k = 0; k < 3; ++k) plane[k] = n[k] / len;
    plane[3] = -(plane[0] * sum[0] + plane[1] * sum[1] + plane[2] * sum[2]) / loops.GetCount();
    return true;
}

}  // namespace

double G3Facet::CalcArea() const {
    const G3FacetLoops loops(this);
    double n[3];
    LoopsNewell(loops, n);
    const double area = 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return std::isfinite(area) ? area : 0.0;
}

namespace {

constexpr int kDirectCorners = 32;

// The corners of a ring that is one head-to-tail loop of at most kDirectCorners edges, in
// the order and from the start the vertex iterator gives; false for anything else.
bool DirectCorners(const G3Facet* f, const double** corners, int* count) {
    const G3Edge* e = f->GetFirstEdge();
    if (e == nullptr) return false;
    const G3Edge* s = f->NextEdge(e);
    if (s == nullptr) return false;
    const G3Vertex* v = s->HasVertex(e->GetVertex1()) ? e->GetVertex2() : e->GetVertex1();
    const G3Vertex* first = v;
    int n = 0;
    for (; e != nullptr; e = f->NextEdge(e)) {
        if (n == kDirectCorners || !e->HasVertex(v)) return false;
        if (n > 0 && v == first) return false;  // back at the start before the end: loops
        corners[n++] = v->GetXYZ();
        v = e->OtherVertex(v);
    }
    *count = n;
    return v == first;
}

}  // namespace

bool G3Facet::FormPlaneEquation() {
    // Nearly every facet is one short loop: its corners are read straight off the ring.
    const double* corners[kDirectCorners];
    int n = 0;
    if (DirectCorners(this, corners, &n)) {
        G3Math::FormPlaneEquation(n, corners, m_Plane);
        if (IsPlaneZero()) {
            G3FacetVertexIterator again(this);
            int i, j;
            G3Math::FormMaxPlaneCoo(&again, &i, &j, m_Plane);
        }
        return true;
    }
    int loopCount = 0;
    for (G3FacetVertexIterator it(this); it.hasNext() && loopCount < 2;) {
        it.next();
        if (it.StartedLoop()) ++loopCount;
    }
    if (loopCount > 1) {
        const G3FacetLoops loops(this);
        // A ring of several loops is no single polygon: each loop is summed on its own.
        for (double& c : m_Plane) c = 0.0;
        if (!FormLoopsPlane(loops, m_Plane)) {
            G3FacetVertexIterator again(this);
            int i, j;
            G3Math::FormMaxPlaneCoo(&again, &i, &j, m_Plane);
        }
        return true;
    }
    G3FacetVertexIterator walk(this);
    G3Math::FormPlaneEquation(&walk, m_Plane);
    if (IsPlaneZero()) {
        G3FacetVertexIterator again(this);
        int i, j;
        G3Math::FormMaxPlaneCoo(&again, &i, &j, m_Plane);
    }
    return true;
}

bool G3Facet::IsPlaneZero() const {
    return m_Plane[0] == 0.0 && m_Plane[1] == 0.0 && m_Plane[2] == 0.0 && m_Plane[3] == 0.0;
}

bool G3Facet::IsFlat() const {
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        const double* p = static_cast<G3Vertex*>(it.next())->GetXYZ();
        const double s = m_Plane[0] * p[0] + m_Plane[1] * p[1] + m_Plane[2] * p[2] + m_Plane[3];
        if (!(std::fabs(s) <= 5e-7)) return false;
    }
    return true;
}

bool G3Facet::PlaneEquals(const double* p) const {
    return PlaneEquals(p, 1e-6, 1e-6);
}

bool G3Facet::PlaneEquals(const double* p, double dTol, double nTol) const {
    const double dot = m_Plane[0] * p[0] + m_Plane[1] * p[1] + m_Plane[2] * p[2];
    return std::fabs(dot - 1.0) < nTol && std::fabs(m_Plane[3] - p[3]) < dTol;
}

double G3Facet::CalcDepth(double x, double y) const {
    if (std::fabs(m_Plane[2]) >= 1e-6)
        return -(m_Plane[0] * x + m_Plane[1] * y + m_Plane[3]) / m_Plane[2];
    return m_FirstEdge != nullptr ? m_FirstEdge->GetVertex1()->GetZ() : 0.0;
}

void G3Facet::GetMaxCoo(int* i, int* j) const {
    G3Math::GetMaxCoo(m_Plane, i, j);
}

// The box of both ends of every ring edge: each loop's corners, read straight from the
// ring without a vertex walk, since every working record of a Boolean asks for it.
GEnvelope* G3Facet::FormEnvelope(GEnvelope* env) const {
    const G3Edge* e = m_FirstEdge;
    if (e == nullptr) {
        env->Init();
        return env;
    }
    const double* first = e->GetVertex1()->GetXYZ();
    double lo[3] = {first[0], first[1], first[2]}, hi[3] = {first[0], first[1], first[2]};
    for (; e != nullptr; e = NextEdge(e)) {
        for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
            const double* p = v->GetXYZ();
            for (int k = 0; k < 3; ++k) {
                if (p[k] < lo[k]) lo[k] = p[k];
                if (p[k] > hi[k]) hi[k] = p[k];
            }
        }
    }
    env->Set(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    return env;
}

GEnvelope* G3Facet::FormEnvelope(GIterator* vertices, GEnvelope* env) {
    return G3Math::FormEnvelope(vertices, env) ? env : nullptr;
}

double G3Facet::CalcRealSquareOfTriangle(const double* p0,
                                         const double* p1,
                                         const double* p2,
                                         double plane[4]) {
    const double n[3] = {
        p0[1] * (p1[2] - p2[2]) + p1[1] * (p2[2] - p0[2]) + p2[1] * (p0[2] - p1[2]),
        p0[2] * (p1[0] - p2[0]) + p1[2] * (p2[0] - p0[0]) + p2[2] * (p0[0] - p1[0]),
        p0[0] * (p1[1] - p2[1]) + p1[0] * (p2[1] - p0[1]) + p2[0] * (p0[1] - p1[1])};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len >= 1e-12)) {
        plane[0] = plane[1] = plane[2] = plane[3] = 0.0;
        return 0.0;
    }
    for (int k = 0; k < 3; ++k) plane[k] = n[k] / len;
    plane[3] = -(plane[0] * (p0[0] + p1[0] + p2[0]) + plane[1] * (p0[1] + p1[1] + p2[1]) +
                 plane[2] * (p0[2] + p1[2] + p2[2])) /
               3.0;
    return 0.5 * len;
}

// A loop's first edge runs toward the end it shares with the next edge; from there each
// edge starts where the last one ended, and the loop closes back at its first vertex.
bool G3Facet::GetLoops(std::vector<G3Vertex*>& starts, std::vector<int>& loopEnds) const {
    starts.clear();
    loopEnds.clear();
    int k = 0, loopStart = 0;
    const G3Vertex* loopFirst = nullptr;
    G3Vertex* from = nullptr;
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e), ++k) {
        if (k == loopStart) {
            const G3Edge* next = NextEdge(e);
            if (next == nullptr) next = e;  // a loop of one edge closes on itself
            from = next->HasVertex(e->GetVertex2()) ? e->GetVertex1() : e->GetVertex2();
            loopFirst = from;
        } else if (!e->HasVertex(from)) {
            return false;
        }
        starts.push_back(from);
        from = e->OtherVertex(from);
        if (from == loopFirst) {
            loopEnds.push_back(k + 1);
            loopStart = k + 1;
        }
    }
    return k > 0 && loopStart == k;
}
