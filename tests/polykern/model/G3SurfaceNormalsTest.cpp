#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <utility>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

TEST(G3SurfaceNormals, FacetsTurnOutwardWhateverTheirStart) {
    SurfacePtr cube(pktest::MakeCube());
    cube->GetFacet(3)->NegPlane();
    EXPECT_FALSE(pktest::IsClosedAndOriented(cube.get()));
    EXPECT_TRUE(cube->OrientNormals2(true));
    EXPECT_TRUE(pktest::IsClosedAndOriented(cube.get()));
    EXPECT_NEAR(pktest::SignedVolume(cube.get()), 1.0, 1e-12);

    std::mt19937 rng(3);
    for (int trial = 0; trial < 10; ++trial) {
        SurfacePtr t(pktest::MakeTriangleCube());
        for (int i = 0; i < t->GetFacetCount(); ++i) {
            if (rng() % 2 == 0) t->GetFacet(i)->NegPlane();
        }
        t->OrientNormals2(true);
        EXPECT_TRUE(pktest::IsClosedAndOriented(t.get())) << trial;
        EXPECT_NEAR(pktest::SignedVolume(t.get()), 1.0, 1e-12) << trial;
    }

    // A sphere-like mesh turned at random comes out closed, consistent and outward.
    SurfacePtr ball(pktest::MakeSphere(24, 12));
    const double volume = pktest::SignedVolume(ball.get());
    ASSERT_GT(volume, 3.5);
    for (int i = 0; i < ball->GetFacetCount(); ++i) {
        if (rng() % 3 == 0) ball->GetFacet(i)->NegPlane();
    }
    ball->OrientNormals2(true);
    EXPECT_TRUE(pktest::IsClosedAndOriented(ball.get()));
    EXPECT_NEAR(pktest::SignedVolume(ball.get()), volume, 1e-9);

    // Nested boxes: the outer faces out, the inner faces into the inner box.
    SurfacePtr nested(pktest::MakeCube(0, 0, 0, 3));
    SurfacePtr inner(pktest::MakeCube(1, 1, 1, 1));
    for (int i = 0; i < inner->GetFacetCount(); ++i) inner->GetFacet(i)->NegPlane();
    nested->Copy(inner.get());
    nested->GetFacet(0)->NegPlane();
    nested->OrientNormals2(true);
    EXPECT_NEAR(pktest::SignedVolume(nested.get()), 27.0 - 1.0, 1e-9);

    // A double-sided facet keeps its way round.
    SurfacePtr marked(pktest::MakeCube());
    G3Facet* flag = marked->GetFacet(2);
    flag->SetDoubleSided();
    flag->NegPlane();
    const double before = flag->GetPlaneB();
    marked->OrientNormals2(true);
    EXPECT_EQ(flag->GetPlaneB(), before);
}

TEST(G3SurfaceNormals, WorkingRecordsComeAndGoCleanly) {
    SurfacePtr cube(pktest::MakeCube());
    auto* listener = new G3ShellExDataProvider();
    cube->SetExDataProvider(listener);
    G3BooleanCalculator::OpenBoolean(cube.get());
    const G3BCFacetData* data = G3BCExDataProvider::DataOf(cube->GetFacet(1));
    ASSERT_NE(data, nullptr);
    EXPECT_DOUBLE_EQ(data->GetMin()[2], 1.0 - 1e-5);
    EXPECT_NE(G3BCExDataProvider::DataOf(cube->GetVertex(0)), nullptr);
    G3BooleanCalculator::CloseBoolean(cube.get());
    EXPECT_EQ(cube->GetFacet(1)->GetExData(), nullptr);  // nothing points at freed records
    EXPECT_EQ(cube->GetVertex(0)->GetExData(), nullptr);
    EXPECT_EQ(cube->GetExDataProvider(), listener);  // the earlier provider is back
}

