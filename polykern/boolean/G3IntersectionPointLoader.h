#pragma once

#include "polykern/PolykernExport.h"

/// Receives the crossing points that a segment sweep finds, one call per crossing. The
/// sweep does not own the loader.
class POLYKERN_API G3IntersectionPointLoader {
public:
    virtual ~G3IntersectionPointLoader() = default;

    /// One crossing: `point` holds its three coordinates (valid only during the call),
    /// `dataA` and `dataB` the tags of the segment being inserted and of the segment it
    /// meets, `paramA` and `paramB` the crossing's position along each (0 at its start,
    /// 1 at its end).
    virtual void LoadPoint(
        double* point, void* dataA, void* dataB, double paramA, double paramB) = 0;
};
