// Terrains closed into solids: walls down to z = 0 and a bottom, every edge walked once
// each way, volume ∫z.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/TerrainCheck.h"

namespace {

double Hills(double x, double y) {
    return 4 + std::sin(0.4 * x) + 0.5 * std::cos(0.3 * y);
}

std::unique_ptr<G3Surface> HillTerrain() {
    G3LandscapeHandler h;
    return std::unique_ptr<G3Surface>(
        pktest::MakeTerrain(h, pktest::GridPoints(12, 9, 1.5, Hills)));
}

// Removes the facets whose plan centroid satisfies `drop`.
void Cut(G3Surface* s, bool (*drop)(double, double)) {
    for (int i = 0; i < s->GetFacetCount();) {
        G3Facet* f = s->GetFacet(i);
        G3Vertex* v[3];
        f->GetVertices(v);
        const double cx = (v[0]->GetX() + v[1]->GetX() + v[2]->GetX()) / 3;
        const double cy = (v[0]->GetY() + v[1]->GetY() + v[2]->GetY()) / 3;
        if (drop(cx, cy)) {
            s->RemoveFacet(f);
        } else {
            ++i;
        }
    }
    s->RemoveUnused();
}

int g_Batches = 0;
void CountBatch(int on) {
    g_Batches += on != 0 ? 1 : -1;
}
int TerrainKind(G3Facet* f) {
    return f->GetPlane()[2] > 0.5 ? 0 : 1;
}

}  // namespace

TEST(G3LandscapeCover, HillsCloseIntoASolidOfTheirIntegral) {
    auto t = HillTerrain();
    const double integral = pktest::IntegralOfZ(t.get());
    G3LandscapeHandler h;
    h.SurfaceCover(t.get());
    EXPECT_TRUE(pktest::IsCoverOf(t.get(), integral));
    EXPECT_GT(integral, 4 * 18 * 13.5 * 0.5);
}

TEST(G3LandscapeCover, ATerrainFacingDownIsTurnedFirst) {
    auto t = HillTerrain();
    const double integral = pktest::IntegralOfZ(t.get());
    t->NegNormals();
    G3LandscapeHandler h;
    h.SurfaceCover(t.get());
    EXPECT_TRUE(pktest::IsCoverOf(t.get(), integral));
}

TEST(G3LandscapeCover, LShapedSiteClosesAroundItsNotch) {
    auto t = HillTerrain();
    Cut(t.get(), [](double x, double y) { return x > 9 && y > 6; });
    ASSERT_TRUE(pktest::IsTerrain(t.get(), 18 * 13.5 - 9 * 7.5, [](double x, double y) {
        return x >= 0 && x <= 18 && y >= 0 && y <= 13.5 && !(x > 9 && y > 6);
    }));
    const double integral = pktest::IntegralOfZ(t.get());
    G3LandscapeHandler h;
    h.SurfaceCover(t.get());
    EXPECT_TRUE(pktest::IsCoverOf(t.get(), integral));
}

TEST(G3LandscapeCover, EdgeFlagsFollowTheFacetKindsAndBatchesPair) {
    auto t = HillTerrain();
    const int terrainFacets = t->GetFacetCount();
    G3LandscapeHandler h;
    h.SetFacetKind(TerrainKind);
    h.SetBatchNotify(CountBatch);
    g_Batches = 0;
    h.SurfaceCover(t.get());
    EXPECT_EQ(g_Batches, 0);
    ASSERT_GT(t->GetFacetCount(), terrainFacets);
    for (int i = 0; i < t->GetEdgeCount(); ++i) {
        const G3Edge* e = t->GetEdge(i);
        ASSERT_EQ(e->GetFacetCount(), 2);
        EXPECT_TRUE(e->GetFormMaking());
        // The bottom's outline was a rim when the flags were set: it stays visible.
        const bool bottom = e->GetVertex1()->GetZ() == 0 && e->GetVertex2()->GetZ() == 0;
        const bool mixed = TerrainKind(e->GetFacet1()) != TerrainKind(e->GetFacet2());
        EXPECT_EQ(e->GetVisible(), mixed || bottom) << i;
    }
}

TEST(G3LandscapeCover, TerrainWithAHoleIsRefusedUntouched) {
    auto t = HillTerrain();
    Cut(t.get(), [](double x, double y) { return x > 6 && x < 10 && y > 4 && y < 8; });
    const int facets = t->GetFacetCount(), vertices = t->GetVertexCount();
    G3LandscapeHandler h;
    h.SurfaceCover(t.get());
    EXPECT_EQ(t->GetFacetCount(), facets);
    EXPECT_EQ(t->GetVertexCount(), vertices);
    G3Surface empty;
    h.SurfaceCover(&empty);
    EXPECT_EQ(empty.GetFacetCount(), 0);
}
