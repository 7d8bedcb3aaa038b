#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class GCollection;
class GObj;

/// Walks a collection's array as it was at `init`. `remove` takes out the element that
/// `next` returned last (the collection's last element moves into its slot and is
/// returned by the following `next`), so removing while iterating visits each element
/// once. Elements appended during the walk are not seen.
class POLYKERN_API GArrayCollectionIterator : public GIterator {
public:
    GArrayCollectionIterator() = default;
    explicit GArrayCollectionIterator(GCollection* c) { init(c); }
    GArrayCollectionIterator(GCollection* c, int from, int to) { init(c, from, to); }

    /// The whole collection; a null collection yields nothing.
    void init(GCollection* c) override;
    /// Positions `from` up to `to` (exclusive), clamped to the collection.
    void init(GCollection* c, int from, int to);
    bool hasNext() override { return m_Position < m_End; }
    GObj* next() override { return m_Array[m_Position++]; }
    void remove() override;

private:
    GCollection* m_Collection = nullptr;
    int m_Position = 0;
    int m_End = 0;
    GObj** m_Array = nullptr;
};
