// Orientation of facets and shading normals.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

namespace {

bool NearlyVertical(const G3Facet* f) {
    const double* p = f->GetPlane();
    const double n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return !(n > 0.0) || std::sqrt(p[0] * p[0] + p[1] * p[1]) / n > 0.999;
}

// Facets by their xy boxes, for vertical rays: a quadtree eight levels deep. A facet goes
// down into the quadrants it reaches while its box is small against the node's, and stays
// in the node's own list otherwise.
class RayIndex {
public:
    explicit RayIndex(const GEnvelope& box) {
        m_Nodes.push_back(Node{box.GetMin()[0],
                               box.GetMin()[1],
                               box.GetMax()[0],
                               box.GetMax()[1],
                               {},
                               {-1, -1, -1, -1}});
    }

    void Add(G3Facet* f, const GEnvelope& box) { Add(0, 1, f, box); }

    // The single-sided facets whose xy outline holds (x, y).
    void Query(double x, double y, std::vector<G3Facet*>* hits) const {
        hits->clear();
        const double p[3] = {x, y, 0.0};
        for (int node = 0; node >= 0;) {
            const Node& n = m_Nodes[static_cast<std::size_t>(node)];
            for (G3Facet* f : n.facets) {
                G3Vertex *a, *b;
                if (!f->GetDoubleSided() && f->PointInFacetXY(p, &a, &b)) hits->push_back(f);
            }
            const double mx = 0.5 * (n.x0 + n.x1), my = 0.5 * (n.y0 + n.y1);
            node = n.child[(x <= mx ? 0 : 2) + (y <= my ? 0 : 1)];
        }
    }

private:
    struct Node {
        double x0, y0, x1, y1;
        std::vector<G3Facet*> facets;
        int child[4];  // low x low y, low x high y, high x low y, high x high y
    };

    void Add(int node, int level, G3Facet* f, const GEnvelope& box) {
        Node* n = &m_Nodes[static_cast<std::size_t>(node)];
        if (level >= 8) {
            n->facets.push_back(f);
            return;
        }
        if (NearlyVertical(f)) return;
        const double area = (n->x1 - n->x0) * (n->y1 - n->y0);
        if (box.XSize() * box.YSize() > 0.4 * area) {
            n->facets.push_back(f);
            return;
        }
        const double mx = 0.5 * (n->x0 + n->x1), my = 0.5 * (n->y0 + n->y1);
        for (int q = 0; q < 4; ++q) {
            const bool highX = q >= 2, highY = (q & 1) != 0;
            if (highX ? box.GetMax()[0] < mx : box.GetMin()[0] > mx) continue;
            if (highY ? box.GetMax()[1] < my : box.GetMin()[1] > my) continue;
            n = &m_Nodes[static_cast<std::size_t>(node)];
            if (n->child[q] < 0) {
                const Node c{highX ? mx : n->x0,
                             highY ? my : n->y0,
                             highX ? n->x1 : mx,
                             highY ? n->y1 : my,
                             {},
                             {-1, -1, -1, -1}};
                m_Nodes.push_back(c);  // may move the nodes: index, do not hold pointers
                m_Nodes[static_cast<std::size_t>(node)].child[q] =
                    static_cast<int>(m_Nodes.size()) - 1;
            }
            Add(m_Nodes[static_cast<std::size_t>(node)].child[q], level + 1, f, box);
        }
    }

    std::vector<Node> m_Nodes;
};

double Height(const G3Facet* f, double x, double y) {
    const double* p = f->GetPlane();
    return -(p[0] * x + p[1] * y + p[3]) / p[2];
}

}  // namespace

bool G3Surface::OrientNormals() {
    if (!HasGeometry()) return false;
    FormPlaneEquation();
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* f = GetFacet(i);
        double s[3] = {0.0, 0.0, 0.0};
        for (G3FacetVertexIterator it(f); it.hasNext();) {
            const G3Normal* n = f->GetNormal(static_cast<G3Vertex*>(it.next()), nullptr);
            if (n == nullptr) continue;
            for (int k = 0; k < 3; ++k) s[k] += n->GetXYZ(k);
        }
        const double* p = f->GetPlane();
        if (p[0] * s[0] + p[1] * s[1] + p[2] * s[2] < -1e-6) f->NegPlane();
    }
    return true;
}

