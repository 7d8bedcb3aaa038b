// Edge and corner blends of closed bodies: the fillet removes (convex) or adds (concave)
// exactly the polygonal arc section swept along the edge, and the body stays closed.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

// The area between a right-angled edge and its fillet of radius r in n segments.
double RightAngleLoss(double r, int n) {
    return r * r * (1.0 - 0.5 * n * std::sin(M_PI / (2.0 * n)));
}

// The area between an edge of angle theta and its fillet: the kite between the edge, both
// tangent points and the centre, less the n triangles of the arc polygon.
double SectionLoss(double theta, double r, int n) {
    return r * r / std::tan(0.5 * theta) - 0.5 * n * r * r * std::sin((M_PI - theta) / n);
}

// The 4 × 2 × 3 box standing on the floor: volume 24.
G3Surface* MakeBox() {
    return pktest::MakePrism({{0, 0}, {4, 0}, {4, 2}, {0, 2}}, 3.0);
}

// Turns every vertex by `degrees` about z, then moves it by `shift`; planes fitted again.
void RotateAndMove(G3Surface* s, double degrees, const double* shift) {
    const double c = std::cos(degrees * M_PI / 180.0), sn = std::sin(degrees * M_PI / 180.0);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double p[3] = {c * v->GetX() - sn * v->GetY() + shift[0],
                             sn * v->GetX() + c * v->GetY() + shift[1], v->GetZ() + shift[2]};
        v->Set(p);
    }
    s->FormPlaneEquation();
}

void RotateAndMovePoint(double* p, double degrees, const double* shift) {
    const double c = std::cos(degrees * M_PI / 180.0), sn = std::sin(degrees * M_PI / 180.0);
    const double x = p[0], y = p[1];
    p[0] = c * x - sn * y + shift[0];
    p[1] = sn * x + c * y + shift[1];
    p[2] += shift[2];
}

// Exposes the solid builder.
class BlendProbe : public G3BooleanCalculator {
public:
    using G3BooleanCalculator::CreateBlendFacets;
};

}  // namespace

TEST(G3BooleanBlendConvex, BoxEdgeLosesExactPolygonalSection) {
    for (int n : {3, 16}) {
        G3BooleanCalculator bc;
        double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
        std::unique_ptr<G3Surface> out(bc.Blend(MakeBox(), p1, p2, 0.5, 0.5, n));
        ASSERT_NE(out, nullptr) << n;
        EXPECT_TRUE(pktest::IsWellFormed(out.get())) << n;
        EXPECT_TRUE(pktest::IsClosedAndOriented(out.get())) << n;
        const double lost = 24.0 - pktest::SignedVolume(out.get());
        const double expected = RightAngleLoss(0.5, n) * 3.0;
        EXPECT_NEAR(lost, expected, 1e-9 * expected) << n;
    }
}

TEST(G3BooleanBlendConvex, UnitCubeEdgeIsConvexWhereARayLeavesThroughTheOppositeEdge) {
    // The bisector of the edge (1, 1, z) leaves the cube exactly through the opposite edge
    // (0, 0, z); the convexity is read from the facets, so the edge is filleted, not padded.
    G3BooleanCalculator bc;
    double p1[3] = {1, 1, 0}, p2[3] = {1, 1, 1};
    std::unique_ptr<G3Surface> out(bc.Blend(pktest::MakeCube(), p1, p2, 0.25, 0.25, 4));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double expected = RightAngleLoss(0.25, 4);
    EXPECT_NEAR(1.0 - pktest::SignedVolume(out.get()), expected, 1e-9 * expected);
}

TEST(G3BooleanBlendConvex, FineArcApproachesQuarterCircleLoss) {
    G3BooleanCalculator bc;
    double p1[3] = {0, 0, 3}, p2[3] = {4, 0, 3};
    std::unique_ptr<G3Surface> out(bc.Blend(MakeBox(), p1, p2, 1.0, 1.0, 64));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double lost = 24.0 - pktest::SignedVolume(out.get());
    // The polygon's shortfall against the true arc is about (π/4)·(π/128)²/6 of r².
    EXPECT_NEAR(lost, (1.0 - M_PI / 4.0) * 4.0, 1e-4 * 4.0);
    EXPECT_NEAR(lost, RightAngleLoss(1.0, 64) * 4.0, 1e-9 * lost);
}

