// Site pictures drawn in-process: an L-shaped ring of walls on a terrain block half a
// million metres from the origin, seen in its materials' colours and cut in plan.

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/tools/CliHarness.h"
#include "tools/polykern/SiteImages.h"

namespace {

using pkcli::SceneElement;
using pkcli::SceneKind;

constexpr double kFarX = 500000.0, kFarY = 200000.0;
constexpr int kWidth = 640, kHeight = 480;

// The outline of the walls and of the courtyard inside them, 0.3 m thick.
const std::vector<pktest::PlanPoint> kOuter = {{0, 0}, {12, 0}, {12, 5}, {5, 5}, {5, 10}, {0, 10}};
const std::vector<pktest::PlanPoint> kInner = {{0.3, 0.3}, {11.7, 0.3}, {11.7, 4.7},
                                               {4.7, 4.7}, {4.7, 9.7},  {0.3, 9.7}};
const std::vector<pktest::PlanPoint> kBlock = {{-4, -4}, {16, -4}, {16, 14}, {-4, 14}};

std::vector<pktest::PlanPoint> Moved(std::vector<pktest::PlanPoint> loop, double dx, double dy) {
    for (pktest::PlanPoint& p : loop) {
        p.x += dx;
        p.y += dy;
    }
    return loop;
}

// The walls standing on the terrain block, both moved by (dx, dy).
struct Site {
    std::unique_ptr<G3Surface> walls, terrain;
    std::vector<SceneElement> elements;
    Site(double dx, double dy)
        : walls(pktest::MakeRingPrism(Moved(kOuter, dx, dy), Moved(kInner, dx, dy), 0.0, 3.0)),
          terrain(pktest::MakePrismBetween(Moved(kBlock, dx, dy), -1.0, 0.0)),
          elements({{"walls", walls.get(), SceneKind::Wall, {}},
                    {"terrain", terrain.get(), SceneKind::Terrain, {}}}) {}
};

constexpr double kRingArea = 85.0 - (11.4 * 4.4 + 4.4 * 5.0);  // 12.84 m²

// An RGB picture read back from a PNG file; empty when it cannot be read.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const {
        return rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
    }
};

Picture ReadPng(const std::string& path) {
    Picture out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return Picture();
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return out;
}

// Whether the pixel is the colour of `kind` under some amount of light: a scale k of the
// kind's colour within 6 levels on each channel, k between shadow and full light.
bool IsShadeOf(const unsigned char* px, SceneKind kind) {
    float c[4];
    pkcli::SceneKindColour(kind, c);
    double num = 0.0, den = 0.0;
    for (int k = 0; k < 3; ++k) {
        num += px[k] * c[k] * 255.0;
        den += c[k] * 255.0 * c[k] * 255.0;
    }
    const double scale = num / den;
    if (scale < 0.3 || scale > 1.2) return false;
    for (int k = 0; k < 3; ++k) {
        if (std::fabs(px[k] - std::fmin(255.0, scale * c[k] * 255.0)) > 6.0) return false;
    }
    return true;
}

int CountShades(const Picture& p, SceneKind kind) {
    int n = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) n += IsShadeOf(p.At(x, y), kind);
    }
    return n;
}

// The share of a 24-pixel square at each corner that is exactly the colour `bg`.
double CornerBackgroundShare(const Picture& p, const unsigned char* bg) {
    int same = 0, all = 0;
    for (const int cx : {0, p.width - 24}) {
        for (const int cy : {0, p.height - 24}) {
            for (int y = cy; y < cy + 24; ++y) {
                for (int x = cx; x < cx + 24; ++x) {
                    const unsigned char* px = p.At(x, y);
                    same += px[0] == bg[0] && px[1] == bg[1] && px[2] == bg[2];
                    ++all;
                }
            }
        }
    }
    return static_cast<double>(same) / all;
}

// The signed area of a plan loop, taken about its first corner so that coordinates half a
// million metres out keep their digits.
double LoopArea(const pkcli::Polyline& loop) {
    double twice = 0.0;
    for (std::size_t k = 1; k + 1 < loop.size(); ++k) {
        twice += (loop[k].x - loop[0].x) * (loop[k + 1].y - loop[0].y) -
                 (loop[k + 1].x - loop[0].x) * (loop[k].y - loop[0].y);
    }
    return 0.5 * twice;
}

