#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Edge;
class G3Vertex;

/// Where a ray met a contour: the edge, the vertex a bridge attaches to (null while the
/// hit lies inside the edge) and the point.
class POLYKERN_API GContourIntersectPoint : public GObj {
public:
    void Clear() {
        edge = nullptr;
        vertex = nullptr;
    }
    G3Edge* edge = nullptr;
    G3Vertex* vertex = nullptr;
    double point[3] = {0.0, 0.0, 0.0};
};
