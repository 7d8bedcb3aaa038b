#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/surfaceops/G3SurfaceEdit.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

// A contour of points the test owns.
class Contour {
public:
    Contour(std::initializer_list<std::array<double, 3>> points, bool far = false) {
        for (auto p : points) {
            if (far) pktest::MoveFar(p.data());
            m_Points.push_back(std::make_unique<G3Point>(p[0], p[1], p[2], 0));
            m_List.add(m_Points.back().get());
        }
    }
    GArrayCollection* get() { return &m_List; }

private:
    std::vector<std::unique_ptr<G3Point>> m_Points;
    GArrayCollection m_List;
};

// The square (x0, y0)–(x1, y1) at height z, counter-clockwise from above.
Contour Square(double x0, double y0, double x1, double y1, double z, bool far = false) {
    return Contour({{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, far);
}

// The direction d moved like the shapes that MoveFar moves.
G3Point Direction(double dx, double dy, double dz, bool far) {
    double o[3] = {0, 0, 0}, p[3] = {dx, dy, dz};
    if (far) {
        pktest::MoveFar(o);
        pktest::MoveFar(p);
    }
    return G3Point(p[0] - o[0], p[1] - o[1], p[2] - o[2], 0);
}

int LoopCount(const G3Facet* f) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    return f->GetLoops(starts, ends) ? static_cast<int>(ends.size()) : 0;
}

// The hole loops of every facet.
int HoleLoops(const G3Surface* s) {
    int n = 0;
    for (int i = 0; i < s->GetFacetCount(); ++i) n += LoopCount(s->GetFacet(i)) - 1;
    return n;
}

int OneSidedEdges(const G3Surface* s) {
    int n = 0;
    for (int i = 0; i < s->GetEdgeCount(); ++i) n += s->GetEdge(i)->GetFacetCount() == 1;
    return n;
}

G3Facet* FacetFacing(G3Surface* s, double nx, double ny, double nz, bool far = false) {
    const G3Point n = Direction(nx, ny, nz, far);
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (f->GetPlaneA() * n.GetXYZ(0) + f->GetPlaneB() * n.GetXYZ(1) +
                f->GetPlaneC() * n.GetXYZ(2) >
            0.999)
            return f;
    }
    return nullptr;
}

}  // namespace

TEST(G3SurfaceEditPrism, PocketAndBossOnTheTopOfABox) {
    for (double sense : {-1.0, 1.0}) {
        std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
        G3SurfaceEdit edit(box.get());
        Contour square = Square(1, 1, 3, 3, 4);
        G3Point down(0, 0, sense, 0);
        GArrayCollection sides;
        G3Facet* cap = edit.InsertFacet(square.get(), &down, 1.0, &sides);
        ASSERT_NE(cap, nullptr);
        EXPECT_EQ(sides.size(), 4);
        EXPECT_NEAR(cap->CalcArea(), 4.0, 1e-9);
        EXPECT_GT(cap->GetPlaneC(), 0.99);  // the pocket's floor and the boss's top face up
        EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0 + sense * 4.0));
    }
}

TEST(G3SurfaceEditPrism, PocketInTheRoofOfAnLShapedBuildingAndItsFarCopy) {
    for (bool far : {false, true}) {
        std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding(far));
        G3SurfaceEdit edit(building.get());
        // Along the inner leg of the L, clear of the missing corner.
        Contour contour({{1, 1, 3}, {3, 1, 3}, {3, 5, 3}, {1, 5, 3}}, far);
        G3Point down = Direction(0, 0, -1, far);
        G3Facet* cap = edit.InsertFacet(contour.get(), &down, 2.0, nullptr);
        ASSERT_NE(cap, nullptr) << far;
        EXPECT_TRUE(pktest::IsClosedWithVolume(building.get(), 108.0 - 8.0 * 2.0, 1e-7)) << far;
    }
}

TEST(G3SurfaceEditPrism, ContourOffTheRoofLeavesTheBuildingAlone) {
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding());
    G3SurfaceEdit edit(building.get());
    Contour inCorner = Square(5, 4, 7, 5, 3);      // over the missing corner of the L
    Contour acrossCorner = Square(3, 2, 5, 4, 3);  // its corners on the roof, an edge off it
    G3Point down(0, 0, -1, 0);
    const int facets = building->GetFacetCount();
    EXPECT_EQ(edit.InsertFacet(inCorner.get(), &down, 1.0, nullptr), nullptr);
    EXPECT_EQ(edit.InsertFacet(acrossCorner.get(), &down, 1.0, nullptr), nullptr);
    EXPECT_EQ(building->GetFacetCount(), facets);
    EXPECT_TRUE(pktest::IsClosedWithVolume(building.get(), 108.0));
}

