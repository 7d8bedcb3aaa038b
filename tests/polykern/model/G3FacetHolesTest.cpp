// Facets with holes: every query and walk treats the outline and each hole as loops of
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
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;
constexpr double kOneOpening = 28.8;    // 10·10·0.3 − 2·2·0.3
constexpr double kTwoOpenings = 16.65;  // 10·6·0.3 − 2·1.5·1.5·0.3

using SurfacePtr = std::unique_ptr<G3Surface>;

// The facet whose ring holds more than one loop and whose plane faces up (or down).
G3Facet* FacetWithHoles(G3Surface* s, bool up = true) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        if (f->GetLoops(starts, ends) && ends.size() > 1 && (f->GetPlaneC() > 0) == up) return f;
    }
    return nullptr;
}

// p moved like the far slab's corners.
std::vector<double> Far(double x, double y, double z) {
    std::vector<double> p = {x, y, z};
    pktest::MoveFar(p.data());
    return p;
}

::testing::AssertionResult KeepsVolume(const G3Surface* s, double volume) {
    const double v = pktest::SignedVolume(s);
    if (std::fabs(v - volume) > kTol * std::fabs(volume)) {
        return ::testing::AssertionFailure() << "signed volume " << v << ", expected " << volume;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsSound(const G3Surface* s, double volume) {
    if (auto well = pktest::IsWellFormed(s); !well) return well;
    if (auto closed = pktest::IsClosedAndOriented(s); !closed) return closed;
    return KeepsVolume(s, volume);
}

}  // namespace

TEST(G3FacetHoles, PointInHoleIsOutsideFacet) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    const G3Facet* top = FacetWithHoles(slab.get());
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
    const G3Facet* top = FacetWithHoles(one.get());
    const G3Facet* bottom = FacetWithHoles(one.get(), false);
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
    const G3Facet* twoTop = FacetWithHoles(two.get());
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
            const G3Facet* f = FacetWithHoles(slab.get(), up);
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

TEST(G3FacetHoles, OrientNormals2KeepsSlabWithOpeningOutward) {
    for (const bool far : {false, true}) {
        SCOPED_TRACE(far ? "far" : "near");
        SurfacePtr slab(pktest::MakeSlabWithOpening(far));
        ASSERT_TRUE(IsSound(slab.get(), kOneOpening));
        ASSERT_TRUE(slab->OrientNormals2(true));
        EXPECT_TRUE(IsSound(slab.get(), kOneOpening));
        EXPECT_EQ(slab->GetFacetCount(), 10);
        // Turned inside out first, it comes back outward.
        slab->NegNormals();
        EXPECT_TRUE(KeepsVolume(slab.get(), -kOneOpening));
        ASSERT_TRUE(slab->OrientNormals2(true));
        EXPECT_TRUE(IsSound(slab.get(), kOneOpening));
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
    const G3Facet* oneTop = FacetWithHoles(one.get());
    double x = -1, y = -1;
    ASSERT_TRUE(oneTop->GenerateXYPointInFacetConcave(x, y));
    EXPECT_FALSE(x >= 4 && x <= 6 && y >= 4 && y <= 6) << x << ", " << y;
    for (const bool far : {false, true}) {
        SurfacePtr slab(pktest::MakeSlabWithTwoOpenings(far));
        for (const bool up : {true, false}) {
            const G3Facet* f = FacetWithHoles(slab.get(), up);
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
    const G3Facet* top = FacetWithHoles(slab.get());
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
            G3Facet* top = FacetWithHoles(s);
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
            G3Facet* bottom = FacetWithHoles(s, false);
            ASSERT_NE(bottom, nullptr);
            EXPECT_NEAR(bottom->CalcArea(), area, kTol * area);
        }
    }
}

TEST(G3FacetHoles, HoleEdgeSideIsTheMaterialSide) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    const G3Facet* top = FacetWithHoles(slab.get());
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

// Each pass a host runs on a mesh must leave a slab with openings closed, paired and of
// the same volume.
TEST(G3FacetHoles, SlabsWithOpeningsSurviveEveryPass) {
    struct Pass {
        const char* name;
        bool (*run)(G3Surface*);
    };
    const std::string dump = ::testing::TempDir() + "holes-slab.dump";
    const Pass passes[] = {
        {"OrientNormals2", [](G3Surface* s) { return s->OrientNormals2(true); }},
        {"Update 1001", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1001), true; }},
        {"Update 1002", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1002), true; }},
        {"Update 1003", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1003), true; }},
        {"Triangulate concave", [](G3Surface* s) { return s->Triangulate(0x1, 0); }},
        {"RemoveEqualsVertexAndDivideEdges",
         [](G3Surface* s) { return s->RemoveEqualsVertexAndDivideEdges(), true; }},
        {"RemoveEqualsFacets", [](G3Surface* s) { return s->RemoveEqualsFacets(), true; }},
        {"RemoveSelfIntersections",
         [](G3Surface* s) { return s->RemoveSelfIntersections(), true; }},
    };
    for (const bool two : {false, true}) {
        for (const bool far : {false, true}) {
            for (const Pass& pass : passes) {
                SCOPED_TRACE(std::string(pass.name) + (two ? ", two openings" : ", one opening") +
                             (far ? ", far" : ""));
                SurfacePtr s(two ? pktest::MakeSlabWithTwoOpenings(far)
                                 : pktest::MakeSlabWithOpening(far));
                const double volume = two ? kTwoOpenings : kOneOpening;
                EXPECT_TRUE(pass.run(s.get()));
                s->AssignIds();
                EXPECT_TRUE(IsSound(s.get(), volume));
                EXPECT_NEAR(pktest::Area(s.get()),
                            two ? 2 * 55.5 + 0.3 * (32 + 2 * 6) : 2 * 96.0 + 0.3 * (40 + 8), 1e-6);
                // And through the dump and back.
                s->Save(dump.c_str());
                G3Surface back;
                ASSERT_TRUE(back.LoadChecked(dump.c_str()));
                back.FormPlaneEquation();
                EXPECT_TRUE(IsSound(&back, volume));
                EXPECT_EQ(back.GetFacetCount(), s->GetFacetCount());
            }
        }
    }
}

