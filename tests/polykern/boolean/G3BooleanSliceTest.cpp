// Slices of closed bodies by a plane: both pieces closed and outward, volumes adding up.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

TEST(G3SliceCube, HalvesBehindAndInFrontAddUp) {
    G3BooleanCalculator bc;
    G3Surface *a = nullptr, *b = nullptr;
    double plane[4] = {0, 0, 1, 0.25};
    ASSERT_TRUE(bc.Slice(pktest::MakeCube(), plane, true, &a, &b, false));
    std::unique_ptr<G3Surface> behind(a), front(b);
    EXPECT_TRUE(pktest::IsClosedWithVolume(behind.get(), 0.25));
    EXPECT_TRUE(pktest::IsClosedWithVolume(front.get(), 0.75));
}

TEST(G3SliceCube, DistantPlaneLeavesWholeBodyBehindAndCutFalseComputesNothing) {
    G3BooleanCalculator bc;
    G3Surface *a = nullptr, *b = nullptr;
    double far[4] = {0, 0, 1, 50};
    EXPECT_FALSE(bc.Slice(pktest::MakeCube(), far, true, &a, &b, false));
    std::unique_ptr<G3Surface> whole(a);
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(whole.get(), 1.0));
    std::unique_ptr<G3Surface> kept(pktest::MakeCube());
    double mid[4] = {0, 0, 1, 0.5};
    EXPECT_FALSE(bc.Slice(kept.get(), mid, false, &a, &b, false));
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
}

TEST(G3SliceLShape, PlaneThroughInnerFaceGivesSamePiecesWithSlicePlaneOn) {
    for (bool usePlane : {false, true}) {
        G3BooleanCalculator bc;
        G3Surface *a = nullptr, *b = nullptr;
        double plane[4] = {0, 1, 0, 3};
        ASSERT_TRUE(bc.Slice(pktest::MakeLShapedBuilding(), plane, true, &a, &b, usePlane));
        std::unique_ptr<G3Surface> behind(a), front(b);
        EXPECT_TRUE(pktest::IsClosedWithVolume(behind.get(), 72.0)) << usePlane;
        EXPECT_TRUE(pktest::IsClosedWithVolume(front.get(), 36.0)) << usePlane;
    }
}

TEST(G3SliceSections, SlabWithOpeningGivesOneFacetWithItsHole) {
    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> slab(pktest::MakeSlabWithOpening());
    const double plane[4] = {0, 0, 1, -0.15};
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(slab.get(), 1, plane, &out));
    std::unique_ptr<G3Surface> section(out);
    EXPECT_EQ(section->GetFacetCount(), 1);
    EXPECT_NE(pktest::FindFacetWithHoles(section.get(), true), nullptr);
    EXPECT_NEAR(pktest::Area(section.get()), 96.0, 1e-9 * 96.0);
    const double miss[4] = {0, 0, 1, -5};
    EXPECT_FALSE(bc.Divide(slab.get(), 1, miss, &out));
    EXPECT_EQ(out, nullptr);
}

TEST(G3SliceCube, DiagonalPlaneCutsARegularHexagonAndFacetPlanesConvert) {
    // x + y + z = 1.5 halves the cube through a regular hexagon of side √2/2.
    const double n = 1.0 / std::sqrt(3.0);
    double plane[4] = {n, n, n, 1.5 * n};
    G3BooleanCalculator bc;
    G3Surface *a = nullptr, *b = nullptr;
    ASSERT_TRUE(bc.Slice(pktest::MakeCube(), plane, true, &a, &b, false));
    std::unique_ptr<G3Surface> behind(a), front(b);
    EXPECT_TRUE(pktest::IsClosedWithVolume(behind.get(), 0.5));
    EXPECT_TRUE(pktest::IsClosedWithVolume(front.get(), 0.5));
    // The cap: the area of behind's facets lying in the plane.
    double cap = 0.0;
    for (int i = 0; i < behind->GetFacetCount(); ++i) {
        const G3Facet* f = behind->GetFacet(i);
        const double* p = f->GetPlane();
        if (p[0] * n + p[1] * n + p[2] * n > 1.0 - 1e-9) cap += f->CalcArea();
    }
    EXPECT_NEAR(cap, 1.2990381, 1e-7);
    // The facet-style plane (a, b, c, d) is the plane a·x + b·y + c·z = −d.
    const double facetStyle[4] = {0, 0, 1, -0.25};
    G3Surface *c = nullptr, *d = nullptr;
    ASSERT_TRUE(bc.CutUpByPlane(pktest::MakeCube(), facetStyle, true, &c, &d));
    std::unique_ptr<G3Surface> low(c), high(d);
    EXPECT_TRUE(pktest::IsClosedWithVolume(low.get(), 0.25));
    EXPECT_TRUE(pktest::IsClosedWithVolume(high.get(), 0.75));
}

