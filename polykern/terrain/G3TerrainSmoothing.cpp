// Terrain smoothing: new points whose heights are predicted from slopes estimated at the
// vertices, then new triangles. Every method works on a triangulated copy of the source,
// keeps its slopes in tables of its own and leaves nothing on the source; the methods that
// triangulate again keep the source's rim as constraint sides and only the triangles over
// the source's plan footprint.

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "polykern/foundation/GHeap.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/model/G3VertexEdgeIterator.h"
#include "polykern/terrain/G3Derivative.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/terrain/G3TerrainPlan.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TVertex.h"

PK_DEFINE_POOL(G3Derivative, 65536)

void G3Derivative::Copy(GObj* from) {
    auto* d = dynamic_cast<G3Derivative*>(from);
    if (d == nullptr) return;
    zx = d->zx;
    zy = d->zy;
    zxy = d->zxy;
    zxx = d->zxx;
    zyx = d->zyx;
    zyy = d->zyy;
}

G3Derivative* G3Derivative::Duplicate() {
    return new G3Derivative(*this);
}

double G3Derivative::Predict(double vx, double vy, double vz, double x, double y) const {
    const double dx = x - vx, dy = y - vy;
    return vz + zx * dx + zy * dy +
           0.5 * (zxx * dx * dx + zxy * dx * dy + zyx * dx * dy + zyy * dy * dy);
}

void G3Derivative::SetMean(const G3Derivative* const* records, int n) {
    *this = G3Derivative();
    if (n <= 0) return;
    for (int i = 0; i < n; ++i) {
        zx += records[i]->zx;
        zy += records[i]->zy;
        zxy += records[i]->zxy;
        zxx += records[i]->zxx;
        zyx += records[i]->zyx;
        zyy += records[i]->zyy;
    }
    for (double* v : {&zx, &zy, &zxy, &zxx, &zyx, &zyy}) *v /= n;
}

namespace {

// Below this share of the summed normal's length its height part is too small to divide
// by: the facets round the vertex cancel, and the vertex gets no slope.
constexpr double kFlatShare = 1e-9;

// The source triangulated, turned up and without vertex data, with the slopes at its
// vertices (from the unit normals of the distinct facets round each vertex).
struct Work {
    std::unique_ptr<G3Surface> s;
    std::vector<G3Derivative> slope;  // by vertex index
    std::vector<char> hasFacet;
    std::vector<std::array<G3Vertex*, 3>> triangles;
    std::vector<G3Facet*> sources;  // the facet of s each triangle is
};

bool Prepare(G3Surface* source, Work* w) {
    if (source == nullptr || source->GetFacetCount() == 0) return false;
    w->s.reset(source->Duplicate());
    if (w->s == nullptr) return false;
    G3Surface* s = w->s.get();
    for (int i = 0; i < s->GetVertexCount(); ++i) s->GetVertex(i)->SetExData(nullptr);
    pkterrain::FaceUp(s);
    pkterrain::TriangulateInPlan(s);
    s->FormPlaneEquation();
    s->AssignVertexIds();
    w->slope.assign(std::size_t(s->GetVertexCount()), G3Derivative());
    w->hasFacet.assign(std::size_t(s->GetVertexCount()), 0);
    std::vector<const G3Facet*> seen;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        seen.clear();
        double sum[3] = {0, 0, 0};
        for (G3VertexEdgeIterator it(v); it.hasNext();) {
            auto* e = static_cast<G3Edge*>(it.next());
            for (const G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
                if (f == nullptr || std::find(seen.begin(), seen.end(), f) != seen.end()) continue;
                seen.push_back(f);
                const double* p = f->GetPlane();
                const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
                if (!(len > 0.0) || !std::isfinite(len)) continue;
                for (int k = 0; k < 3; ++k) sum[k] += p[k] / len;
            }
        }
        if (seen.empty()) continue;
        w->hasFacet[std::size_t(i)] = 1;
        const double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        if (!(sum[2] > kFlatShare * len)) continue;
        w->slope[std::size_t(i)].zx = sum[0] / -sum[2];
        w->slope[std::size_t(i)].zy = sum[1] / -sum[2];
    }
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (!f->GetLoops(starts, ends) || ends.size() != 1 || starts.size() != 3) continue;
        if (starts[0] == starts[1] || starts[1] == starts[2] || starts[0] == starts[2]) continue;
        w->triangles.push_back({starts[0], starts[1], starts[2]});
        w->sources.push_back(f);
    }
    return true;
}

