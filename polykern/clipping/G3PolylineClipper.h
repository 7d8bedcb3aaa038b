#pragma once

#include <memory>
#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/clipping/GLineLoader.h"
#include "polykern/clipping/GPathLoader.h"
#include "polykern/math/GEnvelope.h"

class G3PolygonEdgeIndex;

/// Clips drawing geometry against a window fixed at construction: a rectangle, or a polygon
/// in plan. In rectangle mode it stores the closed contours streamed to it as a path receiver
/// and DoClip streams them, clipped to the rectangle, into another receiver. In polygon mode
/// DoClip on a segment streams the pieces of the segment inside the polygon (even-odd rule,
/// the boundary counted as inside) to a line receiver. Owns all its buffers; copies are deep.
class POLYKERN_API G3PolylineClipper : public GPathLoader {
public:
    /// Path-clipping mode bits: clip at the minimum x, maximum x, minimum y, maximum y.
    static constexpr int CLIP_MIN_X = 0x1;
    static constexpr int CLIP_MAX_X = 0x10000;
    static constexpr int CLIP_MIN_Y = 0x2;
    static constexpr int CLIP_MAX_Y = 0x20000;
    static constexpr int CLIP_ALL = CLIP_MIN_X | CLIP_MAX_X | CLIP_MIN_Y | CLIP_MAX_Y;

    /// Rectangle mode with a copy of `rect`; null is taken as the zero box at the origin.
    explicit G3PolylineClipper(const GEnvelope* rect);
    /// Rectangle mode with the box of the two corners, z 0.
    G3PolylineClipper(double x1, double y1, double x2, double y2);
    /// Polygon mode over a copy of `count` plan points (x, y pairs), closed from the last
    /// point back to the first. Fewer than three points, null points or a non-finite
    /// coordinate give an empty polygon, against which every segment clips to nothing.
    G3PolylineClipper(int count, const double* points);
    ~G3PolylineClipper() override;
    G3PolylineClipper(const G3PolylineClipper& other);
    G3PolylineClipper& operator=(const G3PolylineClipper& other);

    /// Clears all stored contours; `contourCount` is a hint for the space to reserve.
    void PathBegin(int contourCount) override;
    /// Accepted and ignored.
    void PathSetPreferPlane(int axis1, int axis2) override;
    /// Starts a contour at `firstPoint`. A null or non-finite point refuses the contour:
    /// it and its segments are not stored.
    void PathContourBegin(double* firstPoint, int pointCount, CONTOUR_TYPE type) override;
    /// Appends a segment through `pointCount` points to the current contour. Ignored without
    /// a contour, with no points, or when the contour was refused; a non-finite coordinate
    /// refuses the whole contour.
    void PathContourSegmentTo(SEGMENT_TYPE type,
                              SEGMENT_VISIBILITY visibility,
                              int pointCount,
                              double* points) override;
    /// Accepted and ignored.
    void PathContourEnd() override;
    /// Accepted and ignored.
    void PathEnd() override;

    /// Mode 0 streams every stored contour unchanged, one point per segment, and answers
    /// true. Any other mode clips the contours to the rectangle at the sides whose bits are
    /// set, and answers true when a contour was streamed; when none survives `out` gets no
    /// call at all. False in polygon mode (for a nonzero mode), for a null `out`, and when
    /// `out` is this clipper.
    bool DoClip(GPathLoader* out, int mode);
    /// Streams the pieces of segment a–b inside the polygon, longer than 1e-6 in plan, in
    /// ascending order along the segment's main plan axis; each piece runs in that
    /// direction and takes its z from the segment. Answers whether a piece was streamed;
    /// false in rectangle mode and for null or non-finite arguments.
    bool DoClip(const double* a, const double* b, GLineLoader* out);

    /// Whether the window is a polygon.
    bool IsPolygonMode() const { return m_IsPolygon; }
    /// Number of stored contours.
    int GetContourCount() const { return static_cast<int>(m_Contours.size()); }
    /// Number of polygon points kept (0 in rectangle mode and for a refused polygon).
    int GetPolygonCount() const { return m_PolygonCount; }
    /// The clip rectangle (meaningful in rectangle mode).
    const GEnvelope& GetRectangle() const { return m_Rect; }

private:
    struct PathContour {
        int segmentCount;
        int firstSegment;
        CONTOUR_TYPE type;
    };
    struct PathSegment {
        int vertexCount;
        int firstVertex;
        SEGMENT_TYPE type;
        SEGMENT_VISIBILITY visibility;
    };
    /// A point of a contour while it is clipped to the rectangle.
    struct ClipRecord {
        double p[3];
        SEGMENT_VISIBILITY visibility;  ///< of the segment that ends here
        int mark;                       ///< number of the pass whose boundary it lies on, or 0
    };

    void OutAll(GPathLoader* out) const;
    bool ClipToRectangle(GPathLoader* out, int mode);
    /// One pass of rectangle clipping: m_ClipIn to m_ClipOut at `limit` on `axis`, keeping
    /// the side below it (`keepBelow`) or above it.
    void ClipPass(int axis, double limit, bool keepBelow, int pass);
    bool ClipSegmentToPolygon(const double* a, const double* b, GLineLoader* out);
    void DropCurrentContour();
    const double* FirstVertex(const PathSegment& s) const {
        return &m_Vertices[static_cast<size_t>(s.firstVertex) * m_CoordsPerVertex];
    }

    std::vector<PathContour> m_Contours;
    std::vector<double> m_Vertices;
    std::vector<PathSegment> m_Segments;
    int m_CoordsPerVertex = 3;
    bool m_RefusingContour = false;

    GEnvelope m_Rect;
    std::vector<ClipRecord> m_ClipIn;
    std::vector<ClipRecord> m_ClipOut;

    bool m_IsPolygon = false;
    int m_PolygonCount = 0;
    std::vector<double> m_Polygon;  ///< plan points, x y
    std::unique_ptr<G3PolygonEdgeIndex> m_EdgeIndex;
    std::vector<double> m_Cuts;  ///< scratch: parameters where a segment meets the boundary
};
