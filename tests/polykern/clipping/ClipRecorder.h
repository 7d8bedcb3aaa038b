#pragma once

// A path receiver that keeps what it is told, for the clipper tests.

#include <array>
#include <vector>

#include "polykern/clipping/GPathLoader.h"

namespace pktest {

struct RecordedPoint {
    std::array<double, 3> p;
    int visibility;  // of the segment that ends here; -1 for a contour's first point
};

class ClipRecorder : public GPathLoader {
public:
    void PathBegin(int n) override {
        ++calls;
        ++begins;
        hint = n;
    }
    void PathSetPreferPlane(int, int) override { ++calls; }
    void PathContourBegin(double* p, int count, CONTOUR_TYPE type) override {
        ++calls;
        contours.push_back({{{p[0], p[1], p[2]}, -1}});
        counts.push_back(count);
        types.push_back(type);
    }
    void PathContourSegmentTo(SEGMENT_TYPE type,
                              SEGMENT_VISIBILITY vis,
                              int n,
                              double* p) override {
        ++calls;
        segmentTypes.push_back(type);
        for (int i = 0; i < n; ++i)
            contours.back().push_back({{p[3 * i], p[3 * i + 1], p[3 * i + 2]}, vis});
    }
    void PathContourEnd() override { ++calls; }
    void PathEnd() override {
        ++calls;
        ++ends;
    }

    int calls = 0;
    int begins = 0;
    int ends = 0;
    int hint = 0;
    std::vector<std::vector<RecordedPoint>> contours;
    std::vector<int> counts;
    std::vector<CONTOUR_TYPE> types;
    std::vector<SEGMENT_TYPE> segmentTypes;
};

}  // namespace pktest
