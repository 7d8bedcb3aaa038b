// The site workflow in process: a house whose figures are known by hand, the same site
// moved far away, and seeded random sites that must all come out closed and consistent.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "tools/polykern/SiteBuild.h"
#include "tools/polykern/SurfaceReport.h"

namespace {

using pkcli::SiteBuilding;
using pkcli::SiteDescription;
using pkcli::SiteModel;
using pkcli::SitePoint;

constexpr double kPi = 3.14159265358979323846;

// A flat grid terrain of n × n cells of `spacing` at height z, its corner at (x0, y0).
void FlatTerrain(SiteDescription* site, double x0, double y0, int n, double spacing, double z) {
    site->terrain.grid = true;
    site->terrain.origin = {x0, y0};
    site->terrain.spacing[0] = site->terrain.spacing[1] = spacing;
    site->terrain.columns = site->terrain.rows = n + 1;
    site->terrain.heights.assign(std::size_t((n + 1) * (n + 1)), z);
}

std::vector<SitePoint> Rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A 12 × 8 m house, 3 m of wall 0.3 m thick, one storey with a 0.2 m slab, a door and a
// window in its first wall and a hip roof of 30° without overhang, on a pad 0.5 m above
// a flat terrain at 10 m.
SiteDescription HipHouse(double dx, double dy) {
    SiteDescription site;
    FlatTerrain(&site, dx, dy, 4, 10.0, 10.0);
    site.pads.push_back({"pad", Rectangle(dx + 5, dy + 5, dx + 25, dy + 25), 10.5, 2.0});
    SiteBuilding b;
    b.name = "house";
    b.outline = Rectangle(dx + 8, dy + 8, dx + 20, dy + 16);
    b.wallHeight = 3.0;
    b.wallThickness = 0.3;
    b.storeys = {{3.0, 0.2}};
    b.openings.push_back({true, 0, 0, 2.0, 1.0, 0.0, 2.1});
    b.openings.push_back({false, 0, 0, 6.0, 1.2, 0.9, 1.0});
    b.roof.present = true;
    b.roof.pitches.assign(4, 30.0);
    b.roof.thickness = 0.2;
    site.buildings.push_back(b);
    return site;
}

// Every body closed, the terrain's volume change matching the pads' cut and fill.
void ExpectConsistent(const SiteModel& m, const std::string& what) {
    EXPECT_TRUE(m.terrainClosed) << what;
    double cutMinusFill = 0.0;
    for (const pkcli::SitePadFigures& p : m.pads) {
        EXPECT_GE(p.cut, 0.0) << what;
        EXPECT_GE(p.fill, 0.0) << what;
        cutMinusFill += p.cut - p.fill;
    }
    EXPECT_NEAR(cutMinusFill, m.surveyVolume - m.terrainVolume, 1e-6 * std::fabs(m.surveyVolume) + 1e-6)
        << what;
    for (const pkcli::SiteBody& b : m.bodies) {
        const pkcli::SurfaceReport r = pkcli::MeasureSurface(b.surface.get());
        EXPECT_TRUE(r.closed) << what << ": " << b.name;
        EXPECT_GT(r.volume, 0.0) << what << ": " << b.name;
        for (int i = 0; i < b.surface->GetFacetCount(); ++i)
            ASSERT_NE(G3FaceMaterialProvider::MaterialOf(b.surface->GetFacet(i)), 0)
                << what << ": " << b.name << " facet " << i;
    }
    for (const pkcli::SiteBuildingFigures& b : m.buildings) {
        EXPECT_TRUE(b.closed) << what << ": " << b.name;
        EXPECT_GT(b.grossVolume, b.volume) << what << ": " << b.name;
        EXPECT_GT(b.wallArea, 0.0) << what << ": " << b.name;
    }
}

}  // namespace

