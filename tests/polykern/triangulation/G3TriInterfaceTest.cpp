#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"
#include "tests/support/PlanarTriangulation.h"
#include "tests/support/SurfaceCheck.h"

namespace {

using Pt = pktest::PlanePoint;
using pktest::Cross;

constexpr double kAreaTol = 1e-9;

double U(const G3TVertex* v) {
    return v->u.Value();
}
double V(const G3TVertex* v) {
    return v->v.Value();
}

// A triangulation of the hull: every triangle counter-clockwise, no directed edge twice
// (so no overlap), and the areas summing to the hull's.
::testing::AssertionResult IsTriangulationOfHull(G3TMesh* m, const std::vector<Pt>& points) {
    const pktest::TriangulationCheck r = pktest::CheckTriangulation(m, points);
    if (!r.fault.empty()) return ::testing::AssertionFailure() << r.fault;
    if (std::fabs(r.area - r.hull) > kAreaTol * std::max(1.0, r.hull))
        return ::testing::AssertionFailure() << "area " << r.area << " against hull " << r.hull;
    return ::testing::AssertionSuccess();
}

// Positive when d lies inside the circle through the counter-clockwise corners c.
double InCircle(G3TVertex* const c[3], const G3TVertex* d) {
    const double adx = U(c[0]) - U(d), ady = V(c[0]) - V(d);
    const double bdx = U(c[1]) - U(d), bdy = V(c[1]) - V(d);
    const double cdx = U(c[2]) - U(d), cdy = V(c[2]) - V(d);
    return (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
           (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
           (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
}

// No vertex strictly inside any triangle's circumcircle (beyond the tolerance); every
// `stride`-th triangle is checked.
::testing::AssertionResult IsDelaunay(G3TMesh* m, int stride = 1) {
    for (int i = 0; i < m->GetTriangleCount(); i += stride) {
        G3TVertex* c[3];
        m->GetTriangle(i, c);
        for (int j = 0; j < m->GetVertexCount(); ++j) {
            const G3TVertex* d = m->GetVertex(j);
            const double det = InCircle(c, d);
            if (det > 1e-8)
                return ::testing::AssertionFailure()
                       << "vertex " << j << " inside the circle of triangle " << i << ": " << det;
        }
    }
    return ::testing::AssertionSuccess();
}

using Segment = std::pair<Pt, Pt>;

bool Crosses(Pt a, Pt b, const Segment& s) {
    const double d1 = Cross(a, b, s.first), d2 = Cross(a, b, s.second);
    const double d3 = Cross(s.first, s.second, a), d4 = Cross(s.first, s.second, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// The constrained Delaunay property: a vertex inside a triangle's circumcircle is hidden
// from the triangle's centroid by a constraint. Every `stride`-th triangle is checked.
::testing::AssertionResult IsConstrainedDelaunay(G3TMesh* m,
                                                 const std::vector<Segment>& constraints,
                                                 int stride) {
    for (int i = 0; i < m->GetTriangleCount(); i += stride) {
        G3TVertex* c[3];
        m->GetTriangle(i, c);
        const Pt centroid = {(U(c[0]) + U(c[1]) + U(c[2])) / 3, (V(c[0]) + V(c[1]) + V(c[2])) / 3};
        for (int j = 0; j < m->GetVertexCount(); ++j) {
            const G3TVertex* d = m->GetVertex(j);
            const double det = InCircle(c, d);
            if (det <= 1e-8) continue;
            bool hidden = false;
            for (const Segment& s : constraints)
                hidden = hidden || Crosses(centroid, {U(d), V(d)}, s);
            if (!hidden)
                return ::testing::AssertionFailure()
                       << "vertex " << j << " sees into the circle of triangle " << i;
        }
    }
    return ::testing::AssertionSuccess();
}

struct Input {
    G3TriInterface tri;
    std::vector<G3TVertex*> vertices;
    std::vector<Pt> points;

    G3TVertex* Add(double x, double y, double z = 0.0) {
        const double p[3] = {x, y, z};
        G3TVertex* v = tri.AddVertex(p);
        vertices.push_back(v);
        points.push_back({x, y});
        return v;
    }
};

}  // namespace

TEST(G3TriInterface, RandomPointsGiveTheDelaunayTriangulationOfTheHull) {
    for (const int n : {3, 4, 10, 57, 400, 20000}) {
        SCOPED_TRACE(n);
        Input in;
        std::mt19937 rng(7 + n);
        std::uniform_real_distribution<double> d(-50.0, 50.0);
        for (int i = 0; i < n; ++i) in.Add(d(rng), d(rng));
        ASSERT_TRUE(in.tri.MakeTriangulation());
        G3TMesh* m = in.tri.GetMesh();
        const int h = pktest::ConvexHull(in.points).corners;
        EXPECT_EQ(m->GetTriangleCount(), 2 * n - h - 2);
        EXPECT_EQ(m->GetHullEdgeCount(), h);
        EXPECT_TRUE(IsTriangulationOfHull(m, in.points));
        EXPECT_TRUE(IsDelaunay(m, n > 1000 ? 97 : 1));
    }
}

// The hull's area, checked against the triangles', must not lose its digits to the size
// of the coordinates: a survey patch 450 km out triangulates as it does at the origin.
TEST(G3TriInterface, FarFromTheOriginFractionalPointsStillTriangulate) {
    for (const double x0 : {0.0, 450000.3, 5403000.7}) {
        SCOPED_TRACE(x0);
        Input in;
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> d(0.0, 24.0);
        for (int i = 0; i < 200; ++i) in.Add(x0 + d(rng), 120000.1 + d(rng));
        ASSERT_TRUE(in.tri.MakeTriangulation());
        const int h = pktest::ConvexHull(in.points).corners;
        EXPECT_EQ(in.tri.GetMesh()->GetTriangleCount(), 2 * 200 - h - 2);
    }
}

// The rim of a levelled pad, reduced to the points that made it fail: three points on
// one side, 42 µm apart, beside points metres away. The circle test decides such small
// circles by their shape, at any scale, so none of the points is left out of the mesh.
TEST(G3TriInterface, PointsMicrometresApartOnTheHullAreAllUsed) {
    const std::vector<Pt> rim = {
        {486.08781043990933, 485},
        {485, 485},
        {503.64751780359893, 515},
        {503.64500692989839, 515},
        {503.64496492967822, 515},
        {515, 487.28645300920067},
        {510, 491.11111111111109},
        {510, 490},
        {508.88888888888891, 490},
        {507.77777777777777, 490},
        {506.66666666666669, 490},
        {505.55555555555554, 490},
        {490, 493.33333333333331},
        {490, 494.44444444444446},
        {490, 495.55555555555554},
        {490, 496.66666666666669},
        {490, 497.77777777777777},
        {490, 498.88888888888891},
        {490, 500},
        {490, 501.11111111111109},
        {490, 502.22222222222223},
        {490, 503.33333333333331},
        {490, 504.44444444444446},
        {490, 505.55555555555554},
        {490, 506.66666666666669},
        {490, 507.77777777777777},
        {490, 508.88888888888891}};
    for (const double scale : {1.0, 0.5, 0.01, 3.0}) {
        SCOPED_TRACE(scale);
        Input in;
        for (const Pt& p : rim) in.Add(p[0] * scale, p[1] * scale);
        ASSERT_TRUE(in.tri.MakeTriangulation());
        EXPECT_TRUE(IsTriangulationOfHull(in.tri.GetMesh(), in.points));
    }
}

TEST(G3TriInterface, DegenerateLayoutsStillTriangulate) {
    {
        Input grid;  // every cell's four corners are cocircular
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 10; ++j) grid.Add(i, j);
        ASSERT_TRUE(grid.tri.MakeTriangulation());
        G3TMesh* m = grid.tri.GetMesh();
        ASSERT_EQ(m->GetTriangleCount(), 162);
        EXPECT_TRUE(IsTriangulationOfHull(m, grid.points));
        for (int i = 0; i < m->GetTriangleCount(); ++i) {
            G3TVertex* c[3];
            m->GetTriangle(i, c);
            EXPECT_NEAR(0.5 * Cross({U(c[0]), V(c[0])}, {U(c[1]), V(c[1])}, {U(c[2]), V(c[2])}),
                        0.5, 1e-12);
        }
    }
    {
        Input circle;
        const int n = 64;
        for (int k = 0; k < n; ++k)
            circle.Add(10 * std::cos(2 * M_PI * k / n), 10 * std::sin(2 * M_PI * k / n));
        circle.Add(0.0, 0.0);  // the centre as well
        ASSERT_TRUE(circle.tri.MakeTriangulation());
        EXPECT_EQ(circle.tri.GetMesh()->GetTriangleCount(), n);
        EXPECT_TRUE(IsTriangulationOfHull(circle.tri.GetMesh(), circle.points));
        EXPECT_TRUE(IsDelaunay(circle.tri.GetMesh()));
    }
    {
        Input few;  // fewer than three distinct points: true, nothing to triangulate
        few.Add(1, 1, 5);
        few.Add(1 + 3e-9, 1 - 3e-9, 7);
        few.Add(2, 2, 0);
        ASSERT_TRUE(few.tri.MakeTriangulation());
        std::unique_ptr<G3Surface> s(few.tri.GetSurface());
        EXPECT_EQ(s->GetFacetCount(), 0);
        EXPECT_EQ(s->GetVertexCount(), 0) << "the weld sweeps vertices no facet uses";
    }
    {
        Input line;
        for (int i = 0; i < 20; ++i) line.Add(i, 2 * i);
        ASSERT_TRUE(line.tri.MakeTriangulation());
        EXPECT_EQ(line.tri.GetMesh()->GetTriangleCount(), 0);
        EXPECT_EQ(line.tri.GetMesh()->GetHullEdgeCount(), 38) << "each edge twice round";
    }
}

// A break line along 150 collinear points, with points just off it on both sides that the
// Delaunay triangulation joins across it: every unit piece ends up an edge, marked.
TEST(G3TriInterface, ABreakLineThroughManyCollinearPointsGoesInWhole) {
    Input in;
    std::vector<G3TVertex*> line;
    for (int i = 0; i < 150; ++i) line.push_back(in.Add(i, 0.0));
    for (int i = 0; i < 149; ++i) {
        in.Add(i + 0.5, 0.01);
        in.Add(i + 0.5, -0.01);
    }
    in.Add(75, 40);
    in.Add(75, -40);
    in.tri.AddEdge(line.front(), line.back());
    ASSERT_TRUE(in.tri.MakeTriangulation());
    EXPECT_EQ(in.tri.GetInsertedConstraintCount(), 1);
    G3TMesh* m = in.tri.GetMesh();
    EXPECT_TRUE(IsTriangulationOfHull(m, in.points));
    for (int i = 0; i < 149; ++i) {
        bool constraint = false;
        EXPECT_TRUE(m->HasEdge(line[i], line[i + 1], &constraint)) << i;
        EXPECT_TRUE(constraint) << i;
    }
    EXPECT_EQ(m->GetEdgeCount(), 149);
}

TEST(G3TriInterface, ConstraintsAreForcedInAndStopAtCrossings) {
    Input in;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> d(0.0, 100.0);
    for (int i = 0; i < 300; ++i) in.Add(d(rng), d(rng));
    G3TVertex* a = in.Add(-1, -1);
    G3TVertex* b = in.Add(101, 101);
    G3TVertex* c = in.Add(-1, 101);
    G3TVertex* e = in.Add(101, -1);
    in.tri.AddEdge(a, b);
    in.tri.AddEdge(c, e);  // crosses the first
    in.tri.AddEdge(a, a);  // zero length: ignored
    ASSERT_TRUE(in.tri.MakeTriangulation());
    G3TMesh* m = in.tri.GetMesh();
    EXPECT_EQ(in.tri.GetInsertedConstraintCount(), 2) << "the diagonal and the empty one";
    EXPECT_TRUE(IsTriangulationOfHull(m, in.points));
    // The first is a chain of marked edges from a to b.
    bool constraint = false;
    EXPECT_TRUE(m->HasEdge(a, b, &constraint));
    EXPECT_TRUE(constraint);
    // Every marked edge lies on one of the two segments.
    for (int i = 0; i < m->GetTriangleCount(); ++i) {
        G3TVertex* t[3];
        m->GetTriangle(i, t);
        for (int k = 0; k < 3; ++k) {
            if (!m->IsConstraintSide(i, k)) continue;
            const G3TVertex* p = t[(k + 1) % 3];
            const G3TVertex* q = t[(k + 2) % 3];
            const bool onFirst = std::fabs(U(p) - V(p)) < 1e-9 && std::fabs(U(q) - V(q)) < 1e-9;
            const bool onSecond =
                std::fabs(U(p) + V(p) - 100) < 1e-9 && std::fabs(U(q) + V(q) - 100) < 1e-9;
            EXPECT_TRUE(onFirst || onSecond) << "triangle " << i << " side " << k;
        }
    }
}

TEST(G3TriInterface, ManyParallelConstraintsAllBecomeEdges) {
    Input in;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> d(0.0, 100.0);
    for (int i = 0; i < 2000; ++i) in.Add(d(rng), d(rng));
    std::vector<std::pair<G3TVertex*, G3TVertex*>> segments;
    for (int k = 0; k < 60; ++k) {
        const double y = 0.5 + k * 1.6 + 0.123;  // parallel, so they never cross
        const double x0 = d(rng) * 0.5, x1 = 50 + d(rng) * 0.5;
        segments.emplace_back(in.Add(x0, y), in.Add(x1, y));
        in.tri.AddEdge(segments.back().first, segments.back().second);
    }
    ASSERT_TRUE(in.tri.MakeTriangulation());
    EXPECT_EQ(in.tri.GetInsertedConstraintCount(), 60);
    G3TMesh* m = in.tri.GetMesh();
    EXPECT_TRUE(IsTriangulationOfHull(m, in.points));
    std::vector<Segment> lines;
    for (const auto& [a, b] : segments) {
        bool constraint = false;
        EXPECT_TRUE(m->HasEdge(a, b, &constraint));
        EXPECT_TRUE(constraint);
        lines.push_back({{U(a), V(a)}, {U(b), V(b)}});
    }
    EXPECT_TRUE(IsConstrainedDelaunay(m, lines, 5));
}

TEST(G3TriInterface, DuplicatesCountOnceAndConstraintsFindTheKeptOne) {
    Input in;
    std::vector<G3TVertex*> first, twin;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) first.push_back(in.Add(i, j, 1.0));
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) twin.push_back(in.Add(i + 4e-9, j - 4e-9, 2.0));
    in.tri.AddEdge(twin[0], twin[24]);  // both ends dropped: resolved to the kept vertices
    ASSERT_TRUE(in.tri.MakeTriangulation());
    G3TMesh* m = in.tri.GetMesh();
    EXPECT_EQ(m->GetTriangleCount(), 32);
    EXPECT_EQ(m->GetRepresentative(twin[7]), first[7]);
    bool constraint = false;
    EXPECT_TRUE(m->HasEdge(first[0], first[6], &constraint));
    EXPECT_TRUE(constraint);
    std::unique_ptr<G3Surface> s(in.tri.GetSurface());
    ASSERT_EQ(s->GetFacetCount(), 32);
    ASSERT_EQ(s->GetVertexCount(), 25) << "only the corners in use stay";
    for (int i = 0; i < s->GetVertexCount(); ++i)
        EXPECT_EQ(s->GetVertex(i)->GetXYZ()[2], 1.0) << "the kept vertex's own height";
}

TEST(G3TriInterface, SurfacesCarryHeightsAndFaceTheNormal) {
    Input in;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> d(0.0, 10.0);
    std::map<std::pair<double, double>, double> height;
    for (int i = 0; i < 200; ++i) {
        const double x = d(rng), y = d(rng), z = std::sin(x) * std::cos(y);
        in.Add(x, y, z);
        height[{x, y}] = z;
    }
    ASSERT_TRUE(in.tri.MakeTriangulation());
    std::unique_ptr<G3Surface> s(in.tri.GetSurface());
    EXPECT_EQ(s->GetVertexCount(), 200);
    EXPECT_TRUE(pktest::IsWellFormed(s.get()));
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        EXPECT_EQ(p[2], height.at({p[0], p[1]}));
    }
    for (int i = 0; i < s->GetFacetCount(); ++i) EXPECT_GT(s->GetFacet(i)->GetPlaneC(), 0.0);

    // In the x–z plane the normal is −y, and the points come back where they were.
    G3TriInterface upright;
    const double ax[3] = {1, 0, 0}, az[3] = {0, 0, 1};
    upright.Set2DPlane(ax, az);
    const double pts[4][3] = {{0, 5, 0}, {2, 5, 0}, {2, 5, 3}, {0, 5, 3}};
    for (const auto& p : pts) upright.AddVertex(p);
    ASSERT_TRUE(upright.MakeTriangulation());
    std::unique_ptr<G3Surface> wall(upright.GetSurface());
    ASSERT_EQ(wall->GetFacetCount(), 2);
    for (int i = 0; i < wall->GetVertexCount(); ++i)
        EXPECT_DOUBLE_EQ(wall->GetVertex(i)->GetXYZ()[1], 5.0);
    EXPECT_NEAR(pktest::Area(wall.get()), 6.0, 1e-12);
    EXPECT_LT(wall->GetFacet(0)->GetPlaneB(), 0.0);
}

// Corners 5e-7 apart are distinct to the triangulator but one point to the surface's weld.
TEST(G3TriInterface, TheSurfaceWeldsCornersCloserThanItsTolerance) {
    Input in;
    in.Add(0, 0);
    in.Add(10, 0);
    in.Add(10, 10);
    in.Add(0, 10);
    in.Add(5, 5);
    in.Add(5 + 5e-7, 5);
    ASSERT_TRUE(in.tri.MakeTriangulation());
    const int triangles = in.tri.GetMesh()->GetTriangleCount();
    EXPECT_EQ(triangles, 2 * 6 - 4 - 2);
    std::unique_ptr<G3Surface> s(in.tri.GetSurface());
    EXPECT_EQ(s->GetVertexCount(), 5);
    EXPECT_LT(s->GetFacetCount(), triangles) << "the sliver between the two collapsed";
    EXPECT_NEAR(pktest::Area(s.get()), 100.0, 1e-9);
}

TEST(G3TriInterface, HardInputIsRefusedOrIgnored) {
    G3TriInterface tri;
    const double nan[3] = {NAN, 0, 0};
    EXPECT_EQ(tri.AddVertex(nan), nullptr);
    EXPECT_EQ(tri.AddVertex(nullptr), nullptr);
    tri.AddEdge(nullptr, nullptr);
    EXPECT_EQ(tri.GetConstraintCount(), 0);
    ASSERT_TRUE(tri.MakeTriangulation());
    EXPECT_FALSE(tri.MakeTriangulation()) << "a triangulation is made once";
    std::unique_ptr<G3Surface> s(tri.GetSurface());
    EXPECT_EQ(s->GetVertexCount(), 0);

    G3TMesh other;
    G3TVertex* foreign = other.AddVertex(0, 0);
    G3TriInterface tri2;
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    G3TVertex* v0 = tri2.AddVertex(p[0]);
    for (int k = 1; k < 3; ++k) tri2.AddVertex(p[k]);
    ASSERT_TRUE(tri2.GetMesh()->Triangulate());
    EXPECT_FALSE(tri2.GetMesh()->InsertSegment(v0, foreign, 0));
    int t = -2;
    EXPECT_EQ(tri2.GetMesh()->Locate(0.2, 0.2, &t), 0);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(tri2.GetMesh()->Locate(0.5, 0.0, &t), 1);
    EXPECT_EQ(tri2.GetMesh()->Locate(1.0, 0.0, &t), 2);
    EXPECT_EQ(tri2.GetMesh()->Locate(5.0, 5.0, &t), 3);
    EXPECT_EQ(t, -1);
}
