#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/model/G3VertexEdgeIterator.h"

/// Walks the neighbours of a vertex: the far end of each edge in its list.
class POLYKERN_API G3VertexVertexIterator : public G3VertexEdgeIterator {
public:
    explicit G3VertexVertexIterator(G3Vertex* v) : G3VertexEdgeIterator(v) {}
    GObj* next() override;
};
