#pragma once

// Shape builders for surface tests: each returns a new surface the caller owns.

#include "polykern/model/G3Surface.h"

namespace pktest {

/// The cube (x0, y0, z0)–(x0 + s, …): 8 vertices, 6 quads, rings counter-clockwise
/// seen from outside.
G3Surface* MakeCube(double x0 = 0, double y0 = 0, double z0 = 0, double s = 1);
/// The same cube split into 12 triangles.
G3Surface* MakeTriangleCube();
/// A tetrahedron with outward rings.
G3Surface* MakeTetrahedron();
/// A closed unit sphere of `slices` × `stacks` cells, outward rings.
G3Surface* MakeSphere(int slices, int stacks);
/// An n × m grid of unit cells in the xy plane, two triangles per cell.
G3Surface* MakeGrid(int n, int m);

}  // namespace pktest
