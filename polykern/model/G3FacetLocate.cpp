// Point location in a facet, interior points and the side of a facet's edge.

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Vertex.h"

namespace {

int Sign(double d, double tol) {
    if (!(std::fabs(d) >= tol)) return 0;
    return d >= 0.0 ? 1 : -1;
}

struct Probe {
    G3Vertex* v;
    double dx, dy;
    int sx, sy;
};

Probe MakeProbe(G3Vertex* v, const double* p, int i, int j, double tol) {
    Probe q{v, v->GetXYZ(i) - p[i], v->GetXYZ(j) - p[j], 0, 0};
    q.sx = Sign(q.dx, tol);
    q.sy = Sign(q.dy, tol);
    return q;
}

bool Hit(G3Vertex* a, G3Vertex* b, G3Vertex** hitA, G3Vertex** hitB) {
    if (b != nullptr && std::less<G3Vertex*>()(b, a)) std::swap(a, b);
    if (hitA != nullptr) *hitA = a;
    if (hitB != nullptr) *hitB = b;
    return true;
}

std::vector<G3Vertex*> WalkVertices(const G3Facet* f) {
    std::vector<G3Vertex*> out;
    for (G3FacetVertexIterator it(f); it.hasNext();)
        out.push_back(static_cast<G3Vertex*>(it.next()));
    return out;
}

}  // namespace

// A crossing-number test along the ray from p towards +i, detecting the boundary first.
// Vertices on the ray's line count as lying below it, so a ray through a vertex counts
// the boundary once.
bool G3Facet::PointInFacet(int i,
                           int j,
                           const double* p,
                           GIterator* vertices,
                           G3Vertex** hitA,
                           G3Vertex** hitB,
                           double tol) {
    if (hitA != nullptr) *hitA = nullptr;
    if (hitB != nullptr) *hitB = nullptr;
    if (vertices == nullptr || !vertices->hasNext()) return false;
    const Probe first = MakeProbe(static_cast<G3Vertex*>(vertices->next()), p, i, j, tol);
    if (first.sx == 0 && first.sy == 0) return Hit(first.v, nullptr, hitA, hitB);
    Probe prev = first;
    int crossings = 0;
    bool closing = false;
    while (!closing) {
        Probe cur;
        if (vertices->hasNext()) {
            cur = MakeProbe(static_cast<G3Vertex*>(vertices->next()), p, i, j, tol);
        } else {
            cur = first;
            closing = true;
        }
        if (cur.sx == 0 && cur.sy == 0) return Hit(cur.v, nullptr, hitA, hitB);
        if (prev.sy == 0 && cur.sy == 0) {
            if (prev.sx == -cur.sx) return Hit(prev.v, cur.v, hitA, hitB);
        } else if (prev.sy == -cur.sy) {
            // A strict crossing: both ends off the ray's line, on opposite sides.
            const double xc = (prev.dx * cur.dy - cur.dx * prev.dy) / (cur.dy - prev.dy);
            if (std::fabs(xc) < tol) return Hit(prev.v, cur.v, hitA, hitB);
            if (xc > 0.0) ++crossings;
        } else if (prev.sy == 1 && cur.sy == 0) {
            if (cur.sx == 1) ++crossings;
        } else if (prev.sy == 0 && cur.sy == 1) {
            if (prev.sx == 1) ++crossings;
        }
        prev = cur;
    }
    return crossings % 2 == 1;
}

bool G3Facet::PointInFacet(
    int i, int j, const double* p, G3Vertex** hitA, G3Vertex** hitB, double tol) const {
    G3FacetVertexIterator walk(this);
    return PointInFacet(i, j, p, &walk, hitA, hitB, tol);
}

