#pragma once

// Vectors and planes on bare arrays of three or four doubles. A plane (a, b, c, d) means
// a·x + b·y + c·z + d = 0, with (a, b, c) of length 1 after a fit.

#include "polykern/PolykernExport.h"

class G3Point;

/// out := a × b; `out` must not be `a` or `b`.
POLYKERN_API void V3OrtoVector(const double* a, const double* b, double* out);
/// Plane through three points, normal (p1 − p0) × (p2 − p0) normalized. False, with all
/// four coefficients 0, when that cross product is shorter than 1e-6.
POLYKERN_API bool CALC_PLANE_EQUATION(const double* p0,
                                      const double* p1,
                                      const double* p2,
                                      double* plane);
/// True when p lies on the segment ab: |p − a| + |p − b| exceeds |a − b| by less than
/// 1e-6·|a − b|. A degenerate segment contains no point.
POLYKERN_API bool PtOnSegment(const double* p, const double* a, const double* b);
/// The same for three points; false when any is null.
POLYKERN_API bool PtOnSegment(const G3Point* p, const G3Point* a, const G3Point* b);
