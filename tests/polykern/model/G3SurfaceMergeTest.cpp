#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

TEST(G3SurfaceMerge, OneSidedEdgesAreSewn) {
    G3Surface s;
    G3Vertex* a = s.AddVertex(0, 0, 0, 0);
    G3Vertex* b = s.AddVertex(1, 0, 0, 0);
    G3Vertex* up[3] = {a, b, s.AddVertex(0, 1, 0, 0)};
    G3Vertex* down[3] = {b, a, s.AddVertex(0, -1, 0, 0)};
    s.AddFacet(3, up, 1, nullptr, nullptr);
    // Give the second triangle its own edge a–b by filling the first one's free side.
    G3Facet* filler = s.AddFacet(3, down, 1, nullptr, nullptr);
    s.AddFacet(3, down, 1, nullptr, nullptr);
    s.RemoveFacet(filler);
    s.RemoveUnused();
    ASSERT_EQ(s.GetEdgeCount(), 6);
    s.RemoveNonManifoldEdges();
    EXPECT_EQ(s.GetEdgeCount(), 5);
    EXPECT_TRUE(pktest::IsWellFormed(&s));
    EXPECT_EQ(a->GetEdgeCount(b), 2);
}

TEST(G3SurfaceMerge, FlatGridBecomesOneFacetAndCreasesHide) {
    SurfacePtr grid(pktest::MakeGrid(2, 2));
    grid->UnionInPlaneFacets(-1);
    grid->RemoveUnused();
    ASSERT_EQ(grid->GetFacetCount(), 1);
    EXPECT_EQ(grid->GetFacet(0)->GetVertexCount(), 8);
    EXPECT_NEAR(pktest::Area(grid.get()), 4.0, 1e-12);
    EXPECT_TRUE(pktest::IsWellFormed(grid.get()));

    SurfacePtr fold(new G3Surface());
    G3Vertex* p[4] = {fold->AddVertex(0, 0, 0, 0), fold->AddVertex(1, 0, 0, 0),
                      fold->AddVertex(1, 1, 0, 0), fold->AddVertex(0, 1, 0, 0)};
    G3Vertex* t1[3] = {p[0], p[1], p[2]};
    G3Vertex* t2[3] = {p[0], p[2], p[3]};
    fold->AddFacet(3, t1, 1, nullptr, nullptr);
    fold->AddFacet(3, t2, 1, nullptr, nullptr);
    G3Vertex* wall = fold->AddVertex(1, 0, 1, 0);
    G3Vertex* t3[3] = {p[1], p[0], wall};
    fold->AddFacet(3, t3, 1, nullptr, nullptr);
    fold->MarkInPlaneEdgesAsInvisible2();
    int hidden = 0;
    for (int i = 0; i < fold->GetEdgeCount(); ++i) {
        const G3Edge* e = fold->GetEdge(i);
        if (e->IsInvisible()) {
            ++hidden;
            EXPECT_TRUE(e->HasVertex(p[0]) && e->HasVertex(p[2]));  // the diagonal only
        }
    }
    EXPECT_EQ(hidden, 1);
}

TEST(G3SurfaceMerge, MergedFacetsKeepTheirRingAndMaterial) {
    pktest::FacetTagProvider material;
    {
        pktest::ScopedProvider registered(&material);
        G3Surface s;
        G3Vertex* v[6] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(1, 0, 0, 0),
                          s.AddVertex(2, 0, 0, 0), s.AddVertex(2, 1, 0, 0),
                          s.AddVertex(1, 1, 0, 0), s.AddVertex(0, 1, 0, 0)};
        G3Vertex* left[4] = {v[0], v[1], v[4], v[5]};
        G3Vertex* right[4] = {v[1], v[4], v[3], v[2]};  // runs along the shared side the same way
        G3Facet* l = s.AddFacet(4, left, 1, nullptr, nullptr);
        s.AddFacet(4, right, 1, nullptr, nullptr);
        int red = 0;
        l->SetOutExData(&material, &red);
        s.UnionFacets(0x1);
        ASSERT_EQ(s.GetFacetCount(), 1);
        EXPECT_EQ(s.GetFacet(0)->GetVertexCount(), 6);
        EXPECT_TRUE(pktest::IsWellFormed(&s));
        EXPECT_EQ(s.GetFacet(0)->GetOutExData(&material), &red);
        EXPECT_NEAR(pktest::Area(&s), 2.0, 1e-12);
    }
}

