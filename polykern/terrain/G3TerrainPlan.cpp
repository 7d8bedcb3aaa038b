#include "polykern/terrain/G3TerrainPlan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3SurfaceBulk.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"

namespace pkterrain {

namespace {

double Orient(const PlanPoint& a, const PlanPoint& b, const PlanPoint& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool Between(double a, double b, double v, double tol) {
    return v >= std::min(a, b) - tol && v <= std::max(a, b) + tol;
}

// The facet's ring as (start vertex, edge) pairs in walk order; false when it does not
// close into loops.
bool Walk(const G3Facet* f, std::vector<G3Vertex*>& starts, std::vector<int>& loopEnds) {
    return f->GetLoops(starts, loopEnds);
}

// The centroid of a triangle and three points between it and the corners.
void SamplePoints(const double* a, const double* b, const double* c, double out[4][2]) {
    const double cx = (a[0] + b[0] + c[0]) / 3, cy = (a[1] + b[1] + c[1]) / 3;
    out[0][0] = cx;
    out[0][1] = cy;
    const double* corner[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        out[k + 1][0] = 0.7 * cx + 0.3 * corner[k][0];
        out[k + 1][1] = 0.7 * cy + 0.3 * corner[k][1];
    }
}

}  // namespace

bool TriangleInRing(const Ring& ring, const double* a, const double* b, const double* c) {
    double p[4][2];
    SamplePoints(a, b, c, p);
    int in = 0;
    for (auto& q : p) in += InRing(ring, q[0], q[1]) ? 1 : 0;
    return in >= 2;
}

bool FacetLocator::ContainsTriangle(const double* a, const double* b, const double* c) const {
    double p[4][2];
    SamplePoints(a, b, c, p);
    int in = 0;
    for (auto& q : p) in += Contains(q[0], q[1]) ? 1 : 0;
    return in >= 2;
}

double TwiceSignedArea(const Ring& ring) {
    double a = 0.0;
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PlanPoint& p = ring[i];
        const PlanPoint& q = ring[(i + 1) % n];
        a += (p.x - ring[0].x) * (q.y - ring[0].y) - (q.x - ring[0].x) * (p.y - ring[0].y);
    }
    return a;
}

bool InRing(const Ring& ring, double x, double y) {
    bool in = false;
    const std::size_t n = ring.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const PlanPoint& a = ring[i];
        const PlanPoint& b = ring[j];
        if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
    }
    return in;
}

bool SegmentsMeet(const PlanPoint& a, const PlanPoint& b, const PlanPoint& c, const PlanPoint& d) {
    const double scale =
        std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y), std::fabs(c.x),
                  std::fabs(c.y), std::fabs(d.x), std::fabs(d.y), 1.0});
    const double tol = 1e-12 * scale * scale;
    const double d1 = Orient(c, d, a), d2 = Orient(c, d, b);
    const double d3 = Orient(a, b, c), d4 = Orient(a, b, d);
    if (((d1 > tol && d2 < -tol) || (d1 < -tol && d2 > tol)) &&
        ((d3 > tol && d4 < -tol) || (d3 < -tol && d4 > tol)))
        return true;
    const double lt = 1e-9 * scale;
    auto onSegment = [lt](const PlanPoint& p, const PlanPoint& q, const PlanPoint& r) {
        return Between(p.x, q.x, r.x, lt) && Between(p.y, q.y, r.y, lt);
    };
    return (std::fabs(d1) <= tol && onSegment(c, d, a)) ||
           (std::fabs(d2) <= tol && onSegment(c, d, b)) ||
           (std::fabs(d3) <= tol && onSegment(a, b, c)) ||
           (std::fabs(d4) <= tol && onSegment(a, b, d));
}

Ring RingOf(GArrayCollection* contour) {
    Ring ring;
    if (contour == nullptr) return ring;
    for (int i = 0; i < contour->size(); ++i) {
        auto* p = static_cast<G3Point*>(contour->get(i));
        ring.push_back({p->GetX(), p->GetY(), p->GetZ()});
    }
    if (ring.size() > 1) {
        const PlanPoint& f = ring.front();
        const PlanPoint& l = ring.back();
        const double a[3] = {f.x, f.y, f.z}, b[3] = {l.x, l.y, l.z};
        if (G3Point::Equals(a, b)) ring.pop_back();
    }
    return ring;
}

