#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class GObj;

/// Walks a bare array that no collection owns; `remove` does nothing.
class POLYKERN_API GObjArrayIterator : public GIterator {
public:
    GObjArrayIterator() = default;
    GObjArrayIterator(int count, GObj** array) { init(count, array); }
    GObjArrayIterator(GObj** array, int from, int to) { init(array, from, to); }

    void init(int count, GObj** array);
    void init(GObj** array, int from, int to);
    bool hasNext() override { return m_Position < m_End; }
    GObj* next() override { return m_Array[m_Position++]; }

private:
    int m_Position = 0;
    int m_End = 0;
    GObj** m_Array = nullptr;
};