TEST(G3FacetHoles, WeldingAHoleShutDropsItsLoop) {
    // An opening narrower than the welding tolerance closes; the slab becomes a plain one.
    SurfacePtr slab(
        pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {{4, 4, 4 + 4e-7, 4 + 4e-7}}, 0.3));
    slab->RemoveEqualsVertex();
    slab->RemoveTrivialFacets();
    slab->RemoveUnused();
    EXPECT_TRUE(pktest::IsWellFormed(slab.get()));
    EXPECT_EQ(slab->GetFacetCount(), 6);
    for (int i = 0; i < slab->GetFacetCount(); ++i) EXPECT_EQ(slab->GetFacet(i)->GetEdgeCount(), 4);
    EXPECT_TRUE(IsSound(slab.get(), 30.0));
}

TEST(G3FacetHoles, DoubledFacetWithHoleIsFoundOnlyWithTheSameHoles) {
    SurfacePtr slab(pktest::MakeSlabWithTwoOpenings());
    const G3Facet* top = FacetWithHoles(slab.get());
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    ASSERT_TRUE(top->GetLoops(starts, ends));
    // The same loops again, each starting elsewhere and the holes in the other order.
    auto loop = [&](int l, int shift) {
        const int b = l == 0 ? 0 : ends[l - 1], n = ends[l] - b;
        std::vector<G3Vertex*> v;
        for (int k = 0; k < n; ++k) v.push_back(starts[b + (k + shift) % n]);
        return v;
    };
    auto addWithHoles = [&](const std::vector<G3Vertex*>& outline,
                            const std::vector<std::vector<G3Vertex*>>& holes) {
        std::vector<G3Vertex*> v = outline;
        G3Facet* f = slab->AddFacet(static_cast<int>(v.size()), v.data(), 1, nullptr, nullptr);
        for (const auto& h : holes) {
            for (std::size_t k = 0; k < h.size(); ++k)
                slab->AddEdge(h[k], h[(k + 1) % h.size()], f);
        }
        f->FormPlaneEquation();
    };
    addWithHoles(loop(0, 2), {loop(2, 1), loop(1, 3)});
    addWithHoles(loop(0, 1), {loop(1, 0)});  // one hole fewer: a different facet
    const int before = slab->GetFacetCount();
    slab->RemoveEqualsFacets();
    EXPECT_EQ(slab->GetFacetCount(), before - 1);
    int doubleSided = 0;
    for (int i = 0; i < slab->GetFacetCount(); ++i)
        doubleSided += slab->GetFacet(i)->GetDoubleSided();
    EXPECT_EQ(doubleSided, 1);
}