TEST(G3SurfaceMerge, FrameAroundAnOpeningMergesIntoOneFacetWithAHole) {
    // Four coplanar trapezoids around a square opening: what is left after the shared
    // edges go is two rings of four, which must become an outline and a hole, each once.
    G3Surface s;
    const double outer[4][2] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
    const double inner[4][2] = {{1, 1}, {2, 1}, {2, 2}, {1, 2}};
    for (const auto& p : outer) s.AddVertex(p[0], p[1], 0, 0);
    for (const auto& p : inner) s.AddVertex(p[0], p[1], 0, 0);
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        const int quad[4] = {i, j, 4 + j, 4 + i};
        s.AddFacet(4, quad, 1, nullptr, nullptr);
    }
    s.FormPlaneEquation();
    s.UnionInPlaneFacets(-1);
    ASSERT_EQ(s.GetFacetCount(), 1);
    EXPECT_EQ(s.GetFacet(0)->GetEdgeCount(), 8);
    EXPECT_NEAR(pktest::Area(&s), 8.0, 1e-12);
    EXPECT_TRUE(pktest::IsWellFormed(&s));
}

TEST(G3SurfaceMerge, CrossingOutlinesAndOpenCubes) {
    G3Surface bow;
    G3Vertex* v[4] = {bow.AddVertex(0, 0, 0, 0), bow.AddVertex(2, 2, 0, 0),
                      bow.AddVertex(2, 0, 0, 0), bow.AddVertex(0, 2, 0, 0)};
    bow.AddFacet(4, v, 1, nullptr, nullptr);
    EXPECT_TRUE(bow.RemoveSelfIntersections());
    EXPECT_EQ(bow.GetFacetCount(), 2);
    EXPECT_EQ(bow.GetVertexCount(), 5);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(bow.GetFacet(i)->GetVertexCount(), 3);
    bool centre = false;
    for (int i = 0; i < bow.GetVertexCount(); ++i) {
        centre = centre || (std::fabs(bow.GetVertex(i)->GetX() - 1) < 1e-9 &&
                            std::fabs(bow.GetVertex(i)->GetY() - 1) < 1e-9);
    }
    EXPECT_TRUE(centre);

    SurfacePtr cube(pktest::MakeCube());
    cube->RemoveFacet(cube->GetFacet(1));
    cube->RemoveUnused();
    EXPECT_FALSE(cube->GetClosed());
    EXPECT_TRUE(cube->EncloseHoles());
    EXPECT_TRUE(cube->GetClosed());
    EXPECT_EQ(cube->GetFacetCount(), 7);  // the open square closed by two triangles
    EXPECT_FALSE(cube->EncloseHoles());
}

