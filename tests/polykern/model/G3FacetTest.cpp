#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/TestMesh.h"

namespace {

using pktest::RingIsClosed;
using pktest::TestMesh;
using pktest::VertexListIsConsistent;

std::vector<G3Vertex*> Walk(const G3Facet* f) {
    std::vector<G3Vertex*> out;
    for (G3FacetVertexIterator it(f); it.hasNext();)
        out.push_back(static_cast<G3Vertex*>(it.next()));
    return out;
}

// A unit square in the xy plane, counter-clockwise from the origin.
struct Square {
    TestMesh mesh;
    G3Vertex* v[4];
    G3Facet* f;
    Square() {
        v[0] = mesh.Vertex(0, 0, 0);
        v[1] = mesh.Vertex(1, 0, 0);
        v[2] = mesh.Vertex(1, 1, 0);
        v[3] = mesh.Vertex(0, 1, 0);
        f = mesh.Facet({v[0], v[1], v[2], v[3]});
    }
};

TEST(G3Facet, WalksAndRingEditing) {
    TestMesh mesh;
    G3Vertex* a = mesh.Vertex(0, 0, 0);
    G3Vertex* b = mesh.Vertex(1, 0, 0);
    G3Vertex* c = mesh.Vertex(0, 1, 0);
    G3Facet* f = mesh.Facet({a, b, c});
    EXPECT_EQ(Walk(f), (std::vector<G3Vertex*>{a, b, c}));
    EXPECT_EQ(f->GetVertexCount(), 3);
    EXPECT_TRUE(RingIsClosed(f));
    EXPECT_DOUBLE_EQ(f->GetPlaneC(), 1.0);
    EXPECT_TRUE(f->GetMoveDirection(f->GetFirstEdge()));

    f->RotateEdges();
    EXPECT_TRUE(RingIsClosed(f));
    EXPECT_EQ(Walk(f), (std::vector<G3Vertex*>{a, c, b}));
    f->RotateEdges();
    EXPECT_EQ(Walk(f), (std::vector<G3Vertex*>{a, b, c}));
    f->NegPlane();
    EXPECT_DOUBLE_EQ(f->GetPlaneC(), -1.0);
    EXPECT_EQ(Walk(f), (std::vector<G3Vertex*>{a, c, b}));

    EXPECT_TRUE(f->ContainsVertex(b));
    EXPECT_TRUE(f->HasEdge(b, c));
    GArrayCollection ids(4, 4);
    f->GetVerticesIds(&ids, 10);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ids.get(1)), 12);
    int edges = 0;
    for (G3FacetEdgeIterator it(f); it.hasNext(); it.next()) ++edges;
    EXPECT_EQ(edges, 3);

    f->RemoveEdges();
    EXPECT_FALSE(f->HasEdges());
    EXPECT_FALSE(a->HasEdges());  // edges left without facets leave the vertex lists
    EXPECT_EQ(Walk(f).size(), 0u);
    EXPECT_EQ(f->CalcDepth(1, 1), 0.0);
}

TEST(G3Facet, PlaneFitsAndFlatness) {
    Square s;
    EXPECT_DOUBLE_EQ(s.f->GetPlaneD(), 0.0);
    const double same[4] = {0, 0, 1, 0.5e-6};
    EXPECT_TRUE(s.f->PlaneEquals(same));
    EXPECT_TRUE(s.f->IsFlat());
    s.v[2]->SetZ(4e-7);
    EXPECT_TRUE(s.f->IsFlat());
    s.v[2]->SetZ(6e-7);
    EXPECT_FALSE(s.f->IsFlat());
    s.v[2]->SetZ(0);
    GEnvelope env;
    s.f->FormEnvelope(&env);
    EXPECT_EQ(env.GetMax()[1], 1.0);
    EXPECT_DOUBLE_EQ(s.f->CalcDepth(0.3, 0.3), 0.0);
    int i, j;
    s.f->GetMaxCoo(&i, &j);
    EXPECT_EQ(i * 10 + j, 1);
}

