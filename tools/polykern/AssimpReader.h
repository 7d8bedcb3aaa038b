#pragma once

// Mesh files read through Assimp (OBJ, STL, PLY, glTF and GLB), as one indexed mesh.

#include <string>

#include "tools/polykern/IndexedMesh.h"

namespace pkcli {

/// Reads every mesh the file's node tree places, each with its node's accumulated
/// transform, into *mesh (not welded); polygons are kept as they come and points and
/// lines left out. False, with *error set to one line, when Assimp refuses the file, a
/// coordinate is not finite or a face names a vertex its mesh lacks (also when the
/// importer drops such faces itself, as glTF's does).
bool ReadWithAssimp(const std::string& path, IndexedMesh* mesh, std::string* error);

}  // namespace pkcli
