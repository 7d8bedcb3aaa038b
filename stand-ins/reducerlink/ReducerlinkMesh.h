#pragma once

// The adapter's working form of a surface: its triangles as one welded index buffer, one
// index per kernel vertex, each triangle in a region of equal outside data.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "polykern/model/G3Surface.h"

namespace reducerlink {

/// Triangle t runs through the surface's vertices index[3t], index[3t + 1], index[3t + 2]
/// (their identifiers) and lies in region[t]; regions are numbered from 0.
struct TriangleMesh {
    std::vector<double> xyz;       ///< 3 coordinates per vertex of the surface
    std::vector<unsigned> index;   ///< 3 corners per triangle
    std::vector<int> region;       ///< one per triangle
    std::vector<G3Facet*> source;  ///< per region, a facet whose outside data it carries

    std::size_t GetTriangleCount() const { return region.size(); }
    std::size_t GetVertexCount() const { return xyz.size() / 3; }
};

/// Why a surface could not be read.
enum class ReadStatus { Ok, NotTriangles, BadGeometry };

/// Reads s into mesh (empty facets are skipped). NotTriangles at the first facet that is
/// no triangle; BadGeometry for a non-finite coordinate or an identifier out of step.
ReadStatus ReadTriangles(G3Surface* s, G3Surface::QSLIMCommandsBase* commands, TriangleMesh& mesh);

/// What each region is brought down to.
struct SimplifyRequest {
    std::size_t targetTriangles;  ///< over all regions
    float targetError;            ///< relative to the whole mesh's extent
    bool lockBorder;              ///< keep open boundaries even with a single region
};

/// Simplifies every region apart into out (same vertices, same regions and sources); a
/// region's boundary toward another region, and with lockBorder every open boundary, is
/// kept. *error receives the largest error reached, relative to the mesh's extent. False
/// when the commands' Progress cancelled the run.
bool SimplifyRegions(const TriangleMesh& in,
                     const SimplifyRequest& request,
                     G3Surface::QSLIMCommandsBase* commands,
                     TriangleMesh& out,
                     float* error);

/// A new surface (caller owns) over mesh's triangles and the vertices they use, built in
/// one bulk pass; each triangle takes its region's outside data through the providers.
G3Surface* BuildSurface(const TriangleMesh& mesh, int32_t edgeFlags);

}  // namespace reducerlink
