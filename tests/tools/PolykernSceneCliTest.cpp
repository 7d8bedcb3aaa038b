// polykern scene: bodies gathered into one glTF file that keeps every facet's area, each
// body's kind and its position far from the origin, and that opens in a real viewer.

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/tools/CliHarness.h"

namespace {

using Json = nlohmann::json;

std::string Decode64(const std::string& text) {
    std::string out;
    std::uint32_t acc = 0;
    int bits = 0;
    for (const char c : text) {
        const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(table, c);
        if (c == '=' || at == nullptr) break;
        acc = (acc << 6) | static_cast<std::uint32_t>(at - table);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    return out;
}

// The triangles of one primitive, corners in model coordinates (the node's translation
// added back), with the name of its material.
struct Primitive {
    std::string material;
    std::vector<std::array<double, 3>> corners;  // three per triangle
};

std::vector<Primitive> PrimitivesOf(const Json& doc, const Json& node) {
    const std::string uri = doc["buffers"][0]["uri"];
    const std::string bytes = Decode64(uri.substr(uri.find(',') + 1));
    auto view = [&](int accessor) {
        const Json& a = doc["accessors"][accessor];
        const Json& v = doc["bufferViews"][a["bufferView"].get<int>()];
        return bytes.data() + v["byteOffset"].get<std::size_t>();
    };
    std::vector<Primitive> out;
    const Json& mesh = doc["meshes"][node["mesh"].get<int>()];
    for (const Json& p : mesh["primitives"]) {
        Primitive prim;
        prim.material = doc["materials"][p["material"].get<int>()]["name"];
        const int pos = p["attributes"]["POSITION"], idx = p["indices"];
        const auto* xyz = reinterpret_cast<const float*>(view(pos));
        const auto* index = reinterpret_cast<const std::uint32_t*>(view(idx));
        const std::size_t count = doc["accessors"][idx]["count"];
        for (std::size_t k = 0; k < count; ++k) {
            std::array<double, 3> c{};
            for (int a = 0; a < 3; ++a)
                c[a] = node["translation"][a].get<double>() + double(xyz[3 * index[k] + a]);
            prim.corners.push_back(c);
        }
        out.push_back(prim);
    }
    return out;
}

double Area(const Primitive& p) {
    double area = 0.0;
    for (std::size_t k = 0; k + 2 < p.corners.size(); k += 3) {
        const auto &a = p.corners[k], &b = p.corners[k + 1], &c = p.corners[k + 2];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        area += 0.5 * std::sqrt(std::pow(u[1] * v[2] - u[2] * v[1], 2) +
                                std::pow(u[2] * v[0] - u[0] * v[2], 2) +
                                std::pow(u[0] * v[1] - u[1] * v[0], 2));
    }
    return area;
}

class PolykernScene : public pktest::CliTest {
protected:
    void Save(G3Surface* s, const std::string& name) const {
        std::unique_ptr<G3Surface> owned(s);
        owned->Save(Path(name).c_str());
    }
};

}  // namespace

TEST_F(PolykernScene, KeepsEveryBodyItsKindItsAreaAndItsPlaceFarFromTheOrigin) {
    // An L-shaped building and a slab with an opening, both turned and moved about 1e5 m
    // away: float coordinates about the scene's own origin keep them to a millimetre.
    Save(pktest::MakeLShapedBuilding(true), "house.dump");
    Save(pktest::MakeSlabWithOpening(true), "slab.dump");
    const pktest::CliResult r = Run({"scene", Path("house.dump"), Path("slab.dump"), "--kind",
                                     "wall", "--kind", "slab", "-o", Path("site.gltf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 nodes, 2 materials"), std::string::npos) << r.out;
    const Json doc = Json::parse(pktest::ReadFile(Path("site.gltf")));
    ASSERT_EQ(doc["nodes"][0]["name"], "model");
    ASSERT_EQ(doc["nodes"][0]["children"].size(), 2u);
    const char* files[] = {"house.dump", "slab.dump"};
    const char* kinds[] = {"wall", "slab"};
    for (int e = 0; e < 2; ++e) {
        const Json& node = doc["nodes"][doc["nodes"][0]["children"][e].get<int>()];
        const std::unique_ptr<G3Surface> body = LoadDump(Path(files[e]));
        ASSERT_NE(body, nullptr);
        const std::vector<Primitive> prims = PrimitivesOf(doc, node);
        ASSERT_EQ(prims.size(), 1u);
        EXPECT_EQ(prims[0].material, kinds[e]);
        // Holes stay open: the triangles cover exactly the facets' area.
        EXPECT_NEAR(Area(prims[0]), pktest::Area(body.get()), 1e-3) << files[e];
        // Every corner lands within a millimetre of a corner of the body.
        for (const auto& c : prims[0].corners) {
            double best = HUGE_VAL;
            for (int i = 0; i < body->GetVertexCount(); ++i) {
                const double* p = body->GetVertex(i)->GetXYZ();
                best = std::min(best, std::hypot(p[0] - c[0], p[1] - c[1], p[2] - c[2]));
            }
            ASSERT_LT(best, 1e-3) << files[e];
        }
    }
}

TEST_F(PolykernScene, RefusesUnknownKindsMissingFilesAndWritesNothing) {
    Save(pktest::MakeLShapedBuilding(), "house.dump");
    EXPECT_EQ(Run({"scene", Path("house.dump"), "--kind", "marble", "-o", Path("a.gltf")}).status,
              1);
    EXPECT_EQ(Run({"scene", Path("missing.dump"), "-o", Path("b.gltf")}).status, 1);
    EXPECT_EQ(
        Run({"scene", Path("house.dump"), "--kind", "wall", "--kind", "roof", "-o", Path("c.gltf")})
            .status,
        1);
    EXPECT_EQ(Listing(), std::vector<std::string>{"house.dump"});
}

// The written scene opens in three.js's glTF loader in headless Chromium (software
// WebGL): the page reports the nodes it loaded, and its picture is not blank.
TEST_F(PolykernScene, OpensInABrowserViewer) {
    ASSERT_TRUE(pktest::Exists("/usr/bin/chromium"))
        << "chromium is installed by scripts/bootstrap";
    Save(pktest::MakeLShapedBuilding(true), "house.dump");
    Save(pktest::MakeSlabWithOpening(true), "slab.dump");
    Save(pktest::MakePrism({{0, 0}, {3, 0}, {3, 2}, {0, 2}}, 1.0, true), "shed.dump");
    ASSERT_EQ(Run({"scene", Path("house.dump"), Path("slab.dump"), Path("shed.dump"), "--kind",
                   "wall", "--kind", "slab", "--kind", "roof", "-o", Path("site.gltf")})
                  .status,
              0);
    std::string dom;
    std::size_t drawn = 0;
    ASSERT_TRUE(OpenInViewer(Path("site.gltf"), &dom, &drawn));
    EXPECT_NE(dom.find("nodes=3"), std::string::npos) << dom;
    EXPECT_GT(drawn, std::size_t(640 * 480 / 50)) << "the viewer drew (almost) nothing";
}

// The pictures come with the scene: the iso view and one plan per height, each plan
// counting the section polygons of the closed bodies it cuts.
TEST_F(PolykernScene, DrawsThePictureAndPlansBesideTheScene) {
    Save(pktest::MakeLShapedBuilding(), "house.dump");
    Save(pktest::MakeSlabWithOpening(), "slab.dump");
    const pktest::CliResult r = Run(
        {"scene", Path("house.dump"), Path("slab.dump"), "--kind", "wall", "--kind", "slab", "-o",
         Path("site.gltf"), "--png", Path("site.png"), "--plan", "1.5:" + Path("plan-mid.png"),
         "--plan", "0.15:" + Path("plan-low.png"), "--plan", "9:" + Path("plan-high.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 nodes, 2 materials"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plan at z 1.5: 1 polygons"), std::string::npos) << r.out;
    // At 0.15 the house and the slab (with its opening as a hole) are both cut.
    EXPECT_NE(r.out.find("plan at z 0.15: 2 polygons"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("plan at z 9: 0 polygons"), std::string::npos) << r.out;
    for (const char* png : {"site.png", "plan-mid.png", "plan-low.png", "plan-high.png"})
        EXPECT_EQ(pktest::ReadFile(Path(png)).substr(1, 3), "PNG") << png;
}

TEST_F(PolykernScene, RefusesBadPlansAndLeavesNothingWhenAPictureFails) {
    Save(pktest::MakeLShapedBuilding(), "house.dump");
    for (const char* plan : {"abc:x.png", "1.5", ":x.png", "2:", "inf:x.png"}) {
        const pktest::CliResult r =
            Run({"scene", Path("house.dump"), "-o", Path("a.gltf"), "--plan", plan});
        EXPECT_EQ(r.status, 1) << plan;
        EXPECT_NE(r.err.find("--plan"), std::string::npos) << r.err;
    }
    // A picture that cannot be written takes the scene along.
    EXPECT_EQ(
        Run({"scene", Path("house.dump"), "-o", Path("b.gltf"), "--png", Path("missing/site.png")})
            .status,
        1);
    EXPECT_EQ(Run({"scene", Path("house.dump"), "-o", Path("c.gltf"), "--png", Path("c.png"),
                   "--plan", "1:" + Path("missing/plan.png")})
                  .status,
              1);
    EXPECT_EQ(Listing(), std::vector<std::string>{"house.dump"});
}
