#pragma once

// A check of text STL files before they are handed to the importer, which leaks what it
// has built when it meets a coordinate that is no number.

#include <string>

namespace pkcli {

/// Checks an STL file `bytes` that is text (starts with "solid" and is not sized as a
/// binary file): every "vertex" and "normal" must be followed by three numbers. Binary
/// files pass unchecked. False, with *error set to one line naming the line, otherwise.
bool CheckStl(const std::string& bytes, std::string* error);

}  // namespace pkcli
