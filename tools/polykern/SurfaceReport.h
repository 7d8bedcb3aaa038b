#pragma once

// What `polykern info` tells about a surface: counts, closedness, the measures a user
// checks a model by, and the defects that stop a Boolean.

#include <cstdio>
#include <string>

class G3Surface;

namespace pkcli {

struct SurfaceReport {
    int vertices = 0;
    int edges = 0;
    int facets = 0;
    int normals = 0;
    int texCoos = 0;
    int holes = 0;  // loops inside facets
    bool closed = false;
    /// V − E + F over the edges in use, each facet with h holes counting 1 − h.
    int euler = 0;
    double volume = 0.0;
    double area = 0.0;
    bool hasEnvelope = false;
    double min[3] = {0, 0, 0};
    double max[3] = {0, 0, 0};
    int openEdges = 0;         // vertex pairs with one facet side
    int nonManifoldEdges = 0;  // vertex pairs with more than two facet sides
    int degenerateFacets = 0;  // fewer than three edges, a broken ring or no area
    int looseEdges = 0;        // edges no facet uses (left out of the Euler characteristic)
};

/// Measures s (the signed volume from the facets' orientation, by loops, so holes count).
SurfaceReport MeasureSurface(const G3Surface* s);
/// Prints the report as aligned "key value" lines, or as one JSON object.
void PrintReport(FILE* out, const SurfaceReport& r, const std::string& name, bool json);

}  // namespace pkcli
