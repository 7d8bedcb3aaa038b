#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "RegionTestKit.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/regions/G3ContourDivider.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

using pkregions::Polygon;
using pkregions::Pt;

struct Contour {
    std::vector<std::array<double, 3>> points;  // edge starts, in order
    bool hole = false;
    std::vector<int> kinds;  // kind1, kind2 per edge
    std::vector<int> flags;
    std::vector<unsigned long> ids;  // id1, id2 per edge
    bool closed = true;              // every edge starts where the last ended
};

// Records every callback, and the contours they describe.
class Recorder : public G3ContourDivider {
public:
    void BeginUnload() override { log += "B"; }
    void BeginUnloadContour(int edgeCount, bool isHole) override {
        log += "[";
        expected = edgeCount;
        contours.push_back({});
        contours.back().hole = isHole;
    }
    void UnloadEdge(double* p1,
                    int kind1,
                    double* p2,
                    int kind2,
                    int flags,
                    unsigned long id1,
                    unsigned long id2) override {
        log += "e";
        Contour& c = contours.back();
        if (!c.points.empty() && !Same(last, p1)) c.closed = false;
        c.points.push_back({p1[0], p1[1], p1[2]});
        last = {p2[0], p2[1], p2[2]};
        c.kinds.push_back(kind1);
        c.kinds.push_back(kind2);
        c.flags.push_back(flags);
        c.ids.push_back(id1);
        c.ids.push_back(id2);
    }
    void EndUnloadContour() override {
        log += "]";
        Contour& c = contours.back();
        if (c.points.empty() || !Same(last, c.points.front().data()) ||
            static_cast<int>(c.points.size()) != expected)
            c.closed = false;
    }
    void EndUnload() override { log += "E"; }

    // Test access to the protected steps.
    using G3ContourDivider::GetSignOfOrientedSquare;
    using G3ContourDivider::ReverseContourFlags;

    void Load(const Polygon& p, int flags = 1, double z = 0.0) {
        BeginLoadContour();
        for (std::size_t i = 0; i < p.size(); ++i) {
            const Pt& a = p[i];
            const Pt& b = p[(i + 1) % p.size()];
            double u[3] = {a[0], a[1], z}, v[3] = {b[0], b[1], z};
            LoadEdge(u, v, flags, 100 + i, 100 + (i + 1) % p.size());
        }
        EndLoadContour();
    }
    std::vector<Polygon> Plans() const {
        std::vector<Polygon> out;
        for (const Contour& c : contours) {
            Polygon p;
            for (const auto& q : c.points) p.push_back({q[0], q[1]});
            out.push_back(p);
        }
        return out;
    }
    // Outer contours count positive, holes negative.
    double CoveredArea() const {
        double a = 0;
        const std::vector<Polygon> plans = Plans();
        for (std::size_t i = 0; i < contours.size(); ++i) {
            const double s = std::fabs(pkregions::SignedArea(plans[i]));
            a += contours[i].hole ? -s : s;
        }
        return a;
    }
    bool AllClosed() const {
        for (const Contour& c : contours)
            if (!c.closed) return false;
        return true;
    }

    std::string log;
    std::vector<Contour> contours;

private:
    static bool Same(const std::array<double, 3>& a, const double* b) {
        return std::fabs(a[0] - b[0]) < 1e-9 && std::fabs(a[1] - b[1]) < 1e-9 &&
               std::fabs(a[2] - b[2]) < 1e-9;
    }
    std::array<double, 3> last{};
    int expected = 0;
};

Polygon Square(double x0, double y0, double s, bool clockwise = false) {
    Polygon p{{x0, y0}, {x0 + s, y0}, {x0 + s, y0 + s}, {x0, y0 + s}};
    if (clockwise) std::reverse(p.begin(), p.end());
    return p;
}

// The L-shaped plan of a building, 8 × 6 without its 4 × 3 corner: area 36.
Polygon LPlan() {
    return {{0, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}};
}

}  // namespace

TEST(G3ContourDivider, NestedClockwiseSquaresBecomeOuterAndOppositeHole) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.Load(Square(0, 0, 10, true));
    d.Load(Square(3, 3, 4, true));
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 2u);
    EXPECT_TRUE(d.AllClosed());
    const int hole = d.contours[0].hole ? 0 : 1;
    EXPECT_TRUE(d.contours[std::size_t(hole)].hole);
    EXPECT_FALSE(d.contours[std::size_t(1 - hole)].hole);
    const std::vector<Polygon> plans = d.Plans();
    EXPECT_NEAR(std::fabs(pkregions::SignedArea(plans[std::size_t(hole)])), 16.0, 1e-9);
    EXPECT_NEAR(std::fabs(pkregions::SignedArea(plans[std::size_t(1 - hole)])), 100.0, 1e-9);
    EXPECT_LT(pkregions::SignedArea(plans[0]) * pkregions::SignedArea(plans[1]), 0.0);
    EXPECT_NEAR(d.CoveredArea(), 84.0, 1e-9);
}

