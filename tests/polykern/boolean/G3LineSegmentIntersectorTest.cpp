#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3LineSegmentIntersector.h"

namespace {

struct Seg {
    double p[3];
    double q[3];
};

struct Hit {
    double point[3];
    int a, b;  // tags of the inserted segment and of the one it met
    double paramA, paramB;
};

void* Tag(int n) {
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(n) + 1);
}

class Recorder : public G3IntersectionPointLoader {
public:
    void LoadPoint(double* point, void* dataA, void* dataB, double paramA, double paramB) override {
        auto tagOf = [](void* d) {
            return static_cast<int>(reinterpret_cast<std::intptr_t>(d)) - 1;
        };
        hits.push_back(
            {{point[0], point[1], point[2]}, tagOf(dataA), tagOf(dataB), paramA, paramB});
    }
    std::vector<Hit> hits;
};

// The crossings of the segments, each tagged with its index, in the plane (i, j).
std::vector<Hit> Sweep(const std::vector<Seg>& segs, int i = 0, int j = 1) {
    G3LineSegmentIntersector x(i, j);
    for (std::size_t n = 0; n < segs.size(); ++n) x.AddSegment(segs[n].p, segs[n].q, Tag(int(n)));
    Recorder r;
    x.FindIntersections(&r);
    EXPECT_EQ(x.IntersectionExists(), !r.hits.empty());
    return r.hits;
}

double ParamOn(const Hit& h, int tag) {
    return h.a == tag ? h.paramA : h.paramB;
}

// The parameter on `tag` of the crossing at x (which must be an end point), or -1.
double ParamAtX(const std::vector<Hit>& hits, double x, int tag) {
    for (const Hit& h : hits) {
        if (h.point[0] == x) return ParamOn(h, tag);
    }
    return -1.0;
}

// Checks that the point lies on both segments in the plane at the reported parameters,
// which run from each segment's start (its end lower on j) to its end. The third coordinate
// comes from one of the two: A's for a crossing, the touching end's own for a touch.
::testing::AssertionResult OnBoth(const Hit& h, const std::vector<Seg>& segs, int i, int j) {
    const int k = 3 - i - j;
    bool thirdFits = false;
    for (int tag : {h.a, h.b}) {
        const Seg& s = segs[tag];
        const bool swap = s.q[j] < s.p[j];
        const double* from = swap ? s.q : s.p;
        const double* to = swap ? s.p : s.q;
        const double t = ParamOn(h, tag);
        auto at = [&](int axis) { return from[axis] + t * (to[axis] - from[axis]); };
        if (t < 0 || t > 1 || std::fabs(at(i) - h.point[i]) > 1e-9 ||
            std::fabs(at(j) - h.point[j]) > 1e-9) {
            return ::testing::AssertionFailure() << "off segment " << tag << " at " << t;
        }
        thirdFits = thirdFits || std::fabs(at(k) - h.point[k]) < 1e-9;
    }
    if (thirdFits) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "third coordinate " << h.point[k];
}

// Crossings per pair of tags, the lower tag first.
using Pairs = std::map<std::pair<int, int>, int>;

Pairs PairsOf(const std::vector<Hit>& hits) {
    Pairs out;
    for (const Hit& h : hits) ++out[{std::min(h.a, h.b), std::max(h.a, h.b)}];
    return out;
}

// All pairs tested directly, each in an intersector of its own.
Pairs BruteForce(const std::vector<Seg>& segs, int i, int j) {
    Recorder r;
    for (std::size_t a = 0; a < segs.size(); ++a) {
        for (std::size_t b = a + 1; b < segs.size(); ++b) {
            G3LineSegmentIntersector two(i, j);
            two.AddSegment(segs[a].p, segs[a].q, Tag(int(a)));
            two.AddSegment(segs[b].p, segs[b].q, Tag(int(b)));
            two.FindIntersections(&r);
        }
    }
    return PairsOf(r.hits);
}

