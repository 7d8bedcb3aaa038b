// Runs `polykern regions` as a user would: hand-drawn outlines in, simple contours out,
// with their counts and areas printed; bad input leaves no file behind.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/CliHarness.h"

namespace {

// The polylines of a file written by the command: points per polyline.
std::vector<std::vector<std::pair<double, double>>> ReadLines(const std::string& text) {
    std::vector<std::vector<std::pair<double, double>>> lines(1);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            if (!lines.back().empty()) lines.emplace_back();
            continue;
        }
        std::istringstream xy(line);
        double x, y;
        xy >> x >> y;
        lines.back().push_back({x, y});
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

double Area(const std::vector<std::pair<double, double>>& ring) {
    double a = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        a += ring[i].first * ring[i + 1].second - ring[i + 1].first * ring[i].second;
    return 0.5 * a;
}

class PolykernRegionsCli : public pktest::CliTest {};

// A building outline drawn twice (once each way), a courtyard inside it, and a shed
// overlapping its corner.
const char* kSketch =
    "0 0\n10 0\n10 8\n0 8\n0 0\n\n"
    "0 0\n0 8\n10 8\n10 0\n\n"
    "3 3\n6 3\n6 5\n3 5\n\n"
    "9 7\n12 7\n12 10\n9 10\n";

}  // namespace

TEST_F(PolykernRegionsCli, SketchResolvesIntoAnOutlineAndItsCourtyard) {
    Write("sketch.txt", kSketch);
    const pktest::CliResult r = Run({"regions", Path("sketch.txt"), "-o", Path("out.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4 outlines in, 2 contours out (1 outer, 1 holes)"), std::string::npos)
        << r.out;
    const auto lines = ReadLines(pktest::ReadFile(Path("out.txt")));
    ASSERT_EQ(lines.size(), 2u);
    double total = 0;
    for (const auto& ring : lines) {
        EXPECT_EQ(ring.front(), ring.back());  // closed
        total += Area(ring);
    }
    // 80 + 9 − 1 for the shed, less the 6 of the courtyard, turned opposite ways.
    EXPECT_NEAR(std::fabs(total), 82.0, 1e-9);
    EXPECT_NE(r.out.find("area 82.0"), std::string::npos) << r.out;
}

TEST_F(PolykernRegionsCli, UnionFillsTheCourtyard) {
    Write("sketch.txt", kSketch);
    const pktest::CliResult r =
        Run({"regions", Path("sketch.txt"), "-o", Path("out.txt"), "--union"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = ReadLines(pktest::ReadFile(Path("out.txt")));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(std::fabs(Area(lines[0])), 88.0, 1e-9);
}

TEST_F(PolykernRegionsCli, BadOutlinesFailWithoutWriting) {
    Write("bad.txt", "0 0\n1 nan\n1 1\n");
    const pktest::CliResult r = Run({"regions", Path("bad.txt"), "-o", Path("out.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(pktest::Exists(Path("out.txt")));
    EXPECT_EQ(Run({"regions", Path("missing.txt"), "-o", Path("out.txt")}).status, 1);
    EXPECT_EQ(Run({"regions", Path("bad.txt")}).status, 2);  // no output named
}
