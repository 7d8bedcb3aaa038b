// Runs the polykern program as a user would and checks what it prints and writes.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

int CountLines(const std::string& text) {
    int n = 0;
    for (const char c : text) n += c == '\n';
    return n;
}

class PolykernCli : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Dir = ::testing::TempDir() + "pkcli-" + info->name() + "-" + std::to_string(getpid());
        ASSERT_EQ(std::system(("rm -rf '" + m_Dir + "' && mkdir -p '" + m_Dir + "'").c_str()), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + m_Dir + "'").c_str()); }

    std::string Path(const std::string& name) const { return m_Dir + "/" + name; }

    // Runs the program with the arguments (each quoted) and collects both streams.
    Result Run(const std::vector<std::string>& args) const {
        std::string cmd = "'" POLYKERN_EXE "'";
        for (const auto& a : args) cmd += " '" + a + "'";
        cmd += " >'" + Path("stdout") + "' 2>'" + Path("stderr") + "'";
        Result r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        r.out = ReadFile(Path("stdout"));
        r.err = ReadFile(Path("stderr"));
        return r;
    }

    static std::unique_ptr<G3Surface> Load(const std::string& path) {
        auto s = std::make_unique<G3Surface>();
        if (!s->LoadChecked(path.c_str())) return nullptr;
        s->FormPlaneEquation();  // the dump holds no planes
        return s;
    }

    std::string m_Dir;
};

const std::string kCube = std::string(PK_TEST_DATA_DIR) + "/cube.dump";

}  // namespace

TEST_F(PolykernCli, InfoReportsTheCube) {
    const Result text = Run({"info", kCube});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* line :
         {"vertices            8\n", "edges               12\n", "facets              6\n",
          "closed              yes\n", "volume              1\n", "euler               2\n",
          "area                6\n", "open edges          0\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "in\n" << text.out;

    const Result json = Run({"info", "--json", kCube});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* field : {"\"vertices\": 8", "\"edges\": 12", "\"facets\": 6",
                              "\"closed\": true", "\"volume\": 1,", "\"non_manifold_edges\": 0"})
        EXPECT_NE(json.out.find(field), std::string::npos) << field << " in " << json.out;
    EXPECT_EQ(CountLines(json.out), 1);
}

// Through each outside format and back: the counts a format can hold, closedness and
// volume survive.
TEST_F(PolykernCli, ConvertRoundTripsKeepTheSolid) {
    struct Case {
        const char* ext;
        int facets;
    };
    for (const Case c : {Case{".obj", 6}, Case{".ply", 6}, Case{".stl", 12}, Case{".gltf", 12},
                         Case{".glb", 12}}) {
        SCOPED_TRACE(c.ext);
        const std::string mid = Path(std::string("cube") + c.ext);
        const std::string back = Path(std::string("back") + c.ext + ".dump");
        ASSERT_EQ(Run({"convert", kCube, mid}).status, 0);
        const Result r = Run({"convert", mid, back});
        ASSERT_EQ(r.status, 0) << r.err;
        auto s = Load(back);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->GetVertexCount(), 8);
        EXPECT_EQ(s->GetFacetCount(), c.facets);
        EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
        EXPECT_NEAR(pktest::SignedVolume(s.get()), 1.0, kTol);
    }
    const Result vrml = Run({"convert", kCube, Path("cube.wrl")});
    ASSERT_EQ(vrml.status, 0) << vrml.err;
    EXPECT_EQ(ReadFile(Path("cube.wrl")).rfind("#VRML V2.0 utf8", 0), 0u);
}

