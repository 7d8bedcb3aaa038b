#include "polykern/model/G3VertexVertexIterator.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Vertex.h"

GObj* G3VertexVertexIterator::next() {
    G3Edge* e = Step();
    return e != nullptr ? e->OtherVertex(m_Vertex) : nullptr;
}
