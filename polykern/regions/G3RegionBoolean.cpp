// Splitting loaded contours into a planar graph, telling covered faces by rays, and
// tracing the boundary between covered and open faces.

#include "polykern/regions/G3RegionBoolean.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

constexpr double kHuge = 1e300;

uint64_t PairKey(int a, int b) {
    const auto lo = static_cast<uint32_t>(std::min(a, b));
    const auto hi = static_cast<uint32_t>(std::max(a, b));
    return (static_cast<uint64_t>(lo) << 32) | hi;
}

uint64_t CellKey(int64_t cx, int64_t cy) {
    return static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^
           static_cast<uint64_t>(cy) * 0xC2B2AE3D27D4EB4Full;
}

// Collects every crossing the segment sweep reports, per loaded edge.
class CrossingCollector : public G3IntersectionPointLoader {
public:
    struct Hit {
        int edge;
        double xyz[3];
    };
    void LoadPoint(double* point, void* dataA, void* dataB, double, double) override {
        for (void* data : {dataA, dataB}) {
            Hit h{static_cast<int>(reinterpret_cast<intptr_t>(data)) - 1,
                  {point[0], point[1], point[2]}};
            m_Hits.push_back(h);
        }
    }
    std::vector<Hit> m_Hits;
};

struct Find {
    std::vector<int> parent;
    explicit Find(int n) : parent(static_cast<std::size_t>(n)) {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int Root(int a) {
        while (parent[std::size_t(a)] != a) {
            parent[std::size_t(a)] = parent[std::size_t(parent[std::size_t(a)])];
            a = parent[std::size_t(a)];
        }
        return a;
    }
    void Join(int a, int b) { parent[std::size_t(Root(a))] = Root(b); }
};

}  // namespace

G3RegionBoolean::G3RegionBoolean(int i, int j, double tolerance)
    : m_X(i), m_Y(j), m_Tol(std::isfinite(tolerance) && tolerance > 0 ? tolerance : 1e-6) {}

void G3RegionBoolean::BeginContour() {
    ++m_ContourCount;
}

bool G3RegionBoolean::AddEdge(const double* p, const double* q, int tag) {
    if (p == nullptr || q == nullptr || m_X < 0 || m_X > 2 || m_Y < 0 || m_Y > 2 || m_X == m_Y)
        return false;
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(p[k]) || !std::isfinite(q[k]) || std::fabs(p[k]) > kHuge ||
            std::fabs(q[k]) > kHuge)
            return false;
    }
    if (std::hypot(q[m_X] - p[m_X], q[m_Y] - p[m_Y]) <= m_Tol) return false;
    if (m_ContourCount == 0) m_ContourCount = 1;
    const int first = static_cast<int>(m_Points.size());
    m_Points.push_back({{p[0], p[1], p[2]}});
    m_Points.push_back({{q[0], q[1], q[2]}});
    m_Edges.push_back({first, first + 1, m_ContourCount - 1, tag});
    return true;
}

// Points closer than the tolerance in the plane become one vertex: a hash of square cells
// of twice the tolerance, searched over the 3 × 3 cells around a point.
int G3RegionBoolean::SnapVertex(const double* xyz, int point) {
    const double w = 2.0 * m_Tol;
    // Bounded, so that far coordinates stay representable.
    auto cell = [w](double c) {
        return static_cast<int64_t>(std::clamp(std::floor(c / w), -4e18, 4e18));
    };
    const int64_t cx = cell(xyz[m_X]), cy = cell(xyz[m_Y]);
    for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dx = -1; dx <= 1; ++dx) {
            auto it = m_Cells.find(CellKey(cx + dx, cy + dy));
            if (it == m_Cells.end()) continue;
            for (int v : it->second) {
                const double* o = m_Vertices[std::size_t(v)].xyz;
                if (std::hypot(o[m_X] - xyz[m_X], o[m_Y] - xyz[m_Y]) <= m_Tol) {
                    if (m_VertexPoint[std::size_t(v)] < 0) m_VertexPoint[std::size_t(v)] = point;
                    return v;
                }
            }
        }
    }
    const int v = static_cast<int>(m_Vertices.size());
    m_Vertices.push_back({{xyz[0], xyz[1], xyz[2]}});
    m_VertexPoint.push_back(point);
    m_Cells[CellKey(cx, cy)].push_back(v);
    return v;
}

