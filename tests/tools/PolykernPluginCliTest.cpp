// Runs `polykern plugin-boolean` as a user would: the plug-in is loaded by file name, the
// solids go through it as plane bodies, and the result keeps the faces of both operands.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/tools/CliHarness.h"

namespace {

// The box (x0, y0, z0)–(x1, y1, z1) as an OFF file with outward quads.
std::string BoxOff(double x0, double y0, double z0, double x1, double y1, double z1) {
    std::ostringstream off;
    off << "OFF\n8 6 0\n";
    for (int c = 0; c < 8; ++c)
        off << (c & 1 ? x1 : x0) << ' ' << ((c >> 1) & 1 ? y1 : y0) << ' '
            << ((c >> 2) & 1 ? z1 : z0) << '\n';
    off << "4 0 2 3 1\n4 0 1 5 4\n4 1 3 7 5\n4 3 2 6 7\n4 2 0 4 6\n4 4 5 7 6\n";
    return off.str();
}

class PolykernPluginCli : public pktest::CliTest {};

TEST_F(PolykernPluginCli, TheUnionThroughThePluginKeepsFacesOfBothSolids) {
    Write("a.off", BoxOff(0, 0, 0, 2, 2, 2));
    Write("b.off", BoxOff(1, 0.5, 0.5, 3, 1.5, 1.5));
    const pktest::CliResult r =
        Run({"plugin-boolean", "union", Path("a.off"), Path("b.off"), "-o", Path("u.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("volume A 8.000000, B 2.000000, result 9.000000\nplanes ", 0), 0u)
        << r.out;
    // The x = 2 face has a hole where the bar leaves the cube: its planes are triangles.
    int planes = 0, fromA = 0, fromB = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str() + r.out.find("planes"), "planes %d: %d from A, %d from B",
                          &planes, &fromA, &fromB),
              3);
    EXPECT_EQ(fromA + fromB, planes);
    EXPECT_GT(fromA, 6);
    EXPECT_EQ(fromB, 5);
    G3Surface s;
    ASSERT_TRUE(s.LoadChecked(Path("u.dump").c_str()));
    s.FormPlaneEquation();
    EXPECT_TRUE(pktest::IsClosedAndOriented(&s));
    EXPECT_TRUE(pktest::HasVolume(&s, 9.0, 1e-9));
}

TEST_F(PolykernPluginCli, AMissingPluginFailsAndWritesNothing) {
    Write("a.off", BoxOff(0, 0, 0, 1, 1, 1));
    Write("b.off", BoxOff(0.5, 0, 0, 1.5, 1, 1));
    const pktest::CliResult r = Run({"plugin-boolean", "difference", Path("a.off"), Path("b.off"),
                                     "-o", Path("d.dump"), "--plugin", "libNoModelerHere.so"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot load the modeler libNoModelerHere.so"), std::string::npos)
        << r.err;
    EXPECT_TRUE(pktest::ReadFile(Path("d.dump")).empty());
}

}  // namespace
