// Classification against another surface (rays, the vertex flood, facet verdicts) and the
// point, segment and ray queries against one surface.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCVertexData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

class Probe : public G3BooleanCalculator {
public:
    using G3BooleanCalculator::ClassifyFacets;
    using G3BooleanCalculator::ClassifyVertex;
    using G3BooleanCalculator::ClassifyVertices;
    using G3BooleanCalculator::FindFacetClassify;
    using G3BooleanCalculator::ResolveUnknownFacets;
    using G3BooleanCalculator::SetClassify;
};

// A calculator in query mode over `target`; `other`, when given, carries working records so
// that it can be classified against the target. Both are closed again at the end.
struct Queried {
    explicit Queried(G3Surface* t, G3Surface* o = nullptr) : target(t), other(o) {
        calc.OpenFindIntersection(target.get());
        if (other) G3BooleanCalculator::OpenBoolean(other.get());
    }
    ~Queried() {
        if (other) G3BooleanCalculator::CloseBoolean(other.get());
        calc.CloseFindIntersection(target.get());
    }
    GArrayCollection* Facets() const { return target->GetFacetList(); }

    SurfacePtr target, other;
    Probe calc;
};

int& ClassOf(G3Vertex* v) {
    return G3BCExDataProvider::DataOf(v)->classification;
}

int& ClassOf(G3Facet* f) {
    return G3BCExDataProvider::DataOf(f)->classification;
}

// The facet whose plane is (a, b, c, d) within 1e-9.
G3Facet* FacetWithPlane(G3Surface* s, double a, double b, double c, double d) {
    for (int k = 0; k < s->GetFacetCount(); ++k) {
        const double* p = s->GetFacet(k)->GetPlane();
        if (std::fabs(p[0] - a) + std::fabs(p[1] - b) + std::fabs(p[2] - c) + std::fabs(p[3] - d) <
            1e-9)
            return s->GetFacet(k);
    }
    return nullptr;
}

void SetFacetVertices(Probe& calc, G3Facet* f, SURF_CLASSIFY c) {
    for (G3FacetVertexIterator it(f); it.hasNext();)
        calc.SetClassify(static_cast<G3Vertex*>(it.next()), c);
}

SURF_CLASSIFY PointTest(G3Surface* s, std::vector<double> p, std::vector<double> q) {
    return G3BooleanCalculator::TestPointAndFacetList(p.data(), q.data(), s->GetFacetList(),
                                                      nullptr);
}

std::vector<double> Far(double x, double y, double z) {
    std::vector<double> p = {x, y, z};
    pktest::MoveFar(p.data());
    return p;
}

struct Meeting {
    std::vector<double> point;
    G3Facet* facet;
};

class Collect : public G3BCPointWriter {
public:
    void WritePoint(double* p, G3Facet* f) override { meetings.push_back({{p[0], p[1], p[2]}, f}); }
    bool Has(double x, double y, double z) const {
        for (const Meeting& m : meetings) {
            if (std::fabs(m.point[0] - x) + std::fabs(m.point[1] - y) + std::fabs(m.point[2] - z) <
                1e-9)
                return true;
        }
        return false;
    }
    std::vector<Meeting> meetings;
};

// A strip of n × 2 vertices (k, 0, 0) and (k, 1, 0), two triangles per step: a chain as
// deep as it is long for any flood.
G3Surface* MakeStrip(int n) {
    std::vector<double> xyz;
    for (int k = 0; k < n; ++k) xyz.insert(xyz.end(), {double(k), 0, 0, double(k), 1, 0});
    std::vector<int> counts, corners;
    for (int k = 0; k + 1 < n; ++k) {
        const int a = 2 * k, b = 2 * k + 1, c = 2 * k + 2, d = 2 * k + 3;
        corners.insert(corners.end(), {a, c, d, a, d, b});
        counts.insert(counts.end(), {3, 3});
    }
    auto* s = new G3Surface();
    s->AddIndexedFacets(2 * n, xyz.data(), static_cast<int>(counts.size()), counts.data(),
                        static_cast<int>(corners.size()), corners.data(), nullptr, 1);
    return s;
}

}  // namespace

