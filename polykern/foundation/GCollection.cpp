#include "polykern/foundation/GCollection.h"

#include "polykern/foundation/GIterator.h"

GCollection::~GCollection() = default;

void GCollection::addIterator(GIterator* it) {
    if (it == nullptr) return;
    while (it->hasNext()) add(it->next());
}
