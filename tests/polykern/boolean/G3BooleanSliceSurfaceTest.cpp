// Bodies cut by open sheets: two closed pieces capped outward, volumes adding up, and the
// body given back whole when the sheet does not divide it.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

struct P3 {
    double x, y, z;
};

// An open sheet of quads, each given counter-clockwise about its normal; corners shared
// between quads are welded by position.
G3Surface* MakeSheet(const std::vector<std::vector<P3>>& quads, bool far = false) {
    auto* s = new G3Surface();
    for (const auto& quad : quads) {
        std::vector<int> idx;
        for (P3 p : quad) {
            double xyz[3] = {p.x, p.y, p.z};
            if (far) pktest::MoveFar(xyz);
            G3Vertex* v = s->AddVertex(xyz, 0);
            int k = 0;
            while (s->GetVertex(k) != v) ++k;
            idx.push_back(k);
        }
        s->AddFacet(int(idx.size()), idx.data(), 1, nullptr, nullptr);
    }
    return s;
}

// The horizontal sheet z = h over [x0, x1] × [y0, y1], facing up, in 2 × 2 quads.
G3Surface* FlatSheet(double h, double x0, double y0, double x1, double y1, bool far = false) {
    const double xm = 0.5 * (x0 + x1), ym = 0.5 * (y0 + y1);
    std::vector<std::vector<P3>> quads;
    for (auto [a, b] : {std::pair{x0, xm}, {xm, x1}}) {
        for (auto [c, d] : {std::pair{y0, ym}, {ym, y1}})
            quads.push_back({{a, c, h}, {b, c, h}, {b, d, h}, {a, d, h}});
    }
    return MakeSheet(quads, far);
}

struct Pieces {
    bool divided = false;
    std::unique_ptr<G3Surface> front, back;
};

Pieces Cut(G3Surface* body, G3Surface* sheet) {
    G3BooleanCalculator bc;
    G3Surface *a = nullptr, *b = nullptr;
    Pieces p;
    p.divided = bc.SliceBySurface(body, sheet, &a, &b);
    p.front.reset(a);
    p.back.reset(b);
    return p;
}

}  // namespace

TEST(G3SliceBySurface, FlatSheetThroughLBuildingCapsBothPiecesOutward) {
    for (bool far : {false, true}) {
        Pieces p = Cut(pktest::MakeLShapedBuilding(far), FlatSheet(1.0, -1, -1, 9, 7, far));
        ASSERT_TRUE(p.divided) << far;
        // The L's plan is 36 m²; the sheet's normals point up, to the upper 2 m.
        EXPECT_TRUE(pktest::IsClosedWithVolume(p.front.get(), 72.0, 1e-7)) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(p.back.get(), 36.0, 1e-7)) << far;
    }
}