const G3Derivative& SlopeOf(const Work& w, const G3Vertex* v) {
    return w.slope[std::size_t(v->GetId())];
}

// The cubic Hermite curve from P to Q with the end slopes of their records, at its middle.
double CubicMiddle(const G3Vertex* p,
                   const G3Derivative& sp,
                   const G3Vertex* q,
                   const G3Derivative& sq) {
    const double dx = q->GetX() - p->GetX(), dy = q->GetY() - p->GetY();
    const double a = sp.zx * dx + sp.zy * dy, b = sq.zx * dx + sq.zy * dy;
    const double h = q->GetZ() - p->GetZ();
    return p->GetZ() + a / 2 + (3 * h - 2 * a - b) / 4 + (a + b - 2 * h) / 8;
}

// A triangulator over the source's vertices with its rim as constraints, each rim side
// split at its midpoint when `rimMiddles` holds one for it.
struct Retriangulation {
    G3LandscapeHandler tri;
    std::vector<G3TVertex*> at;  // by source vertex index
    std::vector<std::unique_ptr<G3Derivative>> records;
};

G3TVertex* AddPoint(G3TriInterface& tri, double x, double y, double z, void* data) {
    const double p[3] = {x, y, z};
    G3TVertex* v = tri.AddVertex(p);
    if (v != nullptr) v->exData = data;
    return v;
}

// The triangulation as a surface, without the triangles off the footprint; each triangle
// kept is made from the footprint facet under its centroid, and carries its data.
G3Surface* Surface(G3TriInterface& tri, const pkterrain::FacetLocator& footprint) {
    if (!tri.MakeTriangulation()) return nullptr;
    G3Surface* out = tri.GetSurface();
    for (int i = 0; i < out->GetFacetCount();) {
        G3Facet* f = out->GetFacet(i);
        G3Vertex* v[3];
        if (f->GetVertexCount() == 3 && f->GetVertices(v) == 3 &&
            footprint.ContainsTriangle(v[0]->GetXYZ(), v[1]->GetXYZ(), v[2]->GetXYZ())) {
            const double cx = (v[0]->GetX() + v[1]->GetX() + v[2]->GetX()) / 3;
            const double cy = (v[0]->GetY() + v[1]->GetY() + v[2]->GetY()) / 3;
            pkterrain::HandOn(out, footprint.Find(cx, cy), f);
            ++i;
            continue;
        }
        out->RemoveFacet(f);
    }
    out->RemoveUnused();
    return out;
}

// The rim sides of the work surface, as vertex pairs.
std::vector<std::pair<G3Vertex*, G3Vertex*>> RimSides(const Work& w) {
    std::vector<std::pair<G3Vertex*, G3Vertex*>> out;
    for (const pkterrain::RimEdge& e : pkterrain::Rim(w.s.get())) out.push_back({e.from, e.to});
    return out;
}

double Floor0(double z) {
    return z < 0.0 ? 0.0 : z;
}

// The midpoint of pq predicted from both ends, with the mean record.
G3TVertex* AddMiddle(Retriangulation& r,
                     const G3Vertex* p,
                     const G3Derivative& dp,
                     const G3Vertex* q,
                     const G3Derivative& dq) {
    const double x = 0.5 * (p->GetX() + q->GetX()), y = 0.5 * (p->GetY() + q->GetY());
    const double z = 0.5 * (dp.Predict(p->GetX(), p->GetY(), p->GetZ(), x, y) +
                            dq.Predict(q->GetX(), q->GetY(), q->GetZ(), x, y));
    auto* d = new G3Derivative();
    const G3Derivative* both[2] = {&dp, &dq};
    d->SetMean(both, 2);
    r.records.emplace_back(d);
    return AddPoint(r.tri, x, y, Floor0(z), d);
}