TEST(G3FacetHoles, MergingAcrossAnEdgeKeepsTheHole) {
    for (const bool inPlane : {false, true}) {
        SCOPED_TRACE(inPlane ? "UnionInPlaneFacets" : "UnionFacets");
        // A 10 × 10 plate with the opening at (4..6)², and a strip north of it sharing its
        // north edge, which the plate runs from east to west and the strip back.
        G3Surface plate;
        const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        const double hole[4][2] = {{4, 4}, {4, 6}, {6, 6}, {6, 4}};
        G3Vertex *o[4], *h[4];
        for (int k = 0; k < 4; ++k) {
            o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
            h[k] = plate.AddVertex(hole[k][0], hole[k][1], 0, 0);
        }
        G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
        for (int k = 0; k < 4; ++k) plate.AddEdge(h[k], h[(k + 1) % 4], f);
        f->FormPlaneEquation();
        G3Vertex* strip[4] = {o[3], o[2], plate.AddVertex(10, 12, 0, 0),
                              plate.AddVertex(0, 12, 0, 0)};
        ASSERT_NE(plate.AddFacet(4, strip, 1, nullptr, nullptr), nullptr);
        GArrayCollection shared(2, 2);
        o[3]->GetEdges(o[2], &shared);
        ASSERT_EQ(shared.size(), 1);
        static_cast<G3Edge*>(shared.get(0))->SetFlags(G3EDGE_NEW);
        if (inPlane) {
            plate.UnionInPlaneFacets(G3EDGE_NEW);
        } else {
            plate.UnionFacets(G3EDGE_NEW);
        }
        plate.RemoveUnused();
        plate.AssignIds();
        ASSERT_EQ(plate.GetFacetCount(), 1);
        EXPECT_TRUE(pktest::IsWellFormed(&plate));
        G3Facet* merged = plate.GetFacet(0);
        merged->FormPlaneEquation();
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        ASSERT_TRUE(merged->GetLoops(starts, ends));
        EXPECT_EQ(ends.size(), 2u);
        EXPECT_NEAR(merged->CalcArea(), 116, kTol * 116);
        EXPECT_NEAR(pktest::Area(&plate), 116, kTol * 116);
        EXPECT_GT(merged->GetPlaneC(), 0.999);
        const double inHole[3] = {5, 5, 0}, inStrip[3] = {5, 11, 0};
        G3Vertex *a, *b;
        EXPECT_FALSE(merged->PointInFacetXY(inHole, &a, &b));
        EXPECT_TRUE(merged->PointInFacetXY(inStrip, &a, &b));
    }
}

// A vertex inserted into any edge of a facet with holes, the first edge of a hole loop and
// the last edge of the outline included, joins the loop in the right place.
TEST(G3FacetHoles, SplittingAnyEdgeKeepsLoopsHeadToTail) {
    SurfacePtr probe(pktest::MakeSlabWithOpening());
    const int n = FacetWithHoles(probe.get())->GetEdgeCount();
    for (int k = 0; k < n; ++k) {
        SCOPED_TRACE("ring edge " + std::to_string(k));
        SurfacePtr slab(pktest::MakeSlabWithOpening());
        G3Facet* top = FacetWithHoles(slab.get());
        G3Edge* e = top->GetFirstEdge();
        for (int m = 0; m < k; ++m) e = top->NextEdge(e);
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        G3Vertex* mid = slab->AddVertex(0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1]), a[2], 0);
        slab->SplitEdge(e, mid);
        slab->RemoveUnused();
        slab->AssignIds();
        EXPECT_EQ(top->GetEdgeCount(), n + 1);
        EXPECT_TRUE(IsSound(slab.get(), kOneOpening));
    }
    // The same through the T-junction repair: a wall of the opening made of two quads
    // leaves a corner on the middle of the top's and the bottom's hole edge.
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    GArrayCollection walls(2, 2);
    for (int i = 0; i < slab->GetFacetCount(); ++i) {
        G3Facet* f = slab->GetFacet(i);
        if (std::fabs(f->GetPlaneA() - 1) < 1e-12 && std::fabs(f->GetPlaneD() + 4) < 1e-12) {
            walls.add(f);  // the opening's west wall, x = 4, facing +x
        }
    }
    ASSERT_EQ(walls.size(), 1);
    slab->RemoveFacet(static_cast<G3Facet*>(walls.get(0)));
    slab->RemoveUnused();
    G3Vertex* c[6] = {slab->AddVertex(4, 6, 0, 0),   slab->AddVertex(4, 5, 0, 0),
                      slab->AddVertex(4, 4, 0, 0),   slab->AddVertex(4, 4, 0.3, 0),
                      slab->AddVertex(4, 5, 0.3, 0), slab->AddVertex(4, 6, 0.3, 0)};
    // Running the bottom edge from y = 4 to y = 6, as the wall they replace.
    G3Vertex* q1[4] = {c[2], c[1], c[4], c[3]};
    G3Vertex* q2[4] = {c[1], c[0], c[5], c[4]};
    slab->AddFacet(4, q1, 1, nullptr, nullptr);
    slab->AddFacet(4, q2, 1, nullptr, nullptr);
    slab->RemoveEqualsVertexAndDivideEdges();
    slab->RemoveNonManifoldEdges();
    slab->AssignIds();
    EXPECT_EQ(FacetWithHoles(slab.get())->GetEdgeCount(), 9);
    EXPECT_TRUE(IsSound(slab.get(), kOneOpening));
}

