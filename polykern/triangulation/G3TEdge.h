#pragma once

#include <cstdint>

class G3TMesh;
struct G3TVertex;

/// A constraint edge between two triangulator vertices, with its boundary mark. Edges a
/// mesh makes for the constraints it holds belong to it; edges made with no mesh (the
/// constraint list of the interface) belong to whoever made them.
struct G3TEdge {
    G3TVertex* vertex[2] = {nullptr, nullptr};
    G3TMesh* owner = nullptr;
    int32_t mark = 0;

    G3TVertex* GetVertex(int i) const { return i == 0 || i == 1 ? vertex[i] : nullptr; }
};
