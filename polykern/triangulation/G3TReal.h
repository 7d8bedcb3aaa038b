#pragma once

/// A coordinate of the planar triangulator: a double whose comparisons allow an absolute
/// tolerance of 1e-8, so that values that close count as equal. Arithmetic is plain double
/// arithmetic.
class G3TReal {
public:
    static constexpr double kEps = 1e-8;

    constexpr G3TReal() = default;
    constexpr G3TReal(double x) : m_X(x) {}  // NOLINT: converts freely, like the double it is
    constexpr explicit operator double() const { return m_X; }
    constexpr double Value() const { return m_X; }

    constexpr G3TReal operator+(G3TReal b) const { return m_X + b.m_X; }
    constexpr G3TReal operator-(G3TReal b) const { return m_X - b.m_X; }
    constexpr G3TReal operator*(G3TReal b) const { return m_X * b.m_X; }

    constexpr bool operator==(G3TReal b) const { return b.m_X - kEps < m_X && m_X < b.m_X + kEps; }
    constexpr bool operator!=(G3TReal b) const { return !(*this == b); }
    constexpr bool operator<(G3TReal b) const { return m_X < b.m_X - kEps; }
    constexpr bool operator>(G3TReal b) const { return m_X > b.m_X + kEps; }
    constexpr bool operator<=(G3TReal b) const { return m_X < b.m_X + kEps; }
    constexpr bool operator>=(G3TReal b) const { return m_X > b.m_X - kEps; }

private:
    double m_X = 0.0;
};