double SignedPlanArea(const G3Facet* f) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    if (f == nullptr || !Walk(f, starts, ends)) return 0.0;
    double a = 0.0;
    int begin = 0;
    for (int end : ends) {
        const double* o = starts[std::size_t(begin)]->GetXYZ();
        for (int i = begin; i < end; ++i) {
            const double* p = starts[std::size_t(i)]->GetXYZ();
            const double* q = starts[std::size_t(i + 1 < end ? i + 1 : begin)]->GetXYZ();
            a += (p[0] - o[0]) * (q[1] - o[1]) - (q[0] - o[0]) * (p[1] - o[1]);
        }
        begin = end;
    }
    return 0.5 * a;
}

double SignedPlanArea(const G3Surface* s) {
    double a = 0.0;
    for (int i = 0; s != nullptr && i < s->GetFacetCount(); ++i)
        a += SignedPlanArea(s->GetFacet(i));
    return a;
}

void FaceUp(G3Surface* s) {
    if (s != nullptr && SignedPlanArea(s) < 0.0) s->NegNormals();
}

bool FacesDown(const G3Surface* s) {
    double a = 0.0;
    for (int i = 0; s != nullptr && i < s->GetFacetCount() && i < 4096; ++i)
        a += SignedPlanArea(s->GetFacet(i));
    return a < 0.0;
}

// Builds in one pass from the facets' rings, the sides paired by the source's own edge
// numbers; a source whose numbers are out of step or that has facets with holes is copied
// and cut down instead.
void HandOn(G3Surface* s, const G3Facet* from, G3Facet* to) {
    if (s == nullptr || from == nullptr || to == nullptr || !from->IsOutExDataExist()) return;
    // The set operation only reads the source's values.
    s->ProviderSetExData(const_cast<G3Facet*>(from));
    s->ProviderOpenExData(to);
    s->ProviderSetExData(nullptr);
}

G3Surface* SurfaceWithout(const G3Surface* s, const std::vector<char>& drop, bool turn) {
    bool direct = true;
    for (int i = 0; i < s->GetVertexCount() && direct; ++i) direct = s->GetVertex(i)->GetId() == i;
    for (int i = 0; i < s->GetEdgeCount() && direct; ++i) direct = s->GetEdge(i)->GetId() == i;
    std::vector<int> counts, corners, sides;
    std::vector<int32_t> flags;
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    counts.reserve(std::size_t(s->GetFacetCount()));
    corners.reserve(3 * std::size_t(s->GetFacetCount()));
    for (int i = 0; i < s->GetFacetCount() && direct; ++i) {
        if (drop[std::size_t(i)]) continue;
        const G3Facet* f = s->GetFacet(i);
        if (!Walk(f, starts, ends) || ends.size() != 1) {
            direct = false;
            break;
        }
        const std::size_t base = corners.size(), n = starts.size();
        for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
            sides.push_back(e->GetId());
            flags.push_back(e->GetFlags());
        }
        for (G3Vertex* v : starts) corners.push_back(v->GetId());
        if (turn) {
            // Corner k of the turned ring is corner n − 1 − k; its side is the old side
            // n − 2 − k (the last one keeps the old last side).
            std::reverse(corners.begin() + long(base), corners.end());
            std::vector<int> side(sides.end() - long(n), sides.end());
            std::vector<int32_t> flag(flags.end() - long(n), flags.end());
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t from = (2 * n - 2 - k) % n;
                sides[base + k] = side[from];
                flags[base + k] = flag[from];
            }
        }
        counts.push_back(int(n));
    }
    auto* out = new G3Surface();
    if (direct) {
        std::vector<double> xyz(3 * std::size_t(s->GetVertexCount()));
        for (int i = 0; i < s->GetVertexCount(); ++i)
            for (int k = 0; k < 3; ++k)
                xyz[3 * std::size_t(i) + std::size_t(k)] = s->GetVertex(i)->GetXYZ()[k];
        pkbulk::BuildIndexedFacets(*out, s->GetVertexCount(), xyz.data(), int(counts.size()),
                                   counts.data(), int(corners.size()), corners.data(), flags.data(),
                                   0, nullptr, sides.data(), s->GetEdgeCount());
        // The bulk build makes the kept facets in order, each from its source; when it
        // skipped one the order says nothing, and the copy below is taken instead.
        if (out->GetFacetCount() == int(counts.size())) {
            int made = 0;
            for (int i = 0; i < s->GetFacetCount(); ++i) {
                if (!drop[std::size_t(i)]) HandOn(out, s->GetFacet(i), out->GetFacet(made++));
            }
            return out;
        }
        delete out;
        out = new G3Surface();
    }
    out->Copy(const_cast<G3Surface*>(s));
    std::vector<G3Facet*> gone;
    for (int i = 0; i < out->GetFacetCount(); ++i)
        if (drop[std::size_t(i)]) gone.push_back(out->GetFacet(i));
    for (G3Facet* f : gone) out->RemoveFacet(f);
    for (int i = 0; i < out->GetVertexCount(); ++i) out->GetVertex(i)->SetExData(nullptr);
    if (turn) out->NegNormals();
    return out;
}

