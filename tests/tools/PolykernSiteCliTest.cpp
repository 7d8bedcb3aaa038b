// polykern site --check: a site description is read whole or refused with one line that
// names the element and the field at fault, and nothing is written.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/CliHarness.h"

namespace {

// Survey points and one break line beside a two-storey L-shaped house with a hip roof,
// a garage with a gable, two pads and a stair opening.
const char* kSite = R"({
  "terrain": {"points": "survey.xyz", "breaklines": "ditch.txt"},
  "smooth": true,
  "pads": [
    {"name": "house pad", "outline": [[2, 2], [18, 2], [18, 14], [2, 14]], "height": 1.0,
     "slope_width": 2.0},
    {"name": "drive", "outline": [[20, 2], [26, 2], [26, 8], [20, 8], [20, 2]], "height": 0.8,
     "slope_width": 1.5}
  ],
  "buildings": [
    {"name": "house", "outline": [[4, 4], [16, 4], [16, 9], [10, 9], [10, 12], [4, 12]],
     "wall_height": 6.0, "wall_thickness": 0.3,
     "storeys": [{"height": 3.0, "slab_thickness": 0.25}, {"height": 3.0, "slab_thickness": 0.25}],
     "openings": [
       {"type": "door", "wall": 0, "offset": 1.0, "width": 1.0, "height": 2.1},
       {"type": "window", "wall": 0, "storey": 1, "offset": 4.0, "width": 1.5, "sill": 0.9,
        "height": 1.2}
     ],
     "roof": {"pitch": 35, "overhang": 0.5, "thickness": 0.2}},
    {"name": "garage", "outline": [[20, 3], [25, 3], [25, 7], [20, 7]],
     "wall_height": 2.8, "wall_thickness": 0.25,
     "roof": {"pitch": 30, "gables": [1, 3]}}
  ],
  "slab_openings": [{"building": "house", "storey": 1, "outline": [[5, 5], [7, 5], [7, 6], [5, 6]]}]
})";

class PolykernSite : public pktest::CliTest {
protected:
    // Writes the description with `from` replaced by `to` and checks it.
    pktest::CliResult Check(const std::string& from = "", const std::string& to = "") {
        std::string text = kSite;
        if (!from.empty()) {
            const std::size_t at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) text.replace(at, from.size(), to);
        }
        Write("site.json", text);
        return Run({"site", Path("site.json"), "--check"});
    }
};

}  // namespace

TEST_F(PolykernSite, ValidDescriptionIsSummarised) {
    const pktest::CliResult r = Check();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 pads, 2 buildings (3 storeys, 2 roofs, 2 openings), 1 slab openings"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Listing(), std::vector<std::string>{"site.json"});
}

TEST_F(PolykernSite, EveryFaultNamesItsElementAndField) {
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"\"smooth\": true", "\"smoth\": true", "unknown key \"smoth\""},
        {"\"height\": 1.0,", "\"height\": \"high\",",
         "pads[0] \"house pad\": height: must be a number"},
        // A figure eight.
        {"[[2, 2], [18, 2], [18, 14], [2, 14]]", "[[2, 2], [18, 14], [18, 2], [2, 14]]",
         "pads[0] \"house pad\": outline: crosses itself"},
        {"[[20, 2], [26, 2], [26, 8], [20, 8], [20, 2]]", "[[20, 2], [26, 2], [20, 2]]",
         "pads[1] \"drive\": outline: needs at least three distinct points"},
        {"\"offset\": 4.0, \"width\": 1.5", "\"offset\": 11.0, \"width\": 1.5",
         "buildings[0] \"house\": openings[1]: offset: the opening leaves its wall"},
        {"\"sill\": 0.9,", "\"sill\": 2.0,",
         "buildings[0] \"house\": openings[1]: height: the opening reaches above its storey"},
        {"\"wall\": 0, \"offset\": 1.0", "\"wall\": 6, \"offset\": 1.0",
         "buildings[0] \"house\": openings[0]: wall: 6 is out of range [0, 5]"},
        {"\"gables\": [1, 3]", "\"gables\": [4]", "buildings[1] \"garage\": roof: gables"},
        {"{\"pitch\": 30, \"gables\"", "{\"pitches\": [30, 30], \"gables\"",
         "buildings[1] \"garage\": roof: pitches: 2 pitches for 4 outline edges"},
        {"[[5, 5], [7, 5], [7, 6], [5, 6]]", "[[5, 5], [12, 5], [12, 11], [5, 11]]",
         "slab_openings[0]: outline: leaves the building \"house\""},
        {"\"building\": \"house\"", "\"building\": \"shed\"",
         "slab_openings[0]: building: no building is called \"shed\""},
        {"\"name\": \"garage\"", "\"name\": \"house\"", "buildings[1] \"house\": name: is used"},
        {"\"terrain\": {\"points\": \"survey.xyz\", \"breaklines\": \"ditch.txt\"}",
         "\"terrain\": {}", "terrain: give either \"points\" or \"grid\""},
        {"\"slope_width\": 2.0}", "\"slope_width\": 2.0", "is not JSON"},
    };
    for (const Case& c : cases) {
        const pktest::CliResult r = Check(c.from, c.to);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(pktest::CountLines(r.err), 1) << r.err;
    }
    EXPECT_EQ(Listing(), std::vector<std::string>{"site.json"});
}

