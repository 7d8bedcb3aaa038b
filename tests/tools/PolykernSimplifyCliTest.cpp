// Runs `polykern simplify` as a user would and checks what it prints and writes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tests/tools/CliHarness.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Result = pktest::CliResult;

class PolykernSimplifyCli : public pktest::CliTest {
protected:
    static std::unique_ptr<G3Surface> Load(const std::string& path) { return LoadDump(path); }
};

}  // namespace

// A sphere through OBJ: a quarter of its triangles, still closed and of nearly its volume,
// with both counts printed.
TEST_F(PolykernSimplifyCli, SphereByRatioAndByCount) {
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(64, 32));
    sphere->Save(Path("sphere.dump").c_str());
    const double volume = pktest::SignedVolume(sphere.get());
    ASSERT_EQ(Run({"convert", Path("sphere.dump"), Path("sphere.obj")}).status, 0);

    const Result r = Run({"simplify", Path("sphere.obj"), Path("small.dump"), "--ratio", "0.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto s = Load(Path("small.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_LE(s->GetFacetCount(), 992);
    EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
    EXPECT_TRUE(pktest::HasVolume(s.get(), volume, 0.03));
    EXPECT_NE(r.out.find("before  3968 facets, 1986 vertices\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("after   " + std::to_string(s->GetFacetCount()) + " facets"),
              std::string::npos)
        << r.out;

    const Result n = Run({"simplify", Path("sphere.dump"), Path("n.dump"), "--facets", "500"});
    ASSERT_EQ(n.status, 0) << n.err;
    auto byCount = Load(Path("n.dump"));
    ASSERT_NE(byCount, nullptr);
    EXPECT_LE(byCount->GetFacetCount(), 500);
}

// With --lock-border the outline of a grid stays: its open edges keep their 80 vertices.
TEST_F(PolykernSimplifyCli, LockBorderKeepsTheOutline) {
    std::unique_ptr<G3Surface> grid(pktest::MakeGrid(20, 20));
    grid->Save(Path("grid.dump").c_str());
    const Result r =
        Run({"simplify", Path("grid.dump"), Path("out.dump"), "--facets", "100", "--lock-border"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto s = Load(Path("out.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_LE(s->GetFacetCount(), 100);
    int onOutline = 0;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        onOutline += p[0] == 0 || p[0] == 20 || p[1] == 0 || p[1] == 20;
    }
    EXPECT_EQ(onOutline, 80);
    EXPECT_NEAR(pktest::Area(s.get()), 400.0, 1e-9);
}

TEST_F(PolykernSimplifyCli, WrongUsageAndBadInputAreRefused) {
    std::unique_ptr<G3Surface> grid(pktest::MakeGrid(4, 4));
    grid->Save(Path("grid.dump").c_str());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"simplify", Path("grid.dump"), Path("o.dump")},
          {"simplify", Path("grid.dump"), Path("o.dump"), "--ratio", "0"},
          {"simplify", Path("grid.dump"), Path("o.dump"), "--ratio", "1.5"},
          {"simplify", Path("grid.dump"), Path("o.dump"), "--facets", "-3"},
          {"simplify", Path("grid.dump"), Path("o.dump"), "--ratio", "0.5", "--facets", "4"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args.size() << r.err;
        EXPECT_FALSE(std::ifstream(Path("o.dump")).good());
    }
    const Result missing = Run({"simplify", Path("none.dump"), Path("o.dump"), "--ratio", "0.5"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.dump"), std::string::npos) << missing.err;
    const Result help = Run({"simplify", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--lock-border"), std::string::npos);
}
