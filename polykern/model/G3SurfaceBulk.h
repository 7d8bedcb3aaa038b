#pragma once

// The kernel's own entry to bulk building, for builders that already know which facet
// sides share an edge (the planar triangulator reads it off its triangle adjacency).

#include <cmath>
#include <cstdint>

class G3Surface;
class G3Vertex;

namespace pkbulk {

/// AddIndexedFacets (which calls it with no pairing), with the pairing of the sides given
/// when `sideEdge` is not null: sideEdge[c] numbers the vertex
/// pair of the side that starts at corner c (from corner c to the next corner of its
/// facet), equal numbers exactly for sides joining the same two vertices, each below
/// `pairCount`. `joinOrder` (optional) lists every point once, in the order their
/// vertices join the surface's vertex list; the result is then that of AddIndexedFacets
/// over the points renumbered in that order. The caller vouches for both.
int BuildIndexedFacets(G3Surface& s,
                       int pointCount,
                       const double* xyz,
                       int facetCount,
                       const int* cornerCounts,
                       int cornerTotal,
                       const int* corners,
                       const int32_t* edgeFlags,
                       int32_t flags,
                       G3Vertex** vertexOfPoint,
                       const int* sideEdge,
                       int pairCount,
                       const int* joinOrder = nullptr);

/// The build of a triangle mesh with its sides paired (corners and sideEdge three per
/// triangle, as above), equal to BuildIndexedFacets with every count 3 and one flag word.
/// It asks more of the input: finite points, three distinct corners per triangle, and each
/// pair numbered when its first side comes, in order, with at most two sides and never two
/// in one triangle. Returns the facet count, or -1 with nothing added when the input does
/// not qualify (BuildIndexedFacets takes any input). `planeXyz` (optional) gives the points'
/// positions to fit the facets' planes over, where these differ from the vertices' own (a
/// weld that moves a corner leaves its facets' planes as they were).
int BuildTriangles(G3Surface& s,
                   int pointCount,
                   const double* xyz,
                   int triangleCount,
                   const int* corners,
                   int32_t flags,
                   const int* sideEdge,
                   int pairCount,
                   const int* joinOrder,
                   G3Vertex** vertexOfPoint,
                   const double* planeXyz = nullptr);

// The Newell plane of a triangle about its first corner, with the operations of
// G3Math::FormPlaneEquation over three points in the same order, so the two agree bit for
// bit. False, with the plane zero, for a triangle too small to have a normal.
inline bool TrianglePlane(const double* p0, const double* p1, const double* p2, double* plane) {
    plane[0] = plane[1] = plane[2] = plane[3] = 0.0;
    double n[3] = {0.0, 0.0, 0.0};
    double sum[3] = {p0[0] + p1[0], p0[1] + p1[1], p0[2] + p1[2]};
    n[0] += (p1[2] - p0[2]) * (p0[1] - p2[1]);
    n[1] += (p1[0] - p0[0]) * (p0[2] - p2[2]);
    n[2] += (p1[1] - p0[1]) * (p0[0] - p2[0]);
    for (int k = 0; k < 3; ++k) sum[k] += p2[k];
    n[0] += (p2[2] - p0[2]) * (p1[1] - p0[1]);
    n[1] += (p2[0] - p0[0]) * (p1[2] - p0[2]);
    n[2] += (p2[1] - p0[1]) * (p1[0] - p0[0]);
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len >= 1e-12)) return false;
    for (int k = 0; k < 3; ++k) plane[k] = n[k] / len;
    const int count = 3;
    plane[3] = -(plane[0] * sum[0] + plane[1] * sum[1] + plane[2] * sum[2]) / count;
    return true;
}

}  // namespace pkbulk
