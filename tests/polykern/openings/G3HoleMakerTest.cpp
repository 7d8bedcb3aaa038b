// Openings through slabs and thick roofs: the faces each opening passes through get one
// hole each, joined by side walls, and the result stays a closed solid of the right volume.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/openings/G3HoleMaker.h"
#include "polykern/roof/G3RoofTags.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;
using pktest::PlanRect;

static_assert(!std::is_copy_constructible<G3HoleMaker>::value, "owns its outlines");

// The corners of a plan rectangle at height z, counter-clockwise from above.
std::vector<double> Rect(const PlanRect& r, double z) {
    return {r.x0, r.y0, z, r.x1, r.y0, z, r.x1, r.y1, z, r.x0, r.y1, z};
}

// The number of loops of f's ring.
int LoopCount(const G3Facet* f) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    return f->GetLoops(starts, ends) ? static_cast<int>(ends.size()) : -1;
}

// The facets whose plane normal is (nearly) n, by how many loops each has.
std::vector<int> LoopsOfFacetsFacing(G3Surface* s, const double* n) {
    std::vector<int> out;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const double* p = s->GetFacet(i)->GetPlane();
        if (p[0] * n[0] + p[1] * n[1] + p[2] * n[2] > 1 - 1e-9)
            out.push_back(LoopCount(s->GetFacet(i)));
    }
    return out;
}

const double kUp[3] = {0, 0, 1};
const double kDown[3] = {0, 0, -1};

// A rotation about an oblique axis and a shift of about 4e5 m, applied to points and,
// without the shift, to directions.
void FarPoint(double* p) {
    pktest::MoveFar(p);
    p[0] += 3e5;
    p[1] -= 2e5;
}
void FarDirection(double* d) {
    double o[3] = {0, 0, 0};
    FarPoint(o);
    FarPoint(d);
    for (int k = 0; k < 3; ++k) d[k] -= o[k];
}
void MoveSurfaceFar(G3Surface* s) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        double p[3] = {s->GetVertex(i)->GetX(), s->GetVertex(i)->GetY(), s->GetVertex(i)->GetZ()};
        FarPoint(p);
        s->GetVertex(i)->Set(p);
    }
    s->FormPlaneEquation();
}

TEST(G3HoleMaker, SquareOpeningThroughASlab) {
    for (bool far : {false, true}) {
        SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {}, 0.3));
        std::vector<double> outline = Rect({4, 4, 6, 6}, 0.15);
        double d[3] = {0, 0, 1};
        if (far) {
            MoveSurfaceFar(slab.get());
            for (std::size_t k = 0; k < outline.size(); k += 3) FarPoint(&outline[k]);
            FarDirection(d);
        }
        G3HoleMaker maker(slab.get());
        ASSERT_TRUE(maker.AddHoleContour(4, outline.data(), d));
        EXPECT_EQ(maker.MakeHoles(), 1) << far;
        EXPECT_EQ(slab->GetFacetCount(), 10);
        EXPECT_EQ(slab->GetVertexCount(), 16);
        EXPECT_EQ(slab->GetEdgeCount(), 24);
        EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8, far ? 1e-6 : 1e-9)) << far;
        // The same solid as the slab built with its opening.
        SurfacePtr built(pktest::MakeSlabWithOpening());
        EXPECT_NEAR(pktest::Area(slab.get()), pktest::Area(built.get()), 1e-6);
        EXPECT_EQ(pktest::EulerCharacteristic(slab.get()),
                  pktest::EulerCharacteristic(built.get()));
        for (int i = 0; i < slab->GetFacetCount(); ++i) EXPECT_TRUE(slab->GetFacet(i)->IsFlat());
    }
}

TEST(G3HoleMaker, TwoOpeningsThroughTheSameFacesMakeOneFaceWithTwoHolesEachSide) {
    SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {}, 0.3));
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 1, 3, 3}, 0.1).data(), kUp));
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({6, 5, 9, 9}, 0.1).data(), kUp));
    EXPECT_EQ(maker.MakeHoles(), 2);
    EXPECT_EQ(slab->GetFacetCount(), 6 + 8);
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kUp), std::vector<int>{3});
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kDown), std::vector<int>{3});
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 0.3 * (100 - 4 - 12)));
}

