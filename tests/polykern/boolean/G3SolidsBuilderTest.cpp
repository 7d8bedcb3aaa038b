#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <set>

#include "polykern/boolean/G3SolidsBuilder.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;
constexpr double kPi = 3.141592653589793;

// Every facet's plane normal points away from c, through the facet's centroid.
::testing::AssertionResult FacesAwayFrom(G3Surface* s, const double* c) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        double m[3] = {0, 0, 0};
        int n = 0;
        for (G3FacetVertexIterator it(f); it.hasNext(); ++n) {
            const double* p = static_cast<G3Vertex*>(it.next())->GetXYZ();
            for (int k = 0; k < 3; ++k) m[k] += p[k];
        }
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += f->GetPlane()[k] * (m[k] / n - c[k]);
        if (!(dot > 0)) return ::testing::AssertionFailure() << "facet " << i << " faces in";
    }
    return ::testing::AssertionSuccess();
}

// No facet of s carries a scratch mark.
::testing::AssertionResult NoMarks(G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (f->GetMark() || f->GetMark2() || f->GetMark3() || f->GetMark4())
            return ::testing::AssertionFailure() << "facet " << i << " keeps a mark";
    }
    return ::testing::AssertionSuccess();
}

// The solid with a copy of its shell appended: the material between them.
SurfacePtr WithShell(G3Surface* solid, G3Surface* shell) {
    SurfacePtr both(solid->Duplicate());
    both->Copy(shell);
    return both;
}

SurfacePtr ShellOf(G3Surface* solid, double t, GArrayCollection* open = nullptr) {
    G3Surface* out = nullptr;
    EXPECT_TRUE(G3SolidsBuilder::Shell(solid, &out, t, open));
    return SurfacePtr(out);
}

void Move(G3Surface* s, double x, double y, double z) {
    double m[4][4];
    M4Identity(m);
    M4Translate(m, x, y, z);
    s->RealTransformation(m);
}

TEST(G3SolidsBuilderBox, SpansTheLocalFrame) {
    double m[4][4];
    M4Identity(m);
    SurfacePtr box(G3SolidsBuilder::BuildBox(m, 1.0, nullptr));
    ASSERT_EQ(box->GetVertexCount(), 8);
    ASSERT_EQ(box->GetFacetCount(), 6);
    GEnvelope env;
    box->FormEnvelope(&env);
    EXPECT_DOUBLE_EQ(env.GetMin()[0], -1);
    EXPECT_DOUBLE_EQ(env.GetMax()[1], 1);
    EXPECT_DOUBLE_EQ(env.GetMin()[2], 0);
    EXPECT_DOUBLE_EQ(env.GetMax()[2], 2);
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 8.0));
}

// Rotated and moved boxes land where the matrix puts each corner and face outward; a
// mirroring matrix must not turn the box inside out.
TEST(G3SolidsBuilderBox, MirroringMatrixKeepsBoxOutward) {
    for (int mirror = 0; mirror < 2; ++mirror) {
        double m[4][4];
        M4Identity(m);
        M4RotateX(m, 0.4);
        M4RotateZ(m, 1.1);
        if (mirror) M4Scale(m, -1, 1, 1);
        M4Translate(m, 250, -40, 7);
        SurfacePtr box(G3SolidsBuilder::BuildBox(m, 1.5, nullptr));
        ASSERT_EQ(box->GetVertexCount(), 8);
        EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 27.0, 1e-9)) << "mirror " << mirror;
        // Vertices 0 to 3 lie on the local floor, 4 to 7 on the roof, counter-clockwise.
        const double local[4][2] = {{-1.5, -1.5}, {1.5, -1.5}, {1.5, 1.5}, {-1.5, 1.5}};
        for (int i = 0; i < 8; ++i) {
            const double p[3] = {local[i % 4][0], local[i % 4][1], i < 4 ? 0.0 : 3.0};
            for (int k = 0; k < 3; ++k) {
                const double want = p[0] * m[0][k] + p[1] * m[1][k] + p[2] * m[2][k] + m[3][k];
                EXPECT_NEAR(box->GetVertex(i)->GetXYZ()[k], want, 1e-9) << i;
            }
        }
    }
}

