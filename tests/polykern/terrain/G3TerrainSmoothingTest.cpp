// Terrain smoothing: planes stay planes, curved terrains come closer to their surface, the
// plan is kept (notches stay open, quadrilaterals and holes keep their area), every output
// is finite, and the source is left as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/TerrainCheck.h"

namespace {

using Method = std::function<G3Surface*(G3LandscapeHandler&, G3Surface*)>;

std::vector<std::pair<const char*, Method>> Methods() {
    return {
        {"SmoothSurface", [](G3LandscapeHandler& h, G3Surface* s) { return h.SmoothSurface(s); }},
        {"SmoothSurfaceEx",
         [](G3LandscapeHandler& h, G3Surface* s) { return h.SmoothSurfaceEx(s); }},
        {"SecondOrder3",
         [](G3LandscapeHandler& h, G3Surface* s) { return h.SecondOrderSmoothSurface(s, 3); }},
        {"SecondOrder4",
         [](G3LandscapeHandler& h, G3Surface* s) { return h.SecondOrderSmoothSurface(s, 4); }},
        {"SecondOrderEx2",
         [](G3LandscapeHandler& h, G3Surface* s) { return h.SecondOrderSmoothSurfaceEx(s, 2); }},
        {"Landscape4x2",
         [](G3LandscapeHandler& h, G3Surface* s) { return h.LandscapeSmoothing(s, 4, 2); }},
    };
}

double Tilted(double x, double y) {
    return 2 + 0.3 * x - 0.1 * y;
}

std::unique_ptr<G3Surface> Terrain(int n, double step, double (*z)(double, double)) {
    G3LandscapeHandler h;
    return std::unique_ptr<G3Surface>(pktest::MakeTerrain(h, pktest::GridPoints(n, n, step, z)));
}

::testing::AssertionResult AllFinite(const G3Surface* s) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return ::testing::AssertionFailure() << "vertex " << i << " is not finite";
    }
    return ::testing::AssertionSuccess();
}

// The root mean square of the height error against z over sample points.
double HeightError(const G3Surface* s, double (*z)(double, double), double size) {
    double sum = 0;
    int n = 0;
    for (double x = 0.13; x < size; x += size / 23) {
        for (double y = 0.17; y < size; y += size / 19) {
            double h = NAN;
            if (!pktest::HeightAt(s, x, y, &h)) continue;
            sum += (h - z(x, y)) * (h - z(x, y));
            ++n;
        }
    }
    return n > 0 ? std::sqrt(sum / n) : HUGE_VAL;
}

}  // namespace

TEST(G3TerrainSmoothing, PlanarTerrainStaysOnItsPlaneUnderEveryMethod) {
    auto t = Terrain(4, 2.5, Tilted);
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        G3LandscapeHandler h;
        std::unique_ptr<G3Surface> r(method(h, t.get()));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(pktest::IsTerrain(r.get(), 100.0, [](double, double) { return true; }));
        for (int i = 0; i < r->GetVertexCount(); ++i) {
            const G3Vertex* v = r->GetVertex(i);
            if (!v->HasEdges()) continue;
            EXPECT_NEAR(v->GetZ(), Tilted(v->GetX(), v->GetY()), 1e-9);
        }
    }
}

TEST(G3TerrainSmoothing, SubdivisionCountsFollowTheirRules) {
    auto t = Terrain(3, 2.0, Tilted);  // 18 triangles over 16 vertices
    G3LandscapeHandler h;
    std::unique_ptr<G3Surface> once(h.SmoothSurface(t.get()));
    EXPECT_EQ(once->GetFacetCount(), 4 * 18);
    EXPECT_EQ(once->GetPolyEdgeCount(), 16);
    std::unique_ptr<G3Surface> deep(h.SecondOrderSmoothSurfaceEx(t.get(), 3));
    EXPECT_EQ(deep->GetFacetCount(), 64 * 18);
    std::unique_ptr<G3Surface> shallow(h.SecondOrderSmoothSurfaceEx(t.get(), 0));
    EXPECT_EQ(shallow->GetFacetCount(), 4 * 18);
    std::unique_ptr<G3Surface> none(h.LandscapeSmoothing(t.get(), 3, 0));
    EXPECT_EQ(none->GetFacetCount(), 18);
    std::unique_ptr<G3Surface> other(h.LandscapeSmoothing(t.get(), 9, 2));
    EXPECT_EQ(other->GetFacetCount(), 18);
}

TEST(G3TerrainSmoothing, CurvedTerrainComesCloserToItsSurface) {
    double (*z)(double, double) = [](double x, double y) {
        return 0.05 * ((x - 5) * (x - 5) + (y - 5) * (y - 5)) + 1;
    };
    auto t = Terrain(5, 2.0, z);
    const double before = HeightError(t.get(), z, 10);
    G3LandscapeHandler h;
    std::unique_ptr<G3Surface> r(h.SmoothSurface(t.get()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(r.get(), 100.0, [](double, double) { return true; }));
    const double after = HeightError(r.get(), z, 10);
    EXPECT_LT(after, 0.6 * before) << before << " -> " << after;
    std::unique_ptr<G3Surface> twice(h.LandscapeSmoothing(t.get(), 1, 2));
    EXPECT_LT(HeightError(twice.get(), z, 10), after);
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        std::unique_ptr<G3Surface> m(method(h, t.get()));
        EXPECT_TRUE(pktest::IsTerrain(m.get(), 100.0, [](double, double) { return true; }));
    }
}

