#include "polykern/spatial/G3EdgeListVertexIterator.h"

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Vertex.h"

G3EdgeListVertexIterator::G3EdgeListVertexIterator(GArrayCollection* edges)
    : m_End(edges != nullptr ? edges->size() : 0),
      m_Edges(edges != nullptr ? edges->toArray() : nullptr) {}

GObj* G3EdgeListVertexIterator::next() {
    return static_cast<G3Edge*>(m_Edges[m_Position++])->GetVertex1();
}
