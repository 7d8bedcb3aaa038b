#pragma once

// The OFF reader: a header line (OFF, or a variant with colours, normals or texture
// coordinates after x y z), the counts line "V F [E]", V vertex lines and F face lines.

#include <string>

#include "tools/polykern/IndexedMesh.h"

namespace pkcli {

/// Reads the OFF text `bytes` into *mesh (not welded). False, with *error set to one line
/// naming the problem (and its line number where there is one), for a header claiming
/// more than the file can hold (checked before anything is allocated), a face naming a
/// vertex the file lacks, non-finite coordinates, a malformed line, fewer lines than the
/// header claims, and for 4-dimensional, n-dimensional and binary OFF.
bool ReadOff(const std::string& bytes, IndexedMesh* mesh, std::string* error);

}  // namespace pkcli
