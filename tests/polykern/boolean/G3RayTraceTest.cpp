// Tracing segments through facet lists: facet, edge and vertex hits on the unit cube,
// holes that let a ray through, and the nearest-hit bookkeeping of the metric result.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;
using SurfacePtr = std::unique_ptr<G3Surface>;

// Counts every report and remembers the normals, on top of the nearest-hit result.
class CountingResult : public G3RayTraceMetricResult {
public:
    bool FindEdge(const double* point, const double* normal, G3Edge* edge) override {
        ++edges;
        for (int k = 0; k < 3; ++k) edgeNormal[k] = normal[k];
        return G3RayTraceMetricResult::FindEdge(point, normal, edge);
    }
    bool FindVertex(const double* point, const double* normal, G3Vertex* vertex) override {
        ++vertices;
        for (int k = 0; k < 3; ++k) vertexNormal[k] = normal[k];
        return G3RayTraceMetricResult::FindVertex(point, normal, vertex);
    }
    int edges = 0, vertices = 0;
    double edgeNormal[3] = {0, 0, 0}, vertexNormal[3] = {0, 0, 0};
};

void AllFacets(G3Surface* s, GArrayCollection* out) {
    for (int i = 0; i < s->GetFacetCount(); ++i) out->add(s->GetFacet(i));
}

bool NoMarks(G3Surface* s) {
    for (int i = 0; i < s->GetEdgeCount(); ++i)
        if (s->GetEdge(i)->GetMark()) return false;
    for (int i = 0; i < s->GetVertexCount(); ++i)
        if (s->GetVertex(i)->GetMark()) return false;
    return true;
}

std::vector<const G3RayTraceHit*> Records(const G3RayTraceMetricResult& r) {
    std::vector<const G3RayTraceHit*> out;
    for (const G3RayTraceHit* h = r.GetHitRecords(); h != nullptr; h = h->next) out.push_back(h);
    return out;
}

TEST(G3RayTraceCube, VerticalRayMeetsTopThenBottomInOrder) {
    SurfacePtr cube(pktest::MakeCube());
    GArrayCollection facets;
    AllFacets(cube.get(), &facets);
    double p[3] = {0.5, 0.5, 2}, q[3] = {0.5, 0.5, -1};
    G3RayTraceMetricResult r(p);
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, &r), 2);
    const auto recs = Records(r);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_NEAR(recs[0]->point[2], 1.0, kTol);
    EXPECT_NEAR(recs[0]->normal[2], 1.0, kTol);
    EXPECT_NEAR(recs[0]->distance, 1.0, kTol);
    EXPECT_NEAR(recs[1]->point[2], 0.0, kTol);
    EXPECT_NEAR(recs[1]->normal[2], -1.0, kTol);
    EXPECT_NEAR(recs[1]->distance, 2.0, kTol);
    EXPECT_EQ(r.GetLastHitRecord(), recs[1]);
    // The nearest hit is the top, and a picking caller learns its facet.
    EXPECT_EQ(r.GetHitKind(), RAY_HIT_FACET);
    EXPECT_NEAR(r.GetDistance(), 1.0, kTol);
    EXPECT_NEAR(r.HitPointGetZ(), 1.0, kTol);
    ASSERT_NE(r.GetHitFacet(), nullptr);
    EXPECT_EQ(r.GetHitFacet(), recs[0]->facet);
    EXPECT_NEAR(r.GetHitFacet()->GetPlaneC(), 1.0, kTol);
    EXPECT_TRUE(NoMarks(cube.get()));
}

