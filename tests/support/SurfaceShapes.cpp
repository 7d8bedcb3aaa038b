#include "tests/support/SurfaceShapes.h"

#include <cmath>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace pktest {

namespace {

// Cube corners: bit 0 x, bit 1 y, bit 2 z. Faces counter-clockwise seen from outside.
const int kCubeQuads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                              {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};

G3Surface* CubeVertices(double x0, double y0, double z0, double s) {
    auto* cube = new G3Surface();
    for (int k = 0; k < 8; ++k) {
        cube->AddVertex(x0 + s * (k & 1), y0 + s * ((k >> 1) & 1), z0 + s * ((k >> 2) & 1), 0);
    }
    return cube;
}

}  // namespace

G3Surface* MakeCube(double x0, double y0, double z0, double s) {
    G3Surface* cube = CubeVertices(x0, y0, z0, s);
    for (const auto& quad : kCubeQuads) cube->AddFacet(4, quad, 1, nullptr, nullptr);
    return cube;
}

G3Surface* MakeTriangleCube() {
    G3Surface* cube = CubeVertices(0, 0, 0, 1);
    for (const auto& q : kCubeQuads) {
        const int a[3] = {q[0], q[1], q[2]};
        const int b[3] = {q[0], q[2], q[3]};
        cube->AddFacet(3, a, 1, nullptr, nullptr);
        cube->AddFacet(3, b, 1, nullptr, nullptr);
    }
    return cube;
}

G3Surface* MakeTetrahedron() {
    auto* t = new G3Surface();
    t->AddVertex(0, 0, 0, 0);
    t->AddVertex(1, 0, 0, 0);
    t->AddVertex(0, 1, 0, 0);
    t->AddVertex(0, 0, 1, 0);
    const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};
    for (const auto& f : faces) t->AddFacet(3, f, 1, nullptr, nullptr);
    return t;
}

G3Surface* MakeSphere(int slices, int stacks) {
    const int rings = stacks - 1;
    auto* s = new G3Surface(slices * rings + 2, 0, 2 * slices * stacks);
    const double pi = 3.141592653589793;
    for (int r = 1; r <= rings; ++r) {
        const double phi = pi * r / stacks;
        for (int k = 0; k < slices; ++k) {
            const double theta = 2 * pi * k / slices;
            s->AddVertex(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta),
                         std::cos(phi), 0);
        }
    }
    const int north = s->GetVertexCount();
    s->AddVertex(0, 0, 1, 0);
    const int south = s->GetVertexCount();
    s->AddVertex(0, 0, -1, 0);
    auto at = [slices](int r, int k) { return r * slices + (k % slices); };
    for (int k = 0; k < slices; ++k) {
        const int top[3] = {north, at(0, k), at(0, k + 1)};
        const int bottom[3] = {south, at(rings - 1, k + 1), at(rings - 1, k)};
        s->AddFacet(3, top, 1, nullptr, nullptr);
        s->AddFacet(3, bottom, 1, nullptr, nullptr);
    }
    for (int r = 0; r + 1 < rings; ++r) {
        for (int k = 0; k < slices; ++k) {
            const int t1[3] = {at(r, k), at(r + 1, k), at(r + 1, k + 1)};
            const int t2[3] = {at(r, k), at(r + 1, k + 1), at(r, k + 1)};
            s->AddFacet(3, t1, 1, nullptr, nullptr);
            s->AddFacet(3, t2, 1, nullptr, nullptr);
        }
    }
    return s;
}

G3Surface* MakeLBuilding() {
    const double plan[6][2] = {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 8}, {0, 8}};
    auto* s = new G3Surface();
    G3Vertex *floor[6], *roof[6];
    for (int k = 0; k < 6; ++k) floor[k] = s->AddVertex(plan[k][0], plan[k][1], 0, 0);
    for (int k = 0; k < 6; ++k) roof[k] = s->AddVertex(plan[k][0], plan[k][1], 3, 0);
    G3Vertex* down[6];
    for (int k = 0; k < 6; ++k) down[k] = floor[5 - k];
    s->AddFacet(6, roof, 1, nullptr, nullptr);
    s->AddFacet(6, down, 1, nullptr, nullptr);
    for (int k = 0; k < 6; ++k) {
        const int n = (k + 1) % 6;
        G3Vertex* q[4] = {floor[k], floor[n], roof[n], roof[k]};
        s->AddFacet(4, q, 1, nullptr, nullptr);
    }
    return s;
}

