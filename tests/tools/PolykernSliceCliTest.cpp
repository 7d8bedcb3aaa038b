// Runs `polykern slice` and `polykern section` as a user would: a body is cut by a plane
// into two closed parts, or sectioned by planes into polygons written as a surface, as
// polylines `clip` reads back, and as a plan drawing; bad planes and files leave nothing.

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/tools/CliHarness.h"

namespace {

using Result = pktest::CliResult;
using pktest::CountLines;
using pktest::ReadFile;

struct XY {
    double x, y;
};
using Loop = std::vector<XY>;

// The polylines of a file `section` wrote: "x y" lines, a blank line between polylines.
std::vector<Loop> ParsePolylines(const std::string& text) {
    std::vector<Loop> lines(1);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            lines.emplace_back();
            continue;
        }
        std::istringstream xy(line);
        XY p{};
        xy >> p.x >> p.y;
        lines.back().push_back(p);
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

// The signed area of a closed polyline (last point equal to the first): positive when it
// runs counter-clockwise in plan.
double SignedArea(const Loop& loop) {
    double twice = 0.0;
    for (std::size_t i = 0; i + 1 < loop.size(); ++i)
        twice += loop[i].x * loop[i + 1].y - loop[i + 1].x * loop[i].y;
    return 0.5 * twice;
}

// The lowest and highest z of a surface's vertices.
void ZRange(const G3Surface* s, double* lo, double* hi) {
    *lo = HUGE_VAL;
    *hi = -HUGE_VAL;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        *lo = std::fmin(*lo, s->GetVertex(i)->GetZ());
        *hi = std::fmax(*hi, s->GetVertex(i)->GetZ());
    }
}

// The cube [0, 1]³ as an OFF file, without its top when `open`.
std::string CubeOff(bool open = false) {
    return std::string("OFF\n8 ") + (open ? "5" : "6") +
           " 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n"
           "4 0 2 3 1\n4 0 1 5 4\n4 1 3 7 5\n4 3 2 6 7\n4 2 0 4 6\n" +
           (open ? "" : "4 4 5 7 6\n");
}

// The cube's file cut off in its vertex list, as a failed copy leaves it.
std::string TruncatedCubeOff() {
    return CubeOff().substr(0, 40);
}

