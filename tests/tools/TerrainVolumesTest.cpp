// Cut and fill between a terrain and the terrain with a pad levelled in: the figures add up
// to the change of the closed solid's volume, match a hand-computed pad, stay put far from
// the origin and under a rotation, and read polygon facets with holes loop by loop.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/TerrainCheck.h"
#include "tools/polykern/TerrainVolumes.h"

namespace {

using pktest::TerrainPoint;

struct Figures {
    double cut = NAN, fill = NAN;
};

Figures CutFill(const G3Surface* before, const G3Surface* after) {
    Figures f;
    std::string error;
    EXPECT_TRUE(pkcli::TerrainCutFill(before, after, &f.cut, &f.fill, &error)) << error;
    return f;
}

std::unique_ptr<G3Surface> Grid(int n, double step, double x0, double z0, double sx, double sy) {
    G3LandscapeHandler h;
    return std::unique_ptr<G3Surface>(pktest::MakeTerrain(
        h, pktest::GridPoints(
               n, n, step, [=](double x, double y) { return z0 + sx * (x - x0) + sy * y; }, x0)));
}

// The terrain with the pad of `outline` (plan points) levelled in at `z`, as the terrain
// command does it.
std::unique_ptr<G3Surface> Levelled(G3Surface* terrain,
                                    const std::vector<TerrainPoint>& outline,
                                    double z,
                                    double slopeWidth) {
    G3LandscapeHandler h;
    h.SetOffsetDistance(slopeWidth);
    h.StartContour();
    for (const TerrainPoint& p : outline) h.AddContourVertex(p.x, p.y, z);
    if (!h.EndContour()) return nullptr;
    return std::unique_ptr<G3Surface>(h.ApplyFlatRegion(terrain));
}

// The volume of the solid the sheet closes into down to z = 0.
double SolidVolume(const G3Surface* sheet) {
    std::unique_ptr<G3Surface> solid(const_cast<G3Surface*>(sheet)->Duplicate());
    G3LandscapeHandler h;
    h.SurfaceCover(solid.get());
    EXPECT_TRUE(pktest::IsClosedAndOriented(solid.get()));
    return pktest::SignedVolume(solid.get());
}

std::vector<TerrainPoint> LOutline(double x0, double y0) {
    return {{x0, y0, 0},         {x0 + 12, y0, 0},     {x0 + 12, y0 + 5, 0},
            {x0 + 5, y0 + 5, 0}, {x0 + 5, y0 + 11, 0}, {x0, y0 + 11, 0}};
}

std::vector<TerrainPoint> Square(double x0, double y0, double side) {
    return {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}};
}

// A copy with its facets in reverse order, each loop starting one corner later (facets
// with holes are left out: the sheets here have none).
std::unique_ptr<G3Surface> Reordered(const G3Surface* s) {
    auto r = std::make_unique<G3Surface>();
    std::vector<G3Vertex*> v;
    for (int i = 0; i < s->GetVertexCount(); ++i)
        v.push_back(r->AddVertex(s->GetVertex(i)->GetXYZ(), 0));
    std::vector<G3Vertex*> starts, loop;
    std::vector<int> ends;
    for (int i = s->GetFacetCount() - 1; i >= 0; --i) {
        if (!s->GetFacet(i)->GetLoops(starts, ends) || ends.size() != 1) continue;
        loop.clear();
        for (std::size_t k = 0; k < starts.size(); ++k)
            loop.push_back(v[std::size_t(starts[(k + 1) % starts.size()]->GetId())]);
        r->AddFacet(int(loop.size()), loop.data(), 0, nullptr, nullptr);
    }
    return r;
}

}  // namespace

// The pads sit on a sloped plane between its lowest and highest heights, so each both cuts
// and fills; what they change adds up to the change of the closed solid.
TEST(TerrainVolumes, CutAndFillOfPadsAddUpToTheSolidsVolumeChange) {
    auto terrain = Grid(40, 1.0, 0.0, 5.0, 0.1, 0.04);
    struct Case {
        std::vector<TerrainPoint> outline;
        double z, slope;
    };
    const Case cases[] = {{LOutline(10, 12), 7.0, 2.5}, {Square(23, 6, 9), 8.2, 1.5}};
    for (const Case& c : cases) {
        auto padded = Levelled(terrain.get(), c.outline, c.z, c.slope);
        ASSERT_NE(padded, nullptr);
        const Figures f = CutFill(terrain.get(), padded.get());
        EXPECT_GT(f.cut, 1.0);
        EXPECT_GT(f.fill, 1.0);
        const double change = SolidVolume(padded.get()) - SolidVolume(terrain.get());
        EXPECT_NEAR(f.fill - f.cut, change, 1e-6 * (f.fill + f.cut));
        // The same two sheets the other way round trade cut for fill.
        const Figures back = CutFill(padded.get(), terrain.get());
        EXPECT_NEAR(back.cut, f.fill, 1e-9 * f.fill);
        EXPECT_NEAR(back.fill, f.cut, 1e-9 * f.cut);
    }
}

