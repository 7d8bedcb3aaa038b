#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "polykern/clipping/G3PolylineClipper.h"
#include "tests/polykern/clipping/ClipRecorder.h"

using pktest::ClipRecorder;
using pktest::RecordedPoint;

namespace {

struct P {
    double x, y;
    int vis = 1;
};

// Streams one closed contour of plan points (z = 10 * index) into `to`.
void AddContour(GPathLoader& to, std::initializer_list<P> points) {
    std::vector<double> xyz;
    for (const P& p : points) xyz.insert(xyz.end(), {p.x, p.y, 10.0 * (xyz.size() / 3)});
    to.PathContourBegin(xyz.data(), static_cast<int>(points.size()), CONTOUR_OUTER);
    size_t i = 0;
    for (const P& p : points) {
        if (i > 0)
            to.PathContourSegmentTo(SEGMENT_LINE, static_cast<SEGMENT_VISIBILITY>(p.vis), 1,
                                    &xyz[3 * i]);
        ++i;
    }
    to.PathContourEnd();
}

::testing::AssertionResult SameContour(const std::vector<RecordedPoint>& got,
                                       std::initializer_list<P> want) {
    if (got.size() != want.size())
        return ::testing::AssertionFailure()
               << got.size() << " points where " << want.size() << " were expected";
    size_t i = 0;
    for (const P& w : want) {
        const RecordedPoint& g = got[i];
        if (std::fabs(g.p[0] - w.x) > 1e-12 || std::fabs(g.p[1] - w.y) > 1e-12)
            return ::testing::AssertionFailure()
                   << "point " << i << " is (" << g.p[0] << ", " << g.p[1] << "), not (" << w.x
                   << ", " << w.y << ")";
        if (i > 0 && g.visibility != w.vis)
            return ::testing::AssertionFailure()
                   << "point " << i << " has visibility " << g.visibility << ", not " << w.vis;
        ++i;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// Mode 0 streams every stored contour as it came, one point per segment: a segment's
// further points are dropped, types become 0 and 1, visibilities pass through.
TEST(G3PolylineClipper, ModeZeroStreamsTheFirstPointOfEverySegment) {
    G3PolylineClipper clipper(0, 0, 1, 1);
    clipper.PathBegin(2);
    double start[3] = {5, 5, 1};
    double run[9] = {6, 5, 2, 7, 5, 3, 8, 5, 4};
    clipper.PathContourBegin(start, 4, CONTOUR_HOLE);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_INVISIBLE, 3, run);
    clipper.PathContourSegmentTo(SEGMENT_START, static_cast<SEGMENT_VISIBILITY>(7), 1, run + 6);
    clipper.PathContourEnd();
    AddContour(clipper, {{-1, -1}, {-2, -2}});
    clipper.PathEnd();
    ASSERT_EQ(clipper.GetContourCount(), 2);

    ClipRecorder out;
    EXPECT_TRUE(clipper.DoClip(&out, 0));
    EXPECT_EQ(out.hint, 2);
    EXPECT_EQ(out.ends, 1);
    ASSERT_EQ(out.contours.size(), 2u);
    EXPECT_TRUE(SameContour(out.contours[0], {{5, 5}, {6, 5, 0}, {8, 5, 7}}));
    EXPECT_EQ(out.contours[0][2].p[2], 4.0);
    EXPECT_EQ(out.counts[0], 3);
    EXPECT_EQ(out.types[0], CONTOUR_UNCLASSIFIED);
    for (SEGMENT_TYPE t : out.segmentTypes) EXPECT_EQ(t, SEGMENT_LINE);
    EXPECT_TRUE(SameContour(out.contours[1], {{-1, -1}, {-2, -2}}));

    // A new path replaces the old one; a copy streams the same.
    G3PolylineClipper copy(clipper);
    clipper.PathBegin(-1);
    ClipRecorder none, again;
    EXPECT_TRUE(clipper.DoClip(&none, 0));
    EXPECT_TRUE(none.contours.empty());
    EXPECT_TRUE(copy.DoClip(&again, 0));
    EXPECT_EQ(again.contours.size(), 2u);
}

// A contour that leaves through one side and comes back stays one contour; the run along
// the side between the two crossings is invisible.
TEST(G3PolylineClipper, ContourCrossingOneSideTwiceRunsAlongItInvisibly) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    clipper.PathBegin(1);
    AddContour(clipper, {{5, 2}, {15, 2}, {15, 8}, {5, 8}, {5, 2}});
    ClipRecorder out;
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_EQ(out.begins, 1);
    EXPECT_EQ(out.hint, -1);
    ASSERT_EQ(out.contours.size(), 1u);
    EXPECT_TRUE(SameContour(out.contours[0], {{5, 2}, {10, 2}, {10, 8, 0}, {5, 8}, {5, 2}}));
    // z is interpolated along the cut segment: (5,2) has z 0, (15,2) z 10.
    EXPECT_DOUBLE_EQ(out.contours[0][1].p[2], 5.0);

    // Starting outside, the contour is closed along the side back to its first crossing.
    clipper.PathBegin(1);
    AddContour(clipper, {{15, 2}, {15, 8}, {5, 8}, {5, 2}, {15, 2}});
    ClipRecorder closed;
    ASSERT_TRUE(clipper.DoClip(&closed, G3PolylineClipper::CLIP_ALL));
    ASSERT_EQ(closed.contours.size(), 1u);
    EXPECT_TRUE(SameContour(closed.contours[0], {{10, 8}, {5, 8}, {5, 2}, {10, 2}, {10, 8, 0}}));
}

// The four passes run min x, max x, min y, max y: a square around the window comes out as
// the window's outline, all of it invisible since none of it was drawn.
TEST(G3PolylineClipper, ContourAroundTheWindowBecomesItsInvisibleOutline) {
    G3PolylineClipper clipper(10, 10, 0, 0);  // corners in any order
    clipper.PathBegin(1);
    AddContour(clipper, {{-5, -5}, {15, -5}, {15, 15}, {-5, 15}, {-5, -5}});
    ClipRecorder out;
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    ASSERT_EQ(out.contours.size(), 1u);
    EXPECT_TRUE(
        SameContour(out.contours[0], {{10, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}, {10, 0, 0}}));

    // Only the sides whose bits are set are clipped.
    ClipRecorder right;
    ASSERT_TRUE(clipper.DoClip(&right, G3PolylineClipper::CLIP_MAX_X));
    EXPECT_TRUE(
        SameContour(right.contours[0], {{-5, -5}, {10, -5}, {10, 15, 0}, {-5, 15}, {-5, -5}}));
}

TEST(G3PolylineClipper, NothingInsideMeansFalseAndNoCallAtAll) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    clipper.PathBegin(2);
    AddContour(clipper, {{11, 1}, {20, 1}, {20, 9}, {11, 1}});
    AddContour(clipper, {{-3, -3}, {-1, -3}, {-2, -1}, {-3, -3}});
    ClipRecorder out;
    EXPECT_FALSE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_EQ(out.calls, 0);

