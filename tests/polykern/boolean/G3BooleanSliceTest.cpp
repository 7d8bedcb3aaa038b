// Slices of closed bodies by a plane: both pieces closed and outward, volumes adding up.

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
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
