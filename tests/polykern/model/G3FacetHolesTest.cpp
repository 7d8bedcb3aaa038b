// Facets with holes: every query of a facet treats its outline and each hole as loops of
// their own.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;

using SurfacePtr = std::unique_ptr<G3Surface>;

// p moved like the far slab's corners.
std::vector<double> Far(double x, double y, double z) {
    std::vector<double> p = {x, y, z};
    pktest::MoveFar(p.data());
    return p;
}

}  // namespace

TEST(G3FacetHoles, PointInHoleIsOutsideFacet) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    const G3Facet* top = pktest::FindFacetWithHoles(slab.get());
    ASSERT_NE(top, nullptr);
    G3Vertex *a, *b;
    const double hole[3] = {5, 5, 0.3};
    EXPECT_FALSE(top->PointInFacetXY(hole, &a, &b));
    EXPECT_EQ(a, nullptr);
    EXPECT_FALSE(top->PointInFacet(0, 1, hole, &a, &b, 1e-6));
    double depth = 0;
    EXPECT_FALSE(top->PointInFacet(hole, &a, &b, &depth));
    // The static form over a vertex list, told where the loops end.
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    ASSERT_TRUE(top->GetLoops(starts, ends));
    ASSERT_EQ(ends, (std::vector<int>{4, 8}));
    std::vector<GObj*> objs(starts.begin(), starts.end());
    GObjArrayIterator walk(static_cast<int>(objs.size()), objs.data());
    EXPECT_FALSE(G3Facet::PointInFacetXY(hole, &walk, ends.data(), 2, &a, &b));
    GObjArrayIterator again(static_cast<int>(objs.size()), objs.data());
    const double solid[3] = {8, 8, 0.3};
    EXPECT_TRUE(G3Facet::PointInFacetXY(solid, &again, ends.data(), 2, &a, &b));

    // Rotated and far from the origin, the hole is found in the facet's own projection.
    SurfacePtr far(pktest::MakeSlabWithOpening(true));
    const G3Facet* farTop = far->GetFacet(0);
    int i, j;
    farTop->GetMaxCoo(&i, &j);
    EXPECT_FALSE(farTop->PointInFacet(i, j, Far(5, 5, 0.3).data(), &a, &b, 1e-6));
    EXPECT_TRUE(farTop->PointInFacet(i, j, Far(8, 8, 0.3).data(), &a, &b, 1e-6));
    EXPECT_EQ(farTop->GetPlaneIntersect(Far(5, 5, 0).data(), Far(5, 5, 1).data(),
                                        std::vector<double>(3).data(), nullptr, nullptr),
              -1);
}

TEST(G3FacetHoles, PointBetweenHoleAndOutlineIsInside) {
    SurfacePtr two(pktest::MakeSlabWithTwoOpenings());
    SurfacePtr one(pktest::MakeSlabWithOpening());
    const G3Facet* top = pktest::FindFacetWithHoles(one.get());
    const G3Facet* bottom = pktest::FindFacetWithHoles(one.get(), false);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    G3Vertex *a, *b;
    for (const G3Facet* f : {top, bottom}) {
        const double p[3] = {8, 8, 0};
        EXPECT_TRUE(f->PointInFacetXY(p, &a, &b));
        EXPECT_EQ(a, nullptr) << "strictly inside";
        // Level with the hole's corners: the ray passes the hole and still counts right.
        const double level[3] = {2, 4, 0};
        EXPECT_TRUE(f->PointInFacetXY(level, &a, &b));
        const double onHole[3] = {4, 5, 0};
        EXPECT_TRUE(f->PointInFacetXY(onHole, &a, &b));
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_DOUBLE_EQ(a->GetX(), 4.0) << "the hole's west side";
        EXPECT_DOUBLE_EQ(b->GetX(), 4.0);
    }
    const G3Facet* twoTop = pktest::FindFacetWithHoles(two.get());
    ASSERT_NE(twoTop, nullptr);
    for (const auto& [x, y, in] : std::vector<std::tuple<double, double, bool>>{
             {2.7, 2.7, false}, {6.7, 3.2, false}, {4.7, 3, true}, {9, 5, true}, {11, 3, false}}) {
        const double p[3] = {x, y, 0.3};
        EXPECT_EQ(twoTop->PointInFacetXY(p, &a, &b), in) << x << ", " << y;
    }
}