// Coplanar facets on both sides of an edge hide it, also when one side is a hole's edge:
// a plate with an opening and a lid filling it show no seam.
TEST(G3FacetHoles, SeamBetweenHoleAndItsLidIsHidden) {
    G3Surface plate;
    const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const double hole[4][2] = {{4, 4}, {4, 6}, {6, 6}, {6, 4}};
    G3Vertex *o[4], *h[4];
    for (int k = 0; k < 4; ++k) {
        o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
        h[k] = plate.AddVertex(hole[k][0], hole[k][1], 0, 0);
    }
    G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
    for (int k = 0; k < 4; ++k) plate.AddEdge(h[k], h[(k + 1) % 4], f);
    f->FormPlaneEquation();
    G3Vertex* lid[4] = {h[3], h[2], h[1], h[0]};
    plate.AddFacet(4, lid, 1, nullptr, nullptr);
    plate.MarkInPlaneEdgesAsInvisible();
    int hidden = 0, shown = 0;
    for (int i = 0; i < plate.GetEdgeCount(); ++i) {
        const G3Edge* e = plate.GetEdge(i);
        (e->GetFacetCount() == 2 ? hidden : shown) += e->IsInvisible() == (e->GetFacetCount() == 2);
    }
    EXPECT_EQ(hidden, 4) << "the lid's seam";
    EXPECT_EQ(shown, 4) << "the outline";
}

// A hole corner that is not a number, or loop ends that do not fit the vertices, give
// answers, never a crash.
TEST(G3FacetHoles, HardInputInALoopGivesAnAnswer) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    G3Facet* top = FacetWithHoles(slab.get());
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

// Merging two corners of a triangular hole in place leaves a loop of two edges, which
// encloses nothing: it goes, and the plate is whole again.
TEST(G3FacetHoles, CollapsedHoleLeavesTheRing) {
    G3Surface plate;
    const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    G3Vertex* o[4];
    for (int k = 0; k < 4; ++k) o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
    G3Vertex* h[3] = {plate.AddVertex(4, 4, 0, 0), plate.AddVertex(5, 6, 0, 0),
                      plate.AddVertex(6, 4, 0, 0)};
    G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
    for (int k = 0; k < 3; ++k) plate.AddEdge(h[k], h[(k + 1) % 3], f);
    f->FormPlaneEquation();
    ASSERT_NEAR(f->CalcArea(), 98, kTol);
    GArrayCollection collapsed(2, 2);
    ASSERT_TRUE(plate.ChangeVertex(h[1], h[0], &collapsed));
    EXPECT_EQ(collapsed.size(), 1);
    plate.RemoveUnused();
    plate.AssignIds();
    EXPECT_TRUE(pktest::IsWellFormed(&plate));
    EXPECT_EQ(f->GetEdgeCount(), 4);
    EXPECT_NEAR(f->CalcArea(), 100, kTol);
    const double middle[3] = {5, 4.5, 0};
    G3Vertex *a, *b;
    EXPECT_TRUE(f->PointInFacetXY(middle, &a, &b));
}
