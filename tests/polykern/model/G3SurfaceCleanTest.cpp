#include <gtest/gtest.h>

#include <memory>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

// Two triangles sharing a side whose corners come `gap` apart, each with its own vertices.
int VerticesAfterWelding(double gap) {
    G3Surface s;
    G3Vertex* a[3] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(1, 0, 0, 0), s.AddVertex(0, 1, 0, 0)};
    G3Vertex* b[3] = {s.AddVertex(1 + gap, 0, 0, 0), s.AddVertex(1, 1, 0, 0),
                      s.AddVertex(0, 1 + gap, 0, 0)};
    s.AddFacet(3, a, 1, nullptr, nullptr);
    s.AddFacet(3, b, 1, nullptr, nullptr);
    s.RemoveEqualsVertex();
    EXPECT_TRUE(pktest::IsWellFormed(&s));
    return s.GetVertexCount();
}

TEST(G3SurfaceClean, CoincidentVerticesWeldWithinTheTolerance) {
    EXPECT_EQ(VerticesAfterWelding(0.5e-6), 4);
    EXPECT_EQ(VerticesAfterWelding(2e-6), 6);

    // A cube whose faces each have their own corners welds back into the closed cube.
    G3Surface cube;
    const double v[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                            {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        G3Vertex* own[4];
        for (int k = 0; k < 4; ++k) own[k] = cube.AddVertex(v[q[k]], 0);
        cube.AddFacet(4, own, 1, nullptr, nullptr);
    }
    EXPECT_FALSE(cube.GetClosed());
    cube.RemoveEqualsVertex();
    EXPECT_EQ(cube.GetVertexCount(), 8);
    EXPECT_EQ(cube.GetEdgeCount(), 24);  // the sides still run twice, one per face
    cube.RemoveUnused();
    EXPECT_TRUE(pktest::IsWellFormed(&cube));
    EXPECT_EQ(pktest::EulerCharacteristic(&cube) + 12, 2);
}

TEST(G3SurfaceClean, TJunctionsAreSplit) {
    G3Surface s;
    G3Vertex* a = s.AddVertex(0, 0, 0, 0);
    G3Vertex* b = s.AddVertex(2, 0, 0, 0);
    G3Vertex* top = s.AddVertex(1, 1, 0, 0);
    G3Vertex* mid = s.AddVertex(1, 0, 0, 0);
    G3Vertex* low = s.AddVertex(1, -1, 0, 0);
    G3Vertex* big[3] = {a, b, top};
    G3Vertex* left[3] = {a, low, mid};
    G3Vertex* right[3] = {mid, low, b};
    G3Facet* f = s.AddFacet(3, big, 1, nullptr, nullptr);
    s.AddFacet(3, left, 1, nullptr, nullptr);
    s.AddFacet(3, right, 1, nullptr, nullptr);
    EXPECT_FALSE(f->ContainsVertex(mid));
    s.RemoveEqualsVertexAndDivideEdges();
    EXPECT_TRUE(f->ContainsVertex(mid));
    EXPECT_EQ(f->GetEdgeCount(), 4);
    EXPECT_TRUE(pktest::IsWellFormed(&s));
    // Each half of the split side now carries both facets' sides (on parallel edges,
    // which sewing one-sided edges joins later).
    EXPECT_EQ(a->GetEdgeCount(mid), 2);
    EXPECT_EQ(mid->GetEdgeCount(b), 2);
    EXPECT_EQ(a->GetEdgeCount(b), 0);
}

TEST(G3SurfaceClean, DoubledAndDegenerateFacets) {
    G3Surface s;
    G3Vertex* q[4] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(1, 0, 0, 0), s.AddVertex(1, 1, 0, 0),
                      s.AddVertex(0, 1, 0, 0)};
    G3Vertex* reversed[4] = {q[0], q[3], q[2], q[1]};
    G3Facet* kept = s.AddFacet(4, q, 1, nullptr, nullptr);
    s.AddFacet(4, reversed, 1, nullptr, nullptr);
    s.RemoveEqualsFacets();
    ASSERT_EQ(s.GetFacetCount(), 1);
    EXPECT_EQ(s.GetFacet(0), kept);
    EXPECT_TRUE(kept->GetDoubleSided());
    EXPECT_EQ(s.GetEdgeCount(), 4);

    // Regression: two quadrilaterals sharing three consecutive corners are different.
    G3Surface two;
    G3Vertex* p[5] = {two.AddVertex(0, 0, 0, 0), two.AddVertex(1, 0, 0, 0),
                      two.AddVertex(1, 1, 0, 0), two.AddVertex(0, 1, 0, 0),
                      two.AddVertex(0.5, 2, 0, 0)};
    G3Vertex* first[4] = {p[0], p[1], p[2], p[3]};
    G3Vertex* second[4] = {p[0], p[1], p[2], p[4]};
    two.AddFacet(4, first, 1, nullptr, nullptr);
    two.AddFacet(4, second, 1, nullptr, nullptr);
    two.RemoveEqualsFacets();
    EXPECT_EQ(two.GetFacetCount(), 2);

    G3Surface flat;
    G3Vertex* line[3] = {flat.AddVertex(0, 0, 0, 0), flat.AddVertex(1, 0, 0, 0),
                         flat.AddVertex(2, 0, 0, 0)};
    G3Facet* sliver = flat.AddFacet(3, line, 1, nullptr, nullptr);
    const double zero[4] = {0, 0, 0, 0};
    sliver->SetPlane(zero);
    EXPECT_TRUE(flat.RemoveTrivialFacets());
    EXPECT_EQ(flat.GetFacetCount() + flat.GetEdgeCount() + flat.GetVertexCount(), 0);
    EXPECT_FALSE(flat.RemoveTrivialFacets());
}

TEST(G3SurfaceClean, NormalsMergeAndScaleLeavesThemAlone) {
    std::unique_ptr<G3Surface> cube(pktest::MakeCube());
    G3Normal* up = cube->AddNormal(0, 0, 1);
    G3Normal* longUp = cube->AddNormal(0, 0, 3);
    G3Normal* side = cube->AddNormal(1, 0, 0);
    G3Facet* top = cube->GetFacet(1);
    top->SetNormal(cube->GetVertex(4), up, nullptr, false);
    top->SetNormal(cube->GetVertex(5), longUp, nullptr, false);
    cube->GetFacet(5)->SetNormal(cube->GetVertex(1), side, nullptr, false);
    cube->RemoveEqualsNormal();
    EXPECT_EQ(cube->GetNormalCount(), 2);
    EXPECT_EQ(top->GetNormal(cube->GetVertex(5), nullptr),
              top->GetNormal(cube->GetVertex(4), nullptr));
    EXPECT_DOUBLE_EQ(top->GetNormal(cube->GetVertex(5), nullptr)->GetZ(), 1.0);

    cube->ScaleCoo(2.0);
    EXPECT_EQ(cube->GetVertex(7)->GetX(), 2.0);
    EXPECT_DOUBLE_EQ(pktest::SignedVolume(cube.get()), 8.0);
    cube->ExtendDoubleSidedFacets();
    EXPECT_TRUE(cube->GetFacet(3)->GetDoubleSided());
}

}  // namespace
