#include "polykern/foundation/GHeapBlock.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "polykern/foundation/GHeap.h"

namespace {

// The record sits in front of its slots; rounding it to a cache line keeps the slots
// 8-byte aligned and off the record's line.
constexpr std::size_t kRecordBytes = (sizeof(GHeapBlock) + 63) & ~std::size_t(63);

// Blocks are carved out of 2 MiB chunks mapped from the system, one block size to a chunk.
// A chunk fresh from the system is zero, so its slots need no clearing. Memory fresh from
// the system is dear (each page is faulted in and cleared), so a chunk whose last block is
// released
// is kept for the next chunk of any size: a mesh freed and built again reuses its pages.
// All but the two kept last are handed to the system as lazily free, so it can take them
// back under memory pressure, and RemoveAllHeaps unmaps them all.
constexpr std::size_t kChunkBytes = std::size_t(2) << 20;
constexpr std::size_t kLargestChunkedBlock = kChunkBytes / 8;  // larger ones are calloc'd

struct SizeClass;

// Sits at the start of its chunk, in front of the blocks.
struct Chunk {
    SizeClass* size;
    Chunk* prev;  // in its size's list of chunks with a block to give
    Chunk* next;
    void* freeBlocks;  // released blocks, each linking to the next
    int used;          // blocks handed out
    int untouched;     // blocks from here on were never handed out
    int capacity;
    bool clean;  // never-handed-out blocks are still zero from the system
    bool listed;
};
constexpr std::size_t kChunkHeader = (sizeof(Chunk) + 63) & ~std::size_t(63);

struct SizeClass {
    std::size_t bytes = 0;
    Chunk* open = nullptr;  // chunks with a block to give
    int chunks = 0;         // live chunks of this size
};

class ChunkArena {
public:
    static bool Holds(std::size_t bytes) { return bytes <= kLargestChunkedBlock; }

    // A block of `bytes`, or null when there is no chunk for it; *zero tells whether it is
    // still zero from the system. A reused block is not cleared here: its pool clears
    // each slot as it hands it out, which costs nothing for slots never used.
    void* Take(std::size_t bytes, bool* zero) {
        void* block = nullptr;
        {
            std::lock_guard<GSpinLock> guard(m_Lock);
            SizeClass* size = ClassOf(bytes);
            if (size == nullptr) return nullptr;
            Chunk* c = size->open;
            if (c == nullptr) {
                c = NewChunk(size);
                if (c == nullptr) return nullptr;
                Link(c);
            }
            if (c->freeBlocks != nullptr) {
                block = c->freeBlocks;
                c->freeBlocks = *static_cast<void**>(block);
                *zero = false;
            } else {
                block = reinterpret_cast<char*>(c) + kChunkHeader +
                        static_cast<std::size_t>(c->untouched++) * bytes;
                *zero = c->clean;
            }
            ++c->used;
            if (c->freeBlocks == nullptr && c->untouched == c->capacity) Unlink(c);
        }
        return block;
    }

    void Give(void* block) {
        void* unmap = nullptr;
        void* lazy = nullptr;
        {
            std::lock_guard<GSpinLock> guard(m_Lock);
            Chunk* c = ChunkOf(block);
            *static_cast<void**>(block) = c->freeBlocks;
            c->freeBlocks = block;
            if (!c->listed) Link(c);
            if (--c->used > 0) return;
            Unlink(c);
            --c->size->chunks;
            if (m_KeptCount < kKept) {
                m_Kept[m_KeptCount++] = {c, false};
                // The chunks kept longest may have their pages taken back by the system
                // whenever it needs them; until it does, reusing them costs no fault. The
                // latest stay the process's own, so a pool that empties and fills again
                // over and over makes no system call.
                if (m_KeptCount > kKeptWarm) {
                    Kept& old = m_Kept[m_KeptCount - 1 - kKeptWarm];
                    if (!old.lazy) {
                        old.lazy = true;
                        lazy = old.chunk;
                    }
                }
            } else {
                unmap = c;
            }
        }
        if (lazy != nullptr) madvise(lazy, kChunkBytes, MADV_FREE);
        if (unmap != nullptr) munmap(unmap, kChunkBytes);
    }

