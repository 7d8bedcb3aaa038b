#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "polykern/math/GMatrix4.h"
#include "polykern/math/GVector3.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTol = 1e-12;

// p' = (x, y, z, 1) × m.
void Apply(const double m[4][4], const double* p, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
}

void ExpectPoint(const double* p, double x, double y, double z, double tol = kTol) {
    EXPECT_NEAR(p[0], x, tol);
    EXPECT_NEAR(p[1], y, tol);
    EXPECT_NEAR(p[2], z, tol);
}

TEST(GMatrix4, TransformsComposeByAppending) {
    double m[4][4];
    M4Identity(m);
    M4Translate(m, 4, 5, 6);
    EXPECT_EQ(m[3][0], 4.0);
    EXPECT_EQ(m[3][1], 5.0);
    EXPECT_EQ(m[3][2], 6.0);
    const double p[3] = {1, 2, 3};
    double q[3];
    Apply(m, p, q);
    ExpectPoint(q, 5, 7, 9);

    // m := m × T: the scale acts after the translation.
    M4Scale(m, 2);
    Apply(m, p, q);
    ExpectPoint(q, 10, 14, 18);
    M4Scale(m, 1, 0.5, -1);
    Apply(m, p, q);
    ExpectPoint(q, 10, 7, -18);
}

TEST(GMatrix4, RotationSenses) {
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    double m[4][4], q[3];
    M4Identity(m);
    M4RotateZ(m, kPi / 2);
    Apply(m, x, q);
    ExpectPoint(q, 0, 1, 0);
    M4Identity(m);
    M4RotateX(m, kPi / 2);
    Apply(m, y, q);
    ExpectPoint(q, 0, 0, 1);
    M4Identity(m);
    M4RotateY(m, kPi / 2);
    Apply(m, z, q);
    ExpectPoint(q, 1, 0, 0);

    // The axis–angle matrix turns the other way.
    ASSERT_TRUE(M4RotationMatrix(kPi / 2, 0, 0, 1, m));
    Apply(m, x, q);
    ExpectPoint(q, 0, -1, 0);
    ASSERT_TRUE(M4RotationMatrix(kPi / 2, 0, 0, 5, m));  // the axis is normalized
    Apply(m, x, q);
    ExpectPoint(q, 0, -1, 0);
    EXPECT_FALSE(M4RotationMatrix(1.0, 0, 0, 9e-7, m));
    EXPECT_TRUE(M4IsIdentity(m));
}

TEST(GMatrix4, FrameFromDirectionMapsZOntoIt) {
    const double z[3] = {0, 0, 1}, origin[3] = {0, 0, 0};
    double m[4][4], q[3];
    for (const auto& dir :
         {std::array<double, 4>{3, 0, 0, 2}, std::array<double, 4>{0, 2, 2, 1},
          std::array<double, 4>{0, 0, -4, 3}, std::array<double, 4>{0, 0, 2, 0}}) {
        ASSERT_TRUE(M4RotationMatrix(dir.data(), m));
        const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        const double u[3] = {dir[0] / len, dir[1] / len, dir[2] / len};
        Apply(m, origin, q);
        ExpectPoint(q, u[0] * dir[3], u[1] * dir[3], u[2] * dir[3]);
        Apply(m, z, q);
        ExpectPoint(q, u[0] * (1 + dir[3]), u[1] * (1 + dir[3]), u[2] * (1 + dir[3]));
    }
    const double tiny[4] = {0, 0, 1e-7, 1};
    EXPECT_FALSE(M4RotationMatrix(tiny, m));
}

TEST(GMatrix4, LookAtPutsTheTargetOnTheNegativeZAxis) {
    const double eye[3] = {5, 5, 5}, target[3] = {1, 2, 3}, up[3] = {0, 0, 1};
    double m[4][4], q[3];
    M4LookAtMatrix(eye, target, up, m);
    Apply(m, eye, q);
    ExpectPoint(q, 0, 0, 0);
    Apply(m, target, q);
    const double dist = std::sqrt(16.0 + 9.0 + 4.0);
    ExpectPoint(q, 0, 0, -dist);
}

