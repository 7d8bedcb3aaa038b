#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "polykern/clipping/G3PolylineClipper.h"

namespace {

using Piece = std::array<double, 6>;  // from x y z, to x y z

class PieceRecorder : public GLineLoader {
public:
    void LineLoad(const double* from, const double* to) override {
        pieces.push_back({from[0], from[1], from[2], to[0], to[1], to[2]});
    }
    std::vector<Piece> pieces;
};

std::vector<Piece> Clip(G3PolylineClipper& c, std::array<double, 3> a, std::array<double, 3> b) {
    PieceRecorder out;
    const bool any = c.DoClip(a.data(), b.data(), &out);
    EXPECT_EQ(any, !out.pieces.empty());
    return out.pieces;
}

::testing::AssertionResult Near(const Piece& got, const Piece& want, double tol = 1e-12) {
    for (int k = 0; k < 6; ++k)
        if (std::fabs(got[k] - want[k]) > tol)
            return ::testing::AssertionFailure()
                   << "coordinate " << k << " is " << got[k] << ", not " << want[k];
    return ::testing::AssertionSuccess();
}

const std::vector<double> kSquare = {0, 0, 10, 0, 10, 10, 0, 10};
// A U open at the top: two arms 0..3 and 7..10 wide, the notch down to y = 4.
const std::vector<double> kU = {0, 0, 10, 0, 10, 10, 7, 10, 7, 4, 3, 4, 3, 10, 0, 10};

// The reference the index must agree with: every edge walked for every segment, with the
// same arithmetic as the clipper.
std::vector<std::pair<double, double>> BruteForce(const std::vector<double>& poly,
                                                  const double* a,
                                                  const double* b) {
    const int n = static_cast<int>(poly.size() / 2);
    const int axis = std::fabs(b[0] - a[0]) < std::fabs(b[1] - a[1]) ? 1 : 0;
    if (b[axis] < a[axis]) std::swap(a, b);
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double len2 = dx * dx + dy * dy, len = std::sqrt(len2);
    const double nx = -dy / len, ny = dx / len;
    auto dist = [&](const double* p) { return nx * (p[0] - a[0]) + ny * (p[1] - a[1]); };
    auto param = [&](double x, double y) { return ((x - a[0]) * dx + (y - a[1]) * dy) / len2; };
    auto side = [](double s) { return s >= 1e-6 ? 1 : (s <= -1e-6 ? -1 : 0); };
    std::vector<double> cuts = {0.0, 1.0};
    auto add = [&](double t) {
        if (t > 0 && t < 1) cuts.push_back(t);
    };
    for (int e = 0; e < n; ++e) {
        const double* u = &poly[2 * e];
        const double* v = &poly[2 * ((e + 1) % n)];
        const double su = dist(u), sv = dist(v);
        if (side(su) == 0) add(param(u[0], u[1]));
        if (side(sv) == 0) add(param(v[0], v[1]));
        if (side(su) * side(sv) < 0) {
            const double w = std::fabs(su) / (std::fabs(su) + std::fabs(sv));
            add(param(u[0] + w * (v[0] - u[0]), u[1] + w * (v[1] - u[1])));
        }
    }
    std::sort(cuts.begin(), cuts.end());
    auto inside = [&](double x, double y) {
        bool in = false;
        for (int e = 0; e < n; ++e) {
            const double* u = &poly[2 * e];
            const double* v = &poly[2 * ((e + 1) % n)];
            const double ex = v[0] - u[0], ey = v[1] - u[1];
            const double l2 = ex * ex + ey * ey;
            const double s =
                l2 > 0 ? std::clamp(((x - u[0]) * ex + (y - u[1]) * ey) / l2, 0.0, 1.0) : 0.0;
            const double qx = u[0] + s * ex - x, qy = u[1] + s * ey - y;
            if (qx * qx + qy * qy < 1e-12) return true;
            if ((u[1] > y) != (v[1] > y) && x < u[0] + (y - u[1]) * ex / ey) in = !in;
        }
        return in;
    };
    std::vector<std::pair<double, double>> pieces;
    double open = -1;
    auto emit = [&](double t0, double t1) {
        if ((t1 - t0) * len > 1e-6) pieces.push_back({t0, t1});
    };
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        if (!(cuts[i + 1] > cuts[i])) continue;
        const double mid = 0.5 * (cuts[i] + cuts[i + 1]);
        const bool in = inside(a[0] + mid * dx, a[1] + mid * dy);
        if (in && open < 0) open = cuts[i];
        if (!in && open >= 0) {
            emit(open, cuts[i]);
            open = -1;
        }
    }
    if (open >= 0) emit(open, 1.0);
    for (auto& p : pieces)
        for (double* t : {&p.first, &p.second})
            *t = axis == 0 ? a[0] + *t * dx : a[1] + *t * dy;  // as a coordinate on the axis
    return pieces;
}

}  // namespace