TEST(G3Facet, PointLocationOnTheBoundaryAndJustOutside) {
    Square s;
    G3Vertex *hitA, *hitB;
    const double inside[3] = {0.5, 0.5, 0};
    EXPECT_TRUE(s.f->PointInFacetXY(inside, &hitA, &hitB));
    EXPECT_EQ(hitA, nullptr);

    const double corner[3] = {1, 1, 0};
    EXPECT_TRUE(s.f->PointInFacetXY(corner, &hitA, &hitB));
    EXPECT_EQ(hitA, s.v[2]);
    EXPECT_EQ(hitB, nullptr);

    const double onEdge[3] = {1, 0.5, 0};
    EXPECT_TRUE(s.f->PointInFacetXY(onEdge, &hitA, &hitB));
    EXPECT_TRUE((hitA == s.v[1] && hitB == s.v[2]) || (hitA == s.v[2] && hitB == s.v[1]));
    EXPECT_TRUE(std::less<G3Vertex*>()(hitA, hitB));

    const double withinTol[3] = {1 + 0.9e-6, 0.5, 0};
    EXPECT_TRUE(s.f->PointInFacetXY(withinTol, &hitA, &hitB));
    EXPECT_NE(hitB, nullptr);
    const double outside[3] = {1 + 1.1e-6, 0.5, 0};
    EXPECT_FALSE(s.f->PointInFacetXY(outside, &hitA, &hitB));
    EXPECT_EQ(hitA, nullptr);
    EXPECT_EQ(hitB, nullptr);
    const double insideTol[3] = {1 - 1.1e-6, 0.5, 0};
    EXPECT_TRUE(s.f->PointInFacetXY(insideTol, &hitA, &hitB));
    EXPECT_EQ(hitA, nullptr);

    // A ray level with a vertex of a diamond passes through it and counts it once.
    TestMesh mesh;
    G3Facet* diamond = mesh.Facet(
        {mesh.Vertex(0, -1, 0), mesh.Vertex(1, 0, 0), mesh.Vertex(0, 1, 0), mesh.Vertex(-1, 0, 0)});
    const double centre[3] = {0, 0, 0}, left[3] = {-2, 0, 0};
    EXPECT_TRUE(diamond->PointInFacetXY(centre, &hitA, &hitB));
    EXPECT_FALSE(diamond->PointInFacetXY(left, &hitA, &hitB));

    // Regression: a side within the tolerance of the ray, beyond the point, divided by a
    // near-zero height instead of being passed over.
    const double besideSide[3] = {2, 3e-7, 0};
    EXPECT_FALSE(s.f->PointInFacetXY(besideSide, &hitA, &hitB));
    const double belowSide[3] = {-2, -3e-7, 0};
    EXPECT_FALSE(s.f->PointInFacetXY(belowSide, &hitA, &hitB));

    double depth = -1;
    const double above[3] = {0.25, 0.25, 9};
    EXPECT_TRUE(s.f->PointInFacet(above, &hitA, &hitB, &depth));
    EXPECT_DOUBLE_EQ(depth, 0.0);
}

TEST(G3Facet, InteriorPointsOfAConcaveFacet) {
    TestMesh mesh;
    // An L: the centroid of its box lies outside.
    G3Facet* l = mesh.Facet({mesh.Vertex(0, 0, 0), mesh.Vertex(2, 0, 0), mesh.Vertex(2, 1, 0),
                             mesh.Vertex(1, 1, 0), mesh.Vertex(1, 2, 0), mesh.Vertex(0, 2, 0)});
    double p[3];
    ASSERT_TRUE(l->GeneratePointInFacetConcave(0, 1, p));
    G3Vertex *hitA, *hitB;
    EXPECT_TRUE(l->PointInFacetXY(p, &hitA, &hitB));
    EXPECT_EQ(hitA, nullptr);
    double x = -1, y = -1;
    ASSERT_TRUE(l->GenerateXYPointInFacetConcave(x, y));
    const double q[3] = {x, y, 0};
    EXPECT_TRUE(l->PointInFacetXY(q, &hitA, &hitB));
    EXPECT_EQ(hitA, nullptr);

    G3Vertex *da, *db;
    ASSERT_TRUE(l->CalcDiagonalEdge(&da, &db));
    EXPECT_DOUBLE_EQ(da->Distance(db), std::sqrt(8.0));
    EXPECT_DOUBLE_EQ(l->CalcDeviationFromEdge(mesh.Vertices()[0], mesh.Vertices()[1]), 2.0);
    // The L lies above its bottom side (+y of the line from (0,0) to (2,0)).
    const int sign = l->GetIntersectionSignByEdge(mesh.Vertices()[0], mesh.Vertices()[1], 0, 1);
    EXPECT_NE(sign, 0);
    EXPECT_EQ(sign, -l->GetIntersectionSignByEdge(mesh.Vertices()[1], mesh.Vertices()[0], 0, 1));
    EXPECT_EQ(l->GetIntersectionSignByEdge(mesh.Vertices()[0], mesh.Vertices()[2], 0, 1), 0);
}

