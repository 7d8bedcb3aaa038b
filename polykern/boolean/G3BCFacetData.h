#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/math/GEnvelope.h"

class G3IntervalList;

/// A facet's working record during a Boolean operation: its envelope grown by 1e-5 (the
/// record is the envelope), its classification, and the intersection list it collects
/// (owned; deleted when the facet's data closes).
class POLYKERN_API G3BCFacetData final : public GEnvelope {
public:
    int classification = 0;
    G3IntervalList* intersections = nullptr;
};
