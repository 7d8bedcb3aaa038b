#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/surfaceops/G3TriangleCollector.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

constexpr double kTol = 1e-9;

// Every facet is a triangle whose plane normal points along `normal`.
::testing::AssertionResult AllTrianglesFace(const G3Surface& s, double nx, double ny, double nz) {
    for (int i = 0; i < s.GetFacetCount(); ++i) {
        const G3Facet* f = s.GetFacet(i);
        if (f->GetEdgeCount() != 3)
            return ::testing::AssertionFailure() << "facet " << i << " has " << f->GetEdgeCount();
        const double dot = f->GetPlaneA() * nx + f->GetPlaneB() * ny + f->GetPlaneC() * nz;
        if (dot < 1.0 - 1e-9)
            return ::testing::AssertionFailure() << "facet " << i << " faces away: " << dot;
    }
    return ::testing::AssertionSuccess();
}

G3Facet* AddPolygon(G3Surface& s, std::initializer_list<std::array<double, 3>> corners) {
    std::vector<G3Vertex*> v;
    for (const auto& c : corners) v.push_back(s.AddVertex(c[0], c[1], c[2], 0));
    return s.AddFacet(static_cast<int>(v.size()), v.data(), 1, nullptr, nullptr);
}

}  // namespace

TEST(G3SurfaceTriangulate, CubeGivesTwelveTrianglesAndStaysClosed) {
    std::unique_ptr<G3Surface> cube(pktest::MakeCube());
    for (int i = 0; i < cube->GetEdgeCount(); ++i) cube->GetEdge(i)->SetFlags(0x11);
    ASSERT_TRUE(cube->Triangulate(0x4, 0x40));
    EXPECT_EQ(cube->GetFacetCount(), 12);
    EXPECT_EQ(cube->GetEdgeCount(), 18);
    EXPECT_TRUE(pktest::IsWellFormed(cube.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(cube.get()));
    EXPECT_EQ(pktest::EulerCharacteristic(cube.get()), 2);
    EXPECT_NEAR(pktest::SignedVolume(cube.get()), 1.0, kTol);
    EXPECT_NEAR(pktest::Area(cube.get()), 6.0, kTol);
    int diagonals = 0, kept = 0;
    for (int i = 0; i < cube->GetEdgeCount(); ++i) {
        const int32_t flags = cube->GetEdge(i)->GetFlags();
        diagonals += flags == 0x40;
        kept += flags == 0x11;
    }
    EXPECT_EQ(diagonals, 6);
    EXPECT_EQ(kept, 12);
    EXPECT_FALSE(cube->Triangulate(0x4, 0x40)) << "triangles are never touched";
}

TEST(G3SurfaceTriangulate, OptionsChooseTheFacets) {
    G3Surface s;
    AddPolygon(s, {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}}});
    AddPolygon(s, {{{5, 0, 0}}, {{7, 0, 0}}, {{8, 1, 0}}, {{6, 2, 0}}, {{4, 1, 0}}});
    EXPECT_TRUE(s.Triangulate(0x8, 0));
    EXPECT_EQ(s.GetFacetCount(), 4) << "the quad stays, the pentagon gives three";

    G3Surface bent;
    AddPolygon(bent, {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}}});
    AddPolygon(bent, {{{3, 0, 0}}, {{4, 0, 0}}, {{4, 1, 1e-3}}, {{3, 1, 0}}});
    EXPECT_TRUE(bent.Triangulate(0x2, 0));
    EXPECT_EQ(bent.GetFacetCount(), 3) << "only the facet off its plane is split";

    G3Surface hexagons;
    AddPolygon(hexagons,
               {{{0, 0, 0}}, {{2, 0, 0}}, {{2, 1, 0}}, {{1, 1, 0}}, {{1, 2, 0}}, {{0, 2, 0}}});
    AddPolygon(hexagons,
               {{{10, 0, 0}}, {{12, 0, 0}}, {{13, 1, 0}}, {{12, 2, 0}}, {{10, 2, 0}}, {{9, 1, 0}}});
    EXPECT_TRUE(hexagons.Triangulate(0x1, 0));
    EXPECT_EQ(hexagons.GetFacetCount(), 5) << "the L gives four, the convex hexagon stays";
    EXPECT_FALSE(hexagons.Triangulate(0, 0));
}

