#pragma once

#include "polykern/PolykernExport.h"

/// One process-wide size tolerance for the host. The kernel itself never reads it.
class POLYKERN_API GPress {
public:
    /// minsize := √2 / scale, or √2 for a scale below 1e-6. Returns true.
    static bool init(double scale);
    /// minsize as stored (not squared); 0 until init is called.
    static double MINSIZE2();
    /// Distance in the xy plane.
    static double getSizeXY(double x1, double y1, double x2, double y2);

private:
    static double minsize;
};