TEST(G3RayTraceCube, RayThroughAnEdgeReportsItOnceWithTheAveragedNormal) {
    SurfacePtr cube(pktest::MakeCube());
    GArrayCollection facets;
    AllFacets(cube.get(), &facets);
    // y + z = 2 touches the cube along the edge y = z = 1 only, at (0.5, 1, 1).
    double p[3] = {0.5, 2, 0}, q[3] = {0.5, 0, 2};
    CountingResult r;
    r.SetEyePosition(p[0], p[1], p[2]);
    G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, &r);
    EXPECT_EQ(r.edges, 1);
    EXPECT_EQ(r.vertices, 0);
    EXPECT_EQ(r.GetHitRecordCount(), 0);
    EXPECT_EQ(r.GetHitKind(), RAY_HIT_EDGE);
    ASSERT_NE(r.GetHitEdge(), nullptr);
    EXPECT_EQ(r.GetHitFacet(), nullptr);
    EXPECT_NEAR(r.edgeNormal[0], 0.0, kTol);
    EXPECT_NEAR(r.edgeNormal[1], std::sqrt(0.5), kTol);
    EXPECT_NEAR(r.edgeNormal[2], std::sqrt(0.5), kTol);
    EXPECT_NEAR(r.HitPointGetY(), 1.0, kTol);
    EXPECT_NEAR(r.HitPointGetZ(), 1.0, kTol);
    EXPECT_TRUE(NoMarks(cube.get()));
}

TEST(G3RayTraceCube, RayAtACornerReportsTheVertexOnce) {
    SurfacePtr cube(pktest::MakeCube());
    GArrayCollection facets;
    AllFacets(cube.get(), &facets);
    double p[3] = {2, 2, 0}, q[3] = {0, 0, 2};
    CountingResult r;
    r.SetEyePosition(p[0], p[1], p[2]);
    G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, &r);
    EXPECT_EQ(r.vertices, 1);
    EXPECT_EQ(r.edges, 0);
    EXPECT_EQ(r.GetHitKind(), RAY_HIT_VERTEX);
    EXPECT_NEAR(r.HitPointGetX(), 1.0, kTol);
    EXPECT_NEAR(r.HitPointGetY(), 1.0, kTol);
    EXPECT_NEAR(r.HitPointGetZ(), 1.0, kTol);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.vertexNormal[k], 1 / std::sqrt(3.0), kTol);
    EXPECT_TRUE(NoMarks(cube.get()));
}

TEST(G3RayTraceCube, BadArgumentsAreRefused) {
    SurfacePtr cube(pktest::MakeCube());
    GArrayCollection facets;
    AllFacets(cube.get(), &facets);
    G3RayTraceMetricResult r;
    double p[3] = {0.5, 0.5, 2}, q[3] = {0.5, 0.5, -1};
    double bad[3] = {0.5, std::numeric_limits<double>::quiet_NaN(), 0};
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, nullptr), -1);
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(bad, q, &facets, &r), -1);
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(p, q, nullptr, &r), -1);
    EXPECT_EQ(r.GetDistance(), -1.0);
    // A segment lying in the top's plane meets nothing there.
    double a[3] = {-1, 0.5, 1}, b[3] = {2, 0.5, 1};
    GArrayCollection top;
    for (int i = 0; i < cube->GetFacetCount(); ++i)
        if (cube->GetFacet(i)->GetPlaneC() > 0.5) top.add(cube->GetFacet(i));
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(a, b, &top, &r), 0);
}

TEST(G3RayTraceHoles, RayThroughAnOpeningMissesTheSlab) {
    for (bool far : {false, true}) {
        SurfacePtr slab(pktest::MakeSlabWithOpening(far));
        GArrayCollection facets;
        AllFacets(slab.get(), &facets);
        double p[3] = {5, 5, 1}, q[3] = {5, 5, -1};
        double a[3] = {2, 2, 1}, b[3] = {2, 2, -1};
        if (far) {
            for (double* v : {p, q, a, b}) pktest::MoveFar(v);
        }
        G3RayTraceMetricResult through(p), solid(a);
        EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, &through), 0) << far;
        EXPECT_EQ(through.GetHitRecordCount(), 0);
        EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(a, b, &facets, &solid), 2) << far;
        ASSERT_EQ(solid.GetHitRecordCount(), 2);
        EXPECT_NEAR(solid.GetDistance(), 0.7, 1e-7);
        EXPECT_NEAR(solid.GetLastHitRecord()->distance, 1.0, 1e-7);
    }
}