TEST(G3BooleanBlendConvex, RotatedFarBoxLosesTheSameSection) {
    const double shift[3] = {4e5, 6e5, 0};
    G3Surface* box = MakeBox();
    RotateAndMove(box, 30.0, shift);
    double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
    RotateAndMovePoint(p1, 30.0, shift);
    RotateAndMovePoint(p2, 30.0, shift);
    const double before = pktest::SignedVolume(box);
    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> out(bc.Blend(box, p1, p2, 0.5, 0.5, 8));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    // Corners 7e5 from the origin keep about 1e-10 of their place: 1e-6 of the loss.
    const double expected = RightAngleLoss(0.5, 8) * 3.0;
    EXPECT_NEAR(before - pktest::SignedVolume(out.get()), expected, 1e-6 * expected);
}

TEST(G3BooleanBlendConvex, RoofEdgeEndingAtInnerCornerLeavesTheWingWhole) {
    // The roof edge along the inner wall y = 3 runs from the inner corner (4, 3) to (8, 3):
    // its fillet ends on the plane x = 4 of the other wing's wall, cutting nothing of it.
    G3BooleanCalculator bc;
    double p1[3] = {4, 3, 3}, p2[3] = {8, 3, 3};
    std::unique_ptr<G3Surface> out(bc.Blend(pktest::MakeLShapedBuilding(), p1, p2, 0.4, 0.4, 6));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double expected = RightAngleLoss(0.4, 6) * 4.0;
    EXPECT_NEAR(108.0 - pktest::SignedVolume(out.get()), expected, 1e-9 * expected);
}

TEST(G3BooleanBlendConvex, ObtuseEdgeOfPrismLosesItsSection) {
    // The wall between (4, 0) and (6, 2) meets the wall along y = 0 at 135°.
    G3Surface* s = pktest::MakePrism({{0, 0}, {4, 0}, {6, 2}, {0, 2}}, 2.0);
    const double before = pktest::SignedVolume(s);
    G3BooleanCalculator bc;
    double p1[3] = {4, 0, 0}, p2[3] = {4, 0, 2};
    std::unique_ptr<G3Surface> out(bc.Blend(s, p1, p2, 0.7, 0.7, 5));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double expected = SectionLoss(0.75 * M_PI, 0.7, 5) * 2.0;
    EXPECT_NEAR(before - pktest::SignedVolume(out.get()), expected, 1e-9 * expected);
}

TEST(G3BooleanBlendConcave, InnerEdgeOfLBuildingGainsExactSection) {
    for (int n : {2, 12}) {
        G3BooleanCalculator bc;
        double p1[3] = {4, 3, 0}, p2[3] = {4, 3, 3};
        std::unique_ptr<G3Surface> out(
            bc.Blend(pktest::MakeLShapedBuilding(), p1, p2, 0.5, 0.5, n));
        ASSERT_NE(out, nullptr) << n;
        EXPECT_TRUE(pktest::IsWellFormed(out.get())) << n;
        EXPECT_TRUE(pktest::IsClosedAndOriented(out.get())) << n;
        const double gained = pktest::SignedVolume(out.get()) - 108.0;
        const double expected = RightAngleLoss(0.5, n) * 3.0;
        EXPECT_NEAR(gained, expected, 1e-9 * expected) << n;
    }
}