class PolykernSliceCli : public pktest::CliTest {
protected:
    // A file the program wrote, read back through `convert` unless it is a dump.
    std::unique_ptr<G3Surface> Load(const std::string& name) const {
        std::string dump = name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".dump") != 0) {
            dump = name + ".dump";
            if (Run({"convert", Path(name), Path(dump)}).status != 0) return nullptr;
        }
        return LoadDump(Path(dump));
    }

    void SaveShape(G3Surface* s, const std::string& name) const {
        std::unique_ptr<G3Surface> owned(s);
        owned->AssignIds();
        owned->Save(Path(name).c_str());
    }

    // A failure: the status, one message line naming `message`, nothing on standard
    // output and only the `inputs` files left in the work folder.
    ::testing::AssertionResult FailsCleanly(const std::vector<std::string>& args,
                                            int status,
                                            const std::string& message,
                                            std::size_t inputs) const {
        const Result r = Run(args);
        if (r.status != status)
            return ::testing::AssertionFailure() << "status " << r.status << ": " << r.err;
        if (r.err.find(message) == std::string::npos)
            return ::testing::AssertionFailure() << "no '" << message << "' in: " << r.err;
        if (CountLines(r.err) != (status == 2 ? 2 : 1))
            return ::testing::AssertionFailure() << "message lines: " << r.err;
        if (!r.out.empty()) return ::testing::AssertionFailure() << "printed: " << r.out;
        if (Listing().size() != inputs)
            return ::testing::AssertionFailure() << Listing().size() << " files in the folder";
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

// The 8 × 6 × 3 L (volume 108) cut by x + z = 5, given unnormalised as 2 0 2 10: behind
// it 31.5 of the long wing and 30 of the short one. The parts come out closed in a dump
// and in OBJ (single precision, volume held to 1e-6).
TEST_F(PolykernSliceCli, TiltedPlaneCutsTheLBuildingIntoClosedPartsThatAddUp) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    const Result r = Run({"slice", Path("l.dump"), "--plane", "2", "0", "2", "10", "-o",
                          Path("behind.dump"), Path("front.obj")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("volume body 108.000000, behind 61.500000, front 46.500000\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" facets, closed; front "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("open"), std::string::npos) << r.out;
    const auto behind = Load("behind.dump");
    const auto front = Load("front.obj");
    ASSERT_NE(behind, nullptr);
    ASSERT_NE(front, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(behind.get(), 61.5, 1e-9));
    EXPECT_TRUE(pktest::IsClosedAndOriented(front.get()));
    EXPECT_TRUE(pktest::HasVolume(front.get(), 46.5, 1e-6));
    EXPECT_NEAR(pktest::SignedVolume(behind.get()) + pktest::SignedVolume(front.get()), 108.0,
                1e-6 * 108.0);
}

// A flat terrain sheet at z = 1 facing up, given as its own file: the part above (the
// side it faces) is in front.
TEST_F(PolykernSliceCli, OpenSheetCutsTheLBuildingIntoTheSideItFacesAndTheOther) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    auto* sheet = new G3Surface();
    const double corners[4][3] = {{-1, -1, 1}, {9, -1, 1}, {9, 7, 1}, {-1, 7, 1}};
    for (const auto& c : corners) sheet->AddVertex(c, 0);
    const int quad[4] = {0, 1, 2, 3};
    sheet->AddFacet(4, quad, 1, nullptr, nullptr);
    SaveShape(sheet, "ground.dump");
    const Result r = Run({"slice", Path("l.dump"), "--sheet", Path("ground.dump"), "-o",
                          Path("below.dump"), Path("above.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("volume body 108.000000, behind 36.000000, front 72.000000\n"),
              std::string::npos)
        << r.out;
    const auto below = Load("below.dump");
    const auto above = Load("above.dump");
    ASSERT_TRUE(below && above);
    EXPECT_TRUE(pktest::IsClosedWithVolume(below.get(), 36.0, 1e-9));
    EXPECT_TRUE(pktest::IsClosedWithVolume(above.get(), 72.0, 1e-9));
}

// 0 0 2 2 is the plane z = 1: the part below it holds a third of the L, every corner at
// z ≤ 1, and the part above the rest. The same plane with its normal turned down swaps
// which part is behind.
TEST_F(PolykernSliceCli, UnnormalisedPlaneCutsAtItsOwnHeightOnEitherSide) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    struct Case {
        std::vector<std::string> plane;
        double belowVolume;
        bool belowIsBehind;
    };
    for (const Case& c :
         {Case{{"0", "0", "2", "2"}, 36.0, true}, Case{{"0", "0", "-0.5", "-0.5"}, 36.0, false}}) {
        SCOPED_TRACE(c.plane[2]);
        std::vector<std::string> args = {"slice", Path("l.dump"), "--plane"};
        args.insert(args.end(), c.plane.begin(), c.plane.end());
        args.insert(args.end(), {"-o", Path("behind.dump"), Path("front.dump")});
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto behind = Load("behind.dump");
        const auto front = Load("front.dump");
        ASSERT_NE(behind, nullptr);
        ASSERT_NE(front, nullptr);
        const G3Surface* below = c.belowIsBehind ? behind.get() : front.get();
        const G3Surface* above = c.belowIsBehind ? front.get() : behind.get();
        EXPECT_TRUE(pktest::IsClosedWithVolume(below, c.belowVolume));
        EXPECT_TRUE(pktest::IsClosedWithVolume(above, 108.0 - c.belowVolume));
        double lo, hi;
        ZRange(below, &lo, &hi);
        EXPECT_NEAR(lo, 0.0, 1e-9);
        EXPECT_NEAR(hi, 1.0, 1e-9);
        ZRange(above, &lo, &hi);
        EXPECT_NEAR(lo, 1.0, 1e-9);
        EXPECT_NEAR(hi, 3.0, 1e-9);
    }
}

// A plane that leaves the body whole (above it, or touching its floor) is an error that
// says on which side the body lies, and no piece is written.
TEST_F(PolykernSliceCli, PlaneThatDoesNotDivideTheBodyWritesNothing) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    const std::string behind = Path("behind.dump"), front = Path("front.dump");
    EXPECT_TRUE(
        FailsCleanly({"slice", Path("l.dump"), "--plane", "0", "0", "1", "5", "-o", behind, front},
                     1, "does not divide the body: the body lies wholly behind", 1));
    EXPECT_TRUE(
        FailsCleanly({"slice", Path("l.dump"), "--plane", "0", "0", "1", "0", "-o", behind, front},
                     1, "does not divide the body: the body lies wholly in front", 1));
}

// Missing or meaningless planes, outputs that cannot be written and damaged or open
// inputs: one line on standard error (two for wrong usage), and nothing left behind.
TEST_F(PolykernSliceCli, BadPlanesAndFilesFailWithOneLine) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    Write("cut.off", TruncatedCubeOff());
    Write("open.off", CubeOff(true));
    const std::string in = Path("l.dump"), a = Path("a.dump"), b = Path("b.dump");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"slice", in, "-o", a, b}, 1, "either --plane or --sheet"},
        {{"slice", in, "--plane", "0", "0", "1", "1", "--sheet", in, "-o", a, b},
         1,
         "either --plane or --sheet"},
        {{"slice", in, "--sheet", in, "-o", a, b}, 1, "the sheet is closed"},
        {{"slice", in, "--plane", "0", "0", "1", "-o", a, b}, 2, "--plane"},
        {{"slice", in, "--plane", "0", "0", "1", "1", "-o", a}, 2, "--output"},
        {{"slice", in, "--plane", "0", "0", "0", "1", "-o", a, b}, 1, "normal (A, B, C) is zero"},
        {{"slice", in, "--plane", "0", "0", "nan", "1", "-o", a, b}, 1, "non-finite"},
        {{"slice", in, "--plane", "0", "0", "1", "inf", "-o", a, b}, 1, "non-finite"},
        {{"slice", in, "--plane", "1e300", "1e300", "1e300", "1", "-o", a, b},
         1,
         "does not divide the body"},
        {{"slice", in, "--plane", "0", "0", "1", "1", "-o", a, Path("b.off")},
         1,
         "cannot write this format"},
        {{"slice", in, "--plane", "0", "0", "1", "1", "-o", a, a}, 1, "two files"},
        {{"slice", Path("cut.off"), "--plane", "0", "0", "1", "0.5", "-o", a, b}, 1, "slice: "},
        {{"slice", Path("open.off"), "--plane", "0", "0", "1", "0.5", "-o", a, b},
         1,
         "the body is not closed"},
        {{"slice", Path("none.off"), "--plane", "0", "0", "1", "0.5", "-o", a, b}, 1, "slice: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_TRUE(FailsCleanly(c.args, c.status, c.message, 3));
    }
}

