#include <gtest/gtest.h>

#include <cmath>

#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/math/GRect.h"

namespace {

void ExpectBox(
    const GEnvelope& e, double x1, double y1, double z1, double x2, double y2, double z2) {
    const double expected[6] = {x1, y1, z1, x2, y2, z2};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(e.GetMin()[k], expected[k], 1e-12) << "min " << k;
        EXPECT_NEAR(e.GetMax()[k], expected[k + 3], 1e-12) << "max " << k;
    }
}

TEST(GEnvelope, TouchingSeparatedAndNearBoxes) {
    GEnvelope unit, right, gap;
    unit.Init(0, 0, 0, 1, 1, 1);
    right.Init(1, 0, 0, 2, 1, 1);
    gap.Init(1.0000005, 0, 0, 2, 1, 1);
    EXPECT_TRUE(unit.IsIntersectXYZ(&right));
    EXPECT_TRUE(unit.IsIntersectXYZ_Overlap(&right));
    EXPECT_FALSE(unit.IsIntersectXYZ_NoOverlap(&right));
    EXPECT_FALSE(unit.IsIntersectXYZ(&gap));
    EXPECT_TRUE(unit.IsIntersectXYZ_Overlap(&gap));
    EXPECT_TRUE(unit.IsIntersectXY(right.GetMin(), gap.GetMax()));

    EXPECT_EQ(unit.ClipTestXYZ(&right), 0x1u);  // this box reaches below the other's low x
    EXPECT_EQ(unit.ClipTestXYZ(&gap), 0x80000000u);
    EXPECT_EQ(gap.ClipTestXY(&unit), 0x80000000u);

    const double onFace[3] = {1, 0.5, 1}, outside[3] = {1, 0.5, 1.5};
    EXPECT_EQ(unit.ClipTestXYZ(onFace), 0u);
    EXPECT_EQ(unit.ClipTestXYZ(outside), 0x80000000u);
    EXPECT_TRUE(unit.IsIntersectXY(outside));
}

TEST(GEnvelope, ClipWordsFormTheIntersection) {
    GEnvelope big, small;
    big.Init(0, 0, 0, 10, 10, 10);
    small.Init(2, 2, 2, 5, 5, 5);
    const uint32_t flags = big.ClipTestXYZ(&small);
    EXPECT_EQ(flags, 0x70007u);
    big.ClipXYZ(&small, flags);
    ExpectBox(big, 2, 2, 2, 5, 5, 5);
    EXPECT_EQ(small.ClipTestXYZ(&big), 0u);
}

TEST(GEnvelope, DefaultBoxGrowsFromNothing) {
    GEnvelope e;
    ExpectBox(e, 0, 0, 0, 0, 0, 0);  // a fresh box is the zero box
    GEnvelope::InitDefault(&e);
    EXPECT_TRUE(e.IsDefault());
    const double p[3] = {3, 4, 5};
    e.AddToDefault(p);
    ExpectBox(e, 3, 4, 5, 3, 4, 5);
    GEnvelope wider;
    wider.Init(1, 4, 5, 6, 4, 5);
    e.AddToDefault(&wider);
    ExpectBox(e, 1, 4, 5, 6, 4, 5);

    GEnvelope empty, target;
    GEnvelope::InitDefault(&empty);
    target.Init(0, 0, 0, 1, 1, 1);
    target.AddToDefault(&empty);  // an empty box adds nothing
    ExpectBox(target, 0, 0, 0, 1, 1, 1);
    GEnvelope fromEmpty;
    GEnvelope::InitDefault(&fromEmpty);
    fromEmpty.AddToDefault(&target);
    ExpectBox(fromEmpty, 0, 0, 0, 1, 1, 1);
}

TEST(GEnvelope, GrowingExtendingAndMeasuring) {
    const double a[3] = {1, 5, 2}, b[3] = {0, 2, 3}, c[3] = {4, 3, -1};
    GEnvelope e(a, b, c);
    ExpectBox(e, 0, 2, -1, 4, 5, 3);
    e.AddToMin(-1, 9, 9);
    e.AddToMax(-5, 9, -5);
    ExpectBox(e, -1, 2, -1, 4, 9, 3);
    e.Add(10.0, -10.0);
    ExpectBox(e, -1, -10, -1, 10, 9, 3);
    e.Extend();
    EXPECT_NEAR(e.XSize(), 11 + 2e-6, 1e-12);

    GEnvelope cube;
    cube.Set(0, 1);
    EXPECT_EQ(cube.GetMaxCoo(), 0);
    int i, j;
    cube.GetMaxCoo(&i, &j);
    EXPECT_EQ(i * 10 + j, 12);
    GEnvelope slab;
    slab.Init(0, 0, 0, 5, 1, 3);
    double size;
    EXPECT_EQ(slab.GetMaxCoo(&size), 0);
    EXPECT_EQ(size, 5.0);
    slab.GetMaxCoo(&i, &j);  // y is the thinnest: keep x and z
    EXPECT_EQ(i * 10 + j, 2);
    EXPECT_EQ(slab.GetMaxSize(), 5.0);
}