TEST_F(PolykernCli, CleanWeldsAndOrientsARawCube) {
    {
        // Six faces over 24 separate corners; the top and the east face run inward.
        G3Surface raw;
        const int faces[6][4] = {{0, 2, 3, 1}, {4, 6, 7, 5}, {0, 1, 5, 4},
                                 {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 5, 7, 3}};
        const bool reversed[6] = {false, false, false, true, false, false};
        for (int f = 0; f < 6; ++f) {
            G3Vertex* v[4];
            for (int k = 0; k < 4; ++k) {
                const int c = faces[f][reversed[f] ? 3 - k : k];
                v[k] = raw.AddVertex(c & 1, (c >> 1) & 1, (c >> 2) & 1, 0);
            }
            raw.AddFacet(4, v, 1, nullptr, nullptr);
        }
        raw.Save(Path("raw.dump").c_str());
    }
    const Result r = Run({"clean", Path("raw.dump"), Path("clean.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    auto s = Load(Path("clean.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetVertexCount(), 8);
    EXPECT_EQ(s->GetEdgeCount(), 12);
    EXPECT_EQ(s->GetFacetCount(), 6);
    EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
    EXPECT_NEAR(pktest::SignedVolume(s.get()), 1.0, kTol);
    EXPECT_NE(r.out.find("after   8 vertices, 12 edges, 6 facets, closed"), std::string::npos)
        << r.out;
}

// A slab whose top and bottom carry their openings as hole loops comes out of clean with
// the holes kept, every face outward, whichever way it went in.
TEST_F(PolykernCli, CleanKeepsSlabsWithOpeningsOutward) {
    for (const bool two : {false, true}) {
        SCOPED_TRACE(two ? "two openings" : "one opening");
        {
            std::unique_ptr<G3Surface> slab(two ? pktest::MakeSlabWithTwoOpenings()
                                                : pktest::MakeSlabWithOpening());
            slab->NegNormals();  // inside out
            slab->AssignIds();
            slab->Save(Path("slab.dump").c_str());
        }
        const Result r = Run({"clean", Path("slab.dump"), Path("slab-clean.dump")});
        ASSERT_EQ(r.status, 0) << r.err;
        auto s = Load(Path("slab-clean.dump"));
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
        const double volume = two ? 16.65 : 28.8;
        EXPECT_NEAR(pktest::SignedVolume(s.get()), volume, 1e-9 * volume);
        int withHoles = 0;
        for (int i = 0; i < s->GetFacetCount(); ++i) {
            std::vector<G3Vertex*> starts;
            std::vector<int> ends;
            ASSERT_TRUE(s->GetFacet(i)->GetLoops(starts, ends));
            withHoles += ends.size() == (two ? 3u : 2u);
        }
        EXPECT_EQ(withHoles, 2) << "top and bottom keep their holes";
    }
}

// Bad input answers with one line naming the problem and status 1, and leaves no output.
TEST_F(PolykernCli, BadInputFailsCleanly) {
    const std::string text = ReadFile(kCube);
    std::ofstream(Path("truncated.dump")) << text.substr(0, text.size() / 2);
    std::ofstream(Path("binary.obj"), std::ios::binary) << std::string(
                                                               "\x7f"
                                                               "ELF\0\x01\xff\xfe",
                                                               8)
                                                        << std::string(300, '\x03');
    std::ofstream(Path("binary.dump"), std::ios::binary) << std::string(200, '\xff');
    struct Case {
        std::string input;
        const char* says;
    };
    for (const Case& c :
         {Case{Path("truncated.dump"), "truncated.dump"}, Case{Path("binary.obj"), "binary.obj"},
          Case{Path("binary.dump"), "binary.dump"}, Case{Path("missing.dump"), "missing.dump"}}) {
        SCOPED_TRACE(c.input);
        for (const char* cmd : {"info", "convert"}) {
            std::vector<std::string> args = {cmd, c.input};
            if (std::string(cmd) == "convert") args.push_back(Path("out.obj"));
            const Result r = Run(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(CountLines(r.err), 1) << r.err;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
            EXPECT_FALSE(Exists(Path("out.obj")));
        }
    }
    EXPECT_NE(Run({"info", Path("missing.dump")}).err.find("no such file"), std::string::npos);
    const Result unknown = Run({"convert", kCube, Path("out.xyz")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_FALSE(Exists(Path("out.xyz")));
}

TEST_F(PolykernCli, WrongUsageGivesStatusTwo) {
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"info"}).status, 2);
    EXPECT_EQ(Run({"render", kCube, Path("x.png"), "--size", "0x5"}).status, 2);
    EXPECT_EQ(Run({"render", kCube, Path("x.png"), "--view", "sideways"}).status, 2);
    EXPECT_EQ(Run({"clean", kCube, Path("x.dump"), "--level", "7"}).status, 2);
    for (const char* cmd : {"info", "clean", "convert", "render", "demo", "triangulate"}) {
        const Result help = Run({cmd, "--help"});
        EXPECT_EQ(help.status, 0) << cmd;
        EXPECT_NE(help.out.find("Usage"), std::string::npos) << cmd;
    }
}

TEST_F(PolykernCli, RenderWritesAPictureOfTheRequestedSize) {
    const Result r = Run({"render", kCube, Path("cube.png"), "--size", "160x100", "--view", "iso"});
    ASSERT_EQ(r.status, 0) << r.err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, Path("cube.png").c_str()));
    EXPECT_EQ(image.width, 160u);
    EXPECT_EQ(image.height, 100u);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    int differing = 0;  // pixels unlike the corner, which is background
    for (std::size_t p = 0; p < pixels.size(); p += 3)
        differing +=
            pixels[p] != pixels[0] || pixels[p + 1] != pixels[1] || pixels[p + 2] != pixels[2];
    EXPECT_GT(differing, 160 * 100 / 10);
}