G3Surface* MakeSquarePyramid() {
    auto* s = new G3Surface();
    const double base[4][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    for (const auto& b : base) s->AddVertex(b[0], b[1], 0, 0);
    s->AddVertex(2, 2, 3, 0);
    const int bottom[4] = {0, 3, 2, 1};
    s->AddFacet(4, bottom, 1, nullptr, nullptr);
    for (int k = 0; k < 4; ++k) {
        const int side[3] = {k, (k + 1) % 4, 4};
        s->AddFacet(3, side, 1, nullptr, nullptr);
    }
    return s;
}

G3Surface* MakeSplitBox() {
    auto* s = new G3Surface();
    for (int i = 0; i < 12; ++i) s->AddVertex(2.0 * (i % 3), 2.0 * ((i / 3) % 2), 2.0 * (i / 6), 0);
    auto at = [](int x, int y, int z) { return x + 3 * y + 6 * z; };
    const int ends[2][4] = {{at(0, 0, 0), at(0, 0, 1), at(0, 1, 1), at(0, 1, 0)},
                            {at(2, 0, 0), at(2, 1, 0), at(2, 1, 1), at(2, 0, 1)}};
    for (const auto& q : ends) s->AddFacet(4, q, 1, nullptr, nullptr);
    for (int x = 0; x < 2; ++x) {
        const int faces[4][4] = {
            {at(x, 0, 0), at(x + 1, 0, 0), at(x + 1, 0, 1), at(x, 0, 1)},   // y = 0
            {at(x, 1, 0), at(x, 1, 1), at(x + 1, 1, 1), at(x + 1, 1, 0)},   // y = 2
            {at(x, 0, 0), at(x, 1, 0), at(x + 1, 1, 0), at(x + 1, 0, 0)},   // z = 0
            {at(x, 0, 1), at(x + 1, 0, 1), at(x + 1, 1, 1), at(x, 1, 1)}};  // z = 2
        for (const auto& q : faces) s->AddFacet(4, q, 1, nullptr, nullptr);
    }
    return s;
}

G3Surface* MakeGrid(int n, int m) {
    auto* grid = new G3Surface((n + 1) * (m + 1), 0, 2 * n * m);
    for (int j = 0; j <= m; ++j) {
        for (int i = 0; i <= n; ++i) grid->AddVertex(i, j, 0, 0);
    }
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            const int t1[3] = {a, b, c};
            const int t2[3] = {a, c, d};
            grid->AddFacet(3, t1, 1, nullptr, nullptr);
            grid->AddFacet(3, t2, 1, nullptr, nullptr);
        }
    }
    return grid;
}

}  // namespace pktest

namespace pktest {

void MoveFar(double* p) {
    // A rotation by 0.7 rad about (1, 2, 3) / √14 (Rodrigues), then a shift.
    const double axis[3] = {1 / std::sqrt(14.0), 2 / std::sqrt(14.0), 3 / std::sqrt(14.0)};
    const double c = std::cos(0.7), s = std::sin(0.7);
    const double dot = axis[0] * p[0] + axis[1] * p[1] + axis[2] * p[2];
    const double cross[3] = {axis[1] * p[2] - axis[2] * p[1], axis[2] * p[0] - axis[0] * p[2],
                             axis[0] * p[1] - axis[1] * p[0]};
    const double shift[3] = {1e5, -4e4, 2.5e4};
    double q[3];
    for (int k = 0; k < 3; ++k) q[k] = p[k] * c + cross[k] * s + axis[k] * dot * (1 - c);
    for (int k = 0; k < 3; ++k) p[k] = q[k] + shift[k];
}

namespace {

// The four corners of a rectangle counter-clockwise seen from above, at height z.
std::vector<G3Vertex*> Corners(G3Surface* s, const PlanRect& r, double z, bool far) {
    const double xy[4][2] = {{r.x0, r.y0}, {r.x1, r.y0}, {r.x1, r.y1}, {r.x0, r.y1}};
    std::vector<G3Vertex*> out;
    for (const auto& c : xy) {
        double p[3] = {c[0], c[1], z};
        if (far) MoveFar(p);
        out.push_back(s->AddVertex(p, 0));
    }
    return out;
}

// A facet over `outline` (in the order given) with each of `holes` appended to its ring as
// a loop of its own, in the order given.
void AddFacetWithHoles(G3Surface* s,
                       const std::vector<G3Vertex*>& outline,
                       const std::vector<std::vector<G3Vertex*>>& holes) {
    std::vector<G3Vertex*> v = outline;
    G3Facet* f = s->AddFacet(static_cast<int>(v.size()), v.data(), 1, nullptr, nullptr);
    for (const auto& hole : holes) {
        for (std::size_t k = 0; k < hole.size(); ++k)
            s->AddEdge(hole[k], hole[(k + 1) % hole.size()], f);
    }
    f->FormPlaneEquation();
}

// A wall quad under the edge a→b of a top loop (a0, b0 below a1, b1): it runs the edge the
// other way, so it faces out of the material.
void AddWall(G3Surface* s, G3Vertex* a0, G3Vertex* b0, G3Vertex* b1, G3Vertex* a1) {
    G3Vertex* q[4] = {a0, b0, b1, a1};
    s->AddFacet(4, q, 1, nullptr, nullptr);
}

}  // namespace

G3Surface* MakeSlabWithOpenings(const PlanRect& outline,
                                const std::vector<PlanRect>& openings,
                                double thickness,
                                bool far) {
    auto* s = new G3Surface();
    const std::vector<G3Vertex*> ob = Corners(s, outline, 0.0, far);
    const std::vector<G3Vertex*> ot = Corners(s, outline, thickness, far);
    std::vector<std::vector<G3Vertex*>> hb, ht;
    for (const PlanRect& r : openings) {
        hb.push_back(Corners(s, r, 0.0, far));
        ht.push_back(Corners(s, r, thickness, far));
    }
    // Top: the outline counter-clockwise from above, the holes clockwise. Bottom: the
    // other way round.
    std::vector<std::vector<G3Vertex*>> topHoles, bottomHoles;
    for (std::size_t h = 0; h < openings.size(); ++h) {
        topHoles.emplace_back(ht[h].rbegin(), ht[h].rend());
        bottomHoles.push_back(hb[h]);
    }
    AddFacetWithHoles(s, ot, topHoles);
    AddFacetWithHoles(s, std::vector<G3Vertex*>(ob.rbegin(), ob.rend()), bottomHoles);
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) % 4;
        AddWall(s, ob[k], ob[n], ot[n], ot[k]);
    }
    for (std::size_t h = 0; h < openings.size(); ++h) {
        for (int k = 0; k < 4; ++k) {
            // The hole runs clockwise in the top facet: from corner k + 1 to corner k.
            const int n = (k + 1) % 4;
            AddWall(s, hb[h][n], hb[h][k], ht[h][k], ht[h][n]);
        }
    }
    s->FormPlaneEquation();
    return s;
}