namespace {

// Slices `body` (of volume `volume`) by a·x + b·y + c·z = e and checks what every slice
// must give: two closed outward pieces on their own sides of the plane, volumes adding up.
std::pair<std::unique_ptr<G3Surface>, std::unique_ptr<G3Surface>> SliceChecked(
    G3Surface* body, double* plane, double volume, double relTol = 1e-9) {
    G3BooleanCalculator bc;
    G3Surface *a = nullptr, *b = nullptr;
    const bool divided = bc.Slice(body, plane, true, &a, &b, false);
    std::unique_ptr<G3Surface> behind(a), front(b);
    EXPECT_TRUE(divided);
    if (!divided) return {std::move(behind), std::move(front)};
    EXPECT_TRUE(pktest::IsClosedAndOriented(behind.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(front.get()));
    const double v1 = pktest::SignedVolume(behind.get()), v2 = pktest::SignedVolume(front.get());
    EXPECT_GT(v1, 0.0);
    EXPECT_GT(v2, 0.0);
    EXPECT_NEAR(v1 + v2, volume, relTol * volume);
    const double tol = 1e-9 * (1.0 + std::fabs(plane[3]));
    for (auto [piece, sign] : {std::pair{behind.get(), 1.0}, {front.get(), -1.0}}) {
        for (int i = 0; i < piece->GetVertexCount(); ++i) {
            const double* p = piece->GetVertex(i)->GetXYZ();
            const double d = plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] - plane[3];
            EXPECT_LE(sign * d, tol) << "vertex " << i << " on the wrong side";
        }
    }
    return {std::move(behind), std::move(front)};
}

}  // namespace

// A U-shaped building cut between its arms, then each half cut again across the arms:
// four closed pieces.
TEST(G3SliceInvariants, UShapeCutIntoFourPieces) {
    const std::vector<pktest::PlanPoint> u = {{0, 0}, {3, 0}, {3, 3}, {2, 3},
                                              {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    double across[4] = {1, 0, 0, 1.5};
    auto [left, right] = SliceChecked(pktest::MakePrism(u, 2.0), across, 14.0);
    ASSERT_TRUE(left && right);
    EXPECT_NEAR(pktest::SignedVolume(left.get()), 7.0, 1e-9 * 7.0);
    double alongArms[4] = {0, 1, 0, 2};
    auto [l1, l2] = SliceChecked(left.release(), alongArms, 7.0);
    auto [r1, r2] = SliceChecked(right.release(), alongArms, 7.0);
    ASSERT_TRUE(l2 && r2);
    EXPECT_NEAR(pktest::SignedVolume(l2.get()), 2.0, 1e-9 * 2.0);
    EXPECT_NEAR(pktest::SignedVolume(r2.get()), 2.0, 1e-9 * 2.0);
}

// Planes through a ring of vertices, through three corners, along two edges, and a tilted
// cut of a far-off L: the cuts that fall on existing vertices and edges.
TEST(G3SliceInvariants, PlanesThroughVerticesAndAlongEdges) {
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(24, 12));
    const double sphereVolume = pktest::SignedVolume(sphere.get());
    // The height of the third ring from the north pole, to the last bit.
    double ring[4] = {0, 0, 1, std::cos(3.141592653589793 * 3 / 12)};
    double between[4] = {0, 0, 1, 0.3};
    SliceChecked(sphere->Duplicate(), ring, sphereVolume);
    SliceChecked(sphere->Duplicate(), between, sphereVolume);
    const double n = 1.0 / std::sqrt(3.0);
    double corners[4] = {n, n, n, n};
    auto [tip, rest] = SliceChecked(pktest::MakeCube(), corners, 1.0);
    if (tip) {
        EXPECT_NEAR(pktest::SignedVolume(tip.get()), 1.0 / 6.0, 1e-9);
    }
    const double h = 1.0 / std::sqrt(2.0);
    double edges[4] = {h, -h, 0, 0};
    auto [low, high] = SliceChecked(pktest::MakeCube(), edges, 1.0);
    if (low) {
        EXPECT_NEAR(pktest::SignedVolume(low.get()), 0.5, 1e-9);
    }
    // A tilted plane through the far-off L's centre.
    std::unique_ptr<G3Surface> far(pktest::MakeLShapedBuilding(true));
    double centre[3] = {4, 3, 1.5};
    pktest::MoveFar(centre);
    double tilted[4] = {0.48, 0.6, 0.64, 0};
    tilted[3] = tilted[0] * centre[0] + tilted[1] * centre[1] + tilted[2] * centre[2];
    SliceChecked(far.release(), tilted, 108.0, 1e-7);
}

TEST(G3SliceInvariants, PlaneOfABoundaryFaceTouchesWithoutDividing) {
    for (double z : {0.0, 3.0}) {
        G3BooleanCalculator bc;
        G3Surface *a = nullptr, *b = nullptr;
        double plane[4] = {0, 0, 1, z};
        EXPECT_FALSE(bc.Slice(pktest::MakeLShapedBuilding(), plane, true, &a, &b, true)) << z;
        std::unique_ptr<G3Surface> whole(a);
        EXPECT_EQ(b, nullptr);
        EXPECT_TRUE(pktest::IsClosedWithVolume(whole.get(), 108.0)) << z;
    }
}
