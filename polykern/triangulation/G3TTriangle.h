#pragma once

#include <cstdint>

/// A triangle of the planar triangulator's mesh. Corners are counter-clockwise in (u, v);
/// side i lies opposite corner i. An oriented handle (triangle << 2 | o) reads origin =
/// corner[(o + 1) % 3], destination = corner[(o + 2) % 3] and apex = corner[o]. Triangle
/// 0 of every mesh is the outside triangle, which stands for everything beyond the hull.
/// The constraint edges on the sides are kept by the mesh, apart from the triangles, since
/// most triangulations have none.
struct G3TTriangle {
    /// Vertex numbers in the mesh's sorted point array; −1 for the missing apex of a hull
    /// (ghost) triangle during construction.
    int32_t corner[3] = {-1, -1, -1};
    /// The handle of the neighbour across each side, read from its own side; the outside
    /// triangle's handle (0) where there is none.
    uint32_t neighbour[3] = {0, 0, 0};
    uint8_t mark = 0;
    /// Ghost triangles removed after construction stay in the array, marked dead.
    bool dead = false;
};
