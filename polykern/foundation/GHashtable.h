#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// One stored pair of a `GHashtable`, with the key's full hash. A `GObj` so that the
/// table's iterator can hand it out; read key and value from it.
class POLYKERN_API GHashtableEntry : public GObj {
public:
    GObj* key = nullptr;
    GObj* value = nullptr;
    GHashtableEntry* next = nullptr;
    long hash = 0;
};

/// Chained hash table over caller-supplied hash and comparison functions (0 means
/// equal). Keys and values are not owned, except that ClearWithValue deletes values.
/// Grows to 2n + 1 buckets when the count reaches size × load factor. Not copyable.
class POLYKERN_API GHashtable : public GObj {
public:
    using HashFunction = long (*)(const GObj* key);
    using CompareFunction = int (*)(const GObj* a, const GObj* b);

    /// A size of 0 or less is taken as 1; a load factor that is not a positive finite
    /// number is taken as 0.75. A null `hash` or `cmpKey` makes keys compare by identity;
    /// with a null `cmpValue` the value-pair operations find nothing and PutValue inserts.
    GHashtable(int size,
               float loadFactor,
               HashFunction hash,
               CompareFunction cmpKey,
               CompareFunction cmpValue);
    /// Load factor 0.75.
    GHashtable(int size, HashFunction hash, CompareFunction cmpKey, CompareFunction cmpValue);
    ~GHashtable() override;
    GHashtable(const GHashtable&) = delete;
    GHashtable& operator=(const GHashtable&) = delete;

    /// Replaces the value of an entry with an equal key and the same hash, returning the
    /// old value; otherwise inserts and returns null.
    virtual GObj* Put(GObj* key, GObj* value);
    /// Multi-map insertion: reuses an entry only when key and value are both equal
    /// (returning the old value); otherwise inserts a new pair and returns null.
    virtual GObj* PutValue(GObj* key, GObj* value);
    /// The value of the newest entry with an equal key, or null.
    virtual GObj* Get(GObj* key);
    /// The stored value of the first entry whose key and value are equal, or null.
    virtual GObj* GetValue(GObj* key, GObj* value);
    /// Unlinks the first entry with an equal key; returns its value, or null.
    virtual GObj* Remove(GObj* key);
    /// Unlinks the first entry whose key and value are equal; returns its value, or null.
    virtual GObj* RemoveValue(GObj* key, GObj* value);
    /// Frees every entry; keys and values are left alone.
    virtual void Clear();
    /// Deletes every non-null value, then clears.
    virtual void ClearWithValue();

    int GetSize() const { return m_Count; }
    int GetTableSize() const { return m_TableSize; }
    bool IsEmpty() const { return m_Count == 0; }
    GHashtableEntry** GetHashEntryTable() const { return m_Table; }

protected:
    void Init(int size,
              double loadFactor,
              HashFunction hash,
              CompareFunction cmpKey,
              CompareFunction cmpValue);
    void Rehash();

private:
    int BucketOf(long hash) const { return static_cast<int>((hash & 0x7FFFFFFF) % m_TableSize); }
    int ThresholdFor(int tableSize) const;
    void Insert(GObj* key, GObj* value, long hash);
    // Unlinks the first entry of the key's bucket that `match` accepts; returns its value.
    template <class Match>
    GObj* Unlink(GObj* key, Match match);

    HashFunction m_Hash = nullptr;
    CompareFunction m_CmpKey = nullptr;
    CompareFunction m_CmpValue = nullptr;
    GHashtableEntry** m_Table = nullptr;
    int m_TableSize = 1;
    int m_Count = 0;
    int m_Threshold = 0;
    double m_LoadFactor = 0.75;
};