TEST(G3BooleanClassifyPoint, CubeCentreInsideFarPointOutsideFacePointOn) {
    SurfacePtr cube(pktest::MakeCube());
    // No working records here: each facet's envelope is formed on the fly.
    unsigned int count = 99;
    double centre[3] = {0.5, 0.5, 0.5}, up[3] = {3.6, 2.2, 3.3};
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(centre, up, cube->GetFacetList(), &count),
              SURF_IN);
    EXPECT_EQ(count, 1u);
    double far[3] = {5, 5, 5}, farEnd[3] = {9, 7, 8};
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(far, farEnd, cube->GetFacetList(), &count),
              SURF_OUT);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(PointTest(cube.get(), {0.5, 0.5, 1}, {3, 4, 5}), SURF_ON);
    EXPECT_EQ(PointTest(cube.get(), {1, 1, 0.5}, {3, 4, 5}), SURF_ON);  // on an edge

    Queried q(pktest::MakeCube());
    EXPECT_EQ(q.calc.FindVertexClassify(centre), SURF_IN);
    EXPECT_EQ(q.calc.FindVertexClassify(far), SURF_OUT);
    const double onFace[3] = {0.5, 1, 0.25};
    EXPECT_EQ(q.calc.FindVertexClassify(onFace), SURF_ON);
}

TEST(G3BooleanClassifyPoint, RayThroughCubeEdgeIsUndecidedButClassifyVertexDecides) {
    Queried s(pktest::MakeCube());
    // From the centre through (1, 1, 0.7), a point of the edge x = y = 1.
    EXPECT_EQ(PointTest(s.target.get(), {0.5, 0.5, 0.5}, {5.5, 5.5, 2.5}), SURF_UNKNOWN);
    double centre[3] = {0.5, 0.5, 0.5};
    EXPECT_EQ(s.calc.ClassifyVertex(centre, s.Facets()), SURF_IN);
    double outside[3] = {1.5, 0.5, 0.5};
    EXPECT_EQ(s.calc.ClassifyVertex(outside, s.Facets()), SURF_OUT);
}

TEST(G3BooleanClassifyPoint, DoubleSidedFacetCrossedKeepsParity) {
    SurfacePtr cube(pktest::MakeCube());
    G3Vertex* v[4] = {cube->AddVertex(0, 0, 0.5, 0), cube->AddVertex(1, 0, 0.5, 0),
                      cube->AddVertex(1, 1, 0.5, 0), cube->AddVertex(0, 1, 0.5, 0)};
    G3Facet* sheet = cube->AddFacet(4, v, 1, nullptr, nullptr);
    ASSERT_NE(sheet, nullptr);
    sheet->SetDoubleSided();
    unsigned int count = 0;
    double p[3] = {0.4, 0.45, 0.25}, q[3] = {0.9, 1.4, 5.0};
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(p, q, cube->GetFacetList(), &count),
              SURF_IN);
    EXPECT_EQ(count, 3u);  // the sheet counts twice, the top once
    sheet->ClearDoubleSided();
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(p, q, cube->GetFacetList(), &count),
              SURF_OUT);
    // A degenerate facet's all-zero plane is ignored by every ray test.
    const double zero[4] = {0, 0, 0, 0};
    sheet->SetPlane(zero);
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(p, q, cube->GetFacetList(), &count),
              SURF_IN);
    EXPECT_EQ(count, 1u);
}