TEST(G3SolidsBuilderBox, HardInputGivesEmptyBox) {
    double m[4][4];
    M4Identity(m);
    SurfacePtr zero(G3SolidsBuilder::BuildBox(m, 0.0, nullptr));
    EXPECT_EQ(zero->GetFacetCount(), 0);
    m[3][0] = std::numeric_limits<double>::quiet_NaN();
    SurfacePtr nan(G3SolidsBuilder::BuildBox(m, 1.0, nullptr));
    EXPECT_EQ(nan->GetFacetCount(), 0);
}

TEST(G3SolidsBuilderSphere, OddCountActsAsNextEvenAndWeldsPoles) {
    double c[3] = {1, 2, 3};
    SurfacePtr s(G3SolidsBuilder::BuildSphere(c, 2.0, 5));
    EXPECT_EQ(s->GetVertexCount(), 14);
    EXPECT_EQ(s->GetFacetCount(), 18);
    G3Surface* raw = nullptr;
    ASSERT_TRUE(G3SolidsBuilder::BuildSphere(c, 2.0, 4, 6, 0, false, &raw, true, false));
    SurfacePtr unwelded(raw);
    EXPECT_EQ(unwelded->GetVertexCount(), 24);
}

// Both builders once wound their quadrilaterals inward.
TEST(G3SolidsBuilderSphere, SphereFacesOutward) {
    double c[3] = {-3, 40, 1e5};
    for (double r : {0.01, 1.0, 250.0}) {
        SurfacePtr simple(G3SolidsBuilder::BuildSphere(c, r, 16));
        EXPECT_TRUE(pktest::IsClosedAndOriented(simple.get()));
        EXPECT_TRUE(FacesAwayFrom(simple.get(), c));
        G3Surface* raw = nullptr;
        ASSERT_TRUE(G3SolidsBuilder::BuildSphere(c, r, 9, 12, 0, true, &raw, false, false));
        SurfacePtr smooth(raw);
        EXPECT_TRUE(pktest::IsClosedAndOriented(smooth.get()));
        EXPECT_TRUE(FacesAwayFrom(smooth.get(), c));
        EXPECT_GT(pktest::SignedVolume(smooth.get()), 0);
        for (int i = 0; i < smooth->GetFacetCount(); ++i) {
            G3Facet* f = smooth->GetFacet(i);
            for (G3FacetVertexIterator it(f); it.hasNext();) {
                auto* v = static_cast<G3Vertex*>(it.next());
                G3Normal* n = f->GetNormal(v, nullptr);
                ASSERT_NE(n, nullptr);
                double dot = 0;
                for (int k = 0; k < 3; ++k) dot += n->GetXYZ()[k] * (v->GetXYZ()[k] - c[k]);
                EXPECT_GT(dot, 0) << "vertex normal points in";
            }
        }
    }
}

TEST(G3SolidsBuilderSphere, VolumeGrowsTowardsTheBallFromBelow) {
    double c[3] = {0, 0, 0};
    const double ball = 4.0 / 3.0 * kPi * 8.0;
    double simplePrev = 0, fullPrev = 0, hemiPrev = 0;
    for (int n : {8, 16, 32, 64}) {
        SurfacePtr simple(G3SolidsBuilder::BuildSphere(c, 2.0, n));
        G3Surface *full = nullptr, *hemi = nullptr;
        ASSERT_TRUE(G3SolidsBuilder::BuildSphere(c, 2.0, n + 1, n, 0, false, &full, false, false));
        ASSERT_TRUE(G3SolidsBuilder::BuildSphere(c, 2.0, n + 1, n, 1, false, &hemi, false, false));
        SurfacePtr fullPtr(full), hemiPtr(hemi);
        const double vs = pktest::SignedVolume(simple.get());
        const double vf = pktest::SignedVolume(full);
        const double vh = pktest::SignedVolume(hemi);
        EXPECT_TRUE(pktest::IsClosedAndOriented(hemi));
        EXPECT_GT(vs, simplePrev);
        EXPECT_GT(vf, fullPrev);
        EXPECT_GT(vh, hemiPrev);
        EXPECT_LT(vs, ball);
        EXPECT_LT(vf, ball);
        EXPECT_LT(vh, ball / 2);
        simplePrev = vs, fullPrev = vf, hemiPrev = vh;
    }
    EXPECT_NEAR(simplePrev / ball, 1.0, 0.01);
    EXPECT_NEAR(fullPrev / ball, 1.0, 0.01);
    EXPECT_NEAR(hemiPrev / (ball / 2), 1.0, 0.01);
}

