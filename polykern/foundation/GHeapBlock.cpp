#include "polykern/foundation/GHeapBlock.h"

#include <cstdlib>
#include <new>

GHeapBlock::GHeapBlock(GHeap* heap, int slots, std::size_t stride)
    : m_FreeCount(slots),
      m_FreeHead(nullptr),
      m_Memory(nullptr),
      m_Heap(heap),
      m_Slots(slots),
      m_Stride(stride) {
    m_Memory = static_cast<char*>(std::malloc(static_cast<std::size_t>(slots) * stride));
    if (m_Memory == nullptr) throw std::bad_alloc();
}

GHeapBlock::SlotHeader* GHeapBlock::TakeSlot() {
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

GHeapBlock::~GHeapBlock() {
    std::free(m_Memory);
}
