// Flat pads levelled into terrains: the plan stays covered once and faces up, pads take
// their heights, break lines outside the pads survive as edge chains, and the covered
// solid holds ∫z.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TerrainCheck.h"

namespace {

using pktest::TerrainPoint;
using Outline = std::vector<TerrainPoint>;

bool InBox(double x, double y, double x0, double y0, double x1, double y1) {
    return x >= x0 && x <= x1 && y >= y0 && y <= y1;
}

void AddPad(G3LandscapeHandler& h, const Outline& pad) {
    h.StartContour();
    for (const auto& p : pad) h.AddContourVertex(p.x, p.y, p.z);
    ASSERT_TRUE(h.EndContour());
}

Outline Square(double x0, double y0, double x1, double y1, double z) {
    return {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
}

std::unique_ptr<G3Surface> Flat(double z, double step = 1.0) {
    G3LandscapeHandler h;
    return std::unique_ptr<G3Surface>(
        pktest::MakeTerrain(h, pktest::GridPoints(int(20 / step), int(20 / step), step,
                                                  [z](double, double) { return z; })));
}

auto Everywhere = [](double x, double y) { return InBox(x, y, 0, 0, 20, 20); };

// Closes a copy of t and checks its volume against ∫z.
::testing::AssertionResult CoversToIntegral(G3LandscapeHandler& h, const G3Surface* t) {
    std::unique_ptr<G3Surface> solid(const_cast<G3Surface*>(t)->Duplicate());
    const double integral = pktest::IntegralOfZ(t);
    h.SurfaceCover(solid.get());
    return pktest::IsCoverOf(solid.get(), integral, 1e-9);
}

}  // namespace

TEST(G3LandscapeFlatRegion, SquarePadKeepsThePlanAndTakesItsHeight) {
    auto t = Flat(0.0);
    const int facetsBefore = t->GetFacetCount();
    G3LandscapeHandler h;
    h.SetOffsetDistance(2.0);
    AddPad(h, Square(5, 5, 15, 15, 2.0));
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    EXPECT_NEAR(pktest::SignedPlanAreaOf(r.get()), 400.0, 1e-9);
    for (double x = 0.25; x < 20; x += 0.5) {
        for (double y = 0.25; y < 20; y += 0.5) {
            double z = NAN;
            ASSERT_TRUE(pktest::HeightAt(r.get(), x, y, &z)) << x << " " << y;
            if (InBox(x, y, 5, 5, 15, 15)) {
                EXPECT_NEAR(z, 2.0, 1e-9) << x << " " << y;
            } else if (!InBox(x, y, 3, 3, 17, 17)) {
                EXPECT_NEAR(z, 0.0, 1e-9) << x << " " << y;
            } else {
                EXPECT_GE(z, -1e-9);
                EXPECT_LE(z, 2.0 + 1e-9);
            }
        }
    }
    // The caller's terrain is left as it was, facing up.
    EXPECT_EQ(t->GetFacetCount(), facetsBefore);
    EXPECT_TRUE(pktest::FacesUp(t.get()));
}

TEST(G3LandscapeFlatRegion, RepeatedCallLevelsTheSameRegion) {
    auto t = Flat(1.0);
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.5);
    AddPad(h, Square(6, 4, 12, 9, 3.0));
    std::unique_ptr<G3Surface> once(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(once, nullptr);
    // The stored contour is now densified and still passes through every corner.
    std::unique_ptr<G3Surface> twice(h.ApplyFlatRegion(once.get()));
    ASSERT_NE(twice, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(twice.get(), 400.0, Everywhere));
    for (double x = 0.3; x < 20; x += 0.7) {
        for (double y = 0.3; y < 20; y += 0.7) {
            double a = NAN, b = NAN;
            ASSERT_TRUE(pktest::HeightAt(once.get(), x, y, &a));
            ASSERT_TRUE(pktest::HeightAt(twice.get(), x, y, &b));
            if (InBox(x, y, 6, 4, 12, 9)) {
                EXPECT_NEAR(b, 3.0, 1e-9);
            }
            if (!InBox(x, y, 4.5, 2.5, 13.5, 10.5)) {
                EXPECT_NEAR(b, 1.0, 1e-9);
            }
            EXPECT_NEAR(a, b, 0.5);
        }
    }
    EXPECT_TRUE(CoversToIntegral(h, twice.get()));
}

TEST(G3LandscapeFlatRegion, LShapedPadOnASlopeCoversItsPlanExactly) {
    G3LandscapeHandler maker;
    auto slope = [](double x, double y) { return 3 + 0.1 * x + 0.05 * y; };
    std::unique_ptr<G3Surface> t(
        pktest::MakeTerrain(maker, pktest::GridPoints(20, 20, 1.0, slope)));
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.0);
    // 8 x 6 without its corner (12..16, 9..12): the pad is concave.
    AddPad(h, {{8, 6, 4}, {16, 6, 4}, {16, 9, 4}, {12, 9, 4}, {12, 12, 4}, {8, 12, 4}});
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    double z = NAN;
    ASSERT_TRUE(pktest::HeightAt(r.get(), 10, 10, &z));
    EXPECT_NEAR(z, 4.0, 1e-9);
    ASSERT_TRUE(pktest::HeightAt(r.get(), 15.5, 11.5, &z));  // the notch, beyond the band
    EXPECT_NEAR(z, slope(15.5, 11.5), 1e-9);
    EXPECT_TRUE(CoversToIntegral(h, r.get()));
}