double Orient(const double* a, const double* b, const double* c, int i, int j) {
    return (b[i] - a[i]) * (c[j] - a[j]) - (b[j] - a[j]) * (c[i] - a[i]);
}

static_assert(!std::is_copy_constructible_v<G3LineSegmentIntersector>);

TEST(G3LineSegmentIntersector, XCrossesOnceInEveryPlane) {
    // Segment 1 starts later on y, so it is inserted second: it is A and the point is
    // interpolated along it.
    std::vector<Seg> x = {{{0, 0, 0}, {2, 2, 4}}, {{2, 0.5, 10}, {0, 1.5, 10}}};
    std::vector<Hit> hits = Sweep(x);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].a, 1);
    EXPECT_TRUE(OnBoth(hits[0], x, 0, 1));
    EXPECT_NEAR(hits[0].paramA, 0.5, 1e-12);
    EXPECT_NEAR(hits[0].point[2], 10, 1e-12);

    for (auto [i, j] : {std::pair{0, 1}, {1, 0}, {0, 2}, {2, 0}, {1, 2}, {2, 1}}) {
        const int k = 3 - i - j;
        std::vector<Seg> placed = x;
        for (Seg& s : placed) {
            for (double* at : {s.p, s.q}) {
                const double u = at[0], v = at[1];
                at[i] = u;
                at[j] = v;
                at[k] = 7;
            }
        }
        EXPECT_EQ(G3LineSegmentIntersector(i, j).GetAxisK(), k);
        hits = Sweep(placed, i, j);
        ASSERT_EQ(hits.size(), 1u) << i << j;
        EXPECT_TRUE(OnBoth(hits[0], placed, i, j));
        EXPECT_NEAR(hits[0].point[k], 7, 1e-12);
    }
}

TEST(G3LineSegmentIntersector, TJunctionReportsTheTouchingEndOnce) {
    // The bar runs from x = 4 towards 0 (equal on y: the first point is its start).
    for (double stemY : {3.0, -3.0}) {
        std::vector<Hit> hits = Sweep({{{4, 0, 0}, {0, 0, 0}}, {{1, 0, 0}, {1, stemY, 0}}});
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].point[0], 1.0);
        EXPECT_EQ(hits[0].point[1], 0.0);
        EXPECT_EQ(ParamOn(hits[0], 1), stemY > 0 ? 0.0 : 1.0);
        EXPECT_NEAR(ParamOn(hits[0], 0), 0.75, 1e-12);
    }
    // A stem starting 5e-7 above the bar enters the same batch and still touches it.
    std::vector<Hit> near = Sweep({{{0, 0, 0}, {4, 0, 0}}, {{2, 5e-7, 0}, {2, 3, 0}}});
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].point[1], 5e-7);
}

TEST(G3LineSegmentIntersector, SharedEndsAndConvexRingsReportNothingABowTieCrosses) {
    auto ring = [](const std::vector<std::pair<double, double>>& v) {
        std::vector<Seg> edges;
        for (std::size_t n = 0; n < v.size(); ++n) {
            const auto& a = v[n];
            const auto& b = v[(n + 1) % v.size()];
            edges.push_back({{a.first, a.second, 0}, {b.first, b.second, 0}});
        }
        return edges;
    };
    EXPECT_TRUE(Sweep({{{0, 0, 0}, {1, 2, 0}}, {{2, 0, 0}, {1, 2, 0}}}).empty());  // V
    EXPECT_TRUE(Sweep({{{0, 0, 0}, {1, 1, 0}}, {{1, 1, 0}, {3, 3, 0}}}).empty());  // chain
    EXPECT_TRUE(Sweep(ring({{0, 0}, {4, 0}, {5, 2}, {4, 4}, {0, 4}, {-1, 2}})).empty());
    std::vector<Hit> bowTie = Sweep(ring({{0, 0}, {2, 0}, {0, 2}, {2, 2}}));
    ASSERT_EQ(bowTie.size(), 1u);
    EXPECT_NEAR(bowTie[0].point[0], 1, 1e-12);
    EXPECT_NEAR(bowTie[0].point[1], 1, 1e-12);
}

