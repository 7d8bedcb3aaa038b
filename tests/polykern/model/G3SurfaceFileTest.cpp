#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Temp(const char* name) {
    return ::testing::TempDir() + name;
}

std::string Golden(const char* name) {
    return std::string(PK_TEST_DATA_DIR) + "/" + name;
}

// The unit cube in the vertex and facet order the golden files were worked out for.
G3Surface* Cube() {
    auto* s = new G3Surface();
    const double v[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                            {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& p : v) s->AddVertex(p, 0);
    const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& q : quads) s->AddFacet(4, q, 1, nullptr, nullptr);
    return s;
}

TEST(G3SurfaceFile, DumpMatchesTheGoldenFileAndReadsBack) {
    SurfacePtr cube(Cube());
    const std::string path = Temp("cube.dump");
    cube->Save(path.c_str());
    EXPECT_EQ(Read(path), Read(Golden("cube.dump")));

    SurfacePtr loaded(new G3Surface());
    ASSERT_TRUE(loaded->LoadChecked(path.c_str()));
    EXPECT_TRUE(pktest::IsWellFormed(loaded.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(loaded.get()));
    loaded->FormPlaneEquation();
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(loaded->GetFacet(i)->GetPlane()[k], cube->GetFacet(i)->GetPlane()[k]);
    }
    const std::string again = Temp("cube-again.dump");
    loaded->Save(again.c_str());
    EXPECT_EQ(Read(again), Read(path));
    EXPECT_FALSE(loaded->LoadChecked(path.c_str()));  // only into an empty surface
    EXPECT_EQ(loaded->GetVertexCount(), 8);
}

TEST(G3SurfaceFile, VerticesOnlyAndMissingFiles) {
    G3Surface points;
    points.AddVertex(0.5, -2, 3e-4, 0);
    points.AddVertex(1e6, 0, 0, 0);
    const std::string path = Temp("points.dump");
    points.Save(path.c_str());
    const std::string text = Read(path);
    EXPECT_EQ(text.substr(0, 10), "2 0 0 1 0\n");
    EXPECT_NE(text.find("\n-1 -1\n-1 -1\n"), std::string::npos);
    G3Surface back;
    ASSERT_TRUE(back.LoadChecked(path.c_str()));
    ASSERT_EQ(back.GetVertexCount(), 2);
    EXPECT_DOUBLE_EQ(back.GetVertex(0)->GetZ(), 3e-4);
    G3Surface none;
    EXPECT_FALSE(none.LoadChecked(Temp("no/such/file").c_str()));
    none.Save(Temp("no/such/dir/file").c_str());  // cannot open: nothing happens
}

TEST(G3SurfaceFile, DamagedDumpsAreRefusedAndLeaveNothing) {
    const std::string good = Read(Golden("cube.dump"));
    auto refused = [&](const std::string& text, const char* what) {
        const std::string path = Temp("damaged.dump");
        Write(path, text);
        G3Surface s;
        EXPECT_FALSE(s.LoadChecked(path.c_str())) << what;
        EXPECT_EQ(s.GetVertexCount() + s.GetEdgeCount() + s.GetFacetCount(), 0) << what;
    };
    refused(good.substr(0, good.size() / 2), "truncated");
    refused("8 12 6 1 0\n", "counts beyond the lines");
    refused("99999999999999999999 0 0 1 0\n", "overflowing count");
    std::string badIndex = good;
    badIndex.replace(badIndex.find("\n0 3 1\n"), 7, "\n0 30 1\n");
    refused(badIndex, "vertex index out of range");
    std::string nan = good;
    nan.replace(nan.find("1.00000000000000000000"), 22, "nan");
    refused(nan, "non-finite coordinate");
    std::string cycle = good;
    cycle.replace(cycle.find("\n0 2 -1 8 8 9\n"), 14, "\n0 2 0 8 8 9\n");  // facet 0's ring loops
    refused(cycle, "a ring that never ends");
    refused("x y z\n", "garbage");
}

TEST(G3SurfaceFile, VrmlMatchesTheGoldenFiles) {
    SurfacePtr cube(Cube());
    const double orange[3] = {1, 0.5, 0};
    const std::string plain = Temp("cube.wrl");
    FILE* f = nullptr;
    ASSERT_TRUE(G3Surface::VRMLWriteBegin(plain.c_str(), &f));
    ASSERT_TRUE(G3Surface::VRMLWrite(f, cube.get(), orange));
    ASSERT_TRUE(G3Surface::VRMLWriteEnd(f));
    EXPECT_EQ(Read(plain), Read(Golden("cube.wrl")));

    const double n[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    for (int i = 0; i < 6; ++i) {
        G3Normal* normal = cube->AddNormal(n[i]);
        G3Facet* facet = cube->GetFacet(i);
        for (int v = 0; v < 8; ++v) {
            if (facet->ContainsVertex(cube->GetVertex(v)))
                facet->SetNormal(cube->GetVertex(v), normal, nullptr, false);
        }
    }
    const std::string shaded = Temp("cube-normals.wrl");
    ASSERT_TRUE(G3Surface::VRMLWriteBegin(shaded.c_str(), &f));
    ASSERT_TRUE(G3Surface::VRMLWrite(f, cube.get(), orange));
    ASSERT_TRUE(G3Surface::VRMLWriteEnd(f));
    EXPECT_EQ(Read(shaded), Read(Golden("cube-normals.wrl")));

    EXPECT_FALSE(G3Surface::VRMLWrite(nullptr, cube.get(), orange));
    EXPECT_FALSE(G3Surface::VRMLWriteEnd(nullptr));
    EXPECT_FALSE(G3Surface::VRMLWriteBegin(Temp("no/such/dir/x.wrl").c_str(), &f));
    EXPECT_EQ(f, nullptr);
}

}  // namespace
