// Runs `polykern boolean` and `polykern shell` as a user would: each reads solid files,
// writes the combined or hollowed solid, prints volumes; refusals leave no file behind.

#include <dirent.h>
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
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using Result = pktest::CliResult;
using pktest::CountLines;
using pktest::ReadFile;

// The unit cube moved by (x, y, z), as an OFF file with outward quads.
std::string CubeOff(double x, double y, double z, bool dropTop = false) {
    std::ostringstream off;
    off << "OFF\n8 " << (dropTop ? 5 : 6) << " 0\n";
    for (int c = 0; c < 8; ++c)
        off << x + (c & 1) << ' ' << y + ((c >> 1) & 1) << ' ' << z + ((c >> 2) & 1) << '\n';
    off << "4 0 2 3 1\n4 0 1 5 4\n4 1 3 7 5\n4 3 2 6 7\n4 2 0 4 6\n";
    if (!dropTop) off << "4 4 5 7 6\n";
    return off.str();
}

// The same cube as an OBJ file.
std::string CubeObj(double x, double y, double z) {
    std::ostringstream obj;
    for (int c = 0; c < 8; ++c)
        obj << "v " << x + (c & 1) << ' ' << y + ((c >> 1) & 1) << ' ' << z + ((c >> 2) & 1)
            << '\n';
    obj << "f 1 3 4 2\nf 1 2 6 5\nf 2 4 8 6\nf 4 3 7 8\nf 3 1 5 7\nf 5 6 8 7\n";
    return obj.str();
}

class PolykernBooleanCli : public pktest::CliTest {
protected:
    // A dump the program wrote (or `convert` made from another format), planes formed.
    std::unique_ptr<G3Surface> Load(const std::string& name) const {
        std::string dump = name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".dump") != 0) {
            dump = name + ".dump";
            if (Run({"convert", Path(name), Path(dump)}).status != 0) return nullptr;
        }
        auto s = std::make_unique<G3Surface>();
        if (!s->LoadChecked(Path(dump).c_str())) return nullptr;
        s->FormPlaneEquation();
        return s;
    }

    void SaveShape(G3Surface* s, const std::string& name) const {
        std::unique_ptr<G3Surface> owned(s);
        owned->AssignIds();
        owned->Save(Path(name).c_str());
    }

};

}  // namespace

// Unit cubes overlapping in a 0.7 × 0.3 × 1 block, one from OBJ and one from OFF, in each
// output format: union 1.79, difference 0.79, intersection 0.21. The dump keeps doubles;
// the exchange formats store single precision, which holds the volume to 1e-7.
TEST_F(PolykernBooleanCli, OverlappingCubesCombineInEveryFormat) {
    Write("a.obj", CubeObj(0, 0, 0));
    Write("b.off", CubeOff(0.3, 0.7, 0));
    struct Case {
        const char* operation;
        const char* output;
        double volume;
        const char* line;
        double relTol;
    };
    for (const Case c : {Case{"union", "u.obj", 1.79, "result 1.790000", 1e-7},
                         Case{"union", "u.stl", 1.79, "result 1.790000", 1e-7},
                         Case{"difference", "d.ply", 0.79, "result 0.790000", 1e-7},
                         Case{"union", "u.dump", 1.79, "result 1.790000", 1e-9},
                         Case{"intersection", "i.dump", 0.21, "result 0.210000", 1e-9}}) {
        SCOPED_TRACE(c.output);
        const Result r =
            Run({"boolean", c.operation, Path("a.obj"), Path("b.off"), "-o", Path(c.output)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string("volume A 1.000000, B 1.000000, ") + c.line + "\n");
        auto s = Load(c.output);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
        EXPECT_TRUE(pktest::HasVolume(s.get(), c.volume, c.relTol));
    }
}

// An L-shaped building cut by a slab through its long wing: the difference and the
// intersection add up to the building, and the union to building plus slab less the
// shared part, whichever order the files come in.
TEST_F(PolykernBooleanCli, LBuildingAndSlabSatisfyTheVolumeIdentities) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    SaveShape(pktest::MakePrism({{2, -1}, {6, -1}, {6, 2}, {2, 2}}, 1), "slab.dump");
    const double building = 108.0, slab = 12.0;
    double v[4];
    const char* ops[4] = {"union", "difference", "intersection", "union"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(ops[i]);
        const std::string out = "r" + std::to_string(i) + ".dump";
        const Result r = Run({"boolean", ops[i], Path(i == 3 ? "slab.dump" : "l.dump"),
                              Path(i == 3 ? "l.dump" : "slab.dump"), "-o", Path(out)});
        ASSERT_EQ(r.status, 0) << r.err;
        auto s = Load(out);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
        v[i] = pktest::SignedVolume(s.get());
    }
    EXPECT_NEAR(v[2], 4 * 2 * 1, 1e-9 * building) << "the slab's part inside the building";
    EXPECT_NEAR(v[1] + v[2], building, 1e-9 * building);
    EXPECT_NEAR(v[0] + v[2], building + slab, 1e-9 * building);
    EXPECT_NEAR(v[3], v[0], 1e-9 * building);
}