TEST(G3SurfaceEditPrism, ContourInsideAnOpeningIsNotOnTheSlab) {
    std::unique_ptr<G3Surface> slab(pktest::MakeSlabWithOpening());
    G3SurfaceEdit edit(slab.get());
    Contour inOpening = Square(4.5, 4.5, 5.5, 5.5, 0.3);
    G3Point down(0, 0, -1, 0);
    const int facets = slab->GetFacetCount();
    EXPECT_EQ(edit.InsertFacet(inOpening.get(), &down, 0.1, nullptr), nullptr);
    EXPECT_EQ(slab->GetFacetCount(), facets);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8));
}

TEST(G3SurfaceEditPrism, DepthZeroHandsOutOnlyFacetsStillThere) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    Contour square = Square(1, 1, 3, 3, 4);
    G3Point down(0, 0, -1, 0);
    GArrayCollection sides;
    G3Facet* cap = edit.InsertFacet(square.get(), &down, 0.0, &sides);
    for (int i = 0; i < sides.size(); ++i) {
        bool present = false;
        for (int f = 0; f < box->GetFacetCount(); ++f)
            present = present || box->GetFacet(f) == sides.get(i);
        EXPECT_TRUE(present) << "side " << i << " was destroyed by the clean-up";
    }
    bool capPresent = cap == nullptr;
    for (int f = 0; f < box->GetFacetCount(); ++f)
        capPresent = capPresent || box->GetFacet(f) == cap;
    EXPECT_TRUE(capPresent);
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0));
}

TEST(G3SurfaceEditHole, HoleInTheBottomKeepsItFacingDownAndSharesItsEdges) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    Contour square = Square(1, 1, 3, 3, 0);
    edit.MakeHole(FacetFacing(box.get(), 0, 0, -1), square.get());
    G3Facet* bottom = FacetFacing(box.get(), 0, 0, -1);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(LoopCount(bottom), 2);
    EXPECT_NEAR(bottom->CalcArea(), 12.0, 1e-9);
    EXPECT_EQ(OneSidedEdges(box.get()), 4);  // the hole's edges alone
    EXPECT_EQ(box->GetEdgeCount(), 16);
    EXPECT_TRUE(pktest::IsWellFormed(box.get()));
}

TEST(G3SurfaceEditHole, SecondHoleInASlabWithAnOpening) {
    for (bool far : {false, true}) {
        std::unique_ptr<G3Surface> slab(pktest::MakeSlabWithOpening(far));
        G3SurfaceEdit edit(slab.get());
        G3Facet* top = pktest::FindFacetWithHoles(slab.get(), true);
        ASSERT_NE(top, nullptr);
        const double area = top->CalcArea();
        Contour square = Square(1, 1, 2, 2, 0.3, far);
        edit.MakeHole(top, square.get());
        int withThree = 0;
        for (int i = 0; i < slab->GetFacetCount(); ++i) {
            const G3Facet* f = slab->GetFacet(i);
            if (LoopCount(f) == 3) {
                ++withThree;
                EXPECT_NEAR(f->CalcArea(), area - 1.0, 1e-6);
            }
        }
        EXPECT_EQ(withThree, 1) << far;
        EXPECT_EQ(OneSidedEdges(slab.get()), 4) << far;
    }
}

TEST(G3SurfaceEditStuck, SinkingThroughABoxThenRemovingTheCapOpensIt) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    Contour square = Square(1, 1, 3, 3, 4);
    G3Point down(0, 0, -1, 0);
    G3Facet* cap = edit.InsertFacet(square.get(), &down, 4.0, nullptr);
    ASSERT_NE(cap, nullptr);
    EXPECT_NEAR(cap->GetPlaneD(), 0.0, 1e-12);  // lying on the bottom
    EXPECT_TRUE(edit.RemoveStuckTogetherFacets(cap));
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0 - 16.0));
    // A ring, one opening through: V − E + F counts the two faces with a hole as disks.
    EXPECT_EQ(pktest::EulerCharacteristic(box.get()) - HoleLoops(box.get()), 0);
    EXPECT_EQ(OneSidedEdges(box.get()), 0);
}

TEST(G3SurfaceEditStuck, SinkingThroughASlabMakesASecondOpening) {
    std::unique_ptr<G3Surface> slab(pktest::MakeSlabWithOpening());
    G3SurfaceEdit edit(slab.get());
    Contour square = Square(1, 1, 2, 2, 0.3);
    G3Point down(0, 0, -1, 0);
    G3Facet* cap = edit.InsertFacet(square.get(), &down, 0.3, nullptr);
    ASSERT_NE(cap, nullptr);
    EXPECT_TRUE(edit.RemoveStuckTogetherFacets(cap));
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8 - 0.3, 1e-9));
    EXPECT_EQ(pktest::EulerCharacteristic(slab.get()) - HoleLoops(slab.get()), -2);  // two openings
}

