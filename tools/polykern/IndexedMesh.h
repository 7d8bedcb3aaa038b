#pragma once

// The form every mesh reader produces: positions and faces by index, checked and welded,
// and the one step from it to a kernel surface.

#include <memory>
#include <string>
#include <vector>

class G3Surface;

namespace pkcli {

/// Vertices as x y z triples and faces as runs of vertex indices. Readers guarantee that
/// every coordinate is finite and every corner names a vertex (0 <= index < vertex count).
struct IndexedMesh {
    std::vector<double> xyz;        // three coordinates per vertex
    std::vector<int> cornerCounts;  // one entry per face
    std::vector<int> corners;       // the faces' vertex indices, face after face

    /// The number of vertices (a third of the coordinates).
    int VertexCount() const { return static_cast<int>(xyz.size() / 3); }
};

/// "face F names vertex I, but the file has N vertices" for a corner `index` of face
/// `face` outside [0, vertexCount); empty when it is in range.
std::string BadCornerMessage(long long face, long long index, long long vertexCount);

/// Makes positions that are exactly equal (−0 and +0 alike) one vertex, the first of them
/// by index, and renumbers the corners to match; vertices keep their relative order.
void WeldEqualPositions(IndexedMesh* mesh);

/// A new surface with the mesh's faces as facets over vertex-list rings: repeated corners
/// in a row (the ring closing on itself included) are dropped, faces with fewer than three
/// distinct corners are skipped, and vertices no facet uses are left out. Vertices appear
/// in the order faces first use them. Null if a corner names no vertex.
std::unique_ptr<G3Surface> BuildSurface(const IndexedMesh& mesh);

}  // namespace pkcli
