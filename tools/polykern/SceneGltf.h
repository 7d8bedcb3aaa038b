#pragma once

// A scene of several bodies written as one glTF 2.0 file: a node per body, a material
// per kind of element, and the geometry kept precise far from the origin.

#include <string>
#include <vector>

class G3Surface;

namespace pkcli {

/// The kinds of element a scene tells apart by material.
enum class SceneKind { Plain, Terrain, Wall, Slab, Roof, Glass };

/// The name a kind has on the command line and in the file ("plain", "terrain", …).
const char* SceneKindName(SceneKind kind);
/// The kind of a name; false for an unknown one.
bool SceneKindOf(const std::string& name, SceneKind* kind);

/// One body of the scene. `facetKinds` gives each facet's kind by facet index; when it is
/// empty (or shorter), the missing facets take `kind`.
struct SceneElement {
    std::string name;
    const G3Surface* surface = nullptr;
    SceneKind kind = SceneKind::Plain;
    std::vector<SceneKind> facetKinds;
};

/// The colour of a kind as red, green, blue and alpha in 0..1, the same in the glTF
/// materials and the pictures: soil, plaster, concrete, tiles, and glass (alpha below 1).
void SceneKindColour(SceneKind kind, float rgba[4]);
/// The kind of facet `facet` of `e`: its entry in `facetKinds`, else the element's kind.
SceneKind SceneFacetKind(const SceneElement& e, int facet);

/// What WriteSceneGltf wrote: nodes, materials and triangles, and the facets it could not
/// tessellate exactly (fanned from their first corner, holes dropped).
struct SceneStats {
    int nodes = 0;
    int materials = 0;
    long long triangles = 0;
    int inexactFacets = 0;
};

/// Writes the elements to `path` as one self-contained glTF 2.0 file (the buffer embedded
/// as a data URI). Under a root node "model" that turns the model's z-up into glTF's
/// y-up, each element is one node, placed at the scene's local origin (the centre of all
/// bodies' boxes, written in full precision), with one mesh of one primitive per kind it
/// uses; the coordinates are stored relative to that origin, so a site a million metres
/// from the origin keeps millimetres. Facets are tessellated loop by loop (holes stay
/// open) and shaded flat. The file appears only when complete. False with *error set to
/// one line when there is nothing to write or the file cannot be written.
bool WriteSceneGltf(const std::vector<SceneElement>& elements,
                    const std::string& path,
                    SceneStats* stats,
                    std::string* error);

}  // namespace pkcli
