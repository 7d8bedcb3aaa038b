#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "polykern/foundation/GObjArrayIterator.h"
#include "polykern/math/G3Math.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Point.h"

namespace {

// Owns a ring of points and hands out fresh iterators over it.
class Ring {
public:
    Ring(std::initializer_list<std::array<double, 3>> points) {
        for (const auto& p : points)
            m_Points.push_back(std::make_unique<G3Point>(p[0], p[1], p[2], 0));
        for (auto& p : m_Points) m_Slots.push_back(p.get());
    }
    GObjArrayIterator Walk() {
        return GObjArrayIterator(static_cast<int>(m_Slots.size()), m_Slots.data());
    }

private:
    std::vector<std::unique_ptr<G3Point>> m_Points;
    std::vector<GObj*> m_Slots;
};

TEST(G3MathPoints, PlaneOfASquareInBothOrientations) {
    Ring ccw{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    Ring cw{{0, 0, 2}, {0, 1, 2}, {1, 1, 2}, {1, 0, 2}};
    double plane[4];
    auto w1 = ccw.Walk();
    ASSERT_TRUE(G3Math::FormPlaneEquation(&w1, plane));
    EXPECT_DOUBLE_EQ(plane[2], 1.0);
    EXPECT_DOUBLE_EQ(plane[3], 0.0);
    auto w2 = cw.Walk();
    ASSERT_TRUE(G3Math::FormPlaneEquation(&w2, plane));
    EXPECT_DOUBLE_EQ(plane[2], -1.0);
    EXPECT_DOUBLE_EQ(plane[3], 2.0);

    int i, j;
    auto w3 = cw.Walk();
    ASSERT_TRUE(G3Math::FormMaxPlaneCoo(&w3, &i, &j, plane));
    EXPECT_DOUBLE_EQ(plane[2], -1.0);
    EXPECT_DOUBLE_EQ(plane[3], 2.0);
    EXPECT_EQ(i * 10 + j, 1);
    auto w4 = ccw.Walk();
    ASSERT_TRUE(G3Math::FormMaxPlane(&w4, plane));
    EXPECT_DOUBLE_EQ(plane[2], 1.0);

    auto w5 = ccw.Walk();
    double area[3];
    G3Math::CalcSquare(&w5, area);
    EXPECT_DOUBLE_EQ(area[2], 2.0);  // twice the area
    GEnvelope env;
    auto w6 = cw.Walk();
    ASSERT_TRUE(G3Math::FormEnvelope(&w6, &env));
    EXPECT_EQ(env.GetMin()[2], 2.0);
}

TEST(G3MathPoints, DegenerateRings) {
    double plane[4] = {9, 9, 9, 9};
    Ring two{{0, 0, 0}, {1, 0, 0}};
    auto w = two.Walk();
    EXPECT_FALSE(G3Math::FormPlaneEquation(&w, plane));
    EXPECT_EQ(plane[0], 0.0);
    Ring line{{0, 0, 0}, {1, 0, 0}, {3, 0, 0}};
    auto wl = line.Walk();
    EXPECT_FALSE(G3Math::FormMaxPlane(&wl, plane));
    GEnvelope env;
    GObjArrayIterator none(0, nullptr);
    EXPECT_FALSE(G3Math::FormEnvelope(&none, &env));

    int i, j;
    Ring one{{1, 2, 3}};
    auto w1 = one.Walk();
    EXPECT_FALSE(G3Math::FormMaxPlaneCoo(&w1, &i, &j, plane));
    EXPECT_EQ(plane[2], 1.0);
    EXPECT_EQ(plane[3], -3.0);
}

TEST(G3MathPoints, AveragedPlaneDividesByTheCornersThatFitted) {
    // Regression: a pentagon at z = 5 with one collinear vertex gave d = -4.
    Ring pentagon{{0, 0, 5}, {1, 0, 5}, {2, 0, 5}, {2, 2, 5}, {0, 2, 5}};
    double plane[4];
    int i, j;
    auto w = pentagon.Walk();
    ASSERT_TRUE(G3Math::FormMaxPlaneCoo(&w, &i, &j, plane));
    EXPECT_DOUBLE_EQ(plane[2], 1.0);
    EXPECT_DOUBLE_EQ(plane[3], -5.0);
}

TEST(G3MathPoints, CollinearPointsFallBackToAnEdgePlane) {
    double plane[4];
    int i, j;
    // Regression: collinear points on a line through the origin gave a NaN normal.
    Ring throughOrigin{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    auto w = throughOrigin.Walk();
    EXPECT_FALSE(G3Math::FormMaxPlaneCoo(&w, &i, &j, plane));
    EXPECT_EQ(plane[0], 0.0);
    EXPECT_EQ(plane[2], 1.0);
    EXPECT_DOUBLE_EQ(plane[3], -3.0);  // through the longest edge's start

    Ring offset{{0, 1, 0}, {1, 1, 0}, {4, 1, 0}};
    auto w2 = offset.Walk();
    EXPECT_FALSE(G3Math::FormMaxPlaneCoo(&w2, &i, &j, plane));
    for (double c : plane) EXPECT_TRUE(std::isfinite(c));
    EXPECT_NEAR(plane[0] * 4 + plane[1] * 1 + plane[3], 0.0, 1e-12);  // contains the points
}

TEST(G3MathPoints, ConvexityIncludesTheFirstCorner) {
    int convex;
    Ring square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    auto w = square.Walk();
    convex = G3Math::ConvexTest(&w, 0, 1);
    EXPECT_EQ(convex, 1);
    // Regression: an L-hexagon started at its reflex corner was reported convex.
    Ring fromReflex{{1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0}};
    auto w2 = fromReflex.Walk();
    EXPECT_EQ(G3Math::ConvexTest(&w2, 0, 1), 2);
    Ring line{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    auto w3 = line.Walk();
    EXPECT_EQ(G3Math::ConvexTest(&w3, 0, 1), 0);
}

}  // namespace