TEST(G3Facet, ChangeEdgesRefusesAFacetOnBothSides) {
    Square s;
    std::string traced;
    static std::string* sink;
    sink = &traced;
    GTrace::Receiver previous = GTrace::SetReceiver([](const char* m) { *sink = m; });
    G3Edge* first = s.f->GetFirstEdge();
    G3Edge* second = s.f->NextEdge(first);
    EXPECT_FALSE(s.f->ChangeEdges(first, second));  // second already has this facet
    EXPECT_EQ(traced, "bad Change Facet to 2");
    EXPECT_TRUE(RingIsClosed(s.f));
    GTrace::SetReceiver(previous);

    // A replacement joining the same two vertices takes the old edge's place and flags.
    G3Edge* repl = s.mesh.Edge(first->GetVertex2(), first->GetVertex1());
    first->SetTangency();
    ASSERT_TRUE(s.f->ChangeEdges(first, repl));
    EXPECT_EQ(s.f->GetFirstEdge(), repl);
    EXPECT_TRUE(repl->GetTangency());
    EXPECT_EQ(first->GetFacetCount(), 0);
    EXPECT_TRUE(RingIsClosed(s.f));
    EXPECT_FALSE(s.f->ChangeEdges(first, repl));  // no longer in the ring

    // A replacement whose two sides belong to other facets has no room for this one.
    TestMesh other;
    G3Vertex* a = other.Vertex(0, 0, 0);
    G3Vertex* b = other.Vertex(1, 0, 0);
    G3Facet* up = other.Facet({a, b, other.Vertex(0, 1, 0)});
    other.Facet({b, a, other.Vertex(0, -1, 0)});
    G3Edge* full = up->GetFirstEdge();
    ASSERT_EQ(full->GetFacetCount(), 2);
    G3Edge* second2 = s.f->NextEdge(s.f->GetFirstEdge());
    EXPECT_FALSE(s.f->ChangeEdges(second2, full));
    EXPECT_EQ(full->GetFacetCount(), 2);
    EXPECT_TRUE(RingIsClosed(s.f));
}

TEST(G3Facet, DegenerateRingsAreWalkedSafely) {
    TestMesh mesh;
    G3Vertex* a = mesh.Vertex(0, 0, 0);
    G3Vertex* b = mesh.Vertex(1, 0, 0);
    G3Facet lone;
    TestMesh::Attach(&lone, mesh.Edge(a, b));
    EXPECT_EQ(Walk(&lone), (std::vector<G3Vertex*>{a}));
    EXPECT_TRUE(lone.FormPlaneEquation());
    G3Vertex *hitA, *hitB;
    const double p[3] = {0.5, 0, 0};
    EXPECT_FALSE(lone.PointInFacetXY(p, &hitA, &hitB));
    lone.RemoveEdges();
    G3Facet empty;
    EXPECT_EQ(empty.CalcDepth(1, 2), 0.0);
    EXPECT_FALSE(empty.CalcDiagonalEdge(&hitA, &hitB));
    G3IntervalList none;
    const double plane[4] = {0, 0, 1, 0};
    EXPECT_EQ(empty.IntersectByPlaneConcave(plane, &none), 0);
    double x = 0, y = 0;
    EXPECT_FALSE(empty.GenerateXYPointInFacetConcave(x, y));
}

TEST(G3Facet, SmallEdgesAndCollapses) {
    Square s;
    s.v[2]->SetExData(s.v[1]);  // v2 is merged into v1
    EXPECT_FALSE(s.f->RemoveSmallEdges());
    EXPECT_EQ(s.f->GetEdgeCount(), 3);
    s.v[2]->SetExData(nullptr);
    for (G3Vertex* v : s.v) EXPECT_TRUE(VertexListIsConsistent(v));

    TestMesh mesh;
    G3Vertex* a = mesh.Vertex(0, 0, 0);
    G3Vertex* b = mesh.Vertex(1, 0, 0);
    G3Vertex* c = mesh.Vertex(0, 1, 0);
    G3Facet* t = mesh.Facet({a, b, c});
    b->SetExData(a);
    EXPECT_TRUE(t->RemoveSmallEdges());
    EXPECT_FALSE(t->HasEdges());
    b->SetExData(nullptr);

    // Collapsing an edge of a pentagon to a new vertex leaves a ring of four around it.
    TestMesh pm;
    G3Vertex* p[5];
    const double xy[5][2] = {{0, 0}, {2, 0}, {3, 1}, {1, 2}, {-1, 1}};
    for (int k = 0; k < 5; ++k) p[k] = pm.Vertex(xy[k][0], xy[k][1], 0);
    G3Facet* pent = pm.Facet({p[0], p[1], p[2], p[3], p[4]});
    G3Vertex* mid = pm.Vertex(1, 0, 0);
    pent->ChangeEdgeToVertex(pent->GetFirstEdge(), mid);
    EXPECT_EQ(pent->GetEdgeCount(), 4);
    EXPECT_TRUE(RingIsClosed(pent));
    EXPECT_TRUE(pent->ContainsVertex(mid));
    EXPECT_FALSE(pent->ContainsVertex(p[0]));
    EXPECT_TRUE(VertexListIsConsistent(mid));
}

