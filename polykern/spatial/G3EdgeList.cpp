// Edge lists: construction, geometry of one contour, classification and edge splitting.

#include "polykern/spatial/G3EdgeList.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

#include "polykern/foundation/GArrayCollectionIterator.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"

PK_DEFINE_POOL(G3EdgeList, 16384)

G3EdgeList::G3EdgeList(G3Facet* facet) : GArrayCollection(16, 16) {
    Init(facet != nullptr ? facet->GetFlags() : 1, facet != nullptr ? facet->GetSurface() : 1);
    if (facet == nullptr) return;
    SetPlane(facet->GetPlane());
    AddEdges(facet);
    Normalize();
}

G3EdgeList::G3EdgeList(GArrayCollection* edges) : GArrayCollection(16, 16) {
    Init(1, 1);
    AddEdges(edges, nullptr);
    Normalize();
}

G3EdgeList::G3EdgeList(GArrayCollection* edges, int32_t flags, int32_t surface)
    : GArrayCollection(16, 16) {
    Init(flags, surface);
    AddEdges(edges, nullptr);
    Normalize();
}

G3EdgeList::G3EdgeList(int32_t flags, int32_t surface) : GArrayCollection(16, 16) {
    Init(flags, surface);
}

G3EdgeList::G3EdgeList(int n,
                       G3Vertex** v,
                       const int32_t* edgeFlags,
                       G3Normal** normals,
                       G3TexCoo** texCoos,
                       int32_t flags,
                       int32_t surface)
    : GArrayCollection(n > 0 ? n : 16, 16) {
    Init(flags, surface);
    if (v == nullptr) return;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        if (v[i] == v[j]) continue;
        AddEdge(v[i], v[j], normals != nullptr ? normals[i] : nullptr,
                normals != nullptr ? normals[j] : nullptr,
                texCoos != nullptr ? texCoos[i] : nullptr,
                texCoos != nullptr ? texCoos[j] : nullptr, edgeFlags != nullptr ? edgeFlags[i] : 1);
    }
}

G3EdgeList::~G3EdgeList() {
    clear(true);
}

void G3EdgeList::Init(int32_t flags, int32_t surface) {
    m_FacetFlags = flags;
    m_FacetSurface = surface;
    m_Envelope.Init();
}

G3Edge* G3EdgeList::GetEdgeAt(int i) const {
    return static_cast<G3Edge*>(get(i));
}

G3EdgeList* G3EdgeList::Duplicate() {
    auto* copy = new G3EdgeList(m_FacetFlags, m_FacetSurface);
    copy->m_ContourType = m_ContourType;
    for (int i = 0; i < size(); ++i) copy->add(GetEdgeAt(i)->Duplicate());
    return copy;
}

G3Edge* G3EdgeList::AddEdge(G3Vertex* from,
                            G3Vertex* to,
                            G3Normal* nFrom,
                            G3Normal* nTo,
                            G3TexCoo* tFrom,
                            G3TexCoo* tTo,
                            int32_t flags) {
    auto* e = new G3Edge(from, to);
    e->SetFlags(flags);
    e->SetFacet1V1(nFrom, tFrom);
    e->SetFacet1V2(nTo, tTo);
    e->SetFacet2V1(nFrom, tFrom);
    e->SetFacet2V2(nTo, tTo);
    add(e);
    return e;
}

void G3EdgeList::AddEdges(GIterator* edges, G3Facet* facet) {
    while (edges->hasNext()) {
        auto* e = static_cast<G3Edge*>(edges->next());
        const bool side1 = facet != nullptr ? e->GetFacet1() == facet : e->GetFacet1() == nullptr;
        G3Normal *n1, *n2;
        G3TexCoo *t1, *t2;
        e->GetNormals(&n1, &t1, &n2, &t2, side1 ? 1 : 2);
        AddEdge(e->GetVertex1(), e->GetVertex2(), n1, n2, t1, t2, e->GetFlags());
    }
}

void G3EdgeList::AddEdges(GArrayCollection* edges, G3Facet* facet) {
    if (edges == nullptr) return;
    GArrayCollectionIterator it(edges);
    AddEdges(&it, facet);
}

void G3EdgeList::AddEdges(G3Facet* facet) {
    if (facet == nullptr) return;
    G3FacetEdgeIterator it(facet);
    AddEdges(&it, facet);
}