uint64_t PairKey(const G3Vertex* a, const G3Vertex* b) {
    const uint64_t i = uint64_t(a->GetId()), j = uint64_t(b->GetId());
    return i < j ? (i << 32 | j) : (j << 32 | i);
}

// Source vertices with their records, and the rim as constraints split at the midpoints
// in `middles` (which the caller fills first, for the rim sides at least).
void AddSourceAndRim(const Work& w,
                     Retriangulation& r,
                     std::unordered_map<uint64_t, G3TVertex*>* middles,
                     bool splitRim) {
    G3Surface* s = w.s.get();
    r.at.assign(std::size_t(s->GetVertexCount()), nullptr);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (!w.hasFacet[std::size_t(i)]) continue;
        auto* d = new G3Derivative(w.slope[std::size_t(i)]);
        r.records.emplace_back(d);
        r.at[std::size_t(i)] = AddPoint(r.tri, v->GetX(), v->GetY(), v->GetZ(), d);
    }
    for (auto [a, b] : RimSides(w)) {
        G3TVertex* ta = r.at[std::size_t(a->GetId())];
        G3TVertex* tb = r.at[std::size_t(b->GetId())];
        if (!splitRim) {
            r.tri.AddEdge(ta, tb);
            continue;
        }
        G3TVertex*& m = (*middles)[PairKey(a, b)];
        if (m == nullptr) m = AddMiddle(r, a, SlopeOf(w, a), b, SlopeOf(w, b));
        r.tri.AddEdge(ta, m);
        r.tri.AddEdge(m, tb);
    }
}

void ClearVertexData(G3Surface* s) {
    for (int i = 0; s != nullptr && i < s->GetVertexCount(); ++i)
        s->GetVertex(i)->SetExData(nullptr);
}

// A point of the recursive split: position and record.
struct Node {
    double p[3];
    G3Derivative d;
};

void Split(const Node& a,
           const Node& b,
           const Node& c,
           int level,
           int depth,
           std::vector<std::array<Node, 3>>* out) {
    auto middle = [](const Node& p, const Node& q) {
        Node m;
        m.p[0] = 0.5 * (p.p[0] + q.p[0]);
        m.p[1] = 0.5 * (p.p[1] + q.p[1]);
        m.p[2] = Floor0(0.5 * (p.d.Predict(p.p[0], p.p[1], p.p[2], m.p[0], m.p[1]) +
                               q.d.Predict(q.p[0], q.p[1], q.p[2], m.p[0], m.p[1])));
        const G3Derivative* both[2] = {&p.d, &q.d};
        m.d.SetMean(both, 2);
        return m;
    };
    const Node ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
    const std::array<Node, 3> four[4] = {{a, ab, ca}, {ab, bc, ca}, {bc, c, ca}, {ab, b, bc}};
    for (const auto& t : four) {
        if (level < depth) {
            Split(t[0], t[1], t[2], level + 1, depth, out);
        } else {
            out->push_back(t);
        }
    }
}

}  // namespace