TEST(GEnvelope, SegmentClipping) {
    GEnvelope unit;
    unit.Set(0, 1);
    double p1[3] = {-1, 0.5, 0.5}, p2[3] = {2, 0.5, 0.5};
    ASSERT_EQ(unit.ClipTest(p1, p2), 0u);
    EXPECT_EQ(std::fmin(p1[0], p2[0]), 0.0);
    EXPECT_EQ(std::fmax(p1[0], p2[0]), 1.0);
    EXPECT_EQ(p1[1], 0.5);

    double d1[3] = {-1, -1, 0.5}, d2[3] = {2, 2, 0.5};  // the diagonal through two corners
    ASSERT_EQ(unit.ClipTest(d1, d2), 0u);
    EXPECT_NEAR(std::fmin(d1[0], d2[0]), 0.0, 1e-15);
    EXPECT_NEAR(std::fmax(d1[1], d2[1]), 1.0, 1e-15);

    double o1[3] = {2, 2, 2}, o2[3] = {3, 2, 2};
    EXPECT_EQ(unit.ClipTest(o1, o2), 0x80000000u);
    double z1[3] = {5, 5, 5}, z2[3] = {5, 5, 5};  // zero length, outside
    EXPECT_EQ(unit.ClipTest(z1, z2), 0x80000000u);
    double c1[3] = {1.5, 0.25, 0.5}, c2[3] = {0.25, 1.5, 0.5};  // cuts a corner off
    EXPECT_EQ(unit.ClipTest(c1, c2), 0u);
    EXPECT_NEAR(c1[0] + c1[1], 1.75, 1e-12);
    EXPECT_NEAR(std::fmax(c1[0], c2[0]), 1.0, 1e-12);
    EXPECT_NEAR(std::fmax(c1[1], c2[1]), 1.0, 1e-12);

    const double s1[3] = {-1, 0, 0}, s2[3] = {0.5, 0, 0}, touch[3] = {0, 0, 0};
    EXPECT_EQ(unit.ClipTest(s1, s2, 0), 0x1u);
    EXPECT_EQ(unit.ClipTest(s2, s1, 0), 0x1u);
    EXPECT_EQ(unit.ClipTest(s1, touch, 0), 0x80000000u);  // touching the face is outside
    const double far1[3] = {-1, 0, 0}, far2[3] = {3, 0, 0};
    EXPECT_EQ(unit.ClipTest(far1, far2, 0), 0x10001u);
}

TEST(GEnvelope, TransformGivesTheBoxOfTheCorners) {
    GEnvelope unit, out;
    unit.Set(0, 1);
    double m[4][4];
    M4Identity(m);
    M4RotateZ(m, 3.141592653589793 / 2);
    unit.Transform(&out, m);
    ExpectBox(out, -1, 0, 0, 0, 1, 1);
    M4Translate(m, 10, 0, 0);
    M4Scale(m, 2, 1, 1);
    unit.Transform(&out, m);
    ExpectBox(out, 18, 0, 0, 20, 1, 1);
}

TEST(GRect, NormalizeSizesAndDifference) {
    GRect r(10, 5);
    EXPECT_EQ(r.GetWidth(), 10);
    EXPECT_EQ(r.GetHeight(), 5);
    GRect flipped(5, 5, 1, 1);
    GRect expected;
    expected.Set(1, 1, 5, 5);
    EXPECT_TRUE(flipped.Equals(&expected));
    EXPECT_EQ(flipped.GetLeft(), 1);

    GRect outer(0, 0, 9, 9), inner(3, 3, 5, 5);
    GRect parts[4];
    ASSERT_EQ(outer.IntersectOut(&inner, parts), 4);
    const int want[4][4] = {{0, 0, 2, 9}, {3, 0, 9, 2}, {6, 3, 9, 9}, {3, 6, 5, 9}};
    for (int k = 0; k < 4; ++k) {
        GRect w(want[k][0], want[k][1], want[k][2], want[k][3]);
        EXPECT_TRUE(parts[k].Equals(&w)) << "part " << k;
    }
    EXPECT_EQ(inner.IntersectOut(&outer, parts), 0);
    GRect away(20, 20, 30, 30);
    ASSERT_EQ(outer.IntersectOut(&away, parts), 1);
    EXPECT_TRUE(parts[0].Equals(&outer));

    GRect in;
    EXPECT_EQ(outer.IntersectIn(&away, &in), 0);
    GRect half(5, -5, 15, 4);
    ASSERT_EQ(outer.IntersectIn(&half, &in), 1);
    GRect overlap(5, 0, 9, 4);
    EXPECT_TRUE(in.Equals(&overlap));
    EXPECT_EQ(outer.ClipTest(&half), 0x20001u);  // left and bottom stick out

    GRect grow(2, 2, 3, 3);
    grow.Add(-1, 7);
    grow.Add(&inner);
    GRect grown(-1, 2, 5, 7);
    EXPECT_TRUE(grow.Equals(&grown));
    GRect copy;
    copy.Copy(&grow);
    EXPECT_TRUE(copy.Equals(&grown));
}

}  // namespace
