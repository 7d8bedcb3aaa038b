// Seeded sweeps over random building outlines: every roof must pass the roof checker.

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/support/RoofCheck.h"

namespace {

int Sweep(int count, unsigned seed, int kind) {
    std::mt19937 rng(seed);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        pktest::RoofOutline r;
        switch (kind) {
            case 0:
                r = pktest::RandomOrthogonalRoof(rng);
                break;
            case 1:
                r = pktest::RandomStarRoof(rng, 5 + i % 40);
                break;
            case 2:
                r = pktest::RegularRoof(3 + i % 61, 10.0 + i, 20.0 + i % 50);
                break;
            case 3:
                r = pktest::WithMixedPitches(pktest::RandomStarRoof(rng, 5 + i % 20), rng, false);
                break;
            default:
                r = pktest::WithMixedPitches(pktest::RandomOrthogonalRoof(rng), rng, true);
                break;
        }
        pktest::RoofBuild b = pktest::BuildRoof(r);
        std::unique_ptr<G3Surface> s(b.surface);
        ::testing::AssertionResult sound =
            b.ok ? pktest::IsSoundRoof(s.get(), r) : ::testing::AssertionFailure() << "no roof";
        if (!sound) {
            ++failures;
            ADD_FAILURE() << "outline " << i << " (kind " << kind << ", " << r.points.size()
                          << " corners): " << sound.message();
        }
    }
    return failures;
}

}  // namespace

TEST(G3RoofSweep, OrthogonalBuildings) {
    EXPECT_EQ(Sweep(120, 11, 0), 0);
}

TEST(G3RoofSweep, StarShapedOutlines) {
    EXPECT_EQ(Sweep(80, 12, 1), 0);
}

TEST(G3RoofSweep, RegularPolygons) {
    EXPECT_EQ(Sweep(62, 13, 2), 0);
}

TEST(G3RoofSweep, MixedPitches) {
    EXPECT_EQ(Sweep(60, 14, 3), 0);
}

TEST(G3RoofSweep, MixedPitchesAndGables) {
    EXPECT_EQ(Sweep(60, 15, 4), 0);
}

TEST(G3RoofSweepSlow, ThousandsOfOutlines) {
    EXPECT_EQ(Sweep(2000, 101, 0), 0);
    EXPECT_EQ(Sweep(1000, 102, 1), 0);
    EXPECT_EQ(Sweep(300, 103, 2), 0);
    EXPECT_EQ(Sweep(1000, 104, 3), 0);
    EXPECT_EQ(Sweep(1000, 105, 4), 0);
}
