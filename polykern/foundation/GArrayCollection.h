#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GAssert.h"
#include "polykern/foundation/GCollection.h"
#include "polykern/foundation/GPooled.h"

/// The kernel's one list type: a growable array of `GObj*` that does not own its
/// elements. It grows by the growth step (or by a bulk addition's size), and by half its
/// capacity once that is larger. Removal by index moves the last element into the hole; searches
/// run from the last element towards the first. Index arguments are checked only in debug builds:
/// callers keep them in range. Not copyable.
class POLYKERN_API GArrayCollection : public GCollection {
    PK_DECLARE_POOL(GArrayCollection)

public:
    /// Capacity 256, growth step 1024.
    GArrayCollection();
    /// A growth step below 1 is taken as 1.
    GArrayCollection(int capacity, int growth);
    ~GArrayCollection() override;
    GArrayCollection(const GArrayCollection&) = delete;
    GArrayCollection& operator=(const GArrayCollection&) = delete;

    int size() override { return m_Count; }
    int size() const { return m_Count; }
    /// Sets the count, to truncate; values outside 0 … count leave it unchanged.
    void size(int n);
    bool isEmpty() override { return m_Count == 0; }
    bool isEmpty() const { return m_Count == 0; }
    /// True when `obj` is stored.
    bool contains(GObj* obj) override { return index(obj) >= 0; }
    GObj** toArray() override { return m_Array; }
    void add(GObj* obj) override;
    /// Appends and returns the new element's index.
    int add_i(GObj* obj);
    /// Appends `n` elements in one copy; returns the index of the first (the count when
    /// `n` is not positive).
    virtual int add(int n, GObj** items);
    /// Removes the last occurrence of `obj`; returns whether it was found.
    bool remove(GObj* obj) override;
    void clear() override { m_Count = 0; }
    /// With `deleteElements`, first deletes every non-null element.
    void clear(bool deleteElements);

    GObj* get(int i) const {
        PK_ASSERT(i >= 0 && i < m_Count);
        return m_Array[i];
    }
    void put(int i, GObj* obj);
    /// Null when empty.
    GObj* getFirst() const { return m_Count > 0 ? m_Array[0] : nullptr; }
    /// Null when empty.
    GObj* getLast() const { return m_Count > 0 ? m_Array[m_Count - 1] : nullptr; }
    /// Drops the last element; does nothing when empty.
    void removeLast();
    /// Index of the last occurrence of `obj`, or -1.
    int index(GObj* obj) const;
    /// Removes element `i` by moving the last element into its slot.
    void remove(int i);
    /// Removes element `i` keeping the order of the rest.
    void RemoveWithShift(int i);
    void ShiftLeft(int i) { RemoveWithShift(i); }
    /// Opens a null slot at `i`, moving `i …` one place up.
    void ShiftRight(int i);
    /// Reverses the order of the elements.
    void Rotate();
    /// Sorts with the C library's qsort; the comparator receives pointers to two slots.
    void qsort(int (*cmp)(const void*, const void*));
    /// Quicksort with a caller context passed to the comparator as third argument.
    /// Equal elements may end in any order.
    void qsortex(int (*cmp)(const void*, const void*, const void*), const void* context);
    /// Shrinks the array to exactly the count when it is larger.
    void ReallocByRealSize();
    /// Grows the array, once, to hold at least `n` elements; nothing when it already can.
    void ensureCapacity(int n);

    int GetCapacity() const { return m_Capacity; }
    int GetGrowth() const { return m_Growth; }

protected:
    void init(int capacity, int growth);
    void finit();
    void reallocList(int n);

private:
    int m_Count = 0;
    int m_InitialCapacity = 0;
    int m_Capacity = 0;
    int m_Growth = 1;
    GObj** m_Array = nullptr;
};