TEST(G3LineSegmentIntersector, CollinearOverlapsReportTheEndsInsideTheOther) {
    std::vector<Hit> overlap = Sweep({{{0, 0, 0}, {3, 0, 0}}, {{1, 0, 0}, {4, 0, 0}}});
    ASSERT_EQ(overlap.size(), 2u);
    EXPECT_NEAR(ParamAtX(overlap, 1, 0), 1.0 / 3, 1e-12);
    EXPECT_EQ(ParamAtX(overlap, 1, 1), 0.0);
    EXPECT_EQ(ParamAtX(overlap, 3, 0), 1.0);
    EXPECT_NEAR(ParamAtX(overlap, 3, 1), 2.0 / 3, 1e-12);

    std::vector<Hit> inside = Sweep({{{0, 0, 0}, {4, 0, 0}}, {{1, 0, 0}, {2, 0, 0}}});
    ASSERT_EQ(inside.size(), 2u);
    EXPECT_NEAR(ParamAtX(inside, 2, 0), 0.5, 1e-12);

    EXPECT_TRUE(Sweep({{{0, 0, 0}, {4, 0, 0}}, {{4, 0, 0}, {0, 0, 0}}}).empty());
}

TEST(G3LineSegmentIntersector, CollinearOverlapParametersRunFromEachStart) {
    // Both run from x = 3 and x = 4 leftwards; the parameters count from there, not from
    // the smaller coordinate.
    std::vector<Hit> hits = Sweep({{{3, 0, 0}, {0, 0, 0}}, {{4, 0, 0}, {1, 0, 0}}});
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_NEAR(ParamAtX(hits, 1, 0), 2.0 / 3, 1e-12);
    EXPECT_NEAR(ParamAtX(hits, 3, 1), 1.0 / 3, 1e-12);
}

TEST(G3LineSegmentIntersector, HardInputIsRefusedWithoutHarm) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    G3LineSegmentIntersector x(0, 1);
    Recorder r;
    x.FindIntersections(&r);
    EXPECT_FALSE(x.IntersectionExists());
    for (Seg s : std::vector<Seg>{{{0, 0, 0}, {0, 0, 0}},
                                  {{0, 0, 0}, {5e-7, 5e-7, 0}},
                                  {{0, 0, 0}, {0, 0, 5}},  // only along the third axis
                                  {{0, 0, 0}, {nan, 1, 0}},
                                  {{0, 0, 0}, {1, 1, inf}},
                                  {{-1e301, 0, 0}, {1e301, 0, 0}}}) {
        EXPECT_FALSE(x.AddSegment(s.p, s.q, nullptr));
    }
    const double a[3] = {0, 0, 0}, b[3] = {2, 2, 0}, c[3] = {0, 2, 0}, d[3] = {2, 0, 0};
    EXPECT_FALSE(x.AddSegment(nullptr, a, nullptr));
    EXPECT_EQ(x.GetSegmentCount(), 0);
    EXPECT_TRUE(x.AddSegment(a, b, Tag(0)));
    x.FindIntersections(nullptr);
    EXPECT_FALSE(x.IntersectionExists());
    EXPECT_TRUE(x.AddSegment(c, d, Tag(1)));  // after a query: the next one sorts again
    EXPECT_TRUE(x.IntersectionExists());
    x.FindIntersections(&r);
    x.FindIntersections(&r);
    EXPECT_EQ(r.hits.size(), 2u);

    for (auto [i, j] : {std::pair{0, 0}, {3, 1}, {-1, 2}}) {
        G3LineSegmentIntersector bad(i, j);
        EXPECT_FALSE(bad.AddSegment(a, b, nullptr));
        EXPECT_EQ(bad.GetAxisJ(), -1);
        EXPECT_FALSE(bad.IntersectionExists());
    }
}