TEST(G3BooleanBlendConcave, SlopingRoofBoundsTheAddedFillet) {
    // The roof rises as z = 3 + 0.1·x: the fillet at the inner edge ends on it, not on the
    // plane z = 3 + 0.4 perpendicular to the edge, so nothing sticks out above the roof.
    G3Surface* s = pktest::MakeLShapedBuilding();
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        if (v->GetZ() > 1.0) {
            const double p[3] = {v->GetX(), v->GetY(), 3.0 + 0.1 * v->GetX()};
            v->Set(p);
        }
    }
    s->FormPlaneEquation();
    const double before = pktest::SignedVolume(s);
    const double r = 0.6;
    const int n = 6;
    G3BooleanCalculator bc;
    double p1[3] = {4, 3, 0}, p2[3] = {4, 3, 3.4};
    std::unique_ptr<G3Surface> out(bc.Blend(s, p1, p2, r, r, n));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    double top = 0.0;
    for (int i = 0; i < out->GetVertexCount(); ++i) {
        const G3Vertex* v = out->GetVertex(i);
        top = std::max(top, v->GetZ() - (3.0 + 0.1 * v->GetX()));
    }
    EXPECT_LT(top, 1e-9);
    // The section (4, 3), T1, arc…, T2 in plan; the solid's height over a point is 3 + 0.1·x,
    // so its volume is area · (3 + 0.1·x̄) with x̄ the section's centroid.
    std::vector<double> xs = {4}, ys = {3};
    for (int k = 0; k <= n; ++k) {
        const double phi = -0.5 * M_PI - 0.5 * M_PI * k / n;
        xs.push_back(4 + r + r * std::cos(phi));
        ys.push_back(3 + r + r * std::sin(phi));
    }
    double area = 0.0, cx = 0.0;
    for (size_t k = 0; k < xs.size(); ++k) {
        const size_t j = (k + 1) % xs.size();
        const double cross = xs[k] * ys[j] - xs[j] * ys[k];
        area += 0.5 * cross;
        cx += (xs[k] + xs[j]) * cross;
    }
    cx /= 6.0 * area;
    area = std::fabs(area);
    const double expected = area * (3.0 + 0.1 * cx);
    EXPECT_NEAR(area, RightAngleLoss(r, n), 1e-12);
    EXPECT_NEAR(pktest::SignedVolume(out.get()) - before, expected, 1e-9 * expected);
}

TEST(G3BooleanBlendRadii, TwoRadiiGiveALossBetweenTheirOwn) {
    // Every profile scales with its radius, so the lost section grows with r² and the
    // loss is section(1) · L · (r1² + r1·r2 + r2²) / 3.
    const double r1 = 0.3, r2 = 0.8;
    const int n = 6;
    double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
    double losses[3];
    const double radii[3][2] = {{r1, r1}, {r2, r2}, {r1, r2}};
    for (int k = 0; k < 3; ++k) {
        G3BooleanCalculator bc;
        std::unique_ptr<G3Surface> out(bc.Blend(MakeBox(), p1, p2, radii[k][0], radii[k][1], n));
        ASSERT_NE(out, nullptr) << k;
        EXPECT_TRUE(pktest::IsClosedAndOriented(out.get())) << k;
        losses[k] = 24.0 - pktest::SignedVolume(out.get());
    }
    EXPECT_GT(losses[2], losses[0]);
    EXPECT_LT(losses[2], losses[1]);
    const double expected = RightAngleLoss(1.0, n) * 3.0 * (r1 * r1 + r1 * r2 + r2 * r2) / 3.0;
    EXPECT_NEAR(losses[2], expected, 1e-9 * expected);
}

TEST(G3BooleanBlendSolid, PrismIsClosedOutwardWithFlatFacesInTheFacetPlanes) {
    // The fillet solid of the box edge x = 4, y = 2: f1 is the wall y = 2, f2 the wall x = 4.
    const int n = 5;
    const double r1 = 0.5, r2 = 0.9;
    std::vector<double> arc1, arc2;
    for (int k = 0; k <= n; ++k) {
        const double phi = 0.5 * M_PI * k / n;
        const double wx = -1 + std::sin(phi), wy = -1 + std::cos(phi);
        // From (−1, 0) about the centre (−1, −1) to (0, −1), the arc facing the edge.
        arc1.insert(arc1.end(), {4 + r1 * wx, 2 + r1 * wy, 0.0});
        arc2.insert(arc2.end(), {4 + r2 * wx, 2 + r2 * wy, 3.0});
    }
    const double a[3] = {4, 2, 0}, b[3] = {4, 2, 3};
    const double f1[4] = {0, 1, 0, -2}, f2[4] = {1, 0, 0, -4};
    BlendProbe probe;
    std::unique_ptr<G3Surface> solid(
        probe.CreateBlendFacets(a, b, arc1.data(), arc2.data(), n, f1, f2));
    ASSERT_NE(solid, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(solid.get()));
    const double expected = RightAngleLoss(1.0, n) * 3.0 * (r1 * r1 + r1 * r2 + r2 * r2) / 3.0;
    EXPECT_NEAR(pktest::SignedVolume(solid.get()), expected, 1e-9 * expected);
    int onF1 = 0, onF2 = 0;
    for (int i = 0; i < solid->GetFacetCount(); ++i) {
        const G3Facet* f = solid->GetFacet(i);
        EXPECT_TRUE(f->IsFlat()) << i;
        const double* p = f->GetPlane();
        if (p[0] == 0 && p[1] == 1 && p[2] == 0 && p[3] == -2) ++onF1;
        if (p[0] == 1 && p[1] == 0 && p[2] == 0 && p[3] == -4) ++onF2;
    }
    EXPECT_EQ(onF1, 1);
    EXPECT_EQ(onF2, 1);
    EXPECT_EQ(probe.CreateBlendFacets(a, b, arc1.data(), nullptr, n, f1, f2), nullptr);
    EXPECT_EQ(probe.CreateBlendFacets(a, b, arc1.data(), arc2.data(), 0, f1, f2), nullptr);
}