// Openings in opposite directions meet the same two faces as entry and exit the other way
// round; each face must be rebuilt once, with both holes.
TEST(G3HoleMaker, OpeningsInOppositeDirectionsReplaceEachFaceOnce) {
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 1, 2, 2}, 0.1).data(), kUp));
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({7, 7, 9, 8}, 0.1).data(), kDown));
    EXPECT_EQ(maker.MakeHoles(), 2);
    // The opening the slab had is kept beside the two new ones.
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kUp), std::vector<int>{4});
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kDown), std::vector<int>{4});
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8 - 0.3 * (1 + 2)));
}

// A slab whose top is two facets side by side over one bottom: openings share the bottom
// but leave through different tops.
TEST(G3HoleMaker, OpeningsSharingTheBottomButNotTheTop) {
    SurfacePtr slab(new G3Surface());
    const double xyz[] = {0, 0, 0,  10, 0, 0,  10, 4, 0,  0, 4, 0,  0, 0, .3,
                          5, 0, .3, 10, 0, .3, 10, 4, .3, 5, 4, .3, 0, 4, .3};
    const int corners[] = {0, 3, 2, 1, 4, 5, 8, 9, 5, 6, 7, 8, 0, 1, 6,
                           5, 4, 1, 2, 7, 6, 2, 3, 9, 8, 7, 3, 0, 4, 9};
    const int counts[] = {4, 4, 4, 5, 4, 5, 4};
    ASSERT_EQ(slab->AddIndexedFacets(10, xyz, 7, counts, 30, corners, nullptr, 1), 7);
    ASSERT_TRUE(pktest::IsClosedWithVolume(slab.get(), 12));
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 1, 2, 3}, 0.1).data(), kUp));
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({7, 1, 9, 2}, 0.1).data(), kUp));
    EXPECT_EQ(maker.MakeHoles(), 2);
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kDown), std::vector<int>{3});
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kUp), (std::vector<int>{2, 2}));
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 12 - 0.3 * 4));
}

TEST(G3HoleMaker, ARepeatRunChangesNothingAndALaterOpeningCutsTheCurrentSurface) {
    SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {}, 0.3));
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({4, 4, 6, 6}, 0.1).data(), kUp));
    EXPECT_EQ(maker.MakeHoles(), 1);
    EXPECT_EQ(maker.GetHoleContourCount(), 0);
    EXPECT_EQ(maker.MakeHoles(), 0);
    EXPECT_EQ(slab->GetFacetCount(), 10);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8));
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 7, 3, 9}, 0.1).data(), kUp));
    EXPECT_EQ(maker.MakeHoles(), 1);
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kUp), std::vector<int>{3});
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8 - 1.2));
}

TEST(G3HoleMaker, OpeningsThatMissOrCollideAreSkippedAndTheOthersMade) {
    SurfacePtr slab(pktest::MakeSlabWithTwoOpenings());  // holes (2..3.5, 2..3.5), (6..7.5, 2.5..4)
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({8.5, 1, 10.5, 2}, 0.1).data(), kUp));  // overhangs
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({0.5, 4.5, 1.5, 5.5}, 0.1).data(), kUp));
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 4.8, 2, 5.2}, 0.1).data(), kUp));  // overlaps
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({3, 1, 4, 2.5}, 0.1).data(), kUp));  // crosses a hole
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({5.5, 2, 8, 4.5}, 0.1).data(), kUp));  // around one
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({20, 20, 21, 21}, 0.1).data(), kUp));  // misses
    EXPECT_EQ(maker.MakeHoles(), 1);
    EXPECT_EQ(maker.GetSkippedCount(), 5);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 16.65 - 0.3));
}

