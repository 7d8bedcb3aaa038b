#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GSemaphor.h"

class GHeapBlock;

/// The lock of one pool. Alloc and Free hold it for a few instructions, so a waiting
/// thread spins briefly and then yields; an uncontended pass costs one atomic exchange.
/// Not re-entrant: nothing done under it calls back into the pool.
class GSpinLock {
public:
    void lock() {
        while (m_Held.exchange(true, std::memory_order_acquire)) {
            while (m_Held.load(std::memory_order_relaxed)) std::this_thread::yield();
        }
    }
    void unlock() { m_Held.store(false, std::memory_order_release); }

private:
    std::atomic<bool> m_Held{false};
};

/// A pool of fixed-size, zero-filled slots for one class. Alloc and Free run in
/// constant time under the pool's own lock (a spin lock: both are a few instructions); a block is released as soon as its last
/// slot comes back. Every live pool is listed in a process-wide list.
class POLYKERN_API GHeap : public GObj {
public:
    /// Block budget 8192 bytes.
    GHeap(const char* name, int slotSize);
    /// A block holds `blockBytes / slotSize + 1` slots (`blockBytes` slots for size 0).
    GHeap(const char* name, int slotSize, int blockBytes);
    ~GHeap() override;
    GHeap(const GHeap&) = delete;
    GHeap& operator=(const GHeap&) = delete;

    /// One slot of the slot size, all bytes zero, 8-byte aligned. Throws std::bad_alloc
    /// when the general heap is exhausted.
    void* Alloc();
    /// Fills out[0..count) with zero-filled slots, taking the lock once per block instead
    /// of once per slot; the slots are those `count` calls of Alloc would have handed out,
    /// in the same order. Throws std::bad_alloc when a block cannot be had.
    void AllocMany(int count, void** out);
    /// Gives back a pointer that Alloc of this pool returned; null is ignored.
    void Free(void* p);
    /// Takes and releases the pool's lock; returns 0 (nothing is reclaimed lazily).
    int GarbageCollector();

    const char* GetName() const { return m_Name; }
    int GetSlotSize() const { return m_SlotSize; }
    int GetSlotsPerBlock() const { return m_SlotsPerBlock; }
    /// Blocks that still have a free slot.
    int GetFreeBlockCount() const { return m_FreeBlocks.size(); }
    /// Blocks with every slot handed out.
    int GetFullBlockCount() const { return m_FullBlocks.size(); }

    /// Calls GarbageCollector on every live pool.
    static void RunGarbageCollector();
    /// Does nothing; kept for hosts that call it.
    static void RunUsedMemoryDump();
    /// Destroys every pool and the pool list, and frees the memory kept for later blocks.
    /// The pool of a pooled class is made again
    /// on its next allocation. Objects still alive in a pool must not be used afterwards.
    static void RemoveAllHeaps();
    /// Number of live pools.
    static int GetHeapCount();

    /// The pool of a pooled class, made under the pool-list lock if `*owner` is null. The
    /// pool clears `*owner` when it is destroyed.
    static GHeap* Attach(GHeap** owner, const char* name, int slotSize, int blockBytes);
    /// The class-level operator new of a pooled class. With the pass-through build switch
    /// every object is a separate calloc block, so sanitizers see each one. Throws
    /// std::bad_alloc when `requested` exceeds the slot size.
    static void* PooledAlloc(
        GHeap** owner, const char* name, int slotSize, int blockBytes, std::size_t requested);
    /// The class-level operator delete of a pooled class.
    static void PooledFree(GHeap* heap, void* p);
    /// PooledAlloc for `count` slots at once, into out[0..count).
    static void PooledAllocMany(
        GHeap** owner, const char* name, int slotSize, int blockBytes, int count, void** out);
    /// The class-level arena placement of a pooled class.
    static void* PlaceInArena(std::size_t size, GMemoryAllocator* arena);

protected:
    void Init(const char* name, int slotSize, int blockBytes);
    void DeleteAllBlocks();
    static void AddToHeapList(GHeap* heap);
    static void DeleteFromHeapList(GHeap* heap);

private:
    friend class GHeapBlock;
    static GSemaphor& SemaforClass();
    // Removes `block` from `list` by moving the list's last block into its place.
    static void TakeOut(GArrayCollection& list, GHeapBlock* block);

    char* m_Name = nullptr;
    GArrayCollection m_FreeBlocks;
    GArrayCollection m_FullBlocks;
    int m_SlotsPerBlock = 0;
    int m_SlotSize = 0;
    std::size_t m_Stride = 0;  // header word + slot size rounded up to 8
    GSpinLock m_Lock;
    GHeap** m_Owner = nullptr;

    static GArrayCollection* m_HeapList;
};
