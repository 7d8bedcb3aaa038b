#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using pktest::Area;
using pktest::EulerCharacteristic;
using pktest::IsClosedAndOriented;
using pktest::IsWellFormed;
using pktest::SignedVolume;

using SurfacePtr = std::unique_ptr<G3Surface>;

void ExpectCounts(const G3Surface* s, int v, int e, int f) {
    EXPECT_EQ(s->GetVertexCount(), v);
    EXPECT_EQ(s->GetEdgeCount(), e);
    EXPECT_EQ(s->GetFacetCount(), f);
}

void ExpectUnitCube(const G3Surface* s, int e, int f) {
    ExpectCounts(s, 8, e, f);
    EXPECT_TRUE(IsWellFormed(s));
    EXPECT_TRUE(IsClosedAndOriented(s));
    EXPECT_EQ(EulerCharacteristic(s), 2);
    EXPECT_NEAR(SignedVolume(s), 1.0, 1e-12);
    EXPECT_NEAR(Area(s), 6.0, 1e-12);
}

// Each facet's plane is exactly the outward plane of the cube face it lies in.
void ExpectOutwardPlanes(const G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const double* p = s->GetFacet(i)->GetPlane();
        int axis = 0;
        while (axis < 3 && p[axis] == 0.0) ++axis;
        ASSERT_LT(axis, 3) << "facet " << i;
        const double onFace = p[axis] > 0 ? 1.0 : 0.0;  // the face at 1 faces +, at 0 faces −
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(std::fabs(p[k]), k == axis ? 1.0 : 0.0) << "facet " << i;
        EXPECT_EQ(p[3], -p[axis] * onFace) << "facet " << i;
    }
}

TEST(G3Surface, CubesAreClosedOrientedSolids) {
    SurfacePtr quads(pktest::MakeCube());
    ExpectUnitCube(quads.get(), 12, 6);
    ExpectOutwardPlanes(quads.get());
    SurfacePtr triangles(pktest::MakeTriangleCube());
    ExpectUnitCube(triangles.get(), 18, 12);
    ExpectOutwardPlanes(triangles.get());
    SurfacePtr tetra(pktest::MakeTetrahedron());
    EXPECT_TRUE(IsClosedAndOriented(tetra.get()));
    EXPECT_NEAR(SignedVolume(tetra.get()), 1.0 / 6.0, 1e-12);
}