G3Facet* FindFacetWithHoles(G3Surface* s, bool up) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (f->GetLoops(starts, ends) && ends.size() > 1 && (f->GetPlaneC() > 0) == up) return f;
    }
    return nullptr;
}

G3Surface* MakeSlabWithOpening(bool far) {
    return MakeSlabWithOpenings({0, 0, 10, 10}, {{4, 4, 6, 6}}, 0.3, far);
}

G3Surface* MakeSlabWithTwoOpenings(bool far) {
    return MakeSlabWithOpenings({0, 0, 10, 6}, {{2, 2, 3.5, 3.5}, {6, 2.5, 7.5, 4}}, 0.3, far);
}

G3Surface* MakePrism(const std::vector<PlanPoint>& outline, double height, bool far) {
    auto* s = new G3Surface();
    std::vector<G3Vertex*> bottom, top;
    for (const PlanPoint& c : outline) {
        double b[3] = {c.x, c.y, 0.0}, t[3] = {c.x, c.y, height};
        if (far) {
            MoveFar(b);
            MoveFar(t);
        }
        bottom.push_back(s->AddVertex(b, 0));
        top.push_back(s->AddVertex(t, 0));
    }
    const int n = static_cast<int>(outline.size());
    s->AddFacet(n, top.data(), 1, nullptr, nullptr);
    std::vector<G3Vertex*> down(bottom.rbegin(), bottom.rend());
    s->AddFacet(n, down.data(), 1, nullptr, nullptr);
    for (int k = 0; k < n; ++k) {
        const int next = (k + 1) % n;
        AddWall(s, bottom[k], bottom[next], top[next], top[k]);
    }
    s->FormPlaneEquation();
    return s;
}

G3Surface* MakeRingPrism(const std::vector<PlanPoint>& outline,
                         const std::vector<PlanPoint>& hole,
                         double z0,
                         double z1) {
    auto* s = new G3Surface();
    auto loopAt = [s](const std::vector<PlanPoint>& loop, double z) {
        std::vector<G3Vertex*> out;
        for (const PlanPoint& c : loop) {
            double p[3] = {c.x, c.y, z};
            out.push_back(s->AddVertex(p, 0));
        }
        return out;
    };
    const std::vector<G3Vertex*> ob = loopAt(outline, z0), ot = loopAt(outline, z1);
    const std::vector<G3Vertex*> hb = loopAt(hole, z0), ht = loopAt(hole, z1);
    // Top: the outline counter-clockwise from above, the hole clockwise; bottom the other
    // way round.
    AddFacetWithHoles(s, ot, {std::vector<G3Vertex*>(ht.rbegin(), ht.rend())});
    AddFacetWithHoles(s, std::vector<G3Vertex*>(ob.rbegin(), ob.rend()), {hb});
    for (std::size_t k = 0; k < ob.size(); ++k) {
        const std::size_t n = (k + 1) % ob.size();
        AddWall(s, ob[k], ob[n], ot[n], ot[k]);
    }
    for (std::size_t k = 0; k < hb.size(); ++k) {
        const std::size_t n = (k + 1) % hb.size();
        AddWall(s, hb[n], hb[k], ht[k], ht[n]);
    }
    s->FormPlaneEquation();
    return s;
}

G3Surface* MakeLShapedBuilding(bool far) {
    return MakePrism({{0, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}}, 3.0, far);
}

G3Surface* MakePrismBetween(const std::vector<PlanPoint>& outline, double z0, double z1) {
    G3Surface* s = MakePrism(outline, z1 - z0);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double p[3] = {v->GetX(), v->GetY(), v->GetZ() + z0};
        v->Set(p);
    }
    s->FormPlaneEquation();
    return s;
}

}  // namespace pktest
