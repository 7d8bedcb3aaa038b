#pragma once

// Tracing a plane section straight into its contours when its edges form simple loops
// that keep well apart, which is what a section of a sound closed body gives.

#include <cstdint>
#include <utility>
#include <vector>

class G3Vertex;
class GArrayCollection;

namespace g3sectionloops {

/// Storage one Divide call reuses from one section to the next.
struct LoopScratch {
    std::vector<int> degree, firstEdge, secondEdge;
    std::vector<int> order, loopStart, cellStart, cellItems, cellFill, ranges;
    std::vector<double> xy;
    std::vector<char> walked;
};

/// Appends to `out` the contours that tracing the section's edge graph in the plane
/// `plane` (unit normal) would give, in the same order, each starting at the same edge,
/// and answers true, when the edges (pairs of indices into `corners`, in the order made)
/// form simple loops of three or more edges whose corners and edges all lie more than
/// 1e-5 apart and whose top-most corners are unambiguous. Otherwise appends nothing and
/// answers false, and the caller takes the general way.
bool TraceSimpleLoops(const std::vector<std::pair<int, int>>& edges,
                      const std::vector<G3Vertex*>& corners,
                      const double* plane,
                      GArrayCollection* out,
                      LoopScratch* w);

}  // namespace g3sectionloops
