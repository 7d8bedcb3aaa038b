#pragma once

// The kernel's own entry to bulk building, for builders that already know which facet
// sides share an edge (the planar triangulator reads it off its triangle adjacency).

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

}  // namespace pkbulk