void TriangulateInPlan(G3Surface* s) {
    if (s == nullptr) return;
    std::vector<G3Facet*> polygons;
    for (int i = 0; i < s->GetFacetCount(); ++i)
        if (s->GetFacet(i)->GetVertexCount() > 3) polygons.push_back(s->GetFacet(i));
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    std::vector<std::array<G3Vertex*, 3>> made;
    bool changed = false;
    for (G3Facet* f : polygons) {
        const double area = SignedPlanArea(f);
        if (!Walk(f, starts, ends) || !(std::fabs(area) > 1e-12)) continue;
        G3TriInterface tri;
        std::vector<G3TVertex*> tv;
        std::unordered_map<const G3TVertex*, G3Vertex*> back;
        std::vector<Ring> loops;
        int begin = 0;
        for (int end : ends) {
            loops.emplace_back();
            for (int i = begin; i < end; ++i) {
                G3Vertex* v = starts[std::size_t(i)];
                tv.push_back(tri.AddVertex(v->GetXYZ()));
                if (tv.back() != nullptr) back.emplace(tv.back(), v);
                loops.back().push_back({v->GetX(), v->GetY(), v->GetZ()});
            }
            for (int i = begin; i < end; ++i)
                tri.AddEdge(tv[std::size_t(i)], tv[std::size_t(i + 1 < end ? i + 1 : begin)]);
            begin = end;
        }
        if (!tri.MakeTriangulation()) continue;
        G3TMesh* mesh = tri.GetMesh();
        made.clear();
        G3TVertex* c[3];
        for (int t = 0; t < mesh->GetTriangleCount(); ++t) {
            if (!mesh->GetTriangle(t, c)) continue;
            const double cx = (c[0]->u.Value() + c[1]->u.Value() + c[2]->u.Value()) / 3;
            const double cy = (c[0]->v.Value() + c[1]->v.Value() + c[2]->v.Value()) / 3;
            bool in = false;
            for (const Ring& l : loops) in = InRing(l, cx, cy) != in;
            if (!in) continue;
            std::array<G3Vertex*, 3> v{};
            for (int k = 0; k < 3; ++k) {
                const G3TVertex* r = mesh->GetRepresentative(c[k]);
                auto it = back.find(r != nullptr ? r : c[k]);
                v[std::size_t(k)] = it != back.end() ? it->second : nullptr;
            }
            if (v[0] == nullptr || v[1] == nullptr || v[2] == nullptr) continue;
            if (area < 0.0) std::swap(v[1], v[2]);  // the facet faced down: so do its pieces
            made.push_back(v);
        }
        if (made.empty()) continue;
        // The providers take f's values before it goes, and give them to its triangles.
        s->ProviderSetExData(f->IsOutExDataExist() ? f : nullptr);
        s->RemoveFacet(f);
        for (auto& v : made) s->AddFacet(3, v.data(), G3EDGE_VISIBLE, nullptr, nullptr);
        s->ProviderSetExData(nullptr);
        changed = true;
    }
    if (changed) s->RemoveUnused();
}

std::vector<RimEdge> Rim(const G3Surface* s) {
    std::vector<G3Facet*> all;
    for (int i = 0; s != nullptr && i < s->GetFacetCount(); ++i) all.push_back(s->GetFacet(i));
    return Rim(all);
}

std::vector<RimEdge> Rim(const std::vector<G3Facet*>& facets) {
    std::vector<RimEdge> rim;
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    for (const G3Facet* f : facets) {
        if (!Walk(f, starts, ends)) continue;
        int k = 0, begin = 0, loop = 0;
        for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e), ++k) {
            if (k == ends[std::size_t(loop)]) begin = ends[std::size_t(loop++)];
            if (e->GetFacetCount() >= 2) continue;
            const int next = k + 1 < ends[std::size_t(loop)] ? k + 1 : begin;
            rim.push_back({starts[std::size_t(k)], starts[std::size_t(next)], e});
        }
    }
    return rim;
}