// Seeded random sets, each in two planes: the sweep reports the same pairs as every pair
// tested on its own, at points on both segments. Generic segments of mixed lengths (some
// span most of the field) also match the orientation test; short segments on an integer
// grid, along the axes and diagonals, bring T-junctions, shared ends, collinear overlaps,
// duplicates and batches of equal starts.
TEST(G3LineSegmentIntersector, RandomSegmentsMatchAllPairs) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(0, 100), logLength(-0.3, 1.8), unit(-1, 1);
    std::uniform_int_distribution<int> cell(0, 6), step(-1, 1), reach(1, 3);
    std::vector<Seg> generic(300), grid(150);
    for (Seg& s : generic) {
        const double length = std::pow(10.0, logLength(rng));
        for (int k = 0; k < 3; ++k) {
            s.p[k] = pos(rng);
            s.q[k] = s.p[k] + length * unit(rng);
        }
    }
    for (Seg& s : grid) {
        const int n = reach(rng);
        for (int k = 0; k < 3; ++k) {
            s.p[k] = cell(rng);
            s.q[k] = s.p[k] + n * step(rng);
        }
    }
    for (const std::vector<Seg>* segs : {&generic, &grid}) {
        for (auto [i, j] : {std::pair{0, 1}, {2, 0}}) {
            const std::vector<Hit> hits = Sweep(*segs, i, j);
            for (const Hit& h : hits) EXPECT_TRUE(OnBoth(h, *segs, i, j));
            const Pairs sweep = PairsOf(hits);
            EXPECT_GT(sweep.size(), 20u);
            EXPECT_EQ(sweep, BruteForce(*segs, i, j));
            if (segs != &generic) continue;
            Pairs crossing;
            for (std::size_t a = 0; a < segs->size(); ++a) {
                for (std::size_t b = a + 1; b < segs->size(); ++b) {
                    const Seg &s = generic[a], &t = generic[b];
                    if (Orient(s.p, s.q, t.p, i, j) * Orient(s.p, s.q, t.q, i, j) < 0 &&
                        Orient(t.p, t.q, s.p, i, j) * Orient(t.p, t.q, s.q, i, j) < 0) {
                        crossing[{int(a), int(b)}] = 1;
                    }
                }
            }
            EXPECT_EQ(sweep, crossing);
        }
    }
    // A dozen at a time, as a facet split by a cut or two has them.
    std::size_t met = 0;
    for (std::size_t from = 0; from + 12 <= grid.size(); from += 12) {
        const std::vector<Seg> few(grid.begin() + std::ptrdiff_t(from),
                                   grid.begin() + std::ptrdiff_t(from + 12));
        const Pairs sweep = PairsOf(Sweep(few, 0, 1));
        EXPECT_EQ(sweep, BruteForce(few, 0, 1));
        met += sweep.size();
    }
    EXPECT_GT(met, 20u);
}

// The whole report sequence (points, tags, parameters, in order) of seeded inputs, as
// recorded from the sweep that tested every active pair whose boxes overlap. Callers split
// edges and create vertices in the order crossings arrive, so the order is part of the result.
uint64_t ReportPrint(const std::vector<Seg>& segs, int i, int j) {
    G3LineSegmentIntersector x(i, j);
    for (std::size_t n = 0; n < segs.size(); ++n) x.AddSegment(segs[n].p, segs[n].q, Tag(int(n)));
    Recorder r;
    x.FindIntersections(&r);
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < size; ++k) h = (h ^ bytes[k]) * 1099511628211ull;
    };
    const bool exists = x.IntersectionExists();
    add(&exists, sizeof exists);
    for (const Hit& hit : r.hits) {
        add(hit.point, sizeof hit.point);
        add(&hit.a, sizeof hit.a);
        add(&hit.b, sizeof hit.b);
        add(&hit.paramA, sizeof hit.paramA);
        add(&hit.paramB, sizeof hit.paramB);
    }
    const uint64_t count = r.hits.size();
    add(&count, sizeof count);
    return h;
}