// The 10 × 10 slab with its 2 × 2 opening, 0.3 thick, cut at three heights inside it:
// each section is one polygon of area 96 carrying the opening as a hole, in the surface
// output and in the polylines, where outlines run counter-clockwise and holes clockwise.
// `clip` reads the polylines back as they are.
TEST_F(PolykernSliceCli, SlabWithOpeningGivesOneHoledPolygonPerHeight) {
    SaveShape(pktest::MakeSlabWithOpening(), "slab.dump");
    const Result r =
        Run({"section", Path("slab.dump"), "--z", "0.05", "0.25", "0.1", "-o", Path("s.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "z 0.05: 1 polygons, area 96\nz 0.15: 1 polygons, area 96\n"
              "z 0.25: 1 polygons, area 96\n3 planes, 3 polygons, area 288\n");
    const auto sections = Load("s.dump");
    ASSERT_NE(sections, nullptr);
    EXPECT_TRUE(pktest::IsWellFormed(sections.get()));
    ASSERT_EQ(sections->GetFacetCount(), 3);
    EXPECT_NEAR(pktest::Area(sections.get()), 288.0, 1e-9);
    for (int i = 0; i < 3; ++i) {
        const G3Facet* f = sections->GetFacet(i);
        std::vector<G3Vertex*> starts;
        std::vector<int> loopEnds;
        ASSERT_TRUE(f->GetLoops(starts, loopEnds));
        EXPECT_EQ(loopEnds.size(), 2u) << "the outline and the opening";
    }

    const Result lines =
        Run({"section", Path("slab.dump"), "--z", "0.05", "0.25", "0.1", "-o", Path("s.txt")});
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(lines.out, r.out);
    const std::vector<Loop> loops = ParsePolylines(ReadFile(Path("s.txt")));
    ASSERT_EQ(loops.size(), 6u);
    double total = 0.0;
    int holes = 0;
    for (const Loop& loop : loops) {
        ASSERT_EQ(loop.size(), 5u) << "four corners, closed on the first";
        EXPECT_EQ(loop.front().x, loop.back().x);
        EXPECT_EQ(loop.front().y, loop.back().y);
        const double area = SignedArea(loop);
        holes += area < 0;
        EXPECT_NEAR(std::fabs(area), area < 0 ? 4.0 : 100.0, 1e-9);
        total += area;
    }
    EXPECT_EQ(holes, 3);
    EXPECT_NEAR(total, 288.0, 1e-9);
    const Result clip =
        Run({"clip", Path("s.txt"), Path("c.txt"), "--rect", "-1", "-1", "11", "11"});
    ASSERT_EQ(clip.status, 0) << clip.err;
    EXPECT_EQ(clip.out, "6 polylines in, 6 out\n");
}

// Planes given by A B C D: z = 0.15 through the slab with two 1.5 × 1.5 openings, written
// unnormalised (area 60 − 4.5), and the vertical planes x = 2 and y = 4.5 through the L
// (sections 6 × 3 and 4 × 3), together in one surface. Heights below and above the L
// count no polygon; heights on its floor and roof give its plan.
TEST_F(PolykernSliceCli, GivenPlanesSectionAtTheirOwnPlace) {
    SaveShape(pktest::MakeSlabWithTwoOpenings(), "slab2.dump");
    const Result slab =
        Run({"section", Path("slab2.dump"), "--plane", "0", "0", "2", "0.3", "-o", Path("s2.txt")});
    ASSERT_EQ(slab.status, 0) << slab.err;
    EXPECT_EQ(slab.out,
              "plane 0 0 1 0.15: 1 polygons, area 55.5\n1 planes, 1 polygons, area 55.5\n");
    EXPECT_EQ(ParsePolylines(ReadFile(Path("s2.txt"))).size(), 3u) << "outline and two holes";

    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    const Result l = Run({"section", Path("l.dump"), "--plane", "1", "0", "0", "2", "--plane", "0",
                          "-3", "0", "-13.5", "-o", Path("v.dump")});
    ASSERT_EQ(l.status, 0) << l.err;
    EXPECT_EQ(l.out,
              "plane 1 0 0 2: 1 polygons, area 18\nplane 0 -1 0 -4.5: 1 polygons, area 12\n"
              "2 planes, 2 polygons, area 30\n");
    const auto v = Load("v.dump");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetFacetCount(), 2);
    EXPECT_NEAR(pktest::Area(v.get()), 30.0, 1e-9);

    const Result z = Run({"section", Path("l.dump"), "--z", "-1", "4", "1", "-o", Path("z.obj")});
    ASSERT_EQ(z.status, 0) << z.err;
    EXPECT_EQ(z.out,
              "z -1: 0 polygons, area 0\nz 0: 1 polygons, area 36\nz 1: 1 polygons, area 36\n"
              "z 2: 1 polygons, area 36\nz 3: 1 polygons, area 36\nz 4: 0 polygons, area 0\n"
              "6 planes, 4 polygons, area 144\n");
}

// The plan drawing is a real PNG, fitted to the sections: the slab's solid part is
// tinted, and its opening, in the middle of the picture, shows the white background.
TEST_F(PolykernSliceCli, PngDrawsThePlanWithTheOpeningLeftOpen) {
    SaveShape(pktest::MakeSlabWithOpening(), "slab.dump");
    const Result r = Run({"section", Path("slab.dump"), "--z", "0.1", "0.2", "0.1", "-o",
                          Path("s.obj"), "--png", Path("plan.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = ReadFile(Path("plan.png"));
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, Path("plan.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    auto pixel = [&](int x, int y) {
        const unsigned char* p = &pixels[3 * (static_cast<std::size_t>(y) * w + x)];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    EXPECT_EQ(pixel(w / 2, h / 2), 0xffffff) << "the opening";
    EXPECT_EQ(pixel(2, 2), 0xffffff) << "the margin";
    // The slab spans the picture's height less a margin: a quarter of the way in is slab.
    EXPECT_NE(pixel(w / 2, h / 4), 0xffffff) << "the slab";
}

// Hard numbers and files: one clear line, no crash, nothing written.
TEST_F(PolykernSliceCli, SectionRefusesBadPlanesAndFiles) {
    SaveShape(pktest::MakeLShapedBuilding(), "l.dump");
    Write("cut.off", TruncatedCubeOff());
    const std::string in = Path("l.dump"), out = Path("s.dump");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"section", in, "--z", "0", "nan", "1", "-o", out}, 1, "finite numbers"},
        {{"section", in, "--z", "-inf", "1", "1", "-o", out}, 1, "finite numbers"},
        {{"section", in, "--z", "0", "1", "0", "-o", out}, 1, "STEP must be above 0"},
        {{"section", in, "--z", "0", "1", "-0.5", "-o", out}, 1, "STEP must be above 0"},
        {{"section", in, "--z", "2", "1", "0.5", "-o", out}, 1, "Z1 must not lie below Z0"},
        {{"section", in, "--z", "0", "1e9", "1e-6", "-o", out}, 1, "more than 100000 planes"},
        {{"section", in, "--z", "0", "1e308", "1e-308", "-o", out}, 1, "more than 100000"},
        {{"section", in, "--z", "5", "9", "1", "-o", out}, 1, "no plane meets the body"},
        {{"section", in, "--plane", "0", "0", "0", "1", "-o", out}, 1, "is zero"},
        {{"section", in, "--plane", "1", "0", "0", "2", "-o", Path("s.txt")}, 1, "vertical"},
        {{"section", in, "--z", "1", "2", "1", "-o", Path("s.xyz")}, 1, "cannot write"},
        {{"section", Path("cut.off"), "--z", "0.5", "0.5", "1", "-o", out}, 1, "section: "},
        {{"section", in, "--z", "1", "2", "-o", out}, 2, "--z"},
        {{"section", in, "--plane", "0", "0", "1", "-o", out}, 2, "four numbers"},
        {{"section", in, "--z", "1", "2", "1", "--plane", "0", "0", "1", "1", "-o", out},
         2,
         "Exactly 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_TRUE(FailsCleanly(c.args, c.status, c.message, 2));
    }
}

// The L and the slab turned about an oblique axis and moved 1e5 away: a plane through
// the L's middle along (1, 1, 1) still gives two closed parts that add up to 108, and the
// slab's middle plane, 0.15 under its top, still a section of 96 with the opening as a hole.
TEST_F(PolykernSliceCli, FarRotatedCopiesSliceAndSectionAsAtHome) {
    auto number = [](double x) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", x);
        return std::string(buf);
    };
    SaveShape(pktest::MakeLShapedBuilding(true), "l.dump");
    const auto l = LoadDump(Path("l.dump"));
    ASSERT_NE(l, nullptr);
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int i = 0; i < l->GetVertexCount(); ++i) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::fmin(lo[k], l->GetVertex(i)->GetXYZ()[k]);
            hi[k] = std::fmax(hi[k], l->GetVertex(i)->GetXYZ()[k]);
        }
    }
    const double d = 0.5 * (lo[0] + hi[0] + lo[1] + hi[1] + lo[2] + hi[2]);
    const Result r = Run({"slice", Path("l.dump"), "--plane", "1", "1", "1", number(d), "-o",
                          Path("a.dump"), Path("b.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto a = Load("a.dump");
    const auto b = Load("b.dump");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(a.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(b.get()));
    EXPECT_GT(pktest::SignedVolume(a.get()), 10.0);
    EXPECT_GT(pktest::SignedVolume(b.get()), 10.0);
    EXPECT_NEAR(pktest::SignedVolume(a.get()) + pktest::SignedVolume(b.get()), 108.0, 1e-6);

    SaveShape(pktest::MakeSlabWithOpening(true), "slab.dump");
    const auto slab = LoadDump(Path("slab.dump"));
    ASSERT_NE(slab, nullptr);
    const G3Facet* top = pktest::FindFacetWithHoles(slab.get(), true);
    ASSERT_NE(top, nullptr);
    const double* p = top->GetPlane();
    const Result s = Run({"section", Path("slab.dump"), "--plane", number(p[0]), number(p[1]),
                          number(p[2]), number(-p[3] - 0.15), "-o", Path("s.dump")});
    ASSERT_EQ(s.status, 0) << s.err;
    const auto section = Load("s.dump");
    ASSERT_NE(section, nullptr);
    ASSERT_EQ(section->GetFacetCount(), 1);
    EXPECT_NEAR(pktest::Area(section.get()), 96.0, 1e-6);
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    ASSERT_TRUE(section->GetFacet(0)->GetLoops(starts, loopEnds));
    EXPECT_EQ(loopEnds.size(), 2u);
}
