#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/model/G3Point.h"

/// A direction stored as a point. Never renormalised by the kernel. Shares the point pool.
class POLYKERN_API G3Normal : public G3Point {
public:
    G3Normal() = default;
    G3Normal(const double* xyz, uint32_t word) : G3Point(xyz, word) {}
    G3Normal(double x, double y, double z, uint32_t word) : G3Point(x, y, z, word) {}

    G3Normal* Duplicate() override;
    /// Applies only the linear part of m (row vector times matrix, translation dropped).
    void RealTransformation(const double m[4][4]);
};