void G3RegionBoolean::BuildGraph() {
    G3LineSegmentIntersector sweep(m_X, m_Y);
    for (std::size_t k = 0; k < m_Edges.size(); ++k) {
        sweep.AddSegment(m_Points[std::size_t(m_Edges[k].from)].xyz,
                         m_Points[std::size_t(m_Edges[k].to)].xyz,
                         reinterpret_cast<void*>(static_cast<intptr_t>(k + 1)));
    }
    CrossingCollector crossings;
    sweep.FindIntersections(&crossings);
    // Loaded points first, so that a vertex keeps the point it was loaded as.
    std::vector<int> start(m_Edges.size()), end(m_Edges.size());
    for (std::size_t k = 0; k < m_Edges.size(); ++k) {
        start[k] = SnapVertex(m_Points[std::size_t(m_Edges[k].from)].xyz, m_Edges[k].from);
        end[k] = SnapVertex(m_Points[std::size_t(m_Edges[k].to)].xyz, m_Edges[k].to);
    }
    std::vector<std::vector<std::pair<double, int>>> along(m_Edges.size());
    for (const CrossingCollector::Hit& h : crossings.m_Hits) {
        if (h.edge < 0 || h.edge >= static_cast<int>(m_Edges.size())) continue;
        const double* p = m_Points[std::size_t(m_Edges[std::size_t(h.edge)].from)].xyz;
        const double* q = m_Points[std::size_t(m_Edges[std::size_t(h.edge)].to)].xyz;
        const double dx = q[m_X] - p[m_X], dy = q[m_Y] - p[m_Y];
        const double t =
            ((h.xyz[m_X] - p[m_X]) * dx + (h.xyz[m_Y] - p[m_Y]) * dy) / (dx * dx + dy * dy);
        along[std::size_t(h.edge)].push_back({t, SnapVertex(h.xyz, -1)});
    }
    std::unordered_map<uint64_t, int> graphEdgeOf;
    for (std::size_t k = 0; k < m_Edges.size(); ++k) {
        std::vector<std::pair<double, int>>& cuts = along[k];
        cuts.push_back({0.0, start[k]});
        cuts.push_back({1.0, end[k]});
        std::sort(cuts.begin(), cuts.end());
        int from = cuts.front().second;
        for (std::size_t c = 1; c < cuts.size(); ++c) {
            const int to = cuts[c].second;
            if (to == from) continue;
            const uint64_t key = PairKey(from, to);
            auto found = graphEdgeOf.find(key);
            int g;
            if (found == graphEdgeOf.end()) {
                g = static_cast<int>(m_Graph.size());
                graphEdgeOf.emplace(key, g);
                m_Graph.push_back({from, to, m_Edges[k].tag, {}});
            } else {
                g = found->second;
            }
            auto& owners = m_Graph[std::size_t(g)].owners;
            auto own = std::find_if(
                owners.begin(), owners.end(),
                [&](const std::pair<int, int>& o) { return o.first == m_Edges[k].contour; });
            if (own == owners.end()) {
                owners.push_back({m_Edges[k].contour, 1});
            } else {
                ++own->second;
            }
            from = to;
        }
    }
}

