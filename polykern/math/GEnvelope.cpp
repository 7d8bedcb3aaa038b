#include "polykern/math/GEnvelope.h"

#include <algorithm>
#include <utility>

GEnvelope::GEnvelope(const double* a, const double* b, const double* c) {
    Init(a, b);
    Add(c);
}

void GEnvelope::Init() {
    for (int k = 0; k < 3; ++k) m_Min[k] = m_Max[k] = 0.0;
}

void GEnvelope::Init(const double* p) {
    for (int k = 0; k < 3; ++k) m_Min[k] = m_Max[k] = p[k];
}

void GEnvelope::Init(const double* a, const double* b) {
    for (int k = 0; k < 3; ++k) {
        m_Min[k] = std::min(a[k], b[k]);
        m_Max[k] = std::max(a[k], b[k]);
    }
}

void GEnvelope::Init(double x1, double y1, double z1, double x2, double y2, double z2) {
    const double a[3] = {x1, y1, z1};
    const double b[3] = {x2, y2, z2};
    Init(a, b);
}

void GEnvelope::Init(const GEnvelope* other) {
    for (int k = 0; k < 3; ++k) {
        m_Min[k] = other->m_Min[k];
        m_Max[k] = other->m_Max[k];
    }
}

void GEnvelope::Set(double lo, double hi) {
    for (int k = 0; k < 3; ++k) {
        m_Min[k] = lo;
        m_Max[k] = hi;
    }
}

void GEnvelope::Set(double x1, double y1, double z1, double x2, double y2, double z2) {
    m_Min[0] = x1;
    m_Min[1] = y1;
    m_Min[2] = z1;
    m_Max[0] = x2;
    m_Max[1] = y2;
    m_Max[2] = z2;
}

GEnvelope* GEnvelope::InitDefault(GEnvelope* env) {
    env->Set(1.0, -1.0);
    return env;
}

GEnvelope* GEnvelope::FormEnvelope(GEnvelope* env, const double* a, const double* b) {
    env->Init(a, b);
    return env;
}

GEnvelope* GEnvelope::FormEnvelope(
    GEnvelope* env, const double* a, const double* b, const double* c, const double* d) {
    env->Init(a, b);
    env->Add(c);
    env->Add(d);
    return env;
}

namespace {

void Grow(double* min, double* max, const double* p, int axes) {
    for (int k = 0; k < axes; ++k) {
        if (p[k] < min[k]) min[k] = p[k];
        if (p[k] > max[k]) max[k] = p[k];
    }
}

}  // namespace

void GEnvelope::Add(const double* p) {
    Grow(m_Min, m_Max, p, 3);
}

void GEnvelope::Add(double x, double y, double z) {
    const double p[3] = {x, y, z};
    Grow(m_Min, m_Max, p, 3);
}

void GEnvelope::Add(double x, double y) {
    const double p[2] = {x, y};
    Grow(m_Min, m_Max, p, 2);
}

void GEnvelope::Add(const GEnvelope* other) {
    for (int k = 0; k < 3; ++k) {
        if (other->m_Min[k] < m_Min[k]) m_Min[k] = other->m_Min[k];
        if (other->m_Max[k] > m_Max[k]) m_Max[k] = other->m_Max[k];
    }
}

void GEnvelope::AddToMin(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
        if (p[k] < m_Min[k]) m_Min[k] = p[k];
    }
}

void GEnvelope::AddToMax(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
        if (p[k] > m_Max[k]) m_Max[k] = p[k];
    }
}

void GEnvelope::AddToDefault(const double* p) {
    if (IsDefault()) {
        Init(p);
        return;
    }
    for (int k = 0; k < 3; ++k) {
        if (p[k] < m_Min[k]) {
            m_Min[k] = p[k];
        } else if (p[k] > m_Max[k]) {
            m_Max[k] = p[k];
        }
    }
}

void GEnvelope::AddToDefault(const GEnvelope* other) {
    // An empty box adds nothing; taken as a box it would stretch this one to (-1 … 1).
    if (other->IsDefault()) return;
    if (IsDefault()) {
        Init(other);
    } else {
        Add(other);
    }
}

void GEnvelope::Extend(double* min, double* max, double d) {
    for (int k = 0; k < 3; ++k) {
        min[k] -= d;
        max[k] += d;
    }
}

double GEnvelope::GetMaxSize() const {
    return std::max(XSize(), std::max(YSize(), ZSize()));
}

int GEnvelope::GetMaxCoo() const {
    double size;
    return GetMaxCoo(&size);
}

int GEnvelope::GetMaxCoo(double* size) const {
    const double x = XSize(), y = YSize(), z = ZSize();
    if (x >= y && x >= z) {
        *size = x;
        return 0;
    }
    if (y >= z) {
        *size = y;
        return 1;
    }
    *size = z;
    return 2;
}

void GEnvelope::GetMaxCoo(int* i, int* j) const {
    const double x = XSize(), y = YSize(), z = ZSize();
    if (x <= y && x <= z) {
        *i = 1;
        *j = 2;
    } else if (y <= z) {
        *i = 0;
        *j = 2;
    } else {
        *i = 0;
        *j = 1;
    }
}

namespace {

// The closed box test on the first `axes` axes.
bool Contains(const double* min, const double* max, const double* p, int axes) {
    for (int k = 0; k < axes; ++k) {
        if (!(p[k] >= min[k] && p[k] <= max[k])) return false;
    }
    return true;
}

bool Meets(const double* min,
           const double* max,
           const double* otherMin,
           const double* otherMax,
           int axes) {
    for (int k = 0; k < axes; ++k) {
        if (!(otherMax[k] >= min[k] && otherMin[k] <= max[k])) return false;
    }
    return true;
}

}  // namespace

