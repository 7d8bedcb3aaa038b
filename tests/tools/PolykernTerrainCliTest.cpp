// Runs `polykern terrain` as a user would: surveyed points and break lines become a terrain,
// pads are levelled in one after another with their own slope widths, and the terrain is
// smoothed and closed into a solid; bad pads and files fail without output.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/TerrainCheck.h"
#include "tests/tools/CliHarness.h"

namespace {

class PolykernTerrainCli : public pktest::CliTest {
protected:
    // A 20 x 20 site at height 1 on a 1 m grid, with a kerb along y = 10 (as a break line).
    void WriteSite() {
        std::ostringstream pts, lines;
        for (int j = 0; j <= 20; ++j)
            for (int i = 0; i <= 20; ++i) pts << i << " " << j << " " << 1 + 0.02 * i << "\n";
        for (int i = 0; i < 20; ++i) lines << (10 * 21 + i) << " " << (10 * 21 + i + 1) << "\n";
        Write("site.xyz", pts.str());
        Write("kerb.txt", lines.str());
        Write("pad1.xyz", "4 4 0\n9 4 0\n9 8 0\n4 8 0\n");
        Write("pad2.xyz",
              "# an L-shaped terrace\n12 12 0\n18 12 0\n18 15 0\n15 15 0\n15 18 0\n12 18 0\n");
    }
    // The numbers after `key` on the output line starting with `line`.
    static double Field(const std::string& out, const std::string& line, const std::string& key) {
        std::istringstream in(out);
        std::string l;
        while (std::getline(in, l)) {
            if (l.rfind(line, 0) != 0) continue;
            const std::size_t at = l.find(key);
            if (at != std::string::npos) return std::atof(l.c_str() + at + key.size());
        }
        return NAN;
    }
};

auto Site = [](double x, double y) { return x >= 0 && x <= 20 && y >= 0 && y <= 20; };

}  // namespace

TEST_F(PolykernTerrainCli, PointsAndBreakLinesBecomeATerrain) {
    WriteSite();
    const auto r =
        Run({"terrain", Path("site.xyz"), "--breaklines", Path("kerb.txt"), "-o", Path("t.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("441 points, 20 break lines: 800 triangles"), std::string::npos) << r.out;
    EXPECT_NEAR(Field(r.out, "441 points", "plan area "), 400.0, 1e-6);
    auto t = LoadDump(Path("t.dump"));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(t.get(), 400.0, Site));
}

TEST_F(PolykernTerrainCli, PadsGoInTurnWithTheirOwnSlopeWidthsAndReportCutAndFill) {
    WriteSite();
    const auto r =
        Run({"terrain", Path("site.xyz"), "--breaklines", Path("kerb.txt"), "--pad",
             Path("pad1.xyz"), "--height", "2", "--slope-width", "1.5", "--pad", Path("pad2.xyz"),
             "--height", "0.5", "--slope-width", "1", "-o", Path("t.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    // Pad 1 is raised by about 1 m over 20 m²: fill only. Pad 2 is lowered by about 0.8 m.
    const double fill1 = Field(r.out, "pad 1:", "fill "), cut1 = Field(r.out, "pad 1:", "cut ");
    EXPECT_GT(fill1, 20 * 0.85);
    EXPECT_LT(fill1, 20 * 1.0 + 30);
    EXPECT_NEAR(cut1, 0.0, 1e-9);
    const double cut2 = Field(r.out, "pad 2:", "cut "), fill2 = Field(r.out, "pad 2:", "fill ");
    EXPECT_GT(cut2, 27 * 0.7);
    EXPECT_NEAR(fill2, 0.0, 1e-9);
    EXPECT_NEAR(Field(r.out, "pad 2:", "plan area "), 400.0, 1e-6);
    auto t = LoadDump(Path("t.dump"));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(pktest::IsTerrain(t.get(), 400.0, Site));
    double z = NAN;
    ASSERT_TRUE(pktest::HeightAt(t.get(), 6, 6, &z));
    EXPECT_NEAR(z, 2.0, 1e-9);
    ASSERT_TRUE(pktest::HeightAt(t.get(), 13, 16, &z));
    EXPECT_NEAR(z, 0.5, 1e-9);
}

// The second pad overlaps the first: each pad's figures are against the terrain just
// before it, so over the pads they add up to what the solid gains (to the six digits
// printed), not counting the first pad's fill again.
TEST_F(PolykernTerrainCli, OverlappingPadsFiguresAddUpToTheSolidsChange) {
    WriteSite();
    Write("pad3.xyz", "7 6 0\n13 6 0\n13 11 0\n7 11 0\n");
    const auto plain = Run({"terrain", Path("site.xyz"), "--solid", "-o", Path("plain.dump")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const auto r = Run({"terrain", Path("site.xyz"), "--pad", Path("pad1.xyz"), "--height", "2",
                        "--slope-width", "1.5", "--pad", Path("pad3.xyz"), "--height", "0.4",
                        "--slope-width", "1", "--solid", "-o", Path("padded.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    double change = 0.0, moved = 0.0;
    for (const char* pad : {"pad 1:", "pad 2:"}) {
        const double fill = Field(r.out, pad, "fill "), cut = Field(r.out, pad, "cut ");
        change += fill - cut;
        moved += fill + cut;
    }
    EXPECT_GT(Field(r.out, "pad 2:", "cut "), 1.0) << r.out;
    auto before = LoadDump(Path("plain.dump")), after = LoadDump(Path("padded.dump"));
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_NEAR(pktest::SignedVolume(after.get()) - pktest::SignedVolume(before.get()), change,
                1e-5 * moved);
}

TEST_F(PolykernTerrainCli, SmoothedSolidIsClosed) {
    WriteSite();
    const auto r = Run({"terrain", Path("site.xyz"), "--pad", Path("pad1.xyz"), "--height", "2",
                        "--slope-width", "1.5", "--smooth", "--solid", "-o", Path("s.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("smoothed:"), std::string::npos);
    EXPECT_NE(r.out.find("solid:"), std::string::npos);
    auto s = LoadDump(Path("s.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
    EXPECT_GT(pktest::SignedVolume(s.get()), 400.0);
}

TEST_F(PolykernTerrainCli, BadPadsAndFilesFailWithoutOutput) {
    WriteSite();
    Write("far.xyz", "40 40 0\n50 40 0\n50 50 0\n");
    Write("eight.xyz", "0 0 0\n10 10 0\n10 0 0\n0 10 0\n");
    Write("bad.xyz", "0 0 0\n1 x 0\n");
    const std::vector<std::vector<std::string>> cases = {
        {"--pad", Path("far.xyz"), "--height", "1", "--slope-width", "1"},
        {"--pad", Path("eight.xyz"), "--height", "1", "--slope-width", "1"},
        {"--pad", Path("pad1.xyz"), "--height", "1"},
        {"--pad", Path("pad1.xyz"), "--height", "1", "--slope-width", "0"},
        {"--pad", Path("bad.xyz"), "--height", "1", "--slope-width", "1"},
        {"--breaklines", Path("missing.txt")},
    };
    for (const auto& extra : cases) {
        std::vector<std::string> args = {"terrain", Path("site.xyz"), "-o", Path("t.dump")};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = Run(args);
        EXPECT_EQ(r.status, 1) << extra[1] << ": " << r.err;
        EXPECT_NE(r.err.find("polykern: "), std::string::npos);
        EXPECT_FALSE(pktest::Exists(Path("t.dump"))) << extra[1];
    }
}
