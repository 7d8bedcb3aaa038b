// Roofs over fixed outlines: the hipped and gabled rectangle, the pyramid, an L-shaped
// building; the same roof after a turn and a move far from the origin; bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "tests/support/RoofCheck.h"

using pktest::PlanPoint;
using pktest::RoofOutline;

namespace {

const std::vector<PlanPoint> kRect = {{0, 0}, {10, 0}, {10, 6}, {0, 6}};
const std::vector<PlanPoint> kL = {{0, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}};

double FacetPlanArea(G3Facet* f) {
    std::vector<G3Vertex*> ring(f->GetVertexCount());
    f->GetVertices(ring.data());
    double a = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const G3Vertex* p = ring[i];
        const G3Vertex* q = ring[(i + 1) % ring.size()];
        a += p->GetX() * q->GetY() - q->GetX() * p->GetY();
    }
    return a / 2;
}

double TopHeight(const G3Surface* s) {
    double z = -1e300;
    for (int i = 0; i < s->GetVertexCount(); ++i) z = std::max(z, s->GetVertex(i)->GetZ());
    return z;
}

bool HasVertex(const G3Surface* s, double x, double y, double z, double tol = 1e-9) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (std::fabs(v->GetX() - x) < tol && std::fabs(v->GetY() - y) < tol &&
            std::fabs(v->GetZ() - z) < tol) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(G3RoofGenerator, RectangleGivesAHippedRoofWithItsRidgeAtRootThree) {
    const RoofOutline r = pktest::UniformRoof(kRect, 30.0);
    pktest::RoofBuild b = pktest::BuildRoof(r);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    ASSERT_EQ(s->GetFacetCount(), 4);
    std::vector<double> areas;
    for (int i = 0; i < 4; ++i) areas.push_back(FacetPlanArea(s->GetFacet(i)));
    std::sort(areas.begin(), areas.end());
    EXPECT_NEAR(areas[0], 9.0, 1e-9);
    EXPECT_NEAR(areas[1], 9.0, 1e-9);
    EXPECT_NEAR(areas[2], 21.0, 1e-9);
    EXPECT_NEAR(areas[3], 21.0, 1e-9);
    EXPECT_NEAR(TopHeight(s.get()), std::sqrt(3.0), 1e-9);
    EXPECT_TRUE(HasVertex(s.get(), 3, 3, std::sqrt(3.0)));
    EXPECT_TRUE(HasVertex(s.get(), 7, 3, std::sqrt(3.0)));
    EXPECT_TRUE(pktest::IsSoundRoof(s.get(), r));
}

TEST(G3RoofGenerator, GablesOnTheShortSidesLeaveTwoRectangles) {
    RoofOutline r = pktest::UniformRoof(kRect, 30.0);
    r.pitches[1] = r.pitches[3] = 90.0;
    pktest::RoofBuild b = pktest::BuildRoof(r);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    ASSERT_EQ(s->GetFacetCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s->GetFacet(i)->GetVertexCount(), 4);
        EXPECT_NEAR(s->GetFacet(i)->CalcArea(), 34.641016, 1e-6);
    }
    EXPECT_NEAR(TopHeight(s.get()), std::sqrt(3.0), 1e-9);
    EXPECT_TRUE(pktest::IsSoundRoof(s.get(), r));
}

TEST(G3RoofGenerator, SquareGivesAPyramid) {
    const RoofOutline r = pktest::UniformRoof({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 45.0);
    pktest::RoofBuild b = pktest::BuildRoof(r);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    ASSERT_EQ(s->GetFacetCount(), 4);
    EXPECT_EQ(s->GetVertexCount(), 5);
    EXPECT_TRUE(HasVertex(s.get(), 5, 5, 5));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s->GetFacet(i)->GetVertexCount(), 3);
    EXPECT_TRUE(pktest::IsSoundRoof(s.get(), r));
}

TEST(G3RoofGenerator, LShapedBuildingIsCoveredOnce) {
    const RoofOutline r = pktest::UniformRoof(kL, 45.0);
    pktest::RoofBuild b = pktest::BuildRoof(r);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(s->GetFacetCount(), 6);
    EXPECT_NEAR(pktest::PlanArea(s.get()), 36.0, 1e-9);
    EXPECT_NEAR(TopHeight(s.get()), 2.0, 1e-9);
    EXPECT_TRUE(pktest::IsSoundRoof(s.get(), r));
}
