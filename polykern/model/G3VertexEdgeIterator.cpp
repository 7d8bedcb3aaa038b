#include "polykern/model/G3VertexEdgeIterator.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Vertex.h"

G3VertexEdgeIterator::G3VertexEdgeIterator(G3Vertex* v)
    : m_Current(v != nullptr ? v->GetFirstEdge() : nullptr), m_Vertex(v) {}

G3Edge* G3VertexEdgeIterator::Step() {
    G3Edge* e = m_Current;
    if (e != nullptr) m_Current = e->NextAtVertex(m_Vertex);
    return e;
}

GObj* G3VertexEdgeIterator::next() {
    return Step();
}