// f's directions are read once, loop by loop, for all its edges; each neighbour's along
// the one edge it shares.
void G3Surface::OrientNormal2(G3Facet* f, GArrayCollection* queue) {
    GArrayCollection work(4, 4);
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    const bool looped = f->GetLoops(starts, loopEnds);
    std::size_t k = 0;
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e), ++k) {
        if (GetCountEdges(e->GetVertex1(), e->GetVertex2(), &work) > 2) continue;
        G3Facet* g = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
        if (g == nullptr || g->GetMark() || g->GetDoubleSided() != f->GetDoubleSided()) continue;
        const bool along = looped ? starts[k] == e->GetVertex1() : f->GetMoveDirection(e);
        if (g->GetMoveDirection(e) == along) g->NegPlane();
        g->SetMark();
        queue->add(g);
    }
}

bool G3Surface::OrientNormals2(bool force) {
    if (HasGeometry() && !force) return OrientNormals();
    FormPlaneEquation();
    GEnvelope all;
    FormEnvelope(&all);
    G3BooleanCalculator::OpenBoolean(this);  // each facet's record holds its grown envelope
    RayIndex index(all);
    // Facets without a plane stay out of the index: they have no height to sort by.
    for (int i = GetFacetCount() - 1; i >= 0; --i) {
        G3Facet* f = GetFacet(i);
        const GEnvelope* box = G3BCExDataProvider::DataOf(f);
        if (f->IsPlaneZero() || !f->HasEdges() || box == nullptr) continue;
        index.Add(f, *box);
    }
    ChangeFacetFlags(G3OBJ_MARK, false);
    std::vector<G3Facet*> hits;
    GArrayCollection queue(64, 1024);
    for (int i = GetFacetCount() - 1; i >= 0; --i) {
        G3Facet* f = GetFacet(i);
        if (f->GetMark() || f->IsPlaneZero() || NearlyVertical(f)) continue;
        double x = 0.0, y = 0.0;
        if (!f->GenerateXYPointInFacetConcave(x, y)) continue;
        index.Query(x, y, &hits);
        for (std::size_t a = 0; a < hits.size(); ++a) {
            for (std::size_t b = a + 1; b < hits.size(); ++b) {
                if (Height(hits[b], x, y) < Height(hits[a], x, y)) std::swap(hits[a], hits[b]);
            }
        }
        for (std::size_t k = 0; k < hits.size(); ++k) {
            G3Facet* h = hits[k];
            if (h->GetMark()) continue;
            const double c = h->GetPlaneC();
            if ((k % 2 == 0 && c > 0.0) || (k % 2 == 1 && c < 0.0)) h->NegPlane();
            h->SetMark();
            queue.clear();
            queue.add(h);
            for (int q = 0; q < queue.size(); ++q)
                OrientNormal2(static_cast<G3Facet*>(queue.get(q)), &queue);
        }
    }
    ChangeFacetFlags(G3OBJ_MARK, false);
    G3BooleanCalculator::CloseBoolean(this);
    UnionFacets(G3EDGE_NEW);
    return true;
}

void G3Surface::FindEdgeOrientation(const G3Edge* e1,
                                    const G3Edge* e2,
                                    bool* up1,
                                    bool* up2) const {
    GEnvelope box, other;
    e1->FormEnvelope(&box);
    e2->FormEnvelope(&other);
    box.Add(&other);
    const int k = box.GetMaxCoo();
    *up1 = e1->GetVertex2()->GetXYZ(k) > e1->GetVertex1()->GetXYZ(k);
    *up2 = e2->GetVertex2()->GetXYZ(k) > e2->GetVertex1()->GetXYZ(k);
}

void G3Surface::NegNormals() {
    ReverseNormals();
    NegPlane();
}

void G3Surface::AssignNormalsByPlane() {
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* f = GetFacet(i);
        if (!G3Facet::HasGeometry(f)) f->AssignNormalsByPlane(this);
    }
}

template <class InSet>
void G3Surface::SetAverageNormal(G3Vertex* v, G3Facet* target, InSet inSet, bool keepTexCoo) {
    double sum[3] = {0.0, 0.0, 0.0};
    int terms = 0;
    for (const G3Edge* e = v->GetFirstEdge(); e != nullptr; e = e->NextAtVertex(v)) {
        for (const G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f == nullptr || !inSet(f)) continue;
            for (int k = 0; k < 3; ++k) sum[k] += f->GetPlane()[k];
            ++terms;
        }
    }
    if (terms == 0) return;
    const double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    if (len > 0.0) {
        for (double& c : sum) c /= len;
    }
    G3Normal* n = AddNormal(sum);
    if (target == nullptr) {
        v->SetNormal(n, nullptr);
        return;
    }
    G3TexCoo* t = nullptr;
    if (keepTexCoo) v->GetNormal(target, &t);
    v->SetNormal(target, n, t);
}

