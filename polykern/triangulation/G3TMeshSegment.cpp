// Forcing constraint segments into the Delaunay triangulation: the edges a segment crosses
// are flipped away until the segment is an edge, then the edges the flips made are flipped
// back toward Delaunay wherever the constraints allow.

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TMeshHandles.h"

using pktri::kOutside;
using pktri::kPrev;
using pktri::Lnext;
using pktri::Lprev;
using pktri::MakeHandle;
using pktri::OriOf;
using pktri::TriOf;

namespace {

using EdgePair = std::pair<int32_t, int32_t>;

int Sign(G3TReal x) {
    return x > 0.0 ? 1 : x < 0.0 ? -1 : 0;
}

}  // namespace

class G3TSegmentInserter {
public:
    explicit G3TSegmentInserter(G3TMesh& mesh)
        : m_Mesh(mesh), m_Tri(mesh.m_Triangles, mesh.m_SideEdges), m_P(mesh.m_Points) {}

    bool Insert(int32_t a, int32_t b, int32_t mark);
    /// A handle on the edge a–b (either direction), or the outside handle.
    uint32_t FindEdge(int32_t a, int32_t b) const;
    bool IsConstraint(uint32_t h) const { return m_Tri.EdgeOf(h) >= 0; }

private:
    enum class Walk { Edge, Crossing, Blocked, Failed };
    Walk Scout(int32_t p, int32_t q, int32_t* stop);
    // The two triangles on an edge: h runs u → w with apex a; b is the apex across.
    struct Quad {
        uint32_t h;
        int32_t u, w, a, b;
    };
    /// False when the edge is gone or lies on the hull.
    bool QuadOf(const EdgePair& e, Quad* q) const;
    /// Whether the diagonal a–b would split the quadrilateral into two proper triangles.
    bool IsConvex(const Quad& q) const {
        return Orient(q.a, q.b, q.w) > 0.0 && Orient(q.b, q.a, q.u) > 0.0;
    }
    bool FlipAway(int32_t p, int32_t x);
    void RestoreDelaunay(int32_t p, int32_t x);
    void Flip(uint32_t h);
    void MarkConstraint(int32_t p, int32_t x, int32_t mark);

    G3TReal Orient(int32_t a, int32_t b, int32_t c) const {
        return pktri::Orient(m_P[a], m_P[b], m_P[c]);
    }
    void Link(int32_t point, uint32_t h);

    G3TMesh& m_Mesh;
    pktri::Triangles m_Tri;
    std::vector<pktri::Point>& m_P;
    std::deque<EdgePair> m_Crossed;
    std::vector<EdgePair> m_Made;
};

uint32_t G3TSegmentInserter::FindEdge(int32_t a, int32_t b) const {
    const uint32_t start = m_Mesh.m_PointTriangle[static_cast<std::size_t>(a)];
    if (start == kOutside) return kOutside;
    // Counter-clockwise round a, then clockwise from the start if the hull stopped us.
    uint32_t h = start;
    do {
        if (m_Tri.Dest(h) == b) return h;
        if (m_Tri.Apex(h) == b) return Lprev(h);
        h = m_Tri.Onext(h);
    } while (h != start && TriOf(h) != 0);
    if (h == start) return kOutside;
    h = start;
    for (;;) {
        const uint32_t s = m_Tri.Sym(h);
        if (TriOf(s) == 0) return kOutside;
        h = Lnext(s);
        if (h == start) return kOutside;
        if (m_Tri.Dest(h) == b) return h;
        if (m_Tri.Apex(h) == b) return Lprev(h);
    }
}

void G3TSegmentInserter::Link(int32_t point, uint32_t h) {
    m_Mesh.m_PointTriangle[static_cast<std::size_t>(point)] = h;
    m_Mesh.m_Vertices[static_cast<std::size_t>(m_P[point].vertex)].triangle = h;
}

