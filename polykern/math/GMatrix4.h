#pragma once

// 4×4 transformation matrices, row-major (m[row][column]). Points are row vectors
// multiplied on the left, p' = (x, y, z, 1) × m, so the translation lies in row 3 and
// the in-place operations append their transformation: m := m × T.

#include "polykern/PolykernExport.h"

/// Classification of a matrix; the classifiers only ever answer 0.
enum GMATRIX_TYPE { GMATRIX_GENERAL = 0 };

/// m := identity.
POLYKERN_API void M4Identity(double m[4][4]);
/// m := m × translation by (tx, ty, tz).
POLYKERN_API void M4Translate(double m[4][4], double tx, double ty, double tz);
/// m := m × scaling by (sx, sy, sz).
POLYKERN_API void M4Scale(double m[4][4], double sx, double sy, double sz);
/// m := m × uniform scaling by s.
POLYKERN_API void M4Scale(double m[4][4], double s);
/// m := m × rotation by `a` radians about x (y turns towards z).
POLYKERN_API void M4RotateX(double m[4][4], double a);
/// m := m × rotation by `a` radians about y (z turns towards x).
POLYKERN_API void M4RotateY(double m[4][4], double a);
/// m := m × rotation by `a` radians about z (x turns towards y).
POLYKERN_API void M4RotateZ(double m[4][4], double a);
/// Axis–angle matrix written for column vectors: with row vectors it turns by −angle,
/// the opposite sense to M4RotateX/Y/Z. False (m = identity) for an axis shorter than 1e-6.
POLYKERN_API bool M4RotationMatrix(double angle, double ax, double ay, double az, double m[4][4]);
/// From v = (dx, dy, dz, dist): maps the z axis onto the direction and moves the origin
/// by dist along it. False for a direction shorter than 1e-6.
POLYKERN_API bool M4RotationMatrix(const double* v, double m[4][4]);
/// Viewing matrix from eye towards target with the given up vector.
POLYKERN_API void M4LookAtMatrix(const double* eye,
                                 const double* target,
                                 const double* up,
                                 double m[4][4]);
/// Maps origin + a·u + b·v + c·w (u = p1 − origin, …) to (a·|u|, b·|v|, c·|w|). One
/// degenerate axis is rebuilt from the other two; false when two are degenerate or the
/// basis is flat.
POLYKERN_API bool M4BasisTo(
    const double* origin, const double* p1, const double* p2, const double* p3, double m[4][4]);
/// out := inverse of m. False when |det| < 9.999999999999999e-19; out then holds the
/// undivided adjugate. `out` may be `m`.
POLYKERN_API bool M4Inverse(const double m[4][4], double out[4][4]);
/// Every diagonal element strictly within 1e-6 of 1, every other strictly within 1e-6 of 0.
POLYKERN_API bool M4IsIdentity(const double m[4][4]);
/// Always false: no classification is made.
POLYKERN_API bool M4IsTranslation(const double m[4][4]);
/// Always 0.
POLYKERN_API GMATRIX_TYPE M4GetModelMatrixType(const double m[4][4]);
/// Always 0.
POLYKERN_API GMATRIX_TYPE M4GetProjMatrixType(const double m[4][4]);
/// Decomposes m into 16 values: scale x, y, z; shear xy, xz, yz; rotation about x, y, z
/// (radians); translation x, y, z; perspective x, y, z, w. False for |m[3][3]| < 1e-6 or
/// a singular matrix (out is then left alone).
POLYKERN_API bool UnMatrix(const double m[4][4], double* out);

/// a·d − b·c.
POLYKERN_API double Det2x2(double a, double b, double c, double d);
/// Determinant of the rows (a1, a2, a3), (b1, b2, b3), (c1, c2, c3).
POLYKERN_API double Det3x3(double a1,
                           double a2,
                           double a3,
                           double b1,
                           double b2,
                           double b3,
                           double c1,
                           double c2,
                           double c3);
/// Determinant of m.
POLYKERN_API double Det4x4(const double m[4][4]);