// The flat side of an upper hemisphere faces down, that of a lower one up.
TEST(G3SolidsBuilderSphere, HemisphereCapFacesOutward) {
    double c[3] = {5, 5, 5};
    for (bool lower : {false, true}) {
        G3Surface* raw = nullptr;
        ASSERT_TRUE(G3SolidsBuilder::BuildSphere(c, 1.0, 8, 10, 1, true, &raw, false, lower));
        SurfacePtr hemi(raw);
        EXPECT_TRUE(pktest::IsClosedAndOriented(hemi.get()));
        int caps = 0;
        for (int i = 0; i < hemi->GetFacetCount(); ++i) {
            G3Facet* f = hemi->GetFacet(i);
            if (f->GetEdgeCount() != 10) continue;
            ++caps;
            EXPECT_NEAR(f->GetPlaneC(), lower ? 1.0 : -1.0, 1e-12);
            for (G3FacetVertexIterator it(f); it.hasNext();) {
                G3Normal* n = f->GetNormal(static_cast<G3Vertex*>(it.next()), nullptr);
                ASSERT_NE(n, nullptr);
                EXPECT_NEAR(n->GetZ(), lower ? 1.0 : -1.0, 1e-12) << "the equator is a crease";
            }
        }
        EXPECT_EQ(caps, 1);
        GEnvelope env;
        hemi->FormEnvelope(&env);
        EXPECT_NEAR(lower ? env.GetMax()[2] : env.GetMin()[2], 5.0, 1e-12);
    }
}

TEST(G3SolidsBuilderSphere, HugeOrHardSizesComeBackEmpty) {
    double c[3] = {0, 0, 0};
    G3Surface sentinel;
    G3Surface* out = &sentinel;
    for (int n : {INT_MAX, INT_MAX - 1, 65536}) {
        SurfacePtr s(G3SolidsBuilder::BuildSphere(c, 1.0, n));
        EXPECT_EQ(s->GetVertexCount(), 0) << n;
        out = &sentinel;
        EXPECT_FALSE(G3SolidsBuilder::BuildSphere(c, 1.0, n, n, 0, false, &out, false, false));
        EXPECT_EQ(out, nullptr);
    }
    out = &sentinel;
    EXPECT_FALSE(G3SolidsBuilder::BuildSphere(c, 1.0, 5, INT_MAX, 1, false, &out, false, false));
    EXPECT_EQ(out, nullptr);
    SurfacePtr tiny(G3SolidsBuilder::BuildSphere(c, 1e-7, 16));
    EXPECT_EQ(tiny->GetVertexCount(), 0);
    out = &sentinel;
    EXPECT_FALSE(G3SolidsBuilder::BuildSphere(c, 1e-7, 8, 8, 0, false, &out, false, false));
    EXPECT_EQ(out, nullptr);
    double nan[3] = {0, std::numeric_limits<double>::quiet_NaN(), 0};
    SurfacePtr bad(G3SolidsBuilder::BuildSphere(nan, 1.0, 16));
    EXPECT_EQ(bad->GetVertexCount(), 0);
    EXPECT_FALSE(G3SolidsBuilder::BuildSphere(c, std::numeric_limits<double>::infinity(), 8, 8, 0,
                                              false, &out, false, false));
}

// A positive thickness once moved the planes out of the material; the shell must face the
// cavity, so that solid and shell together bound V − V_cavity.
TEST(G3SolidsBuilderShell, PositiveThicknessOffsetsInward) {
    SurfacePtr cube(pktest::MakeCube(0, 0, 0, 4));
    SurfacePtr shell = ShellOf(cube.get(), 0.5);
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->GetVertexCount(), 8);
    EXPECT_NEAR(pktest::SignedVolume(shell.get()), -27.0, 1e-9);
    GEnvelope env;
    shell->FormEnvelope(&env);
    EXPECT_NEAR(env.GetMin()[0], 0.5, 1e-12);
    EXPECT_NEAR(env.GetMax()[2], 3.5, 1e-12);
    EXPECT_TRUE(pktest::IsClosedWithVolume(WithShell(cube.get(), shell.get()).get(), 37.0));
}