void G3Surface::AverageNormalsByPlanes(GArrayCollection* facets) {
    if (facets != nullptr) {
        AverageNormalsOfListed(facets, false);
        return;
    }
    for (int i = GetVertexCount() - 1; i >= 0; --i) {
        SetAverageNormal(
            GetVertex(i), nullptr, [](const G3Facet*) { return true; }, false);
    }
    RemoveEqualsNormal();
}

void G3Surface::AverageNormalsByPlanesTexCooSafe(GArrayCollection* facets) {
    if (facets != nullptr) AverageNormalsOfListed(facets, true);
}

// The listed facets are marked as the set to average over; each gets the averages at its
// own vertices.
void G3Surface::AverageNormalsOfListed(GArrayCollection* facets, bool keepTexCoo) {
    for (int i = 0; i < facets->size(); ++i) static_cast<G3Facet*>(facets->get(i))->SetMark();
    for (int i = 0; i < facets->size(); ++i) {
        auto* f = static_cast<G3Facet*>(facets->get(i));
        for (G3FacetVertexIterator it(f); it.hasNext();) {
            SetAverageNormal(
                static_cast<G3Vertex*>(it.next()), f, [](const G3Facet* g) { return g->GetMark(); },
                keepTexCoo);
        }
    }
    for (int i = 0; i < facets->size(); ++i) static_cast<G3Facet*>(facets->get(i))->ClearMark();
    RemoveEqualsNormal();
}

void G3Surface::AverageNormalsByPlanes2() {
    ChangeFacetFlags(G3OBJ_MARK | G3OBJ_MARK2, false);
    std::vector<G3Facet*> group;
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* seed = GetFacet(i);
        if (seed->GetMark()) continue;
        group.assign(1, seed);
        seed->SetMark();
        seed->SetMark2();
        for (std::size_t g = 0; g < group.size(); ++g) {
            G3Facet* f = group[g];
            for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
                if (e->GetVisible()) continue;
                G3Facet* o = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
                if (o == nullptr || o->GetMark() || o->GetDoubleSided() != f->GetDoubleSided())
                    continue;
                o->SetMark();
                o->SetMark2();
                group.push_back(o);
            }
        }
        for (G3Facet* f : group) {
            for (G3FacetVertexIterator it(f); it.hasNext();) {
                SetAverageNormal(
                    static_cast<G3Vertex*>(it.next()), f,
                    [](const G3Facet* g) { return g->GetMark2(); }, false);
            }
        }
        for (G3Facet* f : group) f->ClearMark2();
    }
    ChangeFacetFlags(G3OBJ_MARK, false);
    RemoveEqualsNormal();
}

void G3Surface::HealNormals() {
    if (GetNormalCount() == 0) return;
    for (int i = GetFacetCount() - 1; i >= 0; --i) {
        G3Facet* f = GetFacet(i);
        G3Normal* shared = nullptr;
        for (G3FacetVertexIterator it(f); it.hasNext();) {
            auto* v = static_cast<G3Vertex*>(it.next());
            if (f->GetNormal(v, nullptr) != nullptr) continue;
            G3TexCoo* t = nullptr;
            v->GetNormal(f, &t);  // a texture coordinate may be there without a normal
            if (shared == nullptr) shared = AddNormal(f->GetPlane());
            v->SetNormal(f, shared, t);  // and it stays
        }
    }
    RemoveEqualsNormal();
}

void G3Surface::GenerateTexCoo(TEXTURE_PROJECTION_MODE /*mode*/) {
    for (int i = 0; i < GetFacetCount(); ++i) {
        G3Facet* f = GetFacet(i);
        int x, y;
        f->GetMaxCoo(&x, &y);
        std::vector<G3Vertex*> ring(static_cast<std::size_t>(f->GetVertexCount()));
        f->GetVertices(ring.data());
        for (G3Vertex* v : ring) {
            G3Normal* n = f->GetNormal(v, nullptr);
            G3TexCoo* t = AddTexCoo(v->GetXYZ(x), v->GetXYZ(y));
            f->SetNormal(v, n, t, false);
        }
    }
    RemoveUnusedTexCoo();
}
