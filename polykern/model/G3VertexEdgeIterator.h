#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class G3Edge;
class G3Vertex;

/// Walks the edges meeting at a vertex, in list order. The list must not change meanwhile.
class POLYKERN_API G3VertexEdgeIterator : public GIterator {
public:
    explicit G3VertexEdgeIterator(G3Vertex* v);
    bool hasNext() override { return m_Current != nullptr; }
    GObj* next() override;

protected:
    G3Edge* Step();

    G3Edge* m_Current = nullptr;
    G3Vertex* m_Vertex = nullptr;
};