void G3RegionBoolean::SortVertexFans() {
    m_Fans.assign(m_Vertices.size(), {});
    for (std::size_t g = 0; g < m_Graph.size(); ++g) {
        m_Fans[std::size_t(m_Graph[g].a)].push_back(static_cast<int>(2 * g));
        m_Fans[std::size_t(m_Graph[g].b)].push_back(static_cast<int>(2 * g + 1));
    }
    std::vector<double> angle(2 * m_Graph.size());
    for (std::size_t g = 0; g < m_Graph.size(); ++g) {
        const double* a = m_Vertices[std::size_t(m_Graph[g].a)].xyz;
        const double* b = m_Vertices[std::size_t(m_Graph[g].b)].xyz;
        angle[2 * g] = std::atan2(b[m_Y] - a[m_Y], b[m_X] - a[m_X]);
        angle[2 * g + 1] = std::atan2(a[m_Y] - b[m_Y], a[m_X] - b[m_X]);
    }
    m_FanPosition.assign(2 * m_Graph.size(), 0);
    for (std::vector<int>& fan : m_Fans) {
        std::sort(fan.begin(), fan.end(), [&angle](int h, int k) {
            return angle[std::size_t(h)] < angle[std::size_t(k)] ||
                   (angle[std::size_t(h)] == angle[std::size_t(k)] && h < k);
        });
        for (std::size_t k = 0; k < fan.size(); ++k) m_FanPosition[std::size_t(fan[k])] = int(k);
    }
}

// Contours whose outlines share a vertex of the graph belong to one group.
void G3RegionBoolean::FormGroups() {
    Find groups(std::max(m_ContourCount, 1));
    for (const std::vector<int>& fan : m_Fans) {
        int first = -1;
        for (int h : fan) {
            for (const auto& owner : m_Graph[std::size_t(h / 2)].owners) {
                if (first < 0) first = owner.first;
                groups.Join(owner.first, first);
            }
        }
    }
    m_Group.resize(std::size_t(std::max(m_ContourCount, 1)));
    for (std::size_t c = 0; c < m_Group.size(); ++c) m_Group[c] = groups.Root(int(c));
}

// A ray leaves the middle of the half-edge towards its left along x (for a steep edge) or
// along y, and every graph edge it crosses turns over the inside of the contours running
// along it an odd number of times. Crossings are counted by the half-open rule on the
// ray's line, so a ray through a vertex counts the edges there consistently.
bool G3RegionBoolean::IsLeftCovered(int h, Rule rule) {
    const GraphEdge& e = m_Graph[std::size_t(h / 2)];
    const double* a = m_Vertices[std::size_t((h & 1) == 0 ? e.a : e.b)].xyz;
    const double* b = m_Vertices[std::size_t((h & 1) == 0 ? e.b : e.a)].xyz;
    const double dx = b[m_X] - a[m_X], dy = b[m_Y] - a[m_Y];
    const double m[2] = {0.5 * (a[m_X] + b[m_X]), 0.5 * (a[m_Y] + b[m_Y])};
    const bool alongX = std::fabs(dy) >= std::fabs(dx);
    const int along = alongX ? 0 : 1, across = 1 - along;  // ray axis, and the one it keeps
    const double sign = alongX ? (dy > 0 ? -1.0 : 1.0) : (dx > 0 ? 1.0 : -1.0);
    const std::vector<std::vector<int>>& bands = alongX ? m_Rows : m_Columns;
    int band = static_cast<int>(std::floor((m[across] - m_Low[across]) / m_Step[across]));
    band = std::clamp(band, 0, static_cast<int>(bands.size()) - 1);
    const int axis[2] = {m_X, m_Y};
    m_Touched.clear();
    for (int g : bands[std::size_t(band)]) {
        if (g == h / 2) continue;
        const GraphEdge& o = m_Graph[std::size_t(g)];
        const double* p = m_Vertices[std::size_t(o.a)].xyz;
        const double* q = m_Vertices[std::size_t(o.b)].xyz;
        const double pc = p[axis[across]], qc = q[axis[across]];
        if ((pc > m[across]) == (qc > m[across])) continue;
        const double hit =
            p[axis[along]] + (m[across] - pc) * (q[axis[along]] - p[axis[along]]) / (qc - pc);
        if (sign * (hit - m[along]) <= 0.0) continue;
        for (const auto& owner : o.owners) {
            if (owner.second % 2 == 0) continue;
            m_Parity[std::size_t(owner.first)] ^= 1;
            m_Touched.push_back(owner.first);
        }
    }
    bool covered = false;
    int groupsInside = 0;
    for (int c : m_Touched) {
        if (m_Parity[std::size_t(c)] == 0) continue;
        m_Parity[std::size_t(c)] = 0;  // a contour listed twice counts once
        if (rule == RULE_UNION) {
            covered = true;
        } else if (m_GroupCount[std::size_t(m_Group[std::size_t(c)])]++ == 0) {
            ++groupsInside;
        }
    }
    for (int c : m_Touched) {
        m_Parity[std::size_t(c)] = 0;
        if (rule == RULE_NESTED) m_GroupCount[std::size_t(m_Group[std::size_t(c)])] = 0;
    }
    return rule == RULE_UNION ? covered : groupsInside % 2 == 1;
}

