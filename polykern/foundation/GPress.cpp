#include "polykern/foundation/GPress.h"

#include <cmath>

double GPress::minsize = 0.0;

bool GPress::init(double scale) {
    const double root2 = std::sqrt(2.0);
    // A NaN scale compares false against the threshold: treat it as too small too.
    minsize = !(scale >= 1e-6) ? root2 : root2 / scale;
    return true;
}

double GPress::MINSIZE2() {
    return minsize;
}

double GPress::getSizeXY(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}
