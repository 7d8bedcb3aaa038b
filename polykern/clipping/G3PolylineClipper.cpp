#include "polykern/clipping/G3PolylineClipper.h"

#include <algorithm>
#include <cmath>

#include "polykern/clipping/G3PolygonEdgeIndex.h"

namespace {

constexpr int kSegmentReserve = 1024;
// A contour-count hint above this is not trusted for the up-front reservation.
constexpr int kMaxContourReserve = 1 << 16;

bool IsFinite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

}  // namespace

G3PolylineClipper::G3PolylineClipper(const GEnvelope* rect) {
    if (rect != nullptr) m_Rect.Init(rect);
}

G3PolylineClipper::G3PolylineClipper(double x1, double y1, double x2, double y2) {
    m_Rect.Init(x1, y1, 0.0, x2, y2, 0.0);
}

G3PolylineClipper::G3PolylineClipper(int count, const double* points) : m_IsPolygon(true) {
    if (count < 3 || points == nullptr) return;
    const size_t n = static_cast<size_t>(count) * 2;
    if (!std::all_of(points, points + n, [](double v) { return std::isfinite(v); })) return;
    m_Polygon.assign(points, points + n);
    m_PolygonCount = count;
    m_EdgeIndex = std::make_unique<G3PolygonEdgeIndex>(count, m_Polygon.data());
}

G3PolylineClipper::~G3PolylineClipper() = default;

G3PolylineClipper::G3PolylineClipper(const G3PolylineClipper& other)
    : GPathLoader(other),
      m_Contours(other.m_Contours),
      m_Vertices(other.m_Vertices),
      m_Segments(other.m_Segments),
      m_CoordsPerVertex(other.m_CoordsPerVertex),
      m_RefusingContour(other.m_RefusingContour),
      m_Rect(other.m_Rect),
      m_IsPolygon(other.m_IsPolygon),
      m_PolygonCount(other.m_PolygonCount),
      m_Polygon(other.m_Polygon) {
    if (other.m_EdgeIndex != nullptr)
        m_EdgeIndex = std::make_unique<G3PolygonEdgeIndex>(*other.m_EdgeIndex);
}

G3PolylineClipper& G3PolylineClipper::operator=(const G3PolylineClipper& other) {
    if (this != &other) {
        G3PolylineClipper copy(other);
        m_Contours.swap(copy.m_Contours);
        m_Vertices.swap(copy.m_Vertices);
        m_Segments.swap(copy.m_Segments);
        m_CoordsPerVertex = copy.m_CoordsPerVertex;
        m_RefusingContour = copy.m_RefusingContour;
        m_Rect = copy.m_Rect;
        m_IsPolygon = copy.m_IsPolygon;
        m_PolygonCount = copy.m_PolygonCount;
        m_Polygon.swap(copy.m_Polygon);
        m_EdgeIndex.swap(copy.m_EdgeIndex);
    }
    return *this;
}

void G3PolylineClipper::PathBegin(int contourCount) {
    m_Contours.clear();
    m_Segments.clear();
    m_Vertices.clear();
    m_RefusingContour = false;
    m_Contours.reserve(contourCount < 1 ? 16 : std::min(contourCount, kMaxContourReserve));
    m_Segments.reserve(kSegmentReserve);
    m_Vertices.reserve(static_cast<size_t>(kSegmentReserve) * m_CoordsPerVertex);
}

void G3PolylineClipper::PathSetPreferPlane(int /*axis1*/, int /*axis2*/) {}

void G3PolylineClipper::PathContourBegin(double* firstPoint,
                                         int /*pointCount*/,
                                         CONTOUR_TYPE type) {
    m_RefusingContour = firstPoint == nullptr || !IsFinite3(firstPoint);
    if (m_RefusingContour) return;
    m_Contours.push_back({1, static_cast<int>(m_Segments.size()), type});
    m_Segments.push_back({1, static_cast<int>(m_Vertices.size() / m_CoordsPerVertex), SEGMENT_START,
                          SEGMENT_INVISIBLE});
    m_Vertices.insert(m_Vertices.end(), firstPoint, firstPoint + m_CoordsPerVertex);
}

void G3PolylineClipper::PathContourSegmentTo(SEGMENT_TYPE type,
                                             SEGMENT_VISIBILITY visibility,
                                             int pointCount,
                                             double* points) {
    if (m_RefusingContour || m_Contours.empty() || pointCount < 1 || points == nullptr) return;
    const size_t n = static_cast<size_t>(pointCount) * m_CoordsPerVertex;
    if (!std::all_of(points, points + n, [](double v) { return std::isfinite(v); })) {
        DropCurrentContour();
        return;
    }
    m_Segments.push_back(
        {pointCount, static_cast<int>(m_Vertices.size() / m_CoordsPerVertex), type, visibility});
    m_Vertices.insert(m_Vertices.end(), points, points + n);
    ++m_Contours.back().segmentCount;
}

void G3PolylineClipper::DropCurrentContour() {
    const PathContour& c = m_Contours.back();
    const PathSegment& first = m_Segments[c.firstSegment];
    m_Vertices.resize(static_cast<size_t>(first.firstVertex) * m_CoordsPerVertex);
    m_Segments.resize(c.firstSegment);
    m_Contours.pop_back();
    m_RefusingContour = true;
}

void G3PolylineClipper::PathContourEnd() {}

void G3PolylineClipper::PathEnd() {}

bool G3PolylineClipper::DoClip(GPathLoader* out, int mode) {
    if (out == nullptr || out == this) return false;
    if (mode == 0) {
        OutAll(out);
        return true;
    }
    if (m_IsPolygon) return false;
    return ClipToRectangle(out, mode);
}

bool G3PolylineClipper::DoClip(const double* a, const double* b, GLineLoader* out) {
    if (!m_IsPolygon || a == nullptr || b == nullptr || out == nullptr) return false;
    if (!IsFinite3(a) || !IsFinite3(b)) return false;
    return ClipSegmentToPolygon(a, b, out);
}

// Every contour as stored, each segment reduced to its first vertex. The receiver gets
// copies, so it cannot change the stored points.
void G3PolylineClipper::OutAll(GPathLoader* out) const {
    double p[3];
    auto pointOf = [&](const PathSegment& s) {
        std::copy(FirstVertex(s), FirstVertex(s) + 3, p);
        return p;
    };
    out->PathBegin(static_cast<int>(m_Contours.size()));
    for (const PathContour& c : m_Contours) {
        const PathSegment* s = &m_Segments[c.firstSegment];
        out->PathContourBegin(pointOf(s[0]), c.segmentCount, CONTOUR_UNCLASSIFIED);
        for (int i = 1; i < c.segmentCount; ++i)
            out->PathContourSegmentTo(SEGMENT_LINE, s[i].visibility, 1, pointOf(s[i]));
        out->PathContourEnd();
    }
    out->PathEnd();
}