TEST_F(PolykernSite, GridTerrainsAreCheckedRowByRow) {
    const std::string grid =
        R"("terrain": {"grid": {"origin": [0, 0], "spacing": 2, "heights": [[0, 1, 2], [1, 2, 3]]}})";
    const std::string survey = R"("terrain": {"points": "survey.xyz", "breaklines": "ditch.txt"})";
    ASSERT_EQ(Check(survey, grid).status, 0);
    const pktest::CliResult ragged = Check(
        survey,
        R"("terrain": {"grid": {"origin": [0, 0], "spacing": [2, 1], "heights": [[0, 1, 2], [1, 2]]}})");
    EXPECT_EQ(ragged.status, 1);
    EXPECT_NE(ragged.err.find("terrain: grid: heights: row 1 has 2 heights, row 0 has 3"),
              std::string::npos)
        << ragged.err;
    // Without an output folder nothing is built: a clear refusal.
    Write("site.json", kSite);
    const pktest::CliResult build = Run({"site", Path("site.json")});
    EXPECT_EQ(build.status, 1);
    EXPECT_NE(build.err.find("--check"), std::string::npos);
}

// The bundled example builds whole: every output is written, the report holds closed
// bodies, --progress shows the stages advance, and the glTF opens in a browser viewer
// with one node per element.
TEST_F(PolykernSite, BuildsTheBundledExampleAndItOpensInABrowser) {
    const pktest::CliResult r =
        Run({"site", std::string(PK_EXAMPLES_DIR) + "/site/site.json", "-o", Path("out/site"), "--progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"site.gltf", "site.dump", "site.png", "plan-1.png", "plan-2.png", "report.json"})
        EXPECT_TRUE(pktest::Exists(Path("out/site/") + name)) << name;
    EXPECT_NE(r.err.find("polykern: buildings: 2/2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("polykern: pads: 2/2"), std::string::npos) << r.err;
    const nlohmann::json report = nlohmann::json::parse(pktest::ReadFile(Path("out/site/report.json")));
    EXPECT_TRUE(report["terrain"]["closed"].get<bool>());
    ASSERT_EQ(report["buildings"].size(), 2u);
    double cutMinusFill = 0.0;
    for (const auto& pad : report["pads"]) cutMinusFill += pad["cut"].get<double>() - pad["fill"].get<double>();
    const double drop = report["terrain"]["survey_volume"].get<double>() - report["terrain"]["volume"].get<double>();
    EXPECT_NEAR(cutMinusFill, drop, 1e-6 * report["terrain"]["volume"].get<double>());
    for (const auto& b : report["buildings"]) {
        EXPECT_TRUE(b["closed"].get<bool>()) << b["name"];
        EXPECT_GT(b["gross_volume"].get<double>(), b["volume"].get<double>()) << b["name"];
    }
    EXPECT_EQ(report["buildings"][0]["openings"].get<int>(), 11);
    EXPECT_NE(r.out.find("site.gltf (7 nodes)"), std::string::npos) << r.out;

    ASSERT_TRUE(pktest::Exists("/usr/bin/chromium")) << "chromium is installed by scripts/bootstrap";
    std::string dom;
    std::size_t drawn = 0;
    ASSERT_TRUE(OpenInViewer(Path("out/site/site.gltf"), &dom, &drawn));
    EXPECT_NE(dom.find("nodes=7"), std::string::npos) << dom;
    EXPECT_GT(drawn, std::size_t(640 * 480 / 50)) << "the viewer drew (almost) nothing";
}

// Faults found only while building (a pad off the terrain) are refused like the others:
// one line naming the element, status 1, and no output folder.
TEST_F(PolykernSite, APadOffTheTerrainIsRefusedAndNothingIsWritten) {
    Write("site.json", R"({
  "terrain": {"grid": {"origin": [0, 0], "spacing": 5, "heights": [[0, 1, 2], [1, 2, 3], [2, 3, 4]]}},
  "pads": [{"name": "far pad", "outline": [[50, 50], [60, 50], [60, 60]], "height": 1, "slope_width": 1}]
})");
    const pktest::CliResult r = Run({"site", Path("site.json"), "-o", Path("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("pads[0] \"far pad\": outline: lies wholly off the terrain"), std::string::npos)
        << r.err;
    EXPECT_EQ(pktest::CountLines(r.err), 1) << r.err;
    EXPECT_FALSE(pktest::Exists(Path("out")));
}
