#include "polykern/math/GMatrix4.h"

#include <cmath>
#include <cstring>

#include "polykern/math/GVector3.h"

namespace {

constexpr double kDetEpsilon = 9.999999999999999e-19;  // the double just below 1e-18

double Length3(const double* v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

double Dot3(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Divides v by its length unless that length is exactly 0.
void NormalizeUnlessZero(double* v) {
    const double len = Length3(v);
    if (len != 0.0) {
        for (int k = 0; k < 3; ++k) v[k] /= len;
    }
}

// The 3×3 minor of m without row r and column c.
double Minor(const double m[4][4], int r, int c) {
    double e[9];
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == r) continue;
        for (int j = 0; j < 4; ++j) {
            if (j != c) e[n++] = m[i][j];
        }
    }
    return Det3x3(e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8]);
}

}  // namespace

void M4Identity(double m[4][4]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0 : 0.0;
    }
}

void M4Translate(double m[4][4], double tx, double ty, double tz) {
    for (int r = 0; r < 4; ++r) {
        m[r][0] += tx * m[r][3];
        m[r][1] += ty * m[r][3];
        m[r][2] += tz * m[r][3];
    }
}

void M4Scale(double m[4][4], double sx, double sy, double sz) {
    for (int r = 0; r < 4; ++r) {
        m[r][0] *= sx;
        m[r][1] *= sy;
        m[r][2] *= sz;
    }
}

void M4Scale(double m[4][4], double s) {
    M4Scale(m, s, s, s);
}

void M4RotateX(double m[4][4], double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (int r = 0; r < 4; ++r) {
        const double y = m[r][1], z = m[r][2];
        m[r][1] = y * c - z * s;
        m[r][2] = y * s + z * c;
    }
}

void M4RotateY(double m[4][4], double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (int r = 0; r < 4; ++r) {
        const double x = m[r][0], z = m[r][2];
        m[r][0] = x * c + z * s;
        m[r][2] = z * c - x * s;
    }
}

void M4RotateZ(double m[4][4], double a) {
    const double c = std::cos(a), s = std::sin(a);
    for (int r = 0; r < 4; ++r) {
        const double x = m[r][0], y = m[r][1];
        m[r][0] = x * c - y * s;
        m[r][1] = x * s + y * c;
    }
}

bool M4RotationMatrix(double angle, double ax, double ay, double az, double m[4][4]) {
    M4Identity(m);
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (!(len >= 1e-6)) return false;
    const double x = ax / len, y = ay / len, z = az / len;
    const double s = std::sin(angle), c = std::cos(angle), t = 1.0 - c;
    m[0][0] = t * x * x + c;
    m[0][1] = t * x * y - z * s;
    m[0][2] = t * z * x + y * s;
    m[1][0] = t * x * y + z * s;
    m[1][1] = t * y * y + c;
    m[1][2] = t * y * z - x * s;
    m[2][0] = t * z * x - y * s;
    m[2][1] = t * y * z + x * s;
    m[2][2] = t * z * z + c;
    return true;
}

bool M4RotationMatrix(const double* v, double m[4][4]) {
    const double len = Length3(v);
    if (!(len >= 1e-6)) return false;
    const double u[3] = {v[0] / len, v[1] / len, v[2] / len};
    // Rounding can push |u.z| a hair past 1, where acos has no value.
    const double cz = u[2] > 1.0 ? 1.0 : (u[2] < -1.0 ? -1.0 : u[2]);
    const double angle = std::acos(cz);
    const double zAxis[3] = {0.0, 0.0, 1.0};
    double axis[3];
    V3OrtoVector(u, zAxis, axis);
    if (Length3(axis) <= 1e-6) {
        M4RotationMatrix(angle, 1.0, 0.0, 0.0, m);
    } else {
        M4RotationMatrix(angle, axis[0], axis[1], axis[2], m);
    }
    for (int k = 0; k < 3; ++k) m[3][k] = u[k] * v[3];
    return true;
}