// Exchanges the diagonal of the two triangles on h's edge, reusing both records; the four
// outer neighbours and their constraint marks follow.
void G3TSegmentInserter::Flip(uint32_t h) {
    auto& t = m_Tri;
    const uint32_t s = t.Sym(h);
    const int32_t u = t.Org(h), w = t.Dest(h), a = t.Apex(h), b = t.Apex(s);
    const uint32_t nWA = t.Sym(Lnext(h)), nAU = t.Sym(Lprev(h));
    const uint32_t nUB = t.Sym(Lnext(s)), nBW = t.Sym(Lprev(s));
    const int32_t eWA = t.EdgeOf(Lnext(h)), eAU = t.EdgeOf(Lprev(h));
    const int32_t eUB = t.EdgeOf(Lnext(s)), eBW = t.EdgeOf(Lprev(s));
    const uint32_t t1 = TriOf(h), t2 = TriOf(s);

    // (a, u, b) and (b, w, a), both counter-clockwise; side 1 of each is the new diagonal.
    G3TTriangle& first = m_Mesh.m_Triangles[t1];
    G3TTriangle& second = m_Mesh.m_Triangles[t2];
    first.corner[0] = a, first.corner[1] = u, first.corner[2] = b;
    second.corner[0] = b, second.corner[1] = w, second.corner[2] = a;
    t.Bond(MakeHandle(t1, 1), MakeHandle(t2, 1));
    const auto attach = [&t](uint32_t side, uint32_t outer) {
        if (TriOf(outer) != 0)
            t.Bond(side, outer);
        else
            t.Dissolve(side);
    };
    attach(MakeHandle(t1, 0), nUB);
    attach(MakeHandle(t1, 2), nAU);
    attach(MakeHandle(t2, 0), nWA);
    attach(MakeHandle(t2, 2), nBW);
    t.SetEdgeOf(MakeHandle(t1, 0), eUB);
    t.SetEdgeOf(MakeHandle(t1, 1), -1);
    t.SetEdgeOf(MakeHandle(t1, 2), eAU);
    t.SetEdgeOf(MakeHandle(t2, 0), eWA);
    t.SetEdgeOf(MakeHandle(t2, 1), -1);
    t.SetEdgeOf(MakeHandle(t2, 2), eBW);
    Link(a, MakeHandle(t1, kPrev[0]));
    Link(u, MakeHandle(t1, kPrev[1]));
    Link(b, MakeHandle(t1, kPrev[2]));
    Link(w, MakeHandle(t2, kPrev[1]));
}

// Walks from p toward q. Edge: an edge p–x runs along the segment (x in *stop). Crossing:
// the edges crossed on the way to *stop (q, or the first vertex lying on the segment) are
// in m_Crossed. Blocked: one of them is a constraint.
G3TSegmentInserter::Walk G3TSegmentInserter::Scout(int32_t p, int32_t q, int32_t* stop) {
    auto& t = m_Tri;
    m_Crossed.clear();
    const uint32_t start = m_Mesh.m_PointTriangle[static_cast<std::size_t>(p)];
    if (start == kOutside) return Walk::Failed;
    // Find the triangle at p whose wedge holds the direction to q, turning both ways.
    uint32_t wedge = kOutside;
    for (int pass = 0; pass < 2 && wedge == kOutside; ++pass) {
        uint32_t h = start;
        do {
            const int32_t d = t.Dest(h), e = t.Apex(h);
            const G3TReal od = Orient(p, d, q), oe = Orient(p, e, q);
            const auto ahead = [&](int32_t x) {
                return (m_P[x].u - m_P[p].u) * (m_P[q].u - m_P[p].u) +
                           (m_P[x].v - m_P[p].v) * (m_P[q].v - m_P[p].v) >
                       0.0;
            };
            if (od == 0.0 && ahead(d)) {
                *stop = d;
                return Walk::Edge;
            }
            if (oe == 0.0 && ahead(e)) {
                *stop = e;
                return Walk::Edge;
            }
            if (od > 0.0 && oe < 0.0) {
                wedge = h;
                break;
            }
            if (pass == 0) {
                h = t.Onext(h);
            } else {
                const uint32_t s = t.Sym(h);
                h = TriOf(s) == 0 ? kOutside : Lnext(s);
            }
        } while (h != start && TriOf(h) != 0);
    }
    if (wedge == kOutside) return Walk::Failed;

    uint32_t crossing = Lnext(wedge);  // the side opposite p
    const int limit = m_Mesh.GetTriangleCount() + 8;
    for (int steps = 0; steps < limit; ++steps) {
        if (t.EdgeOf(crossing) >= 0) return Walk::Blocked;
        m_Crossed.emplace_back(t.Org(crossing), t.Dest(crossing));
        const uint32_t s = t.Sym(crossing);
        if (TriOf(s) == 0) return Walk::Failed;
        const int32_t x = t.Apex(s);
        if (x == q || Orient(p, q, x) == 0.0) {
            *stop = x;
            return Walk::Crossing;
        }
        crossing = Sign(Orient(p, q, x)) == Sign(Orient(p, q, t.Org(s))) ? Lnext(s) : Lprev(s);
    }
    return Walk::Failed;
}

bool G3TSegmentInserter::QuadOf(const EdgePair& e, Quad* q) const {
    const uint32_t h = FindEdge(e.first, e.second);
    if (h == kOutside) return false;
    const uint32_t s = m_Tri.Sym(h);
    if (TriOf(s) == 0) return false;
    *q = {h, m_Tri.Org(h), m_Tri.Dest(h), m_Tri.Apex(h), m_Tri.Apex(s)};
    return true;
}

