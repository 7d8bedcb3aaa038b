// The landscape handler's terrain from points, its outline contours and their offsets.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3Derivative.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TVertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/TerrainCheck.h"

namespace {

using pktest::TerrainPoint;

std::vector<TerrainPoint> Stored(const G3LandscapeHandler& h, int i) {
    std::vector<TerrainPoint> out;
    auto* c = static_cast<GArrayCollection*>(h.GetContours()->get(i));
    for (int k = 0; k < c->size(); ++k) {
        auto* p = static_cast<G3Point*>(c->get(k));
        out.push_back({p->GetX(), p->GetY(), p->GetZ()});
    }
    return out;
}

bool Enter(G3LandscapeHandler& h, const std::vector<TerrainPoint>& pts) {
    h.StartContour();
    for (const auto& p : pts) h.AddContourVertex(p.x, p.y, p.z);
    return h.EndContour();
}

// Twice the signed plan area, positive counter-clockwise.
double TwiceArea(const std::vector<TerrainPoint>& r) {
    double a = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const auto& p = r[i];
        const auto& q = r[(i + 1) % r.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a;
}

struct Owned {
    GArrayCollection* c = new GArrayCollection();
    ~Owned() {
        for (int i = 0; i < c->size(); ++i) delete static_cast<G3Point*>(c->get(i));
        delete c;
    }
    void Add(double x, double y, double z = 0) { c->add(new G3Point(x, y, z, 0)); }
    TerrainPoint At(int i) const {
        auto* p = static_cast<G3Point*>(c->get(i));
        return {p->GetX(), p->GetY(), p->GetZ()};
    }
};

}  // namespace

TEST(G3LandscapeHandler, GridOnAPlaneGivesItsTrianglesWithHeightsOnThePlane) {
    G3LandscapeHandler h;
    auto plane = [](double x, double y) { return 0.1 * x + 0.2 * y + 5; };
    std::unique_ptr<G3Surface> t(pktest::MakeTerrain(h, pktest::GridPoints(2, 2, 5.0, plane)));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetFacetCount(), 8);
    EXPECT_EQ(t->GetEdgeCount(), 16);
    for (int i = 0; i < t->GetVertexCount(); ++i) {
        const G3Vertex* v = t->GetVertex(i);
        EXPECT_NEAR(v->GetZ(), plane(v->GetX(), v->GetY()), 1e-12);
    }
    EXPECT_TRUE(pktest::IsTerrain(t.get(), 100.0, [](double, double) { return true; }));
}

TEST(G3LandscapeHandler, ContoursAreStoredClockwiseWithoutRepeatsOrClosingPoint) {
    G3LandscapeHandler h;
    // Counter-clockwise, with a repeated point and closed by the user.
    ASSERT_TRUE(Enter(h, {{0, 0, 1}, {10, 0, 1}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}, {0, 0, 1}}));
    // Clockwise already.
    ASSERT_TRUE(Enter(h, {{20, 0, 0}, {20, 10, 0}, {30, 10, 0}, {30, 0, 0}}));
    ASSERT_EQ(h.GetContourCount(), 2);
    const auto a = Stored(h, 0), b = Stored(h, 1);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_LT(TwiceArea(a), 0);
    EXPECT_DOUBLE_EQ(a[0].x, 0.0);  // reversed: the last point first
    EXPECT_DOUBLE_EQ(a[0].y, 10.0);
    ASSERT_EQ(b.size(), 4u);
    EXPECT_DOUBLE_EQ(b[1].y, 10.0);  // as entered
}