TEST(G3FacetHoles, MoveDirectionStaysInLoop) {
    for (const bool far : {false, true}) {
        SurfacePtr slab(pktest::MakeSlabWithTwoOpenings(far));
        for (const bool up : {true, false}) {
            const G3Facet* f = pktest::FindFacetWithHoles(slab.get(), up);
            ASSERT_NE(f, nullptr);
            std::vector<G3Vertex*> starts;
            std::vector<int> ends;
            ASSERT_TRUE(f->GetLoops(starts, ends));
            ASSERT_EQ(ends.size(), 3u);
            // The last edge of each loop is followed in the ring by another loop's first
            // edge (or by nothing): its direction comes from its own loop.
            std::size_t k = 0;
            for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e), ++k)
                EXPECT_EQ(f->GetMoveDirection(e), starts[k] == e->GetVertex1()) << "edge " << k;
        }
        // Every edge: the two facets on it run it opposite ways.
        for (int i = 0; i < slab->GetEdgeCount(); ++i) {
            const G3Edge* e = slab->GetEdge(i);
            ASSERT_NE(e->GetFacet2(), nullptr);
            EXPECT_NE(e->GetFacet1()->GetMoveDirection(e), e->GetFacet2()->GetMoveDirection(e))
                << "edge " << i;
        }
    }
}

TEST(G3FacetHoles, GeneratedInteriorPointAvoidsHole) {
    const std::vector<pktest::PlanRect> openings = {{2, 2, 3.5, 3.5}, {6, 2.5, 7.5, 4}};
    auto inOpening = [&](double x, double y) {
        for (const auto& r : openings) {
            if (x >= r.x0 && x <= r.x1 && y >= r.y0 && y <= r.y1) return true;
        }
        return false;
    };
    SurfacePtr one(pktest::MakeSlabWithOpening());
    const G3Facet* oneTop = pktest::FindFacetWithHoles(one.get());
    double x = -1, y = -1;
    ASSERT_TRUE(oneTop->GenerateXYPointInFacetConcave(x, y));
    EXPECT_FALSE(x >= 4 && x <= 6 && y >= 4 && y <= 6) << x << ", " << y;
    for (const bool far : {false, true}) {
        SurfacePtr slab(pktest::MakeSlabWithTwoOpenings(far));
        for (const bool up : {true, false}) {
            const G3Facet* f = pktest::FindFacetWithHoles(slab.get(), up);
            ASSERT_NE(f, nullptr);
            int i, j;
            f->GetMaxCoo(&i, &j);
            double p[3];
            ASSERT_TRUE(f->GeneratePointInFacetConcave(i, j, p));
            G3Vertex *a, *b;
            EXPECT_TRUE(f->PointInFacet(i, j, p, &a, &b, 1e-6));
            EXPECT_EQ(a, nullptr) << "strictly inside";
            if (far) continue;
            EXPECT_FALSE(inOpening(p[0], p[1])) << p[0] << ", " << p[1];
            ASSERT_TRUE(f->GenerateXYPointInFacetConcave(x, y));
            EXPECT_FALSE(inOpening(x, y)) << x << ", " << y;
            const double q[3] = {x, y, 0};
            EXPECT_TRUE(f->PointInFacetXY(q, &a, &b));
        }
    }
}

TEST(G3FacetHoles, IntersectByPlaneThroughHoleGivesTwoIntervals) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    const G3Facet* top = pktest::FindFacetWithHoles(slab.get());
    ASSERT_NE(top, nullptr);
    const double throughHole[4] = {1, 0, 0, -5};  // x = 5
    G3IntervalList out;
    ASSERT_EQ(top->IntersectByPlaneConcave(throughHole, &out), 1);
    out.BuildIntervals();
    ASSERT_EQ(out.GetIntervalList()->size(), 2);
    const auto* low = static_cast<G3Interval*>(out.GetIntervalList()->get(0));
    const auto* high = static_cast<G3Interval*>(out.GetIntervalList()->get(1));
    EXPECT_NEAR(low->GetXYZ1(1), 0, kTol);
    EXPECT_NEAR(low->GetXYZ2(1), 4, kTol);
    EXPECT_NEAR(high->GetXYZ1(1), 6, kTol);
    EXPECT_NEAR(high->GetXYZ2(1), 10, kTol);

    const double besideHole[4] = {1, 0, 0, -8};
    ASSERT_EQ(top->IntersectByPlaneConcave(besideHole, &out), 1);
    out.BuildIntervals();
    EXPECT_EQ(out.GetIntervalList()->size(), 1);
    // Along the hole's side, the plane meets the hole along an edge.
    const double alongHole[4] = {1, 0, 0, -4};
    ASSERT_EQ(top->IntersectByPlaneConcave(alongHole, &out), 1);
    out.BuildIntervals();
    EXPECT_NEAR(out.GetMinimum(), 0, kTol);
    EXPECT_NEAR(out.GetMaximum(), 10, kTol);

    // A segment across the facet lies in it in two pieces.
    const double a[3] = {-1, 5, 0.3}, b[3] = {11, 5, 0.3};
    ASSERT_TRUE(top->FindIntervalsLieInFacet(a, b, &out));
    EXPECT_EQ(out.GetIntervalList()->size(), 2);
}