TEST(SiteBuild, HipRoofedHouseOnAPadHasItsHandComputedFigures) {
    SiteModel m;
    std::string error;
    ASSERT_TRUE(pkcli::BuildSite(HipHouse(0, 0), &m, &error)) << error;
    ExpectConsistent(m, "house");
    ASSERT_EQ(m.buildings.size(), 1u);
    const pkcli::SiteBuildingFigures& b = m.buildings[0];
    EXPECT_DOUBLE_EQ(b.base, 10.5);
    // Hip roof over a × b (a ≥ b) at pitch α: tan α · b² (3a − b) / 12 above the walls.
    const double a = 12, w = 8, t = std::tan(30 * kPi / 180);
    EXPECT_NEAR(b.grossVolume, a * w * 3.0 + t * w * w * (3 * a - w) / 12, 1e-6);
    EXPECT_NEAR(b.roofArea, a * w / std::cos(30 * kPi / 180), 1e-6);
    EXPECT_NEAR(b.wallArea, 2 * (a + w) * 3.0 - 1.0 * 2.1 - 1.2 * 1.0, 1e-6);
    EXPECT_NEAR(b.slabArea, (a - 0.6) * (w - 0.6), 1e-6);
    EXPECT_EQ(b.openings, 2);
    // The pad only fills: at least its own area half a metre deep.
    ASSERT_EQ(m.pads.size(), 1u);
    EXPECT_NEAR(m.pads[0].cut, 0.0, 1e-9);
    EXPECT_GT(m.pads[0].fill, 20 * 20 * 0.5);
    EXPECT_LT(m.pads[0].fill, 24 * 24 * 0.5);
    // Shell, slab and one pane; every facet drawn in its material's kind.
    ASSERT_EQ(m.bodies.size(), 4u);
    const std::vector<pkcli::SceneElement> scene = pkcli::SiteScene(m);
    int roofFacets = 0;
    for (pkcli::SceneKind k : scene[1].facetKinds) roofFacets += k == pkcli::SceneKind::Roof;
    EXPECT_GT(roofFacets, 4);
    EXPECT_EQ(scene[3].kind, pkcli::SceneKind::Glass);
}

TEST(SiteBuild, MovedSiteGivesTheMovedFigures) {
    SiteModel here, there;
    std::string error;
    ASSERT_TRUE(pkcli::BuildSite(HipHouse(0, 0), &here, &error)) << error;
    ASSERT_TRUE(pkcli::BuildSite(HipHouse(600000.25, 200000.5), &there, &error)) << error;
    ExpectConsistent(there, "moved");
    const pkcli::SiteBuildingFigures& a = here.buildings[0];
    const pkcli::SiteBuildingFigures& b = there.buildings[0];
    EXPECT_NEAR(a.grossVolume, b.grossVolume, 1e-6);
    EXPECT_NEAR(a.wallArea, b.wallArea, 1e-6);
    EXPECT_NEAR(a.slabArea, b.slabArea, 1e-6);
    EXPECT_NEAR(a.roofArea, b.roofArea, 1e-6);
    EXPECT_NEAR(a.volume, b.volume, 1e-5);
    EXPECT_NEAR(here.pads[0].fill, there.pads[0].fill, 1e-5);
    ASSERT_EQ(here.bodies.size(), there.bodies.size());
    for (std::size_t i = 0; i < here.bodies.size(); ++i) {
        EXPECT_NEAR(pkcli::MeasureSurface(here.bodies[i].surface.get()).volume,
                    pkcli::MeasureSurface(there.bodies[i].surface.get()).volume, 1e-4)
            << here.bodies[i].name;
    }
}

