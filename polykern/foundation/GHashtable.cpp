#include "polykern/foundation/GHashtable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

// Stand-ins for missing functions: a key is then its own identity.
long IdentityHash(const GObj* key) {
    return static_cast<long>(reinterpret_cast<std::uintptr_t>(key) >> 3);
}

int IdentityCompare(const GObj* a, const GObj* b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

GHashtable::GHashtable(int size,
                       float loadFactor,
                       HashFunction hash,
                       CompareFunction cmpKey,
                       CompareFunction cmpValue) {
    Init(size, loadFactor, hash, cmpKey, cmpValue);
}

GHashtable::GHashtable(int size,
                       HashFunction hash,
                       CompareFunction cmpKey,
                       CompareFunction cmpValue) {
    Init(size, 0.75, hash, cmpKey, cmpValue);
}

GHashtable::~GHashtable() {
    Clear();
    delete[] m_Table;
}

void GHashtable::Init(int size,
                      double loadFactor,
                      HashFunction hash,
                      CompareFunction cmpKey,
                      CompareFunction cmpValue) {
    m_Hash = hash != nullptr ? hash : IdentityHash;
    m_CmpKey = cmpKey != nullptr ? cmpKey : IdentityCompare;
    m_CmpValue = cmpValue;
    // A load factor of 0 would grow the table on every insertion, doubling it each time.
    m_LoadFactor = std::isfinite(loadFactor) && loadFactor > 0.0 ? loadFactor : 0.75;
    m_TableSize = size > 0 ? size : 1;
    m_Table = new GHashtableEntry*[m_TableSize]();
    m_Threshold = ThresholdFor(m_TableSize);
    m_Count = 0;
}

int GHashtable::ThresholdFor(int tableSize) const {
    const double t = tableSize * m_LoadFactor;
    return t >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(t);
}

void GHashtable::Rehash() {
    if (m_TableSize > (INT_MAX - 1) / 2) {
        m_Threshold = INT_MAX;  // cannot grow further; chains get longer instead
        return;
    }
    const int oldSize = m_TableSize;
    GHashtableEntry** oldTable = m_Table;
    m_TableSize = 2 * oldSize + 1;
    m_Table = new GHashtableEntry*[m_TableSize]();
    m_Threshold = ThresholdFor(m_TableSize);
    for (int b = oldSize - 1; b >= 0; --b) {
        GHashtableEntry* e = oldTable[b];
        while (e != nullptr) {
            GHashtableEntry* following = e->next;
            const int nb = BucketOf(e->hash);
            e->next = m_Table[nb];
            m_Table[nb] = e;
            e = following;
        }
    }
    delete[] oldTable;
}

void GHashtable::Insert(GObj* key, GObj* value, long hash) {
    if (m_Count >= m_Threshold) Rehash();
    const int b = BucketOf(hash);
    auto* e = new GHashtableEntry;
    e->key = key;
    e->value = value;
    e->hash = hash;
    e->next = m_Table[b];
    m_Table[b] = e;
    ++m_Count;
}

GObj* GHashtable::Put(GObj* key, GObj* value) {
    const long h = m_Hash(key);
    for (GHashtableEntry* e = m_Table[BucketOf(h)]; e != nullptr; e = e->next) {
        if (e->hash == h && m_CmpKey(e->key, key) == 0) {
            GObj* old = e->value;
            e->value = value;
            return old;
        }
    }
    Insert(key, value, h);
    return nullptr;
}

GObj* GHashtable::PutValue(GObj* key, GObj* value) {
    const long h = m_Hash(key);
    if (m_CmpValue != nullptr) {
        for (GHashtableEntry* e = m_Table[BucketOf(h)]; e != nullptr; e = e->next) {
            if (e->hash == h && m_CmpKey(e->key, key) == 0 && m_CmpValue(e->value, value) == 0) {
                GObj* old = e->value;
                e->value = value;
                return old;
            }
        }
    }
    Insert(key, value, h);
    return nullptr;
}

GObj* GHashtable::Get(GObj* key) {
    for (GHashtableEntry* e = m_Table[BucketOf(m_Hash(key))]; e != nullptr; e = e->next) {
        if (m_CmpKey(e->key, key) == 0) return e->value;
    }
    return nullptr;
}

GObj* GHashtable::GetValue(GObj* key, GObj* value) {
    if (m_CmpValue == nullptr) return nullptr;
    for (GHashtableEntry* e = m_Table[BucketOf(m_Hash(key))]; e != nullptr; e = e->next) {
        if (m_CmpKey(e->key, key) == 0 && m_CmpValue(e->value, value) == 0) return e->value;
    }
    return nullptr;
}

template <class Match>
GObj* GHashtable::Unlink(GObj* key, Match match) {
    GHashtableEntry** link = &m_Table[BucketOf(m_Hash(key))];
    while (*link != nullptr) {
        GHashtableEntry* e = *link;
        if (match(e)) {
            *link = e->next;
            GObj* value = e->value;
            delete e;
            --m_Count;
            return value;
        }
        link = &e->next;
    }
    return nullptr;
}

GObj* GHashtable::Remove(GObj* key) {
    return Unlink(key, [&](const GHashtableEntry* e) { return m_CmpKey(e->key, key) == 0; });
}

GObj* GHashtable::RemoveValue(GObj* key, GObj* value) {
    if (m_CmpValue == nullptr) return nullptr;
    return Unlink(key, [&](const GHashtableEntry* e) {
        return m_CmpKey(e->key, key) == 0 && m_CmpValue(e->value, value) == 0;
    });
}

void GHashtable::Clear() {
    for (int b = 0; b < m_TableSize; ++b) {
        GHashtableEntry* e = m_Table[b];
        while (e != nullptr) {
            GHashtableEntry* following = e->next;
            delete e;
            e = following;
        }
        m_Table[b] = nullptr;
    }
    m_Count = 0;
}

void GHashtable::ClearWithValue() {
    // A multi-map may hold one value under several keys: delete each value once.
    std::vector<GObj*> values;
    values.reserve(static_cast<std::size_t>(m_Count));
    for (int b = 0; b < m_TableSize; ++b) {
        for (GHashtableEntry* e = m_Table[b]; e != nullptr; e = e->next) {
            if (e->value != nullptr) values.push_back(e->value);
        }
    }
    std::sort(values.begin(), values.end(), std::less<GObj*>());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    Clear();
    for (GObj* value : values) delete value;
}
