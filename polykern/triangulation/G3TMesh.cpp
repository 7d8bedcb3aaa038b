#include "polykern/triangulation/G3TMesh.h"

#include <algorithm>
#include <cmath>

#include "polykern/triangulation/G3TMeshHandles.h"

using pktri::kNext;
using pktri::kOutside;
using pktri::kPrev;
using pktri::MakeHandle;
using pktri::OriOf;
using pktri::TriOf;

G3TMesh::G3TMesh() : m_Triangles(1) {}  // the outside triangle, its links pointing at itself

G3TMesh::~G3TMesh() = default;

G3TVertex* G3TMesh::AddVertex(double u, double v) {
    if (!std::isfinite(u) || !std::isfinite(v)) return nullptr;
    G3TVertex& vertex = m_Vertices.emplace_back();
    vertex.u = u;
    vertex.v = v;
    vertex.id = static_cast<int32_t>(m_Vertices.size() - 1);
    return &vertex;
}

G3TEdge* G3TMesh::AddEdge(G3TVertex* a, G3TVertex* b) {
    if (a == nullptr || b == nullptr) return nullptr;
    m_Edges.emplace_back();
    G3TEdge& e = m_Edges.back();
    e.vertex[0] = a;
    e.vertex[1] = b;
    e.owner = this;
    return &e;
}

G3TVertex* G3TMesh::GetVertex(int i) {
    return i >= 0 && i < GetVertexCount() ? &m_Vertices[static_cast<std::size_t>(i)] : nullptr;
}

G3TEdge* G3TMesh::GetEdge(int i) {
    return i >= 0 && i < GetEdgeCount() ? &m_Edges[static_cast<std::size_t>(i)] : nullptr;
}

// Links every point (and every vertex) to a triangle handle whose origin it is; the last
// triangle visited wins.
void G3TMesh::LinkVertices() {
    m_PointTriangle.assign(m_Points.size(), kOutside);
    for (const int32_t t : m_Live) {
        const G3TTriangle& tri = m_Triangles[static_cast<std::size_t>(t)];
        for (int k = 0; k < 3; ++k)
            m_PointTriangle[static_cast<std::size_t>(tri.corner[k])] =
                MakeHandle(static_cast<uint32_t>(t), kPrev[k]);
    }
    for (std::size_t v = 0; v < m_Vertices.size(); ++v) {
        const int32_t p = v < m_Position.size() ? m_Position[v] : -1;
        m_Vertices[v].triangle = p >= 0 ? m_PointTriangle[static_cast<std::size_t>(p)] : kOutside;
    }
}

// The point v stands for; −1 for a vertex of another mesh or one that takes no part.
int32_t G3TMesh::PositionOf(const G3TVertex* v) const {
    if (v == nullptr || v->id < 0 || v->id >= GetVertexCount()) return -1;
    const std::size_t index = static_cast<std::size_t>(v->id);
    if (&m_Vertices[index] != v || index >= m_Position.size()) return -1;
    return m_Position[index];
}

G3TVertex* G3TMesh::GetRepresentative(const G3TVertex* v) const {
    const int32_t p = PositionOf(v);
    if (p < 0) return nullptr;
    return const_cast<G3TVertex*>(&m_Vertices[static_cast<std::size_t>(m_Points[p].vertex)]);
}

bool G3TMesh::GetTriangle(int i, G3TVertex* corners[3]) {
    if (i < 0 || i >= GetTriangleCount()) return false;
    const G3TTriangle& t = m_Triangles[static_cast<std::size_t>(m_Live[i])];
    for (int k = 0; k < 3; ++k)
        corners[k] = &m_Vertices[static_cast<std::size_t>(m_Points[t.corner[k]].vertex)];
    return true;
}

bool G3TMesh::GetTrianglePoints(int i, int out[3]) const {
    if (i < 0 || i >= GetTriangleCount()) return false;
    const G3TTriangle& t = m_Triangles[static_cast<std::size_t>(m_Live[static_cast<std::size_t>(i)])];
    for (int k = 0; k < 3; ++k) out[k] = t.corner[k];
    return true;
}

