// Runs the polykern program as a user would and checks what it prints and writes.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
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
#include "tests/tools/CliHarness.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;

using pktest::CountLines;
using pktest::Exists;
using pktest::ReadFile;
using Result = pktest::CliResult;

class PolykernCli : public pktest::CliTest {
protected:
    static std::unique_ptr<G3Surface> Load(const std::string& path) { return LoadDump(path); }
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
    // The importer leaks what it has built when a coordinate is no number.
    std::ofstream(Path("garbled.stl"))
        << "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 \xd0\xdf\xcf\xf5vertex 1 0 0\n"
           "vertex 0 1 0\nendloop\nendfacet\nendsolid t\n";
    struct Case {
        std::string input;
        const char* says;
    };
    for (const Case& c :
         {Case{Path("truncated.dump"), "truncated.dump"}, Case{Path("binary.obj"), "binary.obj"},
          Case{Path("binary.dump"), "binary.dump"}, Case{Path("missing.dump"), "missing.dump"},
          Case{Path("garbled.stl"), "line 4: \"vertex\" is not followed by three numbers"}}) {
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

namespace {

// An L-shaped building block as OFF text: the L (3 × 2 with a 2 × 1 notch) in plan, 2
// high, six walls and the two L-shaped slabs as single facets, faces running outward.
// `turned` gives it a quarter turn about z; `unwelded` gives every face its own corners;
// comments, blank lines and a colour after each face are mixed in as files have them.
std::string LPrismOff(bool turned, bool unwelded) {
    const double plan[6][2] = {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {0, 2}};
    std::vector<std::vector<int>> faces = {{5, 4, 3, 2, 1, 0}, {6, 7, 8, 9, 10, 11}};
    for (int k = 0; k < 6; ++k) faces.push_back({k, (k + 1) % 6, (k + 1) % 6 + 6, k + 6});
    std::vector<int> order;  // the vertex each corner line stands for
    if (unwelded) {
        for (auto& face : faces)
            for (int& c : face) order.push_back(c), c = static_cast<int>(order.size()) - 1;
    } else {
        for (int i = 0; i < 12; ++i) order.push_back(i);
    }
    std::ostringstream off;
    off << "OFF\n# L-shaped block\n" << order.size() << " " << faces.size() << " 0\n\n";
    for (const int i : order) {
        const double x = plan[i % 6][0], y = plan[i % 6][1], z = i < 6 ? 0 : 2;
        off << (turned ? -y : x) << " " << (turned ? x : y) << " " << z << "\n";
    }
    for (const auto& face : faces) {
        off << face.size();
        for (const int c : face) off << " " << c;
        off << " 200 180 160  # wall colour\n";
    }
    return off.str();
}

// A PLY header in the given format over x y z floats and faces as index lists.
std::string PlyHeader(const char* format, long long vertices, long long faces) {
    return std::string("ply\nformat ") + format + " 1.0\nelement vertex " +
           std::to_string(vertices) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
           std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n";
}

// A binary PLY of the given vertices and faces, in either byte order.
std::string BinaryPly(const std::vector<float>& xyz,
                      const std::vector<std::vector<int>>& faces,
                      bool bigEndian = false) {
    std::string ply =
        PlyHeader(bigEndian ? "binary_big_endian" : "binary_little_endian",
                  static_cast<long long>(xyz.size() / 3), static_cast<long long>(faces.size()));
    const auto put = [&](const void* value) {
        const std::size_t at = ply.size();
        ply.append(static_cast<const char*>(value), 4);
        if (bigEndian) std::reverse(ply.begin() + at, ply.end());
    };
    for (const float& x : xyz) put(&x);
    for (const auto& face : faces) {
        ply.push_back(static_cast<char>(face.size()));
        for (const int& i : face) put(&i);
    }
    return ply;
}

}  // namespace

// A header claiming a billion vertices in a file of some 60 bytes once made `info`
// allocate for all of them and run until killed; it is refused at once, with one line.
TEST_F(PolykernCli, LyingHeadersAreRefusedBeforeAllocating) {
    const std::string triangle = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    std::ofstream(Path("vertices.off")) << "OFF\n1000000000 1 0\n" << triangle;
    std::ofstream(Path("faces.off")) << "OFF\n3 1000000000 0\n" << triangle;
    std::ofstream(Path("ascii.ply")) << PlyHeader("ascii", 1000000000, 1) << triangle;
    std::ofstream(Path("binary.ply"), std::ios::binary)
        << PlyHeader("binary_little_endian", 1000000000, 1) << std::string(40, '\0');
    std::ofstream(Path("faces.ply"), std::ios::binary)
        << PlyHeader("binary_little_endian", 3, 1000000000) << std::string(40, '\0');
    for (const char* name : {"vertices.off", "faces.off", "ascii.ply", "binary.ply", "faces.ply"}) {
        SCOPED_TRACE(name);
        const auto start = std::chrono::steady_clock::now();
        const Result r = Run({"info", Path(name)});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find("header claims 1000000000"), std::string::npos) << r.err;
        EXPECT_LT(seconds, 10.0) << "took long enough to have allocated for the claim";
    }
}

// A face naming vertex 99 of 3 was once read as some other vertex (OFF) or dropped
// without a word (PLY, glTF), or refused without saying where (OBJ); now the file is refused,
// naming the face and the index, and `convert` writes nothing.
TEST_F(PolykernCli, FaceNamingAMissingVertexIsRefused) {
    const std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::ofstream(Path("bad.off")) << "OFF\n4 2 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 99\n";
    std::ofstream(Path("bad-ascii.ply"))
        << PlyHeader("ascii", 4, 2) << "0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 99\n";
    std::ofstream(Path("bad-binary.ply"), std::ios::binary)
        << BinaryPly(xyz, {{0, 1, 2}, {0, 1, 99}});
    std::ofstream(Path("negative.ply"), std::ios::binary)
        << BinaryPly(xyz, {{0, 1, 2}, {0, 1, -1}});
    std::ofstream(Path("bad.obj"))
        << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1/1 2/2 99/3\n";
    struct Case {
        const char* name;
        const char* says;
    };
    for (const Case c : {Case{"bad.off", "line 8: face 1 names vertex 99"},
                         Case{"bad.obj", "line 6: face 1 names vertex 99"},
                         Case{"bad-ascii.ply", "face 1 names vertex 99"},
                         Case{"bad-binary.ply", "face 1 names vertex 99"},
                         Case{"negative.ply", "face 1 names vertex -1"}}) {
        SCOPED_TRACE(c.name);
        const Result info = Run({"info", Path(c.name)});
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(CountLines(info.err), 1) << info.err;
        EXPECT_NE(info.err.find(c.says), std::string::npos) << info.err;
        EXPECT_NE(info.err.find("the file has 4 vertices"), std::string::npos) << info.err;
        const Result convert = Run({"convert", Path(c.name), Path("out.dump")});
        EXPECT_EQ(convert.status, 1);
        EXPECT_FALSE(Exists(Path("out.dump")));
    }
    // The glTF importer drops such a face itself, leaving no index to name.
    {
        std::ofstream bin(Path("mesh.bin"), std::ios::binary);
        bin.write(reinterpret_cast<const char*>(xyz.data()), 48);
        const uint16_t corners[6] = {0, 1, 2, 0, 1, 99};
        bin.write(reinterpret_cast<const char*>(corners), sizeof corners);
    }
    std::ofstream(Path("bad.gltf"))
        << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
"nodes": [{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0},
"indices": 1}]}], "buffers": [{"byteLength": 60, "uri": "mesh.bin"}],
"bufferViews": [{"buffer": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48,
"byteLength": 12}], "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4,
"type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 1]}, {"bufferView": 1,
"componentType": 5123, "count": 6, "type": "SCALAR"}]})";
    const Result gltf = Run({"convert", Path("bad.gltf"), Path("out.dump")});
    EXPECT_EQ(gltf.status, 1);
    EXPECT_EQ(CountLines(gltf.err), 1) << gltf.err;
    EXPECT_NE(gltf.err.find("a face names a vertex its mesh lacks"), std::string::npos) << gltf.err;
    EXPECT_FALSE(Exists(Path("out.dump")));
}

