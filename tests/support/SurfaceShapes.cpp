#include "tests/support/SurfaceShapes.h"

#include <cmath>
#include <vector>

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
