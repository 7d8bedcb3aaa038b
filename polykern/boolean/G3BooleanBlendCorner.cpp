// Corner blends: the tip of a convex corner is replaced by a piece of the sphere of radius r
// that touches every corner edge, so the edges run into the rounding without a step.
//
// Construction. The corner's unit edge directions d_i end on one circle of the unit sphere
// about P when a sphere can touch every edge line: its axis a is the normal of the plane
// through the tips, each edge makes the same angle α with it, and the ball of radius r
// centred at C = P + (r / sin α)·a touches edge i at Q_i = P + (r / tan α)·d_i. The pyramid
// K over P and the Q_i lies in the body (its sides lie in the corner facets, its base inside
// the body), its base lies inside the ball (the Q_i lie on the circle where the sphere meets
// the base plane), and on each corner facet the sphere's circle is tangent to both edges at
// their Q_i. The piece K − ball is therefore bounded by: on each corner facet, the region
// between P, Q_i, the circle's arc facing P and Q_i+1 (the facet's own corner rounded in its
// plane), and the spherical patch between those arcs facing P. Subtracting it leaves the
// body's faces rounded at the corner in their planes and the patch closing them. The arcs
// have n segments and the patch is meshed by rings from its middle point C − r·a; every
// vertex lies on the sphere, so the faceted piece holds the true one and lies in K.

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/boolean/G3BCBlendMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

using namespace G3BCBlendMath;

namespace {

// The patch has about 3·n² triangles per three edges, so the segments are capped lower than
// for an edge.
constexpr int kMaxCornerSegments = 64;
constexpr double kAngleTol = 1e-6;
constexpr double kMinChord = 1e-6;

struct CornerEdge {
    double d[3] = {0, 0, 0};  // unit, from the corner along the edge
    double length = 0.0;
    double turn = 0.0;  // the angle about the axis
    const G3Facet* f1 = nullptr;
    const G3Facet* f2 = nullptr;
};

using Point = std::vector<double>;

const G3Vertex* FindVertex(const G3Surface* s, const double* p) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (v->Equals(p)) return v;
    }
    return nullptr;
}

// The edges at v between facets of different planes; false when one of them is concave or
// open, or cannot be read.
bool CornerEdges(const G3Surface* s, const G3Vertex* v, std::vector<CornerEdge>* out) {
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetVertex1() != v && e->GetVertex2() != v) continue;
        CornerEdge c;
        c.f1 = e->GetFacet1();
        c.f2 = e->GetFacet2();
        if (c.f1 == nullptr || c.f2 == nullptr) return false;
        double n1[3], n2[3], dot = 0.0;
        if (!UnitNormal(c.f1, n1) || !UnitNormal(c.f2, n2)) return false;
        if (Dot(n1, n2) > 1.0 - 1e-12) continue;  // a seam within one face
        if (!EdgeDot(e, c.f1, c.f2, &dot) || !(dot < 0.0)) return false;
        Diff(e->OtherVertex(v)->GetXYZ(), v->GetXYZ(), c.d);
        c.length = Length(c.d);
        if (!Normalize(c.d)) return false;
        out->push_back(c);
    }
    return out->size() >= 3;
}