// The L and the square with a hole: the triangles cover the facet exactly, all facing the
// facet's way, and carry its flags, surface number and outside data.
TEST(G3SurfaceTriangulate, ConcaveAndHoledFacetsKeepAreaFacingAndData) {
    pktest::FacetTagProvider material;
    pktest::ScopedProvider registered(&material);
    int red = 0;
    {
        G3Surface l;
        G3Facet* f = AddPolygon(
            l, {{{0, 0, 0}}, {{2, 0, 0}}, {{2, 1, 0}}, {{1, 1, 0}}, {{1, 2, 0}}, {{0, 2, 0}}});
        f->SetFlags(f->GetFlags() | 0x100);
        f->SetSurface(7);
        f->SetOutExData(&material, &red);
        ASSERT_TRUE(l.Triangulate(0x4, 0));
        EXPECT_EQ(l.GetFacetCount(), 4);
        EXPECT_NEAR(pktest::Area(&l), 3.0, kTol);
        EXPECT_TRUE(AllTrianglesFace(l, 0, 0, 1));
        EXPECT_TRUE(pktest::IsWellFormed(&l));
        for (int i = 0; i < l.GetFacetCount(); ++i) {
            EXPECT_EQ(l.GetFacet(i)->GetOutExData(&material), &red);
            EXPECT_EQ(l.GetFacet(i)->GetSurface(), 7);
            EXPECT_TRUE(l.GetFacet(i)->GetFlags() & 0x100);
        }
    }
    for (const double nz : {1.0, -1.0}) {
        G3Surface s;
        const double o[4][3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
        const double h[4][3] = {{1, 1, 0}, {3, 1, 0}, {3, 3, 0}, {1, 3, 0}};
        G3Vertex *ov[4], *hv[4];
        for (int k = 0; k < 4; ++k) {
            const int at = nz > 0 ? k : 3 - k;  // the second pass builds it facing down
            ov[k] = s.AddVertex(o[at][0], o[at][1], o[at][2], 0);
            hv[k] = s.AddVertex(h[at][0], h[at][1], h[at][2], 0);
        }
        s.BeginComplexFacet();
        s.AddFacet(4, ov, 1, nullptr, nullptr);
        s.AddFacet(4, hv, 1, nullptr, nullptr);
        s.EndComplexFacet();
        ASSERT_EQ(s.GetFacetCount(), 1);
        ASSERT_EQ(s.GetFacet(0)->GetEdgeCount(), 8);
        ASSERT_TRUE(s.Triangulate(0x1, 0));
        EXPECT_EQ(s.GetFacetCount(), 8);
        EXPECT_NEAR(pktest::Area(&s), 12.0, kTol);
        EXPECT_TRUE(AllTrianglesFace(s, 0, 0, nz));
        EXPECT_TRUE(pktest::IsWellFormed(&s));
        EXPECT_EQ(s.GetVertexCount(), 8);
    }
}

TEST(G3SurfaceTriangulate, TrianglesKeepTheNormalsOfTheirCorners) {
    G3Surface s;
    G3Vertex* v[5] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(2, 0, 0, 0), s.AddVertex(3, 1, 0, 0),
                      s.AddVertex(1, 2, 0, 0), s.AddVertex(-1, 1, 0, 0)};
    G3Normal* n[5];
    for (int k = 0; k < 5; ++k) n[k] = s.AddNormal(0.1 * k, 0, 1);
    s.AddFacet(5, v, 1, n, nullptr);
    ASSERT_TRUE(s.Triangulate(0x4, 0));
    ASSERT_EQ(s.GetFacetCount(), 3);
    for (int i = 0; i < s.GetFacetCount(); ++i) {
        const G3Facet* f = s.GetFacet(i);
        for (int k = 0; k < 5; ++k) {
            if (!f->ContainsVertex(v[k])) continue;
            G3TexCoo* t = nullptr;
            EXPECT_EQ(f->GetNormal(v[k], &t), n[k]) << "facet " << i << " corner " << k;
        }
    }
}

// The tessellator cannot split an outline that crosses itself without making new corners,
// and must never see a non-finite coordinate: such facets stay as they were.
TEST(G3SurfaceTriangulate, FacetsTheTessellatorRefusesAreKept) {
    G3Surface bow;
    AddPolygon(bow, {{{0, 0, 0}}, {{2, 2, 0}}, {{2, 0, 0}}, {{0, 2, 0}}});
    EXPECT_FALSE(bow.Triangulate(0x4, 0));
    EXPECT_EQ(bow.GetFacetCount(), 1);
    EXPECT_EQ(bow.GetFacet(0)->GetEdgeCount(), 4);

    G3TriangleCollector collector;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}, {0, 1, 0}};
    ASSERT_TRUE(collector.BeginPolygon());
    EXPECT_FALSE(G3TriangleCollector().BeginPolygon()) << "one tessellation at a time";
    // Another thread tessellates on its own meanwhile: a square gives its two triangles.
    int elsewhere = -1;
    std::thread([&elsewhere] {
        G3TriangleCollector other;
        const double square[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        G3Obj corner[4];
        if (!other.BeginPolygon()) return;
        for (int k = 0; k < 4; ++k) other.Vertex(square[k], &corner[k]);
        if (other.EndPolygon()) elsewhere = other.GetTriangleCount();
    }).join();
    EXPECT_EQ(elsewhere, 2);
    G3Obj tags[4];
    for (int k = 0; k < 4; ++k) collector.Vertex(corners[k], &tags[k]);
    EXPECT_FALSE(collector.EndPolygon());
    EXPECT_EQ(collector.GetTriangleCount(), 0);
}

TEST(G3SurfaceTriangulate, AFanOfManyCornersComesOutWhole) {
    // A star of 40 points is one polygon the tessellator answers with strips and fans.
    G3Surface s;
    std::vector<G3Vertex*> v;
    const int n = 40;
    double area = 0.0;
    std::vector<std::array<double, 2>> p;
    for (int k = 0; k < n; ++k) {
        const double r = k % 2 == 0 ? 3.0 : 1.0, a = 2 * M_PI * k / n;
        p.push_back({r * std::cos(a), r * std::sin(a)});
        v.push_back(s.AddVertex(p.back()[0], p.back()[1], 2.0, 0));
    }
    for (int k = 0; k < n; ++k) {
        const auto& a = p[k];
        const auto& b = p[(k + 1) % n];
        area += 0.5 * (a[0] * b[1] - a[1] * b[0]);
    }
    s.AddFacet(n, v.data(), 1, nullptr, nullptr);
    ASSERT_TRUE(s.Triangulate(0x4, 0));
    EXPECT_EQ(s.GetFacetCount(), n - 2);
    EXPECT_NEAR(pktest::Area(&s), area, 1e-9);
    EXPECT_TRUE(AllTrianglesFace(s, 0, 0, 1));
}
