#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GIterator.h"

class GHashtable;
class GHashtableEntry;
class GObj;

/// Visits the entries of a hash table, bucket 0 upwards, newest entry first within a
/// bucket. `next` returns the entry itself (a `GHashtableEntry`). The table must not
/// change during the walk.
class POLYKERN_API GHashtableIterator : public GIterator {
public:
    /// A null table yields nothing.
    explicit GHashtableIterator(GHashtable* table);

    bool hasNext() override;
    GObj* next() override;
    /// The next entry with its type; null when none is left.
    GHashtableEntry* NextEntry();

private:
    int m_TableSize = 0;
    GHashtableEntry** m_Table = nullptr;
    int m_NextBucket = 0;
    GHashtableEntry* m_Current = nullptr;
};
