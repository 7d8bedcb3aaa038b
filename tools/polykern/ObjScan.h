#pragma once

// A check of OBJ files before they are handed to the importer, which refuses a face
// naming a missing vertex without saying which.

#include <string>

namespace pkcli {

/// Checks every face ("f") of the OBJ text `bytes`: each corner's vertex index, counted
/// from 1 or (negative) back from the last vertex before the face, must name a vertex
/// ("v") of the file. False, with *error set to one line naming the line, the face
/// (counted from 0) and the index as written, otherwise.
bool CheckObj(const std::string& bytes, std::string* error);

}  // namespace pkcli