// The block reads as one closed, outward solid of the right size, turned or not, and
// with every face on corners of its own (welded as they are read).
TEST_F(PolykernCli, OffReadsAnLShapedBlockWithItsSlabsAsSingleFacets) {
    for (const bool turned : {false, true}) {
        for (const bool unwelded : {false, true}) {
            SCOPED_TRACE(std::string(turned ? "turned" : "as drawn") +
                         (unwelded ? ", unwelded" : ""));
            std::ofstream(Path("block.off")) << LPrismOff(turned, unwelded);
            const Result r = Run({"convert", Path("block.off"), Path("block.dump")});
            ASSERT_EQ(r.status, 0) << r.err;
            auto s = Load(Path("block.dump"));
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->GetVertexCount(), 12);
            EXPECT_EQ(s->GetEdgeCount(), 18);
            EXPECT_EQ(s->GetFacetCount(), 8);
            EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
            EXPECT_NEAR(pktest::SignedVolume(s.get()), 8.0, kTol);
            // The slabs are concave: their area is measured as `info` does, by loops.
            const Result info = Run({"info", Path("block.off")});
            EXPECT_NE(info.out.find("area                28\n"), std::string::npos) << info.out;
        }
    }
}

// Damaged or unsupported OFF files answer with one line naming the problem.
TEST_F(PolykernCli, DamagedOffIsRefusedWithOneLine) {
    const std::string block = LPrismOff(false, false);
    struct Case {
        const char* name;
        std::string text;
        const char* says;
    };
    for (const Case& c :
         {Case{"short-faces.off", block.substr(0, block.size() - 40),
               "the file ends after 7 of its 8 faces"},
          Case{"short-vertices.off", "OFF\n3 1 0\n0.000000 0.000000 0.000000\n1.000000 0 0\n",
               "the file ends after 2 of its 3 vertices"},
          Case{"cut-in-vertices.off", block.substr(0, block.find("1 2 2")), "can hold at most 10"},
          Case{"word.off", "OFF\n3 1 0\n0 0 0\n1 zero 0\n0 1 0\n3 0 1 2\n", "line 4: vertex 1"},
          Case{"nan.off", "OFF\n3 1 0\n0 0 0\n1 0 nan\n0 1 0\n3 0 1 2\n", "non-finite"},
          Case{"short-face.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2\n", "fewer than its 4"},
          Case{"4d.off", "4OFF\n3 1 0\n0 0 0 1\n1 0 0 1\n0 1 0 1\n3 0 1 2\n", "4OFF files"},
          Case{"counts.off", "OFF\n-3 1 0\n", "line 2: expected the counts"}}) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(c.name)) << c.text;
        const Result r = Run({"info", Path(c.name)});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.name), std::string::npos) << r.err;
    }
}

