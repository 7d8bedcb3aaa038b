#include "polykern/boolean/G3BCSectionLoops.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace g3sectionloops {
namespace {

// Edges and corners closer than this in the plane's projection are left to the general
// way, which would split or weld them (its own tolerance is 1e-6).
constexpr double kApart = 1e-5;
// Heights closer than this make the tracer's choice of top-most corner depend on its
// scan order; such sections take the general way too.
constexpr double kTopMargin = 1e-6;
// 3D length under which the tracer's own weld could merge an edge's two ends.
constexpr double kShortest = 2e-6;

double PointSegment2(const double* p, const double* a, const double* b) {
    const double ux = b[0] - a[0], uy = b[1] - a[1];
    const double wx = p[0] - a[0], wy = p[1] - a[1];
    const double len2 = ux * ux + uy * uy;
    double t = len2 > 0.0 ? (wx * ux + wy * uy) / len2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    const double dx = wx - t * ux, dy = wy - t * uy;
    return dx * dx + dy * dy;
}

double Cross(const double* o, const double* a, const double* b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// Whether two segments that share no corner come within kApart of each other.
bool Near(const double* a, const double* b, const double* c, const double* d) {
    const double d1 = Cross(a, b, c), d2 = Cross(a, b, d);
    const double d3 = Cross(c, d, a), d4 = Cross(c, d, b);
    if (((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0 && d3 != 0 &&
        d4 != 0)
        return true;
    const double t2 = kApart * kApart;
    return PointSegment2(a, c, d) < t2 || PointSegment2(b, c, d) < t2 ||
           PointSegment2(c, a, b) < t2 || PointSegment2(d, a, b) < t2;
}

// The plan data of one section: each corner projected, each edge's corners.
struct Plan {
    const std::vector<std::pair<int, int>>& edges;
    const double* xy;

    const double* At(int corner) const { return xy + 2 * corner; }
    int Shared(int s, int t) const {
        const auto& e = edges[s];
        const auto& f = edges[t];
        if (e.first == f.first || e.first == f.second) return e.first;
        if (e.second == f.first || e.second == f.second) return e.second;
        return -1;
    }
    int Other(int s, int corner) const {
        return edges[s].first == corner ? edges[s].second : edges[s].first;
    }
    // Whether edges s and t come too close: apart from their shared corner, if any.
    bool TooClose(int s, int t) const {
        const int c = Shared(s, t);
        if (c < 0) {
            return Near(At(edges[s].first), At(edges[s].second), At(edges[t].first),
                        At(edges[t].second));
        }
        const int p = Other(s, c), q = Other(t, c);
        if (p == q) return true;  // the same two corners twice
        const double t2 = kApart * kApart;
        return PointSegment2(At(p), At(c), At(q)) < t2 || PointSegment2(At(q), At(c), At(p)) < t2;
    }
};

// Every pair of edges whose kApart boxes share a grid cell is tested once, in the cell
// holding the low corner of the boxes' overlap. The cells are about two edges long and
// hashed, so a section that follows a long curve reads a few edges per cell. False when
// two edges come too close, or when the edges are too uneven for such a grid.
bool KeepApart(const Plan& plan, LoopScratch* w) {
    const int n = static_cast<int>(plan.edges.size());
    double lo[2] = {HUGE_VAL, HUGE_VAL};
    double length = 0.0;
    for (const auto& e : plan.edges) {
        const double* a = plan.At(e.first);
        const double* b = plan.At(e.second);
        for (int k = 0; k < 2; ++k) lo[k] = std::min({lo[k], a[k], b[k]});
        length += std::hypot(b[0] - a[0], b[1] - a[1]);
    }
    const double cell = std::max(2.0 * length / n, 4.0 * kApart);
    if (!std::isfinite(cell) || !std::isfinite(lo[0]) || !std::isfinite(lo[1])) return false;
    auto cellOf = [&](double v, int k) {
        const double t = std::floor((v - lo[k]) / cell);
        return static_cast<int>(std::min(std::max(t, 0.0), 1e9));
    };
    w->ranges.resize(4 * static_cast<std::size_t>(n));
    long long total = 0;
    for (int s = 0; s < n; ++s) {
        const double* a = plan.At(plan.edges[s].first);
        const double* b = plan.At(plan.edges[s].second);
        int* r = &w->ranges[4 * static_cast<std::size_t>(s)];
        for (int k = 0; k < 2; ++k) {
            r[k] = cellOf(std::min(a[k], b[k]) - kApart, k);
            r[k + 2] = cellOf(std::max(a[k], b[k]) + kApart, k);
        }
        total += static_cast<long long>(r[2] - r[0] + 1) * (r[3] - r[1] + 1);
        if (total > 16LL * n + 1024) return false;
    }
    std::size_t buckets = 64;
    while (buckets < 2 * static_cast<std::size_t>(total)) buckets *= 2;
    auto bucketOf = [buckets](int x, int y) {
        std::uint64_t h = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
                          static_cast<std::uint32_t>(y);
        h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::size_t>((h ^ (h >> 31)) & (buckets - 1));
    };
    // Entries grouped by bucket in two passes (a counting sort); each keeps its cell.
    w->cellStart.assign(buckets + 1, 0);
    for (int s = 0; s < n; ++s) {
        const int* r = &w->ranges[4 * static_cast<std::size_t>(s)];
        for (int y = r[1]; y <= r[3]; ++y) {
            for (int x = r[0]; x <= r[2]; ++x) ++w->cellStart[bucketOf(x, y) + 1];
        }
    }
    for (std::size_t i = 0; i < buckets; ++i) w->cellStart[i + 1] += w->cellStart[i];
    w->cellItems.resize(3 * static_cast<std::size_t>(total));
    std::vector<int>& fill = w->cellFill;
    fill.assign(w->cellStart.begin(), w->cellStart.end() - 1);
    for (int s = 0; s < n; ++s) {
        const int* r = &w->ranges[4 * static_cast<std::size_t>(s)];
        for (int y = r[1]; y <= r[3]; ++y) {
            for (int x = r[0]; x <= r[2]; ++x) {
                int* item = &w->cellItems[3 * static_cast<std::size_t>(fill[bucketOf(x, y)]++)];
                item[0] = s;
                item[1] = x;
                item[2] = y;
            }
        }
    }
    for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
        const int b = w->cellStart[bucket], e = w->cellStart[bucket + 1];
        for (int i = b; i < e; ++i) {
            const int* p = &w->cellItems[3 * static_cast<std::size_t>(i)];
            const int* rs = &w->ranges[4 * static_cast<std::size_t>(p[0])];
            for (int j = i + 1; j < e; ++j) {
                const int* q = &w->cellItems[3 * static_cast<std::size_t>(j)];
                if (q[1] != p[1] || q[2] != p[2]) continue;  // another cell in the bucket
                const int* rt = &w->ranges[4 * static_cast<std::size_t>(q[0])];
                if (std::max(rs[0], rt[0]) != p[1] || std::max(rs[1], rt[1]) != p[2]) continue;
                if (plan.TooClose(p[0], q[0])) return false;
            }
        }
    }
    return true;
}

}  // namespace

bool TraceSimpleLoops(const std::vector<std::pair<int, int>>& edges,
                      const std::vector<G3Vertex*>& corners,
                      const double* plane,
                      GArrayCollection* out,
                      LoopScratch* w) {
    const int n = static_cast<int>(edges.size());
    const int m = static_cast<int>(corners.size());
    if (n < 3 || out == nullptr) return false;
    int ax = 0, ay = 1;
    G3Math::GetMaxCoo(plane, &ax, &ay);

    // Every corner an edge reaches has exactly two edges.
    w->degree.assign(m, 0);
    w->firstEdge.assign(m, -1);
    w->secondEdge.assign(m, -1);
    for (int s = 0; s < n; ++s) {
        for (int c : {edges[s].first, edges[s].second}) {
            if (c < 0 || c >= m) return false;
            int& d = w->degree[c];
            if (d == 2) return false;
            (d == 0 ? w->firstEdge[c] : w->secondEdge[c]) = s;
            ++d;
        }
        double len2 = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double d =
                corners[edges[s].second]->GetXYZ()[k] - corners[edges[s].first]->GetXYZ()[k];
            len2 += d * d;
        }
        if (!(len2 > kShortest * kShortest)) return false;
    }
    w->xy.resize(2 * static_cast<std::size_t>(m));
    for (int c = 0; c < m; ++c) {
        if (w->degree[c] == 1) return false;
        w->xy[2 * c] = corners[c]->GetXYZ()[ax];
        w->xy[2 * c + 1] = corners[c]->GetXYZ()[ay];
    }
    const Plan plan{edges, w->xy.data()};
    if (!KeepApart(plan, w)) return false;

    // The loops, each as its edges in walking order from its first edge.
    w->walked.assign(n, 0);
    w->order.clear();
    w->loopStart.clear();
    for (int s0 = 0; s0 < n; ++s0) {
        if (w->walked[s0]) continue;
        w->loopStart.push_back(static_cast<int>(w->order.size()));
        int s = s0, v = edges[s0].second;
        do {
            w->walked[s] = 1;
            w->order.push_back(s);
            s = w->firstEdge[v] == s ? w->secondEdge[v] : w->firstEdge[v];
            v = plan.Other(s, v);
        } while (s != s0);
    }
    const int loops = static_cast<int>(w->loopStart.size());
    w->loopStart.push_back(static_cast<int>(w->order.size()));

    // Each loop's top-most corner, clear of every other corner of its own and of every
    // lower loop, and the edge the tracer leaves it by.
    struct Top {
        double y, bandLow;
        int loop, corner, edge;
    };
    std::vector<Top> tops;
    tops.reserve(static_cast<std::size_t>(loops));
    for (int l = 0; l < loops; ++l) {
        const int b = w->loopStart[l], e = w->loopStart[l + 1];
        if (e - b < 3) return false;
        // The three highest corners: the tracer's top is the highest, or of two within
        // kTopMargin of each other (and clear of the rest) the one further along x.
        int high[3] = {-1, -1, -1};
        for (int i = b; i < e; ++i) {
            for (int c : {edges[w->order[i]].first, edges[w->order[i]].second}) {
                if (c == high[0] || c == high[1] || c == high[2]) continue;
                const double y = plan.At(c)[1];
                int k = 3;
                while (k > 0 && (high[k - 1] < 0 || plan.At(high[k - 1])[1] < y)) --k;
                if (k == 3) continue;
                for (int j = 2; j > k; --j) high[j] = high[j - 1];
                high[k] = c;
            }
        }
        const double y0 = plan.At(high[0])[1], y1 = plan.At(high[1])[1];
        const double y2 = high[2] >= 0 ? plan.At(high[2])[1] : -HUGE_VAL;
        int top = high[0];
        double bandLow = y0;
        if (!(y0 - y1 > kTopMargin)) {
            // A band of two: both clear of the rest and apart along x.
            if (!(y1 - y2 > kTopMargin)) return false;
            const double dx = plan.At(high[1])[0] - plan.At(high[0])[0];
            if (!(std::fabs(dx) > kTopMargin)) return false;
            if (dx > 0.0) top = high[1];
            bandLow = y1;
        }
        const int ea = w->firstEdge[top], eb = w->secondEdge[top];
        auto dxdy = [&](int s, double* dx, double* dy) {
            const double* o = plan.At(plan.Other(s, top));
            *dx = o[0] - plan.At(top)[0];
            *dy = o[1] - plan.At(top)[1];
        };
        double dxa, dya, dxb, dyb;
        dxdy(ea, &dxa, &dya);
        dxdy(eb, &dxb, &dyb);
        int leave = -1;
        // A level edge running back along x is taken at once; otherwise the steepest.
        const bool levelA = std::fabs(dya) < kTopMargin && dxa < 0.0;
        const bool levelB = std::fabs(dyb) < kTopMargin && dxb < 0.0;
        if (levelA && levelB) return false;
        if (levelA || levelB) {
            leave = levelA ? ea : eb;
        } else {
            // Neither runs level (both neighbours lie clear below, or the other band
            // corner lies ahead along x, which the tracer also keys by dx/dy).
            if (std::fabs(dya) < kTopMargin || std::fabs(dyb) < kTopMargin) return false;
            const double ka = dxa / dya, kb = dxb / dyb;
            if (!(ka != kb)) return false;
            leave = ka > kb ? ea : eb;
        }
        tops.push_back({y0, bandLow, l, top, leave});
    }
    std::sort(tops.begin(), tops.end(), [](const Top& a, const Top& b) { return a.y > b.y; });
    for (int l = 1; l < loops; ++l) {
        if (!(tops[l - 1].bandLow - tops[l].y > kTopMargin)) return false;
    }

    // The contours as the tracer makes them: the leaving edge, then on round the loop.
    constexpr int32_t kEdgeFlags = 1 & ~(G3OBJ_MARK | G3OBJ_MARK2);
    const int first = out->size();
    for (const Top& t : tops) {
        auto* contour = new G3EdgeList(1, 1);
        int s = t.edge, v = plan.Other(t.edge, t.corner);
        do {
            contour->AddEdge(corners[edges[s].first], corners[edges[s].second], nullptr, nullptr,
                             nullptr, nullptr, kEdgeFlags);
            s = w->firstEdge[v] == s ? w->secondEdge[v] : w->firstEdge[v];
            v = plan.Other(s, v);
        } while (s != t.edge);
        contour->Normalize();
        contour->SetPlane(plane);
        contour->FormEnvelope();
        out->add(contour);
    }
    for (int i = out->size() - 1; i >= first; --i)
        static_cast<G3EdgeList*>(out->get(i))->OrientLike(plane);
    return true;
}

}  // namespace g3sectionloops