// A 10 x 10 pad 1 m over a flat terrain, blended over 2 m: the band is a frustum from the
// mitred 14 x 14 outline at 0 to the pad at 1, less the pad's prism, 436/3 − 100.
TEST(TerrainVolumes, RaisedSquarePadFillsItsPrismAndItsBand) {
    for (double x0 : {0.0, 600000.0}) {
        SCOPED_TRACE(x0);
        auto flat = Grid(30, 1.0, x0, 0.0, 0.0, 0.0);
        auto padded = Levelled(flat.get(), Square(x0 + 10, 10, 10), 1.0, 2.0);
        ASSERT_NE(padded, nullptr);
        const Figures f = CutFill(flat.get(), padded.get());
        EXPECT_NEAR(f.fill, 100.0 + (436.0 / 3.0 - 100.0), 1e-6);
        EXPECT_NEAR(f.cut, 0.0, 1e-9);
    }
}

// The L pad into the slope at x = 600000 gives what it gives at the origin.
TEST(TerrainVolumes, FarFromTheOriginTheFiguresStay) {
    Figures near, far;
    for (double x0 : {0.0, 600000.0}) {
        auto terrain = Grid(30, 1.0, x0, 5.0, 0.1, 0.04);
        auto padded = Levelled(terrain.get(), LOutline(x0 + 8, 9), 6.5, 2.0);
        ASSERT_NE(padded, nullptr);
        (x0 == 0.0 ? near : far) = CutFill(terrain.get(), padded.get());
    }
    EXPECT_GT(near.cut, 1.0);
    EXPECT_GT(near.fill, 1.0);
    EXPECT_NEAR(far.cut, near.cut, 1e-6);
    EXPECT_NEAR(far.fill, near.fill, 1e-6);
}

