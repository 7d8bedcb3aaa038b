#include <gtest/gtest.h>

#include <cmath>

#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/TestMesh.h"

namespace {

using pktest::TestMesh;

TEST(G3Edge, FlagsOfANewEdge) {
    G3Edge e;
    EXPECT_TRUE(e.GetVisible());
    EXPECT_FALSE(e.GetFormMaking() || e.GetNew() || e.GetTangency());
    EXPECT_FALSE(e.IsInvisible());
    e.SetUnVisible();
    EXPECT_TRUE(e.IsInvisible());
    e.SetFormMaking();
    EXPECT_FALSE(e.IsInvisible());
    e.SetTangency();
    EXPECT_EQ(e.GetFlags(), 0x102);
}

TEST(G3Edge, GeometrySlotsAreMadeOnlyWhenNeeded) {
    G3Edge e;
    e.SetFacet2V1(nullptr, nullptr);
    EXPECT_FALSE(e.HasGeometry());
    G3Normal n(0, 0, 1, 0), m(0, 1, 0, 0);
    G3TexCoo t(1, 2);
    e.SetFacet2V1(&n, nullptr);
    ASSERT_TRUE(e.HasGeometry());
    G3TexCoo* got = &t;
    EXPECT_EQ(e.GetFacet2V1(&got), &n);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(e.GetFacet1V1(&got), nullptr);
    e.SetFacet2V1(nullptr, nullptr);  // two nulls keep the record
    EXPECT_TRUE(e.HasGeometry());

    // Swapping the ends moves the per-end entries, and back again.
    e.SetFacet1V1(&m, &t);
    e.SwapVertex();
    EXPECT_EQ(e.GetFacet1V2(&got), &m);
    EXPECT_EQ(got, &t);
    EXPECT_EQ(e.GetFacet1V1(&got), nullptr);
    e.SwapVertex();
    EXPECT_EQ(e.GetFacet1V1(&got), &m);

    // Copies own their records: freeing one leaves the other intact.
    G3Edge* copy = static_cast<G3Edge*>(e.Duplicate());
    ASSERT_NE(copy->GetGeometry(), e.GetGeometry());
    EXPECT_EQ(copy->GetFacet1V1(&got), &m);
    G3Edge assigned(e);
    EXPECT_NE(assigned.GetGeometry(), e.GetGeometry());
    copy->Copy(&assigned);  // frees the copy's old record first
    e.SetGeometry(nullptr);
    EXPECT_FALSE(e.HasGeometry());
    EXPECT_EQ(copy->GetFacet1V1(&got), &m);
    delete copy;
}

TEST(G3Edge, SetNormalsOrdersTheTriplesByVertex) {
    TestMesh mesh;
    G3Vertex* a = mesh.Vertex(0, 0, 0);
    G3Vertex* b = mesh.Vertex(1, 0, 0);
    G3Vertex* c = mesh.Vertex(0, 1, 0);
    G3Facet* f = mesh.Facet({a, b, c});
    G3Edge* ab = f->GetFirstEdge();
    ASSERT_TRUE(ab->HasVertex(a) && ab->HasVertex(b));
    G3Normal na(1, 0, 0, 0), nb(0, 1, 0, 0);
    ab->SetNormals(f, b, &nb, nullptr, a, &na, nullptr);  // given in the other order
    G3Normal *first, *second;
    G3TexCoo *tFirst, *tSecond;
    ASSERT_TRUE(ab->GetNormals(f, &first, &tFirst, &second, &tSecond));
    EXPECT_EQ(first, ab->GetVertex1() == a ? &na : &nb);
    EXPECT_TRUE(ab->HasGeometry(f));
    EXPECT_FALSE(ab->GetNormals(&first, &tFirst, &second, &tSecond, 2));
}

TEST(G3Edge, ProjectionToleranceAtTheEnds) {
    G3Vertex a(0, 0, 0, 0), b(2, 0, 0, 0);
    G3Edge e(&a, &b);
    double out[3], t;
    const double beyond[3] = {2 + 2e-6, 1, 0};
    EXPECT_FALSE(e.FindProjection(beyond, out, &t));
    const double near[3] = {2 + 0.5e-6, 1, 0};
    EXPECT_TRUE(e.FindProjection(near, out, &t));
    EXPECT_GT(t, 2.0);
    EXPECT_EQ(out[1], 0.0);
    const double before[3] = {-0.5e-6, 0, 3};
    EXPECT_TRUE(e.FindProjection(before, out, &t));
    const double mid[3] = {0.5, 7, 0};
    ASSERT_TRUE(e.FindProjection(mid, out, &t));
    EXPECT_DOUBLE_EQ(t, 0.5);  // a distance along the edge, not a fraction

    G3Vertex c(1, 1, 0, 0);
    G3Edge ab(&a, &b), bc(&b, &c), bcReversed(&c, &b);
    EXPECT_TRUE(ab.IsLink(&bc));
    EXPECT_TRUE(bc.IsVertexEquals(&bcReversed));
    GEnvelope env;
    bc.FormEnvelope(&env);
    EXPECT_EQ(env.GetMin()[0], 1.0);
    EXPECT_EQ(env.GetMax()[1], 1.0);
    EXPECT_DOUBLE_EQ(bc.GetSizeXYZ(), std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(bc.GetSize(1, 2), 1.0);
}

TEST(G3Edge, AnglesAndAreasOfEdgePairs) {
    G3Vertex a(0, 0, 0, 0), b(1, 0, 0, 0), c(2, 0, 0, 0), d(1, 1, 0, 0), far(9, 9, 9, 0),
        far2(8, 8, 8, 0);
    G3Edge ab(&a, &b), bc(&b, &c), bd(&b, &d), loose(&far, &far2);
    EXPECT_DOUBLE_EQ(G3Edge::GetCosAngle(&ab, &bc), -1.0);
    EXPECT_NEAR(G3Edge::GetCosAngle(&ab, &bd), 0.0, 1e-15);
    EXPECT_EQ(G3Edge::GetCosAngle(&ab, &loose), 0.0);  // unconnected
    EXPECT_DOUBLE_EQ(G3Edge::CalcRealSquareOfTriangle(&ab, &bd), 0.5);
    EXPECT_EQ(G3Edge::CalcRealSquareOfTriangle(&ab, &loose), 0.0);
    G3Vertex *p, *q, *r;
    G3Edge::GetTriangleVertex(&bd, &ab, &p, &q, &r);
    EXPECT_EQ(p, &d);
    EXPECT_EQ(q, &b);
    EXPECT_EQ(r, &a);
}

TEST(G3Edge, InterpolationUsesOneParameterAlongTheEdge) {
    // Regression: an edge level in z left the normal's z component uninterpolated.
    G3Vertex a(0, 0, 0, 0), b(4, 2, 0, 0);
    G3Normal na(0, 0, 1, 0), nb(1, 1, -1, 0);
    G3TexCoo ta(0, 0), tb(1, 2);
    const double p[3] = {1, 0.5, 0};
    G3Normal* n;
    G3TexCoo* t;
    G3Edge::Interpolate(&a, &na, &ta, &b, &nb, &tb, p, &n, &t);
    ASSERT_NE(n, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_DOUBLE_EQ(n->GetX(), 0.25);
    EXPECT_DOUBLE_EQ(n->GetY(), 0.25);
    EXPECT_DOUBLE_EQ(n->GetZ(), 0.5);
    EXPECT_DOUBLE_EQ(t->GetU(), 0.25);
    EXPECT_DOUBLE_EQ(t->GetV(), 0.5);
    delete n;
    delete t;
    G3Edge::Interpolate(&a, nullptr, &ta, &b, &nb, &tb, p, &n, &t);
    EXPECT_EQ(n, nullptr);
    EXPECT_EQ(t, nullptr);
}

TEST(G3Edge, MergeLegalityAndOutline) {
    TestMesh mesh;
    G3Vertex* v[6];
    const double xy[6][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}};
    for (int k = 0; k < 6; ++k) v[k] = mesh.Vertex(xy[k][0], xy[k][1], 0);
    G3Facet* left = mesh.Facet({v[0], v[1], v[4], v[5]});
    G3Facet* right = mesh.Facet({v[1], v[2], v[3], v[4]});
    G3Edge* shared = nullptr;
    for (G3Edge* e = left->GetFirstEdge(); e != nullptr; e = left->NextEdge(e)) {
        if (e->FacetEqu(left, right)) shared = e;
    }
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->IsLegalForMerge());
    EXPECT_FALSE(left->GetFirstEdge()->IsLegalForMerge());  // an empty side

    EXPECT_TRUE(shared->IsEdgeOnMesh());  // visible
    shared->ClearVisible();
    EXPECT_FALSE(shared->IsEdgeOnMesh());
    shared->SetFormMaking();
    EXPECT_TRUE(shared->IsEdgeOnMesh());  // two facets
    // Parallel view: both facets face +z the same way, so the crease is hidden.
    EXPECT_FALSE(shared->IsEdgeVisibleForDrawing(false));
    right->NegPlane();
    EXPECT_TRUE(shared->IsEdgeVisibleForDrawing(false));
}

TEST(G3Edge, SilhouetteSigns) {
    TestMesh mesh;
    G3Vertex* a = mesh.Vertex(0, 0, 0);
    G3Vertex* b = mesh.Vertex(1, 0, 0);
    G3Vertex* c = mesh.Vertex(0, 1, 1);
    G3Vertex* d = mesh.Vertex(0, -1, 1);
    G3Facet* f1 = mesh.Facet({a, b, c});
    G3Facet* f2 = mesh.Facet({b, a, d});
    G3Edge* ab = f1->GetFirstEdge();
    ab->ClearVisible();
    ab->SetFormMaking();
    double p1[4] = {0, 0, 0.5, 0}, p2[4] = {0, 0, -0.5, 0};
    f1->SetPlane(p1);
    f2->SetPlane(p2);
    EXPECT_TRUE(ab->IsEdgeVisibleForDrawing(false));
    p2[2] = 0.3;
    f2->SetPlane(p2);
    EXPECT_FALSE(ab->IsEdgeVisibleForDrawing(false));
    // From the origin: at vertex a (the origin) both facings are 0, so it is a silhouette.
    EXPECT_TRUE(ab->IsEdgeVisibleForDrawing(true));
}

}  // namespace