// The axis making one angle with every edge, turned towards them, with the edges sorted
// about it; false when the tips are not on one circle or the axis leaves the corner.
bool CornerAxis(std::vector<CornerEdge>* edges, double* a, double* cosAlpha) {
    const double* d0 = (*edges)[0].d;
    const double* d1 = (*edges)[1].d;
    const double* d2 = (*edges)[2].d;
    double p[3], q[3];
    Diff(d1, d0, p);
    Diff(d2, d0, q);
    Cross(p, q, a);
    if (!Normalize(a)) return false;
    if (Dot(a, d0) < 0.0) {
        for (int k = 0; k < 3; ++k) a[k] = -a[k];
    }
    *cosAlpha = Dot(a, d0);
    for (const CornerEdge& c : *edges) {
        if (std::fabs(Dot(a, c.d) - *cosAlpha) > 1e-9) return false;
    }
    if (*cosAlpha < kAngleTol || *cosAlpha > 1.0 - kAngleTol) return false;
    double x[3], y[3];
    AddScaled(d0, -*cosAlpha, a, x);
    if (!Normalize(x)) return false;
    Cross(a, x, y);
    for (CornerEdge& c : *edges) c.turn = std::atan2(Dot(c.d, y), Dot(c.d, x));
    std::sort(edges->begin(), edges->end(),
              [](const CornerEdge& l, const CornerEdge& r) { return l.turn < r.turn; });
    // The axis and every other edge lie inside each side of the corner.
    const size_t k = edges->size();
    for (size_t i = 0; i < k; ++i) {
        double m[3];
        Cross((*edges)[i].d, (*edges)[(i + 1) % k].d, m);
        if (!(Dot(m, a) > 0.0)) return false;
        for (size_t j = 0; j < k; ++j) {
            if (j != i && j != (i + 1) % k && Dot(m, (*edges)[j].d) < -1e-12) return false;
        }
    }
    return true;
}

// The corner facet holding edges i and i + 1: one of edge i's facets, in their plane.
const G3Facet* SideFacet(const CornerEdge& e, const CornerEdge& next) {
    double m[3];
    Cross(e.d, next.d, m);
    if (!Normalize(m)) return nullptr;
    for (const G3Facet* f : {e.f1, e.f2}) {
        double n[3];
        if (UnitNormal(f, n) && std::fabs(Dot(n, m)) > 1.0 - 1e-9) return f;
    }
    return nullptr;
}

Point Along(const double* from, double f, const double* d) {
    Point p(3);
    AddScaled(from, f, d, p.data());
    return p;
}

// Appends the points of the arc from q0 to q1 (neither included) on the circle about the
// foot of c in the plane with unit normal m, n segments in all.
void FacetArc(const double* c,
              const double* m,
              const Point& q0,
              const Point& q1,
              int n,
              std::vector<Point>* out) {
    double foot[3], g0[3], g1[3], w[3], cross[3];
    AddScaled(c, -(Dot(c, m) - Dot(q0.data(), m)), m, foot);
    Diff(q0.data(), foot, g0);
    Diff(q1.data(), foot, g1);
    const double rho = Length(g0);
    Cross(g0, g1, cross);
    const double beta = std::atan2(Length(cross), Dot(g0, g1));
    Normalize(g0);
    AddScaled(g1, -Dot(g1, g0), g0, w);
    Normalize(w);
    for (int j = 1; j < n; ++j) {
        const double phi = beta * j / n;
        Point p(3);
        for (int i = 0; i < 3; ++i)
            p[i] = foot[i] + rho * (std::cos(phi) * g0[i] + std::sin(phi) * w[i]);
        out->push_back(p);
    }
}

