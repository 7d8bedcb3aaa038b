#pragma once

// Reading and writing mesh files: the kernel's own text dump and VRML export, and the
// common exchange formats through Assimp.

#include <string>

class G3Surface;

namespace pkcli {

enum class MeshFormat { Unknown, Dump, Vrml, Obj, StlAscii, StlBinary, Ply, Gltf, Glb, Off };

/// The format a file name's extension names, case-insensitively: .dump, .wrl, .obj, .stl
/// (binary unless `asciiStl`), .ply, .gltf, .glb, .off; Unknown otherwise.
MeshFormat FormatOfPath(const std::string& path, bool asciiStl = false);

/// Whether this program can read the format (everything known except VRML).
bool CanRead(MeshFormat f);
/// Whether this program can write the format (everything known except OFF).
bool CanWrite(MeshFormat f);

/// A new surface (owned by the caller) read from `path`, or null with *error set to one
/// line naming the problem: missing or unreadable file, unknown format, damaged file, a
/// header claiming more than the file can hold, a face naming a vertex the file lacks, no
/// facets, non-finite coordinates. Positions that are exactly equal become one vertex,
/// across all meshes of the file; nothing else is welded, oriented or cleaned.
G3Surface* ReadSurface(const std::string& path, std::string* error);

/// Writes `s` to `path` in the format of its extension (ASCII STL when `asciiStl`). The
/// file appears only when complete: it is written into a temporary folder beside `path`
/// and renamed into place (with any companion file, such as a glTF buffer); nothing is
/// left behind on failure. False, with *error set to one line, on failure.
/// Facets are triangulated on a copy where the format needs it: all of them for STL and
/// glTF, concave ones and those with holes for OBJ and PLY. When `inexactFacets` is given
/// it receives the number of facets that could not be written exactly (the triangulation
/// refused them: their holes were dropped, or they were split as a fan).
bool WriteSurface(G3Surface* s,
                  const std::string& path,
                  bool asciiStl,
                  std::string* error,
                  int* inexactFacets = nullptr);

}  // namespace pkcli
