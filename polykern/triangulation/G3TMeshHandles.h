#pragma once

// The oriented-triangle handle algebra and the tolerant predicates shared by the
// triangulator's construction, segment insertion and point location. Internal.

#include <cmath>
#include <cstdint>
#include <vector>

#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TReal.h"
#include "polykern/triangulation/G3TTriangle.h"

namespace pktri {

using Point = G3TMesh::SortedPoint;

constexpr int kNext[3] = {1, 2, 0};
constexpr int kPrev[3] = {2, 0, 1};
/// The handle of the outside triangle.
constexpr uint32_t kOutside = 0;

inline uint32_t MakeHandle(uint32_t t, int o) {
    return t << 2 | static_cast<uint32_t>(o);
}
inline uint32_t TriOf(uint32_t h) {
    return h >> 2;
}
inline int OriOf(uint32_t h) {
    return static_cast<int>(h & 3u);
}
inline uint32_t Lnext(uint32_t h) {
    return (h & ~3u) | static_cast<uint32_t>(kNext[h & 3u]);
}
inline uint32_t Lprev(uint32_t h) {
    return (h & ~3u) | static_cast<uint32_t>(kPrev[h & 3u]);
}

/// Reads and rewires triangles through handles. Holds the array by reference, so it stays
/// valid while triangles are appended.
class Triangles {
public:
    Triangles(std::vector<G3TTriangle>& tris, std::vector<int32_t>& sideEdges)
        : m_T(tris), m_E(sideEdges) {}

    G3TTriangle& At(uint32_t h) { return m_T[TriOf(h)]; }
    const G3TTriangle& At(uint32_t h) const { return m_T[TriOf(h)]; }
    int32_t Org(uint32_t h) const { return At(h).corner[kNext[OriOf(h)]]; }
    int32_t Dest(uint32_t h) const { return At(h).corner[kPrev[OriOf(h)]]; }
    int32_t Apex(uint32_t h) const { return At(h).corner[OriOf(h)]; }
    void SetOrg(uint32_t h, int32_t v) { At(h).corner[kNext[OriOf(h)]] = v; }
    void SetDest(uint32_t h, int32_t v) { At(h).corner[kPrev[OriOf(h)]] = v; }
    void SetApex(uint32_t h, int32_t v) { At(h).corner[OriOf(h)] = v; }
    /// The neighbour across the handle's edge, seen from its side.
    uint32_t Sym(uint32_t h) const { return At(h).neighbour[OriOf(h)]; }
    void Bond(uint32_t a, uint32_t b) {
        At(a).neighbour[OriOf(a)] = b;
        At(b).neighbour[OriOf(b)] = a;
    }
    void Dissolve(uint32_t h) { At(h).neighbour[OriOf(h)] = kOutside; }
    /// The next edge counter-clockwise around the origin.
    uint32_t Onext(uint32_t h) const { return Sym(Lprev(h)); }
    /// The constraint edge on the handle's side, or −1.
    int32_t EdgeOf(uint32_t h) const {
        return m_E.empty() ? -1 : m_E[3 * static_cast<std::size_t>(TriOf(h)) + OriOf(h)];
    }
    void SetEdgeOf(uint32_t h, int32_t e) {
        if (m_E.empty()) {
            if (e < 0) return;
            m_E.assign(3 * m_T.size(), -1);
        }
        m_E[3 * static_cast<std::size_t>(TriOf(h)) + OriOf(h)] = e;
    }
    /// A new triangle with no corners and no neighbours; its handle at orientation 0.
    uint32_t Make() {
        m_T.emplace_back();
        return MakeHandle(static_cast<uint32_t>(m_T.size() - 1), 0);
    }

private:
    std::vector<G3TTriangle>& m_T;
    std::vector<int32_t>& m_E;
};

/// Twice the signed area of (a, b, c): positive when they run counter-clockwise.
inline G3TReal Orient(const Point& a, const Point& b, const Point& c) {
    return (a.u - c.u) * (b.v - c.v) - (a.v - c.v) * (b.u - c.u);
}

/// 1 when d lies inside the circle through the counter-clockwise a, b, c, -1 outside and
/// 0 on it. "On" means within a small part of the sizes of the determinant's terms, not
/// within a fixed amount: the determinant grows with the fourth power of the points'
/// spacing, so a fixed tolerance would call every circle of a few centimetres a tie, and
/// ties taken that coarsely contradict each other and leave points out of the mesh.
inline G3TReal InCircle(const Point& a, const Point& b, const Point& c, const Point& d) {
    const double adx = a.u - d.u, ady = a.v - d.v;
    const double bdx = b.u - d.u, bdy = b.v - d.v;
    const double cdx = c.u - d.u, cdy = c.v - d.v;
    const double alift = adx * adx + ady * ady;
    const double blift = bdx * bdx + bdy * bdy;
    const double clift = cdx * cdx + cdy * cdy;
    const double bc = bdx * cdy - cdx * bdy, ca = cdx * ady - adx * cdy, ab = adx * bdy - bdx * ady;
    const double det = alift * bc + blift * ca + clift * ab;
    const double size = alift * (std::fabs(bdx * cdy) + std::fabs(cdx * bdy)) +
                        blift * (std::fabs(cdx * ady) + std::fabs(adx * cdy)) +
                        clift * (std::fabs(adx * bdy) + std::fabs(bdx * ady));
    constexpr double kTie = 1e-12;  // well above the rounding of the terms (about 1e-15)
    if (det > kTie * size) return 1.0;
    if (det < -kTie * size) return -1.0;
    return 0.0;
}

}  // namespace pktri