class SiteImages : public pktest::CliTest {
protected:
    Site site{kFarX, kFarY};
    std::unique_ptr<G3Surface>& walls = site.walls;
    std::unique_ptr<G3Surface>& terrain = site.terrain;
    std::vector<SceneElement>& elements = site.elements;
};

}  // namespace

TEST_F(SiteImages, IsoPictureShowsEveryKindsColourFarFromTheOrigin) {
    const int wallFacets = walls->GetFacetCount(), terrainFacets = terrain->GetFacetCount();
    ASSERT_TRUE(pktest::IsClosedWithVolume(walls.get(), kRingArea * 3.0, 1e-9));
    pkcli::RenderOptions options;
    options.width = kWidth;
    options.height = kHeight;
    std::string error;
    ASSERT_TRUE(pkcli::RenderScenePng(elements, Path("site.png"), options, &error)) << error;
    const Picture p = ReadPng(Path("site.png"));
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    // Both materials show over a good part of the picture (the walls' tops and sides, the
    // block's top): float coordinates about the scene's centre keep them apart.
    const int pixels = kWidth * kHeight;
    EXPECT_GT(CountShades(p, SceneKind::Wall), pixels / 200);
    EXPECT_GT(CountShades(p, SceneKind::Terrain), pixels / 10);
    EXPECT_EQ(CountShades(p, SceneKind::Roof), 0);
    const unsigned char background[3] = {245, 245, 247};
    EXPECT_GT(CornerBackgroundShare(p, background), 0.9);
    // The same site at the origin looks the same: no pixel off by more than 8 levels
    // outside the smoothed edges (at most 0.5% of the picture).
    const Site near(0.0, 0.0);
    ASSERT_TRUE(pkcli::RenderScenePng(near.elements, Path("near.png"), options, &error)) << error;
    const Picture q = ReadPng(Path("near.png"));
    ASSERT_EQ(q.rgb.size(), p.rgb.size());
    int differ = 0;
    for (std::size_t k = 0; k + 2 < p.rgb.size(); k += 3) {
        bool off = false;
        for (int c = 0; c < 3; ++c) off = off || std::abs(p.rgb[k + c] - q.rgb[k + c]) > 8;
        differ += off;
    }
    EXPECT_LT(differ, pixels / 200);
    // The picture only reads the bodies.
    EXPECT_EQ(walls->GetFacetCount(), wallFacets);
    EXPECT_EQ(terrain->GetFacetCount(), terrainFacets);

    // A facet of a kind of its own takes that kind's colour: the walls' top as roof.
    const G3Facet* top = pktest::FindFacetWithHoles(walls.get(), true);
    ASSERT_NE(top, nullptr);
    elements[0].facetKinds.assign(static_cast<std::size_t>(wallFacets), SceneKind::Wall);
    for (int i = 0; i < wallFacets; ++i) {
        if (walls->GetFacet(i) == top) elements[0].facetKinds[i] = SceneKind::Roof;
    }
    ASSERT_TRUE(pkcli::RenderScenePng(elements, Path("roofed.png"), options, &error)) << error;
    EXPECT_GT(CountShades(ReadPng(Path("roofed.png")), SceneKind::Roof), pixels / 1000);
}