void M4LookAtMatrix(const double* eye, const double* target, const double* up, double m[4][4]) {
    double f[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    NormalizeUnlessZero(f);
    double s[3], u[3];
    V3OrtoVector(up, f, s);
    V3OrtoVector(f, s, u);
    NormalizeUnlessZero(s);
    NormalizeUnlessZero(u);
    for (int r = 0; r < 3; ++r) {
        m[r][0] = s[r];
        m[r][1] = u[r];
        m[r][2] = f[r];
        m[r][3] = 0.0;
    }
    m[3][0] = -Dot3(eye, s);
    m[3][1] = -Dot3(eye, u);
    m[3][2] = -Dot3(eye, f);
    m[3][3] = 1.0;
}

bool M4BasisTo(
    const double* origin, const double* p1, const double* p2, const double* p3, double m[4][4]) {
    double u[3], v[3], w[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = p1[k] - origin[k];
        v[k] = p2[k] - origin[k];
        w[k] = p3[k] - origin[k];
    }
    double lu = Length3(u), lv = Length3(v), lw = Length3(w);
    M4Identity(m);
    const int degenerate = (lu < 1e-6) + (lv < 1e-6) + (lw < 1e-6);
    if (degenerate >= 2) return false;
    if (lu < 1e-6) {
        V3OrtoVector(v, w, u);
        lu = Length3(u);
    }
    if (lv < 1e-6) {
        V3OrtoVector(w, u, v);
        lv = Length3(v);
    }
    if (lw < 1e-6) {
        V3OrtoVector(u, v, w);
        lw = Length3(w);
    }
    double vw[3], wu[3], uv[3];
    V3OrtoVector(v, w, vw);
    V3OrtoVector(w, u, wu);
    V3OrtoVector(u, v, uv);
    const double det = Dot3(u, vw);
    if (det == 0.0) return false;
    for (int r = 0; r < 3; ++r) {
        m[r][0] = vw[r] * lu / det;
        m[r][1] = wu[r] * lv / det;
        m[r][2] = uv[r] * lw / det;
    }
    for (int k = 0; k < 3; ++k) {
        m[3][k] = -(origin[0] * m[0][k] + origin[1] * m[1][k] + origin[2] * m[2][k]);
    }
    return true;
}

bool M4Inverse(const double m[4][4], double out[4][4]) {
    double adj[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const double cofactor = ((r + c) % 2 == 0 ? 1.0 : -1.0) * Minor(m, r, c);
            adj[c][r] = cofactor;
        }
    }
    const double det = Det4x4(m);
    const bool invertible = std::fabs(det) >= kDetEpsilon;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) out[r][c] = invertible ? adj[r][c] / det : adj[r][c];
    }
    return invertible;
}

bool M4IsIdentity(const double m[4][4]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const double expected = r == c ? 1.0 : 0.0;
            if (!(std::fabs(m[r][c] - expected) < 1e-6)) return false;
        }
    }
    return true;
}

bool M4IsTranslation(const double (*)[4]) {
    return false;
}

GMATRIX_TYPE M4GetModelMatrixType(const double (*)[4]) {
    return GMATRIX_GENERAL;
}

GMATRIX_TYPE M4GetProjMatrixType(const double (*)[4]) {
    return GMATRIX_GENERAL;
}

double Det2x2(double a, double b, double c, double d) {
    return a * d - b * c;
}

double Det3x3(double a1,
              double a2,
              double a3,
              double b1,
              double b2,
              double b3,
              double c1,
              double c2,
              double c3) {
    return a1 * Det2x2(b2, b3, c2, c3) - b1 * Det2x2(a2, a3, c2, c3) + c1 * Det2x2(a2, a3, b2, b3);
}

double Det4x4(const double m[4][4]) {
    double det = 0.0;
    for (int r = 0; r < 4; ++r) {
        const double term = m[r][0] * Minor(m, r, 0);
        det += r % 2 == 0 ? term : -term;
    }
    return det;
}