TEST(G3BooleanClassifyPoint, RayShorterThanDiagonalEndsInsideBody) {
    Queried s(pktest::MakeCube());
    EXPECT_GE(s.calc.GetRadius(), 2.0 * std::sqrt(3.0));
    // From near a corner, close to the diagonal (not through the far corner, which would be
    // undecided): a ray of 1.5 units would stop inside the cube and read as outside.
    const double d[3] = {1, 0.9, 0.8};
    const double r = s.calc.GetRadius() / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    EXPECT_EQ(PointTest(s.target.get(), {0.001, 0.001, 0.001},
                        {0.001 + r * d[0], 0.001 + r * d[1], 0.001 + r * d[2]}),
              SURF_IN);
    const double s15 = 1.5 / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    EXPECT_EQ(PointTest(s.target.get(), {0.001, 0.001, 0.001},
                        {0.001 + s15 * d[0], 0.001 + s15 * d[1], 0.001 + s15 * d[2]}),
              SURF_OUT);  // the short ray's wrong answer
    double p[3] = {0.001, 0.001, 0.001};
    EXPECT_EQ(s.calc.FindVertexClassify(p), SURF_IN);
    EXPECT_EQ(s.calc.ClassifyVertex(p, s.Facets()), SURF_IN);
}

TEST(G3BooleanClassifyPoint, SegmentEndingOnFacetPlaneIsUndecided) {
    SurfacePtr cube(pktest::MakeCube());
    // From above, ending in the top face: a touch, which counted once would read as inside.
    EXPECT_EQ(PointTest(cube.get(), {0.5, 0.5, 2}, {0.5, 0.5, 1}), SURF_UNKNOWN);
    EXPECT_EQ(PointTest(cube.get(), {0.5, 0.5, 0.5}, {0.5, 4, 1}), SURF_UNKNOWN);
    double above[3] = {0.5, 0.5, 2}, end[3] = {0.5, 0.5, 1};
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(above, end, cube->GetFacetList()),
              SURF_UNKNOWN);
}

TEST(G3BooleanClassifyPoint, HardInputGivesFailureValues) {
    SurfacePtr cube(pktest::MakeCube());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double bad[3] = {nan, 0.5, 0.5}, q[3] = {3, 3, 3};
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(bad, q, cube->GetFacetList(), nullptr),
              SURF_UNKNOWN);
    EXPECT_EQ(G3BooleanCalculator::TestPointAndFacetList(q, q, nullptr, nullptr), SURF_UNKNOWN);
    EXPECT_EQ(G3BooleanCalculator::TestRayAndFacetList(nullptr, q, cube->GetFacetList()),
              SURF_UNKNOWN);

    Probe calc;  // never opened: every query has its failure value
    double centre[3] = {0.5, 0.5, 0.5};
    EXPECT_EQ(calc.FindVertexClassify(centre), SURF_UNKNOWN);
    EXPECT_EQ(calc.FindRayClassify(centre, q, nullptr), SURF_UNKNOWN);
    EXPECT_EQ(calc.FindFacet(centre), nullptr);
    Collect w;
    calc.FindIntersections(centre, q, &w);
    EXPECT_TRUE(w.meetings.empty());
    EXPECT_EQ(calc.ClassifyVertex(centre, cube->GetFacetList()), SURF_UNKNOWN);  // no ray length
    calc.ClassifyVertices(nullptr, nullptr);
    EXPECT_TRUE(calc.ResolveUnknownFacets(nullptr, nullptr));
    calc.OpenFindIntersection(nullptr);
    calc.CloseFindIntersection(nullptr);

    Queried s(pktest::MakeCube());
    EXPECT_EQ(s.calc.FindVertexClassify(bad), SURF_UNKNOWN);
    EXPECT_EQ(s.calc.FindRayClassify(centre, bad, nullptr), SURF_UNKNOWN);
    EXPECT_EQ(s.calc.FindRayClassify(centre, centre, nullptr), SURF_UNKNOWN);  // no direction
    EXPECT_EQ(s.calc.FindFacet(bad), nullptr);
    s.calc.FindIntersections(bad, q, &w);
    s.calc.FindIntersections(centre, q, nullptr);
    EXPECT_TRUE(w.meetings.empty());
}

