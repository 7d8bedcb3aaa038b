#include "polykern/boolean/G3Segment.h"

#include <cmath>

namespace {

constexpr double kTolerance = 1e-6;
constexpr double kOrigin[3] = {0, 0, 0};

bool IsAxis(int axis) {
    return axis >= 0 && axis <= 2;
}

void CopyPoint(double* to, const double* from) {
    for (int k = 0; k < 3; ++k) to[k] = from[k];
}

}  // namespace

G3Segment::G3Segment(const double* p, const double* q, void* data, int i, int j) : m_Data(data) {
    if (p == nullptr) p = kOrigin;
    if (q == nullptr) q = kOrigin;
    const bool axesValid = IsAxis(i) && IsAxis(j) && i != j;
    // Order the ends along the sweep axis; on a tie (or without a sweep axis) p stays first.
    const bool swap = axesValid && q[j] < p[j];
    CopyPoint(m_Start, swap ? q : p);
    CopyPoint(m_End, swap ? p : q);
    for (int k = 0; k < 3; ++k) {
        m_Minimum[k] = std::fmin(m_Start[k], m_End[k]);
        m_Maximum[k] = std::fmax(m_Start[k], m_End[k]);
    }
    if (!axesValid) return;  // no plane: a degenerate segment along axis 0

    m_DominantAxis = i;
    m_LineA = m_End[j] - m_Start[j];
    m_LineB = m_Start[i] - m_End[i];
    // hypot does not overflow for large but finite differences.
    m_Length = std::hypot(m_LineA, m_LineB);
    if (!(m_Length > kTolerance)) {
        m_LineC = 0;
        return;
    }
    m_LineA /= m_Length;
    m_LineB /= m_Length;
    m_LineC = -(m_LineA * m_Start[i] + m_LineB * m_Start[j]);
    // |b| measures the extent along i, |a| the extent along j.
    if (std::fabs(m_LineB) < std::fabs(m_LineA)) m_DominantAxis = j;
}

double G3Segment::GetMinimum(int axis) const {
    return IsAxis(axis) ? m_Minimum[axis] : 0.0;
}

double G3Segment::GetMaximum(int axis) const {
    return IsAxis(axis) ? m_Maximum[axis] : 0.0;
}

bool G3Segment::IsDegenerate() const {
    return !(m_Length > kTolerance);
}

double G3Segment::LineValue(const double* p, int i, int j) const {
    if (p == nullptr || !IsAxis(i) || !IsAxis(j)) return 0.0;
    return m_LineA * p[i] + m_LineB * p[j] + m_LineC;
}

double G3Segment::GetParameter(const double* p) const {
    const int d = m_DominantAxis;
    const double extent = m_End[d] - m_Start[d];
    if (p == nullptr || extent == 0.0) return 0.0;
    return (p[d] - m_Start[d]) / extent;
}

bool G3Segment::IsStrictlyInside(const double* p) const {
    if (p == nullptr) return false;
    const int d = m_DominantAxis;
    return p[d] > m_Minimum[d] + kTolerance && p[d] < m_Maximum[d] - kTolerance;
}
