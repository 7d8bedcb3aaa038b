// Runs `polykern openings` and `polykern pick` as a user would: openings cut from a
// polyline file through a slab read from a mesh file, and the hits of a segment printed
// nearest first.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/tools/CliHarness.h"

namespace {

// The box (0, 0, 0)–(x, y, z) as an OFF file with outward quads, bottom first, top last.
std::string BoxOff(double x, double y, double z) {
    std::ostringstream off;
    off << "OFF\n8 6 0\n";
    for (int c = 0; c < 8; ++c)
        off << x * (c & 1) << ' ' << y * ((c >> 1) & 1) << ' ' << z * ((c >> 2) & 1) << '\n';
    off << "4 0 2 3 1\n4 0 1 5 4\n4 1 3 7 5\n4 3 2 6 7\n4 2 0 4 6\n4 4 5 7 6\n";
    return off.str();
}

class PolykernOpeningsCli : public pktest::CliTest {};

TEST_F(PolykernOpeningsCli, OpeningsFromAPolylineFileCutThroughASlab) {
    Write("slab.off", BoxOff(10, 10, 0.3));
    // Two openings, one overhanging the slab's edge, one closed by repeating its first point.
    Write("holes.txt", "4 4\n6 4\n6 6\n4 6\n\n9 1\n11 1\n11 2\n9 2\n\n1 1\n2 1\n2 2\n1 2\n1 1\n");
    const pktest::CliResult r =
        Run({"openings", Path("slab.off"), Path("holes.txt"), "-o", Path("out.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 openings made, 1 skipped"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("volume before 30, after 28.5"), std::string::npos) << r.out;
    std::unique_ptr<G3Surface> s = LoadDump(Path("out.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(s.get(), 28.5));
    EXPECT_EQ(s->GetFacetCount(), 6 + 8);

    // Downwards makes the same openings.
    const pktest::CliResult down = Run({"openings", Path("slab.off"), Path("holes.txt"), "-o",
                                        Path("down.dump"), "--direction", "0", "0", "-2"});
    ASSERT_EQ(down.status, 0) << down.err;
    std::unique_ptr<G3Surface> d = LoadDump(Path("down.dump"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(d.get(), 28.5));
}

TEST_F(PolykernOpeningsCli, OpeningsThatCannotBeMadeWriteNothing) {
    Write("slab.off", BoxOff(10, 10, 0.3));
    Write("outside.txt", "20 20\n21 20\n21 21\n");
    Write("broken.txt", "4 4\n6 four\n");
    const pktest::CliResult miss =
        Run({"openings", Path("slab.off"), Path("outside.txt"), "-o", Path("out.dump")});
    EXPECT_EQ(miss.status, 1);
    EXPECT_NE(miss.err.find("no opening could be cut"), std::string::npos) << miss.err;
    const pktest::CliResult bad =
        Run({"openings", Path("slab.off"), Path("broken.txt"), "-o", Path("out.dump")});
    EXPECT_EQ(bad.status, 1);
    const pktest::CliResult flat = Run({"openings", Path("slab.off"), Path("outside.txt"), "-o",
                                        Path("out.dump"), "--direction", "0", "0", "0"});
    EXPECT_EQ(flat.status, 1);
    EXPECT_NE(flat.err.find("direction"), std::string::npos) << flat.err;
    EXPECT_FALSE(pktest::Exists(Path("out.dump")));
}

TEST_F(PolykernOpeningsCli, PickPrintsFacetHitsNearestFirst) {
    Write("cube.off", BoxOff(1, 1, 1));
    const pktest::CliResult r =
        Run({"pick", Path("cube.off"), "--from", "0.5", "0.5", "2", "--to", "0.5", "0.5", "-1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "2 hits\n"
              "facet 5 at 0.5 0.5 1 normal 0 0 1 distance 1\n"
              "facet 0 at 0.5 0.5 0 normal 0 0 -1 distance 2\n");
}

TEST_F(PolykernOpeningsCli, PickReportsEdgesOnceAndMissesQuietly) {
    Write("cube.off", BoxOff(1, 1, 1));
    const pktest::CliResult edge =
        Run({"pick", Path("cube.off"), "--from", "0.5", "2", "0", "--to", "0.5", "0", "2"});
    ASSERT_EQ(edge.status, 0) << edge.err;
    EXPECT_EQ(pktest::CountLines(edge.out), 2) << edge.out;
    EXPECT_NE(edge.out.find("1 hits\nedge between facets"), std::string::npos) << edge.out;
    EXPECT_NE(edge.out.find("at 0.5 1 1 normal 0 0.7071067812 0.7071067812"), std::string::npos)
        << edge.out;
    const pktest::CliResult miss =
        Run({"pick", Path("cube.off"), "--from", "5", "5", "5", "--to", "6", "6", "6"});
    ASSERT_EQ(miss.status, 0) << miss.err;
    EXPECT_EQ(miss.out, "0 hits\n");
    const pktest::CliResult usage = Run({"pick", Path("cube.off"), "--from", "0", "0", "0"});
    EXPECT_EQ(usage.status, 2);
    const pktest::CliResult missing =
        Run({"pick", Path("none.off"), "--from", "0", "0", "0", "--to", "1", "1", "1"});
    EXPECT_EQ(missing.status, 1);
}

}  // namespace
