#include "polykern/foundation/GHeapBlock.h"

#include <cstdlib>
#include <new>

GHeapBlock::GHeapBlock(GHeap* heap, int slots, std::size_t stride)
    : m_FreeCount(slots), m_FreeHead(nullptr), m_Memory(nullptr), m_Heap(heap) {
    m_Memory = static_cast<char*>(std::malloc(static_cast<std::size_t>(slots) * stride));
    if (m_Memory == nullptr) throw std::bad_alloc();
    // Thread the free list so that the last slot in memory is the head.
    for (int i = 0; i < slots; ++i) {
        SlotHeader* slot = reinterpret_cast<SlotHeader*>(m_Memory + i * stride);
        slot->nextFree = m_FreeHead;
        m_FreeHead = slot;
    }
}

GHeapBlock::~GHeapBlock() {
    std::free(m_Memory);
}
