// What the Booleans promise beyond the volumes: materials travel with every piece, moved
// or turned pairs give the moved result, and the one-surface operations (pieces,
// intersection curves, self-intersection removal) keep their surfaces whole.

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

// Turns about z by `angle`, then moves by `by`.
G3Surface* Place(G3Surface* s, double angle, const double* by) {
    const double c = std::cos(angle), sn = std::sin(angle);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double x = v->GetX(), y = v->GetY();
        const double p[3] = {c * x - sn * y + by[0], sn * x + c * y + by[1], v->GetZ() + by[2]};
        v->Set(p);
    }
    s->FormPlaneEquation();
    return s;
}

G3Surface* Box(double x0, double y0, double z0, double x1, double y1, double z1) {
    return pktest::MakePrismBetween({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, z0, z1);
}

void Tag(G3Surface* s, pktest::FacetTagProvider* p, int* value) {
    for (int i = 0; i < s->GetFacetCount(); ++i) s->GetFacet(i)->SetOutExData(p, value);
}

double Length(const G3Interval* x) {
    double l2 = 0.0;
    for (int k = 0; k < 3; ++k) l2 += std::pow(x->GetXYZ2(k) - x->GetXYZ1(k), 2);
    return std::sqrt(l2);
}

}  // namespace

TEST(G3BooleanOperations, EveryPieceKeepsItsSourceMaterial) {
    pktest::FacetTagProvider provider;
    pktest::ScopedProvider scope(&provider);
    int grey = 1, red = 2, blue = 3;
    G3Surface* a = Box(0, 0, 0, 1, 1, 1);
    Tag(a, &provider, &grey);
    for (int i = 0; i < a->GetFacetCount(); ++i) {
        if (a->GetFacet(i)->GetPlane()[2] > 0.5) a->GetFacet(i)->SetOutExData(&provider, &red);
    }
    G3Surface* b = Box(0.5, 0.25, 0.5, 1.5, 0.75, 1.5);
    Tag(b, &provider, &blue);
    // A second box beside it whose top meets a's top in one plane: a different material
    // must keep its own facet rather than merge across the seam.
    G3Surface* c = Box(1, 0, 0, 2, 1, 1);
    Tag(c, &provider, &blue);
    G3BooleanCalculator first, second;
    SurfacePtr r(second.Add(first.Add(a, b), c));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(r.get()));
    for (int i = 0; i < r->GetFacetCount(); ++i) {
        const G3Facet* f = r->GetFacet(i);
        const void* tag = f->GetOutExData(&provider);
        ASSERT_NE(tag, nullptr) << "facet " << i << " lost its material";
        const double* p = f->GetPlane();
        GEnvelope box;
        f->FormEnvelope(&box);
        const bool aTop = p[2] > 0.5 && std::fabs(p[3] + 1.0) < 1e-9 && box.GetMax()[0] <= 1 + 1e-9;
        const bool straddles = box.GetMin()[0] < 1 - 1e-9 && box.GetMax()[0] > 1 + 1e-9;
        EXPECT_FALSE(straddles && std::fabs(p[3] + 1.0) < 1e-9) << "tops merged across materials";
        const bool bOrC = box.GetMin()[0] >= 1 - 1e-9;
        const bool aWest = std::fabs(p[3]) < 1e-9 && p[0] < -0.5;
        const void* expected = aTop ? &red : bOrC ? &blue : aWest ? &grey : tag;
        EXPECT_EQ(tag, expected) << "facet " << i;
    }
}

TEST(G3BooleanOperations, MovedAndTurnedPairGivesTheMovedResult) {
    auto run = [](double angle, const double* by) {
        G3BooleanCalculator bc;
        return SurfacePtr(bc.Sub(Place(pktest::MakeLShapedBuilding(), angle, by),
                                 Place(Box(2, 1, -1, 6, 2, 2), angle, by)));
    };
    const double none[3] = {0, 0, 0}, far[3] = {512345.0, 5412345.0, 250.0};
    SurfacePtr home = run(0.0, none), moved = run(0.0, far), turned = run(0.6435, far);
    ASSERT_NE(home, nullptr);
    ASSERT_NE(moved, nullptr);
    ASSERT_NE(turned, nullptr);
    // The L loses 4 × 1 × 2 of its lower arm's material (the box's part above the roof
    // and below the floor was never there).
    EXPECT_TRUE(pktest::IsClosedWithVolume(home.get(), 108.0 - 8.0, 1e-9));
    for (const G3Surface* s : {moved.get(), turned.get()}) {
        EXPECT_TRUE(pktest::IsClosedWithVolume(s, 108.0 - 8.0, 1e-9));
        EXPECT_NEAR(pktest::Area(s), pktest::Area(home.get()), 1e-6);
        EXPECT_EQ(s->GetFacetCount(), home->GetFacetCount());
    }
    GEnvelope h, m;
    home->FormEnvelope(&h);
    moved->FormEnvelope(&m);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(m.GetMin()[k] - far[k], h.GetMin()[k], 1e-6);
        EXPECT_NEAR(m.GetMax()[k] - far[k], h.GetMax()[k], 1e-6);
    }
}