// The closing triangles used to run the open edges the same way as the facets on them:
// "closed", but the cube without its top came back with volume 1/3.
TEST(G3SurfaceMerge, EncloseHolesRunsEachOpenEdgeAgainstItsFacet) {
    for (bool far : {false, true}) {
        SCOPED_TRACE(far);
        SurfacePtr cube(pktest::MakeCube());
        if (far) {
            for (int i = 0; i < cube->GetVertexCount(); ++i) pktest::MoveFar(cube->GetVertex(i)->GetXYZ());
            cube->FormPlaneEquation();
        }
        for (int top = 0; top < cube->GetFacetCount(); ++top) {
            SurfacePtr open(static_cast<G3Surface*>(cube->Duplicate()));
            open->RemoveFacet(open->GetFacet(top));
            open->RemoveUnused();
            ASSERT_TRUE(open->EncloseHoles());
            EXPECT_TRUE(pktest::IsClosedWithVolume(open.get(), 1.0, 1e-9));
        }
    }
    // A wall of a slab's opening taken away: two of the open edges lie on the hole loops
    // of the top and bottom, so their direction must be read within the loop.
    for (bool far : {false, true}) {
        SCOPED_TRACE(far);
        SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {{4, 4, 6, 6}}, 0.3, far));
        const double volume = pktest::SignedVolume(slab.get());
        int walls = 0;
        for (int i = 0; i < slab->GetFacetCount(); ++i) {
            SurfacePtr open(slab->Duplicate());
            G3Facet* f = open->GetFacet(i);
            if (f->GetVertexCount() != 4) continue;  // walls only: top and bottom have holes
            open->RemoveFacet(f);
            open->RemoveUnused();
            ASSERT_TRUE(open->EncloseHoles());
            EXPECT_TRUE(pktest::IsClosedWithVolume(open.get(), volume, 1e-9));
            ++walls;
        }
        EXPECT_EQ(walls, 8);
    }
}

TEST(G3SurfaceMerge, TriangulatedSolidsJoinBackIntoTheirFaces) {
    // The two triangles of each face share one edge and meet nowhere else: they are joined
    // in place, and the solid stays closed with its volume.
    SurfacePtr cube(pktest::MakeTriangleCube());
    const double volume = pktest::SignedVolume(cube.get());
    cube->UnionInPlaneFacets(-1);
    ASSERT_EQ(cube->GetFacetCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cube->GetFacet(i)->GetEdgeCount(), 4);
    EXPECT_TRUE(pktest::IsClosedAndOriented(cube.get()));
    EXPECT_EQ(pktest::EulerCharacteristic(cube.get()), 2);
    EXPECT_NEAR(pktest::SignedVolume(cube.get()), volume, 1e-12);
}

TEST(G3SurfaceMerge, JoinAcrossSplicesTwoTrianglesAndLeavesOthersAlone) {
    G3Surface s;
    G3Vertex* a = s.AddVertex(0, 0, 0, 0);
    G3Vertex* b = s.AddVertex(2, 0, 0, 0);
    G3Vertex* up[3] = {a, b, s.AddVertex(1, 1, 0, 0)};
    G3Vertex* down[3] = {b, a, s.AddVertex(1, -1, 0, 0)};
    G3Facet* f = s.AddFacet(3, up, 1, nullptr, nullptr);
    G3Facet* g = s.AddFacet(3, down, 1, nullptr, nullptr);
    G3Vertex* beside[3] = {b, s.AddVertex(3, 0, 0, 0), s.AddVertex(3, 1, 0, 0)};
    G3Facet* h = s.AddFacet(3, beside, 1, nullptr, nullptr);
    G3Edge* shared = nullptr;
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        if (e->HasVertex(a) && e->HasVertex(b)) shared = e;
    }
    ASSERT_NE(shared, nullptr);
    EXPECT_FALSE(f->JoinAcross(shared, h)) << "h is no side of the shared edge";
    EXPECT_EQ(h->GetEdgeCount(), 3);
    ASSERT_TRUE(f->JoinAcross(shared, g));
    EXPECT_FALSE(g->HasEdges());
    EXPECT_EQ(f->GetEdgeCount(), 4);
    EXPECT_EQ(shared->GetFacetCount(), 0);
    EXPECT_NEAR(f->GetPlane()[2], 1.0, 1e-12);
    s.RemoveUnused();
    EXPECT_EQ(s.GetFacetCount(), 2);
    EXPECT_TRUE(pktest::IsWellFormed(&s));
    EXPECT_NEAR(pktest::Area(&s), 2.0 + 0.5, 1e-12);
}

}  // namespace