TEST(G3FacetHoles, PlaneFitOfFacetWithHolesKeepsOutlineNormalAndArea) {
    for (const bool far : {false, true}) {
        SCOPED_TRACE(far ? "far" : "near");
        SurfacePtr one(pktest::MakeSlabWithOpening(far));
        SurfacePtr two(pktest::MakeSlabWithTwoOpenings(far));
        const std::vector<double> o = Far(0, 0, 0.3), z = Far(0, 0, 1.3);
        const double nearPoint[3] = {3, 7, 0.3};
        const double up[3] = {far ? z[0] - o[0] : 0, far ? z[1] - o[1] : 0, far ? z[2] - o[2] : 1};
        for (const auto& [s, area] : {std::pair{one.get(), 96.0}, std::pair{two.get(), 55.5}}) {
            G3Facet* top = pktest::FindFacetWithHoles(s);
            ASSERT_NE(top, nullptr);
            // Normals pointing every which way before the fit must not matter.
            const double junk[4] = {0, 1, 0, 7};
            top->SetPlane(junk);
            ASSERT_TRUE(top->FormPlaneEquation());
            // The expected normal of the far slab is itself a difference of far points.
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(top->GetPlane()[k], up[k], far ? 1e-10 : 1e-12);
            const double* p = far ? o.data() : nearPoint;
            const double* n = top->GetPlane();
            EXPECT_NEAR(n[0] * p[0] + n[1] * p[1] + n[2] * p[2] + n[3], 0, 1e-8);
            EXPECT_NEAR(top->CalcArea(), area, kTol * area);
            G3Facet* bottom = pktest::FindFacetWithHoles(s, false);
            ASSERT_NE(bottom, nullptr);
            EXPECT_NEAR(bottom->CalcArea(), area, kTol * area);
        }
    }
}

TEST(G3FacetHoles, HoleEdgeSideIsTheMaterialSide) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    const G3Facet* top = pktest::FindFacetWithHoles(slab.get());
    ASSERT_NE(top, nullptr);
    G3Vertex *south[2] = {nullptr, nullptr}, *outer[2] = {nullptr, nullptr};
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    ASSERT_TRUE(top->GetLoops(starts, ends));
    for (G3Vertex* v : starts) {
        if (v->GetY() == 4) (v->GetX() == 4 ? south[0] : south[1]) = v;
        if (v->GetY() == 0) (v->GetX() == 0 ? outer[0] : outer[1]) = v;
    }
    ASSERT_TRUE(south[0] && south[1] && outer[0] && outer[1]);
    // The material lies below the hole's south side (y < 4) and above the outline's (y > 0):
    // seen along +x, one is right of its edge and the other left.
    const int hole = top->GetIntersectionSignByEdge(south[0], south[1], 0, 1);
    const int outline = top->GetIntersectionSignByEdge(outer[0], outer[1], 0, 1);
    EXPECT_NE(hole, 0);
    EXPECT_EQ(hole, -outline);
}

// A hole corner that is not a number, or loop ends that do not fit the vertices, give
// answers, never a crash.
TEST(G3FacetHoles, HardInputInALoopGivesAnAnswer) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    G3Facet* top = pktest::FindFacetWithHoles(slab.get());
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    ASSERT_TRUE(top->GetLoops(starts, ends));
    std::vector<GObj*> objs(starts.begin(), starts.end());
    const double solid[3] = {8, 8, 0.3};
    G3Vertex *a, *b;
    for (const std::vector<int>& bad :
         std::vector<std::vector<int>>{{9, 12}, {0, 0, 4}, {8, 4}, {-3}, {3, 5, 8, 100}}) {
        GObjArrayIterator walk(static_cast<int>(objs.size()), objs.data());
        G3Facet::PointInFacetXY(solid, &walk, bad.data(), static_cast<int>(bad.size()), &a, &b);
        GArrayCollection list(16, 16);
        for (GObj* o : objs) list.add(o);
        double p[3];
        G3Facet::GeneratePointInFacetConcave(0, 1, p, &list, bad.data(),
                                             static_cast<int>(bad.size()));
    }
    const double nan = std::nan("");
    const double corner[3] = {nan, 5, 0.3};
    starts[5]->Set(corner);
    EXPECT_TRUE(top->FormPlaneEquation());
    double x = 0, y = 0;
    top->GenerateXYPointInFacetConcave(x, y);
    int i, j;
    top->GetMaxCoo(&i, &j);
    double p[3];
    top->GeneratePointInFacetConcave(i, j, p);
    top->PointInFacetXY(solid, &a, &b);
    EXPECT_GE(top->CalcArea(), 0.0);
    G3IntervalList out;
    const double plane[4] = {1, 0, 0, -5};
    top->IntersectByPlaneConcave(plane, &out);
    EXPECT_TRUE(slab->OrientNormals2(true));
}
