// Openings cut into slabs one after another, as a floor plan is worked: each result is
// the next operand. A cut that closes a loop inside a face well away from the face's
// other loops becomes a new hole of that face; one that meets or surrounds an earlier
// opening goes through the general tracing. Volumes are compared to 1e-9 relative; every
// result must be closed and walk each edge once in each direction.

#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Plan = std::vector<pktest::PlanPoint>;

// The rectangle (x0, y0)–(x1, y1) turned by `turn` radians about the origin.
Plan Rect(double x0, double y0, double x1, double y1, double turn) {
    const double c = std::cos(turn), s = std::sin(turn);
    Plan out;
    for (const auto& p : Plan{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}})
        out.push_back({c * p.x - s * p.y, s * p.x + c * p.y});
    return out;
}

G3Surface* Block(double x0, double y0, double x1, double y1, double z0, double z1, double turn) {
    return pktest::MakePrismBetween(Rect(x0, y0, x1, y1, turn), z0, z1);
}

int HoleLoops(const G3Facet* f) {
    if (f == nullptr) return -1;
    int loops = 0;
    for (G3FacetVertexIterator it(f); it.hasNext();) {
        it.next();
        if (it.StartedLoop()) ++loops;
    }
    return loops - 1;
}

constexpr double kThick = 0.3;

}  // namespace

// A 3 × 3 grid of openings through an 8 × 8 slab, straight and turned by 30°: after every
// cut the slab is closed with the volume of the openings gone, and its top and bottom
// faces carry one hole loop per opening.
TEST(G3BooleanOpenings, GridOfOpeningsCutOneAfterAnotherEachLeavesAHoleLoop) {
    for (const double turn : {0.0, M_PI / 6}) {
        std::unique_ptr<G3Surface> slab(Block(0, 0, 8, 8, 0, kThick, turn));
        int cuts = 0;
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                const double x = 1.5 + 2.5 * i, y = 1.5 + 2.5 * j;
                G3Surface* box = Block(x - 0.25, y - 0.25, x + 0.25, y + 0.25, -0.5, 1, turn);
                slab.reset(G3BooleanCalculator().Sub(slab.release(), box));
                ASSERT_NE(slab, nullptr);
                ++cuts;
                ASSERT_TRUE(pktest::IsClosedWithVolume(slab.get(), kThick * (64 - 0.25 * cuts)))
                    << "turn " << turn << ", after " << cuts << " openings";
                EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(slab.get(), true)), cuts);
                EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(slab.get(), false)), cuts);
            }
        }
        // Top, bottom, four sides and four walls per opening: the pieces inside were removed.
        EXPECT_EQ(slab->GetFacetCount(), 6 + 4 * cuts);
    }
}

// A larger opening cut round an earlier one takes its hole in; one cut across an earlier
// opening joins the two into one hole. Neither may keep the earlier hole as it was.
TEST(G3BooleanOpenings, OpeningAroundOrAcrossAnEarlierOneReplacesItsHole) {
    auto first = [] {
        G3Surface* slab = Block(0, 0, 6, 4, 0, kThick, 0.0);
        return G3BooleanCalculator().Sub(slab, Block(2, 1.5, 2.5, 2, -1, 1, 0.0));
    };
    std::unique_ptr<G3Surface> around(
        G3BooleanCalculator().Sub(first(), Block(1.5, 1, 3, 2.5, -1, 1, 0.0)));
    ASSERT_TRUE(pktest::IsClosedWithVolume(around.get(), kThick * (24 - 2.25)));
    EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(around.get(), true)), 1);
    EXPECT_EQ(around->GetFacetCount(), 10);

    std::unique_ptr<G3Surface> across(
        G3BooleanCalculator().Sub(first(), Block(2.25, 1.75, 3.5, 2.25, -1, 1, 0.0)));
    // The two rectangles overlap over 0.25 × 0.25.
    ASSERT_TRUE(pktest::IsClosedWithVolume(across.get(), kThick * (24 - 0.25 - 0.625 + 0.0625)));
    EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(across.get(), true)), 1);
}

// A post standing through the slab's top face and on up: the union cuts a loop inside the
// top face, which keeps the loop as a hole round the post, and the result holds the slab
// and the part of the post outside it, whichever operand comes first.
TEST(G3BooleanOpenings, PostThroughTheTopFaceLeavesAHoleRoundIt) {
    for (const bool slabFirst : {true, false}) {
        G3Surface* slab = Block(0, 0, 5, 5, 0, kThick, M_PI / 6);
        G3Surface* post = Block(2, 2, 2.4, 2.4, 0.1, 3, M_PI / 6);
        std::unique_ptr<G3Surface> r(slabFirst ? G3BooleanCalculator().Add(slab, post)
                                               : G3BooleanCalculator().Add(post, slab));
        ASSERT_TRUE(pktest::IsClosedWithVolume(r.get(), 25 * kThick + 0.16 * (3 - kThick)));
        EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(r.get(), true)), 1);
    }
}
