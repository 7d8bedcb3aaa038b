#pragma once

// A check of PLY files before they are handed to the importer, which allocates what the
// header claims and drops faces naming missing vertices without a word.

#include <string>

namespace pkcli {

/// Checks the PLY file `bytes`: the header's element counts against what the file's size
/// can hold (before anything is allocated), then every face's (and triangle strip's)
/// vertex indices against the vertex count, for ASCII and binary files. False, with
/// *error set to one line, for a lying header, a face naming a vertex the file lacks
/// ("face F names vertex I, ..."), a malformed or truncated file, and layouts it cannot
/// check (unknown property types, indices stored as floating-point numbers).
bool CheckPly(const std::string& bytes, std::string* error);

}  // namespace pkcli
