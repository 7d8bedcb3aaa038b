#pragma once

// A facet cut along one closed loop that keeps clear of the facet's own loops gains that
// loop as a hole, and the region inside it becomes a facet of its own: the facet keeps
// its ring instead of being traced anew, so the cost follows the loop, not the facet (a
// slab's face with hundreds of openings, cut once per opening).

#include <cstdint>
#include <vector>

class G3Facet;
class G3Surface;

namespace g3bccuthole {

/// One cut across a facet, from a to b, in the facet's plane.
struct Cut {
    double a[3], b[3];
};

/// Makes a hole of f along `cuts` and a facet of s inside it, the new edges carrying
/// `edgeFlags` and `event` passed on to outside data, when the cuts chain into one simple closed loop whose box keeps more than
/// the tolerance clear of every edge of f, and f carries no normals. Returns false with s
/// untouched otherwise (at most some unused vertices are left, which the cleanup drops).
bool CutOutHole(
    G3Surface* s, G3Facet* f, const std::vector<Cut>& cuts, int32_t edgeFlags, void* event);

}  // namespace g3bccuthole