void G3EdgeList::AddRing(G3Facet* facet) {
    if (facet == nullptr) return;
    G3EdgeList ring(facet);
    add(ring.size(), ring.toArray());
    ring.clear();  // the edges belong to this list now
}

void G3EdgeList::SetPlane(const double* plane) {
    for (int k = 0; k < 4; ++k) m_Plane[k] = plane[k];
    G3Math::GetMaxCoo(m_Plane, &m_XCoo, &m_YCoo);
}

void G3EdgeList::EnsureAxes() {
    if (m_XCoo < 0 || m_YCoo < 0) FormMaxPlaneCoo();
}

void G3EdgeList::FormEnvelope() {
    bool first = true;
    for (int i = 0; i < size(); ++i) {
        const G3Edge* e = GetEdgeAt(i);
        for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
            if (first) {
                m_Envelope.Init(v->GetXYZ());
                first = false;
            } else {
                m_Envelope.Add(v->GetXYZ());
            }
        }
    }
}

void G3EdgeList::FormMaxPlaneCoo() {
    G3EdgeListVertexIterator it(this);
    G3Math::FormMaxPlaneCoo(&it, &m_XCoo, &m_YCoo, m_Plane);
}

void G3EdgeList::Normalize() {
    Normalize(size(), reinterpret_cast<G3Edge**>(toArray()));
}

void G3EdgeList::Normalize(int n, G3Edge** edges) {
    if (n < 2 || edges == nullptr) return;
    G3Edge* e0 = edges[0];
    const G3Edge* e1 = edges[1];
    if (e0->GetVertex1() == e1->GetVertex1() || e0->GetVertex1() == e1->GetVertex2())
        e0->SwapVertex();
    for (int k = 1; k < n; ++k) {
        if (edges[k]->GetVertex1() != edges[k - 1]->GetVertex2()) edges[k]->SwapVertex();
    }
}

bool G3EdgeList::Equals(G3EdgeList* other) {
    const int n = size();
    if (other == nullptr || other->size() != n) return false;
    if (n == 0) return true;
    const G3Edge* first = other->GetEdgeAt(0);
    for (int start = 0; start < n; ++start) {
        const G3Edge* e = GetEdgeAt(start);
        if (e->GetVertex1() != first->GetVertex1() || e->GetVertex2() != first->GetVertex2())
            continue;
        bool same = true;
        for (int k = 1; k < n && same; ++k) {
            const G3Edge* a = GetEdgeAt((start + k) % n);
            const G3Edge* b = other->GetEdgeAt(k);
            same = a->GetVertex1() == b->GetVertex1() && a->GetVertex2() == b->GetVertex2();
        }
        if (same) return true;
    }
    return false;
}

bool G3EdgeList::IsIn(G3EdgeList* other) {
    if (other == nullptr || isEmpty() || other->isEmpty()) return false;
    EnsureAxes();
    const int x = m_XCoo, y = m_YCoo;
    for (int i = 0; i < size(); ++i) {
        G3EdgeListVertexIterator around(other);
        G3Vertex *hitA, *hitB;
        if (!G3Facet::PointInFacet(x, y, GetEdgeAt(i)->GetVertex1()->GetXYZ(), &around, &hitA,
                                   &hitB, 1e-6)) {
            return false;
        }
        if (hitA == nullptr) return true;
    }
    // Every vertex lies on other's boundary: decide by a point strictly inside this one.
    GArrayCollection vertices(size(), 16);
    for (int i = 0; i < size(); ++i) vertices.add(GetEdgeAt(i)->GetVertex1());
    double inside[3];
    if (!G3Facet::GeneratePointInFacetConcave(x, y, inside, &vertices)) return false;
    G3EdgeListVertexIterator around(other);
    G3Vertex *hitA, *hitB;
    return G3Facet::PointInFacet(x, y, inside, &around, &hitA, &hitB, 1e-6);
}