TEST(G3BooleanRandomRays, DrawsRepeatAfterResetAndCoverTheSphere) {
    auto draw = [](int n) {
        std::vector<double> out;
        double p[3] = {1, 2, 3}, q[3];
        for (int k = 0; k < n; ++k) {
            G3BooleanCalculator::GenerateRandomRay(p, q, 2.0);
            out.insert(out.end(), {q[0] - p[0], q[1] - p[1], q[2] - p[2]});
        }
        return out;
    };
    G3BooleanCalculator::ResetRandomRays();
    const std::vector<double> first = draw(4000);
    G3BooleanCalculator::ResetRandomRays();
    EXPECT_EQ(draw(4000), first);
    // Every ray has the length asked; z spreads over [−2, 2] with mean near 0, and so do
    // x and y: a direction scaled wrongly would bunch up on one side.
    double mean[3] = {0, 0, 0}, lo = 0, hi = 0;
    for (std::size_t k = 0; k < first.size(); k += 3) {
        const double len = std::sqrt(first[k] * first[k] + first[k + 1] * first[k + 1] +
                                     first[k + 2] * first[k + 2]);
        ASSERT_NEAR(len, 2.0, 1e-12);
        for (int a = 0; a < 3; ++a) mean[a] += first[k + a] / 4000;
        lo = std::fmin(lo, first[k + 2]);
        hi = std::fmax(hi, first[k + 2]);
    }
    for (double m : mean) EXPECT_LT(std::fabs(m), 0.1);
    EXPECT_LT(lo, -1.9);
    EXPECT_GT(hi, 1.9);
}

TEST(G3BooleanRandomRays, BadRayAfterRetriesReportsFailure) {
    double p[3] = {0, 0, 0}, out[3];
    double plane[4] = {0, 0, 1, 0};
    for (int side : {1, -1}) {
        ASSERT_TRUE(G3BooleanCalculator::GenerateRandomRay(p, out, plane, side, 1.0));
        EXPECT_GT(side * out[2], 1e-5);
    }
    // Every draw within 1e-5 of the plane: no end off it exists.
    EXPECT_FALSE(G3BooleanCalculator::GenerateRandomRay(p, out, plane, 1, 1e-7));
    double zero[4] = {0, 0, 0, 0};
    EXPECT_FALSE(G3BooleanCalculator::GenerateRandomRay(p, out, zero, 1, 1.0));

    const double d[3] = {1, -1, 0.5};
    ASSERT_TRUE(G3BooleanCalculator::GenerateRandomRay(p, out, d, 3.0));
    EXPECT_GT(out[0] * d[0] + out[1] * d[1] + out[2] * d[2], 1e-6);
    // A direction so short that every draw is perpendicular to it within 1e-6.
    const double tiny[3] = {1e-9, 0, 0};
    EXPECT_FALSE(G3BooleanCalculator::GenerateRandomRay(p, out, tiny, 1.0));
    const double none[3] = {0, 0, 0};
    EXPECT_FALSE(G3BooleanCalculator::GenerateRandomRay(p, out, none, 1.0));
}

TEST(G3BooleanFlood, FloodSpreadsNoOnAndStopsAtCutVertices) {
    // The strip's column 5 stands for a cut line: SURF_ON there alone, and no flood past it.
    Queried s(pktest::MakeCube(), MakeStrip(11));
    G3Surface* strip = s.other.get();
    s.calc.SetClassify(strip->GetVertex(10), SURF_ON);
    EXPECT_EQ(ClassOf(strip->GetVertex(8)), SURF_UNKNOWN);  // on sets one vertex only
    s.calc.SetClassify(strip->GetVertex(11), SURF_ON);
    s.calc.SetClassify(strip->GetVertex(0), SURF_IN);
    for (int k = 0; k < strip->GetVertexCount(); ++k) {
        const int column = k / 2;
        const int want = column < 5 ? SURF_IN : column == 5 ? SURF_ON : SURF_UNKNOWN;
        EXPECT_EQ(ClassOf(strip->GetVertex(k)), want) << "vertex " << k;
    }
    s.calc.SetClassify(strip->GetVertex(21), SURF_OUT);
    for (int k = 12; k < strip->GetVertexCount(); ++k)
        EXPECT_EQ(ClassOf(strip->GetVertex(k)), SURF_OUT);
}