TEST(G3SurfaceNormals, SmoothingGroupsFollowVisibleEdges) {
    SurfacePtr creased(pktest::MakeCube());
    creased->AverageNormalsByPlanes2();
    EXPECT_EQ(creased->GetNormalCount(), 6);  // one per face direction, merged
    SurfacePtr smooth(pktest::MakeCube());
    smooth->ChangeEdgeFlags(0x1 | 0x2, false);
    smooth->AverageNormalsByPlanes2();
    EXPECT_EQ(smooth->GetNormalCount(), 8);  // one per corner, along its diagonal
    const G3Normal* n = smooth->GetFacet(1)->GetNormal(smooth->GetVertex(7), nullptr);
    ASSERT_NE(n, nullptr);
    EXPECT_NEAR(n->GetX(), 1 / std::sqrt(3.0), 1e-12);
    EXPECT_TRUE(smooth->OrientNormals());

    // Healing fills a missing normal and keeps the texture coordinate already there.
    SurfacePtr worn(pktest::MakeCube());
    worn->AssignNormalsByPlane();
    G3Facet* top = worn->GetFacet(1);
    G3TexCoo* tex = worn->AddTexCoo(0.25, 0.75);
    top->SetNormal(worn->GetVertex(6), nullptr, tex, true);
    worn->HealNormals();
    G3TexCoo* kept = nullptr;
    ASSERT_NE(top->GetNormal(worn->GetVertex(6), &kept), nullptr);
    EXPECT_EQ(kept, tex);

    SurfacePtr plain(pktest::MakeCube());
    plain->HealNormals();  // nothing to heal without normals
    EXPECT_EQ(plain->GetNormalCount(), 0);
    plain->AssignNormalsByPlane();
    EXPECT_EQ(plain->GetNormalCount(), 6);
    plain->NegNormals();
    EXPECT_DOUBLE_EQ(plain->GetFacet(1)->GetNormal(plain->GetVertex(4), nullptr)->GetZ(), -1.0);
    EXPECT_DOUBLE_EQ(plain->GetFacet(1)->GetPlaneC(), -1.0);
}

TEST(G3SurfaceNormals, PlanarTextureCoordinates) {
    G3Surface s;
    G3Vertex* v[3] = {s.AddVertex(1, 2, 5, 0), s.AddVertex(3, 2, 5, 0), s.AddVertex(1, 4, 5, 0)};
    G3Facet* f = s.AddFacet(3, v, 1, nullptr, nullptr);
    s.AssignNormalsByPlane();  // texture coordinates travel with the normals
    s.GenerateTexCoo(TEXTURE_PROJECTION_PLANAR);
    G3TexCoo* t = nullptr;
    f->GetNormal(v[1], &t);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetU(), 3.0);
    EXPECT_EQ(t->GetV(), 2.0);
}

TEST(G3SurfaceParts, BoundariesPartsAndRepairs) {
    SurfacePtr grid(pktest::MakeGrid(2, 2));
    GArrayCollection boundary;
    ASSERT_TRUE(grid->GetContour(boundary));
    EXPECT_EQ(boundary.size(), 8);
    SurfacePtr cube(pktest::MakeCube());
    GArrayCollection none;
    EXPECT_FALSE(cube->GetContour(none));

    SurfacePtr two(pktest::MakeCube());
    SurfacePtr other(pktest::MakeCube(3, 0, 0));
    two->Copy(other.get());
    two->GetFacet(4)->SetMark3();  // stale marks must not drop a part
    two->GetFacet(9)->SetMark4();
    GArrayCollection parts;
    EXPECT_EQ(two->Explode(&parts), 2);
    for (int i = 0; i < parts.size(); ++i) {
        auto* p = static_cast<G3Surface*>(parts.get(i));
        EXPECT_EQ(p->GetFacetCount(), 6);
        EXPECT_TRUE(pktest::IsClosedAndOriented(p));
    }
    parts.clear(true);

    // Faces that each bring their own corners become one closed, oriented cube.
    G3Surface loose;
    const double c[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                            {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int q = 0; q < 6; ++q) {
        G3Vertex* own[4];
        for (int k = 0; k < 4; ++k) own[k] = loose.AddVertex(c[quads[q][k]], 0);
        if (q % 2 == 1) std::swap(own[1], own[3]);  // some faces start the wrong way round
        loose.AddFacet(4, own, 1, nullptr, nullptr);
    }
    loose.Update(CHECK_LEVEL_1001);
    EXPECT_EQ(loose.GetVertexCount(), 8);
    EXPECT_EQ(loose.GetEdgeCount(), 12);
    EXPECT_TRUE(pktest::IsClosedAndOriented(&loose));
    EXPECT_NEAR(pktest::SignedVolume(&loose), 1.0, 1e-12);
}

}  // namespace
