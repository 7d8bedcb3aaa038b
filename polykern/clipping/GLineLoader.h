#pragma once

#include "polykern/PolykernExport.h"

/// Receiver of clipped line pieces, implemented by the host.
class POLYKERN_API GLineLoader {
public:
    /// One visible piece from `from` to `to` (x, y, z each, owned by the caller and valid
    /// only during the call).
    virtual void LineLoad(const double* from, const double* to) = 0;

    virtual ~GLineLoader() = default;
};
