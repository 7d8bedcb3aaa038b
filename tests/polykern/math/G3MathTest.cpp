#include <gtest/gtest.h>

#include <cmath>

#include "polykern/math/G3Math.h"

namespace {

constexpr double kPi = 3.141592653589793;

TEST(G3Math, AreaSignAndCollinearityAtTheTolerance) {
    const double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, left[3] = {0, 1, 0};
    EXPECT_EQ(G3Math::GetArea2(a, b, left, 0, 1), 1.0);
    EXPECT_EQ(G3Math::GetAreaSign(a, b, left, 0, 1), 1);
    EXPECT_EQ(G3Math::GetAreaSign(a, left, b, 0, 1), -1);
    const double nearly[3] = {0.5, 5e-13, 0};  // twice-area 5e-13
    EXPECT_EQ(G3Math::GetAreaSign(a, b, nearly, 0, 1), 0);
    EXPECT_TRUE(G3Math::IsCollinear(a, b, nearly, 0, 1));
    const double just[3] = {0.5, 1e-12, 0};
    EXPECT_EQ(G3Math::GetAreaSign(a, b, just, 0, 1), 1);
}

TEST(G3Math, CalcSquareTurns) {
    EXPECT_EQ(G3Math::CalcSquare(0, 0, 1, 0, 1, 1), -1.0);  // (x1−x2)(y3−y2) − (y1−y2)(x3−x2)
    EXPECT_EQ(G3Math::CalcSquare(2, 3, 4, 5), -2.0);
}

TEST(G3Math, PointInTriangleIsClosed) {
    const double a[3] = {0, 0, 0}, b[3] = {4, 0, 0}, c[3] = {0, 4, 0};
    const double inside[3] = {1, 1, 7}, edge[3] = {2, 0, 0}, outside[3] = {3, 3, 0};
    EXPECT_TRUE(G3Math::PointInTriangle(inside, a, b, c, 0, 1));
    EXPECT_TRUE(G3Math::PointInTriangle(edge, a, b, c, 0, 1));
    EXPECT_TRUE(G3Math::PointInTriangle(a, a, b, c, 0, 1));
    EXPECT_FALSE(G3Math::PointInTriangle(outside, a, b, c, 0, 1));
    EXPECT_TRUE(G3Math::PointInTriangle(inside, a, c, b, 0, 1));  // either orientation
}

TEST(G3Math, CalcAngleStaysInZeroToTwoPi) {
    const double o[3] = {0, 0, 0}, down[3] = {0, -1, 0}, right[3] = {1, 0, 0}, up[3] = {0, 1, 0};
    EXPECT_NEAR(G3Math::CalcAngle(o, down, 0, 0, 1), 3 * kPi / 2, 1e-15);
    EXPECT_EQ(G3Math::CalcAngle(o, right, 0, 0, 1), 0.0);
    EXPECT_NEAR(G3Math::CalcAngle(o, right, kPi / 2, 0, 1), 3 * kPi / 2, 1e-15);
    EXPECT_NEAR(G3Math::CalcAngle(o, up, -kPi, 0, 1), 3 * kPi / 2, 1e-15);
    for (double base : {-6.0, -1.0, 0.0, 2.0, 6.2}) {
        const double angle = G3Math::CalcAngle(o, down, base, 0, 1);
        EXPECT_GE(angle, 0.0);
        EXPECT_LT(angle, 2 * kPi);
    }
}

TEST(G3Math, LineIntersection) {
    const double p1[3] = {0, 0, 0}, p2[3] = {2, 2, 2}, p3[3] = {0, 2, 5}, p4[3] = {2, 0, 5};
    double out[3] = {-1, -1, -1}, t = -1;
    ASSERT_EQ(G3Math::FindLineIntersection(p1, p2, p3, p4, 0, 1, out, &t), 1);
    EXPECT_DOUBLE_EQ(t, 0.5);
    EXPECT_DOUBLE_EQ(out[0], 1.0);
    EXPECT_DOUBLE_EQ(out[2], 1.0);  // z follows the first line
    const double q3[3] = {1, 0, 0}, q4[3] = {3, 2, 0};
    double untouched[3] = {9, 9, 9};
    double tu = 7;
    EXPECT_EQ(G3Math::FindLineIntersection(p1, p2, q3, q4, 0, 1, untouched, &tu), 0);
    EXPECT_EQ(untouched[0], 9.0);
    EXPECT_EQ(tu, 7.0);
}

TEST(G3Math, NormalAndProjectionAxes) {
    const double a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {0, 3, 0};
    double n[3];
    ASSERT_TRUE(G3Math::CalculateNormal(a, b, c, n));
    EXPECT_DOUBLE_EQ(n[2], 1.0);
    EXPECT_FALSE(G3Math::CalculateNormal(a, b, b, n));
    EXPECT_EQ(n[0], 0.0);

    int i = -1, j = -1;
    const double equal[3] = {1, 1, 1}, yz[3] = {0, 1, 1}, zMax[3] = {0.1, -0.2, -0.9};
    G3Math::GetMaxCoo(equal, &i, &j);
    EXPECT_EQ(i * 10 + j, 12);
    G3Math::GetMaxCoo(yz, &i, &j);
    EXPECT_EQ(i * 10 + j, 2);
    G3Math::GetMaxCoo(zMax, &i, &j);
    EXPECT_EQ(i * 10 + j, 1);
}

}  // namespace
