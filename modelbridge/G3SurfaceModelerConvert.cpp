// Plane bodies to surfaces and back, body duplication and deletion.

#include <cmath>
#include <cstdint>
#include <map>
#include <new>
#include <utility>
#include <vector>

#include "modelbridge/G3MatsFacetProvider.h"
#include "modelbridge/G3SurfaceModeler.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/surfaceops/G3TriangleCollector.h"
#include "sheetlink/Sheetlink_Body.h"

namespace {

constexpr double kSamePoint = 1e-7;

// One plane of the body being written: a ring of vertices and, per ring edge (from
// corner k to corner k + 1), whether it is hidden.
struct Piece {
    std::vector<const G3Vertex*> ring;
    std::vector<bool> hidden;
};

using EdgeKey = std::pair<const G3Vertex*, const G3Vertex*>;

EdgeKey KeyOf(const G3Vertex* a, const G3Vertex* b) {
    return a < b ? EdgeKey{a, b} : EdgeKey{b, a};
}

bool Finite(const FPOINT& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

double Distance(const FPOINT& a, const FPOINT& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// The facet's ring as loops of start vertices, each with its ring edge's visibility.
// False when the facet has fewer than three edges.
bool ReadLoops(const G3Facet* f,
               std::vector<const G3Vertex*>& starts,
               std::vector<bool>& hidden,
               std::vector<int>& loopEnds) {
    std::vector<G3Vertex*> vertices;
    std::vector<G3Edge*> edges;
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) edges.push_back(e);
    if (edges.size() < 3) return false;
    if (!f->GetLoops(vertices, loopEnds) || vertices.size() != edges.size()) {
        // A ring that does not close into loops is read as one loop over its edges.
        vertices.clear();
        loopEnds.assign(1, static_cast<int>(edges.size()));
        G3Vertex* from = edges.front()->GetVertex1();
        if (!edges[1]->HasVertex(edges.front()->GetVertex2())) from = edges.front()->GetVertex2();
        for (G3Edge* e : edges) {
            if (!e->HasVertex(from)) from = e->GetVertex1();
            vertices.push_back(from);
            from = e->OtherVertex(from);
        }
    }
    starts.assign(vertices.begin(), vertices.end());
    hidden.clear();
    for (G3Edge* e : edges) hidden.push_back(!e->GetVisible());
    return true;
}

// A facet with holes as triangles that cover it exactly. The facet's own edges keep their
// visibility; the edges that split the face are hidden. False when the tessellator fails.
bool Triangulate(const G3Facet* f,
                 const std::vector<const G3Vertex*>& starts,
                 const std::vector<bool>& hidden,
                 const std::vector<int>& loopEnds,
                 std::vector<Piece>& out) {
    std::map<EdgeKey, bool> ringEdge;
    G3TriangleCollector tess;
    const double* plane = f->GetPlane();
    tess.SetNormal(plane[0], plane[1], plane[2]);
    if (!tess.BeginPolygon()) return false;
    int begin = 0;
    for (int end : loopEnds) {
        tess.BeginContour();
        for (int k = begin; k < end; ++k) {
            const G3Vertex* a = starts[k];
            const G3Vertex* b = starts[k + 1 < end ? k + 1 : begin];
            ringEdge[KeyOf(a, b)] = hidden[k];
            tess.Vertex(a->GetXYZ(), const_cast<G3Vertex*>(a));
        }
        tess.EndContour();
        begin = end;
    }
    if (!tess.EndPolygon() || tess.GetTriangleCount() == 0) return false;
    GArrayCollection* corners = tess.GetTriangles();
    for (int t = 0; t + 2 < corners->size(); t += 3) {
        const G3Vertex* c[3] = {static_cast<G3Vertex*>(corners->get(t)),
                                static_cast<G3Vertex*>(corners->get(t + 1)),
                                static_cast<G3Vertex*>(corners->get(t + 2))};
        // Corners turn the way the facet does.
        const double* p0 = c[0]->GetXYZ();
        const double* p1 = c[1]->GetXYZ();
        const double* p2 = c[2]->GetXYZ();
        const double u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        const double v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        if (n[0] * plane[0] + n[1] * plane[1] + n[2] * plane[2] < 0.0) std::swap(c[1], c[2]);
        Piece piece;
        for (int k = 0; k < 3; ++k) {
            piece.ring.push_back(c[k]);
            const auto it = ringEdge.find(KeyOf(c[k], c[(k + 1) % 3]));
            piece.hidden.push_back(it == ringEdge.end() || it->second);
        }
        out.push_back(std::move(piece));
    }
    return true;
}

// The planes one facet becomes: its ring when it has one loop, triangles when it has
// holes, nothing (one empty plane) when it has fewer than three edges.
std::vector<Piece> PiecesOf(const G3Facet* f) {
    std::vector<Piece> pieces;
    std::vector<const G3Vertex*> starts;
    std::vector<bool> hidden;
    std::vector<int> loopEnds;
    if (!ReadLoops(f, starts, hidden, loopEnds)) {
        pieces.emplace_back();
        return pieces;
    }
    if (loopEnds.size() > 1 && Triangulate(f, starts, hidden, loopEnds, pieces)) return pieces;
    // One loop, or a face the tessellator refused: its outline.
    pieces.clear();
    Piece outline;
    outline.ring.assign(starts.begin(), starts.begin() + loopEnds.front());
    outline.hidden.assign(hidden.begin(), hidden.begin() + loopEnds.front());
    pieces.push_back(std::move(outline));
    return pieces;
}

// The piece's corners and a closing copy of the first; point k carries the state of the
// edge from corner k, which is the edge the reading side hides for it.
bool WritePiece(Sheetlink_Body* body, int index, const Piece& piece) {
    if (piece.ring.empty()) return true;
    const std::size_t n = piece.ring.size();
    std::vector<FPOINT> points(n + 1);
    for (std::size_t k = 0; k <= n; ++k) {
        const double* p = piece.ring[k % n]->GetXYZ();
        points[k] = FPOINT{p[0], p[1], p[2], 0, 0, 0};
        points[k].hidden = piece.hidden[k < n ? k : n - 1] ? 1 : 0;
    }
    return body->SetPointsForIndexedPlane(index, static_cast<int>(n + 1), points.data()) == 1;
}

// Each kept point's hidden state: the flags of the point and of the duplicates dropped
// after it, the plane's last point excepted.
std::vector<bool> KeptHidden(const FPOINT* points, int n, const std::vector<int>& kept) {
    std::vector<bool> hidden(kept.size(), false);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const int from = kept[i];
        int to = i + 1 < kept.size() ? kept[i + 1] : n - 1;
        if (to <= from) to = from + 1;
        for (int j = from; j < to && j < n; ++j) {
            if (j == n - 1 && j != from) break;
            if (points[j].hidden != 0) hidden[i] = true;
        }
    }
    return hidden;
}

// Adds the plane's facet; false when the plane has points but cannot make a facet.
bool AddPlane(G3Surface* s, const Sheetlink_Body* body, int index) {
    const int n = body->GetNumVerticesForIndexedPlane(index);
    const FPOINT* points = body->GetVerticesForIndexedPlane(index);
    if (n <= 0 || points == nullptr) return true;
    std::vector<int> kept;
    for (int k = 0; k < n; ++k) {
        if (!Finite(points[k])) return false;
        if (!kept.empty() && Distance(points[k], points[kept.back()]) <= kSamePoint) continue;
        if (k == n - 1 && !kept.empty() && Distance(points[k], points[kept.front()]) <= kSamePoint)
            continue;
        kept.push_back(k);
    }
    if (kept.size() <= 2) return true;
    std::vector<G3Vertex*> vertices;
    for (int k : kept) {
        G3Vertex* v = s->AddVertex(points[k].x, points[k].y, points[k].z, 0);
        if (v == nullptr) return false;
        vertices.push_back(v);
    }
    s->SetSurface(0);
    G3Facet* f = s->AddFacet(static_cast<int>(vertices.size()), vertices.data(), int32_t{1},
                             nullptr, nullptr);
    if (f == nullptr) return false;
    G3MatsFacetProvider::G3FacetSetMaterial(f, body->GetMaterialForIndexedPlane(index));
    G3MatsFacetProvider::SetColor(f, static_cast<uint32_t>(body->GetColorForIndexedPlane(index)));
    G3MatsFacetProvider::FacetSetLayer(f, body->GetLayerForIndexedPlane(index));

    // Hidden flags go to the ring edge between the same two corners, found by its
    // vertices: dropped duplicates cannot shift them onto other edges.
    const std::vector<bool> hidden = KeptHidden(points, n, kept);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        if (!hidden[i]) continue;
        const G3Vertex* a = vertices[i];
        const G3Vertex* b = vertices[(i + 1) % vertices.size()];
        for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
            if (e->HasVertex(a) && e->HasVertex(b)) e->ClearVisible();
        }
    }
    return true;
}

}  // namespace

