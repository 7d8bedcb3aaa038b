#include "polykern/foundation/GArrayCollectionIterator.h"

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GCollection.h"

void GArrayCollectionIterator::init(GCollection* c) {
    m_Collection = c;
    m_Position = 0;
    m_End = c != nullptr ? c->size() : 0;
    m_Array = c != nullptr ? c->toArray() : nullptr;
}

void GArrayCollectionIterator::init(GCollection* c, int from, int to) {
    init(c);
    const int n = m_End;
    m_Position = from < 0 ? 0 : from;
    m_End = to > n ? n : to;
}

void GArrayCollectionIterator::remove() {
    if (m_Position <= 0 || m_Collection == nullptr) return;
    --m_Position;
    // Only array collections can move their last element into the hole.
    auto* array = dynamic_cast<GArrayCollection*>(m_Collection);
    if (array != nullptr) {
        array->remove(m_Position);
    } else {
        m_Collection->remove(m_Array[m_Position]);
    }
    --m_End;
}