// A contour inside another lies within its box. Sweeping the boxes by their low x keeps
// only the boxes still open at each one as candidates, so contours lying apart (the holes
// of a slab) are never compared point by point.
void G3EdgeList::FormContourTypes(GArrayCollection* contours) {
    if (contours == nullptr) return;
    const int n = contours->size();
    std::vector<G3EdgeList*> order(static_cast<std::size_t>(n));
    std::unordered_map<const G3EdgeList*, int> given;  // place in `contours`
    for (int i = 0; i < n; ++i) {
        order[std::size_t(i)] = static_cast<G3EdgeList*>(contours->get(i));
        given[order[std::size_t(i)]] = i;
        order[std::size_t(i)]->FormEnvelope();
        order[std::size_t(i)]->m_InCount = 0;
    }
    constexpr double kTol = 1e-6;
    auto within = [](const G3EdgeList* c, const G3EdgeList* d) {
        const GEnvelope* a = c->GetEnvelope();
        const GEnvelope* b = d->GetEnvelope();
        for (int k = 0; k < 3; ++k) {
            if (a->GetMin()[k] < b->GetMin()[k] - kTol || a->GetMax()[k] > b->GetMax()[k] + kTol)
                return false;
        }
        return true;
    };
    auto lowX = [](const G3EdgeList* c) { return c->GetEnvelope()->GetMin()[0]; };
    std::stable_sort(order.begin(), order.end(),
                     [&lowX](const G3EdgeList* a, const G3EdgeList* b) { return lowX(a) < lowX(b); });
    std::vector<G3EdgeList*> open;
    for (std::size_t i = 0; i < order.size();) {
        // Contours starting at the same low x (within the tolerance) may contain each other
        // either way: they are counted together.
        std::size_t end = i;
        while (end < order.size() && lowX(order[end]) <= lowX(order[i]) + kTol) ++end;
        const double from = lowX(order[i]) - kTol;
        open.erase(std::remove_if(open.begin(), open.end(),
                                  [from](const G3EdgeList* d) {
                                      return d->GetEnvelope()->GetMax()[0] < from;
                                  }),
                   open.end());
        open.insert(open.end(), order.begin() + std::ptrdiff_t(i), order.begin() + std::ptrdiff_t(end));
        for (std::size_t k = i; k < end; ++k) {
            G3EdgeList* c = order[k];
            for (G3EdgeList* d : open) {
                if (d == c || !within(c, d) || !c->IsIn(d)) continue;
                // Of two identical contours exactly one counts the other: the one given first.
                if (c->Equals(d) && given[d] < given[c]) continue;
                ++c->m_InCount;
            }
        }
        i = end;
    }
    for (G3EdgeList* c : order) c->m_ContourType = c->m_InCount % 2 == 1 ? CONTOUR_HOLE : CONTOUR_OUTER;
}

void G3EdgeList::RemeshContours(G3Surface* surface,
                                GArrayCollection* contours,
                                bool link,
                                int mode) {
    if (contours == nullptr || contours->isEmpty()) return;
    FormContourTypes(contours);
    if (link && contours->size() >= 2) Link(contours, surface, mode);
}

void G3EdgeList::SplitEdge(
    G3Surface* surface, G3Edge* edge, int n, G3Vertex** vertices, G3Edge** newEdges) {
    if (edge == nullptr || n < 0 || newEdges == nullptr || (n > 0 && vertices == nullptr)) return;
    G3Normal *n1, *n2;
    G3TexCoo *t1, *t2;
    const bool shaded = edge->GetNormals(&n1, &t1, &n2, &t2, 1);
    G3Vertex* from = edge->GetVertex1();
    for (int k = 0; k <= n; ++k) {
        G3Vertex* to = k < n ? vertices[k] : edge->GetVertex2();
        auto* piece = new G3Edge(from, to);
        piece->SetFlags(edge->GetFlags());
        piece->SetFacet1(edge->GetFacet1());
        piece->SetFacet2(edge->GetFacet2());
        if (shaded && surface != nullptr) {
            for (int end = 0; end < 2; ++end) {
                const G3Vertex* at = end == 0 ? from : to;
                G3Normal* normal = nullptr;
                G3TexCoo* tex = nullptr;
                G3Edge::Interpolate(edge->GetVertex1(), n1, t1, edge->GetVertex2(), n2, t2,
                                    at->GetXYZ(), &normal, &tex);
                G3Normal* kept = surface->AddNormal(normal);
                G3TexCoo* keptTex = surface->AddTexCoo(tex);
                delete normal;  // the surface keeps copies
                delete tex;
                if (end == 0) {
                    piece->SetFacet1V1(kept, keptTex);
                    piece->SetFacet2V1(kept, keptTex);
                } else {
                    piece->SetFacet1V2(kept, keptTex);
                    piece->SetFacet2V2(kept, keptTex);
                }
            }
        }
        newEdges[k] = piece;
        from = to;
    }
}
