// Runs `polykern roof` as a user would: an outline file becomes a roof surface file, with
// gables from a pitches file, a thick roof with fascia, an overhang; bad input writes
// nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/tools/CliHarness.h"

namespace {

const char* kRect = "0 0\n10 0\n10 6\n0 6\n";

class PolykernRoofCli : public pktest::CliTest {};

double Top(const G3Surface* s) {
    double z = -1e300;
    for (int i = 0; i < s->GetVertexCount(); ++i) z = std::fmax(z, s->GetVertex(i)->GetZ());
    return z;
}

}  // namespace

TEST_F(PolykernRoofCli, RectangleGivesAHippedRoof) {
    Write("house.txt", kRect);
    const pktest::CliResult r = Run({"roof", Path("house.txt"), "-o", Path("roof.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("facets 4: top 4, underside 0, fascia 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plan area 60.000000, sloped area 69.282032"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ridge height 1.732051"), std::string::npos) << r.out;
    std::unique_ptr<G3Surface> s = LoadDump(Path("roof.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetFacetCount(), 4);
    EXPECT_NEAR(Top(s.get()), std::sqrt(3.0), 1e-9);
    for (int i = 0; i < s->GetFacetCount(); ++i) EXPECT_GT(s->GetFacet(i)->GetPlaneC(), 0.0);
}

TEST_F(PolykernRoofCli, PitchesFileMakesGablesAndAThickRoofGetsFascia) {
    Write("house.txt", kRect);
    Write("pitches.txt", "30\n90\n30\n90\n");
    const pktest::CliResult r =
        Run({"roof", Path("house.txt"), "-o", Path("roof.obj"), "--pitches", Path("pitches.txt"),
             "--thickness", "0.2", "--fascia", "--texcoords"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("facets 8: top 2, underside 2, fascia 4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ridge height 1.932051"), std::string::npos) << r.out;
    EXPECT_TRUE(pktest::Exists(Path("roof.obj")));
}

TEST_F(PolykernRoofCli, OverhangWidensThePlan) {
    Write("house.txt", kRect);
    const pktest::CliResult r = Run(
        {"roof", Path("house.txt"), "-o", Path("roof.dump"), "--pitch", "45", "--overhang", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("plan area 96.000000"), std::string::npos) << r.out;  // 12 × 8
    EXPECT_NE(r.out.find("ridge height 3.000000"), std::string::npos) << r.out;
}

TEST_F(PolykernRoofCli, BadInputWritesNothing) {
    Write("house.txt", kRect);
    Write("bowtie.txt", "0 0\n10 10\n10 0\n0 10\n");
    Write("short.txt", "30\n30\n");
    Write("walls.txt", "90\n90\n90\n90\n");
    const std::vector<std::vector<std::string>> runs = {
        {"roof", Path("bowtie.txt"), "-o", Path("a.dump")},
        {"roof", Path("house.txt"), "-o", Path("b.dump"), "--pitches", Path("short.txt")},
        {"roof", Path("house.txt"), "-o", Path("c.dump"), "--pitches", Path("walls.txt")},
        {"roof", Path("house.txt"), "-o", Path("d.dump"), "--pitch", "0"},
        {"roof", Path("house.txt"), "-o", Path("e.dump"), "--fascia"},
        {"roof", Path("missing.txt"), "-o", Path("f.dump")},
        {"roof", Path("house.txt"), "-o", Path("g.off")},
    };
    for (const auto& args : runs) {
        const pktest::CliResult r = Run(args);
        EXPECT_EQ(r.status, 1) << args[1] << ": " << r.err;
        EXPECT_NE(r.err.find("polykern:"), std::string::npos);
    }
    EXPECT_EQ(Listing().size(), 4u);                        // only the inputs
    EXPECT_EQ(Run({"roof", Path("house.txt")}).status, 2);  // no output named
}
