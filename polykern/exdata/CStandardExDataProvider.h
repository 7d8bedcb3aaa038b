#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/IGeometryExDataProvider.h"

/// The rule for plain identifiers: nothing to release, divided parts keep the value,
/// merged facets keep it only when both agree.
class POLYKERN_API CStandardExDataProvider : public IGeometryExDataProvider {
public:
    ~CStandardExDataProvider() override;
    /// Does nothing: identifiers own no memory.
    void Free(void* value) override;
    /// `value` unchanged.
    void* GetIdByPlaneDivide(void* value, const G3Surface* surface, const double* plane) override;
    /// `a` when a == b, otherwise null.
    void* GetIdByMergeFacets(void* a, void* b) override;
};