TEST(G3SolidsBuilderShell, LShapedBuildingAndSlabWithOpening) {
    SurfacePtr building(pktest::MakeLBuilding());
    SurfacePtr shell = ShellOf(building.get(), 0.3);
    ASSERT_TRUE(shell);
    const double cavity = (9.4 * 3.4 + 3.4 * 4.0) * 2.4;  // the notch corner moves to (3.7, 3.7)
    EXPECT_TRUE(pktest::IsClosedWithVolume(shell.get(), -cavity));
    EXPECT_TRUE(
        pktest::IsClosedWithVolume(WithShell(building.get(), shell.get()).get(), 168.0 - cavity));
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    SurfacePtr slabShell = ShellOf(slab.get(), 0.05);
    ASSERT_TRUE(slabShell);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slabShell.get(), -(9.9 * 9.9 - 2.1 * 2.1) * 0.2));
}

// A zero determinant skipped every corner between coplanar neighbours, so triangulated
// solids came back open.
TEST(G3SolidsBuilderShell, CoplanarNeighboursShareOneOffsetPlane) {
    SurfacePtr cube(pktest::MakeTriangleCube());
    SurfacePtr shell = ShellOf(cube.get(), 0.1);
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->GetVertexCount(), 8);
    EXPECT_TRUE(pktest::IsClosedWithVolume(shell.get(), -0.512));
    // A 4 × 2 × 2 box whose long faces are split in two at x = 2: the vertices on the
    // split meet two distinct planes and must stay on the split.
    SurfacePtr split(pktest::MakeSplitBox());
    ASSERT_TRUE(pktest::IsClosedWithVolume(split.get(), 16.0));
    SurfacePtr splitShell = ShellOf(split.get(), 0.5);
    ASSERT_TRUE(splitShell);
    EXPECT_TRUE(pktest::IsClosedWithVolume(splitShell.get(), -3.0));
    int onSplit = 0;
    for (int i = 0; i < splitShell->GetVertexCount(); ++i)
        onSplit += std::fabs(splitShell->GetVertex(i)->GetX() - 2.0) < 1e-12;
    EXPECT_EQ(onSplit, 4);

    SurfacePtr building(pktest::MakeLBuilding());
    ASSERT_TRUE(building->Triangulate(0x4, 0));
    SurfacePtr lShell = ShellOf(building.get(), 0.3);
    ASSERT_TRUE(lShell);
    EXPECT_TRUE(pktest::IsClosedWithVolume(lShell.get(), -(9.4 * 3.4 + 3.4 * 4.0) * 2.4));
}

// More than three planes meet at a sphere's vertices and a pyramid's apex.
TEST(G3SolidsBuilderShell, ManyPlanesAtAVertexStayClosed) {
    // A right square pyramid has an inscribed ball, so its offset is a scaled copy.
    SurfacePtr pyramid(pktest::MakeSquarePyramid());
    const double inradius = 12.0 / (4.0 + std::sqrt(52.0));
    const double scale = (inradius - 0.2) / inradius;
    SurfacePtr shell = ShellOf(pyramid.get(), 0.2);
    ASSERT_TRUE(shell);
    EXPECT_TRUE(pktest::IsClosedWithVolume(shell.get(), -16.0 * scale * scale * scale, 1e-9));

    double c[3] = {1, 2, 3};
    SurfacePtr sphere(G3SolidsBuilder::BuildSphere(c, 2.0, 24));
    SurfacePtr sphereShell = ShellOf(sphere.get(), 0.25);
    ASSERT_TRUE(sphereShell);
    const double similar = pktest::SignedVolume(sphere.get()) * std::pow(1.75 / 2.0, 3);
    EXPECT_TRUE(pktest::IsClosedWithVolume(sphereShell.get(), -similar, 0.02));
    EXPECT_TRUE(pktest::IsClosedAndOriented(WithShell(sphere.get(), sphereShell.get()).get()));
}