TEST(G3BooleanOperations, DifferenceWithEventGivesAnEmptySurfaceNotNull) {
    G3BooleanCalculator bc;
    SurfacePtr r(bc.Sub(Box(0, 0, 0, 1, 1, 1), Box(-1, -1, -1, 2, 2, 2), nullptr));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetFacetCount(), 0);
}

TEST(G3BooleanOperations, SeparateKeepsSolidPiecesAndDropsStrays) {
    SurfacePtr s(Box(0, 0, 0, 1, 1, 1));
    SurfacePtr other(pktest::MakeLShapedBuilding());
    s->Copy(other.get());
    const int base = s->GetVertexCount();
    s->AddVertex(20, 0, 0, 0);
    s->AddVertex(21, 0, 0, 0);
    s->AddVertex(20, 1, 0, 0);
    const int stray[3] = {base, base + 1, base + 2};
    s->AddFacet(3, stray, 1, nullptr, nullptr);
    GArrayCollection pieces;
    G3BooleanCalculator bc;
    ASSERT_EQ(bc.Separate_Surface(s.get(), &pieces), 2);
    double volume = 0.0;
    for (int i = 0; i < pieces.size(); ++i) {
        SurfacePtr piece(static_cast<G3Surface*>(pieces.get(i)));
        EXPECT_TRUE(pktest::IsClosedAndOriented(piece.get()));
        volume += pktest::SignedVolume(piece.get());
    }
    EXPECT_NEAR(volume, 1.0 + 108.0, 1e-9);
    EXPECT_EQ(s->GetFacetCount(), 0);
}

TEST(G3BooleanOperations, IntersectionCurveOfTwoCubes) {
    // Six segments of 0.5 where the cubes' faces meet, in working units (1000 × model).
    SurfacePtr a(Box(0, 0, 0, 1, 1, 1)), b(Box(0.5, 0.5, 0.5, 1.5, 1.5, 1.5));
    G3IntervalList out;
    G3BooleanCalculator bc;
    ASSERT_TRUE(bc.SurfaceSurfaceIntersect(a.get(), b.get(), &out));
    double length = 0.0;
    GArrayCollection* segments = out.GetIntervalList();
    for (int i = 0; i < segments->size(); ++i)
        length += Length(static_cast<G3Interval*>(segments->get(i)));
    EXPECT_NEAR(length, 3000.0, 1e-6);
    EXPECT_EQ(a->GetFacetCount(), 0);
    EXPECT_EQ(b->GetFacetCount(), 0);
}

TEST(G3BooleanOperations, SelfIntersectionsAreCutAtEveryCheckLevel) {
    // Two interpenetrating boxes in one surface: the cut keeps their area, every facet
    // side stays paired, and no facet crosses another afterwards.
    SurfacePtr s(Box(0, 0, 0, 2, 1, 1));
    SurfacePtr other(Box(1, 0.25, 0.25, 3, 0.75, 2));
    s->Copy(other.get());
    const double area = pktest::Area(s.get());
    s->Update(CHECK_LEVEL_1003);
    EXPECT_GT(s->GetFacetCount(), 12);
    EXPECT_NEAR(pktest::Area(s.get()), area, 1e-9);
    EXPECT_TRUE(s->GetClosed());
    G3IntervalList none;
    G3BooleanCalculator again;
    SurfacePtr copy(s->Duplicate());
    again.RemoveSelfIntersection(copy.get());
    EXPECT_EQ(copy->GetFacetCount(), s->GetFacetCount());
}