    // One surviving contour among outside ones: one PathBegin(-1), one PathEnd.
    AddContour(clipper, {{1, 1}, {2, 1}, {2, 2}, {1, 1}});
    ClipRecorder some;
    EXPECT_TRUE(clipper.DoClip(&some, G3PolylineClipper::CLIP_ALL));
    EXPECT_EQ(some.begins, 1);
    EXPECT_EQ(some.ends, 1);
    ASSERT_EQ(some.contours.size(), 1u);
    EXPECT_TRUE(SameContour(some.contours[0], {{1, 1}, {2, 1}, {2, 2}, {1, 1}}));
}

// A zig-zag crossing the top side many times: every tooth is cut, consecutive crossings
// are joined along the side invisibly, and nothing is lost however many records it makes.
TEST(G3PolylineClipper, ZigZagKeepsEveryTooth) {
    constexpr int kTeeth = 300;
    G3PolylineClipper clipper(0, 0, 2 * kTeeth, 10);
    std::vector<double> xyz;
    for (int i = 0; i <= 2 * kTeeth; ++i) xyz.insert(xyz.end(), {double(i), i % 2 ? 20.0 : 5.0, 0});
    clipper.PathBegin(1);
    clipper.PathContourBegin(xyz.data(), 0, CONTOUR_OUTER);
    for (size_t i = 3; i < xyz.size(); i += 3)
        clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, &xyz[i]);
    ClipRecorder out;
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    ASSERT_EQ(out.contours.size(), 1u);
    const auto& c = out.contours[0];
    ASSERT_EQ(c.size(), 1u + 3 * kTeeth);  // each tooth: up crossing, down crossing, valley
    int invisible = 0;
    for (size_t i = 1; i < c.size(); ++i) {
        invisible += c[i].visibility == 0;
        EXPECT_LE(c[i].p[1], 10.0);
    }
    EXPECT_EQ(invisible, kTeeth);
}

// Input the clipper cannot use is refused, never stored half way.
TEST(G3PolylineClipper, RefusesBadInputAndItself) {
    G3PolylineClipper clipper(0, 0, 10, 10);
    clipper.PathBegin(std::numeric_limits<int>::max());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double bad[3] = {1, nan, 0};
    double good[6] = {1, 1, 0, 2, 2, 0};
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good);  // no contour yet
    clipper.PathContourBegin(bad, 2, CONTOUR_OUTER);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good);
    clipper.PathContourBegin(nullptr, 2, CONTOUR_OUTER);
    clipper.PathContourBegin(good, 3, CONTOUR_OUTER);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 0, good + 3);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, nullptr);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, bad);  // drops the contour
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good + 3);
    clipper.PathContourBegin(good + 3, 2, CONTOUR_OUTER);
    clipper.PathContourSegmentTo(SEGMENT_LINE, SEGMENT_VISIBLE, 1, good);
    ASSERT_EQ(clipper.GetContourCount(), 1);

    ClipRecorder out;
    EXPECT_FALSE(clipper.DoClip(nullptr, 0));
    EXPECT_FALSE(clipper.DoClip(&clipper, 0));
    EXPECT_FALSE(clipper.DoClip(&clipper, G3PolylineClipper::CLIP_ALL));
    ASSERT_TRUE(clipper.DoClip(&out, G3PolylineClipper::CLIP_ALL));
    EXPECT_TRUE(SameContour(out.contours[0], {{2, 2}, {1, 1}}));

    // Segments are clipped only against polygons; paths only against rectangles.
    double a[3] = {0, 0, 0}, b[3] = {1, 1, 0};
    EXPECT_FALSE(clipper.DoClip(a, b, nullptr));
    const double square[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    G3PolylineClipper polygon(4, square);
    AddContour(polygon, {{0.5, 0.5}, {2, 0.5}});
    EXPECT_FALSE(polygon.DoClip(&out, G3PolylineClipper::CLIP_ALL));

    // A rectangle with a non-finite side clips nothing.
    G3PolylineClipper broken(0, 0, nan, 10);
    AddContour(broken, {{1, 1}, {2, 2}});
    ClipRecorder silent;
    EXPECT_FALSE(broken.DoClip(&silent, G3PolylineClipper::CLIP_ALL));
    EXPECT_EQ(silent.calls, 0);
}
