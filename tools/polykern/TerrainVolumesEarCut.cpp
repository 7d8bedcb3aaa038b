// Ear cutting in plan for the facets of a terrain sheet that are not triangles: every hole
// is bridged into the outline first, so that one ring is cut down ear by ear.

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/polykern/TerrainVolumes.h"

namespace pkcli {

namespace {

using Points = std::vector<const double*>;

double Cross(const double* o, const double* a, const double* b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

double TwiceArea(const Points& p, const std::vector<int>& ring) {
    double a = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const double* u = p[std::size_t(ring[i])];
        const double* v = p[std::size_t(ring[(i + 1) % ring.size()])];
        a += u[0] * v[1] - v[0] * u[1];
    }
    return a;
}

bool SamePlace(const double* a, const double* b) {
    return a[0] == b[0] && a[1] == b[1];
}

// p in the closed counter-clockwise triangle a b c.
bool InTriangle(const double* a, const double* b, const double* c, const double* p) {
    return Cross(a, b, p) >= 0.0 && Cross(b, c, p) >= 0.0 && Cross(c, a, p) >= 0.0;
}

// Splices the clockwise hole into the counter-clockwise ring through a bridge from the
// hole's rightmost point to a ring point it sees: the ray towards +x finds the nearest
// ring edge, and a reflex ring point inside the triangle of the ray's hit and that
// edge's right end, nearest the ray in angle, takes the end's place.
void Bridge(const Points& p, const std::vector<int>& hole, std::vector<int>* ring) {
    std::size_t m = 0;
    for (std::size_t i = 1; i < hole.size(); ++i)
        if (p[std::size_t(hole[i])][0] > p[std::size_t(hole[m])][0]) m = i;
    const double* mp = p[std::size_t(hole[m])];
    const std::vector<int>& r = *ring;
    const std::size_t n = r.size();
    double hitX = HUGE_VAL;
    std::size_t at = n;
    for (std::size_t i = 0; i < n; ++i) {
        const double* a = p[std::size_t(r[i])];
        const double* b = p[std::size_t(r[(i + 1) % n])];
        if ((a[1] > mp[1]) == (b[1] > mp[1])) continue;
        const double x = a[0] + (mp[1] - a[1]) / (b[1] - a[1]) * (b[0] - a[0]);
        if (x < mp[0] || x >= hitX) continue;
        hitX = x;
        at = a[0] > b[0] ? i : (i + 1) % n;
    }
    if (at == n) {
        // No edge to the right (a hole outside its outline): the nearest ring point.
        double best = HUGE_VAL;
        for (std::size_t i = 0; i < n; ++i) {
            const double* a = p[std::size_t(r[i])];
            const double d = std::hypot(a[0] - mp[0], a[1] - mp[1]);
            if (d < best) best = d, at = i;
        }
    } else {
        const double hit[2] = {hitX, mp[1]};
        const double* end = p[std::size_t(r[at])];
        const double* t0 = mp;
        const double* t1 = hit[1] < end[1] ? hit : end;
        const double* t2 = hit[1] < end[1] ? end : hit;
        double bestTan = HUGE_VAL;
        const std::size_t endAt = at;
        for (std::size_t i = 0; i < n; ++i) {
            const double* q = p[std::size_t(r[i])];
            if (i == endAt || SamePlace(q, end) || q[0] < mp[0]) continue;
            const double* prev = p[std::size_t(r[(i + n - 1) % n])];
            const double* next = p[std::size_t(r[(i + 1) % n])];
            if (Cross(prev, q, next) > 0.0 || !InTriangle(t0, t1, t2, q)) continue;
            const double tan = std::fabs(q[1] - mp[1]) / std::max(q[0] - mp[0], 1e-300);
            if (tan < bestTan) bestTan = tan, at = i;
        }
    }
    std::vector<int> out;
    out.reserve(n + hole.size() + 2);
    out.insert(out.end(), r.begin(), r.begin() + long(at) + 1);
    for (std::size_t k = 0; k <= hole.size(); ++k) out.push_back(hole[(m + k) % hole.size()]);
    out.insert(out.end(), r.begin() + long(at), r.end());
    *ring = std::move(out);
}

// b is an ear of the ring: convex, and no other live ring point (other than copies of
// a, b or c made by bridges) lies in the triangle a b c.
bool IsEar(const Points& p,
           const std::vector<int>& ring,
           const std::vector<int>& next,
           int a,
           int b,
           int c) {
    const double* pa = p[std::size_t(ring[std::size_t(a)])];
    const double* pb = p[std::size_t(ring[std::size_t(b)])];
    const double* pc = p[std::size_t(ring[std::size_t(c)])];
    for (int i = next[std::size_t(c)]; i != a; i = next[std::size_t(i)]) {
        const double* q = p[std::size_t(ring[std::size_t(i)])];
        if (SamePlace(q, pa) || SamePlace(q, pb) || SamePlace(q, pc)) continue;
        if (InTriangle(pa, pb, pc, q)) return false;
    }
    return true;
}

}  // namespace

void TriangulatePlanLoops(const Points& points,
                          const std::vector<int>& loopEnds,
                          std::vector<int>* triangles) {
    std::vector<std::vector<int>> loops;
    int begin = 0;
    for (int end : loopEnds) {
        end = std::min(end, int(points.size()));
        if (end - begin >= 3) {
            loops.emplace_back();
            for (int i = begin; i < end; ++i) loops.back().push_back(i);
        }
        begin = std::max(begin, end);
    }
    if (loops.empty()) return;
    // The outline is the loop of largest area; it runs counter-clockwise, holes clockwise.
    std::size_t outer = 0;
    for (std::size_t k = 1; k < loops.size(); ++k)
        if (std::fabs(TwiceArea(points, loops[k])) > std::fabs(TwiceArea(points, loops[outer])))
            outer = k;
    std::swap(loops[0], loops[outer]);
    for (std::size_t k = 0; k < loops.size(); ++k) {
        const double a = TwiceArea(points, loops[k]);
        if ((k == 0) == (a < 0.0)) std::reverse(loops[k].begin(), loops[k].end());
    }
    // Holes go in from the rightmost one, so each bridge crosses no hole still left out.
    auto rightmost = [&](const std::vector<int>& l) {
        double x = -HUGE_VAL;
        for (int i : l) x = std::max(x, points[std::size_t(i)][0]);
        return x;
    };
    std::sort(loops.begin() + 1, loops.end(),
              [&](const auto& u, const auto& v) { return rightmost(u) > rightmost(v); });
    std::vector<int> ring = loops[0];
    for (std::size_t k = 1; k < loops.size(); ++k) Bridge(points, loops[k], &ring);

    const int n = int(ring.size());
    std::vector<int> prev(static_cast<std::size_t>(n)), next(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        prev[std::size_t(i)] = (i + n - 1) % n;
        next[std::size_t(i)] = (i + 1) % n;
    }
    int live = n, b = 0, stalled = 0;
    while (live > 3) {
        const int a = prev[std::size_t(b)], c = next[std::size_t(b)];
        const double turn = Cross(points[std::size_t(ring[std::size_t(a)])],
                                  points[std::size_t(ring[std::size_t(b)])],
                                  points[std::size_t(ring[std::size_t(c)])]);
        // A corner that turns nowhere goes without a triangle; after a whole round without
        // an ear (rounding on a nearly degenerate ring) the current corner goes anyway.
        const bool ear = turn > 0.0 && IsEar(points, ring, next, a, b, c);
        if (ear || turn == 0.0 || stalled > live) {
            if (turn > 0.0) {
                triangles->push_back(ring[std::size_t(a)]);
                triangles->push_back(ring[std::size_t(b)]);
                triangles->push_back(ring[std::size_t(c)]);
            }
            next[std::size_t(a)] = c;
            prev[std::size_t(c)] = a;
            --live;
            stalled = 0;
            b = a;
            continue;
        }
        ++stalled;
        b = c;
    }
    const int a = prev[std::size_t(b)], c = next[std::size_t(b)];
    if (Cross(points[std::size_t(ring[std::size_t(a)])], points[std::size_t(ring[std::size_t(b)])],
              points[std::size_t(ring[std::size_t(c)])]) > 0.0) {
        triangles->push_back(ring[std::size_t(a)]);
        triangles->push_back(ring[std::size_t(b)]);
        triangles->push_back(ring[std::size_t(c)]);
    }
}

}  // namespace pkcli