    void Release() {
        std::lock_guard<GSpinLock> guard(m_Lock);
        for (int i = 0; i < m_KeptCount; ++i) munmap(m_Kept[i].chunk, kChunkBytes);
        m_KeptCount = 0;
    }

private:
    static Chunk* ChunkOf(void* block) {
        return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) &
                                        ~(std::uintptr_t(kChunkBytes) - 1));
    }

    SizeClass* ClassOf(std::size_t bytes) {
        for (int i = 0; i < m_ClassCount; ++i) {
            if (m_Classes[i].bytes == bytes) return &m_Classes[i];
        }
        if (m_ClassCount == kClasses) return nullptr;
        m_Classes[m_ClassCount].bytes = bytes;
        return &m_Classes[m_ClassCount++];
    }

    Chunk* NewChunk(SizeClass* size) {
        void* memory = nullptr;
        bool clean = false;
        if (m_KeptCount > 0) {
            memory = m_Kept[--m_KeptCount].chunk;
        } else {
            memory = MapAligned();
            if (memory == nullptr) return nullptr;
            clean = true;
            // A size that already fills chunks is a large mesh in the making: huge pages
            // spare its walks most address translation misses. A small user keeps 4 KiB
            // pages and so touches only what it uses.
            if (size->chunks >= 2) madvise(memory, kChunkBytes, MADV_HUGEPAGE);
        }
        auto* c = static_cast<Chunk*>(memory);
        c->size = size;
        c->prev = c->next = nullptr;
        c->freeBlocks = nullptr;
        c->used = 0;
        c->untouched = 0;
        c->capacity = static_cast<int>((kChunkBytes - kChunkHeader) / size->bytes);
        c->clean = clean;
        c->listed = false;
        ++size->chunks;
        return c;
    }

    // A chunk aligned to its size, so that a block finds its chunk from its own address.
    static void* MapAligned() {
        void* p = mmap(nullptr, 2 * kChunkBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        const std::uintptr_t raw = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t aligned =
            (raw + kChunkBytes - 1) & ~(std::uintptr_t(kChunkBytes) - 1);
        if (aligned > raw) munmap(p, aligned - raw);
        const std::uintptr_t tail = aligned + kChunkBytes, end = raw + 2 * kChunkBytes;
        if (end > tail) munmap(reinterpret_cast<void*>(tail), end - tail);
        return reinterpret_cast<void*>(aligned);
    }

    static void Link(Chunk* c) {
        c->prev = nullptr;
        c->next = c->size->open;
        if (c->next != nullptr) c->next->prev = c;
        c->size->open = c;
        c->listed = true;
    }

    static void Unlink(Chunk* c) {
        if (!c->listed) return;
        if (c->prev != nullptr) {
            c->prev->next = c->next;
        } else {
            c->size->open = c->next;
        }
        if (c->next != nullptr) c->next->prev = c->prev;
        c->prev = c->next = nullptr;
        c->listed = false;
    }

    static constexpr int kClasses = 64;    // block sizes beyond these are malloc'd
    static constexpr int kKept = 512;      // empty chunks kept for reuse: 1 GiB at most
    static constexpr int kKeptWarm = 2;    // of which these stay the process's own
    struct Kept {
        void* chunk;
        bool lazy;  // handed to the system as lazily free
    };
    GSpinLock m_Lock;
    SizeClass m_Classes[kClasses];
    int m_ClassCount = 0;
    Kept m_Kept[kKept] = {};
    int m_KeptCount = 0;
};

// Made on first use and never destroyed, so blocks released during exit still find it.
ChunkArena& Arena() {
    static ChunkArena* arena = new ChunkArena();
    return *arena;
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
    bool zero = false;
    char* raw = ChunkArena::Holds(bytes) ? static_cast<char*>(Arena().Take(bytes, &zero)) : nullptr;
    const bool chunked = raw != nullptr;
    if (raw == nullptr) raw = static_cast<char*>(std::malloc(bytes));
    if (raw == nullptr) throw std::bad_alloc();
    auto* block = ::new (raw) GHeapBlock(heap, slots, stride, raw + kRecordBytes);
    block->m_Chunked = chunked;
    block->m_Zero = zero;
    return block;
}

void GHeapBlock::Destroy(GHeapBlock* block) {
    if (block == nullptr) return;
    const bool chunked = block->m_Chunked;
    block->~GHeapBlock();
    if (chunked) {
        Arena().Give(block);
    } else {
        std::free(block);
    }
}

void GHeapBlock::ReleaseReserve() {
    Arena().Release();
}