// Flips the crossed edges away, each in turn once its quadrilateral is convex, until p–x is
// an edge; the diagonals made that no longer cross the segment are kept for the Delaunay
// restoration.
bool G3TSegmentInserter::FlipAway(int32_t p, int32_t x) {
    m_Made.clear();
    const std::size_t n = m_Crossed.size();
    const std::size_t limit = 16 * n * n + 64;
    for (std::size_t steps = 0; !m_Crossed.empty(); ++steps) {
        if (steps > limit) return false;
        const EdgePair e = m_Crossed.front();
        m_Crossed.pop_front();
        Quad q;
        if (!QuadOf(e, &q)) return false;
        if (!IsConvex(q)) {
            m_Crossed.push_back(e);
            continue;
        }
        Flip(q.h);
        const int32_t a = q.a, b = q.b;
        const int sa = Sign(Orient(p, x, a)), sb = Sign(Orient(p, x, b));
        const bool crosses = sa * sb < 0 && a != p && a != x && b != p && b != x;
        if (crosses)
            m_Crossed.emplace_back(a, b);
        else
            m_Made.emplace_back(a, b);
    }
    return true;
}

// Flips each new edge (not the segment p–x) whose quadrilateral's far corner lies inside
// its circle, until none does.
void G3TSegmentInserter::RestoreDelaunay(int32_t p, int32_t x) {
    auto& t = m_Tri;
    bool swapped = true;
    for (int rounds = 0; swapped && rounds < 64; ++rounds) {
        swapped = false;
        for (EdgePair& e : m_Made) {
            if ((e.first == p && e.second == x) || (e.first == x && e.second == p)) continue;
            Quad q;
            if (!QuadOf(e, &q) || t.EdgeOf(q.h) >= 0) continue;
            if (!(pktri::InCircle(m_P[q.u], m_P[q.w], m_P[q.a], m_P[q.b]) > 0.0)) continue;
            if (!IsConvex(q)) continue;
            Flip(q.h);
            e = {q.a, q.b};
            swapped = true;
        }
    }
}

void G3TSegmentInserter::MarkConstraint(int32_t p, int32_t x, int32_t mark) {
    auto& t = m_Tri;
    const uint32_t h = FindEdge(p, x);
    if (h == kOutside) return;
    int32_t id = t.EdgeOf(h);
    if (id < 0) {
        m_Mesh.AddEdge(&m_Mesh.m_Vertices[static_cast<std::size_t>(m_P[p].vertex)],
                       &m_Mesh.m_Vertices[static_cast<std::size_t>(m_P[x].vertex)]);
        id = m_Mesh.GetEdgeCount() - 1;
    }
    m_Mesh.m_Edges[static_cast<std::size_t>(id)].mark = mark;
    t.SetEdgeOf(h, id);
    const uint32_t s = t.Sym(h);
    if (TriOf(s) != 0) t.SetEdgeOf(s, id);
}

// Inserts a–b piece by piece: each piece runs from the current vertex to b or to the first
// vertex lying on the segment, so a break line through any number of collinear vertices
// goes in whole.
bool G3TSegmentInserter::Insert(int32_t a, int32_t b, int32_t mark) {
    int32_t p = a;
    const int limit = static_cast<int>(m_P.size()) + 8;
    for (int pieces = 0; p != b; ++pieces) {
        if (pieces > limit) return false;
        int32_t x = -1;
        switch (Scout(p, b, &x)) {
            case Walk::Edge:
                break;
            case Walk::Crossing:
                if (!FlipAway(p, x)) return false;
                RestoreDelaunay(p, x);
                break;
            case Walk::Blocked:
            case Walk::Failed:
                return false;
        }
        MarkConstraint(p, x, mark);
        p = x;
    }
    return true;
}

bool G3TMesh::InsertSegment(G3TVertex* a, G3TVertex* b, int32_t mark) {
    const int32_t pa = PositionOf(a), pb = PositionOf(b);
    if (pa < 0 || pb < 0 || m_Live.empty()) return false;
    if (pa == pb) return true;  // zero length once duplicates are resolved
    G3TSegmentInserter inserter(*this);
    return inserter.Insert(pa, pb, mark);
}

bool G3TMesh::HasEdge(const G3TVertex* a, const G3TVertex* b, bool* constraint) const {
    const int32_t pa = PositionOf(a), pb = PositionOf(b);
    if (constraint != nullptr) *constraint = false;
    if (pa < 0 || pb < 0 || pa == pb || m_Live.empty()) return false;
    G3TSegmentInserter finder(const_cast<G3TMesh&>(*this));
    const uint32_t h = finder.FindEdge(pa, pb);
    if (h == kOutside) return false;
    if (constraint != nullptr) *constraint = finder.IsConstraint(h);
    return true;
}
