// Progress lines of the long stages: each stage runs from its first report to done equal to
// its total, never backwards, in at most a few hundred lines; and a receiver listening
// changes nothing in the results.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Surface.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/triangulation/G3TriInterface.h"
#include "tests/support/SurfaceCompare.h"
#include "tests/support/TerrainCheck.h"

namespace {

struct Line {
    long long done, total;
};

std::map<std::string, std::vector<Line>> g_Stages;

// Keeps the lines "stage: done/total"; other messages are not progress.
void Collect(const char* message) {
    const std::string text(message);
    const std::size_t colon = text.rfind(": ");
    long long done = 0, total = 0;
    if (colon == std::string::npos ||
        std::sscanf(text.c_str() + colon + 2, "%lld/%lld", &done, &total) != 2)
        return;
    g_Stages[text.substr(0, colon)].push_back({done, total});
}

// Installs Collect for one scope and puts the previous receiver back.
class Listening {
public:
    Listening() : m_Previous(GTrace::SetReceiver(Collect)) { g_Stages.clear(); }
    ~Listening() { GTrace::SetReceiver(m_Previous); }

private:
    GTrace::Receiver m_Previous;
};

::testing::AssertionResult RunsToItsTotal(const std::string& stage) {
    const auto it = g_Stages.find(stage);
    if (it == g_Stages.end()) return ::testing::AssertionFailure() << stage << ": no line";
    const std::vector<Line>& lines = it->second;
    if (lines.size() > 300) return ::testing::AssertionFailure() << stage << ": " << lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].total != lines[0].total || lines[i].done > lines[i].total ||
            (i > 0 && lines[i].done < lines[i - 1].done))
            return ::testing::AssertionFailure() << stage << ": line " << i << " goes astray";
    }
    if (lines.back().done != lines.back().total)
        return ::testing::AssertionFailure() << stage << ": ends at " << lines.back().done;
    return ::testing::AssertionSuccess();
}

// 20,000 surveyed points with break lines along a few survey rows.
std::unique_ptr<G3TriInterface> Survey() {
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> d(0, 500);
    auto tri = std::make_unique<G3TriInterface>();
    std::vector<G3TVertex*> v;
    for (int i = 0; i < 20000; ++i) {
        const double p[3] = {d(rng), d(rng), 0.01 * d(rng)};
        v.push_back(tri->AddVertex(p));
    }
    for (int row = 0; row < 4; ++row) {
        G3TVertex* last = nullptr;
        for (int k = 0; k < 40; ++k) {
            const double p[3] = {10.0 + 12.0 * k, 50.0 + 120.0 * row, 1.0};
            G3TVertex* next = tri->AddVertex(p);
            if (last != nullptr) tri->AddEdge(last, next);
            last = next;
        }
    }
    return tri;
}

}  // namespace

TEST(G3TriInterfaceProgress, StagesRunToTheirTotalsAndChangeNothing) {
    std::unique_ptr<G3Surface> heard;
    {
        Listening listening;
        auto tri = Survey();
        ASSERT_TRUE(tri->MakeTriangulation());
        heard.reset(tri->GetSurface());
        EXPECT_TRUE(RunsToItsTotal("triangulating points"));
        EXPECT_TRUE(RunsToItsTotal("inserting break lines"));
        EXPECT_TRUE(RunsToItsTotal("building the surface"));
        EXPECT_EQ(g_Stages["inserting break lines"].back().total, 4 * 39);
        EXPECT_EQ(g_Stages["building the surface"].back().total, heard->GetFacetCount());
        // The stages advance in between, not only at their ends.
        EXPECT_GE(g_Stages["triangulating points"].size(), 32u);
        EXPECT_GE(g_Stages["building the surface"].size(), 32u);
    }
    g_Stages.clear();
    auto tri = Survey();
    ASSERT_TRUE(tri->MakeTriangulation());
    std::unique_ptr<G3Surface> quiet(tri->GetSurface());
    EXPECT_TRUE(g_Stages.empty());  // no receiver, no line
    EXPECT_TRUE(pktest::SameSurface(heard.get(), quiet.get()));
}

TEST(G3TriInterfaceProgress, ClosingATerrainReportsItsSteps) {
    G3LandscapeHandler maker;
    std::unique_ptr<G3Surface> t(
        pktest::MakeTerrain(maker, pktest::GridPoints(30, 20, 2.0, [](double x, double y) {
                                return 5 + std::sin(0.2 * x) * std::cos(0.3 * y);
                            })));
    ASSERT_NE(t, nullptr);
    Listening listening;
    G3LandscapeHandler h;
    h.SurfaceCover(t.get());
    EXPECT_TRUE(t->GetClosed());
    EXPECT_TRUE(RunsToItsTotal("closing the terrain"));
}