TEST(G3ContourDivider, LinkModeBridgesTheHoleIntoItsOutline) {
    Recorder d;
    d.BeginLoad(1, 0);
    d.Load(Square(0, 0, 10));
    d.Load(Square(3, 3, 4));
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 1u);
    EXPECT_FALSE(d.contours[0].hole);
    EXPECT_EQ(d.contours[0].points.size(), 10u);  // both squares and a bridge each way
    EXPECT_NEAR(std::fabs(pkregions::SignedArea(d.Plans()[0])), 84.0, 1e-9);
}

TEST(G3ContourDivider, OverlappingSquaresComeBackAsTheirUnion) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.Load(Square(0, 0, 2));
    d.Load(Square(1, 1, 2, true));
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 1u);
    EXPECT_TRUE(d.AllClosed());
    EXPECT_FALSE(d.contours[0].hole);
    EXPECT_NEAR(d.CoveredArea(), 7.0, 1e-9);
    EXPECT_TRUE(pkregions::NoContourCrosses(d.Plans()));
}

TEST(G3ContourDivider, DoubledAndReversedOutlineOfABuildingIsDrawnOnce) {
    Recorder d;
    d.BeginLoad(0, 0);
    Polygon back = LPlan();
    std::reverse(back.begin(), back.end());
    d.Load(LPlan());
    d.Load(back);
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 1u);
    EXPECT_EQ(d.contours[0].points.size(), 6u);
    EXPECT_NEAR(d.CoveredArea(), 36.0, 1e-9);
}

TEST(G3ContourDivider, BowTieIsSplitAtItsCrossing) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.Load({{0, 0}, {2, 2}, {2, 0}, {0, 2}});
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 2u);
    for (const Polygon& p : d.Plans()) {
        EXPECT_EQ(p.size(), 3u);
        EXPECT_NEAR(std::fabs(pkregions::SignedArea(p)), 1.0, 1e-9);
    }
    // Both lobes turn the same way: neither is a hole.
    EXPECT_FALSE(d.contours[0].hole);
    EXPECT_FALSE(d.contours[1].hole);
    EXPECT_GT(pkregions::SignedArea(d.Plans()[0]) * pkregions::SignedArea(d.Plans()[1]), 0.0);
    // The crossing point carries no loaded id.
    int zeros = 0;
    for (const Contour& c : d.contours)
        for (unsigned long id : c.ids) zeros += id == 0;
    EXPECT_EQ(zeros, 4);
}

TEST(G3ContourDivider, CallbacksComeInOrder) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.Load(Square(0, 0, 10));
    d.Load(Square(2, 2, 2));
    d.Load(Square(20, 0, 1));
    d.EndLoad();
    EXPECT_EQ(d.log, "B[eeee][eeee][eeee]E");
}

TEST(G3ContourDivider, NothingLoadedUnloadsNothing) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.BeginLoadContour();
    d.EndLoadContour();
    d.EndLoad();
    EXPECT_EQ(d.log, "");
    // Reusable afterwards.
    d.BeginLoad(0, 0);
    d.Load(Square(0, 0, 1));
    d.EndLoad();
    EXPECT_EQ(d.log, "B[eeee]E");
}

TEST(G3ContourDivider, IdsComeBackAtFullWidth) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.BeginLoadContour();
    const Polygon sq = Square(0, 0, 1);
    for (std::size_t i = 0; i < 4; ++i) {
        double u[3] = {sq[i][0], sq[i][1], 0}, v[3] = {sq[(i + 1) % 4][0], sq[(i + 1) % 4][1], 0};
        d.LoadEdge(u, v, 1, ~0UL - i, ~0UL - (i + 1) % 4);
    }
    d.EndLoadContour();
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 1u);
    for (unsigned long id : d.contours[0].ids) {
        EXPECT_GE(id, ~0UL - 3);
    }
}

TEST(G3ContourDivider, EveryContourIsWorkedInTheFirstContoursPlane) {
    // Squares standing in the x–z plane at y = 5: the first fixes the plane and axes,
    // the second, apart, must be split on the same axes.
    Recorder d;
    d.BeginLoad(0, 0);
    for (const Polygon& p : {Square(0, 0, 2), Square(5, 0, 3), Square(6, 1, 1)}) {
        d.BeginLoadContour();
        for (std::size_t i = 0; i < p.size(); ++i) {
            const Pt& a = p[i];
            const Pt& b = p[(i + 1) % p.size()];
            double u[3] = {a[0], 5.0, a[1]}, v[3] = {b[0], 5.0, b[1]};
            d.LoadEdge(u, v, 1, 0, 0);
        }
        d.EndLoadContour();
    }
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 3u);
    double area = 0;
    for (const Contour& c : d.contours) {
        Polygon xz;
        for (const auto& q : c.points) {
            EXPECT_NEAR(q[1], 5.0, 1e-12);  // the third coordinate rides along
            xz.push_back({q[0], q[2]});
        }
        area += (c.hole ? -1 : 1) * std::fabs(pkregions::SignedArea(xz));
    }
    EXPECT_NEAR(area, 4.0 + 9.0 - 1.0, 1e-9);
}