TEST(G3LineSegmentIntersector, ReportOrderOfDenseAndDegenerateSetsIsKept) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> pos(0, 10), hair(-0.6e-6, 0.6e-6), unit(-1, 1);
    std::uniform_int_distribution<int> cell(0, 5), step(-2, 2);
    std::vector<std::vector<Seg>> sets;
    // Grid segments, some ends moved by less than the tolerance: T-junctions, shared and
    // nearly shared ends, collinear overlaps, duplicates, equal starts.
    for (int n = 0; n < 2; ++n) {
        std::vector<Seg> grid(200);
        for (Seg& s : grid) {
            for (int k = 0; k < 3; ++k) {
                s.p[k] = cell(rng);
                s.q[k] = s.p[k] + step(rng);
                if (n == 1) s.p[k] += hair(rng);
                if (n == 1) s.q[k] += hair(rng);
            }
        }
        sets.push_back(grid);
    }
    // Closed polygons: a star whose neighbours swap, and a random scribble.
    std::vector<Seg> star, scribble;
    const int m = 400;
    std::vector<std::array<double, 3>> pts;
    for (int k = 0; k < m; ++k) {
        const double a = 2 * 3.141592653589793 * (k + 2.7 * unit(rng)) / m,
                     r = 5 + 5 * pos(rng) / 10;
        pts.push_back({r * std::cos(a), r * std::sin(a), pos(rng)});
    }
    for (int k = 0; k < m; ++k) {
        const auto &p = pts[k], &q = pts[(k + 1) % m];
        star.push_back({{p[0], p[1], p[2]}, {q[0], q[1], q[2]}});
    }
    for (int k = 0; k < 60; ++k) {
        scribble.push_back({{pos(rng), pos(rng), pos(rng)}, {0, 0, 0}});
    }
    for (int k = 0; k < 60; ++k) {
        for (int c = 0; c < 3; ++c) scribble[k].q[c] = scribble[(k + 1) % 60].p[c];
    }
    sets.push_back(star);
    sets.push_back(scribble);
    // Horizontal and vertical segments through each other and nearly along each other.
    std::vector<Seg> axes;
    for (int k = 0; k < 80; ++k) {
        double c = cell(rng);
        if (k % 3 == 0) c += hair(rng);
        const double from = pos(rng);
        const double to = from + 1 + pos(rng) / 3;
        if (k % 2 == 0) {
            axes.push_back({{from, c, 0}, {to, c, 0}});
        } else {
            axes.push_back({{c, from, 0}, {c, to, 0}});
        }
    }
    sets.push_back(axes);
    const std::pair<int, int> planes[] = {{0, 1}, {1, 0}, {2, 0}, {1, 2}};
    const uint64_t recorded[] = {
        0x23f42a3c14f5001full, 0x74346cf5cc5a6e02ull, 0x268e56bd011f9430ull, 0xacdfbc89d2a611cfull,
        0x2aa229b5724bc3f3ull, 0xf228cda18f9e9121ull, 0x48375f92d8860152ull, 0x6b1181bfff9fa5f3ull,
        0x6d5120e54cdb5e64ull, 0xeb9f1e4aadb810c5ull, 0x6b1212ef09f6eaaeull, 0x3f77085eb1750744ull,
        0x3d94e978cd7d949ull,  0x2c45b8f0a0b35af9ull, 0xdf0076fcf6b383cfull, 0x469f03917b8f79dfull,
        0xed38b4d39a0cd44bull, 0x686c99f729040dddull, 0xca792d1b394599c3ull, 0x6de1cda9817b3a83ull,
    };
    std::size_t n = 0;
    for (const auto& segs : sets) {
        for (auto [i, j] : planes) {
            ASSERT_LT(n, std::size(recorded));
            EXPECT_EQ(ReportPrint(segs, i, j), recorded[n])
                << "set " << n / 4 << ", plane " << i << j;
            ++n;
        }
    }
    EXPECT_EQ(n, std::size(recorded));
}

}  // namespace
