#pragma once

#include <cstddef>

#include "polykern/foundation/GObj.h"

class GHeap;

// One block of a pool: a record followed, in the same allocation, by an array of slots,
// each an 8-byte header followed by the object's bytes. A freed slot's header links to
// the next freed slot; a handed-out slot's header names its block, so Free finds the block
// without a search. Slots never handed out yet are taken in memory order, so a new block
// is not walked (and its pages not touched) before they are needed.
class GHeapBlock : public GObj {
public:
    union SlotHeader {
        SlotHeader* nextFree;
        GHeapBlock* owner;
    };
    static_assert(sizeof(SlotHeader) == 8, "slot header holds a pointer");

    /// A block of `slots` slots of `stride` bytes in one allocation with its record; m_Zero
    /// tells whether its slots are still zero. Throws std::bad_alloc when the system has
    /// no memory left.
    static GHeapBlock* Create(GHeap* heap, int slots, std::size_t stride);
    /// Releases a block made by Create, slots and record together. Its chunk goes back to
    /// the system with its last block, or is kept (two at most) for the next chunk.
    static void Destroy(GHeapBlock* block);
    /// Hands the chunks kept for later blocks back to the system.
    static void ReleaseReserve();

    /// A free slot: a freed one first, else the next never-used one. Null when full.
    SlotHeader* TakeSlot() {
        SlotHeader* slot = m_FreeHead;
        if (slot != nullptr) {
            m_FreeHead = slot->nextFree;
        } else if (m_Unused < m_Slots) {
            slot = reinterpret_cast<SlotHeader*>(m_Memory +
                                                 static_cast<std::size_t>(m_Unused++) * m_Stride);
        } else {
            return nullptr;
        }
        --m_FreeCount;
        return slot;
    }
    ~GHeapBlock() override = default;
    GHeapBlock(const GHeapBlock&) = delete;
    GHeapBlock& operator=(const GHeapBlock&) = delete;

    int m_FreeCount;
    SlotHeader* m_FreeHead;
    char* m_Memory;
    int m_Index = -1;  // position in whichever list of the pool holds the block
    GHeap* m_Heap;     // the pool, for checking frees in debug builds
    int m_Slots;
    int m_Unused = 0;  // slots from here on were never handed out
    std::size_t m_Stride;
    bool m_Chunked = false;  // carved from a chunk rather than malloc'd
    bool m_Zero = false;     // never-used slots are still zero from the system

private:
    GHeapBlock(GHeap* heap, int slots, std::size_t stride, char* memory);
};