int G3RegionBoolean::Resolve(Rule rule, G3Surface* work, int32_t flags, GArrayCollection* out) {
    if (work == nullptr || out == nullptr || m_Edges.empty()) return 0;
    BuildGraph();
    if (m_Graph.empty()) return 0;
    SortVertexFans();
    if (rule == RULE_NESTED) FormGroups();
    m_Parity.assign(std::size_t(std::max(m_ContourCount, 1)), 0);
    m_GroupCount.assign(m_Parity.size(), 0);

    // Bands of about one edge's extent each, for the rays.
    double lo[2] = {kHuge, kHuge}, hi[2] = {-kHuge, -kHuge};
    for (const Point& v : m_Vertices) {
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], v.xyz[k == 0 ? m_X : m_Y]);
            hi[k] = std::max(hi[k], v.xyz[k == 0 ? m_X : m_Y]);
        }
    }
    const int count =
        static_cast<int>(std::clamp(std::sqrt(static_cast<double>(m_Graph.size())), 1.0, 4096.0));
    for (int k = 0; k < 2; ++k) {
        m_Low[k] = lo[k];
        m_Step[k] = std::max((hi[k] - lo[k]) / count, m_Tol);
    }
    m_Rows.assign(std::size_t(count), {});
    m_Columns.assign(std::size_t(count), {});
    for (std::size_t g = 0; g < m_Graph.size(); ++g) {
        const double* p = m_Vertices[std::size_t(m_Graph[g].a)].xyz;
        const double* q = m_Vertices[std::size_t(m_Graph[g].b)].xyz;
        for (int k = 0; k < 2; ++k) {
            const int axis = k == 0 ? m_X : m_Y;
            auto band = [&](double c) {
                return std::clamp(static_cast<int>(std::floor((c - m_Low[k]) / m_Step[k])), 0,
                                  count - 1);
            };
            std::vector<std::vector<int>>& bands = k == 0 ? m_Columns : m_Rows;
            for (int b = band(std::min(p[axis], q[axis])); b <= band(std::max(p[axis], q[axis]));
                 ++b)
                bands[std::size_t(b)].push_back(static_cast<int>(g));
        }
    }

    // Every face boundary cycle (the face on its left) is covered or not as a whole: the
    // ray leaves from its longest edge.
    const std::size_t halves = 2 * m_Graph.size();
    std::vector<int> cycle(halves, -1);
    std::vector<uint8_t> covered;
    std::vector<int> members;
    for (std::size_t first = 0; first < halves; ++first) {
        if (cycle[first] >= 0) continue;
        const int id = static_cast<int>(covered.size());
        members.clear();
        int longest = -1;
        double longestLength = -1.0;
        for (int h = static_cast<int>(first); cycle[std::size_t(h)] < 0;) {
            cycle[std::size_t(h)] = id;
            members.push_back(h);
            const GraphEdge& e = m_Graph[std::size_t(h / 2)];
            const double* a = m_Vertices[std::size_t(e.a)].xyz;
            const double* b = m_Vertices[std::size_t(e.b)].xyz;
            const double length = std::hypot(b[m_X] - a[m_X], b[m_Y] - a[m_Y]);
            if (length > longestLength) {
                longest = h;
                longestLength = length;
            }
            const int head = (h & 1) == 0 ? e.b : e.a;
            const std::vector<int>& fan = m_Fans[std::size_t(head)];
            const int n = static_cast<int>(fan.size());
            const int back = m_FanPosition[std::size_t(h ^ 1)];
            h = fan[std::size_t((back + n - 1) % n)];
        }
        covered.push_back(IsLeftCovered(longest, rule) ? 1 : 0);
    }

    // The boundary, with the covered region on the left of every edge.
    std::vector<G3Vertex*> made(m_Vertices.size(), nullptr);
    auto vertex = [&](int v) {
        if (made[std::size_t(v)] == nullptr) {
            made[std::size_t(v)] = work->AddVertex(m_Vertices[std::size_t(v)].xyz, 0);
            const int id = made[std::size_t(v)]->GetId();
            if (id >= static_cast<int>(m_PointOfWorkVertex.size()))
                m_PointOfWorkVertex.resize(std::size_t(id) + 1, -1);
            m_PointOfWorkVertex[std::size_t(id)] = m_VertexPoint[std::size_t(v)];
        }
        return made[std::size_t(v)];
    };
    for (std::size_t g = 0; g < m_Graph.size(); ++g) {
        const bool left = covered[std::size_t(cycle[2 * g])] != 0;
        const bool right = covered[std::size_t(cycle[2 * g + 1])] != 0;
        if (left == right) continue;
        G3Vertex* from = vertex(left ? m_Graph[g].a : m_Graph[g].b);
        G3Vertex* to = vertex(left ? m_Graph[g].b : m_Graph[g].a);
        G3Edge* e = work->AddEdge(from, to, nullptr);
        if (e == nullptr) continue;
        e->SetFlags(0);
        m_Made[PairKey(from->GetId(), to->GetId())] = {m_Graph[g].tag, from->GetId()};
    }
    const int first = out->size();
    const int traced = G3EdgeList::RemoveContours(work, m_X, m_Y, flags, 1, out);
    // The tracer walks edges either way: turn each contour to run like its edges were made.
    for (int i = first; i < out->size(); ++i) {
        auto* contour = static_cast<G3EdgeList*>(out->get(i));
        if (contour->isEmpty()) continue;
        const G3Edge* e = contour->GetEdgeAt(0);
        auto it = m_Made.find(PairKey(e->GetVertex1()->GetId(), e->GetVertex2()->GetId()));
        if (it == m_Made.end() || it->second.from == e->GetVertex1()->GetId()) continue;
        contour->Rotate();
        contour->Normalize();
    }
    return traced;
}

int G3RegionBoolean::GetTagOf(const G3Edge* e) const {
    if (e == nullptr) return -1;
    auto it = m_Made.find(PairKey(e->GetVertex1()->GetId(), e->GetVertex2()->GetId()));
    return it == m_Made.end() ? -1 : it->second.tag;
}

int G3RegionBoolean::GetPointOf(const G3Vertex* v) const {
    if (v == nullptr || v->GetId() < 0 ||
        v->GetId() >= static_cast<int>(m_PointOfWorkVertex.size()))
        return -1;
    const int point = m_PointOfWorkVertex[std::size_t(v->GetId())];
    if (point < 0) return -1;
    return 2 * m_Edges[std::size_t(point / 2)].tag + (point & 1);
}
