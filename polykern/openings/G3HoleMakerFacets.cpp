// Openings through sheet-like surfaces: checking that new holes keep clear of each other
// and of a face's loops, rebuilding each pierced face once with all its holes, and the
// side walls.

#include <algorithm>
#include <cmath>

#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/openings/G3HoleMaker.h"
#include "polykern/roof/G3RoofTags.h"

namespace {

constexpr double kClearance = 1e-6;  // holes and loops closer than this touch

struct P2 {
    double x, y;
};

// A loop of a face in the face's projection plane, about a local origin.
struct Loop2 {
    std::vector<P2> pts;
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    int opening = -1;  // −1 for a loop the face already had
    bool outer = false;

    void Bound() {
        lo[0] = hi[0] = pts[0].x;
        lo[1] = hi[1] = pts[0].y;
        for (const P2& p : pts) {
            lo[0] = std::min(lo[0], p.x);
            hi[0] = std::max(hi[0], p.x);
            lo[1] = std::min(lo[1], p.y);
            hi[1] = std::max(hi[1], p.y);
        }
    }
    bool Overlaps(const Loop2& o) const {
        return lo[0] <= o.hi[0] + kClearance && o.lo[0] <= hi[0] + kClearance &&
               lo[1] <= o.hi[1] + kClearance && o.lo[1] <= hi[1] + kClearance;
    }
};

double Orient(const P2& a, const P2& b, const P2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

double PointSegment(const P2& p, const P2& a, const P2& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

// Whether segments ab and cd cross or come closer than the clearance.
bool SegmentsMeet(const P2& a, const P2& b, const P2& c, const P2& d) {
    if (std::max(a.x, b.x) + kClearance < std::min(c.x, d.x) ||
        std::max(c.x, d.x) + kClearance < std::min(a.x, b.x) ||
        std::max(a.y, b.y) + kClearance < std::min(c.y, d.y) ||
        std::max(c.y, d.y) + kClearance < std::min(a.y, b.y))
        return false;
    const double o1 = Orient(a, b, c), o2 = Orient(a, b, d);
    const double o3 = Orient(c, d, a), o4 = Orient(c, d, b);
    if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0)))
        return true;
    return PointSegment(c, a, b) < kClearance || PointSegment(d, a, b) < kClearance ||
           PointSegment(a, c, d) < kClearance || PointSegment(b, c, d) < kClearance;
}

bool LoopsMeet(const Loop2& u, const Loop2& v) {
    const std::size_t n = u.pts.size(), m = v.pts.size();
    for (std::size_t i = 0; i < n; ++i) {
        const P2 &a = u.pts[i], &b = u.pts[(i + 1) % n];
        for (std::size_t j = 0; j < m; ++j) {
            if (SegmentsMeet(a, b, v.pts[j], v.pts[(j + 1) % m])) return true;
        }
    }
    return false;
}

// Whether two edges of the loop that are not neighbours meet: the loop crosses itself.
bool CrossesItself(const Loop2& u) {
    const std::size_t n = u.pts.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;  // the closing edge neighbours the first
            if (SegmentsMeet(u.pts[i], u.pts[i + 1], u.pts[j], u.pts[(j + 1) % n])) return true;
        }
    }
    return false;
}