TEST(G3Facet, DivideEdgeKeepsTheRingHeadToTail) {
    for (int which = 0; which < 4; ++which) {
        Square s;
        G3Edge* e = s.f->GetFirstEdge();
        for (int k = 0; k < which; ++k) e = s.f->NextEdge(e);
        G3Vertex* mid = s.mesh.Vertex(0.5, 0.5, 0);  // any point: only links matter here
        G3Edge* a = s.mesh.Edge(e->GetVertex1(), mid);
        G3Edge* b = s.mesh.Edge(mid, e->GetVertex2());
        a->SetFacet1(s.f);
        b->SetFacet1(s.f);
        s.f->DivideEdge(e, b, a);  // given in reverse: the facet finds the order
        e->DetachFacet(s.f);
        EXPECT_EQ(s.f->GetEdgeCount(), 5) << which;
        EXPECT_TRUE(RingIsClosed(s.f)) << which;
    }
}

TEST(G3Facet, ScanLineInterpolationBetweenSides) {
    Square s;
    G3Normal n0(0, 0, 1, 0), n1(1, 0, 0, 0);
    G3TexCoo t0(0, 0), t1(1, 0);
    // Left side (x = 0) carries n0, right side (x = 1) n1.
    s.f->SetNormal(s.v[0], &n0, &t0, false);
    s.f->SetNormal(s.v[3], &n0, &t0, false);
    s.f->SetNormal(s.v[1], &n1, &t1, false);
    s.f->SetNormal(s.v[2], &n1, &t1, false);
    double normal[3], uv[3] = {7, 7, 7};
    const double p[3] = {0.25, 0.5, 0};
    ASSERT_EQ(s.f->Interpolate(p, normal, uv), 2);
    EXPECT_DOUBLE_EQ(normal[0], 0.25);
    EXPECT_DOUBLE_EQ(normal[2], 0.75);
    EXPECT_DOUBLE_EQ(uv[0], 0.25);
    EXPECT_EQ(uv[2], 7.0);  // left alone

    Square bare;
    EXPECT_EQ(bare.f->Interpolate(p, normal, uv), 0);
    EXPECT_EQ(normal[0], 0.0);
}

TEST(G3PolyEdge, SegmentsWrapAndRecordsTravel) {
    G3Vertex a(0, 0, 0, 0), b(1, 0, 0, 0), c(1, 1, 0, 0);
    G3Vertex* array[4] = {nullptr, &a, &b, &c};
    G3PolyEdge pe(3, 1);
    G3Vertex *p, *q;
    pe.GetEdge(array, 2, &p, &q);
    EXPECT_EQ(p, &c);
    EXPECT_EQ(q, &a);
    pe.SetClosed(true);
    EXPECT_TRUE(pe.GetClosed());
    EXPECT_EQ(pe.GetObjectType(), 1);

    EXPECT_EQ(pe.GetGraphic(), nullptr);
    EXPECT_FALSE(pe.SetGraphic(&a));
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 0, 0, 1}};
    G3Point p1(1, 2, 3, 0), p2, p3, p4;
    pe.SetExtEdgeData(nullptr, p1, p2, p3, p4, m);
    EXPECT_TRUE(pe.SetGraphic(&a));
    G3PolyEdge copy;
    copy.Copy(&pe);
    copy.CopyExData(&pe);
    G3Point r1;
    double rm[4][4];
    ASSERT_TRUE(copy.GetExtEdgeData(&r1, nullptr, nullptr, nullptr, rm));
    EXPECT_EQ(r1.GetZ(), 3.0);
    EXPECT_EQ(rm[3][0], 3.0);
    EXPECT_EQ(copy.GetGraphic(), &a);
}

}  // namespace
