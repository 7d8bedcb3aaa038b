#pragma once

#include <cstddef>
#include <cstdint>

#include "polykern/PolykernExport.h"

/// An arena: hands out 8-byte aligned memory by bumping a counter and releases all
/// of it at once in its destructor. Not copyable: a copy would free the same chunks.
class POLYKERN_API GMemoryAllocator {
public:
    /// First chunk 4096 bytes, later chunks 65536 bytes.
    GMemoryAllocator();
    /// Sizes below 8 bytes are raised to 8.
    GMemoryAllocator(int firstChunk, int nextChunks);
    virtual ~GMemoryAllocator();
    GMemoryAllocator(const GMemoryAllocator&) = delete;
    GMemoryAllocator& operator=(const GMemoryAllocator&) = delete;

    /// `size` bytes rounded up to a multiple of 8, valid until the arena is destroyed.
    /// Returns null for a negative size. A request of half the current chunk or more,
    /// or one larger than a later chunk, gets a chunk of its own.
    virtual void* alloc(int size);

    int GetFirstChunkSize() const { return m_FirstChunk; }
    int GetNextChunkSize() const { return m_NextChunks; }
    /// Capacity of the chunk that serves small requests.
    int GetCapacity() const { return m_Capacity; }
    /// Bytes handed out from that chunk.
    int GetUsed() const { return m_Used; }
    /// Chunks held, dedicated ones included.
    int GetChunkCount() const;

protected:
    void init(int firstChunk, int nextChunks);

private:
    // A chunk is an 8-byte header linking to the previous chunk, then its bytes.
    struct Chunk {
        Chunk* previous;
        uint64_t pad;  // keeps the usable bytes 16-byte aligned
    };
    static Chunk* NewChunk(std::size_t bytes, Chunk* previous);

    int m_FirstChunk = 0;
    int m_NextChunks = 0;
    int m_Capacity = 0;
    int m_Used = 0;
    Chunk* m_Current = nullptr;
};