TEST(G3LandscapeHandler, SelfCrossingAndDegenerateContoursAreRefused) {
    G3LandscapeHandler h;
    // The four-point figure eight.
    EXPECT_FALSE(Enter(h, {{0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0}}));
    // Five points whose first side is crossed by two later ones.
    EXPECT_FALSE(Enter(h, {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, -3, 0}, {0, 5, 0}}));
    EXPECT_FALSE(Enter(h, {{0, 0, 0}, {1, 1, 0}}));
    EXPECT_FALSE(Enter(h, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}));  // no area
    EXPECT_FALSE(h.EndContour());                               // nothing entered
    EXPECT_EQ(h.GetContourCount(), 0);
    // An abandoned contour is released by the next start; a concave one is kept.
    h.StartContour();
    h.AddContourVertex(0, 0, 0);
    EXPECT_TRUE(Enter(h, {{0, 0, 0}, {8, 0, 0}, {8, 3, 0}, {4, 3, 0}, {4, 6, 0}, {0, 6, 0}}));
    EXPECT_EQ(h.GetContourCount(), 1);
}

TEST(G3LandscapeHandler, PointInContourClosesEveryContour) {
    G3LandscapeHandler h;
    ASSERT_TRUE(Enter(h, {{0, 0, 0}, {5, 10, 0}, {10, 0, 0}}));
    EXPECT_FALSE(G3LandscapeHandler::PointInContour(h.GetContours(), 4, -3));
    EXPECT_TRUE(G3LandscapeHandler::PointInContour(h.GetContours(), 5, 3));
    EXPECT_FALSE(G3LandscapeHandler::PointInContour(h.GetContours(), 11, 3));
    // A second, L-shaped contour: its notch is outside.
    ASSERT_TRUE(Enter(h, {{20, 0, 0}, {28, 0, 0}, {28, 3, 0}, {24, 3, 0}, {24, 6, 0}, {20, 6, 0}}));
    EXPECT_TRUE(G3LandscapeHandler::PointInContour(h.GetContours(), 22, 5));
    EXPECT_FALSE(G3LandscapeHandler::PointInContour(h.GetContours(), 26, 5));
    EXPECT_FALSE(G3LandscapeHandler::PointInContour(nullptr, 0, 0));
}