// PLY files the importer would read wrongly or not at all are refused with one line:
// cut short, strips naming a missing vertex, indices it cannot check, big-endian faces
// with an index beyond the vertices; the same cube in both byte orders reads alike.
TEST_F(PolykernCli, DamagedPlyIsRefusedWithOneLine) {
    const std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const std::vector<std::vector<int>> tetra = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    const std::string good = BinaryPly(xyz, tetra);
    const std::string big = BinaryPly(xyz, tetra, true);
    std::ofstream(Path("tetra.ply"), std::ios::binary) << good;
    std::ofstream(Path("tetra-big.ply"), std::ios::binary) << big;
    for (const char* name : {"tetra.ply", "tetra-big.ply"}) {
        SCOPED_TRACE(name);
        const Result r = Run({"convert", Path(name), Path("tetra.dump")});
        ASSERT_EQ(r.status, 0) << r.err;
        auto s = Load(Path("tetra.dump"));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->GetFacetCount(), 4);
        EXPECT_TRUE(pktest::IsClosedAndOriented(s.get()));
        EXPECT_NEAR(pktest::SignedVolume(s.get()), 1.0 / 6.0, 1e-7);  // single precision
    }

    const std::string bigBad = BinaryPly(xyz, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 9}}, true);
    const std::string strips =
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
        "property float z\nelement tristrips 1\nproperty list int int vertex_indices\n"
        "end_header\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n";
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    };
    for (const Case& c :
         {Case{"cut.ply", good.substr(0, good.size() - 5), "the file ends inside face 3"},
          Case{"big-bad.ply", bigBad, "face 3 names vertex 9, but the file has 4 vertices"},
          Case{"strips.ply", strips + "6 0 1 2 -1 3 7\n", "triangle strip 0 names vertex 7"},
          Case{"float.ply",
               PlyHeader("ascii", 3, 1)
                       .replace(PlyHeader("ascii", 3, 1).find("uchar int"), 9, "uchar float") +
                   "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
               "floating-point"},
          Case{"no-end.ply", PlyHeader("ascii", 3, 1).substr(0, 60), "no end_header"}}) {
        SCOPED_TRACE(c.name);
        std::ofstream(Path(c.name), std::ios::binary) << c.bytes;
        const Result r = Run({"info", Path(c.name)});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}