// A rolling terrain of triangles through the L: every piece closed, nothing lost.
TEST(G3SliceBySurface, TerrainSheetSplitsTheLWithoutLosingVolume) {
    auto height = [](double x, double y) {
        return 1.2 + 0.4 * std::sin(0.9 * x) * std::cos(0.7 * y);
    };
    std::vector<std::vector<P3>> triangles;
    for (int i = -1; i < 9; ++i) {
        for (int j = -1; j < 7; ++j) {
            const P3 a{double(i), double(j), height(i, j)}, b{i + 1.0, double(j), height(i + 1, j)},
                c{i + 1.0, j + 1.0, height(i + 1, j + 1)}, d{double(i), j + 1.0, height(i, j + 1)};
            triangles.push_back({a, b, c});
            triangles.push_back({a, c, d});
        }
    }
    Pieces p = Cut(pktest::MakeLShapedBuilding(), MakeSheet(triangles));
    ASSERT_TRUE(p.divided);
    EXPECT_TRUE(pktest::IsClosedAndOriented(p.front.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(p.back.get()));
    const double above = pktest::SignedVolume(p.front.get()),
                 below = pktest::SignedVolume(p.back.get());
    EXPECT_GT(above, 0.0);
    EXPECT_GT(below, 0.0);
    EXPECT_NEAR(above + below, 108.0, 1e-9 * 108.0);
}

// A steep ridge: its two facets' normals point apart, so one normal for every cut puts
// parts of the end walls on the wrong side.
TEST(G3SliceBySurface, SteepRidgeSortsEachCutByItsOwnSheetFacet) {
    const std::vector<std::vector<P3>> ridge = {
        {{-0.5, -0.5, -2}, {1, -0.5, 2.5}, {1, 1.5, 2.5}, {-0.5, 1.5, -2}},
        {{1, -0.5, 2.5}, {2.5, -0.5, -2}, {2.5, 1.5, -2}, {1, 1.5, 2.5}}};
    const std::vector<pktest::PlanPoint> box = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
    Pieces p = Cut(pktest::MakePrism(box, 3.0), MakeSheet(ridge));
    ASSERT_TRUE(p.divided);
    // Under the ridge z = 2.5 − 3|x − 1|, inside the box: 2 · 2.5² / (2 · 3) = 25/12.
    EXPECT_TRUE(pktest::IsClosedWithVolume(p.back.get(), 25.0 / 12.0, 1e-9));
    EXPECT_TRUE(pktest::IsClosedWithVolume(p.front.get(), 6.0 - 25.0 / 12.0, 1e-9));
}

// The sheet y = 2 crosses both arms of a U, so one side is two pieces apart; the diagonal
// sheet x = y runs along two edges of the cube, where no new cut is made.
TEST(G3SliceBySurface, SidesInSeveralPiecesAndCutsAlongExistingEdges) {
    const std::vector<pktest::PlanPoint> u = {{0, 0}, {3, 0}, {3, 3}, {2, 3},
                                              {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    std::vector<std::vector<P3>> wall;
    for (auto [a, b] : {std::pair{-1.0, 1.5}, {1.5, 4.0}})
        wall.push_back({{a, 2, -1}, {a, 2, 3}, {b, 2, 3}, {b, 2, -1}});
    Pieces arms = Cut(pktest::MakePrism(u, 2.0), MakeSheet(wall));
    ASSERT_TRUE(arms.divided);
    EXPECT_TRUE(pktest::IsClosedWithVolume(arms.front.get(), 4.0));
    EXPECT_TRUE(pktest::IsClosedWithVolume(arms.back.get(), 10.0));

    const std::vector<std::vector<P3>> diagonal = {
        {{-0.5, -0.5, -0.5}, {1.5, 1.5, -0.5}, {1.5, 1.5, 1.5}, {-0.5, -0.5, 1.5}}};
    Pieces halves = Cut(pktest::MakeCube(), MakeSheet(diagonal));
    ASSERT_TRUE(halves.divided);
    EXPECT_TRUE(pktest::IsClosedWithVolume(halves.front.get(), 0.5));
    EXPECT_TRUE(pktest::IsClosedWithVolume(halves.back.get(), 0.5));
}

TEST(G3SliceBySurface, SheetThatDoesNotDivideGivesTheBodyBackWhole) {
    // Closed cutter, a sheet beside the body, and a sheet reaching only half-way in.
    std::vector<G3Surface*> cutters = {pktest::MakeCube(0.2, 0.2, 0.2, 0.5),
                                       FlatSheet(0.5, 3, 3, 4, 4), FlatSheet(0.5, -1, -1, 0.5, 2)};
    for (G3Surface* cutter : cutters) {
        Pieces p = Cut(pktest::MakeCube(), cutter);
        EXPECT_FALSE(p.divided);
        EXPECT_EQ(p.back, nullptr);
        EXPECT_TRUE(pktest::IsClosedWithVolume(p.front.get(), 1.0));
    }
    // Missing arguments consume what was given and answer false.
    G3BooleanCalculator bc;
    G3Surface* a = nullptr;
    EXPECT_FALSE(bc.SliceBySurface(nullptr, FlatSheet(0.5, -1, -1, 2, 2), &a, &a));
    EXPECT_FALSE(bc.SliceBySurface(pktest::MakeCube(), nullptr, &a, nullptr));
    EXPECT_EQ(a, nullptr);
}

// A slab with an opening: a level sheet cuts it into two plates whose caps carry the hole,
// and an upright sheet through the opening meets the material in two strips only.
TEST(G3SliceBySurface, SlabWithOpeningKeepsItsHoleInTheCaps) {
    for (bool far : {false, true}) {
        Pieces level =
            Cut(pktest::MakeSlabWithOpening(far), FlatSheet(0.1, -1, -1, 11, 11, far));
        ASSERT_TRUE(level.divided) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(level.front.get(), 96.0 * 0.2, 1e-7)) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(level.back.get(), 96.0 * 0.1, 1e-7)) << far;
        EXPECT_NE(pktest::FindFacetWithHoles(level.front.get(), false), nullptr) << far;
        EXPECT_NE(pktest::FindFacetWithHoles(level.back.get(), true), nullptr) << far;

        std::vector<std::vector<P3>> upright;
        for (auto [y0, y1] : {std::pair{-1.0, 5.0}, {5.0, 11.0}})
            upright.push_back({{5, y0, -1}, {5, y1, -1}, {5, y1, 1}, {5, y0, 1}});
        Pieces halves = Cut(pktest::MakeSlabWithOpening(far), MakeSheet(upright, far));
        ASSERT_TRUE(halves.divided) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(halves.front.get(), 14.4, 1e-7)) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(halves.back.get(), 14.4, 1e-7)) << far;
    }
}
