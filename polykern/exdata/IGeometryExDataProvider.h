#pragma once

#include "polykern/PolykernExport.h"

class G3Surface;

/// Serves the values of one extended-data key: knows how to release them and what the
/// pieces of a divided facet, or a merged facet, receive.
class POLYKERN_API IGeometryExDataProvider {
public:
    virtual ~IGeometryExDataProvider();
    /// Releases a value of this key.
    virtual void Free(void* value) = 0;
    /// The value each part of a facet divided by `plane` receives.
    virtual void* GetIdByPlaneDivide(void* value,
                                     const G3Surface* surface,
                                     const double* plane) = 0;
    /// The value of a facet merged from facets carrying `a` and `b`.
    virtual void* GetIdByMergeFacets(void* a, void* b) = 0;
};