bool G3Facet::PointInFacetXY(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(0, 1, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(0, 2, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetYZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const {
    return PointInFacet(1, 2, p, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXY(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 1, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetXZ(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(0, 2, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacetYZ(const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB) {
    return PointInFacet(1, 2, p, vertices, hitA, hitB, 1e-6);
}

bool G3Facet::PointInFacet(const double* p, G3Vertex** hitA, G3Vertex** hitB, double* depth) const {
    if (!PointInFacetXY(p, hitA, hitB)) return false;
    if (depth != nullptr) *depth = CalcDepth(p[0], p[1]);
    return true;
}

bool G3Facet::GeneratePointInFacetConcave(int i, int j, double* out) const {
    GArrayCollection vertices(16, 16);
    GetVertices(&vertices);
    return GeneratePointInFacetConcave(i, j, out, &vertices);
}

// Tries the centroids of consecutive vertex triples, last first: a strictly interior one
// wins at once, one on the boundary is kept in case none is found.
bool G3Facet::GeneratePointInFacetConcave(int i, int j, double* out, GArrayCollection* vertices) {
    const int n = vertices != nullptr ? vertices->size() : 0;
    bool found = false;
    for (int k = n - 1; k >= 0; --k) {
        double c[3] = {0.0, 0.0, 0.0};
        for (int m = 0; m < 3; ++m) {
            const auto* v = static_cast<G3Vertex*>(vertices->get((k + m) % n));
            for (int a = 0; a < 3; ++a) c[a] += v->GetXYZ(a) / 3.0;
        }
        GObjArrayIterator walk(n, vertices->toArray());
        G3Vertex *hitA, *hitB;
        if (!PointInFacet(i, j, c, &walk, &hitA, &hitB, 1e-6)) continue;
        for (int a = 0; a < 3; ++a) out[a] = c[a];
        found = true;
        if (hitA == nullptr) return true;
    }
    return found;
}

bool G3Facet::GenerateXYPointInFacetConcave(double& x, double& y) const {
    const std::vector<G3Vertex*> v = WalkVertices(this);
    if (v.empty()) return false;
    double ymax = v[0]->GetY(), ymin = v[0]->GetY();
    for (const G3Vertex* w : v) {
        ymax = std::max(ymax, w->GetY());
        ymin = std::min(ymin, w->GetY());
    }
    // A little below the middle, so the scan line seldom meets a vertex.
    const double ym = 0.448765432109877 * ymax + 0.551234567890123 * ymin;
    double crossings[100];
    int n = 0;
    const G3Vertex* prev = v.back();
    for (std::size_t k = 0; k < v.size() && n < 100; ++k) {
        const G3Vertex* cur = v[k];
        const double dP = prev->GetY() - ym, dC = cur->GetY() - ym;
        if (dP * dC < 0.0) {
            crossings[n++] = prev->GetX() + (cur->GetX() - prev->GetX()) * dP / (dP - dC);
        } else if (dP == 0.0) {
            crossings[n++] = prev->GetX();
        }
        prev = cur;
    }
    std::sort(crossings, crossings + n, std::greater<double>());
    double bestWidth = 0.0, bestX = 0.0;
    for (int k = 0; k + 1 < n; k += 2) {
        const double width = crossings[k] - crossings[k + 1];
        if (width > bestWidth) {
            bestWidth = width;
            bestX = 0.4338765432109877 * crossings[k] + 0.5661234567890123 * crossings[k + 1];
        }
    }
    if (!(bestWidth > 0.0)) return false;
    x = bestX;
    y = ym;
    return true;
}

int G3Facet::GetIntersectionSignByEdge(const G3Vertex* a, const G3Vertex* b, int i, int j) const {
    double u[2] = {b->GetXYZ(j) - a->GetXYZ(j), a->GetXYZ(i) - b->GetXYZ(i)};
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1]);
    if (!(len >= 1e-6)) return 0;
    u[0] /= len;
    u[1] /= len;
    const double c = u[0] * a->GetXYZ(i) + u[1] * a->GetXYZ(j);
    auto value = [&](const G3Vertex* w) { return u[0] * w->GetXYZ(i) + u[1] * w->GetXYZ(j) - c; };

    const std::vector<G3Vertex*> v = WalkVertices(this);
    const int n = static_cast<int>(v.size());
    int side = -1;
    for (int k = 0; k < n && side < 0; ++k) {
        const G3Vertex* p = v[k];
        const G3Vertex* q = v[(k + 1) % n];
        if ((p == a && q == b) || (p == b && q == a)) side = k;
    }
    if (side < 0) return 0;
    // The first vertex clearly off the line, walking away from the side in each direction.
    auto firstSign = [&](int start, int step) {
        for (int m = 0; m < n; ++m) {
            const double s = value(v[((start + step * m) % n + n) % n]);
            if (std::fabs(s) >= 1e-6) return s > 0.0 ? 1 : -1;
        }
        return 0;
    };
    const int forward = firstSign(side + 2, 1);
    const int backward = firstSign(side - 1, -1);
    if (forward == -backward) return 0;  // both 0, or opposite
    return forward != 0 ? forward : backward;
}

bool G3Facet::CalcDiagonalEdge(G3Vertex** a, G3Vertex** b) const {
    *a = *b = nullptr;
    const std::vector<G3Vertex*> v = WalkVertices(this);
    if (v.empty()) return false;
    double best = -1.0;
    for (G3Vertex* p : v) {
        for (G3Vertex* q : v) {
            const double d = p->Distance(q);
            if (d > best) {
                best = d;
                *a = p;
                *b = q;
            }
        }
    }
    return true;
}

double G3Facet::CalcDeviationFromEdge(const G3Vertex* a, const G3Vertex* b) const {
    const double d[3] = {b->GetX() - a->GetX(), b->GetY() - a->GetY(), b->GetZ() - a->GetZ()};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 0.0)) return 0.0;
    double worst = 0.0;
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        const auto* v = static_cast<G3Vertex*>(it.next());
        const double w[3] = {a->GetX() - v->GetX(), a->GetY() - v->GetY(), a->GetZ() - v->GetZ()};
        const double c[3] = {d[1] * w[2] - d[2] * w[1], d[2] * w[0] - d[0] * w[2],
                             d[0] * w[1] - d[1] * w[0]};
        worst = std::max(worst, std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / len);
    }
    return worst;
}
