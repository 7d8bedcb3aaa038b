#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "tests/support/TestMesh.h"

namespace {

using pktest::TestMesh;

// A square (x0, y0)–(x0 + size, y0 + size) in the xy plane.
G3Facet* Square(TestMesh& mesh, double x0, double y0, double size) {
    return mesh.Facet({mesh.Vertex(x0, y0, 0), mesh.Vertex(x0 + size, y0, 0),
                       mesh.Vertex(x0 + size, y0 + size, 0), mesh.Vertex(x0, y0 + size, 0)});
}

// The intervals as (start, end) on the given axis, in list order.
std::vector<std::pair<double, double>> Spans(G3IntervalList& list, int axis) {
    std::vector<std::pair<double, double>> out;
    GArrayCollection* intervals = list.GetIntervalList();
    for (int k = 0; k < intervals->size(); ++k) {
        auto* in = static_cast<G3Interval*>(intervals->get(k));
        out.emplace_back(in->GetXYZ1(axis), in->GetXYZ2(axis));
    }
    return out;
}

TEST(G3FacetCut, SquareAgainstPlanes) {
    TestMesh mesh;
    G3Facet* f = Square(mesh, 0, 0, 1);
    G3IntervalList out;

    const double apart[4] = {1, 0, 0, -2};
    EXPECT_EQ(f->IntersectByPlaneConcave(apart, &out), 0);
    EXPECT_TRUE(out.IsEmpty());

    const double cut[4] = {1, 0, 0, -0.5};
    ASSERT_EQ(f->IntersectByPlaneConcave(cut, &out), 1);
    EXPECT_EQ(out.GetPointList()->size(), 2);
    out.BuildIntervals();
    ASSERT_EQ(Spans(out, 1), (std::vector<std::pair<double, double>>{{0.0, 1.0}}));
    EXPECT_DOUBLE_EQ(static_cast<G3Interval*>(out.GetIntervalList()->get(0))->GetXYZ1(0), 0.5);

    // Touching along a side: the side as an interval, and its ends as points.
    const double side[4] = {1, 0, 0, -1};
    ASSERT_EQ(f->IntersectByPlaneConcave(side, &out), 2);
    EXPECT_EQ(out.GetIntervalList()->size(), 1);
    EXPECT_EQ(out.GetPointList()->size(), 2);

    // Touching at a corner only contributes nothing.
    const double corner[4] = {1, 1, 0, 0};
    EXPECT_EQ(f->IntersectByPlaneConcave(corner, &out), 2);
    EXPECT_TRUE(out.IsEmpty());

    // Through two opposite corners: each corner once.
    const double diagonal[4] = {1, -1, 0, 0};
    ASSERT_EQ(f->IntersectByPlaneConcave(diagonal, &out), 1);
    EXPECT_EQ(out.GetPointList()->size(), 2);

    const double inPlane[4] = {0, 0, 1, 0};
    ASSERT_EQ(f->IntersectByPlaneConcave(inPlane, &out), 3);
    EXPECT_EQ(out.GetIntervalList()->size(), 4);
}

TEST(G3FacetCut, ConcaveFacetCutInTwoPieces) {
    TestMesh mesh;
    // A U open towards +y: the line y = 1.5 meets it in two pieces.
    G3Facet* u = mesh.Facet({mesh.Vertex(0, 0, 0), mesh.Vertex(3, 0, 0), mesh.Vertex(3, 2, 0),
                             mesh.Vertex(2, 2, 0), mesh.Vertex(2, 1, 0), mesh.Vertex(1, 1, 0),
                             mesh.Vertex(1, 2, 0), mesh.Vertex(0, 2, 0)});
    G3IntervalList out;
    const double plane[4] = {0, 1, 0, -1.5};
    ASSERT_EQ(u->IntersectByPlaneConcave(plane, &out), 1);
    out.BuildIntervals();
    EXPECT_EQ(Spans(out, 0), (std::vector<std::pair<double, double>>{{0.0, 1.0}, {2.0, 3.0}}));
}

TEST(G3FacetCut, SegmentsAndCoplanarFacets) {
    TestMesh mesh;
    G3Facet* f = Square(mesh, 0, 0, 1);
    G3IntervalList out;
    const double a[3] = {-1, 0.5, 0}, b[3] = {2, 0.5, 0};
    ASSERT_TRUE(f->FindIntervalsLieInFacet(a, b, &out));
    EXPECT_EQ(Spans(out, 0), (std::vector<std::pair<double, double>>{{0.0, 1.0}}));
    const double c[3] = {0.5, 0.5, 0};
    ASSERT_TRUE(f->FindIntervalsLieInFacet(c, b, &out));
    EXPECT_EQ(Spans(out, 0), (std::vector<std::pair<double, double>>{{0.5, 1.0}}));
    const double far1[3] = {5, 5, 0}, far2[3] = {6, 5, 0};
    EXPECT_FALSE(f->FindIntervalsLieInFacet(far1, far2, &out));
    EXPECT_FALSE(f->FindIntervalsLieInFacet(a, a, &out));  // no direction

    G3Facet* shifted = Square(mesh, 0.5, 0.5, 1);
    G3IntervalList shared;
    ASSERT_TRUE(f->FindFacetsIntersection(shifted, &shared));
    // Two sides of each square lie partly in the other: four pieces of length 0.5.
    ASSERT_EQ(shared.GetIntervalList()->size(), 4);
    G3Facet* away = Square(mesh, 5, 5, 1);
    EXPECT_FALSE(f->FindFacetsIntersection(away, &shared));
    // A facet wholly inside the other: none of the other's outline lies in it, yet all
    // four of its own sides lie in the other, whichever of the two asks.
    G3Facet* inner = Square(mesh, 0.25, 0.25, 0.5);
    ASSERT_TRUE(inner->FindFacetsIntersection(f, &shared));
    EXPECT_EQ(shared.GetIntervalList()->size(), 4);
    ASSERT_TRUE(f->FindFacetsIntersection(inner, &shared));
    EXPECT_EQ(shared.GetIntervalList()->size(), 4);
}

}  // namespace
