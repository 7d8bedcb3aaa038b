#include "polykern/exdata/CStandardExDataProvider.h"

CStandardExDataProvider::~CStandardExDataProvider() = default;

void CStandardExDataProvider::Free(void* /*value*/) {}

void* CStandardExDataProvider::GetIdByPlaneDivide(void* value,
                                                  const G3Surface* /*surface*/,
                                                  const double* /*plane*/) {
    return value;
}

void* CStandardExDataProvider::GetIdByMergeFacets(void* a, void* b) {
    return a == b ? a : nullptr;
}