// Refusals: one line on standard error, status 1, and nothing left in the folder, not
// even a temporary file.
TEST_F(PolykernBooleanCli, OpenOrEmptyGivesOneLineAndNoFile) {
    Write("a.off", CubeOff(0, 0, 0));
    Write("open.off", CubeOff(0.5, 0, 0, true));
    Write("far.off", CubeOff(5, 5, 5));
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::string out = Path("out.obj");
    const Case cases[] = {
        {{"boolean", "union", Path("open.off"), Path("a.off"), "-o", out}, "A is not closed"},
        {{"boolean", "difference", Path("a.off"), Path("open.off"), "-o", out}, "B is not closed"},
        {{"boolean", "intersection", Path("a.off"), Path("far.off"), "-o", out},
         "the result is empty"},
        {{"boolean", "difference", Path("a.off"), Path("a.off"), "-o", out}, "the result is empty"},
        {{"boolean", "union", Path("a.off"), Path("missing.off"), "-o", out}, "B: "},
        {{"boolean", "union", Path("a.off"), Path("far.off"), "-o", Path("out.off")},
         "cannot write this format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("polykern: boolean: ") + c.message), std::string::npos)
            << r.err;
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Listing().size(), 3u) << "only the three inputs are left";
    }
}

TEST_F(PolykernBooleanCli, WrongUsageGivesStatusTwo) {
    Write("a.off", CubeOff(0, 0, 0));
    const Result xor_ = Run({"boolean", "xor", Path("a.off"), Path("a.off"), "-o", Path("x.obj")});
    EXPECT_EQ(xor_.status, 2);
    EXPECT_NE(xor_.err.find("Run with --help"), std::string::npos) << xor_.err;
    EXPECT_EQ(Run({"boolean", "union", Path("a.off"), Path("a.off")}).status, 2) << "no -o";
    EXPECT_EQ(Run({"boolean", "union", Path("a.off"), "-o", Path("x.obj")}).status, 2);
    EXPECT_EQ(Listing().size(), 1u);
    const Result help = Run({"boolean", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage"), std::string::npos);
    EXPECT_NE(help.out.find("union,difference,intersection"), std::string::npos) << help.out;
}

TEST_F(PolykernBooleanCli, ShellHollowsTheLShapedBuilding) {
    // Walls 0.5 thick inside the 8 × 6 × 3 L (volume 108): the cavity is the L's outline
    // moved 0.5 inward, 2 high: (7 × 5 − 4 × 3) × 2 = 46.
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    const Result r = Run({"shell", Path("l.dump"), Path("hollow.dump"), "--thickness", "0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "volume solid 108.000000, walls 62.000000\n");
    const auto hollow = Load("hollow.dump");
    ASSERT_NE(hollow, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(hollow.get(), 108.0 - 46.0, 1e-9));

    Write("open.off", CubeOff(0, 0, 0, true));
    const Result open = Run({"shell", Path("open.off"), Path("x.obj"), "--thickness", "0.1"});
    EXPECT_EQ(open.status, 1);
    EXPECT_NE(open.err.find("polykern: shell: "), std::string::npos) << open.err;
    const Result thick = Run({"shell", Path("l.dump"), Path("x.obj"), "--thickness", "5"});
    EXPECT_EQ(thick.status, 1) << thick.out;
    EXPECT_FALSE(pktest::Exists(Path("x.obj")));
}
