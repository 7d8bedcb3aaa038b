#pragma once

#include <cstddef>
#include <cstdint>

#include "polykern/PolykernExport.h"

class GMemoryAllocator;

/// Root of every kernel class that is kept in a collection. Carries one word that
/// the kernel never interprets (0 unless the host gives one).
class POLYKERN_API GObj {
public:
    explicit GObj(uint32_t word = 0) : m_Word(word) {}
    GObj(const GObj& other) = default;
    GObj& operator=(const GObj& other) = default;

    /// Writes nothing; a hook for subclasses.
    virtual void print() {}
    virtual ~GObj();
    /// Copies the state of `from` into this object; the root copies nothing.
    virtual void Copy(GObj* from);
    /// A new object of the same kind with the same state, owned by the caller.
    virtual GObj* Duplicate();

    uint32_t GetWord() const { return m_Word; }
    void SetWord(uint32_t word) { m_Word = word; }

    /// General heap.
    static void* operator new(std::size_t size);
    /// Places the object in an arena: it is never deleted one by one, its destructor
    /// never runs, and the arena releases its memory as a whole.
    static void* operator new(std::size_t size, GMemoryAllocator* arena);
    static void operator delete(void* p);
    /// Only called when a constructor throws during arena placement: the arena keeps the bytes.
    static void operator delete(void* p, GMemoryAllocator* arena);

private:
    uint32_t m_Word;
};
