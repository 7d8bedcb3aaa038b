#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Obj.h"

/// A texture coordinate pair (u, v), contiguous. Non-finite values are stored as 0.
class POLYKERN_API G3TexCoo : public G3Obj {
    PK_DECLARE_POOL(G3TexCoo)

public:
    G3TexCoo() = default;
    explicit G3TexCoo(const double* uv);
    G3TexCoo(double u, double v);
    G3TexCoo(const G3TexCoo& other) = default;
    G3TexCoo& operator=(const G3TexCoo& other) = default;

    void Copy(GObj* from) override;
    G3TexCoo* Duplicate() override;

    double GetU() const { return m_UV[0]; }
    double GetV() const { return m_UV[1]; }
    void SetU(double u) { m_UV[0] = u; }
    void SetV(double v) { m_UV[1] = v; }
    void Set(const double* uv);
    /// The address of u; v follows.
    double* GetUV() { return m_UV; }
    const double* GetUV() const { return m_UV; }
    /// 0 u, 1 v.
    double GetUV(int i) const { return m_UV[i]; }
    /// The planar distance of the pairs is below 1e-6.
    bool Equals(const G3TexCoo* o) const { return Equals(o, 1e-6); }
    bool Equals(const G3TexCoo* o, double tol) const;

private:
    double m_UV[2] = {0.0, 0.0};
};
