// Runs `polykern blend` as a user would: it reads a solid, rounds one edge or corner,
// writes the result and prints both volumes; a refusal leaves no file behind.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/tools/CliHarness.h"

namespace {

// The 4 × 2 × 3 box as an OFF file with outward quads: volume 24.
std::string BoxOff() {
    std::ostringstream off;
    off << "OFF\n8 6 0\n";
    for (int c = 0; c < 8; ++c)
        off << 4 * (c & 1) << ' ' << 2 * ((c >> 1) & 1) << ' ' << 3 * ((c >> 2) & 1) << '\n';
    off << "4 0 2 3 1\n4 0 1 5 4\n4 1 3 7 5\n4 3 2 6 7\n4 2 0 4 6\n4 4 5 7 6\n";
    return off.str();
}

class PolykernBlendCli : public pktest::CliTest {
protected:
    std::unique_ptr<G3Surface> LoadDump(const std::string& name) const {
        auto s = std::make_unique<G3Surface>();
        if (!s->LoadChecked(Path(name).c_str())) return nullptr;
        s->FormPlaneEquation();
        return s;
    }
};

}  // namespace

TEST_F(PolykernBlendCli, EdgeLosesItsArcSectionAndCornerIsRounded) {
    Write("box.off", BoxOff());
    const pktest::CliResult edge =
        Run({"blend", Path("box.off"), "--edge", "4", "2", "0", "4", "2", "3", "--radius", "0.5",
             "--segments", "4", "-o", Path("edge.dump")});
    ASSERT_EQ(edge.status, 0) << edge.err;
    EXPECT_NE(edge.out.find("volume before 24"), std::string::npos) << edge.out;
    std::unique_ptr<G3Surface> rounded = LoadDump("edge.dump");
    ASSERT_NE(rounded, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(rounded.get()));
    const double loss = 0.25 * (1.0 - 2.0 * std::sin(M_PI / 8.0)) * 3.0;
    EXPECT_NEAR(24.0 - pktest::SignedVolume(rounded.get()), loss, 1e-9 * loss);

    const pktest::CliResult corner = Run({"blend", Path("box.off"), "--corner", "4", "2", "3",
                                          "--radius", "0.5", "-o", Path("corner.dump")});
    ASSERT_EQ(corner.status, 0) << corner.err;
    std::unique_ptr<G3Surface> tip = LoadDump("corner.dump");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(tip.get()));
    EXPECT_LT(pktest::SignedVolume(tip.get()), 24.0);
}

TEST_F(PolykernBlendCli, RefusalsAndBadUsageWriteNothing) {
    Write("box.off", BoxOff());
    // A diagonal of the box is no edge.
    const pktest::CliResult none = Run({"blend", Path("box.off"), "--edge", "0", "0", "0", "4", "2",
                                        "3", "--radius", "0.5", "-o", Path("out.dump")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no edge"), std::string::npos) << none.err;
    EXPECT_FALSE(pktest::Exists(Path("out.dump")));
    // Neither or both of --edge and --corner.
    EXPECT_EQ(Run({"blend", Path("box.off"), "--radius", "0.5", "-o", Path("out.dump")}).status, 1);
    EXPECT_EQ(Run({"blend", Path("box.off"), "--edge", "4", "2", "0", "4", "2", "3", "--corner",
                   "4", "2", "3", "--radius", "0.5", "-o", Path("out.dump")})
                  .status,
              1);
    // A radius that is not positive, and a missing radius, are usage errors.
    EXPECT_EQ(Run({"blend", Path("box.off"), "--corner", "4", "2", "3", "--radius", "-1", "-o",
                   Path("out.dump")})
                  .status,
              2);
    EXPECT_EQ(
        Run({"blend", Path("box.off"), "--corner", "4", "2", "3", "-o", Path("out.dump")}).status,
        2);
    EXPECT_FALSE(pktest::Exists(Path("out.dump")));
}