TEST(G3RayTraceHoles, EdgeBetweenOppositeFacetsGetsZeroNormal) {
    // Two triangles folded flat onto each other share one edge and face apart.
    G3Surface s;
    G3Vertex* v[4] = {s.AddVertex(0, 0, 0, 0), s.AddVertex(1, 0, 0, 0), s.AddVertex(0, 1, 0, 0),
                      s.AddVertex(0, -1, 0, 0)};
    G3Vertex* t1[3] = {v[0], v[1], v[2]};
    G3Vertex* t2[3] = {v[1], v[0], v[2]};
    s.AddFacet(3, t1, 1, nullptr, nullptr);
    s.AddFacet(3, t2, 1, nullptr, nullptr);
    ASSERT_EQ(s.GetFacetCount(), 2);
    GArrayCollection facets;
    AllFacets(&s, &facets);
    double p[3] = {0.5, 0, 1}, q[3] = {0.5, 0, -1};
    CountingResult r;
    G3BooleanCalculator::TestRayAndFacetList(p, q, &facets, &r);
    EXPECT_EQ(r.edges, 1);
    for (double c : r.edgeNormal) {
        EXPECT_TRUE(std::isfinite(c));
        EXPECT_EQ(c, 0.0);
    }
}

TEST(G3RayTraceMetricResult, TiesKeepTheirOrderAndTheFirstNearestWins) {
    G3RayTraceMetricResult r;
    EXPECT_EQ(r.GetEyePosition()[0], 0.0);
    EXPECT_EQ(r.GetEyePosition()[1], 0.0);
    EXPECT_EQ(r.GetEyePosition()[2], 0.0);
    EXPECT_EQ(r.GetHitKind(), RAY_HIT_NONE);
    G3Facet a, b, c;
    const double n[3] = {0, 0, 1};
    const double p5[3] = {5, 0, 0}, p3[3] = {0, 3, 0}, q3[3] = {0, 0, 3};
    EXPECT_TRUE(r.FindFacet(p5, n, nullptr, nullptr, &a));
    EXPECT_TRUE(r.FindFacet(p3, n, nullptr, nullptr, &b));
    EXPECT_FALSE(r.FindFacet(q3, n, nullptr, nullptr, &c));  // a tie does not replace
    const auto recs = Records(r);
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0]->facet, &b);
    EXPECT_EQ(recs[1]->facet, &c);
    EXPECT_EQ(recs[2]->facet, &a);
    EXPECT_EQ(r.GetLastHitRecord()->facet, &a);
    EXPECT_EQ(r.GetHitFacet(), &b);
    EXPECT_NEAR(r.HitPointGetY(), 3.0, kTol);
    // An object hit nearer still clears the facet; an edge farther changes nothing.
    const double p1[3] = {1, 0, 0};
    int host = 0;
    EXPECT_TRUE(r.FindObject(p1, n, nullptr, nullptr, &host, &host));
    EXPECT_EQ(r.GetHitFacet(), nullptr);
    EXPECT_EQ(r.GetHitObject(), &host);
    EXPECT_EQ(r.GetHitKind(), RAY_HIT_OBJECT);
    EXPECT_FALSE(r.FindEdge(p5, n, nullptr));
    EXPECT_EQ(r.GetHitRecordCount(), 4);
    EXPECT_EQ(r.GetHitRecords()->object, &host);
    // Cleared, the same result takes a new trace from scratch.
    r.Clear();
    EXPECT_EQ(r.GetDistance(), -1.0);
    EXPECT_EQ(r.GetHitRecords(), nullptr);
    EXPECT_TRUE(r.FindFacet(p5, n, nullptr, nullptr, &a));
    EXPECT_EQ(r.GetHitRecordCount(), 1);
}

TEST(G3RayTraceMetricResult, ManyRecordsStayAscending) {
    G3RayTraceMetricResult r;
    G3Facet f;
    const double n[3] = {0, 0, 1};
    for (int k = 0; k < 200; ++k) {
        const double p[3] = {static_cast<double>((k * 37) % 50), 0, 0};
        r.FindFacet(p, n, nullptr, nullptr, &f);
    }
    const double nan[3] = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
    EXPECT_FALSE(r.FindFacet(nan, n, nullptr, nullptr, &f));
    EXPECT_FALSE(r.FindFacet(nullptr, n, nullptr, nullptr, &f));
    const auto recs = Records(r);
    ASSERT_EQ(recs.size(), 200u);
    for (std::size_t k = 1; k < recs.size(); ++k)
        EXPECT_LE(recs[k - 1]->distance, recs[k]->distance);
    EXPECT_EQ(r.GetDistance(), 0.0);
}

}  // namespace