TEST(TerrainVolumes, RotatedInPlanTheFiguresStay) {
    auto terrain = Grid(30, 1.0, 0.0, 5.0, 0.1, 0.04);
    auto padded = Levelled(terrain.get(), LOutline(8, 9), 6.5, 2.0);
    ASSERT_NE(padded, nullptr);
    const Figures f = CutFill(terrain.get(), padded.get());
    const double a = 0.5, c = std::cos(a), s = std::sin(a);
    const double m[4][4] = {{c, -s, 0, 0}, {s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    std::unique_ptr<G3Surface> t2(terrain->Duplicate()), p2(padded->Duplicate());
    t2->RealTransformation(m);
    p2->RealTransformation(m);
    const Figures r = CutFill(t2.get(), p2.get());
    EXPECT_NEAR(r.cut, f.cut, 1e-9 * (f.cut + f.fill));
    EXPECT_NEAR(r.fill, f.fill, 1e-9 * (f.cut + f.fill));
}

TEST(TerrainVolumes, EqualSheetsGiveNothing) {
    auto terrain = Grid(20, 1.0, 600000.0, 5.0, 0.1, 0.04);
    const Figures self = CutFill(terrain.get(), terrain.get());
    EXPECT_EQ(self.cut, 0.0);
    EXPECT_EQ(self.fill, 0.0);
    // A copy holds other vertices at the same coordinates.
    std::unique_ptr<G3Surface> copy(terrain->Duplicate());
    const Figures same = CutFill(terrain.get(), copy.get());
    EXPECT_EQ(same.cut, 0.0);
    EXPECT_EQ(same.fill, 0.0);
    // Triangles are paired by their corners, not by their order or first corner.
    auto reordered = Reordered(terrain.get());
    ASSERT_EQ(reordered->GetFacetCount(), terrain->GetFacetCount());
    const Figures shuffled = CutFill(terrain.get(), reordered.get());
    EXPECT_EQ(shuffled.cut, 0.0);
    EXPECT_EQ(shuffled.fill, 0.0);
}

TEST(TerrainVolumes, PadInAReorderedSheetGivesTheSameFigures) {
    auto terrain = Grid(30, 1.0, 0.0, 5.0, 0.1, 0.04);
    auto padded = Levelled(terrain.get(), LOutline(8, 9), 6.5, 2.0);
    ASSERT_NE(padded, nullptr);
    const Figures f = CutFill(terrain.get(), padded.get());
    auto reordered = Reordered(padded.get());
    const Figures r = CutFill(terrain.get(), reordered.get());
    EXPECT_NEAR(r.cut, f.cut, 1e-9 * (f.cut + f.fill));
    EXPECT_NEAR(r.fill, f.fill, 1e-9 * (f.cut + f.fill));
}

// A square sheet at z = 0 of one facet with a hole, the hole filled by a facet of its
// own, against the same square as two triangles at z = 1: the fill is the square's area,
// so the facet with the hole must count its outline less its hole, and the hole's facet.
TEST(TerrainVolumes, FacetWithHoleIsReadLoopByLoop) {
    G3Surface holed;
    const double ring[8][2] = {{0, 0}, {8, 0}, {8, 6}, {0, 6}, {2, 2}, {2, 4}, {5, 4}, {5, 2}};
    G3Vertex* v[8];
    for (int i = 0; i < 8; ++i) v[i] = holed.AddVertex(ring[i][0], ring[i][1], 0.0, 0);
    holed.BeginComplexFacet();
    holed.AddFacet(4, v, 0, nullptr, nullptr);
    holed.AddFacet(4, v + 4, 0, nullptr, nullptr);
    holed.EndComplexFacet();
    G3Vertex* inner[4] = {v[4], v[7], v[6], v[5]};
    holed.AddFacet(4, inner, 0, nullptr, nullptr);
    ASSERT_EQ(holed.GetFacetCount(), 2);

    G3Surface raised;
    G3Vertex* w[4];
    for (int i = 0; i < 4; ++i) w[i] = raised.AddVertex(ring[i][0], ring[i][1], 1.0, 0);
    G3Vertex* t1[3] = {w[0], w[1], w[2]};
    G3Vertex* t2[3] = {w[0], w[2], w[3]};
    raised.AddFacet(3, t1, 0, nullptr, nullptr);
    raised.AddFacet(3, t2, 0, nullptr, nullptr);
    const Figures f = CutFill(&holed, &raised);
    EXPECT_NEAR(f.fill, 48.0, 1e-12);
    EXPECT_NEAR(f.cut, 0.0, 1e-12);
}

// Ear cutting in plan: the triangles face up and their areas add up to the polygon's
// (outline less holes), for an L outline and a slab outline with two openings.
TEST(TerrainVolumes, PlanTrianglesCoverThePolygonOnce) {
    struct Polygon {
        std::vector<std::vector<double>> xy;
        std::vector<int> ends;
        double area;
    };
    const Polygon polygons[] = {
        {{{0, 0}, {12, 0}, {12, 5}, {5, 5}, {5, 11}, {0, 11}}, {6}, 90.0},
        {{{0, 0},
          {0, 8},
          {10, 8},
          {10, 0},  // clockwise: the outline is turned
          {1, 1},
          {4, 1},
          {4, 3},
          {1, 3},  // counter-clockwise: holes are turned
          {6, 2},
          {6, 6},
          {8, 6},
          {8, 2}},
         {4, 8, 12},
         80.0 - 6.0 - 8.0},
    };
    for (const Polygon& p : polygons) {
        std::vector<std::vector<double>> xyz;
        for (const auto& q : p.xy) xyz.push_back({q[0], q[1], 0.0});
        std::vector<const double*> points;
        for (const auto& q : xyz) points.push_back(q.data());
        std::vector<int> tris;
        pkcli::TriangulatePlanLoops(points, p.ends, &tris);
        ASSERT_EQ(tris.size() % 3, 0u);
        double sum = 0.0;
        for (std::size_t k = 0; k < tris.size(); k += 3) {
            const double* a = points[std::size_t(tris[k])];
            const double* b = points[std::size_t(tris[k + 1])];
            const double* c = points[std::size_t(tris[k + 2])];
            const double area =
                0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
            EXPECT_GT(area, 0.0);
            sum += area;
        }
        EXPECT_NEAR(sum, p.area, 1e-12);
    }
}

TEST(TerrainVolumes, BadInputFailsWithAReason) {
    auto terrain = Grid(4, 1.0, 0.0, 1.0, 0.0, 0.0);
    double cut = 5, fill = 5;
    std::string error;
    EXPECT_FALSE(pkcli::TerrainCutFill(nullptr, terrain.get(), &cut, &fill, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(cut, 0.0);
    EXPECT_EQ(fill, 0.0);
    EXPECT_FALSE(pkcli::TerrainCutFill(terrain.get(), terrain.get(), nullptr, &fill, nullptr));

    std::unique_ptr<G3Surface> broken(terrain->Duplicate());
    broken->GetVertex(3)->GetXYZ()[2] = std::numeric_limits<double>::quiet_NaN();
    error.clear();
    EXPECT_FALSE(pkcli::TerrainCutFill(terrain.get(), broken.get(), &cut, &fill, &error));
    EXPECT_NE(error.find("non-finite"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

// A facet whose corners lie on one line counts for nothing instead of stopping the count.
TEST(TerrainVolumes, DegenerateFacetsCountForNothing) {
    auto flat = Grid(4, 1.0, 0.0, 0.0, 0.0, 0.0);
    std::unique_ptr<G3Surface> raised(flat->Duplicate());
    for (int i = 0; i < raised->GetVertexCount(); ++i) raised->GetVertex(i)->GetXYZ()[2] = 2.0;
    G3Vertex* line[3] = {raised->AddVertex(0, 0, 9, 0), raised->AddVertex(1, 1, 9, 0),
                         raised->AddVertex(2, 2, 9, 0)};
    raised->AddFacet(3, line, 0, nullptr, nullptr);
    const Figures f = CutFill(flat.get(), raised.get());
    EXPECT_NEAR(f.fill, 32.0, 1e-9);
    EXPECT_EQ(f.cut, 0.0);
}