TEST(G3SurfaceEditStuck, FacetStuckOnNothingStays) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    EXPECT_FALSE(edit.RemoveStuckTogetherFacets(box->GetFacet(0)));
    EXPECT_FALSE(edit.RemoveStuckTogetherFacets(nullptr));
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0));
}

TEST(G3SurfaceEditDivide, UnsortedReversedIntervalsRunOnceAlongTheEdge) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    G3Edge* edge = nullptr;
    for (int i = 0; i < box->GetEdgeCount() && edge == nullptr; ++i) {
        G3Edge* e = box->GetEdge(i);
        if (std::fabs(e->GetVertex1()->GetXYZ(1) - e->GetVertex2()->GetXYZ(1)) > 1) edge = e;
    }
    ASSERT_NE(edge, nullptr);
    const double x = edge->GetVertex1()->GetXYZ(0), z = edge->GetVertex1()->GetXYZ(2);
    G3IntervalList intervals;
    const double a[] = {x, 3.0, z}, b[] = {x, 2.5, z};  // reversed
    const double c[] = {x, 0.5, z}, d[] = {x, 1.0, z};
    const double e0[] = {x, 0.0, z}, e1[] = {x, 0.2, z};  // starting at an end
    const double f0[] = {x, 1.0, z}, f1[] = {x, 1.5, z};  // starting at the previous end
    intervals.AddInterval(a, b);
    intervals.AddInterval(c, d);
    intervals.AddInterval(e0, e1);
    intervals.AddInterval(f0, f1);
    const int vertices = box->GetVertexCount();
    ASSERT_TRUE(edit.DivideEdge(box.get(), edge, &intervals));
    // Inner vertices at 0.2, 0.5, 1.0, 1.5, 2.5 and 3.0: no doubled vertex.
    EXPECT_EQ(box->GetVertexCount(), vertices + 6);
    double along = 0;
    int hidden = 0;
    for (int i = 0; i < box->GetEdgeCount(); ++i) {
        const G3Edge* e = box->GetEdge(i);
        EXPECT_GT(e->GetSizeXYZ(), 1e-6);
        if (std::fabs(e->GetVertex1()->GetXYZ(0) - x) < 1e-12 &&
            std::fabs(e->GetVertex2()->GetXYZ(0) - x) < 1e-12 &&
            std::fabs(e->GetVertex1()->GetXYZ(2) - z) < 1e-12 &&
            std::fabs(e->GetVertex2()->GetXYZ(2) - z) < 1e-12) {
            along += e->GetSizeXYZ();
            hidden += e->GetFlags() == 0x80;
        }
    }
    EXPECT_NEAR(along, 4.0, 1e-12);
    EXPECT_EQ(hidden, 4);
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0));
}

TEST(G3SurfaceEditDivide, EmptyIntervalsGiveOneNewEdgeAndShortEdgesNone) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 1));
    G3SurfaceEdit edit(box.get());
    G3IntervalList none;
    G3Edge* edge = box->GetEdge(0);
    const int edges = box->GetEdgeCount();
    ASSERT_TRUE(edit.DivideEdge(nullptr, edge, &none));
    EXPECT_EQ(box->GetEdgeCount(), edges);
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 1.0));
    EXPECT_FALSE(edit.DivideEdge(box.get(), nullptr, &none));
}

TEST(G3SurfaceEditCheck, CleanSurfacesPassAndEmptyOnesFail) {
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding(true));
    G3SurfaceEdit edit(building.get());
    int result = -1;
    EXPECT_TRUE(edit.CheckSurface(0x1 | 0x4 | 0x8 | 0x10, result));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(edit.CheckSurface(0, result));
    EXPECT_EQ(result, 0);
    G3Surface empty;
    G3SurfaceEdit none(&empty);
    EXPECT_FALSE(none.CheckSurface(0, result));
    EXPECT_EQ(result, 0);
}

