#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// Dense map from small non-negative identifiers to objects (not owned). Not copyable.
class POLYKERN_API GIdMap : public GObj {
public:
    /// 256 slots.
    GIdMap();
    /// A size of 0 or less is taken as 1.
    explicit GIdMap(int size);
    ~GIdMap() override;
    GIdMap(const GIdMap&) = delete;
    GIdMap& operator=(const GIdMap&) = delete;

    /// Stores `obj` under `id` and returns what was there before. An id past the end
    /// first grows the map to id + 1 slots. A negative id stores nothing and returns null.
    GObj* Put(int id, GObj* obj);
    /// Null for a free id or one outside the map.
    GObj* Get(int id) const;
    /// Frees the id and returns its object; null for a free id or one outside the map.
    GObj* Remove(int id);
    /// The lowest free id; the map size when every slot is used.
    int GetFreeId() const;
    /// Resizes to exactly `newSize` slots (new ones free); a negative size is ignored.
    void Realloc(int newSize);
    /// Frees every id; the size is kept.
    void Clear();
    int GetMapSize() const { return m_Size; }

protected:
    void Init(int size);

private:
    int m_Size = 0;
    GObj** m_Slots = nullptr;
};