TEST(G3PolylineClipperPolygon, SquareKeepsTheInsideWithZAlongTheSegment) {
    G3PolylineClipper c(4, kSquare.data());
    auto through = Clip(c, {-5, 5, 0}, {15, 5, 20});
    ASSERT_EQ(through.size(), 1u);
    EXPECT_TRUE(Near(through[0], {0, 5, 5, 10, 5, 15}));
    // Given the other way round, the piece still runs upwards along x; mostly vertical
    // segments run upwards along y.
    EXPECT_EQ(Clip(c, {15, 5, 20}, {-5, 5, 0}), through);
    auto steep = Clip(c, {4, 12, 0}, {3, -2, 0});
    ASSERT_EQ(steep.size(), 1u);
    EXPECT_TRUE(Near(steep[0], {3 + 1.0 / 7, 0, 0, 3 + 6.0 / 7, 10, 0}));

    EXPECT_EQ(Clip(c, {1, 1, 1}, {9, 2, 2}), (std::vector<Piece>{Piece{1, 1, 1, 9, 2, 2}}));
    EXPECT_TRUE(Clip(c, {11, 0, 0}, {20, 10, 0}).empty());
    EXPECT_TRUE(Clip(c, {10, 5, 0}, {20, 5, 0}).empty());  // touches from outside
}

TEST(G3PolylineClipperPolygon, UShapeGivesOnePiecePerArm) {
    G3PolylineClipper c(8, kU.data());
    auto across = Clip(c, {-1, 6, 0}, {11, 6, 0});
    ASSERT_EQ(across.size(), 2u);
    EXPECT_TRUE(Near(across[0], {0, 6, 0, 3, 6, 0}));
    EXPECT_TRUE(Near(across[1], {7, 6, 0, 10, 6, 0}));
    // Below the notch the U is solid.
    auto low = Clip(c, {-1, 2, 0}, {11, 2, 0});
    ASSERT_EQ(low.size(), 1u);
    EXPECT_TRUE(Near(low[0], {0, 2, 0, 10, 2, 0}));
    // Along the notch's floor: the floor is boundary, so it belongs to the U throughout.
    auto floor = Clip(c, {-1, 4, 0}, {11, 4, 0});
    ASSERT_EQ(floor.size(), 1u);
    EXPECT_TRUE(Near(floor[0], {0, 4, 0, 10, 4, 0}));
}

// The boundary counts as inside: a segment along an edge gives the edge's extent, and a
// segment that only touches a vertex gives nothing.
TEST(G3PolylineClipperPolygon, EdgesAndVerticesOnTheSegment) {
    G3PolylineClipper c(4, kSquare.data());
    auto along = Clip(c, {-5, 0, 0}, {15, 0, 0});
    ASSERT_EQ(along.size(), 1u);
    EXPECT_TRUE(Near(along[0], {0, 0, 0, 10, 0, 0}));
    auto part = Clip(c, {3, 10, 0}, {30, 10, 0});
    ASSERT_EQ(part.size(), 1u);
    EXPECT_TRUE(Near(part[0], {3, 10, 0, 10, 10, 0}));

    EXPECT_TRUE(Clip(c, {-1, 1, 0}, {1, -1, 0}).empty());  // through the corner (0, 0)
    EXPECT_TRUE(Clip(c, {12, 8, 0}, {8, 12, 0}).empty());  // through the corner (10, 10)
    EXPECT_TRUE(Clip(c, {-3, -3, 0}, {0, 0, 0}).empty());  // ending on a corner
    auto diagonal = Clip(c, {-2, -2, 0}, {12, 12, 0});     // corner to corner
    ASSERT_EQ(diagonal.size(), 1u);
    EXPECT_TRUE(Near(diagonal[0], {0, 0, 0, 10, 10, 0}));
    // A triangle's apex touched by a segment running past it.
    const double tri[6] = {0, 0, 10, 0, 5, 5};
    G3PolylineClipper t(3, tri);
    EXPECT_TRUE(Clip(t, {0, 5, 0}, {10, 5, 0}).empty());
}