TEST(G3LandscapeFlatRegion, TwoPadsSideBySide) {
    auto t = Flat(2.0);
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.0);
    AddPad(h, Square(2, 2, 8, 8, 3.0));
    AddPad(h, Square(11, 3, 17, 16, 1.0));
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    double z = NAN;
    ASSERT_TRUE(pktest::HeightAt(r.get(), 5, 5, &z));
    EXPECT_NEAR(z, 3.0, 1e-9);
    ASSERT_TRUE(pktest::HeightAt(r.get(), 14, 10, &z));
    EXPECT_NEAR(z, 1.0, 1e-9);
    ASSERT_TRUE(pktest::HeightAt(r.get(), 9.5, 18.5, &z));
    EXPECT_NEAR(z, 2.0, 1e-9);
    EXPECT_TRUE(CoversToIntegral(h, r.get()));
}

TEST(G3LandscapeFlatRegion, PadAcrossABreakLineKeepsTheLineOutsideItsBand) {
    // A ridge along y = 10 between scattered survey points.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(0.0, 20.0);
    auto ridge = [](double x, double y) { return 6 - 0.3 * std::fabs(y - 10) + 0.02 * x; };
    std::vector<TerrainPoint> pts = {{0, 0, 0}, {20, 0, 0}, {20, 20, 0}, {0, 20, 0}};
    for (int i = 0; i < 300; ++i) pts.push_back({d(rng), d(rng), 0});
    std::vector<std::pair<int, int>> lines;
    const int first = int(pts.size());
    for (int i = 0; i <= 20; ++i) pts.push_back({double(i), 10.0, 0});
    for (int i = 0; i < 20; ++i) lines.push_back({first + i, first + i + 1});
    for (auto& p : pts) p.z = ridge(p.x, p.y);
    G3LandscapeHandler maker;
    std::unique_ptr<G3Surface> t(pktest::MakeTerrain(maker, pts, lines));
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(pktest::IsEdgeChain(t.get(), {0, 10, 0}, {20, 10, 0}));
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.5);
    AddPad(h, Square(8, 7, 12.5, 13, 5.0));
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    EXPECT_TRUE(pktest::IsEdgeChain(r.get(), {0, 10, 0}, {6.5, 10, 0}));
    EXPECT_TRUE(pktest::IsEdgeChain(r.get(), {14, 10, 0}, {20, 10, 0}));
    double z = NAN;
    ASSERT_TRUE(pktest::HeightAt(r.get(), 10, 10.0001, &z));  // the pad wins over the ridge
    EXPECT_NEAR(z, 5.0, 1e-9);
    EXPECT_TRUE(CoversToIntegral(h, r.get()));
}

TEST(G3LandscapeFlatRegion, PadPastTheEdgeIsClippedToTheFootprint) {
    auto t = Flat(1.0);
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.0);
    AddPad(h, Square(15, 5, 25, 10, 2.0));
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    double z = NAN;
    ASSERT_TRUE(pktest::HeightAt(r.get(), 18, 7, &z));
    EXPECT_NEAR(z, 2.0, 1e-9);
    ASSERT_TRUE(pktest::HeightAt(r.get(), 19.9, 4.5, &z));  // in the band, on the terrain
    EXPECT_GE(z, 1.0 - 1e-9);
    EXPECT_LE(z, 2.0 + 1e-9);
    EXPECT_TRUE(CoversToIntegral(h, r.get()));
}