TEST_F(PolykernCli, DemoWritesTheSceneInEveryForm) {
    const Result r = Run({"demo", "--out", Path("demo-out")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"demo.dump", "demo.wrl", "demo.gltf", "demo.png"}) {
        EXPECT_TRUE(Exists(Path("demo-out/") + name)) << name;
        EXPECT_NE(r.out.find(name), std::string::npos) << name;
    }
    auto s = Load(Path("demo-out/demo.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->GetClosed());
    EXPECT_TRUE(pktest::IsWellFormed(s.get()));
    const Result info = Run({"info", Path("demo-out/demo.dump")});
    EXPECT_NE(info.out.find("open edges          0\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("non-manifold edges  0\n"), std::string::npos) << info.out;
}

TEST_F(PolykernCli, TriangulateMakesATerrainWithItsBreakLine) {
    {
        std::ofstream pts(Path("points.txt"));
        pts << "# x y z\n";
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i) pts << i << " " << j << " " << 0.1 * i * j << "\n";
        std::ofstream(Path("edges.txt")) << "0 24\n\n";  // the diagonal, through 6, 12, 18
    }
    const Result r = Run({"triangulate", Path("points.txt"), "--constraints", Path("edges.txt"),
                          "-o", Path("terrain.dump")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("32 triangles over 25 vertices"), std::string::npos) << r.out;
    auto s = Load(Path("terrain.dump"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetFacetCount(), 32);
    EXPECT_TRUE(pktest::IsWellFormed(s.get()));
    EXPECT_EQ(pktest::EulerCharacteristic(s.get()), 1);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        EXPECT_NEAR(p[2], 0.1 * p[0] * p[1], 1e-12);
    }

    std::ofstream(Path("bad-edges.txt")) << "0 25\n";
    const Result bad = Run({"triangulate", Path("points.txt"), "--constraints",
                            Path("bad-edges.txt"), "-o", Path("x.dump")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(CountLines(bad.err), 1) << bad.err;
    EXPECT_NE(bad.err.find("names no point"), std::string::npos) << bad.err;
    std::ofstream(Path("bad-points.txt")) << "1 2 3\n4 five 6\n";
    const Result text = Run({"triangulate", Path("bad-points.txt"), "-o", Path("x.dump")});
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.err.find("bad line 2"), std::string::npos) << text.err;
    EXPECT_FALSE(Exists(Path("x.dump")));
    EXPECT_EQ(Run({"triangulate", Path("points.txt")}).status, 2) << "no output named";
}

// A facet with a hole cannot be one polygon in OBJ, nor anything but triangles in STL:
// both come back covering the same area, facing the same way.
TEST_F(PolykernCli, FacetsWithHolesSurviveTheOutsideFormats) {
    {
        G3Surface plate;
        G3Vertex *o[4], *h[4];
        const double outer[4][2] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
        const double hole[4][2] = {{1, 1}, {3, 1}, {3, 3}, {1, 3}};
        for (int k = 0; k < 4; ++k) {
            o[k] = plate.AddVertex(outer[k][0], outer[k][1], 0, 0);
            h[k] = plate.AddVertex(hole[k][0], hole[k][1], 0, 0);
        }
        plate.BeginComplexFacet();
        plate.AddFacet(4, o, 1, nullptr, nullptr);
        plate.AddFacet(4, h, 1, nullptr, nullptr);
        plate.EndComplexFacet();
        ASSERT_EQ(plate.GetFacetCount(), 1);
        plate.Save(Path("plate.dump").c_str());
    }
    const Result info = Run({"info", Path("plate.dump")});
    EXPECT_NE(info.out.find("holes               1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("area                12\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("euler               0\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("edges               8\n"), std::string::npos) << "no loose edges";
    for (const char* ext : {".obj", ".stl"}) {
        SCOPED_TRACE(ext);
        ASSERT_EQ(Run({"convert", Path("plate.dump"), Path(std::string("plate") + ext)}).status, 0);
        ASSERT_EQ(Run({"convert", Path(std::string("plate") + ext), Path("back.dump")}).status, 0);
        auto s = Load(Path("back.dump"));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->GetFacetCount(), 8);
        EXPECT_NEAR(pktest::Area(s.get()), 12.0, 1e-6);
        for (int i = 0; i < s->GetFacetCount(); ++i) EXPECT_GT(s->GetFacet(i)->GetPlaneC(), 0.99);
    }
}

// Polylines clipped to a rectangle break where they run along the window; clipped to a
// polygon, they keep the pieces inside it, each running the way the input did.
TEST_F(PolykernCli, ClipKeepsThePartsInsideTheWindow) {
    std::ofstream(Path("lines.txt")) << "5 2\n15 2\n15 8\n5 8\n5 2\n\n  -5 5 \n15 5\n\n\n"
                                     << "20 20\n30 30\n";
    std::ofstream(Path("u.txt")) << "0 0\n10 0\n10 10\n7 10\n7 4\n3 4\n3 10\n0 10\n";

    const Result rect =
        Run({"clip", Path("lines.txt"), Path("rect.txt"), "--rect", "10", "10", "0", "0"});
    ASSERT_EQ(rect.status, 0) << rect.err;
    EXPECT_EQ(ReadFile(Path("rect.txt")), "5 2\n10 2\n\n10 8\n5 8\n5 2\n\n0 5\n10 5\n");
    EXPECT_EQ(rect.out, "3 polylines in, 3 out\n");

    const Result u =
        Run({"clip", Path("lines.txt"), Path("u-out.txt"), "--polygon", Path("u.txt")});
    ASSERT_EQ(u.status, 0) << u.err;
    EXPECT_EQ(ReadFile(Path("u-out.txt")),
              "5 2\n10 2\n\n10 8\n7 8\n\n5 4\n5 2\n\n0 5\n3 5\n\n7 5\n10 5\n");
    // Against the direction of the pieces' axis the output still runs as the input.
    std::ofstream(Path("back.txt")) << "11 6\n-1 6\n";
    ASSERT_EQ(
        Run({"clip", Path("back.txt"), Path("back-out.txt"), "--polygon", Path("u.txt")}).status,
        0);
    EXPECT_EQ(ReadFile(Path("back-out.txt")), "10 6\n7 6\n\n3 6\n0 6\n");
}

TEST_F(PolykernCli, ClipRefusesBadInputAndWrongUsage) {
    std::ofstream(Path("good.txt")) << "0 0\n1 1\n";
    std::ofstream(Path("word.txt")) << "0 0\n1 one\n";
    std::ofstream(Path("nan.txt")) << "0 0\nnan 1\n";
    std::ofstream(Path("single.txt")) << "0 0\n1 1\n\n2 2\n";
    for (const char* name : {"word.txt", "nan.txt", "single.txt", "missing.txt"}) {
        SCOPED_TRACE(name);
        const Result r = Run({"clip", Path(name), Path("out.txt"), "--rect", "0", "0", "1", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
        EXPECT_FALSE(Exists(Path("out.txt")));
    }
    const Result notPolygon =
        Run({"clip", Path("good.txt"), Path("out.txt"), "--polygon", Path("good.txt")});
    EXPECT_EQ(notPolygon.status, 1);
    EXPECT_EQ(CountLines(notPolygon.err), 1) << notPolygon.err;
    EXPECT_FALSE(Exists(Path("out.txt")));

    EXPECT_EQ(Run({"clip", Path("good.txt"), Path("out.txt")}).status, 2);
    EXPECT_EQ(Run({"clip", Path("good.txt"), Path("out.txt"), "--rect", "0", "0", "1"}).status, 2);
    EXPECT_EQ(Run({"clip", Path("good.txt"), Path("out.txt"), "--rect", "0", "0", "1", "x"}).status,
              2);
    EXPECT_EQ(Run({"clip", Path("good.txt"), Path("out.txt"), "--rect", "0", "0", "1", "1",
                   "--polygon", Path("good.txt")})
                  .status,
              2);
    const Result help = Run({"clip", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--polygon"), std::string::npos);
}