TEST(G3TerrainSmoothing, LShapedSiteKeepsItsNotchOpen) {
    auto t = Terrain(6, 1.0, Tilted);
    for (int i = 0; i < t->GetFacetCount();) {
        G3Facet* f = t->GetFacet(i);
        G3Vertex* v[3];
        f->GetVertices(v);
        if ((v[0]->GetX() + v[1]->GetX() + v[2]->GetX()) / 3 > 3 &&
            (v[0]->GetY() + v[1]->GetY() + v[2]->GetY()) / 3 > 3) {
            t->RemoveFacet(f);
        } else {
            ++i;
        }
    }
    t->RemoveUnused();
    auto inL = [](double x, double y) { return x <= 6 && y <= 6 && !(x > 3 && y > 3); };
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        G3LandscapeHandler h;
        std::unique_ptr<G3Surface> r(method(h, t.get()));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(pktest::IsTerrain(r.get(), 27.0, inL));
    }
}

TEST(G3TerrainSmoothing, QuadrilateralsAreSmoothedWhole) {
    // A 4 x 4 grid of quadrilaterals on the plane: each is smoothed whole, not as its
    // first three corners.
    auto s = std::make_unique<G3Surface>();
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i) s->AddVertex(i, j, Tilted(i, j), 0);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const int a = j * 5 + i;
            const int q[4] = {a, a + 1, a + 6, a + 5};
            s->AddFacet(4, q, 1, nullptr, nullptr);
        }
    }
    G3LandscapeHandler h;
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        std::unique_ptr<G3Surface> r(method(h, s.get()));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(pktest::IsTerrain(r.get(), 16.0, [](double, double) { return true; }));
    }
}

TEST(G3TerrainSmoothing, CancellingNormalsGiveFiniteOutput) {
    // A flat triangle with a vertical fin on one side: the fin's top vertex sees only a
    // facet without height, whose normal has no z to divide by.
    auto s = std::make_unique<G3Surface>();
    G3Vertex* a = s->AddVertex(0, 0, 1, 0);
    G3Vertex* b = s->AddVertex(4, 0, 1, 0);
    G3Vertex* c = s->AddVertex(4, 4, 1, 0);
    G3Vertex* top = s->AddVertex(2, 0, 3, 0);
    G3Vertex* t1[3] = {a, b, c};
    G3Vertex* t2[3] = {b, a, top};
    s->AddFacet(3, t1, 1, nullptr, nullptr);
    s->AddFacet(3, t2, 1, nullptr, nullptr);
    G3LandscapeHandler h;
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        std::unique_ptr<G3Surface> r(method(h, s.get()));
        if (r != nullptr) {
            EXPECT_TRUE(AllFinite(r.get()));
        }
    }
}

TEST(G3TerrainSmoothing, SourceDataIsLeftAsFoundAndResultsCarryNone) {
    auto t = Terrain(4, 1.0, Tilted);
    // The caller's own data on a vertex: neither read as a slope nor released.
    G3Point mine(7, 8, 9, 0);
    t->GetVertex(3)->SetExData(&mine);
    for (auto& [name, method] : Methods()) {
        SCOPED_TRACE(name);
        G3LandscapeHandler h;
        std::unique_ptr<G3Surface> r(method(h, t.get()));
        ASSERT_NE(r, nullptr);
        for (int i = 0; i < t->GetVertexCount(); ++i)
            EXPECT_EQ(t->GetVertex(i)->GetExData(), i == 3 ? &mine : nullptr);
        for (int i = 0; i < r->GetVertexCount(); ++i)
            EXPECT_EQ(r->GetVertex(i)->GetExData(), nullptr);
        // A second pass over the result reads no stale records.
        std::unique_ptr<G3Surface> again(method(h, r.get()));
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(AllFinite(again.get()));
    }
    t->GetVertex(3)->SetExData(nullptr);
}

TEST(G3TerrainSmoothing, PaddedTerrainSmoothsIntoASheetThatCloses) {
    // The pad's cut on a plane leaves the terrain merged into polygons with points along
    // their sides; every pass must give a sheet without cracks, whose single rim closes
    // it into a solid.
    G3LandscapeHandler maker;
    std::unique_ptr<G3Surface> t(pktest::MakeTerrain(
        maker, pktest::GridPoints(20, 20, 1.0, [](double x, double) { return 1 + 0.02 * x; })));
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.5);
    h.StartContour();
    for (auto [x, y] : {std::pair{4, 4}, {9, 4}, {9, 8}, {4, 8}}) h.AddContourVertex(x, y, 2);
    ASSERT_TRUE(h.EndContour());
    std::unique_ptr<G3Surface> r(h.ApplyFlatRegion(t.get()));
    ASSERT_NE(r, nullptr);
    for (int mode : {1, 2, 3, 4}) {
        SCOPED_TRACE(mode);
        std::unique_ptr<G3Surface> s(h.LandscapeSmoothing(r.get(), mode, 1));
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(pktest::IsTerrain(s.get(), 400.0, [](double, double) { return true; }));
        const double integral = pktest::IntegralOfZ(s.get());
        h.SurfaceCover(s.get());
        EXPECT_TRUE(pktest::IsCoverOf(s.get(), integral, 1e-9));
    }
}
