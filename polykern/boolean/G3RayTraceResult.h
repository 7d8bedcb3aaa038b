#pragma once

#include "polykern/PolykernExport.h"

class G3Edge;
class G3Facet;
class G3Vertex;

/// Receives the places where a traced segment meets a facet list: inside a facet, on an
/// edge, at a vertex, or on a host object. Each answer tells whether the hit was kept.
class POLYKERN_API G3RayTraceResult {
public:
    virtual ~G3RayTraceResult();

    /// The point hits are measured from.
    virtual void SetEyePosition(double x, double y, double z) = 0;
    /// A hit inside `facet` at `point` with the facet's unit normal; the curvature axes
    /// may be null.
    virtual bool FindFacet(const double* point,
                           const double* normal,
                           const double* curvAxis1,
                           const double* curvAxis2,
                           G3Facet* facet) = 0;
    /// A hit on a host object, with the host's data handed back unread.
    virtual bool FindObject(const double* point,
                            const double* normal,
                            const double* curvAxis1,
                            const double* curvAxis2,
                            void* object,
                            void* modelerData) = 0;
    /// A hit on `edge`, with the averaged normal of its facets (zero when they cancel).
    virtual bool FindEdge(const double* point, const double* normal, G3Edge* edge) = 0;
    /// A hit at `vertex`, with the averaged normal of the facets around it.
    virtual bool FindVertex(const double* point, const double* normal, G3Vertex* vertex) = 0;
};