TEST(G3BooleanBlendRefused, CoplanarMissingOrUnfitEdgesGiveNull) {
    G3BooleanCalculator bc;
    // The split box's long faces meet their other halves in one plane along x = 2.
    double c1[3] = {2, 0, 0}, c2[3] = {2, 0, 2};
    EXPECT_EQ(bc.Blend(pktest::MakeSplitBox(), c1, c2, 0.2, 0.2, 4), nullptr);
    double m1[3] = {0, 0, 0}, m2[3] = {4, 2, 3};  // a diagonal, not an edge
    EXPECT_EQ(bc.Blend(MakeBox(), m1, m2, 0.2, 0.2, 4), nullptr);
    // A set-back of 2.5 passes the 2 wide wall.
    double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 2.5, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 0.2, 2.0, 4), nullptr);
}

TEST(G3BooleanBlendRefused, HardInputGivesNullWithoutLeaks) {
    G3BooleanCalculator bc;
    double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
    double bad[3] = {4, NAN, 0};
    EXPECT_EQ(bc.Blend(nullptr, p1, p2, 0.2, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), nullptr, p2, 0.2, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, bad, 0.2, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 0.0, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, -0.2, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 0.2, INFINITY, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, NAN, 0.2, 4), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 0.2, 0.2, 0), nullptr);
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 0.2, 0.2, -3), nullptr);
    // Segments shorter than the weld distance.
    EXPECT_EQ(bc.Blend(MakeBox(), p1, p2, 1e-7, 1e-7, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(nullptr, p1, 0.2, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(MakeBox(), nullptr, 0.2, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(MakeBox(), bad, 0.2, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(MakeBox(), p1, 0.0, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(MakeBox(), p1, NAN, 4), nullptr);
    EXPECT_EQ(bc.BlendCorner(MakeBox(), p1, 0.2, 0), nullptr);
}

namespace {

// The volume a smooth rounding of radius r takes from a right-angled corner: with the
// corner at the origin and its edges along the axes, the pyramid x, y, z ≥ 0,
// x + y + z ≤ c (c = r/√2, where the ball centred at (c, c, c) touches the edges) less
// the ball. Integrated exactly along z over a midpoint grid in x and y.
double RightCornerLoss(double r) {
    const double c = r / std::sqrt(2.0);
    const int steps = 2000;
    const double h = c / steps;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double x = (i + 0.5) * h;
        for (int j = 0; j < steps; ++j) {
            const double y = (j + 0.5) * h;
            const double top = c - x - y;
            if (top <= 0.0) continue;
            const double rest = r * r - (x - c) * (x - c) - (y - c) * (y - c);
            double inBall = 0.0;
            if (rest > 0.0) {
                const double lo = c - std::sqrt(rest), hi = c + std::sqrt(rest);
                inBall = std::max(0.0, std::min(hi, top) - std::max(lo, 0.0));
            }
            sum += top - inBall;
        }
    }
    return sum * h * h;
}

}  // namespace

TEST(G3BooleanBlendCorner, LBuildingCornerLosesTheSmoothRoundingAndLittleMore) {
    // The roof corner (8, 0, 3) has three right angles. Every vertex of the faceted piece lies
    // on the sphere, so the piece holds the smooth one: the loss lies between the smooth
    // rounding's and the pyramid's c³/6, and nears the smooth one as n grows.
    const double r = 0.5;
    const double smooth = RightCornerLoss(r);
    const double c = r / std::sqrt(2.0);
    double losses[2];
    const int segments[2] = {4, 16};
    for (int k = 0; k < 2; ++k) {
        G3BooleanCalculator bc;
        double p[3] = {8, 0, 3};
        std::unique_ptr<G3Surface> out(
            bc.BlendCorner(pktest::MakeLShapedBuilding(), p, r, segments[k]));
        ASSERT_NE(out, nullptr) << k;
        EXPECT_TRUE(pktest::IsWellFormed(out.get())) << k;
        EXPECT_TRUE(pktest::IsClosedAndOriented(out.get())) << k;
        losses[k] = 108.0 - pktest::SignedVolume(out.get());
        EXPECT_GT(losses[k], smooth * (1.0 - 1e-4)) << k;
        EXPECT_LT(losses[k], c * c * c / 6.0) << k;
    }
    EXPECT_LT(losses[1], losses[0]);
    EXPECT_NEAR(losses[1], smooth, 0.02 * smooth);
}

TEST(G3BooleanBlendCorner, UnitCubeCornerIsConvexWhereARayLeavesThroughTheOppositeVertex) {
    // The corner's diagonal leaves the cube exactly through the opposite corner; the local
    // test needs no ray.
    G3BooleanCalculator bc;
    double p[3] = {1, 1, 1};
    std::unique_ptr<G3Surface> out(bc.BlendCorner(pktest::MakeCube(), p, 0.3, 8));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double loss = 1.0 - pktest::SignedVolume(out.get());
    EXPECT_GT(loss, RightCornerLoss(0.3) * (1.0 - 1e-4));
    EXPECT_LT(loss, std::pow(0.3 / std::sqrt(2.0), 3) / 6.0);
}

TEST(G3BooleanBlendCorner, PyramidApexOfFourEdgesIsRounded) {
    G3BooleanCalculator bc;
    double p[3] = {2, 2, 3};
    std::unique_ptr<G3Surface> out(bc.BlendCorner(pktest::MakeSquarePyramid(), p, 0.3, 6));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    const double v = pktest::SignedVolume(out.get());
    EXPECT_LT(v, 16.0);
    EXPECT_GT(v, 16.0 - 0.01);
    double top = 0.0;
    for (int i = 0; i < out->GetVertexCount(); ++i) top = std::max(top, out->GetVertex(i)->GetZ());
    EXPECT_LT(top, 3.0 - 1e-3);
}

TEST(G3BooleanBlendCorner, ConcaveOrUnfitCornersGiveNull) {
    G3BooleanCalculator bc;
    double inner[3] = {4, 3, 0};  // the inner corner of the L at the floor
    EXPECT_EQ(bc.BlendCorner(pktest::MakeLShapedBuilding(), inner, 0.3, 4), nullptr);
    double corner[3] = {1, 1, 1};
    // The sphere would touch the edges past their ends (r / tan α > 1).
    EXPECT_EQ(bc.BlendCorner(pktest::MakeCube(), corner, 1.5, 4), nullptr);
    double none[3] = {0.5, 0.5, 1};
    EXPECT_EQ(bc.BlendCorner(pktest::MakeCube(), none, 0.3, 4), nullptr);
}

TEST(G3BooleanBlendSegments, AbsurdSegmentCountsAreCapped) {
    // An edge takes at most 1024 arc segments, a corner at most 64 per facet.
    double p1[3] = {4, 2, 0}, p2[3] = {4, 2, 3};
    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> edge(bc.Blend(MakeBox(), p1, p2, 0.5, 0.5, 1 << 30));
    ASSERT_NE(edge, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(edge.get()));
    const double expected = RightAngleLoss(0.5, 1024) * 3.0;
    EXPECT_NEAR(24.0 - pktest::SignedVolume(edge.get()), expected, 1e-9 * expected);
    double p[3] = {4, 2, 3};
    std::unique_ptr<G3Surface> capped(bc.BlendCorner(MakeBox(), p, 0.5, 1 << 30));
    std::unique_ptr<G3Surface> at64(bc.BlendCorner(MakeBox(), p, 0.5, 64));
    ASSERT_NE(capped, nullptr);
    ASSERT_NE(at64, nullptr);
    EXPECT_NEAR(pktest::SignedVolume(capped.get()), pktest::SignedVolume(at64.get()), 1e-12);
}
