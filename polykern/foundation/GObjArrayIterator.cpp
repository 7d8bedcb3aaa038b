#include "polykern/foundation/GObjArrayIterator.h"

void GObjArrayIterator::init(int count, GObj** array) {
    init(array, 0, count);
}

void GObjArrayIterator::init(GObj** array, int from, int to) {
    m_Array = array;
    m_Position = from;
    m_End = array != nullptr ? to : from;
}