TEST(G3LandscapeFlatRegion, PadOffTheTerrainOrTinyOffsetGivesNull) {
    auto t = Flat(1.0);
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.0);
    AddPad(h, Square(30, 30, 40, 40, 2.0));
    EXPECT_EQ(h.ApplyFlatRegion(t.get()), nullptr);
    G3LandscapeHandler none;
    none.SetOffsetDistance(1.0);
    EXPECT_EQ(none.ApplyFlatRegion(t.get()), nullptr);  // no contours
    for (double d : {0.99e-4, -0.99e-4}) {
        G3LandscapeHandler tiny;
        tiny.SetOffsetDistance(d);
        AddPad(tiny, Square(5, 5, 10, 10, 2.0));
        EXPECT_EQ(tiny.ApplyFlatRegion(t.get()), nullptr) << d;
    }
    G3Surface empty;
    EXPECT_EQ(h.ApplyFlatRegion(&empty), nullptr);
}

TEST(G3LandscapeFlatRegion, SheetMinusAClosedPrismKeepsOnlyTheSheetOutside) {
    // The cut the pads rest on: an open terrain less a closed L-shaped prism standing
    // through it loses the prism's plan and keeps nothing of the prism.
    G3LandscapeHandler maker;
    auto slope = [](double x, double y) { return 2 + 0.1 * x + 0.05 * y; };
    G3Surface* sheet = pktest::MakeTerrain(maker, pktest::GridPoints(10, 10, 2.0, slope));
    G3Surface* prism =
        pktest::MakePrismBetween({{4, 4}, {12, 4}, {12, 7}, {8, 7}, {8, 10}, {4, 10}}, -5, 10);
    G3BooleanCalculator calculator;
    std::unique_ptr<G3Surface> r(calculator.Sub(sheet, prism));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0 - 36.0, [](double x, double y) {
        const bool inL = InBox(x, y, 4, 4, 12, 7) || InBox(x, y, 4, 4, 8, 10);
        return InBox(x, y, 0, 0, 20, 20) && !inL;
    }));
    for (int i = 0; i < r->GetVertexCount(); ++i) {
        const G3Vertex* v = r->GetVertex(i);
        EXPECT_NEAR(v->GetZ(), slope(v->GetX(), v->GetY()), 1e-9);
    }
}

TEST(G3LandscapeFlatRegion, DensifiedContourPassesThroughEveryCorner) {
    auto t = Flat(1.0);
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.0);
    const Outline pad = {{4, 4, 2}, {12, 4, 2}, {12, 7, 2}, {8, 7, 2}, {8, 10, 2}, {4, 10, 2}};
    AddPad(h, pad);
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    auto* c = static_cast<GArrayCollection*>(h.GetContours()->get(0));
    ASSERT_GT(c->size(), 6);
    auto* first = static_cast<G3Point*>(c->getFirst());
    auto* last = static_cast<G3Point*>(c->getLast());
    EXPECT_FALSE(first->Equals(last->GetXYZ()));  // still closed implicitly
    for (const auto& corner : pad) {
        bool found = false;
        for (int i = 0; i < c->size(); ++i) {
            const double* p = static_cast<G3Point*>(c->get(i))->GetXYZ();
            found =
                found || (std::fabs(p[0] - corner.x) < 1e-12 && std::fabs(p[1] - corner.y) < 1e-12);
        }
        EXPECT_TRUE(found) << corner.x << " " << corner.y;
    }
}

TEST(G3LandscapeFlatRegion, TerrainFacingDownGivesATerrainFacingUp) {
    // A terrain turned down by an orientation pass is read as it is and left so.
    G3LandscapeHandler maker;
    auto slope = [](double x, double y) { return 3 + 0.1 * x - 0.05 * y; };
    std::unique_ptr<G3Surface> t(
        pktest::MakeTerrain(maker, pktest::GridPoints(20, 20, 1.0, slope)));
    t->NegNormals();
    G3LandscapeHandler h;
    h.SetOffsetDistance(2.0);
    AddPad(h, Square(3, 12, 9, 17, 4.0));
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 400.0, Everywhere));
    EXPECT_LT(pktest::SignedPlanAreaOf(t.get()), 0.0);
    EXPECT_TRUE(CoversToIntegral(h, r.get()));
}