G3Surface* G3LandscapeHandler::SmoothSurface(G3Surface* source) {
    Work w;
    if (!Prepare(source, &w)) return nullptr;
    G3Surface* s = w.s.get();
    auto* n = new G3Surface();
    std::vector<G3Vertex*> corner(std::size_t(s->GetVertexCount()), nullptr);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        if (!w.hasFacet[std::size_t(i)]) continue;
        const G3Vertex* v = s->GetVertex(i);
        const G3Derivative& d = w.slope[std::size_t(i)];
        corner[std::size_t(i)] = n->AddVertex(v->GetXYZ(), 0);
        G3Vertex* ends[2] = {corner[std::size_t(i)],
                             n->AddVertex(v->GetX() - d.zx, v->GetY() - d.zy, v->GetZ() + 1, 0)};
        n->AddPolyEdge(2, ends);
    }
    std::unordered_map<uint64_t, G3Vertex*> middles;
    auto middle = [&](const G3Vertex* p, const G3Vertex* q) {
        G3Vertex*& m = middles[PairKey(p, q)];
        if (m == nullptr) {
            // Computed from the lower-numbered end, so both facets on the side agree.
            if (p->GetId() > q->GetId()) std::swap(p, q);
            m = n->AddVertex(0.5 * (p->GetX() + q->GetX()), 0.5 * (p->GetY() + q->GetY()),
                             CubicMiddle(p, SlopeOf(w, p), q, SlopeOf(w, q)), 0);
        }
        return m;
    };
    for (std::size_t k = 0; k < w.triangles.size(); ++k) {
        const auto& t = w.triangles[k];
        G3Vertex* a = corner[std::size_t(t[0]->GetId())];
        G3Vertex* b = corner[std::size_t(t[1]->GetId())];
        G3Vertex* c = corner[std::size_t(t[2]->GetId())];
        G3Vertex* ab = middle(t[0], t[1]);
        G3Vertex* bc = middle(t[1], t[2]);
        G3Vertex* ca = middle(t[2], t[0]);
        G3Vertex* four[4][3] = {{a, ab, ca}, {ab, bc, ca}, {bc, c, ca}, {ab, b, bc}};
        // The four quarters are made from their triangle.
        n->ProviderSetExData(w.sources[k]->IsOutExDataExist() ? w.sources[k] : nullptr);
        for (auto& f : four) n->AddFacet(3, f, G3EDGE_VISIBLE, nullptr, nullptr);
        n->ProviderSetExData(nullptr);
    }
    n->RemoveEqualsVertex();
    n->AverageNormalsByPlanes(nullptr);
    return n;
}

G3Surface* G3LandscapeHandler::SmoothSurfaceEx(G3Surface* source) {
    Work w;
    if (!Prepare(source, &w)) return nullptr;
    const pkterrain::FacetLocator footprint(w.s.get());
    Retriangulation r;
    AddSourceAndRim(w, r, nullptr, false);
    for (const auto& t : w.triangles) {
        const double cx = (t[0]->GetX() + t[1]->GetX() + t[2]->GetX()) / 3;
        const double cy = (t[0]->GetY() + t[1]->GetY() + t[2]->GetY()) / 3;
        double z = 0.0;
        // The tangent planes at the corners, first order only.
        for (const G3Vertex* v : t) {
            G3Derivative d = SlopeOf(w, v);
            d.zxx = d.zxy = d.zyx = d.zyy = 0.0;
            z += d.Predict(v->GetX(), v->GetY(), v->GetZ(), cx, cy) / 3;
        }
        AddPoint(r.tri, cx, cy, Floor0(z), nullptr);
    }
    G3Surface* out = Surface(r.tri, footprint);
    if (out == nullptr) return nullptr;
    ClearVertexData(out);
    out->RemoveEqualsVertex();
    out->AverageNormalsByPlanes(nullptr);
    return out;
}

