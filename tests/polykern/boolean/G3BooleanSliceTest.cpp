// Slices of closed bodies by a plane: both pieces closed and outward, volumes adding up.

#include <memory>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BooleanCalculator.h"
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