namespace {

// A random site: a sloping grid terrain, one or two pads, and up to three buildings of
// rectangular, L or U plan, turned by any angle, with random pitches, gables, storeys,
// doors, windows and a stair opening.
SiteDescription RandomSite(unsigned seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    SiteDescription site;
    const double x0 = pick(2) ? 0.0 : 450000.0, y0 = pick(2) ? 0.0 : 120000.0;
    FlatTerrain(&site, x0, y0, 12, 6.0, 0.0);
    const double sx = uniform(-0.05, 0.05), sy = uniform(-0.05, 0.05);
    for (int r = 0; r <= 12; ++r) {
        for (int c = 0; c <= 12; ++c)
            site.terrain.heights[std::size_t(r * 13 + c)] = 50 + sx * c * 6 + sy * r * 6 + uniform(-0.2, 0.2);
    }
    const int buildings = 1 + pick(3);
    for (int k = 0; k < buildings; ++k) {
        // Each building in its own 24 m cell, on a pad when the dice say so.
        const double cx = x0 + 12 + 24 * (k % 3 == 1) + 36 * (k == 2), cy = y0 + 12 + 36 * (k == 2);
        const double len = uniform(7, 11), dep = uniform(5, 8), turn = uniform(0, 2 * kPi);
        std::vector<SitePoint> local;
        const int plan = pick(3);
        if (plan == 0) local = {{0, 0}, {len, 0}, {len, dep}, {0, dep}};
        if (plan == 1) local = {{0, 0}, {len, 0}, {len, dep / 2}, {len / 2, dep / 2}, {len / 2, dep}, {0, dep}};
        if (plan == 2)
            local = {{0, 0}, {len, 0}, {len, dep}, {2 * len / 3, dep}, {2 * len / 3, dep / 2},
                     {len / 3, dep / 2}, {len / 3, dep}, {0, dep}};
        SiteBuilding b;
        b.name = "b" + std::to_string(k);
        for (const SitePoint& p : local) {
            const double x = p.x - len / 2, y = p.y - dep / 2;
            b.outline.push_back({cx + x * std::cos(turn) - y * std::sin(turn), cy + x * std::sin(turn) + y * std::cos(turn)});
        }
        if (pick(2)) std::reverse(b.outline.begin(), b.outline.end());
        b.wallThickness = uniform(0.2, 0.4);
        const int storeys = 1 + pick(2);
        for (int s = 0; s < storeys; ++s) b.storeys.push_back({uniform(2.6, 3.2), pick(3) ? 0.2 : 0.0});
        b.wallHeight = 0.0;
        for (const pkcli::SiteStorey& s : b.storeys) b.wallHeight += s.height;
        const int n = static_cast<int>(b.outline.size());
        for (int o = 0; o < 1 + pick(4); ++o) {
            const int wall = pick(n);
            const SitePoint& p = b.outline[std::size_t(wall)];
            const SitePoint& q = b.outline[std::size_t((wall + 1) % n)];
            const double length = std::hypot(q.x - p.x, q.y - p.y);
            const double width = std::min(1.0, length - 2 * b.wallThickness - 0.4);
            if (width < 0.5) continue;
            const int storey = pick(storeys);
            const double room = b.storeys[std::size_t(storey)].height - b.storeys[std::size_t(storey)].slabThickness;
            const bool door = storey == 0 && pick(3) == 0;
            const double offset = uniform(b.wallThickness + 0.1, length - b.wallThickness - 0.1 - width);
            b.openings.push_back({door, wall, storey, offset, width, door ? 0.0 : 0.8, door ? std::min(2.1, room - 0.2) : 1.0});
        }
        if (pick(4) != 0) {
            b.roof.present = true;
            const double pitch = uniform(20, 50);
            b.roof.pitches.assign(std::size_t(n), pitch);
            if (plan == 0 && pick(2)) b.roof.pitches[1] = b.roof.pitches[3] = 90.0;
            // Eaves that stay clear of each other across a U's courtyard.
            b.roof.overhang = pick(2) ? uniform(0.2, plan == 2 ? 0.3 : 0.6) : 0.0;
            b.roof.thickness = uniform(0.15, 0.3);
        }
        if (pick(2)) {
            const double h = 50 + uniform(-0.5, 0.5);
            site.pads.push_back({"pad " + b.name, Rectangle(cx - 9, cy - 9, cx + 9, cy + 9), h, uniform(1.0, 2.5)});
        }
        if (storeys == 2 && b.storeys[1].slabThickness > 0 && plan == 0) {
            pkcli::SiteSlabOpening stair;
            stair.building = b.name;
            stair.storey = 1;
            for (const SitePoint& p : std::vector<SitePoint>{{-1, -0.5}, {1, -0.5}, {1, 0.5}, {-1, 0.5}})
                stair.outline.push_back({cx + p.x * std::cos(turn) - p.y * std::sin(turn), cy + p.x * std::sin(turn) + p.y * std::cos(turn)});
            site.slabOpenings.push_back(stair);
        }
        site.buildings.push_back(b);
    }
    return site;
}

void Sweep(unsigned first, unsigned count) {
    for (unsigned seed = first; seed < first + count; ++seed) {
        SiteModel m;
        std::string error;
        if (!pkcli::BuildSite(RandomSite(seed), &m, &error)) {
            ADD_FAILURE() << "seed " << seed << ": " << error;
            continue;
        }
        ExpectConsistent(m, "seed " + std::to_string(seed));
    }
}

}  // namespace

TEST(SiteBuild, RandomSitesComeOutClosedAndConsistent) {
    Sweep(1, 20);
}

TEST(SiteBuildSweepSlow, TwoHundredRandomSites) {
    Sweep(1000, 200);
}
