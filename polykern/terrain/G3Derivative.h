#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GPooled.h"

/// The slopes of a terrain at a vertex: the first derivatives of height zx, zy and the
/// second-derivative terms zxy, zxx, zyx, zyy. Taken from a pool of its own; a new record
/// is all zeros.
class POLYKERN_API G3Derivative : public GObj {
    PK_DECLARE_POOL(G3Derivative)

public:
    G3Derivative() = default;
    G3Derivative(const G3Derivative& other) = default;
    G3Derivative& operator=(const G3Derivative& other) = default;

    /// The six values of a derivative record; anything else leaves this one unchanged.
    void Copy(GObj* from) override;
    /// A new record with the same values, owned by the caller.
    G3Derivative* Duplicate() override;
    /// The height predicted at plan point (x, y) from a vertex at (vx, vy, vz) with these
    /// slopes (second-order Taylor expansion).
    double Predict(double vx, double vy, double vz, double x, double y) const;
    /// Sets this record to the mean of n records (none null).
    void SetMean(const G3Derivative* const* records, int n);

    double zx = 0.0;
    double zy = 0.0;
    double zxy = 0.0;
    double zxx = 0.0;
    double zyx = 0.0;
    double zyy = 0.0;
};
