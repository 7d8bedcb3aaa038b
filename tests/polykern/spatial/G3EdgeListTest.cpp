#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetContourIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"
#include "tests/support/SurfaceCheck.h"

namespace {

const double kXY[4] = {0, 0, 1, 0};  // the plane z = 0

// Owns the vertices and the lists a test makes.
class Sketch {
public:
    ~Sketch() { out.clear(true); }
    G3Vertex* V(double x, double y) { return surface.AddVertex(x, y, 0, 0); }
    // The closed loop through the points as loose edges appended to `list`.
    void Loop(G3EdgeList& list, const std::vector<std::pair<double, double>>& points) {
        std::vector<G3Vertex*> v;
        for (const auto& p : points) v.push_back(V(p.first, p.second));
        for (std::size_t k = 0; k < v.size(); ++k)
            list.AddEdge(v[k], v[(k + 1) % v.size()], nullptr, nullptr, nullptr, nullptr, 1);
    }
    G3EdgeList* Contour(int i) { return static_cast<G3EdgeList*>(out.get(i)); }
    G3Surface surface;
    GArrayCollection out;
};

// Twice the signed area in the xy plane of a head-to-tail contour.
double SignedArea2(G3EdgeList* c) {
    double a = 0.0;
    for (int i = 0; i < c->size(); ++i) {
        const G3Edge* e = c->GetEdgeAt(i);
        a += e->GetVertex1()->GetX() * e->GetVertex2()->GetY() -
             e->GetVertex2()->GetX() * e->GetVertex1()->GetY();
    }
    return a;
}

::testing::AssertionResult HeadToTail(G3EdgeList* c) {
    for (int i = 0; i < c->size(); ++i) {
        if (c->GetEdgeAt(i)->GetVertex2() != c->GetEdgeAt((i + 1) % c->size())->GetVertex1()) {
            return ::testing::AssertionFailure() << "edge " << i << " does not meet the next";
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(G3EdgeList, NormalizeTurnsTheFirstEdge) {
    Sketch s;
    G3Vertex *a = s.V(0, 0), *b = s.V(1, 0), *c = s.V(1, 1), *d = s.V(0, 1);
    G3EdgeList list(1, 1);
    list.AddEdge(b, a, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(b, c, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(c, d, nullptr, nullptr, nullptr, nullptr, 1);
    list.Normalize();
    EXPECT_EQ(list.GetEdgeAt(0)->GetVertex1(), a);
    EXPECT_EQ(list.GetEdgeAt(0)->GetVertex2(), b);
    EXPECT_EQ(list.GetEdgeAt(2)->GetVertex1(), c);
}

TEST(G3EdgeList, ShuffledLooseEdgesOfTwoSquaresTraceTwoContours) {
    Sketch s;
    G3EdgeList list(1, 1);
    s.Loop(list, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    s.Loop(list, {{3, 0}, {4, 0}, {4, 1}, {3, 1}});
    std::mt19937 rng(7);
    std::vector<GObj*> edges(list.toArray(), list.toArray() + list.size());
    std::shuffle(edges.begin(), edges.end(), rng);
    for (std::size_t k = 0; k < edges.size(); ++k) list.put(static_cast<int>(k), edges[k]);
    list.SetPlane(kXY);
    list.FormContours(&s.out);
    ASSERT_EQ(s.out.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s.Contour(i)->size(), 4);
        EXPECT_TRUE(HeadToTail(s.Contour(i)));
        EXPECT_NEAR(std::fabs(SignedArea2(s.Contour(i))), 2.0, 1e-12);
    }
}

TEST(G3EdgeList, SpursAreStrippedAndNearPointsJoined) {
    Sketch s;
    G3EdgeList list(1, 1);
    s.Loop(list, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    G3Vertex* corner = s.V(1 + 0.4e-6, 1);  // within 1e-6 of the square's corner
    G3Vertex* away = s.V(2, 2);
    list.AddEdge(corner, away, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(away, s.V(3, 2), nullptr, nullptr, nullptr, nullptr, 1);
    list.SetPlane(kXY);
    list.FormContours(&s.out);
    ASSERT_EQ(s.out.size(), 1);
    EXPECT_EQ(s.Contour(0)->size(), 4);
}

TEST(G3EdgeList, TripledSpursAndUnsetAxesStillEnd) {
    // Regression: three edges between the same two vertices hanging off a square made
    // the tracing walk fail on the same start forever.
    Sketch s;
    G3EdgeList list(1, 1);  // no plane set: the list fits one itself
    s.Loop(list, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    G3Vertex* corner = s.V(1, 1);
    G3Vertex* tip = s.V(2, 3);
    for (int k = 0; k < 3; ++k) list.AddEdge(corner, tip, nullptr, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(list.GetXCoo(), -1);
    list.FormContours(&s.out);
    ASSERT_GE(s.out.size(), 1);
    int squares = 0;
    for (int i = 0; i < s.out.size(); ++i)
        squares += std::fabs(std::fabs(SignedArea2(s.Contour(i))) - 2.0) < 1e-12;
    EXPECT_EQ(squares, 1);
    EXPECT_EQ(list.GetXCoo() * 10 + list.GetYCoo(), 1);
}

TEST(G3EdgeList, NestedSquaresAlternateOuterAndHole) {
    Sketch s;
    const double sizes[3] = {10, 6, 2};
    for (double half : sizes) {
        auto* c = new G3EdgeList(1, 1);
        s.Loop(*c, {{-half, -half}, {half, -half}, {half, half}, {-half, half}});
        c->SetPlane(kXY);
        s.out.add(c);
    }
    G3EdgeList::FormContourTypes(&s.out);
    EXPECT_EQ(s.Contour(0)->GetContourType(), CONTOUR_OUTER);
    EXPECT_EQ(s.Contour(1)->GetContourType(), CONTOUR_HOLE);
    EXPECT_EQ(s.Contour(1)->GetInCount(), 1);
    EXPECT_EQ(s.Contour(2)->GetContourType(), CONTOUR_OUTER);
    EXPECT_EQ(s.Contour(2)->GetInCount(), 2);

    // Two identical contours: exactly one counts the other.
    GArrayCollection twins;
    auto* a = static_cast<G3EdgeList*>(s.Contour(0)->Duplicate());
    auto* b = static_cast<G3EdgeList*>(s.Contour(0)->Duplicate());
    a->SetPlane(kXY);
    b->SetPlane(kXY);
    twins.add(a);
    twins.add(b);
    G3EdgeList::FormContourTypes(&twins);
    EXPECT_EQ(a->GetInCount() + b->GetInCount(), 1);
    twins.clear(true);
}

TEST(G3EdgeList, HoleIsBridgedIntoOneRing) {
    Sketch s;
    auto* outer = new G3EdgeList(1, 1);
    s.Loop(*outer, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    auto* hole = new G3EdgeList(1, 1);
    s.Loop(*hole, {{4, 4}, {6, 4}, {6, 6}, {4, 6}});
    for (G3EdgeList* c : {outer, hole}) {
        c->SetPlane(kXY);
        s.out.add(c);
    }
    G3EdgeList::RemeshContours(&s.surface, &s.out, true, 0);
    ASSERT_EQ(s.out.size(), 1);
    G3EdgeList* ring = s.Contour(0);
    EXPECT_EQ(ring->GetContourType(), CONTOUR_OUTER);
    EXPECT_EQ(ring->size(), 10);
    EXPECT_TRUE(HeadToTail(ring));
    EXPECT_NEAR(std::fabs(SignedArea2(ring)), 2 * (100.0 - 4.0), 1e-9);  // the hole counts against
}

TEST(G3EdgeList, MergingFourSquaresKeepsTheirOutline) {
    Sketch s;
    G3Vertex* g[3][3];
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) g[j][i] = s.V(i, j);
    }
    G3EdgeList list(1, 1);
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            G3Vertex* ring[4] = {g[j][i], g[j][i + 1], g[j + 1][i + 1], g[j + 1][i]};
            for (int k = 0; k < 4; ++k)
                list.AddEdge(ring[k], ring[(k + 1) % 4], nullptr, nullptr, nullptr, nullptr, 1);
        }
    }
    list.SetPlane(kXY);
    list.RemoveSelfIntersections(&s.out, &s.surface, false, UNION_EDGE_MERGE, 0);
    ASSERT_EQ(s.out.size(), 1);
    EXPECT_EQ(s.Contour(0)->size(), 8);
    EXPECT_NEAR(SignedArea2(s.Contour(0)), 8.0, 1e-12);  // counter-clockwise, like the squares
}

TEST(G3EdgeList, OverlappingBoundaryPiecesKeepOneVisibleCopy) {
    Sketch s;
    G3Vertex *a = s.V(0, 0), *b = s.V(2, 0), *c = s.V(2, 2), *d = s.V(0, 2);
    G3EdgeList list(1, 1);
    list.AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, 0);  // hidden
    list.AddEdge(b, c, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(c, d, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(d, a, nullptr, nullptr, nullptr, nullptr, 1);
    list.AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, 1);  // the same side again, visible
    list.SetPlane(kXY);
    list.RemoveSelfIntersections(&s.out, &s.surface, false, UNION_EDGE_OVERLAP, 0);
    ASSERT_EQ(s.out.size(), 1);
    G3EdgeList* square = s.Contour(0);
    ASSERT_EQ(square->size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(square->GetEdgeAt(i)->GetVisible()) << "edge " << i;
    EXPECT_NEAR(SignedArea2(square), 8.0, 1e-12);
}

TEST(G3EdgeList, BowTieSplitsIntoTwoTriangles) {
    Sketch s;
    G3EdgeList list(1, 1);
    s.Loop(list, {{0, 0}, {2, 2}, {2, 0}, {0, 2}});
    list.SetPlane(kXY);
    EXPECT_TRUE(list.TestSelfIntersections());
    const int before = s.surface.GetVertexCount();
    list.RemoveSelfIntersections(&s.out, &s.surface, false, UNION_EDGE_SPLIT, 0);
    ASSERT_EQ(s.surface.GetVertexCount(), before + 1);
    const G3Vertex* centre = s.surface.GetVertex(before);
    EXPECT_DOUBLE_EQ(centre->GetX(), 1.0);
    EXPECT_DOUBLE_EQ(centre->GetY(), 1.0);
    ASSERT_EQ(s.out.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s.Contour(i)->size(), 3);
        EXPECT_FALSE(s.Contour(i)->TestSelfIntersections());
    }
}

TEST(G3EdgeList, ComplexFacetKeepsItsHole) {
    G3Surface s;
    G3Vertex* o[4] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(10, 0, 0, 0), s.AddVertex(10, 10, 0, 0),
                      s.AddVertex(0, 10, 0, 0)};
    G3Vertex* h[4] = {s.AddVertex(4, 4, 0, 0), s.AddVertex(6, 4, 0, 0), s.AddVertex(6, 6, 0, 0),
                      s.AddVertex(4, 6, 0, 0)};
    s.BeginComplexFacet();
    s.AddFacet(4, o, 1, nullptr, nullptr);
    s.AddFacet(4, h, 1, nullptr, nullptr);
    s.EndComplexFacet();
    EXPECT_EQ(s.GetExData(), nullptr);
    EXPECT_EQ(s.GetEdgeCount(), 8) << "the collected facets' edges leave with them";
    ASSERT_EQ(s.GetFacetCount(), 1);
    G3Facet* f = s.GetFacet(0);
    EXPECT_EQ(f->GetEdgeCount(), 8);
    G3FacetContourIterator contours(f);
    ASSERT_EQ(contours.GetContourCount(), 2);
    double areas = 0.0;
    while (contours.hasNext())
        areas += std::fabs(SignedArea2(static_cast<G3EdgeList*>(contours.next())));
    EXPECT_NEAR(areas, 2 * (100.0 + 4.0), 1e-9);

    const double above[3] = {5, 5, 3}, below[3] = {5, 5, -3};
    const double solid0[3] = {1, 1, 3}, solid1[3] = {1, 1, -3};
    const double far0[3] = {20, 1, 3}, far1[3] = {20, 1, -3};
    double hit[3];
    EXPECT_EQ(f->GetPlaneIntersect(above, below, hit, nullptr, nullptr), -1);
    EXPECT_EQ(f->GetPlaneIntersect(solid0, solid1, hit, nullptr, nullptr), 1);
    EXPECT_DOUBLE_EQ(hit[2], 0.0);
    EXPECT_EQ(f->GetPlaneIntersect(far0, far1, hit, nullptr, nullptr), 3);
    const double level0[3] = {1, 1, 0}, level1[3] = {2, 1, 0};
    EXPECT_EQ(f->GetPlaneIntersect(level0, level1, hit, nullptr, nullptr), 0);
    const double edge0[3] = {6, 5, 1}, edge1[3] = {6, 5, -1};
    EXPECT_EQ(f->GetPlaneIntersect(edge0, edge1, hit, nullptr, nullptr), 2);
    // With the hole's side excluded the point counts only as inside the outer loop.
    EXPECT_EQ(f->GetPlaneIntersect(edge0, edge1, hit, h[1]->GetXYZ(), h[2]->GetXYZ()), 1);
}

// Seeded star-shaped polygons with a square hole inside the kernel: the traced contours,
// outer areas counted positive and holes negative, must add up to the polygon's area.
TEST(G3EdgeList, RandomPolygonsWithHolesKeepTheirArea) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> radius(5.0, 10.0);
    for (int trial = 0; trial < 40; ++trial) {
        Sketch s;
        G3EdgeList list(1, 1);
        const int n = 5 + trial % 20;
        std::vector<std::pair<double, double>> outer;
        double area2 = 0.0;
        for (int k = 0; k < n; ++k) {
            const double angle = 2 * 3.141592653589793 * k / n;
            const double r = radius(rng);
            outer.emplace_back(r * std::cos(angle), r * std::sin(angle));
        }
        for (int k = 0; k < n; ++k) {
            const auto& p = outer[static_cast<std::size_t>(k)];
            const auto& q = outer[static_cast<std::size_t>((k + 1) % n)];
            area2 += p.first * q.second - q.first * p.second;
        }
        const double half = 1.0 + trial % 3;
        s.Loop(list, outer);
        s.Loop(list, {{-half, -half}, {-half, half}, {half, half}, {half, -half}});
        std::vector<GObj*> edges(list.toArray(), list.toArray() + list.size());
        std::shuffle(edges.begin(), edges.end(), rng);
        for (std::size_t k = 0; k < edges.size(); ++k) list.put(static_cast<int>(k), edges[k]);
        list.SetPlane(kXY);
        list.FormContours(&s.out);
        ASSERT_EQ(s.out.size(), 2) << "trial " << trial;
        G3EdgeList::FormContourTypes(&s.out);
        double traced = 0.0;
        int edgeCount = 0;
        for (int i = 0; i < s.out.size(); ++i) {
            const double a = std::fabs(SignedArea2(s.Contour(i)));
            traced += s.Contour(i)->GetContourType() == CONTOUR_HOLE ? -a : a;
            edgeCount += s.Contour(i)->size();
        }
        EXPECT_NEAR(traced, area2 - 8 * half * half, 1e-9) << "trial " << trial;
        EXPECT_EQ(edgeCount, n + 4) << "trial " << trial;
    }
}

}  // namespace

namespace {

// A cut entered once each way, as a facet split enters it.
void Cut(G3EdgeList& list, G3Vertex* a, G3Vertex* b) {
    list.AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, 5);
    list.AddEdge(b, a, nullptr, nullptr, nullptr, nullptr, 5);
}

}  // namespace

TEST(G3EdgeList, TraceFacesKeepsEveryRegionOfCutsInsideTheOutline) {
    // A square with two rooms drawn inside it, sharing a wall and touching no side, plus a
    // dangling cut (a spur) and a cut running along the bottom side: the faces are the
    // outline (around the rooms' hole), the rooms' joint outline as that hole, and both
    // rooms; the spur and the doubled side add nothing.
    for (const double sense : {1.0, -1.0}) {
        Sketch s;
        G3EdgeList list(1, 1);
        if (sense > 0) {
            s.Loop(list, {{0, 0}, {4, 0}, {4, 4}, {0, 4}});
        } else {
            s.Loop(list, {{0, 0}, {0, 4}, {4, 4}, {4, 0}});
        }
        G3Vertex* r[6] = {s.V(1, 1), s.V(2, 1), s.V(3, 1), s.V(3, 2), s.V(2, 2), s.V(1, 2)};
        for (int k = 0; k < 6; ++k) Cut(list, r[k], r[(k + 1) % 6]);
        Cut(list, r[1], r[4]);                        // the shared wall
        Cut(list, r[3], s.V(3.5, 3));                 // a spur
        Cut(list, s.surface.GetVertex(0), s.V(4, 0));  // along the bottom side
        const double plane[4] = {0, 0, sense, 0};
        list.SetPlane(plane);
        list.TraceFaces(&s.out, &s.surface);
        G3EdgeList::FormContourTypes(&s.out);
        std::vector<double> outers, holes;
        for (int i = 0; i < s.out.size(); ++i) {
            EXPECT_TRUE(HeadToTail(s.Contour(i)));
            const double area = 0.5 * sense * SignedArea2(s.Contour(i));
            EXPECT_GT(area, 0.0) << "contour " << i << " runs against the plane";
            (s.Contour(i)->GetContourType() == CONTOUR_HOLE ? holes : outers).push_back(area);
        }
        std::sort(outers.begin(), outers.end());
        ASSERT_EQ(outers.size(), 3u) << "sense " << sense;
        ASSERT_EQ(holes.size(), 1u) << "sense " << sense;
        EXPECT_NEAR(outers[0], 1.0, 1e-12);
        EXPECT_NEAR(outers[1], 1.0, 1e-12);
        EXPECT_NEAR(outers[2], 16.0, 1e-12);
        EXPECT_NEAR(holes[0], 2.0, 1e-12);
    }
}
