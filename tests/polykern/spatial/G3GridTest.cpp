#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/spatial/G3Grid.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

// 3 × 3 × 3 cubes of side 0.8, one unit apart: 162 facets over (0, 0, 0)–(2.8, 2.8, 2.8).
struct CubeField {
    std::vector<SurfacePtr> cubes;
    std::vector<G3Facet*> facets;
    GEnvelope box;

    CubeField() {
        for (int k = 0; k < 27; ++k) {
            cubes.emplace_back(pktest::MakeCube(k % 3, (k / 3) % 3, k / 9, 0.8));
            for (int f = 0; f < cubes.back()->GetFacetCount(); ++f)
                facets.push_back(cubes.back()->GetFacet(f));
        }
        box.Init(0, 0, 0, 2.8, 2.8, 2.8);
    }
    void Fill(G3Grid* grid) const {
        for (G3Facet* f : facets) grid->AddFacet(f, nullptr);
    }
};

GEnvelope EnvelopeOf(const G3Facet* f) {
    GEnvelope env;
    f->FormEnvelope(&env);
    return env;
}

// out[first …] holds every facet of `expected`, none twice, and no facet is left marked.
::testing::AssertionResult CoversOnce(const GArrayCollection& out,
                                      int first,
                                      const std::vector<G3Facet*>& expected,
                                      const std::vector<G3Facet*>& all) {
    std::set<GObj*> seen;
    for (int e = first; e < out.size(); ++e) {
        if (!seen.insert(out.get(e)).second)
            return ::testing::AssertionFailure() << "entry " << e << " appears twice";
    }
    for (size_t k = 0; k < expected.size(); ++k) {
        if (seen.count(expected[k]) == 0)
            return ::testing::AssertionFailure() << "expected facet " << k << " is missing";
    }
    for (const G3Facet* f : all) {
        if (f->GetMark()) return ::testing::AssertionFailure() << "a facet is left marked";
    }
    return ::testing::AssertionSuccess();
}

TEST(G3Grid, FacetQueriesReturnEveryTouchingFacetOnce) {
    CubeField field;
    G3Grid grid(&field.box, 5);  // cells of 0.56: most facets span several
    field.Fill(&grid);

    // Probes inside, straddling the box corner, and reaching out of the far side.
    const SurfacePtr probes[3] = {SurfacePtr(pktest::MakeCube(0.5, 0.5, 0.5, 1.3)),
                                  SurfacePtr(pktest::MakeCube(-1, -1, -1, 1.2)),
                                  SurfacePtr(pktest::MakeCube(2.5, 0.1, 2.5, 2))};
    GArrayCollection out;
    for (const SurfacePtr& probe : probes) {
        for (int q = 0; q < probe->GetFacetCount(); ++q) {
            G3Facet* facet = probe->GetFacet(q);
            const GEnvelope env = EnvelopeOf(facet);
            std::vector<G3Facet*> touching;
            for (G3Facet* f : field.facets) {
                if (EnvelopeOf(f).IsIntersectXYZ(&env)) touching.push_back(f);
            }
            grid.GetFacetsByFacet(facet, nullptr, &out);
            EXPECT_TRUE(CoversOnce(out, 0, touching, field.facets)) << "probe facet " << q;
        }
    }

    GEnvelope everything, beside;
    everything.Init(-10, -10, -10, 10, 10, 10);
    beside.Init(5, 0, 0, 6, 1, 1);
    grid.GetFacetsByFacet(nullptr, &everything, &out);
    EXPECT_EQ(out.size(), static_cast<int>(field.facets.size()));
    EXPECT_TRUE(CoversOnce(out, 0, field.facets, field.facets));
    grid.GetFacetsByFacet(nullptr, &beside, &out);
    EXPECT_EQ(out.size(), 0);

    // A facet without edges is a candidate for nothing, even where it is stored.
    G3Facet bare;
    grid.AddFacet(&bare, &everything);
    grid.GetFacetsByFacet(nullptr, &everything, &out);
    EXPECT_EQ(out.index(&bare), -1);
    EXPECT_EQ(out.size(), static_cast<int>(field.facets.size()));
}

