#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/surfaceops/G3TriangleCollector.h"

namespace {

constexpr int kAll = 0x4;
constexpr int kAboveFour = 0x8;
constexpr int kNotFlat = 0x2;
constexpr int kNotConvex = 0x1;

bool ShouldSplit(const G3Facet* f, int options, int edges) {
    if (options & kAll) return true;
    if ((options & kAboveFour) && edges >= 5) return true;
    if ((options & kNotFlat) && !f->IsFlat()) return true;
    if (options & kNotConvex) {
        // A facet with a hole is never convex, whatever its loops' corners do.
        std::vector<G3Vertex*> starts;
        std::vector<int> loopEnds;
        if (f->GetLoops(starts, loopEnds) && loopEnds.size() > 1) return true;
        int i, j;
        f->GetMaxCoo(&i, &j);
        G3FacetVertexIterator corners(f);
        if (G3Math::ConvexTest(&corners, i, j) == 2) return true;
    }
    return false;
}

// Fills `ring` with f's edges as head-to-tail copies carrying f's normals and texture
// coordinates on side 1, loop by loop; `loopEnds` gets the index after each loop.
bool TraceLoops(const G3Facet* f,
                std::vector<G3Edge*>& edges,
                std::vector<G3Vertex*>& starts,
                G3EdgeList& ring,
                std::vector<int>& loopEnds) {
    if (!f->GetLoops(starts, loopEnds)) return false;
    edges.resize(starts.size());
    f->GetEdges(edges.data());
    for (std::size_t k = 0; k < edges.size(); ++k) {
        G3Edge* e = edges[k];
        G3Vertex* from = starts[k];
        G3Normal *n1, *n2;
        G3TexCoo *t1, *t2;
        e->GetNormals(f, &n1, &t1, &n2, &t2);
        if (from != e->GetVertex1()) {
            std::swap(n1, n2);
            std::swap(t1, t2);
        }
        ring.AddEdge(from, e->OtherVertex(from), n1, n2, t1, t2, e->GetFlags());
    }
    return true;
}

// The flags of an existing edge a–b (so the facet's boundary keeps its flags), else the
// flags given to new inner edges.
int32_t SideFlags(G3Vertex* a, G3Vertex* b, GArrayCollection* work, int32_t newEdgeFlags) {
    a->GetEdges(b, work);
    return work->isEmpty() ? newEdgeFlags : static_cast<G3Edge*>(work->get(0))->GetFlags();
}

// Whether the triangle turns clockwise about the facet's normal.
bool IsReversed(const G3Vertex* a, const G3Vertex* b, const G3Vertex* c, const double* plane) {
    const double* p = a->GetXYZ();
    const double* q = b->GetXYZ();
    const double* r = c->GetXYZ();
    const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double v[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    return n[0] * plane[0] + n[1] * plane[1] + n[2] * plane[2] < 0.0;
}

// What splitting one facet needs, kept from facet to facet so that no facet allocates.
struct Scratch {
    G3TriangleCollector collector;
    std::vector<G3Edge*> edges;
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    // Per triangle corner: vertex, normal, texture coordinate, flags of the side it starts.
    std::vector<G3Vertex*> v;
    std::vector<G3Normal*> normals;
    std::vector<G3TexCoo*> texCoos;
    std::vector<int32_t> flags;
    GArrayCollection work{8, 8};
};

// Replaces f by the triangles the tessellator makes of its loops. The triangles are added
// before f is deleted, so the providers can still read f's data while they copy it.
bool TriangulateFacet(G3Surface* s, G3Facet* f, Scratch& x, int32_t newEdgeFlags) {
    G3EdgeList ring(f->GetFlags(), f->GetSurface());
    if (!TraceLoops(f, x.edges, x.starts, ring, x.loopEnds)) return false;
    G3TriangleCollector& collector = x.collector;

    const double* plane = f->GetPlane();
    collector.GetTriangles()->clear();
    int i, j;
    f->GetMaxCoo(&i, &j);
    if (!collector.BeginPolygon(i, j)) return false;
    collector.SetNormal(plane[0], plane[1], plane[2]);
    int k = 0;
    for (const int end : x.loopEnds) {
        collector.BeginContour();
        for (; k < end; ++k) {
            G3Edge* el = ring.GetEdgeAt(k);
            collector.Vertex(el->GetVertex1()->GetXYZ(), el);
        }
        collector.EndContour();
    }
    if (!collector.EndPolygon() || collector.GetTriangleCount() == 0) return false;

    // Work out every triangle's corners, normals and side flags while f still holds its
    // boundary edges.
    const int count = collector.GetTriangleCount();
    const bool withNormals = f->HasGeometry();
    GArrayCollection* corners = collector.GetTriangles();
    const std::size_t corners3 = 3 * static_cast<std::size_t>(count);
    std::vector<G3Vertex*>& v = x.v;
    std::vector<G3Normal*>& normals = x.normals;
    std::vector<G3TexCoo*>& texCoos = x.texCoos;
    std::vector<int32_t>& flags = x.flags;
    v.resize(corners3);
    normals.resize(corners3);
    texCoos.resize(corners3);
    flags.resize(corners3);
    for (int t = 0; t < count; ++t) {
        G3Edge* el[3] = {static_cast<G3Edge*>(corners->get(3 * t)),
                         static_cast<G3Edge*>(corners->get(3 * t + 1)),
                         static_cast<G3Edge*>(corners->get(3 * t + 2))};
        if (IsReversed(el[0]->GetVertex1(), el[1]->GetVertex1(), el[2]->GetVertex1(), plane))
            std::swap(el[1], el[2]);
        for (int c = 0; c < 3; ++c) {
            const std::size_t at = 3 * static_cast<std::size_t>(t) + c;
            v[at] = el[c]->GetVertex1();
            normals[at] = el[c]->GetFacet1V1(&texCoos[at]);
        }
        for (int c = 0; c < 3; ++c) {
            const std::size_t at = 3 * static_cast<std::size_t>(t);
            flags[at + c] = SideFlags(v[at + c], v[at + (c + 1) % 3], &x.work, newEdgeFlags);
        }
    }

    f->RemoveEdges();
    s->ProviderSetExData(f);
    for (int t = 0; t < count; ++t) {
        const std::size_t at = 3 * static_cast<std::size_t>(t);
        G3Facet* tri = s->AddFacet(3, &v[at], &flags[at], withNormals ? &normals[at] : nullptr,
                                   withNormals ? &texCoos[at] : nullptr);
        if (tri == nullptr) continue;  // a sliver of three collinear corners
        tri->SetFlags(ring.GetFacetFlags());
        tri->SetSurface(ring.GetFacetSurface());
    }
    s->ProviderSetExData(nullptr);
    s->RemoveFacet(f);
    return true;
}

}  // namespace

// Facets are taken from a snapshot, since each split facet leaves the list and its
// triangles join it. The surface's current edge flags are left as they were.
bool G3Surface::Triangulate(int options, int32_t newEdgeFlags) {
    std::vector<G3Facet*> facets;
    facets.reserve(static_cast<std::size_t>(GetFacetCount()));
    for (int i = 0; i < GetFacetCount(); ++i) facets.push_back(GetFacet(i));

    const int32_t edgeFlags = m_EdgeFlags;
    Scratch scratch;
    bool any = false;
    for (G3Facet* f : facets) {
        const int n = f->GetEdgeCount();
        if (n < 4 || !ShouldSplit(f, options, n)) continue;
        if (TriangulateFacet(this, f, scratch, newEdgeFlags)) any = true;
    }
    m_EdgeFlags = edgeFlags;
    if (any) RemoveUnused();
    return any;
}
