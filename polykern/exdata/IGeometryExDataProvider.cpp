#include "polykern/exdata/IGeometryExDataProvider.h"

IGeometryExDataProvider::~IGeometryExDataProvider() = default;
