#include "polykern/foundation/GHeap.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

#include "polykern/foundation/GAssert.h"
#include "polykern/foundation/GHeapBlock.h"
#include "polykern/foundation/GWorkBuffers.h"
#include "polykern/foundation/GMemoryAllocator.h"

namespace {

char* CopyName(const char* name) {
    const char* source = name != nullptr ? name : "";
    const std::size_t n = std::strlen(source) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, source, n);
    return copy;
}

// The pool list is a collection, and collections made with new come from a pool:
// the list itself must bypass its class's pool.
GArrayCollection* NewUnpooledList() {
    return ::new GArrayCollection(256, 1024);
}

void DeleteUnpooledList(GArrayCollection* list) {
    list->~GArrayCollection();
    ::operator delete(list);
}

// Holds a pool's lock for one scope, so a failed block allocation cannot leave it held.
class SpinGuard {
public:
    explicit SpinGuard(GSpinLock& lock) : m_Lock(lock) { m_Lock.lock(); }
    ~SpinGuard() { m_Lock.unlock(); }
    SpinGuard(const SpinGuard&) = delete;
    SpinGuard& operator=(const SpinGuard&) = delete;

private:
    GSpinLock& m_Lock;
};

}  // namespace

GArrayCollection* GHeap::m_HeapList = nullptr;

GSemaphor& GHeap::SemaforClass() {
    // Made on first use, whatever the order of the library's static initializers, and
    // never destroyed, so pools released during exit still find it.
    static GSemaphor* lock = new GSemaphor();
    return *lock;
}

GHeap::GHeap(const char* name, int slotSize) : m_FreeBlocks(32, 64), m_FullBlocks(32, 64) {
    Init(name, slotSize, 8192);
}

GHeap::GHeap(const char* name, int slotSize, int blockBytes)
    : m_FreeBlocks(32, 64), m_FullBlocks(32, 64) {
    Init(name, slotSize, blockBytes);
}

void GHeap::Init(const char* name, int slotSize, int blockBytes) {
    m_Name = CopyName(name);
    m_SlotSize = slotSize < 0 ? 0 : slotSize;
    const int budget = blockBytes < 0 ? 0 : blockBytes;
    m_SlotsPerBlock = m_SlotSize == 0 ? budget : budget / m_SlotSize + 1;
    if (m_SlotsPerBlock < 1) m_SlotsPerBlock = 1;
    m_Stride = sizeof(GHeapBlock::SlotHeader) + ((static_cast<std::size_t>(m_SlotSize) + 7) & ~7u);
    AddToHeapList(this);
}

GHeap::~GHeap() {
    DeleteAllBlocks();
    DeleteFromHeapList(this);
    if (m_Owner != nullptr && *m_Owner == this) *m_Owner = nullptr;
    std::free(m_Name);
    m_Name = nullptr;
}

void GHeap::DeleteAllBlocks() {
    SpinGuard guard(m_Lock);
    for (GArrayCollection* list : {&m_FreeBlocks, &m_FullBlocks}) {
        for (int i = 0; i < list->size(); ++i) {
            GHeapBlock::Destroy(static_cast<GHeapBlock*>(list->get(i)));
        }
        list->clear();
    }
}

void GHeap::AddToHeapList(GHeap* heap) {
    GSemaphorGuard guard(SemaforClass());
    if (m_HeapList == nullptr) m_HeapList = NewUnpooledList();
    m_HeapList->add(heap);
}

void GHeap::DeleteFromHeapList(GHeap* heap) {
    GSemaphorGuard guard(SemaforClass());
    if (m_HeapList == nullptr) return;
    const int i = m_HeapList->index(heap);
    if (i >= 0) m_HeapList->remove(i);
}

void GHeap::TakeOut(GArrayCollection& list, GHeapBlock* block) {
    PK_ASSERT(block->m_Index >= 0 && block->m_Index < list.size());
    GHeapBlock* last = static_cast<GHeapBlock*>(list.getLast());
    last->m_Index = block->m_Index;
    list.put(block->m_Index, last);
    list.removeLast();
    block->m_Index = -1;
}

void* GHeap::Alloc() {
    GHeapBlock::SlotHeader* slot;
    bool clear;
    {
        SpinGuard guard(m_Lock);
        auto* block = static_cast<GHeapBlock*>(m_FreeBlocks.getLast());
        if (block == nullptr) {
            block = GHeapBlock::Create(this, m_SlotsPerBlock, m_Stride);
            block->m_Index = m_FreeBlocks.size();
            m_FreeBlocks.add(block);
        }
        clear = !block->m_Zero || block->m_FreeHead != nullptr;
        slot = block->TakeSlot();
        if (block->m_FreeCount == 0) {
            m_FreeBlocks.removeLast();
            block->m_Index = m_FullBlocks.size();
            m_FullBlocks.add(block);
        }
        slot->owner = block;
    }
    // A slot still zero from the system is not cleared again. The slot is this caller's
    // alone from here on: clear it outside the lock.
    void* object = slot + 1;
    if (clear) std::memset(object, 0, static_cast<std::size_t>(m_SlotSize));
    return object;
}

