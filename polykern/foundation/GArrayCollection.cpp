#include "polykern/foundation/GArrayCollection.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "polykern/foundation/GAssert.h"
#include "polykern/foundation/GHeap.h"

PK_DEFINE_POOL(GArrayCollection, 16384)

namespace {

using Compare = int (*)(const void*, const void*, const void*);

// A selection pass over a short range: always terminates, whatever the comparator.
void SelectionSort(GObj** a, int lo, int hi, Compare cmp, const void* context) {
    for (int k = lo; k < hi; ++k) {
        int smallest = k;
        for (int m = k + 1; m <= hi; ++m) {
            if (cmp(&a[m], &a[smallest], context) < 0) smallest = m;
        }
        std::swap(a[k], a[smallest]);
    }
}

}  // namespace

GArrayCollection::GArrayCollection() {
    init(256, 1024);
}

GArrayCollection::GArrayCollection(int capacity, int growth) {
    init(capacity, growth);
}

GArrayCollection::~GArrayCollection() {
    finit();
}

void GArrayCollection::init(int capacity, int growth) {
    m_InitialCapacity = capacity;
    m_Capacity = capacity > 0 ? capacity : 0;
    m_Growth = growth > 0 ? growth : 1;
    m_Count = 0;
    m_Array = nullptr;
    if (m_Capacity > 0) {
        m_Array =
            static_cast<GObj**>(std::malloc(sizeof(GObj*) * static_cast<std::size_t>(m_Capacity)));
        if (m_Array == nullptr) throw std::bad_alloc();
    }
}

void GArrayCollection::finit() {
    std::free(m_Array);
    m_Array = nullptr;
    m_Capacity = 0;
    m_Count = 0;
}

// Grows by at least the growth step and at least n; once the array is large it grows by
// half its capacity, so appending stays amortized constant time however long the list
// gets (a fixed step would copy the whole array every few thousand appends).
void GArrayCollection::reallocList(int n) {
    int step = n > m_Growth ? n : m_Growth;
    if (m_Capacity / 2 > step) step = m_Capacity / 2;
    const std::size_t bytes = sizeof(GObj*) * (static_cast<std::size_t>(m_Capacity) + step);
    GObj** grown = static_cast<GObj**>(std::realloc(m_Array, bytes));
    if (grown == nullptr) throw std::bad_alloc();
    m_Array = grown;
    m_Capacity += step;
}

void GArrayCollection::ensureCapacity(int n) {
    if (n <= m_Capacity) return;
    GObj** grown =
        static_cast<GObj**>(std::realloc(m_Array, sizeof(GObj*) * static_cast<std::size_t>(n)));
    if (grown == nullptr) throw std::bad_alloc();
    m_Array = grown;
    m_Capacity = n;
}

void GArrayCollection::size(int n) {
    if (n >= 0 && n <= m_Count) m_Count = n;
}

void GArrayCollection::add(GObj* obj) {
    if (m_Count >= m_Capacity) reallocList(1);
    m_Array[m_Count++] = obj;
}

int GArrayCollection::add_i(GObj* obj) {
    add(obj);
    return m_Count - 1;
}

int GArrayCollection::add(int n, GObj** items) {
    const int first = m_Count;
    if (n <= 0 || items == nullptr) return first;
    if (m_Count + n >= m_Capacity) reallocList(n);
    std::memcpy(m_Array + m_Count, items, sizeof(GObj*) * static_cast<std::size_t>(n));
    m_Count += n;
    return first;
}

bool GArrayCollection::remove(GObj* obj) {
    const int i = index(obj);
    if (i < 0) return false;
    remove(i);
    return true;
}

void GArrayCollection::clear(bool deleteElements) {
    if (deleteElements) {
        for (int i = 0; i < m_Count; ++i) delete m_Array[i];
    }
    m_Count = 0;
}

void GArrayCollection::put(int i, GObj* obj) {
    PK_ASSERT(i >= 0 && i < m_Count);
    m_Array[i] = obj;
}

