#include "polykern/foundation/GHeapBlock.h"

#include <cstdlib>
#include <new>

#include "polykern/foundation/GHeap.h"

namespace {

// The record sits in front of its slots; rounding it to a cache line keeps the slots
// 8-byte aligned and off the record's line.
constexpr std::size_t kRecordBytes = (sizeof(GHeapBlock) + 63) & ~std::size_t(63);

// Memory of released blocks, kept for the next block of the same size (of any pool) up to
// a fixed total. A pool that empties and fills again, as a mesh that is rebuilt does,
// then reuses warm pages instead of handing them back to the system and faulting them in
// anew; the pools themselves still keep no empty block.
class BlockReserve {
public:
    void* Take(std::size_t bytes) {
        GSpinLock& lock = Lock();
        lock.lock();
        void* found = nullptr;
        for (int i = 0; i < m_Count; ++i) {
            if (m_Entries[i].bytes != bytes) continue;
            found = m_Entries[i].memory;
            m_Total -= bytes;
            m_Entries[i] = m_Entries[--m_Count];
            break;
        }
        lock.unlock();
        return found;
    }
    // Keeps `memory` when there is room, else frees it.
    void Give(void* memory, std::size_t bytes) {
        GSpinLock& lock = Lock();
        lock.lock();
        const bool keep = m_Count < kEntries && m_Total + bytes <= kMaxBytes;
        if (keep) {
            m_Entries[m_Count++] = {memory, bytes};
            m_Total += bytes;
        }
        lock.unlock();
        if (!keep) std::free(memory);
    }
    void Release() {
        GSpinLock& lock = Lock();
        lock.lock();
        for (int i = 0; i < m_Count; ++i) std::free(m_Entries[i].memory);
        m_Count = 0;
        m_Total = 0;
        lock.unlock();
    }

private:
    static GSpinLock& Lock() {
        static GSpinLock lock;
        return lock;
    }
    static constexpr int kEntries = 32;
    static constexpr std::size_t kMaxBytes = std::size_t(2) << 20;
    struct Entry {
        void* memory;
        std::size_t bytes;
    };
    Entry m_Entries[kEntries] = {};
    int m_Count = 0;
    std::size_t m_Total = 0;
};

// Made on first use and never destroyed, so blocks released during exit still find it.
BlockReserve& Reserve() {
    static BlockReserve* reserve = new BlockReserve();
    return *reserve;
}

std::size_t BlockBytes(int slots, std::size_t stride) {
    return kRecordBytes + static_cast<std::size_t>(slots) * stride;
}

}  // namespace

GHeapBlock::GHeapBlock(GHeap* heap, int slots, std::size_t stride, char* memory)
    : m_FreeCount(slots),
      m_FreeHead(nullptr),
      m_Memory(memory),
      m_Heap(heap),
      m_Slots(slots),
      m_Stride(stride) {}

GHeapBlock* GHeapBlock::Create(GHeap* heap, int slots, std::size_t stride) {
    const std::size_t bytes = BlockBytes(slots, stride);
    char* raw = static_cast<char*>(Reserve().Take(bytes));
    if (raw == nullptr) raw = static_cast<char*>(std::malloc(bytes));
    if (raw == nullptr) throw std::bad_alloc();
    return ::new (raw) GHeapBlock(heap, slots, stride, raw + kRecordBytes);
}

void GHeapBlock::Destroy(GHeapBlock* block) {
    if (block == nullptr) return;
    const std::size_t bytes = BlockBytes(block->m_Slots, block->m_Stride);
    block->~GHeapBlock();
    Reserve().Give(block, bytes);
}

void GHeapBlock::ReleaseReserve() {
    Reserve().Release();
}
