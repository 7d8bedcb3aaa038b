// Clipping stored contours to the rectangle, one side per pass.

#include <cmath>
#include <utility>

#include "polykern/clipping/G3PolylineClipper.h"

namespace {

struct Side {
    int bit;
    int axis;
    bool isMax;
};

// The passes run in this order, each only when its bit is set.
constexpr Side kSides[4] = {{G3PolylineClipper::CLIP_MIN_X, 0, false},
                            {G3PolylineClipper::CLIP_MAX_X, 0, true},
                            {G3PolylineClipper::CLIP_MIN_Y, 1, false},
                            {G3PolylineClipper::CLIP_MAX_Y, 1, true}};

}  // namespace

// Clips every stored contour in turn; a contour that keeps at least one record is streamed.
// The receiver hears nothing at all unless some contour survives.
bool G3PolylineClipper::ClipToRectangle(GPathLoader* out, int mode) {
    const double* lo = m_Rect.GetMin();
    const double* hi = m_Rect.GetMax();
    if (!std::isfinite(lo[0]) || !std::isfinite(lo[1]) || !std::isfinite(hi[0]) ||
        !std::isfinite(hi[1]))
        return false;
    bool emitted = false;
    for (const PathContour& c : m_Contours) {
        m_ClipIn.clear();
        for (int i = 0; i < c.segmentCount; ++i) {
            const PathSegment& s = m_Segments[c.firstSegment + i];
            const double* v = FirstVertex(s);
            m_ClipIn.push_back({{v[0], v[1], v[2]}, s.visibility, 0});
        }
        int pass = 0;
        for (const Side& side : kSides) {
            if ((mode & side.bit) == 0) continue;
            const double limit = side.isMax ? hi[side.axis] : lo[side.axis];
            ClipPass(side.axis, limit, side.isMax, ++pass);
            m_ClipIn.swap(m_ClipOut);
            if (m_ClipIn.empty()) break;
        }
        if (m_ClipIn.empty()) continue;
        if (!emitted) out->PathBegin(-1);
        emitted = true;
        out->PathContourBegin(m_ClipIn[0].p, static_cast<int>(m_ClipIn.size()),
                              CONTOUR_UNCLASSIFIED);
        for (size_t i = 1; i < m_ClipIn.size(); ++i)
            out->PathContourSegmentTo(SEGMENT_LINE, m_ClipIn[i].visibility, 1, m_ClipIn[i].p);
        out->PathContourEnd();
    }
    if (emitted) out->PathEnd();
    return emitted;
}

// Walks consecutive records p, q and keeps the part on the inner side of `limit`. Values
// are compared exactly. A point where the contour crosses the limit lies exactly on it and
// is marked with the pass; when the record emitted before it is on the same boundary, the
// run between them follows the window side and is invisible. A contour that starts and ends
// on this boundary is closed along it by an invisible run back to its first point.
void G3PolylineClipper::ClipPass(int axis, double limit, bool keepBelow, int pass) {
    // Mirroring the values turns the minimum sides into maximum sides.
    const double sign = keepBelow ? 1.0 : -1.0;
    const double lim = sign * limit;
    std::vector<ClipRecord>& out = m_ClipOut;
    out.clear();
    const size_t n = m_ClipIn.size();
    if (n == 0) return;

    auto emitPoint = [&](const ClipRecord& r) {
        ClipRecord e = r;
        e.mark = sign * r.p[axis] == lim ? pass : 0;
        out.push_back(e);
    };
    auto emitCrossing = [&](const ClipRecord& p, const ClipRecord& q) {
        const double vp = sign * p.p[axis];
        const double vq = sign * q.p[axis];
        const double t = (lim - vp) / (vq - vp);
        ClipRecord e;
        for (int k = 0; k < 3; ++k) e.p[k] = p.p[k] + t * (q.p[k] - p.p[k]);
        e.p[axis] = limit;
        e.mark = pass;
        const bool alongSide = !out.empty() && out.back().mark == pass;
        e.visibility = alongSide ? SEGMENT_INVISIBLE : q.visibility;
        out.push_back(e);
    };

    for (size_t i = 0; i + 1 < n; ++i) {
        const ClipRecord& p = m_ClipIn[i];
        const ClipRecord& q = m_ClipIn[i + 1];
        const double vp = sign * p.p[axis];
        const double vq = sign * q.p[axis];
        if (vp > lim) {
            if (vq < lim) emitCrossing(p, q);
        } else {
            emitPoint(p);
            if (vq > lim) emitCrossing(p, q);
        }
    }
    if (sign * m_ClipIn[n - 1].p[axis] <= lim) emitPoint(m_ClipIn[n - 1]);

    if (out.size() >= 2 && out.front().mark == pass && out.back().mark == pass) {
        const ClipRecord& first = out.front();
        const ClipRecord& last = out.back();
        const bool closed =
            first.p[0] == last.p[0] && first.p[1] == last.p[1] && first.p[2] == last.p[2];
        if (!closed) {
            ClipRecord e = first;
            e.visibility = SEGMENT_INVISIBLE;
            e.mark = 0;
            out.push_back(e);
        }
    }
}
