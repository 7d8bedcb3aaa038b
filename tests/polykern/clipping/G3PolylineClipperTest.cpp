#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "polykern/clipping/G3PolylineClipper.h"

namespace {

struct P {
    double x, y;
    int vis = 1;  // of the segment ending here
};

// Keeps what it is told: contours of points with the visibility of the segment ending there.
class Recorder : public GPathLoader {
public:
    void PathBegin(int n) override { calls.push_back(n); }
    void PathSetPreferPlane(int, int) override { calls.push_back(0); }
    void PathContourBegin(double* p, int, CONTOUR_TYPE type) override {
        contours.push_back({{p[0], p[1], -1}});
        EXPECT_EQ(type, CONTOUR_UNCLASSIFIED);
    }
    void PathContourSegmentTo(SEGMENT_TYPE type,
                              SEGMENT_VISIBILITY vis,
                              int n,
                              double* p) override {
        EXPECT_EQ(type, SEGMENT_LINE);
        EXPECT_EQ(n, 1);
        contours.back().push_back({p[0], p[1], vis});
        lastZ = p[2];
    }
    void PathContourEnd() override {}
    void PathEnd() override { calls.push_back(1000); }

    std::vector<int> calls;  // PathBegin hints, 1000 for PathEnd
    std::vector<std::vector<P>> contours;
    double lastZ = 0;
};

// Streams one contour of plan points (z = 10 * index) into `to`.
void AddContour(GPathLoader& to, std::initializer_list<P> points) {
    std::vector<double> xyz;
    for (const P& p : points) xyz.insert(xyz.end(), {p.x, p.y, 10.0 * (xyz.size() / 3)});
    to.PathContourBegin(xyz.data(), static_cast<int>(points.size()), CONTOUR_OUTER);
    for (size_t i = 1; i < points.size(); ++i)
        to.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBILITY(points.begin()[i].vis), 1,
                                &xyz[3 * i]);
    to.PathContourEnd();
}

::testing::AssertionResult Same(const std::vector<P>& got, std::initializer_list<P> want) {
    std::vector<P> w(want);
    bool same = got.size() == w.size();
    for (size_t i = 0; same && i < got.size(); ++i)
        same = got[i].x == w[i].x && got[i].y == w[i].y && (i == 0 || got[i].vis == w[i].vis);
    if (same) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "got";
    for (const P& p : got) failure << " (" << p.x << " " << p.y << " v" << p.vis << ")";
    return failure;
}

}  // namespace

// Mode 0 streams every contour as stored, one point per segment: a segment's further points
// are dropped, types become 0 and 1, visibilities pass through.
TEST(G3PolylineClipper, ModeZeroStreamsTheFirstPointOfEverySegment) {
    G3PolylineClipper clipper(0, 0, 1, 1);
    clipper.PathBegin(2);
    double start[3] = {5, 5, 1}, run[9] = {6, 5, 2, 7, 5, 3, 8, 5, 4};
    clipper.PathContourBegin(start, 4, CONTOUR_HOLE);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_INVISIBLE, 3, run);
    clipper.PathContourSegmentTo(SEGMENT_START, SEGMENT_VISIBILITY(7), 1, run + 6);
    AddContour(clipper, {{-1, -1}, {-2, -2}});
    G3PolylineClipper copy(clipper);

    for (G3PolylineClipper* c : {&clipper, &copy}) {
        Recorder out;
        EXPECT_TRUE(c->DoClip(&out, 0));
        EXPECT_EQ(out.calls, (std::vector<int>{2, 1000}));
        ASSERT_EQ(out.contours.size(), 2u);
        EXPECT_TRUE(Same(out.contours[0], {{5, 5}, {6, 5, 0}, {8, 5, 7}}));
        EXPECT_TRUE(Same(out.contours[1], {{-1, -1}, {-2, -2}}));
        clipper.PathBegin(-1);  // a new path replaces the old one, not the copy's
    }
    Recorder none;
    EXPECT_TRUE(clipper.DoClip(&none, 0));
    EXPECT_TRUE(none.contours.empty());
}

// A contour that leaves through one side and comes back stays one contour; the run along
// the side between the two crossings is invisible. Starting outside, it is closed along the
// side back to its first crossing.
TEST(G3PolylineClipper, ContourCrossingOneSideTwiceRunsAlongItInvisibly) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    AddContour(clipper, {{5, 2}, {15, 2}, {15, 8}, {5, 8}, {5, 2}});
    AddContour(clipper, {{15, 2}, {15, 8}, {5, 8}, {5, 2}, {12, 2}});
    Recorder out;
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_EQ(out.calls, (std::vector<int>{-1, 1000}));
    ASSERT_EQ(out.contours.size(), 2u);
    EXPECT_TRUE(Same(out.contours[0], {{5, 2}, {10, 2}, {10, 8, 0}, {5, 8}, {5, 2}}));
    EXPECT_TRUE(Same(out.contours[1], {{10, 8}, {5, 8}, {5, 2}, {10, 2}, {10, 8, 0}}));
    // z follows the cut segment: the closing point lies halfway from z 10 to z 20.
    EXPECT_EQ(out.lastZ, 15.0);
}