// The piece K − ball as a closed outward surface, its flat sides taking the corner facets'
// planes; null when a facet cannot be made.
G3Surface* CornerPiece(const double* P,
                       const std::vector<CornerEdge>& edges,
                       const double* a,
                       double cosAlpha,
                       double r,
                       int n) {
    const double sinAlpha = std::sqrt(1.0 - cosAlpha * cosAlpha);
    const int k = static_cast<int>(edges.size());
    const Point centre = Along(P, r / sinAlpha, a);
    std::vector<Point> pts = {Point(P, P + 3)};
    std::vector<const G3Facet*> sides;
    for (int i = 0; i < k; ++i) {
        const CornerEdge& e = edges[i];
        const CornerEdge& next = edges[(i + 1) % k];
        sides.push_back(SideFacet(e, next));
        if (sides.back() == nullptr) return nullptr;
        double m[3];
        UnitNormal(sides.back(), m);
        pts.push_back(Along(P, r * cosAlpha / sinAlpha, e.d));
        FacetArc(centre.data(), m, pts.back(), Along(P, r * cosAlpha / sinAlpha, next.d), n, &pts);
    }
    const int M = k * n;  // boundary points 1 … M
    std::vector<std::vector<int>> polys;
    for (int i = 0; i < k; ++i) {
        std::vector<int> poly = {0};
        for (int j = 0; j <= n; ++j) poly.push_back(1 + (i * n + j) % M);
        polys.push_back(poly);
    }
    // Rings from the patch's middle S = C − r·a out to the boundary, each point on the sphere.
    const int levels = std::max(1, (n + 1) / 2);
    const int s = static_cast<int>(pts.size());
    pts.push_back(Along(centre.data(), -r, a));
    auto ring = [&](int l, int j) { return l == levels ? 1 + j % M : s + 1 + (l - 1) * M + j % M; };
    for (int l = 1; l < levels; ++l) {
        const double f = static_cast<double>(l) / levels;
        for (int j = 0; j < M; ++j) {
            double dir[3], b[3];
            Diff(pts[1 + j].data(), centre.data(), b);
            for (int i = 0; i < 3; ++i) dir[i] = -(1.0 - f) * a[i] + f * b[i] / r;
            Normalize(dir);
            pts.push_back(Along(centre.data(), r, dir));
        }
    }
    for (int l = 1; l <= levels; ++l) {
        for (int j = 0; j < M; ++j) {
            const int inner0 = l == 1 ? s : ring(l - 1, j);
            polys.push_back({ring(l, j + 1), ring(l, j), inner0});
            if (l > 1) polys.push_back({ring(l, j + 1), inner0, ring(l - 1, j + 1)});
        }
    }
    std::vector<std::vector<const double*>> rings;
    for (const auto& poly : polys) {
        rings.emplace_back();
        for (size_t i = 0; i < poly.size(); ++i) {
            double d[3];
            Diff(pts[poly[i]].data(), pts[poly[(i + 1) % poly.size()]].data(), d);
            if (!(Length(d) > kMinChord)) return nullptr;  // would be welded away
            rings.back().push_back(pts[poly[i]].data());
        }
    }
    const bool flip = PolygonsVolume(rings, P) < 0.0;
    auto* piece = new G3Surface();
    std::vector<G3Vertex*> verts;
    for (const Point& p : pts) verts.push_back(piece->AddVertex(p.data(), 0));
    for (size_t i = 0; i < polys.size(); ++i) {
        std::vector<G3Vertex*> loop;
        for (int idx : polys[i]) loop.push_back(verts[idx]);
        if (flip) std::reverse(loop.begin(), loop.end());
        G3Facet* f =
            piece->AddFacet(static_cast<int>(loop.size()), loop.data(), 1, nullptr, nullptr);
        if (f == nullptr) {
            delete piece;
            return nullptr;
        }
        if (i < sides.size()) {
            // The piece lies on the material side of the corner facet: same outward normal.
            f->SetPlane(sides[i]->GetPlane());
        }
    }
    return piece;
}

}  // namespace

G3Surface* G3BooleanCalculator::BlendCorner(G3Surface* s, double* p, double r, int n) {
    if (s == nullptr) return nullptr;
    G3Surface* piece = nullptr;
    const G3Vertex* v = nullptr;
    std::vector<CornerEdge> edges;
    double a[3], cosAlpha = 0.0;
    if (p != nullptr && std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) &&
        std::isfinite(r) && r > 0.0 && n >= 1 && (v = FindVertex(s, p)) != nullptr &&
        CornerEdges(s, v, &edges) && CornerAxis(&edges, a, &cosAlpha)) {
        n = std::min(n, kMaxCornerSegments);
        const double sinAlpha = std::sqrt(1.0 - cosAlpha * cosAlpha);
        const double reach = r * cosAlpha / sinAlpha;
        bool fits = true;
        for (const CornerEdge& e : edges) fits = fits && reach < e.length * (1.0 - 1e-9);
        if (fits) piece = CornerPiece(v->GetXYZ(), edges, a, cosAlpha, r, n);
    }
    if (piece == nullptr) {
        delete s;
        return nullptr;
    }
    return Sub(s, piece);
}