TEST(GMatrix4, BasisToMapsTheSkewAxes) {
    const double o[3] = {1, 1, 1}, p1[3] = {3, 1, 1}, p2[3] = {2, 2, 1}, p3[3] = {1, 1, 4};
    double m[4][4], q[3];
    ASSERT_TRUE(M4BasisTo(o, p1, p2, p3, m));
    Apply(m, p1, q);
    ExpectPoint(q, 2, 0, 0);  // a·|u| with a = 1, |u| = 2
    Apply(m, p2, q);
    ExpectPoint(q, 0, std::sqrt(2.0), 0);
    const double mix[3] = {1 + 2 * 0.5 + 1 * 0.25, 1 + 1 * 0.25,
                           1 + 3 * 2.0};  // o + u/2 + v/4 + 2w
    Apply(m, mix, q);
    ExpectPoint(q, 1.0, std::sqrt(2.0) / 4, 6.0);

    // One missing axis is rebuilt from the other two; two missing fail; flat fails.
    EXPECT_TRUE(M4BasisTo(o, p1, p2, o, m));
    EXPECT_FALSE(M4BasisTo(o, p1, o, o, m));
    const double flat[3] = {5, 1, 1};
    EXPECT_FALSE(M4BasisTo(o, p1, p2, flat, m));
    const double inPlane[3] = {4, 3, 1};
    EXPECT_FALSE(M4BasisTo(o, p1, p2, inPlane, m));
}

TEST(GMatrix4, InverseAndItsSingularLimit) {
    double m[4][4], inv[4][4], q[3], back[3];
    M4Identity(m);
    M4RotateX(m, 0.3);
    M4Scale(m, 2, 3, 4);
    M4Translate(m, 1, -2, 5);
    ASSERT_TRUE(M4Inverse(m, inv));
    const double p[3] = {0.5, -1.5, 2.5};
    Apply(m, p, q);
    Apply(inv, q, back);
    ExpectPoint(back, p[0], p[1], p[2], 1e-12);
    ASSERT_TRUE(M4Inverse(m, m));  // in place
    Apply(m, q, back);
    ExpectPoint(back, p[0], p[1], p[2], 1e-12);

    double s[4][4];
    M4Identity(s);
    s[0][0] = 1e-20;  // det 1e-20
    EXPECT_FALSE(M4Inverse(s, inv));
    EXPECT_DOUBLE_EQ(inv[1][1], 1e-20);  // the undivided adjugate
    s[0][0] = 1e-18;
    EXPECT_TRUE(M4Inverse(s, inv));
    EXPECT_DOUBLE_EQ(Det4x4(s), 1e-18);
}

TEST(GMatrix4, IdentityToleranceIsStrict) {
    double m[4][4];
    M4Identity(m);
    EXPECT_TRUE(M4IsIdentity(m));
    m[3][0] = 1e-6;
    EXPECT_FALSE(M4IsIdentity(m));
    m[3][0] = 9e-7;
    EXPECT_TRUE(M4IsIdentity(m));
    m[2][2] = 1.0 + 2e-6;
    EXPECT_FALSE(M4IsIdentity(m));
    EXPECT_FALSE(M4IsTranslation(m));
    EXPECT_EQ(M4GetModelMatrixType(m), 0);
    EXPECT_EQ(M4GetProjMatrixType(m), 0);
}

TEST(GMatrix4, Determinants) {
    EXPECT_EQ(Det2x2(1, 2, 3, 4), -2.0);
    EXPECT_EQ(Det3x3(2, 0, 0, 0, 3, 0, 0, 0, 4), 24.0);
    EXPECT_EQ(Det3x3(0, 1, 0, 1, 0, 0, 0, 0, 1), -1.0);  // a row swap
    double m[4][4] = {{1, 2, 0, 0}, {3, 4, 0, 0}, {0, 0, 5, 1}, {0, 0, 2, 1}};
    EXPECT_DOUBLE_EQ(Det4x4(m), -2.0 * 3.0);
}