bool RimLoops(const std::vector<RimEdge>& rim, std::vector<std::vector<G3Vertex*>>* loops) {
    loops->clear();
    std::unordered_map<G3Vertex*, std::size_t> from;
    from.reserve(rim.size() * 2);
    std::unordered_map<G3Vertex*, int> ins;
    for (std::size_t i = 0; i < rim.size(); ++i) {
        if (!from.emplace(rim[i].from, i).second) return false;
        if (++ins[rim[i].to] > 1) return false;
    }
    std::vector<char> used(rim.size(), 0);
    for (std::size_t i = 0; i < rim.size(); ++i) {
        if (used[i]) continue;
        std::vector<G3Vertex*> loop;
        std::size_t at = i;
        // Invariant: every edge is taken once, so the walk ends within rim.size() steps.
        while (!used[at]) {
            used[at] = 1;
            loop.push_back(rim[at].from);
            auto it = from.find(rim[at].to);
            if (it == from.end()) return false;
            at = it->second;
        }
        if (at != i) return false;
        loops->push_back(std::move(loop));
    }
    return true;
}

FacetLocator::FacetLocator(const G3Surface* s) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    bool first = true;
    for (int i = 0; s != nullptr && i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        if (!Walk(f, starts, ends) || starts.size() < 3) continue;
        Item item;
        item.facet = f;
        item.box[0] = item.box[1] = HUGE_VAL;
        item.box[2] = item.box[3] = -HUGE_VAL;
        for (G3Vertex* v : starts) {
            item.xy.push_back(v->GetX());
            item.xy.push_back(v->GetY());
            item.box[0] = std::min(item.box[0], v->GetX());
            item.box[1] = std::min(item.box[1], v->GetY());
            item.box[2] = std::max(item.box[2], v->GetX());
            item.box[3] = std::max(item.box[3], v->GetY());
        }
        item.loopEnds = ends;
        for (int k = 0; k < 2; ++k) {
            m_Box[k] = first ? item.box[k] : std::min(m_Box[k], item.box[k]);
            m_Box[k + 2] = first ? item.box[k + 2] : std::max(m_Box[k + 2], item.box[k + 2]);
        }
        first = false;
        m_Items.push_back(std::move(item));
    }
    if (m_Items.empty()) return;
    const int side = std::max(1, std::min(2048, int(std::sqrt(double(m_Items.size())))));
    m_Nx = m_Ny = side;
    m_Cx = std::max((m_Box[2] - m_Box[0]) / side, 1e-12);
    m_Cy = std::max((m_Box[3] - m_Box[1]) / side, 1e-12);
    m_Cells.resize(std::size_t(m_Nx) * std::size_t(m_Ny));
    auto cell = [](double v, double lo, double c, int n) {
        return std::clamp(int((v - lo) / c), 0, n - 1);
    };
    for (std::size_t k = 0; k < m_Items.size(); ++k) {
        const double* b = m_Items[k].box;
        const int x0 = cell(b[0], m_Box[0], m_Cx, m_Nx), x1 = cell(b[2], m_Box[0], m_Cx, m_Nx);
        const int y0 = cell(b[1], m_Box[1], m_Cy, m_Ny), y1 = cell(b[3], m_Box[1], m_Cy, m_Ny);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                m_Cells[std::size_t(y) * std::size_t(m_Nx) + std::size_t(x)].push_back(int(k));
    }
}

const G3Facet* FacetLocator::Find(double x, double y) const {
    if (m_Items.empty() || !(x >= m_Box[0] && x <= m_Box[2] && y >= m_Box[1] && y <= m_Box[3]))
        return nullptr;
    const int cx = std::clamp(int((x - m_Box[0]) / m_Cx), 0, m_Nx - 1);
    const int cy = std::clamp(int((y - m_Box[1]) / m_Cy), 0, m_Ny - 1);
    for (int k : m_Cells[std::size_t(cy) * std::size_t(m_Nx) + std::size_t(cx)]) {
        const Item& it = m_Items[std::size_t(k)];
        if (x < it.box[0] || x > it.box[2] || y < it.box[1] || y > it.box[3]) continue;
        bool in = false;
        int begin = 0;
        for (int end : it.loopEnds) {
            for (int i = begin, j = end - 1; i < end; j = i++) {
                const double ax = it.xy[2 * std::size_t(i)], ay = it.xy[2 * std::size_t(i) + 1];
                const double bx = it.xy[2 * std::size_t(j)], by = it.xy[2 * std::size_t(j) + 1];
                if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay)) in = !in;
            }
            begin = end;
        }
        if (in) return it.facet;
    }
    return nullptr;
}

}  // namespace pkterrain