void GHeap::AllocMany(int count, void** out) {
    if (count <= 0 || out == nullptr) return;
    int got = 0;
    {
        SpinGuard guard(m_Lock);
        while (got < count) {
            auto* block = static_cast<GHeapBlock*>(m_FreeBlocks.getLast());
            if (block == nullptr) {
                block = GHeapBlock::Create(this, m_SlotsPerBlock, m_Stride);
                block->m_Index = m_FreeBlocks.size();
                m_FreeBlocks.add(block);
            }
            // Slots still zero from the system are not cleared again.
            const std::size_t bytes = static_cast<std::size_t>(m_SlotSize);
            while (got < count && block->m_FreeCount > 0) {
                const bool clear = !block->m_Zero || block->m_FreeHead != nullptr;
                GHeapBlock::SlotHeader* slot = block->TakeSlot();
                slot->owner = block;
                if (clear) std::memset(slot + 1, 0, bytes);
                out[got++] = slot + 1;
            }
            if (block->m_FreeCount == 0) {
                m_FreeBlocks.removeLast();
                block->m_Index = m_FullBlocks.size();
                m_FullBlocks.add(block);
            }
        }
    }
}

void GHeap::Free(void* p) {
    if (p == nullptr) return;
    SpinGuard guard(m_Lock);
    GHeapBlock::SlotHeader* slot = static_cast<GHeapBlock::SlotHeader*>(p) - 1;
    GHeapBlock* block = slot->owner;
    PK_ASSERT(block->m_Heap == this);
    slot->nextFree = block->m_FreeHead;
    block->m_FreeHead = slot;
    if (++block->m_FreeCount == 1) {
        // The block was full: it can serve allocations again.
        TakeOut(m_FullBlocks, block);
        block->m_Index = m_FreeBlocks.size();
        m_FreeBlocks.add(block);
    } else if (block->m_FreeCount == m_SlotsPerBlock) {
        // Wholly free: release it at once, even the pool's last block.
        TakeOut(m_FreeBlocks, block);
        GHeapBlock::Destroy(block);
    }
}

int GHeap::GarbageCollector() {
    SpinGuard guard(m_Lock);
    return 0;
}

void GHeap::RunGarbageCollector() {
    GSemaphorGuard guard(SemaforClass());
    if (m_HeapList == nullptr) return;
    int total = 0;
    for (int i = 0; i < m_HeapList->size(); ++i) {
        total += static_cast<GHeap*>(m_HeapList->get(i))->GarbageCollector();
    }
    (void)total;
}

void GHeap::RunUsedMemoryDump() {}

void GHeap::RemoveAllHeaps() {
    GSemaphorGuard guard(SemaforClass());
    while (m_HeapList != nullptr && !m_HeapList->isEmpty()) {
        delete static_cast<GHeap*>(m_HeapList->get(0));
    }
    if (m_HeapList != nullptr) {
        DeleteUnpooledList(m_HeapList);
        m_HeapList = nullptr;
    }
    GHeapBlock::ReleaseReserve();
    pkwork::Release();
}

int GHeap::GetHeapCount() {
    GSemaphorGuard guard(SemaforClass());
    return m_HeapList != nullptr ? m_HeapList->size() : 0;
}

GHeap* GHeap::Attach(GHeap** owner, const char* name, int slotSize, int blockBytes) {
    GSemaphorGuard guard(SemaforClass());
    if (*owner == nullptr) {
        GHeap* heap = new GHeap(name, slotSize, blockBytes);
        heap->m_Owner = owner;
        *owner = heap;
    }
    return *owner;
}

void* GHeap::PooledAlloc(
    GHeap** owner, const char* name, int slotSize, int blockBytes, std::size_t requested) {
    if (requested > static_cast<std::size_t>(slotSize)) throw std::bad_alloc();
#ifdef PK_POOLS_PASS_THROUGH
    // The pool still exists, so the pool list looks the same in both builds.
    if (*owner == nullptr) Attach(owner, name, slotSize, blockBytes);
    void* p = std::calloc(1, slotSize > 0 ? static_cast<std::size_t>(slotSize) : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
#else
    GHeap* heap = *owner;
    if (heap == nullptr) heap = Attach(owner, name, slotSize, blockBytes);
    return heap->Alloc();
#endif
}

void GHeap::PooledAllocMany(
    GHeap** owner, const char* name, int slotSize, int blockBytes, int count, void** out) {
#ifdef PK_POOLS_PASS_THROUGH
    for (int k = 0; k < count; ++k) {
        out[k] = PooledAlloc(owner, name, slotSize, blockBytes, static_cast<std::size_t>(slotSize));
    }
#else
    GHeap* heap = *owner;
    if (heap == nullptr) heap = Attach(owner, name, slotSize, blockBytes);
    heap->AllocMany(count, out);
#endif
}

void GHeap::PooledFree(GHeap* heap, void* p) {
#ifdef PK_POOLS_PASS_THROUGH
    (void)heap;
    std::free(p);
#else
    if (heap != nullptr) heap->Free(p);
#endif
}

void* GHeap::PlaceInArena(std::size_t size, GMemoryAllocator* arena) {
    void* p = arena != nullptr && size <= static_cast<std::size_t>(INT_MAX - 8)
                  ? arena->alloc(static_cast<int>(size))
                  : nullptr;
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