TEST(G3HoleMaker, BadOutlinesAreRefusedAndShortDirectionsScaled) {
    SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {}, 0.3));
    G3HoleMaker maker(slab.get());
    const std::vector<double> square = Rect({4, 4, 6, 6}, 0.1);
    const double zero[3] = {0, 0, 0}, tiny[3] = {0, 0, 1e-7}, flat[3] = {1, 0, 0};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[3] = {0, nan, 1};
    EXPECT_FALSE(maker.AddHoleContour(2, square.data(), kUp));  // a fin, not an opening
    EXPECT_FALSE(maker.AddHoleContour(0, square.data(), kUp));
    EXPECT_FALSE(maker.AddHoleContour(4, square.data(), zero));
    EXPECT_FALSE(maker.AddHoleContour(4, square.data(), tiny));
    EXPECT_FALSE(maker.AddHoleContour(4, square.data(), bad));
    EXPECT_FALSE(maker.AddHoleContour(4, square.data(), flat));  // seen edge-on
    EXPECT_FALSE(maker.AddHoleContour(4, nullptr, kUp));
    EXPECT_FALSE(maker.AddHoleContour(nullptr, nullptr));
    // Three points, the last repeating the first: two distinct points only.
    const double closed[] = {4, 4, 0.1, 6, 4, 0.1, 4, 4, 0.1};
    EXPECT_FALSE(maker.AddHoleContour(3, closed, kUp));
    EXPECT_EQ(maker.GetHoleContourCount(), 0);
    EXPECT_EQ(maker.MakeHoles(), 0);
    EXPECT_EQ(slab->GetFacetCount(), 6);
    // Points and a short direction given as kernel objects: the direction is scaled up.
    GArrayCollection points;
    for (std::size_t k = 0; k < square.size(); k += 3) points.add(new G3Point(&square[k], 0));
    G3Point shortUp(0, 0, 1e-5, 0);
    EXPECT_TRUE(maker.AddHoleContour(&points, &shortUp));
    points.clear(true);
    EXPECT_EQ(maker.MakeHoles(), 1);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8));
    G3HoleMaker none(nullptr);
    EXPECT_TRUE(none.AddHoleContour(4, square.data(), kUp));
    EXPECT_EQ(none.MakeHoles(), 0);
}

TEST(G3HoleMaker, DegenerateOrNonFiniteFacetsDoNotStopTheOpenings) {
    SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {}, 0.3));
    // A facet with no area beside the slab does not stop the opening.
    G3Vertex* v[3] = {slab->AddVertex(20, 0, 0, 0), slab->AddVertex(21, 0, 0, 0),
                      slab->AddVertex(22, 0, 0, 0)};
    slab->AddFacet(3, v, 1, nullptr, nullptr);
    {
        G3HoleMaker maker(slab.get());
        ASSERT_TRUE(maker.AddHoleContour(4, Rect({4, 4, 6, 6}, 0.1).data(), kUp));
        EXPECT_EQ(maker.MakeHoles(), 1);
    }
    // A facet with a corner that is not finite is passed over; the slab is still cut.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[3] = {20, nan, 0};
    v[2]->Set(bad);
    slab->FormPlaneEquation();
    const int facets = slab->GetFacetCount();
    G3HoleMaker maker(slab.get());
    ASSERT_TRUE(maker.AddHoleContour(4, Rect({1, 1, 2, 2}, 0.1).data(), kUp));
    EXPECT_EQ(maker.MakeHoles(), 1);
    EXPECT_EQ(slab->GetFacetCount(), facets + 4);
    const double* up = kUp;
    int top = 0;
    for (int i = 0; i < slab->GetFacetCount(); ++i) {
        const double* p = slab->GetFacet(i)->GetPlane();
        if (p[0] * up[0] + p[1] * up[1] + p[2] * up[2] > 1 - 1e-9)
            top = std::max(top, LoopCount(slab->GetFacet(i)));
    }
    EXPECT_EQ(top, 3);
}

// A thick roof plate pitched 30° about the x axis, 0.3 thick, its top and underside tagged.
G3Surface* MakeRoofPlate(double angle) {
    G3Surface* s = pktest::MakeSlabWithOpenings({0, 0, 8, 6}, {}, 0.3);
    const double c = std::cos(angle), sn = std::sin(angle);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double p[3] = {v->GetX(), c * v->GetY() - sn * v->GetZ(),
                             sn * v->GetY() + c * v->GetZ()};
        v->Set(p);
    }
    s->FormPlaneEquation();
    G3RoofTagProvider* tags = G3RoofTagProvider::Get();
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (std::fabs(f->GetPlaneC()) < 0.5) continue;
        G3RoofTagScope scope(2, f->GetPlaneC() > 0 ? ROOF_FACET_TOP : ROOF_FACET_UNDER);
        tags->OpenExData(f);
    }
    return s;
}

