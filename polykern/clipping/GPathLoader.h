#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/spatial/G3EdgeList.h"

/// Kind of a path segment: 0 starts a contour, 1 is a straight run to its points.
enum SEGMENT_TYPE : int { SEGMENT_START = 0, SEGMENT_LINE = 1 };

/// Visibility of a path segment; 0 means invisible, any other value is passed through.
enum SEGMENT_VISIBILITY : int { SEGMENT_INVISIBLE = 0, SEGMENT_VISIBLE = 1 };

/// Receiver of streamed paths, implemented by the host (and by the polyline clipper, which
/// stores what it receives). Points are x, y, z triples owned by the caller and valid only
/// during the call. A path is PathBegin, contours of PathContourBegin, PathContourSegmentTo
/// … PathContourEnd, then PathEnd.
class POLYKERN_API GPathLoader {
public:
    /// A path begins; `contourCount` is a hint, -1 when unknown.
    virtual void PathBegin(int contourCount) = 0;
    /// The plane axes the path prefers; a hint.
    virtual void PathSetPreferPlane(int axis1, int axis2) = 0;
    /// A contour begins at `firstPoint`; `pointCount` is a hint.
    virtual void PathContourBegin(double* firstPoint, int pointCount, CONTOUR_TYPE type) = 0;
    /// A segment of the current contour through `pointCount` points.
    virtual void PathContourSegmentTo(SEGMENT_TYPE type,
                                      SEGMENT_VISIBILITY visibility,
                                      int pointCount,
                                      double* points) = 0;
    /// The current contour ends.
    virtual void PathContourEnd() = 0;
    /// The path ends.
    virtual void PathEnd() = 0;

    virtual ~GPathLoader() = default;
};
