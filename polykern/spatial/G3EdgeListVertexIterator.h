#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class GArrayCollection;
class GObj;

/// Yields vertex 1 of each edge of a list (the polygon's vertices, in order).
class POLYKERN_API G3EdgeListVertexIterator : public GIterator {
public:
    explicit G3EdgeListVertexIterator(GArrayCollection* edges);
    G3EdgeListVertexIterator(int count, GObj** edges) : m_End(count), m_Edges(edges) {}
    G3EdgeListVertexIterator(GObj** edges, int from, int to)
        : m_Position(from), m_End(to), m_Edges(edges) {}
    bool hasNext() override { return m_Edges != nullptr && m_Position < m_End; }
    GObj* next() override;

private:
    int m_Position = 0;
    int m_End = 0;
    GObj** m_Edges = nullptr;
};