TEST(G3PolylineClipperPolygon, RefusesWhatItCannotClip) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double two[4] = {0, 0, 1, 1}, broken[6] = {0, 0, 1, nan, 1, 1};
    G3PolylineClipper tooFew(2, two), notFinite(3, broken), none(3, nullptr);
    for (G3PolylineClipper* c : {&tooFew, &notFinite, &none}) {
        EXPECT_EQ(c->GetPolygonCount(), 0);
        EXPECT_TRUE(Clip(*c, {0, 0, 0}, {1, 1, 0}).empty());
    }
    G3PolylineClipper c(4, kSquare.data()), rect(0, 0, 10, 10);
    PieceRecorder out;
    const double a[3] = {1, 1, 0}, b[3] = {2, 2, 0}, bad[3] = {1, HUGE_VAL, 0};
    EXPECT_FALSE(c.DoClip(a, b, nullptr));
    EXPECT_FALSE(c.DoClip(nullptr, b, &out));
    EXPECT_FALSE(c.DoClip(a, bad, &out));
    EXPECT_FALSE(c.DoClip(a, a, &out));  // no length in plan
    EXPECT_FALSE(rect.DoClip(a, b, &out));
    EXPECT_TRUE(out.pieces.empty());

    // Coordinates near the top of the double range overflow on the way: no fault.
    const double huge[8] = {-1e308, -1e308, 1e308, -1e308, 1e308, 1e308, -1e308, 1e308};
    G3PolylineClipper vast(4, huge);
    EXPECT_TRUE(Clip(vast, {-1e308, 0, 0}, {1e308, 1, 0}).empty());
    EXPECT_EQ(Clip(vast, {-1, 0, 0}, {1, 0, 0}).size(), 1u);

    // Copies clip alike and outlive their source.
    auto* source = new G3PolylineClipper(8, kU.data());
    G3PolylineClipper copy(*source), assigned(4, kSquare.data());
    assigned = *source;
    delete source;
    EXPECT_EQ(Clip(copy, {-1, 6, 0}, {11, 6, 0}).size(), 2u);
    EXPECT_EQ(Clip(assigned, {-1, 6, 0}, {11, 6, 0}).size(), 2u);
}

// The edge index must give exactly the pieces of a walk over every edge: random segments
// against a jagged star, plus segments through its vertices and along its edges.
TEST(G3PolylineClipperPolygon, IndexAgreesWithWalkingEveryEdge) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr int kVertices = 400;
    std::vector<double> star;
    for (int i = 0; i < kVertices; ++i) {
        const double angle = 2 * M_PI * i / kVertices;
        const double r = i % 7 == 0 ? 40.0 : 60.0 + 40.0 * unit(rng);
        star.push_back(std::round(r * std::cos(angle) * 8) / 8);  // grid points make ties
        star.push_back(std::round(r * std::sin(angle) * 8) / 8);
    }
    G3PolylineClipper c(kVertices, star.data());
    int pieces = 0;
    for (int i = 0; i < 4000; ++i) {
        std::array<double, 3> a, b;
        if (i % 4 == 3) {  // vertex to vertex, or along an edge and beyond
            const int v = static_cast<int>(unit(rng) * kVertices);
            const int w =
                i % 8 == 3 ? (v + 1) % kVertices : static_cast<int>(unit(rng) * kVertices);
            const double s = i % 8 == 3 ? -0.5 : 0.0;
            for (int k = 0; k < 2; ++k) {
                const double p = star[2 * v + k], q = star[2 * w + k];
                a[k] = p + s * (q - p);
                b[k] = q - s * (q - p);
            }
        } else {
            for (int k = 0; k < 2; ++k) {
                a[k] = -110 + 220 * unit(rng);
                b[k] = a[k] + (i % 2 ? 200 : 30) * (unit(rng) - 0.5);
            }
        }
        a[2] = 0;
        b[2] = 1;
        SCOPED_TRACE(::testing::Message() << "segment " << i << " (" << a[0] << ", " << a[1]
                                          << ") (" << b[0] << ", " << b[1] << ")");
        if (a[0] == b[0] && a[1] == b[1]) continue;
        const auto want = BruteForce(star, a.data(), b.data());
        const auto got = Clip(c, a, b);
        ASSERT_EQ(got.size(), want.size());
        const int axis = std::fabs(b[0] - a[0]) < std::fabs(b[1] - a[1]) ? 1 : 0;
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_DOUBLE_EQ(got[k][axis], want[k].first);
            EXPECT_DOUBLE_EQ(got[k][3 + axis], want[k].second);
        }
        pieces += static_cast<int>(got.size());
    }
    EXPECT_GT(pieces, 1000);
}