TEST_F(SiteImages, PlanAtMidHeightIsOneWallRingAroundOneHole) {
    const double volumes[2] = {pktest::SignedVolume(walls.get()),
                               pktest::SignedVolume(terrain.get())};
    const int facets[2] = {walls->GetFacetCount(), terrain->GetFacetCount()};
    std::vector<pkcli::PlanPolygon> plan;
    std::string error;
    ASSERT_TRUE(pkcli::CutPlanSections(elements, 1.5, &plan, &error)) << error;
    ASSERT_EQ(plan.size(), 1u);  // the plane misses the terrain block below
    ASSERT_EQ(plan[0].loops.size(), 2u);
    EXPECT_EQ(plan[0].group, static_cast<int>(SceneKind::Wall));
    // The outline runs counter-clockwise from above, the hole the other way; tolerance
    // 1e-6 m² half a million metres out.
    EXPECT_NEAR(LoopArea(plan[0].loops[0]), 85.0, 1e-6);
    EXPECT_NEAR(LoopArea(plan[0].loops[0]) + LoopArea(plan[0].loops[1]), kRingArea, 1e-6);

    int count = -1;
    ASSERT_TRUE(
        pkcli::DrawPlanSectionPng(elements, 1.5, kWidth, kHeight, Path("plan.png"), &count, &error))
        << error;
    EXPECT_EQ(count, 1);
    const Picture p = ReadPng(Path("plan.png"));
    ASSERT_EQ(p.width, kWidth);
    // The plan is fitted with an 8% margin about the ring's box (12 × 10 m), aspect kept.
    const double halfX = std::fmax(1.08 * 6.0, 1.08 * 5.0 * kWidth / kHeight);
    const double scale = 0.5 * kWidth / halfX;  // pixels per metre
    auto pixel = [&](double x, double y) {
        return p.At(static_cast<int>(0.5 * kWidth + (x - 6.0) * scale),
                    static_cast<int>(0.5 * kHeight - (y - 5.0) * scale));
    };
    auto isWhite = [](const unsigned char* px) {
        return px[0] == 255 && px[1] == 255 && px[2] == 255;
    };
    EXPECT_FALSE(isWhite(pixel(0.15, 2.5))) << "the wall is filled";
    EXPECT_TRUE(isWhite(pixel(2.5, 2.5))) << "the courtyard is left open";
    EXPECT_TRUE(isWhite(pixel(9.0, 8.0))) << "outside the L nothing is drawn";

    // Cutting works on copies: the bodies keep their facets and their volume.
    EXPECT_EQ(walls->GetFacetCount(), facets[0]);
    EXPECT_EQ(terrain->GetFacetCount(), facets[1]);
    EXPECT_NEAR(pktest::SignedVolume(walls.get()), volumes[0], 1e-6);
    EXPECT_NEAR(pktest::SignedVolume(terrain.get()), volumes[1], 1e-6);
    EXPECT_TRUE(pktest::IsClosedAndOriented(walls.get()));
}

TEST_F(SiteImages, PlanThatMeetsNothingIsAnEmptyPictureAndOpenBodiesAreSkipped) {
    int count = -1;
    std::string error;
    ASSERT_TRUE(pkcli::DrawPlanSectionPng(elements, 10.0, kWidth, kHeight, Path("empty.png"),
                                          &count, &error))
        << error;
    EXPECT_EQ(count, 0);
    const Picture p = ReadPng(Path("empty.png"));
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    bool allWhite = true;
    for (const unsigned char c : p.rgb) allWhite = allWhite && c == 255;
    EXPECT_TRUE(allWhite);

    // An open terrain sheet through the plane has no inside to cut: nothing, no failure.
    std::unique_ptr<G3Surface> sheet(pktest::MakeGrid(4, 4));
    for (int i = 0; i < sheet->GetVertexCount(); ++i) {
        G3Vertex* v = sheet->GetVertex(i);
        const double q[3] = {v->GetX(), v->GetY(), v->GetX() - 2.0};  // tilted through z = 0
        v->Set(q);
    }
    sheet->FormPlaneEquation();
    const std::vector<SceneElement> open = {{"sheet", sheet.get(), SceneKind::Terrain, {}},
                                            {"nothing", nullptr, SceneKind::Plain, {}}};
    std::vector<pkcli::PlanPolygon> plan;
    ASSERT_TRUE(pkcli::CutPlanSections(open, 0.0, &plan, &error)) << error;
    EXPECT_TRUE(plan.empty());
}

TEST_F(SiteImages, HardInputFailsCleanlyAndWritesNothing) {
    std::string error;
    int count = -1;
    EXPECT_FALSE(pkcli::DrawPlanSectionPng(elements, std::numeric_limits<double>::quiet_NaN(),
                                           kWidth, kHeight, Path("nan.png"), &count, &error));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(
        pkcli::DrawPlanSectionPng(elements, 1.5, 0, kHeight, Path("tiny.png"), &count, &error));
    pkcli::RenderOptions huge;
    huge.width = 9000;
    EXPECT_FALSE(pkcli::RenderScenePng(elements, Path("huge.png"), huge, &error));
    EXPECT_NE(error.find("out of range"), std::string::npos) << error;

    // A corner at infinity: the plan refuses the body by name, the picture leaves it out.
    walls->GetVertex(0)->SetX(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(
        pkcli::DrawPlanSectionPng(elements, 1.5, kWidth, kHeight, Path("inf.png"), &count, &error));
    EXPECT_NE(error.find("walls"), std::string::npos) << error;
    EXPECT_EQ(Listing(), std::vector<std::string>{});
    pkcli::RenderOptions options;
    ASSERT_TRUE(pkcli::RenderScenePng(elements, Path("inf.png"), options, &error)) << error;
    EXPECT_GT(CountShades(ReadPng(Path("inf.png")), SceneKind::Terrain), 1000);
}