TEST(G3LandscapeHandler, OffsetOfTheClosedSquareMovesEveryCornerOut) {
    Owned square, out;
    for (auto [x, y] : {std::pair{0, 10}, {10, 10}, {10, 0}, {0, 0}, {0, 10}}) square.Add(x, y, 3);
    ASSERT_TRUE(G3LandscapeHandler::OffsetContour(square.c, out.c, 1.0));
    const double want[5][2] = {{11, 11}, {11, -1}, {-1, -1}, {-1, 11}, {11, 11}};
    ASSERT_EQ(out.c->size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(out.At(i).x, want[i][0], 1e-12) << i;
        EXPECT_NEAR(out.At(i).y, want[i][1], 1e-12) << i;
        EXPECT_DOUBLE_EQ(out.At(i).z, 3.0);
    }
    // The same square without its closing copy gives the same outline.
    Owned open, out2;
    for (auto [x, y] : {std::pair{0, 10}, {10, 10}, {10, 0}, {0, 0}}) open.Add(x, y, 3);
    ASSERT_TRUE(G3LandscapeHandler::OffsetContour(open.c, out2.c, 1.0));
    ASSERT_EQ(out2.c->size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(out2.At(i).x, want[i][0], 1e-12);
}

TEST(G3LandscapeHandler, OffsetOfAnLShapedOutlineKeepsItsNotch) {
    Owned l, out;
    // Clockwise L: 8 x 6 without the corner (4..8, 3..6).
    for (auto [x, y] : {std::pair{0, 0}, {0, 6}, {4, 6}, {4, 3}, {8, 3}, {8, 0}}) l.Add(x, y);
    ASSERT_TRUE(G3LandscapeHandler::OffsetContour(l.c, out.c, 1.0));
    ASSERT_EQ(out.c->size(), 7);
    // Outwards by 1 on every side: the area grows by the perimeter plus four corners'
    // squares minus the notch corner's.
    std::vector<TerrainPoint> r;
    for (int i = 0; i < 6; ++i) r.push_back(out.At(i));
    EXPECT_NEAR(-0.5 * TwiceArea(r), 36 + 28 + 5 - 1, 1e-9);
    EXPECT_NEAR(out.At(2).x, 5.0, 1e-12);  // the notch corner (4, 3) moves to (5, 4)
    EXPECT_NEAR(out.At(2).y, 4.0, 1e-12);
}

TEST(G3LandscapeHandler, OffsetWithoutMeetingSidesAppendsNothing) {
    Owned line, out;
    for (auto [x, y] : {std::pair{0, 0}, {5, 0}, {10, 0}, {0, 0}}) line.Add(x, y);
    ASSERT_TRUE(G3LandscapeHandler::OffsetContour(line.c, out.c, 1.0));
    EXPECT_EQ(out.c->size(), 0);
    EXPECT_FALSE(G3LandscapeHandler::OffsetContour(nullptr, out.c, 1.0));
}

TEST(G3LandscapeHandler, NullAndUnsetInputDoNothing) {
    G3LandscapeHandler h;
    EXPECT_EQ(h.GetOffsetDistance(), 0.0);
    EXPECT_EQ(h.ApplyFlatRegion(nullptr), nullptr);
    h.SurfaceCover(nullptr);
    EXPECT_EQ(h.SmoothSurface(nullptr), nullptr);
    EXPECT_EQ(h.SmoothSurfaceEx(nullptr), nullptr);
    EXPECT_EQ(h.SecondOrderSmoothSurface(nullptr, 4), nullptr);
    EXPECT_EQ(h.SecondOrderSmoothSurfaceEx(nullptr, 2), nullptr);
    EXPECT_EQ(h.LandscapeSmoothing(nullptr, 1, 1), nullptr);
    h.AddContourVertex(1, 2, 3);  // no contour started
    h.StartContour();
    h.AddContourVertex(NAN, 0, 0);
    h.AddContourVertex(0, INFINITY, 0);
    EXPECT_FALSE(h.EndContour());
    // A non-finite survey point makes no vertex.
    const double bad[3] = {0, NAN, 0};
    EXPECT_EQ(h.AddVertex(bad), nullptr);
}

TEST(G3Derivative, RecordsStartAtZeroAndPredictToSecondOrder) {
    std::unique_ptr<G3Derivative> d(new G3Derivative());
    EXPECT_EQ(d->zx, 0.0);
    EXPECT_EQ(d->zyy, 0.0);
    d->zx = 1;
    d->zyy = 2;
    std::unique_ptr<G3Derivative> e(d->Duplicate());
    EXPECT_EQ(e->zyy, 2.0);
    // z = 5 + x + (2/2)·y²: the prediction at (1, 1) from the origin.
    EXPECT_DOUBLE_EQ(e->Predict(0, 0, 5, 1, 1), 5 + 1 + 1);
}

TEST(G3LandscapeHandler, CopyExtDataGivesAWeldedDuplicatesRecordToTheSurvivor) {
    G3LandscapeHandler h;
    G3Point first(0, 0, 0, 0), second(0, 0, 0, 0);
    const double pts[4][3] = {{0, 0, 1}, {10, 0, 1}, {0, 10, 1}, {10, 0, 1}};
    G3TVertex* v[4];
    for (int i = 0; i < 4; ++i) v[i] = h.AddVertex(pts[i]);
    v[0]->exData = &first;
    v[3]->exData = &second;  // offered twice: the weld keeps the first copy
    ASSERT_TRUE(h.MakeTriangulation());
    std::unique_ptr<G3Surface> s(h.GetSurface());
    ASSERT_EQ(s->GetVertexCount(), 3);
    h.CopyExtData();
    int withData = 0;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* w = s->GetVertex(i);
        if (w->GetExData() == nullptr) continue;
        ++withData;
        EXPECT_EQ(w->GetExData(), w->GetX() == 0 ? static_cast<GObj*>(&first) : &second);
    }
    EXPECT_EQ(withData, 2);
}