// Passes run min x, max x, min y, max y, each only when its bit is set. A square around the
// window comes out as the window's outline, invisible since none of it was drawn.
TEST(G3PolylineClipper, ContourAroundTheWindowBecomesItsInvisibleOutline) {
    G3PolylineClipper clipper(10, 10, 0, 0);  // corners in any order
    AddContour(clipper, {{-5, -5}, {15, -5}, {15, 15}, {-5, 15}, {-5, -5}});
    Recorder all, right;
    ASSERT_TRUE(clipper.DoClip(&all, G3PolylineClipper::CLIP_ALL));
    EXPECT_TRUE(Same(all.contours[0], {{10, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}, {10, 0, 0}}));
    ASSERT_TRUE(clipper.DoClip(&right, G3PolylineClipper::CLIP_MAX_X));
    EXPECT_TRUE(Same(right.contours[0], {{-5, -5}, {10, -5}, {10, 15, 0}, {-5, 15}, {-5, -5}}));
}

// Nothing inside: false, and the receiver hears nothing at all.
TEST(G3PolylineClipper, NothingInsideMeansFalseAndNoCallAtAll) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    AddContour(clipper, {{11, 1}, {20, 1}, {20, 9}, {11, 1}});
    AddContour(clipper, {{-3, -3}, {-1, -3}, {-2, -1}, {-3, -3}});
    Recorder out;
    EXPECT_FALSE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_TRUE(out.calls.empty() && out.contours.empty());
}

// A zig-zag crossing the top side many times: every tooth is cut and consecutive crossings
// are joined along the side invisibly, however many records that makes.
TEST(G3PolylineClipper, ZigZagKeepsEveryTooth) {
    constexpr int kTeeth = 300;
    G3PolylineClipper clipper(0, 0, 2 * kTeeth, 10);
    std::vector<double> xyz;
    for (int i = 0; i <= 2 * kTeeth; ++i) xyz.insert(xyz.end(), {double(i), i % 2 ? 20.0 : 5.0, 0});
    clipper.PathContourBegin(xyz.data(), 0, CONTOUR_OUTER);
    for (size_t i = 3; i < xyz.size(); i += 3)
        clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, &xyz[i]);
    Recorder out;
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    ASSERT_EQ(out.contours.size(), 1u);
    const auto& c = out.contours[0];
    ASSERT_EQ(c.size(), 1u + 3 * kTeeth);  // per tooth: up crossing, down crossing, valley
    int invisible = 0;
    for (const P& p : c) {
        invisible += p.vis == 0;
        EXPECT_LE(p.y, 10.0);
    }
    EXPECT_EQ(invisible, kTeeth);
}

// What the clipper cannot use is refused whole, never stored half way.
TEST(G3PolylineClipper, RefusesBadInputAndItself) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    clipper.PathBegin(std::numeric_limits<int>::max());  // a hint, not a reservation
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double bad[3] = {1, nan, 0}, good[6] = {1, 1, 0, 2, 2, 0};
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good);  // no contour yet
    clipper.PathContourBegin(bad, 2, CONTOUR_OUTER);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good);
    clipper.PathContourBegin(good, 3, CONTOUR_OUTER);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 0, good + 3);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, nullptr);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, bad);  // drops the contour
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good + 3);
    AddContour(clipper, {{2, 2}, {1, 1}});
    ASSERT_EQ(clipper.GetContourCount(), 1);

    Recorder out;
    EXPECT_FALSE(clipper.DoClip(nullptr, 0));
    EXPECT_FALSE(clipper.DoClip(&clipper, 0));
    EXPECT_FALSE(clipper.DoClip(&clipper, G3PolylineClipper::CLIP_ALL));
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_TRUE(Same(out.contours[0], {{2, 2}, {1, 1}}));

    // Paths are clipped only against rectangles, and a rectangle must be finite.
    const double square[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    G3PolylineClipper polygon(4, square);
    G3PolylineClipper broken(0, 0, nan, 10);
    for (G3PolylineClipper* c : {&polygon, &broken}) {
        AddContour(*c, {{0.5, 0.5}, {2, 0.5}});
        Recorder silent;
        EXPECT_FALSE(c->DoClip(&silent, G3PolylineClipper::CLIP_ALL));
        EXPECT_TRUE(silent.calls.empty());
    }
}