int G3TMesh::GetSideEdges(std::vector<int>& out) const {
    const std::size_t live = m_Live.size();
    std::vector<int32_t> liveOf(m_Triangles.size(), -1);
    for (std::size_t i = 0; i < live; ++i) liveOf[static_cast<std::size_t>(m_Live[i])] = int32_t(i);
    out.assign(3 * live, -1);
    int edges = 0;
    for (std::size_t i = 0; i < live; ++i) {
        const G3TTriangle& t = m_Triangles[static_cast<std::size_t>(m_Live[i])];
        for (int k = 0; k < 3; ++k) {
            // The side from corner k to k + 1 lies opposite corner k + 2.
            const uint32_t across = t.neighbour[kPrev[k]];
            const int32_t j = TriOf(across) != kOutside ? liveOf[TriOf(across)] : -1;
            if (j >= 0 && static_cast<std::size_t>(j) < i) {
                const int side = kNext[OriOf(across)];
                out[3 * i + static_cast<std::size_t>(k)] = out[3 * static_cast<std::size_t>(j) + side];
            } else {
                out[3 * i + static_cast<std::size_t>(k)] = edges++;
            }
        }
    }
    return edges;
}

bool G3TMesh::IsConstraintSide(int i, int k) const {
    if (i < 0 || i >= GetTriangleCount() || k < 0 || k > 2) return false;
    return !m_SideEdges.empty() && m_SideEdges[3 * static_cast<std::size_t>(m_Live[i]) + k] >= 0;
}

// Walks from a nearby triangle toward (u, v), crossing any side the point lies beyond. The
// start is the nearest first corner among a few triangles spread over the list; a walk that
// does not settle (possible once constraints broke the Delaunay property) falls back to
// testing every triangle.
int G3TMesh::Locate(double u, double v, int* triangle) const {
    if (triangle != nullptr) *triangle = -1;
    if (m_Live.empty() || !std::isfinite(u) || !std::isfinite(v)) return 3;
    const pktri::Point p{u, v, -1, 0};
    const auto classify = [&](int32_t t) {
        const G3TTriangle& tri = m_Triangles[static_cast<std::size_t>(t)];
        int zeros = 0;
        for (int k = 0; k < 3; ++k) {
            const pktri::Point& a = m_Points[tri.corner[k]];
            if (G3TReal(a.u) == G3TReal(u) && G3TReal(a.v) == G3TReal(v)) return 2;
            const G3TReal o = pktri::Orient(m_Points[tri.corner[(k + 1) % 3]],
                                            m_Points[tri.corner[(k + 2) % 3]], p);
            if (o < 0.0) return -1;
            zeros += o == 0.0;
        }
        return zeros > 0 ? 1 : 0;
    };
    const std::size_t n = m_Live.size();
    int32_t t = m_Live[0];
    double best = -1.0;
    const std::size_t samples = n < 201 ? n : 20;
    for (std::size_t s = 0; s < samples; ++s) {
        const int32_t c = m_Live[s * n / samples];
        const pktri::Point& a = m_Points[m_Triangles[static_cast<std::size_t>(c)].corner[0]];
        const double d = (a.u - u) * (a.u - u) + (a.v - v) * (a.v - v);
        if (best < 0.0 || d < best) best = d, t = c;
    }
    const std::size_t limit = 4 * n + 16;
    for (std::size_t steps = 0; steps < limit; ++steps) {
        const G3TTriangle& tri = m_Triangles[static_cast<std::size_t>(t)];
        int beyond = -1;
        for (int k = 0; k < 3 && beyond < 0; ++k) {
            if (pktri::Orient(m_Points[tri.corner[(k + 1) % 3]], m_Points[tri.corner[(k + 2) % 3]],
                              p) < 0.0)
                beyond = k;
        }
        if (beyond < 0) break;
        const uint32_t next = tri.neighbour[beyond];
        if (TriOf(next) == 0) return 3;
        t = static_cast<int32_t>(TriOf(next));
    }
    int answer = classify(t);
    if (answer < 0) {
        for (const int32_t c : m_Live) {
            answer = classify(c);
            if (answer >= 0) {
                t = c;
                break;
            }
        }
        if (answer < 0) return 3;
    }
    if (triangle != nullptr)  // m_Live rises, so t's place is found by bisection
        *triangle =
            static_cast<int>(std::lower_bound(m_Live.begin(), m_Live.end(), t) - m_Live.begin());
    return answer;
}
