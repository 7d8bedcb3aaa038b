#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Obj.h"

/// A position: three contiguous doubles. Non-finite coordinates are stored as 0.
class POLYKERN_API G3Point : public G3Obj {
    PK_DECLARE_POOL(G3Point)

public:
    /// The origin.
    G3Point() = default;
    G3Point(const double* xyz, uint32_t word);
    G3Point(double x, double y, double z, uint32_t word);
    G3Point(const G3Point& other) = default;
    G3Point& operator=(const G3Point& other) = default;

    /// The G3Obj members and the coordinates of a point.
    void Copy(GObj* from) override;
    G3Point* Duplicate() override;

    double GetX() const { return m_Coo[0]; }
    double GetY() const { return m_Coo[1]; }
    double GetZ() const { return m_Coo[2]; }
    void SetX(double x) { m_Coo[0] = x; }
    void SetY(double y) { m_Coo[1] = y; }
    void SetZ(double z) { m_Coo[2] = z; }
    /// Copies three doubles.
    void Set(const double* xyz);
    /// The address of x; y and z follow.
    double* GetCoo() { return m_Coo; }
    const double* GetCoo() const { return m_Coo; }
    double* GetXYZ() { return m_Coo; }
    const double* GetXYZ() const { return m_Coo; }
    /// Coordinate i (0 x, 1 y, 2 z).
    double GetXYZ(int i) const { return m_Coo[i]; }
    void Negate();

    /// The distance of a and b is below 1e-6.
    static bool Equals(const double* a, const double* b);
    /// The distance of a and b is below tol.
    static bool Equals(const double* a, const double* b, double tol);
    virtual bool Equals(const double* p) const { return Equals(m_Coo, p); }
    virtual bool Equals(const double* p, double tol) const { return Equals(m_Coo, p, tol); }
    /// `o` is a point; false for anything else.
    virtual bool Equals(const GObj* o) const;
    virtual bool Equals(const GObj* o, double tol) const;

protected:
    double m_Coo[3] = {0.0, 0.0, 0.0};
};
