#include "RegionTestKit.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pkregions {

namespace {

double Cross(const Pt& o, const Pt& a, const Pt& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

double SegmentDistance(const Pt& a, const Pt& b, const Pt& q) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((q[0] - a[0]) * dx + (q[1] - a[1]) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a[0] + t * dx - q[0], a[1] + t * dy - q[1]);
}

// Whether the segments meet at all (within tol), or with `proper` only cross at a point
// inside both.
bool SegmentsMeet(const Pt& a, const Pt& b, const Pt& c, const Pt& d, double tol, bool proper) {
    const double d1 = Cross(a, b, c), d2 = Cross(a, b, d), d3 = Cross(c, d, a), d4 = Cross(c, d, b);
    const double la = std::hypot(b[0] - a[0], b[1] - a[1]),
                 lc = std::hypot(d[0] - c[0], d[1] - c[1]);
    const double ta = tol * la, tc = tol * lc;
    const bool cross = ((d1 > ta && d2 < -ta) || (d1 < -ta && d2 > ta)) &&
                       ((d3 > tc && d4 < -tc) || (d3 < -tc && d4 > tc));
    if (proper || cross) return cross;
    return SegmentDistance(a, b, c) <= tol || SegmentDistance(a, b, d) <= tol ||
           SegmentDistance(c, d, a) <= tol || SegmentDistance(c, d, b) <= tol;
}

}  // namespace

double SignedArea(const Polygon& p) {
    double a = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Pt& u = p[i];
        const Pt& v = p[(i + 1) % p.size()];
        a += u[0] * v[1] - v[0] * u[1];
    }
    return 0.5 * a;
}

bool Inside(const Polygon& p, const Pt& q) {
    bool in = false;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i][1] > q[1]) != (p[j][1] > q[1]) &&
            q[0] < p[j][0] + (q[1] - p[j][1]) * (p[i][0] - p[j][0]) / (p[i][1] - p[j][1]))
            in = !in;
    }
    return in;
}

bool OutlinesMeet(const Polygon& a, const Polygon& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (std::size_t k = 0; k < b.size(); ++k) {
            if (SegmentsMeet(a[i], a[(i + 1) % a.size()], b[k], b[(k + 1) % b.size()], 1e-9, false))
                return true;
        }
    }
    return false;
}

Coverage::Coverage(const std::vector<Polygon>& polygons) : m_Polygons(polygons) {
    std::vector<int> parent(polygons.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&parent](int x) {
        while (parent[std::size_t(x)] != x) x = parent[std::size_t(x)];
        return x;
    };
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        for (std::size_t k = i + 1; k < polygons.size(); ++k) {
            if (OutlinesMeet(polygons[i], polygons[k]))
                parent[std::size_t(root(int(i)))] = root(int(k));
        }
    }
    m_Group.resize(polygons.size());
    for (std::size_t i = 0; i < polygons.size(); ++i) m_Group[i] = root(int(i));
    m_GroupCount = int(polygons.size());
}

bool Coverage::Covers(const Pt& q) const {
    std::vector<bool> inGroup(std::size_t(m_GroupCount), false);
    for (std::size_t i = 0; i < m_Polygons.size(); ++i) {
        if (Inside(m_Polygons[i], q)) inGroup[std::size_t(m_Group[i])] = true;
    }
    return std::count(inGroup.begin(), inGroup.end(), true) % 2 == 1;
}

double DistanceToOutlines(const std::vector<Polygon>& polygons, const Pt& q) {
    double best = 1e300;
    for (const Polygon& p : polygons) {
        for (std::size_t i = 0; i < p.size(); ++i)
            best = std::min(best, SegmentDistance(p[i], p[(i + 1) % p.size()], q));
    }
    return best;
}

::testing::AssertionResult NoContourCrosses(const std::vector<Polygon>& contours) {
    for (std::size_t c = 0; c < contours.size(); ++c) {
        for (std::size_t d = c; d < contours.size(); ++d) {
            const Polygon& a = contours[c];
            const Polygon& b = contours[d];
            for (std::size_t i = 0; i < a.size(); ++i) {
                for (std::size_t k = 0; k < b.size(); ++k) {
                    if (SegmentsMeet(a[i], a[(i + 1) % a.size()], b[k], b[(k + 1) % b.size()], 1e-9,
                                     true))
                        return ::testing::AssertionFailure()
                               << "edge " << i << " of contour " << c << " crosses edge " << k
                               << " of contour " << d;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<Polygon> RandomPolygonSet(std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Polygon> set;
    const int count = 2 + static_cast<int>(unit(rng) * 5);
    for (int n = 0; n < count; ++n) {
        const double cx = 10 * unit(rng), cy = 10 * unit(rng);
        Polygon p;
        if (unit(rng) < 0.5) {
            const double w = 1 + 4 * unit(rng), h = 1 + 4 * unit(rng);
            const double turn = unit(rng) < 0.5 ? 0.0 : 3.14159 * unit(rng);
            const double c = std::cos(turn), s = std::sin(turn);
            for (const Pt& corner : {Pt{-w, -h}, Pt{w, -h}, Pt{w, h}, Pt{-w, h}})
                p.push_back(
                    {cx + c * corner[0] - s * corner[1], cy + s * corner[0] + c * corner[1]});
        } else {
            const int corners = 3 + static_cast<int>(unit(rng) * 8);
            std::vector<double> angles;
            for (int k = 0; k < corners; ++k) angles.push_back(6.2831853 * unit(rng));
            std::sort(angles.begin(), angles.end());
            for (double a : angles) {
                const double r = 1 + 4 * unit(rng);
                p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
            }
        }
        if (std::fabs(SignedArea(p)) < 0.05) continue;
        if (unit(rng) < 0.3) std::reverse(p.begin(), p.end());
        set.push_back(p);
        if (unit(rng) < 0.25) {
            // A copy scaled about its centre lies inside it, apart from its outline.
            Pt centre{cx, cy};
            Polygon inner;
            for (const Pt& q : p)
                inner.push_back(
                    {centre[0] + 0.4 * (q[0] - centre[0]), centre[1] + 0.4 * (q[1] - centre[1])});
            if (unit(rng) < 0.5) std::reverse(inner.begin(), inner.end());
            set.push_back(inner);
        }
    }
    return set;
}

}  // namespace pkregions