TEST(G3ContourDivider, ReversingKeepsTheLastEdgesFormMakingBit) {
    Recorder d;
    G3Vertex a(0, 0, 0, 0), b(1, 0, 0, 0), c(1, 1, 0, 0), e(0, 1, 0, 0);
    G3EdgeList list(1, 1);
    list.AddEdge(&a, &b, nullptr, nullptr, nullptr, nullptr, G3EDGE_VISIBLE);
    list.AddEdge(&b, &c, nullptr, nullptr, nullptr, nullptr, G3EDGE_VISIBLE);
    list.AddEdge(&c, &e, nullptr, nullptr, nullptr, nullptr, G3EDGE_VISIBLE);
    list.AddEdge(&e, &a, nullptr, nullptr, nullptr, nullptr, G3EDGE_VISIBLE | G3EDGE_FORM_MAKING);
    d.ReverseContourFlags(&list);
    EXPECT_TRUE(list.GetEdgeAt(0)->GetFormMaking());
    EXPECT_FALSE(list.GetEdgeAt(3)->GetFormMaking());
    int bits = 0;
    for (int k = 0; k < 4; ++k) bits += list.GetEdgeAt(k)->GetFormMaking();
    EXPECT_EQ(bits, 1);
    list.SetPlane(std::array<double, 4>{0, 0, 1, 0}.data());
    EXPECT_EQ(d.GetSignOfOrientedSquare(&list), -1);  // counter-clockwise
    list.Rotate();
    list.Normalize();
    EXPECT_EQ(d.GetSignOfOrientedSquare(&list), 1);
}

TEST(G3ContourDivider, BreaksFollowVisibilityAndEdgeClasses) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.BeginLoadContour();
    const Polygon sq = Square(0, 0, 1);
    const int flags[4] = {G3EDGE_VISIBLE, G3EDGE_VISIBLE, G3EDGE_VISIBLE | 0x10, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        double u[3] = {sq[i][0], sq[i][1], 0}, v[3] = {sq[(i + 1) % 4][0], sq[(i + 1) % 4][1], 0};
        d.LoadEdge(u, v, flags[i], 0, 0);
    }
    d.EndLoadContour();
    d.EndLoad();
    ASSERT_EQ(d.contours.size(), 1u);
    const Contour& c = d.contours[0];
    int breaks = 0;
    for (int k : c.kinds) breaks += k == 1;
    // Breaks: visible into visible of another class (once each way round the corner it
    // is seen from both edges), and invisible into visible.
    EXPECT_EQ(breaks, 4);
}

TEST(G3ContourDivider, HardInputDoesNotBreakTheLoad) {
    Recorder d;
    d.BeginLoad(0, 0);
    d.BeginLoadContour();
    double nan[3] = {std::nan(""), 0, 0}, p[3] = {0, 0, 0};
    d.LoadEdge(nan, p, 1, 0, 0);
    d.LoadEdge(nullptr, p, 1, 0, 0);
    d.LoadEdge(p, p, 1, 0, 0);
    d.EndLoadContour();
    d.EndLoad();
    EXPECT_EQ(d.log, "");
}

// A seeded sweep of polygon sets: the returned contours cover exactly the points the
// covering rule gives, and none crosses another.
namespace {

void SweepPolygonSets(unsigned seed, int sets) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-6.0, 16.0);
    for (int s = 0; s < sets; ++s) {
        const std::vector<Polygon> polygons = pkregions::RandomPolygonSet(rng);
        Recorder d;
        d.BeginLoad(0, 0);
        for (const Polygon& p : polygons) d.Load(p);
        d.EndLoad();
        ASSERT_TRUE(d.AllClosed()) << "set " << s;
        const std::vector<Polygon> result = d.Plans();
        ASSERT_TRUE(pkregions::NoContourCrosses(result)) << "set " << s;
        const pkregions::Coverage rule(polygons);
        for (int k = 0; k < 150; ++k) {
            const Pt q{coord(rng), coord(rng)};
            if (pkregions::DistanceToOutlines(polygons, q) < 1e-4) continue;
            int inside = 0;
            for (const Polygon& r : result) inside += pkregions::Inside(r, q);
            ASSERT_EQ(inside % 2 == 1, rule.Covers(q))
                << "set " << s << " point (" << q[0] << ", " << q[1] << ")";
        }
        // Outer contours add, holes take away: the covered area, by the turning sense.
        double byType = 0, bySense = 0;
        for (std::size_t i = 0; i < result.size(); ++i) {
            const double a = pkregions::SignedArea(result[i]);
            byType += d.contours[i].hole ? -std::fabs(a) : std::fabs(a);
            bySense += a;
        }
        ASSERT_NEAR(std::fabs(bySense), byType, 1e-6 * (1 + byType)) << "set " << s;
    }
}

}  // namespace

TEST(G3ContourDividerSweep, RandomPolygonSetsKeepTheirCoverage) {
    SweepPolygonSets(20261208u, 300);
}

TEST(G3ContourDividerSweepSlow, ManyRandomPolygonSetsKeepTheirCoverage) {
    SweepPolygonSets(7u, 5000);
}
