#pragma once

#include <cstddef>

#include "polykern/foundation/GObj.h"

class GHeap;

// One block of a pool: an array of slots, each an 8-byte header followed by the
// object's bytes. A free slot's header links to the next free slot; a handed-out
// slot's header names its block, so Free finds the block without a search.
class GHeapBlock : public GObj {
public:
    union SlotHeader {
        SlotHeader* nextFree;
        GHeapBlock* owner;
    };
    static_assert(sizeof(SlotHeader) == 8, "slot header holds a pointer");

    GHeapBlock(GHeap* heap, int slots, std::size_t stride);
    ~GHeapBlock() override;
    GHeapBlock(const GHeapBlock&) = delete;
    GHeapBlock& operator=(const GHeapBlock&) = delete;

    int m_FreeCount;
    SlotHeader* m_FreeHead;
    char* m_Memory;
    int m_Index = -1;  // position in whichever list of the pool holds the block
    GHeap* m_Heap;     // the pool, for checking frees in debug builds
};