void GArrayCollection::removeLast() {
    if (m_Count > 0) --m_Count;
}

int GArrayCollection::index(GObj* obj) const {
    for (int i = m_Count - 1; i >= 0; --i) {
        if (m_Array[i] == obj) return i;
    }
    return -1;
}

void GArrayCollection::remove(int i) {
    PK_ASSERT(i >= 0 && i < m_Count);
    m_Array[i] = m_Array[m_Count - 1];
    --m_Count;
}

void GArrayCollection::RemoveWithShift(int i) {
    PK_ASSERT(i >= 0 && i < m_Count);
    std::memmove(m_Array + i, m_Array + i + 1,
                 sizeof(GObj*) * static_cast<std::size_t>(m_Count - i - 1));
    --m_Count;
}

void GArrayCollection::ShiftRight(int i) {
    PK_ASSERT(i >= 0 && i <= m_Count);
    if (m_Count + 1 >= m_Capacity) reallocList(m_Growth);
    std::memmove(m_Array + i + 1, m_Array + i,
                 sizeof(GObj*) * static_cast<std::size_t>(m_Count - i));
    m_Array[i] = nullptr;
    ++m_Count;
}

void GArrayCollection::Rotate() {
    for (int k = 0; k < m_Count / 2; ++k) std::swap(m_Array[k], m_Array[m_Count - 1 - k]);
}

void GArrayCollection::qsort(int (*cmp)(const void*, const void*)) {
    if (m_Count < 2 || cmp == nullptr) return;
    std::qsort(m_Array, static_cast<std::size_t>(m_Count), sizeof(GObj*), cmp);
}

// Quicksort with the middle element as pivot and an explicit stack of pending ranges;
// the smaller part is sorted first, so the stack stays within log2(n) entries. The
// scans are bounded by the range, so a comparator that is not a strict ordering (one
// with a tolerance) still ends, leaving an order that is merely approximate.
void GArrayCollection::qsortex(int (*cmp)(const void*, const void*, const void*),
                               const void* context) {
    if (m_Count < 2 || cmp == nullptr) return;
    GObj** a = m_Array;
    struct Range {
        int lo, hi;
    };
    Range stack[64];
    int top = 0;
    stack[top++] = {0, m_Count - 1};
    while (top > 0) {
        Range r = stack[--top];
        while (r.hi > r.lo) {
            if (r.hi - r.lo < 8) {
                SelectionSort(a, r.lo, r.hi, cmp, context);
                break;
            }
            GObj* pivot = a[r.lo + (r.hi - r.lo) / 2];
            int i = r.lo;
            int j = r.hi;
            while (i <= j) {
                while (i <= r.hi && cmp(&a[i], &pivot, context) < 0) ++i;
                while (j >= r.lo && cmp(&a[j], &pivot, context) > 0) --j;
                if (i <= j) {
                    std::swap(a[i], a[j]);
                    ++i;
                    --j;
                }
            }
            if (j >= r.hi || i <= r.lo) {
                // No split: the comparator is inconsistent on this range.
                SelectionSort(a, r.lo, r.hi, cmp, context);
                break;
            }
            Range left{r.lo, j};
            Range right{i, r.hi};
            if (left.hi - left.lo < right.hi - right.lo) std::swap(left, right);
            // `left` is now the larger part: it waits on the stack.
            if (top < 64) {
                stack[top++] = left;
            } else {
                SelectionSort(a, left.lo, left.hi, cmp, context);
            }
            r = right;
        }
    }
}

void GArrayCollection::ReallocByRealSize() {
    if (m_Capacity <= m_Count) return;
    if (m_Count == 0) {
        std::free(m_Array);
        m_Array = nullptr;
        m_Capacity = 0;
        return;
    }
    GObj** exact = static_cast<GObj**>(
        std::realloc(m_Array, sizeof(GObj*) * static_cast<std::size_t>(m_Count)));
    if (exact == nullptr) return;  // the larger array stays valid
    m_Array = exact;
    m_Capacity = m_Count;
}
