#include "polykern/foundation/GMemoryAllocator.h"

#include <climits>
#include <cstdlib>
#include <new>

namespace {
constexpr int kMinChunk = 8;
}

GMemoryAllocator::GMemoryAllocator() {
    init(4096, 65536);
}

GMemoryAllocator::GMemoryAllocator(int firstChunk, int nextChunks) {
    init(firstChunk, nextChunks);
}

GMemoryAllocator::~GMemoryAllocator() {
    Chunk* chunk = m_Current;
    while (chunk != nullptr) {
        Chunk* previous = chunk->previous;
        std::free(chunk);
        chunk = previous;
    }
    m_Current = nullptr;
}

GMemoryAllocator::Chunk* GMemoryAllocator::NewChunk(std::size_t bytes, Chunk* previous) {
    void* memory = std::malloc(sizeof(Chunk) + bytes);
    if (memory == nullptr) throw std::bad_alloc();
    Chunk* chunk = static_cast<Chunk*>(memory);
    chunk->previous = previous;
    return chunk;
}

void GMemoryAllocator::init(int firstChunk, int nextChunks) {
    m_FirstChunk = firstChunk < kMinChunk ? kMinChunk : firstChunk;
    m_NextChunks = nextChunks < kMinChunk ? kMinChunk : nextChunks;
    m_Capacity = m_FirstChunk;
    m_Used = 0;
    m_Current = NewChunk(static_cast<std::size_t>(m_Capacity), nullptr);
}

void* GMemoryAllocator::alloc(int size) {
    if (size < 0 || size > INT_MAX - 8) return nullptr;
    const int rounded = (size + 7) & ~7;
    char* base = reinterpret_cast<char*>(m_Current + 1);
    if (rounded <= m_Capacity - m_Used) {
        void* p = base + m_Used;
        m_Used += rounded;
        return p;
    }
    // Large requests get a chunk of their own, linked behind the current one, so the
    // current chunk keeps its free space. A request larger than a later chunk must be
    // served this way too: a fresh chunk of the later size could not hold it.
    if (rounded >= (m_Capacity >> 1) || rounded > m_NextChunks) {
        Chunk* own = NewChunk(static_cast<std::size_t>(rounded), m_Current->previous);
        m_Current->previous = own;
        return own + 1;
    }
    m_Current = NewChunk(static_cast<std::size_t>(m_NextChunks), m_Current);
    m_Capacity = m_NextChunks;
    m_Used = rounded;
    return m_Current + 1;
}

int GMemoryAllocator::GetChunkCount() const {
    int n = 0;
    for (const Chunk* c = m_Current; c != nullptr; c = c->previous) ++n;
    return n;
}
