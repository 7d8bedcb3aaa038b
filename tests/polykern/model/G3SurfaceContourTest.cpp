#include <gtest/gtest.h>

#include <memory>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

TEST(G3SurfaceContour, ReplacingAVertexRebuildsTheFacetsAroundIt) {
    G3Surface quad;
    G3Vertex* q[4] = {quad.AddVertex(0, 0, 0, 0), quad.AddVertex(1, 0, 0, 0),
                      quad.AddVertex(1, 1, 0, 0), quad.AddVertex(0, 1, 0, 0)};
    G3Facet* f = quad.AddFacet(4, q, 1, nullptr, nullptr);
    EXPECT_TRUE(quad.ChangeVertex(q[1], q[2]));
    EXPECT_EQ(f->GetEdgeCount(), 3);
    EXPECT_FALSE(f->ContainsVertex(q[1]));
    quad.RemoveUnused();
    EXPECT_EQ(quad.GetVertexCount(), 3);
    EXPECT_TRUE(pktest::IsWellFormed(&quad));

    // On a closed cube, moving a corner onto its neighbour keeps every ring closed.
    SurfacePtr cube(pktest::MakeCube());
    cube->ChangeVertex(cube->GetVertex(7), cube->GetVertex(6));
    cube->RemoveUnused();
    EXPECT_EQ(cube->GetVertexCount(), 7);
    EXPECT_TRUE(pktest::IsWellFormed(cube.get()));
    EXPECT_TRUE(cube->GetClosed());
}

TEST(G3SurfaceContour, CoplanarFacetsBecomeOneContourFacet) {
    SurfacePtr grid(pktest::MakeGrid(2, 2));  // eight triangles in one plane
    SurfacePtr merged(grid->FormContourSurface());
    merged->RemoveUnused();
    ASSERT_EQ(merged->GetFacetCount(), 1);
    EXPECT_EQ(merged->GetFacet(0)->GetEdgeCount(), 8);
    EXPECT_NEAR(pktest::Area(merged.get()), 4.0, 1e-12);

    SurfacePtr cube(pktest::MakeTriangleCube());
    SurfacePtr faces(cube->FormContourSurface());
    faces->RemoveUnused();
    EXPECT_EQ(faces->GetFacetCount(), 6);
    EXPECT_EQ(faces->GetEdgeCount(), 12);
    EXPECT_TRUE(pktest::IsClosedAndOriented(faces.get()));
    EXPECT_NEAR(pktest::SignedVolume(faces.get()), 1.0, 1e-12);
}

TEST(G3SurfaceContour, ListsBecomeFacetsButHolesStayOpen) {
    G3Surface s;
    G3Vertex* o[4] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(4, 0, 0, 0), s.AddVertex(4, 4, 0, 0),
                      s.AddVertex(0, 4, 0, 0)};
    GArrayCollection lists;
    auto* outer = new G3EdgeList(4, o, nullptr, nullptr, nullptr, 0, 3);
    auto* hole = static_cast<G3EdgeList*>(outer->Duplicate());
    hole->SetContourType(CONTOUR_HOLE);
    lists.add(outer);
    lists.add(hole);
    s.AddFacets(&lists);
    EXPECT_TRUE(lists.isEmpty());
    ASSERT_EQ(s.GetFacetCount(), 1);
    EXPECT_EQ(s.GetFacet(0)->GetSurface(), 3);

    // Re-attaching an emptied facet to a list shares its edges anew.
    G3Facet* f = s.GetFacet(0);
    G3EdgeList ring(f);
    f->RemoveEdges();
    s.AddFacetEdges(f, &ring);
    EXPECT_EQ(f->GetEdgeCount(), 4);
    s.RemoveUnused();
    EXPECT_EQ(s.GetEdgeCount(), 4);
    EXPECT_TRUE(pktest::IsWellFormed(&s));
}

}  // namespace