TEST(G3Grid, SegmentWalkFindsEveryFacetTheSegmentCrosses) {
    CubeField field;
    G3Grid grid(&field.box, 7);
    field.Fill(&grid);

    const double segments[][6] = {
        {-0.3, -0.2, -0.1, 3.1, 2.9, 3.05},   // the long diagonal, clipped at both ends
        {-1.0, 0.4, 0.4, 4.0, 0.4, 0.4},      // along x through a row of cubes
        {1.37, 2.9, 0.21, 1.41, -0.6, 2.53},  // steep, mostly along y
        {0.1, 0.2, 0.3, 0.1, 0.2, 0.3}};      // a single point
    // The caller's earlier entries stay, marks included.
    G3Facet sentinel;
    sentinel.SetMark();
    for (const auto& s : segments) {
        const double* p = s;
        const double* q = s + 3;
        std::vector<G3Facet*> crossed;
        for (G3Facet* f : field.facets) {
            double a[3] = {p[0], p[1], p[2]}, b[3] = {q[0], q[1], q[2]};
            if (EnvelopeOf(f).ClipTest(a, b) == 0) crossed.push_back(f);
        }
        GArrayCollection out;
        out.add(&sentinel);
        grid.GetFacetByLine(p, q, &out);
        ASSERT_EQ(out.get(0), &sentinel);
        EXPECT_TRUE(sentinel.GetMark());
        EXPECT_TRUE(CoversOnce(out, 1, crossed, field.facets)) << "segment from " << p[0];
    }

    // p = q: exactly the facets of the one cell holding p.
    const double p[3] = {1.3, 0.7, 1.7};
    int i, j, k;
    grid.GetIndexes(p, &i, &j, &k);
    ASSERT_NE(grid.Get(i, j, k), nullptr);
    std::set<GObj*> cell;
    for (int e = 0; e < grid.Get(i, j, k)->size(); ++e) cell.insert(grid.Get(i, j, k)->get(e));
    GArrayCollection out;
    grid.GetFacetByLine(p, p, &out);
    EXPECT_EQ(std::set<GObj*>(out.toArray(), out.toArray() + out.size()), cell);
    EXPECT_EQ(out.size(), static_cast<int>(cell.size()));

    // Nothing for a segment beside the box, non-finite ends, or missing arguments.
    const double far1[3] = {5, 5, 5}, far2[3] = {6, 7, 8};
    const double nan[3] = {std::numeric_limits<double>::quiet_NaN(), 1, 1};
    const double inf[3] = {1, std::numeric_limits<double>::infinity(), 1};
    out.clear();
    grid.GetFacetByLine(far1, far2, &out);
    grid.GetFacetByLine(nan, p, &out);
    grid.GetFacetByLine(p, inf, &out);
    grid.GetFacetByLine(nullptr, p, &out);
    grid.GetFacetByLine(p, p, nullptr);
    EXPECT_EQ(out.size(), 0);
}

TEST(G3Grid, HardInputNeverLeavesTheCells) {
    G3Grid tiny(nullptr, 0);  // one cell over the origin
    EXPECT_EQ(tiny.GetQGrid(), 1);

    GEnvelope unit;
    unit.Init(0, 0, 0, 1, 1, 1);
    G3Grid grid(&unit, 4);
    EXPECT_EQ(grid.Get(-1, 0, 0), nullptr);
    EXPECT_EQ(grid.Get(0, 4, 0), nullptr);

    // Cell lists handed in are the grid's; the one handed back is the caller's.
    auto* first = new GArrayCollection(4, 4);
    std::unique_ptr<GArrayCollection> refused(new GArrayCollection(4, 4));
    EXPECT_EQ(grid.set(4, 0, 0, refused.get()), nullptr);
    EXPECT_EQ(grid.set(1, 1, 1, first), nullptr);
    EXPECT_EQ(grid.Get(1, 1, 1), first);
    std::unique_ptr<GArrayCollection> returned(grid.set(1, 1, 1, nullptr));
    EXPECT_EQ(returned.get(), first);

    // Only mesh entities enter a cell: queries read their marks.
    GObj plain;
    grid.Add(0, 0, 0, &plain);
    grid.Add(0, 0, 0, nullptr);
    EXPECT_EQ(grid.Get(0, 0, 0), nullptr);

    // Points outside the box take the nearest cell; a NaN coordinate takes cell 0.
    const double outside[3] = {-5, 0.6, 99};
    int i = -1, j = -1, k = -1;
    grid.GetIndexes(outside, &i, &j, &k);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(j, 2);
    EXPECT_EQ(k, 3);
    const double nan[3] = {std::numeric_limits<double>::quiet_NaN(), 0.5, 0.5};
    grid.GetIndexes(nan, &i, &j, &k);
    EXPECT_EQ(i, 0);

    // An envelope beside the box gives an empty range and stores nothing.
    GEnvelope beside;
    beside.Init(2, 0, 0, 3, 1, 1);
    int ri[2], rj[2], rk[2];
    grid.GetIndexes(&beside, ri, rj, rk);
    EXPECT_GT(ri[0], ri[1]);

    // Block bounds given backwards and beyond the grid are ordered and clamped.
    SurfacePtr cube(pktest::MakeCube(0.1, 0.1, 0.1, 0.8));
    for (int f = 0; f < cube->GetFacetCount(); ++f) grid.AddFacet(cube->GetFacet(f), nullptr);
    grid.AddFacet(cube->GetFacet(0), &beside);
    GArrayCollection out;
    grid.OutFacets(99, -99, 7, -7, INT_MAX, INT_MIN, &out);
    EXPECT_EQ(out.size(), cube->GetFacetCount());
    for (int e = 0; e < out.size(); ++e) static_cast<G3Facet*>(out.get(e))->ClearMark();

    EXPECT_EQ(grid.GetIndexX(1e300), INT_MAX);
    EXPECT_EQ(grid.GetIndexY(-1e300), INT_MIN);
    EXPECT_EQ(grid.GetIndexZ(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(grid.GetIndexX(0.6), 2);  // from the origin, not from the box corner
}

}  // namespace