G3Surface* G3LandscapeHandler::SecondOrderSmoothSurface(G3Surface* source, int mode) {
    Work w;
    if (!Prepare(source, &w)) return nullptr;
    const pkterrain::FacetLocator footprint(w.s.get());
    Retriangulation r;
    std::unordered_map<uint64_t, G3TVertex*> middles;
    // The middles of the inner sides first in mode 4, then the rim with its middles.
    for (const auto& t : w.triangles) {
        if (mode == 3) {
            const double cx = (t[0]->GetX() + t[1]->GetX() + t[2]->GetX()) / 3;
            const double cy = (t[0]->GetY() + t[1]->GetY() + t[2]->GetY()) / 3;
            double z = 0.0;
            const G3Derivative* three[3];
            for (int k = 0; k < 3; ++k) {
                three[k] = &SlopeOf(w, t[std::size_t(k)]);
                z += three[k]->Predict(t[std::size_t(k)]->GetX(), t[std::size_t(k)]->GetY(),
                                       t[std::size_t(k)]->GetZ(), cx, cy) /
                     3;
            }
            auto* d = new G3Derivative();
            d->SetMean(three, 3);
            r.records.emplace_back(d);
            AddPoint(r.tri, cx, cy, Floor0(z), d);
        } else if (mode == 4) {
            for (int k = 0; k < 3; ++k) {
                const G3Vertex* p = t[std::size_t(k)];
                const G3Vertex* q = t[std::size_t((k + 1) % 3)];
                G3TVertex*& m = middles[PairKey(p, q)];
                if (p->GetId() > q->GetId()) std::swap(p, q);
                if (m == nullptr) m = AddMiddle(r, p, SlopeOf(w, p), q, SlopeOf(w, q));
            }
        }
    }
    AddSourceAndRim(w, r, &middles, true);
    G3Surface* out = Surface(r.tri, footprint);
    if (out == nullptr) return nullptr;
    // The records travel to the surface and are read off it by the caller of CopyExtData;
    // here they belong to the pass and go with it.
    r.tri.CopyExtData();
    ClearVertexData(out);
    out->RemoveEqualsVertex();
    return out;
}

G3Surface* G3LandscapeHandler::SecondOrderSmoothSurfaceEx(G3Surface* source, int depth) {
    Work w;
    if (!Prepare(source, &w)) return nullptr;
    const pkterrain::FacetLocator footprint(w.s.get());
    Retriangulation r;
    AddSourceAndRim(w, r, nullptr, false);
    std::unique_ptr<G3Surface> mid(Surface(r.tri, footprint));
    if (mid == nullptr) return nullptr;
    r.tri.CopyExtData();
    const G3Derivative none;
    std::vector<std::array<Node, 3>> triangles;
    std::vector<G3Facet*> owners;  // the facet of mid each triangle comes from
    for (int i = 0; i < mid->GetFacetCount(); ++i) {
        G3Vertex* v[3];
        const G3Facet* f = mid->GetFacet(i);
        if (f->GetVertexCount() != 3 || f->GetVertices(v) != 3) continue;
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) continue;
        Node n[3];
        for (int k = 0; k < 3; ++k) {
            for (int c = 0; c < 3; ++c) n[k].p[c] = v[k]->GetXYZ()[c];
            const auto* d = dynamic_cast<const G3Derivative*>(v[k]->GetExData());
            n[k].d = d != nullptr ? *d : none;
        }
        Split(n[0], n[1], n[2], 1, std::max(1, depth), &triangles);
        owners.resize(triangles.size(), mid->GetFacet(i));
    }
    ClearVertexData(mid.get());
    auto* out = new G3Surface();
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const auto& t = triangles[i];
        G3Vertex* v[3];
        for (int k = 0; k < 3; ++k) v[k] = out->AddVertex(t[std::size_t(k)].p, 0);
        out->ProviderSetExData(owners[i]->IsOutExDataExist() ? owners[i] : nullptr);
        out->AddFacet(3, v, G3EDGE_VISIBLE, nullptr, nullptr);
        out->ProviderSetExData(nullptr);
    }
    out->RemoveEqualsVertex();
    return out;
}

G3Surface* G3LandscapeHandler::LandscapeSmoothing(G3Surface* source, int mode, int passes) {
    if (source == nullptr) return nullptr;
    G3Surface* s = source->Duplicate();
    ClearVertexData(s);
    for (int i = 0; i < passes && s != nullptr; ++i) {
        G3Surface* next = nullptr;
        if (mode == 1) {
            next = SmoothSurface(s);
        } else if (mode == 2) {
            next = SmoothSurfaceEx(s);
        } else if (mode == 3 || mode == 4) {
            next = SecondOrderSmoothSurface(s, mode);
        } else {
            break;
        }
        delete s;
        s = next;
    }
    return s;
}