TEST(G3BooleanFlood, FloodHasNoDepthLimit) {
    // 200 000 vertices in one chain: far past any recursion a thread's stack would hold.
    Queried s(pktest::MakeCube(), MakeStrip(100000));
    G3Surface* strip = s.other.get();
    s.calc.SetClassify(strip->GetVertex(0), SURF_OUT);
    int out = 0;
    for (int k = 0; k < strip->GetVertexCount(); ++k)
        out += ClassOf(strip->GetVertex(k)) == SURF_OUT;
    EXPECT_EQ(out, 200000);
}

TEST(G3BooleanClassifyFacets, TwoCubesSharingFaceRegion) {
    // Touching from outside: B's face at x = 1 looks into A.
    {
        Queried s(pktest::MakeCube(), pktest::MakeCube(1, 0.25, 0.25, 0.5));
        G3Facet* f = FacetWithPlane(s.other.get(), -1, 0, 0, 1);
        ASSERT_NE(f, nullptr);
        SetFacetVertices(s.calc, f, SURF_ON);
        EXPECT_EQ(s.calc.FindFacetClassify(s.other.get(), f, s.Facets()), SURF_ON_OPPOSITE);
    }
    // Inside A against its face: both materials lie behind the shared region.
    {
        Queried s(pktest::MakeCube(), pktest::MakeCube(0.5, 0.25, 0.25, 0.5));
        G3Facet* f = FacetWithPlane(s.other.get(), 1, 0, 0, -1);
        ASSERT_NE(f, nullptr);
        SetFacetVertices(s.calc, f, SURF_ON);
        EXPECT_EQ(s.calc.FindFacetClassify(s.other.get(), f, s.Facets()), SURF_ON_SAME);
    }
}

TEST(G3BooleanClassifyFacets, FacetWithUnclassifiedVertexUsesInteriorPoint) {
    Queried s(pktest::MakeCube(), pktest::MakeCube(0.25, 0.25, 0.25, 0.5));
    G3Facet* f = s.other->GetFacet(0);
    // Its other vertices claim out, wrongly: the facet lies inside A.
    SetFacetVertices(s.calc, f, SURF_OUT);
    G3FacetVertexIterator it(f);
    it.next();
    it.next();
    ClassOf(static_cast<G3Vertex*>(it.next())) = SURF_UNKNOWN;
    EXPECT_EQ(s.calc.FindFacetClassify(s.other.get(), f, s.Facets()), SURF_IN);
    SetFacetVertices(s.calc, f, SURF_OUT);
    EXPECT_EQ(s.calc.FindFacetClassify(s.other.get(), f, s.Facets()), SURF_OUT);
}