// An open facet keeps its plane: the shell has no facet there and its walls end on it.
TEST(G3SolidsBuilderShell, OpenTopFacetLeavesARimOnItsPlane) {
    SurfacePtr building(pktest::MakeLBuilding());
    GArrayCollection open;
    open.add(building->GetFacet(0));  // the roof
    SurfacePtr shell = ShellOf(building.get(), 0.3, &open);
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->GetFacetCount(), 7);
    int rim = 0;
    for (int i = 0; i < shell->GetEdgeCount(); ++i) {
        G3Edge* e = shell->GetEdge(i);
        if (e->GetFacetCount() == 2) continue;
        ++rim;
        EXPECT_NEAR(e->GetVertex1()->GetZ(), 3.0, 1e-12);
        EXPECT_NEAR(e->GetVertex2()->GetZ(), 3.0, 1e-12);
    }
    EXPECT_EQ(rim, 6);
    for (int i = 0; i < shell->GetFacetCount(); ++i) {
        G3Facet* f = shell->GetFacet(i);
        EXPECT_FALSE(f->GetPlaneC() < -0.5 && std::fabs(f->CalcDepth(5, 2) - 3.0) < 1e-9)
            << "facet " << i << " lies in the open plane";
    }
    EXPECT_TRUE(NoMarks(building.get()));
}

// Marks 1 and 2 set on the solid's facets beforehand once travelled into the shell's flag
// words, where a copied mark 2 protected inverted pieces.
TEST(G3SolidsBuilderShell, CopiedFlagsCarryNoMarks) {
    SurfacePtr cube(pktest::MakeCube(0, 0, 0, 2));
    cube->ChangeFacetFlags(G3OBJ_MARK | G3OBJ_MARK2, true);
    SurfacePtr shell = ShellOf(cube.get(), 0.25);
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->GetFacetCount(), 6) << "mark 1 on the solid is no open facet";
    EXPECT_TRUE(NoMarks(shell.get()));
    EXPECT_FALSE(cube->GetFacet(0)->GetMark());
    std::set<int> sources;
    for (int i = 0; i < shell->GetFacetCount(); ++i)
        sources.insert(shell->GetFacet(i)->GetSurface());
    EXPECT_EQ(sources, (std::set<int>{0, 1, 2, 3, 4, 5})) << "each shell facet names its source";
}

// An offset thicker than the solid turns it inside out, in one, two or all three
// directions, or lets the two faces of a slab cross: nothing is left.
TEST(G3SolidsBuilderShell, TooThickOffsetGivesNoShell) {
    const double stretches[3][3] = {{1, 1, 1}, {1, 1, 5}, {5, 5, 1}};  // boxes of side 2
    for (const auto& st : stretches) {
        SurfacePtr box(pktest::MakeCube(0, 0, 0, 2));
        double m[4][4];
        M4Identity(m);
        M4Scale(m, st[0], st[1], st[2]);
        box->RealTransformation(m);
        G3Surface* out = box.get();
        EXPECT_FALSE(G3SolidsBuilder::Shell(box.get(), &out, 1.5, nullptr)) << st[2];
        EXPECT_EQ(out, nullptr);
    }
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    G3Surface* out = slab.get();
    EXPECT_FALSE(G3SolidsBuilder::Shell(slab.get(), &out, 0.2, nullptr));
    EXPECT_EQ(out, nullptr);
    out = slab.get();
    EXPECT_FALSE(G3SolidsBuilder::Shell(slab.get(), &out, 0.0, nullptr));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(G3SolidsBuilder::Shell(slab.get(), &out, std::numeric_limits<double>::quiet_NaN(),
                                        nullptr));
    EXPECT_FALSE(G3SolidsBuilder::Shell(nullptr, &out, 0.1, nullptr));
}

// Georeferenced solids keep their digits: the same shell volume 1e6 m away.
TEST(G3SolidsBuilderShell, FarSolidGivesTheSameShell) {
    SurfacePtr near(pktest::MakeLBuilding());
    SurfacePtr far(pktest::MakeLBuilding());
    Move(far.get(), 2.5e6, 1e6, 300);
    SurfacePtr a = ShellOf(near.get(), 0.3), b = ShellOf(far.get(), 0.3);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(pktest::IsClosedAndOriented(b.get()));
    EXPECT_NEAR(pktest::SignedVolume(b.get()), pktest::SignedVolume(a.get()), 1e-6);
}

}  // namespace