Sheetlink_Body* G3SurfaceModeler::DuplicateBody(Sheetlink_Body* body) {
    if (body == nullptr) return nullptr;
    auto* copy = new (std::nothrow) Sheetlink_Body();
    if (copy == nullptr) return nullptr;
    const int planes = body->GetNumPlanes();
    if (planes > 0 && copy->CreatePlanes(planes) != 1) {
        delete copy;
        return nullptr;
    }
    for (int i = 0; i < planes; ++i) {
        const int n = body->GetNumVerticesForIndexedPlane(i);
        FPOINT* points = body->GetVerticesForIndexedPlane(i);
        if (n <= 0 || points == nullptr) continue;
        if (copy->SetPointsForIndexedPlane(i, n, points) != 1) {
            delete copy;
            return nullptr;
        }
    }
    return copy;
}

void G3SurfaceModeler::DeleteBody(Sheetlink_Body* body) {
    delete body;
}

void G3SurfaceModeler::GetBodyRepresentation(G3Surface* surface, Sheetlink_Body** out, bool) {
    if (out == nullptr) return;
    *out = nullptr;
    if (surface == nullptr || surface->GetVertexCount() == 0 || surface->GetFacetCount() == 0)
        return;
    GArrayCollection* facets = surface->GetFacetList();
    std::vector<std::vector<Piece>> pieces(static_cast<std::size_t>(facets->size()));
    int total = 0;
    for (int i = 0; i < facets->size(); ++i) {
        pieces[i] = PiecesOf(static_cast<G3Facet*>(facets->get(i)));
        total += static_cast<int>(pieces[i].size());
    }
    auto* body = new (std::nothrow) Sheetlink_Body();
    if (body == nullptr) return;
    if (body->CreatePlanes(total) != 1) {
        delete body;
        return;
    }
    int index = 0;
    for (int i = 0; i < facets->size(); ++i) {
        auto* f = static_cast<G3Facet*>(facets->get(i));
        const auto color = static_cast<int>(G3MatsFacetProvider::GetColor(f));
        const unsigned short material = G3MatsFacetProvider::G3FacetGetMaterial(f);
        const unsigned short layer = G3MatsFacetProvider::FacetGetLayer(f);
        for (const Piece& piece : pieces[i]) {
            if (!WritePiece(body, index, piece)) {
                delete body;
                return;
            }
            body->SetColorForIndexedPlane(index, color);
            body->SetMaterialForIndexedPlane(index, material);
            body->SetLayerForIndexedPlane(index, layer);
            ++index;
        }
    }
    *out = body;
}

G3Surface* G3SurfaceModeler::GetFacetRepresentation(Sheetlink_Body* body, int) {
    if (body == nullptr) return nullptr;
    auto* s = new G3Surface();
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        if (!AddPlane(s, body, i)) {
            delete s;
            return nullptr;
        }
    }
    s->RemoveEqualsVertex();
    s->RemoveEqualsNormal();
    s->RemoveNonManifoldEdges();
    s->OrientNormals2(false);
    s->ReallocByRealSize();
    return s;
}