TEST(G3BooleanClassifyFacets, UnknownFacetsSettledByRaysThenUncutNeighbours) {
    // B: a square, a sliver along its edge v0–v1 (no inside to shoot from), and a triangle
    // on its own; all inside A.
    auto* b = new G3Surface();
    G3Vertex* v[6] = {b->AddVertex(0.2, 0.2, 0.5, 0), b->AddVertex(0.8, 0.2, 0.5, 0),
                      b->AddVertex(0.8, 0.8, 0.5, 0), b->AddVertex(0.2, 0.8, 0.5, 0),
                      b->AddVertex(0.5, 0.2, 0.5, 0), nullptr};
    G3Facet* square = b->AddFacet(4, v, 1, nullptr, nullptr);
    G3Vertex* sl[3] = {v[1], v[0], v[4]};
    G3Facet* sliver = b->AddFacet(3, sl, 1, nullptr, nullptr);
    G3Vertex* t[3] = {b->AddVertex(0.3, 0.3, 0.7, 0), b->AddVertex(0.6, 0.3, 0.7, 0),
                      b->AddVertex(0.3, 0.6, 0.75, 0)};
    G3Facet* alone = b->AddFacet(3, t, 1, nullptr, nullptr);
    ASSERT_TRUE(square && sliver && alone);
    Queried s(pktest::MakeCube(), b);
    for (int k = 0; k < b->GetVertexCount(); ++k) s.calc.SetClassify(b->GetVertex(k), SURF_IN);
    ClassOf(square) = SURF_IN;
    EXPECT_TRUE(s.calc.ResolveUnknownFacets(b, s.Facets()));
    EXPECT_EQ(ClassOf(alone), SURF_IN);   // from its own rays
    EXPECT_EQ(ClassOf(sliver), SURF_IN);  // from the square

    // Across a possible cut edge (both ends on) nothing spreads.
    ClassOf(sliver) = SURF_UNKNOWN;
    ClassOf(v[0]) = ClassOf(v[1]) = SURF_ON;
    EXPECT_FALSE(s.calc.ResolveUnknownFacets(b, s.Facets()));
    EXPECT_EQ(ClassOf(sliver), SURF_UNKNOWN);
    // Nor does a coplanar verdict.
    ClassOf(v[0]) = SURF_IN;
    ClassOf(square) = SURF_ON_SAME;
    EXPECT_FALSE(s.calc.ResolveUnknownFacets(b, s.Facets()));
}

TEST(G3BooleanClassifyFacets, VerticesAndFacetsOfCubesAgainstLShapedBuilding) {
    // One cube in the building's arm, one beside the notch, one far away; each cube is one
    // flood region.
    auto* b = pktest::MakeCube(1, 1, 1, 1);
    for (const auto& at : {std::vector<double>{5, 4, 1}, std::vector<double>{30, 30, 30}}) {
        SurfacePtr c(pktest::MakeCube(at[0], at[1], at[2], 1));
        b->Copy(c.get());
    }
    Queried s(pktest::MakeLShapedBuilding(), b);
    s.calc.ClassifyVertices(b, s.Facets());
    for (int k = 0; k < b->GetVertexCount(); ++k)
        EXPECT_EQ(ClassOf(b->GetVertex(k)), k < 8 ? SURF_IN : SURF_OUT) << "vertex " << k;
    s.calc.ClassifyFacets(b, s.Facets());
    for (int k = 0; k < b->GetFacetCount(); ++k)
        EXPECT_EQ(ClassOf(b->GetFacet(k)), k < 6 ? SURF_IN : SURF_OUT) << "facet " << k;
    EXPECT_TRUE(s.calc.ResolveUnknownFacets(b, s.Facets()));
}

