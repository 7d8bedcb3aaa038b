#include "polykern/foundation/GHashtableIterator.h"

#include "polykern/foundation/GHashtable.h"

GHashtableIterator::GHashtableIterator(GHashtable* table) {
    if (table == nullptr) return;
    m_TableSize = table->GetTableSize();
    m_Table = table->GetHashEntryTable();
    m_Current = m_Table[0];
    m_NextBucket = 1;
}

bool GHashtableIterator::hasNext() {
    while (m_Current == nullptr && m_NextBucket < m_TableSize) m_Current = m_Table[m_NextBucket++];
    return m_Current != nullptr;
}

GObj* GHashtableIterator::next() {
    return NextEntry();
}

GHashtableEntry* GHashtableIterator::NextEntry() {
    if (!hasNext()) return nullptr;
    GHashtableEntry* entry = m_Current;
    m_Current = entry->next;
    return entry;
}