TEST(G3SurfaceEditCheck, EachCheckReportsItsOwnDamage) {
    // A tiny edge: a quad with two corners 1e-7 apart.
    {
        std::unique_ptr<G3Surface> s(pktest::MakeCube(0, 0, 0, 1));
        G3Vertex* v[4] = {s->AddVertex(5, 0, 0, 0), s->AddVertex(6, 0, 0, 0),
                          s->AddVertex(6, 1e-7, 0, 0), s->AddVertex(5, 1, 0, 0)};
        ASSERT_NE(s->AddFacet(4, v, 1, nullptr, nullptr), nullptr);
        int r = 0;
        EXPECT_FALSE(G3SurfaceEdit(s.get()).CheckEdges(4, r));
        EXPECT_EQ(r, 4 | 0x10);
        r = 0;
        EXPECT_TRUE(G3SurfaceEdit(s.get()).CheckEdges(8, r));
        EXPECT_EQ(r, 0);
    }
    // A bow-tie facet, not the last facet of the surface.
    {
        G3Surface s;
        G3Vertex* v[4] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(2, 2, 0, 0), s.AddVertex(2, 0, 0, 0),
                          s.AddVertex(0, 2, 0, 0)};
        s.AddFacet(4, v, 1, nullptr, nullptr);
        G3Vertex* w[3] = {s.AddVertex(5, 0, 0, 0), s.AddVertex(6, 0, 0, 0),
                          s.AddVertex(5, 1, 0, 0)};
        s.AddFacet(3, w, 1, nullptr, nullptr);
        int r = 0;
        EXPECT_FALSE(G3SurfaceEdit(&s).CheckEdges(8, r));
        EXPECT_EQ(r, 8);
    }
    // Two boxes pushed into each other.
    {
        std::unique_ptr<G3Surface> s(pktest::MakeCube(0, 0, 0, 2));
        std::unique_ptr<G3Surface> other(pktest::MakeCube(1, 1, 1, 2));
        s->Copy(other.get());
        int r = 0;
        EXPECT_FALSE(G3SurfaceEdit(s.get()).CheckFacets(1, r));
        EXPECT_EQ(r, 1);
        r = 0;
        EXPECT_TRUE(G3SurfaceEdit(s.get()).CheckFacets(0, r));
        EXPECT_FALSE(G3SurfaceEdit(s.get()).CheckSurface(1 | 4 | 8, r));
        EXPECT_EQ(r, 1);
    }
}

TEST(G3SurfaceEditCommon, BoxesSideBySideShareTheirCoplanarEdges) {
    std::unique_ptr<G3Surface> a(pktest::MakeCube(0, 0, 0, 1));
    std::unique_ptr<G3Surface> b(pktest::MakeCube(1, 0, 0, 1));
    G3SurfaceEdit edit(a.get());
    double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    double moved[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {10, 0, 0, 1}};
    GArrayCollection out;
    ASSERT_TRUE(edit.FindCommonEdges(a.get(), b.get(), identity, moved, &out));
    // The edges at x = 1 of the top, bottom, front and back faces, once for each surface.
    ASSERT_EQ(out.size(), 8);
    for (int i = 0; i < out.size(); ++i) {
        auto* seg = static_cast<G3SurfaceEdit::Segment*>(out.get(i));
        const double shift = i % 2 == 0 ? 0.0 : 10.0;
        EXPECT_NEAR(seg->m_P1[0], 1.0 + shift, 1e-12);
        EXPECT_NEAR(seg->m_P2[0], 1.0 + shift, 1e-12);
        EXPECT_NEAR(std::hypot(seg->m_P2[1] - seg->m_P1[1], seg->m_P2[2] - seg->m_P1[2]), 1.0,
                    1e-12);
        delete seg;
    }
    G3Surface empty;
    EXPECT_FALSE(edit.FindCommonEdges(a.get(), &empty, identity, identity, &out));
}

TEST(G3SurfaceEditHardInput, BadContoursChangeNothing) {
    std::unique_ptr<G3Surface> box(pktest::MakeCube(0, 0, 0, 4));
    G3SurfaceEdit edit(box.get());
    Contour nan({{1, 1, 4}, {2, 1, 4.5}, {3, 3, 4}});  // one point off the facet's plane
    Contour two({{1, 1, 4}, {2, 1, 4}});
    G3Point down(0, 0, -1, 0);
    EXPECT_EQ(edit.InsertFacet(nan.get(), &down, 1, nullptr), nullptr);
    EXPECT_EQ(edit.InsertFacet(two.get(), &down, 1, nullptr), nullptr);
    EXPECT_EQ(edit.InsertFacet(nullptr, &down, 1, nullptr), nullptr);
    Contour square = Square(1, 1, 3, 3, 4);
    EXPECT_EQ(edit.InsertFacet(square.get(), nullptr, 1, nullptr), nullptr);
    edit.MakeHole(nullptr, square.get());
    std::unique_ptr<G3Surface> other(pktest::MakeCube());
    edit.MakeHole(other->GetFacet(0), square.get());  // a facet of another surface
    EXPECT_TRUE(pktest::IsClosedWithVolume(box.get(), 64.0));
    EXPECT_TRUE(pktest::IsClosedWithVolume(other.get(), 1.0));
}