TEST(G3BooleanQuery, LShapedBuildingAndSlabWithOpeningNearAndFar) {
    for (bool far : {false, true}) {
        auto at = [far](double x, double y, double z) {
            return far ? Far(x, y, z) : std::vector<double>{x, y, z};
        };
        Queried l(pktest::MakeLShapedBuilding(far));
        EXPECT_EQ(l.calc.FindVertexClassify(at(2, 5, 1.5).data()), SURF_IN) << far;
        EXPECT_EQ(l.calc.FindVertexClassify(at(7, 1, 0.5).data()), SURF_IN) << far;
        EXPECT_EQ(l.calc.FindVertexClassify(at(6, 4.5, 1.5).data()), SURF_OUT) << far;  // notch
        EXPECT_EQ(l.calc.FindVertexClassify(at(4, 4.5, 1.5).data()), SURF_ON) << far;

        Queried slab(pktest::MakeSlabWithOpening(far));
        EXPECT_EQ(slab.calc.FindVertexClassify(at(5, 5, 0.15).data()), SURF_OUT) << far;
        EXPECT_EQ(slab.calc.FindVertexClassify(at(2, 7, 0.15).data()), SURF_IN) << far;
        EXPECT_EQ(slab.calc.FindVertexClassify(at(6.5, 5, 0.1).data()), SURF_IN) << far;
        // A point of the top face's hole lies on no facet; one of its material does.
        EXPECT_EQ(slab.calc.FindFacet(at(5, 5, 0.3).data()), nullptr) << far;
        G3Facet* top = slab.calc.FindFacet(at(2, 2, 0.3).data());
        EXPECT_EQ(top, pktest::FindFacetWithHoles(slab.target.get())) << far;
        // Rays off the top face: into the material below, into the open above.
        const std::vector<double> p = at(2, 2, 0.3);
        EXPECT_EQ(slab.calc.FindRayClassify(p.data(), at(2, 2, -1).data(), top), SURF_IN) << far;
        EXPECT_EQ(slab.calc.FindRayClassify(p.data(), at(2, 2, 1).data(), top), SURF_OUT) << far;
    }
}

TEST(G3BooleanQuery, FindIntersectionsReportsStartOnFacetButNotEnd) {
    Queried s(pktest::MakeCube());
    G3Facet* top = FacetWithPlane(s.target.get(), 0, 0, 1, -1);
    ASSERT_NE(top, nullptr);
    const double onTop[3] = {0.5, 0.5, 1}, above[3] = {0.5, 0.5, 2}, below[3] = {0.4, 0.6, -1};
    Collect fromTop;
    s.calc.FindIntersections(onTop, above, &fromTop);
    ASSERT_EQ(fromTop.meetings.size(), 1u);
    EXPECT_EQ(fromTop.meetings[0].facet, top);
    EXPECT_TRUE(fromTop.Has(0.5, 0.5, 1));
    Collect toTop;
    s.calc.FindIntersections(above, onTop, &toTop);
    EXPECT_TRUE(toTop.meetings.empty());
    Collect through;
    s.calc.FindIntersections(below, above, &through);
    ASSERT_EQ(through.meetings.size(), 2u);
    EXPECT_TRUE(through.Has(0.4 + 0.1 / 3, 0.6 - 0.1 / 3, 0));
    EXPECT_TRUE(through.Has(0.4 + 0.2 / 3, 0.6 - 0.2 / 3, 1));
    // Along the top face: where the segment meets the boundary, not where its line does.
    const double from[3] = {-0.5, 0.5, 1}, to[3] = {0.5, 0.5, 1};
    Collect along;
    s.calc.FindIntersections(from, to, &along);
    EXPECT_TRUE(along.Has(0, 0.5, 1));
    EXPECT_FALSE(along.Has(1, 0.5, 1));
    for (const Meeting& m : along.meetings) EXPECT_LE(m.point[0], 0.5 + 1e-9);

    EXPECT_EQ(s.calc.FindFacet(onTop), top);
    const double centre[3] = {0.5, 0.5, 0.5};
    EXPECT_EQ(s.calc.FindFacet(centre), nullptr);
}

TEST(G3BooleanQuery, ThroughOpeningMeetsNothing) {
    Queried s(pktest::MakeSlabWithTwoOpenings());
    const double a[3] = {2.7, 2.7, -1}, b[3] = {2.8, 2.9, 1};  // the first opening
    Collect none;
    s.calc.FindIntersections(a, b, &none);
    EXPECT_TRUE(none.meetings.empty());
    const double c[3] = {5, 1, -1}, d[3] = {5, 1, 1};  // the material between them
    Collect two;
    s.calc.FindIntersections(c, d, &two);
    EXPECT_EQ(two.meetings.size(), 2u);
    EXPECT_TRUE(two.Has(5, 1, 0));
    EXPECT_TRUE(two.Has(5, 1, 0.3));
}
