#pragma once

#include <cstdint>

#include "polykern/triangulation/G3TReal.h"

class G3Vertex;

/// A point of the planar triangulator: its plane coordinates (u, v), the coordinate w
/// along the plane normal (carried, never used in 2D decisions), and what the output made
/// of it. Vertices belong to their mesh.
struct G3TVertex {
    G3TReal u;
    G3TReal v;
    G3TReal w;
    /// The surface vertex the output made of this one; null until then.
    G3Vertex* output = nullptr;
    /// Host data carried along (the terrain builder copies it); never released here.
    void* exData = nullptr;
    /// A triangle with this vertex as a corner, as an oriented handle (triangle << 2 |
    /// orientation) of the mesh; 0 until the vertex takes part in a triangulation.
    uint32_t triangle = 0;
    int32_t number = 0;
    /// Its place in the mesh's vertex list (set by the mesh).
    int32_t id = -1;
    uint8_t mark = 0;

    /// Both coordinates equal within the tolerance.
    bool Equals(const G3TVertex& o) const { return u == o.u && v == o.v; }
};