bool Inside(const P2& p, const Loop2& u) {
    bool in = false;
    const std::size_t n = u.pts.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const P2 &a = u.pts[i], &b = u.pts[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

double Dot(const double* a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

}  // namespace

// Invariant after the check: the accepted holes of a face lie apart from each other, from
// the face's own holes and from its outline, so the face can take them as loops as they are.
void G3HoleMaker::RejectConflicts(std::vector<Opening>& openings, const PiercedFacet& face) const {
    G3Facet* f = face.facet;
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    if (!f->GetLoops(starts, ends) || starts.empty()) {
        for (int k : face.openings) openings[k].rejected = true;
        return;
    }
    int i, j;
    f->GetMaxCoo(&i, &j);
    const double oi = starts[0]->GetXYZ(i), oj = starts[0]->GetXYZ(j);
    std::vector<Loop2> loops;
    int begin = 0;
    for (std::size_t l = 0; l < ends.size(); ++l) {
        Loop2 loop;
        for (int k = begin; k < ends[l]; ++k)
            loop.pts.push_back({starts[k]->GetXYZ(i) - oi, starts[k]->GetXYZ(j) - oj});
        begin = ends[l];
        if (loop.pts.size() < 3) continue;
        loop.outer = l == 0;
        loop.Bound();
        loops.push_back(std::move(loop));
    }
    for (std::size_t h = 0; h < face.openings.size(); ++h) {
        const Opening& o = openings[face.openings[h]];
        if (o.rejected) continue;
        Loop2 loop;
        for (const auto& p : face.isEntry[h] ? o.entryPoints : o.exitPoints)
            loop.pts.push_back({p[i] - oi, p[j] - oj});
        loop.opening = face.openings[h];
        loop.Bound();
        if (CrossesItself(loop)) {
            openings[loop.opening].rejected = true;
            continue;
        }
        loops.push_back(std::move(loop));
    }
    // A sweep along x over the loops' boxes: only loops whose boxes overlap are compared,
    // so hundreds of holes in one face cost about as much as their count.
    std::vector<std::size_t> order(loops.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return loops[a].lo[0] < loops[b].lo[0]; });
    for (std::size_t a = 0; a < order.size(); ++a) {
        const Loop2& u = loops[order[a]];
        for (std::size_t b = a + 1; b < order.size(); ++b) {
            const Loop2& v = loops[order[b]];
            if (v.lo[0] > u.hi[0] + kClearance) break;
            if (u.opening < 0 && v.opening < 0) continue;  // the face's own loops agree
            if (!u.Overlaps(v)) continue;
            const Loop2& later =
                (u.opening < 0 || (v.opening >= 0 && v.opening > u.opening)) ? v : u;
            const Loop2& other = &later == &u ? v : u;
            if (openings[later.opening].rejected) continue;
            if (other.opening >= 0 && openings[other.opening].rejected) continue;
            bool meet = LoopsMeet(u, v);
            if (!meet && !other.outer) {
                meet = Inside(u.pts[0], v) || Inside(v.pts[0], u);  // one hole around another
            }
            if (meet) openings[later.opening].rejected = true;
        }
    }
}

void G3HoleMaker::ReplaceFacet(std::vector<Opening>& openings, const PiercedFacet& face) {
    G3Facet* old = face.facet;
    bool any = false;
    for (int k : face.openings) any = any || !openings[k].rejected;
    if (!any) return;
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    if (!old->GetLoops(starts, ends)) return;
    std::vector<G3Edge*> edges(static_cast<std::size_t>(old->GetEdgeCount()));
    old->GetEdges(edges.data());
    const G3RoofTag tag = G3RoofTagProvider::TagOf(old);
    double normal[3] = {old->GetPlaneA(), old->GetPlaneB(), old->GetPlaneC()};
    // The old face lets go of its sides first, so that the new one takes the same edges.
    old->RemoveEdges();
    auto* f = new G3Facet();
    f->SetSurface(old->GetSurface());
    int begin = 0;
    for (int end : ends) {
        for (int k = begin; k < end; ++k) {
            m_Surface->SetEdgeFlags(edges[k]->GetFlags());
            m_Surface->AddEdge(starts[k], starts[k + 1 < end ? k + 1 : begin], f);
        }
        begin = end;
    }
    m_Surface->SetEdgeFlags(1);
    for (std::size_t h = 0; h < face.openings.size(); ++h) {
        const Opening& o = openings[face.openings[h]];
        if (o.rejected) continue;
        const std::vector<G3Vertex*>& v = face.isEntry[h] ? o.entryVertices : o.exitVertices;
        // A hole runs against the face's normal; the outline runs round the direction.
        const bool reverse = Dot(normal, o.direction) > 0;
        const std::size_t n = v.size();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t a = reverse ? n - k : k, b = reverse ? n - k - 1 : k + 1;
            m_Surface->AddEdge(v[a % n], v[b % n], f);
        }
    }
    f->FormPlaneEquation();
    f->SetFlags(old->GetFlags());
    {
        G3RoofTagScope scope(tag.section, tag.type);
        m_Surface->AddFacetToCollection(f);
    }
    f->CopyExData(old);
    m_Surface->RemoveFacet(old);
    for (G3Edge* e : edges) {
        if (e->GetFacetCount() == 0) m_Surface->RemoveEdge(e);
    }
}

void G3HoleMaker::AddWalls(const Opening& o) {
    G3RoofTagScope untagged(0, ROOF_FACET_NONE);
    // The walls line the opening in the face it enters: they are of that face's material.
    const int current = G3FaceMaterialProvider::Get()->GetCurrent();
    G3FaceMaterialScope material(o.entryMaterial != 0 ? o.entryMaterial : current);
    const std::size_t count = o.entryVertices.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t next = (k + 1) % count;
        G3Vertex* b0 = o.entryVertices[k];
        G3Vertex* b1 = o.entryVertices[next];
        G3Vertex* a0 = o.exitVertices[k];
        G3Vertex* a1 = o.exitVertices[next];
        // Each wall runs along the holes' edges against the way the faces run them.
        G3Vertex* forward[4] = {b0, a0, a1, b1};
        G3Vertex* backward[4] = {b0, b1, a1, a0};
        G3Facet* wall =
            m_Surface->AddFacet(4, o.entryFacesBack ? forward : backward, 1, nullptr, nullptr);
        if (wall != nullptr) wall->SetFlags(0);
    }
}
