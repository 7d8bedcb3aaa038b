#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "RegionTestKit.h"
#include "polykern/regions/G3ContourIntersector.h"

namespace {

using pkregions::Polygon;
using pkregions::Pt;

class Recorder : public G3ContourIntersector {
public:
    void UnloadBegin(int count) override { log += "B" + std::to_string(count); }
    void ContourBeginUnload(double* first) override {
        log += "[";
        contours.push_back({{first[0], first[1]}});
        z.push_back(first[2]);
    }
    void ContourUnloadSegment(double* point, SEGMENT_TYPE, int tag) override {
        log += "s";
        contours.back().push_back({point[0], point[1]});
        tags.push_back(tag);
    }
    void ContourEndUnload() override {
        log += "]";
        // The last segment comes back to the first point.
        Polygon& c = contours.back();
        closed = closed && std::fabs(c.back()[0] - c.front()[0]) < 1e-12 &&
                 std::fabs(c.back()[1] - c.front()[1]) < 1e-12;
        c.pop_back();
    }
    void UnloadEnd() override { log += "E"; }

    void Load(const Polygon& p, int tag = 0) {
        double first[3] = {p[0][0], p[0][1], 2.0};
        ContourBeginLoad(first);
        for (std::size_t i = 1; i < p.size(); ++i) {
            double q[3] = {p[i][0], p[i][1], 2.0};
            ContourLoadSegment(q, SEGMENT_LINE, tag);
        }
        ContourEndLoad(SEGMENT_LINE, tag);
    }
    double Area() const {
        double a = 0;
        for (const Polygon& c : contours) a += pkregions::SignedArea(c);
        return a;
    }

    std::string log;
    std::vector<Polygon> contours;
    std::vector<double> z;
    std::vector<int> tags;
    bool closed = true;
};

Polygon Square(double x0, double y0, double s) {
    return {{x0, y0}, {x0 + s, y0}, {x0 + s, y0 + s}, {x0, y0 + s}};
}

}  // namespace

TEST(G3ContourIntersector, OverlappingUnitSquaresGiveTheirUnion) {
    for (BOOLEAN_OPERATION op :
         {BOOLEAN_OPERATION_NONE, BOOLEAN_OPERATION_OUTER, BOOLEAN_OPERATION_ALL}) {
        Recorder r;
        r.LoadBegin(0, 1);
        r.Load(Square(0, 0, 1), 7);
        r.Load(Square(0.5, 0, 1), 8);
        r.LoadEnd();
        r.DoIntersect(op);
        ASSERT_EQ(r.contours.size(), 1u) << op;
        EXPECT_TRUE(r.closed);
        EXPECT_NEAR(r.Area(), 1.5, 1e-12);  // counter-clockwise: the union on the left
        EXPECT_EQ(r.z[0], 2.0);
        for (int tag : r.tags) EXPECT_TRUE(tag == 7 || tag == 8);
    }
}

TEST(G3ContourIntersector, DisjointSquaresStayApart) {
    Recorder r;
    r.LoadBegin(0, 1);
    r.Load(Square(0, 0, 1));
    r.Load(Square(3, 0, 1));
    r.LoadEnd();
    r.DoIntersect(BOOLEAN_OPERATION_OUTER);
    EXPECT_EQ(r.log, "B1[ssss][ssss]E");
    EXPECT_NEAR(r.Area(), 2.0, 1e-12);
}

TEST(G3ContourIntersector, TrianglesJoinTheUnion) {
    // Two triangles making the 2 × 1 rectangle, and a 1 × 1.5 bar overlapping its right
    // half: an L-shaped union of area 2 + 1.5 − 0.5.
    Recorder r;
    r.LoadBegin(0, 1);
    double a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {2, 1, 0}, d[3] = {0, 1, 0};
    r.TriangleLoad(a, b, c, 1, 2, 3);
    r.TriangleLoad(a, c, d, 4, 5, 6);
    r.Load({{1, 0.5}, {2, 0.5}, {2, 2}, {1, 2}}, 9);
    r.LoadEnd();
    r.DoIntersect(BOOLEAN_OPERATION_OUTER);
    ASSERT_EQ(r.contours.size(), 1u);
    EXPECT_NEAR(r.Area(), 3.0, 1e-12);
    EXPECT_TRUE(pkregions::NoContourCrosses(r.contours));
}

TEST(G3ContourIntersector, RingOfBarsKeepsItsHoleOnlyWhenAllAreAsked) {
    auto load = [](Recorder& r) {
        r.LoadBegin(0, 1);
        r.Load({{0, 0}, {5, 0}, {5, 1}, {0, 1}});
        r.Load({{4, 0}, {5, 0}, {5, 5}, {4, 5}});
        r.Load({{0, 4}, {5, 4}, {5, 5}, {0, 5}});
        r.Load({{0, 0}, {1, 0}, {1, 5}, {0, 5}});
        r.LoadEnd();
    };
    Recorder all, outer;
    load(all);
    all.DoIntersect(BOOLEAN_OPERATION_ALL);
    ASSERT_EQ(all.contours.size(), 2u);
    EXPECT_NEAR(all.Area(), 16.0, 1e-12);  // 25 outside, the 3 × 3 hole clockwise
    load(outer);
    outer.DoIntersect(BOOLEAN_OPERATION_OUTER);
    ASSERT_EQ(outer.contours.size(), 1u);
    EXPECT_NEAR(outer.Area(), 25.0, 1e-12);
}

TEST(G3ContourIntersector, DegenerateLoadReportsNothing) {
    Recorder r;
    r.LoadBegin(0, 1);
    double p[3] = {1, 1, 1};
    r.ContourBeginLoad(p);
    r.ContourEndLoad(SEGMENT_LINE, 0);
    r.LoadEnd();
    r.DoIntersect(BOOLEAN_OPERATION_ALL);
    EXPECT_EQ(r.log, "");
    r.DoIntersect(BOOLEAN_OPERATION_ALL);  // no load at all
    EXPECT_EQ(r.log, "");
    Recorder bad;
    bad.LoadBegin(2, 2);
    bad.Load(Square(0, 0, 1));
    bad.DoIntersect(BOOLEAN_OPERATION_ALL);
    EXPECT_EQ(bad.log, "");
}

TEST(G3ContourIntersector, UnionOfRandomSetsCoversWhatAnyPolygonCovers) {
    std::mt19937 rng(424242u);
    std::uniform_real_distribution<double> coord(-6.0, 16.0);
    for (int s = 0; s < 100; ++s) {
        const std::vector<Polygon> polygons = pkregions::RandomPolygonSet(rng);
        Recorder r;
        r.LoadBegin(0, 1);
        for (const Polygon& p : polygons) r.Load(p);
        r.LoadEnd();
        r.DoIntersect(BOOLEAN_OPERATION_ALL);
        ASSERT_TRUE(r.closed);
        ASSERT_TRUE(pkregions::NoContourCrosses(r.contours)) << "set " << s;
        for (int k = 0; k < 100; ++k) {
            const Pt q{coord(rng), coord(rng)};
            if (pkregions::DistanceToOutlines(polygons, q) < 1e-4) continue;
            bool any = false;
            for (const Polygon& p : polygons) any = any || pkregions::Inside(p, q);
            int inside = 0;
            for (const Polygon& c : r.contours) inside += pkregions::Inside(c, q);
            ASSERT_EQ(inside % 2 == 1, any) << "set " << s;
        }
    }
}