uint32_t GEnvelope::ClipTestXYZ(const double* p) const {
    return Contains(m_Min, m_Max, p, 3) ? 0 : GCLIP_DISJOINT;
}

uint32_t GEnvelope::ClipTestXY(const double* p) const {
    return Contains(m_Min, m_Max, p, 2) ? 0 : GCLIP_DISJOINT;
}

bool GEnvelope::IsIntersectXY(const double* min, const double* max) const {
    return Meets(m_Min, m_Max, min, max, 2);
}

bool GEnvelope::IsIntersectXY(const GEnvelope* other) const {
    return IsIntersectXY(other->m_Min, other->m_Max);
}

bool GEnvelope::IsIntersectXYZ_Overlap(const GEnvelope* other) const {
    for (int k = 0; k < 3; ++k) {
        if (!(m_Min[k] - 1e-6 <= other->m_Max[k] && m_Max[k] + 1e-6 >= other->m_Min[k])) {
            return false;
        }
    }
    return true;
}

bool GEnvelope::IsIntersectXYZ_NoOverlap(const GEnvelope* other) const {
    for (int k = 0; k < 3; ++k) {
        if (!(m_Min[k] + 1e-6 <= other->m_Max[k] && m_Max[k] - 1e-6 >= other->m_Min[k])) {
            return false;
        }
    }
    return true;
}

namespace {

uint32_t ClipWord(const double* min,
                  const double* max,
                  const double* otherMin,
                  const double* otherMax,
                  int axes) {
    uint32_t flags = 0;
    for (int k = 0; k < axes; ++k) {
        if (min[k] > otherMax[k] || max[k] < otherMin[k]) return GCLIP_DISJOINT;
        if (min[k] < otherMin[k]) flags |= GCLIP_LOW << k;
        if (max[k] > otherMax[k]) flags |= GCLIP_HIGH << k;
    }
    return flags;
}

}  // namespace

uint32_t GEnvelope::ClipTestXYZ(const GEnvelope* other) const {
    return ClipWord(m_Min, m_Max, other->m_Min, other->m_Max, 3);
}

uint32_t GEnvelope::ClipTestXY(const GEnvelope* other) const {
    return ClipWord(m_Min, m_Max, other->m_Min, other->m_Max, 2);
}

GEnvelope* GEnvelope::ClipXYZ(const GEnvelope* other, uint32_t flags) {
    for (int k = 0; k < 3; ++k) {
        if (flags & (GCLIP_LOW << k)) m_Min[k] = other->m_Min[k];
        if (flags & (GCLIP_HIGH << k)) m_Max[k] = other->m_Max[k];
    }
    return this;
}

int GEnvelope::ClipCode(const double* p) const {
    int code = 0;
    if (p[0] < m_Min[0]) {
        code |= 1;
    } else if (p[0] > m_Max[0]) {
        code |= 2;
    }
    if (p[1] < m_Min[1]) code |= 4;
    if (p[1] > m_Max[1]) code |= 8;
    if (p[2] < m_Min[2]) {
        code |= 16;
    } else if (p[2] > m_Max[2]) {
        code |= 32;
    }
    return code;
}

uint32_t GEnvelope::ClipTest(double* p1, double* p2) const {
    int c1 = ClipCode(p1);
    int c2 = ClipCode(p2);
    // Each step puts an endpoint on a face and clears its bit; six faces a side bound
    // the loop, and the cap keeps a box with non-finite limits from looping forever.
    for (int step = 0; (c1 | c2) != 0; ++step) {
        if ((c1 & c2) != 0 || step > 24) return GCLIP_DISJOINT;
        if (c1 == 0) {
            for (int k = 0; k < 3; ++k) std::swap(p1[k], p2[k]);
            std::swap(c1, c2);
        }
        int bit = 0;
        while ((c1 & (1 << bit)) == 0) ++bit;
        const int axis = bit / 2;
        const double plane = (bit % 2 == 0) ? m_Min[axis] : m_Max[axis];
        const double t = (plane - p1[axis]) / (p2[axis] - p1[axis]);
        for (int k = 0; k < 3; ++k) {
            if (k != axis) p1[k] += t * (p2[k] - p1[k]);
        }
        p1[axis] = plane;
        c1 = ClipCode(p1);
    }
    return 0;
}

uint32_t GEnvelope::ClipTest(const double* p1, const double* p2, int axis) const {
    const double a = p1[axis], b = p2[axis];
    const double lo = m_Min[axis], hi = m_Max[axis];
    uint32_t flags = 0;
    if (a > b) {
        if (!(b < hi && a > lo)) return GCLIP_DISJOINT;
        if (b < lo && lo <= a) flags |= GCLIP_LOW << axis;
        if (a > hi) flags |= GCLIP_HIGH << axis;
    } else {
        if (!(a < hi && b > lo)) return GCLIP_DISJOINT;
        if (a < lo && lo <= b) flags |= GCLIP_LOW << axis;
        if (b > hi) flags |= GCLIP_HIGH << axis;
    }
    return flags;
}

void GEnvelope::Transform(GEnvelope* out, const double m[4][4]) const {
    double lo[3], hi[3];
    for (int j = 0; j < 3; ++j) {
        lo[j] = hi[j] = m_Min[0] * m[0][j] + m_Min[1] * m[1][j] + m_Min[2] * m[2][j];
    }
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) {
            const double e = (m_Max[k] - m_Min[k]) * m[k][j];
            if (e <= 0.0) {
                lo[j] += e;
            } else {
                hi[j] += e;
            }
        }
    }
    for (int j = 0; j < 3; ++j) {
        out->m_Min[j] = lo[j] + m[3][j];
        out->m_Max[j] = hi[j] + m[3][j];
    }
}