TEST(G3Surface, EdgesAreSharedWhateverTheDirection) {
    G3Surface s;
    G3Vertex* v[5];
    for (int k = 0; k < 5; ++k) v[k] = s.AddVertex(k, k * k, 0, 0);
    G3Vertex *a = v[0], *b = v[1], *c = v[2], *d = v[3], *e = v[4];
    G3Vertex* abc[3] = {a, b, c};
    G3Vertex* cbd[3] = {c, b, d};
    ASSERT_NE(s.AddFacet(3, abc, 1, nullptr, nullptr), nullptr);
    ASSERT_NE(s.AddFacet(3, cbd, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(s.GetEdgeCount(), 5);

    G3Surface same;
    G3Vertex* w[4];
    for (int k = 0; k < 4; ++k) w[k] = same.AddVertex(k, k * k, 1, 0);
    G3Vertex* first[3] = {w[0], w[1], w[2]};
    G3Vertex* second[3] = {w[1], w[2], w[3]};  // walks w1–w2 the same way
    same.AddFacet(3, first, 1, nullptr, nullptr);
    same.AddFacet(3, second, 1, nullptr, nullptr);
    EXPECT_EQ(same.GetEdgeCount(), 5);

    G3Vertex* bce[3] = {b, c, e};  // a third facet on b–c gets a parallel edge
    ASSERT_NE(s.AddFacet(3, bce, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(s.GetEdgeCount(), 8);
    GArrayCollection work(4, 4);
    EXPECT_EQ(G3Surface::GetCountEdges(b, c, &work), 3);
    EXPECT_EQ(work.size(), 2);
    EXPECT_TRUE(IsWellFormed(&s));
}

TEST(G3Surface, DegenerateFacetsLeaveNothingBehind) {
    G3Surface s;
    G3Vertex* a = s.AddVertex(0, 0, 0, 0);
    G3Vertex* b = s.AddVertex(1, 0, 0, 0);
    G3Vertex* c = s.AddVertex(0, 1, 0, 0);
    static int traces;
    traces = 0;
    GTrace::Receiver previous = GTrace::SetReceiver([](const char*) { ++traces; });
    G3Vertex* two[2] = {a, b};
    EXPECT_EQ(s.AddFacet(2, two, 1, nullptr, nullptr), nullptr);
    G3Vertex* aab[3] = {a, a, b};
    EXPECT_EQ(s.AddFacet(3, aab, 1, nullptr, nullptr), nullptr);
    G3Vertex* aabc[4] = {a, a, b, c};
    G3Facet* tri = s.AddFacet(4, aabc, 1, nullptr, nullptr);
    ASSERT_NE(tri, nullptr);
    EXPECT_EQ(tri->GetEdgeCount(), 3);
    EXPECT_EQ(traces, 2);  // once for (a, a, b), once for (a, a, b, c)
    GTrace::SetReceiver(previous);
    s.RemoveFacet(tri);
    s.RemoveUnused();
    ExpectCounts(&s, 0, 0, 0);

    const int outOfRange[3] = {0, 1, 7};
    EXPECT_EQ(s.AddFacet(3, outOfRange, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(s.AddPolyEdge(3, outOfRange), nullptr);
}

TEST(G3Surface, SplitEdgeKeepsTheCubeClosed) {
    SurfacePtr cube(pktest::MakeCube());
    G3Edge* e = cube->GetEdge(0);
    G3Facet* f1 = e->GetFacet1();
    G3Facet* f2 = e->GetFacet2();
    e->ClearVisible();
    e->SetFormMaking();
    double mid[3];
    G3Edge::CalcCentrePoint(e->GetVertex1(), e->GetVertex2(), mid);
    G3Vertex* p = cube->AddVertex(mid, 0);
    cube->SplitEdge(e, p);
    ExpectCounts(cube.get(), 9, 13, 6);
    EXPECT_TRUE(IsWellFormed(cube.get()));
    EXPECT_TRUE(IsClosedAndOriented(cube.get()));
    EXPECT_EQ(EulerCharacteristic(cube.get()), 2);
    EXPECT_NEAR(SignedVolume(cube.get()), 1.0, 1e-12);
    EXPECT_TRUE(f1->ContainsVertex(p) && f2->ContainsVertex(p));
    EXPECT_EQ(f1->GetVertexCount(), 5);
    for (G3Edge* half = p->GetFirstEdge(); half != nullptr; half = half->NextAtVertex(p)) {
        EXPECT_TRUE(half->GetFormMaking() && !half->GetVisible());
    }
}

TEST(G3Surface, SplitEdgeInterpolatesNormals) {
    G3Surface s;
    G3Vertex* v[3] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(2, 0, 0, 0), s.AddVertex(0, 2, 0, 0)};
    G3Normal* n[3] = {s.AddNormal(0, 0, 1), s.AddNormal(1, 0, 0), s.AddNormal(0, 0, 1)};
    G3Facet* f = s.AddFacet(3, v, 1, n, nullptr);
    ASSERT_NE(f, nullptr);
    G3Edge* e = f->GetFirstEdge();
    ASSERT_TRUE(e->HasVertex(v[0]) && e->HasVertex(v[1]));
    G3Vertex* mid = s.AddVertex(1, 0, 0, 0);
    s.SplitEdge(e, mid);
    G3Normal* got = f->GetNormal(mid, nullptr);
    ASSERT_NE(got, nullptr);
    EXPECT_DOUBLE_EQ(got->GetX(), 0.5);
    EXPECT_DOUBLE_EQ(got->GetZ(), 0.5);
    EXPECT_EQ(s.GetNormalCount(), 4);
}

TEST(G3Surface, CopiesShareNothing) {
    SurfacePtr cube(pktest::MakeCube());
    SurfacePtr dup(static_cast<G3Surface*>(cube->Duplicate()));
    ExpectUnitCube(dup.get(), 12, 6);
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(dup->GetFacet(i)->GetPlane()[k], cube->GetFacet(i)->GetPlane()[k]);
        EXPECT_EQ(dup->GetFacet(i)->GetSurface(), cube->GetFacet(i)->GetSurface() + 1);
    }
    std::set<const void*> original;
    for (int i = 0; i < 8; ++i) original.insert(cube->GetVertex(i));
    for (int i = 0; i < 12; ++i) original.insert(cube->GetEdge(i));
    for (int i = 0; i < 6; ++i) original.insert(cube->GetFacet(i));
    for (int i = 0; i < 12; ++i) {
        const G3Edge* e = dup->GetEdge(i);
        for (const void* p :
             {static_cast<const void*>(e), static_cast<const void*>(e->GetVertex1()),
              static_cast<const void*>(e->GetFacet1()), static_cast<const void*>(e->GetFacet2()),
              static_cast<const void*>(e->GetFacet1Edge()),
              static_cast<const void*>(e->GetVertex2Edge())}) {
            EXPECT_EQ(original.count(p), 0u);
        }
    }

    // Appending after existing content: two disjoint cubes, each closed.
    SurfacePtr two(pktest::MakeCube(5, 0, 0));
    two->Copy(cube.get());
    ExpectCounts(two.get(), 16, 24, 12);
    EXPECT_TRUE(IsWellFormed(two.get()));
    EXPECT_TRUE(IsClosedAndOriented(two.get()));
    EXPECT_EQ(two->GetVertex(8)->GetX(), cube->GetVertex(0)->GetX());
    EXPECT_NEAR(SignedVolume(two.get()), 2.0, 1e-12);
    GArrayCollection component;
    two->GetAllAdjacentFaces(two->GetFacet(0), &component);
    EXPECT_EQ(component.size(), 6);

    // Into itself: only what was there before is copied.
    cube->Copy(cube.get());
    ExpectCounts(cube.get(), 16, 24, 12);
    EXPECT_TRUE(IsWellFormed(cube.get()));
    EXPECT_TRUE(IsClosedAndOriented(cube.get()));
}

TEST(G3Surface, ClosednessAndVertexMerging) {
    SurfacePtr tetra(pktest::MakeTetrahedron());
    EXPECT_TRUE(tetra->GetClosed());
    tetra->RemoveFacet(tetra->GetFacet(0));
    EXPECT_FALSE(tetra->GetClosed());

    G3Surface single;
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    G3Vertex* v[3];
    for (int k = 0; k < 3; ++k) v[k] = single.AddVertex(p[k], 0);
    G3Facet* tri = single.AddFacet(3, v, 1, nullptr, nullptr);
    EXPECT_FALSE(single.GetClosed());
    tri->SetDoubleSided();
    EXPECT_TRUE(single.GetClosed());

    // Merging two adjacent corners of a quadrilateral leaves a triangle.
    G3Surface quad;
    G3Vertex* q[4] = {quad.AddVertex(0, 0, 0, 0), quad.AddVertex(1, 0, 0, 0),
                      quad.AddVertex(1, 1, 0, 0), quad.AddVertex(0, 1, 0, 0)};
    G3Facet* f = quad.AddFacet(4, q, 1, nullptr, nullptr);
    GArrayCollection collapsed;
    const G3Vertex* merged = q[1];
    EXPECT_TRUE(quad.ChangeVertex(q[1], q[2], &collapsed));
    ASSERT_EQ(collapsed.size(), 1);
    // Regression: the collapsed edge kept pointing at the merged-away vertex, and the
    // sweep then read it after it was freed.
    EXPECT_FALSE(static_cast<G3Edge*>(collapsed.get(0))->HasVertex(merged));
    EXPECT_EQ(f->GetEdgeCount(), 3);
    quad.RemoveUnused();
    ExpectCounts(&quad, 3, 3, 1);
    EXPECT_TRUE(IsWellFormed(&quad));
}

TEST(G3Surface, OneFacetSurfacesAndPolyEdges) {
    SurfacePtr cube(pktest::MakeCube());
    G3Facet* top = cube->GetFacet(1);
    SurfacePtr lone(G3Surface::FormFacetSurface(top));
    ExpectCounts(lone.get(), 4, 4, 1);
    EXPECT_EQ(lone->GetFacet(0)->GetPlaneC(), 1.0);
    EXPECT_NEAR(Area(lone.get()), 1.0, 1e-12);
    EXPECT_EQ(G3Surface::FormFacetSurface(nullptr), nullptr);

    const int ids[3] = {0, 1, 3};
    G3PolyEdge* pe = cube->AddPolyEdge(3, ids);
    ASSERT_NE(pe, nullptr);
    G3Vertex *a, *b;
    ASSERT_TRUE(cube->GetPolyEdge(0, 2, &a, &b));
    EXPECT_EQ(a, cube->GetVertex(3));
    EXPECT_EQ(b, cube->GetVertex(0));
    EXPECT_FALSE(cube->GetPolyEdge(1, 0, &a, &b));
    cube->RemoveFacet(top);
    cube->RemoveUnused();
    EXPECT_EQ(cube->GetVertexCount(), 8);  // poly-edges keep the vertices

    int x = 1, y = 2;
    cube->SetExtAcisHitData(&x, &y);
    void *ha, *hb;
    lone->GetExtAcisHitData(&ha, &hb);  // none of its own: the latest pair
    EXPECT_EQ(ha, &x);
    cube->GetExtAcisHitData(&ha, &hb);
    EXPECT_EQ(hb, &y);
}

}  // namespace

// Hosts used to cast every duplicate from GObj*; each class now names its own type.
TEST(G3Surface, AbsorbedEntitiesAreWhatACopyWouldBe) {
    // An L-shaped building and a sphere, appended to a cube once by copy and once by
    // moving: the same entities in the same places, numbered, linked and flagged alike.
    auto parts = [] {
        std::vector<SurfacePtr> out;
        out.emplace_back(pktest::MakePrism({{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}}, 2));
        out.emplace_back(pktest::MakeSphere(12, 6));
        out.back()->GetFacet(3)->SetFlags(0x40);
        return out;
    };
    // Providers stay registered for the process once some are; ctest runs each test alone.
    if (G3Obj::GetProviderList()->size() != 0) GTEST_SKIP() << "a provider is registered";
    SurfacePtr copied(pktest::MakeCube(9, 0, 0)), moved(pktest::MakeCube(9, 0, 0));
    for (const bool viaMove : {false, true}) {
        for (SurfacePtr& part : parts()) {
            if (viaMove) {
                ASSERT_TRUE(moved->Absorb(part.get()));
                EXPECT_EQ(part->GetVertexCount() + part->GetEdgeCount() + part->GetFacetCount(), 0);
            } else {
                copied->Copy(part.get());
            }
        }
    }
    ExpectCounts(moved.get(), copied->GetVertexCount(), copied->GetEdgeCount(),
                 copied->GetFacetCount());
    EXPECT_TRUE(IsWellFormed(moved.get()));
    EXPECT_TRUE(IsClosedAndOriented(moved.get()));
    EXPECT_EQ(SignedVolume(moved.get()), SignedVolume(copied.get()));
    EXPECT_EQ(moved->GetNextSurface(), copied->GetNextSurface());
    for (int i = 0; i < moved->GetFacetCount(); ++i) {
        const G3Facet* m = moved->GetFacet(i);
        const G3Facet* c = copied->GetFacet(i);
        EXPECT_EQ(m->GetId(), i);
        EXPECT_EQ(m->GetParent(), moved.get());
        EXPECT_EQ(m->GetSurface(), c->GetSurface());
        EXPECT_EQ(m->GetFlags(), c->GetFlags());
        EXPECT_EQ(m->GetEdgeCount(), c->GetEdgeCount());
        EXPECT_EQ(m->GetFirstEdge()->GetVertex1()->GetId(),
                  c->GetFirstEdge()->GetVertex1()->GetId());
    }
    for (int i = 0; i < moved->GetEdgeCount(); ++i) {
        EXPECT_EQ(moved->GetEdge(i)->GetId(), i);
        EXPECT_EQ(moved->GetEdge(i)->GetVertex2()->GetId(),
                  copied->GetEdge(i)->GetVertex2()->GetId());
    }
    // A provider would hear of a copy's entities opening, so nothing moves while one is
    // registered.
    G3ExDataProvider idle;
    G3Obj::AddProvider(&idle);
    SurfacePtr one(pktest::MakeCube());
    EXPECT_FALSE(moved->Absorb(one.get()));
    G3Obj any;
    any.RemoveExDataProvider(&idle);
    EXPECT_EQ(one->GetFacetCount(), 6);
}

TEST(G3Surface, DuplicateReturnsItsOwnType) {
    static_assert(std::is_same_v<decltype(std::declval<G3Surface&>().Duplicate()), G3Surface*>);
    static_assert(std::is_same_v<decltype(std::declval<G3Vertex&>().Duplicate()), G3Vertex*>);
    static_assert(std::is_same_v<decltype(std::declval<G3Edge&>().Duplicate()), G3Edge*>);
    std::unique_ptr<G3Surface> cube(pktest::MakeCube());
    std::unique_ptr<G3Surface> copy(cube->Duplicate());
    EXPECT_EQ(copy->GetFacetCount(), 6);
    EXPECT_TRUE(pktest::IsClosedWithVolume(copy.get(), 1.0));
    GObj* asRoot = cube.get();
    std::unique_ptr<GObj> viaRoot(asRoot->Duplicate());  // the virtual slot still dispatches
    EXPECT_NE(dynamic_cast<G3Surface*>(viaRoot.get()), nullptr);
}
