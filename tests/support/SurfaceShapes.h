#pragma once

// Shape builders for surface tests: each returns a new surface the caller owns.

#include <vector>

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
/// An L-shaped building 3 high over the outline (0, 0), (10, 0), (10, 4), (4, 4), (4, 8),
/// (0, 8): six vertices on the floor and six on the flat roof, the floor and roof as
/// one six-sided facet each, six wall quads, outward rings. Volume 168.
G3Surface* MakeLBuilding();
/// The right pyramid over the square (0, 0)–(4, 4) with its apex 3 above the centre: four
/// planes meet at the apex. Outward rings; volume 16.
G3Surface* MakeSquarePyramid();
/// The box (0, 0, 0)–(4, 2, 2) with each of its four long faces split into two quads at
/// x = 2, so that the vertices there lie on two planes only: 12 vertices, 10 quads,
/// outward rings; volume 16.
G3Surface* MakeSplitBox();
/// An n × m grid of unit cells in the xy plane, two triangles per cell.
G3Surface* MakeGrid(int n, int m);

/// An axis-aligned rectangle of the plan, for slab outlines and openings.
struct PlanRect {
    double x0, y0, x1, y1;
};

/// Moves a point by a fixed rotation about an oblique axis, then about 1e5 away from the
/// origin, so a shape's facets project onto every axis plane.
void MoveFar(double* p);

/// A slab of the given thickness over `outline` with the openings cut through it (inside
/// the outline, apart from each other), built by hand: the top and bottom facets each
/// carry one hole loop per opening in their ring, the outer and inner walls are quads.
/// Rings run counter-clockwise seen from outside. With `far`, every corner is moved by
/// MoveFar. Volume: (outline area − openings' area) × thickness.
G3Surface* MakeSlabWithOpenings(const PlanRect& outline,
                                const std::vector<PlanRect>& openings,
                                double thickness,
                                bool far = false);
/// The first facet whose ring holds more than one loop and whose plane has c > 0 (up) or
/// c ≤ 0; null when none.
G3Facet* FindFacetWithHoles(G3Surface* s, bool up = true);
/// The 10 × 10 × 0.3 slab with the 2 × 2 opening at (4..6)²: volume 28.8.
G3Surface* MakeSlabWithOpening(bool far = false);
/// The 10 × 6 × 0.3 slab with two 1.5 × 1.5 openings: volume 16.65.
G3Surface* MakeSlabWithTwoOpenings(bool far = false);

/// A corner of a plan outline.
struct PlanPoint {
    double x, y;
};
/// The prism of `height` over a simple outline given counter-clockwise from above
/// (convex or not): one top and one bottom facet, one quad wall per side, rings
/// counter-clockwise seen from outside. With `far`, every corner is moved by MoveFar.
/// Volume: outline area × height.
G3Surface* MakePrism(const std::vector<PlanPoint>& outline, double height, bool far = false);
/// The same prism standing between the heights z0 and z1 (z0 < z1).
G3Surface* MakePrismBetween(const std::vector<PlanPoint>& outline, double z0, double z1);
/// The prism between z0 and z1 (z0 < z1) over `outline` with `hole` cut through it, both
/// simple and given counter-clockwise from above, the hole inside the outline: a ring of
/// walls. Top and bottom are one facet each with the hole as a second loop of its ring, the
/// sides quads; rings counter-clockwise seen from outside. Volume: (outline area − hole
/// area) × (z1 − z0).
G3Surface* MakeRingPrism(const std::vector<PlanPoint>& outline,
                         const std::vector<PlanPoint>& hole,
                         double z0,
                         double z1);
/// An L-shaped building 3 m high: the 8 × 6 plan without its 4 × 3 corner at (4..8, 3..6),
/// so the top and bottom facets are concave. Volume 108.
G3Surface* MakeLShapedBuilding(bool far = false);

}  // namespace pktest