TEST(UnMatrix, RecoversTheComposedParts) {
    double m[4][4];
    M4Identity(m);
    M4Scale(m, 2, 3, 4);
    M4RotateX(m, 0.3);
    M4RotateY(m, -0.4);
    M4RotateZ(m, 0.5);
    M4Translate(m, 7, 8, 9);
    double out[16];
    ASSERT_TRUE(UnMatrix(m, out));
    const double expected[16] = {2, 3, 4, 0, 0, 0, 0.3, -0.4, 0.5, 7, 8, 9, 0, 0, 0, 0};
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(out[k], expected[k], 1e-12) << "value " << k;
}

TEST(UnMatrix, MirrorShearPerspectiveAndFailures) {
    double m[4][4], out[16];
    M4Identity(m);
    M4Scale(m, -2, 1, 1);  // a mirror: the scales come out negated, the rotation proper
    ASSERT_TRUE(UnMatrix(m, out));
    EXPECT_NEAR(out[0] * out[1] * out[2], -2.0, 1e-12);

    M4Identity(m);
    m[1][0] = 0.5;  // y leans towards x
    ASSERT_TRUE(UnMatrix(m, out));
    EXPECT_NEAR(out[3], 0.5, 1e-12);

    M4Identity(m);
    m[0][3] = 0.25;  // perspective along x
    ASSERT_TRUE(UnMatrix(m, out));
    EXPECT_NEAR(out[12], 0.25, 1e-12);
    EXPECT_NEAR(out[15], 1.0, 1e-12);

    M4Identity(m);
    m[0][3] = 5e-7;  // below the perspective threshold
    ASSERT_TRUE(UnMatrix(m, out));
    EXPECT_EQ(out[12], 0.0);

    // Rotation y of exactly π/2: the gimbal branch keeps rotation z at 0.
    M4Identity(m);
    M4RotateY(m, 3.141592653589793 / 2);
    ASSERT_TRUE(UnMatrix(m, out));
    EXPECT_NEAR(out[7], 3.141592653589793 / 2, 1e-6);
    EXPECT_EQ(out[8], 0.0);

    M4Identity(m);
    m[3][3] = 5e-7;
    EXPECT_FALSE(UnMatrix(m, out));
    M4Identity(m);
    m[2][2] = 0.0;
    EXPECT_FALSE(UnMatrix(m, out));
}

TEST(GVector3, CrossPlaneAndSegment) {
    const double a[3] = {1, 0, 0}, b[3] = {0, 1, 0};
    double c[3];
    V3OrtoVector(a, b, c);
    EXPECT_EQ(c[2], 1.0);

    const double p0[3] = {0, 0, 2}, p1[3] = {1, 0, 2}, p2[3] = {0, 1, 2};
    double plane[4];
    ASSERT_TRUE(CALC_PLANE_EQUATION(p0, p1, p2, plane));
    EXPECT_DOUBLE_EQ(plane[2], 1.0);
    EXPECT_DOUBLE_EQ(plane[3], -2.0);
    const double q1[3] = {1e-4, 0, 0}, q2[3] = {0, 1e-3, 0}, o[3] = {0, 0, 0};
    EXPECT_FALSE(CALC_PLANE_EQUATION(o, q1, q2, plane));  // cross product 1e-7
    EXPECT_EQ(plane[0], 0.0);
    EXPECT_EQ(plane[3], 0.0);

    const double s0[3] = {0, 0, 0}, s1[3] = {10, 0, 0};
    const double mid[3] = {4, 0, 0}, end[3] = {10, 0, 0}, off[3] = {4, 0.01, 0};
    EXPECT_TRUE(PtOnSegment(mid, s0, s1));
    EXPECT_TRUE(PtOnSegment(end, s0, s1));
    EXPECT_FALSE(PtOnSegment(off, s0, s1));
    EXPECT_FALSE(PtOnSegment(s0, s0, s0));  // a degenerate segment holds no point
}

}  // namespace
