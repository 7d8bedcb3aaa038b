// From the skeleton's arcs to the faces: every vertex of the wavefront traced one arc from
// the node where it was made to the node where it ended, with the face of its left edge on
// one side and that of its right edge on the other. Nodes that coincide are welded first,
// so that simultaneous events at one place give one corner.

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "polykern/roof/G3RoofSkeleton.h"

namespace {

constexpr double kWeld = 1e-7;

int Find(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Welds nodes closer than kWeld in every coordinate; returns each node's representative.
std::vector<int> WeldNodes(const std::vector<std::array<double, 3>>& nodes) {
    std::vector<int> order(nodes.size()), parent(nodes.size());
    std::iota(order.begin(), order.end(), 0);
    std::iota(parent.begin(), parent.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return nodes[a][0] < nodes[b][0]; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto& a = nodes[order[i]];
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const auto& b = nodes[order[j]];
            if (b[0] - a[0] > kWeld) break;
            if (std::fabs(b[1] - a[1]) <= kWeld && std::fabs(b[2] - a[2]) <= kWeld) {
                const int ra = Find(parent, order[i]), rb = Find(parent, order[j]);
                if (ra != rb) parent[std::max(ra, rb)] = std::min(ra, rb);
            }
        }
    }
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = Find(parent, static_cast<int>(i));
    return parent;
}

}  // namespace

bool G3RoofSkeleton::CollectFaces() {
    const std::vector<int> rep = WeldNodes(m_Nodes);
    for (const Vertex& v : m_Verts) {
        if (v.end < 0 || v.end == v.start) continue;
        m_Extra[v.left].push_back({v.start, v.end});
        m_Extra[v.right].push_back({v.end, v.start});
    }
    m_Faces.assign(m_Edges.size(), {});
    for (std::size_t e = 0; e < m_Edges.size(); ++e) {
        // Welded segments; a segment and its reverse cancel (a face folded onto itself).
        std::vector<Segment> segs;
        for (const Segment& s : m_Extra[e]) {
            const Segment w{rep[s.from], rep[s.to]};
            if (w.from != w.to) segs.push_back(w);
        }
        std::vector<bool> used(segs.size(), false);
        std::unordered_map<long long, std::vector<int>> byPair;
        auto key = [](int a, int b) { return (static_cast<long long>(a) << 32) | unsigned(b); };
        for (std::size_t i = 0; i < segs.size(); ++i) {
            auto it = byPair.find(key(segs[i].to, segs[i].from));
            if (it != byPair.end() && !it->second.empty()) {
                used[it->second.back()] = true;
                used[i] = true;
                it->second.pop_back();
                continue;
            }
            byPair[key(segs[i].from, segs[i].to)].push_back(static_cast<int>(i));
        }
        std::unordered_map<int, std::vector<int>> out;
        for (std::size_t i = 0; i < segs.size(); ++i) {
            if (!used[i]) out[segs[i].from].push_back(static_cast<int>(i));
        }
        for (std::size_t i = 0; i < segs.size(); ++i) {
            if (used[i]) continue;
            Ring ring;
            const int start = segs[i].from;
            int at = static_cast<int>(i);
            std::size_t guard = 0;
            while (true) {
                used[at] = true;
                const auto& c = m_Nodes[segs[at].from];
                ring.push_back({c[0], c[1], c[2]});
                const int to = segs[at].to;
                if (to == start) break;
                auto& next = out[to];
                int pick = -1;
                while (!next.empty()) {
                    const int k = next.back();
                    next.pop_back();
                    if (!used[k]) {
                        pick = k;
                        break;
                    }
                }
                if (pick < 0 || ++guard > segs.size()) return false;
                at = pick;
            }
            if (ring.size() >= 3) m_Faces[e].push_back(std::move(ring));
        }
    }
    return true;
}
