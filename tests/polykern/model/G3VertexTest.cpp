#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GVector3.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/model/G3VertexEdgeIterator.h"
#include "polykern/model/G3VertexVertexIterator.h"
#include "tests/support/TestMesh.h"

namespace {

using pktest::TestMesh;
using pktest::VertexListIsConsistent;

TEST(G3Point, NonFiniteCoordinatesBecomeZero) {
    const double inf = std::numeric_limits<double>::infinity();
    G3Point p(HUGE_VAL, 1.0, std::nan(""), 0);
    EXPECT_EQ(p.GetX(), 0.0);
    EXPECT_EQ(p.GetY(), 1.0);
    EXPECT_EQ(p.GetZ(), 0.0);
    const double xyz[3] = {-inf, 2.0, std::numeric_limits<double>::quiet_NaN()};
    G3Vertex v(xyz, 0);
    EXPECT_EQ(v.GetX(), 0.0);
    EXPECT_EQ(v.GetXYZ(1), 2.0);
    G3TexCoo t(inf, -inf);
    EXPECT_EQ(t.GetU(), 0.0);
    EXPECT_EQ(t.GetV(), 0.0);
}

TEST(G3Point, EqualityIsStrictlyWithinTheTolerance) {
    G3Point a(0, 0, 0, 0), b(1e-6, 0, 0, 0), c(0.9e-6, 0, 0, 0);
    EXPECT_FALSE(a.Equals(&b));
    EXPECT_TRUE(a.Equals(&c));
    EXPECT_TRUE(a.Equals(b.GetXYZ(), 1.1e-6));
    EXPECT_FALSE(G3Point::Equals(a.GetXYZ(), b.GetXYZ()));
    G3TexCoo t1(0, 0), t2(0, 0.5e-6);
    EXPECT_TRUE(t1.Equals(&t2));
    EXPECT_FALSE(t1.Equals(&t2, 0.5e-6));
    GObj notAPoint;
    EXPECT_FALSE(a.Equals(&notAPoint));

    G3Point s0(0, 0, 0, 0), s1(4, 0, 0, 0), on(1, 0, 0, 0), off(1, 0.01, 0, 0);
    EXPECT_TRUE(PtOnSegment(&on, &s0, &s1));
    EXPECT_FALSE(PtOnSegment(&off, &s0, &s1));
    EXPECT_FALSE(PtOnSegment(&on, static_cast<const G3Point*>(nullptr), &s1));
}

TEST(G3Normal, RealTransformationUsesOnlyTheLinearPart) {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {5, 6, 7, 1}};
    G3Normal n(0, 0, 1, 0);
    n.RealTransformation(m);
    EXPECT_EQ(n.GetZ(), 1.0);
    EXPECT_EQ(n.GetX(), 0.0);
    G3Vertex v(0, 0, 1, 0);
    v.RealTransformation(m);
    EXPECT_EQ(v.GetX(), 5.0);
    EXPECT_EQ(v.GetZ(), 8.0);
}

TEST(G3Vertex, EdgeListSurgery) {
    TestMesh mesh;
    G3Vertex* c = mesh.Vertex(0, 0, 0);
    G3Vertex* a = mesh.Vertex(1, 0, 0);
    G3Vertex* b = mesh.Vertex(0, 1, 0);
    G3Vertex* d = mesh.Vertex(-1, 0, 0);
    G3Edge* ca = mesh.Edge(c, a);
    G3Edge* bc = mesh.Edge(b, c);  // c is this edge's vertex 2
    G3Edge* cd = mesh.Edge(c, d);
    EXPECT_EQ(c->GetEdgeCount(), 3);
    G3Edge* out[3];
    ASSERT_EQ(c->GetEdges(out), 3);
    EXPECT_EQ(out[1], bc);
    EXPECT_TRUE(VertexListIsConsistent(c));

    // Removing the last edge makes its predecessor the last and ends the list there.
    EXPECT_TRUE(c->RemoveEdge(cd));
    EXPECT_EQ(c->GetLastEdge(), bc);
    EXPECT_EQ(bc->GetVertex2Edge(), nullptr);
    EXPECT_FALSE(c->RemoveEdge(cd));
    EXPECT_TRUE(VertexListIsConsistent(c));
    // Removing the middle of the list relinks around it.
    c->AddEdge(cd);
    EXPECT_TRUE(c->RemoveEdge(bc));
    EXPECT_EQ(ca->GetVertex1Edge(), cd);
    EXPECT_TRUE(VertexListIsConsistent(c));

    EXPECT_TRUE(a->RemoveEdge(ca));  // the only edge
    EXPECT_EQ(a->GetFirstEdge(), nullptr);
    EXPECT_EQ(a->GetLastEdge(), nullptr);
    EXPECT_FALSE(a->HasEdges());

    std::vector<GObj*> neighbours;
    for (G3VertexVertexIterator it(c); it.hasNext();) neighbours.push_back(it.next());
    EXPECT_EQ(neighbours, (std::vector<GObj*>{a, d}));
    EXPECT_DOUBLE_EQ(c->Distance(d), 1.0);
}

TEST(G3Vertex, SidesCountedTowardsANeighbour) {
    TestMesh mesh;
    G3Vertex* p = mesh.Vertex(0, 0, 0);
    G3Vertex* q = mesh.Vertex(1, 0, 0);
    G3Vertex* r = mesh.Vertex(0, 1, 0);
    G3Vertex* s = mesh.Vertex(0, -1, 0);
    G3Facet* up = mesh.Facet({p, q, r});
    G3Facet* down = mesh.Facet({q, p, s});  // shares the edge p–q
    EXPECT_EQ(p->GetEdgeCount(q), 2);
    EXPECT_EQ(p->GetEdgeCount2(q), 2);
    up->SetDoubleSided();
    down->SetDoubleSided();
    EXPECT_EQ(p->GetEdgeCount2(q), 4);
    EXPECT_EQ(p->GetEdgeCount(q, up), 1);
    EXPECT_EQ(p->GetEdgeCount(r), 1);
    EXPECT_EQ(p->GetEdgeCount(p), 0);
    GArrayCollection between(4, 4);
    p->GetEdges(q, &between);
    EXPECT_EQ(between.size(), 1);
}

TEST(G3Vertex, NormalsPerFacetSide) {
    TestMesh mesh;
    G3Vertex* p = mesh.Vertex(0, 0, 0);
    G3Vertex* q = mesh.Vertex(1, 0, 0);
    G3Vertex* r = mesh.Vertex(0, 1, 0);
    G3Facet* f = mesh.Facet({p, q, r});
    G3Normal n(0, 0, 1, 0), m(1, 0, 0, 0);
    G3TexCoo t(0.5, 0.5);
    G3TexCoo* got = nullptr;
    EXPECT_EQ(p->GetNormal(f, &got), nullptr);  // no geometry records yet
    p->SetNormal(f, &n, &t);
    EXPECT_EQ(p->GetNormal(f, &got), &n);
    EXPECT_EQ(got, &t);
    EXPECT_EQ(q->GetNormal(f, &got), nullptr);
    q->SetNormal(&m, nullptr);
    EXPECT_EQ(q->GetNormal(f, &got), &m);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(f->GetNormal(p, &got), &n);
}

}  // namespace
