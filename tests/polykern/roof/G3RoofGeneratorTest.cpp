// Roofs over fixed outlines: the hipped and gabled rectangle, the pyramid, an L-shaped
// building; the same roof after a turn and a move far from the origin; bad input.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "polykern/roof/G3RoofVertex.h"
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

TEST(G3RoofGenerator, FarOffTurnedCopyGivesTheSameRoof) {
    const RoofOutline r = pktest::UniformRoof(kL, 45.0);
    const RoofOutline far = pktest::MovedRoof(r, 0.7, 4e5, -3e5);
    pktest::RoofBuild a = pktest::BuildRoof(r);
    pktest::RoofBuild b = pktest::BuildRoof(far);
    std::unique_ptr<G3Surface> sa(a.surface), sb(b.surface);
    ASSERT_TRUE(a.ok);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(sa->GetFacetCount(), sb->GetFacetCount());
    EXPECT_EQ(sa->GetVertexCount(), sb->GetVertexCount());
    EXPECT_NEAR(TopHeight(sb.get()), TopHeight(sa.get()), 1e-7);
    EXPECT_NEAR(pktest::PlanArea(sb.get()), 36.0, 1e-6);
    EXPECT_TRUE(pktest::IsSoundRoof(sb.get(), far));
}

TEST(G3RoofGenerator, EitherWindingGivesTheSameRoof) {
    RoofOutline r = pktest::UniformRoof(kL, 30.0);
    r.pitches[2] = 50.0;
    const RoofOutline back = pktest::ReversedRoof(r);
    pktest::RoofBuild a = pktest::BuildRoof(r);
    pktest::RoofBuild b = pktest::BuildRoof(back);
    std::unique_ptr<G3Surface> sa(a.surface), sb(b.surface);
    ASSERT_TRUE(a.ok);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(sa->GetFacetCount(), sb->GetFacetCount());
    EXPECT_NEAR(TopHeight(sa.get()), TopHeight(sb.get()), 1e-12);
    EXPECT_TRUE(pktest::IsSoundRoof(sa.get(), r));
    EXPECT_TRUE(pktest::IsSoundRoof(sb.get(), back));
}

TEST(G3RoofGenerator, CollinearBottomRunStillGivesTheTurn) {
    // The lowest corner is straight; the orientation must come from the whole outline.
    const std::vector<PlanPoint> ccw = {{0, 0}, {4, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}};
    GArrayCollection pts;
    for (const PlanPoint& p : ccw) pts.add(new G3Point(p.x, p.y, 0.0, 0));
    EXPECT_EQ(G3RoofGenerator::GetClockWiseDirection(&pts), -1);
    GArrayCollection rev;
    for (int i = pts.size() - 1; i >= 0; --i) rev.add(pts.get(i));
    EXPECT_EQ(G3RoofGenerator::GetClockWiseDirection(&rev), 1);
    pts.clear(true);
}

TEST(G3RoofGenerator, StraightCornerStaysOnlyWhereThePitchChanges) {
    const std::vector<PlanPoint> pts = {{0, 0}, {5, 0}, {10, 0}, {10, 6}, {0, 6}, {0, 6}};
    for (double second : {30.0, 45.0}) {
        RoofOutline r = pktest::UniformRoof(pts, 30.0);
        r.pitches[1] = second;
        GArrayCollection points, pitches;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            points.add(new G3Point(pts[i].x, pts[i].y, 0.0, 0));
            pitches.add(new G3RoofAngle(r.pitches[i] * 3.14159265358979 / 180));
        }
        G3Surface roof;
        G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
        G3RoofVertex* first = nullptr;
        ASSERT_TRUE(gen.PrepareContour(&points, &pitches, &first));
        EXPECT_EQ(G3RoofVertex::CountLoop(first), second == 30.0 ? 4 : 5);
        EXPECT_EQ(gen.GetClockWiseDirection(first), 1);
        points.clear(true);
        pitches.clear(true);
    }
}

TEST(G3RoofGenerator, BadInputIsRefused) {
    G3Surface roof;
    G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
    auto refused = [&](const std::vector<std::array<double, 3>>& pts, std::vector<double> deg) {
        GArrayCollection points, pitches;
        for (const auto& p : pts) points.add(new G3Point(p[0], p[1], p[2], 0));
        for (double d : deg) pitches.add(new G3RoofAngle(d * 3.14159265358979 / 180));
        G3RoofVertex* first = reinterpret_cast<G3RoofVertex*>(&roof);
        const bool ok = gen.PrepareContour(&points, &pitches, &first);
        points.clear(true);
        pitches.clear(true);
        return !ok && first == nullptr;
    };
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0}}, {30, 30, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {5, 0, 0}, {0, 10, 0}},
                        {30, 30, 30, 30, 30}));  // touches itself
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}, {0, 6, 0}}, {30, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}}, {30, 30, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}, {0, 6, 0}}, {30, inf, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}, {0, 6, 0}}, {30, -inf, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}, {0, 6, 0}}, {30, 0, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 6, 0}, {0, 6, 0}}, {30, 95, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {5, 0, 0}, {10, 0, 0}}, {30, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 0, 0}}, {30, 30, 30, 30}));
    EXPECT_TRUE(refused({{0, 0, 0}, {10, 0, 1}, {10, 6, 0}, {0, 6, 0}}, {30, 30, 30, 30}));
    G3RoofVertex* first = nullptr;
    GArrayCollection empty;
    EXPECT_FALSE(gen.PrepareContour(nullptr, &empty, &first));
    EXPECT_FALSE(gen.PrepareContour(&empty, nullptr, &first));
    EXPECT_FALSE(gen.PrepareContour(&empty, &empty, nullptr));
    EXPECT_FALSE(gen.FirstLevelInitialization(nullptr));
    EXPECT_FALSE(gen.MakeRoof(nullptr, nullptr));
    EXPECT_EQ(gen.MakeOverhangContour(nullptr), nullptr);
    EXPECT_FALSE(G3RoofGenerator::Offset(nullptr, 0.5, 1.0, &first));
    EXPECT_EQ(roof.GetFacetCount(), 0);
}

TEST(G3RoofGenerator, OffsetMovesEveryEdgeOutwards) {
    GArrayCollection points, pitches;
    for (const PlanPoint& p : kRect) {
        points.add(new G3Point(p.x, p.y, 0.0, 0));
        pitches.add(new G3RoofAngle(0.5));
    }
    G3Surface roof;
    G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
    G3RoofVertex* first = nullptr;
    ASSERT_TRUE(gen.PrepareContour(&points, &pitches, &first));
    G3RoofVertex* moved = nullptr;
    ASSERT_TRUE(G3RoofGenerator::Offset(first, 0.5, 1.0, &moved));
    EXPECT_EQ(G3RoofVertex::CountLoop(moved), 4);
    EXPECT_NEAR(-G3RoofVertex::SignedArea2(moved) / 2, 12.0 * 8.0, 1e-9);
    EXPECT_NEAR(moved->GetZ(), -std::tan(0.5), 1e-12);
    G3RoofVertex::DeleteLoop(moved);
    points.clear(true);
    pitches.clear(true);
}