// Whether every corner of f lies over the plan rectangle r.
bool InPlan(const G3Facet* f, const PlanRect& r) {
    std::vector<G3Vertex*> ring(static_cast<std::size_t>(f->GetVertexCount()));
    f->GetVertices(ring.data());
    for (const G3Vertex* v : ring) {
        if (v->GetX() < r.x0 - 1e-9 || v->GetX() > r.x1 + 1e-9) return false;
        if (v->GetY() < r.y0 - 1e-9 || v->GetY() > r.y1 + 1e-9) return false;
    }
    return !ring.empty();
}

TEST(G3HoleMaker, VerticalOpeningThroughAPitchedRoofKeepsTheRoofTags) {
    const double angle = M_PI / 6;
    SurfacePtr roof(MakeRoofPlate(angle));
    G3HoleMaker maker(roof.get());
    const PlanRect skylight = {3, 2, 4.5, 3};
    ASSERT_TRUE(maker.AddHoleContour(4, Rect(skylight, 20).data(), kDown));
    EXPECT_EQ(maker.MakeHoles(), 1);
    // The plate loses the vertical prism over the skylight: 1.5 m² in plan times the
    // plate's vertical thickness.
    const double plate = 8 * 6 * 0.3;
    EXPECT_TRUE(pktest::IsClosedWithVolume(roof.get(), plate - 1.5 * 0.3 / std::cos(angle)));
    int top = 0, under = 0, walls = 0;
    for (int i = 0; i < roof->GetFacetCount(); ++i) {
        G3Facet* f = roof->GetFacet(i);
        const G3RoofTag tag = G3RoofTagProvider::TagOf(f);
        if (LoopCount(f) == 2) {
            EXPECT_EQ(tag.section, 2);
            (tag.type == ROOF_FACET_TOP ? top : under) += 1;
            // The hole's corners stand over the skylight's corners on the face's plane.
            std::vector<G3Vertex*> starts;
            std::vector<int> ends;
            ASSERT_TRUE(f->GetLoops(starts, ends));
            for (int k = ends[0]; k < ends[1]; ++k) {
                const double* p = starts[k]->GetXYZ();
                EXPECT_TRUE(std::fabs(p[0] - 3) < 1e-9 || std::fabs(p[0] - 4.5) < 1e-9);
                EXPECT_TRUE(std::fabs(p[1] - 2) < 1e-9 || std::fabs(p[1] - 3) < 1e-9);
                EXPECT_NEAR(f->GetPlaneA() * p[0] + f->GetPlaneB() * p[1] + f->GetPlaneC() * p[2] +
                                f->GetPlaneD(),
                            0.0, 1e-9);
            }
        } else if (InPlan(f, skylight)) {
            EXPECT_EQ(tag.section, 0);
            EXPECT_EQ(tag.type, ROOF_FACET_NONE);
            EXPECT_NEAR(f->GetPlaneC(), 0.0, 1e-9);
            ++walls;
        }
    }
    EXPECT_EQ(top, 1);
    EXPECT_EQ(under, 1);
    EXPECT_EQ(walls, 4);
}

TEST(G3HoleMaker, FourHundredOpeningsInOneRun) {
    // The 40 × 40 × 0.3 slab and a 0.5 × 0.5 opening in the middle of each 2 × 2 cell.
    SurfacePtr slab(pktest::MakeSlabWithOpenings({0, 0, 40, 40}, {}, 0.3));
    G3HoleMaker maker(slab.get());
    for (int j = 0; j < 20; ++j) {
        for (int i = 0; i < 20; ++i) {
            const double x = 1 + 2 * i, y = 1 + 2 * j;
            ASSERT_TRUE(maker.AddHoleContour(
                4, Rect({x - 0.25, y - 0.25, x + 0.25, y + 0.25}, 0.15).data(), kUp));
        }
    }
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(maker.MakeHoles(), 400);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    RecordProperty("make_holes_ms", std::to_string(ms));
    EXPECT_EQ(slab->GetFacetCount(), 6 + 1600);
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kUp), std::vector<int>{401});
    EXPECT_EQ(LoopsOfFacetsFacing(slab.get(), kDown), std::vector<int>{401});
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 450));
}

}  // namespace
